// A logarithmic sweep whose first point lies at 0 MHz (no model has one; a hand-edited state
// might): the stimulus row has no decade to count from and writes its two end labels only.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "model/Range.h"
#include "traces/MemoryList.h"
#include "traces/Measurement.h"
#include "traces/TraceCodes.h"
#include "tests/display/ChartPlaneSupport.h"

namespace {

using chartplane::ApplySweep;
using chartplane::Call;
using chartplane::ChartRig;

TEST(LabelRows, LogSweepFromZeroWritesOnlyTheEndLabels) {
  ChartRig rig;
  ApplySweep(rig, TRange::Log, 201, 150, 4000);
  rig.view.range->GetPoint(0)->Frequency = 0.0;
  rig.Paint();
  const ui::Rect& row = rig.chart->StimulusRowRect;
  std::vector<std::pair<int, std::string>> got;
  for (const Call& c : rig.Texts())
    if (c.points[0].y() == row.Top) got.emplace_back(c.points[0].x(), c.text);
  std::sort(got.begin(), got.end());
  const std::vector<std::pair<int, std::string>> want{{row.Left, "0"}, {row.Right - 1 - 4 * 7, "4000"}};
  EXPECT_EQ(got, want);
}

// Every status word the fixture can switch on at once, in the order of the title row.
TEST(LabelRows, StatusWordsKeepTheirOrder) {
  ChartRig rig;
  TMeasurement& trace = rig.Trace();
  rig.view.timeDomain.EnableGating = true;
  ASSERT_TRUE(trace.IsGatingActive());
  trace.SetElectricalDelay(1e-9);
  trace.SetSmoothing(true);
  trace.SetMaxHold(true);
  trace.SetPhaseOffset(10.0);
  trace.SetConversionType(1);
  trace.SetConversionOn(true);
  const std::string conversion = trace.GetConversionLabel();
  ASSERT_FALSE(conversion.empty());
  rig.view.methodName = "SOL";
  rig.view.range->PortExtensionsEnabled = true;
  rig.view.range->Extension[0] = 1e-9;
  ASSERT_TRUE(rig.view.range->IsPortExtensionActive());
  rig.view.range->ZConvEnabled = true;
  ASSERT_TRUE(trace.Memories->StoreData());
  trace.SetDataMath(tracecodes::Divide);
  rig.Paint();
  EXPECT_NE(rig.FindText("[Gat Del Smo Max PhO " + conversion + " SOL Pxt Z0 D/M]"), nullptr);
}

}  // namespace
