// The main window's answer to the scanner module's settings: a change of the distance unit
// alone relabels the distance axes and recalculates nothing; a change of what the distance
// traces are computed from (velocity factor, cable loss) recalculates the shown windows.
#include <gtest/gtest.h>

#include "display/RangeView.h"
#include "shell/MainFrmRig.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

class DistanceUnitChange : public MainFrmRig {};

TEST_F(DistanceUnitChange, OnlyTheUnitRecalculatesNothingTheVelocityFactorDoes) {
  Build("DemoMode");
  RunDelayedStart();
  TRangeView& view = *frm->GetActiveView();
  ASSERT_TRUE(view.Visible());
  TMeasurement& trace = *view.Measurements->GetActive();
  trace.SetFormat(18);  // distance to fault
  const auto before = trace.GetDisplayVersion();
  ScannerModule->SetDistanceUnits(TScannerModule::UnitFeet);
  ScannerModule->SetDistanceUnits(TScannerModule::UnitSeconds);
  EXPECT_EQ(trace.GetDisplayVersion(), before);
  ScannerModule->SetVelocityFactor(0.66);
  EXPECT_GT(trace.GetDisplayVersion(), before);
  const auto afterVelocity = trace.GetDisplayVersion();
  // The unit and the loss in one go (a state file between two events): recalculated.
  ScannerModule->MetricSystem = TScannerModule::UnitMetres;
  ScannerModule->SetCableLoss(0.5);
  EXPECT_GT(trace.GetDisplayVersion(), afterVelocity);
}

}  // namespace
