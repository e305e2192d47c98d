#include "platform/ui/CheckBox.h"

namespace ui {

namespace {
constexpr int kBox = 13;
}

CheckBox::CheckBox(QWidget* parent) : Control(parent) { setFocusPolicy(Qt::StrongFocus); }

void CheckBox::SetCaption(const std::string& caption) {
  caption_ = caption;
  update();
}

void CheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  update();
  Control::Click();
}

void CheckBox::Click() {
  SetFocus();
  SetChecked(!checked_);
}

void CheckBox::KeyPress(char32_t& key) {
  Control::KeyPress(key);
  if (key == U' ') {
    key = 0;
    SetChecked(!checked_);
  }
}

void CheckBox::Paint(Canvas& canvas) {
  Control::Paint(canvas);
  const bool enabled = isEnabled();
  const int top = (Height() - kBox) / 2;
  canvas.SetPen(Pen{enabled ? clBlack : clGray, 1, PenStyle::Solid});
  canvas.SetBrush(Brush{enabled ? clWhite : clBtnFace, BrushStyle::Solid});
  canvas.Rectangle(0, top, kBox, top + kBox);
  if (checked_) {
    const Point tick[3] = {Point(3, top + 6), Point(5, top + 8), Point(10, top + 3)};
    canvas.Polyline(tick, 3);
    const Point tick2[3] = {Point(3, top + 7), Point(5, top + 9), Point(10, top + 4)};
    canvas.Polyline(tick2, 3);
  }
  ui::Font f = GetFont();
  if (!enabled) f.Color = clGray;
  canvas.SetFont(f);
  canvas.SetBrushStyle(BrushStyle::Clear);
  Rect r(kBox + 4, 0, Width(), Height());
  canvas.DrawText(caption_, r, TextFormat::SingleLine | TextFormat::VCenter);
}

}  // namespace ui
