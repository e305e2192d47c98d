#include "platform/ui/Button.h"

#include <QString>

#include "platform/ui/Form.h"

namespace ui {

namespace {

char32_t LowerAscii(char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; }

}  // namespace

char32_t AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const QList<uint> ucs = QString::fromUtf8(caption.data() + i + 1, static_cast<qsizetype>(caption.size() - i - 1)).toUcs4();
    return ucs.isEmpty() ? 0 : LowerAscii(static_cast<char32_t>(ucs.front()));
  }
  return 0;
}

Button::Button(QWidget* parent) : Control(parent) { setFocusPolicy(Qt::StrongFocus); }

void Button::SetCaption(const std::string& caption) {
  caption_ = caption;
  update();
}

void Button::SetDefault(bool on) {
  default_ = on;
  update();
}

void Button::PerformClick() {
  if (!isEnabled() || !isVisible()) return;
  Click();
}

void Button::Click() {
  Control::Click();
  if (modalResult_ != 0) {
    if (Form* form = ParentForm()) form->SetModalResult(modalResult_);
  }
}

void Button::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (button == MouseButton::Left) {
    held_ = true;
    pressed_ = true;
    SetFocus();
    update();
  }
  Control::MouseDown(button, shift, x, y);
}

void Button::MouseMove(ShiftState shift, int x, int y) {
  if (held_) {
    const bool inside = rect().contains(x, y);
    if (inside != pressed_) {
      pressed_ = inside;
      update();
    }
  }
  Control::MouseMove(shift, x, y);
}

void Button::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
  if (button == MouseButton::Left) {
    held_ = false;
    pressed_ = false;
    update();
  }
  Control::MouseUp(button, shift, x, y);
}

bool Button::WantsKey(int key) const { return key == vk::Return; }

void Button::KeyDown(int& key, ShiftState shift) {
  Control::KeyDown(key, shift);
  if (key == vk::Space) {
    pressed_ = true;
    update();
  } else if (key == vk::Return) {
    key = 0;
    PerformClick();
  }
}

void Button::KeyUp(int& key, ShiftState shift) {
  Control::KeyUp(key, shift);
  if (key == vk::Space && pressed_) {
    pressed_ = false;
    update();
    PerformClick();
  }
}

bool Button::DialogKey(int key, ShiftState shift) {
  if (shift & (ssShift | ssCtrl | ssAlt)) return false;
  if ((key == vk::Return && default_) || ((key == vk::Escape || key == vk::Cancel) && cancel_)) {
    PerformClick();
    return true;
  }
  return false;
}

bool Button::DialogChar(char32_t ch) {
  const char32_t acc = AcceleratorOf(caption_);
  if (acc == 0 || acc != LowerAscii(ch)) return false;
  PerformClick();
  return true;
}

void Button::Paint(Canvas& canvas) {
  Control::Paint(canvas);
  const int w = Width();
  const int h = Height();
  const TColor light = clWhite;
  const TColor dark = clGray;
  int inset = 0;
  if (default_ || Focused()) {
    canvas.SetPen(Pen{clBlack, 1, PenStyle::Solid});
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.Rectangle(0, 0, w, h);
    inset = 1;
  }
  const TColor topLeft = pressed_ ? dark : light;
  const TColor bottomRight = pressed_ ? light : dark;
  canvas.SetPen(Pen{topLeft, 1, PenStyle::Solid});
  canvas.MoveTo(inset, h - 1 - inset);
  canvas.LineTo(inset, inset);
  canvas.LineTo(w - 1 - inset, inset);
  canvas.SetPen(Pen{bottomRight, 1, PenStyle::Solid});
  canvas.LineTo(w - 1 - inset, h - 1 - inset);
  canvas.LineTo(inset - 1, h - 1 - inset);
  ui::Font f = GetFont();
  if (!isEnabled()) f.Color = clGray;
  canvas.SetFont(f);
  canvas.SetBrushStyle(BrushStyle::Clear);
  const int shift = pressed_ ? 1 : 0;
  Rect r(shift, shift, w + shift, h + shift);
  canvas.DrawText(caption_, r, TextFormat::SingleLine | TextFormat::VCenter | TextFormat::Center);
}

}  // namespace ui
