#include "instrument/SynthesizerBase.h"

#include "instrument/SynthIni.h"

void TSynthesizerBase::SetDefaults() {
  LoadDefaults();
  if (OnSettingsShown) OnSettingsShown();
}

void TSynthesizerBase::ClampCommonSettings(double maxIntermediateFreq, double maxDeviceFrequency) {
  using synthini::Limit;
  IFAccuracy = Limit(IFAccuracy, kMinIFAccuracy, kMaxIFAccuracy);
  ReferenceFreq = Limit(ReferenceFreq, kMinReferenceFreq, kMaxReferenceFreq);
  IntermediateFreq = Limit(IntermediateFreq, kMinIntermediateFreq, maxIntermediateFreq);
  MeasureDelay = Limit(static_cast<long long>(MeasureDelay), 0, kMaxDelay);
  BackScanDelay = Limit(static_cast<long long>(BackScanDelay), 0, kMaxDelay);
  MinFrequency = Limit(MinFrequency, kMinStimulusFrequency, maxDeviceFrequency);
  MaxFrequency = Limit(MaxFrequency, kMinStimulusFrequency, maxDeviceFrequency);
}

bool TSynthesizerBase::CalcSignalPll(TPllSettings& pll, double f) { return SignalChannel.CalcPll(pll, f, Params()); }

bool TSynthesizerBase::CalcHeterodynePll(TPllSettings& pll, double f) {
  return HeterodyneChannel.CalcPll(pll, f, Params());
}

double TSynthesizerBase::CalcFrequency(const TPllSettings& pll) const {
  return TSynthChannel::CalcFrequency(pll, Params());
}
