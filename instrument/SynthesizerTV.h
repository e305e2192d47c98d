#pragma once
// Synthesizer settings and frequency plan of the 5.4 GHz model (model row 3): reference and
// intermediate frequency, planning tolerance, measurement delays, device band, the register
// words of both RFFC507x synthesizers, and the third-harmonic modes. Kept in the state-file
// section "SynthTV".
#include <cstdint>

#include "instrument/SynthesizerBase.h"

class TCustomIniFile;

class TSynthesizerTV : public TSynthesizerBase {
 public:
  TSynthesizerTV();

  static constexpr double kDefaultIFAccuracy = 0.00001;
  static constexpr double kDefaultReferenceFreq = 32;
  static constexpr double kDefaultIntermediateFreq = 0.18;
  static constexpr int32_t kDefaultMeasureDelay = 130;
  static constexpr int32_t kDefaultBackScanDelay = 1000;
  static constexpr double kDefaultMinFrequency = 85;
  static constexpr double kDefaultMaxFrequency = 5400;
  static constexpr int32_t kDefaultLoMixCountRev1 = 0x9200;
  static constexpr int32_t kDefaultLoMixCountRev2 = 0xB200;
  static const TWords kDefaultSignalWords;
  static const TWords kDefaultHeterodyneWords;  // MIX_COUNT as for hardware revision 1

  void LoadDefaults() override;
  // Limits every setting to its range, each from its own value.
  void ClampSettings();

  // Sets the heterodyne MIX_COUNT from the hardware revision first.
  void GetHeterodyneWords(TWords& words);

  // Section "SynthTV" of a state file. These settings belong to service mode: without the
  // "EnableService" switch both do nothing and return false. Loading clamps, resets both channel
  // tolerances to IFAccuracy and restarts the sweep (OnRestartSweep).
  bool SaveSettings(TCustomIniFile& ini);
  bool LoadSettings(const TCustomIniFile& ini);

  // ISynthPlan, beyond the shared planning.
  // Heter3x: (fr - IF) / 3; else Signal3x: fr + IF / 3; else lo unchanged.
  double HeterodyneFrequency(double lo, double fr) const override;

  // Hardware revision of the instrument, as the calibration module keeps it (1 without one).
  int GetHardwareRevision() const;
  // The heterodyne MIX_COUNT word the instrument gets on this hardware revision: revision 2
  // uses LoMixCountRev2, every other revision LoMixCountRev1. Whoever edits MIX_COUNT stores it
  // here, so the edit is what the next scan list sends.
  int32_t& MixCountOfRevision();

  // Settings (names are the state-file keys).
  bool Heter3x;
  bool Signal3x;
  // Heterodyne MIX_COUNT by hardware revision: Rev2 for revision 2, Rev1 for every other one.
  int32_t LoMixCountRev1;
  int32_t LoMixCountRev2;

 private:
  TSynthPlanParams Params() const override;
};
