#include "dialogs/GroupSwitch.h"

#include "platform/ui/Control.h"
#include "widgets/LbButton.h"

void TGroupSwitch::Add(TLbButton& button, ui::Control& group) {
  const int index = static_cast<int>(groups_.size());
  groups_.push_back({&button, &group});
  button.OnMouseDown = [this, index](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { Select(index); };
  Select(selected_ < 0 ? 0 : selected_);
}

void TGroupSwitch::Select(int index) {
  if (index < 0 || index >= static_cast<int>(groups_.size())) return;
  selected_ = index;
  groups_[static_cast<size_t>(index)].Panel->BringToFront();
  for (size_t i = 0; i < groups_.size(); ++i) {
    const ui::TColor c = static_cast<int>(i) == index ? kChosenColor : kOtherColor;
    groups_[i].Button->SetColor(c);
    groups_[i].Button->SetLightColor(c);
  }
}
