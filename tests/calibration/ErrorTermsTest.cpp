// Error-term solving: standards generated from known terms through the one-port model come back
// as those terms for every method, the solvers and the one-path calculation agree with the
// peer's golden file, the method choice and its discards, and the faults a calibration must
// survive (short standards, degenerate readings, an unusable weighted fit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/ErrorTermSolver.h"
#include "calibration/KitTestSupport.h"
#include "model/EAbort.h"
#include "model/RunMode.h"

namespace {

using kittest::KitTest;
using kittest::TestFolder;

constexpr double kTolerance = 1e-12;
constexpr int kKitPosition11 = 10;

struct Terms {
  TComplex Er, Ed, Es, Et;
};

TComplex Forward(const Terms& e, const TComplex& g) {
  return e.Ed + e.Er * g / (TComplex{1, 0} - e.Es * g);
}

TComplex RandomComplex(std::mt19937& rng, double lo, double hi) {
  std::uniform_real_distribution<double> mag(lo, hi);
  std::uniform_real_distribution<double> phase(-3.14159, 3.14159);
  return Polar(mag(rng), phase(rng));
}

void ExpectNear(const TComplex& got, const TComplex& want, const std::string& what) {
  EXPECT_NEAR(got.Re, want.Re, kTolerance) << what;
  EXPECT_NEAR(got.Im, want.Im, kTolerance) << what;
}

class ErrorTerms : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    previous_ = CalKitsModule;
    module_ = std::make_unique<TCalKitsModule>(TestFolder());
    CalKitsModule = module_.get();
    module_->GetKits().SelectKit(kKitPosition11);
    calibr.Frequencies = {0.5, 10, 150, 999.5, 2400, 5200, 13999};
  }
  void TearDown() override {
    CalKitsModule = previous_;
    module_.reset();
    KitTest::TearDown();
  }

  TCalKit& Kit() { return *module_->GetKits().GetSelected(); }
  TCalKitsModule& Module() { return *module_; }

  // Seeded terms per frequency; what the method cannot see is 0.
  std::vector<Terms> Seed(unsigned seed, bool ed, bool es) {
    std::mt19937 rng(seed);
    std::vector<Terms> terms;
    for (size_t i = 0; i < calibr.Frequencies.size(); ++i) {
      Terms e;
      e.Er = RandomComplex(rng, 0.3, 1.2);
      e.Ed = ed ? RandomComplex(rng, 0.01, 0.2) : TComplex{};
      e.Es = es ? RandomComplex(rng, 0.01, 0.3) : TComplex{};
      e.Et = RandomComplex(rng, 0.2, 1.0);
      terms.push_back(e);
    }
    return terms;
  }

  TComplex KitGamma(int kind, double mhz) {
    if (moduleTables) {
      const int standard[6] = {3, 0, 1, 2, 4, 5};
      return Kit().GetStandard(standard[kind])->ModuleData.InterpolateAt(mhz).S11;
    }
    switch (kind) {
      case ckShort: return Kit().GetShortGamma(mhz * 1e6);
      case ckOpen: return Kit().GetOpenGamma(mhz * 1e6);
      case ckLoad: return Kit().GetLoadGamma(mhz * 1e6);
      default: return Kit().GetStandard(kind == ckOpen2 ? 4 : 5)->ModuleData.InterpolateAt(mhz).S11;
    }
  }

  // Stores the reading of `kind` on slot 0 through the model of the terms.
  void StoreReflection(int kind, const std::vector<Terms>& terms) {
    std::vector<SxData>& data = calibr.Standards[kind][0];
    data.clear();
    for (size_t i = 0; i < terms.size(); ++i) {
      SxData x;
      x.Data0 = Forward(terms[i], KitGamma(kind, calibr.Frequencies[i]));
      data.push_back(x);
    }
    calibr.Measured[kind][0] = true;
    calibr.Selected[kind][0] = true;
  }

  // A Thru on slot 1 whose far end reflects a little (gin seen at slot 0): m11 through the
  // one-port model, m21 = Et T / (1 - Es gin).
  void StoreThru(const std::vector<Terms>& terms, bool reflecting) {
    std::mt19937 rng(99);
    std::vector<SxData>& data = calibr.Standards[ckThru][1];
    data.clear();
    for (size_t i = 0; i < terms.size(); ++i) {
      const TComplex t = Kit().GetThruS21(calibr.Frequencies[i] * 1e6);
      const TComplex gin = reflecting ? RandomComplex(rng, 0.01, 0.1) * t * t : TComplex{};
      SxData x;
      x.Data0 = Forward(terms[i], gin);
      x.Data1 = terms[i].Et * t / (TComplex{1, 0} - terms[i].Es * gin);
      data.push_back(x);
    }
    calibr.Measured[ckThru][1] = true;
  }

  void ExpectReflectionTerms(const std::vector<Terms>& terms, bool withEs, const std::string& what) {
    ASSERT_NE(calibr.Terms, nullptr) << what;
    ASSERT_EQ(calibr.Terms->GetCount(), static_cast<int>(terms.size())) << what;
    for (size_t i = 0; i < terms.size(); ++i) {
      const int ii = static_cast<int>(i);
      const std::string at = what + " at " + std::to_string(calibr.Frequencies[i]);
      ExpectNear(calibr.Terms->GetErrorTermA(0, ii), terms[i].Er, at + " Er");
      ExpectNear(calibr.Terms->GetErrorTermB(0, ii), terms[i].Ed, at + " Ed");
      if (withEs) ExpectNear(calibr.Terms->GetErrorTermC(0, ii), terms[i].Es, at + " Es");
    }
  }

  TCalibr calibr;
  bool moduleTables = false;  // the kit values are the standards' module tables

 private:
  TCalKitsModule* previous_ = nullptr;
  std::unique_ptr<TCalKitsModule> module_;
};

TEST_F(ErrorTerms, ResponseAndOnePortMethodsGiveTheSeededTermsBack) {
  const struct {
    const char* name;
    int method;
    std::vector<int> kinds;
    bool ed, es;
  } cases[] = {
      {"RO", cmRO, {ckOpen}, false, false},
      {"RO with Load", cmRO, {ckOpen, ckLoad}, true, false},
      {"RS", cmRS, {ckShort}, false, false},
      {"RS with Load", cmRS, {ckShort, ckLoad}, true, false},
      {"F1", cmF1, {ckShort, ckOpen, ckLoad}, true, true},
      {"RO+S", cmROS, {ckShort, ckOpen}, false, true},
  };
  for (double zref : {50.0, 75.0}) {
    for (const auto& c : cases) {
      const std::string what = std::string(c.name) + " at " + std::to_string(zref);
      Module().SetReferenceImpedance(zref);
      calibr.Clear();
      const std::vector<Terms> terms = Seed(7, c.ed, c.es);
      for (int kind : c.kinds) StoreReflection(kind, terms);
      calibr.Calculate(0, -1, c.method);
      EXPECT_EQ(calibr.Method[0], c.method) << what;
      ExpectReflectionTerms(terms, c.es, what);
    }
  }
}

TEST_F(ErrorTerms, TransmissionMethodsGiveTheSeededTermsBack) {
  for (double zref : {50.0, 75.0}) {
    Module().SetReferenceImpedance(zref);
    // RT: the Thru alone.
    calibr.Clear();
    const std::vector<Terms> terms = Seed(11, true, true);
    StoreThru(terms, false);
    calibr.Calculate(-1, 1, cmRT);
    ASSERT_EQ(calibr.Method[1], cmRT);
    ASSERT_NE(calibr.Terms, nullptr);
    for (size_t i = 0; i < terms.size(); ++i)
      ExpectNear(calibr.Terms->GetErrorTermD(1, static_cast<int>(i)), terms[i].Et, "RT");

    // OP: full one-port on slot 0, enhanced response on slot 1 with a reflecting Thru.
    calibr.Clear();
    for (int kind : {ckShort, ckOpen, ckLoad}) StoreReflection(kind, terms);
    StoreThru(terms, true);
    calibr.Calculate(0, 1, cmOP);
    ASSERT_EQ(calibr.Method[0], cmOP);
    ASSERT_EQ(calibr.Method[1], cmOP);
    ExpectReflectionTerms(terms, true, "OP");
    for (size_t i = 0; i < terms.size(); ++i)
      ExpectNear(calibr.Terms->GetErrorTermD(1, static_cast<int>(i)), terms[i].Et, "OP Et");
  }
}

// The electronic module's temporary kit: each of its five reflection standards a table of its own.
void FillModuleKit(TCalKit& kit, const std::vector<double>& frequencies) {
  const TComplex values[6][2] = {{{-0.98, 0.05}, {-0.7, -0.6}},   {{0.97, 0.02}, {0.3, 0.9}},
                                 {{0.02, -0.01}, {0.05, 0.03}},   {{0.9, 0.0}, {0.1, 0.8}},
                                 {{0.6, 0.3}, {-0.2, 0.55}},      {{0.2, -0.25}, {0.3, 0.1}}};
  for (int s : {0, 1, 2, 4, 5}) {
    std::vector<TComplex> s11;
    for (size_t i = 0; i < frequencies.size(); ++i) {
      const double u = static_cast<double>(i) / static_cast<double>(frequencies.size() - 1);
      s11.push_back(values[s][0] * (1 - u) + values[s][1] * u);
    }
    // A table at exactly the calibration frequencies.
    kit.GetStandard(s)->ModuleData.SetOnePortData(s11, frequencies.back(), frequencies.front());
  }
}

TEST_F(ErrorTerms, WeightedFitGivesTheSeededTermsBack) {
  calibr.Frequencies = {100, 200, 300, 400, 500, 600};
  Module().GetKits().AddTemporaryKit("Module");
  Module().GetKits().SelectKit(Module().GetKits().GetCount() - 1);
  FillModuleKit(Kit(), calibr.Frequencies);
  moduleTables = true;
  const std::vector<Terms> terms = Seed(3, true, true);
  for (int kind : {ckShort, ckOpen, ckLoad, ckOpen2, ckLoad2}) StoreReflection(kind, terms);
  // The closed form would read the kit's own (ideal) models and miss the tables entirely.
  calibr.ModuleStandards = true;
  calibr.Calculate(0, -1, cmF1);
  EXPECT_EQ(calibr.Method[0], cmF1);
  ExpectReflectionTerms(terms, true, "weighted");
}

TEST_F(ErrorTerms, WeightedFitOnNoisyDataMatchesItsNormalEquations) {
  // The fixed-array solver against the same least-squares problem solved by elimination on
  // the normal equations built independently.
  const TComplex g[5] = {{-1, 0.02}, {0.98, 0.1}, {0.4, 0.8}, {0.01, 0.0}, {0.3, -0.2}};
  Terms e{{0.8, 0.3}, {0.05, -0.02}, {0.1, 0.07}, {}};
  std::mt19937 rng(5);
  std::normal_distribution<double> noise(0, 1e-3);
  TComplex m[5];
  for (int j = 0; j < 5; ++j) m[j] = Forward(e, g[j]) + TComplex{noise(rng), noise(rng)};
  const TOnePortTerms fit = TErrorTermSolver::WeightedOnePort(m, g, 5);
  // Residual gradient A^H W (y - A x) vanishes at the minimum.
  const TComplex x[3] = {fit.Ed, fit.Es, fit.Ed * fit.Es - fit.Er};
  TComplex gradient[3] = {};
  for (int j = 0; j < 5; ++j) {
    double distance = 0;
    for (int q = 0; q < 5; ++q) distance += Abs(m[j] - m[q]);
    const double w = distance / (0.001 * Abs(m[j]) * Abs(m[j]) + 0.001);
    const TComplex row[3] = {{1, 0}, g[j] * m[j], -g[j]};
    const TComplex residual = m[j] - (row[0] * x[0] + row[1] * x[1] + row[2] * x[2]);
    for (int a = 0; a < 3; ++a) gradient[a] += Conj(row[a]) * w * residual;
  }
  for (const TComplex& v : gradient) EXPECT_LT(Abs(v), 1e-9);
  EXPECT_NEAR(Abs(fit.Er - e.Er), 0, 1e-2);
}

// One line of tests/peer/golden/errorterms.txt: its tag and its complex values.
struct PeerLine {
  std::string Tag;
  std::vector<TComplex> Values;
  std::string Text;
};

std::vector<PeerLine> ReadPeerLines() {
  std::vector<PeerLine> lines;
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/errorterms.txt");
  for (std::string text; std::getline(in, text);) {
    std::istringstream fields(text);
    PeerLine line;
    line.Text = text;
    fields >> line.Tag;
    for (double re, im; fields >> re >> im;) line.Values.push_back({re, im});
    lines.push_back(line);
  }
  return lines;
}

// Relative to the size of the term: the weighted system carries weights near 1000.
void ExpectPeerTerm(const TComplex& got, const TComplex& want, const std::string& what) {
  EXPECT_LT(Abs(got - want), kTolerance * std::max(1.0, Abs(want))) << what;
}

// The solvers against scikit-rf's OnePort (f1 lines) and TwoPortOnePath (op lines) and numpy's
// weighted least squares on noisy readings (wls lines); tests/peer/errorterms.py wrote the file.
TEST_F(ErrorTerms, SolversAgreeWithPeer) {
  const std::vector<PeerLine> lines = ReadPeerLines();
  ASSERT_FALSE(lines.empty()) << "tests/peer/golden/errorterms.txt is missing";
  int f1 = 0, wls = 0, op = 0;
  for (const PeerLine& line : lines) {
    const std::vector<TComplex>& v = line.Values;
    TOnePortTerms got;
    if (line.Tag == "f1") {
      ASSERT_EQ(v.size(), 9u) << line.Text;
      got = TErrorTermSolver::OnePort(v[2], v[1], v[0], v[5], v[4], v[3]);
      ++f1;
    } else if (line.Tag == "op") {
      ASSERT_EQ(v.size(), 13u) << line.Text;
      got = TErrorTermSolver::OnePort(v[2], v[1], v[0], v[7], v[6], v[5]);
      ExpectPeerTerm(TErrorTermSolver::OnePathThru(v[3], v[4], got, v[8]), v[12], "op Et: " + line.Text);
      ++op;
    } else {
      ASSERT_EQ(line.Tag, "wls");
      ASSERT_EQ(v.size(), 13u) << line.Text;
      got = TErrorTermSolver::WeightedOnePort(&v[0], &v[5], 5);
      ++wls;
    }
    const size_t k = line.Tag == "op" ? 9 : v.size() - 3;
    ExpectPeerTerm(got.Er, v[k], line.Tag + " Er: " + line.Text);
    ExpectPeerTerm(got.Ed, v[k + 1], line.Tag + " Ed: " + line.Text);
    ExpectPeerTerm(got.Es, v[k + 2], line.Tag + " Es: " + line.Text);
  }
  EXPECT_GT(f1, 0);
  EXPECT_GT(wls, 0);
  EXPECT_GT(op, 0);
}

// The whole one-path calculation (method choice, kit values, reflection terms, then the Thru on
// the transmission slot) against scikit-rf's TwoPortOnePath: the kit's four standards are
// tables holding the peer's standard values at the calibration frequencies 1 ... 12 MHz.
TEST_F(ErrorTerms, OnePathCalculationAgreesWithPeer) {
  std::vector<PeerLine> op;
  for (const PeerLine& line : ReadPeerLines()) {
    if (line.Tag == "op") op.push_back(line);
  }
  ASSERT_EQ(op.size(), 12u);
  calibr.Frequencies.clear();
  std::vector<TComplex> gs, go, gl, thru, zero(op.size());
  for (size_t i = 0; i < op.size(); ++i) {
    calibr.Frequencies.push_back(static_cast<double>(i + 1));
    gs.push_back(op[i].Values[5]);
    go.push_back(op[i].Values[6]);
    gl.push_back(op[i].Values[7]);
    thru.push_back(op[i].Values[8]);
  }
  Module().GetKits().AddTemporaryKit("Peer");
  Module().GetKits().SelectKit(Module().GetKits().GetCount() - 1);
  Kit().GetStandard(0)->ModuleData.SetOnePortData(gs, 12, 1);
  Kit().GetStandard(1)->ModuleData.SetOnePortData(go, 12, 1);
  Kit().GetStandard(2)->ModuleData.SetOnePortData(gl, 12, 1);
  Kit().GetStandard(3)->ModuleData.SetTwoPortData(zero, thru, zero, thru, 12, 1);
  for (int s = 0; s < 4; ++s) Kit().GetStandard(s)->SetUseModuleData(true);

  const int reading[3] = {ckShort, ckOpen, ckLoad};
  for (int j = 0; j < 3; ++j) {
    for (const PeerLine& line : op) calibr.Standards[reading[j]][0].push_back(SxData{{}, {}, {}, line.Values[j], {}});
    calibr.Measured[reading[j]][0] = true;
  }
  for (const PeerLine& line : op) calibr.Standards[ckThru][1].push_back(SxData{{}, {}, {}, line.Values[3], line.Values[4]});
  calibr.Measured[ckThru][1] = true;

  calibr.Calculate(0, 1, cmOP);
  ASSERT_EQ(calibr.Method[0], cmOP);
  ASSERT_EQ(calibr.Method[1], cmOP);
  ASSERT_NE(calibr.Terms, nullptr);
  for (size_t i = 0; i < op.size(); ++i) {
    const int ii = static_cast<int>(i);
    const std::vector<TComplex>& v = op[i].Values;
    const std::string at = " at " + std::to_string(i + 1) + " MHz";
    ExpectPeerTerm(calibr.Terms->GetErrorTermA(0, ii), v[9], "Er" + at);
    ExpectPeerTerm(calibr.Terms->GetErrorTermB(0, ii), v[10], "Ed" + at);
    ExpectPeerTerm(calibr.Terms->GetErrorTermC(0, ii), v[11], "Es" + at);
    ExpectPeerTerm(calibr.Terms->GetErrorTermD(1, ii), v[12], "Et" + at);
  }
}

// ---------------------------------------------------------------------------------------------
// Method choice

struct ChoiceCase {
  const char* name;
  int method;
  std::vector<int> reflection;  // stored on slot 0
  bool thru;                    // stored on slot 1
  int before0, before1;         // methods in force before
  bool service;
  int want0, want1;
  std::vector<int> gone0;  // kinds discarded on slot 0
  bool thruGone;
};

TEST_F(ErrorTerms, MethodChoiceAndDiscards) {
  const ChoiceCase cases[] = {
      {"auto SOL", cmRT, {ckShort, ckOpen, ckLoad}, true, 0, 0, false, cmF1, cmRT, {}, false},
      {"auto SO", cmRT, {ckShort, ckOpen}, true, 0, 0, false, cmRO, cmRT, {}, false},
      {"auto SO service", cmRT, {ckShort, ckOpen}, true, 0, 0, true, cmROS, cmRT, {}, false},
      {"auto S", cmRT, {ckShort}, false, 0, 0, false, cmRS, 0, {}, false},
      {"auto nothing", cmRT, {}, true, 0, 0, false, 0, cmRT, {}, false},
      {"auto after OP", cmRT, {ckShort, ckOpen, ckLoad}, true, cmOP, cmOP, false, 0, cmRT,
       {ckShort, ckOpen, ckLoad}, false},
      {"RO drops Short and unselected Load", cmRO, {ckShort, ckOpen, ckLoad}, false, 0, 0, false, cmRO, 0,
       {ckShort, ckLoad}, false},
      {"RS drops Open", cmRS, {ckShort, ckOpen}, false, 0, 0, false, cmRS, 0, {ckOpen}, false},
      {"RO without Open", cmRO, {ckShort}, false, 0, 0, false, 0, 0, {ckShort}, false},
      {"F1 after OP drops the Thru", cmF1, {ckShort, ckOpen, ckLoad}, true, cmOP, cmOP, false, cmF1, 0, {}, true},
      {"F1 missing Load", cmF1, {ckShort, ckOpen}, true, 0, 0, false, 0, cmRT, {}, false},
      {"RO+S without service", cmROS, {ckShort, ckOpen}, false, 0, 0, false, cmROS, 0, {}, false},
      {"OP", cmOP, {ckShort, ckOpen, ckLoad}, true, 0, 0, false, cmOP, cmOP, {}, false},
      {"OP without Thru", cmOP, {ckShort, ckOpen, ckLoad}, false, 0, 0, false, 0, 0, {}, false},
      {"none", cmNone, {ckShort, ckOpen, ckLoad}, true, cmF1, cmRT, false, 0, 0, {ckShort, ckOpen, ckLoad}, true},
      {"unknown code", 9, {ckShort, ckOpen, ckLoad}, true, cmF1, cmRT, false, cmF1, cmRT, {}, false},
      // A method kept in force without its standards is not solved from data that is not there.
      {"unknown code, standards gone", 9, {ckShort}, false, cmF1, cmRT, false, 0, 0, {}, false},
  };
  for (const ChoiceCase& c : cases) {
    ResetRunMode();
    if (c.service) SetRunModeFromText("EnableService");
    calibr.Clear();
    const std::vector<Terms> terms = Seed(21, true, true);
    for (int kind : c.reflection) StoreReflection(kind, terms);
    // Unselected Loads are the ones a response method may drop.
    calibr.Selected[ckLoad][0] = false;
    if (c.thru) StoreThru(terms, false);
    calibr.Method[0] = c.before0;
    calibr.Method[1] = c.before1;
    calibr.Calculate(0, 1, c.method);
    EXPECT_EQ(calibr.Method[0], c.want0) << c.name;
    EXPECT_EQ(calibr.Method[1], c.want1) << c.name;
    for (int kind : c.reflection) {
      const bool gone = std::find(c.gone0.begin(), c.gone0.end(), kind) != c.gone0.end();
      EXPECT_EQ(calibr.HasStandard(kind, 0), !gone) << c.name << " kind " << kind;
    }
    if (c.thru) {
      EXPECT_EQ(calibr.HasStandard(ckThru, 1), !c.thruGone) << c.name;
    }
    EXPECT_EQ(calibr.Terms == nullptr, c.want0 == 0 && c.want1 == 0) << c.name;
  }
  ResetRunMode();
}

TEST_F(ErrorTerms, ResponseMethodKeepsASelectedLoadForDirectivity) {
  calibr.Frequencies = {1000};
  Module().GetKits().SelectKit(0);  // ideal kit: Open 1, Load 0
  calibr.Standards[ckOpen][0] = {SxData{{}, {}, {}, {0.5, 0}, {}}};
  calibr.Measured[ckOpen][0] = true;
  calibr.Standards[ckShort][0] = {SxData{{}, {}, {}, {-0.5, 0}, {}}};
  calibr.Measured[ckShort][0] = true;
  calibr.Calculate(0, -1, cmRO);
  ExpectNear(calibr.Terms->GetErrorTermA(0, 0), {0.5, 0}, "Er");
  ExpectNear(calibr.Terms->GetErrorTermB(0, 0), {}, "Ed");
  EXPECT_FALSE(calibr.HasStandard(ckShort, 0));

  calibr.Standards[ckLoad][0] = {SxData{{}, {}, {}, {0.1, 0}, {}}};
  calibr.Measured[ckLoad][0] = true;
  calibr.Selected[ckLoad][0] = true;
  calibr.Calculate(0, -1, cmRO);
  ExpectNear(calibr.Terms->GetErrorTermA(0, 0), {0.4, 0}, "Er with Load");
  ExpectNear(calibr.Terms->GetErrorTermB(0, 0), {0.1, 0}, "Ed with Load");
  EXPECT_TRUE(calibr.HasStandard(ckLoad, 0));
}

// ---------------------------------------------------------------------------------------------
// Faults

TEST_F(ErrorTerms, ASlotThatTakesNoPartKeepsItsTerms) {
  const std::vector<Terms> terms = Seed(6, true, true);
  for (int kind : {ckShort, ckOpen, ckLoad}) StoreReflection(kind, terms);
  calibr.Calculate(0, -1, cmF1);
  StoreThru(terms, false);
  calibr.Calculate(-1, 1, cmRT);
  EXPECT_EQ(calibr.Method[0], cmF1);
  EXPECT_EQ(calibr.Method[1], cmRT);
  ExpectReflectionTerms(terms, true, "slot 0 after RT on slot 1");
}

TEST_F(ErrorTerms, AStandardOfAnotherLengthCountsAsAbsent) {
  const std::vector<Terms> terms = Seed(2, true, true);
  for (int kind : {ckShort, ckOpen, ckLoad}) StoreReflection(kind, terms);
  calibr.Standards[ckLoad][0].resize(3);  // as left by a binary form of fewer points
  calibr.Calculate(0, -1, cmRT);
  EXPECT_EQ(calibr.Method[0], cmRO);
  ASSERT_NE(calibr.Terms, nullptr);
  EXPECT_EQ(calibr.Terms->GetCount(), static_cast<int>(calibr.Frequencies.size()));
  // A longer one is no better.
  calibr.Clear();
  StoreReflection(ckOpen, terms);
  calibr.Standards[ckOpen][0].push_back(SxData{});
  calibr.Calculate(0, -1, cmRO);
  EXPECT_EQ(calibr.Method[0], 0);
  EXPECT_EQ(calibr.Terms, nullptr);
}

TEST_F(ErrorTerms, NonFiniteTermsChangeNothing) {
  const std::vector<Terms> terms = Seed(4, true, true);
  // A good calibration in force first.
  StoreReflection(ckOpen, terms);
  calibr.Calculate(0, -1, cmRO);
  ASSERT_EQ(calibr.Method[0], cmRO);
  TCalRange* const good = calibr.Terms;
  const std::string date = calibr.DataTime;
  // Then Short, Open and Load with the Short reading equal to the Open one at 150 MHz.
  for (int kind : {ckShort, ckOpen, ckLoad}) StoreReflection(kind, terms);
  calibr.Standards[ckShort][0][2].Data0 = calibr.Standards[ckOpen][0][2].Data0;
  calibr.Standards[ckShort][0][4].Data0 = calibr.Standards[ckOpen][0][4].Data0;
  int events = 0;
  calibr.OnChange = [&](TFObject*) { ++events; };
  try {
    calibr.Calculate(0, -1, cmF1);
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_EQ(e.HelpContext, 200);
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("Execution error", 0), 0u) << message;
    EXPECT_NE(message.find("150 MHz"), std::string::npos) << message;
  }
  EXPECT_EQ(events, 0);
  EXPECT_EQ(calibr.Terms, good);
  EXPECT_EQ(calibr.Method[0], cmRO);
  EXPECT_EQ(calibr.DataTime, date);
  for (int kind : {ckShort, ckOpen, ckLoad}) {
    EXPECT_TRUE(calibr.HasStandard(kind, 0)) << kind;
    EXPECT_TRUE(calibr.IsStandardSelected(kind, 0)) << kind;
  }

  // A discard that would come with a failing solution does not happen either.
  calibr.Standards[ckOpen][0][1].Data0 = {std::numeric_limits<double>::quiet_NaN(), 0};
  EXPECT_THROW(calibr.Calculate(0, -1, cmRO), EAbort);
  EXPECT_TRUE(calibr.HasStandard(ckShort, 0));
  EXPECT_EQ(events, 0);
}

TEST_F(ErrorTerms, ASlotLeftWithoutAMethodIsNoFailure) {
  int events = 0;
  calibr.OnChange = [&](TFObject*) { ++events; };
  calibr.Calculate(0, 1, cmRT);
  EXPECT_EQ(calibr.Method[0], 0);
  EXPECT_EQ(calibr.Method[1], 0);
  EXPECT_EQ(calibr.Terms, nullptr);
  EXPECT_EQ(events, 1);
}

TEST_F(ErrorTerms, WeightedFitNeedsFiveStandardsAndASixStandardKit) {
  const std::vector<Terms> terms = Seed(8, true, true);
  // A four-standard kit: the closed form, whatever ModuleStandards says.
  for (int kind : {ckShort, ckOpen, ckLoad}) StoreReflection(kind, terms);
  // The kit has no fifth and sixth standard to model them; any readings will do.
  for (int kind : {ckOpen2, ckLoad2}) {
    calibr.Standards[kind][0] = calibr.Standards[ckOpen][0];
    calibr.Measured[kind][0] = true;
  }
  calibr.ModuleStandards = true;
  calibr.Calculate(0, -1, cmF1);
  ExpectReflectionTerms(terms, true, "four-standard kit");

  // A six-standard kit with Load2 missing: the closed form on the kit's own models, here the
  // tables switched on as the models of Short, Open and Load.
  Module().GetKits().AddTemporaryKit("Module");
  Module().GetKits().SelectKit(Module().GetKits().GetCount() - 1);
  FillModuleKit(Kit(), calibr.Frequencies);
  for (int s : {0, 1, 2}) Kit().GetStandard(s)->SetUseModuleData(true);
  moduleTables = true;
  for (int kind : {ckShort, ckOpen, ckLoad, ckOpen2}) StoreReflection(kind, terms);
  calibr.Standards[ckLoad2][0].clear();
  calibr.Standards[ckOpen][0][0].Data0 += TComplex{1e-3, 0};  // the weighted fit would smooth this
  calibr.Calculate(0, -1, cmF1);
  EXPECT_EQ(calibr.Method[0], cmF1);
  const TOnePortTerms first = TErrorTermSolver::OnePort(
      calibr.Standards[ckLoad][0][0].Data0, calibr.Standards[ckOpen][0][0].Data0, calibr.Standards[ckShort][0][0].Data0,
      KitGamma(ckLoad, calibr.Frequencies[0]), KitGamma(ckOpen, calibr.Frequencies[0]),
      KitGamma(ckShort, calibr.Frequencies[0]));
  ExpectNear(calibr.Terms->GetErrorTermA(0, 0), first.Er, "Load2 missing, closed form");
  calibr.Standards[ckOpen][0][0].Data0 -= TComplex{1e-3, 0};
  calibr.Calculate(0, -1, cmF1);
  ExpectReflectionTerms(terms, true, "Load2 missing");
}

TEST_F(ErrorTerms, IdealKitAndReadings) {
  calibr.Frequencies = {100};
  Module().GetKits().SelectKit(0);
  Module().SetReferenceImpedance(50);
  calibr.Standards[ckShort][0] = {SxData{{}, {}, {}, {-1, 0}, {}}};
  calibr.Standards[ckOpen][0] = {SxData{{}, {}, {}, {1, 0}, {}}};
  calibr.Standards[ckLoad][0] = {SxData{{}, {}, {}, {0, 0}, {}}};
  for (int kind : {ckShort, ckOpen, ckLoad}) calibr.Measured[kind][0] = true;
  calibr.Calculate(0, -1, cmF1);
  EXPECT_EQ(calibr.Terms->GetErrorTermA(0, 0), (TComplex{1, 0}));
  EXPECT_EQ(calibr.Terms->GetErrorTermB(0, 0), (TComplex{0, 0}));
  EXPECT_EQ(calibr.Terms->GetErrorTermC(0, 0), (TComplex{0, 0}));
  EXPECT_EQ(calibr.KitLabel, Kit().Name);
}

}  // namespace
