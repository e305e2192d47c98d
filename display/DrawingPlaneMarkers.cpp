// Marker flags, the marker table and the drag readout.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "display/ChartText.h"
#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/TraceStatistics.h"

namespace {

constexpr int kSectionGap = 4;

void SetFontColor(ui::Canvas& canvas, TColor color) {
  ui::Font font = canvas.GetFont();
  font.Color = color;
  canvas.SetFont(font);
}

// The number a marker shows: its tag + 1, "R" for the reference marker.
std::string MarkerName(int tag) { return tag == TMarker::ReferenceTag ? std::string("R") : IntToText(tag + 1); }

int ArgumentDigits() { return ViewProperties != nullptr ? ViewProperties->ArgumentDigits : 8; }
int ValueDigits() { return ViewProperties != nullptr ? ViewProperties->ValueDigits : 5; }

// One row of the marker table.
struct TTableRow {
  enum Kind { Marker, Text } kind = Text;
  bool gap = false;          // a section starts here
  std::string text;          // Text rows: the whole row; Marker rows: the label
  TMarker* marker = nullptr;  // Marker rows
  bool valueOnly = false;
};

// A labelled row: the label padded to six characters, a blank, the value.
TTableRow Labelled(const std::string& label, const std::string& value, bool gap = false) {
  TTableRow row;
  row.text = ChartText::PadRight(label, 6) + " " + value;
  row.gap = gap;
  return row;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Marker flag

void TDrawingPlane::DrawMarker(TMeasurement& trace, TMarker& marker) {
  ui::Canvas& cv = PaintCanvas();
  const int h = cv.TextHeight("H");
  const TColor c = ViewProperties->GetMainColor(trace.TraceIndex);
  const int W = PlotRect.Width();
  const int H = PlotRect.Height();

  std::string text = MarkerName(marker.Tag);
  if (marker.Tracking) {
    if (marker.MarkerSearch == 0)
      text = ChartLabelWords[cwMax];
    else if (marker.MarkerSearch == 1)
      text = ChartLabelWords[cwMin];
    else if (marker.MarkerSearch >= 2 && marker.MarkerSearch <= 5)
      text = ChartLabelWords[cwPk];
  }
  const int tw = cv.TextWidth(text);
  const int half = tw / 2;
  const int x = PlotRect.Left + TruncSat(W * marker.RelativeX + 0.5);
  const double fullScale = trace.GetFullScale();
  int flagLeft = 0;
  int flagTop = 0;
  bool nearBottom = false;
  if (IsCircularFormat(trace.TraceFormat)) {
    const int r = std::min(W, H) / 2;
    const int cx = PlotRect.Left + W / 2;
    const int cy = PlotRect.Top + H / 2;
    const int dx = std::clamp(TruncSat(marker.PointValue.Re / fullScale * r), -r, r);
    const int dy = std::clamp(TruncSat(marker.PointValue.Im / fullScale * r), -r, r);
    flagLeft = cx + dx - half;
    flagTop = cy - dy - 2 * h;
  } else {
    const double v = (trace.GetTopValue() - marker.Value) / fullScale;
    const int y = PlotRect.Top + TruncSat(H * v + 0.5);
    const int yc = std::clamp(y, PlotRect.Top, std::max(PlotRect.Top, PlotRect.Bottom));
    flagLeft = std::clamp(x, PlotRect.Left, std::max(PlotRect.Left, PlotRect.Right)) - half;
    flagTop = yc - 2 * h;
    nearBottom = yc > PlotRect.Bottom - 1 - h / 2;
  }
  if (flagTop <= PlotRect.Top) {
    marker.FlagBelow = true;
    flagTop = std::max(PlotRect.Top, flagTop + 2 * h);
  } else {
    marker.FlagBelow = false;
  }
  const int flagBottom = flagTop + 2 * h;
  marker.FlagRect = TScreenRect{flagLeft, flagTop, flagLeft + tw, flagBottom};
  marker.StimulusMarkRect = TScreenRect{x - h / 2, PlotRect.Bottom - 1 - h / 2, x + h / 2, PlotRect.Bottom - 1};

  cv.SetPen(ui::Pen{c, 1, ui::PenStyle::Solid});
  SetFontColor(cv, c);
  cv.SetBrush(ui::Brush{ViewProperties->GetUndegroundColor(), ui::BrushStyle::Clear});
  cv.TextOut(flagLeft + 1, marker.FlagBelow ? flagTop + h + 1 : flagTop, text);

  const TMarkerList* list = trace.Markers;
  if (list != nullptr && list->ActiveMarker == marker.Tag && IsActiveTrace(trace))
    cv.SetBrush(ui::Brush{c, ui::BrushStyle::Solid});
  const int m = flagLeft + tw / 2;
  const int p = cv.TextWidth("H") / 2 + 1;
  if (marker.FlagBelow) {
    const ui::Point t[3] = {ui::Point(m, flagTop + 1), ui::Point(m - p, flagTop + h), ui::Point(m + p, flagTop + h)};
    cv.Polygon(t, 3);
  } else {
    const ui::Point t[3] = {ui::Point(m - p, flagBottom - h), ui::Point(m + p, flagBottom - h),
                            ui::Point(m, flagBottom - 1)};
    cv.Polygon(t, 3);
  }
  if (!nearBottom) {
    const int b = PlotRect.Bottom - 1;
    const ui::Point t[3] = {ui::Point(x - h / 2, b), ui::Point(x + h / 2, b), ui::Point(x, b - h / 2)};
    cv.Polygon(t, 3);
  }
  cv.SetBrushStyle(ui::BrushStyle::Clear);
}

// ---------------------------------------------------------------------------------------------
// Marker table

void TDrawingPlane::DrawMarkerTable(TMeasurement& trace) {
  TMarkerList* list = trace.Markers;
  if (list == nullptr || View == nullptr) return;
  ui::Canvas& cv = PaintCanvas();
  const int h = LineHeight;
  const int w = CharWidth;
  const TColor color = ViewProperties->GetMainColor(trace.TraceIndex);
  const TColor background = ViewProperties->GetUndegroundColor();
  const int argDigits = ArgumentDigits();
  const int valueDigits = ValueDigits();
  const std::string stimUnit = trace.GetStimulusUnitText();
  const std::string respUnit = trace.GetResponseUnitText();
  const TMeasureList* traces = Traces();
  const int align = View->GetMarkerAlign();
  const bool oneTrace = View->GetOneMeasurementMarkers();
  const bool reference = list->EnableReference;
  const bool valueOnly = align == IChartView::AlignHor && traces != nullptr && traces->MarkerCouple &&
                         trace.TraceIndex > 0 && !oneTrace;

  auto stim = [&](double v) { return FormatNumberWithUnit(argDigits, stimUnit, v); };
  auto resp = [&](double v) { return FormatNumberWithUnit(valueDigits, respUnit, v); };
  // Label "a-b" of the markers of a range and the width between their stimuli.
  auto rangeRow = [&](int a, int b, bool gap) {
    const TMarker* ma = list->FindMarker(a);
    const TMarker* mb = list->FindMarker(b);
    const double width = ma != nullptr && mb != nullptr ? std::fabs(ma->Argument - mb->Argument) : 0.0;
    return Labelled(MarkerName(a) + "-" + MarkerName(b), stim(width), gap);
  };

  std::vector<TTableRow> rows;
  for (int tag = 0; tag < list->GetMarkerCount(); ++tag) {
    TMarker* m = list->FindMarker(tag);
    if (m == nullptr) continue;
    TTableRow row;
    row.kind = TTableRow::Marker;
    row.text = (reference ? std::string("\xCE\x94") : std::string()) + MarkerName(tag);
    row.marker = m;
    row.valueOnly = valueOnly;
    rows.push_back(row);
  }
  if (reference) {
    if (TMarker* r = list->GetReferenceMarker()) {
      TTableRow row;
      row.kind = TTableRow::Marker;
      row.text = "R";
      row.marker = r;
      row.valueOnly = valueOnly;
      rows.push_back(row);
    }
  }
  if (list->Statistics) {
    bool gap = true;
    if (list->StatRange) {
      rows.push_back(rangeRow(list->StatStart, list->StatStop, true));
      gap = false;
    }
    rows.push_back(Labelled(ChartLabelWords[cwMean], resp(list->StatMean), gap));
    rows.push_back(Labelled(ChartLabelWords[cwSDev], resp(list->StatDeviation)));
    rows.push_back(Labelled(ChartLabelWords[cwPP], resp(list->StatPeakToPeak)));
  }
  if (list->Flatness) {
    rows.push_back(rangeRow(list->FlatnessStart, list->FlatnessStop, true));
    rows.push_back(Labelled(ChartLabelWords[cwGain], resp(list->FlatnessGain)));
    rows.push_back(Labelled(ChartLabelWords[cwSlope], resp(list->FlatnessSlope)));
    rows.push_back(Labelled("+" + ChartLabelWords[cwDev], resp(list->FlatnessPosDeviation)));
    rows.push_back(Labelled("-" + ChartLabelWords[cwDev], resp(list->FlatnessNegDeviation)));
  }
  TBandResult band;
  if (list->BandwidthSearch) {
    band = list->SearchBandwidth();
    const bool found = band.Found && std::isfinite(band.Low) && std::isfinite(band.High);
    const double low = found ? band.Low : 0.0;
    const double high = found ? band.High : 0.0;
    const double bw = found ? high - low : 0.0;
    const double cent = found ? (high + low) * 0.5 : 0.0;
    // A band of no width has no quality factor to speak of.
    const double q = found && bw != 0.0 && std::isfinite(cent / bw) ? cent / bw : 0.0;
    band.Found = found;
    rows.push_back(Labelled(ChartLabelWords[cwBW], stim(bw), true));
    rows.push_back(Labelled(ChartLabelWords[cwCent], stim(cent)));
    rows.push_back(Labelled(ChartLabelWords[cwLowEdge], stim(low)));
    rows.push_back(Labelled(ChartLabelWords[cwHighEdge], stim(high)));
    rows.push_back(Labelled("Q", FormatNumberWithUnit(argDigits, "", q)));
    rows.push_back(Labelled(ChartLabelWords[cwLoss], resp(band.RefLevel)));
  }
  if (list->IsPassbandValid()) {
    const TFilterResult f = list->ComputeFilterStatistics();
    rows.push_back(rangeRow(list->PassbandStart, list->PassbandStop, true));
    rows.push_back(Labelled(ChartLabelWords[cwLoss], resp(f.PassbandMinimum)));
    rows.push_back(Labelled(ChartLabelWords[cwPP], resp(f.PassbandPeakToPeak)));
    if (list->IsStopbandValid()) {
      rows.push_back(rangeRow(list->StopbandStart, list->StopbandStop, false));
      rows.push_back(Labelled(ChartLabelWords[cwRej], resp(f.Rejection)));
    }
  }

  // Measuring pass.
  int width = 0;
  int height = 0;
  for (const TTableRow& row : rows) {
    height += h + (row.gap ? kSectionGap : 0);
    std::string measured = row.text;
    if (row.kind == TTableRow::Marker) {
      if (row.valueOnly)
        measured = row.marker->GetValueText();
      else
        measured = ChartText::PadRight(row.text, reference ? 3 : 2) + " " + row.marker->GetArgumentText() + " " +
                   row.marker->GetValueText();
    }
    width = std::max(width, cv.TextWidth(measured));
  }

  // Placement.
  TScreenRect& rect = list->TableRect;
  int left = rect.Left;
  int top = rect.Top;
  const int index = trace.TraceIndex;
  const TMeasurement* first = traces != nullptr ? traces->GetMeasurement(0) : nullptr;
  const TMeasurement* previous = traces != nullptr ? traces->GetMeasurement(index - 1) : nullptr;
  const bool chained = align != IChartView::AlignNone && index > 0 && !oneTrace && first != nullptr &&
                       previous != nullptr && first->Markers != nullptr && previous->Markers != nullptr;
  if (!chained) {
    left = std::max(left, PlotRect.Left + ScaleLabelWidth);
    top = std::max(top, PlotRect.Top + 1);
    if (left + width > PlotRect.Right) left = PlotRect.Right - width;
    if (top + height > PlotRect.Bottom) top = PlotRect.Bottom - height;
    // A table taller than the plot keeps its first rows, the markers, in sight: its top stays
    // on the plot and the rows that do not fit are cut at the bottom.
    top = std::max(top, PlotRect.Top + 1);
  } else if (align == IChartView::AlignHor) {
    top = first->Markers->TableRect.Top;
    left = previous->Markers->TableRect.Right + 2 * w;
  } else {
    top = previous->Markers->TableRect.Bottom;
    left = first->Markers->TableRect.Left;
  }
  rect = TScreenRect{left, top, left + width, top + height};

  // Drawing pass; it stops at the first row that would reach below the plot.
  const int argumentX = left + (reference ? 4 : 3) * w;
  const bool activeTrace = IsActiveTrace(trace);
  cv.SetBrushStyle(ui::BrushStyle::Clear);
  int y = top;
  bool cut = false;
  for (const TTableRow& row : rows) {
    if (!cut && y + (row.gap ? kSectionGap : 0) + h > PlotRect.Bottom) {
      cut = true;
      rect.Bottom = std::max(top, y);
    }
    if (cut) {
      // A row not shown offers nothing to click.
      if (row.marker != nullptr) row.marker->ReadoutRect = TScreenRect{};
      continue;
    }
    if (row.gap) y += kSectionGap;
    SetFontColor(cv, color);
    cv.SetBrush(ui::Brush{background, ui::BrushStyle::Clear});
    if (row.kind == TTableRow::Text) {
      DrawTextBox(left, y, false, row.text);
    } else if (row.valueOnly) {
      DrawTextBox(left, y, false, row.marker->GetValueText());
      row.marker->ReadoutRect = TScreenRect{};
    } else {
      if (row.marker->Tag == list->ActiveMarker && activeTrace) {
        SetFontColor(cv, background);
        cv.SetBrush(ui::Brush{color, ui::BrushStyle::Solid});
      }
      DrawTextBox(left, y, false, row.text);
      SetFontColor(cv, color);
      cv.SetBrush(ui::Brush{background, ui::BrushStyle::Clear});
      const ui::Rect box = DrawTextBox(argumentX, y, row.marker->ReadoutHover, row.marker->GetArgumentText());
      row.marker->ReadoutRect = ToScreenRect(box);
      DrawTextBox(box.Right, y, false, " " + row.marker->GetValueText());
    }
    y += h;
  }

  // The band's edges and centre on the trace.
  if (band.Found && !IsCircularFormat(trace.TraceFormat)) {
    const int s = DataWidth + 2;
    cv.SetPen(ui::Pen{color, 1, ui::PenStyle::Solid});
    for (double stimulus : {band.Low, (band.Low + band.High) * 0.5, band.High}) {
      const double value = trace.GetValueAtStimulus(stimulus);
      // No mark where the trace has no value.
      if (std::isnan(value)) continue;
      const int X = StimulusToX(trace, stimulus);
      const int Y = ValueToY(trace, value);
      DrawRect(DataWidth, X - s, Y - s, X + s + 2, Y + s + 2);
    }
  }
  cv.SetBrushStyle(ui::BrushStyle::Clear);
}

// ---------------------------------------------------------------------------------------------
// Drag readout

void TDrawingPlane::DrawDragReadout() {
  if (!Dragging || Range == nullptr) return;
  double f = 0.0;
  // No frequency under the pointer gives no readout at all.
  if (!FrequencyAtX(LastX, f)) return;
  DragValue = f;

  ui::Canvas& cv = PaintCanvas();
  const std::string text = ChartText::WithUnit(DragValue * 1e6, ukFrequency);
  const int tw = cv.TextWidth(text);
  cv.SetBrush(ui::Brush{ViewProperties->GetUndegroundColor(), ui::BrushStyle::Solid});
  SetFontColor(cv, ViewProperties->GetFontColor());
  const ui::Rect& row = StimulusRowRect;
  const int y = row.Top - LineHeight;
  auto is = [this](int kind) { return HitKind == kind || HintKind == kind; };
  if (is(11)) cv.TextOut(row.Left, y, text);
  if (is(12)) cv.TextOut(row.Right - tw, y, text);
  if (is(13)) cv.TextOut(row.Left + row.Width() / 2 - tw / 2, y, text);
}
