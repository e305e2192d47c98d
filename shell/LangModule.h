#pragma once
// The language module. It decides once, when it is created, whether the user interface speaks
// Russian (the default) or English, loads the built-in Russian table when Russian is in force,
// and answers every lookup of an English text. It also puts the program's two private fonts
// into the application's font list for the session. A language change takes effect at the
// next start.
//
// The choice: a "Language" value of exactly "EN" selects English, any other value Russian. The
// read-only system-wide tervan.ini (the first one under $XDG_CONFIG_DIRS, default /etc/xdg) is
// asked first; only when it holds no value is the user's settings store asked. A failing read
// ends the asking and keeps Russian. The "English" switch of the command line wins over both.
//
// The table is the resource "Translation_RU": UTF-16 big-endian text with a byte-order mark,
// one "key"="value" pair per line. A line counts only when it begins and ends with a double
// quote, has '"="' around its first '=', and has a key and a value that are not empty and hold
// no control character or broken surrogate; every other line is skipped. When a key occurs
// twice, its first value is the one used.
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/ITranslation.h"

namespace platform {
class SettingsStore;
}

class TLangModule : public ITranslation {
 public:
  // Reads the "Language" value of one settings store: its text, or no value when the store
  // holds none. A throw counts as a failed read.
  using TLanguageReader = std::function<std::optional<std::string>()>;

  // What the module reads when it is created; program start uses the defaults of the
  // argument-free constructor, tests put fakes in.
  struct TSetup {
    TLanguageReader SystemLanguage;  // the system-wide store; none: not asked
    TLanguageReader UserLanguage;    // the user's store; none: not asked
    bool English = false;            // the "English" switch
    std::string TableResource = "Translation_RU";
    std::string FontFolder;          // where the private fonts lie; empty: no fonts
  };

  // The program's module: the system-wide tervan.ini, the user's platform::SettingsStore, the
  // "English" switch (IsEnglishMode), the built-in table and the data root's "Font" folder.
  TLangModule();
  explicit TLangModule(TSetup setup);
  // Takes the private fonts out of the application's font list. The font files stay: they are
  // the user's, installed with the program. Clears LangModule and the service registry's entry
  // when they point to this module.
  ~TLangModule() override;
  TLangModule(const TLangModule&) = delete;
  TLangModule& operator=(const TLangModule&) = delete;

  // The translation of an English text: the value of the first equal key (exact and
  // case-sensitive), or the text itself when there is none or English is in force.
  std::string Translate(const std::string& english) const override;
  // The same text: texts for 8-bit files are written as UTF-8 like every other text.
  std::string TranslateAnsi(const std::string& english) const override;
  bool IsEnglish() const override { return noTranslation_; }
  // True when English is in force; the few parts with their own texts in two languages read it.
  bool NoTranslation() const { return noTranslation_; }

  // Translate("ON") or Translate("OFF"): the dialogs show switch values with it.
  std::string OnOffText(bool on) const;
  // The single blank the dialogs put in front of the values they show.
  const std::string& BlankText() const { return blankText_; }
  // The translations of "dBm", "dB", "ns", "mW", "Ohm", "S" and "°", in this order, made once.
  const std::array<std::string, 7>& UnitTexts() const { return unitTexts_; }
  // The settings group of the program: the base name of its program file, which names the
  // folder of tervan.ini under every configuration root; the calibration kit number is kept
  // beside the language there.
  static std::string GetRegistryKey();

  // The accepted lines of the table in file order (duplicates included); empty while English
  // is in force. Both always have the same length.
  const std::vector<std::string>& Keys() const { return keys_; }
  const std::vector<std::string>& Values() const { return values_; }

  // Puts the font file <FontFolder>/<name>.ttf into the application's font list (the folder
  // is created when missing). A missing file is first written from a resource of that name
  // when the program has one. Nothing happens without the file, without a running
  // QGuiApplication, or when the font is in the list already.
  void InstallFont(const std::string& name);
  // Takes the font out of the application's font list again; the file is left alone.
  void RemoveFont(const std::string& name);
  // The application font id of an installed private font, or no value.
  std::optional<int> FontId(const std::string& name) const;

  // The system-wide settings file: tervan/tervan.ini in the first folder of $XDG_CONFIG_DIRS
  // (absolute folders only; /etc/xdg when the variable is unset or empty) that holds one, or an
  // empty text when none does.
  static std::string SystemSettingsFile();
  // The "Language" value of a settings store, or no value when it has none.
  static std::optional<std::string> ReadLanguage(const platform::SettingsStore& store);

 private:
  void ChooseLanguage(const TSetup& setup);
  void LoadTable(const std::string& resource);

  bool noTranslation_ = false;
  std::vector<std::string> keys_;
  std::vector<std::string> values_;
  std::unordered_map<std::string, size_t> firstIndex_;  // key -> index of its first line
  std::string blankText_ = " ";
  std::array<std::string, 7> unitTexts_;
  std::string fontFolder_;
  std::map<std::string, int> fontIds_;
};

// The program's language module: set by program start, first of all modules.
extern TLangModule* LangModule;
