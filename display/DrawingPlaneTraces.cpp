// The line primitives with their thickness kinds, the data trace, memories, limit and ripple
// lines with their fail marks, and the pass/fail sign.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/RippleLine.h"

namespace {

struct TOffset {
  int Dx;
  int Dy;
};

// The shifted copies of every thickness kind; kind 3 leaves out the unshifted one.
constexpr TOffset kKind1[] = {{0, 0}};
constexpr TOffset kKind2[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
constexpr TOffset kKind3[] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
constexpr TOffset kKind4[] = {{-1, -1}, {0, -1}, {1, -1}, {2, -1}, {2, 0}, {2, 1},
                              {2, 2},   {1, 2},  {0, 2},  {-1, 2}, {-1, 1}, {-1, 0}};

struct TOffsets {
  const TOffset* Items = nullptr;
  int Count = 0;
};

TOffsets OffsetsOf(int kind) {
  switch (kind) {
    case 1: return {kKind1, 1};
    case 2: return {kKind2, 4};
    case 3: return {kKind3, 8};
    case 4: return {kKind4, 12};
    default: return {};
  }
}

// Draws with a 1-pixel pen and puts the width back afterwards.
class TThinPen {
 public:
  explicit TThinPen(ui::Canvas& canvas) : canvas_(canvas), width_(canvas.GetPen().Width) { canvas.SetPenWidth(1); }
  ~TThinPen() { canvas_.SetPenWidth(width_); }
  TThinPen(const TThinPen&) = delete;
  TThinPen& operator=(const TThinPen&) = delete;

 private:
  ui::Canvas& canvas_;
  int width_;
};

// A value that is no number has no place on the plot: the line breaks there. An infinite value
// lies beyond an edge in a known direction and is drawn there, clamped like any value off the
// scale.
bool NoValue(double v) { return std::isnan(v); }
bool NoValue(const TComplex& z) { return std::isnan(z.Re) || std::isnan(z.Im); }

// The bound of every tick loop: no more ticks than the plot's perimeter allows.
int TickBound(const ui::Rect& plot, int d) { return (std::max(0, plot.Width()) + std::max(0, plot.Height())) / d + 2; }

// Calls mark with the stimulus of every failed segment start and end of a limit or ripple line;
// the line's own accessors give a segment end's stimulus. A bound naming no segment is passed over.
template <typename Line, typename Accessor, typename Mark>
void ForEachFailedBound(const Line& line, Accessor begArgument, Accessor endArgument, Mark&& mark) {
  for (const TLimitFailBound& bound : line.GetFailBounds()) {
    if (bound.Segment < 0 || bound.Segment >= line.GetSegmentCount()) continue;
    if (bound.BegFailed) mark((line.*begArgument)(bound.Segment));
    if (bound.EndFailed) mark((line.*endArgument)(bound.Segment));
  }
}

}  // namespace

// ---- Primitives ---------------------------------------------------------------------------------

void TDrawingPlane::DrawLine(int kind, int x1, int y1, int x2, int y2) {
  const TOffsets offsets = OffsetsOf(kind);
  if (offsets.Count == 0) return;
  ui::Canvas& canvas = PaintCanvas();
  TThinPen thin(canvas);
  for (int i = 0; i < offsets.Count; ++i) {
    const TOffset o = offsets.Items[i];
    canvas.Line(x1 + o.Dx, y1 + o.Dy, x2 + o.Dx, y2 + o.Dy);
  }
}

void TDrawingPlane::DrawArc(int kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const TOffsets offsets = OffsetsOf(kind);
  if (offsets.Count == 0) return;
  ui::Canvas& canvas = PaintCanvas();
  TThinPen thin(canvas);
  for (int i = 0; i < offsets.Count; ++i) {
    const int dx = offsets.Items[i].Dx;
    const int dy = offsets.Items[i].Dy;
    canvas.Arc(x1 + dx, y1 + dy, x2 + dx, y2 + dy, x3 + dx, y3 + dy, x4 + dx, y4 + dy);
  }
}

void TDrawingPlane::DrawRect(int kind, int x1, int y1, int x2, int y2) {
  // Nested frames: the insets (negative: outsets) of each kind.
  static constexpr int kInsets[5][4] = {{}, {0}, {0, 1}, {-1, 0, 1}, {-1, 0, 1, 2}};
  static constexpr int kCounts[5] = {0, 1, 2, 3, 4};
  ui::Canvas& canvas = PaintCanvas();
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  if (kind < 1 || kind > 4) return;
  TThinPen thin(canvas);
  for (int i = 0; i < kCounts[kind]; ++i) {
    const int d = kInsets[kind][i];
    canvas.Rectangle(x1 + d, y1 + d, x2 - d, y2 - d);
  }
}

void TDrawingPlane::DrawPolyline(int kind, int last) {
  if (last < 0) return;
  DrawPolylineRange(kind, 0, std::min(static_cast<size_t>(last) + 1, Points.size()));
}

void TDrawingPlane::DrawBrokenPolyline(int kind, int last) {
  if (last < 0) return;
  const size_t count = std::min(static_cast<size_t>(last) + 1, Points.size());
  const auto gap = [this](size_t j) { return j < PointGaps.size() && PointGaps[j] != 0; };
  size_t j = 0;
  while (j < count) {
    while (j < count && gap(j)) ++j;
    const size_t first = j;
    while (j < count && !gap(j)) ++j;
    // A lone point between two gaps has no segment to draw.
    if (j - first >= 2) DrawPolylineRange(kind, first, j - first);
  }
}

void TDrawingPlane::DrawPolylineRange(int kind, size_t first, size_t count) {
  const TOffsets offsets = OffsetsOf(kind);
  if (offsets.Count == 0 || count == 0 || first + count > Points.size()) return;
  const ui::Point* points = Points.data() + first;
  ui::Canvas& canvas = PaintCanvas();
  TThinPen thin(canvas);
  if (kind == 1) {
    canvas.Polyline(points, count);
    return;
  }
  // One walk over the points draws every shifted copy.
  ui::Point shifts[std::size(kKind4)];
  for (int i = 0; i < offsets.Count; ++i) shifts[i] = ui::Point(offsets.Items[i].Dx, offsets.Items[i].Dy);
  canvas.ShiftedPolylines(points, count, shifts, static_cast<size_t>(offsets.Count));
}

ui::Rect TDrawingPlane::DrawTextBox(int x, int y, bool /*hover*/, const std::string& text) {
  ui::Canvas& canvas = PaintCanvas();
  ui::Font font = canvas.GetFont();
  font.Bold = font.Italic = font.Underline = false;
  canvas.SetFont(font);
  const int d = std::max(1, (LineHeight - canvas.TextHeight("H")) / 2);
  canvas.TextOut(x, y + d, text);
  return ui::Rect(x, y, x + canvas.TextWidth(text), y + LineHeight);
}

// ---- Point mapping ------------------------------------------------------------------------------

ui::Point TDrawingPlane::CircularPoint(const TMeasurement& trace, const TComplex& z) const {
  const int w = PlotRect.Width();
  const int h = PlotRect.Height();
  const int r = std::min(w, h) / 2;
  const int cx = PlotRect.Left + w / 2;
  const int cy = PlotRect.Top + h / 2;
  const double f = trace.GetFullScale();
  const int dx = std::clamp(TruncSat(z.Re / f * r), -r, r);
  const int dy = std::clamp(TruncSat(z.Im / f * r), -r, r);
  return ui::Point(cx + dx, cy - dy);
}

ui::Point TDrawingPlane::TracePoint(const TMeasurement& trace, int j) const {
  if (IsCircularFormat(trace.TraceFormat)) return CircularPoint(trace, trace.GetDisplayPoint(j));
  const int n = trace.GetPointCount();
  int x;
  if (n > 0 && trace.GetPointStimulus(n - 1) - trace.GetPointStimulus(0) > 0) {
    x = StimulusToX(trace, trace.GetPointStimulus(j));
  } else if (n > 1) {
    // Zero span: the points spread evenly over the plot.
    x = TruncSat(static_cast<double>(PlotRect.Width()) * j / (n - 1) + PlotRect.Left);
  } else {
    x = PlotRect.Left;
  }
  return ui::Point(x, ValueToY(trace, trace.GetDisplayValue(j)));
}

bool TDrawingPlane::HasPointValue(const TMeasurement& trace, int j) {
  if (IsCircularFormat(trace.TraceFormat)) return !NoValue(trace.GetDisplayPoint(j));
  return !NoValue(trace.GetDisplayValue(j));
}

void TDrawingPlane::FailMark(int x, int y) {
  ui::Canvas& canvas = PaintCanvas();
  canvas.SetPenColor(ViewProperties->GetLimitColor());
  const int w = DataWidth;
  DrawRect(DataWidth, x - w, y - w, x + w + 2, y + w + 2);
}

void TDrawingPlane::FailMarkAt(const TMeasurement& trace, double stimulus) {
  const double v = trace.GetValueAtStimulus(stimulus);
  if (NoValue(v)) return;
  FailMark(StimulusToX(trace, stimulus), ValueToY(trace, v));
}

// ---- Data trace ---------------------------------------------------------------------------------

void TDrawingPlane::DrawTrace(TMeasurement& trace) {
  ui::Canvas& canvas = PaintCanvas();
  const TViewProperties& look = *ViewProperties;
  const TColor color = look.GetMainColor(trace.TraceIndex);
  const int n = trace.GetPointCount();
  const bool circular = IsCircularFormat(trace.TraceFormat);

  Points.resize(static_cast<size_t>(std::max(n, 2)));
  PointGaps.assign(Points.size(), 0);
  bool gaps = false;
  if (n >= 2) {
    if (circular) {
      for (int j = 0; j < n; ++j) {
        const TComplex z = trace.GetDisplayPoint(j);
        Points[static_cast<size_t>(j)] = CircularPoint(trace, z);
        if (NoValue(z)) PointGaps[static_cast<size_t>(j)] = 1, gaps = true;
      }
    } else {
      // The mapping of every point, with the scale read once.
      const double f0 = trace.GetPointStimulus(0);
      const double f1 = trace.GetPointStimulus(n - 1);
      const bool spread = !(f1 - f0 > 0);
      const double top = trace.GetTopValue();
      const double scale = (PlotRect.Height() - DataWidth) / trace.GetFullScale();
      const int yOffset = DataWidth / 4 + PlotRect.Top;
      const int* xs = spread ? nullptr : XPixels(trace).data();
      for (int j = 0; j < n; ++j) {
        const int x = spread ? TruncSat(static_cast<double>(PlotRect.Width()) * j / (n - 1) + PlotRect.Left)
                             : xs[j];
        const double v = trace.GetDisplayValue(j);
        const int y = std::clamp(TruncSat((top - v) * scale + 0.5) + yOffset, PlotRect.Top - 1, PlotRect.Bottom + 1);
        Points[static_cast<size_t>(j)] = ui::Point(x, y);
        if (NoValue(v)) PointGaps[static_cast<size_t>(j)] = 1, gaps = true;
      }
    }
  } else if (n == 1) {
    const int y0 = ValueToY(trace, trace.GetDisplayValue(0));
    Points[0] = ui::Point(PlotRect.Left, y0);
    Points[1] = ui::Point(PlotRect.Right, y0);
    if (!HasPointValue(trace, 0)) PointGaps[0] = PointGaps[1] = 1, gaps = true;
  }

  canvas.SetPen(ui::Pen{color, DataWidth, ui::PenStyle::Solid});
  const int last = n >= 2 ? n - 1 : (n == 1 ? 1 : -1);
  if (gaps) {
    DrawBrokenPolyline(DataWidth, last);
  } else {
    DrawPolyline(DataWidth, last);
  }

  // The trace number at the right edge: inverted for the active trace.
  const bool active = IsActiveTrace(trace);
  const TColor background = look.GetUndegroundColor();
  ui::Font font = canvas.GetFont();
  font.Color = active ? background : color;
  canvas.SetFont(font);
  canvas.SetBrush(ui::Brush{active ? color : background, ui::BrushStyle::Solid});
  const int x = PlotRect.Right + canvas.TextWidth("H") + 1;
  int y;
  if (circular) {
    y = PlotRect.Top + LineHeight * trace.TraceIndex - LineHeight / 2;
  } else if (n >= 2) {
    y = Points[static_cast<size_t>(n - 1)].y() - LineHeight / 2;
  } else if (n == 1) {
    y = Points[1].y() - LineHeight / 2;
  } else {
    y = PlotRect.Top;
  }
  canvas.TextOut(x, y, IntToText(trace.TraceIndex + 1));

  DrawTitleRow(trace);

  // Reference-position marks on both sides of the plot.
  canvas.SetPen(ui::Pen{color, DataWidth, ui::PenStyle::Solid});
  const int divisions = std::max(1, View->GetDivisions());
  const int64_t ref = trace.GetRefPosition();
  const int ry = static_cast<int>(std::clamp<int64_t>(ref * PlotRect.Height() / divisions, -(1 << 29), 1 << 29)) +
                 PlotRect.Top;
  const int a = LineHeight / 2;
  int x0 = PlotRect.Left - 2;
  DrawLine(1, x0, ry, x0 - a, ry + a);
  DrawLine(1, x0 - a, ry + a, x0 - a, ry - a);
  DrawLine(1, x0 - a, ry - a, x0, ry);
  trace.TitleHotAreas[5].Rect = TScreenRect{x0 - a, ry - a, x0, ry + a};
  x0 = PlotRect.Right + 1;
  DrawLine(1, x0, ry, x0 + a, ry + a);
  DrawLine(1, x0 + a, ry + a, x0 + a, ry - a);
  DrawLine(1, x0 + a, ry - a, x0, ry);
  trace.TitleHotAreas[6].Rect = TScreenRect{x0, ry - a, x0 + a, ry + a};
}

void TDrawingPlane::DrawMemoryTraces(const TMeasurement& trace) {
  if (!trace.Memories) return;
  ui::Canvas& canvas = PaintCanvas();
  const TColor aux = ViewProperties->GetAuxColor(trace.TraceIndex);
  const bool circular = IsCircularFormat(trace.TraceFormat);
  const int memories = trace.Memories->GetCount();
  for (int i = 0; i < memories; ++i) {
    const TMemoryTrace* memory = trace.Memories->GetMemory(i);
    if (!memory || !memory->IsCompatible()) continue;
    const int n = memory->GetPointCount();
    Points.resize(static_cast<size_t>(std::max(n, 2)));
    PointGaps.assign(Points.size(), 0);
    bool gaps = false;
    if (circular) {
      for (int j = 0; j < n; ++j) {
        const TComplex z = memory->GetDisplayPoint(j);
        Points[static_cast<size_t>(j)] = CircularPoint(trace, z);
        if (NoValue(z)) PointGaps[static_cast<size_t>(j)] = 1, gaps = true;
      }
    } else {
      // ValueToY with the scale read once.
      const double top = trace.GetTopValue();
      const double scale = (PlotRect.Height() - DataWidth) / trace.GetFullScale();
      const int yOffset = DataWidth / 4 + PlotRect.Top;
      const int* xs = XPixels(trace, *memory).data();
      for (int j = 0; j < n; ++j) {
        const double v = memory->GetDisplayValue(j);
        const int y = std::clamp(TruncSat((top - v) * scale + 0.5) + yOffset, PlotRect.Top - 1, PlotRect.Bottom + 1);
        Points[static_cast<size_t>(j)] = ui::Point(xs[j], y);
        if (NoValue(v)) PointGaps[static_cast<size_t>(j)] = 1, gaps = true;
      }
    }
    canvas.SetPen(ui::Pen{FadeColor(aux, i), MemoryWidth, ui::PenStyle::Solid});
    if (n > 0) {
      if (gaps) {
        DrawBrokenPolyline(MemoryWidth, n - 1);
      } else {
        DrawPolyline(MemoryWidth, n - 1);
      }
    }
    if (trace.GetPointCount() == 1 && n > 0 && !NoValue(memory->GetDisplayValue(0))) {
      const int y = ValueToY(trace, memory->GetDisplayValue(0));
      Points[0] = ui::Point(PlotRect.Left, y);
      Points[1] = ui::Point(PlotRect.Right, y);
      DrawPolyline(MemoryWidth, 1);
    }
  }
}

// ---- Limit and ripple lines -----------------------------------------------------------------------

std::optional<TDrawingPlane::TTestLineFrame> TDrawingPlane::BeginTestLine(const TMeasurement& trace, bool shown) {
  const int n = trace.GetPointCount();
  if (!shown || n <= 0 || IsCircularFormat(trace.TraceFormat)) return std::nullopt;
  PaintCanvas().SetPen(ui::Pen{ViewProperties->GetAuxColor(trace.TraceIndex), DataWidth, ui::PenStyle::Solid});
  const int d = std::max(1, CharWidth - 1);
  return TTestLineFrame{trace.GetPointStimulus(0), trace.GetPointStimulus(n - 1), d, TickBound(PlotRect, d)};
}

void TDrawingPlane::DrawLimitLine(const TMeasurement& trace) {
  const TLimitLine* line = trace.LimitLine;
  if (!trace.LimitTest || !line || line->GetSegmentCount() == 0) return;
  if (const std::optional<TTestLineFrame> frame = BeginTestLine(trace, trace.ShowLimit)) {
    const auto [s0, s1, d, maxTicks] = *frame;
    const double top = PlotRect.Top - 1;
    const double bottom = PlotRect.Bottom + 1;
    for (int i = 0; i < line->GetSegmentCount(); ++i) {
      const int type = line->GetLimitType(i);
      if (type == TLimitLine::kLimitOff) continue;
      const double ba = line->GetAbsBegArgument(i);
      const double ea = line->GetAbsEndArgument(i);
      if (ea < s0 || ba > s1 || NearlyEqual(ba, ea)) continue;
      const double r = (line->GetAbsEndValue(i) - line->GetAbsBegValue(i)) / (ea - ba);
      const double c = line->GetAbsBegValue(i) - ba * r;
      const double xa = std::max(ba, s0);
      const double xb = std::min(ea, s1);
      const double pxa = StimulusToX(trace, xa);
      const double pxb = StimulusToX(trace, xb);
      if (pxa == pxb) continue;
      double pya = ValueToYUnclamped(trace, xa * r + c);
      double pyb = ValueToYUnclamped(trace, xb * r + c);

      // The ends move along the line when the values leave the plot, keeping its slope.
      const double angle = std::atan2(pyb - pya, pxb - pxa);
      const double r2 = (pyb - pya) / (pxb - pxa);
      const double c2 = pya - pxa * r2;
      pya = std::clamp(pya, top, bottom);
      pyb = std::clamp(pyb, top, bottom);
      int xs = static_cast<int>(pxa);
      int xe = static_cast<int>(pxb);
      if (!NearlyZero(r2)) {
        xs = TruncSat((pya - c2) / r2);
        xe = TruncSat((pyb - c2) / r2);
        if (xs > xe) std::swap(xs, xe);
        // Saturated pixel values can put the ends far off; they never leave the clipped segment.
        const int lo = static_cast<int>(std::min(pxa, pxb));
        const int hi = static_cast<int>(std::max(pxa, pxb));
        xs = std::clamp(xs, lo, hi);
        xe = std::clamp(xe, lo, hi);
      }
      const int ya = static_cast<int>(pya);
      const int yb = static_cast<int>(pyb);
      DrawLine(DataWidth, xs, ya, xe, yb);

      // Ticks on the side where values fail: below a lower limit, above an upper one.
      const double cs = std::cos(angle);
      const double sn = std::sin(angle);
      // Ticks along the drawn line only: its length, not (xe - xs) / cos, which whole-pixel ends
      // stretch far beyond the line when it stands nearly upright.
      const double span = cs > 0 ? std::hypot(xe - xs, yb - ya) : -1.0;
      int ticks = 0;
      for (double t = 0; t <= span && ticks < maxTicks; t += d, ++ticks) {
        const int fx = TruncSat(cs * t + xs + 0.5);
        const int fy = TruncSat(sn * t + ya + 0.5);
        int tx, ty;
        if (type == TLimitLine::kLimitLower) {
          tx = TruncSat(fx - sn * d + 0.5);
          ty = TruncSat(fy + cs * d + 0.5);
        } else {
          tx = TruncSat(fx + sn * d + 0.5);
          ty = TruncSat(fy - cs * d + 0.5);
        }
        DrawLine(DataWidth, fx, fy, tx, ty);
      }
    }
  }
  DrawLimitFails(trace);
}

void TDrawingPlane::DrawLimitFails(const TMeasurement& trace) {
  const TLimitLine* line = trace.LimitTest ? trace.LimitLine : nullptr;
  if (!line) return;
  const int n = trace.GetPointCount();
  for (const TLimitFailRun& run : line->GetFailRuns()) {
    const int first = std::max(0, run.First);
    const int last = std::min(n - 1, run.Last);
    for (int j = first; j <= last; ++j) {
      // A point without a value has no place on the plot to mark.
      if (!HasPointValue(trace, j)) continue;
      const ui::Point p = TracePoint(trace, j);
      FailMark(p.x(), p.y());
    }
  }
  ForEachFailedBound(*line, &TLimitLine::GetAbsBegArgument, &TLimitLine::GetAbsEndArgument,
                     [&](double stimulus) { FailMarkAt(trace, stimulus); });
}

void TDrawingPlane::DrawRippleLine(const TMeasurement& trace) {
  const TRippleLine* line = trace.RippleLine;
  if (!trace.RippleTest || !line || line->GetSegmentCount() == 0) return;
  if (const std::optional<TTestLineFrame> frame = BeginTestLine(trace, trace.ShowRippleLimit)) {
    const auto [s0, s1, d, maxTicks] = *frame;
    for (int i = 0; i < line->GetSegmentCount(); ++i) {
      if (line->GetRippleType(i) == 0) continue;
      const double ba = line->GetBegArgument(i);
      const double ea = line->GetEndArgument(i);
      if (ea < s0 || ba > s1 || NearlyEqual(ba, ea)) continue;
      const int pxa = StimulusToX(trace, std::max(ba, s0));
      const int pxb = StimulusToX(trace, std::min(ea, s1));
      if (pxa == pxb) continue;
      const double mean = line->GetMean(i);
      const double limit = line->GetRippleLimit(i);
      const int yu = std::clamp(ValueToYUnclamped(trace, mean + limit * 0.5), PlotRect.Top - 1, PlotRect.Bottom + 1);
      const int yl = std::clamp(ValueToYUnclamped(trace, mean - limit * 0.5), PlotRect.Top - 1, PlotRect.Bottom + 1);
      DrawLine(DataWidth, pxa, yu, pxb, yu);
      DrawLine(DataWidth, pxa, yl, pxb, yl);
      int ticks = 0;
      for (int t = 0; t <= pxb - pxa && ticks < maxTicks; t += d, ++ticks) {
        const int x = pxa + t;
        DrawLine(DataWidth, x, yu, x, yu - d);
        DrawLine(DataWidth, x, yl, x, yl + d);
      }
    }
  }
  DrawRippleFails(trace);
}

void TDrawingPlane::DrawRippleFails(const TMeasurement& trace) {
  const TRippleLine* line = trace.RippleTest ? trace.RippleLine : nullptr;
  if (!line) return;
  const int n = trace.GetPointCount();
  for (int j : line->GetFailedPoints()) {
    if (j < 0 || j >= n || !HasPointValue(trace, j)) continue;
    const ui::Point p = TracePoint(trace, j);
    FailMark(p.x(), p.y());
  }
  ForEachFailedBound(*line, &TRippleLine::GetBegArgument, &TRippleLine::GetEndArgument,
                     [&](double stimulus) { FailMarkAt(trace, stimulus); });
}

void TDrawingPlane::DrawLimitLegend() {
  TMeasureList* list = Traces();
  if (!list) return;
  bool passed = true;
  bool shown = false;
  for (int i = 0; i < list->GetCount(); ++i) {
    const TMeasurement* trace = list->GetMeasurement(i);
    const bool limit = trace->LimitTest && trace->LimitLine && trace->LimitLine->GetSegmentCount() > 0;
    const bool ripple = trace->RippleTest && trace->RippleLine && trace->RippleLine->GetSegmentCount() > 0;
    if (!limit && !ripple) continue;
    if (trace->ShowFailSign || trace->ShowRippleFailSign) shown = true;
    const bool limitPassed = !trace->LimitLine || trace->LimitLine->IsPassed();
    const bool ripplePassed = !trace->RippleLine || trace->RippleLine->IsPassed();
    if (!limitPassed || !ripplePassed) passed = false;
  }
  if (!shown) return;
  const TViewProperties& look = *ViewProperties;
  ui::Canvas& canvas = PaintCanvas();
  const ui::Font saved = canvas.GetFont();
  ui::Font big = saved;
  big.Size = 4 * look.GetFontSize();
  big.Color = passed ? look.GetLimitPassColor() : look.GetLimitColor();
  canvas.SetFont(big);
  const std::string& text = ChartLabelWords[passed ? cwPass : cwFail];
  const int x = (PlotRect.Left + PlotRect.Right - canvas.TextWidth(text)) / 2;
  const int y = (PlotRect.Top + PlotRect.Bottom - canvas.TextHeight("H")) / 2;
  canvas.TextOut(x, y, text);
  ui::Font back = big;
  back.Size = look.GetFontSize();
  canvas.SetFont(back);
}
