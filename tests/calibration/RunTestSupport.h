#pragma once
// What the tests that run a calibration or adjustment sweep on a temporary channel share:
// a fixture with the device, the synthesizers and the sweep-control module installed, a
// stand-in for the active channel window, the user's channel, and a look-up of the temporary
// channel the run made beside it.
#include "calibration/IActiveChannelWindow.h"
#include "calibration/KitTestSupport.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"

namespace runtest {

// A kit test with a device of one model row and both synthesizers in the services, and its own
// sweep-control module installed as the program's (the previous one put back at the end).
class ScannerTest : public kittest::KitTest {
 protected:
  explicit ScannerTest(int row) : device(row) {}
  void SetUp() override {
    KitTest::SetUp();
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    savedScanner = ::ScannerModule;
    ::ScannerModule = &scanner;
  }
  void TearDown() override {
    ::ScannerModule = savedScanner;
    KitTest::TearDown();
  }

  TDevice device;
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TScopedServices scope;
  TScannerModule scanner;
  TScannerModule* savedScanner = nullptr;
};

// The active window: whatever channel and user calibration the test puts in.
class FakeChannelWindow : public IActiveChannelWindow {
 public:
  TRange* GetActiveRange() const override { return Range; }
  TCalibr* GetActiveCalibr() const override { return Calibr; }
  TRange* Range = nullptr;
  TCalibr* Calibr = nullptr;
};

// A user channel of the scanner, points from 100 to 1100 MHz, sending change notices. The
// caller deletes it.
inline TRange* NewUserChannel(TScannerModule& scanner, int points) {
  auto* user = new TRange(&scanner.GetScanner());
  TRangeSettings settings;
  TSegments segments;
  user->GetSettings(settings, segments);
  settings.NPoints = points;
  settings.MinFrequency = 100.0;
  settings.MaxFrequency = 1100.0;
  user->ApplySettings(segments, settings);
  user->SetChangeNotify(true);
  return user;
}

// The channel a run made: the scanner's child channel other than the user's, or null.
inline TRange* TemporaryChannel(const TScannerModule& scanner, const TRange* user) {
  TScanner& s = scanner.GetScanner();
  for (int i = 0; i < s.GetCount(); ++i) {
    auto* r = dynamic_cast<TRange*>(s.GetItem(i));
    if (r != nullptr && r != user) return r;
  }
  return nullptr;
}

}  // namespace runtest
