// The format table, the keyword rule, the per-point formulas and the stimulus-axis lookups as
// plain functions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "model/Segment.h"
#include "traces/FormatMath.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TComplex Deg(double magnitude, double degrees) {
  return Polar(magnitude, degrees * std::numbers::pi / 180.0);
}

// Formats point i of source with code, frequencies f(k) = f0 + k * df MHz.
TComplex FormatAt(int code, const std::vector<TComplex>& source, int i, const std::vector<TComplex>& formatted = {},
                  int measMode = 0, double f0 = 100.0, double df = 1.0) {
  TFormatStep step;
  step.Code = code;
  step.MeasMode = measMode;
  step.MinValue = GetFormatInfo(code)->MinValue;
  step.MaxValue = GetFormatInfo(code)->MaxValue;
  const std::vector<TComplex> before = formatted.empty() ? std::vector<TComplex>(source.size()) : formatted;
  return FormatPointValue(step, source.data(), static_cast<int>(source.size()), i, before.data(),
                          [&](int k) { return f0 + k * df; });
}

class VectorAxis : public IStimulusAxis {
 public:
  explicit VectorAxis(std::vector<double> s) : s_(std::move(s)) {}
  int Count() const override { return static_cast<int>(s_.size()); }
  double Stimulus(int i) const override { return s_[static_cast<size_t>(i)]; }

 private:
  std::vector<double> s_;
};

std::vector<double> LinearStimuli(int n, double start, double stop) {
  std::vector<double> s(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = start + (stop - start) * i / (n - 1);
  return s;
}

std::vector<double> LogStimuli(int n, double start, double stop) {
  std::vector<double> s(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = start * std::pow(stop / start, double(i) / (n - 1));
  return s;
}

}  // namespace

TEST(TraceFormatMath, TableDefaultsAndAllowedFormats) {
  // Every code has a row; the two SWR formats reach 10001, the others 10000 or less.
  for (int code = 0; code < kFormatCount; ++code) ASSERT_NE(GetFormatInfo(code), nullptr) << code;
  EXPECT_EQ(GetFormatInfo(-1), nullptr);
  EXPECT_EQ(GetFormatInfo(20), nullptr);
  EXPECT_EQ(GetFormatInfo(fmtSwr)->MaxValue, 10001);
  EXPECT_EQ(GetFormatInfo(fmtDtfSwr)->MaxValue, 10001);
  EXPECT_EQ(GetFormatInfo(fmtGroupDelay)->RefValue, 50);
  EXPECT_STREQ(GetFormatInfo(fmtReturnLoss)->Caption, "Return Loss");
  EXPECT_STREQ(GetFormatInfo(fmtReal)->Keyword, "");

  struct Row {
    int measMode;
    bool conversion;
    std::vector<int> allowed;
  };
  const std::vector<Row> rows = {
      {0, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}},
      {0, true, {1, 2, 3, 4, 5, 6, 7}},
      {2, false, {0, 7}},
      {3, true, {0, 7}},
      {4, false, {0, 7}},
      {6, false, {0, 7}},
      {1, false, {}},
      {5, false, {}},
  };
  for (const Row& row : rows) {
    std::vector<int> got;
    for (int code = -1; code <= 20; ++code) {
      if (IsFormatAllowedFor(row.measMode, row.conversion, code)) got.push_back(code);
    }
    EXPECT_EQ(got, row.allowed) << "mode " << row.measMode << " conversion " << row.conversion;
  }
  EXPECT_EQ(FallbackFormatFor(0, false), 16);
  EXPECT_EQ(FallbackFormatFor(0, true), 7);
  EXPECT_EQ(FallbackFormatFor(4, false), 0);
}

TEST(TraceFormatMath, KeywordsArePrefixesInTheirOrder) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"MLOG", 0},       {"mlog", 0},  {"MLOGarithmic", 0}, {"SWR", 4},  {"swr", 4},   {"PHASe", 1},
      {"UPHase", 2},     {"GDELay", 3}, {"MLINear", 7},     {"SMITh", 11}, {"RLOSs", 16}, {"CLOSs", 17},
      {"DSWR", 18},      {"DRLO", 19}, {"", -1},            {"PHA", -1}, {" MLOG", -1}, {"POLar", -1},
      {"REAL", -1},      {"Sw", -1},   {"\xC3\xA9MLOG", -1},
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(FormatCodeFromKeyword(text), code) << text;
}

TEST(TraceFormatMath, ScalarFormulas) {
  struct Case {
    const char* name;
    int code;
    int measMode;
    TComplex z;
    double expected;
  };
  const double r = std::sqrt(0.5);
  const std::vector<Case> cases = {
      {"log mag of 0.1", fmtLogMag, 2, {0.1, 0}, -20.0},
      {"return loss equals log mag", fmtReturnLoss, 0, {0, 0.1}, -20.0},
      {"power reading in 10 log10", fmtLogMag, 4, {0.1, 0}, -10.0},
      {"cable loss is half the dB value", fmtCableLoss, 0, {0.1, 0}, -10.0},
      {"cable loss half for power too", fmtCableLoss, 4, {0.1, 0}, -10.0},
      {"zero point gives 0 dB", fmtLogMag, 2, {0, 0}, 0.0},
      {"near-zero point gives 0 dB", fmtReturnLoss, 0, {1e-13, -1e-13}, 0.0},
      {"zero point gives 0 deg", fmtPhase, 0, {0, 0}, 0.0},
      {"phase 135", fmtPhase, 0, {-r, r}, 135.0},
      {"phase -90", fmtPhase, 0, {0, -1}, -90.0},
      {"phase of -1 with -0 is +180", fmtPhase, 0, {-1, -0.0}, 180.0},
      {"phase of -1 with +0 is +180", fmtPhase, 0, {-1, 0.0}, 180.0},
      {"swr at 0.5 is 3", fmtSwr, 0, {0.5, 0}, 3.0},
      {"swr at exactly 1 is the maximum", fmtSwr, 0, {0, 1}, 10001.0},
      {"swr above 1", fmtSwr, 0, {3, 0}, 2.0},
      {"swr near 1 is clamped", fmtDtfSwr, 0, {1 - 1e-9, 0}, 10001.0},
      {"swr of zero is 1", fmtSwr, 0, {0, 0}, 1.0},
      {"real", fmtReal, 0, {-2.5, 7}, -2.5},
      {"imag", fmtImag, 0, {-2.5, 7}, 7},
      {"lin magnitude", fmtLinMag, 0, {3, -4}, 5},
      {"dtf return loss is log mag", fmtDtfReturnLoss, 0, {0.01, 0}, -40},
  };
  for (const Case& c : cases) {
    const TComplex v = FormatAt(c.code, {c.z}, 0, {}, c.measMode);
    EXPECT_NEAR(v.Re, c.expected, 1e-9) << c.name;
    EXPECT_EQ(v.Im, 0.0) << c.name;
  }
  // A NaN point stays NaN in SWR rather than passing for a good match.
  EXPECT_TRUE(std::isnan(FormatAt(fmtSwr, {{kNaN, 0}}, 0).Re));
}

TEST(TraceFormatMath, ComplexFormatsKeepThePoint) {
  for (int code = fmtSmithLin; code <= fmtPolarReIm; ++code) {
    const TComplex v = FormatAt(code, {{0.25, -0.75}}, 0);
    EXPECT_EQ(v, (TComplex{0.25, -0.75})) << code;
  }
}

TEST(TraceFormatMath, ExpandPhaseContinuesAcrossTheWrap) {
  // Steps of -350 deg are +10 deg; a zero point neither steps nor breaks the sum.
  const std::vector<TComplex> source = {Deg(1, 170), Deg(1, -180), Deg(1, -170), {0, 0}, Deg(1, -160), Deg(1, 150)};
  std::vector<TComplex> formatted(source.size());
  for (int i = 0; i < static_cast<int>(source.size()); ++i) formatted[size_t(i)] = FormatAt(fmtExpandPhase, source, i, formatted);
  const std::vector<double> expected = {170, 180, 190, 190, 190, 140};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(formatted[i].Re, expected[i], 1e-9) << i;
}

TEST(TraceFormatMath, GroupDelayUsesThePairEndingAtThePoint) {
  // Phase falling by 36 deg per 1 MHz is 100 ns; point 0 repeats point 1.
  std::vector<TComplex> source;
  for (int k = 0; k < 5; ++k) source.push_back(Deg(0.5, 170 - 36.0 * k));
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(FormatAt(fmtGroupDelay, source, i).Re, 100.0, 1e-9) << i;
  // A change of slope shows at the point that closes the pair, not one point early.
  source[3] = Deg(0.5, 170 - 36.0 * 2 - 72.0);
  EXPECT_NEAR(FormatAt(fmtGroupDelay, source, 2).Re, 100.0, 1e-9);
  EXPECT_NEAR(FormatAt(fmtGroupDelay, source, 3).Re, 200.0, 1e-9);
  // Equal frequencies (zero span), a zero point or a single point give 0.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(FormatAt(fmtGroupDelay, source, i, {}, 0, 500.0, 0.0).Re, 0.0) << i;
  source[1] = {0, 0};
  EXPECT_EQ(FormatAt(fmtGroupDelay, source, 1).Re, 0.0);
  EXPECT_EQ(FormatAt(fmtGroupDelay, {Deg(1, 10)}, 0).Re, 0.0);
  // A frequency that is not known (point beyond the channel) gives 0, not NaN.
  TFormatStep step;
  step.Code = fmtGroupDelay;
  const std::vector<TComplex> formatted(5);
  EXPECT_EQ(FormatPointValue(step, source.data(), 5, 4, formatted.data(), [](int) { return kNaN; }).Re, 0.0);
}

TEST(TraceFormatMath, IndexOutsideTheSourceGivesZero) {
  const std::vector<TComplex> source = {{0.5, 0.5}};
  EXPECT_EQ(FormatAt(fmtLogMag, source, -1), (TComplex{}));
  EXPECT_EQ(FormatAt(fmtLogMag, source, 1), (TComplex{}));
}

TEST(TraceFormatMath, GroupDelayStimulusIsTheMiddleOfItsPair) {
  auto f = [](int k) { return 100.0 + 10.0 * k; };
  EXPECT_EQ(GroupDelayStimulus(5, 0, f), 100.0);
  EXPECT_EQ(GroupDelayStimulus(5, 1, f), 105.0);
  EXPECT_EQ(GroupDelayStimulus(5, 4, f), 135.0);
  EXPECT_EQ(GroupDelayStimulus(5, 5, f), 0.0);
  EXPECT_EQ(GroupDelayStimulus(0, 0, f), 0.0);
  EXPECT_EQ(RoundStimulus(100.00000049), 100.0);
  EXPECT_NEAR(RoundStimulus(100.0000005), 100.000001, 1e-12);
}

TEST(TraceFormatMath, FindPointIndexByKindOfSweep) {
  const TSegments noSegments;
  const VectorAxis lin(LinearStimuli(11, 100, 200));
  const TSweepAxis linear{0, &noSegments};
  struct Case {
    double x;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{50, 0}, {100, 0}, {104.9, 0}, {110, 1}, {115, 1}, {199.99, 9},
                                          {200, 10}, {250, 10}, {kInf, 10}, {-kInf, 0}, {kNaN, 0}}) {
    EXPECT_EQ(FindPointIndexOn(lin, linear, c.x), c.expected) << c.x;
  }
  // Logarithmic: the estimate lands near the point, the walk finishes it.
  const VectorAxis log(LogStimuli(101, 1, 10000));
  const TSweepAxis logarithmic{1, &noSegments};
  for (int k = 0; k < 100; k += 7) {
    const double between = (log.Stimulus(k) + log.Stimulus(k + 1)) / 2;
    EXPECT_EQ(FindPointIndexOn(log, logarithmic, between), k) << k;
    EXPECT_EQ(FindPointIndexOn(log, logarithmic, log.Stimulus(k)), k) << k;
  }
  // A wrong sweep type still finds the point: the walk does not trust the estimate.
  EXPECT_EQ(FindPointIndexOn(log, linear, log.Stimulus(40) + 1e-9), 40);
  EXPECT_EQ(FindPointIndexOn(lin, TSweepAxis{3, nullptr}, 155), 5);
  // Empty and single-point axes.
  EXPECT_EQ(FindPointIndexOn(VectorAxis({}), linear, 1), -1);
  EXPECT_EQ(FindPointIndexOn(VectorAxis({5}), linear, 7), 0);
}

TEST(TraceFormatMath, FindPointIndexOnSegments) {
  // Two segments, 100..110 (11 points) and 200..220 (5 points), with a gap between them.
  TSegments segs(2);
  segs[0].Start = 100;
  segs[0].Stop = 110;
  segs[0].Points = 11;
  segs[1].Start = 200;
  segs[1].Stop = 220;
  segs[1].Points = 5;
  std::vector<double> s = LinearStimuli(11, 100, 110);
  for (double x : LinearStimuli(5, 200, 220)) s.push_back(x);
  const VectorAxis axis(s);
  const TSweepAxis sweep{4, &segs};
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 99), 0);
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 105.5), 5);
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 110), 10);
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 200), 11);
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 212), 13);
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 220), 15);
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 300), 15);
  // In the gap the lookup answers the first point of the next segment.
  EXPECT_EQ(FindPointIndexOn(axis, sweep, 150), 11);
}

TEST(TraceFormatMath, PositionAndStimulus) {
  const TSegments none;
  const VectorAxis lin(LinearStimuli(11, 100, 200));
  const VectorAxis log(LogStimuli(11, 10, 1000));
  const TSweepAxis linear{0, &none};
  const TSweepAxis logarithmic{1, &none};
  EXPECT_DOUBLE_EQ(StimulusAtPositionOn(lin, linear, 0.25), 125);
  EXPECT_DOUBLE_EQ(StimulusAtPositionOn(lin, linear, -1), 100);
  EXPECT_DOUBLE_EQ(StimulusAtPositionOn(lin, linear, 2), 200);
  EXPECT_DOUBLE_EQ(StimulusAtPositionOn(log, logarithmic, 0.5), 100);
  EXPECT_DOUBLE_EQ(StimulusAtPositionOn(lin, TSweepAxis{3, nullptr}, 0.7), 100);
  EXPECT_DOUBLE_EQ(PositionAtStimulusOn(lin, linear, 150), 0.5);
  EXPECT_DOUBLE_EQ(PositionAtStimulusOn(lin, linear, 1e9), 1.0);
  EXPECT_DOUBLE_EQ(PositionAtStimulusOn(log, logarithmic, 100), 0.5);
  EXPECT_DOUBLE_EQ(PositionAtStimulusOn(VectorAxis({5, 5}), linear, 5), 0.5);
  EXPECT_DOUBLE_EQ(PositionAtStimulusOn(VectorAxis({0, 5}), logarithmic, 3), 0.0);
  EXPECT_DOUBLE_EQ(PositionAtStimulusOn(lin, TSweepAxis{3, nullptr}, 130), 0.5);
  for (double p : {0.0, 0.1, 0.37, 0.9, 1.0}) {
    EXPECT_NEAR(PositionAtStimulusOn(log, logarithmic, StimulusAtPositionOn(log, logarithmic, p)), p, 1e-12);
  }
}

TEST(TraceFormatMath, WrapPhaseDegrees) {
  EXPECT_EQ(WrapPhaseDegrees(180), 180);
  EXPECT_EQ(WrapPhaseDegrees(-180), 180);
  EXPECT_EQ(WrapPhaseDegrees(190), -170);
  EXPECT_EQ(WrapPhaseDegrees(-540), 180);
  EXPECT_NEAR(WrapPhaseDegrees(3600000.5), 0.5, 1e-6);
  EXPECT_TRUE(std::isnan(WrapPhaseDegrees(kNaN)));
}

TEST(TraceFormatMath, ScaleClampAndAutoScale) {
  EXPECT_EQ(ClampScaleDiv(0, -1000, 1000, 10), 0.001);
  EXPECT_EQ(ClampScaleDiv(1e6, -1000, 1000, 10), 200);
  EXPECT_EQ(ClampScaleDiv(3, -1000, 1000, 10), 3);
  double scale = 0;
  // Values spanning 37 dB over 10 divisions: 5 dB per division.
  ASSERT_TRUE(ComputeAutoScaleDiv(-42, -5, 10, scale));
  EXPECT_DOUBLE_EQ(scale, 5);
  // A flat trace (span * 1.1 not above 0.001) changes nothing.
  EXPECT_FALSE(ComputeAutoScaleDiv(-20, -20 + 0.0009, 10, scale));
  EXPECT_FALSE(ComputeAutoScaleDiv(1e9, -1e9, 10, scale));
  // The reference puts the rounded middle on the middle grid line.
  EXPECT_DOUBLE_EQ(ComputeAutoRefValue(-42, -5, 5, 5, 10), -25);
  EXPECT_DOUBLE_EQ(ComputeAutoRefValue(-42, -5, 5, 0, 10), -25 + 25);
}

TEST(TraceFormatMath, CsvNumbersAndLines) {
  EXPECT_EQ(FormatCsvNumber(1e6), "1.00000000E+06");
  EXPECT_EQ(FormatCsvNumber(-20.5), "-2.05000000E+01");
  EXPECT_EQ(FormatCsvNumber(0.0), "0.00000000E+00");
  EXPECT_EQ(FormatCsvNumber(1.234567891e-120), "1.23456789E-120");
  EXPECT_EQ(FormatCsvNumber(kNaN), "NAN");
  EXPECT_EQ(FormatCsvNumber(kInf), "INF");
  EXPECT_EQ(FormatCsvNumber(-kInf), "-INF");
  std::string line;
  AppendCsvLine(line, 1e8, -20.5, 0.0);
  EXPECT_EQ(line, "1.00000000E+08, -2.05000000E+01,  0.00000000E+00\r\n");
  line.clear();
  AppendCsvLine(line, 2e9, 3.5, -1.0);
  EXPECT_EQ(line, "2.00000000E+09,  3.50000000E+00, -1.00000000E+00\r\n");
  line.clear();
  AppendCsvLine(line, 1, kNaN, kInf);
  EXPECT_EQ(line, "1.00000000E+00, NAN,  INF\r\n");
}
