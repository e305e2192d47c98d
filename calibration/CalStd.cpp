#include "calibration/CalStd.h"

#include <cmath>
#include <optional>

#include "calibration/CalKit.h"
#include "model/CustomIniFile.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/Utils.h"

namespace {

// One thousandth of the unit in which the kit editor shows each value: differences below it
// cannot be seen or typed, so they do not make a kit "changed".
constexpr double kCTolerance[4] = {1e-18, 1e-30, 1e-39, 1e-48};
constexpr double kLTolerance[4] = {1e-15, 1e-27, 1e-36, 1e-45};
constexpr double kDelayTolerance = 1e-15;
constexpr double kZ0Tolerance = 0.001;

const char* const kCKeys[4] = {"C0", "C1", "C2", "C3"};
const char* const kLKeys[4] = {"L0", "L1", "L2", "L3"};

bool Within(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// The value of key when it is there and reads as a finite number.
std::optional<double> ReadNumber(const TCustomIniFile& file, const std::string& section, const char* key) {
  if (!file.ValueExists(section, key)) return std::nullopt;
  return TryTextToFloat(file.ReadString(section, key, std::string()));
}

void ReadInto(double& target, const TCustomIniFile& file, const std::string& section, const char* key) {
  if (const std::optional<double> v = ReadNumber(file, section, key)) target = *v;
}

std::optional<std::string> ReadText(const TCustomIniFile& file, const std::string& section, const char* key) {
  if (!file.ValueExists(section, key)) return std::nullopt;
  std::string text = file.ReadString(section, key, std::string());
  if (text.size() > TCalKit::MaxTextBytes) return std::nullopt;
  return text;
}

bool HasExtensionS1p(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot);
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  return ext == ".S1P";
}

}  // namespace

TCalStd::TCalStd(TCalKit* kit, const std::string& name, const TCalStdValues& values)
    : TFObject(kit), Name(name), Kit(kit), DefaultName(name), Values(values), Defaults(values) {}

void TCalStd::Changed() {
  if (Kit) Kit->NotifyChange(this);
}

void TCalStd::SetC(int k, double value) {
  if (k < 0 || k > 3 || !std::isfinite(value)) return;
  Values.C[k] = value;
  Changed();
}

void TCalStd::SetL(int k, double value) {
  if (k < 0 || k > 3 || !std::isfinite(value)) return;
  Values.L[k] = value;
  Changed();
}

void TCalStd::SetOffset(int k, double value) {
  if (!std::isfinite(value)) return;
  switch (k) {
    case 0: Values.OffsetDelay = value; break;
    case 1: Values.OffsetZ0 = value; break;
    case 2: Values.OffsetLoss = value; break;
    default: return;
  }
  Changed();
}

void TCalStd::SetUseDatabaseStd(bool on) {
  const bool value = on && TouchstoneData.GetCount() >= 1 && !TouchstoneFile.empty();
  if (value == UseDatabaseStd) return;
  UseDatabaseStd = value;
  Changed();
}

void TCalStd::SetUseModuleData(bool on) { UseModuleData = on && ModuleData.GetCount() >= 1; }

void TCalStd::ReadTouchstoneData() {
  if (HasExtensionS1p(TouchstoneFile)) {
    TouchstoneData.LoadOnePort(TouchstoneFile, Name == "Thru" ? 21 : 11);
  } else {
    TouchstoneData.LoadTwoPort(TouchstoneFile);
  }
}

void TCalStd::SetTouchstoneFile(const std::string& path) {
  if (path == TouchstoneFile) return;
  const std::string previousFile = TouchstoneFile;
  TFixtParam previousData = TouchstoneData;
  TouchstoneFile = path;
  ReadTouchstoneData();
  if (!TouchstoneData.LoadError.empty()) {
    // Refused unread (a folder, a FIFO, a file far too large): nothing changes.
    const std::string why = TouchstoneData.LoadError;
    TouchstoneFile = previousFile;
    TouchstoneData = std::move(previousData);
    throw EAbort(why);
  }
  Changed();
}

void TCalStd::Restore() {
  Name = DefaultName;
  Values = Defaults;
  UseDatabaseStd = false;
  TouchstoneFile.clear();
}

bool TCalStd::IsUnchanged() const {
  if (Name != DefaultName || UseDatabaseStd || !TouchstoneFile.empty()) return false;
  for (int k = 0; k < 4; ++k) {
    if (!Within(Values.C[k], Defaults.C[k], kCTolerance[k])) return false;
    if (!Within(Values.L[k], Defaults.L[k], kLTolerance[k])) return false;
  }
  return Within(Values.OffsetDelay, Defaults.OffsetDelay, kDelayTolerance) &&
         Within(Values.OffsetZ0, Defaults.OffsetZ0, kZ0Tolerance) &&
         NearlyEqual(Values.OffsetLoss, Defaults.OffsetLoss);
}

void TCalStd::WriteIni(TCustomIniFile& file, const std::string& section) const {
  file.WriteString(section, "Name", Name);
  for (int k = 0; k < 4; ++k) file.WriteFloat(section, kCKeys[k], Values.C[k]);
  for (int k = 0; k < 4; ++k) file.WriteFloat(section, kLKeys[k], Values.L[k]);
  file.WriteFloat(section, "OffsetDelay", Values.OffsetDelay);
  file.WriteFloat(section, "OffsetZ0", Values.OffsetZ0);
  file.WriteFloat(section, "OffsetLoss", Values.OffsetLoss);
  file.WriteBool(section, "UseDatabaseStd", UseDatabaseStd);
  file.WriteString(section, "TouchstoneFile", TouchstoneFile);
}

void TCalStd::ReadIni(const TCustomIniFile& file, const std::string& section) {
  if (std::optional<std::string> name = ReadText(file, section, "Name")) Name = std::move(*name);
  for (int k = 0; k < 4; ++k) ReadInto(Values.C[k], file, section, kCKeys[k]);
  for (int k = 0; k < 4; ++k) ReadInto(Values.L[k], file, section, kLKeys[k]);
  ReadInto(Values.OffsetDelay, file, section, "OffsetDelay");
  ReadInto(Values.OffsetZ0, file, section, "OffsetZ0");
  ReadInto(Values.OffsetLoss, file, section, "OffsetLoss");

  bool useDatabase = UseDatabaseStd;
  if (!file.ValueExists(section, "UseDatabaseStd")) {
    useDatabase = false;
  } else if (const std::optional<long long> flag =
                 TryTextToInt(file.ReadString(section, "UseDatabaseStd", std::string()))) {
    useDatabase = *flag != 0;
  }
  if (std::optional<std::string> path = ReadText(file, section, "TouchstoneFile")) TouchstoneFile = std::move(*path);

  // The flag means "the model takes the Touchstone data", so the data must come back with it.
  if (useDatabase && !TouchstoneFile.empty()) {
    ReadTouchstoneData();
    useDatabase = TouchstoneData.GetCount() >= 1;
  } else {
    useDatabase = false;
  }
  UseDatabaseStd = useDatabase;
}
