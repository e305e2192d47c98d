#include "shell/ScreenShotNumber.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kLastNumber = 99998;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The number in a name "scr?????.png" whose five characters are digits; -1 otherwise.
int NumberOf(const std::string& name) {
  if (name.size() != 12)
    return -1;
  static const char kPrefix[] = "scr";
  static const char kSuffix[] = ".png";
  for (int i = 0; i < 3; ++i)
    if (Lower(name[i]) != kPrefix[i])
      return -1;
  for (int i = 0; i < 4; ++i)
    if (Lower(name[8 + i]) != kSuffix[i])
      return -1;
  int n = 0;
  for (int i = 3; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9')
      return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

}  // namespace

std::optional<int> ChooseScreenShotNumber(const std::vector<std::string>& names) {
  std::vector<bool> used(kLastNumber + 2, false);
  int largest = -1;
  for (const std::string& name : names) {
    const int n = NumberOf(name);
    if (n < 0)
      continue;
    if (n <= kLastNumber + 1)
      used[n] = true;
    largest = std::max(largest, n);
  }
  if (largest + 1 <= kLastNumber)
    return largest + 1;
  for (int n = 0; n <= kLastNumber; ++n)
    if (!used[n])
      return n;
  return std::nullopt;
}

std::string ScreenShotName(int number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "scr%05d.png", number);
  return buffer;
}

std::vector<std::string> RegularFileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError))
      names.push_back(it->path().filename().string());
  }
  return names;
}
