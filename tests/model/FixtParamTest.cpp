// TFixtParam: the Touchstone reader's rules, interpolation, and what bad files leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/FixtParam.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"

namespace {

constexpr double kDeg = std::numbers::pi / 180;

// Writes a file into a folder of the test run and returns its full path (plainly, without the
// program's flush to disk: the fuzz tests write thousands).
std::string WriteFile(const std::string& name, const std::string& text) {
  const std::filesystem::path dir = testenv::Root() / "fixtparam";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  EXPECT_TRUE(out.good()) << path;
  return path;
}

void ExpectNear(const TComplex& a, const TComplex& b, double tol = 1e-12) {
  EXPECT_NEAR(a.Re, b.Re, tol);
  EXPECT_NEAR(a.Im, b.Im, tol);
}

TFixtParam OnePort(const std::string& text, int target = 11) {
  TFixtParam p;
  p.LoadOnePort(WriteFile("one.s1p", text), target);
  return p;
}

TFixtParam TwoPort(const std::string& text) {
  TFixtParam p;
  p.LoadTwoPort(WriteFile("two.s2p", text));
  return p;
}

// ---------------------------------------------------------------------------------------------
// Reader rules

TEST(FixtParam, OptionLineDecidesUnitAndFormat) {
  struct Case {
    const char* text;
    double frequency;  // MHz
    TComplex value;
  } cases[] = {
      {"# MHz S MA R 50\n100 0.5 90\n", 100, {0, 0.5}},
      {"# GHz S RI R 50\n1 0.1 -0.2\n", 1000, {0.1, -0.2}},
      {"# Hz S RI R 50\n2.5e8 0.3 0.4\n", 250, {0.3, 0.4}},
      {"# kHz S RI R 50\n300 0.3 0.4\n", 0.3, {0.3, 0.4}},
      {"# MHz S DB R 50\n100 -6.0206 0\n", 100, {0.5, 0}},
      {"# MHz S DB R 50\n100 0 -90\n", 100, {0, -1}},
      // Unit and format in any case; "#", "S" exact.
      {"# hz S ri R 50\n1e8 0.1 0.2\n", 100, {0.1, 0.2}},
      // What scikit-rf writes: a trailing blank, a decimal impedance; leading blanks, tabs.
      {"# MHz S RI R 50.0 \n100 0.1 0.2\n", 100, {0.1, 0.2}},
      {"  #\tMHz \t S RI  R 75\n100 0.1 0.2\n", 100, {0.1, 0.2}},
      // Items 5 and 6 are not examined.
      {"# MHz S RI Z abc\n100 0.1 0.2\n", 100, {0.1, 0.2}},
      // Comments and empty lines before the option line; CR LF line ends; no final line end.
      {"! a\r\n\r\n!b\r\n# MHz S RI R 50\r\n100 0.1 0.2", 100, {0.1, 0.2}},
      // A leading '+', ',' as decimal point.
      {"# MHz S RI R 50\n+100 +0,1 -0,2\n", 100, {0.1, -0.2}},
      // A UTF-8 byte-order mark before the first line.
      {"\xEF\xBB\xBF# MHz S RI R 50\n100 0.1 0.2\n", 100, {0.1, 0.2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TFixtParam p = OnePort(c.text);
    ASSERT_EQ(p.GetCount(), 1);
    EXPECT_NEAR(p.GetFrequency(0), c.frequency, 1e-12 * c.frequency);
    ExpectNear(p.GetS11(0), c.value, 1e-4);
    ExpectNear(p.GetS21(0), {});
    ExpectNear(p.GetS12(0), {});
    ExpectNear(p.GetS22(0), {});
  }
}

TEST(FixtParam, BadOptionLineLeavesTheNetworkEmpty) {
  const char* options[] = {
      "# Hz S RI R",              // five items: the impedance left out
      "# Hz S RI R 50 ! note",    // a trailing comment: eight items
      "# Hz S RI R 50 x",         // seven items
      "# hz s ri r 50",           // lower-case "s"
      "#Hz S RI R 50",            // "#" glued to the unit
      "# THz S RI R 50",          // unknown unit
      "# Hz S ZZ R 50",           // unknown format
      "# Hz Y RI R 50",           // not S-parameters
      "100 0.1 0.2",              // no option line at all: the first data line is read as one
      "",
  };
  for (const char* option : options) {
    SCOPED_TRACE(option);
    const TFixtParam p = OnePort(std::string(option) + "\n100 0.1 0.2\n200 0.3 0.4\n");
    EXPECT_EQ(p.GetCount(), 0);
  }
}

TEST(FixtParam, DataLinesNeedExactlyTheirNumbers) {
  const TFixtParam p = OnePort(
      "# Hz S RI R 50\n"
      "1e9 0.5 0.1 ! 3 dB\n"      // the comment's 3 counts: four numbers, skipped
      "2e9 0.5 0.1 ! dB\n"        // three numbers, used
      "3e9 0.5\n"                 // two
      "4e9 0.5 0.1 0.2 0.3\n"     // five
      "5e9 inf 0.1\n"             // "inf" ends the list: one number
      "6e9 0.5 nan\n"             // two
      "7e9 0x1p3 0.1\n"           // hex is not a number
      "   \n"                     // a blank data line
      " ! not a comment 1 2\n"    // '!' only counts as a line's first character
      "# Hz S RI R 50\n"          // a second option line is a data line without numbers
      "8e9 0.25 -0.5\n");
  ASSERT_EQ(p.GetCount(), 2);
  EXPECT_EQ(p.GetFrequency(0), 2000);
  EXPECT_EQ(p.GetFrequency(1), 8000);
  ExpectNear(p.GetS11(1), {0.25, -0.5});
}

TEST(FixtParam, RepeatedFrequenciesAreSkippedOnlyWhenConsecutive) {
  const TFixtParam p = OnePort(
      "# MHz S RI R 50\n"
      "100 0.1 0\n"
      "100 0.2 0\n"             // same as the one before: skipped
      "100.0000000000001 0.3 0\n"  // within 1e-12 relative: skipped too
      "200 0.4 0\n"
      "100 0.5 0\n"             // the same frequency again after another: stored
      "50 0.6 0\n");            // falling: kept in file order
  ASSERT_EQ(p.GetCount(), 4);
  EXPECT_EQ(p.Frequencies, (std::vector<double>{100, 200, 100, 50}));
  EXPECT_EQ(p.GetS11(0).Re, 0.1);
  EXPECT_EQ(p.GetS11(2).Re, 0.5);
}

TEST(FixtParam, OnePortTargetAndTwoPortOrder) {
  const std::string one = "# MHz S RI R 50\n100 0.1 0.2\n200 0.3 0.4\n";
  struct Case {
    int target;
    TComplex TSParams::*member;
  } cases[] = {{11, &TSParams::S11}, {21, &TSParams::S21}, {12, &TSParams::S12}, {22, &TSParams::S22},
               {7, &TSParams::S11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const TFixtParam p = OnePort(one, c.target);
    ASSERT_EQ(p.GetCount(), 2);
    const TSParams s = p.InterpolateAt(100);
    for (auto m : {&TSParams::S11, &TSParams::S21, &TSParams::S12, &TSParams::S22})
      ExpectNear(s.*m, m == c.member ? TComplex{0.1, 0.2} : TComplex{});
  }

  // A two-port line holds S11, S21, S12, S22; four distinct values show any swap.
  const TFixtParam p = TwoPort("# MHz S RI R 50\n100 0.11 -0.11 0.21 -0.21 0.12 -0.12 0.22 -0.22\n"
                               "200 0.11 -0.11 0.21 -0.21 0.12 -0.12 0.22 -0.22\n");
  ASSERT_EQ(p.GetCount(), 2);
  ExpectNear(p.GetS11(0), {0.11, -0.11});
  ExpectNear(p.GetS21(0), {0.21, -0.21});
  ExpectNear(p.GetS12(0), {0.12, -0.12});
  ExpectNear(p.GetS22(0), {0.22, -0.22});
  // The out-argument form answers S11, S21, S22, S12.
  TComplex a, b, c, d;
  p.Interpolate(a, b, c, d, 150);
  ExpectNear(a, {0.11, -0.11});
  ExpectNear(b, {0.21, -0.21});
  ExpectNear(c, {0.22, -0.22});
  ExpectNear(d, {0.12, -0.12});
  // The kinds do not mix: a two-port file read as one-port (and the reverse) is empty.
  TFixtParam q;
  q.LoadOnePort(WriteFile("two-as-one.s2p", "# MHz S RI R 50\n100 1 2 3 4 5 6 7 8\n200 1 2 3 4 5 6 7 8\n"), 11);
  EXPECT_EQ(q.GetCount(), 0);
  q.LoadTwoPort(WriteFile("one-as-two.s1p", one));
  EXPECT_EQ(q.GetCount(), 0);
}

TEST(FixtParam, LoadByExtensionReadsS1pNamesOnePort) {
  // A file read by the wrong loader is empty, so two points show the kind that was chosen.
  const std::string one = "# MHz S RI R 50\n100 0.1 0.2\n200 0.3 0.4\n";
  const std::string two = "# MHz S RI R 50\n100 1 2 3 4 5 6 7 8\n200 1 2 3 4 5 6 7 8\n";
  const struct Case {
    const char* name;
    const std::string& text;
  } cases[] = {{"lower.s1p", one}, {"upper.S1P", one}, {"mixed.S1p", one},
               {"two.s2p", two},   {"two.txt", two},   {"one.s1p.s2p", two}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFixtParam p;
    p.LoadByExtension(WriteFile(c.name, c.text));
    ASSERT_EQ(p.GetCount(), 2);
    ExpectNear(p.GetS11(0), &c.text == &one ? TComplex{0.1, 0.2} : TComplex{1, 2});
  }
}

TEST(FixtParam, LongLinesAreReadWhole) {
  const std::string pad(5000, ' ');
  const TFixtParam p = OnePort("# MHz S RI R 50\n100" + pad + "0.1" + pad + "0.2\n" + std::string(700, '!') +
                               "\n200 0.3 0.4\n");
  ASSERT_EQ(p.GetCount(), 2);
  ExpectNear(p.GetS11(0), {0.1, 0.2});
  EXPECT_EQ(p.GetFrequency(1), 200);
}

TEST(FixtParam, NonFiniteResultsSkipTheLine) {
  const TFixtParam p = OnePort(
      "# GHz S DB R 50\n"
      "1e306 0 0\n"     // 1e309 MHz: not finite
      "1 7000 0\n"      // 10^350: not finite
      "2 -20 45\n");
  ASSERT_EQ(p.GetCount(), 1);
  ExpectNear(p.GetS11(0), Polar(0.1, 45 * kDeg));
}

TEST(FixtParam, FileNameRules) {
  // No folder: the "FixtureSim" folder; no extension: ".s2p", for both loaders.
  std::filesystem::create_directories(GetFixtureSimDirectory());
  ASSERT_TRUE(platform::AtomicFile::write(GetFixtureSimDirectory() + "pad.s2p",
                                          "# MHz S RI R 50\n100 0.5 0\n200 0.25 0\n")
                  .ok);
  TFixtParam p;
  p.LoadOnePort("pad", 11);
  EXPECT_EQ(p.GetCount(), 2);
  p.LoadTwoPort("missing");
  EXPECT_EQ(p.GetCount(), 0);
  p.LoadOnePort("pad.s2p", 11);
  EXPECT_EQ(p.GetCount(), 2);
  // A missing file empties a network that held data.
  p.LoadOnePort((testenv::Root() / "nowhere" / "x.s1p").string(), 11);
  EXPECT_EQ(p.GetCount(), 0);
  // A folder is not a file.
  p.LoadOnePort(GetFixtureSimDirectory(), 11);
  EXPECT_EQ(p.GetCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Interpolation

// The linear walk as the network's users know it: from the first segment, step on while the
// segment's upper end lies at or below f and a later segment exists.
int WalkSegment(const std::vector<double>& f, double x) {
  size_t j = 1;
  while (j < f.size() - 1 && f[j] <= x) ++j;
  return static_cast<int>(j - 1);
}

TEST(FixtParam, InterpolationInsideAndBeyondTheEnds) {
  TFixtParam p;
  p.SetOnePortData({{1, 0}, {0, 1}, {-1, 0}}, 300, 100);
  // Midway between (1, 0) and (0, 1): magnitude 1 at 45 degrees.
  ExpectNear(p.InterpolateAt(150).S11, Polar(1, 45 * kDeg));
  ExpectNear(p.InterpolateAt(100).S11, {1, 0});
  ExpectNear(p.InterpolateAt(300).S11, {-1, 0});
  // The end segments are extended, not clamped.
  ExpectNear(p.InterpolateAt(50).S11, Polar(1, -45 * kDeg));
  ExpectNear(p.InterpolateAt(350).S11, Polar(1, 225 * kDeg));
  // Two points: extrapolation along the only segment.
  p.SetOnePortData({{0.5, 0}, {1, 0}}, 200, 100);
  ExpectNear(p.InterpolateAt(0).S11, {0, 0});
  ExpectNear(p.InterpolateAt(50).S11, {0.25, 0});
}

TEST(FixtParam, FewerThanTwoPointsGiveZero) {
  TFixtParam p;
  ExpectNear(p.InterpolateAt(100).S11, {});
  const TFixtParam one = OnePort("# MHz S RI R 50\n100 0.5 0.5\n");
  ASSERT_EQ(one.GetCount(), 1);
  EXPECT_FALSE(one.HoldsData());
  for (double f : {50.0, 100.0, 150.0}) {
    TComplex a{9, 9}, b{9, 9}, c{9, 9}, d{9, 9};
    one.Interpolate(a, b, c, d, f);
    for (const TComplex& z : {a, b, c, d}) ExpectNear(z, {});
  }
  // Setters refuse short or unequal vectors, emptying what was there.
  p.SetOnePortData({{1, 0}, {1, 0}}, 2, 1);
  ASSERT_TRUE(p.HoldsData());
  p.SetTwoPortData({{1, 0}, {1, 0}}, {{1, 0}, {1, 0}}, {{1, 0}}, {{1, 0}, {1, 0}}, 2, 1);
  EXPECT_EQ(p.GetCount(), 0);
}

// Mend: a grid of zero span has neighbouring equal frequencies; the segment has no width, and
// the value at its lower end is taken instead of a division by zero.
TEST(FixtParam, EqualNeighbouringFrequenciesGiveTheLowerValue) {
  TFixtParam p;
  p.SetOnePortData({{0.1, 0}, {0.2, 0}, {0.3, 0}}, 500, 500);
  for (double f : {400.0, 500.0, 600.0}) {
    const TComplex z = p.InterpolateAt(f).S11;
    EXPECT_TRUE(std::isfinite(z.Re) && std::isfinite(z.Im)) << f;
  }
  ExpectNear(p.InterpolateAt(400).S11, {0.1, 0});
  ExpectNear(p.InterpolateAt(600).S11, {0.2, 0});  // the walk ends on the last segment
  // The walk meets a segment of zero width only below the first point or beyond the last.
  TFixtParam q;
  q.Frequencies = {100, 100, 200};
  q.S11 = {{0.1, 0}, {0.2, 0}, {0.3, 0}};
  q.S21 = q.S12 = q.S22 = q.S11;
  ExpectNear(q.InterpolateAt(50).S11, {0.1, 0});
  q.Frequencies = {100, 200, 200};
  ExpectNear(q.InterpolateAt(250).S11, {0.2, 0});
}

// Bisection on rising lists and the walk on others find the same segment everywhere.
TEST(FixtParam, SegmentSearchAgreesWithTheWalk) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> step(0.001, 10);
  std::uniform_int_distribution<int> size(2, 40);
  for (int round = 0; round < 300; ++round) {
    TFixtParam p;
    const int n = size(rng);
    double f = 50;
    for (int i = 0; i < n; ++i) {
      f += round % 3 == 2 ? step(rng) - 5 : step(rng);  // every third list goes up and down
      p.Frequencies.push_back(f);
    }
    p.S11.assign(static_cast<size_t>(n), TComplex{1, 0});
    p.S21 = p.S12 = p.S22 = p.S11;
    std::vector<double> probes = p.Frequencies;
    for (int i = 0; i < 30; ++i) probes.push_back(std::uniform_real_distribution<double>(0, f + 20)(rng));
    probes.push_back(-std::numeric_limits<double>::infinity());
    probes.push_back(std::numeric_limits<double>::infinity());
    for (double x : probes) ASSERT_EQ(p.FindSegment(x), WalkSegment(p.Frequencies, x)) << round << " " << x;
    EXPECT_EQ(p.FindSegment(std::numeric_limits<double>::quiet_NaN()), 0);
  }
}

// The rising check follows a list that changes under it.
TEST(FixtParam, SearchFollowsAChangedList) {
  TFixtParam p;
  p.SetOnePortData({{1, 0}, {2, 0}, {3, 0}, {4, 0}}, 400, 100);  // 100 200 300 400: rising
  EXPECT_EQ(p.FindSegment(250), 1);
  p.SetOnePortData({{1, 0}, {2, 0}, {3, 0}, {4, 0}}, 100, 400);  // 400 300 200 100: falling
  EXPECT_EQ(p.FindSegment(250), 0);
  p.Frequencies = {100, 300, 200, 400};
  EXPECT_EQ(p.FindSegment(250), 0);
  p.Frequencies[1] = 150;  // in place: 100 150 200 400
  p.Frequencies.back() = 401;
  EXPECT_EQ(p.FindSegment(250), 2);
  // An inner change in place is announced.
  p.Frequencies[1] = 300;  // 100 300 200 401
  p.FrequenciesChanged();
  EXPECT_EQ(p.FindSegment(250), 0);
  // A copy works out its own list.
  TFixtParam q = p;
  q.Frequencies[1] = 150;
  q.FrequenciesChanged();
  EXPECT_EQ(q.FindSegment(250), 2);
  EXPECT_EQ(p.FindSegment(250), 0);
  q = p;
  EXPECT_EQ(q.FindSegment(250), 0);
}

// ---------------------------------------------------------------------------------------------
// Bad input: nothing crashes or hangs; the result is empty or the usable lines.

TEST(FixtParam, TruncatedFilesKeepTheirWholeLines) {
  std::string text = "! header\r\n# MHz S RI R 50\r\n";
  for (int i = 0; i < 20; ++i)
    text += IntToText(100 + i) + " 0." + IntToText(10 + i) + " -0.5 0.1 0.2 0.3 0.4 0.5 0.6\r\n";
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    TFixtParam p;
    p.LoadTwoPort(WriteFile("cut.s2p", text.substr(0, cut)));
    ASSERT_LE(p.GetCount(), 20);
    for (int i = 0; i < p.GetCount(); ++i) ASSERT_EQ(p.GetFrequency(i), 100 + i);
    // A cut inside a line's last number can still leave nine numbers; never more points than
    // whole lines plus that one.
    const std::string head = text.substr(0, cut);
    size_t lines = 0;
    for (char ch : head) lines += ch == '\n';
    ASSERT_LE(static_cast<size_t>(p.GetCount()), lines >= 2 ? lines - 2 + 1 : 0) << cut;
  }
}

TEST(FixtParam, HugeLinesRandomBytesAndNul) {
  // A 20 MB line of numbers and one of letters, each between good lines.
  std::string numbers;
  numbers.reserve(20u << 20);
  while (numbers.size() < (20u << 20)) numbers += "1.5 ";
  const std::string good = "# MHz S RI R 50\n100 0.1 0.2\n";
  TFixtParam p = OnePort(good + numbers + "\n200 0.3 0.4\n");
  EXPECT_EQ(p.Frequencies, (std::vector<double>{100, 200}));
  p = OnePort(good + std::string(20u << 20, 'x') + "\n200 0.3 0.4\n");
  EXPECT_EQ(p.Frequencies, (std::vector<double>{100, 200}));
  // A file that is one 20 MB line without a line end.
  p = OnePort(std::string(20u << 20, '#'));
  EXPECT_EQ(p.GetCount(), 0);

  // NUL bytes: inside the option line it fails; inside a data line that line is skipped.
  const std::string nul(1, '\0');
  p = OnePort("# MHz S" + nul + " RI R 50\n100 0.1 0.2\n");
  EXPECT_EQ(p.GetCount(), 0);
  p = OnePort("# MHz S RI R 50\n100 0." + nul + "1 0.2\n200 0.3 0.4\n" + nul + "\n");
  EXPECT_EQ(p.Frequencies, (std::vector<double>{200}));

  // Random bytes, with and without a good head.
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 200; ++round) {
    std::string junk(static_cast<size_t>(round * 37 % 4000), '\0');
    for (char& c : junk) c = static_cast<char>(byte(rng));
    if (round % 4 == 0) {
      // Mostly text-like: digits, blanks, signs, separators, line ends.
      static const char kAlphabet[] = "0123456789 +-.,eE\t\r\n!#";
      for (char& c : junk) c = kAlphabet[static_cast<unsigned>(byte(rng)) % (sizeof kAlphabet - 1)];
    }
    TFixtParam q;
    q.LoadTwoPort(WriteFile("junk.s2p", (round % 2 ? good : "") + junk));
    for (int i = 0; i < q.GetCount(); ++i) {
      ASSERT_TRUE(std::isfinite(q.GetFrequency(i)));
      ASSERT_TRUE(std::isfinite(q.GetS11(i).Re) && std::isfinite(q.GetS22(i).Im));
    }
    q.LoadOnePort(WriteFile("junk.s1p", (round % 2 ? good : "") + junk), 11);
    for (int i = 0; i < q.GetCount(); ++i) ASSERT_TRUE(std::isfinite(q.GetFrequency(i)));
  }
}

}  // namespace
