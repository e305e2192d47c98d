#pragma once
// Waits for a full sweep of the running program, so that the instrument is connected and settled
// and a calibration run can measure.
#include "dialogs/ProgramRig.h"
#include "instrument/ScannerModule.h"

inline bool WaitForSweep() {
  int sweeps = 0;
  auto original = ScannerModule->OnSweepDone;
  ScannerModule->OnSweepDone = [&sweeps, original](TFObject* sender) {
    ++sweeps;
    if (original) original(sender);
  };
  const bool swept = WaitFor([&] { return sweeps >= 1; });
  ScannerModule->OnSweepDone = original;
  return swept;
}
