#pragma once
// How markers are read out and shared on the active channel: the stimulus and response digits
// of the display look, "Active Only", marker coupling and the marker table's alignment. Only the
// value panels react; the background drags the window like the title bar.
#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TMarkerPropertiesFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TMarkerPropertiesFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnStimDig = nullptr;
  ui::Panel* pnStimDigValue = nullptr;
  ui::Panel* pnRespDig = nullptr;
  ui::Panel* pnRespDigValue = nullptr;
  ui::Panel* pnActiveOnly = nullptr;
  ui::Panel* pnActiveOnlyValue = nullptr;
  ui::Panel* pnMarkerCouple = nullptr;
  ui::Panel* pnMarkerCoupleValue = nullptr;
  ui::Panel* pnAllign = nullptr;
  ui::Panel* pnAllignValue = nullptr;
  TLbButton* btOk = nullptr;

 private:
  // The digit keypads hide the dialog while they are open.
  void DigitsClick(bool stimulus);
};
