#include "display/ViewProperties.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/CustomIniFile.h"

TViewProperties* ViewProperties = nullptr;

namespace {

constexpr std::array<TColor, TViewProperties::kColorCount> kDefaultMainColors = {
    0x7FFF7F, 0x7FFFFF, 0xFF7F7F, 0x7F7FFF, 0xFFFF7F, 0xFF7FFF, 0x7FFFBF, 0x7FBFFF};
constexpr double kAuxColorFactor = 0.67;

const std::string kSectionView = "ViewProperties";
const std::string kSectionFont = "Font";
const std::string kSectionButtonFont = "ButtonFont";
const std::string kSectionIcon = "Icon";

std::string IndexedKey(const char* name, int index) { return name + std::string(1, static_cast<char>('0' + index)); }

bool ValidIndex(int index) { return index >= 0 && index < TViewProperties::kColorCount; }

// True when text begins with keyword, ASCII letters compared without case.
bool BeginsWithKeyword(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

// Colours are stored as the signed decimal text of the 32-bit colour value.
long long ColorToIni(TColor color) { return static_cast<int32_t>(color); }

TColor ReadColor(const TCustomIniFile& ini, const std::string& section, const std::string& key, TColor current) {
  const int value = ini.ReadInteger(section, key, static_cast<int32_t>(current));
  return ColorToRgb(static_cast<TColor>(value));
}

// A stored width: a number limited to 1..4; anything else keeps the current value.
double ReadWidth(const TCustomIniFile& ini, const std::string& key, double current) {
  const double value = ini.ReadFloat(kSectionView, key, current);
  if (!std::isfinite(value)) return current;
  return ClampToRange(value, TViewProperties::kMinLineWidth, TViewProperties::kMaxLineWidth);
}

int ReadClamped(const TCustomIniFile& ini, const std::string& section, const std::string& key, int current, int lo,
                int hi) {
  return ClampToRange(ini.ReadInteger(section, key, current), lo, hi);
}

}  // namespace

TViewProperties::TViewProperties(ui::FontMetrics* metrics) : MeasureBitmap(100, 100) {
  MeasureBitmap.SetMetrics(metrics);
  SetDefaults();
}

void TViewProperties::Changed() {
  if (OnChange) OnChange(*this);
}

TColor TViewProperties::GetMainColor(int index) const {
  return ValidIndex(index) ? Shown(MainColor[static_cast<size_t>(index)]) : 0;
}

TColor TViewProperties::GetAuxColor(int index) const {
  return ValidIndex(index) ? Shown(AuxColor[static_cast<size_t>(index)]) : 0;
}

void TViewProperties::SetMainColor(int index, TColor color) {
  if (!ValidIndex(index)) return;
  MainColor[static_cast<size_t>(index)] = color;
  Changed();
}

void TViewProperties::SetAuxColor(int index, TColor color) {
  if (!ValidIndex(index)) return;
  AuxColor[static_cast<size_t>(index)] = color;
  Changed();
}

void TViewProperties::SetLimitColor(TColor color) {
  LimitColor = color;
  Changed();
}

void TViewProperties::SetLimitPassColor(TColor color) {
  LimitPassColor = color;
  Changed();
}

void TViewProperties::SetGridColor(TColor color) {
  if (color == GridColor) return;
  GridColor = color;
  Changed();
}

void TViewProperties::SetXAxisColor(TColor color) {
  if (color == XAxisColor) return;
  XAxisColor = color;
  Changed();
}

void TViewProperties::SetFontColor(TColor color) {
  if (color == FontColor) return;
  FontColor = color;
  Changed();
}

void TViewProperties::SetDataWidth(double width) {
  if (!std::isfinite(width)) return;
  width = ClampToRange(width, kMinLineWidth, kMaxLineWidth);
  if (NearlyEqual(width, DataWidth)) return;
  DataWidth = width;
  Changed();
}

void TViewProperties::SetFontSize(int size) {
  FontSize = ClampToRange(size, kMinFontSize, kMaxFontSize);
  UpdateMetrics();
  Changed();
}

void TViewProperties::SetButtonFontSize(int size) {
  ButtonFontSize = ClampToRange(size, kMinFontSize, kMaxFontSize);
  UpdateMetrics();
  Changed();
}

void TViewProperties::SetArgumentDigits(int digits) {
  digits = ClampToRange(digits, kMinArgumentDigits, kMaxArgumentDigits);
  if (digits == ArgumentDigits) return;
  ArgumentDigits = digits;
  Changed();
}

void TViewProperties::SetValueDigits(int digits) {
  digits = ClampToRange(digits, kMinValueDigits, kMaxValueDigits);
  if (digits == ValueDigits) return;
  ValueDigits = digits;
  Changed();
}

void TViewProperties::SetFullScreen(bool on) {
  if (on == FullScreen) return;
  FullScreen = on;
  Changed();
}

void TViewProperties::SetUseDigitalPanel(bool on) {
  if (on == UseDigitalPanel) return;
  UseDigitalPanel = on;
  Changed();
}

void TViewProperties::SetInverseColor(bool on) {
  if (on == InverseColor) return;
  InverseColor = on;
  Changed();
}

void TViewProperties::SetInverseColorText(std::string_view text) {
  if (BeginsWithKeyword(text, "NORM")) {
    SetInverseColor(false);
  } else if (BeginsWithKeyword(text, "INV")) {
    SetInverseColor(true);
  }
}

std::string TViewProperties::GetInverseColorText() const { return InverseColor ? "INV" : "NORM"; }

void TViewProperties::SetDefaults() {
  MainColor = kDefaultMainColors;
  for (size_t i = 0; i < AuxColor.size(); ++i) AuxColor[i] = ScaleColor(MainColor[i], kAuxColorFactor);
  LimitColor = 0x0000FF;
  LimitPassColor = 0x00FF00;
  FontName = "Lucida Console";
  FontSize = 9;
  FontColor = 0xC0C0C0;
  ButtonFontName = "Tahoma";
  ButtonFontSize = 9;
  UndegroundColor = 0x0F0F0F;
  GridColor = 0x3F3F3F;
  XAxisColor = 0x2F2F2F;
  MemoryWidth = 1.0;
  DataWidth = 1.0;
  GridWidth = 1.0;
  LimitWidth = 1.0;
  HideMenuBar = false;
  FullScreen = false;
  InverseColor = false;
  UseDigitalPanel = true;
  ArgumentDigits = 8;
  ValueDigits = 5;
  PanelColor = 0xF0CAA6;
  UpdateMetrics();
  Changed();
}

void TViewProperties::UpdateMetrics() {
  MeasureBitmap.SetFont(ButtonFont());
  Margin = 6;
  IconSize = 32;
  FieldHeight = 2 * MeasureBitmap.TextHeight("H") + 2;
  ButtonHeight = std::max(2 * Margin + IconSize, FieldHeight);
  MeasureBitmap.SetFont(ChartFont());
  StrHeight = 2 * MeasureBitmap.TextHeight("H") + 2;
}

void TViewProperties::SaveToIni(TCustomIniFile& ini) const {
  for (int i = 0; i < kColorCount; ++i) {
    ini.WriteInteger(kSectionView, IndexedKey("MainColor", i), ColorToIni(MainColor[static_cast<size_t>(i)]));
    ini.WriteInteger(kSectionView, IndexedKey("AuxColor", i), ColorToIni(AuxColor[static_cast<size_t>(i)]));
  }
  ini.WriteInteger(kSectionView, "LimitColor", ColorToIni(LimitColor));
  ini.WriteInteger(kSectionView, "LimitPassColor", ColorToIni(LimitPassColor));
  ini.WriteInteger(kSectionView, "UndegroundColor", ColorToIni(UndegroundColor));
  ini.WriteInteger(kSectionView, "GridColor", ColorToIni(GridColor));
  ini.WriteInteger(kSectionView, "XAxisColor", ColorToIni(XAxisColor));
  ini.WriteFloat(kSectionView, "MemoryWidth", MemoryWidth);
  ini.WriteFloat(kSectionView, "DataWidth", DataWidth);
  ini.WriteFloat(kSectionView, "GridWidth", GridWidth);
  ini.WriteFloat(kSectionView, "LimitWidth", LimitWidth);

  ini.WriteInteger(kSectionFont, "Size", FontSize);
  ini.WriteInteger(kSectionFont, "Color", ColorToIni(FontColor));
  ini.WriteInteger(kSectionFont, "StrHeight", StrHeight);

  ini.WriteInteger(kSectionButtonFont, "Size", ButtonFontSize);
  ini.WriteInteger(kSectionButtonFont, "FieldHeight", FieldHeight);
  ini.WriteInteger(kSectionButtonFont, "ButtonHeight", ButtonHeight);

  ini.WriteInteger(kSectionIcon, "IconSize", IconSize);

  ini.WriteBool(kSectionView, "HideMenuBar", HideMenuBar);
  ini.WriteBool(kSectionView, "FullScreen", FullScreen);
  ini.WriteBool(kSectionView, "InverseColor", InverseColor);
  ini.WriteBool(kSectionView, "UseDigitalPanel", UseDigitalPanel);
  ini.WriteInteger(kSectionView, "ValueDigits", ValueDigits);
  ini.WriteInteger(kSectionView, "ArgumentDigits", ArgumentDigits);
}

void TViewProperties::LoadFromIni(const TCustomIniFile& ini) {
  {
    // The defaults go in without a notice; the closure comes back even when a handler throws.
    struct Silence {
      TChangeEvent& slot;
      TChangeEvent kept;
      explicit Silence(TChangeEvent& s) : slot(s), kept(std::move(s)) { slot = nullptr; }
      ~Silence() { slot = std::move(kept); }
    } silence(OnChange);
    SetDefaults();
  }

  for (int i = 0; i < kColorCount; ++i) {
    auto& main = MainColor[static_cast<size_t>(i)];
    auto& aux = AuxColor[static_cast<size_t>(i)];
    main = ReadColor(ini, kSectionView, IndexedKey("MainColor", i), main);
    aux = ReadColor(ini, kSectionView, IndexedKey("AuxColor", i), aux);
  }
  LimitColor = ReadColor(ini, kSectionView, "LimitColor", LimitColor);
  LimitPassColor = ReadColor(ini, kSectionView, "LimitPassColor", LimitPassColor);
  UndegroundColor = ReadColor(ini, kSectionView, "UndegroundColor", UndegroundColor);
  GridColor = ReadColor(ini, kSectionView, "GridColor", GridColor);
  XAxisColor = ReadColor(ini, kSectionView, "XAxisColor", XAxisColor);
  MemoryWidth = ReadWidth(ini, "MemoryWidth", MemoryWidth);
  DataWidth = ReadWidth(ini, "DataWidth", DataWidth);
  GridWidth = ReadWidth(ini, "GridWidth", GridWidth);
  // Kept and saved only; whatever number the file holds.
  LimitWidth = ini.ReadFloat(kSectionView, "LimitWidth", LimitWidth);
  if (!std::isfinite(LimitWidth)) LimitWidth = 1.0;

  FontSize = ReadClamped(ini, kSectionFont, "Size", FontSize, kMinFontSize, kMaxFontSize);
  FontColor = ReadColor(ini, kSectionFont, "Color", FontColor);
  ButtonFontSize = ReadClamped(ini, kSectionButtonFont, "Size", ButtonFontSize, kMinFontSize, kMaxFontSize);

  // "StrHeight", "FieldHeight", "ButtonHeight" and "IconSize" are written for other readers;
  // here the metrics always follow from the fonts.
  UpdateMetrics();

  HideMenuBar = ini.ReadBool(kSectionView, "HideMenuBar", HideMenuBar);
  FullScreen = ini.ReadBool(kSectionView, "FullScreen", FullScreen);
  InverseColor = ini.ReadBool(kSectionView, "InverseColor", InverseColor);
  UseDigitalPanel = ini.ReadBool(kSectionView, "UseDigitalPanel", UseDigitalPanel);
  ArgumentDigits =
      ReadClamped(ini, kSectionView, "ArgumentDigits", ArgumentDigits, kMinArgumentDigits, kMaxArgumentDigits);
  ValueDigits = ReadClamped(ini, kSectionView, "ValueDigits", ValueDigits, kMinValueDigits, kMaxValueDigits);
}
