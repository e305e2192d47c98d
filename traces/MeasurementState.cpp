// The trace's keys in its section of a state file. The load takes what the setters would allow:
// a hostile or damaged section gives a usable trace.
#include <cmath>

#include "model/CustomIniFile.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "traces/FormatList.h"
#include "traces/FormatMath.h"
#include "traces/LimitLine.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/RippleLine.h"
#include "traces/TraceCodes.h"

namespace {

// A float key limited to [lo, hi]; a non-finite value takes the default.
double ReadClamped(const TCustomIniFile& ini, const std::string& section, const char* key, double def, double lo,
                   double hi) {
  const double x = ini.ReadFloat(section, key, def);
  if (!std::isfinite(x)) return def;
  return ClampToRange(x, lo, hi);
}

}  // namespace

void TMeasurement::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteFloat(section, "Offset", Offset);
  ini.WriteInteger(section, "TraceFormat", TraceFormat);
  ini.WriteBool(section, "ConversionOn", ConversionOn);
  ini.WriteInteger(section, "ConversionType", ConversionType);
  ini.WriteInteger(section, "MeasMode", MeasMode);
  ini.WriteInteger(section, "Port", Port);
  ini.WriteFloat(section, "PhaseOffset", PhaseOffset);
  ini.WriteFloat(section, "ElectricalDelay", ElectricalDelay);
  ini.WriteFloat(section, "SmoAperture", SmoAperture);
  ini.WriteBool(section, "Smoothing", Smoothing);
  ini.WriteBool(section, "EnableMaxHold", EnableMaxHold);
  if (Formats) Formats->SaveToIni(ini, section);
  if (Markers) Markers->SaveToIni(ini, section);
  if (Memories) Memories->SaveToIni(ini, section);
  ini.WriteInteger(section, "DataMath", DataMath);
  ini.WriteBool(section, "LimitTest", LimitTest);
  ini.WriteBool(section, "ShowLimit", ShowLimit);
  ini.WriteBool(section, "ShowFailSign", ShowFailSign);
  if (LimitLine) LimitLine->SaveToIni(ini, section);
  ini.WriteBool(section, "RippleTest", RippleTest);
  ini.WriteBool(section, "ShowRippleLimit", ShowRippleLimit);
  ini.WriteBool(section, "ShowRippleFailSign", ShowRippleFailSign);
  if (RippleLine) RippleLine->SaveToIni(ini, section);
}

void TMeasurement::LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool updateMemories) {
  Offset = ini.ReadFloat(section, "Offset", 0.0);
  if (!std::isfinite(Offset)) Offset = 0.0;
  const int format = ini.ReadInteger(section, "TraceFormat", 16);
  ConversionOn = ini.ReadBool(section, "ConversionOn", false);
  ConversionType = ClampToRange(ini.ReadInteger(section, "ConversionType", 0), 0, 3);
  int mode = ini.ReadInteger(section, "MeasMode", 0);
  if (!tracecodes::IsMeasModeCode(mode)) mode = tracecodes::S11;
  const IDeviceModel* device = Services().Device;
  if (mode == tracecodes::AbsB && device && device->GetTransmissionIndex() < 0) mode = tracecodes::S11;
  MeasMode = mode;
  TraceFormat = IsFormatAllowed(format) ? format : FallbackFormatFor(MeasMode, ConversionOn);
  Port = ini.ReadInteger(section, "Port", 0);
  switch (MeasMode) {
    case tracecodes::S11:
    case tracecodes::AbsA: Port = device ? device->GetReflectionIndex() : 0; break;
    case tracecodes::AbsB: Port = device ? device->GetTransmissionIndex() : 1; break;
    default: Port = device ? device->GetReferenceIndex() : 2; break;
  }
  PhaseOffset = ReadClamped(ini, section, "PhaseOffset", 0.0, -360.0, 360.0);
  ElectricalDelay = ReadClamped(ini, section, "ElectricalDelay", 0.0, -10.0, 10.0);
  SmoAperture = ReadClamped(ini, section, "SmoAperture", 1.0, 0.01, 20.0);
  Smoothing = ini.ReadBool(section, "Smoothing", false);
  EnableMaxHold = ini.ReadBool(section, "EnableMaxHold", false);
  if (Formats) Formats->LoadFromIni(ini, section);
  if (Markers) Markers->LoadFromIni(ini, section);
  if (Memories) Memories->LoadFromIni(ini, section, updateMemories);
  const int math = ini.ReadInteger(section, "DataMath", tracecodes::Off);
  DataMath = (math >= 0 && math <= 4) ? math : tracecodes::Off;
  LimitTest = ini.ReadBool(section, "LimitTest", false);
  ShowLimit = ini.ReadBool(section, "ShowLimit", false);
  ShowFailSign = ini.ReadBool(section, "ShowFailSign", false);
  if (LimitLine) LimitLine->LoadFromIni(ini, section);
  RippleTest = ini.ReadBool(section, "RippleTest", false);
  ShowRippleLimit = ini.ReadBool(section, "ShowRippleLimit", false);
  ShowRippleFailSign = ini.ReadBool(section, "ShowRippleFailSign", false);
  if (RippleLine) RippleLine->LoadFromIni(ini, section);
  InvalidateMemoryCache();
}
