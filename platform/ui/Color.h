#pragma once
// Colours above this layer are 0x00BBGGRR (red in the low byte), as the look, the chart and
// every dialog store them. Only these two functions turn them into Qt colours and back.
#include <QColor>
#include <QRgb>
#include <cstdint>

namespace ui {

using TColor = uint32_t;

// The named colours the forms use.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clBtnFace = 0xF0F0F0;
// What a pixel read outside the picture gives.
inline constexpr TColor clInvalid = 0xFFFFFFFF;
// The key colour of the see-through parts of a borderless form.
inline constexpr TColor clFormKey = clPurple;

// 0x00BBGGRR -> Qt's 0xAARRGGBB, opaque. The top byte of the input is ignored.
QRgb ToQRgb(TColor color);
inline QColor ToQColor(TColor color) { return QColor::fromRgb(ToQRgb(color)); }
// Qt's 0xAARRGGBB -> 0x00BBGGRR; alpha is dropped.
TColor FromQRgb(QRgb rgb);

}  // namespace ui
