#include "model/FastIni.h"

#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/TextCodec.h"
#include "platform/AtomicFile.h"

namespace {

// The part of a line before its first '='; lines without '=' have no name.
bool NameOf(std::string_view line, std::string_view& name) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = line.substr(0, eq);
  return true;
}

// One section: its lines in order and a lazily built index from a key to its last line.
struct Section {
  std::string name;
  std::vector<std::string> lines;
  mutable std::unordered_map<std::string, size_t> nameIndex;
  mutable bool indexValid = false;

  const std::unordered_map<std::string, size_t>& Index() const {
    if (!indexValid) {
      nameIndex.clear();
      std::string_view name;
      for (size_t i = 0; i < lines.size(); ++i) {
        if (NameOf(lines[i], name)) nameIndex[std::string(name)] = i;
      }
      indexValid = true;
    }
    return nameIndex;
  }
  // Index of the last line of key, or npos.
  size_t Find(const std::string& key) const {
    const auto& index = Index();
    auto it = index.find(key);
    return it == index.end() ? std::string::npos : it->second;
  }
  void Append(std::string line) {
    std::string_view name;
    if (indexValid && NameOf(line, name)) nameIndex[std::string(name)] = lines.size();
    lines.push_back(std::move(line));
  }
};

}  // namespace

struct TFastIni::Impl {
  std::vector<Section> sections;
  mutable std::unordered_map<std::string, size_t> sectionIndex;  // name -> its last section
  mutable bool sectionIndexValid = false;

  size_t Find(const std::string& name) const {
    if (!sectionIndexValid) {
      sectionIndex.clear();
      for (size_t i = 0; i < sections.size(); ++i) sectionIndex[sections[i].name] = i;
      sectionIndexValid = true;
    }
    auto it = sectionIndex.find(name);
    return it == sectionIndex.end() ? std::string::npos : it->second;
  }
  size_t Add(std::string_view name) {
    sections.emplace_back();
    sections.back().name.assign(name);
    if (sectionIndexValid) sectionIndex[sections.back().name] = sections.size() - 1;
    return sections.size() - 1;
  }
  Section& FindOrAdd(const std::string& name) {
    size_t i = Find(name);
    if (i == std::string::npos) i = Add(name);
    return sections[i];
  }
  void Erase(size_t i) {
    sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(i));
    sectionIndexValid = false;
  }

  // One line of a file or of SetStrings; current is the section lines go to (npos before the
  // first header, and under a header whose name was dropped). A name holding CR, LF or NUL is
  // dropped with what it names, and such characters elsewhere become blanks, so a save and a
  // load give this document back.
  void ParseLine(std::string_view line, size_t& current) {
    if (atStart) {
      atStart = false;
      line = StripLeadingMarks(line);
    }
    line = TrimText(line);
    if (line.empty() || line[0] == ';') return;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = TrimText(line.substr(1, line.size() - 2));
      current = HoldsLineBreakOrNul(name) ? std::string::npos : Add(name);
      return;
    }
    if (current == std::string::npos) return;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      sections[current].Append(MendLoaded(line));
    } else {
      const std::string_view key = TrimText(line.substr(0, eq));
      if (HoldsLineBreakOrNul(key)) return;
      std::string kv(key);
      kv.push_back('=');
      kv.append(MendLoaded(TrimText(line.substr(eq + 1))));
      sections[current].Append(std::move(kv));
    }
  }
  bool atStart = true;  // the next line is the document's first

  template <typename Fn>
  static void ForEachLine(std::string_view text, Fn&& fn) {
    TFastIni::ForEachLine(text, std::forward<Fn>(fn));
  }
  static void AppendLineSafe(std::string& out, std::string_view text) { TFastIni::AppendLineSafe(out, text); }
  static std::string_view StripLeadingMarks(std::string_view line) { return TFastIni::StripLeadingMarks(line); }
  static bool HoldsLineBreakOrNul(std::string_view text) { return TFastIni::HoldsLineBreakOrNul(text); }
  static std::string MendLoaded(std::string_view text) { return TFastIni::MendLoaded(text); }
};

TFastIni::TFastIni(std::string fileName) : TCustomIniFile(std::move(fileName)), impl_(std::make_unique<Impl>()) {
  LoadValues();
}

TFastIni::~TFastIni() = default;

bool TFastIni::SectionExists(const std::string& section) const {
  return impl_->Find(section) != std::string::npos;
}

std::string TFastIni::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  const size_t s = impl_->Find(section);
  if (s == std::string::npos) return defaultValue;
  const Section& sec = impl_->sections[s];
  const size_t i = sec.Find(key);
  if (i == std::string::npos) return defaultValue;
  return sec.lines[i].substr(key.size() + 1);
}

bool TFastIni::PeekValue(const std::string& section, const std::string& key, std::string_view& value) const {
  const size_t s = impl_->Find(section);
  if (s == std::string::npos) return false;
  const Section& sec = impl_->sections[s];
  const size_t i = sec.Find(key);
  if (i == std::string::npos) return false;
  value = std::string_view(sec.lines[i]).substr(key.size() + 1);
  return true;
}

void TFastIni::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  impl_->FindOrAdd(section).Append(std::move(line));
}

void TFastIni::WriteRawString(const std::string& section, const std::string& line) {
  impl_->FindOrAdd(section).Append(line);
}

void TFastIni::ReadSection(const std::string& section, std::vector<std::string>& names) const {
  names.clear();
  const size_t s = impl_->Find(section);
  if (s == std::string::npos) return;
  std::string_view name;
  for (const std::string& line : impl_->sections[s].lines) {
    names.emplace_back(NameOf(line, name) ? name : std::string_view());
  }
}

void TFastIni::ReadSections(std::vector<std::string>& names) const {
  names.clear();
  for (const Section& s : impl_->sections) names.push_back(s.name);
}

void TFastIni::ReadSectionValues(const std::string& section, std::vector<std::string>& lines) const {
  lines.clear();
  const size_t s = impl_->Find(section);
  if (s == std::string::npos) return;
  lines = impl_->sections[s].lines;
}

void TFastIni::EraseSection(const std::string& section) {
  const size_t s = impl_->Find(section);
  if (s != std::string::npos) impl_->Erase(s);
}

void TFastIni::DeleteKey(const std::string& section, const std::string& key) {
  const size_t s = impl_->Find(section);
  if (s == std::string::npos) return;
  Section& sec = impl_->sections[s];
  const size_t i = sec.Find(key);
  if (i == std::string::npos) return;
  sec.lines.erase(sec.lines.begin() + static_cast<std::ptrdiff_t>(i));
  sec.indexValid = false;
  if (sec.lines.empty()) impl_->Erase(s);
}

void TFastIni::UpdateFile() {
  if (FileName.empty()) return;
  const platform::FileResult r = impl_->sections.empty() ? platform::AtomicFile::remove(FileName)
                                                         : platform::AtomicFile::write(FileName, GetText());
  if (!r) throw EAbort(r.message);
}

bool TFastIni::ValueExists(const std::string& section, const std::string& key) const {
  const size_t s = impl_->Find(section);
  return s != std::string::npos && impl_->sections[s].Find(key) != std::string::npos;
}

void TFastIni::AddSection(const std::string& name) { impl_->Add(name); }

void TFastIni::Clear() {
  impl_->sections.clear();
  impl_->sectionIndex.clear();
  impl_->sectionIndexValid = false;
}

void TFastIni::GetStrings(std::vector<std::string>& lines) const {
  lines.clear();
  for (const Section& s : impl_->sections) {
    lines.push_back("[" + s.name + "]");
    lines.insert(lines.end(), s.lines.begin(), s.lines.end());
    lines.emplace_back();
  }
}

void TFastIni::SetStrings(const std::vector<std::string>& lines) {
  auto fresh = std::make_unique<Impl>();
  size_t current = std::string::npos;
  for (const std::string& line : lines) fresh->ParseLine(line, current);
  impl_ = std::move(fresh);
}

void TFastIni::LoadValues() {
  std::error_code ec;
  if (FileName.empty() ||
      std::filesystem::status(FileName, ec).type() == std::filesystem::file_type::not_found) {
    Clear();
    return;
  }
  std::string bytes;
  const platform::FileResult r = platform::AtomicFile::read(FileName, bytes);
  if (!r) throw EAbort(r.message);
  LoadFromBytes(bytes);
}

void TFastIni::Rename(const std::string& fileName, bool reload) {
  std::string old = std::exchange(FileName, fileName);
  if (!reload) return;
  try {
    LoadValues();
  } catch (...) {
    FileName = std::move(old);
    throw;
  }
}

void TFastIni::LoadFromBytes(std::string_view bytes) {
  auto fresh = std::make_unique<Impl>();
  size_t current = std::string::npos;
  const std::string text = DecodeTextFile(bytes);
  Impl::ForEachLine(text, [&](std::string_view line) { fresh->ParseLine(line, current); });
  impl_ = std::move(fresh);
}

std::string TFastIni::GetText() const {
  std::string out;
  for (const Section& s : impl_->sections) {
    out.push_back('[');
    Impl::AppendLineSafe(out, s.name);
    out.append("]\r\n");
    for (const std::string& line : s.lines) {
      Impl::AppendLineSafe(out, line);
      out.append("\r\n");
    }
    out.append("\r\n");
  }
  return out;
}
