#include "platform/ui/Color.h"

namespace ui {

QRgb ToQRgb(TColor color) {
  const unsigned r = color & 0xFFu;
  const unsigned g = (color >> 8) & 0xFFu;
  const unsigned b = (color >> 16) & 0xFFu;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

TColor FromQRgb(QRgb rgb) {
  const unsigned r = (rgb >> 16) & 0xFFu;
  const unsigned g = (rgb >> 8) & 0xFFu;
  const unsigned b = rgb & 0xFFu;
  return r | (g << 8) | (b << 16);
}

}  // namespace ui
