#include "calibration/MeasurementRun.h"

#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"

int TMeasurementRun::Depth = 0;

TMeasurementRun::TMeasurementRun(TScannerModule& scannerModule) : Module(scannerModule) {
  SavedSweepDone = Module.OnSweepDone;
  Module.OnSweepDone = nullptr;
  ++Depth;
  try {
    Module.StopSweep();
    TScanner& scanner = Module.GetScanner();
    for (int i = 0; i < scanner.GetCount(); ++i) {
      auto* range = dynamic_cast<TRange*>(scanner.GetItem(i));
      if (range == nullptr || !range->ChangeNotify) continue;
      Notifying.push_back(range);
      range->SetChangeNotify(false);
    }
    Channel = new TRange(&scanner);
  } catch (...) {
    for (TRange* range : Notifying) range->SetChangeNotify(true);
    Module.OnSweepDone = SavedSweepDone;
    --Depth;
    throw;
  }
}

TMeasurementRun::~TMeasurementRun() {
  // Nothing here may throw: a failed restart leaves the sweep stopped, never the channels mute.
  try {
    Module.StopSweep();
  } catch (...) {
  }
  if (Channel != nullptr) {
    Channel->SetChangeNotify(false);
    delete Channel;
  }
  for (TRange* range : Notifying) range->SetChangeNotify(true);
  try {
    Module.RebuildScanList();
  } catch (...) {
  }
  Module.OnSweepDone = SavedSweepDone;
  --Depth;
  try {
    Module.StartSweep(0);
  } catch (...) {
  }
}
