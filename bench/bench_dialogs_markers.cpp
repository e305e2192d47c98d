// The marker dialogs on the main window in demonstration mode (sweep on hold), on a
// 16,001-point Log Mag trace:
//   MarkerListRefresh: the Marker List's refresh with 15 markers and the reference; beside it
//     the 16 stimulus readouts alone (GetArgumentText). "ratio" = ours / the readouts.
//   MarkerMathRefresh: the Marker Math refresh with the bandwidth and filter readouts on;
//     beside it the readouts' texts alone.
//   SearchPeakPress: a press on "Search Peak" (search, marker update, redraw request); beside
//     it the marker's search alone.
// The targets: refresh under 1 ms each, the press under 0.5 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "DialogBenchRig.h"
#include "dialogs/MarkerListFrm.h"
#include "dialogs/MarkerMathFrm.h"
#include "dialogs/SearchPeakFrm.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "widgets/LbButton.h"

namespace {

using namespace benchrig;

constexpr int kTracePoints = 16001;

TProgram& Program() {
  static TProgram program({"tervan-markerbench"});
  return program;
}

// A wavy trace with many peaks, 15 markers and the reference.
TMarkerList& Loaded() {
  TProgram& p = Program();
  TRange& ch = p.Channel();
  if (ch.GetCount() != kTracePoints) {
    ch.SetStartFrequency(100);
    ch.SetStopFrequency(6000);
    ch.SetPointCount(kTracePoints);
    for (int i = 0; i < ch.GetCount(); ++i) {
      const double db = -20 + 10 * std::sin(i * 0.01) + 3 * std::sin(i * 0.13);
      ch.SetPointData(0, i, TComplex{std::pow(10.0, db / 20), 0.0});
    }
    TMeasurement& t = *p.frm->GetActiveView()->GetTraces()->GetActive();
    t.SetFormat(0);
    t.Recalculate();
    TMarkerList& l = *t.Markers;
    while (l.GetMarkerCount() < 15) l.AddMarker();
    for (int i = 0; i < 15; ++i) l.FindMarker(i)->SetArgument(200 + 350 * i);
    l.SetReferenceEnabled(true);
    l.SetBandwidthSearch(true);
    l.SetPassbandStart(0);
    l.SetPassbandStop(1);
    l.SetStopbandStart(2);
    l.SetStopbandStop(3);
    l.SetRFFilterStats(true);
  }
  return *p.frm->GetActiveView()->GetTraces()->GetActive()->Markers;
}

void MarkerListRefresh(benchmark::State& state) {
  TMarkerList& l = Loaded();
  TMarkerListFrm dialog(Program().frm.get());
  size_t sink = 0;
  TimeBeside(
      state, "raw_ms", [&] { dialog.RefreshValues(); },
      [&] {
        for (int i = 0; i < l.GetCount(); ++i) sink += l.GetMarker(i)->GetArgumentText().size();
      });
  benchmark::DoNotOptimize(sink);
}
BENCHMARK(MarkerListRefresh)->UseManualTime()->Unit(benchmark::kMicrosecond);

void MarkerMathRefresh(benchmark::State& state) {
  TMarkerList& l = Loaded();
  TMarkerMathFrm dialog(Program().frm.get());
  size_t sink = 0;
  TimeBeside(
      state, "raw_ms", [&] { dialog.RefreshValues(); },
      [&] { sink += TMarkerMathFrm::MarkerText(l.PassbandStart).size() + (l.IsPassbandValid() ? 1 : 0); });
  benchmark::DoNotOptimize(sink);
}
BENCHMARK(MarkerMathRefresh)->UseManualTime()->Unit(benchmark::kMicrosecond);

void SearchPeakPress(benchmark::State& state) {
  TMarkerList& l = Loaded();
  l.SetActiveMarker(7);
  TMarker& m = *l.GetActiveMarker();
  TSearchPeakFrm dialog(Program().frm.get());
  // Both start from the same place.
  TimeBeside(
      state, "raw_ms",
      [&] { dialog.btSearchPeak->OnMouseDown(*dialog.btSearchPeak, ui::MouseButton::Left, 0, 1, 1); },
      [&] { m.SearchWith(2); }, [&] { m.SetArgument(2500); });
}
BENCHMARK(SearchPeakPress)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
