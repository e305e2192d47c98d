// The texts around the plot: label texts, title rows, the stimulus row and the label rows.
#include <algorithm>
#include <cmath>

#include "display/ChartText.h"
#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Utils.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

namespace {

// Bounds of the loops over axis numbers, whatever numbers a hostile scale hands in.
constexpr int kMaxAxisNumbers = 1000;

void SetFontColor(ui::Canvas& canvas, TColor color) {
  ui::Font font = canvas.GetFont();
  font.Color = color;
  canvas.SetFont(font);
}

TScreenRect EmptyAt(int x, int y) { return TScreenRect{x, y, x, y}; }

std::string FrequencyText(double mhz) { return ChartText::WithUnit(mhz * 1e6, ukFrequency); }

std::string AxisNumber(double v) { return FormatFloat("###0.######", v); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Label texts

void TDrawingPlane::PrepareLabels() {
  if (View == nullptr || Range == nullptr) return;
  const TRange& r = *Range;
  const TMeasurement* active = ActiveTrace();

  CalStatusText = View->GetCalibrationStatusShort();
  CaptionText = View->GetMeasCaption();

  if (active != nullptr && active->IsTransformActive()) {
    double first = 0.0;
    double second = 0.0;
    if (View->GetTimeCenterPriority()) {
      TimeFirstName = ChartLabelWords[cwCenter];
      TimeSecondName = ChartLabelWords[cwSpan];
      first = View->GetTransformCenterInUnit();
      second = View->GetTransformSpanInUnit();
    } else {
      TimeFirstName = ChartLabelWords[cwStart];
      TimeSecondName = ChartLabelWords[cwStop];
      first = active->GetTimeAxisStart();
      second = active->GetTimeAxisStop();
    }
    const int unit = ScannerModule != nullptr ? ScannerModule->MetricSystem : TScannerModule::UnitMetres;
    switch (unit) {
      case TScannerModule::UnitSeconds:
        TimeFirstValue = ChartText::WithUnit(first * 1e-9, ukTime);
        TimeSecondValue = ChartText::WithUnit(second * 1e-9, ukTime);
        break;
      case TScannerModule::UnitMetres:
        TimeFirstValue = ChartText::WithUnit(first, ukMetricLength);
        TimeSecondValue = ChartText::WithUnit(second, ukMetricLength);
        break;
      case TScannerModule::UnitFeet:
        TimeFirstValue = ChartText::WithUnit(first, ukImperialLength);
        TimeSecondValue = ChartText::WithUnit(second, ukImperialLength);
        break;
      default:
        break;
    }
  }
  TimeSpare.clear();

  if (r.FOMState) {
    Port1Name = "Port1:";
    Port2Name = "Port2:";
    PortStartName = ChartLabelWords[cwStart];
    PortStopName = ChartLabelWords[cwStop];
    Port1StartValue = FrequencyText(r.GetPortFrequency(0, r.MinFrequency));
    Port1StopValue = FrequencyText(r.GetPortFrequency(0, r.MaxFrequency));
    Port2StartValue = FrequencyText(r.GetPortFrequency(1, r.MinFrequency));
    Port2StopValue = FrequencyText(r.GetPortFrequency(1, r.MaxFrequency));
    AdjustName = ChartLabelWords[cwAdjust];
    AdjustValue = FrequencyText(r.GetFOMAdjValue(r.FOMAdjPort == 1 ? 1 : 0));
  }

  const bool low = ScannerModule != nullptr && ScannerModule->Attenuator20dB;
  PowerLevelText = ChartLabelWords[low ? cwLow : cwHigh];
  if (r.SweepMode == TRange::Segm && r.GetSegmentCount() > 0) {
    StimFirstName = ChartLabelWords[cwStart];
    StimSecondName = ChartLabelWords[cwStop];
    StimFirstValue = FrequencyText(r.GetSegmentStart(0));
    StimSecondValue = FrequencyText(r.GetSegmentStop(r.GetSegmentCount() - 1));
    PointsText = IntToText(r.GetTotalSegmentPoints());
    IfbwText = r.SegmentListIFBW ? std::string() : ChartText::WithUnit(r.CommonIFBW, ukFrequency);
  } else {
    if (r.FreqCenterPriority) {
      StimFirstName = ChartLabelWords[cwCenter];
      StimSecondName = ChartLabelWords[cwSpan];
      StimFirstValue = FrequencyText((r.MinFrequency + r.MaxFrequency) / 2);
      StimSecondValue = FrequencyText(r.MaxFrequency - r.MinFrequency);
    } else {
      StimFirstName = ChartLabelWords[cwStart];
      StimSecondName = ChartLabelWords[cwStop];
      StimFirstValue = FrequencyText(r.MinFrequency);
      StimSecondValue = FrequencyText(r.MaxFrequency);
    }
    PointsText = IntToText(r.NPoints);
    IfbwText = ChartText::WithUnit(r.CommonIFBW, ukFrequency);
  }
}

// ---------------------------------------------------------------------------------------------
// Title row of a trace: the chart's legend

void TDrawingPlane::DrawTitleRow(TMeasurement& trace) {
  ui::Canvas& cv = PaintCanvas();
  const int h = LineHeight;
  const int s = cv.TextWidth(" ");
  const int c = View != nullptr && View->GetShowCaption() ? 1 : 0;
  const int y = (c + trace.TraceIndex) * h + 1;
  THotArea* areas = trace.TitleHotAreas;
  const TColor color = ViewProperties->GetMainColor(trace.TraceIndex);
  const TColor background = ViewProperties->GetUndegroundColor();

  areas[0].Rect.Left = PlotRect.Left;
  areas[0].Rect.Top = y;
  areas[0].Rect.Bottom = y + h;

  // The trace name in the colours of the trace number: the active trace inverted.
  const bool active = IsActiveTrace(trace);
  SetFontColor(cv, active ? background : color);
  cv.SetBrush(ui::Brush{active ? color : background, ui::BrushStyle::Solid});
  const std::string title = ChartLabelWords[cwTr] + IntToText(trace.TraceIndex + 1);
  cv.TextOut(PlotRect.Left, y, title);
  int x = PlotRect.Left + cv.TextWidth(title) + s;

  SetFontColor(cv, color);
  cv.SetBrush(ui::Brush{background, ui::BrushStyle::Solid});

  auto box = [&](int index, const std::string& text) {
    const ui::Rect r = DrawTextBox(x, y, areas[index].Hover, text);
    areas[index].Rect = ToScreenRect(r);
    x = r.Right + s;
  };
  if (IsServiceEnabled() || IsVorlaMode())
    box(1, trace.GetMeasModeName());
  else
    areas[1].Rect = EmptyAt(x, y);
  box(2, trace.GetFormatCaption());
  const std::string unit = trace.GetResponseUnitText();
  if (IsCircularFormat(trace.TraceFormat)) {
    box(3, FormatFloat("###0.0### ", trace.GetFullScale()) + unit);
    box(4, std::string());
  } else {
    box(3, FormatFloat("###0.0### ", trace.GetScaleDiv()) + unit + "/");
    box(4, FormatFloat("###0.0### ", trace.GetRefValue()) + unit);
  }

  // The processing in force, in a fixed order.
  std::string status;
  auto word = [&status](const std::string& w) {
    if (w.empty()) return;
    if (!status.empty()) status += ' ';
    status += w;
  };
  const TRange* range = trace.Range;
  if (trace.IsGatingActive()) word(ChartLabelWords[cwGat]);
  if (trace.ElectricalDelay != 0.0) word(ChartLabelWords[cwDel]);
  if (trace.Smoothing) word(ChartLabelWords[cwSmo]);
  if (trace.EnableMaxHold) word(ChartLabelWords[cwMaxHold]);
  if (trace.PhaseOffset != 0.0) word(ChartLabelWords[cwPhO]);
  if (trace.ConversionOn) word(trace.GetConversionLabel());
  if (trace.MeasMode == 0 && View != nullptr) word(View->GetCalibrationMethodName(trace.Port));
  if (range != nullptr) {
    if (range->IsPortExtensionActive()) word(ChartLabelWords[cwPxt]);
    if (range->IsEmbeddingActive()) word(ChartLabelWords[cwEmb]);
    if (range->IsDeembeddingActive()) word(ChartLabelWords[cwDmb]);
    if (range->ZConvEnabled) word("Z0");
  }
  if (trace.DataMath != 4) word(trace.GetDataMathCaption());
  if (!status.empty()) {
    const std::string text = "[" + status + "]";
    cv.TextOut(x, y, text);
    x += cv.TextWidth(text) + s;
  }
  areas[0].Rect.Right = x;

  const int memories = trace.Memories != nullptr ? trace.Memories->GetCount() : 0;
  if (memories > 0) {
    const std::string text = ChartLabelWords[cwMem] + "[" + IntToText(memories) + "]";
    const int w = cv.TextWidth(text);
    if (w < PlotRect.Right - x) cv.TextOut(PlotRect.Right - w, y, text);
  }
}

// ---------------------------------------------------------------------------------------------
// Stimulus row

void TDrawingPlane::DrawStimulusAxis(const TMeasurement& trace) {
  ui::Canvas& cv = PaintCanvas();
  const ui::Rect& row = StimulusRowRect;
  const TColor rowColor = ViewProperties->GetXAxisColor();
  cv.SetPen(ui::Pen{rowColor, 1, ui::PenStyle::Solid});
  cv.SetBrush(ui::Brush{rowColor, ui::BrushStyle::Solid});
  cv.FillRect(row);

  const int W = PlotRect.Width();
  if (W <= 0 || PlotRect.Height() <= 0 || Range == nullptr) {
    cv.SetBrushStyle(ui::BrushStyle::Clear);
    return;
  }
  const int n = trace.GetPointCount();

  if (IsServiceEnabled() && !trace.IsTransformActive()) {
    cv.SetBrush(ui::Brush{ui::clRed, ui::BrushStyle::Solid});
    for (int i = 0; i < Range->GetSynthBoundaryCount(); ++i) {
      const int b = Range->GetSynthBoundaryPoint(i);
      if (b < 0 || b + 1 >= n) continue;
      cv.Rectangle(StimulusToX(trace, trace.GetPointStimulus(b)), row.Top,
                   StimulusToX(trace, trace.GetPointStimulus(b + 1)), row.Bottom);
    }
  }

  SetFontColor(cv, ViewProperties->GetFontColor());
  cv.SetBrushStyle(ui::BrushStyle::Clear);
  const double f0 = n > 0 ? trace.GetPointStimulus(0) : 0.0;
  const double f1 = n > 0 ? trace.GetPointStimulus(n - 1) : 0.0;

  auto endLabels = [&](int* leftEdge, int* rightPos) {
    const std::string a = AxisNumber(f0);
    const std::string b = AxisNumber(f1);
    const int wb = cv.TextWidth(b);
    cv.TextOut(row.Left, row.Top, a);
    cv.TextOut(row.Right - 1 - wb, row.Top, b);
    if (leftEdge != nullptr) *leftEdge = row.Left + cv.TextWidth(a);
    if (rightPos != nullptr) *rightPos = row.Right - 1 - wb;
  };

  if (n > 0 && std::isfinite(f0) && std::isfinite(f1)) {
    if (Range->SweepMode == TRange::Lin || Range->SweepMode == TRange::Segm) {
      const double step = GridStep(f1, f0);
      const int p = std::isfinite(step) && !NearlyZero(step) ? TruncSat(step * W / (f1 - f0) + 0.5) : 0;
      const double k0 = std::ceil(f0 / step);
      const double k1 = std::floor(f1 / step);
      if (NearlyZero(step) || NearlyZero(f1 - f0) || p <= 0 || !(k1 - k0 < kMaxAxisNumbers)) {
        // Too narrow a plot or span to space the numbers: the two ends alone.
        endLabels(nullptr, nullptr);
      } else {
        int l = 1;
        const int count = static_cast<int>(k1 - k0);
        for (int j = 0; j <= count; ++j) {
          const int tw = cv.TextWidth(AxisNumber((k0 + j) * step));
          while (static_cast<long long>(l) * p < 2LL * tw) ++l;
        }
        const double big = l * step;
        const double m0 = std::ceil(f0 / big);
        const int bigCount = static_cast<int>(std::floor(f1 / big) - m0);
        for (int j = 0; j <= bigCount; ++j) {
          const double v = (m0 + j) * big;
          const std::string text = AxisNumber(v);
          const int tw = cv.TextWidth(text);
          const int x = StimulusToX(trace, v);
          if (x - tw / 2 >= row.Left && x + tw / 2 <= row.Right) cv.TextOut(x - tw / 2, row.Top, text);
        }
      }
    } else if (Range->SweepMode == TRange::Log) {
      int e = 0;
      int r = 0;
      endLabels(&e, &r);
      if (f0 > 0 && f1 > f0) {
        const int tenth = W / 10;
        double d = std::pow(10.0, std::floor(std::log10(f0)));
        double v = std::ceil(f0 / d) * d;
        for (int guard = 0; v < f1 && guard < kMaxAxisNumbers; ++guard) {
          const std::string text = AxisNumber(v);
          const int tw = cv.TextWidth(text);
          const int left = StimulusToX(trace, v) - tw / 2;
          const int right = left + tw;
          if (e + tenth < left && right < r - tenth) {
            cv.TextOut(left, row.Top, text);
            e = right;
          }
          v += d;
          d = std::pow(10.0, std::floor(std::log10(v) + 1e-6));
        }
      }
    }
  }

  // Where the sweep is, while a sweep is slow enough to watch.
  if (View != nullptr && View->GetSlowSweep()) {
    const int i = Range->LastPointIndex;
    const int count = Range->GetCount();
    int x = PlotRect.Left + W / 2;
    if (i >= 0 && i < count && i < n) {
      if (f1 - f0 > 0)
        x = StimulusToX(trace, trace.GetPointStimulus(i));
      else if (count > 1)
        x = TruncSat(static_cast<double>(W) * i / (count - 1) + PlotRect.Left);
    }
    const int a = cv.TextHeight("H") / 2;
    const int b = PlotRect.Bottom - 1;
    const ui::Point triangle[3] = {ui::Point(x, b), ui::Point(x + a, b - a), ui::Point(x - a, b - a)};
    cv.SetPen(ui::Pen{ViewProperties->GetFontColor(), 1, ui::PenStyle::Solid});
    cv.SetBrushStyle(ui::BrushStyle::Clear);
    cv.Polygon(triangle, 3);
  }
}

// ---------------------------------------------------------------------------------------------
// Caption, bottom, time-domain and frequency-offset rows

void TDrawingPlane::DrawLabelRows() {
  ui::Canvas& cv = PaintCanvas();
  cv.SetFont(ui::Font(ViewProperties->GetFontName(), ViewProperties->GetFontSize(), ViewProperties->GetFontColor()));
  cv.SetBrushStyle(ui::BrushStyle::Clear);
  const int h = LineHeight;
  const int w = CharWidth;
  const int W = PlotRect.Width();
  const int clientBottom = cv.Height();
  auto box = [&](int index, int x, int y, const std::string& text) {
    const ui::Rect r = DrawTextBox(x, y, LabelHotAreas[static_cast<size_t>(index)].Hover, text);
    LabelHotAreas[static_cast<size_t>(index)].Rect = ToScreenRect(r);
    return r;
  };

  // Caption.
  const std::string caption = ChartText::Cut(CaptionText, w > 0 && W > 0 ? W / w : 0);
  if (View != nullptr && View->GetShowCaption()) {
    if (!caption.empty())
      box(1, PlotRect.Left + W / 2 - cv.TextWidth(caption) / 2, 1, caption);
    else
      LabelHotAreas[1].Rect = TScreenRect{PlotRect.Left, 1, PlotRect.Right, 1 + h};
  } else {
    LabelHotAreas[1].Rect = TScreenRect{};
  }

  // Bottom row: the stimulus limits at both ends, the channel's state between them.
  const int y = clientBottom - h;
  const ui::Rect a2 = box(2, PlotRect.Left, y, StimFirstName);
  const ui::Rect a3 = box(3, a2.Right + w, y, StimFirstValue);
  const ui::Rect a9 = box(9, PlotRect.Right - cv.TextWidth(StimSecondValue), y, StimSecondValue);
  const ui::Rect a8 = box(8, a9.Left - w - cv.TextWidth(StimSecondName), y, StimSecondName);

  AveragingText.clear();
  if (Range != nullptr && Range->AverageEnabled)
    AveragingText = IntToText(Range->AverageCount) + "/" + IntToText(Range->AverageFactor);
  const int o = a3.Right + w;
  const long long u = static_cast<long long>(a8.Left - w) - o;
  const long long C = cv.TextWidth(CalStatusText);
  const long long P = cv.TextWidth(PointsText);
  const long long I = cv.TextWidth(IfbwText);
  const long long L = cv.TextWidth(PowerLevelText);
  const long long A = cv.TextWidth(AveragingText);
  int items = 0;
  double g = 0;
  if (u > C + P + I + L + A + 6LL * w && A > 0) {
    items = 5;
    g = (u - (C + P + I + L + A)) / 6.0;
  } else if (u > C + P + I + L + 5LL * w) {
    items = 4;
    g = (u - (C + P + I + L)) * 0.2;
  } else if (u > C + P + I + 4LL * w) {
    items = 3;
    g = (u - (C + P + I)) * 0.25;
  } else if (u > C + P + 3LL * w) {
    items = 2;
    g = (u - (C + P)) / 3.0;
  } else if (u > C + 2LL * w) {
    items = 1;
    g = (u - C) * 0.5;
  }
  const int gap = TruncSat(g + 0.5);
  const std::string* texts[5] = {&CalStatusText, &PointsText, &IfbwText, &PowerLevelText, &AveragingText};
  const int areaOf[5] = {0, 5, 6, 7, -1};
  int x = o + gap;
  for (int k = 0; k < 5; ++k) {
    if (k < items) {
      ui::Rect r;
      if (areaOf[k] >= 0)
        r = box(areaOf[k], x, y, *texts[k]);
      else
        r = DrawTextBox(x, y, false, *texts[k]);
      x = r.Right + gap;
    } else if (areaOf[k] >= 0) {
      // Left out on a narrow chart: nothing there to click.
      LabelHotAreas[static_cast<size_t>(areaOf[k])].Rect = TScreenRect{};
    }
  }

  // Time-domain row.
  const TMeasurement* active = ActiveTrace();
  if (active != nullptr && active->IsTransformActive()) {
    const int yt = clientBottom - 2 * h;
    const ui::Rect a10 = box(10, PlotRect.Left, yt, TimeFirstName);
    const ui::Rect a11 = box(11, a10.Right + w, yt, TimeFirstValue);
    const ui::Rect a14 = box(14, PlotRect.Right - cv.TextWidth(TimeSecondValue), yt, TimeSecondValue);
    const ui::Rect a13 = box(13, a14.Left - w - cv.TextWidth(TimeSecondName), yt, TimeSecondName);
    if ((a13.Left - w) - (a11.Right + w) > cv.TextWidth(TimeSpare))
      LabelHotAreas[12].Rect = EmptyAt(a11.Right + w, yt);
  } else {
    // The row is not shown: its texts cannot be clicked.
    for (int k = 10; k <= 14; ++k) LabelHotAreas[static_cast<size_t>(k)].Rect = TScreenRect{};
  }

  // Frequency-offset rows.
  if (Range != nullptr && Range->FOMState) {
    const int y1 = PlotRect.Bottom + h;
    const std::string* starts[2] = {&Port1StartValue, &Port2StartValue};
    const std::string* stops[2] = {&Port1StopValue, &Port2StopValue};
    const std::string* names[2] = {&Port1Name, &Port2Name};
    for (int port = 0; port < 2; ++port) {
      const int yr = y1 + port * h;
      DrawTextBox(PlotRect.Left, yr, false, *names[port] + " " + PortStartName + " " + *starts[port]);
      const std::string stop = PortStopName + " " + *stops[port];
      DrawTextBox(PlotRect.Right - cv.TextWidth(stop), yr, false, stop);
      if (Range->FOMAdjust && Range->FOMAdjPort == port) {
        const std::string adjust = AdjustName + " " + AdjustValue;
        DrawTextBox((PlotRect.Left + PlotRect.Right - cv.TextWidth(adjust)) / 2, yr, false, adjust);
      }
    }
  }
}
