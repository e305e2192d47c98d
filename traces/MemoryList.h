#pragma once
// The memories of a trace: at most one from the list's own operations, the one data math and
// the chart use being ActiveMemory.
#include <string>

#include "model/FContainer.h"

class TCustomIniFile;
class TMeasurement;
class TMemoryTrace;

class TMemoryList : public TFContainer {
 public:
  explicit TMemoryList(TMeasurement* trace);
  ~TMemoryList() override;

  int ActiveMemory = 0;

  TMeasurement* GetMeasurement() const { return trace_; }
  // Null outside 0..count-1.
  TMemoryTrace* GetMemory(int i) const;
  TMemoryTrace* GetActiveMemory() const;
  // Data to memory; false when a memory exists.
  bool StoreData();
  // A memory recalled from a Touchstone file; false when a memory exists or the file gives no
  // usable data (nothing is created then).
  bool LoadFromTouchstone(const std::string& path);
  void Clear() override;
  // Every memory's processing chain.
  void UpdateAll();

  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // Replaces the memories by the stored ones (at most one); no redraw or event. Without update
  // the shown values wait for the trace's next recalculation.
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool update = true);

 private:
  void Changed();
  TMeasurement* trace_;
};
