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
#include "calibration/CalibrationForm.h"
#include "calibration/IActiveChannelWindow.h"
#include "calibration/IMainWindowHook.h"
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
  bool IsInstrumentHeld() const override { return !IsTransferAllowed(); }
  // The channel's automatic adjustment: skipped while another run or a transfer is in progress.
  void AdjustFrequencyOffset() override { AdjustFrequencyOffset(true); }
  uint32_t GetSerialNumber() const override { return SerialNumber; }
  int GetHardwareRevision() const override { return HardwareRevision; }
  // Corrects with the system calibration in force (GetSystemCalibr) unless the system correction
  // is suspended or that calibration has no terms.
  void ApplySystemCorrection(int a, TComplex& x, int b, TComplex& y, double frequencyMHz) const override;
  void ApplySystemCorrectionAt(TRange& channel, int i, double frequencyMHz, int a, TComplex& x, int b,
                               TComplex& y) const override;

  // ---- Calibrations ---------------------------------------------------------------------------
  // Rows 3 and 4: the low-power one while the scanner module runs at low power; else the normal.
  TCalibr& GetSystemCalibr() const;
  TCalibr& GetSystemCal() const { return *SystemCal; }
  TCalibr& GetSystemCalLowPower() const { return *SystemCalLowPower; }
  void ClearSystemCalibrations();
  bool IsSystemCalibrationEmpty() const;

  // ---- Calibration files ---------------------------------------------------------------------
  static constexpr const char* FactoryFileName = "FTervanK12.dat";
  static constexpr const char* FactoryLowPowerFileName = "FLPTervanK12.dat";
  // The active channel's user calibration to a file. A calibration without error terms could
  // never be loaded again and is refused; like a missing channel window or a failed write, with
  // EAbort 200 and a message that says why (the old file then stays).
  void SaveUserCalibration(const std::string& fileName);
  // The file into the active channel's user calibration. A file that cannot be loaded changes
  // nothing and raises EAbort 200 with the reason; a form whose stimulus extension is unusable
  // loads its terms and returns with the reason.
  TCalibrationForm::TResult LoadUserCalibration(const std::string& fileName);
  // Model row 3 only: the two factory files from the data root into the system calibrations.
  // Files that are missing or do not load leave their calibration as it was. Returns how many
  // loaded. Called at creation.
  int LoadFactoryFiles();

  // ---- Instrument memory ------------------------------------------------------------------------
  // Write both system calibrations and the identity to the instrument's memory, or read them
  // back. Both do nothing in demonstration mode or while the scanner is not connected; the read
  // also nothing below model row 3. While a run or another transfer is in progress they raise
  // EAbort 200 "Execution error". The main window is disabled throughout and pending messages
  // run between the pages; EepromBusy, EepromPhase and EepromPercent tell the progress.
  void WriteEeprom();
  void ReadEeprom() override;
  IMainWindowHook* MainWindowHook = nullptr;

  // ---- Frequency offset adjustment ----------------------------------------------------------
  // Measures the adjustment value of the active channel's adjustment port: a coarse sweep of
  // search points at 30 kHz around the centre, then narrower ones down to the channel's own IF
  // bandwidth; a cancelled coarse sweep stores nothing, a cancelled refinement the value so far.
  // A search that cannot be planned abandons the run (old value kept) and tells the user, an
  // automatic run only once until one succeeds. Requested while another run or a transfer is
  // in progress: EAbort 200 "Execution error", or, automatic, nothing.
  void AdjustFrequencyOffset(bool automatic);
  static constexpr int OffsetAdjustLadder[8] = {30000, 10000, 3000, 1000, 300, 100, 30, 10};
  static constexpr double OffsetAdjustCoarseIFBW = 30000;

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

  // While the electronic calibration module runs an operation, only the sweeps its run issues
  // (ModuleCalibrating set around them) are taken; others get EAbort 200.
  int ModuleOperationDepth = 0;
  bool ModuleCalibrating = false;

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
  bool IsTransferAllowed() const;
  void ShowUserMessage(const std::string& text);
  void ProcessPendingMessages();
  void ReportOffsetAdjustFailure(bool automatic);

  bool OffsetAdjustFailureTold = false;
  std::string SettingsPath;
  std::unique_ptr<TCalibr> SystemCal;
  std::unique_ptr<TCalibr> SystemCalLowPower;
};

extern TCalibratorModule* CalibratorModule;
