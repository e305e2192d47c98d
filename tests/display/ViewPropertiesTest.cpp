// The display look: defaults, metrics, the setters' clamps and notices, inverted colours, and
// the state-file sections with their clamps on load.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "display/ViewProperties.h"
#include "model/MemIniFile.h"
#include "platform/ui/Application.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/QtFontMetrics.h"

namespace {

// Line height follows the font: its pixel size + 2 (9 pt: 12 + 2 = 14), 7 px per character.
class SizeMetrics : public ui::FontMetrics {
 public:
  int TextWidth(const ui::Font&, std::string_view utf8) override { return 7 * static_cast<int>(utf8.size()); }
  int LineHeight(const ui::Font& font) override { return font.PixelSize() + 2; }
  int Ascent(const ui::Font& font) override { return font.PixelSize(); }
};

class ViewProperties : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }

  // Counts the notices of a look.
  static void Count(TViewProperties& look, int& fired) {
    look.OnChange = [&fired](TViewProperties&) { ++fired; };
  }

  SizeMetrics metrics_;
};

// Every value the look stores, for comparing whole looks.
std::vector<std::string> Snapshot(const TViewProperties& v) {
  std::vector<std::string> s;
  for (int i = 0; i < 8; ++i) {
    s.push_back("main" + std::to_string(i) + "=" + std::to_string(v.MainColor[i]));
    s.push_back("aux" + std::to_string(i) + "=" + std::to_string(v.AuxColor[i]));
  }
  auto add = [&s](const char* name, double value) { s.push_back(std::string(name) + "=" + std::to_string(value)); };
  add("LimitColor", v.LimitColor);
  add("LimitPassColor", v.LimitPassColor);
  add("FontSize", v.FontSize);
  add("FontColor", v.FontColor);
  add("ButtonFontSize", v.ButtonFontSize);
  add("UndegroundColor", v.UndegroundColor);
  add("GridColor", v.GridColor);
  add("XAxisColor", v.XAxisColor);
  add("MemoryWidth", v.MemoryWidth);
  add("DataWidth", v.DataWidth);
  add("GridWidth", v.GridWidth);
  add("LimitWidth", v.LimitWidth);
  add("HideMenuBar", v.HideMenuBar);
  add("FullScreen", v.FullScreen);
  add("InverseColor", v.InverseColor);
  add("UseDigitalPanel", v.UseDigitalPanel);
  add("ArgumentDigits", v.ArgumentDigits);
  add("ValueDigits", v.ValueDigits);
  add("Margin", v.Margin);
  add("IconSize", v.IconSize);
  add("FieldHeight", v.FieldHeight);
  add("ButtonHeight", v.ButtonHeight);
  add("StrHeight", v.StrHeight);
  add("PanelColor", v.PanelColor);
  s.push_back("FontName=" + v.FontName);
  s.push_back("ButtonFontName=" + v.ButtonFontName);
  return s;
}

TEST_F(ViewProperties, DefaultsOfAFreshLook) {
  TViewProperties look(&metrics_);
  const std::vector<TColor> main = {0x7FFF7F, 0x7FFFFF, 0xFF7F7F, 0x7F7FFF, 0xFFFF7F, 0xFF7FFF, 0x7FFFBF, 0x7FBFFF};
  const std::vector<TColor> aux = {0x55AA55, 0x55AAAA, 0xAA5555, 0x5555AA, 0xAAAA55, 0xAA55AA, 0x55AA7F, 0x557FAA};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(look.GetMainColor(i), main[i]) << i;
    EXPECT_EQ(look.GetAuxColor(i), aux[i]) << i;
  }
  EXPECT_EQ(look.GetLimitColor(), 0x0000FFu);
  EXPECT_EQ(look.GetLimitPassColor(), 0x00FF00u);
  EXPECT_EQ(look.GetFontName(), "Lucida Console");
  EXPECT_EQ(look.GetFontSize(), 9);
  EXPECT_EQ(look.GetFontColor(), 0xC0C0C0u);
  EXPECT_EQ(look.GetButtonFontName(), "Tahoma");
  EXPECT_EQ(look.GetButtonFontSize(), 9);
  EXPECT_EQ(look.GetUndegroundColor(), 0x0F0F0Fu);
  EXPECT_EQ(look.GetGridColor(), 0x3F3F3Fu);
  EXPECT_EQ(look.GetXAxisColor(), 0x2F2F2Fu);
  EXPECT_EQ(look.GetMemoryWidth(), 1.0);
  EXPECT_EQ(look.GetDataWidth(), 1.0);
  EXPECT_EQ(look.GetGridWidth(), 1.0);
  EXPECT_EQ(look.LimitWidth, 1.0);
  EXPECT_FALSE(look.HideMenuBar);
  EXPECT_FALSE(look.FullScreen);
  EXPECT_FALSE(look.InverseColor);
  EXPECT_TRUE(look.UseDigitalPanel);
  EXPECT_EQ(look.ArgumentDigits, 8);
  EXPECT_EQ(look.ValueDigits, 5);
  EXPECT_EQ(look.Margin, 6);
  EXPECT_EQ(look.IconSize, 32);
  EXPECT_EQ(look.PanelColor, 0xF0CAA6u);
  EXPECT_EQ(look.MeasureBitmap.Width(), 100);
  EXPECT_EQ(look.MeasureBitmap.Height(), 100);
}

TEST_F(ViewProperties, MetricsFollowTheTextHeightOfTheFontsDrawn) {
  // The real fonts: h is the line height Qt gives 9-point "Tahoma" (drawn as DejaVu Sans).
  TViewProperties look;
  ui::QtFontMetrics qt;
  const int h = qt.LineHeight(ui::Font("Tahoma", 9));
  const int hChart = qt.LineHeight(ui::Font("Lucida Console", 9));
  EXPECT_EQ(look.FieldHeight, 2 * h + 2);
  EXPECT_EQ(look.ButtonHeight, std::max(44, 2 * h + 2));
  EXPECT_EQ(look.StrHeight, 2 * hChart + 2);

  // With "H" 12 high the button row is still 2 * 6 + 32 = 44 high.
  ui::FakeFontMetrics small(12, 7);
  TViewProperties fixed(&small);
  EXPECT_EQ(fixed.FieldHeight, 26);
  EXPECT_EQ(fixed.ButtonHeight, 44);
  EXPECT_EQ(fixed.StrHeight, 26);
}

TEST_F(ViewProperties, FontSizeSettersClampRecomputeAndAlwaysFire) {
  TViewProperties look(&metrics_);
  int fired = 0;
  Count(look, fired);

  look.SetFontSize(30);
  EXPECT_EQ(look.GetFontSize(), 24);
  EXPECT_EQ(look.StrHeight, 2 * (32 + 2) + 2);  // 24 pt is 32 px
  EXPECT_EQ(fired, 1);
  look.SetFontSize(24);
  EXPECT_EQ(fired, 2) << "fires also when the size is already set";
  look.SetFontSize(5);
  EXPECT_EQ(look.GetFontSize(), 8);
  EXPECT_EQ(fired, 3);
  EXPECT_EQ(look.FieldHeight, 30) << "the chart font leaves the dialog rows alone";

  look.SetButtonFontSize(20);  // 27 px: rows of 2 * 29 + 2
  EXPECT_EQ(look.GetButtonFontSize(), 20);
  EXPECT_EQ(look.FieldHeight, 60);
  EXPECT_EQ(look.ButtonHeight, 60);
  look.SetButtonFontSize(-3);
  EXPECT_EQ(look.GetButtonFontSize(), 8);
  EXPECT_EQ(look.FieldHeight, 2 * (11 + 2) + 2);
  EXPECT_EQ(look.ButtonHeight, 44);
  EXPECT_EQ(fired, 5);
}

TEST_F(ViewProperties, SettersFireByTheirOwnRules) {
  struct Case {
    const char* name;
    std::function<void(TViewProperties&)> action;
    int fires;
  };
  const std::vector<Case> cases = {
      {"main colour, unchanged", [](TViewProperties& v) { v.SetMainColor(0, 0x7FFF7F); }, 1},
      {"aux colour, unchanged", [](TViewProperties& v) { v.SetAuxColor(7, 0x557FAA); }, 1},
      {"limit colour, unchanged", [](TViewProperties& v) { v.SetLimitColor(0x0000FF); }, 1},
      {"pass colour, unchanged", [](TViewProperties& v) { v.SetLimitPassColor(0x00FF00); }, 1},
      {"main colour, bad index", [](TViewProperties& v) { v.SetMainColor(8, 1); }, 0},
      {"grid colour, unchanged", [](TViewProperties& v) { v.SetGridColor(0x3F3F3F); }, 0},
      {"grid colour, changed", [](TViewProperties& v) { v.SetGridColor(1); }, 1},
      {"x axis colour, unchanged", [](TViewProperties& v) { v.SetXAxisColor(0x2F2F2F); }, 0},
      {"x axis colour, changed", [](TViewProperties& v) { v.SetXAxisColor(1); }, 1},
      {"font colour, unchanged", [](TViewProperties& v) { v.SetFontColor(0xC0C0C0); }, 0},
      {"font colour, changed", [](TViewProperties& v) { v.SetFontColor(1); }, 1},
      {"full screen, unchanged", [](TViewProperties& v) { v.SetFullScreen(false); }, 0},
      {"full screen, changed", [](TViewProperties& v) { v.SetFullScreen(true); }, 1},
      {"keypad, unchanged", [](TViewProperties& v) { v.SetUseDigitalPanel(true); }, 0},
      {"keypad, changed", [](TViewProperties& v) { v.SetUseDigitalPanel(false); }, 1},
      {"inverse, unchanged", [](TViewProperties& v) { v.SetInverseColor(false); }, 0},
      {"inverse, changed", [](TViewProperties& v) { v.SetInverseColor(true); }, 1},
      {"argument digits, clamped to the stored 10 twice", [](TViewProperties& v) { v.SetArgumentDigits(12); v.SetArgumentDigits(10); }, 1},
      {"value digits, unchanged", [](TViewProperties& v) { v.SetValueDigits(5); }, 0},
      {"defaults", [](TViewProperties& v) { v.SetDefaults(); }, 1},
  };
  for (const Case& c : cases) {
    TViewProperties look(&metrics_);
    int fired = 0;
    Count(look, fired);
    c.action(look);
    EXPECT_EQ(fired, c.fires) << c.name;
  }
}

TEST_F(ViewProperties, NumberSettersClampToTheirRanges) {
  struct Case {
    double dataWidth;
    double stored;
    int fires;
  };
  const std::vector<Case> widths = {
      {0.5, 1.0, 0},  // clamped to the stored 1: no change
      {2.5, 2.5, 1},
      {9.0, 4.0, 1},
      {1.0 + 1e-14, 1.0, 0},
      {NAN, 1.0, 0},
      {-INFINITY, 1.0, 0},
  };
  for (const Case& c : widths) {
    TViewProperties look(&metrics_);
    int fired = 0;
    Count(look, fired);
    look.SetDataWidth(c.dataWidth);
    EXPECT_EQ(look.GetDataWidth(), c.stored) << c.dataWidth;
    EXPECT_EQ(fired, c.fires) << c.dataWidth;
  }

  TViewProperties look(&metrics_);
  look.SetArgumentDigits(12);
  EXPECT_EQ(look.ArgumentDigits, 10);
  look.SetArgumentDigits(-1);
  EXPECT_EQ(look.ArgumentDigits, 5);
  look.SetValueDigits(1);
  EXPECT_EQ(look.ValueDigits, 3);
  look.SetValueDigits(100);
  EXPECT_EQ(look.ValueDigits, 8);
}

TEST_F(ViewProperties, InverseColorInvertsWhatTheGettersReturnOnly) {
  TViewProperties look(&metrics_);
  look.SetInverseColor(true);
  EXPECT_EQ(look.GetUndegroundColor(), 0xF0F0F0u);
  EXPECT_EQ(look.GetMainColor(0), 0x800080u);
  EXPECT_EQ(look.GetAuxColor(0), 0xAA55AAu);
  EXPECT_EQ(look.GetLimitColor(), 0xFFFF00u);
  EXPECT_EQ(look.GetLimitPassColor(), 0xFF00FFu);
  EXPECT_EQ(look.GetGridColor(), 0xC0C0C0u);
  EXPECT_EQ(look.GetXAxisColor(), 0xD0D0D0u);
  EXPECT_EQ(look.GetFontColor(), 0x3F3F3Fu);
  EXPECT_EQ(look.UndegroundColor, 0x0F0F0Fu);
  EXPECT_EQ(look.MainColor[0], 0x7FFF7Fu);
  EXPECT_EQ(look.GetMainColor(-1), 0u);
  EXPECT_EQ(look.GetAuxColor(8), 0u);
}

TEST_F(ViewProperties, InverseColorTextMatchesKeywordPrefixes) {
  struct Case {
    const char* text;
    bool before;
    bool after;
  };
  const std::vector<Case> cases = {
      {"inverse", false, true}, {"INV", false, true},   {"Inv2", false, true},  {"norm", true, false},
      {"Normal", true, false},  {"X", true, true},      {"X", false, false},    {"IN", false, false},
      {"NOR", true, true},      {"", true, true},       {" INV", false, false}, {"\xC4\xB0NV", false, false},
  };
  for (const Case& c : cases) {
    TViewProperties look(&metrics_);
    look.InverseColor = c.before;
    look.SetInverseColorText(c.text);
    EXPECT_EQ(look.InverseColor, c.after) << '"' << c.text << '"';
    EXPECT_EQ(look.GetInverseColorText(), c.after ? "INV" : "NORM");
  }
}

TEST_F(ViewProperties, SavedLookLoadsBackExactlyWithoutANotice) {
  TViewProperties look(&metrics_);
  for (int i = 0; i < 8; ++i) {
    look.SetMainColor(i, 0x010203u * static_cast<TColor>(i + 1));
    look.SetAuxColor(i, 0x102030u + static_cast<TColor>(i));
  }
  look.SetLimitColor(0x123456);
  look.SetLimitPassColor(0x654321);
  look.UndegroundColor = 0x202020;
  look.SetGridColor(0x0A0B0C);
  look.SetXAxisColor(0x0C0B0A);
  look.SetFontColor(0x00FFFF);
  look.SetFontSize(14);
  look.SetButtonFontSize(11);
  look.MemoryWidth = 2;
  look.SetDataWidth(3.25);
  look.GridWidth = 1.5;
  look.LimitWidth = 0.1;
  look.HideMenuBar = true;
  look.SetFullScreen(true);
  look.SetInverseColor(true);
  look.SetUseDigitalPanel(false);
  look.SetArgumentDigits(6);
  look.SetValueDigits(7);
  const auto saved = Snapshot(look);

  TMemIniFile ini;
  look.SaveToIni(ini);

  TViewProperties other(&metrics_);
  int fired = 0;
  Count(other, fired);
  other.LoadFromIni(ini);
  EXPECT_EQ(Snapshot(other), saved);
  EXPECT_EQ(fired, 0);
  other.SetFullScreen(false);
  EXPECT_EQ(fired, 1) << "the closure is back after loading";

  // Keys in their order; the font sections hold the metrics for other readers.
  std::vector<std::string> keys;
  ini.ReadSection("ViewProperties", keys);
  std::vector<std::string> expected;
  for (int i = 0; i < 8; ++i) {
    expected.push_back("MainColor" + std::to_string(i));
    expected.push_back("AuxColor" + std::to_string(i));
  }
  for (const char* k : {"LimitColor", "LimitPassColor", "UndegroundColor", "GridColor", "XAxisColor", "MemoryWidth",
                        "DataWidth", "GridWidth", "LimitWidth", "HideMenuBar", "FullScreen", "InverseColor",
                        "UseDigitalPanel", "ValueDigits", "ArgumentDigits"}) {
    expected.push_back(k);
  }
  EXPECT_EQ(keys, expected);
  ini.ReadSection("Font", keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"Size", "Color", "StrHeight"}));
  ini.ReadSection("ButtonFont", keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"Size", "FieldHeight", "ButtonHeight"}));
  ini.ReadSection("Icon", keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"IconSize"}));
  EXPECT_EQ(ini.ReadString("ViewProperties", "DataWidth", ""), "3.25");
  EXPECT_EQ(ini.ReadString("Font", "Color", ""), "65535");
}

TEST_F(ViewProperties, StoredMetricsHaveNoEffectAndMissingSectionsGiveDefaults) {
  TMemIniFile ini;
  ini.WriteInteger("ButtonFont", "FieldHeight", 100);
  ini.WriteInteger("ButtonFont", "ButtonHeight", 100);
  ini.WriteInteger("Font", "StrHeight", 100);
  ini.WriteInteger("Icon", "IconSize", 100);
  TViewProperties look(&metrics_);
  look.SetMainColor(3, 0);
  look.SetFontSize(20);
  look.SetInverseColor(true);
  look.LoadFromIni(ini);
  TViewProperties fresh(&metrics_);
  EXPECT_EQ(Snapshot(look), Snapshot(fresh));
  EXPECT_EQ(look.FieldHeight, 30);
  EXPECT_EQ(look.IconSize, 32);
}

TEST_F(ViewProperties, HandEditedValuesLoadClampedOrAsDefaults) {
  TMemIniFile ini;
  ini.WriteString("Font", "Size", "100");
  ini.WriteString("ButtonFont", "Size", "99999999999999999999");
  ini.WriteString("ViewProperties", "DataWidth", "0");
  ini.WriteString("ViewProperties", "MemoryWidth", "1e308");
  ini.WriteString("ViewProperties", "GridWidth", "nan");
  ini.WriteString("ViewProperties", "LimitWidth", "inf");
  ini.WriteString("ViewProperties", "ArgumentDigits", "-7");
  ini.WriteString("ViewProperties", "ValueDigits", "eight");
  ini.WriteString("ViewProperties", "MainColor0", "red");
  ini.WriteString("ViewProperties", "MainColor1", "-16777201");  // the system button face
  ini.WriteString("ViewProperties", "AuxColor0", "0x12345678");  // a stray high byte
  ini.WriteString("ViewProperties", "FullScreen", "yes");
  ini.WriteString("ViewProperties", "InverseColor", "2");
  TViewProperties look(&metrics_);
  look.LoadFromIni(ini);
  EXPECT_EQ(look.FontSize, 24);
  EXPECT_EQ(look.ButtonFontSize, 9);
  EXPECT_EQ(look.DataWidth, 1.0);
  EXPECT_EQ(look.MemoryWidth, 4.0);
  EXPECT_EQ(look.GridWidth, 1.0);
  EXPECT_EQ(look.LimitWidth, 1.0);
  EXPECT_EQ(look.ArgumentDigits, 5);
  EXPECT_EQ(look.ValueDigits, 5);
  EXPECT_EQ(look.MainColor[0], 0x7FFF7Fu);
  EXPECT_EQ(look.MainColor[1], 0xF0F0F0u);
  EXPECT_EQ(look.AuxColor[0], 0x345678u);
  EXPECT_FALSE(look.FullScreen);
  EXPECT_TRUE(look.InverseColor);
  EXPECT_EQ(look.StrHeight, 2 * (32 + 2) + 2);
}

TEST_F(ViewProperties, RandomSectionsAlwaysLoadWithinTheRanges) {
  const std::vector<std::string> keys = {"MainColor0", "AuxColor5", "DataWidth", "MemoryWidth", "GridWidth",
                                         "LimitWidth", "ArgumentDigits", "ValueDigits", "Size", "Color",
                                         "FullScreen", "LimitColor"};
  const std::vector<std::string> sections = {"ViewProperties", "Font", "ButtonFont", "Icon"};
  std::mt19937 rng(12345);
  auto randomText = [&rng]() {
    static const std::vector<std::string> pieces = {"1", "-", "e", "9", "0x", "FF", ".", ",", "nan", "inf",
                                                    "1e999", " ", "\xD0\x96", "\xFF", "300", "2.5", "+"};
    std::string s;
    const int n = static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
    return s;
  };
  for (int round = 0; round < 300; ++round) {
    TMemIniFile ini;
    for (int k = 0; k < 10; ++k) {
      ini.WriteString(sections[rng() % sections.size()], keys[rng() % keys.size()], randomText());
    }
    TViewProperties look(&metrics_);
    look.LoadFromIni(ini);
    EXPECT_GE(look.FontSize, 8);
    EXPECT_LE(look.FontSize, 24);
    EXPECT_GE(look.ButtonFontSize, 8);
    EXPECT_LE(look.ButtonFontSize, 24);
    for (double w : {look.DataWidth, look.MemoryWidth, look.GridWidth}) {
      EXPECT_GE(w, 1.0);
      EXPECT_LE(w, 4.0);
    }
    EXPECT_TRUE(std::isfinite(look.LimitWidth));
    EXPECT_GE(look.ArgumentDigits, 5);
    EXPECT_LE(look.ArgumentDigits, 10);
    EXPECT_GE(look.ValueDigits, 3);
    EXPECT_LE(look.ValueDigits, 8);
    EXPECT_EQ(look.MainColor[0] >> 24, 0u);
    EXPECT_EQ(look.FontColor >> 24, 0u);
    EXPECT_EQ(look.FieldHeight, 2 * (ui::Font("Tahoma", look.ButtonFontSize).PixelSize() + 2) + 2);
  }
}

}  // namespace
