#include "platform/ui/Shape.h"

namespace ui {

Shape::Shape(QWidget* parent) : Control(parent) { SetSeeThrough(true); }

void Shape::SetPen(const ui::Pen& pen) {
  pen_ = pen;
  update();
}

void Shape::SetBrush(const ui::Brush& brush) {
  brush_ = brush;
  update();
}

void Shape::SetKind(Kind kind) {
  kind_ = kind;
  update();
}

void Shape::Paint(Canvas& canvas) {
  canvas.SetPen(pen_);
  canvas.SetBrush(brush_);
  // The outline lies inside the control: half the pen width in from each edge.
  const int w = pen_.Style == PenStyle::Clear ? 0 : pen_.Width;
  const int x = w / 2;
  const int right = x + Width() - w + (w == 0 ? 0 : 1);
  const int bottom = x + Height() - w + (w == 0 ? 0 : 1);
  if (kind_ == Kind::Ellipse) {
    canvas.Ellipse(x, x, right, bottom);
  } else {
    canvas.Rectangle(x, x, right, bottom);
  }
}

}  // namespace ui
