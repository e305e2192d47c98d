// The marker readouts: stimulus and value texts by format, relative to the reference marker,
// and the impedance and admittance readouts with their equivalent components.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/MarkerHooks.h"
#include "traces/MarkerList.h"
#include "tests/traces/MarkerTestTrace.h"

using markertest::TTracedList;

namespace {

// One trace of three points at 50, 100, 150 MHz whose middle point is z; a marker on it.
struct TPointFixture {
  explicit TPointFixture(TComplex z, int format, double z0 = 50.0, double mhz = 100.0) {
    t.trace.Samples = TSampledTrace({mhz - 50, mhz, mhz + 50}, {0, 0, 0});
    t.trace.Samples.Points = {{0, 0}, z, {0, 0}};
    t.trace.Format = format;
    t.trace.Z0 = z0;
    t.list->AddMarker();
    marker = t.list->FindMarker(0);
    marker->SetArgument(mhz);
  }
  TTracedList t;
  TMarker* marker = nullptr;
};

// Records the component value handed to the unit choice, then chooses as the default does.
struct TComponentProbe {
  TComponentProbe() {
    saved = MarkerHooks();
    MarkerHooks().ScaleComponent = [this](double& v, bool inductance) {
      value = v;
      wasInductance = inductance;
      ++calls;
      return TMarkerHooks::Defaults().ScaleComponent(v, inductance);
    };
  }
  ~TComponentProbe() { MarkerHooks() = saved; }
  TMarkerHooks saved;
  double value = 0.0;
  bool wasInductance = false;
  int calls = 0;
};

TComplex Reflection(TComplex z, double z0) { return (z - TComplex{z0, 0}) / (z + TComplex{z0, 0}); }

}  // namespace

TEST(MarkerReadout, ArgumentAndValueAreRelativeToTheReference) {
  TTracedList t(TSampledTrace::Linear(100.0, 200.0, {-10.0, -4.0}));
  t.list->AddMarker();
  t.list->AddMarker();
  t.list->FindMarker(1)->SetArgument(150.0);
  EXPECT_EQ(t.list->FindMarker(1)->GetArgumentText(), FormatNumberWithUnit(8, "MHz", 150.0));
  t.list->SetReferenceEnabled(true);
  t.list->GetReferenceMarker()->SetArgument(100.0);
  EXPECT_EQ(t.list->FindMarker(1)->GetArgumentText(), FormatNumberWithUnit(8, "MHz", 50.0));
  EXPECT_EQ(t.list->GetReferenceMarker()->GetArgumentText(), FormatNumberWithUnit(8, "MHz", 100.0));
  EXPECT_EQ(t.list->FindMarker(1)->GetValueText(), FormatNumberWithUnit(5, "dB", 3.0));
  EXPECT_EQ(t.list->GetReferenceMarker()->GetValueText(), FormatNumberWithUnit(5, "dB", -10.0));
}

TEST(MarkerReadout, DigitsComeFromTheDisplayHooks) {
  TMarkerHooks saved = MarkerHooks();
  MarkerHooks().ArgumentDigits = [] { return 10; };
  MarkerHooks().ValueDigits = [] { return 3; };
  TTracedList t(TSampledTrace::Linear(100.0, 200.0, {1.23456789, 1.23456789}));
  t.list->AddMarker();
  EXPECT_EQ(t.list->FindMarker(0)->GetArgumentText(), FormatNumberWithUnit(10, "MHz", 150.0));
  EXPECT_EQ(t.list->FindMarker(0)->GetValueText(), FormatNumberWithUnit(3, "dB", 1.23456789));
  MarkerHooks() = saved;
}

TEST(MarkerReadout, ComplexFormats) {
  const TComplex z{0.3, -0.4};
  const double deg = std::atan2(-0.4, 0.3) * 180.0 / std::numbers::pi;
  struct Case {
    int format;
    TComplex z;
    std::string text;
  };
  const Case cases[] = {
      {6, z, FormatNumberWithUnit(5, "j", 0.3)},
      {8, z, FormatNumberWithUnit(5, "", 0.5) + " " + FormatNumberWithUnit(5, "\u00B0", deg)},
      {13, {0, 0}, ""},
      {9, z, FormatNumberWithUnit(5, "dB", 20 * std::log10(0.5)) + " " + FormatNumberWithUnit(5, "\u00B0", deg)},
      {14, {1e-13, 0}, ""},
      {15, z, FormatNumberWithUnit(5, "", 0.3) + " " + FormatNumberWithUnit(5, "j", -0.4)},
  };
  for (const Case& c : cases) {
    TPointFixture f(c.z, c.format);
    EXPECT_EQ(f.marker->GetValueText(), c.text) << c.format;
  }
}

TEST(MarkerReadout, SmithSeriesLoadsGiveTheirComponent) {
  struct Case {
    double z0;
    double mhz;
    double r;
    double component;  // henry when inductive, farad when capacitive
    bool inductive;
    const char* unit;
  };
  const Case cases[] = {
      {50, 100, 25, 10e-9, true, "nH"},  {75, 100, 75, 10e-9, true, "nH"},     {50, 1000, 5, 2.2e-6, true, "uH"},
      {50, 100, 25, 4.7e-12, false, "pF"}, {75, 10, 150, 33e-9, false, "nF"}, {50, 2000, 50, 1.5e-12, false, "pF"},
  };
  for (const Case& c : cases) {
    const double w = 2 * std::numbers::pi * c.mhz * 1e6;
    const double x = c.inductive ? w * c.component : -1.0 / (w * c.component);
    TPointFixture f(Reflection({c.r, x}, c.z0), 11, c.z0, c.mhz);
    TComponentProbe probe;
    const std::string text = f.marker->GetValueText();
    ASSERT_EQ(probe.calls, 1);
    EXPECT_EQ(probe.wasInductance, c.inductive);
    EXPECT_NEAR(probe.value / c.component, 1.0, 1e-9) << text;
    EXPECT_NE(text.find(std::string(" ") + c.unit), std::string::npos) << text;
    EXPECT_EQ(text.rfind(FormatNumberWithUnit(5, "Ohm", c.r).substr(0, 4), 0), 0u) << text;
  }
}

TEST(MarkerReadout, AdmittanceParallelLoadsGiveTheirComponent) {
  struct Case {
    double z0;
    double mhz;
    double g;
    double component;
    bool inductive;
  };
  const Case cases[] = {{50, 100, 0.01, 10e-9, true}, {75, 300, 0.02, 47e-9, true}, {50, 100, 0.005, 4.7e-12, false},
                        {75, 50, 0.001, 100e-12, false}};
  for (const Case& c : cases) {
    const double w = 2 * std::numbers::pi * c.mhz * 1e6;
    const double b = c.inductive ? -1.0 / (w * c.component) : w * c.component;
    const TComplex z = TComplex{1, 0} / TComplex{c.g, b};
    TPointFixture f(Reflection(z, c.z0), 12, c.z0, c.mhz);
    TComponentProbe probe;
    const std::string text = f.marker->GetValueText();
    EXPECT_EQ(probe.wasInductance, c.inductive);
    EXPECT_NEAR(probe.value / c.component, 1.0, 1e-9) << text;
    EXPECT_NE(text.find(" Sm"), std::string::npos) << text;
  }
}

TEST(MarkerReadout, OpenAndShortReadInfiniteWhereTheyHaveNoFiniteValue) {
  struct Case {
    int format;
    TComplex z;
    bool infinite;
  };
  const Case cases[] = {
      {11, {1, 0}, true},    // an open as impedance
      {11, {-1, 0}, false},  // a short as impedance: 0 ohm
      {12, {-1, 0}, true},   // a short as admittance
      {12, {1, 0}, false},   // an open as admittance: 0 S
  };
  for (const Case& c : cases) {
    TPointFixture f(c.z, c.format);
    TComponentProbe probe;
    const std::string text = f.marker->GetValueText();
    EXPECT_EQ(text.find("\u221E") != std::string::npos, c.infinite) << c.format << " " << text;
    EXPECT_EQ(probe.calls, c.infinite ? 0 : 1) << text;
    EXPECT_EQ(f.marker->PointValue, c.z);
  }
}

TEST(MarkerReadout, SmithCentreReadsTheReferenceImpedance) {
  TPointFixture f({0, 0}, 11, 50.0);
  EXPECT_EQ(f.marker->GetValueText(), FormatNumberWithUnit(5, "Ohm", 50) + " " + FormatNumberWithUnit(5, "Ohm", 0) +
                                          " " + FormatNumberWithUnit(5, "pH", 0));
}

TEST(MarkerReadout, LargeImpedanceKeepsEveryIntegerDigit) {
  TPointFixture f(Reflection({12345678.4, 0}, 50.0), 11);
  const std::string text = f.marker->GetValueText();
  EXPECT_EQ(text.rfind(" 12345678", 0), 0u) << text;
}

TEST(MarkerReadout, EmptyTraceReadsNothing) {
  TTracedList t(TSampledTrace{});
  t.list->AddMarker();
  TMarker& m = *t.list->FindMarker(0);
  EXPECT_EQ(m.GetArgumentText(), "");
  EXPECT_EQ(m.GetValueText(), "");
  for (int code = 0; code <= 8; ++code) EXPECT_FALSE(m.SearchWith(code));
  m.SetArgument(5);
  m.SetMarkerToText("STAR");
  EXPECT_TRUE(t.trace.Calls.empty());
  t.list->SetStatistics(true);
  t.list->SetBandwidthSearch(true);
  t.list->UpdateMarkers();
  EXPECT_EQ(t.list->StatMean, 0.0);
  EXPECT_FALSE(t.list->SearchBandwidth().Found);
}

TEST(MarkerReadout, HoverFollowsTheReadoutBox) {
  TTracedList t;
  t.list->AddMarker();
  TMarker& m = *t.list->FindMarker(0);
  m.ReadoutRect = {10, 10, 50, 20};
  EXPECT_TRUE(m.UpdateHover({10, 10}));
  EXPECT_FALSE(m.UpdateHover({49, 19}));
  EXPECT_TRUE(m.UpdateHover({50, 19}));  // right edge excluded
  EXPECT_FALSE(m.ClearHover());
  m.UpdateHover({20, 15});
  EXPECT_TRUE(m.ClearHover());
  EXPECT_FALSE(m.ReadoutHover);
}
