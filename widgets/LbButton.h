#pragma once
// The owner-drawn push button of every key and button of the dialogs, keypads and pick lists.
// The forms use its "modern" look: a face of two vertical gradients between the light colour
// and the face colour, an inner frame whose light and dark sides swap while it is pressed, and
// a rounded outer border; caption and glyph move one pixel right and down while pressed.
//
// Input: a press with any mouse button fires OnMouseDown (where the forms act) and then, when
// enabled, presses the button and takes the focus; the release fires OnMouseUp and, when it is
// inside, clicks. A click fires OnClick and hands a non-zero ModalResult to the form. Enter or
// Space pressed and released on the focused button click it; Enter clicks a Default button and
// Escape a Cancel one from anywhere on the form; so does the caption's '&' accelerator.
#include <QImage>
#include <optional>
#include <string>

#include "platform/ui/Control.h"

enum class TLbButtonStyle { bsNormal, bsEncarta, bsModern };
enum class TLbButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// Presets of modal result and caption.
enum class TLbButtonKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

class TLbButton : public ui::Control {
  Q_OBJECT

 public:
  explicit TLbButton(QWidget* parent = nullptr);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  ui::Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(ui::Alignment alignment);
  ui::TColor LightColor() const { return lightColor_; }
  void SetLightColor(ui::TColor color);
  ui::TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(ui::TColor color);
  // The face while pressed or hot, when set.
  std::optional<ui::TColor> ColorWhenDown() const { return colorWhenDown_; }
  void SetColorWhenDown(std::optional<ui::TColor> color);
  std::optional<ui::TColor> HotTrackColor() const { return hotTrackColor_; }
  void SetHotTrackColor(std::optional<ui::TColor> color);
  TLbButtonStyle Style() const { return style_; }
  void SetStyle(TLbButtonStyle style);
  TLbButtonLayout Layout() const { return layout_; }
  void SetLayout(TLbButtonLayout layout);
  // The classic look draws no border unless hot or pressed.
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  // The caption may wrap onto further lines; otherwise it loses characters at its end to fit.
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on);

  int ModalResult() const { return modalResult_; }
  // Also makes the button a custom one again.
  void SetModalResult(int result);
  TLbButtonKind Kind() const { return kind_; }
  // Sets the preset's modal result and caption.
  void SetKind(TLbButtonKind kind);

  // A strip of NumGlyphs equal pictures: 0 up, 1 disabled, 2 down, 3 hot. Setting it sets
  // NumGlyphs to its width over its height (0 for an empty picture).
  const QImage& Glyph() const { return glyph_; }
  void SetGlyph(const QImage& glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int count);

  bool Pressed() const { return pressed_; }
  // The pointer is inside.
  bool Hot() const { return hot_; }

  // A click as from Enter on a Default button: pressed, then clicked (nothing when the button
  // is hidden or disabled).
  void PerformClick();

  NotifyEvent OnMouseExit;

  bool DialogKey(int key, ui::ShiftState shift) override;
  bool DialogChar(char32_t ch) override;

 protected:
  void Paint(ui::Canvas& canvas) override;
  // Only while visible, enabled and pressed.
  void Click() override;
  void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
  void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void KeyDown(int& key, ui::ShiftState shift) override;
  void KeyUp(int& key, ui::ShiftState shift) override;
  bool WantsKey(int key) const override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void SetPressed(bool on);
  // Shown hot: the pointer is inside or the button has the focus.
  bool ShowsHot() const;
  void PaintModernFace(ui::Canvas& canvas, ui::TColor face, int shift);
  void PaintClassicFace(ui::Canvas& canvas, ui::TColor face, bool pressed);
  void PaintCaptionAndGlyph(ui::Canvas& canvas, int shift, bool pressed);

  std::string caption_;
  ui::Alignment alignment_ = ui::Alignment::Center;
  ui::TColor lightColor_ = ui::clWhite;
  ui::TColor shadowColor_ = ui::clGray;
  std::optional<ui::TColor> colorWhenDown_;
  std::optional<ui::TColor> hotTrackColor_;
  TLbButtonStyle style_ = TLbButtonStyle::bsNormal;
  TLbButtonLayout layout_ = TLbButtonLayout::blGlyphLeft;
  TLbButtonKind kind_ = TLbButtonKind::bkCustom;
  bool flat_ = false;
  bool wordWrap_ = false;
  bool default_ = false;
  bool cancel_ = false;
  bool tabStop_ = true;
  int modalResult_ = 0;
  QImage glyph_;
  int numGlyphs_ = 0;
  bool pressed_ = false;
  bool hot_ = false;
  // Between a press and the end of its handler: cleared when the button is hidden meanwhile
  // (a handler that hides its dialog to open another leaves no button held).
  bool pressing_ = false;
};
