#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "ChannelFakes.h"
#include "RangeSettingsSample.h"
#include "model/LittleEndian.h"
#include "model/Range.h"
#include "model/RangeSettings.h"

namespace {

using rangesample::Distinct;

TEST(RangeSettings, RecordLayoutIsLittleEndianAtFixedOffsets) {
  const TRangeSettings s = Distinct();
  uint8_t b[TRangeSettings::ByteSize];
  std::memset(b, 0xAA, sizeof b);
  s.WriteBytes(b);
  EXPECT_EQ(le::GetI32(b + 0), 4);
  EXPECT_EQ(le::GetI32(b + 4), 1601);
  EXPECT_EQ(le::GetF64(b + 8), 100.125);
  EXPECT_EQ(le::GetF64(b + 16), 9000.5);
  EXPECT_EQ(le::GetF64(b + 24), -30.5);
  EXPECT_EQ(le::GetF64(b + 32), -1.25);
  EXPECT_EQ(le::GetF64(b + 40), 2500.75);
  EXPECT_EQ(b[48], 1);
  EXPECT_EQ(le::GetF64(b + 56), -123.456);
  EXPECT_EQ(le::GetF64(b + 64), 654.321);
  EXPECT_EQ(le::GetI32(b + 72), -3);
  EXPECT_EQ(le::GetI32(b + 76), 7);
  EXPECT_EQ(le::GetI32(b + 80), 2);
  EXPECT_EQ(le::GetI32(b + 84), 999);
  EXPECT_EQ(b[88], 1);
  EXPECT_EQ(le::GetI32(b + 92), 1);
  EXPECT_EQ(le::GetF64(b + 96), 0.125);
  EXPECT_EQ(le::GetF64(b + 104), -0.25);
  EXPECT_EQ(le::GetI32(b + 112), 3000);
  EXPECT_EQ(le::GetF64(b + 120), 12.5);
  EXPECT_EQ(le::GetF64(b + 128), -10);
  EXPECT_EQ(le::GetF64(b + 136), 1.75);
  EXPECT_EQ(b[144], 1);
  EXPECT_EQ(b[145], 0);
  EXPECT_EQ(b[146], 1);
  EXPECT_EQ(le::GetI32(b + 148), 3);
  // Reserved bytes are 0.
  for (int offset : {49, 50, 51, 52, 53, 54, 55, 89, 90, 91, 116, 117, 118, 119, 147}) EXPECT_EQ(b[offset], 0) << offset;
  EXPECT_EQ(TRangeSettings::ReadBytes(b), s);
}

TEST(RangeSettings, ReservedBytesAreIgnoredAndAnyFlagByteCounts) {
  uint8_t b[TRangeSettings::ByteSize];
  Distinct().WriteBytes(b);
  for (int offset : {49, 55, 89, 91, 116, 119, 147}) b[offset] = 0x5A;
  b[48] = 2;
  b[145] = 0xFF;
  TRangeSettings expected = Distinct();
  expected.SegmentListPower = true;
  EXPECT_EQ(TRangeSettings::ReadBytes(b), expected);
}

TEST(RangeSettings, SanitiserLimitsLoadedValues) {
  TRangeSettings s = Distinct();
  s.SweepMode = 2;
  s.NPoints = 0;
  s.MinFrequency = std::numeric_limits<double>::quiet_NaN();
  s.MaxFrequency = std::numeric_limits<double>::infinity();
  s.FOMOffset[0] = 1e9;
  s.FOMOffset[1] = std::numeric_limits<double>::quiet_NaN();
  s.FOMMultiplier[0] = 5000;
  s.FOMMultiplier[1] = -5000;
  s.FOMDivider[0] = 0;
  s.FOMDivider[1] = 20000;
  s.FOMAdjPort = 7;
  s.FOMAdjValue[0] = 0.7;
  s.FOMAdjValue[1] = -3;
  s.CommonDelay = -1;
  s.PowerSlope = 5;
  s.OutputPower = -10;
  s.MinPower = -55;
  s.MaxPower = 30;
  SanitizeRangeSettings(s, 85, 14000);
  EXPECT_EQ(s.SweepMode, 0);
  EXPECT_EQ(s.NPoints, 2);
  EXPECT_EQ(s.MinFrequency, 85);
  EXPECT_EQ(s.MaxFrequency, 14000);
  EXPECT_EQ(s.FOMOffset[0], 14000);
  EXPECT_EQ(s.FOMOffset[1], 0);
  EXPECT_EQ(s.FOMMultiplier[0], 1000);
  EXPECT_EQ(s.FOMMultiplier[1], -1000);
  EXPECT_EQ(s.FOMDivider[0], 1);
  EXPECT_EQ(s.FOMDivider[1], 1000);
  EXPECT_EQ(s.FOMAdjPort, 0);
  EXPECT_EQ(s.FOMAdjValue[0], 0.5);
  EXPECT_EQ(s.FOMAdjValue[1], -0.5);
  EXPECT_EQ(s.CommonDelay, 0);
  EXPECT_EQ(s.PowerSlope, 2);
  // Written by the program outside the setters' ranges: kept.
  EXPECT_EQ(s.OutputPower, -10);
  EXPECT_EQ(s.MinPower, -55);
  EXPECT_EQ(s.MaxPower, 30);

  for (int code : {0, 1, 3, 4}) {
    TRangeSettings t = Distinct();
    t.SweepMode = code;
    SanitizeRangeSettings(t, 85, 14000);
    EXPECT_EQ(t.SweepMode, code);
  }
}

TEST(RangeSettings, SanitiserKeepsWhatTheProgramWrites) {
  fakes::ChannelServices services;
  TRange range(nullptr);
  range.SetOffsetValue(0, -14000);
  range.SetOffsetValue(1, 0.000001);
  range.SetOffsetMultiplier(0, -1000);
  range.SetOffsetDivider(1, 1000);
  range.SetOffsetAdjustValue(0, -0.5);
  range.SetDelay(0.175);
  range.SetStartFrequency(1000);
  range.SetStopFrequency(1001);
  range.SetPowerSlope(2);
  range.FOMAdjPort = 1;
  TRangeSettings s;
  TSegments segments;
  range.GetSettings(s, segments);
  const TRangeSettings before = s;
  SanitizeRangeSettings(s, 85, 14000);
  EXPECT_EQ(s, before);
  Distinct();
  TRangeSettings d = Distinct();
  SanitizeRangeSettings(d, 85, 14000);
  EXPECT_EQ(d, Distinct());
}

TEST(RangeSettings, TakeAndApplyLeavesTheStimulusAndRebuildsOnce) {
  fakes::ChannelServices services;
  TRange range(nullptr);
  range.SetStartFrequency(1000);
  range.SetStopFrequency(3000);
  range.SetPointCount(11);
  range.SetOffsetMultiplier(1, 3);
  range.ChangeNotify = true;
  fakes::EventCounter events;
  events.Attach(range);
  TRangeSettings s;
  TSegments segments;
  range.GetSettings(s, segments);
  EXPECT_EQ(s.SegmentCount, 1);
  const int rebuilds = services.cursor.shown;
  range.ApplySettings(segments, s);
  EXPECT_EQ(services.cursor.shown - rebuilds, 1);
  TRangeSettings again;
  TSegments segmentsAgain{TSegment{}, TSegment{}};
  range.GetSettings(again, segmentsAgain);
  EXPECT_EQ(again, s);
  EXPECT_EQ(segmentsAgain, segments);
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(events.settings, 1);
  EXPECT_EQ(events.changingDuringChange, std::vector<bool>{true});
  EXPECT_EQ(range.GetCount(), 11);
}

TEST(RangeSettings, ApplyLimitsOnlyThePointCount) {
  fakes::ChannelServices services;
  TRange range(nullptr);
  TRangeSettings s;
  TSegments segments;
  range.GetSettings(s, segments);
  s.NPoints = 1;
  range.ApplySettings(segments, s);
  EXPECT_EQ(range.NPoints, 2);
  s.NPoints = 20000;
  s.MinFrequency = 10;  // below the band: taken, then limited by the rebuild
  s.CommonDelay = 0.0123;
  range.ApplySettings(segments, s);
  EXPECT_EQ(range.NPoints, 16001);
  EXPECT_EQ(range.MinFrequency, 85);
  EXPECT_EQ(range.CommonDelay, 0.0123);
  EXPECT_EQ(range.GetCount(), 16001);
  range.ApplySettings({}, s);  // an empty table still leaves one segment
  EXPECT_EQ(range.GetSegmentCount(), 1);
}

struct SameSettings : fakes::ChannelServices {
  TRange range{nullptr};
  TRangeSettings s;
  TSegments segments;
  SameSettings(int sweepMode) {
    range.SweepMode = sweepMode;
    range.GetSettings(s, segments);
  }
};

TEST(RangeSettings, SameSettingsCases) {
  struct Case {
    const char* name;
    int sweepMode;
    std::function<void(SameSettings&)> change;
    bool same;
  };
  const Case cases[] = {
      {"identical LIN", 0, [](SameSettings&) {}, true},
      {"sweep type", 0, [](SameSettings& c) { c.s.SweepMode = 1; }, false},
      {"LIN segment table", 0, [](SameSettings& c) { c.segments[0].Stop = 86; }, false},
      {"LIN segment count", 0, [](SameSettings& c) { c.segments.push_back(c.segments[0]); }, false},
      {"LIN power within tolerance", 0, [](SameSettings& c) { c.s.OutputPower += 1e-14; }, true},
      {"SEGM common power exactly", 4, [](SameSettings& c) { c.s.OutputPower += 1e-14; }, false},
      {"SEGM per-segment power ignores the common one", 4,
       [](SameSettings& c) {
         c.range.SegmentListPower = true;
         c.s.OutputPower += 1;
       },
       true},
      {"SEGM per-segment power compared", 4,
       [](SameSettings& c) {
         c.range.SegmentListPower = true;
         c.segments[0].Power = -9;
       },
       false},
      {"SEGM segment IFBW ignored without the list flag", 4, [](SameSettings& c) { c.segments[0].IFBW = 300; },
       true},
      {"SEGM segment IFBW with the list flag", 4,
       [](SameSettings& c) {
         c.range.SegmentListIFBW = true;
         c.segments[0].IFBW = 300;
       },
       false},
      {"SEGM common delay", 4, [](SameSettings& c) { c.s.CommonDelay = 1; }, false},
      {"SEGM point count of the record does not matter", 4, [](SameSettings& c) { c.s.NPoints = 5; }, true},
      {"LIN point count", 0, [](SameSettings& c) { c.s.NPoints = 5; }, false},
      {"LOG slope", 1, [](SameSettings& c) { c.s.PowerSlope = 0.5; }, false},
      {"grid point count", 3, [](SameSettings& c) { c.s.NPoints = 5; }, true},
      {"grid segment table", 3, [](SameSettings& c) { c.segments.clear(); }, true},
      {"offset mode", 3, [](SameSettings& c) { c.s.FOMState = true; }, false},
      {"offset values while the mode is off", 0, [](SameSettings& c) { c.s.FOMOffset[0] = 5; }, true},
      {"offset values with the mode on", 3,
       [](SameSettings& c) {
         c.range.FOMState = c.s.FOMState = true;
         c.s.FOMAdjValue[1] = 0.001;
       },
       false},
      {"offset adjust port with the mode on", 3,
       [](SameSettings& c) {
         c.range.FOMState = c.s.FOMState = true;
         c.s.FOMAdjPort = 1;
       },
       false},
      {"offset with the mode on within tolerance", 3,
       [](SameSettings& c) {
         c.range.FOMState = c.s.FOMState = true;
         c.s.FOMOffset[1] += 1e-13;
       },
       true},
  };
  for (const Case& c : cases) {
    SameSettings env(c.sweepMode);
    c.change(env);
    EXPECT_EQ(env.range.IsSameSettings(env.segments, env.s), c.same) << c.name;
  }
}

TEST(RangeSettings, CopySettingsFromCopiesStimulusAndCorrections) {
  fakes::ChannelServices services;
  TRange source(nullptr);
  source.SetStartFrequency(1000);
  source.SetStopFrequency(2000);
  source.SetPointCount(51);
  source.FOMAutoAdjust = true;
  source.FOMAdjPeriod = 4;
  source.ZConvEnabled = true;
  source.ZConvValue[1] = 75;
  source.DeembEnabled[0] = true;
  source.DeembFile[0] = "fixture.s2p";
  source.AverageFactor = 7;
  source.AverageCount = 3;
  source.Extension[1] = 1e-9;
  source.ExtLossAtDC = 0.5;
  source.SegmentCenterPriority = true;
  source.FreqCenterPriority = true;
  source.Segments.push_back(source.Segments[0]);

  TRange target(nullptr);
  target.ChangeNotify = true;
  fakes::EventCounter events;
  events.Attach(target);
  target.DeembNetwork[0].SetOnePortData({{0, 0}, {0, 0}}, 200, 100);
  target.CopySettingsFrom(source, true);
  EXPECT_EQ(target.MinFrequency, 1000);
  EXPECT_EQ(target.NPoints, 51);
  EXPECT_EQ(target.GetCount(), 51);
  EXPECT_TRUE(target.FOMAutoAdjust);
  EXPECT_EQ(target.FOMAdjPeriod, 4);
  EXPECT_EQ(target.ZConvValue[1], 75);
  EXPECT_EQ(target.DeembFile[0], "fixture.s2p");
  EXPECT_TRUE(target.DeembEnabled[0]);
  EXPECT_EQ(target.DeembNetwork[0].GetCount(), 0);  // reloaded from the copied name
  EXPECT_EQ(target.DeembActive, 0);
  EXPECT_EQ(target.AverageFactor, 7);
  EXPECT_EQ(target.Extension[1], 1e-9);
  EXPECT_EQ(target.ExtLossAtDC, 0.5);
  EXPECT_TRUE(target.FreqCenterPriority);
  EXPECT_EQ(target.GetSegmentCount(), 2);
  EXPECT_FALSE(target.SegmentCenterPriority);
  EXPECT_EQ(target.AverageCount, 0);
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(events.settings, 1);
  EXPECT_EQ(events.changingDuringChange, std::vector<bool>{true});
}

}  // namespace
