#pragma once
// The active channel window as the calibration runs see it: its channel and its user
// calibration. The main window provides it; tests install fakes.
class TRange;
class TCalibr;

class IActiveChannelWindow {
 public:
  virtual ~IActiveChannelWindow() = default;
  // The channel of the active window, or null when no window is open.
  virtual TRange* GetActiveRange() const = 0;
  // The user calibration of the active window, or null when no window is open.
  virtual TCalibr* GetActiveCalibr() const = 0;
};
