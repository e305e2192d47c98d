// Colour arithmetic of the display look: 0x00BBGGRR values and resolved system colours.
#include <gtest/gtest.h>

#include <limits>

#include "model/Utils.h"

namespace {

struct Rgb {
  int r, g, b;
};

TColor FromRgb(Rgb c) { return MakeRgbColor(c.r, c.g, c.b); }

void ExpectParts(TColor c, Rgb expected) {
  EXPECT_EQ(GetColorRed(c), expected.r) << std::hex << c;
  EXPECT_EQ(GetColorGreen(c), expected.g) << std::hex << c;
  EXPECT_EQ(GetColorBlue(c), expected.b) << std::hex << c;
}

TEST(Colour, PartsAndSystemColours) {
  struct Case {
    TColor colour;
    Rgb parts;
  } cases[] = {
      {0x00336699, {0x99, 0x66, 0x33}},  // red in the low byte
      {0x000000FF, {255, 0, 0}},
      {SystemColor(scWindow), {255, 255, 255}},
      {SystemColor(scBtnFace), {240, 240, 240}},
      {SystemColor(scWindowText), {0, 0, 0}},
      {SystemColor(scHighlight), {0, 120, 215}},
      {SystemColor(scBtnShadow), {160, 160, 160}},
      {0xFF0000FF, {0, 0, 0}},           // no such system colour
      {0x02123456, {0x56, 0x34, 0x12}},  // other high bytes do not mark system colours
  };
  for (const Case& c : cases) ExpectParts(c.colour, c.parts);
  EXPECT_EQ(ColorToRgb(SystemColor(scBtnFace)), 0x00F0F0F0u);
  EXPECT_EQ(ColorToRgb(0x00123456), 0x00123456u);
}

TEST(Colour, MakeRgbTakesEachPartModulo256) {
  EXPECT_EQ(MakeRgbColor(1, 2, 3), 0x00030201u);
  EXPECT_EQ(MakeRgbColor(257, -1, 300), 0x002CFF01u);
  EXPECT_EQ(MakeRgbColor(255, 255, 255), 0x00FFFFFFu);
}

TEST(Colour, InvertGrayAndScale) {
  EXPECT_EQ(InvertColor(0x00102030), 0x00EFDFCFu);
  EXPECT_EQ(InvertColor(SystemColor(scWindow)), 0x00000000u);
  EXPECT_EQ(InvertColor(InvertColor(0x00ABCDEF)), 0x00ABCDEFu);
  ExpectParts(ColorToGray(FromRgb({10, 20, 31})), {20, 20, 20});  // 61 / 3, integer division
  ExpectParts(ColorToGray(FromRgb({255, 255, 254})), {254, 254, 254});
  struct Case {
    Rgb in;
    double factor;
    Rgb out;
  } cases[] = {
      {{200, 100, 3}, 2, {255, 200, 6}},
      {{201, 100, 3}, 0.5, {100, 50, 1}},  // truncated towards zero
      {{100, 150, 200}, 0.67, {67, 100, 134}},
      {{100, 150, 200}, 0, {0, 0, 0}},
      {{100, 150, 200}, -1, {0, 0, 0}},
      {{100, 150, 200}, std::numeric_limits<double>::quiet_NaN(), {0, 0, 0}},
      {{100, 150, 200}, 1e300, {255, 255, 255}},
  };
  for (const Case& c : cases) ExpectParts(ScaleColor(FromRgb(c.in), c.factor), c.out);
}

TEST(Colour, FadeMovesTowardsTheMiddleWithinRange) {
  struct Case {
    Rgb in;
    int steps;
    Rgb out;
  } cases[] = {
      {{200, 100, 128}, 0, {200, 100, 128}},
      {{200, 100, 128}, 2, {190, 110, 138}},  // 128 is not above 128: it moves up
      {{129, 0, 255}, 1, {124, 5, 250}},
      // Mend: parts used to leave 0..255 when 5 * steps passed the bound.
      {{250, 3, 129}, 60, {0, 255, 0}},
      {{250, 3, 129}, -60, {255, 0, 255}},
      {{10, 245, 128}, 1000000000, {255, 0, 255}},
  };
  for (const Case& c : cases) ExpectParts(FadeColor(FromRgb(c.in), c.steps), c.out);
  EXPECT_EQ(FadeColor(0x00563412, 0), 0x00563412u);
}

}  // namespace
