// Fixture de-embedding and embedding of a channel's points, the fixture tables at the channel's
// points and the fixture network files.
#include <gtest/gtest.h>

#include <complex>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "PointPathFakes.h"
#include "common/TestEnv.h"
#include "model/FixtRange.h"
#include "model/Range.h"

namespace {

using pathfakes::PathChannel;
using pathfakes::RelativeError;

// The same two-port at every frequency of first ... last (MHz). SetTwoPortData takes S22
// before S12.
void SetNetwork(TFixtParam& n, const TSParams& s, double first = 50, double last = 15000) {
  n.SetTwoPortData({s.S11, s.S11}, {s.S21, s.S21}, {s.S22, s.S22}, {s.S12, s.S12}, last, first);
}

const TSParams kThrough{TComplex{0, 0}, TComplex{1, 0}, TComplex{1, 0}, TComplex{0, 0}};
// An asymmetric network with four different parameters: any swap of two shows.
const TSParams kOdd{TComplex{0.1, 0.05}, TComplex{0.8, -0.3}, TComplex{0.6, 0.2}, TComplex{-0.25, 0.15}};

std::complex<double> Std(const TComplex& z) { return {z.Re, z.Im}; }

// Reflection seen through a two-port whose port 2 is terminated by g.
std::complex<double> Through(const TSParams& n, std::complex<double> g) {
  return Std(n.S11) + Std(n.S12) * Std(n.S21) * g / (1.0 - Std(n.S22) * g);
}

void EnableEmbedding(TRange& r, int port, const TSParams& s) {
  SetNetwork(r.EmbNetwork[port], s);
  r.EmbEnabled[port] = true;
  r.RebuildPoints();
}

void EnableDeembedding(TRange& r, int port, const TSParams& s) {
  SetNetwork(r.DeembNetwork[port], s);
  r.DeembEnabled[port] = true;
  r.RebuildPoints();
}

TEST(Embedding, PerfectThroughChangesNothing) {
  PathChannel c;
  EnableEmbedding(*c.range, 0, kThrough);
  EnableEmbedding(*c.range, 1, kThrough);
  EnableDeembedding(*c.range, 0, kThrough);
  EnableDeembedding(*c.range, 1, kThrough);
  ASSERT_EQ(c.range->EmbActive, 1);
  ASSERT_EQ(c.range->DeembActive, 1);
  const TComplex g{0.3, -0.45};
  const TComplex s21{0.55, 0.2};
  c.Put(2, g, s21);
  c.range->ProcessPoint(2);
  EXPECT_LT(RelativeError(c.Data(0, 2), g), 1e-12);
  EXPECT_LT(RelativeError(c.Data(1, 2), s21), 1e-12);
}

TEST(Embedding, ThreeDbPadBeforeAShortHalvesTheReflection) {
  PathChannel c;
  EnableEmbedding(*c.range, 0, {TComplex{0, 0}, TComplex{0.7079, 0}, TComplex{0.7079, 0}, TComplex{0, 0}});
  c.Put(0, TComplex{-1, 0}, TComplex{0, 0});
  c.range->ProcessPoint(0);
  EXPECT_NEAR(c.Data(0, 0).Re, -0.5012, 1e-4);
  EXPECT_NEAR(c.Data(0, 0).Im, 0, 1e-12);
}

TEST(Embedding, PortZeroNetworkFacesTheDeviceWithItsPortTwo) {
  PathChannel c;
  EnableEmbedding(*c.range, 0, kOdd);
  for (const TComplex g : {TComplex{0, 0}, TComplex{-1, 0}, TComplex{0.4, 0.7}}) {
    c.Put(1, g, TComplex{0.5, 0.1});
    c.range->ProcessPoint(1);
    const std::complex<double> want = Through(kOdd, Std(g));
    EXPECT_NEAR(c.Data(0, 1).Re, want.real(), 1e-8);
    EXPECT_NEAR(c.Data(0, 1).Im, want.imag(), 1e-8);
    // The transmission passes the network's S21 once.
    const std::complex<double> t = Std(kOdd.S21) * std::complex<double>(0.5, 0.1) / (1.0 - Std(kOdd.S22) * Std(g));
    EXPECT_NEAR(c.Data(1, 1).Re, t.real(), 1e-8);
    EXPECT_NEAR(c.Data(1, 1).Im, t.imag(), 1e-8);
  }
}

TEST(Embedding, PortOneNetworkFacesTheDeviceWithItsPortOne) {
  PathChannel c;
  EnableEmbedding(*c.range, 1, kOdd);
  c.Put(1, TComplex{0.3, 0.2}, TComplex{0.5, 0.1});
  c.range->ProcessPoint(1);
  // The reflection hardly changes (only through the 1e-9 placeholders); S21 gains b21.
  EXPECT_NEAR(c.Data(0, 1).Re, 0.3, 1e-8);
  EXPECT_NEAR(c.Data(0, 1).Im, 0.2, 1e-8);
  const std::complex<double> t = Std(kOdd.S21) * std::complex<double>(0.5, 0.1);
  EXPECT_NEAR(c.Data(1, 1).Re, t.real(), 1e-8);
  EXPECT_NEAR(c.Data(1, 1).Im, t.imag(), 1e-8);
}

TEST(Embedding, DeembeddingUndoesEmbeddingOfARandomFixture) {
  std::mt19937 random(4242);
  std::uniform_real_distribution<double> part(-0.5, 0.5);
  std::uniform_real_distribution<double> magnitude(0.3, 0.95);
  std::uniform_real_distribution<double> phase(-3.1, 3.1);
  for (int trial = 0; trial < 200; ++trial) {
    PathChannel c;
    const TSParams f{TComplex{part(random), part(random)}, Polar(magnitude(random), phase(random)),
                     Polar(magnitude(random), phase(random)), TComplex{part(random), part(random)}};
    EnableEmbedding(*c.range, 0, f);
    EnableDeembedding(*c.range, 0, f);
    const TComplex g{part(random) * 1.5, part(random) * 1.5};
    const TComplex s21 = Polar(magnitude(random), phase(random));
    // Embedding, then de-embedding.
    c.Put(4, g, s21);
    c.range->ApplyEmbedding(4);
    c.range->ApplyDeembedding(4);
    ASSERT_LT(RelativeError(c.Data(0, 4), g), 1e-9) << trial;
    ASSERT_LT(RelativeError(c.Data(1, 4), s21), 1e-9) << trial;
    // The point path de-embeds first and embeds after.
    c.Put(4, g, s21);
    c.range->ProcessPoint(4);
    ASSERT_LT(RelativeError(c.Data(0, 4), g), 1e-9) << trial;
    ASSERT_LT(RelativeError(c.Data(1, 4), s21), 1e-9) << trial;
  }
}

TEST(Embedding, TablesAreBuiltOnDemandInFileOrderAndDeletedByTheRebuild) {
  PathChannel c(5, 100, 500);
  // S11 and S21 rise with frequency from 100 to 500 MHz, S12 and S22 are constant.
  c.range->DeembNetwork[0].SetTwoPortData({TComplex{0.1, 0}, TComplex{0.5, 0}}, {TComplex{0.2, 0}, TComplex{0.6, 0}},
                                          {TComplex{0.4, 0}, TComplex{0.4, 0}}, {TComplex{0.3, 0}, TComplex{0.3, 0}},
                                          500, 100);
  EXPECT_EQ(c.range->DeembTable[0], nullptr);
  TFixtRange* table = c.range->GetDeembeddingTable(0);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(c.range->GetDeembeddingTable(0), table);
  EXPECT_EQ(table->GetOwner(), nullptr);
  ASSERT_EQ(table->GetCount(), 5);
  for (int i = 0; i < 5; ++i) {
    const TFixtPoint* p = table->GetPoint(i);
    EXPECT_EQ(p->Frequency, 100 + 100 * i);
    EXPECT_NEAR(p->S11.Re, 0.1 + 0.1 * i, 1e-12) << i;
    EXPECT_NEAR(p->S21.Re, 0.2 + 0.1 * i, 1e-12) << i;
    EXPECT_NEAR(p->S12.Re, 0.3, 1e-12) << i;
    EXPECT_NEAR(p->S22.Re, 0.4, 1e-12) << i;
  }
  // Port 1 has no network: no table.
  EXPECT_EQ(c.range->GetDeembeddingTable(1), nullptr);
  EXPECT_EQ(c.range->GetEmbeddingTable(0), nullptr);
  c.range->SetPointCount(7);
  EXPECT_EQ(c.range->DeembTable[0], nullptr);
  ASSERT_EQ(c.range->GetDeembeddingTable(0)->GetCount(), 7);
  c.range->DeleteDeembeddingTable(0);
  EXPECT_EQ(c.range->DeembTable[0], nullptr);
}

TEST(Embedding, NetworkOfOnePointHoldsNoData) {
  // A zero-span export read back gives one frequency: interpolation has nothing to work with,
  // so the network counts as empty for the switches, the rebuild and the tables.
  PathChannel c;
  TFixtParam& n = c.range->DeembNetwork[0];
  n.Frequencies = {1000};
  n.S11 = {TComplex{0.1, 0}};
  n.S21 = {TComplex{0.9, 0}};
  n.S12 = {TComplex{0.9, 0}};
  n.S22 = {TComplex{0.1, 0}};
  c.events.Reset();
  c.range->SetDeembeddingEnabled(0, true);
  EXPECT_FALSE(c.range->DeembEnabled[0]);
  EXPECT_EQ(c.events.settings + c.events.change, 0);
  c.range->DeembEnabled[0] = true;
  c.range->RebuildPoints();
  EXPECT_EQ(c.range->DeembActive, 0);
  EXPECT_EQ(c.range->GetDeembeddingTable(0), nullptr);
  c.Put(0, TComplex{0.3, 0.2}, TComplex{0.5, 0});
  c.range->ApplyDeembedding(0);
  EXPECT_LT(RelativeError(c.Data(0, 0), TComplex{0.3, 0.2}), 1e-12);
}

TEST(Embedding, EmptyNetworkCannotBeSwitchedOn) {
  PathChannel c;
  c.events.Reset();
  c.range->SetDeembeddingEnabled(0, true);
  c.range->SetEmbeddingEnabled(1, true);
  EXPECT_FALSE(c.range->DeembEnabled[0]);
  EXPECT_FALSE(c.range->EmbEnabled[1]);
  EXPECT_EQ(c.events.settings + c.events.change, 0);
}

// ---- Network files ------------------------------------------------------------------------------

class EmbeddingFiles : public ::testing::Test {
 protected:
  std::filesystem::path dir = testenv::Root() / "fixture-files";
  void SetUp() override { std::filesystem::create_directories(dir); }

  // A two-port file with the given points (MHz), one value set per point.
  std::string Write(const std::string& name, const std::vector<double>& mhz, double s11 = 0.1) {
    const std::filesystem::path path = dir / name;
    std::ofstream out(path, std::ios::binary);
    out << "! test fixture\n# MHz S RI R 50\n";
    for (double f : mhz) out << f << ' ' << s11 << " 0 0.9 0 0.9 0 " << s11 << " 0\n";
    return path.string();
  }
};

TEST_F(EmbeddingFiles, MissingFileIntoAnEmptyPortFiresNothing) {
  PathChannel c;
  c.events.Reset();
  const int rebuilds = c.cursor.shown;
  c.range->LoadDeembeddingFile(0, (dir / "none.s2p").string());
  EXPECT_EQ(c.events.settings + c.events.change, 0);
  EXPECT_EQ(c.cursor.shown, rebuilds);
  EXPECT_EQ(c.range->DeembFile[0], "");
}

TEST_F(EmbeddingFiles, LoadWithTheSwitchOffReportsOnlyTheSetting) {
  PathChannel c;
  const std::string file = Write("a.s2p", {100, 1000, 10000});
  c.events.Reset();
  const int rebuilds = c.cursor.shown;
  c.range->LoadDeembeddingFile(0, file);
  EXPECT_EQ(c.range->DeembFile[0], file);
  EXPECT_EQ(c.range->DeembNetwork[0].GetCount(), 3);
  EXPECT_EQ(c.events.settings, 1);
  EXPECT_EQ(c.events.change, 0);
  EXPECT_EQ(c.cursor.shown, rebuilds);
}

TEST_F(EmbeddingFiles, LoadWithTheSwitchOnRebuildsAndTheNewNetworkApplies) {
  PathChannel c;
  c.range->LoadEmbeddingFile(0, Write("a.s2p", {100, 1000, 10000}, 0.1));
  c.range->SetEmbeddingEnabled(0, true);
  ASSERT_EQ(c.range->EmbActive, 1);
  ASSERT_EQ(c.range->GetEmbeddingTable(0)->GetPoint(0)->S11, (TComplex{0.1, 0}));
  c.events.Reset();
  const int rebuilds = c.cursor.shown;
  const std::string second = Write("b.s2p", {100, 1000, 10000}, 0.3);
  c.range->LoadEmbeddingFile(0, second);
  EXPECT_EQ(c.range->EmbFile[0], second);
  EXPECT_EQ(c.events.change, 1);
  EXPECT_EQ(c.events.changingDuringChange, std::vector<bool>{true});
  EXPECT_EQ(c.events.settings, 1);
  EXPECT_EQ(c.cursor.shown, rebuilds + 1);
  EXPECT_EQ(c.range->GetEmbeddingTable(0)->GetPoint(0)->S11, (TComplex{0.3, 0}));
  // The de-embedding members stay as they were.
  EXPECT_EQ(c.range->DeembFile[0], "");
  EXPECT_EQ(c.range->DeembNetwork[0].GetCount(), 0);
}

TEST_F(EmbeddingFiles, CopiedSettingsApplyTheSourcesNetworkWithoutARebuild) {
  PathChannel target;
  target.range->LoadEmbeddingFile(0, Write("old.s2p", {100, 1000, 10000}, 0.1));
  target.range->SetEmbeddingEnabled(0, true);
  ASSERT_EQ(target.range->GetEmbeddingTable(0)->GetPoint(0)->S11, (TComplex{0.1, 0}));

  PathChannel source;
  source.range->LoadEmbeddingFile(0, Write("new.s2p", {100, 1000, 10000}, 0.3));
  source.range->SetEmbeddingEnabled(0, true);

  target.range->CopySettingsFrom(*source.range, false);
  EXPECT_EQ(target.range->EmbFile[0], source.range->EmbFile[0]);
  EXPECT_EQ(target.range->GetEmbeddingTable(0)->GetPoint(0)->S11, (TComplex{0.3, 0}));
}

TEST_F(EmbeddingFiles, FailedLoadClearsTheSwitchAndTheName) {
  for (bool switchedOn : {false, true}) {
    PathChannel c;
    c.range->LoadDeembeddingFile(1, Write("a.s2p", {100, 1000, 10000}));
    c.range->SetDeembeddingEnabled(1, switchedOn);
    ASSERT_EQ(c.range->DeembActive, switchedOn ? 1 : 0);
    c.events.Reset();
    const int rebuilds = c.cursor.shown;
    // A zero-span export read back: one frequency is no usable network.
    c.range->LoadDeembeddingFile(1, Write("one.s2p", {1000}));
    EXPECT_FALSE(c.range->DeembEnabled[1]) << switchedOn;
    EXPECT_EQ(c.range->DeembFile[1], "") << switchedOn;
    EXPECT_EQ(c.range->DeembActive, 0) << switchedOn;
    EXPECT_EQ(c.events.settings, 1) << switchedOn;
    // A correction that was on stops: the list is rebuilt and the sweep restarted.
    EXPECT_EQ(c.events.change, switchedOn ? 1 : 0) << switchedOn;
    EXPECT_EQ(c.cursor.shown, rebuilds + (switchedOn ? 1 : 0)) << switchedOn;
  }
}

TEST_F(EmbeddingFiles, BareNameIsLookedUpInTheFixtureFolder) {
  PathChannel c;
  const std::filesystem::path folder = testenv::Root() / "home" / "FixtureSim";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(Write("c.s2p", {100, 200}), folder / "bare.s2p",
                             std::filesystem::copy_options::overwrite_existing);
  c.range->LoadDeembeddingFile(0, "bare");
  EXPECT_EQ(c.range->DeembNetwork[0].GetCount(), 2);
  EXPECT_EQ(c.range->DeembFile[0], "bare");
}

}  // namespace

// A network reloaded with the same point count and end frequencies but a middle out of order is
// searched as what it now is, not as the rising list it replaced.
TEST_F(EmbeddingFiles, FixtParamReloadWithTheSameEndsAndAnUnsortedMiddle) {
  auto write = [&](const std::string& name, const std::vector<std::pair<double, double>>& points) {
    const std::filesystem::path path = dir / name;
    std::ofstream out(path, std::ios::binary);
    out << "# MHz S RI R 50\n";
    for (const auto& [f, s11] : points) out << f << ' ' << s11 << " 0 0.9 0 0.9 0 0 0\n";
    return path.string();
  };
  PathChannel c;
  c.range->LoadEmbeddingFile(0, write("rising.s2p", {{100, 1}, {200, 2}, {300, 3}, {400, 4}}));
  ASSERT_EQ(c.range->EmbNetwork[0].GetCount(), 4);
  EXPECT_NEAR(c.range->EmbNetwork[0].InterpolateAt(250).S11.Re, 2.5, 1e-12);

  const std::string unsorted = write("unsorted.s2p", {{100, 1}, {300, 2}, {200, 4}, {400, 5}});
  c.range->LoadEmbeddingFile(0, unsorted);
  TFixtParam fresh;
  fresh.LoadTwoPort(unsorted);
  ASSERT_EQ(fresh.GetCount(), 4);
  const TSParams reloaded = c.range->EmbNetwork[0].InterpolateAt(250);
  const TSParams expected = fresh.InterpolateAt(250);
  EXPECT_EQ(reloaded.S11, expected.S11);
  EXPECT_EQ(reloaded.S21, expected.S21);
  // The walk from the first segment stops at 300 MHz: 250 MHz lies three quarters up 1 ... 2.
  EXPECT_NEAR(reloaded.S11.Re, 1.75, 1e-12);

  // Clearing and refilling the same storage through the grid setter works the flag out again.
  TFixtParam grid;
  grid.SetOnePortData({{1, 0}, {2, 0}, {3, 0}, {4, 0}}, 400, 100);
  EXPECT_EQ(grid.FindSegment(250), 1);
  grid.LoadTwoPort(unsorted);
  EXPECT_EQ(grid.FindSegment(250), fresh.FindSegment(250));
  grid.SetOnePortData({{1, 0}, {2, 0}, {3, 0}, {4, 0}}, 400, 100);
  EXPECT_EQ(grid.FindSegment(250), 1);
}
