#pragma once
// The on-screen text keyboard: one text edited in place with a Latin and a Cyrillic layout
// (15 columns by 6 rows of keys each, the same place on the form), a Caps key shared by both,
// editing keys, Ok and Cancel. The caller's text changes only on Ok. Keys act on mouse-down;
// every key types its caption at the caret ("&&" types one "&"). Caret and deletion keys step
// over whole characters.
#include <string>

#include "widgets/TouchForm.h"

class TLbButton;
namespace ui {
class Edit;
}

class TVirtualKeyboardFrm : public TTouchForm {
  Q_OBJECT

 public:
  TVirtualKeyboardFrm(QWidget* owner, std::string& text);
  ~TVirtualKeyboardFrm() override;

  // The key of a layout (false Latin, true Cyrillic) at a tag (row * 100 + column); null when
  // that place is empty.
  TLbButton* KeyAt(bool cyrillic, int tag) const;

  void btCapsMouseDown();
  void btApplyMouseDown();
  void btCancelMouseDown();
  // Brings the Latin (false) or the Cyrillic (true) layout to the front.
  void ShowLayout(bool cyrillic);
  bool CyrillicInFront() const { return cyrillicFront_; }

  ui::Edit* CommonEdit = nullptr;
  ui::Panel* pnEn = nullptr;
  ui::Panel* pnRu = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btApply = nullptr;
  std::string& TextRef;
  bool LowerCaseKeys = false;

 private:
  enum class TRole { Type, BackSpace, Del, Left, Right, Caps, Layout };
  void BuildLayout(ui::Panel* panel, bool cyrillic);
  TLbButton* AddKey(ui::Panel* panel, bool cyrillic, int tag, const std::string& caption, TRole role, int span);
  void KeyPressed(TLbButton& key);
  void Layout();
  void FormShow();

  bool cyrillicFront_ = false;
};
