#pragma once
// A canvas that draws nothing and records every call with the state in force, for tests of
// layout and geometry. Text is measured by fixed metrics (12 px high, 7 px per character
// unless others are given), so positions come out in round numbers.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Canvas.h"
#include "platform/ui/FakeFontMetrics.h"

namespace ui {

class RecordingCanvas : public Canvas {
 public:
  enum class Op { Polyline, Polygon, Rectangle, Ellipse, RoundRect, FillRect, Arc, Pie, Text, Draw, StretchDraw, CopyRect, SetPixel };

  struct Call {
    Op op = Op::Polyline;
    std::vector<Point> points;  // Polyline, Polygon; Draw and SetPixel: the position
    Rect rect;                  // shapes, FillRect, Arc, Pie, StretchDraw, CopyRect (dest)
    Rect source;                // CopyRect
    int cornerW = 0;
    int cornerH = 0;
    double startDeg = 0;  // Arc, Pie: see Canvas::DoArc
    double spanDeg = 0;
    std::string text;     // Text
    int underline = -1;
    RasterOp rop = RasterOp::SrcCopy;
    std::optional<TColor> transparent;
    TColor color = 0;  // SetPixel
    Pen pen;
    Brush brush;
    ui::Font font;
    std::optional<Rect> clip;
  };

  RecordingCanvas(int width = 1000, int height = 1000, int lineHeight = 12, int charWidth = 7);

  const std::vector<Call>& Calls() const { return calls_; }
  // The calls of one kind, in order.
  std::vector<Call> CallsOf(Op op) const;
  void Clear() { calls_.clear(); }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Draw(int x, int y, const QImage& image, std::optional<TColor> transparent = std::nullopt) override;
  void StretchDraw(const Rect& dest, const QImage& image) override;
  void CopyRect(const Rect& dest, const QImage& source, const Rect& src, RasterOp op = RasterOp::SrcCopy) override;
  TColor Pixel(int x, int y) const override;
  void SetPixel(int x, int y, TColor color) override;

 protected:
  void DoPolyline(const Point* points, size_t count) override;
  void DoPolygon(const Point* points, size_t count) override;
  void DoShape(Shape shape, const Rect& r, int cornerW, int cornerH) override;
  void DoFillRect(const Rect& r) override;
  void DoArc(ArcKind kind, const Rect& r, double startDeg, double spanDeg) override;
  void DoText(int x, int y, std::string_view text, int underline) override;

 private:
  Call& Add(Op op);

  int width_;
  int height_;
  std::unique_ptr<FakeFontMetrics> metrics_;
  std::vector<Call> calls_;
};

}  // namespace ui
