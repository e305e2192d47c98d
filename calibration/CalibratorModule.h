#pragma once
// The application-wide calibration service: the two system calibrations (normal and low output
// power), the standards requested for the next calibration sweep, the correction switches the
// whole measurement path obeys, and the identity data kept with the system calibration. The
// sweep engine and the channels reach it through ICalibrationFacade.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "calibration/Calibr.h"
#include "calibration/IActiveChannelWindow.h"
#include "calibration/ISweepWaitBox.h"
#include "calibration/IUserMessageHook.h"
#include "model/FObject.h"
#include "model/ICalibrationFacade.h"

class TCalibratorModule : public TFObject, public ICalibrationFacade {
 public:
  static constexpr uint32_t MaxSerialNumber = 99999999u;

  // Empty system calibrations; hardware revision by the installed device's row (2 for row 3,
  // 3 for row 4, else 1); selects the kit stored as "CalKitNumber" in the user's settings
  // (settingsPath empty: the user's store) when the kit module is there. A missing, unreadable
  // or out-of-range value is ignored.
  explicit TCalibratorModule(std::string settingsPath = std::string());
  ~TCalibratorModule() override;

  // ---- ICalibrationFacade ---------------------------------------------------------------------
  bool IsUserCorrectionDisabled() const override { return UserCorrectionOff; }
  bool IsOffsetAdjustRunning() const override { return OffsetAdjustRunning; }
  // The offset adjustment run and the factory-data read are not part of this module yet.
  void AdjustFrequencyOffset() override {}
  uint32_t GetSerialNumber() const override { return SerialNumber; }
  int GetHardwareRevision() const override { return HardwareRevision; }
  // Corrects with the system calibration in force (GetSystemCalibr) unless the system correction
  // is suspended or that calibration has no terms.
  void ApplySystemCorrection(int a, TComplex& x, int b, TComplex& y, double frequencyMHz) const override;

  // ---- Calibrations ---------------------------------------------------------------------------
  // Rows 3 and 4: the low-power one while the scanner module runs at low power; else the normal.
  TCalibr& GetSystemCalibr() const;
  TCalibr& GetSystemCal() const { return *SystemCal; }
  TCalibr& GetSystemCalLowPower() const { return *SystemCalLowPower; }
  void ClearSystemCalibrations();
  bool IsSystemCalibrationEmpty() const;

  // ---- Standard requests ----------------------------------------------------------------------
  // Whether the device can measure that standard on that port index.
  static bool IsStandardValid(int kind, int port);
  // Kinds outside 0..5 and slots outside 0..1 are ignored; requesting a standard the device
  // cannot measure raises EAbort "Invalid argument in method Calibrate".
  void SetStandardRequest(int kind, int slot, bool value);
  bool IsStandardRequested(int kind, int slot) const;
  void ClearStandardRequests();

  // ---- Calibration sweep ----------------------------------------------------------------------
  // The user calibration of the active channel window, or null without one.
  TCalibr* GetUserCalibr() const;
  // Requests the standards kind0 on slot 0 and kind1 on slot 1 (-1 or a standard the device
  // cannot measure leaves the slot out) and measures them with one sweep of a temporary channel
  // into the system calibration in force (system) or the active channel's user calibration. Only
  // a sweep that ends normally stores anything; the channels, the sweep and the correction
  // switches are restored on every path. While a run or an EEPROM transfer is in progress it
  // raises EAbort 200 "Execution error".
  void Calibrate(int kind0, int kind1, bool system);

  // Installed by the main window (tests: fakes); a run needs the window and the wait box.
  IActiveChannelWindow* ActiveWindow = nullptr;
  ISweepWaitBox* WaitBox = nullptr;
  IUserMessageHook* MessageHook = nullptr;

  // ---- Switches and identity ------------------------------------------------------------------
  void SetSystemCorrectionOff(bool value);
  bool GetSystemCorrectionOff() const { return SystemCorrectionOff; }
  // A change fires OnCorrectionChange, then OnChange.
  void SetCorrection(bool off);
  void SetOffsetAdjustRunning(bool value) { OffsetAdjustRunning = value; }
  // Limited to 99999999 as an unsigned number (a negative n gives the limit); OnChange always.
  void SetSerialNumber(int64_t n);
  // Limited to 1..9; a change fires OnChange and restarts the sweep with rebuilt lists.
  void SetHardwareRevision(int n);
  // The switches and the automatic-extension settings back to their creation values; the
  // calibrations stay. Fires OnCorrectionChange, then OnChange.
  void Reset();

  // Writes the selected kit's index as "CalKitNumber"; while the temporary kit is selected the
  // stored value stays. Failures are ignored.
  void SaveCalKitNumber();

  uint32_t SerialNumber = 0;
  double CalTemperature = 0.0;
  std::string CalDateText;
  bool SystemMode = false;
  bool Requests[TCalibr::KindCount][TCalibr::SlotCount] = {};
  bool SystemCorrectionOff = false;
  bool UserCorrectionOff = false;
  bool OffsetAdjustRunning = false;
  int AutoExtMethod = 0;
  double AutoExtFreq1 = 1000.0;
  double AutoExtFreq2 = 1000.0;
  bool AutoExtIncludeLoss = false;
  bool AutoExtAdjustMismatch = false;
  bool EepromBusy = false;
  int EepromPercent = 0;
  int EepromPhase = 0;
  int HardwareRevision = 1;

  std::function<void(TFObject* sender)> OnChange;
  std::function<void(TFObject* sender)> OnCorrectionChange;
  std::function<void(TFObject* sender)> OnSystemCalLoaded;

 private:
  void NotifyChange();
  void NotifyCorrectionChange();
  void LoadCalKitNumber();
  void RunCalibrationSweep();

  std::string SettingsPath;
  std::unique_ptr<TCalibr> SystemCal;
  std::unique_ptr<TCalibr> SystemCalLowPower;
};

extern TCalibratorModule* CalibratorModule;
