#pragma once
// The two driver libraries the external power meter talks through, as our own interfaces: the
// USB sensor's driver and the VISA library for the GPIB meter. The real libraries are bound to
// them at run time (PowerMeterLibraries.cpp); tests script a fake behind them.
#include <cstdint>

// The USB sensor's driver: a negative status is an error, a positive one a warning.
class IPowerSensorDriver {
 public:
  virtual ~IPowerSensorDriver() = default;
  virtual int32_t Init(const char* resource, uint16_t idQuery, uint16_t reset, uint32_t* handle) = 0;
  virtual int32_t ChanInfo(uint32_t handle, int32_t channel, const char* infoType, int32_t bufferSize,
                           char* buffer) = 0;
  virtual int32_t AvgConfigureAvgAuto(uint32_t handle, int32_t channel, int32_t resolution) = 0;
  virtual int32_t ChanSetCorrectionFrequency(uint32_t handle, int32_t channel, double frequencyHz) = 0;
  virtual int32_t ChansInitiate(uint32_t handle) = 0;
  virtual int32_t ChanIsMeasurementComplete(uint32_t handle, int32_t channel, uint16_t* complete) = 0;
  virtual int32_t MeassFetchMeasurement(uint32_t handle, int32_t channel, double* watts) = 0;
  virtual int32_t ChansZero(uint32_t handle) = 0;
  virtual int32_t ChansIsZeroingComplete(uint32_t handle, uint16_t* complete) = 0;
  virtual int32_t Close(uint32_t handle) = 0;
};

// The VISA library for the GPIB meter: only status 0 succeeds.
class IGpibDriver {
 public:
  virtual ~IGpibDriver() = default;
  virtual int32_t OpenDefaultRM(uint32_t* resourceManager) = 0;
  virtual int32_t Open(uint32_t resourceManager, const char* resource, uint32_t accessMode, uint32_t timeout,
                       uint32_t* handle) = 0;
  virtual int32_t Write(uint32_t handle, const unsigned char* data, uint32_t count, uint32_t* written) = 0;
  virtual int32_t Read(uint32_t handle, unsigned char* buffer, uint32_t count, uint32_t* read) = 0;
  virtual int32_t SetAttribute(uint32_t handle, uint32_t attribute, uint64_t value) = 0;
  virtual int32_t GpibControlREN(uint32_t handle, uint16_t mode) = 0;
  virtual int32_t Close(uint32_t handle) = 0;
};
