#pragma once
// The calibration kit editor: one kit (looked up by its index at every use) as a table of its
// four standards against their model coefficients. The name through the keyboard, a coefficient
// through the keypad (a double-click, or a digit, '-', '.' or ',' typed in the grid, which the
// keypad then holds), a Touchstone file through the browser, the file's use switched, and the
// built-in values restored. Every change goes to the kit at once; there is no cancel.
#include <memory>
#include <string>

#include "widgets/TouchDialogFrm.h"

class TCalKit;
class TEmiStringGrid;
class TGridDragScroller;
class TLbButton;
namespace ui {
class Panel;
}

class TCalKitFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  static constexpr int kRows = 13;
  TCalKitFrm(QWidget* owner, int kitIndex);
  ~TCalKitFrm() override;

  void ArrangeControls();
  void RefreshValues() override;

  // Shown value = stored value / scale of the data row (1..11); 0 for other rows.
  static double RowScale(int row);
  // Up to 15 significant digits, '.' as separator.
  static std::string GeneralText(double value);

  void pnCalKitMouseDown();
  void sgListDblClick(char32_t firstChar = 0);

  ui::Panel* pnCalKit = nullptr;
  ui::Panel* pnCalKitValue = nullptr;
  TEmiStringGrid* sgList = nullptr;
  TLbButton* btRestore = nullptr;
  TLbButton* btOk = nullptr;

 private:
  TCalKit* Kit() const;
  double CellValue(int row, int column) const;
  void SetCellValue(int row, int column, double value);

  int kitIndex_;
  std::unique_ptr<TGridDragScroller> scroller_;
};
