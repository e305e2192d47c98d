// Build tool: turns the translation table kept in the repository as UTF-8 text into the
// resource the language module reads: UTF-16 big-endian with a byte-order mark, one
// "key"="value" pair per line, lines ended by CR LF.
//
//   tervan_translation_tool <table.txt> <output>
//
// In the UTF-8 table, blank lines and lines that begin with '#' are notes and are left out.
// Every other line must be a pair: a double quote, the key, '"="', the value, a double quote,
// neither key nor value empty. The tool refuses invalid UTF-8, any other line and a key given
// twice, naming the line, so a slip in the table stops the build instead of losing a text.
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// Decodes strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool DecodeUtf8(const std::string& text, std::vector<char32_t>& out) {
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0;
    size_t n = 0;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      n = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      n = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      n = 3;
    } else {
      return false;
    }
    if (i + n >= text.size()) return false;  // the character is cut short
    for (size_t k = 1; k <= n; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    out.push_back(cp);
    i += n + 1;
  }
  return true;
}

void AppendUtf16Be(std::string& out, char32_t cp) {
  auto unit = [&out](unsigned u) {
    out.push_back(static_cast<char>((u >> 8) & 0xFF));
    out.push_back(static_cast<char>(u & 0xFF));
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    unit(0xD800 + static_cast<unsigned>(cp >> 10));
    unit(0xDC00 + static_cast<unsigned>(cp & 0x3FF));
  } else {
    unit(static_cast<unsigned>(cp));
  }
}

// The key of a pair line, or an empty text when the line is no pair.
std::string KeyOfPair(const std::string& line) {
  const size_t eq = line.find('=');
  if (line.size() < 2 || line.front() != '"' || line.back() != '"') return {};
  if (eq == std::string::npos || eq < 2 || eq + 2 > line.size() - 1) return {};
  if (line[eq - 1] != '"' || line[eq + 1] != '"') return {};
  if (eq + 2 == line.size() - 1) return {};  // empty value
  return line.substr(1, eq - 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tervan_translation_tool <table.txt> <output>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << argv[1] << ": cannot be read\n";
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string out("\xFE\xFF", 2);
  std::map<std::string, size_t> seen;
  std::vector<char32_t> codePoints;
  size_t lineNo = 0;
  size_t start = 0;
  bool failed = false;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNo == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    const std::string where = std::string(argv[1]) + ":" + std::to_string(lineNo) + ": ";
    if (!DecodeUtf8(line, codePoints)) {
      std::cerr << where << "not valid UTF-8\n";
      failed = true;
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    const std::string key = KeyOfPair(line);
    if (key.empty()) {
      std::cerr << where << "not a \"key\"=\"value\" pair with a key and a value\n";
      failed = true;
      continue;
    }
    if (const auto [it, added] = seen.emplace(key, lineNo); !added) {
      std::cerr << where << "the key \"" << key << "\" is given on line " << it->second << " already\n";
      failed = true;
      continue;
    }
    for (char32_t cp : codePoints) AppendUtf16Be(out, cp);
    AppendUtf16Be(out, U'\r');
    AppendUtf16Be(out, U'\n');
  }
  if (failed) return 1;
  std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  file.close();
  if (!file) {
    std::cerr << argv[2] << ": cannot be written\n";
    return 1;
  }
  return 0;
}
