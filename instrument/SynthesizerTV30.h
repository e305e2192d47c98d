#pragma once
// Synthesizer settings and frequency plan of the 14 GHz model (model row 4): as the 5.4 GHz
// model, plus the signal doubler and tripler bands and the switch delay, without the
// third-harmonic modes. Kept in the state-file section "SynthTV30".
#include <array>
#include <cstdint>
#include <functional>

#include "instrument/SynthChannel.h"
#include "model/ISynthPlan.h"

class TCustomIniFile;

class TSynthesizerTV30 : public ISynthPlan {
 public:
  using TWords = std::array<int32_t, 10>;  // low 16 bits are the register values

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

  // Stores every default; leaves the channel tolerances alone.
  void LoadDefaults();
  // LoadDefaults, then lets the service form show the values (OnSettingsShown). No sweep restart.
  void SetDefaults();
  // Limits every setting to its range, each from its own value.
  void ClampSettings();

  void GetSignalWords(TWords& words) const { words = SignalWords; }
  void GetHeterodyneWords(TWords& words) const { words = HeterodyneWords; }

  // Section "SynthTV30" of a state file. These settings belong to service mode: without the
  // "EnableService" switch both do nothing and return false. Loading clamps, resets both channel
  // tolerances to IFAccuracy and restarts the sweep (OnRestartSweep).
  bool SaveSettings(TCustomIniFile& ini) const;
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
  // Above the doubler band (lo > IF + Freq2x, or > IF + Freq3x) the heterodyne runs at a third.
  double HeterodyneFrequency(double lo, double fr) const override;

  double CalcFrequency(int32_t r, int32_t n, int32_t loDiv, int32_t prescaler, int32_t frac16,
                       int32_t frac8, int32_t band) const {
    return CalcFrequency(TPllSettings{r, n, loDiv, prescaler, frac16, frac8, band});
  }
  int32_t GetMeasureDelay() const { return MeasureDelay; }

  // Settings (names are the state-file keys).
  double IFAccuracy;        // MHz
  double ReferenceFreq;     // MHz
  double IntermediateFreq;  // MHz
  int32_t MeasureDelay;     // microseconds
  int32_t BackScanDelay;    // microseconds
  int32_t SwitchDelay;      // microseconds; stored and shown only
  double MinFrequency;      // MHz
  double MaxFrequency;      // MHz
  double Freq2x;            // MHz: signal doubler above this
  double Freq3x;            // MHz: signal tripler above this
  TWords SignalWords;
  TWords HeterodyneWords;

  TSynthChannel SignalChannel;
  TSynthChannel HeterodyneChannel;

  // Stops the sweep, rebuilds the channels and scan lists, starts again (the sweep engine
  // installs it).
  std::function<void()> OnRestartSweep;
  // Refreshes the service form after SetDefaults (the form installs it).
  std::function<void()> OnSettingsShown;

 private:
  TSynthPlanParams Params() const;
};
