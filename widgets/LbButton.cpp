#include "widgets/LbButton.h"

#include <QFocusEvent>
#include <QHideEvent>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>

#include "model/Utils.h"
#include "platform/ui/Button.h"
#include "platform/ui/Form.h"

namespace {

constexpr int kMargin = 4;
constexpr int kSpacing = 4;
constexpr int kGradientSteps = 32;
constexpr ui::TColor kDisabledCaption = 0x808080;

struct KindPreset {
  int modalResult;
  const char* caption;
};

KindPreset PresetOf(TLbButtonKind kind) {
  switch (kind) {
    case TLbButtonKind::bkOK: return {ui::mrOk, "OK"};
    case TLbButtonKind::bkCancel: return {ui::mrCancel, "Abbrechen"};
    case TLbButtonKind::bkHelp: return {ui::mrNone, "Hilfe"};
    case TLbButtonKind::bkYes: return {ui::mrYes, "Ja"};
    case TLbButtonKind::bkNo: return {ui::mrNo, "Nein"};
    case TLbButtonKind::bkClose: return {ui::mrNone, "Schließen"};
    case TLbButtonKind::bkAbort: return {ui::mrAbort, "Abbrechen"};
    case TLbButtonKind::bkRetry: return {ui::mrRetry, "Wiederholen"};
    case TLbButtonKind::bkIgnore: return {ui::mrIgnore, "Ignorieren"};
    case TLbButtonKind::bkAll: return {ui::mrAll, "Alle"};
    case TLbButtonKind::bkCustom: break;
  }
  return {ui::mrNone, ""};
}

// Step i of 0..31 from one colour to another, each part moving linearly and truncated.
ui::TColor GradientStep(ui::TColor from, ui::TColor to, int i) {
  auto part = [i](int a, int b) { return a + i * (b - a) / (kGradientSteps - 1); };
  return MakeRgbColor(part(GetColorRed(from), GetColorRed(to)), part(GetColorGreen(from), GetColorGreen(to)),
                      part(GetColorBlue(from), GetColorBlue(to)));
}

// Each part the halved sum of the two.
ui::TColor Average(ui::TColor a, ui::TColor b) {
  return MakeRgbColor((GetColorRed(a) + GetColorRed(b)) / 2, (GetColorGreen(a) + GetColorGreen(b)) / 2,
                      (GetColorBlue(a) + GetColorBlue(b)) / 2);
}

// Drops the last UTF-8 character.
void DropLastCharacter(std::string& text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
  if (!text.empty()) text.pop_back();
}

char32_t LowerAscii(char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; }

bool ButtonOf(Qt::MouseButton qt, ui::MouseButton& button) {
  switch (qt) {
    case Qt::LeftButton: button = ui::MouseButton::Left; return true;
    case Qt::RightButton: button = ui::MouseButton::Right; return true;
    case Qt::MiddleButton: button = ui::MouseButton::Middle; return true;
    default: return false;
  }
}

}  // namespace

TLbButton::TLbButton(QWidget* parent) : ui::Control(parent) {
  setFocusPolicy(Qt::StrongFocus);
  resize(100, 23);
}

// --- properties ---------------------------------------------------------------------------------

void TLbButton::SetCaption(const std::string& caption) {
  caption_ = caption;
  update();
}

void TLbButton::SetAlignment(ui::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void TLbButton::SetLightColor(ui::TColor color) {
  lightColor_ = color & 0xFFFFFFu;
  update();
}

void TLbButton::SetShadowColor(ui::TColor color) {
  shadowColor_ = color & 0xFFFFFFu;
  update();
}

void TLbButton::SetColorWhenDown(std::optional<ui::TColor> color) {
  colorWhenDown_ = color;
  update();
}

void TLbButton::SetHotTrackColor(std::optional<ui::TColor> color) {
  hotTrackColor_ = color;
  update();
}

void TLbButton::SetStyle(TLbButtonStyle style) {
  style_ = style;
  update();
}

void TLbButton::SetLayout(TLbButtonLayout layout) {
  layout_ = layout;
  update();
}

void TLbButton::SetFlat(bool on) {
  flat_ = on;
  update();
}

void TLbButton::SetWordWrap(bool on) {
  wordWrap_ = on;
  update();
}

void TLbButton::SetDefault(bool on) {
  default_ = on;
  update();
}

void TLbButton::SetTabStop(bool on) {
  tabStop_ = on;
  // Without a tab stop the button still takes the focus when pressed.
  setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

void TLbButton::SetModalResult(int result) {
  modalResult_ = result;
  kind_ = TLbButtonKind::bkCustom;
  update();
}

void TLbButton::SetKind(TLbButtonKind kind) {
  kind_ = kind;
  if (kind != TLbButtonKind::bkCustom) {
    const KindPreset preset = PresetOf(kind);
    modalResult_ = preset.modalResult;
    caption_ = preset.caption;
  }
  update();
}

void TLbButton::SetGlyph(const QImage& glyph) {
  glyph_ = glyph;
  numGlyphs_ = glyph.isNull() || glyph.height() <= 0 ? 0 : glyph.width() / glyph.height();
  update();
}

void TLbButton::SetNumGlyphs(int count) {
  numGlyphs_ = std::max(count, 0);
  update();
}

// --- input --------------------------------------------------------------------------------------

void TLbButton::SetPressed(bool on) {
  if (on == pressed_) return;
  pressed_ = on;
  update();
}

bool TLbButton::ShowsHot() const { return hot_ || Focused(); }

void TLbButton::PerformClick() {
  if (!Visible() || !isEnabled()) return;
  SetPressed(true);
  Click();
}

void TLbButton::Click() {
  if (!Visible() || !isEnabled() || !pressed_) return;
  SetPressed(false);
  QPointer<TLbButton> self(this);
  ui::Control::Click();
  if (!self || modalResult_ == ui::mrNone) return;
  if (ui::Form* form = ParentForm()) form->SetModalResult(modalResult_);
}

void TLbButton::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
  QPointer<TLbButton> self(this);
  pressing_ = true;
  ui::Control::MouseDown(button, shift, x, y);
  if (!self) return;
  if (pressing_ && isEnabled()) {
    SetPressed(true);
    if (CanFocus()) SetFocus();
  }
  pressing_ = false;
}

void TLbButton::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
  QPointer<TLbButton> self(this);
  ui::Control::MouseUp(button, shift, x, y);
  if (!self) return;
  if (rect().contains(x, y)) Click();
  if (!self) return;
  SetPressed(false);
}

void TLbButton::mouseReleaseEvent(QMouseEvent* event) {
  // The release itself decides about the click (after OnMouseUp), so the layer's own click on
  // release is not used.
  ui::MouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint();
  MouseUp(button, ui::ShiftFromQt(event->modifiers(), event->buttons()), p.x(), p.y());
  event->accept();
}

void TLbButton::MouseEnter() {
  ui::Control::MouseEnter();
  hot_ = true;
  update();
}

void TLbButton::MouseLeave() {
  QPointer<TLbButton> self(this);
  ui::Control::MouseLeave();
  if (self && OnMouseExit) OnMouseExit(*this);
  if (!self) return;
  hot_ = false;
  update();
}

void TLbButton::focusInEvent(QFocusEvent* event) {
  ui::Control::focusInEvent(event);
  update();
}

void TLbButton::focusOutEvent(QFocusEvent* event) {
  ui::Control::focusOutEvent(event);
  update();
}

void TLbButton::hideEvent(QHideEvent* event) {
  ui::Control::hideEvent(event);
  pressing_ = false;
  pressed_ = false;
}

bool TLbButton::WantsKey(int key) const { return key == ui::vk::Return; }

void TLbButton::KeyDown(int& key, ui::ShiftState shift) {
  QPointer<TLbButton> self(this);
  ui::Control::KeyDown(key, shift);
  if (!self) return;
  if (key == ui::vk::Return) {
    // A Default or Cancel button of the form comes first; only when none takes the key does
    // the focused button go down.
    ui::Form* form = ParentForm();
    if (form && form->BroadcastDialogKey(key, shift)) {
      key = 0;
      return;
    }
    if (self && isEnabled()) SetPressed(true);
    key = 0;
  } else if (key == ui::vk::Space) {
    if (isEnabled()) SetPressed(true);
    key = 0;
  }
}

void TLbButton::KeyUp(int& key, ui::ShiftState shift) {
  QPointer<TLbButton> self(this);
  ui::Control::KeyUp(key, shift);
  if (!self) return;
  if ((key == ui::vk::Return || key == ui::vk::Space) && pressed_) {
    key = 0;
    Click();
  }
}

bool TLbButton::DialogKey(int key, ui::ShiftState shift) {
  SetPressed(false);
  const bool plain = (shift & (ui::ssShift | ui::ssCtrl | ui::ssAlt)) == 0;
  const bool takes = (key == ui::vk::Return && default_) || (key == ui::vk::Escape && plain && cancel_);
  if (!takes || !Visible() || !isEnabled()) return false;
  SetPressed(true);
  Click();
  return true;
}

bool TLbButton::DialogChar(char32_t ch) {
  const char32_t accelerator = ui::AcceleratorOf(caption_);
  if (accelerator == 0 || accelerator != LowerAscii(ch)) return false;
  if (!Visible() || !isEnabled() || !parentWidget() || !parentWidget()->isVisible()) return false;
  SetPressed(true);
  Click();
  return true;
}

// --- painting -----------------------------------------------------------------------------------

void TLbButton::Paint(ui::Canvas& canvas) {
  const auto* parent = qobject_cast<const ui::Control*>(parentWidget());
  canvas.SetBrush(ui::Brush{parent ? parent->Color() : ui::clBtnFace, ui::BrushStyle::Solid});
  canvas.FillRect(ClientRect());

  const bool pressed = pressed_ && isEnabled();
  ui::TColor face = Color();
  if (ShowsHot() && hotTrackColor_) face = *hotTrackColor_;
  if (pressed && colorWhenDown_) face = *colorWhenDown_;
  const int shift = pressed && style_ != TLbButtonStyle::bsEncarta ? 1 : 0;

  if (style_ == TLbButtonStyle::bsModern) {
    PaintModernFace(canvas, face, shift);
  } else {
    PaintClassicFace(canvas, face, pressed);
  }
  PaintCaptionAndGlyph(canvas, shift, pressed);
}

void TLbButton::PaintModernFace(ui::Canvas& canvas, ui::TColor face, int shift) {
  const int w = Width();
  const int h = Height();
  // A gradient of 32 steps between x = 2 and w - 2 over the rows top..bottom - 1. In a band
  // lower than 31 rows several steps share a row; the row keeps the first of them (the steps
  // are laid from the last to the first), so a band begins exactly in its first colour.
  auto gradient = [&](ui::TColor from, ui::TColor to, int top, int bottom) {
    const int band = bottom - top;
    if (band <= 0) return;
    for (int i = kGradientSteps - 1; i >= 0; --i) {
      const int y = top + i * band / (kGradientSteps - 1);
      const int rows = band / (kGradientSteps - 1) + 1;
      canvas.SetBrush(ui::Brush{GradientStep(from, to, i), ui::BrushStyle::Solid});
      canvas.FillRect(ui::Rect(2, y, w - 2, std::min(y + rows, bottom)));
    }
  };
  gradient(lightColor_, face, 2, h / 4 + shift + 1);
  gradient(face, lightColor_, h / 4 + shift, h - 1);

  const bool pressed = shift != 0;
  const ui::TColor middle = Average(shadowColor_, face);
  canvas.SetPen(ui::Pen{pressed ? middle : lightColor_, 1, ui::PenStyle::Solid});
  canvas.MoveTo(1, h - 2);
  canvas.LineTo(1, 1);
  canvas.LineTo(w - 2, 1);
  canvas.SetPen(ui::Pen{pressed ? lightColor_ : middle, 1, ui::PenStyle::Solid});
  canvas.LineTo(w - 2, h - 2);
  canvas.LineTo(1, h - 2);

  canvas.SetPen(ui::Pen{shadowColor_, 1, ui::PenStyle::Solid});
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.RoundRect(0, 0, w, h, 6, 6);
}

void TLbButton::PaintClassicFace(ui::Canvas& canvas, ui::TColor face, bool pressed) {
  const int w = Width();
  const int h = Height();
  canvas.SetBrush(ui::Brush{face, ui::BrushStyle::Solid});
  canvas.FillRect(ClientRect());
  if (flat_ && !ShowsHot() && !pressed) return;
  canvas.SetPen(ui::Pen{pressed ? shadowColor_ : lightColor_, 1, ui::PenStyle::Solid});
  canvas.MoveTo(0, h - 1);
  canvas.LineTo(0, 0);
  canvas.LineTo(w - 1, 0);
  canvas.SetPen(ui::Pen{pressed ? lightColor_ : shadowColor_, 1, ui::PenStyle::Solid});
  canvas.LineTo(w - 1, h - 1);
  canvas.LineTo(-1, h - 1);
}

void TLbButton::PaintCaptionAndGlyph(ui::Canvas& canvas, int shift, bool pressed) {
  const int w = Width();
  const int h = Height();
  ui::Font font = GetFont();
  if (!isEnabled()) font.Color = kDisabledCaption;
  if (style_ == TLbButtonStyle::bsEncarta && pressed) font.Bold = true;
  canvas.SetFont(font);

  const int gw = numGlyphs_ > 0 && !glyph_.isNull() ? glyph_.width() / numGlyphs_ : 0;
  const int gh = gw > 0 ? glyph_.height() : 0;
  const bool hasGlyph = gw > 0 && gh > 0;
  int image = 0;
  if (!isEnabled()) {
    image = 1;
  } else {
    if (ShowsHot() && numGlyphs_ > 3) image = 3;
    if (pressed && numGlyphs_ > 2) image = 2;
  }
  if (image >= numGlyphs_) image = 0;

  auto singleLineWidth = [&canvas](const std::string& text) {
    ui::Rect r;
    canvas.DrawText(text, r, ui::TextFormat::SingleLine | ui::TextFormat::CalcRect);
    return r.Width();
  };

  int boxWidth = 0;
  int textLeft = 0;
  int glyphLeft = 0;
  switch (layout_) {
    case TLbButtonLayout::blGlyphLeft:
      boxWidth = w - 2 * kMargin - (hasGlyph ? gw + kSpacing : 0);
      textLeft = kMargin + shift + (hasGlyph ? gw + kSpacing : 0);
      glyphLeft = kMargin + shift;
      break;
    case TLbButtonLayout::blGlyphRight:
      boxWidth = w - 8 - (hasGlyph ? gw + 4 : 0);
      textLeft = 4 + shift;
      glyphLeft = w - 4 + shift - gw;
      break;
    case TLbButtonLayout::blGlyphTop:
    case TLbButtonLayout::blGlyphBottom:
      boxWidth = w - 2 * kMargin;
      textLeft = kMargin + shift;
      glyphLeft = (w - gw) / 2 + shift;
      break;
  }
  boxWidth = std::max(boxWidth, 0);

  std::string text = caption_;
  if (!wordWrap_) {
    while (!text.empty() && singleLineWidth(text) > boxWidth) DropLastCharacter(text);
    const int tw = singleLineWidth(text);
    if (layout_ == TLbButtonLayout::blGlyphLeft) {
      if (alignment_ == ui::Alignment::Right) glyphLeft = w - gw - tw - kSpacing - kMargin + shift;
      if (alignment_ == ui::Alignment::Center) glyphLeft = (w - tw - kSpacing - gw) / 2 + shift;
    } else if (layout_ == TLbButtonLayout::blGlyphRight) {
      if (alignment_ == ui::Alignment::Left) glyphLeft = tw + textLeft + 4;
      if (alignment_ == ui::Alignment::Center) glyphLeft = (tw + w - gw) / 2 + shift + 4;
    }
  }

  ui::Rect measure(0, 0, boxWidth, 0);
  const int th = canvas.DrawText(text, measure, ui::TextFormat::WordBreak | ui::TextFormat::CalcRect);
  int textTop = (h - th) / 2 + shift;
  int glyphTop = (h - gh) / 2 + shift;
  if (layout_ == TLbButtonLayout::blGlyphTop || layout_ == TLbButtonLayout::blGlyphBottom) {
    const int total = th + (hasGlyph ? gh + kSpacing : 0);
    const int top = (h - total) / 2 + shift;
    if (layout_ == TLbButtonLayout::blGlyphTop) {
      glyphTop = top;
      textTop = top + (hasGlyph ? gh + kSpacing : 0);
    } else {
      textTop = top;
      glyphTop = top + th + kSpacing;
    }
  }

  if (!text.empty()) {
    canvas.SetBrushStyle(ui::BrushStyle::Clear);
    ui::Rect box(textLeft, textTop, textLeft + boxWidth, textTop + th);
    canvas.DrawText(text, box, ui::TextFormat::WordBreak | ui::TextFormatOf(alignment_));
  }

  if (hasGlyph) {
    const QImage picture = glyph_.copy(image * gw, 0, gw, gh);
    const ui::TColor transparent = ui::FromQRgb(picture.pixel(0, gh - 1));
    canvas.Draw(glyphLeft, glyphTop, picture, transparent);
  }
}
