// The system correction of decoded points: readings made through known error terms come back
// as the device's own reflection and transmission; empty or degenerate terms and (nearly) zero
// results keep the raw readings; one-point tables, extrapolation and the step back of the
// 14 GHz system grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "calibration/SystemCorrection.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Services.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"
#include "model/PointPathFakes.h"
#include "model/Range.h"

namespace {

// Error terms of port 0 (reflection) and Et of port 1, smooth in frequency (MHz).
struct Terms {
  TComplex Er, Ed, Es, Et;
};

Terms SmoothTerms(double f) {
  const double g = f / 1000.0;
  return {Polar(0.9 - 0.02 * g, -0.7 * g), Polar(0.05 + 0.003 * g, 1.1 - 0.4 * g), Polar(0.12 + 0.01 * g, 0.3 + 0.9 * g),
          Polar(0.8 - 0.015 * g, -0.65 * g)};
}

// What the instrument reads from a device of reflection G and transmission T (enhanced
// response: the transmission also sees the source match through the device's reflection).
void Measure(const Terms& e, TComplex G, TComplex T, TComplex& x, TComplex& y) {
  const TComplex one{1.0, 0.0};
  x = e.Ed + e.Er * G / (one - e.Es * G);
  y = e.Et * T / (one - e.Es * G);
}

std::unique_ptr<TCalRange> Table(const std::vector<double>& freqs, Terms (*terms)(double)) {
  auto table = std::make_unique<TCalRange>(4, 5, freqs);
  for (int i = 0; i < table->GetCount(); ++i) {
    const Terms e = terms(freqs[static_cast<size_t>(i)]);
    table->SetErrorTermA(0, i, e.Er);
    table->SetErrorTermB(0, i, e.Ed);
    table->SetErrorTermC(0, i, e.Es);
    table->SetErrorTermD(1, i, e.Et);
    // Port 1's reflection and port 0's transmission terms must never be read for a = 0, b = 1.
    table->SetErrorTermA(1, i, {NAN, NAN});
    table->SetErrorTermB(1, i, {NAN, NAN});
    table->SetErrorTermC(1, i, {NAN, NAN});
    table->SetErrorTermD(0, i, {NAN, NAN});
  }
  return table;
}

void ExpectNear(TComplex expected, TComplex actual, double tol) {
  EXPECT_NEAR(expected.Re, actual.Re, tol);
  EXPECT_NEAR(expected.Im, actual.Im, tol);
}

void ExpectSame(TComplex expected, TComplex actual) {
  EXPECT_EQ(expected.Re, actual.Re);
  EXPECT_EQ(expected.Im, actual.Im);
}

const TComplex kG{0.31, -0.42};
const TComplex kT{0.55, 0.27};

TEST(SystemCorrection, RecoversTheDeviceAtTablePoints) {
  const std::vector<double> freqs{100.0, 500.0, 2000.0, 6000.0};
  const auto table = Table(freqs, SmoothTerms);
  for (double f : freqs) {
    TComplex x, y;
    Measure(SmoothTerms(f), kG, kT, x, y);
    TSystemCorrection::Apply(table.get(), true, 0, x, 1, y, f);
    ExpectNear(kG, x, 1e-12);
    ExpectNear(kT, y, 1e-12);
  }
}

TEST(SystemCorrection, SourceMatchIsRemovedOnlyWithPortMatch) {
  const std::vector<double> freqs{100.0, 500.0};
  const auto table = Table(freqs, SmoothTerms);
  const Terms e = SmoothTerms(500.0);
  TComplex x, y;
  Measure(e, kG, kT, x, y);
  const TComplex rawY = y;
  TSystemCorrection::Apply(table.get(), false, 0, x, 1, y, 500.0);
  ExpectNear(kG, x, 1e-12);
  ExpectNear(rawY / e.Et, y, 1e-12);
}

TEST(SystemCorrection, IdentityTermsChangeNothing) {
  const auto table = Table({10.0, 20.0, 30.0}, [](double) { return Terms{{1, 0}, {0, 0}, {0, 0}, {1, 0}}; });
  for (double f : {5.0, 10.0, 17.3, 30.0, 99.0}) {
    TComplex x{0.25, -0.5}, y{-0.125, 0.75};
    TSystemCorrection::Apply(table.get(), true, 0, x, 1, y, f);
    ExpectSame({0.25, -0.5}, x);
    ExpectSame({-0.125, 0.75}, y);
  }
}

TEST(SystemCorrection, NoTableOrEmptyTableCorrectsNothing) {
  const auto empty = std::make_unique<TCalRange>(4, 5, std::vector<double>{});
  for (const TCalRange* t : {static_cast<const TCalRange*>(nullptr), static_cast<const TCalRange*>(empty.get())}) {
    TComplex x{0.3, 0.4}, y{0.5, 0.6};
    TSystemCorrection::Apply(t, true, 0, x, 1, y, 100.0);
    ExpectSame({0.3, 0.4}, x);
    ExpectSame({0.5, 0.6}, y);
  }
}

TEST(SystemCorrection, NegativePortLeavesItsValueAlone) {
  const std::vector<double> freqs{100.0, 500.0};
  const auto table = Table(freqs, SmoothTerms);
  const Terms e = SmoothTerms(100.0);
  {
    TComplex x, y;
    Measure(e, kG, kT, x, y);
    const TComplex rawY = y;
    TSystemCorrection::Apply(table.get(), true, 0, x, -1, y, 100.0);
    ExpectNear(kG, x, 1e-12);
    ExpectSame(rawY, y);
  }
  {
    // Without a reflection port the transmission gets its tracking only.
    TComplex x{0.7, 0.1}, y{0.2, -0.3};
    TSystemCorrection::Apply(table.get(), true, -1, x, 1, y, 100.0);
    ExpectSame({0.7, 0.1}, x);
    ExpectNear(TComplex{0.2, -0.3} / e.Et, y, 1e-12);
  }
}

// A reading whose correction is (nearly) zero, or whose divisor is, keeps the raw value: a
// reflection equal to the directivity is not turned into a perfect match, a transmission at
// the noise floor not into a zero.
TEST(SystemCorrection, ZeroResultsAndZeroDivisorsKeepTheRawValue) {
  struct Case {
    const char* name;
    Terms e;
    TComplex x, y;
    bool xKept, yKept;
  };
  const Terms base{{0.9, 0.1}, {0.05, 0.02}, {0.1, -0.05}, {0.8, 0.0}};
  const Case cases[] = {
      {"reflection equal to Ed", base, base.Ed, {0.4, 0.1}, true, false},
      {"zero reflection tracking and source match", {{0, 0}, base.Ed, {0, 0}, base.Et}, {0.3, 0.3}, {0.4, 0.1}, true, false},
      {"tiny reflection tracking", {{1e-19, 0}, base.Ed, {0, 0}, base.Et}, {0.3, 0.3}, {0.4, 0.1}, true, false},
      {"zero transmission tracking", {base.Er, base.Ed, base.Es, {0, 0}}, {0.3, 0.3}, {0.4, 0.1}, false, true},
      {"transmission at the floor", base, {0.3, 0.3}, {1e-19, 0}, false, true},
      {"zero transmission", base, {0.3, 0.3}, {0, 0}, false, true},
      {"tracking so large the result vanishes", {base.Er, base.Ed, base.Es, {1e10, 0}}, {0.3, 0.3}, {1e-9, 0}, false, true},
      // (m - Ed) Es + Er of magnitude 5e-21: neither the one-port inverse nor the enhanced
      // response (divisor 1 + Es (m - Ed) / Er of magnitude 1e-20) may blow the reading up.
      {"source-match divisor nearly zero", {{0.5, 0}, {0, 0}, {0.5, 0}, base.Et}, {-1, 1e-20}, {0.4, 0.1}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static Terms current;
    current = c.e;
    const auto table = Table({100.0}, [](double) { return current; });
    TComplex x = c.x, y = c.y;
    TSystemCorrection::Apply(table.get(), true, 0, x, 1, y, 100.0);
    if (c.xKept) {
      ExpectSame(c.x, x);
    } else {
      EXPECT_NE(c.x, x);
    }
    if (c.yKept) {
      ExpectSame(c.y, y);
    } else {
      EXPECT_NE(c.y, y);
    }
    EXPECT_TRUE(std::isfinite(x.Re) && std::isfinite(x.Im));
    EXPECT_TRUE(std::isfinite(y.Re) && std::isfinite(y.Im));
  }
}

TEST(SystemCorrection, OnePointTableAppliesItsTermsEverywhere) {
  const auto table = Table({1000.0}, SmoothTerms);
  const Terms e = SmoothTerms(1000.0);
  for (double f : {0.01, 1.0, 1000.0, 14000.0}) {
    TComplex x, y;
    Measure(e, kG, kT, x, y);
    TSystemCorrection::Apply(table.get(), true, 0, x, 1, y, f);
    ExpectNear(kG, x, 1e-12);
    ExpectNear(kT, y, 1e-12);
  }
}

// Magnitude and phase are extrapolated from the first interval: with a magnitude and a phase
// linear in frequency, the terms below the table are exact.
TEST(SystemCorrection, BelowTheTableTermsAreExtrapolated) {
  const auto linear = [](double f) {
    return Terms{Polar(0.9 - 1e-4 * f, -2e-3 * f), Polar(0.02 + 1e-5 * f, 1e-3 * f), Polar(0.1 + 1e-4 * f, 0.5 + 1e-3 * f),
                 Polar(0.7 - 1e-4 * f, -3e-3 * f)};
  };
  const auto table = Table({100.0, 200.0, 400.0}, linear);
  for (double f : {50.0, 10.0}) {
    TComplex x, y;
    Measure(linear(f), kG, kT, x, y);
    TSystemCorrection::Apply(table.get(), true, 0, x, 1, y, f);
    ExpectNear(kG, x, 1e-12);
    ExpectNear(kT, y, 1e-12);
  }
}

// The 14 GHz system grid steps back after 169 MHz; between 168.5 and 169 MHz the correction
// must still use an interval around the frequency: finite and close to the device.
TEST(SystemCorrection, K30GridStepBackAround169MHz) {
  const int n = TSystemCalGrid::PointCount(4);
  ASSERT_EQ(848, n);
  std::vector<double> freqs;
  for (int i = 0; i < n; ++i) freqs.push_back(TSystemCalGrid::Frequency(4, i));
  ASSERT_DOUBLE_EQ(169.0, freqs[42]);
  const auto table = Table(freqs, SmoothTerms);
  for (double f = 168.5; f <= 169.0; f += 0.03125) {
    SCOPED_TRACE(f);
    TComplex x, y;
    Measure(SmoothTerms(f), kG, kT, x, y);
    TSystemCorrection::Apply(table.get(), true, 0, x, 1, y, f);
    ASSERT_TRUE(std::isfinite(x.Re) && std::isfinite(x.Im) && std::isfinite(y.Re) && std::isfinite(y.Im));
    ExpectNear(kG, x, 1e-4);
    ExpectNear(kT, y, 1e-4);
  }
  // Tracking magnitudes that jump from grid point to grid point: an interval that does not
  // enclose f (say the 20 Hz pair at 168.51 MHz, used for 169 MHz) would extrapolate far
  // outside the range of the neighbouring terms.
  TCalRange jumpy(4, 5, freqs);
  for (int i = 0; i < n; ++i) {
    const double r = 0.5 + 0.5 * std::fabs(std::sin(12.9898 * (i + 1)));
    jumpy.SetErrorTermA(0, i, {r, 0.0});
    jumpy.SetErrorTermD(1, i, {1.5 - r, 0.0});
  }
  for (double f = 168.5; f <= 169.0; f += 0.0009765625) {
    SCOPED_TRACE(f);
    TComplex x{0.6, 0.0}, y{0.6, 0.0};
    TSystemCorrection::Apply(&jumpy, true, 0, x, 1, y, f);
    ASSERT_TRUE(std::isfinite(x.Re) && std::isfinite(x.Im) && std::isfinite(y.Re) && std::isfinite(y.Im));
    EXPECT_GE(Abs(x), 0.6 - 1e-12);
    EXPECT_LE(Abs(x), 1.2 + 1e-12);
    EXPECT_GE(Abs(y), 0.6 - 1e-12);
    EXPECT_LE(Abs(y), 1.2 + 1e-12);
  }
}

// The module corrects with the system calibration in force: none while suspended, the
// low-power one while the scanner runs at low power (even when only the normal one has terms).
TEST(SystemCorrection, ModuleUsesTheSystemCalibrationInForce) {
  TDevice device(4);
  TScopedServices scope;
  scope->Device = &device;
  TScannerModule scanner;
  TScannerModule* const savedScanner = ::ScannerModule;
  ::ScannerModule = &scanner;
  TCalibratorModule module(std::string{});

  const auto corrected = [&](double f) {
    TComplex x, y;
    Measure(SmoothTerms(f), kG, kT, x, y);
    module.ApplySystemCorrection(0, x, 1, y, f);
    return std::pair{x, y};
  };
  const auto raw = [&](double f) {
    TComplex x, y;
    Measure(SmoothTerms(f), kG, kT, x, y);
    return std::pair{x, y};
  };

  // Empty system calibrations: nothing is corrected.
  ExpectSame(raw(300.0).first, corrected(300.0).first);
  ExpectSame(raw(300.0).second, corrected(300.0).second);

  module.GetSystemCal().Terms = Table({100.0, 500.0}, SmoothTerms).release();
  module.GetSystemCal().PortMatch[0] = true;
  ExpectNear(kG, corrected(300.0).first, 1e-3);
  ExpectNear(kT, corrected(300.0).second, 1e-3);

  module.SetSystemCorrectionOff(true);
  ExpectSame(raw(300.0).first, corrected(300.0).first);
  ExpectSame(raw(300.0).second, corrected(300.0).second);
  module.SetSystemCorrectionOff(false);

  scanner.GetScanner().LowPower = true;
  EXPECT_EQ(&module.GetSystemCalLowPower(), &module.GetSystemCalibr());
  ExpectSame(raw(300.0).first, corrected(300.0).first);
  ExpectSame(raw(300.0).second, corrected(300.0).second);

  // Without PortMatch the transmission gets its tracking only.
  module.GetSystemCalLowPower().Terms = Table({300.0}, SmoothTerms).release();
  const auto r = raw(300.0);
  const auto c = corrected(300.0);
  ExpectNear(kG, c.first, 1e-12);
  ExpectNear(r.second / SmoothTerms(300.0).Et, c.second, 1e-12);

  ::ScannerModule = savedScanner;
}

}  // namespace

// ---- The terms at hand: the system calibration interpolated once per channel point ----------

namespace {

// Random terms at every point of the table (a few exactly zero, which interpolate linearly),
// with Er away from zero so that the corrections divide.
std::unique_ptr<TCalRange> RandomTable(const std::vector<double>& freqs, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> small(0.0, 0.2);
  std::uniform_real_distribution<double> large(0.5, 1.0);
  std::uniform_real_distribution<double> phase(-3.1, 3.1);
  auto table = std::make_unique<TCalRange>(4, 5, freqs);
  for (int i = 0; i < table->GetCount(); ++i) {
    for (int p = 0; p < 2; ++p) {
      table->SetErrorTermA(p, i, Polar(large(random), phase(random)));
      table->SetErrorTermB(p, i, i % 11 == 4 ? TComplex{} : Polar(small(random), phase(random)));
      table->SetErrorTermC(p, i, Polar(small(random), phase(random)));
      table->SetErrorTermD(p, i, Polar(large(random), phase(random)));
    }
  }
  return table;
}

std::vector<double> K30Grid() {
  std::vector<double> grid;
  for (int i = 0; i < TSystemCalGrid::PointCount(4); ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
  return grid;
}

double Relative(const TComplex& got, const TComplex& want) { return Abs(got - want) / std::max(Abs(want), 1e-300); }

// The module, a 14 GHz device and one channel of the fake model.
struct TermsAtHand {
  pathfakes::PathChannel channel;
  TCalibratorModule module{std::string{}};

  explicit TermsAtHand(int points = 2001, double start = 0.3, double stop = 14000) : channel(points, start, stop) {}

  TRange& Range() { return *channel.range; }

  // Every point through the kept terms against the search at the point's frequency (today's
  // path); the worst relative difference of x and y.
  double Sweep(int a = 0, int b = 1, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> magnitude(0.05, 1.0);
    std::uniform_real_distribution<double> phase(-3.1, 3.1);
    const TCalibr& cal = module.GetSystemCalibr();
    const bool portMatch = a >= 0 && cal.HasPortMatch(a);
    double worst = 0;
    for (int i = 0; i < Range().GetCount(); ++i) {
      const double f = Range().GetPointFrequency(i);
      TComplex x = Polar(magnitude(random), phase(random));
      TComplex y = Polar(magnitude(random), phase(random));
      TComplex wx = x, wy = y;
      module.ApplySystemCorrectionAt(Range(), i, f, a, x, b, y);
      TSystemCorrection::Apply(cal.Terms, portMatch, a, wx, b, wy, f);
      worst = std::max({worst, Relative(x, wx), Relative(y, wy)});
    }
    return worst;
  }
};

TEST(SystemCorrectionTermsAtHand, EqualTheSearchAtEveryPoint) {
  struct Case {
    const char* name;
    int points;
    double start, stop;
    bool portMatch;
  };
  const std::vector<Case> cases = {
      {"whole band", 16001, 0.3, 14000, true},
      {"across the step back of the grid", 3001, 160, 180, true},
      {"without port match", 1601, 100, 6000, false},
      {"two points", 2, 2400, 2500, true},
  };
  for (const Case& c : cases) {
    TermsAtHand t(c.points, c.start, c.stop);
    ASSERT_EQ(t.Range().GetCount(), c.points) << c.name;
    t.module.GetSystemCal().Terms = RandomTable(K30Grid(), 3).release();
    t.module.GetSystemCal().PortMatch[0] = c.portMatch;
    EXPECT_LE(t.Sweep(), 1e-12) << c.name;
    EXPECT_EQ(t.Range().SystemTerms.Points.size(), static_cast<size_t>(c.points)) << c.name;
    // The second sweep reads the kept terms.
    EXPECT_LE(t.Sweep(0, 1, 2), 1e-12) << c.name;
  }
  // A channel whose points lie wholly beyond a table extrapolates as the search does.
  TermsAtHand beyond(501, 8000, 9000);
  beyond.module.GetSystemCal().Terms = RandomTable({100, 400, 900, 2000}, 4).release();
  EXPECT_LE(beyond.Sweep(), 1e-12);
}

TEST(SystemCorrectionTermsAtHand, ChangedTableIsInterpolatedAgain) {
  TermsAtHand t;
  TCalibr& cal = t.module.GetSystemCal();
  cal.Terms = RandomTable(K30Grid(), 5).release();
  cal.PortMatch[0] = true;
  ASSERT_LE(t.Sweep(), 1e-12);
  // A term changed in place.
  for (int i = 0; i < cal.Terms->GetCount(); i += 3) cal.Terms->SetErrorTermB(0, i, {0.15, -0.1});
  EXPECT_LE(t.Sweep(), 1e-12);
  // Another table, maybe at the address of the old one.
  delete cal.Terms;
  cal.Terms = RandomTable(K30Grid(), 6).release();
  EXPECT_LE(t.Sweep(), 1e-12);
  // A calibration read from its binary form replaces the table.
  TCalibr other;
  other.Terms = RandomTable(K30Grid(), 7).release();
  other.Settings.SweepMode = 3;
  std::vector<uint8_t> form;
  other.WriteToStream(form);
  ASSERT_NE(cal.ReadFromStream(form).Status, TCalibrationForm::TStatus::Rejected);
  EXPECT_LE(t.Sweep(), 1e-12);
  // Other ports.
  EXPECT_LE(t.Sweep(1, 0), 1e-12);
  EXPECT_LE(t.Sweep(0, -1), 1e-12);
  EXPECT_LE(t.Sweep(-1, 1), 1e-12);
  // The low-power calibration takes over while the scanner runs at low power.
  TScannerModule scanner;
  TScannerModule* const saved = ::ScannerModule;
  ::ScannerModule = &scanner;
  scanner.GetScanner().LowPower = true;
  t.module.GetSystemCalLowPower().Terms = RandomTable(K30Grid(), 8).release();
  EXPECT_LE(t.Sweep(), 1e-12);
  scanner.GetScanner().LowPower = false;
  EXPECT_LE(t.Sweep(), 1e-12);
  ::ScannerModule = saved;
}

TEST(SystemCorrectionTermsAtHand, RebuiltListIsInterpolatedAgain) {
  TermsAtHand t(1001, 100, 5000);
  t.module.GetSystemCal().Terms = RandomTable(K30Grid(), 9).release();
  t.module.GetSystemCal().PortMatch[0] = true;
  ASSERT_LE(t.Sweep(), 1e-12);
  // Another count, then the same count at other frequencies.
  t.channel.Shape(1500, 200, 9000);
  EXPECT_LE(t.Sweep(), 1e-12);
  t.channel.Shape(1500, 300, 12000);
  EXPECT_LE(t.Sweep(), 1e-12);
  // Frequencies that change without a rebuild are caught at the point.
  for (int i = 0; i < t.Range().GetCount(); ++i) t.Range().GetPoint(i)->Frequency += 0.37;
  EXPECT_LE(t.Sweep(), 1e-12);
  // A frequency other than the point's own is searched, as before.
  TComplex x{0.4, 0.1}, y{0.2, -0.3}, wx = x, wy = y;
  t.module.ApplySystemCorrectionAt(t.Range(), 5, 777.0, 0, x, 1, y);
  TSystemCorrection::Apply(t.module.GetSystemCal().Terms, true, 0, wx, 1, wy, 777.0);
  EXPECT_EQ(x, wx);
  EXPECT_EQ(y, wy);
  // Out of the list: the search as well, nothing read out of bounds.
  t.module.ApplySystemCorrectionAt(t.Range(), t.Range().GetCount(), 777.0, 0, x, 1, y);
  t.module.ApplySystemCorrectionAt(t.Range(), -1, 777.0, 0, x, 1, y);
  // Suspended or empty: nothing changes.
  t.module.SetSystemCorrectionOff(true);
  TComplex sx{0.4, 0.1}, sy{0.2, -0.3};
  t.module.ApplySystemCorrectionAt(t.Range(), 5, t.Range().GetPointFrequency(5), 0, sx, 1, sy);
  EXPECT_EQ(sx, (TComplex{0.4, 0.1}));
  EXPECT_EQ(sy, (TComplex{0.2, -0.3}));
}

}  // namespace
