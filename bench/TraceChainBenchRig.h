#pragma once
// What the trace chain benchmarks share: a channel of the 14 GHz model on a fake host, its
// points on a slowly turning reflection, and the four traces a busy channel shows.
#include <cmath>
#include <memory>

#include "model/Range.h"
#include "tests/traces/FakeTraceHost.h"
#include "traces/MemoryList.h"

namespace benchrig {

// Every point of the channel on a reflection that turns with the point; seed moves it.
inline void FillChannel(TRange& range, int seed) {
  for (int i = 0; i < range.GetCount(); ++i) {
    range.SetPointData(0, i, Polar(0.3 + 0.2 * std::cos(0.001 * i + seed), -0.03 * i + seed));
  }
}

// A channel of `points` points over 85..14000 MHz, filled with seed 1.
inline std::unique_ptr<tracetest::FakeTraceHost> FilledHost(int points) {
  auto host = std::make_unique<tracetest::FakeTraceHost>(points, 85.0, 14000.0);
  FillChannel(*host->range, 1);
  return host;
}

// The host's Return Loss trace with phase offset, electrical delay and D/M against a memory,
// then Phase, Smith chart and Group Delay traces beside it; the Return Loss trace.
inline TMeasurement& AddFourTraces(TMeasureList& list) {
  TMeasurement& rl = *list.GetMeasurement(0);
  rl.SetPhaseOffset(30);
  rl.SetElectricalDelay(1e-9);
  rl.Memories->StoreData();
  rl.SetDataMath(0);
  list.AddMeasurement(0, 1);
  list.AddMeasurement(0, 11);
  list.AddMeasurement(0, 3);
  return rl;
}

}  // namespace benchrig
