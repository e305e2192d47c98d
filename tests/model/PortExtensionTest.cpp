#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "PointPathFakes.h"
#include "model/EAbort.h"
#include "model/Range.h"

namespace {

using pathfakes::PathChannel;
using pathfakes::RelativeError;

// Gain of a loss in dB.
double Gain(double dB) { return std::pow(10.0, dB / 20); }

struct LossSetup {
  double dc = 0;
  bool on1 = false;
  double loss1 = 0, freq1 = 1000;
  bool on2 = false;
  double loss2 = 0, freq2 = 1000;
};

void Apply(TRange& r, const LossSetup& s) {
  r.ExtLossAtDC = s.dc;
  r.ExtLoss1Enabled = s.on1;
  r.ExtLoss1 = s.loss1;
  r.ExtFreq1 = s.freq1;
  r.ExtLoss2Enabled = s.on2;
  r.ExtLoss2 = s.loss2;
  r.ExtFreq2 = s.freq2;
}

TEST(PortExtension, DelayTurnsThePhaseTwiceOnPortZero) {
  // 1 ns at 250 MHz is a quarter turn each way: the data are negated.
  PathChannel c(3, 250, 750);
  c.range->PortExtensionsEnabled = true;
  c.range->Extension[0] = 1e-9;
  const TComplex g{0.25, 0.5};
  const TComplex s21{0.7, -0.1};
  for (int i = 0; i < 3; ++i) {
    c.Put(i, g, s21);
    c.range->ProcessPoint(i);
  }
  EXPECT_LT(RelativeError(c.Data(0, 0), -g), 1e-12);  // 250 MHz: pi
  EXPECT_LT(RelativeError(c.Data(0, 1), g), 1e-12);   // 500 MHz: 2 pi
  EXPECT_LT(RelativeError(c.Data(0, 2), -g), 1e-12);  // 750 MHz: 3 pi
  for (int i = 0; i < 3; ++i) EXPECT_EQ(c.Data(1, i), s21) << i;
}

TEST(PortExtension, NothingWhileSwitchedOffAndPortOneDelayIsNeverApplied) {
  PathChannel c(3, 250, 750);
  c.range->Extension[0] = 1e-9;
  c.range->ExtLossAtDC = 3;
  c.Put(0, TComplex{0.25, 0.5}, TComplex{0.7, -0.1});
  c.range->ProcessPoint(0);
  EXPECT_EQ(c.Data(0, 0), (TComplex{0.25, 0.5}));
  c.range->PortExtensionsEnabled = true;
  c.range->Extension[0] = 0;
  c.range->ExtLossAtDC = 0;
  c.range->Extension[1] = 0.37e-9;
  c.Put(0, TComplex{0.25, 0.5}, TComplex{0.7, -0.1});
  c.range->ProcessPoint(0);
  EXPECT_EQ(c.Data(0, 0), (TComplex{0.25, 0.5}));
  EXPECT_EQ(c.Data(1, 0), (TComplex{0.7, -0.1}));
}

TEST(PortExtension, LossLaws) {
  struct Case {
    const char* name;
    LossSetup setup;
    double f;           // MHz
    double totalGainDb; // both passes
  };
  const double n = std::log10(1.0 / 3) / std::log10(1.0 / 4);
  ASSERT_NEAR(n, 0.792, 0.0005);
  const std::vector<Case> cases = {
      {"one point, square root", {0, true, 1, 1000}, 4000, 4},
      {"one point at its frequency", {0, true, 1, 1000}, 1000, 2},
      {"two points, n = 0.5", {0, true, 1, 1000, true, 2, 4000}, 4000, 4},
      {"two points, n = 0.792 at point 2", {0, true, 1, 1000, true, 3, 4000}, 4000, 6},
      {"two points, n = 0.792 between", {0, true, 1, 1000, true, 3, 4000}, 2000, 2 * std::pow(2.0, n)},
      {"DC only", {0.5}, 4000, 1},
      {"DC only, low frequency", {0.5}, 100, 1},
      {"DC and point 1", {0.5, true, 1.5, 1000}, 4000, 2 * (0.5 + 1.0 * 2)},
      {"point 2 only", {0, false, 5, 1000, true, 2, 4000}, 1000, 2},
      {"points at one frequency: point 1 alone", {0, true, 1, 1000, true, 7, 1000}, 4000, 4},
      {"point 1 without frequency: point 2", {0, true, 1, 0, true, 2, 4000}, 1000, 2},
      // A zero loss 1 has no logarithm: the pair is not usable, point 2 alone sets the law.
      {"zero loss 1 falls to point 2", {0, true, 0, 1000, true, 2, 4000}, 1000, 2},
      {"zero loss 1 and DC", {0.5, true, 0, 1000, false, 0, 1000}, 4000, 1},
  };
  for (const Case& k : cases) {
    PathChannel c(3, k.f, k.f + 1000);
    c.range->PortExtensionsEnabled = true;
    Apply(*c.range, k.setup);
    const TComplex g{0.25, 0.5};
    c.Put(0, g, TComplex{0.7, -0.1});
    c.range->ProcessPoint(0);
    const TComplex got = c.Data(0, 0);
    ASSERT_TRUE(std::isfinite(got.Re) && std::isfinite(got.Im)) << k.name;
    EXPECT_LT(RelativeError(got, g * Gain(k.totalGainDb)), 1e-12) << k.name;
    EXPECT_EQ(c.Data(1, 0), (TComplex{0.7, -0.1})) << k.name;
    double factor = 0;
    ASSERT_TRUE(c.range->GetPortExtensionLoss(0, factor)) << k.name;
    EXPECT_NEAR(factor, Gain(k.totalGainDb / 2), 1e-12) << k.name;
  }
}

TEST(PortExtension, NewSettingsActFromTheNextPoint) {
  // Each change of a setting, and a new point list of the same length, must show at the next
  // processed point.
  PathChannel c(3, 1000, 2000);
  c.range->PortExtensionsEnabled = true;
  c.range->ExtLoss1Enabled = true;
  c.range->ExtLoss1 = 1;
  const TComplex g{0.25, 0.5};
  const auto process = [&]() {
    c.Put(0, g, TComplex{});
    c.range->ProcessPoint(0);
    return c.Data(0, 0);
  };
  EXPECT_LT(RelativeError(process(), g * Gain(2)), 1e-12);  // 1 dB at 1000 MHz, twice
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"frequency 1", [&] { c.range->SetExtFreq1(4000); }},  // 0.5 dB each way
      {"loss 1", [&] { c.range->SetExtLoss1(2); }},          // 1 dB each way
      {"DC loss", [&] { c.range->SetExtLossAtDC(0.5); }},    // 0.5 + 1.5 * 0.5 = 1.25 dB
      {"loss 2 while off", [&] {
         c.range->SetExtLoss2(3);
         c.range->SetExtFreq2(16000);
       }},                                                            // unchanged
      {"loss 2 on", [&] { c.range->SetExtLoss2Enabled(true); }},      // the power law through both
      {"loss 1 off", [&] { c.range->SetExtLoss1Enabled(false); }},    // 0.5 + 2.5 * 0.25 = 1.125
      {"delay", [&] { c.range->SetPortExtension(0, 1e-9 / 4); }},      // and a quarter turn each way at 1000 MHz
      {"new list", [&] { c.Shape(3, 4000, 5000); }},                     // 0.5 + 2.5 * 0.5 = 1.75, a full turn each way
  };
  const double n = std::log10(2.0 / 3) / std::log10(4000.0 / 16000);
  const std::vector<TComplex> want = {g * Gain(1),   g * Gain(2),    g * Gain(2.5),
                                      g * Gain(2.5), g * Gain(2 * (0.5 + 1.5 * std::pow(0.25, n))),
                                      g * Gain(2.25), -g * Gain(2.25), g * Gain(3.5)};
  for (size_t k = 0; k < steps.size(); ++k) {
    steps[k].second();
    EXPECT_LT(RelativeError(process(), want[k]), 1e-12) << steps[k].first;
  }
}

TEST(PortExtension, WhatCountsAsActive) {
  struct Case {
    const char* name;
    bool enabled;
    double ext0, ext1;
    LossSetup loss;
    bool hasLoss, active;
  };
  const std::vector<Case> cases = {
      {"nothing set", true, 0, 0, {}, false, false},
      {"port 1 delay only", true, 0, 1e-9, {}, false, false},
      {"port 0 delay", true, 1e-9, 0, {}, false, true},
      {"port 0 delay under 1e-15", true, 1e-16, 0, {}, false, false},
      {"switched off", false, 1e-9, 0, {0.5}, true, false},
      {"DC loss", true, 0, 0, {0.5}, true, true},
      {"loss point 1", true, 0, 0, {0, true, 1, 1000}, true, true},
      {"loss point 1 off", true, 0, 0, {0, false, 1, 1000}, false, false},
      {"loss point 1 of 0 dB", true, 0, 0, {0, true, 0, 1000}, false, false},
      {"loss point 2 at 0 MHz", true, 0, 0, {0, false, 0, 1000, true, 2, 0}, false, false},
  };
  for (const Case& k : cases) {
    PathChannel c;
    c.range->PortExtensionsEnabled = k.enabled;
    c.range->Extension[0] = k.ext0;
    c.range->Extension[1] = k.ext1;
    Apply(*c.range, k.loss);
    EXPECT_EQ(c.range->HasExtensionLoss(), k.hasLoss) << k.name;
    EXPECT_EQ(c.range->IsPortExtensionActive(), k.active) << k.name;
    double factor = 0;
    EXPECT_EQ(c.range->GetPortExtensionLoss(0, factor), k.hasLoss) << k.name;
  }
}

TEST(PortExtension, DelayIndexOtherThanZeroOrOneFails) {
  PathChannel c;
  c.range->SetPortExtension(1, 2e-9);
  c.events.Reset();
  for (int i : {-1, 2, 100}) {
    try {
      c.range->SetPortExtension(i, 5e-9);
      FAIL() << i;
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 200);
      EXPECT_EQ(std::string(e.what()), "Execution error");
    }
    EXPECT_THROW(c.range->GetPortExtension(i), EAbort);
  }
  EXPECT_EQ(c.range->GetPortExtension(0), 0);
  EXPECT_EQ(c.range->GetPortExtension(1), 2e-9);
  EXPECT_EQ(c.events.settings, 0);
}

TEST(PortExtension, SettersReportOnlyASettingsChange) {
  using Setter = std::function<void(TRange&)>;
  using Getter = std::function<double(const TRange&)>;
  struct Case {
    const char* name;
    Setter set;
    Getter get;
    double want;
    bool fires;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const auto ext0 = [](const TRange& r) { return r.Extension[0]; };
  const std::vector<Case> cases = {
      {"delay", [](TRange& r) { r.SetPortExtension(0, 3e-9); }, ext0, 3e-9, true},
      {"delay within 1e-15", [](TRange& r) { r.SetPortExtension(0, 1e-16); }, ext0, 0, false},
      {"delay NaN", [&](TRange& r) { r.SetPortExtension(0, nan); }, ext0, 0, false},
      {"delay infinite", [&](TRange& r) { r.SetPortExtension(0, -inf); }, ext0, 0, false},
      {"loss 1", [](TRange& r) { r.SetExtLoss1(1.5); }, [](const TRange& r) { return r.GetExtLoss1(); }, 1.5, true},
      {"loss 1 NaN", [&](TRange& r) { r.SetExtLoss1(nan); }, [](const TRange& r) { return r.GetExtLoss1(); }, 0, false},
      {"loss 1 same within 1e-12", [](TRange& r) { r.SetExtLoss1(1e-13); }, [](const TRange& r) { return r.GetExtLoss1(); }, 0, false},
      {"frequency 1", [](TRange& r) { r.SetExtFreq1(2000); }, [](const TRange& r) { return r.GetExtFreq1(); }, 2000, true},
      {"frequency 1 same", [](TRange& r) { r.SetExtFreq1(1000 * (1 + 1e-13)); }, [](const TRange& r) { return r.GetExtFreq1(); }, 1000, false},
      {"frequency 1 infinite", [&](TRange& r) { r.SetExtFreq1(inf); }, [](const TRange& r) { return r.GetExtFreq1(); }, 1000, false},
      {"loss 2", [](TRange& r) { r.SetExtLoss2(-2); }, [](const TRange& r) { return r.GetExtLoss2(); }, -2, true},
      {"frequency 2", [](TRange& r) { r.SetExtFreq2(3000); }, [](const TRange& r) { return r.GetExtFreq2(); }, 3000, true},
      {"frequency 2 NaN", [&](TRange& r) { r.SetExtFreq2(nan); }, [](const TRange& r) { return r.GetExtFreq2(); }, 1000, false},
      {"DC loss", [](TRange& r) { r.SetExtLossAtDC(0.25); }, [](const TRange& r) { return r.GetExtLossAtDC(); }, 0.25, true},
      {"DC loss NaN", [&](TRange& r) { r.SetExtLossAtDC(nan); }, [](const TRange& r) { return r.GetExtLossAtDC(); }, 0, false},
      {"loss 1 switch", [](TRange& r) { r.SetExtLoss1Enabled(true); }, [](const TRange& r) { return r.GetExtLoss1Enabled() ? 1.0 : 0.0; }, 1, true},
      {"loss 1 switch same", [](TRange& r) { r.SetExtLoss1Enabled(false); }, [](const TRange& r) { return r.GetExtLoss1Enabled() ? 1.0 : 0.0; }, 0, false},
      {"loss 2 switch", [](TRange& r) { r.SetExtLoss2Enabled(true); }, [](const TRange& r) { return r.GetExtLoss2Enabled() ? 1.0 : 0.0; }, 1, true},
  };
  for (const Case& k : cases) {
    PathChannel c;
    c.events.Reset();
    const int rebuilds = c.cursor.shown;
    k.set(*c.range);
    EXPECT_EQ(k.get(*c.range), k.want) << k.name;
    EXPECT_EQ(c.events.settings, k.fires ? 1 : 0) << k.name;
    EXPECT_EQ(c.events.change, 0) << k.name;
    EXPECT_EQ(c.cursor.shown, rebuilds) << k.name;
  }
}

TEST(PortExtension, SwitchRestartsTheAveraging) {
  PathChannel c;
  c.events.Reset();
  c.range->AverageCount = 4;
  c.range->SetPortExtensionsEnabled(false);
  EXPECT_EQ(c.range->AverageCount, 4);
  EXPECT_EQ(c.events.settings, 0);
  c.range->SetPortExtensionsEnabled(true);
  EXPECT_TRUE(c.range->PortExtensionsEnabled);
  EXPECT_EQ(c.range->AverageCount, 0);
  EXPECT_EQ(c.events.settings, 1);
  EXPECT_EQ(c.events.change, 0);
}

}  // namespace
