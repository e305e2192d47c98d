#pragma once
// A frame with a caption in its top edge, holding other controls.
#include <string>

#include "platform/ui/Control.h"

namespace ui {

class GroupBox : public Control {
  Q_OBJECT

 public:
  explicit GroupBox(QWidget* parent = nullptr);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

 protected:
  void Paint(Canvas& canvas) override;

 private:
  std::string caption_;
};

}  // namespace ui
