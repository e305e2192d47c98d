#pragma once
// The electronic calibration module as the program sees it: model and serial, switch state,
// which module port faces which analyser port, the characterisation in use, and the temporary
// calibration kit built from that characterisation (corrected for the module's temperature on
// request). The automatic calibration measures the module's states as the standards of a
// one-port calibration of the active channel or of the system calibration.
//
// While one of its operations runs (a load, an orientation, a run, a descriptor read) the
// module's plug notices wait and run once when it ends, and a second operation, a switch
// change from elsewhere, or a calibration sweep not issued by the run is refused with EAbort
// 200 "Execution error". A run that does not end with success leaves the user's calibration,
// the kit selection, the channels and the sweep as they were.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/ECalBase.h"
#include "model/Complex.h"
#include "model/EcalFlash.h"

class TCalStd;

class TECal {
 public:
  static constexpr int SlotCount = ecal::kSlotCount;
  // Module port facing analyser port A (the reflection port) in the demonstration's port model.
  enum : int { PortA = 0, PortB = 1 };

  TECal();
  ~TECal();
  TECal(const TECal&) = delete;
  TECal& operator=(const TECal&) = delete;

  std::unique_ptr<TECalBase> Link;
  std::function<void()> OnChange;
  int PortMap[2] = {0, 1};
  bool AutoOrientation = true;
  int Characterization = 0;
  int SwitchState = 0;
  std::array<std::vector<TComplex>, SlotCount> Data;
  bool ThermoCompensation = false;
  std::string Serial = ecal::kBlankSerial;
  int Model = 0;
  bool SystemRun = false;
  int SavedKit = 0;
  bool KitReplaced = false;

  void CheckConnection();
  void Preset() {}
  bool IsConnected() const { return Link->Connected; }
  int GetPortCount() const { return 2; }
  // A slot outside 0..1 raises EAbort 220 "Parameter error".
  int GetPortMap(int slot) const;
  void SetPortMap(int slot, int port);
  void SetAutoOrientation(bool on);
  void SetThermoCompensation(bool on);
  void SetCharacterization(int n);
  // The index limited by the model (0..6 for model 0, 0..8 otherwise); a module that does not
  // take it raises EAbort 200 "Execution error" and the state stays.
  void SetState(int index);

  std::string GetSerial() const;
  std::string GetModelName() const;
  static std::string GetCharacterizationName(int n);
  // A code outside 0..12 raises EAbort 220 "Parameter error".
  static std::string GetConnectorName(int code);
  bool GetTemperature(double& degrees);
  bool ReadHeader(std::string& serial, int& model);
  bool ReadDescriptor(ecal::TDescriptor& descriptor);
  bool LoadCharacterization();
  void LinkChanged();

  // ---- Runs ----------------------------------------------------------------------------------
  bool RunAutoCal(bool system);
  bool AutoOrient();
  bool MeasureStandards();
  // Waits while the user interface keeps running; always true.
  bool Wait(int ms);
  // 500 ms for model 0, 2000 ms for model 1; false without waiting for any other model.
  bool WaitSettle();

  // True while an operation of the module runs.
  bool IsBusy() const { return Busy > 0; }
  // Module port the demonstration's emulated port connects during a run (PortA or PortB).
  int EmulatedModulePort = PortA;

 private:
  class TOperation;
  void SetStateNow(int index);
  bool LoadNow();
  bool OrientNow();
  bool MeasureNow();
  bool ReadDataBlock(uint32_t& address, uint32_t n, int slot);
  bool ReadCharacterizationData(uint32_t& address, uint32_t n);
  bool ReadThermoTable(uint32_t& address, uint32_t k, std::vector<double>& table);
  void FillKit(double f1, double f2, uint32_t n);
  void CorrectForTemperature(double temperature, double characterizationTemperature);
  void ProcessPendingMessages();
  void Changed();

  int Busy = 0;
  bool KitTouched = false;  // the last load selected the temporary kit
};
