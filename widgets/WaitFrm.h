#pragma once
// The small modal box that runs one sweep of the channels that notify changes and waits for
// it: a title, a gauge over their points, and Cancel. It starts the sweep itself (a bus trigger
// included) and ends with Ok when the sweep ends. The result becomes Abort when the instrument
// is lost (seen at the next 20 ms tick), when the start left the scanner stopped (standby or
// nothing to sweep), or when a measured channel did not finish; Cancel after a finished sweep
// stays Cancel. On return the end-of-sweep closure it found is back in place.
#include <string>

#include "calibration/ISweepWaitBox.h"
#include "platform/ui/Gauge.h"
#include "platform/ui/Timer.h"
#include "instrument/ScannerModule.h"
#include "widgets/TouchForm.h"

class TRange;

class TWaitFrm : public TTouchForm {
  Q_OBJECT

 public:
  // silent: no size, no progress, no skin.
  TWaitFrm(QWidget* owner, bool silent, const std::string& title);
  ~TWaitFrm() override;

  ui::Gauge* ProgressBar = nullptr;
  TLbButton* btCancel = nullptr;
  ui::Timer* IndicationTimer = nullptr;
  std::string Title;
  bool Silent = false;

  void IndicationTimerTimer();
  void SweepDone();

 protected:
  void FormPaint() override;

 private:
  void FormShow();
  void FormHide();
  void Layout();

  bool startedStopped_ = false;
  bool closureSaved_ = false;
  TScannerModule::TSweepDoneEvent savedClosure_;
};

// The program's wait box: a TWaitFrm over the main window for each run.
class TSweepWaitBox : public ISweepWaitBox {
 public:
  bool Run(const std::string& caption) override;
};
