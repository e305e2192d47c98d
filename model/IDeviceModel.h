#pragma once
// What the engine needs of the device model: which model row is driven, whether the program
// runs against the built-in emulator, which receiver and ratio slots hold what, and the texts
// that identify the instrument. TDevice implements it; tests install fakes.
#include <string>

class IDeviceModel {
 public:
  virtual ~IDeviceModel() = default;

  // Row of the model table: 3 the 5.4 GHz model, 4 the 14 GHz model.
  virtual int GetModelIndex() const = 0;
  // True when the program runs against the demonstration emulator.
  virtual bool GetDemoMode() const = 0;
  // Ratio slot of the reflection port (0) and of the transmission port (1); receiver index of
  // the reference wave (2).
  virtual int GetReflectionIndex() const = 0;
  virtual int GetTransmissionIndex() const = 0;
  virtual int GetReferenceIndex() const = 0;
  // Whether the model has a real receiver at that index.
  virtual bool HasReceiver(int index) const = 0;

  // Identification texts; empty for rows other than 3 and 4 unless noted.
  virtual std::string GetMakerName() const = 0;        // every row
  virtual std::string GetModelName() const = 0;        // begins with one blank
  virtual std::string GetLongDescription() const = 0;  // begins with one blank
  virtual std::string GetDescription() const = 0;      // begins with one blank
  virtual std::string GetFirmwareVersion() const = 0;
  virtual std::string GetSoftwareVersion() const = 0;  // every row
  virtual std::string GetIdentification() const = 0;
};
