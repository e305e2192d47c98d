#include "platform/SettingsStore.h"

#include <sys/stat.h>

#include <charconv>
#include <utility>

#include "platform/Paths.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// True when anything (file, folder, ...) sits at path, even a link to nothing.
bool SomethingAt(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

SettingsStore::SettingsStore() : SettingsStore(Paths::configFile()) {}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) { reload(); }

bool SettingsStore::isValidKey(std::string_view key) {
  if (key.empty() || IsBlank(key.front()) || IsBlank(key.back())) return false;
  if (key.front() == '#' || key.front() == ';') return false;
  return key.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

std::vector<SettingsStore::Line> SettingsStore::parse(std::string_view bytes) {
  std::vector<Line> lines;
  // Every leading mark goes: a rewrite keeps none, so a second one left here would turn into
  // the first at the next write and change what the first line means.
  while (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    Line line;
    line.text.assign(bytes.substr(pos, end - pos));
    pos = end + 1;

    std::string_view content = line.text;
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    if (content.find('\0') == std::string_view::npos) {
      std::string_view lead = Trim(content);
      size_t eq = content.find('=');
      if (!lead.empty() && lead.front() != '#' && lead.front() != ';' && eq != std::string_view::npos) {
        std::string_view key = Trim(content.substr(0, eq));
        if (isValidKey(key)) {
          line.key.assign(key);
          line.valueStart = eq + 1;
          line.valueEnd = content.size();
        }
      }
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string SettingsStore::serialise(const std::vector<Line>& lines) {
  size_t size = 0;
  for (const Line& l : lines) size += l.text.size() + 1;
  std::string out;
  out.reserve(size);
  for (const Line& l : lines) {
    out += l.text;
    out += '\n';
  }
  return out;
}

long SettingsStore::find(const std::vector<Line>& lines, std::string_view key) {
  for (size_t i = lines.size(); i-- > 0;) {
    if (!lines[i].key.empty() && EqualsNoCase(lines[i].key, key)) return static_cast<long>(i);
  }
  return -1;
}

FileResult SettingsStore::reload() {
  lines_.clear();
  std::string bytes;
  FileResult r = AtomicFile::read(path_, bytes);
  if (!r) return SomethingAt(path_) ? r : FileResult{};
  lines_ = parse(bytes);
  return {};
}

bool SettingsStore::contains(std::string_view key) const { return find(lines_, key) >= 0; }

std::string SettingsStore::readString(std::string_view key, std::string_view defaultValue) const {
  long i = find(lines_, key);
  if (i < 0) return std::string(defaultValue);
  const Line& l = lines_[static_cast<size_t>(i)];
  return l.text.substr(l.valueStart, l.valueEnd - l.valueStart);
}

int SettingsStore::readInteger(std::string_view key, int defaultValue) const {
  long i = find(lines_, key);
  if (i < 0) return defaultValue;
  const Line& l = lines_[static_cast<size_t>(i)];
  std::string_view text = Trim(std::string_view(l.text).substr(l.valueStart, l.valueEnd - l.valueStart));
  // from_chars takes a '-' but no '+'; a sign must be followed by a digit.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return defaultValue;
  }
  int value = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || text.empty()) return defaultValue;
  return value;
}

FileResult SettingsStore::change(std::string_view key, const std::string* value) {
  if (!isValidKey(key)) {
    return FileResult{false, "Cannot write setting \"" + std::string(key) + "\" to \"" + path_ + "\": invalid key"};
  }
  std::vector<Line> lines;
  std::string bytes;
  FileResult r = AtomicFile::read(path_, bytes);
  if (r) {
    lines = parse(bytes);
  } else if (SomethingAt(path_)) {
    return r;  // there but unreadable: keep it rather than lose what it holds
  }

  if (value) {
    Line line;
    line.key.assign(key);
    line.text = line.key + "=" + *value;
    line.valueStart = line.key.size() + 1;
    line.valueEnd = line.text.size();
    long i = find(lines, key);
    if (i >= 0) {
      lines[static_cast<size_t>(i)] = std::move(line);
    } else {
      lines.push_back(std::move(line));
    }
  } else {
    std::vector<Line> kept;
    kept.reserve(lines.size());
    for (Line& l : lines) {
      if (l.key.empty() || !EqualsNoCase(l.key, key)) kept.push_back(std::move(l));
    }
    if (kept.size() == lines.size()) {
      lines_ = std::move(kept);
      return {};
    }
    lines = std::move(kept);
  }

  r = AtomicFile::write(path_, serialise(lines));
  if (r) lines_ = std::move(lines);
  return r;
}

FileResult SettingsStore::writeString(std::string_view key, std::string_view value) {
  std::string clean(value);
  for (char& c : clean) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return change(key, &clean);
}

FileResult SettingsStore::writeInteger(std::string_view key, int value) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  std::string text(buf, res.ptr);
  return change(key, &text);
}

FileResult SettingsStore::remove(std::string_view key) {
  if (!isValidKey(key)) {
    return FileResult{false, "Cannot remove setting \"" + std::string(key) + "\" from \"" + path_ + "\": invalid key"};
  }
  return change(key, nullptr);
}

}  // namespace platform
