#include "platform/ui/Label.h"

namespace ui {

Label::Label(QWidget* parent) : Control(parent) { Fit(); }

void Label::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Fit();
  update();
}

void Label::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  update();
}

void Label::SetWordWrap(bool on) {
  wordWrap_ = on;
  Fit();
  update();
}

void Label::SetTransparent(bool on) {
  transparent_ = on;
  SetSeeThrough(on);
  update();
}

void Label::SetAutoSize(bool on) {
  autoSize_ = on;
  Fit();
}

unsigned Label::Format() const {
  return TextFormatOf(alignment_) | (wordWrap_ ? TextFormat::WordBreak : 0u);
}

void Label::Fit() {
  if (!autoSize_) return;
  ImageCanvas& c = KeptCanvas();
  c.SetFont(GetFont());
  Rect r(0, 0, wordWrap_ ? Width() : 0, 0);
  c.DrawText(caption_.empty() ? std::string_view(" ") : std::string_view(caption_), r,
             Format() | TextFormat::CalcRect);
  resize(wordWrap_ ? Width() : r.Width(), r.Height());
}

void Label::Paint(Canvas& canvas) {
  if (!transparent_) Control::Paint(canvas);
  canvas.SetFont(GetFont());
  canvas.SetBrushStyle(BrushStyle::Clear);
  Rect r = ClientRect();
  canvas.DrawText(caption_, r, Format());
}

}  // namespace ui
