#pragma once
// The target searches of the active marker: its target value (keypad) and transition (list),
// and the buttons "Search Target", "Target Left" and "Target Right". The marker is looked up
// at every refresh and press; without one the values read one blank and nothing acts.
#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TSearchTargetFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TSearchTargetFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnTargetValue = nullptr;
  ui::Panel* pnTargetValueValue = nullptr;
  ui::Panel* pnTargetTrans = nullptr;
  ui::Panel* pnTargetTransValue = nullptr;
  TLbButton* btSearchTarget = nullptr;
  TLbButton* btTargetLeft = nullptr;
  TLbButton* btTargetRight = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void TargetValueClick();
  void TransitionClick();
};
