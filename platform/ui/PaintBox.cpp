#include "platform/ui/PaintBox.h"

namespace ui {

PaintBox::PaintBox(QWidget* parent) : Control(parent) {}

void PaintBox::Paint(Canvas& canvas) {
  canvas.SetFont(GetFont());
  canvas.SetBrushColor(Color());
  if (OnPaint) OnPaint(*this);
}

}  // namespace ui
