#pragma once
// The display look: every setting of how the program looks. The chart reads its colours, line
// widths and font; the soft keys, the keypad and every dialog lay themselves out from its
// metrics and its button font. It is saved in four sections of a state file.
//
// Colour getters return the inverted colour while InverseColor is set; the stored values stay
// as they are. Setters clamp and fire OnChange as each one's comment says. The metrics
// (Margin, IconSize, FieldHeight, ButtonHeight, StrHeight) always follow from the two fonts.
//
// Values read from a file are clamped to what the setters allow, and text that is no number
// takes the default, so a hand-edited file cannot hand the chart a zero line width or a
// hundred-point font; a file the program wrote itself loads unchanged.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "model/Utils.h"
#include "platform/ui/Font.h"
#include "platform/ui/ImageCanvas.h"

class TCustomIniFile;

namespace ui {
class FontMetrics;
}

class TViewProperties {
 public:
  using TChangeEvent = std::function<void(TViewProperties& sender)>;

  static constexpr int kColorCount = 8;
  static constexpr int kMinFontSize = 8;
  static constexpr int kMaxFontSize = 24;
  static constexpr double kMinLineWidth = 1.0;
  static constexpr double kMaxLineWidth = 4.0;
  static constexpr int kMinArgumentDigits = 5;
  static constexpr int kMaxArgumentDigits = 10;
  static constexpr int kMinValueDigits = 3;
  static constexpr int kMaxValueDigits = 8;

  // metrics: what measures the text of the metrics (not owned; Qt's when nullptr).
  explicit TViewProperties(ui::FontMetrics* metrics = nullptr);
  TViewProperties(const TViewProperties&) = delete;
  TViewProperties& operator=(const TViewProperties&) = delete;

  // --- colour getters: inverted while InverseColor is set ----------------------------------
  // An index outside 0..7 gives black.
  TColor GetMainColor(int index) const;
  TColor GetAuxColor(int index) const;
  TColor GetLimitColor() const { return Shown(LimitColor); }
  TColor GetLimitPassColor() const { return Shown(LimitPassColor); }
  TColor GetUndegroundColor() const { return Shown(UndegroundColor); }
  TColor GetGridColor() const { return Shown(GridColor); }
  TColor GetXAxisColor() const { return Shown(XAxisColor); }
  TColor GetFontColor() const { return Shown(FontColor); }

  double GetMemoryWidth() const { return MemoryWidth; }
  double GetDataWidth() const { return DataWidth; }
  double GetGridWidth() const { return GridWidth; }
  const std::string& GetFontName() const { return FontName; }
  int GetFontSize() const { return FontSize; }
  const std::string& GetButtonFontName() const { return ButtonFontName; }
  int GetButtonFontSize() const { return ButtonFontSize; }
  // The chart font and the button font as the canvas takes them (name and size, black).
  ui::Font ChartFont() const { return ui::Font(FontName, FontSize); }
  ui::Font ButtonFont() const { return ui::Font(ButtonFontName, ButtonFontSize); }

  // --- setters ------------------------------------------------------------------------------
  // Store and fire, also when unchanged. An index outside 0..7 changes nothing.
  void SetMainColor(int index, TColor color);
  void SetAuxColor(int index, TColor color);
  void SetLimitColor(TColor color);
  void SetLimitPassColor(TColor color);
  // Nothing when unchanged; else store and fire.
  void SetGridColor(TColor color);
  void SetXAxisColor(TColor color);
  void SetFontColor(TColor color);
  // Limited to 1..4; nothing when equal to the stored width or not finite; else store and fire.
  void SetDataWidth(double width);
  // Limited to 8..24; stored, metrics recomputed and fired, also when unchanged.
  void SetFontSize(int size);
  void SetButtonFontSize(int size);
  // Limited to 5..10 and 3..8; nothing when unchanged; else store and fire.
  void SetArgumentDigits(int digits);
  void SetValueDigits(int digits);
  // Nothing when unchanged; else store and fire.
  void SetFullScreen(bool on);
  void SetUseDigitalPanel(bool on);
  void SetInverseColor(bool on);
  // Off for a text that begins with "NORM", on for one that begins with "INV" (ASCII letters
  // compared without case; a shorter text never matches); any other text changes nothing.
  void SetInverseColorText(std::string_view text);
  // "INV" while InverseColor is set, else "NORM".
  std::string GetInverseColorText() const;

  // Every field to its default, the metrics recomputed; fires OnChange.
  void SetDefaults();
  // Margin, IconSize, FieldHeight, ButtonHeight and StrHeight from the two fonts, measured on
  // MeasureBitmap.
  void UpdateMetrics();

  // Sections "ViewProperties", "Font", "ButtonFont" and "Icon", keys in a fixed order.
  void SaveToIni(TCustomIniFile& ini) const;
  // Defaults first (without notice), then every stored value over them, clamped; the metrics
  // are recomputed from the fonts. Fires nothing: the caller applies what it needs.
  void LoadFromIni(const TCustomIniFile& ini);

  // --- fields, in the order of the look ----------------------------------------------------
  std::array<TColor, kColorCount> MainColor{};
  std::array<TColor, kColorCount> AuxColor{};
  TColor LimitColor = 0;
  TColor LimitPassColor = 0;
  std::string FontName;
  int FontSize = 9;
  TColor FontColor = 0;
  std::string ButtonFontName;
  int ButtonFontSize = 9;
  // The chart and soft-key background; written directly by the automation and the printing,
  // without a notice.
  TColor UndegroundColor = 0;
  TColor GridColor = 0;
  TColor XAxisColor = 0;
  double MemoryWidth = 1.0;
  double DataWidth = 1.0;
  double GridWidth = 1.0;
  double LimitWidth = 1.0;
  bool HideMenuBar = false;
  bool FullScreen = false;
  bool InverseColor = false;
  bool UseDigitalPanel = true;
  int ArgumentDigits = 8;
  int ValueDigits = 5;
  int Margin = 6;
  int IconSize = 32;
  int FieldHeight = 0;
  int ButtonHeight = 0;
  int StrHeight = 0;
  // The title bar of the touch dialogs; not stored.
  TColor PanelColor = 0;
  // Where the metrics are measured and the dialog skin is composed.
  ui::ImageCanvas MeasureBitmap;
  TChangeEvent OnChange;

 private:
  TColor Shown(TColor color) const { return InverseColor ? InvertColor(color) : color; }
  void Changed();
};

// The program's display look: set by program start, fifth of the modules.
extern TViewProperties* ViewProperties;
