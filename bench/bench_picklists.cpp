// The pick lists: the Measurement list made, laid out and painted offscreen, beside a plain Qt
// form with a ten-row list widget and two push buttons painted the same way; and a change of
// the distance unit through the unit list's own path over four channels of four traces with 16
// markers each (16,001 points, no paint), beside the bare arithmetic of the same re-placement
// (each marker's stimulus interpolated at its position on a 16,001-point axis, divided by
// 0.3048 and found again by binary search). Each peer run reports ours / peer as "ratio".
// The budget: 10 ms for the list, 5 ms for the unit change.
#include <benchmark/benchmark.h>

#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DialogBenchRig.h"
#include "PeerTiming.h"
#include "dialogs/PickListMembers.h"
#include "display/RangeView.h"
#include "instrument/ScannerModule.h"
#include "shell/MainFrm.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

constexpr int kPoints = 16001;

// The main window with its modules in demonstration mode (sweep on hold), four channels of
// 16,001 points, four distance-to-fault traces each with 15 markers and the reference marker.
struct TPickListBench : benchrig::TProgram {
  TPickListBench() : TProgram({"tervan-picklistbench"}) {
    frm->SetChannelLayout(5);
    frm->SetChannelCount(4);
    for (int v = 0; v < 4; ++v) {
      TRangeView& view = *frm->GetView(v);
      benchrig::SetPoints(*view.Range, kPoints);
      while (view.Measurements->GetCount() < 4) view.Measurements->AddMeasurement(0, 18);
      for (int t = 0; t < 4; ++t) {
        TMeasurement& trace = *view.Measurements->GetMeasurement(t);
        trace.SetFormat(18 + t % 2);
        trace.ResizeToChannel();
        trace.Recalculate();
        while (trace.Markers->GetMarkerCount() < TMarkerList::MaxMarkers) trace.Markers->AddMarker();
        trace.Markers->SetReferenceEnabled(true);
        for (int k = 0; k < trace.Markers->GetCount(); ++k) trace.Markers->GetMarker(k)->SetRelativeX(0.03 + 0.06 * k);
      }
    }
  }

  int MarkerCount() const {
    int n = 0;
    for (int v = 0; v < 4; ++v) {
      const TMeasureList& traces = *frm->GetView(v)->Measurements;
      for (int t = 0; t < traces.GetCount(); ++t) n += traces.GetMeasurement(t)->Markers->GetCount();
    }
    return n;
  }
};

TPickListBench& Bench() { return benchrig::KeptToTheEnd<TPickListBench>(); }

// Ours and its peer through the shared timing; ours also reports its mean in "ms".
template <class F>
void Measure(benchmark::State& state, const std::string& name, bool peer, F&& body) {
  Bench();
  const double mean = benchrig::MeasureBesidePeer(state, name, peer, std::forward<F>(body));
  state.counters["ms"] = mean * 1e3;
}

void BM_MeasurementList(benchmark::State& state) {
  Measure(state, "list", false, [] {
    TMeasureListFrm list(nullptr);
    benchmark::DoNotOptimize(list.grab());
  });
}

void BM_MeasurementList_QtPeer(benchmark::State& state) {
  Measure(state, "list", true, [] {
    QWidget form;
    form.resize(158, 265);
    auto* rows = new QListWidget(&form);
    rows->setGeometry(6, 38, 134, 189);
    for (int i = 0; i < 10; ++i) rows->addItem(QString("Row %1").arg(i));
    rows->setCurrentRow(1);
    (new QPushButton("Cancel", &form))->setGeometry(6, 233, 70, 26);
    (new QPushButton("Ok", &form))->setGeometry(82, 233, 70, 26);
    benchmark::DoNotOptimize(form.grab());
  });
}

void BM_DistanceUnitChange(benchmark::State& state) {
  TPickListBench& b = Bench();
  state.counters["markers"] = b.MarkerCount();
  bool feet = false;
  Measure(state, "units", false, [&] {
    feet = !feet;
    SetDistanceUnitsKeepingMarkers(feet ? TScannerModule::UnitFeet : TScannerModule::UnitMetres);
  });
}

// The same re-placement as bare arithmetic on one 16,001-point axis per trace.
void BM_DistanceUnitChange_ArithmeticPeer(benchmark::State& state) {
  const int traces = 16;
  const int markers = 16;
  std::vector<double> axis(kPoints);
  for (int i = 0; i < kPoints; ++i) axis[static_cast<size_t>(i)] = 0.01 * i;
  std::vector<double> positions(static_cast<size_t>(traces * markers));
  for (size_t i = 0; i < positions.size(); ++i) positions[i] = 0.03 + 0.06 * static_cast<double>(i % markers);
  double scale = 1 / 0.3048;
  Measure(state, "units", true, [&] {
    scale = 1 / scale;
    for (double& p : positions) {
      const double at = p * (kPoints - 1);
      const size_t i = std::min(static_cast<size_t>(at), static_cast<size_t>(kPoints - 2));
      const double x = (axis[i] + (at - static_cast<double>(i)) * (axis[i + 1] - axis[i])) * scale;
      const auto hit = std::lower_bound(axis.begin(), axis.end(), x / scale);
      p = static_cast<double>(hit - axis.begin()) / (kPoints - 1);
    }
    benchmark::DoNotOptimize(positions.data());
  });
}

}  // namespace

BENCHMARK(BM_MeasurementList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasurementList_QtPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DistanceUnitChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DistanceUnitChange_ArithmeticPeer)->Unit(benchmark::kMillisecond);
