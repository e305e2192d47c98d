#include "shell/LangModule.h"

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "model/ResourceFile.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/TextCodec.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"

TLangModule* LangModule = nullptr;

namespace {

constexpr const char* kProgramBaseName = "tervan";

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// True when the text holds no control character and every surrogate is part of a pair.
bool IsCleanText(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x20 || u == 0x7F) return false;
    if (IsHighSurrogate(u)) {
      if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(u)) {
      return false;
    }
  }
  return true;
}

// Takes one table line apart: '"' key '"=' '"' value '"', split at the line's first '='.
bool ParseTableLine(std::u16string_view line, std::string& key, std::string& value) {
  const size_t n = line.size();
  if (n < 2 || line.front() != u'"' || line.back() != u'"') return false;
  const size_t eq = line.find(u'=');
  // The quote before '=' must not be the opening one, nor the quote after it the closing one.
  if (eq == std::u16string_view::npos || eq < 2 || eq + 2 > n - 1) return false;
  if (line[eq - 1] != u'"' || line[eq + 1] != u'"') return false;
  const std::u16string_view k = line.substr(1, eq - 2);
  const std::u16string_view v = line.substr(eq + 2, n - 1 - (eq + 2));
  // An empty value would blank a caption out; English is better than nothing.
  if (k.empty() || v.empty() || !IsCleanText(k) || !IsCleanText(v)) return false;
  key = Utf16ToUtf8(k);
  value = Utf16ToUtf8(v);
  return true;
}

QGuiApplication* RunningGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()); }

}  // namespace

TLangModule::TLangModule() : TLangModule([] {
  TSetup setup;
  const std::string systemFile = SystemSettingsFile();
  if (!systemFile.empty()) {
    setup.SystemLanguage = [systemFile] { return ReadLanguage(platform::SettingsStore(systemFile)); };
  }
  setup.UserLanguage = [] { return ReadLanguage(platform::SettingsStore()); };
  setup.English = IsEnglishMode();
  setup.FontFolder = platform::Paths::folder("Font");
  return setup;
}()) {}

TLangModule::TLangModule(TSetup setup) : fontFolder_(std::move(setup.FontFolder)) {
  ChooseLanguage(setup);
  if (setup.English) noTranslation_ = true;
  if (!noTranslation_) LoadTable(setup.TableResource);
  InstallFont("PelmoTahoma");
  InstallFont("PelmoLucida");
  unitTexts_ = {Translate("dBm"), Translate("dB"), Translate("ns"), Translate("mW"),
                Translate("Ohm"), Translate("S"),  Translate("°")};
}

TLangModule::~TLangModule() {
  RemoveFont("PelmoTahoma");
  RemoveFont("PelmoLucida");
  // Nothing may reach a module that is gone, through the global or through the engine's seam.
  if (LangModule == this) LangModule = nullptr;
  if (Services().LangModule == this) Services().LangModule = nullptr;
}

void TLangModule::ChooseLanguage(const TSetup& setup) {
  // The system-wide value, when there is one, decides alone; a failed read ends the asking.
  try {
    for (const TLanguageReader* reader : {&setup.SystemLanguage, &setup.UserLanguage}) {
      if (!*reader) continue;
      if (const std::optional<std::string> value = (*reader)()) {
        noTranslation_ = *value == "EN";
        return;
      }
    }
  } catch (...) {
    // Russian stays: the choice cannot be read, and the program must start anyway.
  }
}

void TLangModule::LoadTable(const std::string& resource) {
  TResourceFile file(resource);
  std::u16string line;
  std::string key;
  std::string value;
  for (;;) {
    // A line never holds a line break, so one left in place means the end was reached. An
    // empty line (a stray byte-order mark between two line breaks) is skipped like any other
    // bad line instead of ending the table.
    line.assign(1, u'\n');
    file.ReadLineUtf16(line);
    if (line.size() == 1 && line[0] == u'\n') break;
    if (!ParseTableLine(line, key, value)) continue;
    firstIndex_.emplace(key, keys_.size());
    keys_.push_back(key);
    values_.push_back(value);
  }
}

std::string TLangModule::Translate(const std::string& english) const {
  if (noTranslation_) return english;
  const auto found = firstIndex_.find(english);
  return found == firstIndex_.end() ? english : values_[found->second];
}

std::string TLangModule::TranslateAnsi(const std::string& english) const { return Translate(english); }

std::string TLangModule::OnOffText(bool on) const { return on ? Translate("ON") : Translate("OFF"); }

std::string TLangModule::GetRegistryKey() { return kProgramBaseName; }

void TLangModule::InstallFont(const std::string& name) {
  if (fontFolder_.empty() || fontIds_.count(name)) return;
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(fontFolder_, ec);
  const std::string path = fontFolder_ + "/" + name + ".ttf";
  if (!fs::exists(path, ec)) {
    // The resource is only ever written out, never over an existing file.
    const TResourceFile resource(name);
    if (resource.Size() > 0) resource.SaveToFile(path);
  }
  if (!fs::is_regular_file(path, ec) || !RunningGuiApplication()) return;
  const int id = QFontDatabase::addApplicationFont(QFile::decodeName(QByteArray::fromStdString(path)));
  if (id >= 0) fontIds_[name] = id;
}

void TLangModule::RemoveFont(const std::string& name) {
  const auto found = fontIds_.find(name);
  if (found == fontIds_.end()) return;
  // Without the application its font list is gone already.
  if (RunningGuiApplication()) QFontDatabase::removeApplicationFont(found->second);
  fontIds_.erase(found);
}

std::optional<int> TLangModule::FontId(const std::string& name) const {
  const auto found = fontIds_.find(name);
  if (found == fontIds_.end()) return std::nullopt;
  return found->second;
}

std::string TLangModule::SystemSettingsFile() {
  namespace fs = std::filesystem;
  const char* env = std::getenv("XDG_CONFIG_DIRS");
  std::string_view dirs = env && *env ? env : "/etc/xdg";
  while (!dirs.empty()) {
    const size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    // Relative entries are ignored, as the XDG rules demand.
    if (dir.empty() || dir.front() != '/') continue;
    const fs::path file = fs::path(dir) / kProgramBaseName / "tervan.ini";
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) return file.string();
  }
  return {};
}

std::optional<std::string> TLangModule::ReadLanguage(const platform::SettingsStore& store) {
  if (!store.contains(platform::SettingsStore::kLanguage)) return std::nullopt;
  return store.readString(platform::SettingsStore::kLanguage);
}
