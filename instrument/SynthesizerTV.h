#pragma once
// Synthesizer settings and frequency plan of the 5.4 GHz model (model row 3): reference and
// intermediate frequency, planning tolerance, measurement delays, device band, the register
// words of both RFFC507x synthesizers, and the third-harmonic modes. Kept in the state-file
// section "SynthTV".
#include <array>
#include <cstdint>
#include <functional>

#include "instrument/SynthChannel.h"
#include "model/ISynthPlan.h"

class TCustomIniFile;

class TSynthesizerTV : public ISynthPlan {
 public:
  using TWords = std::array<int32_t, 10>;  // low 16 bits are the register values

  TSynthesizerTV();

  // Register order of both word arrays.
  enum { wLF, wCAL_TIME, wVCO_CTRL, wCT_CAL1, wPLL_CAL1, wVCO_AUTO, wPLL_CTRL, wMIX_COUNT, wN_CTRL, wPLL_BIAS };

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

  // Stores every default; leaves the channel tolerances alone.
  void LoadDefaults();
  // LoadDefaults, then lets the service form show the values (OnSettingsShown). No sweep restart.
  void SetDefaults();
  // Limits every setting to its range, each from its own value.
  void ClampSettings();

  void GetSignalWords(TWords& words) const { words = SignalWords; }
  // Sets the heterodyne MIX_COUNT from the hardware revision first.
  void GetHeterodyneWords(TWords& words);

  // Section "SynthTV" of a state file. These settings belong to service mode: without the
  // "EnableService" switch both do nothing and return false. Loading clamps, resets both channel
  // tolerances to IFAccuracy and restarts the sweep (OnRestartSweep).
  bool SaveSettings(TCustomIniFile& ini);
  bool LoadSettings(const TCustomIniFile& ini);

  // ISynthPlan
  double GetMinFrequency() const override { return MinFrequency; }
  double GetMaxFrequency() const override { return MaxFrequency; }
  double GetIFAccuracy() const override { return IFAccuracy; }
  double GetIntermediateFreq() const override { return IntermediateFreq; }
  int32_t GetBackScanDelay() const override { return BackScanDelay; }
  void SetSignalTolerance(double tolerance) override { SignalChannel.Tolerance = tolerance; }
  bool CalcSignalPll(TPllSettings& pll, double f) override;
  bool CalcHeterodynePll(TPllSettings& pll, double f) override;
  double CalcFrequency(const TPllSettings& pll) const override;
  // Heter3x: (fr - IF) / 3; else Signal3x: fr + IF / 3; else lo unchanged.
  double HeterodyneFrequency(double lo, double fr) const override;

  double CalcFrequency(int32_t r, int32_t n, int32_t loDiv, int32_t prescaler, int32_t frac16,
                       int32_t frac8, int32_t band) const {
    return CalcFrequency(TPllSettings{r, n, loDiv, prescaler, frac16, frac8, band});
  }
  int32_t GetMeasureDelay() const { return MeasureDelay; }
  // Hardware revision of the instrument, as the calibration module keeps it (1 without one).
  int GetHardwareRevision() const;

  // Settings (names are the state-file keys).
  double IFAccuracy;        // MHz
  double ReferenceFreq;     // MHz
  double IntermediateFreq;  // MHz
  int32_t MeasureDelay;     // microseconds
  int32_t BackScanDelay;    // microseconds
  bool Heter3x;
  bool Signal3x;
  double MinFrequency;  // MHz
  double MaxFrequency;  // MHz
  TWords SignalWords;
  TWords HeterodyneWords;
  // Heterodyne MIX_COUNT by hardware revision: Rev2 for revision 2, Rev1 for every other one.
  int32_t LoMixCountRev1;
  int32_t LoMixCountRev2;

  TSynthChannel SignalChannel;
  TSynthChannel HeterodyneChannel;

  // Stops the sweep, rebuilds the channels and scan lists, starts again (the sweep engine
  // installs it).
  std::function<void()> OnRestartSweep;
  // Refreshes the service form after SetDefaults (the form installs it).
  std::function<void()> OnSettingsShown;

 private:
  TSynthPlanParams Params() const;
  // The revision rule: revision 2 uses LoMixCountRev2, every other revision LoMixCountRev1.
  int32_t& MixCountOfRevision();
};
