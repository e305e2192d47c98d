// The calibration record: storing standards from a channel and the discards a change of
// stimulus or of length brings, the selection flags and their events, the bounds of the
// queries, and the date of a calculation from the clock in force.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/KitTestSupport.h"
#include "model/ChannelFakes.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "platform/Clock.h"

namespace {

using kittest::TestFolder;

class CalibrationRecord : public kittest::KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    channel = std::make_unique<TRange>(nullptr);
    channel->SetStopFrequency(500);
    channel->SetStartFrequency(100);
    channel->SetPointCount(5);
    calibr.OnChange = [this](TFObject* sender) {
      EXPECT_EQ(sender, &calibr);
      ++events;
    };
  }

  // Marks every point of the channel so a stored standard shows where it came from.
  void Mark(double value) {
    for (int i = 0; i < channel->GetCount(); ++i) {
      channel->SetPointData(0, i, {value, static_cast<double>(i)});
      channel->SetPointData(1, i, {-value, 0});
      channel->SetPointRawLevel(0, i, {1, value});
      channel->SetPointRawLevel(1, i, {2, value});
      channel->SetPointRefLevel(i, {3, value});
    }
  }

  fakes::ChannelServices services;
  std::unique_ptr<TRange> channel;
  TCalibr calibr;
  int events = 0;
};

TEST_F(CalibrationRecord, StoreCopiesEveryPointInOrder) {
  Mark(0.25);
  calibr.StoreStandard(ckOpen, 0, *channel);
  ASSERT_TRUE(calibr.HasStandard(ckOpen, 0));
  ASSERT_EQ(calibr.Standards[ckOpen][0].size(), 5u);
  ASSERT_EQ(calibr.Frequencies.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    const SxData& x = calibr.Standards[ckOpen][0][static_cast<size_t>(i)];
    EXPECT_EQ(calibr.Frequencies[static_cast<size_t>(i)], 100 + 100 * i);
    EXPECT_EQ(x.Data0, (TComplex{0.25, static_cast<double>(i)}));
    EXPECT_EQ(x.Data1, (TComplex{-0.25, 0}));
    EXPECT_EQ(x.RawLevel0, (TComplex{1, 0.25}));
    EXPECT_EQ(x.RawLevel1, (TComplex{2, 0.25}));
    EXPECT_EQ(x.RefLevel, (TComplex{3, 0.25}));
  }
  EXPECT_EQ(calibr.Settings.NPoints, 5);
  EXPECT_EQ(events, 0);  // storing fires nothing
}

TEST_F(CalibrationRecord, AChangeOfStimulusDiscardsEverything) {
  calibr.StoreStandard(ckOpen, 0, *channel);
  calibr.StoreStandard(ckThru, 1, *channel);
  calibr.SetStandardSelected(ckOpen, 0, true);
  calibr.Method[0] = cmRO;
  calibr.Method[1] = cmRT;
  channel->SetPointCount(7);
  calibr.StoreStandard(ckShort, 0, *channel);
  EXPECT_TRUE(calibr.HasStandard(ckShort, 0));
  EXPECT_FALSE(calibr.HasStandard(ckOpen, 0));
  EXPECT_FALSE(calibr.Measured[ckOpen][0]);
  EXPECT_FALSE(calibr.HasStandard(ckThru, 1));
  EXPECT_FALSE(calibr.IsStandardSelected(ckOpen, 0));
  EXPECT_EQ(calibr.Method[0], 0);
  EXPECT_EQ(calibr.Method[1], 0);
  EXPECT_EQ(calibr.Frequencies.size(), 7u);
}

TEST_F(CalibrationRecord, AStandardOfAnotherLengthIsDiscardedAtTheNextStore) {
  calibr.StoreStandard(ckOpen, 0, *channel);
  calibr.StoreStandard(ckLoad, 0, *channel);
  // What a binary form of another point count leaves behind under the same stimulus.
  calibr.Standards[ckOpen][0].resize(3);
  calibr.StoreStandard(ckShort, 0, *channel);
  EXPECT_FALSE(calibr.HasStandard(ckOpen, 0));
  EXPECT_TRUE(calibr.HasStandard(ckLoad, 0));
  EXPECT_TRUE(calibr.HasStandard(ckShort, 0));
}

TEST_F(CalibrationRecord, ClearKeepsTheStimulus) {
  calibr.StoreStandard(ckOpen, 0, *channel);
  calibr.Clear();
  EXPECT_EQ(events, 1);
  EXPECT_FALSE(calibr.HasStandard(ckOpen, 0));
  calibr.StoreStandard(ckShort, 0, *channel);
  calibr.StoreStandard(ckOpen, 0, *channel);
  EXPECT_TRUE(calibr.HasStandard(ckShort, 0));
  EXPECT_TRUE(calibr.HasStandard(ckOpen, 0));
}

TEST_F(CalibrationRecord, SelectionEvents) {
  calibr.SetStandardSelected(ckLoad, 1, false);
  EXPECT_EQ(events, 0);
  calibr.SetStandardSelected(ckLoad, 1, true);
  EXPECT_EQ(events, 1);
  calibr.SetStandardSelected(ckLoad, 1, true);
  EXPECT_EQ(events, 1);
  EXPECT_TRUE(calibr.IsStandardSelected(ckLoad, 1));
  calibr.ClearSelection();
  EXPECT_EQ(events, 2);
  EXPECT_FALSE(calibr.IsStandardSelected(ckLoad, 1));
  calibr.ClearSelection();
  EXPECT_EQ(events, 3);
}

TEST_F(CalibrationRecord, QueriesOutOfRangeAreFalse) {
  calibr.StoreStandard(ckThru, 0, *channel);
  calibr.Selected[0][0] = true;
  calibr.SetStandardRequested(0, 0, true);
  EXPECT_TRUE(calibr.HasStandard(0, 0));
  EXPECT_TRUE(calibr.IsStandardRequested(0, 0));
  for (auto [kind, slot] : {std::pair{-1, 0}, {0, -1}, {6, 0}, {0, 2}, {-7, -7}}) {
    EXPECT_FALSE(calibr.HasStandard(kind, slot)) << kind << " " << slot;
    EXPECT_FALSE(calibr.IsStandardSelected(kind, slot)) << kind << " " << slot;
    EXPECT_FALSE(calibr.IsStandardRequested(kind, slot)) << kind << " " << slot;
    calibr.SetStandardSelected(kind, slot, true);  // ignored, no event
  }
  EXPECT_EQ(events, 0);
  // Measured without points is not a standard.
  calibr.Measured[ckLoad][1] = true;
  EXPECT_FALSE(calibr.HasStandard(ckLoad, 1));
}

TEST_F(CalibrationRecord, MethodNames) {
  const char* names[] = {"", "RT", "RO", "RS", "F1", "OP", "RO+S", ""};
  for (int code = 0; code < 8; ++code) EXPECT_EQ(TCalibr::MethodName(code), names[code]) << code;
  EXPECT_EQ(TCalibr::MethodName(-1), "");
  calibr.SetPortMethod(4, 1);
  EXPECT_EQ(calibr.GetSelectedMethod(1), 4);
  EXPECT_EQ(calibr.RequestedSlot, 1);
}

// Slot numbers come from automation clients: one outside 0 and 1 reads as "none" and is
// refused by the setter without touching the requested methods.
TEST_F(CalibrationRecord, CalibrSlotIndexOutOfRangeAnswersNoneOrRefuses) {
  calibr.Method[0] = cmF1;
  calibr.Method[1] = cmOP;
  calibr.PortMatch[0] = calibr.PortMatch[1] = true;
  calibr.SetPortMethod(cmRO, 0);
  calibr.SetPortMethod(cmOP, 1);
  struct Case {
    int slot;
    int method;
    const char* name;
    bool match;
    int selected;
  };
  const Case cases[] = {
      {0, cmF1, "F1", true, cmRO},
      {1, cmOP, "OP", true, cmOP},
      {-1, cmNone, "", false, cmNone},
      {2, cmNone, "", false, cmNone},
      {3, cmNone, "", false, cmNone},
      {-2147483647 - 1, cmNone, "", false, cmNone},
      {2147483647, cmNone, "", false, cmNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(calibr.GetPortMethod(c.slot), c.method) << c.slot;
    EXPECT_EQ(calibr.GetMethodName(c.slot), c.name) << c.slot;
    EXPECT_EQ(calibr.HasPortMatch(c.slot), c.match) << c.slot;
    EXPECT_EQ(calibr.GetSelectedMethod(c.slot), c.selected) << c.slot;
    if (c.slot == 0 || c.slot == 1) continue;
    try {
      calibr.SetPortMethod(cmRS, c.slot);
      ADD_FAILURE() << "slot " << c.slot << " was accepted";
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 200) << c.slot;
    }
    // Nothing was stored: the last good request still stands.
    EXPECT_EQ(calibr.RequestedSlot, 1) << c.slot;
    EXPECT_EQ(calibr.RequestedMethod[0], cmRO) << c.slot;
    EXPECT_EQ(calibr.RequestedMethod[1], cmOP) << c.slot;
  }
  EXPECT_EQ(events, 0);
}

TEST_F(CalibrationRecord, CalculationTakesTheLocalTimeOfTheClock) {
  TCalKitsModule module(TestFolder());
  TCalKitsModule* previous = CalKitsModule;
  CalKitsModule = &module;
  platform::ManualClock clock;
  clock.setLocalTime({2026, 3, 4, 5, 6, 7, 500});
  platform::ScopedClock scoped(clock);
  calibr.StoreStandard(ckOpen, 0, *channel);
  calibr.SetStandardSelected(ckOpen, 0, true);
  events = 0;
  calibr.Calculate(0, 1, cmRT);
  CalKitsModule = previous;
  EXPECT_EQ(calibr.Method[0], cmRO);
  EXPECT_EQ(calibr.DataTime, "2026-03-04 05:06:07");
  EXPECT_LT(calibr.DataTime.size(), 20u);  // the file fields hold 20 bytes with the terminator
  // 2026-03-04 is day 46085 after 1899-12-30.
  EXPECT_NEAR(calibr.CalDate, 46085 + (5 * 3600 + 6 * 60 + 7.5) / 86400.0, 1e-9);
  EXPECT_EQ(calibr.KitLabel, module.GetKits().GetSelected()->Name);
  EXPECT_FALSE(calibr.IsStandardSelected(ckOpen, 0));
  EXPECT_EQ(events, 1);
}

TEST_F(CalibrationRecord, DayCountAnchors) {
  EXPECT_EQ(TCalibr::DateFromLocalTime(1899, 12, 30, 0, 0, 0, 0), 0);
  EXPECT_EQ(TCalibr::DateFromLocalTime(1900, 3, 1, 0, 0, 0, 0), 61);
  EXPECT_EQ(TCalibr::DateFromLocalTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_EQ(TCalibr::DateTimeText(999, 12, 31, 23, 59, 59), "0999-12-31 23:59:59");
}

}  // namespace
