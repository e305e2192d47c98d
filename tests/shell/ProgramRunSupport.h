// Support for tests that run the whole program in-process.
#pragma once

#include "instrument/ScannerModule.h"

// Counts the program's finished sweeps in `sweeps`, passing each on to the handler that the main
// window installed, so the program goes on sweeping as it would.
inline void CountSweeps(int& sweeps) {
  auto original = ScannerModule->OnSweepDone;
  ScannerModule->OnSweepDone = [&sweeps, original](TFObject* sender) {
    ++sweeps;
    if (original) original(sender);
  };
}
