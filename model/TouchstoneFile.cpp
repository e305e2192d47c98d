#include "model/TouchstoneFile.h"

#include <charconv>
#include <cmath>

#include "model/Utils.h"
#include "platform/Paths.h"

std::string SParameterName(int index) {
  switch (index) {
    case 0: return "S11";
    case 1: return "S21";
    case 2: return "S12";
    case 3: return "S22";
    default: return "";
  }
}

std::string TouchstoneFilePath(const std::string& name, int touchType) {
  std::string path = name;
  if (path.find('/') == std::string::npos) path = platform::Paths::folder("Touchstone") + "/" + path;
  return SetDefaultExtension(path, touchType == 1 ? ".s2p" : ".s1p");
}

std::string TouchstoneNumber(double value, bool signSlot) {
  if (!std::isfinite(value) || value == 0.0) value = 0.0;  // also turns -0 into +0
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 8);
  std::string text;
  if (signSlot && value >= 0) text += ' ';
  for (const char* p = buf; p != res.ptr; ++p) text += *p == 'e' ? 'E' : *p;
  return text;
}
