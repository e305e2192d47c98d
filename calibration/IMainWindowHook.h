#pragma once
// What the long transfers of the calibration module need of the main window: it is disabled
// while a transfer runs, and the window messages waiting meanwhile get their turn between the
// pages. The main window provides it; tests install fakes.
class IMainWindowHook {
 public:
  virtual ~IMainWindowHook() = default;
  virtual void SetMainWindowEnabled(bool enabled) = 0;
  // Runs the window messages and posted work that are waiting, then returns.
  virtual void ProcessPendingMessages() = 0;
};
