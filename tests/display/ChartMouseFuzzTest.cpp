// A seeded random stream of pointer events mixed with remote changes (traces and markers added
// and deleted, formats and sweep types changed, keypads pressed long after they opened): the
// chart never crashes, every setter it reaches gets finite values, and stale keypads hit a live
// target or nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/Range.h"
#include "tests/display/ChartMouseRig.h"

namespace {

using chartmouse::MouseRig;

void RunStream(unsigned seed) {
  MouseRig rig;
  rig.view.oneMeasurementMarkers = false;
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto coordinate = [&](int size) {
    switch (pick(8)) {
      case 0: return -pick(1000) - 1;
      case 1: return size + pick(100000);
      case 2: return pick(2) ? 2147483000 : -2147483000;
      default: return pick(size);
    }
  };
  rig.Draw();
  for (int step = 0; step < 10000; ++step) {
    const int x = coordinate(451);
    const int y = coordinate(304);
    const ui::MouseButton button = pick(4) == 0 ? ui::MouseButton::Right : ui::MouseButton::Left;
    TMeasureList& list = rig.view.list;
    switch (pick(20)) {
      case 0: case 1: case 2: case 3: case 4: rig.Move(x, y); break;
      case 5: case 6: rig.DragMove(x, y); break;
      case 7: case 8: rig.Press(x, y, button); break;
      case 9: case 10: rig.Release(x, y, button); break;
      case 11: rig.driver.Leave(*rig.chart); break;
      case 12: rig.driver.DoubleClick(*rig.chart, x, y); break;
      case 13: rig.Draw(); break;
      case 14:
        if (list.GetCount() < 4) list.AddMeasurement(0, pick(20));
        else list.DeleteActiveMeasurement();
        break;
      case 15:
        if (TMeasurement* t = list.GetActive()) {
          if (pick(2)) {
            if (t->Markers->GetMarkerCount() < 16) t->Markers->AddMarker();
          } else {
            t->Markers->DeleteActiveMarker();
          }
          if (pick(4) == 0) t->Markers->SetReferenceEnabled(pick(2) == 0);
        }
        break;
      case 16:
        if (TMeasurement* t = list.GetActive()) t->SetFormat(pick(20));
        break;
      case 17: {
        const int modes[] = {TRange::Lin, TRange::Log, TRange::Segm};
        chartplane::ApplySweep(rig, modes[pick(3)], 51 + pick(200), 100.0, 1100.0);
        break;
      }
      case 18:
        if (list.GetCount() > 1) list.DeleteActiveMeasurement();
        break;
      default:
        if (!rig.popups.keypads.empty()) {
          auto& k = rig.popups.keypads[static_cast<size_t>(pick(static_cast<int>(rig.popups.keypads.size())))];
          const double before = k.getter();
          ASSERT_TRUE(std::isfinite(before));
          k.setter(before + pick(5) - 2);
        }
        break;
    }
    if (rig.popups.keypads.size() > 50) rig.popups.keypads.erase(rig.popups.keypads.begin());
    for (int i = 0; i < list.GetCount(); ++i) {
      TMeasurement& t = *list.GetMeasurement(i);
      ASSERT_TRUE(std::isfinite(t.GetScaleDiv())) << "seed " << seed << " step " << step;
      ASSERT_TRUE(std::isfinite(t.GetRefValue())) << "seed " << seed << " step " << step;
    }
    ASSERT_TRUE(std::isfinite(rig.view.range->MinFrequency) && std::isfinite(rig.view.range->MaxFrequency));
  }
  // Every keypad opened in the stream still answers, whatever is gone.
  for (auto& k : rig.popups.keypads) {
    k.setter(1.0);
    EXPECT_TRUE(std::isfinite(k.getter()));
  }
  // The chart can die before its keypads.
  auto keypads = rig.popups.keypads;
  rig.chart.reset();
  for (auto& k : keypads) {
    k.setter(2.0);
    EXPECT_EQ(k.getter(), 0.0);
  }
}

TEST(ChartMouseFuzz, ThreeSeededStreams) {
  for (unsigned seed : {1u, 20261211u, 987654321u}) {
    SCOPED_TRACE(seed);
    RunStream(seed);
  }
}

}  // namespace
