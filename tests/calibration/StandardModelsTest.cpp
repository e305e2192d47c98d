// The standard models: every built-in kit and a set of standards of their own against
// scikit-rf (tests/peer/standards.py wrote the golden file), the ideal kits exactly, the offset
// line's parameters, the choice of the data source, and the cases the model cannot describe.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "calibration/KitTestSupport.h"
#include "calibration/StandardModels.h"

namespace {

using kittest::KitTest;
using kittest::TestFolder;

class StandardModels : public KitTest {};

constexpr double kPeerTolerance = 1e-12;

TComplex KitValue(const TCalKit& kit, int standard, double f) {
  switch (standard) {
    case 0: return kit.GetShortGamma(f);
    case 1: return kit.GetOpenGamma(f);
    case 2: return kit.GetLoadGamma(f);
    default: return kit.GetThruS21(f);
  }
}

std::vector<std::string> GoldenLines() {
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/standards.txt");
  EXPECT_TRUE(in.good()) << "tests/peer/golden/standards.txt is missing";
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

// ---------------------------------------------------------------------------------------------
// Against the peer

TEST_F(StandardModels, BuiltInKitsAgreeWithPeer) {
  SetRunModeFromText("EnableService");  // position 15 is then the kit with values
  TCalKitsModule module(TestFolder());
  int checked = 0;
  for (const std::string& line : GoldenLines()) {
    std::istringstream in(line);
    std::string tag;
    int position = 0;
    int standard = 0;
    double zref = 0;
    double f = 0;
    double re = 0;
    double im = 0;
    in >> tag;
    if (tag != "kit") continue;
    in >> position >> standard >> zref >> f >> re >> im;
    ASSERT_FALSE(in.fail()) << line;
    module.SetReferenceImpedance(zref);
    const TComplex v = KitValue(*module.GetKits().GetItem(position - 1), standard, f);
    EXPECT_NEAR(v.Re, re, kPeerTolerance) << line;
    EXPECT_NEAR(v.Im, im, kPeerTolerance) << line;
    ++checked;
  }
  EXPECT_EQ(checked, 16 * 4 * 2 * 7);
}

TEST_F(StandardModels, OwnStandardsAgreeWithPeer) {
  int checked = 0;
  for (const std::string& line : GoldenLines()) {
    std::istringstream in(line);
    std::string tag;
    char kind = 0;
    double zref = 0, f = 0, delay = 0, z0 = 0, loss = 0, re = 0, im = 0;
    double k[4] = {0, 0, 0, 0};
    in >> tag;
    if (tag != "case") continue;
    in >> kind >> zref >> f >> delay >> z0 >> loss >> k[0] >> k[1] >> k[2] >> k[3] >> re >> im;
    ASSERT_FALSE(in.fail()) << line;
    TComplex v;
    switch (kind) {
      case 'S': v = OffsetLineReflection(f, ShortTermination(f, k, zref), delay, z0, loss, zref); break;
      case 'O': v = OffsetLineReflection(f, OpenTermination(f, k, zref), delay, z0, loss, zref); break;
      case 'L': v = OffsetLineReflection(f, TComplex{}, delay, z0, loss, zref); break;
      default: v = OffsetLineTransmission(f, delay, z0, loss, zref); break;
    }
    EXPECT_NEAR(v.Re, re, kPeerTolerance) << line;
    EXPECT_NEAR(v.Im, im, kPeerTolerance) << line;
    ++checked;
  }
  EXPECT_EQ(checked, 11);
}

// ---------------------------------------------------------------------------------------------
// Known values

TEST_F(StandardModels, IdealKitsAreExact) {
  TCalKitsModule module(TestFolder());
  const TCalKit& ideal50 = *module.GetKits().GetItem(0);
  const TCalKit& ideal75 = *module.GetKits().GetItem(1);
  for (double f : {1.0, 85e6, 1e9, 5.4e9, 14e9, 1e12}) {
    EXPECT_EQ(ideal50.GetShortGamma(f), (TComplex{-1, 0})) << f;
    EXPECT_EQ(ideal50.GetOpenGamma(f), (TComplex{1, 0})) << f;
    EXPECT_EQ(ideal50.GetLoadGamma(f), (TComplex{0, 0})) << f;
    EXPECT_EQ(ideal50.GetThruS21(f), (TComplex{1, 0})) << f;
    // The 75 ohm kit at 50 ohm: its lines have no length, so they change nothing.
    EXPECT_EQ(ideal75.GetShortGamma(f), (TComplex{-1, 0})) << f;
    EXPECT_EQ(ideal75.GetOpenGamma(f), (TComplex{1, 0})) << f;
    EXPECT_EQ(ideal75.GetLoadGamma(f), (TComplex{0, 0})) << f;
  }
}

TEST_F(StandardModels, MismatchedLoadBehindADelay) {
  const double tau = 1.0 / 3e9;  // 333 ps
  const double peak = 0.4 / 1.04;
  const struct {
    double f;
    double magnitude;
  } cases[] = {
      {1.5e9, 0}, {3e9, 0}, {4.5e9, 0}, {12e9, 0},          // 2 f tau whole
      {0.75e9, peak}, {2.25e9, peak}, {3.75e9, peak}, {9.75e9, peak},  // 4 f tau odd
  };
  for (const auto& c : cases) {
    const TComplex v = OffsetLineReflection(c.f, TComplex{}, tau, 75, 0, 50);
    EXPECT_NEAR(Abs(v), c.magnitude, 1e-12) << c.f;
  }
  EXPECT_NEAR(peak, 0.3846, 1e-4);
}

TEST_F(StandardModels, MatchedShortDelayIsAPhaseRotation) {
  const double tau = 50.368e-12;
  const double l[4] = {0, 0, 0, 0};
  for (double f : {85e6, 1e9, 7.3e9, 14e9}) {
    const TComplex v = OffsetLineReflection(f, ShortTermination(f, l, 50), tau, 50, 0, 50);
    const TComplex expected = -Polar(1, -4 * std::numbers::pi * f * tau);
    EXPECT_NEAR(v.Re, expected.Re, 1e-13) << f;
    EXPECT_NEAR(v.Im, expected.Im, 1e-13) << f;
  }
}

TEST_F(StandardModels, LossyLineParameters) {
  const TOffsetLine line = OffsetLineAt(1e9, 17.4e-12, 50, 7e8);
  EXPECT_NEAR(line.Alpha, 1.218e-4, 1e-17);
  EXPECT_NEAR(line.Beta, 2 * std::numbers::pi * 1e9 * 17.4e-12 + 1.218e-4, 1e-15);
  EXPECT_NEAR(line.Zc.Re, 50.0557, 5e-5);
  EXPECT_NEAR(line.Zc.Im, -0.0557, 5e-5);
  EXPECT_NEAR(line.Zc.Re - 50, -line.Zc.Im, 1e-15);
  EXPECT_NEAR(-line.Zc.Im, 7e8 / (4 * std::numbers::pi * 1e9), 1e-15);
  // The loss grows with the square root of the frequency.
  EXPECT_NEAR(OffsetLineAt(4e9, 17.4e-12, 50, 7e8).Alpha, 2 * 1.218e-4, 1e-17);
}

// ---------------------------------------------------------------------------------------------
// Source of the value

TEST_F(StandardModels, TablesStandInForTheModelAsTheyAre) {
  TCalKitsModule module(TestFolder());
  TCalKit& kit = *module.GetKits().GetItem(5);  // lines and lumped elements everywhere
  TCalStd& open = *kit.GetStandard(1);
  TCalStd& thru = *kit.GetStandard(3);
  const double f = 150e6;
  const TComplex model = kit.GetOpenGamma(f);

  open.SetTouchstoneFile("kept.s1p");  // no such file: the name alone
  open.TouchstoneData.SetOnePortData({{0.5, 0.5}, {0.5, -0.5}}, 200, 100);
  open.SetUseDatabaseStd(true);
  ASSERT_TRUE(open.GetUseDatabaseStd());
  const TComplex table = open.TouchstoneData.InterpolateAt(150).S11;
  EXPECT_EQ(kit.GetOpenGamma(f), table);  // no line, no reference impedance applied

  // A flag whose table is too short gives 0, whatever the coefficients say.
  TFixtParam& data = open.TouchstoneData;
  data.Frequencies = {100};
  data.S11 = {{0.5, 0.5}};
  data.S21 = data.S12 = data.S22 = {{0, 0}};
  EXPECT_EQ(kit.GetOpenGamma(f), (TComplex{0, 0}));
  data.Clear();
  EXPECT_EQ(kit.GetOpenGamma(f), (TComplex{0, 0}));

  // Module data win over the Touchstone data.
  open.ModuleData.SetOnePortData({{0.1, 0}, {0.3, 0}}, 200, 100);
  open.SetUseModuleData(true);
  EXPECT_NEAR(kit.GetOpenGamma(f).Re, 0.2, 1e-15);
  open.SetUseModuleData(false);
  open.SetUseDatabaseStd(false);
  EXPECT_EQ(kit.GetOpenGamma(f), model);

  // The Thru reads S21.
  thru.ModuleData.SetTwoPortData({{0.9, 0}, {0.9, 0}}, {{0, 0.7}, {0, 0.7}}, {{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}, 200,
                                 100);
  thru.SetUseModuleData(true);
  EXPECT_NEAR(kit.GetThruS21(f).Re, 0, 1e-15);
  EXPECT_NEAR(kit.GetThruS21(f).Im, 0.7, 1e-15);
}

TEST_F(StandardModels, ReferenceImpedanceComesFromTheModule) {
  TCalKitsModule module(TestFolder());
  const TCalKit& kit = *module.GetKits().GetItem(0);
  const double l[4] = {1e-9, 0, 0, 0};
  module.GetKits().GetItem(0)->GetStandard(0)->SetL(0, 1e-9);
  for (double zref : {5.0, 50.0, 75.0, 250.0}) {
    module.SetReferenceImpedance(zref);
    EXPECT_EQ(kit.GetShortGamma(1e9), ShortTermination(1e9, l, zref)) << zref;
  }
}

// The runs over many frequencies that the solver uses give exactly what the single getters
// give, for every built-in kit and source (model, Touchstone table, module table), and 0 for a
// standard the kit does not have.
TEST_F(StandardModels, RunsOfFrequenciesGiveWhatTheGettersGive) {
  SetRunModeFromText("EnableService");
  TCalKitsModule module(TestFolder());
  const std::vector<double> mhz = {0.1, 85, 150, 999.5, 2450, 5400, 8500, 13999.9, 14000};
  auto expectSame = [&](const TCalKit& kit, const std::string& what) {
    for (int standard = 0; standard < 4; ++standard) {
      std::vector<TComplex> run(mhz.size());
      kit.GetStandardValues(standard, mhz.data(), mhz.size(), run.data());
      for (size_t i = 0; i < mhz.size(); ++i) {
        EXPECT_EQ(KitValue(kit, standard, mhz[i] * 1e6), run[i]) << what << " standard " << standard << " at " << mhz[i];
      }
    }
  };
  for (double zref : {50.0, 75.0}) {
    module.SetReferenceImpedance(zref);
    for (int k = 0; k < module.GetKits().GetCount(); ++k) {
      expectSame(*module.GetKits().GetItem(k), "kit " + std::to_string(k + 1) + " at " + std::to_string(zref));
    }
  }
  TCalKit& kit = *module.GetKits().GetItem(10);
  kit.GetStandard(1)->SetTouchstoneFile("kept.s1p");
  kit.GetStandard(1)->TouchstoneData.SetOnePortData({{0.5, 0.5}, {0.5, -0.5}, {0.1, 0.2}}, 14000, 85);
  kit.GetStandard(1)->SetUseDatabaseStd(true);
  kit.GetStandard(3)->ModuleData.SetTwoPortData({{0.9, 0}, {0.9, 0}}, {{0, 0.7}, {0.3, 0.5}}, {{0, 0}, {0, 0}},
                                               {{0, 0}, {0, 0}}, 14000, 85);
  kit.GetStandard(3)->SetUseModuleData(true);
  ASSERT_TRUE(kit.GetStandard(1)->GetUseDatabaseStd());
  ASSERT_TRUE(kit.GetStandard(3)->GetUseModuleData());
  expectSame(kit, "tables");

  std::vector<TComplex> run(mhz.size(), TComplex{1, 1});
  kit.GetStandardValues(4, mhz.data(), mhz.size(), run.data());
  for (const TComplex& v : run) EXPECT_EQ(v, (TComplex{0, 0}));
}

// ---------------------------------------------------------------------------------------------
// Cases the model cannot describe

TEST_F(StandardModels, UndescribableCasesGiveTheTermination) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double l[4] = {2e-12, 1e-22, 0, 0};
  const double c[4] = {5e-14, 0, 0, 0};
  const struct {
    const char* what;
    double f, delay, z0, loss;
  } cases[] = {
      {"z0 0", 1e9, 3e-11, 0, 7e8},           {"z0 negative", 1e9, 3e-11, -50, 7e8},
      {"z0 infinite", 1e9, 3e-11, inf, 7e8},  {"z0 nan", 1e9, 3e-11, nan, 7e8},
      {"f 0", 0, 3e-11, 50, 7e8},             {"f negative", -1e9, 3e-11, 50, 7e8},
      {"delay nan", 1e9, nan, 50, 7e8},       {"loss infinite", 1e9, 3e-11, 50, inf},
  };
  for (const auto& t : cases) {
    const TComplex shortEnd = ShortTermination(t.f, l, 50);
    const TComplex openEnd = OpenTermination(t.f, c, 50);
    EXPECT_EQ(OffsetLineReflection(t.f, shortEnd, t.delay, t.z0, t.loss, 50), shortEnd) << t.what;
    EXPECT_EQ(OffsetLineReflection(t.f, openEnd, t.delay, t.z0, t.loss, 50), openEnd) << t.what;
    EXPECT_EQ(OffsetLineTransmission(t.f, t.delay, t.z0, t.loss, 50), (TComplex{1, 0})) << t.what;
    EXPECT_TRUE(std::isfinite(shortEnd.Re) && std::isfinite(shortEnd.Im)) << t.what;
  }
  // Terminations without reactance are exact at any reference impedance.
  const double none[4] = {0, 0, 0, 0};
  for (double zref : {5.0, 37.3, 50.0, 75.0, 113.7, 250.0}) {
    EXPECT_EQ(ShortTermination(3e9, none, zref), (TComplex{-1, 0})) << zref;
    EXPECT_EQ(OpenTermination(3e9, none, zref), (TComplex{1, 0})) << zref;
  }
  // A frequency that is no number gives the ideal standards.
  for (double f : {nan, inf, -inf}) {
    EXPECT_EQ(ShortTermination(f, l, 50), (TComplex{-1, 0}));
    EXPECT_EQ(OpenTermination(f, c, 50), (TComplex{1, 0}));
  }
  // Values so large that they overflow end at the circuit they tend to.
  const double huge[4] = {1e300, 1e300, 1e300, 1e300};
  EXPECT_NEAR(ShortTermination(14e9, huge, 50).Re, 1, 1e-15);  // an inductance without end opens
  EXPECT_NEAR(OpenTermination(14e9, huge, 50).Re, -1, 1e-15);  // a capacitance without end shorts
  const TComplex far = OffsetLineReflection(14e9, TComplex{-1, 0}, 1e300, 50, 1e300, 50);
  EXPECT_TRUE(std::isfinite(far.Re) && std::isfinite(far.Im));
  const TComplex through = OffsetLineTransmission(14e9, 1e300, 50, 1e300, 50);
  EXPECT_TRUE(std::isfinite(through.Re) && std::isfinite(through.Im));

  // In a kit: an offset impedance of 0 leaves the Short's termination.
  TCalKitsModule module(TestFolder());
  TCalKit& kit = *module.GetKits().GetItem(10);
  kit.GetStandard(0)->SetOffset(1, 0);
  EXPECT_EQ(kit.GetShortGamma(2e9), ShortTermination(2e9, kit.GetStandard(0)->GetValues().L, 50));
  kit.GetStandard(3)->SetOffset(0, 1e-10);
  kit.GetStandard(3)->SetOffset(1, -1);
  EXPECT_EQ(kit.GetThruS21(2e9), (TComplex{1, 0}));
}

}  // namespace
