#pragma once
// The two menus of the special start-up modes: the service menu (service system calibration,
// synthesizer settings of the connected model, power meter, frequency offset) and the factory
// menu (factory system calibration). Neither shows values.
#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TServiceFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TServiceFrm(QWidget* owner);
  void ArrangeControls();

  TLbButton* btFactoryCal = nullptr;
  TLbButton* btSynthesizer = nullptr;
  TLbButton* btPowerMeter = nullptr;
  TLbButton* btCreateReport = nullptr;
  TLbButton* btOpenReport = nullptr;
  TLbButton* btFreqOffset = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void Synthesizer();
};

class TFactoryFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TFactoryFrm(QWidget* owner);
  void ArrangeControls();

  TLbButton* btFactoryCal = nullptr;
  TLbButton* btOk = nullptr;
};
