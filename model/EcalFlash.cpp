#include "model/EcalFlash.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "model/Crc32.h"
#include "model/LittleEndian.h"
#include "model/TextCodec.h"
#include "model/Utils.h"

namespace ecal {

namespace {

constexpr double kLevelSpan = 16777215.0;  // 2^24 - 1
constexpr double kPhaseSpan = 8388607.0;   // 2^23 - 1
constexpr double kThermalSpan = 65535.0;

int16_t GetI16(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }
void PutI16(uint8_t* p, int16_t v) {
  p[0] = static_cast<uint8_t>(static_cast<uint16_t>(v));
  p[1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
}

std::string GetText(const uint8_t* p, size_t width) {
  const auto* s = reinterpret_cast<const char*>(p);
  const size_t n = static_cast<size_t>(std::find(s, s + width, '\0') - s);
  return Decode8Bit(std::string_view(s, n));
}

void PutText(uint8_t* p, size_t width, const std::string& text) {
  std::memset(p, 0, width);
  std::memcpy(p, text.data(), std::min(text.size(), width - 1));
}

int16_t ClampI16(double v) {
  if (!(v == v)) return 0;
  return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
}

// Bytes of the image from address on; past its end erased flash.
void CopyOut(const std::vector<uint8_t>& image, uint64_t address, size_t length, uint8_t* out) {
  for (size_t i = 0; i < length; ++i) {
    const uint64_t a = address + i;
    out[i] = a < image.size() ? image[static_cast<size_t>(a)] : 0xFF;
  }
}

bool ReadChecked(const std::vector<uint8_t>& image, uint64_t& address, size_t length, std::vector<uint8_t>& out) {
  out.resize(length + kCrcSize);
  CopyOut(image, address, length + kCrcSize, out.data());
  address += length + kCrcSize;
  return CheckBlock(out.data(), length);
}

}  // namespace

int BlockCount(int model) { return model == 1 ? 18 : 14; }
int ThermalTableCount(int model) { return model == 1 ? 18 : 14; }

bool CharacterizationAddress(int n, uint32_t& address) {
  if (n == 0) {
    address = kFactoryAddress;
    return true;
  }
  if (n >= 1 && n <= 3) {
    address = kUserBase + static_cast<uint32_t>(n - 1) * kUserAreaSize;
    return true;
  }
  return false;
}

bool CharacterizationLimit(int n, uint64_t& limit) {
  uint32_t address = 0;
  if (!CharacterizationAddress(n, address)) return false;
  limit = n == 0 ? kThermalAddress : static_cast<uint64_t>(address) + kUserAreaSize;
  return true;
}

int32_t GetI24(const uint8_t* p) {
  const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16);
  return (u & 0x800000u) ? static_cast<int32_t>(u) - 0x1000000 : static_cast<int32_t>(u);
}

void PutI24(uint8_t* p, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(std::clamp(v, -8388608, 8388607));
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
}

bool CheckBlock(const uint8_t* p, size_t length) { return le::GetU32(p + length) == UpdateCrc32(0, p, length); }

void SealBlock(uint8_t* p, size_t length) { le::PutU32(p + length, UpdateCrc32(0, p, length)); }

// ---- Header ----------------------------------------------------------------------------------------

THeader ParseHeader(const uint8_t* p) {
  THeader h;
  const uint8_t* s = p + 64;
  if (std::all_of(s, s + 8, [](uint8_t c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      }))
    h.Serial.assign(reinterpret_cast<const char*>(s), 8);
  h.Model = static_cast<uint16_t>(p[72] | (p[73] << 8));
  return h;
}

void WriteHeader(uint8_t* p, const std::string& serial, uint16_t model) {
  std::memset(p, 0, kHeaderSize);
  std::memcpy(p + 64, serial.data(), std::min<size_t>(serial.size(), 8));
  p[72] = static_cast<uint8_t>(model);
  p[73] = static_cast<uint8_t>(model >> 8);
}

// ---- Descriptor -------------------------------------------------------------------------------------

TDescriptor ClearedDescriptor() { return TDescriptor{}; }

TDescriptor ParseDescriptor(const uint8_t* p) {
  TDescriptor d;
  d.Date = GetText(p, 12);
  d.Time = GetText(p + 12, 10);
  d.Location = GetText(p + 22, 20);
  d.Operator = GetText(p + 42, 20);
  d.Analyser = GetText(p + 62, 20);
  d.FirstFrequency = le::GetF64(p + 82);
  d.LastFrequency = le::GetF64(p + 90);
  d.Points = le::GetU32(p + 98);
  d.Temperature = le::GetF64(p + 102);
  d.ConnectorA = GetI16(p + 110);
  d.ConnectorB = GetI16(p + 112);
  d.Reserved1 = GetI16(p + 114);
  d.Reserved2 = GetI16(p + 116);
  d.AdapterA = GetText(p + 118, 20);
  d.AdapterB = GetText(p + 138, 20);
  return d;
}

void WriteDescriptor(uint8_t* p, const TDescriptor& d) {
  std::memset(p, 0, kDescriptorSize);
  PutText(p, 12, d.Date);
  PutText(p + 12, 10, d.Time);
  PutText(p + 22, 20, d.Location);
  PutText(p + 42, 20, d.Operator);
  PutText(p + 62, 20, d.Analyser);
  le::PutF64(p + 82, d.FirstFrequency);
  le::PutF64(p + 90, d.LastFrequency);
  le::PutU32(p + 98, d.Points);
  le::PutF64(p + 102, d.Temperature);
  PutI16(p + 110, d.ConnectorA);
  PutI16(p + 112, d.ConnectorB);
  PutI16(p + 114, d.Reserved1);
  PutI16(p + 116, d.Reserved2);
  PutText(p + 118, 20, d.AdapterA);
  PutText(p + 138, 20, d.AdapterB);
}

std::string CheckExtent(const TDescriptor& d, int characterization, int model) {
  uint32_t address = 0;
  uint64_t limit = 0;
  if (!CharacterizationAddress(characterization, address) || !CharacterizationLimit(characterization, limit))
    return "No such characterisation";
  const uint64_t end = address + kDescriptorSize + kCrcSize +
                       static_cast<uint64_t>(BlockCount(model)) * (BlockSize(d.Points) + kCrcSize);
  if (end > limit) return "The characterisation's blocks leave its area";
  if (d.Points >= 2) {
    if (!std::isfinite(d.FirstFrequency) || !std::isfinite(d.LastFrequency))
      return "The characterisation's frequencies are not finite";
    if (!(d.FirstFrequency < d.LastFrequency)) return "The characterisation's first frequency is not below its last";
  }
  return {};
}

// ---- Blocks -------------------------------------------------------------------------------------------

uint64_t BlockSize(uint64_t n) { return 6 * n + 4; }

bool ParseBlockCodes(const uint8_t* p, size_t size, uint32_t n, TBlockCodes& codes) {
  if (size != BlockSize(n)) return false;
  codes.Min = GetI16(p);
  codes.Max = GetI16(p + 2);
  codes.Magnitude.resize(n);
  codes.Phase.resize(n);
  for (uint32_t i = 0; i < n; ++i) {
    codes.Magnitude[i] = GetI24(p + 4 + 6 * static_cast<size_t>(i));
    codes.Phase[i] = GetI24(p + 7 + 6 * static_cast<size_t>(i));
  }
  return true;
}

void WriteBlockCodes(uint8_t* p, const TBlockCodes& codes) {
  PutI16(p, codes.Min);
  PutI16(p + 2, codes.Max);
  const size_t n = std::min(codes.Magnitude.size(), codes.Phase.size());
  for (size_t i = 0; i < n; ++i) {
    PutI24(p + 4 + 6 * i, codes.Magnitude[i]);
    PutI24(p + 7 + 6 * i, codes.Phase[i]);
  }
}

TComplex DecodePoint(int32_t m, int32_t p, double minDb, double maxDb) {
  const double level = m * (maxDb - minDb) / kLevelSpan + (minDb + maxDb) / 2;
  const double phase = p * std::numbers::pi / kPhaseSpan;
  const double a = std::pow(10.0, level / 20);
  return {a * std::cos(phase), a * std::sin(phase)};
}

std::vector<TComplex> DecodeBlock(const TBlockCodes& codes) {
  const size_t n = std::min(codes.Magnitude.size(), codes.Phase.size());
  const double lo = codes.Min * 0.01;
  const double hi = codes.Max * 0.01;
  std::vector<TComplex> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = DecodePoint(codes.Magnitude[i], codes.Phase[i], lo, hi);
  return out;
}

TBlockCodes EncodeBlock(const std::vector<TComplex>& values) {
  TBlockCodes codes;
  std::vector<double> levels(values.size());
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (size_t i = 0; i < values.size(); ++i) {
    levels[i] = 20 * std::log10(Abs(values[i]));
    if (std::isfinite(levels[i])) {
      lo = std::min(lo, levels[i]);
      hi = std::max(hi, levels[i]);
    }
  }
  if (!(lo <= hi)) lo = hi = -327.68;
  codes.Min = ClampI16(std::floor(lo * 100));
  codes.Max = ClampI16(std::ceil(hi * 100));
  const double minDb = codes.Min * 0.01;
  const double maxDb = codes.Max * 0.01;
  codes.Magnitude.resize(values.size());
  codes.Phase.resize(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    double m = 0;
    const double level = std::isfinite(levels[i]) ? levels[i] : minDb;
    if (maxDb != minDb) m = std::round((level - (minDb + maxDb) / 2) * kLevelSpan / (maxDb - minDb));
    codes.Magnitude[i] = static_cast<int32_t>(std::clamp(m, -8388608.0, 8388607.0));
    const double ph = std::isfinite(levels[i]) ? Arg(values[i]) : 0.0;
    codes.Phase[i] = static_cast<int32_t>(std::clamp(std::round(ph * kPhaseSpan / std::numbers::pi), -kPhaseSpan, kPhaseSpan));
  }
  return codes;
}

double LevelStep(const TBlockCodes& codes) { return std::abs((codes.Max - codes.Min) * 0.01) / kLevelSpan; }
double PhaseStep() { return std::numbers::pi / kPhaseSpan; }

// ---- Thermal data --------------------------------------------------------------------------------------

TThermalHeader ParseThermalHeader(const uint8_t* p) {
  TThermalHeader h;
  h.FirstFrequency = le::GetF64(p + 22);
  h.LastFrequency = le::GetF64(p + 30);
  h.Points = le::GetI32(p + 38);
  return h;
}

void WriteThermalHeader(uint8_t* p, const TThermalHeader& h) {
  std::memset(p, 0, kThermalHeaderSize);
  le::PutF64(p + 22, h.FirstFrequency);
  le::PutF64(p + 30, h.LastFrequency);
  le::PutI32(p + 38, h.Points);
}

uint64_t ThermalTableSize(uint64_t k) { return 2 * k + 4; }

std::string CheckThermal(const TThermalHeader& h, int model) {
  if (h.Points < 1) return "The thermal tables hold no points";
  if (!std::isfinite(h.FirstFrequency) || !std::isfinite(h.LastFrequency))
    return "The thermal tables' frequencies are not finite";
  const uint64_t end = kThermalAddress + kThermalHeaderSize + kCrcSize +
                       static_cast<uint64_t>(ThermalTableCount(model)) *
                           (ThermalTableSize(static_cast<uint64_t>(h.Points)) + kCrcSize);
  if (end > kThermalLimit) return "The thermal tables leave their area";
  return {};
}

bool ParseThermalCodes(const uint8_t* p, size_t size, uint32_t k, TThermalCodes& codes) {
  if (size != ThermalTableSize(k)) return false;
  codes.Min = GetI16(p);
  codes.Max = GetI16(p + 2);
  codes.Codes.resize(k);
  for (uint32_t j = 0; j < k; ++j) codes.Codes[j] = GetI16(p + 4 + 2 * static_cast<size_t>(j));
  return true;
}

void WriteThermalCodes(uint8_t* p, const TThermalCodes& codes) {
  PutI16(p, codes.Min);
  PutI16(p + 2, codes.Max);
  for (size_t j = 0; j < codes.Codes.size(); ++j) PutI16(p + 4 + 2 * j, codes.Codes[j]);
}

std::vector<double> DecodeThermal(const TThermalCodes& codes) {
  const double lo = codes.Min * 0.01;
  const double hi = codes.Max * 0.01;
  std::vector<double> out(codes.Codes.size());
  for (size_t j = 0; j < out.size(); ++j) out[j] = (lo + hi) / 2 + codes.Codes[j] * (hi - lo) / kThermalSpan;
  return out;
}

TThermalCodes EncodeThermal(const std::vector<double>& values) {
  TThermalCodes codes;
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (double v : values) {
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (!(lo <= hi)) lo = hi = 0;
  codes.Min = ClampI16(std::floor(lo * 100));
  codes.Max = ClampI16(std::ceil(hi * 100));
  const double a = codes.Min * 0.01;
  const double b = codes.Max * 0.01;
  codes.Codes.resize(values.size());
  for (size_t j = 0; j < values.size(); ++j) {
    double q = 0;
    if (a != b && std::isfinite(values[j])) q = std::round((values[j] - (a + b) / 2) * kThermalSpan / (b - a));
    codes.Codes[j] = static_cast<int16_t>(std::clamp(q, -32768.0, 32767.0));
  }
  return codes;
}

TComplex ThermalCorrect(const TComplex& g, double dT, const std::vector<double>& magnitude,
                        const std::vector<double>& phase, double f, double f1, double f2) {
  const double level = 20 * std::log10(Abs(g)) + dT * InterpolateTable(magnitude, f, f2, f1);
  const double degrees = Arg(g) * 180 / std::numbers::pi + dT * InterpolateTable(phase, f, f2, f1);
  const double a = std::pow(10.0, level / 20);
  const double rad = degrees * std::numbers::pi / 180;
  return {a * std::cos(rad), a * std::sin(rad)};
}

// ---- Whole images -----------------------------------------------------------------------------------------

std::vector<uint8_t> WriteImage(const TImageSpec& spec) {
  std::vector<uint8_t> image;
  auto place = [&image](uint64_t address, size_t length) -> uint8_t* {
    const uint64_t end = address + length + kCrcSize;
    if (image.size() < end) image.resize(static_cast<size_t>(end), 0xFF);
    return image.data() + address;
  };
  uint8_t* header = place(kHeaderAddress, kHeaderSize);
  WriteHeader(header, spec.Serial, spec.Model);
  SealBlock(header, kHeaderSize);
  for (int n = 0; n < 4; ++n) {
    if (!spec.Present[static_cast<size_t>(n)]) continue;
    const TCharacterizationImage& c = spec.Characterizations[static_cast<size_t>(n)];
    uint32_t address = 0;
    uint64_t limit = 0;
    CharacterizationAddress(n, address);
    CharacterizationLimit(n, limit);
    const uint64_t size = BlockSize(c.Descriptor.Points);
    // Frequencies are written as given, good or not (readers must refuse bad ones); blocks
    // that would leave the area are not.
    if (address + kDescriptorSize + kCrcSize + static_cast<uint64_t>(BlockCount(spec.Model)) * (size + kCrcSize) >
        limit)
      continue;
    uint64_t at = address;
    uint8_t* d = place(at, kDescriptorSize);
    WriteDescriptor(d, c.Descriptor);
    SealBlock(d, kDescriptorSize);
    at += kDescriptorSize + kCrcSize;
    for (int b = 0; b < BlockCount(spec.Model); ++b) {
      TBlockCodes codes = c.Blocks[static_cast<size_t>(kBlockOrder[static_cast<size_t>(b)])];
      codes.Magnitude.resize(c.Descriptor.Points, 0);
      codes.Phase.resize(c.Descriptor.Points, 0);
      uint8_t* p = place(at, static_cast<size_t>(size));
      WriteBlockCodes(p, codes);
      SealBlock(p, static_cast<size_t>(size));
      at += size + kCrcSize;
    }
  }
  if (spec.HasThermal) {
    uint64_t at = kThermalAddress;
    uint8_t* h = place(at, kThermalHeaderSize);
    WriteThermalHeader(h, spec.Thermal);
    SealBlock(h, kThermalHeaderSize);
    at += kThermalHeaderSize + kCrcSize;
    for (const TThermalCodes& t : spec.ThermalTables) {
      const size_t size = static_cast<size_t>(ThermalTableSize(t.Codes.size()));
      if (at + size + kCrcSize > kThermalLimit) break;
      uint8_t* p = place(at, size);
      WriteThermalCodes(p, t);
      SealBlock(p, size);
      at += size + kCrcSize;
    }
  }
  return image;
}

bool ReadCharacterization(const std::vector<uint8_t>& image, int n, THeader& header, TCharacterizationImage& out,
                          std::string& why) {
  header = THeader{};
  out = TCharacterizationImage{};
  out.Descriptor = ClearedDescriptor();
  std::vector<uint8_t> buffer;
  uint64_t at = kHeaderAddress;
  if (!ReadChecked(image, at, kHeaderSize, buffer)) {
    why = "The module header fails its check";
    return false;
  }
  header = ParseHeader(buffer.data());
  uint32_t address = 0;
  if (!CharacterizationAddress(n, address)) {
    why = "No such characterisation";
    return false;
  }
  at = address;
  if (!ReadChecked(image, at, kDescriptorSize, buffer)) {
    why = "The characterisation's descriptor fails its check";
    return false;
  }
  const TDescriptor d = ParseDescriptor(buffer.data());
  why = CheckExtent(d, n, header.Model);
  if (!why.empty()) return false;
  out.Descriptor = d;
  const size_t size = static_cast<size_t>(BlockSize(d.Points));
  for (int b = 0; b < BlockCount(header.Model); ++b) {
    const int slot = kBlockOrder[static_cast<size_t>(b)];
    if (!ReadChecked(image, at, size, buffer) ||
        !ParseBlockCodes(buffer.data(), size, d.Points, out.Blocks[static_cast<size_t>(slot)])) {
      why = "A data block of the characterisation fails its check";
      return false;
    }
  }
  return true;
}

bool ReadThermal(const std::vector<uint8_t>& image, int model, TThermalHeader& header,
                 std::vector<TThermalCodes>& tables, std::string& why) {
  tables.clear();
  std::vector<uint8_t> buffer;
  uint64_t at = kThermalAddress;
  if (!ReadChecked(image, at, kThermalHeaderSize, buffer)) {
    why = "The thermal header fails its check";
    return false;
  }
  header = ParseThermalHeader(buffer.data());
  why = CheckThermal(header, model);
  if (!why.empty()) return false;
  const size_t size = static_cast<size_t>(ThermalTableSize(static_cast<uint64_t>(header.Points)));
  for (int t = 0; t < ThermalTableCount(model); ++t) {
    TThermalCodes codes;
    if (!ReadChecked(image, at, size, buffer) ||
        !ParseThermalCodes(buffer.data(), size, static_cast<uint32_t>(header.Points), codes)) {
      why = "A thermal table fails its check";
      return false;
    }
    tables.push_back(std::move(codes));
  }
  return true;
}

}  // namespace ecal
