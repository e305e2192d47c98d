#pragma once
// A scripted stand-in for both power meter drivers: statuses per call name, completion times on
// the installed clock, GPIB replies in order; it records the bytes written, the calls made and
// the handles open.
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "instrument/PowerMeterDriver.h"
#include "platform/Clock.h"

class FakePowerDrivers : public IPowerSensorDriver, public IGpibDriver {
 public:
  std::map<std::string, int32_t> Status;  // call name -> status returned (default 0)
  std::vector<std::string> Calls;         // every call by name, in order
  std::vector<std::string> Written;       // GPIB writes, as text
  std::set<uint32_t> OpenHandles;
  std::deque<std::string> Replies;        // GPIB replies; empty -> "-30.00E+00\r\n"
  uint32_t ClaimExtra = 0;                // bytes a read claims beyond what it copied
  int64_t CompleteAtMs = 0;               // measurement/zeroing complete from this clock time
  double Watts = 1e-6;
  double CorrectionHz = 0;
  std::map<uint32_t, uint64_t> Attributes;
  std::vector<uint16_t> RenModes;

  int32_t Call(const std::string& name) {
    Calls.push_back(name);
    auto it = Status.find(name);
    return it == Status.end() ? 0 : it->second;
  }
  uint32_t NewHandle() {
    const uint32_t h = ++LastHandle;
    OpenHandles.insert(h);
    return h;
  }
  bool Complete() const { return platform::Clock::get().steadyMs() >= CompleteAtMs; }

  // IPowerSensorDriver
  int32_t Init(const char* resource, uint16_t, uint16_t, uint32_t* handle) override {
    Resource = resource;
    const int32_t s = Call("Init");
    if (s >= 0) *handle = NewHandle();
    return s;
  }
  int32_t ChanInfo(uint32_t, int32_t, const char*, int32_t size, char* buffer) override {
    if (size > 0) std::strncpy(buffer, "NRP-Z11", static_cast<size_t>(size) - 1);
    return Call("ChanInfo");
  }
  int32_t AvgConfigureAvgAuto(uint32_t, int32_t, int32_t) override { return Call("AvgConfigureAvgAuto"); }
  int32_t ChanSetCorrectionFrequency(uint32_t, int32_t, double hz) override {
    CorrectionHz = hz;
    return Call("ChanSetCorrectionFrequency");
  }
  int32_t ChansInitiate(uint32_t) override { return Call("ChansInitiate"); }
  int32_t ChanIsMeasurementComplete(uint32_t, int32_t, uint16_t* complete) override {
    *complete = Complete() ? 1 : 0;
    return Call("ChanIsMeasurementComplete");
  }
  int32_t MeassFetchMeasurement(uint32_t, int32_t, double* watts) override {
    *watts = Watts;
    return Call("MeassFetchMeasurement");
  }
  int32_t ChansZero(uint32_t) override { return Call("ChansZero"); }
  int32_t ChansIsZeroingComplete(uint32_t, uint16_t* complete) override {
    *complete = Complete() ? 1 : 0;
    return Call("ChansIsZeroingComplete");
  }
  int32_t Close(uint32_t handle) override {  // both interfaces
    if (!OpenHandles.erase(handle)) ++ClosedUnopened;
    return Call("Close");
  }

  // IGpibDriver
  int32_t OpenDefaultRM(uint32_t* rm) override {
    const int32_t s = Call("OpenDefaultRM");
    if (s == 0) *rm = NewHandle();
    return s;
  }
  int32_t Open(uint32_t, const char* resource, uint32_t, uint32_t, uint32_t* handle) override {
    Resource = resource;
    const int32_t s = Call("Open");
    if (s == 0) *handle = NewHandle();
    return s;
  }
  int32_t Write(uint32_t handle, const unsigned char* data, uint32_t count, uint32_t* written) override {
    if (!OpenHandles.count(handle)) ++CallsOnClosed;
    Written.emplace_back(reinterpret_cast<const char*>(data), count);
    *written = count;
    return Call("Write:" + Written.back());
  }
  int32_t Read(uint32_t handle, unsigned char* buffer, uint32_t count, uint32_t* read) override {
    if (!OpenHandles.count(handle)) ++CallsOnClosed;
    std::string reply = "-30.00E+00\r\n";
    if (!Replies.empty()) {
      reply = Replies.front();
      Replies.pop_front();
    }
    const uint32_t n = std::min<uint32_t>(count, static_cast<uint32_t>(reply.size()));
    std::memcpy(buffer, reply.data(), n);
    *read = n + ClaimExtra;
    return Call("Read");
  }
  int32_t SetAttribute(uint32_t, uint32_t attribute, uint64_t value) override {
    Attributes[attribute] = value;
    return Call("SetAttribute");
  }
  int32_t GpibControlREN(uint32_t, uint16_t mode) override {
    RenModes.push_back(mode);
    return Call("GpibControlREN");
  }

  std::string Resource;
  int ClosedUnopened = 0;
  int CallsOnClosed = 0;

 private:
  uint32_t LastHandle = 100;
};
