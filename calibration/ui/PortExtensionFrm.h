#pragma once
// The port extension dialog: the channel's port extension switch, the delay of the port, two
// loss points with their switches, the loss at DC, and the automatic extension. Every change
// goes at once to the active channel (looked up at every use); there is no cancel.
#include <string>

#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TRange;
namespace ui {
class Panel;
}

class TPortExtensionFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TPortExtensionFrm(QWidget* owner);

  void ArrangeControls();
  void RefreshValues() override;

  ui::Panel* pnPortExtension = nullptr;
  ui::Panel* pnPortExtensionValue = nullptr;
  ui::Panel* pnExtension = nullptr;
  ui::Panel* pnExtensionValue = nullptr;
  ui::Panel* pnLoss1On = nullptr;
  ui::Panel* pnLoss1OnValue = nullptr;
  ui::Panel* pnLoss2On = nullptr;
  ui::Panel* pnLoss2OnValue = nullptr;
  ui::Panel* pnLoss1 = nullptr;
  ui::Panel* pnLoss1Value = nullptr;
  ui::Panel* pnLoss2 = nullptr;
  ui::Panel* pnLoss2Value = nullptr;
  ui::Panel* pnFreq1 = nullptr;
  ui::Panel* pnFreq1Value = nullptr;
  ui::Panel* pnFreq2 = nullptr;
  ui::Panel* pnFreq2Value = nullptr;
  ui::Panel* pnLossAtDC = nullptr;
  ui::Panel* pnLossAtDCValue = nullptr;
  TLbButton* btAutoExtension = nullptr;
  TLbButton* btOk = nullptr;

 private:
  static TRange* Channel();
  // A keypad row: getter and setter on the active channel at the moment of use.
  void BindKeypadRow(ui::Panel& caption, ui::Panel& value, const char* english, int unitIndex, int unitKind,
                     double (*get)(const TRange&), void (*set)(TRange&, double));
};
