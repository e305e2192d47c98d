#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "ChannelFakes.h"
#include "model/EAbort.h"
#include "model/Range.h"

namespace {

constexpr double kR = 0.000025;  // the fake K30 plan's resolution

struct Channel : fakes::ChannelServices {
  TRange range{nullptr};
  fakes::EventCounter events;
  Channel() {
    range.ChangeNotify = true;
    events.Attach(range);
  }
  int Rebuilds() const { return cursor.shown; }
};

TEST(Channel, NewK30ChannelHasTheDefaults) {
  fakes::ChannelServices services;
  TRange range(nullptr);
  EXPECT_EQ(range.MinFrequency, 85);
  EXPECT_EQ(range.MaxFrequency, 14000);
  EXPECT_EQ(range.NPoints, 201);
  EXPECT_EQ(range.OutputPower, -10);
  EXPECT_EQ(range.CommonIFBW, 10000);
  EXPECT_EQ(range.SweepMode, TRange::Lin);
  EXPECT_EQ(range.FixedFreq, (85 + 14000) / 2.0);
  EXPECT_EQ(range.MinPower, 0);  // the rebuild limits the power-sweep range
  EXPECT_EQ(range.MaxPower, 0);
  ASSERT_EQ(range.GetSegmentCount(), 1);
  TSegment def;
  def.Start = def.Stop = 85;
  EXPECT_EQ(range.GetSegment(0), def);
  ASSERT_EQ(range.GetCount(), 201);
  EXPECT_EQ(range.GetPointFrequency(0), 85);
  EXPECT_EQ(range.GetPointFrequency(200), 14000);
  EXPECT_FALSE(range.ChangeNotify);
  EXPECT_EQ(range.AverageFactor, 10);
  EXPECT_EQ(range.FOMAdjPeriod, 2);
  EXPECT_EQ(range.ZConvValue[0], 50);
  EXPECT_EQ(range.ExtFreq2, 1000);
  EXPECT_TRUE(range.PointCorrection);
}

TEST(Channel, DeviceLimitsFollowTheModelRow) {
  fakes::ChannelServices services;
  fakes::FakeSynthPlan k12;
  k12.maxFrequency = 5400;
  k12.ifAccuracy = 0.00001;
  k12.intermediateFreq = 0.18;
  services.scope->SynthesizerTV = &k12;
  TRange range(nullptr);
  struct Case {
    int row;
    double max, resolution, intermediate;
  };
  for (const Case& c : {Case{3, 5400, 0.00001, 0.18}, Case{4, 14000, 0.000025, 0.24}, Case{5, 0, 0, 0},
                        Case{0, 0, 0, 0}}) {
    services.device.row = c.row;
    EXPECT_EQ(range.GetDeviceMaxFrequency(), c.max) << c.row;
    EXPECT_EQ(range.GetDeviceFreqResolution(), c.resolution) << c.row;
    EXPECT_EQ(range.GetDeviceIF(), c.intermediate) << c.row;
    EXPECT_EQ(range.GetDeviceMinFrequency(), c.max == 0 ? 0 : 85) << c.row;
  }
  services.scope->Device = nullptr;
  EXPECT_EQ(range.GetDeviceMaxFrequency(), 0);
  EXPECT_EQ(range.GetModelRow(), -1);
}

// One row of the setter table: preset, call, expected stored values, whether the points were
// rebuilt, and how often OnChange and OnSettingsChange fired (ChangeNotify on).
struct SetterCase {
  const char* name;
  std::function<void(Channel&)> preset;
  std::function<void(TRange&)> call;
  std::function<void(const TRange&)> check;
  bool rebuild;
  int changes;
  int settings;
};

void Full(Channel&) {}

std::vector<SetterCase> SetterCases() {
  return {
      {"point count limited to 16001", Full, [](TRange& r) { r.SetPointCount(20000); },
       [](const TRange& r) { EXPECT_EQ(r.NPoints, 16001); }, true, 1, 1},
      {"point count limited by a span of 10 r",
       [](Channel& c) {
         c.range.MinFrequency = 1000;
         c.range.MaxFrequency = 1000 + 10 * kR;
       },
       [](TRange& r) { r.SetPointCount(20000); }, [](const TRange& r) { EXPECT_EQ(r.NPoints, 11); }, true, 1, 1},
      {"point count lower limit", Full, [](TRange& r) { r.SetPointCount(-5); },
       [](const TRange& r) { EXPECT_EQ(r.NPoints, 2); }, true, 1, 1},
      {"same point count", Full, [](TRange& r) { r.SetPointCount(201); },
       [](const TRange& r) { EXPECT_EQ(r.NPoints, 201); }, false, 0, 0},
      {"delay rounded to 0.005", Full, [](TRange& r) { r.SetDelay(0.0123); },
       [](const TRange& r) { EXPECT_EQ(r.CommonDelay, 0.01); }, true, 1, 1},
      {"delay limited to 320", Full, [](TRange& r) { r.SetDelay(500); },
       [](const TRange& r) { EXPECT_EQ(r.CommonDelay, 320); }, true, 1, 1},
      {"same delay", Full, [](TRange& r) { r.SetDelay(0.001); },
       [](const TRange& r) { EXPECT_EQ(r.CommonDelay, 0); }, false, 0, 0},
      {"output power limited to the device range", Full, [](TRange& r) { r.SetOutputPower(-7.33); },
       [](const TRange& r) {
         EXPECT_EQ(r.OutputPower, 0);
         EXPECT_EQ(r.GetPoint(100)->Power, 0);
       },
       false, 1, 1},
      {"same output power", [](Channel& c) { c.range.OutputPower = 0; }, [](TRange& r) { r.SetOutputPower(0.01); },
       [](const TRange& r) { EXPECT_EQ(r.OutputPower, 0); }, false, 0, 0},
      {"power slope limited by the stop power",
       [](Channel& c) {
         c.range.OutputPower = 0;
         c.range.MinFrequency = 1000;
         c.range.MaxFrequency = 6000;
         c.range.RebuildPoints();
       },
       [](TRange& r) { r.SetPowerSlope(1.5); },
       [](const TRange& r) {
         EXPECT_NEAR(r.PowerSlope, 0.6, 1e-15);
         EXPECT_NEAR(r.GetPoint(r.GetCount() - 1)->Power, 3, 1e-12);
       },
       false, 1, 1},
      {"power slope 0 in demonstration mode",
       [](Channel& c) {
         c.device.demo = true;
         c.range.PowerSlope = 0.3;
       },
       [](TRange& r) { r.SetPowerSlope(1.5); }, [](const TRange& r) { EXPECT_EQ(r.PowerSlope, 0); }, false, 1, 1},
      {"power slope with zero span", [](Channel& c) { c.range.MaxFrequency = c.range.MinFrequency; },
       [](TRange& r) { r.SetPowerSlope(1); }, [](const TRange& r) { EXPECT_EQ(r.PowerSlope, 0); }, false, 0, 0},
      {"same sweep type", Full, [](TRange& r) { r.SetSweepType(0); },
       [](const TRange& r) { EXPECT_EQ(r.SweepMode, 0); }, false, 0, 0},
      {"sweep type LOG", Full, [](TRange& r) { r.SetSweepType(1); },
       [](const TRange& r) { EXPECT_EQ(r.SweepMode, 1); }, true, 1, 1},
      {"unknown sweep code stored as given", Full, [](TRange& r) { r.SetSweepType(7); },
       [](const TRange& r) {
         EXPECT_EQ(r.SweepMode, 7);
         EXPECT_EQ(r.GetCount(), 201);
       },
       true, 1, 1},
      {"same IF bandwidth", Full, [](TRange& r) { r.SetIFBW(10000); },
       [](const TRange& r) { EXPECT_EQ(r.CommonIFBW, 10000); }, false, 0, 0},
      {"IF bandwidth without check", Full, [](TRange& r) { r.SetIFBW(-3); },
       [](const TRange& r) {
         EXPECT_EQ(r.CommonIFBW, -3);
         EXPECT_EQ(r.GetPointIFBW(7), -3);
       },
       false, 1, 1},
      {"IF bandwidth leaves grid points alone", [](Channel& c) { c.range.SweepMode = 3; },
       [](TRange& r) { r.SetIFBW(300); }, [](const TRange& r) { EXPECT_EQ(r.GetPointIFBW(7), 10000); }, false, 1,
       1},
      {"same start still reports", Full, [](TRange& r) { r.SetStartFrequency(85); },
       [](const TRange& r) { EXPECT_EQ(r.MinFrequency, 85); }, false, 1, 1},
      {"start above the stop moves the stop",
       [](Channel& c) {
         c.range.MinFrequency = 1000;
         c.range.MaxFrequency = 2000;
       },
       [](TRange& r) { r.SetStartFrequency(3000); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinFrequency, 3000);
         EXPECT_EQ(r.MaxFrequency, 3000);
       },
       true, 1, 1},
      {"too narrow a span becomes zero span",
       [](Channel& c) {
         c.range.MinFrequency = 1000;
         c.range.MaxFrequency = 1000.001;
       },
       [](TRange& r) { r.SetStartFrequency(999.999); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinFrequency, 1000.001);
         EXPECT_EQ(r.MaxFrequency, 1000.001);
       },
       true, 1, 1},
      {"stop below the band", Full, [](TRange& r) { r.SetStopFrequency(-1e308); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinFrequency, 85);
         EXPECT_EQ(r.MaxFrequency, 85);
         EXPECT_FALSE(r.FreqCenterPriority);
       },
       true, 1, 1},
      {"zero span at the centre",
       [](Channel& c) {
         c.range.MinFrequency = 1000;
         c.range.MaxFrequency = 2000;
       },
       [](TRange& r) { r.SetSpan(0); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinFrequency, 1500);
         EXPECT_EQ(r.MaxFrequency, 1500);
         EXPECT_TRUE(r.FreqCenterPriority);
       },
       true, 1, 1},
      {"small span raised to (N - 1) r",
       [](Channel& c) {
         c.range.MinFrequency = 1000;
         c.range.MaxFrequency = 2000;
       },
       [](TRange& r) { r.SetSpan(0.001); },
       [](const TRange& r) { EXPECT_NEAR(r.GetSpan(), 200 * kR, 1e-12); }, true, 1, 1},
      {"centre near the band edge narrows the span", Full, [](TRange& r) { r.SetCenterFrequency(13900); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinFrequency, 13800);
         EXPECT_EQ(r.MaxFrequency, 14000);
       },
       true, 1, 1},
      {"fixed frequency limited to the band", Full, [](TRange& r) { r.SetFixedFrequency(1e9); },
       [](const TRange& r) { EXPECT_EQ(r.FixedFreq, 14000); }, true, 1, 1},
      {"power sweep start always reports", Full, [](TRange& r) { r.SetPowerSweepStart(-20); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinPower, 0);
         EXPECT_FALSE(r.PowerCenterPriority);
       },
       false, 1, 1},
      {"power sweep span", [](Channel& c) { c.range.MinPower = -3; }, [](TRange& r) { r.SetPowerSweepSpan(5); },
       [](const TRange& r) {
         EXPECT_EQ(r.MinPower, 0);
         EXPECT_EQ(r.MaxPower, 0);
         EXPECT_TRUE(r.PowerCenterPriority);
       },
       true, 1, 1},
      {"average factor lower limit", Full, [](TRange& r) { r.SetAverageFactor(0); },
       [](const TRange& r) { EXPECT_EQ(r.AverageFactor, 1); }, false, 0, 1},
      {"average factor upper limit with averaging on", [](Channel& c) { c.range.AverageEnabled = true; },
       [](TRange& r) { r.SetAverageFactor(5000); }, [](const TRange& r) { EXPECT_EQ(r.AverageFactor, 999); }, false,
       1, 1},
      {"averaging on", Full, [](TRange& r) { r.SetAverageEnabled(true); },
       [](const TRange& r) { EXPECT_TRUE(r.AverageEnabled); }, false, 1, 1},
      {"average count", [](Channel& c) { c.range.AverageEnabled = true; }, [](TRange& r) { r.SetAverageCount(50); },
       [](const TRange& r) { EXPECT_EQ(r.AverageCount, 10); }, false, 1, 0},
      {"centre priority only reports", Full, [](TRange& r) { r.SetFreqCenterPriority(true); },
       [](const TRange& r) { EXPECT_TRUE(r.FreqCenterPriority); }, false, 0, 1},
  };
}

TEST(Channel, SetterTable) {
  for (const SetterCase& c : SetterCases()) {
    SCOPED_TRACE(c.name);
    Channel ch;
    c.preset(ch);
    ch.events.Reset();
    const int rebuilds = ch.Rebuilds();
    c.call(ch.range);
    c.check(ch.range);
    EXPECT_EQ(ch.Rebuilds() - rebuilds, c.rebuild ? 1 : 0);
    EXPECT_EQ(ch.events.change, c.changes);
    EXPECT_EQ(ch.events.settings, c.settings);
    for (bool changing : ch.events.changingDuringChange) EXPECT_TRUE(changing);
    EXPECT_FALSE(ch.range.Changing);
  }
}

TEST(Channel, WithoutChangeNotifyOnlySettingsChangeFires) {
  Channel ch;
  ch.range.ChangeNotify = false;
  ch.range.SetDelay(1);
  ch.range.SetIFBW(300);
  EXPECT_EQ(ch.events.change, 0);
  EXPECT_EQ(ch.events.settings, 2);
}

// Every numeric setter, with a value that is not a number or infinite: nothing changes and
// nothing fires. With huge finite values the setters limit.
std::vector<std::function<void(TRange&, double)>> NumericSetters() {
  return {
      [](TRange& r, double v) { r.SetStartFrequency(v); },   [](TRange& r, double v) { r.SetStopFrequency(v); },
      [](TRange& r, double v) { r.SetCenterFrequency(v); },  [](TRange& r, double v) { r.SetSpan(v); },
      [](TRange& r, double v) { r.SetFixedFrequency(v); },   [](TRange& r, double v) { r.SetOutputPower(v); },
      [](TRange& r, double v) { r.SetPowerSlope(v); },       [](TRange& r, double v) { r.SetPowerSweepStart(v); },
      [](TRange& r, double v) { r.SetPowerSweepStop(v); },   [](TRange& r, double v) { r.SetPowerSweepCenter(v); },
      [](TRange& r, double v) { r.SetPowerSweepSpan(v); },   [](TRange& r, double v) { r.SetDelay(v); },
      [](TRange& r, double v) { r.SetOffsetValue(0, v); },   [](TRange& r, double v) { r.SetOffsetAdjustValue(1, v); },
      [](TRange& r, double v) { r.SetZConversionValue(0, v); },
      [](TRange& r, double v) { r.SetSegmentStart(0, v); }, [](TRange& r, double v) { r.SetSegmentStop(0, v); },
      [](TRange& r, double v) { r.SetSegmentCenter(0, v); }, [](TRange& r, double v) { r.SetSegmentSpan(0, v); },
      [](TRange& r, double v) { r.SetSegmentDelay(0, v); }, [](TRange& r, double v) { r.SetSegmentPower(0, v); },
  };
}

TEST(Channel, NonFiniteValuesChangeNothingAndFireNothing) {
  Channel ch;
  ch.range.SetStartFrequency(1000);
  ch.range.SetStopFrequency(2000);
  ch.events.Reset();
  TRangeSettings before;
  TSegments segmentsBefore;
  ch.range.GetSettings(before, segmentsBefore);
  const auto setters = NumericSetters();
  for (size_t k = 0; k < setters.size(); ++k) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
      setters[k](ch.range, bad);
    }
  }
  TRangeSettings after;
  TSegments segmentsAfter;
  ch.range.GetSettings(after, segmentsAfter);
  EXPECT_EQ(after, before);
  EXPECT_EQ(segmentsAfter, segmentsBefore);
  EXPECT_EQ(ch.range.ZConvValue[0], 50);
  EXPECT_EQ(ch.events.change, 0);
  EXPECT_EQ(ch.events.settings, 0);
}

TEST(Channel, HugeValuesAreLimited) {
  for (double huge : {1e308, -1e308, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
    Channel ch;
    ch.range.FOMState = true;
    const auto setters = NumericSetters();
    for (const auto& set : setters) set(ch.range, huge);
    TRangeSettings s;
    TSegments segments;
    ch.range.GetSettings(s, segments);
    for (double v : {s.MinFrequency, s.MaxFrequency, s.FixedFreq}) {
      EXPECT_GE(v, 85);
      EXPECT_LE(v, 14000);
    }
    EXPECT_TRUE(s.OutputPower == 0 || s.OutputPower == -10);
    EXPECT_GE(s.PowerSlope, 0);
    EXPECT_LE(s.PowerSlope, 2);
    EXPECT_GE(s.CommonDelay, 0);
    EXPECT_LE(s.CommonDelay, 320);
    EXPECT_LE(std::fabs(s.FOMOffset[0]), 14000);
    EXPECT_LE(std::fabs(s.FOMAdjValue[1]), 0.5);
    EXPECT_GE(ch.range.ZConvValue[0], 0.001);
    EXPECT_LE(ch.range.ZConvValue[0], 10000);
    EXPECT_GE(segments[0].Start, 85);
    EXPECT_LE(segments[0].Stop, 14000);
    EXPECT_GE(segments[0].Delay, 0);
    EXPECT_LE(segments[0].Delay, 320);
    EXPECT_GE(ch.range.GetCount(), 2);
  }
}

TEST(Channel, SweepTypeTextComparesOverTheKeywordsLength) {
  struct Case {
    std::string text;
    int code;  // -1: refused
  };
  const Case cases[] = {
      {"LIN", 0},       {"LINear", 0},       {"lin", 0},   {"logarithmic", 1}, {"LOG", 1}, {"SEGM", 4},
      {"SEGMENTS", 4},  {"segment", 4},      {"seg", -1},  {"", -1},           {"LI", -1}, {" LIN", -1},
      {"ЛИН", -1},      {"LIN\xff", 0},      {"X", -1},    {"\xc4\xb0NEAR", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Channel ch;
    ch.range.SetSweepType(3);
    ch.events.Reset();
    if (c.code < 0) {
      try {
        ch.range.SetSweepTypeText(c.text);
        ADD_FAILURE() << "no failure";
      } catch (const EAbort& e) {
        EXPECT_STREQ(e.what(), "Invalid sweep type specifier");
        EXPECT_EQ(e.HelpContext, 206);
      }
      EXPECT_EQ(ch.range.SweepMode, 3);
      EXPECT_EQ(ch.events.settings, 0);
    } else {
      ch.range.SetSweepTypeText(c.text);
      EXPECT_EQ(ch.range.SweepMode, c.code);
      EXPECT_EQ(ch.events.settings, 1);
    }
  }
}

TEST(Channel, SweepTypeTextOfEachCode) {
  Channel ch;
  const std::pair<int, const char*> cases[] = {{0, "LIN"}, {1, "LOG"}, {4, "SEGM"}, {3, ""}, {2, ""}, {-1, ""}};
  for (const auto& [code, text] : cases) {
    ch.range.SweepMode = code;
    EXPECT_EQ(ch.range.GetSweepTypeText(), text);
  }
}

TEST(Channel, AThrowingHandlerCannotLeaveChangingSet) {
  Channel ch;
  ch.range.OnChange = [](TFObject*) { throw std::runtime_error("handler failed"); };
  EXPECT_THROW(ch.range.SetDelay(1), std::runtime_error);
  EXPECT_FALSE(ch.range.Changing);
  EXPECT_THROW(ch.range.SetIFBW(300), std::runtime_error);
  EXPECT_FALSE(ch.range.Changing);
}

TEST(Channel, AHandlerMayReplaceItself) {
  Channel ch;
  int calls = 0;
  ch.range.OnSettingsChange = [&](TFObject* sender) {
    EXPECT_EQ(sender, &ch.range);
    ++calls;
    ch.range.OnSettingsChange = nullptr;
  };
  ch.range.SetDelay(1);
  ch.range.SetDelay(2);
  EXPECT_EQ(calls, 1);
}

TEST(Channel, PointDelayComesFromTheSegmentThePointWasBuiltFrom) {
  Channel ch;
  TRangeSettings s;
  TSegments unused;
  ch.range.GetSettings(s, unused);
  s.SweepMode = TRange::Segm;
  s.SegmentListDelay = true;
  s.CommonDelay = 7;
  TSegment a, b, c;
  a.Start = 100, a.Stop = 200, a.Points = 3, a.Delay = 1;
  b.Start = 300, b.Stop = 400, b.Points = 3, b.Delay = 2;
  c.Start = 500, c.Stop = 600, c.Points = 3, c.Delay = 3;
  // The middle point of the first segment cannot be planned.
  ch.plan.signalFails = [](double f, double) { return f == 150; };
  ch.range.ApplySettings({a, b, c}, s);
  ASSERT_EQ(ch.range.GetCount(), 8);
  EXPECT_EQ(ch.range.GetPointFrequency(2), 300);
  const double expected[] = {1, 1, 2, 2, 2, 3, 3, 3};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ch.range.GetPointDelay(i), expected[i]) << i;
  EXPECT_EQ(ch.range.GetPointDelay(8), 7);
  EXPECT_EQ(ch.range.GetPointDelay(-1), 7);
  ch.range.SegmentListDelay = false;
  EXPECT_EQ(ch.range.GetPointDelay(2), 7);
}

TEST(Channel, PortFrequencyFollowsTheOffsetMode) {
  Channel ch;
  ch.range.FOMMultiplier[0] = 2;
  ch.range.FOMOffset[0] = 10;
  EXPECT_EQ(ch.range.GetPortFrequency(0, 1000), 1000);
  ch.range.FOMState = true;
  EXPECT_EQ(ch.range.GetPortFrequency(0, 1000), 2010);
  EXPECT_EQ(ch.range.GetPortFrequency(1, 1000), 1000);
  EXPECT_EQ(ch.range.GetPortFrequency(0, 9000), 14000);  // limited to the band
}

TEST(Channel, DestructionUnregistersFromTheOwner) {
  fakes::ChannelServices services;
  TFContainer scanner(nullptr);
  auto* a = new TRange(&scanner);
  auto* b = new TRange(&scanner);
  EXPECT_EQ(scanner.GetCount(), 2);
  delete a;
  EXPECT_EQ(scanner.GetCount(), 1);
  EXPECT_EQ(scanner.GetItem(0), b);
}

}  // namespace
