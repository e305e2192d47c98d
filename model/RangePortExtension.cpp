// TRange: port extension, the removal of the delay and loss of a short line between the
// calibrated plane and the device.
#include <cmath>
#include <limits>
#include <numbers>

#include "model/EAbort.h"
#include "model/Range.h"
#include "model/Utils.h"

namespace {

// Delays within this of each other (s) are the same setting; smaller ones are no delay.
constexpr double kDelayTolerance = 1e-15;
// Losses at or below this (dB) are no loss.
constexpr double kLossTolerance = 1e-12;

// Equality of a cached setting: a value that is not a number matches itself, so a cache made
// from one is not remade at every point.
bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void CheckPortIndex(int i) {
  if (i != 0 && i != 1) throw EAbort("Execution error", 200);
}

// A loss point counts only when it is switched on, has a frequency and a loss: a zero loss has
// no logarithm and would make the loss law infinite.
bool LossPointUsable(bool enabled, double frequency, double loss) {
  return enabled && frequency > 0 && std::fabs(loss) > kLossTolerance;
}

}  // namespace

void TRange::SetPortExtensionsEnabled(bool flag) {
  if (flag == PortExtensionsEnabled) return;
  PortExtensionsEnabled = flag;
  AverageCount = 0;
  Fire(OnSettingsChange);
}

double TRange::GetPortExtension(int i) const {
  CheckPortIndex(i);
  return Extension[i];
}

void TRange::SetPortExtension(int i, double seconds) {
  CheckPortIndex(i);
  if (!std::isfinite(seconds)) return;
  if (std::fabs(seconds - Extension[i]) <= kDelayTolerance) return;
  Extension[i] = seconds;
  Fire(OnSettingsChange);
}

void TRange::SetExtLoss1Enabled(bool flag) {
  if (flag == ExtLoss1Enabled) return;
  ExtLoss1Enabled = flag;
  Fire(OnSettingsChange);
}

void TRange::SetExtLoss1(double dB) {
  if (!std::isfinite(dB) || NearlyEqual(dB, ExtLoss1)) return;
  ExtLoss1 = dB;
  Fire(OnSettingsChange);
}

void TRange::SetExtFreq1(double MHz) {
  if (!std::isfinite(MHz) || NearlyEqual(MHz, ExtFreq1)) return;
  ExtFreq1 = MHz;
  Fire(OnSettingsChange);
}

void TRange::SetExtLoss2Enabled(bool flag) {
  if (flag == ExtLoss2Enabled) return;
  ExtLoss2Enabled = flag;
  Fire(OnSettingsChange);
}

void TRange::SetExtLoss2(double dB) {
  if (!std::isfinite(dB) || NearlyEqual(dB, ExtLoss2)) return;
  ExtLoss2 = dB;
  Fire(OnSettingsChange);
}

void TRange::SetExtFreq2(double MHz) {
  if (!std::isfinite(MHz) || NearlyEqual(MHz, ExtFreq2)) return;
  ExtFreq2 = MHz;
  Fire(OnSettingsChange);
}

void TRange::SetExtLossAtDC(double dB) {
  if (!std::isfinite(dB) || NearlyEqual(dB, ExtLossAtDC)) return;
  ExtLossAtDC = dB;
  Fire(OnSettingsChange);
}

bool TRange::HasExtensionLoss() const {
  return std::fabs(ExtLossAtDC) > kLossTolerance || LossPointUsable(ExtLoss1Enabled, ExtFreq1, ExtLoss1) ||
         LossPointUsable(ExtLoss2Enabled, ExtFreq2, ExtLoss2);
}

bool TRange::IsPortExtensionActive() const {
  return PortExtensionsEnabled && (std::fabs(Extension[0]) > kDelayTolerance || HasExtensionLoss());
}

const TRange::TLossLaw& TRange::LossLaw() const {
  TLossLaw& law = lossLaw_;
  if (law.valid && Same(law.dc, ExtLossAtDC) && law.on1 == ExtLoss1Enabled && Same(law.loss1, ExtLoss1) &&
      Same(law.freq1, ExtFreq1) && law.on2 == ExtLoss2Enabled && Same(law.loss2, ExtLoss2) &&
      Same(law.freq2, ExtFreq2)) {
    return law;
  }
  const uint64_t generation = law.generation + 1;
  law = TLossLaw{ExtLossAtDC, ExtLoss1, ExtFreq1, ExtLoss2, ExtFreq2, ExtLoss1Enabled, ExtLoss2Enabled, true};
  law.generation = generation;
  const bool use1 = LossPointUsable(ExtLoss1Enabled, ExtFreq1, ExtLoss1);
  const bool use2 = LossPointUsable(ExtLoss2Enabled, ExtFreq2, ExtLoss2);
  law.dependsOnFrequency = use1 || use2;
  law.hasLoss = law.dependsOnFrequency || std::fabs(ExtLossAtDC) > kLossTolerance;
  if (use1 && use2 && !NearlyEqual(ExtFreq2, ExtFreq1)) {
    // A power law through point 1 whose exponent also fits point 2 (from the ratio of the two
    // losses, not of their excess over DC).
    law.n = std::log10(std::fabs(ExtLoss1 / ExtLoss2)) / std::log10(ExtFreq1 / ExtFreq2);
    law.l = ExtLoss1;
    law.f0 = ExtFreq1;
  } else if (use1) {
    // The square-root law of a coaxial line.
    law.n = 0.5;
    law.l = ExtLoss1;
    law.f0 = ExtFreq1;
  } else if (use2) {
    law.n = 0.5;
    law.l = ExtLoss2;
    law.f0 = ExtFreq2;
  }
  return law;
}

bool TRange::GetPortExtensionLoss(int i, double& factor) const {
  const TLossLaw& law = LossLaw();
  if (!law.hasLoss) return false;
  double loss = law.dc;
  if (law.dependsOnFrequency) {
    const double x = GetPointFrequency(i) / law.f0;
    loss += (law.l - law.dc) * (law.n == 0.5 ? std::sqrt(x) : std::pow(x, law.n));
  }
  // 10 raised to (loss x 0.05).
  factor = std::exp(loss * (0.05 * std::numbers::ln10));
  return true;
}

TComplex TRange::ExtensionFactor(int i, const TLossLaw& law) {
  const size_t n = static_cast<size_t>(GetCount());
  if (extensionFactors_.size() != n || !Same(extensionFactorsDelay_, Extension[0]) ||
      extensionFactorsLaw_ != law.generation) {
    // Marked unknown (frequency NaN never matches) and filled point by point as they come.
    extensionFactors_.assign(n, TExtensionFactor{std::numeric_limits<double>::quiet_NaN(), TComplex{}});
    extensionFactorsDelay_ = Extension[0];
    extensionFactorsLaw_ = law.generation;
  }
  TExtensionFactor& cached = extensionFactors_[static_cast<size_t>(i)];
  const double f = GetPointFrequency(i);
  if (cached.frequency != f) {
    // The two passes through the extension: the phase advance twice, then the gain twice.
    TComplex factor{1.0, 0.0};
    if (std::fabs(Extension[0]) > kDelayTolerance) {
      const TComplex turn = Polar(1.0, 2 * std::numbers::pi * f * 1000000 * Extension[0]);
      factor = turn * turn;
    }
    double g;
    if (law.hasLoss && GetPortExtensionLoss(i, g)) factor = factor * g * g;
    cached = TExtensionFactor{f, factor};
  }
  return cached.factor;
}

void TRange::ApplyPortExtension(int p, int q, int i) {
  if (!PortExtensionsEnabled) return;
  if (i < 0 || i >= GetCount() || (p != 0 && p != 1) || (q != 0 && q != 1)) return;
  TFPoint* point = GetPoint(i);
  if (p == 0 && q == 0) {
    // The point path's call: the reflection data pass the extension there and back.
    const TLossLaw& law = LossLaw();
    if (std::fabs(Extension[0]) > kDelayTolerance || law.hasLoss) point->Data[0] *= ExtensionFactor(i, law);
    return;
  }
  const double omega = 2 * std::numbers::pi * point->Frequency * 1000000;
  if (std::fabs(Extension[p]) > kDelayTolerance) point->Data[p] *= Polar(1.0, omega * Extension[p]);
  if (std::fabs(Extension[q]) > kDelayTolerance) point->Data[q] *= Polar(1.0, omega * Extension[q]);
  double g;
  if (GetPortExtensionLoss(i, g)) {
    point->Data[p] *= g;
    point->Data[q] *= g;
  }
}
