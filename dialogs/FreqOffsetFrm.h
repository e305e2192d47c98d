#pragma once
// The frequency offset mode of the active channel: the switch and, for the source (Tx) and the
// receiver (Rx), an integer multiplier and divider and an offset in MHz. The channel is looked
// up at every refresh and every change, so the dialog follows a change of the active channel;
// without one the values are empty and presses do nothing. The channel's setters clamp.
#include <string>

#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TRange;

class TFreqOffsetFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TFreqOffsetFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnFOMState = nullptr;
  ui::Panel* pnFOMStateValue = nullptr;
  ui::Panel* pnMultTx = nullptr;
  ui::Panel* pnMultTxValue = nullptr;
  ui::Panel* pnDivTx = nullptr;
  ui::Panel* pnDivTxValue = nullptr;
  ui::Panel* pnOffsetTx = nullptr;
  ui::Panel* pnOffsetTxValue = nullptr;
  ui::Panel* pnMultRx = nullptr;
  ui::Panel* pnMultRxValue = nullptr;
  ui::Panel* pnDivRx = nullptr;
  ui::Panel* pnDivRxValue = nullptr;
  ui::Panel* pnOffsetRx = nullptr;
  ui::Panel* pnOffsetRxValue = nullptr;
  TLbButton* btOk = nullptr;

 private:
  static TRange* Channel();
  // A number row: the keypad on its value panel (the caption panel has no handler).
  void BindNumber(ui::Panel& value, const std::string& caption, TSetter setter, TGetter getter);
  std::string OffsetText(double megahertz) const;
};
