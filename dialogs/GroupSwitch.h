#pragma once
// Groups of rows stacked in one place of a dialog, one group button each: a press on a button
// brings its group to the front and lights that button light yellow while the others turn
// silver (face and light colour alike).
#include <vector>

#include "platform/ui/Color.h"

namespace ui {
class Control;
}
class TLbButton;

class TGroupSwitch {
 public:
  static constexpr ui::TColor kChosenColor = 0xC0FFFF;
  static constexpr ui::TColor kOtherColor = 0xC0C0C0;

  // The button acts on mouse-down; the first group added is shown.
  void Add(TLbButton& button, ui::Control& group);
  void Select(int index);
  int Selected() const { return selected_; }

 private:
  struct TGroup {
    TLbButton* Button;
    ui::Control* Panel;
  };
  std::vector<TGroup> groups_;
  int selected_ = -1;
};
