#include "platform/ui/Font.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

namespace ui {

namespace {

bool SameAsciiName(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t p = static_cast<int64_t>(a) * b;
  const int64_t half = std::llabs(c) / 2;
  const bool negative = (p < 0) != (c < 0);
  const int64_t q = (std::llabs(p) + half) / std::llabs(c);
  return static_cast<int>(negative ? -q : q);
}

int Font::PixelSize() const {
  if (Size < 0) return -Size;
  const int px = MulDiv(Size, 96, 72);
  return px < 1 ? 1 : px;
}

std::string Font::FamilyFor(const std::string& name) {
  if (SameAsciiName(name, "Lucida Console")) return "DejaVu Sans Mono";
  if (SameAsciiName(name, "Tahoma")) return "DejaVu Sans";
  return name;
}

QFont Font::ToQFont() const {
  QFont f(QString::fromStdString(FamilyFor(Name)));
  f.setPixelSize(PixelSize());
  f.setBold(Bold);
  f.setItalic(Italic);
  f.setUnderline(Underline);
  f.setKerning(false);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

}  // namespace ui
