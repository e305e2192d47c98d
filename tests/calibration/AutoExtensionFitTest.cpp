// The automatic port extension fit on channel copies: which point pairs the delay averages
// over for each way of taking the span, the loss points, the combination of Open and Short,
// and the measurements that count as absent or give a loss that must not be applied.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

#include "calibration/AutoExtensionFit.h"
#include "model/ChannelFakes.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Utils.h"

namespace {

using Reading = std::function<std::complex<double>(int i, double MHz)>;

// A channel of n LIN points from f0 to f1 MHz holding reading(i, f) at port 0.
void Fill(TRange& ch, int n, double f0, double f1, const Reading& reading) {
  TRangeSettings settings;
  TSegments segments;
  ch.GetSettings(settings, segments);
  settings.NPoints = n;
  settings.MinFrequency = f0;
  settings.MaxFrequency = f1;
  ch.ApplySettings(segments, settings);
  ASSERT_EQ(n, ch.GetCount());
  for (int i = 0; i < n; ++i) {
    const std::complex<double> s = reading(i, ch.GetPointFrequency(i));
    ch.SetPointData(0, i, TComplex{s.real(), s.imag()});
  }
}

constexpr double kPi = std::numbers::pi;

// exp(-j 4 pi f tau): a lossless open at the end of a line of delay tau.
Reading Line(double tau, double sign = 1.0) {
  return [tau, sign](int, double MHz) { return sign * std::polar(1.0, -4 * kPi * MHz * 1e6 * tau); };
}

// Eleven points 100 MHz apart; the phase falls by e x 1e-3 rad from point e - 1 to point e, so
// the pair ending at e contributes e x 1e-3 / (2 pi 1e8) s and the average shows which pairs
// were taken. The magnitude at point i is -0.1 i dB.
std::complex<double> Stepped(int i, double) {
  double phase = 0.0;
  for (int e = 1; e <= i; ++e) phase -= e * 1e-3;
  return std::polar(std::pow(10.0, -0.1 * i / 20.0), phase);
}

// Half the mean of the pairs' contributions, by their end points.
double DelayOfPairs(const std::vector<int>& ends) {
  double sum = 0.0;
  for (int e : ends) sum += e * 1e-3 / 1e8 / (2 * kPi);
  return 0.5 * sum / static_cast<double>(ends.size());
}

class AutoPortExtension : public ::testing::Test {
 protected:
  fakes::ChannelServices services;
  TRange open{nullptr};
  TRange shrt{nullptr};
  TRange target{nullptr};
};

TEST_F(AutoPortExtension, LineDelayFromOpenAloneAndWithShort) {
  Fill(open, 201, 100, 1100, Line(100e-12));
  Fill(shrt, 201, 100, 1100, Line(100e-12, -1.0));
  for (const TRange* s : {static_cast<const TRange*>(nullptr), static_cast<const TRange*>(&shrt)}) {
    TAutoExtensionInput in;
    in.Open = &open;
    in.Short = s;
    const auto v = FitAutoExtension(in);
    ASSERT_TRUE(v.has_value());
    EXPECT_DOUBLE_EQ(1e-10, v->Delay);
    ApplyAutoExtension(target, *v);
    EXPECT_DOUBLE_EQ(1e-10, target.GetPortExtension(0));
    EXPECT_TRUE(target.PortExtensionsEnabled);
  }
  // The Short alone: its own measurement.
  TAutoExtensionInput in;
  in.Short = &shrt;
  EXPECT_DOUBLE_EQ(1e-10, FitAutoExtension(in)->Delay);
}

TEST_F(AutoPortExtension, SpanCasesTakeTheirPointPairs) {
  Fill(open, 11, 100, 1100, Stepped);
  struct Case {
    const char* name;
    int method;
    double freq1, freq2;
    std::vector<int> pairEnds;
    double f1, f2;  // loss point frequencies, MHz
  };
  const Case cases[] = {
      // The whole sweep: ia = 0 and ib = 9 (the search gives intervals, the last one starts
      // at point 9); the pair (0, 1) is taken for m = 0 and m = 1.
      {"current span", aemCurrentSpan, 0, 0, {1, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 300, 800},
      // From point 5 (600 MHz) to point 8: pairs (4, 5) ... (7, 8).
      {"span from point 5", aemUserSpan, 600, 900, {5, 6, 7, 8}, 600, 900},
      // The same given upside down.
      {"swapped span", aemUserSpan, 900, 600, {5, 6, 7, 8}, 600, 900},
      // Between two points: widened to the next point.
      {"between points", aemUserSpan, 650, 650, {5, 6}, 600, 700},
      // Beyond the last point: the last interval, widened to the last point.
      {"beyond the last point", aemUserSpan, 5000, 5000, {9, 10}, 1000, 1100},
  };
  for (const Case& c : cases) {
    TAutoExtensionInput in;
    in.Open = &open;
    in.Method = c.method;
    in.Freq1 = c.freq1;
    in.Freq2 = c.freq2;
    in.IncludeLoss = true;
    in.AdjustMismatch = true;
    const auto v = FitAutoExtension(in);
    ASSERT_TRUE(v.has_value()) << c.name;
    EXPECT_NEAR(DelayOfPairs(c.pairEnds), v->Delay, 1e-5 * v->Delay) << c.name;
    EXPECT_DOUBLE_EQ(c.f1, v->Freq1) << c.name;
    EXPECT_DOUBLE_EQ(c.f2, v->Freq2) << c.name;
    // -0.1 i dB two ways: 0.05 i dB one way.
    EXPECT_NEAR(0.05 * (c.f1 - 100) / 100, v->Loss1, 1e-9) << c.name;
    EXPECT_NEAR(0.05 * (c.f2 - 100) / 100, v->Loss2, 1e-9) << c.name;
    EXPECT_TRUE(v->SetLoss1 && v->SetLoss2 && v->SetLossAtDC && !v->Loss2Off) << c.name;
    EXPECT_DOUBLE_EQ(0.0, v->LossAtDC) << c.name;
  }
}

TEST_F(AutoPortExtension, ActiveMarkerFitsOneLossPointAndSwitchesLossTwoOff) {
  Fill(open, 11, 100, 1100, Stepped);
  target.SetExtLoss2Enabled(true);
  TAutoExtensionInput in;
  in.Open = &open;
  in.Method = aemActiveMarker;
  in.Marker = 450;  // between points 3 and 4
  in.IncludeLoss = true;
  const auto v = FitAutoExtension(in);
  ASSERT_TRUE(v.has_value());
  EXPECT_NEAR(DelayOfPairs({3, 4}), v->Delay, 1e-5 * v->Delay);
  ApplyAutoExtension(target, *v);
  EXPECT_DOUBLE_EQ(400, target.GetExtFreq1());
  EXPECT_NEAR(0.15, target.GetExtLoss1(), 1e-9);
  EXPECT_TRUE(target.GetExtLoss1Enabled());
  EXPECT_FALSE(target.GetExtLoss2Enabled());
  // The marker at the last point: the point before it.
  in.Marker = 1100;
  EXPECT_DOUBLE_EQ(1000, FitAutoExtension(in)->Freq1);
}

TEST_F(AutoPortExtension, BothStandardsAverageTheirLosses) {
  Fill(open, 11, 100, 1100, Stepped);
  Fill(shrt, 11, 100, 1100, [](int i, double f) { return 0.5 * Stepped(i, f); });
  TAutoExtensionInput in;
  in.Open = &open;
  in.Short = &shrt;
  in.IncludeLoss = true;
  const auto v = FitAutoExtension(in);
  ASSERT_TRUE(v.has_value());
  // (L + L + 20 log10 2) / 4 at point 2 (the whole span: i1 = 0 + 9 / 4).
  EXPECT_NEAR(RoundToSignificantDigits(6, (0.4 + 20 * std::log10(2.0)) / 4), v->Loss1, 1e-12);
}

TEST_F(AutoPortExtension, UnusableMeasurementsCountAsAbsent) {
  // A channel keeps at least two points by its settings; a segment table can leave one.
  Fill(open, 2, 100, 200, Line(100e-12));
  delete open.GetPoint(1);
  ASSERT_EQ(1, open.GetCount());
  TAutoExtensionInput in;
  in.Open = &open;
  EXPECT_FALSE(FitAutoExtension(in).has_value()) << "one point";
  Fill(shrt, 11, 100, 1100, Line(100e-12));
  shrt.SweepMode = 2;  // a code a state file may hold, without a point search
  in.Short = &shrt;
  EXPECT_FALSE(FitAutoExtension(in).has_value()) << "sweep code 2";
  EXPECT_FALSE(FitAutoExtension(TAutoExtensionInput{}).has_value()) << "nothing measured";
}

TEST_F(AutoPortExtension, ZeroReadingLeavesItsLossAlone) {
  // Point 0 and point 3 (the loss 1 point of the marker at 450 MHz) read zero.
  Fill(open, 11, 100, 1100, [](int i, double f) { return i == 0 || i == 3 ? 0.0 : Stepped(i, f); });
  target.SetExtFreq1(2000);
  target.SetExtLoss1(0.7);
  target.SetExtLossAtDC(0.2);
  TAutoExtensionInput in;
  in.Open = &open;
  in.Method = aemActiveMarker;
  in.Marker = 450;
  in.IncludeLoss = true;
  in.AdjustMismatch = true;
  const auto v = FitAutoExtension(in);
  ASSERT_TRUE(v.has_value());
  EXPECT_FALSE(v->SetLoss1);
  EXPECT_FALSE(v->SetLossAtDC);
  ApplyAutoExtension(target, *v);
  EXPECT_DOUBLE_EQ(2000, target.GetExtFreq1());
  EXPECT_DOUBLE_EQ(0.7, target.GetExtLoss1());
  EXPECT_FALSE(target.GetExtLoss1Enabled());
  EXPECT_DOUBLE_EQ(0.2, target.GetExtLossAtDC());
  // The zero point's pairs are skipped: only (3, 4) remains and it touches point 3, so no pair.
  EXPECT_DOUBLE_EQ(0.0, v->Delay);
}

}  // namespace
