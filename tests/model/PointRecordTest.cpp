#include <gtest/gtest.h>

#include <cmath>

#include "ChannelFakes.h"
#include "model/CalPoint.h"
#include "model/FContainer.h"
#include "model/FPoint.h"
#include "model/FixtPoint.h"
#include "model/MemoPoint.h"
#include "model/Range.h"

namespace {

TEST(PointRecord, NewSweepPointStartsJustAboveTheAverageThreshold) {
  TFContainer table(nullptr);
  TPointSynthSettings synth;
  synth.Signal.N = 31;
  synth.Heterodyne.Frac16 = 16384;
  auto* p = new TFPoint(&table, 1000, -10, 3000, synth);
  EXPECT_EQ(table.GetCount(), 1);
  EXPECT_EQ(p->SynthSettings, synth);
  EXPECT_EQ(p->Frequency, 1000);
  EXPECT_EQ(p->Power, -10);
  EXPECT_EQ(p->IFBW, 3000);
  const TComplex floor{1e-10, 0};
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(p->GetData(k), floor);
    EXPECT_EQ(p->GetRawLevel(k), floor);
    EXPECT_EQ(p->RawLevelAverage[k], floor);
    EXPECT_EQ(p->DataAverage[k], floor);
  }
  EXPECT_EQ(p->GetRefLevel(), floor);
  EXPECT_EQ(p->RefLevelAverage, floor);
  EXPECT_EQ(p->PowerReading, -100);
}

TEST(PointRecord, RunningAverageCases) {
  struct Case {
    TComplex old;
    TComplex value;
    bool enabled;
    int n;
    TComplex expected;
  };
  const Case cases[] = {
      {{1, 0}, {5, 0}, true, 3, {2, 0}},            // (1 x 3 + 5) / 4
      {{1, 0}, {5, 0}, true, 0, {5, 0}},            // first sweep after a restart
      {{1, 0}, {5, 0}, false, 3, {5, 0}},           // averaging off
      {{1, 0}, {0.5e-10, 0}, true, 3, {0.5e-10, 0}},  // a tiny new value replaces
      {{0.9e-10, 0}, {4, 4}, true, 3, {4, 4}},      // a tiny old average is replaced
      {{1e-10, 0}, {5, 0}, true, 1, {2.50000000005, 0}},  // 1e-10 itself is not below the threshold
  };
  for (const Case& c : cases) {
    TComplex average = c.old;
    const TComplex result = TFPoint::Average(average, c.value, c.enabled, c.n);
    EXPECT_NEAR(result.Re, c.expected.Re, 1e-15);
    EXPECT_NEAR(result.Im, c.expected.Im, 1e-15);
    EXPECT_EQ(average, result);
  }
}

TEST(PointRecord, ChannelAveragingStoresUseTheChannelsCount) {
  fakes::ChannelServices services;
  TRange range(nullptr);
  range.AverageEnabled = true;
  range.AverageCount = 3;
  range.GetPoint(0)->DataAverage[1] = {1, 0};
  EXPECT_EQ(range.AverageData(1, 0, {5, 0}), (TComplex{2, 0}));
  EXPECT_EQ(range.GetPoint(0)->DataAverage[1], (TComplex{2, 0}));
  range.GetPoint(0)->RawLevelAverage[0] = {1, 0};
  EXPECT_EQ(range.AverageRawLevel(0, 0, {5, 0}), (TComplex{2, 0}));
  range.GetPoint(0)->RefLevelAverage = {1, 0};
  EXPECT_EQ(range.AverageRefLevel(0, {5, 0}), (TComplex{2, 0}));
  // The store returns the result; the caller decides where it goes.
  EXPECT_EQ(range.GetPointData(1, 0), (TComplex{1e-10, 0}));
}

TEST(PointRecord, MemoryPointKeepsSinglePrecision) {
  TFContainer table(nullptr);
  auto* p = new TMemoPoint(&table, {0.5, -0.25}, 1234.56789);
  EXPECT_EQ(p->Frequency, 1234.56789f);
  EXPECT_NE(static_cast<double>(p->Frequency), 1234.56789);
  EXPECT_EQ(p->Value, (TComplex{0.5, -0.25}));
}

TEST(PointRecord, NewCalibrationAndFixturePointsAreZero) {
  TFContainer table(nullptr);
  auto* c = new TCalPoint(&table, 500);
  EXPECT_EQ(c->Frequency, 500);
  EXPECT_EQ(c->Power, 0);
  EXPECT_EQ(c->IFBW, 0);
  for (int port = 0; port < 2; ++port) {
    EXPECT_EQ(c->GetTermA(port), TComplex{});
    EXPECT_EQ(c->GetTermB(port), TComplex{});
    EXPECT_EQ(c->GetTermC(port), TComplex{});
    EXPECT_EQ(c->GetTermD(port), TComplex{});
  }
  c->SetTermC(1, {0.1, 0.2});
  EXPECT_EQ(c->GetTermC(1), (TComplex{0.1, 0.2}));
  EXPECT_EQ(c->GetTermC(0), TComplex{});
  auto* f = new TFixtPoint(&table, 700);
  EXPECT_EQ(f->Frequency, 700);
  EXPECT_EQ(f->S11, TComplex{});
  EXPECT_EQ(f->S22, TComplex{});
  EXPECT_EQ(table.GetCount(), 2);
}

}  // namespace
