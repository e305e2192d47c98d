#include "platform/ui/GroupBox.h"

namespace ui {

GroupBox::GroupBox(QWidget* parent) : Control(parent) {}

void GroupBox::SetCaption(const std::string& caption) {
  caption_ = caption;
  update();
}

void GroupBox::Paint(Canvas& canvas) {
  Control::Paint(canvas);
  canvas.SetFont(GetFont());
  const int th = canvas.TextHeight("H");
  canvas.SetPen(Pen{clGray, 1, PenStyle::Solid});
  canvas.SetBrushStyle(BrushStyle::Clear);
  canvas.Rectangle(0, th / 2, Width(), Height());
  if (caption_.empty()) return;
  canvas.SetBrush(Brush{Color(), BrushStyle::Solid});
  canvas.TextOut(8, 0, caption_);
}

}  // namespace ui
