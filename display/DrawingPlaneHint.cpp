// The hint box that names what lies under the pointer, and the click actions of the chart's
// labels, title boxes and marker readouts.
//
// The keypads outlive the click, the chart and what they edit: their setters and getters hold a
// guarded pointer to the chart and the trace index and marker tag, and look them up again at
// each call; a target that is gone is left alone.
#include <QPointer>
#include <cmath>

#include "display/ChartPopups.h"
#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/TraceCodes.h"

namespace {

const std::string& Word(TChartWord w) { return ChartLabelWords[static_cast<size_t>(w)]; }

// The marker with tag of trace, or null when the trace has none such (FindMarker would give
// another one).
TMarker* MarkerOf(TMeasurement* trace, int tag) {
  if (trace == nullptr || trace->Markers == nullptr) return nullptr;
  TMarkerList& markers = *trace->Markers;
  if (tag == TMarker::ReferenceTag) return markers.EnableReference ? markers.GetReferenceMarker() : nullptr;
  return markers.MarkerExists(tag) ? markers.FindMarker(tag) : nullptr;
}

bool DigitalPanel() { return ViewProperties != nullptr && ViewProperties->UseDigitalPanel; }

bool SegmentSweep(const TRange* range) { return range != nullptr && range->SweepMode == TRange::Segm; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Hint box

bool TDrawingPlane::HintBox(ui::Canvas& cv, std::string& text, TScreenRect& box) {
  text.clear();
  const int h = LineHeight;
  const int B = 2 * cv.TextHeight("H") + 8;
  TMeasureList* list = Traces();
  TMeasurement* trace = list != nullptr ? list->GetMeasurement(HitTrace) : nullptr;
  auto area = [this](int k) { return LabelHotAreas[static_cast<size_t>(k)].Rect; };
  auto join = [](const std::string& a, const std::string& b) { return a + " " + b; };
  auto width = [&]() { return cv.TextWidth(text) + 8; };
  auto above = [&](const TScreenRect& a) { box = TScreenRect{a.Left, a.Top - B, a.Left + width(), a.Top}; };
  auto aboveRight = [&](const TScreenRect& a) { box = TScreenRect{a.Right - width(), a.Top - B, a.Right, a.Top}; };
  auto below = [&](const TScreenRect& a) { box = TScreenRect{a.Left, a.Top + h, a.Left + width(), a.Top + h + B}; };
  const ui::Rect& row = StimulusRowRect;
  const int plotHeight = PlotRect.Height();
  const int divisions = View != nullptr ? View->GetDivisions() : 0;

  switch (HintKind) {
    case 1:
      text = Word(cwCaption);
      box = TScreenRect{area(1).Left, area(1).Bottom, area(1).Left + width(), area(1).Bottom + B};
      break;
    case 2:
      text = View != nullptr ? View->GetCalibrationStatusText() : std::string();
      above(area(0));
      break;
    case 3:
      text = join(Word(cwChange), StimFirstName);
      above(area(2));
      break;
    case 4:
      text = join(StimFirstName, StimFirstValue);
      above(area(3));
      break;
    case 6:
      text = join(Word(cwPoints), PointsText);
      above(area(5));
      break;
    case 7:
      text = join(Word(cwIFBW), IfbwText);
      above(area(6));
      break;
    case 8:
      text = join(Word(cwPower), PowerLevelText);
      above(area(7));
      break;
    case 9:
      text = join(Word(cwChange), StimSecondName);
      aboveRight(area(8));
      break;
    case 10:
      text = join(StimSecondName, StimSecondValue);
      aboveRight(area(9));
      break;
    case 11:
      text = join(Word(cwShift), Word(cwStart));
      box = TScreenRect{row.Left, row.Top - h - B, row.Left + width(), row.Top - h};
      break;
    case 12:
      text = join(Word(cwShift), Word(cwStop));
      box = TScreenRect{row.Right - width(), row.Top - h - B, row.Right, row.Top - h};
      break;
    case 13: {
      text = join(Word(cwShift), Word(cwCenter));
      const int mid = row.Left + row.Width() / 2;
      box = TScreenRect{mid - width() / 2, row.Top - h - B, mid + width() / 2, row.Top - h};
      break;
    }
    case 14:
    case 15:
    case 16: {
      if (trace == nullptr) break;
      const std::string name = Word(cwTr) + IntToText(HitTrace + 1);
      const std::string unit = trace->GetResponseUnitText();
      if (HintKind == 14)
        text = join(join(name, Word(cwMeas)), trace->GetFormatCaption());
      else if (HintKind == 15)
        text = join(join(name, Word(cwScale)), FormatFloatWithUnit("###0.0### ", unit, trace->GetScaleDiv()));
      else
        text = join(join(name, Word(cwRef)), FormatFloatWithUnit("###0.0### ", unit, trace->GetRefValue()));
      below(trace->TitleHotAreas[HintKind - 12].Rect);
      break;
    }
    case 22:
      text = join(Word(cwChange), Word(cwScale));
      box = TScreenRect{PlotRect.Left + h, PlotRect.Top, PlotRect.Left + h + width(), PlotRect.Top + B};
      break;
    case 23: {
      text = join(Word(cwChange), Word(cwRef));
      const int cy = PlotRect.Top + plotHeight / 2;
      box = TScreenRect{PlotRect.Left + h, cy - B / 2, PlotRect.Left + h + width(), cy + B / 2};
      break;
    }
    case 24:
      text = join(Word(cwChange), Word(cwScale));
      box = TScreenRect{PlotRect.Left + h, PlotRect.Bottom - B, PlotRect.Left + h + width(), PlotRect.Bottom};
      break;
    case 25:
    case 26: {
      if (trace == nullptr || divisions <= 0) break;
      text = Word(cwRefPosition);
      const long long y = PlotRect.Top + static_cast<long long>(trace->GetRefPosition()) * plotHeight / divisions;
      const int yc = static_cast<int>(std::clamp<long long>(y, -1000000, 1000000));
      if (HintKind == 25)
        box = TScreenRect{PlotRect.Left + h, yc - B / 2, PlotRect.Left + h + width(), yc + B / 2};
      else
        box = TScreenRect{PlotRect.Right - h - width(), yc - B / 2, PlotRect.Right - h, yc + B / 2};
      break;
    }
    case 27:
    case 28:
    case 29: {
      TMarker* marker = MarkerOf(trace, HitMarker);
      if (marker == nullptr) break;
      if (HintKind == 27) {
        text = (marker->IsReference() ? std::string("R") : "M" + IntToText(marker->Tag + 1)) +
               marker->GetArgumentText();
        below(marker->ReadoutRect);
      } else {
        text = marker->IsReference() ? Word(cwMarker) + " R" : join(Word(cwMarker), IntToText(marker->Tag + 1));
        const TScreenRect& r = HintKind == 28 ? marker->FlagRect : marker->StimulusMarkRect;
        const int mid = r.Left + r.Width() / 2;
        const int w = width();
        if (HintKind == 28 && marker->FlagBelow)
          box = TScreenRect{mid - w / 2, r.Bottom, mid - w / 2 + w, r.Bottom + B};
        else
          box = TScreenRect{mid - w / 2, r.Top - B, mid - w / 2 + w, r.Top};
      }
      break;
    }
    default:
      break;
  }
  return !text.empty();
}

void TDrawingPlane::DrawHint() {
  THotArea& hint = LabelHotAreas[15];
  if (HintKind == 0) {
    hint.Rect = TScreenRect{};
    return;
  }
  const bool known = (HintKind >= 1 && HintKind <= 16 && HintKind != 5) || (HintKind >= 22 && HintKind <= 29);
  // The time-domain labels have no hint: the box of before stays where it was, undrawn.
  if (!known) return;
  ui::Canvas& cv = PaintCanvas();
  cv.SetFont(ui::Font(ViewProperties->GetFontName(), ViewProperties->GetFontSize(), ViewProperties->GetFontColor()));
  std::string text;
  TScreenRect box;
  if (!HintBox(cv, text, box)) {
    // What the hint named is gone (a trace or marker removed): nothing to show or click.
    hint.Rect = TScreenRect{};
    return;
  }
  hint.Rect = box;
  const int B = 2 * cv.TextHeight("H") + 8;
  cv.SetBrush(ui::Brush{ViewProperties->GetUndegroundColor(), ui::BrushStyle::Solid});
  cv.SetPen(ui::Pen{ViewProperties->GetFontColor(), 1, ui::PenStyle::Solid});
  cv.RoundRect(box.Left, box.Top, box.Right, box.Bottom, 9, 9);
  cv.TextOut(box.Left + 4, box.Top + (B - LineHeight + 1) / 2, text);
  cv.SetBrushStyle(ui::BrushStyle::Clear);
}

// ---------------------------------------------------------------------------------------------
// Click actions

void TDrawingPlane::RunClickActions() {
  QPointer<TDrawingPlane> self(this);
  TMeasureList* list = Traces();
  // 1. The hint box acts as its element.
  if (HitKind == 19) {
    TMeasurement* active = ActiveTrace();
    switch (HintKind) {
      case 1: EditCaption(); break;
      case 3: case 9: ToggleFreqCenterPriority(); break;
      case 4: EditStimFirst(); break;
      case 6: PickPoints(); break;
      case 7: PickIFBW(); break;
      case 8: TogglePowerLevel(); break;
      case 10: EditStimSecond(); break;
      case 14: if (Popups) Popups->OpenPickList(TChartPopups::TPickList::Format); break;
      case 15: EditScale(HitTrace); break;
      case 16: EditRefValue(HitTrace); break;
      case 17: case 20: ToggleTimeCenterPriority(); break;
      case 18: EditTimeFirst(); break;
      case 21: EditTimeSecond(); break;
      case 27: if (active != nullptr) EditMarkerStimulus(active->TraceIndex, HitMarker); break;
      default: break;
    }
    if (!self) return;
  }
  // 2. The first hovered label of the channel.
  auto hovered = [this](int k) { return LabelHotAreas[static_cast<size_t>(k)].Hover; };
  if (hovered(2) || hovered(8))
    ToggleFreqCenterPriority();
  else if (hovered(3))
    EditStimFirst();
  else if (hovered(5))
    PickPoints();
  else if (hovered(6))
    PickIFBW();
  else if (hovered(9))
    EditStimSecond();
  else if (hovered(1))
    EditCaption();
  else if (hovered(7))
    TogglePowerLevel();
  if (!self) return;
  // 3. Every hovered time-domain label.
  TMeasurement* active = ActiveTrace();
  if (active != nullptr && active->IsTransformActive()) {
    if (hovered(10) || hovered(13)) ToggleTimeCenterPriority();
    if (hovered(11)) EditTimeFirst();
    if (hovered(14)) EditTimeSecond();
  }
  // 4., 5. Title boxes and marker readouts; the list is read afresh at every step.
  const bool oneMarkers = View != nullptr && View->GetOneMeasurementMarkers();
  auto readouts = [&](int i) {
    TMeasurement* trace = list != nullptr ? list->GetMeasurement(i) : nullptr;
    if (trace == nullptr || trace->Markers == nullptr) return;
    std::vector<int> tags;
    const int count = trace->Markers->GetMarkerCount();
    for (int tag = 0; tag < count; ++tag) {
      if (TMarker* m = MarkerOf(trace, tag); m != nullptr && m->ReadoutHover) tags.push_back(tag);
    }
    if (TMarker* r = MarkerOf(trace, TMarker::ReferenceTag); r != nullptr && r->ReadoutHover)
      tags.push_back(TMarker::ReferenceTag);
    for (int tag : tags) {
      if (!self) return;
      EditMarkerStimulus(i, tag);
    }
  };
  for (int i = 0; list != nullptr && i < list->GetCount(); ++i) {
    if (!self) return;
    TMeasurement* trace = list->GetMeasurement(i);
    if (trace == nullptr) continue;
    const THotArea* areas = trace->TitleHotAreas;
    if (areas[1].Hover) {
      if (Popups) Popups->OpenPickList(TChartPopups::TPickList::MeasMode);
    } else if (areas[2].Hover) {
      if (Popups) Popups->OpenPickList(TChartPopups::TPickList::Format);
    } else if (areas[3].Hover) {
      EditScale(i);
    } else if (areas[4].Hover) {
      EditRefValue(i);
    }
    if (!oneMarkers) readouts(i);
  }
  if (!self) return;
  if (oneMarkers) {
    if (TMeasurement* a = ActiveTrace()) readouts(a->TraceIndex);
  }
}

void TDrawingPlane::EditCaption() {
  HintKind = 0;
  if (Popups == nullptr || View == nullptr) return;
  std::string text = View->GetMeasCaption();
  QPointer<TDrawingPlane> self(this);
  const bool ok = Popups->EditText(text);
  if (ok && self) ApplyCaption(text);
}

void TDrawingPlane::ApplyCaption(const std::string& text) {
  if (View != nullptr) View->SetMeasCaption(text);
}

void TDrawingPlane::ToggleFreqCenterPriority() {
  TRange* range = View != nullptr ? View->GetRange() : nullptr;
  if (range != nullptr) range->SetFreqCenterPriority(!range->FreqCenterPriority);
}

void TDrawingPlane::TogglePowerLevel() {
  if (ScannerModule != nullptr) ScannerModule->SetLowPower(!ScannerModule->Attenuator20dB);
}

void TDrawingPlane::ToggleTimeCenterPriority() {
  if (View != nullptr) View->SetTimeCenterPriority(!View->GetTimeCenterPriority());
}

void TDrawingPlane::PickPoints() {
  if (Popups == nullptr) return;
  if (SegmentSweep(View != nullptr ? View->GetRange() : nullptr))
    Popups->RunSegmentEditor();
  else
    Popups->OpenPickList(TChartPopups::TPickList::Points);
}

void TDrawingPlane::PickIFBW() {
  if (Popups == nullptr) return;
  if (SegmentSweep(View != nullptr ? View->GetRange() : nullptr))
    Popups->RunSegmentEditor();
  else
    Popups->OpenPickList(TChartPopups::TPickList::IFBW);
}

// ---- Keypad values ------------------------------------------------------------------------

double TDrawingPlane::GetStimEntry(bool second, bool center) const {
  const TRange* range = View != nullptr ? View->GetRange() : nullptr;
  if (range == nullptr) return 0.0;
  if (center) return second ? range->GetSpan() : range->GetCenterFrequency();
  return second ? range->MaxFrequency : range->MinFrequency;
}

void TDrawingPlane::SetStimEntry(bool second, bool center, double value) {
  static constexpr void (TRange::*kSet[2][2])(double) = {{&TRange::SetStartFrequency, &TRange::SetCenterFrequency},
                                                          {&TRange::SetStopFrequency, &TRange::SetSpan}};
  TRange* range = View != nullptr ? View->GetRange() : nullptr;
  if (range != nullptr && std::isfinite(value)) (range->*kSet[second][center])(value);
}

double TDrawingPlane::GetTimeEntry(bool second, bool center) const {
  if (View == nullptr) return 0.0;
  if (center) return second ? View->GetTransformSpanInUnit() : View->GetTransformCenterInUnit();
  return second ? View->GetTransformStopInUnit() : View->GetTransformStartInUnit();
}

void TDrawingPlane::SetTimeEntry(bool second, bool center, double value) {
  static constexpr void (IChartView::*kSet[2][2])(double) = {
      {&IChartView::SetTransformStartInUnit, &IChartView::SetTransformCenterInUnit},
      {&IChartView::SetTransformStopInUnit, &IChartView::SetTransformSpanInUnit}};
  if (View != nullptr && std::isfinite(value)) (View->*kSet[second][center])(value);
}

void TDrawingPlane::DistanceUnit(int& kind, int& index) {
  const int system = ScannerModule != nullptr ? ScannerModule->MetricSystem : TScannerModule::UnitMetres;
  switch (system) {
    case 0: kind = ukTime, index = 3; break;
    case 1: kind = ukMetricLength, index = 0; break;
    case 2: kind = ukImperialLength, index = 1; break;
    default: kind = ukNone, index = 0; break;
  }
}

void TDrawingPlane::ResponseUnit(const TMeasurement& trace, int& kind, int& index) {
  const bool power = trace.MeasMode == tracecodes::Power;
  index = 0;
  switch (trace.TraceFormat) {
    case 0: case 16: case 17: case 19: kind = power ? ukDbm : ukDecibel; break;
    case 3: kind = ukTime, index = 3; break;
    case 7: kind = power ? ukMilliwatt : ukNone; break;
    default: kind = ukNone; break;
  }
}

// ---- Numeric entries ----------------------------------------------------------------------

void TDrawingPlane::EditStimEntry(bool second) {
  TRange* range = View != nullptr ? View->GetRange() : nullptr;
  if (Popups == nullptr || range == nullptr) return;
  if (SegmentSweep(range)) {
    Popups->RunSegmentEditor();
    return;
  }
  if (!DigitalPanel()) return;
  const bool center = range->FreqCenterPriority;
  const char* const titles[2][2] = {{TranslationKey("Start Frequency"), TranslationKey("Center Frequency")},
                                    {TranslationKey("Stop Frequency"), TranslationKey("Span Frequency")}};
  QPointer<TDrawingPlane> self(this);
  Popups->OpenKeypad(TranslateText(titles[second][center]), 1, ukFrequency,
                     [self, second, center](double v) { if (self) self->SetStimEntry(second, center, v); },
                     [self, second, center] { return self ? self->GetStimEntry(second, center) : 0.0; });
}

void TDrawingPlane::EditTimeEntry(bool second) {
  if (Popups == nullptr || View == nullptr || !DigitalPanel()) return;
  const bool center = View->GetTimeCenterPriority();
  int kind = 0, index = 0;
  DistanceUnit(kind, index);
  QPointer<TDrawingPlane> self(this);
  Popups->OpenKeypad(TranslateText("Distance"), index, kind,
                     [self, second, center](double v) { if (self) self->SetTimeEntry(second, center, v); },
                     [self, second, center] { return self ? self->GetTimeEntry(second, center) : 0.0; });
}

namespace {

// The trace at index of the chart's list, while the chart lives.
TMeasurement* TraceOf(const QPointer<TDrawingPlane>& chart, int index) {
  if (!chart) return nullptr;
  TMeasureList* list = chart->Traces();
  return list != nullptr ? list->GetMeasurement(index) : nullptr;
}

}  // namespace

void TDrawingPlane::EditScale(int traceIndex) {
  EditTraceEntry(traceIndex, TranslationKey("Scale"), &TMeasurement::GetEntryScale, &TMeasurement::SetEntryScale);
}

void TDrawingPlane::EditRefValue(int traceIndex) {
  EditTraceEntry(traceIndex, TranslationKey("Reference Value"), &TMeasurement::GetEntryRefValue,
                 &TMeasurement::SetEntryRefValue);
}

void TDrawingPlane::EditTraceEntry(int traceIndex, const char* title, double (TMeasurement::*get)() const,
                                   void (TMeasurement::*set)(double)) {
  TMeasureList* list = Traces();
  TMeasurement* trace = list != nullptr ? list->GetMeasurement(traceIndex) : nullptr;
  if (Popups == nullptr || trace == nullptr || !DigitalPanel()) return;
  int kind = 0, index = 0;
  ResponseUnit(*trace, kind, index);
  QPointer<TDrawingPlane> self(this);
  Popups->OpenKeypad(
      TranslateText(title), index, kind,
      [self, traceIndex, set](double v) {
        if (TMeasurement* t = TraceOf(self, traceIndex); t != nullptr && std::isfinite(v)) (t->*set)(v);
      },
      [self, traceIndex, get] {
        TMeasurement* t = TraceOf(self, traceIndex);
        return t != nullptr ? (t->*get)() : 0.0;
      });
}

void TDrawingPlane::EditMarkerStimulus(int traceIndex, int tag) {
  TMeasureList* list = Traces();
  TMeasurement* trace = list != nullptr ? list->GetMeasurement(traceIndex) : nullptr;
  TMarker* marker = MarkerOf(trace, tag);
  if (Popups == nullptr || marker == nullptr || !DigitalPanel()) return;
  // A table that was never laid out is laid out now, on the last picture, for the keypad's place.
  if (marker->ReadoutRect.IsEmpty() && KeptCanvas().Width() > 0 && KeptCanvas().Height() > 0) {
    BeginLayers(KeptCanvas());
    DrawMarkerTable(*trace);
    EndLayers();
  }
  const bool distance = trace->TraceFormat == 18 || trace->TraceFormat == 19;
  int kind = ukFrequency, index = 1;
  if (distance) DistanceUnit(kind, index);
  QPointer<TDrawingPlane> self(this);
  Popups->OpenKeypad(
      TranslateText(distance ? "Distance" : "Frequency"), index, kind,
      [self, traceIndex, tag](double v) {
        if (TMarker* m = MarkerOf(TraceOf(self, traceIndex), tag); m != nullptr && std::isfinite(v)) m->SetArgument(v);
      },
      [self, traceIndex, tag] {
        TMarker* m = MarkerOf(TraceOf(self, traceIndex), tag);
        return m != nullptr ? m->GetArgument() : 0.0;
      });
}
