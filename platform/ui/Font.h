#pragma once
// A font as the forms and the chart name it: a face name, a size in points (or, when negative,
// a character height in pixels), a colour and a style. Sizes do not follow the screen's DPI: a
// point is 96/72 pixel, so 9 pt is 12 px everywhere. "Lucida Console" and "Tahoma" are drawn
// with DejaVu Sans Mono and DejaVu Sans.
#include <QFont>
#include <string>

#include "platform/ui/Color.h"

namespace ui {

struct Font {
  std::string Name = "Tahoma";
  int Size = 9;  // points; negative: -Size is the character height in pixels
  TColor Color = clBlack;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;

  Font() = default;
  Font(std::string name, int size, TColor color = clBlack)
      : Name(std::move(name)), Size(size), Color(color) {}

  bool operator==(const Font&) const = default;

  // The character height in pixels: MulDiv(Size, 96, 72) for points, -Size for pixels.
  int PixelSize() const;
  // The family Qt draws with: the stand-ins for the two fonts the program names, else Name.
  static std::string FamilyFor(const std::string& name);
  // The Qt font: pixel size, no antialiasing, no kerning (widths add up as on the original).
  QFont ToQFont() const;
};

// Rounded a * b / c with halves away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c);

}  // namespace ui
