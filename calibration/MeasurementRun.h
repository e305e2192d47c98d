#pragma once
// One measurement run on a temporary channel: on entry the sweep-done closure is saved and
// cleared, the sweep stops, the user's channels stop notifying and the temporary channel is
// made; on every way out (exceptions included) the temporary channel goes, the channels notify
// again in their order, the scan list is rebuilt, the closure comes back and the sweep restarts.
#include <functional>
#include <vector>

class TFObject;
class TRange;
class TScannerModule;

class TMeasurementRun {
 public:
  explicit TMeasurementRun(TScannerModule& scannerModule);
  ~TMeasurementRun();
  TMeasurementRun(const TMeasurementRun&) = delete;
  TMeasurementRun& operator=(const TMeasurementRun&) = delete;

  TRange& GetChannel() const { return *Channel; }
  // True while any run is in progress.
  static bool IsRunning() { return Depth > 0; }

 private:
  TScannerModule& Module;
  std::function<void(TFObject*)> SavedSweepDone;
  std::vector<TRange*> Notifying;
  TRange* Channel = nullptr;
  static int Depth;
};
