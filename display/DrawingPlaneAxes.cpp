// Pixel mappings, the rectangular, Smith and polar grids and the response-axis labels.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/FormatMath.h"
#include "traces/Measurement.h"
#include "traces/MemoryTrace.h"

namespace {

// The sweep mode the stimulus axis follows: the channel's, except that a time-domain axis is
// always linear.
int AxisSweepMode(const TMeasurement& trace, const TRange* range) {
  if (trace.IsTransformActive()) return TRange::Lin;
  return range ? range->SweepMode : TRange::Lin;
}

// Grid loops never run longer than this, whatever the numbers.
constexpr int kMaxGridLines = 10000;

// A full scale usable as a divisor of the circular grids: at least 0.001, and 0.001 when it
// is no number at all.
double CircularFullScale(double f) {
  if (!std::isfinite(f)) return 0.001;
  return std::max(f, 0.001);
}

}  // namespace

TDrawingPlane::TAxis TDrawingPlane::MakeAxis(const TMeasurement& trace) const {
  TAxis axis;
  axis.Trace = &trace;
  const int n = trace.GetPointCount();
  if (n <= 0) return axis;
  axis.Empty = false;
  axis.F0 = trace.GetPointStimulus(0);
  axis.F1 = trace.GetPointStimulus(n - 1);
  axis.Mode = AxisSweepMode(trace, Range);
  const double w = PlotRect.Width();
  if (axis.Mode == TRange::Lin || axis.Mode == TRange::Segm) {
    axis.Scale = NearlyEqual(axis.F1, axis.F0) ? 0.0 : w / (axis.F1 - axis.F0);
  } else if (axis.Mode == TRange::Log) {
    axis.Scale = (axis.F0 == 0.0 || NearlyEqual(axis.F1, axis.F0)) ? 0.0 : w / std::log10(axis.F1 / axis.F0);
  }
  return axis;
}

const TDrawingPlane::TAxis& TDrawingPlane::Axis(const TMeasurement& trace) const {
  if (!axisKept_ || axis_.Trace != &trace) axis_ = MakeAxis(trace);
  return axis_;
}

int TDrawingPlane::StimulusToX(const TMeasurement& trace, double v) const {
  const TAxis& axis = Axis(trace);
  if (axis.Empty) return PlotRect.Left;
  switch (axis.Mode) {
    case TRange::Lin:
    case TRange::Segm:
      if (v <= axis.F0) return PlotRect.Left;
      if (v > axis.F1) return PlotRect.Right;
      return PlotRect.Left + TruncSat((v - axis.F0) * axis.Scale + 0.5);
    case TRange::Log:
      if (v <= axis.F0) return PlotRect.Left;
      if (v > axis.F1) return PlotRect.Right;
      return PlotRect.Left + TruncSat(std::log10(v / axis.F0) * axis.Scale + 0.5);
    default:
      return PlotRect.Left;
  }
}

const std::vector<int>& TDrawingPlane::XPixels(const TMeasurement& trace) {
  const int n = std::max(trace.GetPointCount(), 0);
  TStimulusKey key;
  key.Range = trace.Range;
  key.Count = n;
  key.GroupDelay = trace.TraceFormat == fmtGroupDelay;
  key.Transform = trace.IsTransformActive();
  if (key.Transform) {
    key.TimeStart = trace.GetTimeAxisStart();
    key.TimeStop = trace.GetTimeAxisStop();
    key.TimeCount = trace.TimeData.size();
  }
  // Within a paint (the axis is kept only then) a trace over the same stimuli as the last trace
  // takes its list; the axis of the two is then the same as well.
  if (axisKept_ && paintStimulusKept_ && key == paintStimulusKey_ && paintStimulusPlot_ == PlotRect) {
    return paintStimulusX_;
  }
  stimulusScratch_.resize(static_cast<size_t>(n));
  for (int j = 0; j < n; ++j) stimulusScratch_[static_cast<size_t>(j)] = trace.GetPointStimulus(j);
  paintStimulusX_ = XPixelsOfScratch(trace);
  paintStimulusKey_ = key;
  paintStimulusPlot_ = PlotRect;
  paintStimulusKept_ = axisKept_;
  return paintStimulusX_;
}

const std::vector<int>& TDrawingPlane::XPixels(const TMeasurement& trace, const TMemoryTrace& memory) {
  const int n = std::max(memory.GetPointCount(), 0);
  stimulusScratch_.resize(static_cast<size_t>(n));
  for (int j = 0; j < n; ++j) stimulusScratch_[static_cast<size_t>(j)] = memory.GetPointStimulus(j);
  return XPixelsOfScratch(trace);
}

const std::vector<int>& TDrawingPlane::XPixelsOfScratch(const TMeasurement& trace) {
  const TAxis& axis = Axis(trace);
  const std::vector<double>& s = stimulusScratch_;
  // Same bits, same pixels: the stimuli are compared as stored, so a NaN matches itself.
  auto sameAs = [&](const TXPixels& kept) {
    return kept.Plot == PlotRect && kept.Empty == axis.Empty && kept.Mode == axis.Mode &&
           std::memcmp(&kept.F0, &axis.F0, sizeof(double)) == 0 && std::memcmp(&kept.F1, &axis.F1, sizeof(double)) == 0 &&
           std::memcmp(&kept.Scale, &axis.Scale, sizeof(double)) == 0 && kept.Stimulus.size() == s.size() &&
           (s.empty() || std::memcmp(kept.Stimulus.data(), s.data(), s.size() * sizeof(double)) == 0);
  };
  for (size_t i = xPixels_.size(); i-- > 0;) {
    if (!sameAs(xPixels_[i])) continue;
    if (i + 1 != xPixels_.size()) std::rotate(xPixels_.begin() + static_cast<std::ptrdiff_t>(i),
                                              xPixels_.begin() + static_cast<std::ptrdiff_t>(i) + 1, xPixels_.end());
    return xPixels_.back().X;
  }
  if (xPixels_.size() >= kXPixelLists) xPixels_.erase(xPixels_.begin());
  TXPixels& fresh = xPixels_.emplace_back();
  fresh.Plot = PlotRect;
  fresh.Empty = axis.Empty;
  fresh.Mode = axis.Mode;
  fresh.F0 = axis.F0;
  fresh.F1 = axis.F1;
  fresh.Scale = axis.Scale;
  fresh.Stimulus = s;
  fresh.X.resize(s.size());
  for (size_t j = 0; j < s.size(); ++j) fresh.X[j] = StimulusToX(trace, s[j]);
  return fresh.X;
}

int TDrawingPlane::ValueToYUnclamped(const TMeasurement& trace, double v) const {
  const double t = trace.GetTopValue();
  const double f = trace.GetFullScale();
  const double h = PlotRect.Height() - DataWidth;
  return TruncSat((t - v) * (h / f) + 0.5) + DataWidth / 4 + PlotRect.Top;
}

int TDrawingPlane::ValueToY(const TMeasurement& trace, double v) const {
  return std::clamp(ValueToYUnclamped(trace, v), PlotRect.Top - 1, PlotRect.Bottom + 1);
}

double TDrawingPlane::GridStep(double f1, double f0) {
  const double c = std::fabs(f1 - f0);
  if (!std::isfinite(c) || NearlyZero(c)) return 0.0;
  const double p = std::pow(10.0, std::trunc(std::floor(std::log10(c))));
  const double d = c / p;
  if (d <= 1) return 0.1 * p;
  if (d <= 2) return 0.2 * p;
  if (d <= 5) return 0.5 * p;
  return p;
}

double TDrawingPlane::RoundUpToMultiple(double step, double value) { return step * std::ceil(value / step); }

bool TDrawingPlane::IsInsideCircle(int px, int py, int cx, int cy, int r) {
  const int64_t dx = int64_t{px} - cx;
  const int64_t dy = int64_t{py} - cy;
  return dx * dx + dy * dy < int64_t{r} * r;
}

bool TDrawingPlane::DrawCartesianGrid(const TMeasurement& trace) {
  if (IsCircularFormat(trace.TraceFormat)) return false;
  ui::Canvas& canvas = PaintCanvas();
  canvas.SetPen(ui::Pen{ViewProperties->GetGridColor(), GridWidth, ui::PenStyle::Solid});
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  const int k = GridWidth;
  const int divisions = std::max(1, View->GetDivisions());
  const int64_t h = PlotRect.Height();
  for (int i = 1; i < divisions; ++i) {
    const int y = static_cast<int>(i * h / divisions) + PlotRect.Top;
    DrawLine(k, PlotRect.Left, y, PlotRect.Right, y);
  }

  const int n = trace.GetPointCount();
  if (n <= 0) return true;
  const double f0 = trace.GetPointStimulus(0);
  const double f1 = trace.GetPointStimulus(n - 1);
  switch (AxisSweepMode(trace, Range)) {
    case TRange::Lin:
    case TRange::Segm: {
      const double s = GridStep(f1, f0);
      if (s == 0.0) break;
      // Counted in doubles: far from zero the multiples of s may not be representable as ints.
      const double first = std::floor(f0 / s) + 1;
      const double end = std::ceil(f1 / s);
      int lines = 0;
      for (double i = first; i < end && lines < kMaxGridLines; i += 1, ++lines) {
        const int x = StimulusToX(trace, i * s);
        DrawLine(k, x, PlotRect.Bottom, x, PlotRect.Top);
      }
      break;
    }
    case TRange::Log: {
      // log10 of zero or a negative start has no decades to mark.
      if (!(f0 > 0) || !std::isfinite(f0) || !std::isfinite(f1)) break;
      double e = std::pow(10.0, std::floor(std::log10(f0)));
      double f = RoundUpToMultiple(e, f0);
      for (int lines = 0; f < f1 && lines < kMaxGridLines; ++lines) {
        const int x = StimulusToX(trace, f);
        DrawLine(k, x, PlotRect.Bottom, x, PlotRect.Top);
        f += e;
        e = std::pow(10.0, std::floor(std::log10(f) + 1e-6));
      }
      break;
    }
    default:
      break;
  }
  return true;
}

void TDrawingPlane::DrawScaleLabels(const TMeasurement& trace) {
  if (IsCircularFormat(trace.TraceFormat)) return;
  ui::Canvas& canvas = PaintCanvas();
  const TViewProperties& look = *ViewProperties;
  canvas.SetBrush(ui::Brush{look.GetUndegroundColor(), ui::BrushStyle::Solid});
  ui::Font font = canvas.GetFont();
  font.Color = look.GetFontColor();
  canvas.SetFont(font);
  const double t = trace.GetTopValue();
  const double s = trace.GetScaleDiv();
  const int h = canvas.TextHeight("H");
  const int divisions = std::max(1, View->GetDivisions());
  const int64_t height = PlotRect.Height();
  ScaleLabelWidth = 0;
  for (int i = 0; i <= divisions; ++i) {
    const std::string text = FormatFloat("###0.0##", t - i * s);
    int y;
    if (i == 0) {
      y = PlotRect.Top + 1;
    } else if (i == divisions) {
      y = PlotRect.Bottom - (h + 1);
    } else {
      y = TruncSat(static_cast<double>(i * height / divisions + PlotRect.Top) - (h + 1) * 0.5);
    }
    canvas.TextOut(PlotRect.Left + 1, y, text);
    ScaleLabelWidth = std::max(ScaleLabelWidth, canvas.TextWidth(text));
  }
  ScaleLabelWidth += 1;
}

TDrawingPlane::TCircleGrid TDrawingPlane::BeginCircleGrid(const TMeasurement& trace) {
  ui::Canvas& canvas = PaintCanvas();
  canvas.SetPen(ui::Pen{ViewProperties->GetGridColor(), GridWidth, ui::PenStyle::Solid});
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  const int w = PlotRect.Width();
  const int h = PlotRect.Height();
  return {PlotRect.Left + w / 2, PlotRect.Top + h / 2, std::min(w, h) / 2, CircularFullScale(trace.GetFullScale())};
}

void TDrawingPlane::DrawSmithGrid(const TMeasurement& trace) {
  if (!IsSmithFormat(trace.TraceFormat)) return;
  const int k = GridWidth;
  const auto [cx, cy, r, f] = BeginCircleGrid(trace);
  const double r1 = r / f;
  const double s = trace.TraceFormat == 12 ? -1.0 : 1.0;
  const double xo = cx + s * r1;

  DrawClippedLine(TruncSat(xo), cy - r, TruncSat(xo), cy + r, cx, cy, r);

  static constexpr double kResistance[] = {1.0, 0.5, 1.0 / 3, 1.0 / 6, 0.0, -1.0 / 6, -1.0 / 3};
  for (double v : kResistance) {
    const double cw = r * v + 0.5 * r1;
    if (r / 6 > cw) continue;
    const double a = cx - 2 * v * r * s;
    DrawClippedCircle(TruncSat(a + s * cw), cy, TruncSat(cw), cx, cy, r);
    if (f > 1) DrawClippedCircle(TruncSat(xo + s * cw), cy, TruncSat(cw), cx, cy, r);
  }

  const double pi = std::acos(-1.0);
  for (int j = 1; j <= 5; ++j) {
    const double theta = pi / 2 - j * pi / 6;
    const double q = std::sin(theta) + 1 / f;
    double rho = r * (0.5 * std::cos(theta) + q * q / (2 * std::cos(theta)));
    // Empirical radii that keep the outer arcs readable at large full scales.
    if (j == 4) {
      if (f > 2) {
        rho = (7 / ((f - 2.92) * (f - 2.92) + 7) + 3) * r * 0.1111111;
      } else if (f < 0.3) {
        continue;
      }
    } else if (j == 5) {
      if (f > 1.45) {
        rho = (0.228866 / ((f - 1.45) * (f - 1.45) + 2) + 0.1666666) * r;
      } else if (f < 0.6) {
        continue;
      }
    }
    DrawClippedCircle(TruncSat(xo), TruncSat(cy - rho), TruncSat(rho), cx, cy, r);
    DrawClippedCircle(TruncSat(xo), TruncSat(cy + rho), TruncSat(rho), cx, cy, r);
  }

  if (f > 1) {
    DrawClippedCircle(TruncSat(cx + 2 * s * r1), cy, TruncSat(r1), cx, cy, r);
    DrawCircle(cx, cy, TruncSat(r1));
  }
  DrawLine(k, cx - r, cy, cx + r, cy);
  DrawCircle(cx, cy, r);
}

void TDrawingPlane::DrawPolarGrid(const TMeasurement& trace) {
  if (!IsPolarFormat(trace.TraceFormat)) return;
  const int k = GridWidth;
  const auto [cx, cy, r, f] = BeginCircleGrid(trace);
  const double pi = std::acos(-1.0);

  int spokes = 4;
  for (int i = 1; i <= 3; ++i) {
    const int rho = r * i / 4;
    DrawCircle(cx, cy, rho);
    for (int m = 0; m < spokes; ++m) {
      const double alpha = (2 * pi / spokes) * (m + 0.5);
      DrawLine(k, TruncSat(std::cos(alpha) * rho + cx), TruncSat(std::sin(alpha) * rho + cy),
               TruncSat(std::cos(alpha) * r + cx), TruncSat(std::sin(alpha) * r + cy));
    }
    spokes *= 2;
  }
  DrawLine(k, cx, cy - r, cx, cy + r);
  DrawLine(k, cx - r, cy, cx + r, cy);
  const int m1 = TruncSat(r / f);
  if (r > m1) DrawCircle(cx, cy, m1);
  DrawCircle(cx, cy, r);
}

void TDrawingPlane::DrawCircle(int x, int y, int r) {
  if (r < 0) return;
  DrawArc(GridWidth, x - r, y - r, x + r + 1, y + r + 1, x - r, y, x - r, y);
}

void TDrawingPlane::DrawClippedCircle(int x, int y, int r, int cx, int cy, int R) {
  if (x == cx && y == cy && r == R) return;
  if (r <= 0 || R <= 0) return;
  // Integer geometry in 64 bits: a circle far outside the plot may have a radius near 2^30.
  const int64_t X = x, Y = y, rr = r, CX = cx, CY = cy, RR = R;
  if (X - rr > CX + RR || X + rr < CX - RR || Y - rr > CY + RR || Y + rr < CY - RR) return;
  const int64_t g = static_cast<int64_t>(RR / std::sqrt(2.0));
  if (X - rr >= CX - g && X + rr <= CX + g && Y - rr >= CY - g && Y + rr <= CY + g) {
    DrawCircle(x, y, r);
    return;
  }

  const double dx = static_cast<double>(CX - X);
  const double dy = static_cast<double>(CY - Y);
  const double d = std::sqrt(dx * dx + dy * dy);
  const double r0 = static_cast<double>(rr);
  const double r2 = static_cast<double>(RR);
  if (!(d > 0) || d >= r0 + r2 || d <= std::fabs(r0 - r2)) {
    if (d <= r2 && r < R) DrawCircle(x, y, r);
    return;
  }
  // Crossing points from the centre of (x, y, r) along the line of centres.
  const double a = (r0 * r0 - r2 * r2 + d * d) / (2 * d);
  const double hh = std::sqrt(std::max(0.0, r0 * r0 - a * a));
  const double mx = x + a * dx / d;
  const double my = y + a * dy / d;
  int px = TruncSat(mx + hh * dy / d);
  int py = TruncSat(my - hh * dx / d);
  int qx = TruncSat(mx - hh * dy / d);
  int qy = TruncSat(my + hh * dx / d);
  if (px == qx && py == qy && !IsInsideCircle(x, y, cx, cy, R)) return;
  bool exchange;
  if (std::abs(px - qx) > std::abs(py - qy)) {
    exchange = (y < cy && px > qx) || (y > cy && px < qx);
  } else {
    exchange = (x < cx && py < qy) || (x > cx && py > qy);
  }
  if (exchange) {
    std::swap(px, qx);
    std::swap(py, qy);
  }
  if (r >= 32767) {
    // Too large for the arc primitive: its chord.
    DrawLine(GridWidth, px, py, qx, qy);
  } else {
    DrawArc(GridWidth, x - r, y - r, x + r + 1, y + r + 1, px, py, qx, qy);
  }
}

void TDrawingPlane::DrawClippedLine(int x1, int y1, int x2, int y2, int cx, int cy, int R) {
  const bool in1 = IsInsideCircle(x1, y1, cx, cy, R);
  const bool in2 = IsInsideCircle(x2, y2, cx, cy, R);
  if (in1 && in2) {
    DrawLine(GridWidth, x1, y1, x2, y2);
    return;
  }
  // Crossings of the infinite line with the circle.
  const double ex = static_cast<double>(x2) - x1;
  const double ey = static_cast<double>(y2) - y1;
  const double fx = static_cast<double>(x1) - cx;
  const double fy = static_cast<double>(y1) - cy;
  const double qa = ex * ex + ey * ey;
  if (qa == 0) return;
  const double qb = 2 * (fx * ex + fy * ey);
  const double qc = fx * fx + fy * fy - static_cast<double>(R) * R;
  const double disc = qb * qb - 4 * qa * qc;
  if (!(disc > 0)) return;
  const double sq = std::sqrt(disc);
  const double t1 = (-qb - sq) / (2 * qa);
  const double t2 = (-qb + sq) / (2 * qa);
  const int i1x = TruncSat(x1 + t1 * ex), i1y = TruncSat(y1 + t1 * ey);
  const int i2x = TruncSat(x1 + t2 * ex), i2y = TruncSat(y1 + t2 * ey);
  const double len2 = qa;
  auto onSegment = [&](int px, int py) {
    const double a1 = (static_cast<double>(px) - x1) * (px - x1) + (static_cast<double>(py) - y1) * (py - y1);
    const double a2 = (static_cast<double>(px) - x2) * (px - x2) + (static_cast<double>(py) - y2) * (py - y2);
    return a1 <= len2 && a2 <= len2;
  };
  if (in1) {
    if (onSegment(i1x, i1y)) {
      DrawLine(GridWidth, x1, y1, i1x, i1y);
    } else if (onSegment(i2x, i2y)) {
      DrawLine(GridWidth, x1, y1, i2x, i2y);
    }
  } else if (in2) {
    if (onSegment(i1x, i1y)) {
      DrawLine(GridWidth, i1x, i1y, x2, y2);
    } else if (onSegment(i2x, i2y)) {
      DrawLine(GridWidth, i2x, i2y, x2, y2);
    }
  } else if (onSegment(i1x, i1y) && onSegment(i2x, i2y)) {
    DrawLine(GridWidth, i1x, i1y, i2x, i2y);
  }
}
