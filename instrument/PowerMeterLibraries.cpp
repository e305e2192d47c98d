// The real link to the power meter: the USB sensor's driver library and the VISA library,
// loaded at run time by the names in the user's settings and bound by symbol name into our
// driver interfaces. Neither library ships with the system; without them no meter connects.
#include <cstdint>
#include <memory>
#include <string>

#include "instrument/PowerMeter.h"
#include "platform/DynamicLibrary.h"
#include "platform/SettingsStore.h"

namespace {

using ViStatus = int32_t;
using ViSession = uint32_t;
using ViBoolean = uint16_t;

// Resolves every symbol of a table; on the first missing one, says which.
class TBinder {
 public:
  TBinder(platform::DynamicLibrary& lib, std::string& error, const std::string& file, const char* key)
      : Lib(lib), Error(error), File(file), Key(key) {}
  template <typename F>
  void operator()(F*& target, const char* name) {
    if (!Ok) return;
    target = reinterpret_cast<F*>(Lib.symbol(name));
    if (!target) {
      Ok = false;
      Error = "Symbol " + std::string(name) + " missing in " + File + " (setting " + Key + "): " + Lib.error();
    }
  }
  bool Ok = true;

 private:
  platform::DynamicLibrary& Lib;
  std::string& Error;
  const std::string& File;
  const char* Key;
};

bool OpenLibrary(platform::DynamicLibrary& lib, const char* key, const char* defaultName, std::string& file,
                 std::string& error) {
  file = platform::SettingsStore().readString(key, defaultName);
  if (file.empty()) file = defaultName;
  if (lib.open(file)) return true;
  error = "Cannot load " + file + " (setting " + key + "): " + lib.error();
  return false;
}

class TSensorLibrary : public IPowerSensorDriver {
 public:
  bool Load(std::string& error) {
    std::string file;
    if (!OpenLibrary(Lib, "PowerSensorLibrary", "librsnrpz.so", file, error)) return false;
    TBinder bind(Lib, error, file, "PowerSensorLibrary");
    bind(init, "rsnrpz_init");
    bind(chanInfo, "rsnrpz_chan_info");
    bind(avgAuto, "rsnrpz_avg_configureAvgAuto");
    bind(correction, "rsnrpz_chan_setCorrectionFrequency");
    bind(initiate, "rsnrpz_chans_initiate");
    bind(isComplete, "rsnrpz_chan_isMeasurementComplete");
    bind(fetch, "rsnrpz_meass_fetchMeasurement");
    bind(zero, "rsnrpz_chans_zero");
    bind(isZeroed, "rsnrpz_chans_isZeroingComplete");
    bind(close, "rsnrpz_close");
    return bind.Ok;
  }
  int32_t Init(const char* r, uint16_t id, uint16_t reset, uint32_t* h) override {
    return init(const_cast<char*>(r), id, reset, h);
  }
  int32_t ChanInfo(uint32_t h, int32_t c, const char* t, int32_t n, char* b) override {
    return chanInfo(h, c, const_cast<char*>(t), n, b);
  }
  int32_t AvgConfigureAvgAuto(uint32_t h, int32_t c, int32_t r) override { return avgAuto(h, c, r); }
  int32_t ChanSetCorrectionFrequency(uint32_t h, int32_t c, double f) override { return correction(h, c, f); }
  int32_t ChansInitiate(uint32_t h) override { return initiate(h); }
  int32_t ChanIsMeasurementComplete(uint32_t h, int32_t c, uint16_t* done) override { return isComplete(h, c, done); }
  int32_t MeassFetchMeasurement(uint32_t h, int32_t c, double* w) override { return fetch(h, c, w); }
  int32_t ChansZero(uint32_t h) override { return zero(h); }
  int32_t ChansIsZeroingComplete(uint32_t h, uint16_t* done) override { return isZeroed(h, done); }
  int32_t Close(uint32_t h) override { return close(h); }

 private:
  platform::DynamicLibrary Lib;
  ViStatus (*init)(char*, ViBoolean, ViBoolean, ViSession*) = nullptr;
  ViStatus (*chanInfo)(ViSession, int32_t, char*, int32_t, char*) = nullptr;
  ViStatus (*avgAuto)(ViSession, int32_t, int32_t) = nullptr;
  ViStatus (*correction)(ViSession, int32_t, double) = nullptr;
  ViStatus (*initiate)(ViSession) = nullptr;
  ViStatus (*isComplete)(ViSession, int32_t, ViBoolean*) = nullptr;
  ViStatus (*fetch)(ViSession, int32_t, double*) = nullptr;
  ViStatus (*zero)(ViSession) = nullptr;
  ViStatus (*isZeroed)(ViSession, ViBoolean*) = nullptr;
  ViStatus (*close)(ViSession) = nullptr;
};

class TVisaLibrary : public IGpibDriver {
 public:
  bool Load(std::string& error) {
    std::string file;
    if (!OpenLibrary(Lib, "VisaLibrary", "libvisa.so", file, error)) return false;
    TBinder bind(Lib, error, file, "VisaLibrary");
    bind(openRM, "viOpenDefaultRM");
    bind(open, "viOpen");
    bind(write, "viWrite");
    bind(read, "viRead");
    bind(setAttribute, "viSetAttribute");
    bind(ren, "viGpibControlREN");
    bind(close, "viClose");
    return bind.Ok;
  }
  int32_t OpenDefaultRM(uint32_t* rm) override { return openRM(rm); }
  int32_t Open(uint32_t rm, const char* r, uint32_t mode, uint32_t tmo, uint32_t* h) override {
    return open(rm, const_cast<char*>(r), mode, tmo, h);
  }
  int32_t Write(uint32_t h, const unsigned char* d, uint32_t n, uint32_t* done) override {
    return write(h, const_cast<unsigned char*>(d), n, done);
  }
  int32_t Read(uint32_t h, unsigned char* b, uint32_t n, uint32_t* done) override { return read(h, b, n, done); }
  int32_t SetAttribute(uint32_t h, uint32_t a, uint64_t v) override { return setAttribute(h, a, v); }
  int32_t GpibControlREN(uint32_t h, uint16_t m) override { return ren(h, m); }
  int32_t Close(uint32_t h) override { return close(h); }

 private:
  platform::DynamicLibrary Lib;
  ViStatus (*openRM)(ViSession*) = nullptr;
  ViStatus (*open)(ViSession, char*, uint32_t, uint32_t, ViSession*) = nullptr;
  ViStatus (*write)(ViSession, unsigned char*, uint32_t, uint32_t*) = nullptr;
  ViStatus (*read)(ViSession, unsigned char*, uint32_t, uint32_t*) = nullptr;
  ViStatus (*setAttribute)(ViSession, uint32_t, uint64_t) = nullptr;
  ViStatus (*ren)(ViSession, uint16_t) = nullptr;
  ViStatus (*close)(ViSession) = nullptr;
};

// Kept for the run once loaded; a failed load is tried again at the next connection.
std::unique_ptr<TSensorLibrary> SensorLibrary;
std::unique_ptr<TVisaLibrary> VisaLibrary;


}  // namespace

bool LoadPowerMeterDrivers(int model, TPowerMeter::TDrivers& drivers, std::string& error) {
  if (model == 0) {
    if (!SensorLibrary) {
      auto lib = std::make_unique<TSensorLibrary>();
      if (!lib->Load(error)) return false;
      SensorLibrary = std::move(lib);
    }
    drivers.Sensor = SensorLibrary.get();
    return true;
  }
  if (model == 1) {
    if (!VisaLibrary) {
      auto lib = std::make_unique<TVisaLibrary>();
      if (!lib->Load(error)) return false;
      VisaLibrary = std::move(lib);
    }
    drivers.Gpib = VisaLibrary.get();
    return true;
  }
  error = "Unknown power meter model";
  return false;
}
