#pragma once
// The on-screen numeric keypad: the value of one setting in large keys, the units of one unit
// table as keys, and the result handed back through a setter. Keys act on mouse-down. Shown
// modally (result 1 after Ok, 2 after Cancel) or modeless (Ok, Cancel or a loss of the
// activation release it; the latter applies nothing).
//
// The typed digits are read in the chosen unit: Ok calls the setter with
// x * multiplier(UnitIndex) / multiplier(CallerUnitIndex). A text that is not a number raises
// "'<text>' is not a valid floating point value"; nothing is applied and the keypad stays.
//
// Grid: a key's tag is row * 100 + column (five columns, K = FieldHeight + 2, m between keys);
// a title adds one row on top.
#include <functional>
#include <string>

#include "widgets/TouchForm.h"

class TMeasureUnitTables;
class TLbButton;
namespace ui {
class Edit;
}

class TDigitalKeyboardFrm : public TTouchForm {
  Q_OBJECT

 public:
  using TSetter = std::function<void(double)>;
  using TGetter = std::function<double()>;
  // The main window's unit tables, handed over by program start (English tables without).
  using TUnitTablesHook = std::function<const TMeasureUnitTables*()>;
  static TUnitTablesHook UnitTablesHook;

  // firstChar: a character typed into the value as soon as it shows selected (0 for none):
  // a digit replaces it, '.' or ',' gives "0.", '-' negates it; anything else is ignored.
  TDigitalKeyboardFrm(QWidget* owner, const std::string& title, int unitIndex, int unitKind, TSetter setter,
                      TGetter getter, char32_t firstChar = 0);
  ~TDigitalKeyboardFrm() override;

  int GetUnitCount() const;
  std::string GetUnitText(int i) const;
  double GetUnitMultiplier(int i) const;

  // Handlers, public for the owners that route input to them.
  void btMouseDown(ui::Control& sender);
  void btMinusMouseDown();
  void btUnitsMouseDown(ui::Control& sender);
  void btCancelMouseDown();
  void btApplyMouseDown();
  void CommonEditKeyPress(char32_t& key);

  ui::Edit* CommonEdit = nullptr;
  ui::Edit* UnitEdit = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btApply = nullptr;

  int UnitKind = 0;
  int UnitIndex = 0;
  int CallerUnitIndex = 0;
  TGetter Getter;
  TSetter Setter;
  ui::ShiftState EditShift = 0;
  std::string Title;

 private:
  TLbButton* Key(const std::string& name, int tag, const std::string& caption);
  void RefreshUnitKeys();
  void Layout();
  void FormShow();
  void Digit(const std::string& digit);
  void Point();
  void BackSpace();
  void MoveCaret(int step);
  double TextValue() const;
  void KeepSelection();

  TLbButton* unitKeys_[5] = {};
  char32_t firstChar_ = 0;
  int keptStart_ = 0;
  int keptLength_ = 0;
};
