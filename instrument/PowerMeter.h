#pragma once
// The external power meter: a USB sensor (model 0) or a GPIB meter (model 1), reached through
// the driver interfaces of PowerMeterDriver.h. It connects, zeroes and reads the sensor for the
// channel's power-meter mode and the power meter dialog. Everything runs on the user-interface
// thread; its waits let pending work run, and a disconnect from there ends the running
// operation with a failure.
#include <cstdint>
#include <functional>
#include <string>

#include "instrument/PowerMeterDriver.h"
#include "model/IPowerMeter.h"

class TPowerMeter : public IPowerMeter {
 public:
  // The drivers of one model; the one the model does not use may stay null.
  struct TDrivers {
    IPowerSensorDriver* Sensor = nullptr;
    IGpibDriver* Gpib = nullptr;
  };
  // Gives the drivers for a model, or false with a message. Empty: the driver libraries named
  // in the settings are loaded (and kept for the run).
  using TDriverSource = std::function<bool(int model, TDrivers& drivers, std::string& error)>;
  static TDriverSource DriverSource;

  TPowerMeter();
  ~TPowerMeter() override;
  TPowerMeter(const TPowerMeter&) = delete;
  TPowerMeter& operator=(const TPowerMeter&) = delete;

  // Ignored unless not ready; the value is clamped (model 0..1, address 0..31, board 0..7).
  void SetModel(int model);
  void SetGpibAddress(int address);
  void SetGpibBoard(int board);

  bool Connect() override;
  void Disconnect() override;
  bool Zero();
  // One reading in W at the frequency in MHz.
  bool Measure(double& watts, double frequencyMHz);
  bool MeasureDbm(double& level, double frequencyMHz) override;
  int GetState() const override { return State; }

  std::string GetModelText() const;

  int Model = 0;
  int GpibBoard = 0;
  int GpibAddress = 7;
  std::function<void(TPowerMeter*)> OnChange;
  uint32_t ResourceManager = 0;
  uint32_t DriverHandle = 0;
  std::string StatusText;
  int State = NotReady;
  // What made the last connection fail when a driver could not be had (empty otherwise).
  std::string LastError;

  // The reply of the GPIB meter as a level in dBm: its leading finite number, or false.
  static bool ParseGpibReply(const unsigned char* reply, uint32_t count, double& dbm);

 private:
  void Changed();
  void SetStatus(const char* english);
  bool GetDrivers();
  bool ConnectSensor();
  bool ConnectGpib();
  void CloseHandles();
  bool ReadSensor(double frequencyHz, double& watts);
  bool ReadGpib(double frequencyHz, double& watts);
  bool ZeroSensor();
  bool ZeroGpib();
  bool GpibWrite(const char* text);
  // Waits, letting pending work run; false when the meter was disconnected meanwhile.
  bool WaitMs(int64_t ms);

  TDrivers Drivers;
  // Set while an operation runs, so one started from a handler during its waits is refused.
  bool Busy = false;
};
