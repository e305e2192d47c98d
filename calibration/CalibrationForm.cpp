#include "calibration/CalibrationForm.h"

#include <cmath>

#include "model/Crc32.h"
#include "model/LittleEndian.h"
#include "model/NumberText.h"
#include "model/TextCodec.h"

namespace {

// Header offsets.
constexpr size_t kDataTime = 0;
constexpr size_t kKitLabel = 20;
constexpr size_t kMinFrequency = 40;
constexpr size_t kMaxFrequency = 48;
constexpr size_t kIFBW = 56;
constexpr size_t kNPoints = 60;
constexpr size_t kSweepMode = 64;
constexpr size_t kMethod0 = 68;
constexpr size_t kMethod1 = 72;
constexpr size_t kPortMatch0 = 76;
constexpr size_t kPortMatch1 = 77;
constexpr size_t kCount = 78;

// Offsets of the older stimulus record inside a version-1 extension (after its version word).
namespace v1 {
constexpr size_t NPoints = 0;
constexpr size_t SweepMode = 4;
constexpr size_t CommonIFBW = 8;
constexpr size_t MinFrequency = 16;
constexpr size_t MaxFrequency = 24;
constexpr size_t CommonDelay = 32;
constexpr size_t OutputPower = 40;
constexpr size_t PowerSlope = 48;
constexpr size_t MinPower = 56;
constexpr size_t MaxPower = 64;
constexpr size_t FixedFreq = 72;
constexpr size_t FOMState = 80;
constexpr size_t FOMOffset0 = 88;
constexpr size_t FOMOffset1 = 96;
constexpr size_t FOMMultiplier0 = 104;
constexpr size_t FOMMultiplier1 = 108;
constexpr size_t FOMDivider0 = 112;
constexpr size_t FOMDivider1 = 116;
constexpr size_t FOMAdjust = 120;
constexpr size_t FOMAdjPort = 124;
constexpr size_t FOMAdjValue0 = 128;
constexpr size_t FOMAdjValue1 = 136;
constexpr size_t SegmentListIFBW = 153;
constexpr size_t SegmentListPower = 154;
constexpr size_t SegmentListDelay = 155;
constexpr size_t SegmentCount = 212 - 4;  // within the 216-byte header: at 212, after the word
}  // namespace v1

void PutText(uint8_t* p, const std::string& text) {
  const std::string cut = TCalibrationForm::CutText(text, TCalibrationForm::TextSize - 1);
  for (size_t i = 0; i < TCalibrationForm::TextSize; ++i) p[i] = i < cut.size() ? static_cast<uint8_t>(cut[i]) : 0;
}

std::string GetText(const uint8_t* p) {
  size_t n = 0;
  while (n < TCalibrationForm::TextSize && p[n] != 0) ++n;
  return Decode8Bit(std::string_view(reinterpret_cast<const char*>(p), n));
}

void PutComplex(uint8_t* p, const TComplex& z) {
  le::PutF64(p, z.Re);
  le::PutF64(p + 8, z.Im);
}

TComplex GetComplex(const uint8_t* p) { return TComplex{le::GetF64(p), le::GetF64(p + 8)}; }

bool Finite(const TComplex& z) { return std::isfinite(z.Re) && std::isfinite(z.Im); }

uint32_t Crc(const uint8_t* data, uint64_t size) { return UpdateCrc32(0, data, static_cast<size_t>(size)); }

bool FiniteSettings(const TRangeSettings& s) {
  for (double x : {s.MinFrequency, s.MaxFrequency, s.MinPower, s.MaxPower, s.FixedFreq, s.FOMOffset[0],
                   s.FOMOffset[1], s.FOMAdjValue[0], s.FOMAdjValue[1], s.CommonDelay, s.OutputPower, s.PowerSlope}) {
    if (!std::isfinite(x)) return false;
  }
  return true;
}

bool FiniteSegments(const TSegments& segments) {
  for (const TSegment& g : segments) {
    for (double x : {g.Start, g.Stop, g.Delay, g.Power}) {
      if (!std::isfinite(x)) return false;
    }
  }
  return true;
}

// A calibration text file (an ini document) handed to the binary reader.
bool LooksLikeText(const uint8_t* data, size_t size) {
  size_t i = 0;
  if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) return true;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) i = 3;
  while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) ++i;
  return i < size && data[i] == '[';
}

TCalibrationForm::TResult Reject(std::string reason, bool noTerms = false) {
  TCalibrationForm::TResult r;
  r.Status = TCalibrationForm::TStatus::Rejected;
  r.Reason = std::move(reason);
  r.NoTerms = noTerms;
  return r;
}

TCalibrationForm::TResult WithoutExtension(std::string reason) {
  TCalibrationForm::TResult r;
  r.Status = TCalibrationForm::TStatus::LoadedWithoutExtension;
  r.Reason = std::move(reason);
  return r;
}

TSegments ReadSegments(const uint8_t* p, int count) {
  TSegments segments;
  segments.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) segments.push_back(TSegment::ReadBytes(p + TSegment::ByteSize * static_cast<size_t>(i)));
  return segments;
}

// Limits a parsed table like any loaded one; an empty table stays empty (a calibration that
// never had a segment table wrote none).
bool SanitizeParsedSegments(TSegments& segments, const TSegment& defaultSegment) {
  if (segments.empty()) return true;
  return SanitizeSegmentTable(segments, defaultSegment);
}

}  // namespace

std::string TCalibrationForm::CutText(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t n = maxBytes;
  // Step back over continuation bytes so the cut falls before a character's lead byte.
  while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

void TCalibrationForm::Write(std::vector<uint8_t>& out) const {
  const size_t n = Records.size();
  const bool extension = SweepMode != SystemGridSweep;
  const size_t s = extension ? Segments.size() : 0;
  const size_t base = static_cast<size_t>(SizeWithoutExtension(n));
  out.assign(extension ? static_cast<size_t>(SizeWithExtension(n, s)) : base, 0);
  uint8_t* p = out.data();
  PutText(p + kDataTime, DataTime);
  PutText(p + kKitLabel, KitLabel);
  le::PutF64(p + kMinFrequency, MinFrequency);
  le::PutF64(p + kMaxFrequency, MaxFrequency);
  le::PutI32(p + kIFBW, CommonIFBW);
  le::PutI32(p + kNPoints, NPoints);
  le::PutI32(p + kSweepMode, SweepMode);
  le::PutI32(p + kMethod0, Method[0]);
  le::PutI32(p + kMethod1, Method[1]);
  p[kPortMatch0] = PortMatch[0] ? 1 : 0;
  p[kPortMatch1] = PortMatch[1] ? 1 : 0;
  le::PutI32(p + kCount, static_cast<int32_t>(n));
  uint8_t* r = p + HeaderSize;
  for (const TRecord& x : Records) {
    le::PutF64(r, x.Frequency);
    for (int port = 0; port < 2; ++port) {
      PutComplex(r + 8 + 16 * port, x.Er[port]);
      PutComplex(r + 40 + 16 * port, x.Ed[port]);
      PutComplex(r + 72 + 16 * port, x.Es[port]);
      PutComplex(r + 104 + 16 * port, x.Et[port]);
    }
    r += RecordSize;
  }
  const size_t crcAt = HeaderSize + RecordSize * n;
  le::PutU32(p + crcAt, Crc(p, crcAt));
  if (!extension) return;
  const size_t e = base;
  le::PutI32(p + e, 2);
  TRangeSettings settings = Settings;
  settings.SegmentCount = static_cast<int32_t>(s);
  settings.WriteBytes(p + e + 4);
  uint8_t* g = p + e + V2HeaderSize;
  for (const TSegment& segment : Segments) {
    segment.WriteBytes(g);
    g += TSegment::ByteSize;
  }
  const size_t crc2At = e + V2HeaderSize + TSegment::ByteSize * s;
  le::PutU32(p + crc2At, Crc(p, crc2At));
}

TCalibrationForm::TResult TCalibrationForm::Parse(const uint8_t* data, size_t size, TCalibrationForm& form,
                                                  const TSegment& defaultSegment) {
  if (data == nullptr || size == 0) return Reject("The calibration data are empty", true);
  const bool text = LooksLikeText(data, size);
  auto reject = [&](const std::string& reason, bool noTerms = false) {
    if (text) return Reject("This is a calibration text file, not a binary calibration; import it instead");
    return Reject(reason, noTerms);
  };
  const uint64_t total = size;
  if (total < HeaderSize) {
    return reject("The calibration data are too short (" + IntToText(static_cast<long long>(size)) + " bytes)");
  }
  const int32_t n = le::GetI32(data + kCount);
  if (n == 0) return reject("The calibration has no error terms", true);
  if (n < 1 || n > MaxPoints) return reject("The calibration's point count " + IntToText(n) + " is out of range");
  const uint64_t crcAt = HeaderSize + RecordSize * static_cast<uint64_t>(n);
  const uint64_t e = crcAt + CrcSize;
  if (total < e) return reject("The calibration data are truncated");
  if (le::GetU32(data + crcAt) != Crc(data, crcAt)) return reject("The calibration data are damaged (checksum)");

  TCalibrationForm f;
  f.Records.resize(static_cast<size_t>(n));
  const uint8_t* r = data + HeaderSize;
  for (TRecord& x : f.Records) {
    x.Frequency = le::GetF64(r);
    bool ok = std::isfinite(x.Frequency);
    for (int port = 0; port < 2; ++port) {
      x.Er[port] = GetComplex(r + 8 + 16 * port);
      x.Ed[port] = GetComplex(r + 40 + 16 * port);
      x.Es[port] = GetComplex(r + 72 + 16 * port);
      x.Et[port] = GetComplex(r + 104 + 16 * port);
      ok = ok && Finite(x.Er[port]) && Finite(x.Ed[port]) && Finite(x.Es[port]) && Finite(x.Et[port]);
    }
    if (!ok) return reject("The calibration holds a value that is not a number");
    r += RecordSize;
  }
  f.DataTime = GetText(data + kDataTime);
  f.KitLabel = GetText(data + kKitLabel);
  f.MinFrequency = le::GetF64(data + kMinFrequency);
  f.MaxFrequency = le::GetF64(data + kMaxFrequency);
  f.CommonIFBW = le::GetI32(data + kIFBW);
  f.NPoints = le::GetI32(data + kNPoints);
  f.SweepMode = le::GetI32(data + kSweepMode);
  for (int slot = 0; slot < 2; ++slot) {
    const int32_t m = le::GetI32(data + (slot == 0 ? kMethod0 : kMethod1));
    f.Method[slot] = m >= 0 && m <= 6 ? m : 0;
    f.PortMatch[slot] = data[slot == 0 ? kPortMatch0 : kPortMatch1] != 0;
  }
  if (!std::isfinite(f.MinFrequency) || !std::isfinite(f.MaxFrequency)) {
    return reject("The calibration holds a value that is not a number");
  }

  TResult result;
  result.Status = TStatus::Loaded;
  if (f.SweepMode == SystemGridSweep) {
    form = std::move(f);
    return result;
  }

  const uint64_t rest = total - e;
  const uint8_t* x = data + e;
  // Both versions follow their header with s segments and a second checksum: the fault that
  // keeps the extension out, or empty text.
  auto segmentsFault = [&](uint64_t headerSize, int32_t s) -> std::string {
    if (s < 0 || s > MaxSegments) return "The calibration's segment count " + IntToText(s) + " is out of range";
    const uint64_t crc2At = e + headerSize + TSegment::ByteSize * static_cast<uint64_t>(s);
    if (total < crc2At + CrcSize) return "The calibration's stimulus extension is truncated";
    if (le::GetU32(data + crc2At) != Crc(data, crc2At)) {
      return "The calibration's stimulus extension is damaged (checksum)";
    }
    return {};
  };
  const int32_t version = rest >= 4 ? le::GetI32(x) : 0;
  if (rest < 4) {
    result = WithoutExtension("The calibration has no stimulus extension");
  } else if (version == 1) {
    if (rest < V1HeaderSize) {
      result = WithoutExtension("The calibration's stimulus extension is truncated");
    } else {
      const uint8_t* h = x + 4;
      const int32_t s = le::GetI32(h + v1::SegmentCount);
      if (const std::string fault = segmentsFault(V1HeaderSize, s); !fault.empty()) {
        result = WithoutExtension(fault);
      } else {
        TRangeSettings& t = f.Settings;
        t.NPoints = le::GetI32(h + v1::NPoints);
        t.SweepMode = le::GetI32(h + v1::SweepMode);
        t.CommonIFBW = le::GetI32(h + v1::CommonIFBW);
        t.MinFrequency = le::GetF64(h + v1::MinFrequency);
        t.MaxFrequency = le::GetF64(h + v1::MaxFrequency);
        t.CommonDelay = le::GetF64(h + v1::CommonDelay);
        t.OutputPower = le::GetF64(h + v1::OutputPower);
        t.PowerSlope = le::GetF64(h + v1::PowerSlope);
        t.MinPower = le::GetF64(h + v1::MinPower);
        t.MaxPower = le::GetF64(h + v1::MaxPower);
        t.FixedFreq = le::GetF64(h + v1::FixedFreq);
        t.FOMState = h[v1::FOMState] != 0;
        t.FOMOffset[0] = le::GetF64(h + v1::FOMOffset0);
        t.FOMOffset[1] = le::GetF64(h + v1::FOMOffset1);
        t.FOMMultiplier[0] = le::GetI32(h + v1::FOMMultiplier0);
        t.FOMMultiplier[1] = le::GetI32(h + v1::FOMMultiplier1);
        t.FOMDivider[0] = le::GetI32(h + v1::FOMDivider0);
        t.FOMDivider[1] = le::GetI32(h + v1::FOMDivider1);
        t.FOMAdjust = h[v1::FOMAdjust] != 0;
        t.FOMAdjPort = le::GetI32(h + v1::FOMAdjPort);
        t.FOMAdjValue[0] = le::GetF64(h + v1::FOMAdjValue0);
        t.FOMAdjValue[1] = le::GetF64(h + v1::FOMAdjValue1);
        t.SegmentListIFBW = h[v1::SegmentListIFBW] != 0;
        t.SegmentListPower = h[v1::SegmentListPower] != 0;
        t.SegmentListDelay = h[v1::SegmentListDelay] != 0;
        t.SegmentCount = s;
        f.Segments = ReadSegments(x + V1HeaderSize, s);
        if (!FiniteSettings(t) || !FiniteSegments(f.Segments) || !SanitizeParsedSegments(f.Segments, defaultSegment)) {
          result = WithoutExtension("The calibration's stimulus extension holds values out of range");
        } else {
          f.ExtensionVersion = 1;
          f.ReplaceSegments = s != 0;
        }
      }
    }
  } else if (version == 2) {
    if (rest < V2HeaderSize) {
      result = WithoutExtension("The calibration's stimulus extension is truncated");
    } else {
      TRangeSettings t = TRangeSettings::ReadBytes(x + 4);
      const int32_t s = t.SegmentCount;
      if (const std::string fault = segmentsFault(V2HeaderSize, s); !fault.empty()) {
        result = WithoutExtension(fault);
      } else {
        TSegments segments = ReadSegments(x + V2HeaderSize, s);
        if (!FiniteSettings(t) || !FiniteSegments(segments) || !SanitizeParsedSegments(segments, defaultSegment)) {
          result = WithoutExtension("The calibration's stimulus extension holds values out of range");
        } else {
          f.Settings = t;
          f.Segments = std::move(segments);
          f.ExtensionVersion = 2;
          f.ReplaceSegments = true;
        }
      }
    }
  } else {
    result = WithoutExtension("The calibration's stimulus extension has an unknown version");
  }
  if (f.ExtensionVersion == 0) {
    f.Segments.clear();
    f.ReplaceSegments = false;
  }
  form = std::move(f);
  return result;
}
