#pragma once
// A plain push button: a raised face with a centred caption ('&' marks the accelerator),
// pressed while the left button is held on it. A click comes from the release inside, Enter or
// Space while focused, Enter on a Default button, Escape on a Cancel button, or its
// accelerator; it fires OnClick and hands a non-zero ModalResult to its form.
#include <string>

#include "platform/ui/Control.h"

namespace ui {

class Button : public Control {
  Q_OBJECT

 public:
  explicit Button(QWidget* parent = nullptr);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  bool Pressed() const { return pressed_; }

  // A click as from the user (nothing when hidden or disabled).
  void PerformClick();

  bool DialogKey(int key, ShiftState shift) override;
  bool DialogChar(char32_t ch) override;

 protected:
  void Paint(Canvas& canvas) override;
  void Click() override;
  void MouseDown(MouseButton button, ShiftState shift, int x, int y) override;
  void MouseMove(ShiftState shift, int x, int y) override;
  void MouseUp(MouseButton button, ShiftState shift, int x, int y) override;
  void KeyDown(int& key, ShiftState shift) override;
  void KeyUp(int& key, ShiftState shift) override;
  bool WantsKey(int key) const override;

 private:
  std::string caption_;
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
  bool pressed_ = false;
  bool held_ = false;
};

// The accelerator of a caption: the character after a single '&', lower-cased for ASCII; 0
// for none.
char32_t AcceleratorOf(const std::string& caption);

}  // namespace ui
