#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <string_view>

#include "instrument/EmulationTable.h"
#include "instrument/Firmware.h"
#include "model/ResourceFile.h"
#include "model/ResourceRegistry.h"

namespace {

std::string_view Resource(const char* name) {
  std::optional<std::string_view> bytes = FindResource(name);
  return bytes ? *bytes : std::string_view();
}

}  // namespace

// ---- The generated data, as embedded ------------------------------------------------------------

TEST(DemoData, EmulationTableSpansTheBandInAscendingRows) {
  TEmulationTable t = TEmulationTable::FromResource("Emulation");
  ASSERT_EQ(t.Size(), 2801u);
  EXPECT_EQ(t.SkippedLines(), 0u);
  EXPECT_DOUBLE_EQ(t.Freq.front(), 0.3);
  EXPECT_DOUBLE_EQ(t.Freq[1], 5.0);
  EXPECT_DOUBLE_EQ(t.Freq.back(), 14000.0);
  for (size_t i = 0; i < t.Size(); ++i) {
    if (i > 0) {
      EXPECT_GT(t.Freq[i], t.Freq[i - 1]) << i;
      // Unwrapped phase moving well under a quarter turn per row: interpolation never guesses.
      EXPECT_LT(std::fabs(t.PhaseA[i] - t.PhaseA[i - 1]), std::numbers::pi / 2) << i;
      EXPECT_LT(std::fabs(t.PhaseB[i] - t.PhaseB[i - 1]), std::numbers::pi / 2) << i;
    }
    EXPECT_LE(t.LevelA[i], 0.0) << i;  // a passive load reflects no more than it gets
    EXPECT_NEAR(t.LevelB[i], -110.0, 3.0) << i;
  }
  // The line turns the phase by 2 x 2 pi f l / (0.66 c): about 0.32 rad per 5 MHz row.
  double step = (t.PhaseA.back() - t.PhaseA[1]) / (t.Size() - 2);
  EXPECT_NEAR(step, -0.317, 0.01);
}

TEST(DemoData, EmulationTextKeepsItsFixedFormat) {
  std::string_view text = Resource("Emulation");
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.front(), '\r') << "no leading line break (it would read as an empty resource)";
  EXPECT_EQ(text.find('.'), std::string_view::npos) << "decimal comma only";
  EXPECT_EQ(text.substr(0, 62), "      0,3000    -12,1361   -110,0009     -0,0151     -0,7508\r\n");
  size_t lines = 0;
  for (size_t pos = 0; pos < text.size(); pos += 62, ++lines) {
    std::string_view line = text.substr(pos, 62);
    ASSERT_EQ(line.size(), 62u) << lines;
    ASSERT_EQ(line.substr(60), "\r\n") << lines;
    for (size_t f = 0; f < 5; ++f) {
      std::string_view field = line.substr(f * 12, 12);
      EXPECT_NE(field.back(), ' ') << "right-aligned: line " << lines;
      EXPECT_EQ(field[field.size() - 5], ',') << "four decimals: line " << lines;
    }
  }
  EXPECT_EQ(lines, 2801u);
  // The resource reader sees the same rows.
  TResourceFile file("Emulation");
  std::string line;
  size_t read = 0;
  while (file.ReadLine(line) > 0) ++read;
  EXPECT_EQ(read, 2801u);
}

TEST(DemoData, FirmwareStandInsAreMarkedImagesOfTheModelsSizes) {
  struct Case {
    const char* name;
    size_t size;
    size_t chunks;
  } cases[] = {{"DSPFirmwareTV", 11724, 12}, {"DSPFirmwareTV30", 8020, 8}};
  for (const Case& c : cases) {
    TFirmwareImage image = ParseFirmwareText(Resource(c.name), c.name);
    ASSERT_EQ(image.Error, "") << c.name;
    EXPECT_EQ(image.Bytes.size(), c.size) << c.name;
    EXPECT_EQ((image.Bytes.size() + kFirmwareChunkSize - 1) / kFirmwareChunkSize, c.chunks) << c.name;
    EXPECT_TRUE(IsFirmwareStandIn(image.Bytes)) << c.name;
  }
  std::string_view text = Resource("DSPFirmwareTV30");
  EXPECT_EQ(text.substr(0, 12), "0x53\r\n0x54\r\n");  // "ST"
}

// ---- The table parser and its lookup ------------------------------------------------------------

TEST(DemoData, TableParserSkipsRowsItCannotUse) {
  TEmulationTable t = TEmulationTable::Parse(
      "1,0 -1 -100 0.1 0.2\r\n"
      "\r\n"
      "2,0 -2 -100 0.2\r\n"            // four numbers
      "3,0 -3 -100 0.3 0.3 9\r\n"      // six numbers
      "1,0 -2 -100 0.2 0.2\r\n"        // not above the previous row
      "0,5 -2 -100 0.2 0.2\r\n"        // below it
      "4,0 -4 1e400 0.4 0.4\r\n"       // overflow: not a number
      "5,0 -5 nan 0.5 0.5\r\n"
      "6,0 -6 -100 0.6 0.6");          // no line break at the end
  EXPECT_EQ(t.Freq, (std::vector<double>{1.0, 6.0}));
  EXPECT_EQ(t.LevelA, (std::vector<double>{-1.0, -6.0}));
  EXPECT_EQ(t.SkippedLines(), 6u);
  EXPECT_TRUE(TEmulationTable::Parse("").Empty());
  EXPECT_FALSE(TEmulationTable::Parse("").Lookup(100).has_value());
}

TEST(DemoData, TableLookupInterpolatesAndHoldsTheEnds) {
  TEmulationTable t = TEmulationTable::Parse(
      "100 -10 -100 3.0 0\n"
      "200 -20 -110 -3.0 1\n"   // phase A crosses +-pi going forward by 0.283 rad
      "300 -30 -120 -2.0 2\n");
  auto below = t.Lookup(50);
  EXPECT_DOUBLE_EQ(below->LevelA, -10);
  EXPECT_DOUBLE_EQ(below->PhaseA, 3.0);
  auto above = t.Lookup(1e6);
  EXPECT_DOUBLE_EQ(above->LevelA, -30);
  EXPECT_DOUBLE_EQ(above->PhaseB, 2);
  auto mid = t.Lookup(150);
  EXPECT_DOUBLE_EQ(mid->LevelA, -15);
  EXPECT_DOUBLE_EQ(mid->LevelB, -105);
  // The short way round: 3.0 + 0.5 x (2 pi - 6.0), wrapped into [-pi, pi].
  double expected = std::remainder(3.0 + 0.5 * (2 * std::numbers::pi - 6.0), 2 * std::numbers::pi);
  EXPECT_NEAR(mid->PhaseA, expected, 1e-12);
  EXPECT_NEAR(std::fabs(mid->PhaseA), std::numbers::pi, 0.2);
  EXPECT_DOUBLE_EQ(t.Lookup(200)->LevelA, -20);
  EXPECT_DOUBLE_EQ(t.Lookup(250)->LevelB, -115);
  // One row: that row everywhere.
  TEmulationTable one = TEmulationTable::Parse("100 -10 -100 1 2\n");
  for (double f : {1.0, 100.0, 1e5}) EXPECT_DOUBLE_EQ(one.Lookup(f)->PhaseA, 1.0);
  EXPECT_DOUBLE_EQ(t.Lookup(std::nan(""))->LevelA, -10);
}

TEST(DemoData, TableParserFuzz) {
  std::mt19937 rng(21);
  std::string good(Resource("Emulation").substr(0, 62 * 40));
  const std::string alphabet = "0123456789,.-+eE \t\r\n;|:'\"x";
  for (int round = 0; round < 600; ++round) {
    std::string text;
    switch (round % 4) {
      case 0:  // truncated anywhere
        text = good.substr(0, rng() % good.size());
        break;
      case 1: {  // characters of the format
        size_t n = rng() % 400;
        for (size_t i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];
        break;
      }
      case 2: {  // random bytes
        size_t n = rng() % 400;
        for (size_t i = 0; i < n; ++i) text += static_cast<char>(rng());
        break;
      }
      default: {  // good rows with single bytes flipped
        text = good;
        for (int k = 0; k < 5; ++k) text[rng() % text.size()] = static_cast<char>(rng());
      }
    }
    TEmulationTable t = TEmulationTable::Parse(text);
    for (size_t i = 0; i < t.Size(); ++i) {
      ASSERT_TRUE(std::isfinite(t.Freq[i]) && std::isfinite(t.LevelA[i]) && std::isfinite(t.PhaseB[i]));
      if (i > 0) {
        ASSERT_GT(t.Freq[i], t.Freq[i - 1]);
      }
    }
    for (double f : {-1.0, 0.0, 1.0, 700.0, 1e9}) {
      auto r = t.Lookup(f);
      ASSERT_EQ(r.has_value(), !t.Empty());
      if (r) {
        EXPECT_TRUE(std::isfinite(r->LevelA) && std::isfinite(r->PhaseA));
      }
    }
  }
  // Oversized: many thousand rows of one long line each.
  std::string big;
  for (int i = 1; i <= 20000; ++i) big += std::to_string(i) + " -1 -100 0 0 " + std::string(50, ' ') + "\n";
  EXPECT_EQ(TEmulationTable::Parse(big).Size(), 20000u);
}
