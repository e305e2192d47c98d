#pragma once
// A flat panel without bevel: its colour, and a one-line caption centred vertically and placed
// by its alignment across the whole client area (a left-aligned caption starts at x = 0). It
// holds other controls.
#include <string>

#include "platform/ui/Control.h"

namespace ui {

class Panel : public Control {
  Q_OBJECT

 public:
  explicit Panel(QWidget* parent = nullptr);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  Alignment GetAlignment() const { return alignment_; }
  void SetAlignment(Alignment alignment);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  std::string caption_;
  Alignment alignment_ = Alignment::Center;
};

}  // namespace ui
