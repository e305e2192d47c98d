#include "calibration/CalKit.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/StandardModels.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Services.h"
#include "model/TextCodec.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace {

const char* const kStandardSections[4] = {"Short", "Open", "Load", "Thru"};

enum TStandardIndex { kShort = 0, kOpen = 1, kLoad = 2, kThru = 3 };

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

// UTF-16 bytes after the byte-order mark, cut after the last complete line when an odd byte
// count shows that the file was cut short.
std::string_view CutUtf16(std::string_view body, bool bigEndian) {
  if (body.size() % 2 == 0) return body;
  size_t keep = 0;
  for (size_t i = 0; i + 1 < body.size(); i += 2) {
    const char lo = bigEndian ? body[i + 1] : body[i];
    const char hi = bigEndian ? body[i] : body[i + 1];
    if (hi == '\0' && (lo == '\r' || lo == '\n')) keep = i + 2;
  }
  return body.substr(0, keep);
}

// Where an incomplete UTF-8 sequence at the very end of bytes starts, or npos.
size_t IncompleteUtf8Tail(std::string_view bytes) {
  const size_t n = bytes.size();
  for (size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto c = static_cast<unsigned char>(bytes[n - back]);
    if (c >= 0x80 && c <= 0xBF) continue;  // a continuation byte: look further back
    size_t needed = 0;
    if (c >= 0xC2 && c <= 0xDF) needed = 2;
    else if (c >= 0xE0 && c <= 0xEF) needed = 3;
    else if (c >= 0xF0 && c <= 0xF4) needed = 4;
    return needed > back ? n - back : std::string_view::npos;
  }
  return std::string_view::npos;
}

// 8-bit text that is valid UTF-8 but for a character cut off at its end was written as UTF-8
// and cut short: its last line goes, the rest is read as UTF-8.
std::string_view CutUtf8(std::string_view body) {
  if (IsValidUtf8(body)) return body;
  const size_t tail = IncompleteUtf8Tail(body);
  if (tail == std::string_view::npos || !IsValidUtf8(body.substr(0, tail))) return body;
  const size_t lineEnd = body.substr(0, tail).find_last_of("\r\n");
  return body.substr(0, lineEnd == std::string_view::npos ? 0 : lineEnd + 1);
}

// The kit file's bytes without a line that its end cut in two.
std::string DropCutLine(std::string_view bytes) {
  static constexpr std::string_view kUtf16LE("\xFF\xFE", 2);
  static constexpr std::string_view kUtf16BE("\xFE\xFF", 2);
  static constexpr std::string_view kUtf8("\xEF\xBB\xBF", 3);
  std::string_view bom;
  std::string_view body;
  if (StartsWith(bytes, kUtf16LE) || StartsWith(bytes, kUtf16BE)) {
    bom = bytes.substr(0, 2);
    body = CutUtf16(bytes.substr(2), StartsWith(bytes, kUtf16BE));
  } else if (StartsWith(bytes, kUtf8)) {
    bom = kUtf8;
    body = CutUtf8(bytes.substr(3));
  } else {
    body = CutUtf8(bytes);
  }
  std::string out(bom);
  out.append(body);
  return out;
}

}  // namespace

TCalKit::TCalKit(TCalKits* kits, const std::string& name)
    : TFContainer(kits), Name(name), Kits(kits), DefaultName(name) {}

void TCalKit::NotifyChange(TFObject* sender) const {
  if (Kits) Kits->NotifyChange(sender);
}

void TCalKit::SetName(const std::string& name) {
  Name = name;
  NotifyChange(this);
}

TCalStd* TCalKit::GetStandard(int i) const {
  if (i < 0 || i >= GetCount()) throw EAbort("Illegal parameter value", 224);
  return static_cast<TCalStd*>(GetItem(i));
}

const TCalStd* TCalKit::Standard(int i) const {
  return i >= 0 && i < GetCount() ? static_cast<const TCalStd*>(GetItem(i)) : nullptr;
}

std::string TCalKit::GetStandardScpiName(int i) {
  switch (i) {
    case kShort: return "SHORt";
    case kOpen: return "OPEN";
    case kLoad: return "LOAD";
    case kThru: return "THRU";
    default: return "NONE";
  }
}

bool TCalKit::IsUnchanged() const {
  if (Name != DefaultName) return false;
  for (int i = 0; i < 4; ++i) {
    const TCalStd* s = Standard(i);
    if (s && !s->IsUnchanged()) return false;
  }
  return true;
}

void TCalKit::Restore() {
  Name = DefaultName;
  for (int i = 0; i < 4 && i < GetCount(); ++i) GetStandard(i)->Restore();
}

double TCalKit::GetReferenceImpedance() const {
  const TCalKitsModule* module = Kits ? Kits->GetModule() : nullptr;
  return module ? module->GetReferenceImpedance() : ReferenceImpedanceOhm();
}

bool TCalKit::TableValue(const TCalStd& s, double f, bool thru, TComplex& value) {
  const TFixtParam* table = s.GetUseModuleData() ? &s.ModuleData : s.GetUseDatabaseStd() ? &s.TouchstoneData : nullptr;
  if (!table) return false;
  const TSParams p = table->InterpolateAt(f * 1e-6);
  value = thru ? p.S21 : p.S11;
  return true;
}

namespace {

// The analytic value of standard k (kShort .. kThru) with coefficients v at f (Hz).
inline TComplex ModelValue(int k, const TCalStdValues& v, double zref, double f) {
  switch (k) {
    case kShort:
      return OffsetLineReflection(f, ShortTermination(f, v.L, zref), v.OffsetDelay, v.OffsetZ0, v.OffsetLoss, zref);
    case kOpen:
      return OffsetLineReflection(f, OpenTermination(f, v.C, zref), v.OffsetDelay, v.OffsetZ0, v.OffsetLoss, zref);
    case kLoad:
      return OffsetLineReflection(f, TComplex{}, v.OffsetDelay, v.OffsetZ0, v.OffsetLoss, zref);
    default:
      return OffsetLineTransmission(f, v.OffsetDelay, v.OffsetZ0, v.OffsetLoss, zref);
  }
}

}  // namespace

TComplex TCalKit::StandardValue(int k, double f) const {
  const TCalStd* s = Standard(k);
  if (!s) return {};
  TComplex value;
  if (TableValue(*s, f, k == kThru, value)) return value;
  return ModelValue(k, s->GetValues(), GetReferenceImpedance(), f);
}

TComplex TCalKit::GetShortGamma(double f) const { return StandardValue(kShort, f); }
TComplex TCalKit::GetOpenGamma(double f) const { return StandardValue(kOpen, f); }
TComplex TCalKit::GetLoadGamma(double f) const { return StandardValue(kLoad, f); }
TComplex TCalKit::GetThruS21(double f) const { return StandardValue(kThru, f); }

void TCalKit::GetStandardValues(int standard, const double* frequenciesMHz, size_t n, TComplex* out) const {
  const TCalStd* s = standard >= kShort && standard <= kThru ? Standard(standard) : nullptr;
  if (!s) {
    for (size_t i = 0; i < n; ++i) out[i] = TComplex{};
    return;
  }
  // The same arithmetic as the single getters, with the coefficients and the source read once.
  if (s->GetUseModuleData() || s->GetUseDatabaseStd()) {
    for (size_t i = 0; i < n; ++i) TableValue(*s, frequenciesMHz[i] * 1e6, standard == kThru, out[i]);
    return;
  }
  const TCalStdValues v = s->GetValues();
  const double zref = GetReferenceImpedance();
  switch (standard) {
    case kShort:
      for (size_t i = 0; i < n; ++i) out[i] = ModelValue(kShort, v, zref, frequenciesMHz[i] * 1e6);
      break;
    case kOpen:
      for (size_t i = 0; i < n; ++i) out[i] = ModelValue(kOpen, v, zref, frequenciesMHz[i] * 1e6);
      break;
    case kLoad:
      for (size_t i = 0; i < n; ++i) out[i] = ModelValue(kLoad, v, zref, frequenciesMHz[i] * 1e6);
      break;
    default:
      for (size_t i = 0; i < n; ++i) out[i] = ModelValue(kThru, v, zref, frequenciesMHz[i] * 1e6);
      break;
  }
}

namespace {

// Bit for bit, so that a value changed by a rounding step counts as changed.
bool SameBits(const double* a, const double* b, size_t n) { return n == 0 || std::memcmp(a, b, n * sizeof(double)) == 0; }

bool SameValues(const TCalStdValues& a, const TCalStdValues& b) {
  return SameBits(a.C, b.C, 4) && SameBits(a.L, b.L, 4) && SameBits(&a.OffsetDelay, &b.OffsetDelay, 1) &&
         SameBits(&a.OffsetZ0, &b.OffsetZ0, 1) && SameBits(&a.OffsetLoss, &b.OffsetLoss, 1);
}

}  // namespace

const std::vector<TComplex>& TCalKit::CachedStandardValues(int standard, const std::vector<double>& frequenciesMHz) const {
  if (standard < kShort || standard > kThru) throw EAbort("Illegal parameter value", 224);
  const TCalStd* s = Standard(standard);
  if (!s || s->GetUseModuleData() || s->GetUseDatabaseStd()) {
    // Tables (and standards the kit does not have) are not kept: they are read as they are now.
    TValueCache& c = ValueCache[standard];
    c.Valid = false;
    c.Out.resize(frequenciesMHz.size());
    GetStandardValues(standard, frequenciesMHz.data(), frequenciesMHz.size(), c.Out.data());
    return c.Out;
  }
  TValueCache& c = ValueCache[standard];
  const double zref = GetReferenceImpedance();
  const bool fits = c.Valid && c.Standard == s && SameValues(c.Values, s->GetValues()) &&
                    SameBits(&c.ReferenceImpedance, &zref, 1) && c.Frequencies.size() == frequenciesMHz.size() &&
                    SameBits(c.Frequencies.data(), frequenciesMHz.data(), frequenciesMHz.size());
  if (!fits) {
    c.Valid = false;
    c.Standard = s;
    c.Values = s->GetValues();
    c.ReferenceImpedance = zref;
    c.Frequencies = frequenciesMHz;
    c.Out.resize(frequenciesMHz.size());
    GetStandardValues(standard, frequenciesMHz.data(), frequenciesMHz.size(), c.Out.data());
    c.Valid = true;
  }
  return c.Out;
}

void TCalKit::WriteIni(TCustomIniFile& file) const {
  file.WriteString("CalKit", "Name", Name);
  for (int i = 0; i < 4; ++i) {
    if (const TCalStd* s = Standard(i)) s->WriteIni(file, kStandardSections[i]);
  }
}

void TCalKit::ReadIni(const TCustomIniFile& file) {
  if (file.ValueExists("CalKit", "Name")) {
    const std::string name = file.ReadString("CalKit", "Name", Name);
    if (name.size() <= MaxTextBytes) Name = name;
  }
  for (int i = 0; i < 4 && i < GetCount(); ++i) GetStandard(i)->ReadIni(file, kStandardSections[i]);
}

std::string TCalKit::ResolveUserPath(const std::string& path) {
  std::string full = path;
  if (path.find('/') == std::string::npos) {
    const size_t backslash = path.rfind('\\');
    const std::string name = backslash == std::string::npos ? path : path.substr(backslash + 1);
    full = platform::Paths::folder("CalKit") + "/" + name;
  }
  return SetDefaultExtension(full, ".dat");
}

bool TCalKit::ReadFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return false;
  if (status.type() == std::filesystem::file_type::regular) {
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > MaxFileBytes) {
      throw EAbort("Calibration kit file \"" + path + "\" is too large");
    }
  }
  std::string bytes;
  const platform::FileResult r = platform::AtomicFile::read(path, bytes);
  if (!r) throw EAbort(r.message);
  // The size may have changed since it was looked at.
  if (bytes.size() > MaxFileBytes) throw EAbort("Calibration kit file \"" + path + "\" is too large");
  TMemIniFile document;
  document.LoadFromBytes(DropCutLine(bytes));
  ReadIni(document);
  return true;
}

void TCalKit::WriteFile(const std::string& path, bool utf16) const {
  TMemIniFile document;
  WriteIni(document);
  std::string bytes;
  if (utf16) {
    bytes = document.SaveToBytes();
  } else {
    bytes = "\xEF\xBB\xBF";
    bytes += document.GetText();
  }
  const platform::FileResult r = platform::AtomicFile::write(path, bytes);
  if (!r) throw EAbort(r.message);
}

void TCalKit::SaveToFile(const std::string& path) const { WriteFile(ResolveUserPath(path), false); }

void TCalKit::LoadFromFile(const std::string& path) {
  if (ReadFile(ResolveUserPath(path))) NotifyChange(this);
}
