#pragma once
// A check box: a 13-pixel box with a tick and the caption to its right. A click (or Space
// while focused) toggles it; every change of Checked, also from code, fires OnClick.
#include <string>

#include "platform/ui/Control.h"

namespace ui {

class CheckBox : public Control {
  Q_OBJECT

 public:
  explicit CheckBox(QWidget* parent = nullptr);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 protected:
  void Paint(Canvas& canvas) override;
  void Click() override;
  void KeyPress(char32_t& key) override;

 private:
  std::string caption_;
  bool checked_ = false;
};

}  // namespace ui
