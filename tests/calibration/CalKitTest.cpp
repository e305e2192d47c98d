// The standards' values a kit keeps for the grid it was last asked about: whatever changes
// (a coefficient, the kit file read again, the reference impedance, the grid, the standard's
// source, another kit), what comes back and what the calibration solves with it equal a
// computation from scratch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/ErrorTermSolver.h"
#include "calibration/KitTestSupport.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"

namespace {

using kittest::KitTest;
using kittest::TestFolder;

std::vector<double> Grid(int n, double start, double stop) {
  std::vector<double> f(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)] = start + (stop - start) * i / (n - 1);
  return f;
}

class KitValueCache : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    previous_ = CalKitsModule;
    module_ = std::make_unique<TCalKitsModule>(TestFolder());
    CalKitsModule = module_.get();
    module_->GetKits().SelectKit(10);
  }
  void TearDown() override {
    CalKitsModule = previous_;
    module_.reset();
    KitTest::TearDown();
  }

  TCalKit& Kit() { return *module_->GetKits().GetSelected(); }

  // Every standard's kept values against the getters at every frequency, bit for bit.
  void ExpectFresh(const std::vector<double>& grid, const std::string& what) {
    for (int k = 0; k < 4; ++k) {
      const std::vector<TComplex>& kept = Kit().CachedStandardValues(k, grid);
      ASSERT_EQ(kept.size(), grid.size()) << what;
      int wrong = 0;
      for (size_t i = 0; i < grid.size(); ++i) {
        const double f = grid[i] * 1e6;
        const TComplex want = k == 0 ? Kit().GetShortGamma(f)
                              : k == 1 ? Kit().GetOpenGamma(f)
                              : k == 2 ? Kit().GetLoadGamma(f)
                                       : Kit().GetThruS21(f);
        if (!(kept[i] == want) && ++wrong <= 3) {
          ADD_FAILURE() << what << ": standard " << k << " at " << grid[i] << " MHz";
        }
      }
    }
  }

  std::unique_ptr<TCalKitsModule> module_;
  TCalKitsModule* previous_ = nullptr;
};

TEST_F(KitValueCache, EditsOfTheKitAreSeen) {
  const std::vector<double> grid = Grid(2001, 0.3, 14000);
  ExpectFresh(grid, "first");
  ExpectFresh(grid, "kept");
  Kit().GetStandard(1)->SetC(0, 120e-15);
  ExpectFresh(grid, "open capacitance");
  Kit().GetStandard(0)->SetL(2, 1e-33);
  ExpectFresh(grid, "short inductance");
  Kit().GetStandard(2)->SetOffset(0, 31e-12);
  Kit().GetStandard(3)->SetOffset(2, 2.2e9);
  ExpectFresh(grid, "offsets");
  // Edits that fire no event: the kit file read again, the built-in values restored.
  TMemIniFile file;
  Kit().WriteIni(file);
  file.WriteString("Open", "OffsetDelay", "4.2e-11");
  file.WriteString("Short", "OffsetZ0", "49.5");
  Kit().ReadIni(file);
  ExpectFresh(grid, "kit file read");
  Kit().Restore();
  ExpectFresh(grid, "restored");
  // The reference impedance the models are referred to.
  module_->SetReferenceImpedance(75.0);
  ExpectFresh(grid, "75 ohm");
}

TEST_F(KitValueCache, AnotherGridIsComputedAgain) {
  ExpectFresh(Grid(1001, 0.3, 14000), "first");
  ExpectFresh(Grid(1001, 0.3, 8000), "same count, other frequencies");
  ExpectFresh(Grid(16001, 0.3, 14000), "other count");
  std::vector<double> grid = Grid(500, 10, 3000);
  ExpectFresh(grid, "fourth");
  grid[250] = std::nextafter(grid[250], 1e9);  // one frequency, by one step of its last bit
  ExpectFresh(grid, "one frequency moved");
  ExpectFresh({}, "empty");
  ExpectFresh({2400}, "one frequency");
  EXPECT_THROW(Kit().CachedStandardValues(4, grid), EAbort);
  EXPECT_THROW(Kit().CachedStandardValues(-1, grid), EAbort);
}

TEST_F(KitValueCache, AnotherSourceOrKitIsComputedAgain) {
  const std::vector<double> grid = Grid(801, 1, 6000);
  ExpectFresh(grid, "model");
  // The Short from a Touchstone file, then from its model again.
  const std::string path = TestFolder("touchstone") + "/short.s1p";
  {
    std::ofstream out(path);
    out << "# MHZ S RI R 50\n1 -0.9 0.1\n3000 -0.5 -0.6\n6000 0.2 -0.8\n";
  }
  TCalStd& shortStd = *Kit().GetStandard(0);
  shortStd.SetTouchstoneFile(path);
  shortStd.SetUseDatabaseStd(true);
  ASSERT_TRUE(shortStd.GetUseDatabaseStd());
  ExpectFresh(grid, "touchstone");
  shortStd.SetUseDatabaseStd(false);
  ExpectFresh(grid, "model again");
  // Another kit, then back.
  module_->GetKits().SelectKit(0);
  ExpectFresh(grid, "kit 1");
  module_->GetKits().SelectKit(10);
  ExpectFresh(grid, "kit 11 again");
}

// The calibration solves with the kept values: after each change its terms equal the closed
// form with the kit's getters at every frequency.
TEST_F(KitValueCache, CalculationAfterEachChangeEqualsAFreshOne) {
  TCalibr calibr;
  calibr.Frequencies = Grid(1601, 0.3, 14000);
  std::mt19937 random(4);
  std::uniform_real_distribution<double> u(-0.3, 0.3);
  for (int kind : {ckShort, ckOpen, ckLoad}) {
    for (size_t i = 0; i < calibr.Frequencies.size(); ++i) {
      SxData x{};
      x.Data0 = TComplex{u(random) + (kind == ckShort ? -0.8 : kind == ckOpen ? 0.8 : 0.0), u(random)};
      calibr.Standards[kind][0].push_back(x);
    }
    calibr.Measured[kind][0] = true;
  }
  auto expectFresh = [&](const std::string& what) {
    calibr.Calculate(0, -1, cmF1);
    ASSERT_NE(calibr.Terms, nullptr) << what;
    double worst = 0;
    for (size_t i = 0; i < calibr.Frequencies.size(); ++i) {
      const double f = calibr.Frequencies[i] * 1e6;
      const TOnePortTerms want = TErrorTermSolver::OnePort(
          calibr.Standards[ckLoad][0][i].Data0, calibr.Standards[ckOpen][0][i].Data0,
          calibr.Standards[ckShort][0][i].Data0, Kit().GetLoadGamma(f), Kit().GetOpenGamma(f), Kit().GetShortGamma(f));
      const int ii = static_cast<int>(i);
      worst = std::max({worst, Abs(calibr.Terms->GetErrorTermA(0, ii) - want.Er) / Abs(want.Er),
                        Abs(calibr.Terms->GetErrorTermB(0, ii) - want.Ed) / std::max(Abs(want.Ed), 1e-3),
                        Abs(calibr.Terms->GetErrorTermC(0, ii) - want.Es) / std::max(Abs(want.Es), 1e-3)});
    }
    EXPECT_LE(worst, 1e-12) << what;
  };
  expectFresh("first");
  expectFresh("again");
  Kit().GetStandard(1)->SetC(1, -3e-27);
  expectFresh("kit edited");
  calibr.Frequencies = Grid(1601, 0.3, 9000);
  expectFresh("grid rebuilt");
  module_->GetKits().SelectKit(3);
  expectFresh("another kit");
  Kit().GetStandard(2)->SetOffset(0, 20e-12);
  Kit().GetStandard(2)->SetOffset(1, 47.0);
  expectFresh("load of that kit edited");
}

}  // namespace
