#include "platform/ui/Panel.h"

namespace ui {

Panel::Panel(QWidget* parent) : Control(parent) {}

void Panel::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void Panel::SetAlignment(Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
}

void Panel::Paint(Canvas& canvas) {
  Control::Paint(canvas);
  if (caption_.empty()) return;
  canvas.SetFont(GetFont());
  canvas.SetBrushStyle(BrushStyle::Clear);
  Rect r = ClientRect();
  canvas.DrawText(caption_, r, TextFormat::SingleLine | TextFormat::VCenter | TextFormatOf(alignment_));
}

}  // namespace ui
