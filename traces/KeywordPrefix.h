#pragma once
// The keyword rule of the marker and analysis setters: a text selects a keyword when it begins
// with it, ASCII letters compared without regard to case.
#include <string_view>

inline bool StartsWithKeyword(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char a = text[i];
    char b = keyword[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}
