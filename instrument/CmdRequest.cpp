#include "instrument/CmdRequest.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Offsets inside one synthesizer's five point-record fields.
constexpr size_t kLF = 0, kPllCtrl = 2, kDividers = 4, kFrac16 = 6, kFrac8 = 9;

constexpr uint16_t Low16(uint32_t word) { return static_cast<uint16_t>(word & 0xFFFF); }

size_t SynthBase(TCmdRequest::TSynth synth) {
  return synth == TCmdRequest::Signal ? TCmdRequest::SignalOffset : TCmdRequest::HeterodyneOffset;
}

size_t WordsBase(TCmdRequest::TSynth synth) {
  return synth == TCmdRequest::Signal ? TCmdRequest::SignalWordsOffset : TCmdRequest::HeterodyneWordsOffset;
}

constexpr int64_t kMaxTicks = 0xFFFF;

// 200 ticks per ms of point delay. The channel keeps its delays on the 5 us grid, but a product
// such as 0.145 x 200 comes out as 28.999999999999996; the small allowance keeps such a delay
// at its own tick instead of one below.
int64_t PointDelayTicks(double pointDelayMs) {
  if (!(pointDelayMs > 0)) return 0;  // also NaN
  const double ticks = pointDelayMs * 200.0 + 1e-6;
  if (!(ticks < static_cast<double>(kMaxTicks))) return kMaxTicks;  // also +inf
  return static_cast<int64_t>(ticks);
}

int64_t MicrosecondTicks(int32_t us) { return us > 0 ? us / 5 : 0; }

uint16_t Saturate(int64_t ticks) { return static_cast<uint16_t>(std::min(ticks, kMaxTicks)); }

}  // namespace

uint16_t TCmdRequest::GetU16(size_t offset) const {
  if (offset + 1 >= Size) return 0;
  return static_cast<uint16_t>(Bytes_[offset] | (Bytes_[offset + 1] << 8));
}

void TCmdRequest::SetU16(size_t offset, uint16_t value) {
  if (offset + 1 >= Size) return;
  Bytes_[offset] = static_cast<uint8_t>(value);
  Bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void TCmdRequest::WriteTo(uint8_t* out) const { std::memcpy(out, Bytes_.data(), Size); }

TCmdRequest TCmdRequest::ReadFrom(const uint8_t* in) {
  TCmdRequest r;
  std::memcpy(r.Bytes_.data(), in, Size);
  return r;
}

TCmdRequest TCmdRequest::Synth(const TSynthWords& signal, const TSynthWords& heterodyne, bool signalOn,
                               bool heterodyneOn) {
  TCmdRequest r(SynthCode);
  for (size_t k = 0; k < SynthWordCount; ++k) {
    r.SetU16(SignalWordsOffset + 2 * k, Low16(signal[k]));
    r.SetU16(HeterodyneWordsOffset + 2 * k, Low16(heterodyne[k]));
  }
  r.SetByte(SignalOnOffset, signalOn ? 1 : 0);
  r.SetByte(HeterodyneOnOffset, heterodyneOn ? 1 : 0);
  return r;
}

TCmdRequest TCmdRequest::Timing(uint16_t ticks, uint16_t ifCode, bool lowPower) {
  TCmdRequest r(TimingCode);
  r.SetU16(2, ticks);
  r.SetU16(4, ifCode);
  r.SetU16(8, lowPower ? 1 : 0);
  return r;
}

TCmdRequest TCmdRequest::Sync(uint16_t counter) {
  TCmdRequest r(SyncCode);
  r.SetU16(2, counter);
  return r;
}

TCmdRequest TCmdRequest::ClockSource(bool external) {
  TCmdRequest r(ClockCode);
  r.SetByte(2, external ? 1 : 0);
  return r;
}

void TCmdRequest::SetSynthFields(TSynth synth, uint32_t lfWord, uint32_t pllCtrlWord, const TPllSettings& plan) {
  const size_t base = SynthBase(synth);
  SetU16(base + kLF, Low16(lfWord));
  SetU16(base + kPllCtrl, PackPllCtrl(pllCtrlWord, plan.R));
  SetU16(base + kDividers, PackDividers(plan.N, plan.LoDiv, plan.Prescaler));
  SetU16(base + kFrac16, static_cast<uint16_t>(plan.Frac16));
  SetByte(base + kFrac16 + 2, 0);
  SetByte(base + kFrac8, static_cast<uint8_t>(plan.Frac8));
}

TCmdRequest::TSynthFields TCmdRequest::GetSynthFields(TSynth synth) const {
  const size_t base = SynthBase(synth);
  TSynthFields f;
  f.LF = GetU16(base + kLF);
  f.PllCtrl = GetU16(base + kPllCtrl);
  const uint16_t dividers = GetU16(base + kDividers);
  f.Plan.R = (f.PllCtrl >> 12) & 7;
  f.Plan.N = (dividers >> 7) & 0x1FF;
  f.Plan.LoDiv = (dividers >> 4) & 7;
  switch ((dividers >> 2) & 3) {
    case 1: f.Plan.Prescaler = 2; break;
    case 2: f.Plan.Prescaler = 4; break;
    default: f.Plan.Prescaler = 0; break;
  }
  f.Plan.Frac16 = GetU16(base + kFrac16);
  f.Plan.Frac8 = GetByte(base + kFrac8);
  f.Plan.Band = synth == Signal ? GetBand() : 0;
  return f;
}

TCmdRequest::TSynthWords TCmdRequest::GetSynthWords(TSynth synth) const {
  TSynthWords words{};
  const size_t base = WordsBase(synth);
  for (size_t k = 0; k < SynthWordCount; ++k) words[k] = GetU16(base + 2 * k);
  return words;
}

bool TCmdRequest::GetOutputOn(TSynth synth) const {
  return GetByte(synth == Signal ? SignalOnOffset : HeterodyneOnOffset) == 1;
}

uint16_t TCmdRequest::PrescalerCode(int32_t prescaler) {
  switch (prescaler) {
    case 2: return 1;
    case 4: return 2;
    default: return 0;
  }
}

uint16_t TCmdRequest::PackDividers(int32_t n, int32_t loDiv, int32_t prescaler) {
  const uint32_t packed = ((static_cast<uint32_t>(n) & 0x1FF) << 7) | ((static_cast<uint32_t>(loDiv) & 7) << 4) |
                          (static_cast<uint32_t>(PrescalerCode(prescaler)) << 2);
  return static_cast<uint16_t>(packed);
}

uint16_t TCmdRequest::PackPllCtrl(uint32_t pllCtrlWord, int32_t r) {
  return static_cast<uint16_t>((pllCtrlWord & 0x8FFF) | ((static_cast<uint32_t>(r) & 7) << 12));
}

// ---- Timing conversions ---------------------------------------------------------------------

uint16_t IFBandwidthCode(int32_t hz) {
  if (hz < 1) return 0;
  // Below 10 Hz the mantissa is the bandwidth itself with exponent 0: an exponent of e - 1 = -1
  // would set the top byte to 0xFF and read back as 10^255.
  if (hz < 10) return static_cast<uint16_t>(hz);
  int e = 0;
  int64_t p = 1;  // 10^e <= hz < 10^(e + 1)
  while (p * 10 <= hz) {
    p *= 10;
    ++e;
  }
  const int64_t unit = p / 10;  // 10^(e - 1)
  // Rounded half away from zero; exact, where a division in doubles could land just below .5.
  const int64_t m = (hz + unit / 2) / unit;
  return static_cast<uint16_t>((static_cast<uint32_t>(e - 1) << 8) | static_cast<uint32_t>(m));
}

double IFBandwidthFromCode(uint16_t code) {
  constexpr double kMaxBandwidth = 1e7;
  const int exponent = code >> 8;
  const int mantissa = code & 0xFF;
  if (mantissa == 0) return 0.0;
  if (exponent >= 7) return kMaxBandwidth;
  return std::min(kMaxBandwidth, std::pow(10.0, exponent) * mantissa);
}

uint16_t DelayTicks(int32_t measureDelayUs, double pointDelayMs) {
  return Saturate(MicrosecondTicks(measureDelayUs) + PointDelayTicks(pointDelayMs));
}

uint16_t BackScanDelayTicks(int32_t measureDelayUs, int32_t backScanDelayUs, double pointDelayMs) {
  const int64_t base = std::max(MicrosecondTicks(measureDelayUs), MicrosecondTicks(backScanDelayUs));
  return Saturate(base + PointDelayTicks(pointDelayMs));
}
