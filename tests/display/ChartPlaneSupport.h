#pragma once
// Helpers of the chart's layout, axis, rendering and trace tests on top of the chart rig: sweep
// changes, limit segments, the grid-coloured lines of a recorded paint, and pictures painted
// with the fixed test metrics and kept as PNG files in the build folder.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"
#include "tests/display/ChartLabelRig.h"
#include "traces/LimitLine.h"
#include "traces/RippleLine.h"

namespace chartplane {

using chartlabels::ChartRig;
using Call = ui::RecordingCanvas::Call;
using Op = ui::RecordingCanvas::Op;

// The channel swept anew (mode 0 linear, 1 logarithmic), every trace resized and recalculated.
inline void ApplySweep(ChartRig& rig, int mode, int points, double start, double stop) {
  TRangeSettings settings;
  TSegments segments;
  rig.view.range->GetSettings(settings, segments);
  settings.SweepMode = mode;
  settings.NPoints = points;
  settings.MinFrequency = start;
  settings.MaxFrequency = stop;
  rig.view.range->ApplySettings(segments, settings);
  for (int i = 0; i < rig.view.list.GetCount(); ++i) {
    rig.view.list.GetMeasurement(i)->ResizeToChannel();
    rig.view.list.GetMeasurement(i)->Recalculate();
  }
}

// Appends a limit segment of the given type (1 lower, 2 upper).
inline void AddLimitSegment(TLimitLine& line, double beg, double end, double begValue, double endValue, int type) {
  const int i = line.GetSegmentCount();
  line.InsertSegment(i);
  const int k = line.GetSegmentCount() - 1;
  line.SetBegArgument(k, beg);
  line.SetEndArgument(k, end);
  line.SetBegValue(k, begValue);
  line.SetEndValue(k, endValue);
  line.SetLimitType(k, type);
}

// Two-point polylines of one pen colour, as the line primitives leave them.
inline std::vector<Call> LinesOf(const ui::RecordingCanvas& canvas, ui::TColor color) {
  std::vector<Call> out;
  for (const Call& c : canvas.Calls())
    if (c.op == Op::Polyline && c.points.size() == 2 && c.pen.Color == color) out.push_back(c);
  return out;
}

inline bool IsVertical(const Call& c) { return c.points[0].x() == c.points[1].x(); }
inline bool IsHorizontal(const Call& c) { return c.points[0].y() == c.points[1].y(); }

// A picture of the chart drawn with the fixed test metrics, kept as name.png.
class Picture {
 public:
  Picture(ChartRig& rig, const std::string& name, int width = 451, int height = 304) : canvas_(width, height) {
    canvas_.SetMetrics(&rig.metrics);
    rig.chart->Paint(canvas_);
    canvas_.Flush();
    canvas_.Image().save(QString::fromStdString(std::string(TERVAN_BINARY_DIR) + "/" + name + ".png"));
  }
  ui::TColor At(int x, int y) const { return canvas_.Pixel(x, y); }
  // Whether a pixel of the colour lies within d pixels (square) of (x, y).
  bool Near(double x, double y, ui::TColor color, int d = 1) const {
    const int cx = static_cast<int>(std::lround(x));
    const int cy = static_cast<int>(std::lround(y));
    for (int yy = cy - d; yy <= cy + d; ++yy)
      for (int xx = cx - d; xx <= cx + d; ++xx)
        if (canvas_.Pixel(xx, yy) == color) return true;
    return false;
  }
  int Count(const ui::Rect& r, ui::TColor color) const {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (canvas_.Pixel(x, y) == color) ++n;
    return n;
  }
  ui::ImageCanvas& Canvas() { return canvas_; }

 private:
  ui::ImageCanvas canvas_;
};

// Centre and radius of the circular plot.
struct Circle {
  explicit Circle(const ui::Rect& plot)
      : r(std::min(plot.Width(), plot.Height()) / 2), cx(plot.Left + plot.Width() / 2), cy(plot.Top + plot.Height() / 2) {}
  int r;
  int cx;
  int cy;
};

}  // namespace chartplane
