#pragma once
// The owner of the sweep engine and of the sweep-control settings: trigger mode and source, the
// reference clock, the power level (the 20 dB attenuator) and the distance settings of
// distance-to-fault analysis (unit, velocity factor, cable loss, the cable table). It is the only
// code that starts, stops and triggers sweeps. The dialogs, the automation server and the
// calibration code call its setters; the text setters and getters are the automation server's
// view of the settings. It keeps the "ScannerModule" section of the instrument state file.
//
// Everything here runs on the user-interface thread.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "instrument/CableStds.h"
#include "model/FObject.h"
#include "platform/AtomicFile.h"

class TCustomIniFile;
class TScanner;
class TSynthesizerBase;

class TScannerModule : public TFObject {
 public:
  // Every channel in use has been swept.
  using TSweepDoneEvent = std::function<void(TFObject* sender)>;
  // A setting changed; previous is the value before it where it is an integer or a switch (clock
  // source, distance unit, cable-loss switch, trigger mode and source, power level, selected
  // cable), else 0.
  using TSettingsChangeEvent = std::function<void(TFObject* sender, int previous)>;
  // New measured data was stored and the channel told to redraw.
  using TNewDataEvent = std::function<void(TFObject* sender)>;

  enum : int { Hold = 0, Single = 1, Continuous = 2 };                  // trigger modes
  enum : int { SourceInternal = 0, SourceExternal = 1, SourceBus = 2 };  // trigger sources
  enum : int { ClockInternal = 0, ClockExternal = 1 };                   // reference clock
  enum : int { UnitSeconds = 0, UnitMetres = 1, UnitFeet = 2 };         // distance units

  static constexpr const char* Section = "ScannerModule";

  // Creates the scanner, hooks its end-of-sweep and new-data events and builds the built-in cable table with
  // entry 0 named by the language module's "User Defined".
  TScannerModule();
  // Disconnects the scanner when it is connected, then destroys it.
  ~TScannerModule() override;

  TScanner& GetScanner() const { return *Scanner; }

  // ---- Sweep control ----------------------------------------------------------------------------
  // With a scan list and the instrument out of standby: sends the clock record first when one
  // is due, then by trigger source starts entry n (an n outside the list starts entry 0), arms
  // the external trigger, or waits for a bus trigger. Otherwise stops the sweep. The trigger
  // mode is not looked at: callers decide.
  void StartSweep(int n);
  void StopSweep();
  // The bus or manual trigger: starts entry 0 when connected, with a scan list, out of standby
  // and waiting for a trigger; otherwise nothing.
  void Trigger();
  // Stops the sweep and rebuilds every scan entry's command list (the sweep is not restarted).
  void RebuildScanList();
  void RestartAveraging();
  // Stop, every channel's points and the scan lists rebuilt, start again from entry 0: what a
  // change of the synthesizer settings needs before it reaches the instrument.
  void RestartOnNewSynthSettings();
  // Installs RestartOnNewSynthSettings as the restart of each synthesizer settings object given
  // (null ones are skipped). Program start calls it once both exist; they must not outlive
  // the module with the hook installed.
  void HookSynthesizers(TSynthesizerBase* k12, TSynthesizerBase* k30);

  // ---- Setters; an unchanged value does nothing ------------------------------------------------
  // Hold, single or continuous (other values are ignored); restarts the sweep unless hold.
  void SetTriggerMode(int mode);
  // Only while connected (else nothing at all). A change stops the sweep (leaving EXT aborts
  // it, so the instrument lets go of an armed list), stores the source and starts from entry 0;
  // the change event fires whether or not the source changed. Codes outside 0..2 are ignored.
  void SetTriggerSource(int source);
  // Only while connected. A change stores it, fires the event, stops, sends the clock record
  // and starts from entry 0. Codes outside 0..1 are ignored.
  void SetClockSource(int source);
  // Power level LOW (on) or HIGH: stops, rebuilds the lists (the flag travels in them) and
  // starts from entry 0.
  void SetLowPower(bool on);
  // Any integer is stored as given.
  void SetDistanceUnits(int unit);
  void SetCableLossEnabled(bool on);
  // Compared before they are limited, then stored limited (velocity 0.001..1, loss 0..1000),
  // entry 0 ("User Defined") selected and given the module's velocity and loss. Non-finite
  // values are ignored.
  void SetVelocityFactor(double v);
  void SetCableLoss(double loss);

  // ---- Cable table -------------------------------------------------------------------------------
  // Selects entry index (limited to the table) and takes over its velocity and loss; nothing
  // when that entry is selected already with the same values.
  void SelectCableStd(int index);
  // The selected index limited to the table (and stored so).
  int GetCableStdIndex();
  // Reads a cable list (name completed as TCableStds::CompleteFileName says) into the table and
  // remembers its path. No such file: nothing changes and the result is false. A file that
  // cannot be read or holds no cable list raises EAbort and changes nothing. A list without
  // entries leaves entry 0 "User Defined" with the module's velocity and loss.
  bool LoadCableList(const std::string& name);
  // Where the table goes when a state named a cable list that could not be loaded:
  // "noname.cbl" in the cable folder, the name the file browser offers there.
  static std::string DefaultCableListPath();
  // Writes the table to a cable list (the "Cable" folder is created for a bare name) and
  // remembers its path. A failed write raises EAbort naming the file; the old file, the
  // remembered path and the table stay as they were.
  void SaveCableList(const std::string& name);

  // ---- Automation texts --------------------------------------------------------------------------
  // "INT", "EXT", "BUS"; empty for other codes.
  std::string GetTriggerSourceText() const;
  // Begins with (case ignored), tried in this order: "INT" 0, "BUS" 2, "EXT" 1. Else EAbort
  // "Invalid trigger source specifier" (205).
  void SetTriggerSourceText(std::string_view text);
  // "EXT" for the external reference, else "INT".
  std::string GetClockSourceText() const;
  // "INT" 0, "EXT" 1; else EAbort "Illegal parameter value" (224).
  void SetClockSourceText(std::string_view text);
  // "SEC", "METR", "FT"; empty for other units.
  std::string GetDistanceUnitsText() const;
  // "SEC" 0, "METR" 1, "FT" 2; else EAbort 224.
  void SetDistanceUnitsText(std::string_view text);
  // "LOW" or "HIGH".
  std::string GetPowerLevelText() const;
  // "LOW" on, "HIGH" off; else EAbort 224.
  void SetPowerLevelText(std::string_view text);

  // The keyword tables of the text setters, on their own: the code a text selects, or EAbort.
  static int TriggerSourceFromText(std::string_view text);
  static int ClockSourceFromText(std::string_view text);
  static int DistanceUnitsFromText(std::string_view text);
  static bool LowPowerFromText(std::string_view text);

  // Stop; continuous, INT, clock internal (the clock record due when it was external), velocity
  // 1, loss 0, entry 0, no cable list file, metres, cable loss off, power HIGH (the lists rebuilt
  // when it was LOW). No event; the cable table stays as it is.
  void Preset();

  // ---- State file --------------------------------------------------------------------------------
  // Writes the section's ten keys (hold as single), then the table to the named cable list. A
  // failed cable-list write is logged and returned; the section is written all the same.
  platform::FileResult SaveState(TCustomIniFile& ini);
  // Reads the section into the settings, limited to their ranges (unknown codes take the
  // defaults), without events; the clock record becomes due; velocity and loss go into entry 0;
  // a named cable list is loaded (a failure is logged and keeps the table) and the selected
  // index is limited to the table. The caller restarts the sweep.
  void LoadState(const TCustomIniFile& ini);

  // ---- Fields (read freely; change them through the setters) -----------------------------------
  // The entry at which the next StartSweep begins; the channel windows keep it.
  int CurrentScanIndex = 0;
  int TriggerMode = Continuous;
  int TriggerSource = SourceInternal;
  int ClockSource = ClockInternal;
  // False while the clock record must be sent before the next sweep.
  bool ClockSent = true;
  double VelocityFactor = TCableStd::DefaultVelocity;
  // dB per metre.
  double CableLoss = TCableStd::DefaultLoss;
  int MetricSystem = UnitMetres;
  // Power level LOW; the scanner's LowPower follows it.
  bool Attenuator20dB = false;
  bool EnableCableLoss = false;
  TCableStds CableStds;
  // Path of the cable list last loaded or saved; empty for none.
  std::string CableListFile;
  int CableStdIndex = 0;

  TSweepDoneEvent OnSweepDone;
  TSettingsChangeEvent OnSettingsChange;
  TNewDataEvent OnNewData;
  // Where failures of the module's own file work go (standard error by default).
  std::function<void(const std::string& message)> Log;

 private:
  void FireSettingsChange(int previous);
  // Entry 0 "User Defined" from the module's velocity and loss when the table is empty.
  void EnsureCableTable();
  // Loads the cable list a state names, from the cable folder only; remembers the default
  // name when the list could not be loaded.
  void RestoreCableList(const std::string& stored);
  // Selects entry 0 and gives it the module's velocity and loss.
  void StoreUserDefined();

  std::unique_ptr<TScanner> Scanner;
};

// The program's sweep-control module; program start creates it after the device model.
extern TScannerModule* ScannerModule;
