// Unit tables and the choice of the most readable unit for a value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "model/EAbort.h"
#include "model/MeasureUnit.h"
#include "model/MeasureUnitTables.h"
#include "model/MeasureUnits.h"

namespace {

// A Russian stand-in for the language module: the unit texts only.
std::string RussianUnits(const std::string& english) {
  static const std::map<std::string, std::string> kRussian = {
      {"GHz", "ГГц"}, {"MHz", "МГц"}, {"kHz", "кГц"}, {"Hz", "Гц"}, {"s", "с"}, {"ps", "пс"}, {"dB", "дБ"}};
  const auto found = kRussian.find(english);
  return found == kRussian.end() ? english : found->second;
}

struct FormatCase {
  const char* what;
  int kind;
  double value;
  const char* text;
  unsigned index;
  double shown;  // the value in the chosen unit
};

TEST(Units, FormatWithUnitPicksTheFirstUnitReachingOne) {
  const TMeasureUnitTables english;
  const TMeasureUnitTables russian(RussianUnits);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const FormatCase cases[] = {
      {"zero uses the smallest unit", ukFrequency, 0.0, "0 Hz", 3, 0.0},
      {"exactly one unit", ukFrequency, 1e9, "1 GHz", 0, 1.0},
      {"rounds up to 1000 of the smaller unit", ukFrequency, 999999999.9, "1000 MHz", 1, 999.9999999},
      {"within the tolerance counts as one", ukFrequency, 1e9 * (1 - 1e-13), "1 GHz", 0, 1.0},
      {"outside the tolerance does not", ukFrequency, 1e9 * (1 - 1e-11), "1000 MHz", 1, 999.99999999},
      {"negative by magnitude", ukFrequency, -2.5e6, "-2.5 MHz", 1, -2.5},
      {"kilohertz", ukFrequency, 1500.0, "1.5 kHz", 2, 1.5},
      {"below the smallest unit", ukTime, 5e-13, "0.5 ps", 4, 0.5},
      {"time in ns", ukTime, 2.5e-8, "25 ns", 3, 25.0},
      {"one mile", ukImperialLength, 5280.0, "1 mi", 0, 1.0},
      {"half a foot is six decimal inches", ukImperialLength, 0.5, "6 in", 2, 6.000000024},
      {"metric length", ukMetricLength, 0.0125, "1.25 cm", 1, 1.25},
      {"one-entry table", ukDecibel, -30.25, "-30.25 dB", 0, -30.25},
      {"one-entry table below one", ukDbm, 0.001, "0.001 dBm", 0, 0.001},
      {"dB per metre", ukDecibelPerMetre, 0.5, "0.5 dB/m", 0, 0.5},
      {"the table without a text ends in a blank", ukNone, 3.5, "3.5 ", 0, 3.5},
      {"degrees", ukDegree, -45.0, "-45 °", 0, -45.0},
      {"inductance", ukInductance, 3.3e-9, "3.3 nH", 3, 3.3},
      {"capacitance", ukCapacitance, 4.7e-12, "4.7 pF", 4, 4.7},
      {"six decimals at most", ukMilliwatt, 1.23456789, "1.234568 mW", 0, 1.23456789},
      {"NaN reaches no unit", ukFrequency, nan, "NAN Hz", 3, nan},
  };
  for (const FormatCase& c : cases) {
    double value = c.value;
    unsigned index = 99;
    EXPECT_EQ(FormatWithUnit(value, index, english.OfKind(c.kind)), c.text) << c.what;
    EXPECT_EQ(index, c.index) << c.what;
    if (std::isnan(c.shown)) {
      EXPECT_TRUE(std::isnan(value)) << c.what;
    } else {
      EXPECT_NEAR(value, c.shown, 1e-9 * std::max(1.0, std::fabs(c.shown))) << c.what;
    }
  }
  // With translation on, the texts are the translated ones.
  const struct {
    int kind;
    double value;
    const char* text;
  } russianCases[] = {
      {ukFrequency, 2.4e9, "2.4 ГГц"}, {ukFrequency, 1e6, "1 МГц"}, {ukFrequency, 30e3, "30 кГц"},
      {ukFrequency, 0.0, "0 Гц"},      {ukTime, 5e-13, "0.5 пс"},    {ukDecibel, -3.0, "-3 дБ"},
  };
  for (const auto& c : russianCases) {
    double value = c.value;
    unsigned index = 0;
    EXPECT_EQ(FormatWithUnit(value, index, russian.OfKind(c.kind)), c.text);
  }
}

TEST(Units, AnEmptyTableGivesTheNumberAlone) {
  double value = 2.5e6;
  unsigned index = 7;
  EXPECT_EQ(FormatWithUnit(value, index, TMeasureUnits{}), "2500000");
  EXPECT_EQ(value, 2.5e6);
  EXPECT_EQ(index, 0u);
}

TEST(Units, TablesKeepTheirStorageOrderAndKindCodes) {
  const TMeasureUnitTables tables;
  auto texts = [](const TMeasureUnits& table) {
    std::vector<std::string> out;
    for (const TMeasureUnit& u : table) out.push_back(u.Text);
    return out;
  };
  using V = std::vector<std::string>;
  const V byStorage[TMeasureUnitTables::TableCount] = {
      {"GHz", "MHz", "kHz", "Hz"}, {"s", "ms", "us", "ns", "ps"}, {"m", "cm", "mm"}, {"mi", "ft", "in"},
      {"dB"},  {"dB/m"}, {""}, {"dBm"}, {"mW"}, {"H", "mH", "uH", "nH", "pH"}, {"F", "mF", "uF", "nF", "pF"},
      {"°"},
  };
  for (int s = 0; s < TMeasureUnitTables::TableCount; ++s) EXPECT_EQ(texts(tables.Table(s)), byStorage[s]) << s;
  // Kind 5 (none) is storage 6 and kind 10 (dB per metre) storage 5; the rest follow in order.
  const int storageOfKind[TMeasureUnitTables::TableCount] = {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 5, 11};
  for (int kind = 0; kind < TMeasureUnitTables::TableCount; ++kind) {
    EXPECT_EQ(TMeasureUnitTables::StorageOfKind(kind), storageOfKind[kind]) << kind;
    EXPECT_EQ(&tables.OfKind(kind), &tables.Table(storageOfKind[kind])) << kind;
  }
  EXPECT_EQ(texts(tables.OfKind(ukNone)), V{""});
  EXPECT_EQ(texts(tables.OfKind(ukDecibelPerMetre)), V{"dB/m"});
  // The inch is the decimal the program has always stored, not 1/12.
  EXPECT_EQ(tables.OfKind(ukImperialLength)[2].Multiplier, 0.083333333);
  EXPECT_EQ(tables.OfKind(ukCapacitance)[4].Multiplier, 1e-12);
  EXPECT_EQ(TMeasureUnitTables::StorageOfKind(12), -1);
  EXPECT_EQ(TMeasureUnitTables::StorageOfKind(-1), -1);
  EXPECT_THROW(tables.OfKind(12), EAbort);
  EXPECT_THROW(tables.Table(-1), EAbort);
}

TEST(Units, OnlyTheEmptyTextEscapesTranslation) {
  std::vector<std::string> asked;
  const TMeasureUnitTables tables([&asked](const std::string& s) {
    asked.push_back(s);
    return "<" + s + ">";
  });
  EXPECT_EQ(asked.size(), 30u);  // every unit of the twelve tables but the empty one
  EXPECT_EQ(tables.OfKind(ukFrequency)[0].Text, "<GHz>");
  EXPECT_EQ(tables.OfKind(ukNone)[0].Text, "");
  EXPECT_EQ(tables.OfKind(ukDegree)[0].Text, "<°>");
}

TEST(Units, LongUnitTextsAreCutToSevenUtf16Units) {
  const struct {
    const char* text;
    const char* kept;
  } cases[] = {
      {"kHz", "kHz"},
      {"abcdefg", "abcdefg"},
      {"abcdefgh", "abcdefg"},
      {"Гигагерц", "Гигагер"},                  // two bytes a letter, cut between letters
      {"\U0001D11E\U0001D11E\U0001D11E\U0001D11E", "\U0001D11E\U0001D11E\U0001D11E"},  // pairs
      {"abcdef\U0001D11E", "abcdef"},           // the pair would need an eighth unit
      {"\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF"},
      {"abcdef\xD0", "abcdef\xD0"},             // a cut-short letter is one unit
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TMeasureUnit(1.0, c.text).Text, c.kept) << c.text;
  const TMeasureUnitTables tables([](const std::string& s) { return s == "GHz" ? std::string("Гигагерцы") : s; });
  EXPECT_EQ(tables.OfKind(ukFrequency)[0].Text, "Гигагер");
}

}  // namespace
