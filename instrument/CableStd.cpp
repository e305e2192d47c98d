#include "instrument/CableStd.h"

#include <algorithm>

#include "model/TextCodec.h"

TCableStd::TCableStd(std::string_view name, double velocity, double loss, double frequency)
    : Velocity(velocity), Loss(loss), Frequency(frequency), Name(FitName(name)) {}

std::string TCableStd::FitName(std::string_view name) {
  std::u16string units = Utf8ToUtf16(name);
  if (units.size() <= static_cast<size_t>(MaxNameLength)) return Utf16ToUtf8(units);
  units.resize(static_cast<size_t>(MaxNameLength));
  // A high surrogate at the end has lost its partner.
  const char16_t last = units.back();
  if (last >= 0xD800 && last <= 0xDBFF) units.pop_back();
  return Utf16ToUtf8(units);
}

double TCableStd::ClampVelocity(double v) { return std::clamp(v, MinVelocity, MaxVelocity); }

double TCableStd::ClampLoss(double loss) { return std::clamp(loss, MinLoss, MaxLoss); }
