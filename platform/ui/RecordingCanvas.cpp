#include "platform/ui/RecordingCanvas.h"

namespace ui {

RecordingCanvas::RecordingCanvas(int width, int height, int lineHeight, int charWidth)
    : width_(width), height_(height), metrics_(std::make_unique<FakeFontMetrics>(lineHeight, charWidth)) {
  SetMetrics(metrics_.get());
}

RecordingCanvas::Call& RecordingCanvas::Add(Op op) {
  Call& c = calls_.emplace_back();
  c.op = op;
  c.pen = GetPen();
  c.brush = GetBrush();
  c.font = GetFont();
  c.clip = ClipRect();
  return c;
}

std::vector<RecordingCanvas::Call> RecordingCanvas::CallsOf(Op op) const {
  std::vector<Call> out;
  for (const Call& c : calls_) {
    if (c.op == op) out.push_back(c);
  }
  return out;
}

void RecordingCanvas::DoPolyline(const Point* points, size_t count) {
  Add(Op::Polyline).points.assign(points, points + count);
}

void RecordingCanvas::DoPolygon(const Point* points, size_t count) {
  Add(Op::Polygon).points.assign(points, points + count);
}

void RecordingCanvas::DoShape(Shape shape, const Rect& r, int cornerW, int cornerH) {
  const Op op = shape == Shape::Rectangle ? Op::Rectangle : shape == Shape::Ellipse ? Op::Ellipse : Op::RoundRect;
  Call& c = Add(op);
  c.rect = r;
  c.cornerW = cornerW;
  c.cornerH = cornerH;
}

void RecordingCanvas::DoFillRect(const Rect& r) { Add(Op::FillRect).rect = r; }

void RecordingCanvas::DoArc(ArcKind kind, const Rect& r, double startDeg, double spanDeg) {
  Call& c = Add(kind == ArcKind::Arc ? Op::Arc : Op::Pie);
  c.rect = r;
  c.startDeg = startDeg;
  c.spanDeg = spanDeg;
}

void RecordingCanvas::DoText(int x, int y, std::string_view text, int underline) {
  Call& c = Add(Op::Text);
  c.points = {Point(x, y)};
  c.text.assign(text);
  c.underline = underline;
}

void RecordingCanvas::Draw(int x, int y, const QImage& image, std::optional<TColor> transparent) {
  Call& c = Add(Op::Draw);
  c.points = {Point(x, y)};
  c.rect = Rect::FromSize(x, y, image.width(), image.height());
  c.transparent = transparent;
}

void RecordingCanvas::StretchDraw(const Rect& dest, const QImage&) { Add(Op::StretchDraw).rect = dest; }

void RecordingCanvas::CopyRect(const Rect& dest, const QImage&, const Rect& src, RasterOp op) {
  Call& c = Add(Op::CopyRect);
  c.rect = dest;
  c.source = src;
  c.rop = op;
}

TColor RecordingCanvas::Pixel(int, int) const { return clInvalid; }

void RecordingCanvas::SetPixel(int x, int y, TColor color) {
  Call& c = Add(Op::SetPixel);
  c.points = {Point(x, y)};
  c.color = color;
}

}  // namespace ui
