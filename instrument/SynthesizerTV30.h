#pragma once
// Synthesizer settings and frequency plan of the 14 GHz model (model row 4): as the 5.4 GHz
// model, plus the signal doubler and tripler bands and the switch delay, without the
// third-harmonic modes. Kept in the state-file section "SynthTV30".
#include <cstdint>

#include "instrument/SynthesizerBase.h"

class TCustomIniFile;

class TSynthesizerTV30 : public TSynthesizerBase {
 public:
  TSynthesizerTV30();

  static constexpr double kDefaultIFAccuracy = 0.000025;
  static constexpr double kDefaultReferenceFreq = 32;
  static constexpr double kDefaultIntermediateFreq = 0.24;
  static constexpr int32_t kDefaultMeasureDelay = 130;
  static constexpr int32_t kDefaultBackScanDelay = 1000;
  static constexpr int32_t kDefaultSwitchDelay = 1000;
  static constexpr double kDefaultMinFrequency = 85;
  static constexpr double kDefaultMaxFrequency = 14000;
  static constexpr double kDefaultFreq2x = 4800;
  static constexpr double kDefaultFreq3x = 9600;
  static const TWords kDefaultSignalWords;
  static const TWords kDefaultHeterodyneWords;

  void LoadDefaults() override;
  // Limits every setting to its range, each from its own value.
  void ClampSettings();

  void GetHeterodyneWords(TWords& words) const { words = HeterodyneWords; }

  // Section "SynthTV30" of a state file. These settings belong to service mode: without the
  // "EnableService" switch both do nothing and return false. Loading clamps, resets both channel
  // tolerances to IFAccuracy and restarts the sweep (OnRestartSweep).
  bool SaveSettings(TCustomIniFile& ini) const;
  bool LoadSettings(const TCustomIniFile& ini);

  // ISynthPlan, beyond the shared planning.
  // Above the doubler band (lo > IF + Freq2x, or > IF + Freq3x) the heterodyne runs at a third.
  double HeterodyneFrequency(double lo, double fr) const override;

  // Settings (names are the state-file keys).
  int32_t SwitchDelay;      // microseconds; stored and shown only
  double Freq2x;            // MHz: signal doubler above this
  double Freq3x;            // MHz: signal tripler above this

 private:
  TSynthPlanParams Params() const override;
};
