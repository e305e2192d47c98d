#include "instrument/CmdReply.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr size_t kMeasuredRe = 2, kMeasuredIm = 6, kReferenceRe = 10, kReferenceIm = 14;

}  // namespace

uint16_t TCmdReply::GetU16(size_t offset) const {
  if (offset + 1 >= Size) return 0;
  return static_cast<uint16_t>(Bytes_[offset] | (Bytes_[offset + 1] << 8));
}

void TCmdReply::SetU16(size_t offset, uint16_t value) {
  if (offset + 1 >= Size) return;
  Bytes_[offset] = static_cast<uint8_t>(value);
  Bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
}

float TCmdReply::GetF32(size_t offset) const {
  if (offset + 3 >= Size) return 0.0f;
  const uint32_t bits = static_cast<uint32_t>(Bytes_[offset]) | (static_cast<uint32_t>(Bytes_[offset + 1]) << 8) |
                        (static_cast<uint32_t>(Bytes_[offset + 2]) << 16) |
                        (static_cast<uint32_t>(Bytes_[offset + 3]) << 24);
  return std::bit_cast<float>(bits);
}

void TCmdReply::SetF32(size_t offset, float value) {
  if (offset + 3 >= Size) return;
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  for (size_t k = 0; k < 4; ++k) Bytes_[offset + k] = static_cast<uint8_t>(bits >> (8 * k));
}

void TCmdReply::WriteTo(uint8_t* out) const { std::memcpy(out, Bytes_.data(), Size); }

TCmdReply TCmdReply::ReadFrom(const uint8_t* in) {
  TCmdReply r;
  std::memcpy(r.Bytes_.data(), in, Size);
  return r;
}

std::optional<TCmdReply> TCmdReply::FromBytes(const uint8_t* data, size_t size) {
  if (!data || size < Size) return std::nullopt;
  return ReadFrom(data);
}

TCmdReply::TKind TCmdReply::Classify(uint32_t pointCount) const {
  const uint16_t code = GetCode();
  if (code == TemperatureCode) return TKind::Temperature;
  if (code == SyncEchoCode) return TKind::SyncEcho;
  if (code == EndCode) return TKind::End;
  if (code < pointCount) return TKind::Point;
  return TKind::Other;
}

TCmdReply TCmdReply::Point(uint16_t index, const TComplex& measured, const TComplex& reference) {
  TCmdReply r(index);
  r.SetF32(kMeasuredRe, static_cast<float>(measured.Re));
  r.SetF32(kMeasuredIm, static_cast<float>(measured.Im));
  r.SetF32(kReferenceRe, static_cast<float>(reference.Re));
  r.SetF32(kReferenceIm, static_cast<float>(reference.Im));
  return r;
}

TCmdReply TCmdReply::End(bool beep) {
  TCmdReply r(EndCode);
  if (beep) std::fill(r.Bytes_.begin() + 2, r.Bytes_.end(), uint8_t{0xFF});
  return r;
}

TCmdReply TCmdReply::Temperature(int raw) {
  raw = std::clamp(raw, -512, 511);
  TCmdReply r(TemperatureCode);
  // The signed top eight bits, then the low two bits in the top of the next byte.
  const int high = raw >= 0 ? raw / 4 : -((-raw + 3) / 4);  // floor(raw / 4)
  r.SetByte(2, static_cast<uint8_t>(high & 0xFF));
  r.SetByte(3, static_cast<uint8_t>((raw - high * 4) << 6));
  return r;
}

TCmdReply TCmdReply::SyncEcho(uint16_t counter) {
  TCmdReply r(SyncEchoCode);
  r.SetU16(2, counter);
  return r;
}

TComplex TCmdReply::GetMeasuredWave() const {
  return TComplex{static_cast<double>(GetF32(kMeasuredRe)), static_cast<double>(GetF32(kMeasuredIm))};
}

TComplex TCmdReply::GetReferenceWave() const {
  return TComplex{static_cast<double>(GetF32(kReferenceRe)), static_cast<double>(GetF32(kReferenceIm))};
}

bool TCmdReply::HasFiniteReadings() const {
  for (size_t offset : {kMeasuredRe, kMeasuredIm, kReferenceRe, kReferenceIm}) {
    if (!std::isfinite(GetF32(offset))) return false;
  }
  return true;
}

bool TCmdReply::IsBeepRequest() const {
  return std::all_of(Bytes_.begin() + 2, Bytes_.end(), [](uint8_t b) { return b == 0xFF; });
}

int TCmdReply::GetTemperatureRaw() const {
  const int high = static_cast<int8_t>(GetByte(2));
  return high * 4 + (GetByte(3) >> 6);
}

double SmoothTemperature(double stored, double reading) {
  if (stored == TCmdReply::UnsetTemperature) return reading;
  return (4.0 * stored + reading) * 0.2;
}
