#pragma once
// The modal box a measurement run waits in while its channel sweeps. The main window provides
// it; tests install fakes.
#include <string>

class ISweepWaitBox {
 public:
  virtual ~ISweepWaitBox() = default;
  // Sweeps the channels that notify changes once, showing caption, and returns true only when
  // that sweep ended normally (false on cancel, device loss or a sweep that stopped short).
  virtual bool Run(const std::string& caption) = 0;
};
