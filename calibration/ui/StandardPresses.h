#pragma once
// What the calibration windows share about their standards: a press per standard, its caption
// left after the blank, and beside it a square that turns light green once the standard is
// measured.
#include <initializer_list>
#include <utility>

#include "platform/ui/Color.h"

class TCalibr;
class TLbButton;
class TTouchForm;
namespace ui {
class Panel;
}

constexpr ui::TColor kStandardMeasuredColor = 0x80FF80;
constexpr ui::TColor kStandardNotMeasuredColor = 0xC0C0C0;

struct TStandardPress {
  const char* Word;  // "Open": the press btOpen captioned with the translated word, the square pnOpen
  TLbButton** Button;
  ui::Panel** Square;
};
// The presses, then their squares, none measured yet.
void MakeStandardPresses(TTouchForm& form, std::initializer_list<TStandardPress> presses);
// Each press on its own row from firstRow down, its square at the row's right end in front.
void PlaceStandards(std::initializer_list<std::pair<TLbButton*, ui::Panel*>> presses, int firstRow, int formWidth);
// The squares of Open, Short and Load as the calibration holds them on the device's reflection
// port (none measured without a calibration).
void ShowMeasuredStandards(const TCalibr* calibration, ui::Panel& open, ui::Panel& shrt, ui::Panel& load);
// The device's reflection and transmission ports (0 and 1 without a device).
int ReflectionIndex();
int TransmissionIndex();
