// The channel window's remaining channel events: the scanner's redraw event goes through the
// redraw coalescing like any other request, and a sweep of zero span turns gating off as a
// non-linear one does.
#include <gtest/gtest.h>

#include <memory>

#include "display/RangeViewSupport.h"
#include "model/ChannelStore.h"
#include "traces/MeasureList.h"
#include "platform/Clock.h"
#include "platform/ui/Timer.h"

namespace {

using rangeview::SetStimulus;

class RangeViewAudit : public ::testing::Test {
 protected:
  RangeViewAudit() : scope_(clock_) { clock_.setMs(500); }
  rangeview::Services services;
  platform::ManualClock clock_;
  platform::ScopedClock scope_;
  ui::Timer::Fake fake_;
};

TEST_F(RangeViewAudit, TheChannelsRedrawEventIsARedrawRequest) {
  auto view = std::make_unique<TRangeView>(services.parent.get());
  ASSERT_TRUE(view->Range->OnRedraw);
  view->InvalidationCount = 0;
  clock_.setMs(1000);
  view->Range->OnRedraw(nullptr);
  EXPECT_EQ(1, view->InvalidationCount);
  clock_.setMs(1010);
  view->Range->OnRedraw(nullptr);
  EXPECT_EQ(1, view->InvalidationCount);
  EXPECT_TRUE(view->UpdateWatchDog->Enabled());
  clock_.setMs(1050);
  EXPECT_EQ(1, ui::Timer::Fake::RunDue());
  EXPECT_EQ(2, view->InvalidationCount);

  auto loose = std::make_unique<TRangeView>(nullptr);
  loose->Range->OnRedraw(nullptr);
  EXPECT_EQ(0, loose->InvalidationCount);
}

TEST_F(RangeViewAudit, ZeroSpanTurnsGatingOff) {
  auto view = std::make_unique<TRangeView>(services.parent.get());
  view->Range->SetChangeNotify(true);
  SetStimulus(*view->Range, 201, 100.0, 1100.0);
  view->TimeDomain.EnableGating = true;
  SetStimulus(*view->Range, 201, 500.0, 500.0);
  ASSERT_EQ(0.0, view->Range->GetSpan());
  EXPECT_FALSE(view->TimeDomain.EnableGating);
}

// The channel store keeps a window's state through the window's own section code.
TEST_F(RangeViewAudit, TheChannelStoreTakesAWindowsStateToAnother) {
  auto source = std::make_unique<TRangeView>(services.parent.get());
  source->Range->SetChangeNotify(true);
  SetStimulus(*source->Range, 101, 200.0, 700.0);
  source->SetDivisions(12);
  source->SetMeasCaption("Filter 3");
  source->Measurements->AddMeasurement(0, 2);
  TChannelStore store;
  store.Store(2, *source, 0);
  ASSERT_TRUE(store.IsSlotUsed(2));

  auto target = std::make_unique<TRangeView>(services.parent.get());
  target->InvalidationCount = 0;
  clock_.setMs(1000);
  store.Recall(2, *target);
  EXPECT_EQ(12, target->Divisions);
  EXPECT_EQ("Filter 3", target->MeasCaption);
  EXPECT_EQ(2, target->Measurements->GetCount());
  EXPECT_EQ(101, target->Range->GetCount());
  EXPECT_DOUBLE_EQ(700.0, target->Range->MaxFrequency);
  EXPECT_GE(target->InvalidationCount, 1) << "a recall repaints";
}

}  // namespace
