#include "instrument/PowerMeter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "instrument/PumpingWaiter.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "platform/Clock.h"

// Bound in PowerMeterLibraries.cpp: the drivers of a model from the libraries named in the settings.
bool LoadPowerMeterDrivers(int model, TPowerMeter::TDrivers& drivers, std::string& error);

TPowerMeter::TDriverSource TPowerMeter::DriverSource;

namespace {

constexpr int32_t SensorChannel = 1;
constexpr int64_t PollMs = 10;
constexpr int64_t ReadingTimeoutMs = 7000;
constexpr int64_t ZeroingTimeoutMs = 10000;
constexpr int64_t GpibSettleMs = 7000;
constexpr uint32_t GpibReplySize = 256;
constexpr uint32_t VisaTimeoutAttribute = 0x3FFF001A;
constexpr uint64_t VisaTimeoutMs = 5000;
constexpr uint16_t RenGotoLocal = 6;
constexpr double MaxZeroingWatts = 1e-5;

// Marks an operation as running for its scope.
class TBusy {
 public:
  explicit TBusy(bool& flag) : Flag(flag) { Flag = true; }
  ~TBusy() { Flag = false; }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

 private:
  bool& Flag;
};

}  // namespace

TPowerMeter::TPowerMeter() { StatusText = TranslateText("Not Ready"); }

TPowerMeter::~TPowerMeter() = default;

void TPowerMeter::Changed() {
  if (OnChange) OnChange(this);
}

void TPowerMeter::SetStatus(const char* english) { StatusText = TranslateText(english); }

void TPowerMeter::SetModel(int model) {
  if (State != NotReady) return;
  model = std::clamp(model, 0, 1);
  if (model == Model) return;
  Model = model;
  Changed();
}

void TPowerMeter::SetGpibAddress(int address) {
  if (State != NotReady) return;
  address = std::clamp(address, 0, 31);
  if (address == GpibAddress) return;
  GpibAddress = address;
  Changed();
}

void TPowerMeter::SetGpibBoard(int board) {
  if (State != NotReady) return;
  board = std::clamp(board, 0, 7);
  if (board == GpibBoard) return;
  GpibBoard = board;
  Changed();
}

std::string TPowerMeter::GetModelText() const {
  switch (Model) {
    case 0: return "R&S NRP-Z";
    case 1: return "R&S NRVS";
    default: return {};
  }
}

bool TPowerMeter::GetDrivers() {
  if ((Model == 0 && Drivers.Sensor) || (Model == 1 && Drivers.Gpib)) return true;
  TDrivers found;
  std::string error;
  bool ok = DriverSource ? DriverSource(Model, found, error) : LoadPowerMeterDrivers(Model, found, error);
  if (ok && Model == 0 && !found.Sensor) ok = false;
  if (ok && Model == 1 && !found.Gpib) ok = false;
  if (!ok) {
    LastError = error.empty() ? std::string("No power meter driver") : error;
    return false;
  }
  if (found.Sensor) Drivers.Sensor = found.Sensor;
  if (found.Gpib) Drivers.Gpib = found.Gpib;
  return true;
}

bool TPowerMeter::Connect() {
  if (State == Ready) return true;
  if (Busy || State != NotReady) return false;
  LastError.clear();
  SetStatus("Connecting");
  Changed();
  bool ok = false;
  if (GetDrivers()) {
    if (Model == 0) ok = ConnectSensor();
    else if (Model == 1) ok = ConnectGpib();
  }
  if (ok) {
    State = Ready;
    SetStatus("Ready");
  } else {
    SetStatus("Not Ready");
  }
  Changed();
  return ok;
}

bool TPowerMeter::ConnectSensor() {
  IPowerSensorDriver& d = *Drivers.Sensor;
  if (d.Init("USB::0x0aad::*::*", 1, 1, &DriverHandle) < 0) return false;
  char type[256] = {};
  if (d.ChanInfo(DriverHandle, SensorChannel, "Type", sizeof type, type) < 0 ||
      d.AvgConfigureAvgAuto(DriverHandle, SensorChannel, 3) < 0) {
    d.Close(DriverHandle);
    return false;
  }
  return true;
}

bool TPowerMeter::GpibWrite(const char* text) {
  uint32_t written = 0;
  return Drivers.Gpib->Write(DriverHandle, reinterpret_cast<const unsigned char*>(text),
                             static_cast<uint32_t>(std::strlen(text)), &written) == 0;
}

bool TPowerMeter::ConnectGpib() {
  IGpibDriver& d = *Drivers.Gpib;
  if (d.OpenDefaultRM(&ResourceManager) != 0) return false;
  const std::string resource =
      "GPIB" + IntToText(GpibBoard) + "::" + IntToText(GpibAddress) + "::INSTR";
  if (d.Open(ResourceManager, resource.c_str(), 0, 0, &DriverHandle) != 0) {
    d.Close(ResourceManager);
    return false;
  }
  bool ok = GpibWrite("SP\n");
  if (ok) {
    unsigned char reply[GpibReplySize] = {};
    uint32_t read = 0;
    ok = d.Read(DriverHandle, reply, GpibReplySize, &read) == 0;
  }
  for (const char* command : {"C1\n", "W4\n", "N1\n", "A0\n", "U1\n", "KF1\n"}) ok = ok && GpibWrite(command);
  ok = ok && d.SetAttribute(DriverHandle, VisaTimeoutAttribute, VisaTimeoutMs) == 0;
  if (!ok) {
    d.Close(DriverHandle);
    d.Close(ResourceManager);
  }
  return ok;
}

void TPowerMeter::CloseHandles() {
  if (Model == 0 && Drivers.Sensor) {
    Drivers.Sensor->Close(DriverHandle);
  } else if (Model == 1 && Drivers.Gpib) {
    Drivers.Gpib->GpibControlREN(DriverHandle, RenGotoLocal);
    Drivers.Gpib->Close(DriverHandle);
    Drivers.Gpib->Close(ResourceManager);
  }
}

void TPowerMeter::Disconnect() {
  if (State == NotReady) return;
  CloseHandles();
  State = NotReady;
  SetStatus("Not Ready");
  Changed();
}

bool TPowerMeter::WaitMs(int64_t ms) {
  TPumpingWaiter::get().Wait(ms, [this] { return State == NotReady; });
  return State != NotReady;
}

bool TPowerMeter::Measure(double& watts, double frequencyMHz) {
  if (Busy || !Connect()) return false;
  bool ok;
  {
    TBusy busy(Busy);
    const double hz = frequencyMHz * 1e6;
    ok = Model == 0 ? ReadSensor(hz, watts) : Model == 1 ? ReadGpib(hz, watts) : false;
  }
  if (!ok) {
    // A disconnect during a wait has closed the handles already; otherwise close them here,
    // so the next reading opens them afresh and none is left open twice.
    if (State != NotReady) CloseHandles();
    State = NotReady;
    SetStatus("Not Ready");
    Changed();
  }
  return ok;
}

bool TPowerMeter::MeasureDbm(double& level, double frequencyMHz) {
  double watts = 0;
  if (!Measure(watts, frequencyMHz)) return false;
  const double dbm = 10.0 * std::log10(std::fabs(watts) * 1000.0);
  if (!std::isfinite(dbm)) return false;
  level = dbm;
  return true;
}

bool TPowerMeter::ReadSensor(double frequencyHz, double& watts) {
  IPowerSensorDriver& d = *Drivers.Sensor;
  const double f = std::isnan(frequencyHz) ? 1e7 : std::clamp(frequencyHz, 1e7, 1.8e10);
  d.ChanSetCorrectionFrequency(DriverHandle, SensorChannel, f);
  if (d.ChansInitiate(DriverHandle) < 0) return false;
  const int64_t start = platform::Clock::get().steadyMs();
  uint16_t complete = 0;
  while (!complete) {
    if (d.ChanIsMeasurementComplete(DriverHandle, SensorChannel, &complete) < 0) return false;
    if (!WaitMs(PollMs)) return false;
    if (platform::Clock::get().steadyMs() - start > ReadingTimeoutMs) return false;
  }
  double reading = 0;
  if (d.MeassFetchMeasurement(DriverHandle, SensorChannel, &reading) < 0) return false;
  watts = reading;
  return true;
}

bool TPowerMeter::ParseGpibReply(const unsigned char* reply, uint32_t count, double& dbm) {
  const char* p = reinterpret_cast<const char*>(reply);
  const char* end = p + count;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p < end && *p == '+') ++p;
  double value = 0;
  const auto [next, error] = std::from_chars(p, end, value, std::chars_format::general);
  if (error != std::errc() || next == p || !std::isfinite(value)) return false;
  dbm = value;
  return true;
}

bool TPowerMeter::ReadGpib(double frequencyHz, double& watts) {
  IGpibDriver& d = *Drivers.Gpib;
  char command[64] = "DF ";
  const auto [end, error] =
      std::to_chars(command + 3, command + sizeof command - 2, frequencyHz, std::chars_format::scientific, 6);
  if (error != std::errc()) return false;
  end[0] = '\n';
  end[1] = '\0';
  GpibWrite(command);
  if (!GpibWrite("X1\n")) return false;
  if (!WaitMs(PollMs)) return false;
  unsigned char reply[GpibReplySize + 1] = {};
  uint32_t read = 0;
  if (d.Read(DriverHandle, reply, GpibReplySize, &read) != 0) return false;
  read = std::min(read, GpibReplySize);
  reply[read] = 0;
  double dbm = 0;
  if (!ParseGpibReply(reply, read, dbm)) return false;
  const double w = std::pow(10.0, dbm * 0.1) * 0.001;
  if (!std::isfinite(w)) return false;
  watts = w;
  return true;
}

bool TPowerMeter::Zero() {
  if (Busy || !Connect()) return false;
  bool ok;
  {
    TBusy busy(Busy);
    State = Zeroing;
    SetStatus("Zeroing");
    Changed();
    ok = Model == 0 ? ZeroSensor() : Model == 1 ? ZeroGpib() : false;
  }
  Disconnect();
  if (!ok) {
    SetStatus("Error");
    Changed();
  }
  return ok;
}

bool TPowerMeter::ZeroSensor() {
  IPowerSensorDriver& d = *Drivers.Sensor;
  if (d.ChansZero(DriverHandle) < 0) return false;
  const int64_t start = platform::Clock::get().steadyMs();
  uint16_t complete = 0;
  while (!complete) {
    if (d.ChansIsZeroingComplete(DriverHandle, &complete) < 0) return false;
    if (!WaitMs(PollMs)) return false;
    if (platform::Clock::get().steadyMs() - start > ZeroingTimeoutMs) return false;
  }
  return true;
}

bool TPowerMeter::ZeroGpib() {
  if (!GpibWrite("AV3\n")) return false;
  double watts = 0;
  if (!ReadGpib(1e9, watts)) return false;
  if (!GpibWrite("A0\n")) return false;
  if (watts > MaxZeroingWatts) return false;
  if (!GpibWrite("O1\n")) return false;
  return WaitMs(GpibSettleMs);
}
