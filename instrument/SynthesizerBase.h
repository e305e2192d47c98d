#pragma once
// What the synthesizer settings of both models share: the planning tolerance, reference and
// intermediate frequency, measurement delays, device band, the register words of both
// RFFC507x synthesizers, the two planned channels and the plan operations built on them.
#include <array>
#include <cstdint>
#include <functional>

#include "instrument/SynthChannel.h"
#include "model/ISynthPlan.h"

class TCustomIniFile;

class TSynthesizerBase : public ISynthPlan {
 public:
  using TWords = std::array<int32_t, 10>;  // low 16 bits are the register values

  // Register order of both word arrays.
  enum { wLF, wCAL_TIME, wVCO_CTRL, wCT_CAL1, wPLL_CAL1, wVCO_AUTO, wPLL_CTRL, wMIX_COUNT, wN_CTRL, wPLL_BIAS };

  // Stores every default; leaves the channel tolerances alone.
  virtual void LoadDefaults() = 0;
  // LoadDefaults, then lets the service form show the values (OnSettingsShown). No sweep restart.
  void SetDefaults();

  void GetSignalWords(TWords& words) const { words = SignalWords; }

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

  double CalcFrequency(int32_t r, int32_t n, int32_t loDiv, int32_t prescaler, int32_t frac16,
                       int32_t frac8, int32_t band) const {
    return CalcFrequency(TPllSettings{r, n, loDiv, prescaler, frac16, frac8, band});
  }
  int32_t GetMeasureDelay() const { return MeasureDelay; }

  // Settings (names are the state-file keys).
  double IFAccuracy = 0;        // MHz
  double ReferenceFreq = 0;     // MHz
  double IntermediateFreq = 0;  // MHz
  int32_t MeasureDelay = 0;     // microseconds
  int32_t BackScanDelay = 0;    // microseconds
  double MinFrequency = 0;      // MHz
  double MaxFrequency = 0;      // MHz
  TWords SignalWords{};
  TWords HeterodyneWords{};

  TSynthChannel SignalChannel;
  TSynthChannel HeterodyneChannel;

  // Stops the sweep, rebuilds the channels and scan lists, starts again (the sweep engine
  // installs it).
  std::function<void()> OnRestartSweep;
  // Refreshes the service form after SetDefaults (the form installs it).
  std::function<void()> OnSettingsShown;

 protected:
  // Limits both models share.
  static constexpr double kMinIFAccuracy = 0.000001, kMaxIFAccuracy = 0.0001;
  static constexpr double kMinReferenceFreq = 10, kMaxReferenceFreq = 52;
  static constexpr double kMinIntermediateFreq = 0.1;
  static constexpr int32_t kMaxDelay = 327600;
  // Band thresholds (Freq2x, Freq3x) go down to this.
  static constexpr double kMinDeviceFrequency = 10;
  // The device's stimulus range goes down to the lowest frequency a plan can carry.
  static constexpr double kMinStimulusFrequency = TSynthChannel::kLowestFrequency;

  explicit TSynthesizerBase(double defaultIFAccuracy)
      : SignalChannel(defaultIFAccuracy, false), HeterodyneChannel(defaultIFAccuracy, true) {}
  // Puts both channel tolerances back to the planning tolerance.
  void ResetTolerances() {
    SignalChannel.Tolerance = IFAccuracy;
    HeterodyneChannel.Tolerance = IFAccuracy;
  }
  // Limits the shared settings; each model has its own intermediate-frequency and band limits.
  void ClampCommonSettings(double maxIntermediateFreq, double maxDeviceFrequency);

  // The defaults both models share, from the model's own constants.
  template <class Model>
  void LoadCommonDefaults() {
    IFAccuracy = Model::kDefaultIFAccuracy;
    ReferenceFreq = Model::kDefaultReferenceFreq;
    IntermediateFreq = Model::kDefaultIntermediateFreq;
    MeasureDelay = Model::kDefaultMeasureDelay;
    BackScanDelay = Model::kDefaultBackScanDelay;
    MinFrequency = Model::kDefaultMinFrequency;
    MaxFrequency = Model::kDefaultMaxFrequency;
    SignalWords = Model::kDefaultSignalWords;
    HeterodyneWords = Model::kDefaultHeterodyneWords;
  }

  // The keys both models' sections share, in three groups; each model writes and reads its own
  // keys between them, so that the order of a section stays as it is.
  // IFAccuracy, ReferenceFreq, IntermediateFreq, MeasureDelay, BackScanDelay.
  void WritePlanKeys(TCustomIniFile& ini, const char* section) const;
  void ReadPlanKeys(const TCustomIniFile& ini, const char* section, double maxIntermediateFreq);
  // MinFrequency, MaxFrequency.
  void WriteBandKeys(TCustomIniFile& ini, const char* section) const;
  void ReadBandKeys(const TCustomIniFile& ini, const char* section, double maxDeviceFrequency);
  // The signal words, then the heterodyne words given (the 5.4 GHz model sends another MIX_COUNT
  // than it keeps); a missing word reads as its factory default.
  void WriteWordKeys(TCustomIniFile& ini, const char* section, const TWords& heterodyne) const;
  void ReadWordKeys(const TCustomIniFile& ini, const char* section, const TWords& signalDefaults,
                    const TWords& heterodyneDefaults);
  // After a load has clamped its settings: both channel tolerances back to IFAccuracy, and the
  // sweep restarts with them.
  void ApplyLoadedSettings() {
    ResetTolerances();
    if (OnRestartSweep) OnRestartSweep();
  }
  virtual TSynthPlanParams Params() const = 0;
};
