#pragma once
// What the user and the system calibration dialogs share: the kit row, one press per standard
// (Open, Short, Load) with its square that turns light green once the standard is measured, and
// the two closures they hold while they exist (the kit module's OnChange and the main window's
// OnActiveViewChanged), handed back by ReleaseHooks and at the latest in the destructor.
#include <string>

#include "calibration/ui/DialogHook.h"
#include "calibration/ui/StandardPresses.h"
#include "widgets/TouchDialogFrm.h"

class TCalibr;
class TLbButton;
namespace ui {
class Panel;
}

class TStandardsDialogFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  static constexpr ui::TColor kMeasuredColor = kStandardMeasuredColor;
  static constexpr ui::TColor kNotMeasuredColor = kStandardNotMeasuredColor;

  ~TStandardsDialogFrm() override;

  // Measures the standard into the user or the system calibration, then refreshes the values.
  void MeasureStandard(int kind);

  ui::Panel* pnCalKit = nullptr;
  ui::Panel* pnCalKitValue = nullptr;
  TLbButton* btOpen = nullptr;
  TLbButton* btShort = nullptr;
  TLbButton* btLoad = nullptr;
  ui::Panel* pnOpen = nullptr;
  ui::Panel* pnShort = nullptr;
  ui::Panel* pnLoad = nullptr;

 protected:
  // intoSystem: the presses measure into the system calibration rather than the user's.
  TStandardsDialogFrm(QWidget* owner, const std::string& title, bool intoSystem);

  // The kit row's caption and value panels; the dialog binds them itself.
  void MakeKitRow();
  // The presses and their squares, each press bound to MeasureStandard.
  void MakeStandards();
  void PlaceStandards(int firstRow);
  void ReleaseHooks();

  TDialogHook KitHook;
  TDialogHook ViewHook;

 private:
  bool intoSystem_;
};
