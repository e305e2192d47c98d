#include "automation/ScpiParser.h"

#include <cstdint>

namespace automation::scpi {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool IsMnemonicChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits at the separator outside quotes; false when a quote is left open.
bool Split(std::string_view text, char separator, std::vector<std::string_view>& parts) {
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return quote == 0;
}

// One parameter; 0 or the error.
int ParseParameter(std::string_view text, Parameter& out) {
  text = Trim(text);
  if (text.empty()) return kMissingParameter;
  if (text.front() == '"' || text.front() == '\'') {
    const char q = text.front();
    out.Type = Parameter::Kind::String;
    size_t i = 1;
    for (;;) {
      if (i >= text.size()) return kSyntaxError;
      if (text[i] == q) {
        if (i + 1 < text.size() && text[i + 1] == q) {
          out.Text += q;
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      out.Text += text[i++];
    }
    return Trim(text.substr(i)).empty() ? 0 : kSyntaxError;
  }
  for (char c : text) {
    if (c == '"' || c == '\'') return kSyntaxError;
  }
  out.Type = Parameter::Kind::Data;
  out.Text = std::string(text);
  return 0;
}

Command ParseCommand(std::string_view text) {
  Command cmd;
  size_t i = 0;
  // The header ends at the first blank.
  while (i < text.size() && !IsBlank(text[i])) ++i;
  std::string_view header = text.substr(0, i);
  std::string_view rest = text.substr(i);
  if (!header.empty() && header.back() == '?') {
    cmd.Query = true;
    header.remove_suffix(1);
  }
  if (!header.empty() && header.front() == '*') {
    cmd.Common = true;
    header.remove_prefix(1);
  } else if (!header.empty() && header.front() == ':') {
    cmd.Absolute = true;
    header.remove_prefix(1);
  }
  if (header.empty()) {
    cmd.Error = kSyntaxError;
    return cmd;
  }
  size_t start = 0;
  for (size_t k = 0; k <= header.size(); ++k) {
    if (k == header.size() || header[k] == ':') {
      std::string_view m = header.substr(start, k - start);
      if (m.empty() || (cmd.Common && k != header.size())) {
        cmd.Error = kSyntaxError;
        return cmd;
      }
      cmd.Mnemonics.emplace_back(m);
      start = k + 1;
    } else if (!IsMnemonicChar(header[k])) {
      cmd.Error = kSyntaxError;
      return cmd;
    }
  }
  rest = Trim(rest);
  if (rest.empty()) return cmd;
  std::vector<std::string_view> parts;
  if (!Split(rest, ',', parts)) {
    cmd.Error = kSyntaxError;
    return cmd;
  }
  for (std::string_view p : parts) {
    Parameter param;
    if (int e = ParseParameter(p, param)) {
      cmd.Error = e;
      return cmd;
    }
    cmd.Params.push_back(std::move(param));
  }
  return cmd;
}

}  // namespace

const char* TransportErrorText(int number) {
  switch (number) {
    case kInvalidCharacter: return "Invalid character";
    case kSyntaxError: return "Syntax error";
    case kDataTypeError: return "Data type error";
    case kParameterNotAllowed: return "Parameter not allowed";
    case kMissingParameter: return "Missing parameter";
    case kUndefinedHeader: return "Undefined header";
    case kTooMuchData: return "Too much data";
    case kQueueOverflow: return "Queue overflow";
    default: return "Error";
  }
}

bool IsCleanText(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra = 0;
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<size_t>(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

std::vector<Command> ParseLine(std::string_view line) {
  std::vector<Command> out;
  std::vector<std::string_view> parts;
  if (!Split(line, ';', parts)) {
    // An open quote: the commands before it stand, the one that holds it is a syntax error.
    std::vector<std::string_view> closed;
    for (size_t k = 0; k + 1 < parts.size(); ++k) closed.push_back(parts[k]);
    for (std::string_view p : closed) {
      if (!Trim(p).empty()) out.push_back(ParseCommand(Trim(p)));
    }
    Command bad;
    bad.Error = kSyntaxError;
    out.push_back(bad);
    return out;
  }
  for (std::string_view p : parts) {
    p = Trim(p);
    if (!p.empty()) out.push_back(ParseCommand(p));
  }
  return out;
}

}  // namespace automation::scpi
