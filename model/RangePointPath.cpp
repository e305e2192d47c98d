// TRange: the measured-point path (levels, user correction and averaging, the per-point
// corrections, sweep timing, the missing-point check), the end of a sweep, the user calibration
// table and the power-meter mode.
#include <algorithm>
#include <cmath>

#include "model/CalRange.h"
#include "model/ICalibrationFacade.h"
#include "model/IDeviceModel.h"
#include "model/IPowerMeter.h"
#include "model/ISynthPlan.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/Clock.h"

namespace {

// Magnitudes at or below 1e-18 count as zero in the correction; compared squared.
constexpr double kTinySquared = 1e-36;

double Norm(const TComplex& z) { return z.Re * z.Re + z.Im * z.Im; }
bool IsTiny(const TComplex& z) { return !(Norm(z) > kTinySquared); }

// The modulus as a level (magnitude, 0). The plain square root is exact enough for receiver
// readings; hypot takes over only where the squares would overflow or underflow.
TComplex Level(const TComplex& z) {
  const double n = Norm(z);
  const double m = n < 1e300 && n > 1e-300 ? std::sqrt(n) : Abs(z);
  return {m, 0.0};
}

// a / b for a divisor that passed the 1e-18 guard: through the reciprocal of |b|^2, one real
// division instead of two; a divisor too large for its square goes through the shared division.
TComplex Quotient(const TComplex& a, const TComplex& b) {
  const double n = Norm(b);
  if (!(n < 1e300)) return a / b;
  const double k = 1.0 / n;
  return {(a.Re * b.Re + a.Im * b.Im) * k, (a.Im * b.Re - a.Re * b.Im) * k};
}

TComplex Reciprocal(const TComplex& b) {
  const double n = Norm(b);
  if (!(n < 1e300)) return 1.0 / b;
  const double k = 1.0 / n;
  return {b.Re * k, -b.Im * k};
}

bool IsPort(int p) { return p == 0 || p == 1; }

int ReflectionPort() {
  const IDeviceModel* device = Services().Device;
  return device ? device->GetReflectionIndex() : 0;
}

int TransmissionPort() {
  const IDeviceModel* device = Services().Device;
  return device ? device->GetTransmissionIndex() : 1;
}

bool UserCorrectionDisabled() {
  const ICalibrationFacade* calibrator = Services().CalibratorModule;
  return calibrator && calibrator->IsUserCorrectionDisabled();
}

// The return delay at the end of a sweep, microseconds, from the 5.4 GHz model's synthesizer
// settings whichever model is connected.
double BackScanDelayUs() {
  const ISynthPlan* plan = Services().SynthesizerTV;
  return plan ? plan->GetBackScanDelay() : 0.0;
}

}  // namespace

// ---- Point input ------------------------------------------------------------------------------

void TRange::StoreRawLevels(int i, const TComplex& r0, const TComplex& r1, const TComplex& r2) {
  if (i < 0 || i >= GetCount()) return;
  TFPoint* p = GetPoint(i);
  // The running averages of AverageRawLevel and AverageRefLevel, on the point at hand.
  p->RawLevel[0] = TFPoint::Average(p->RawLevelAverage[0], Level(r0), AverageEnabled, AverageCount);
  p->RawLevel[1] = TFPoint::Average(p->RawLevelAverage[1], Level(r1), AverageEnabled, AverageCount);
  p->RefLevel = TFPoint::Average(p->RefLevelAverage, Level(r2), AverageEnabled, AverageCount);
}

void TRange::StorePointData(int i, TComplex x, TComplex y) {
  if (i < 0 || i >= GetCount()) return;
  if (PointCorrection && CalTable) ApplyUserCorrection(i, ReflectionPort(), x, TransmissionPort(), y);
  TFPoint* p = GetPoint(i);
  p->Data[0] = TFPoint::Average(p->DataAverage[0], x, AverageEnabled, AverageCount);
  p->Data[1] = TFPoint::Average(p->DataAverage[1], y, AverageEnabled, AverageCount);
}

void TRange::ApplyUserCorrection(int i, int a, TComplex& x, int b, TComplex& y) const {
  if (!CalTable || UserCorrectionDisabled()) return;
  // A table built for another point list (between a rebuild and the next attach) has no
  // terms for these points.
  if (CalTable->GetCount() != GetCount() || i < 0 || i >= CalTable->GetCount()) return;
  const TCalPoint* terms = CalTable->GetPoint(i);

  // ER, ED, ES of the reflection port; with no reflection port they and m stay (0, 0).
  TComplex er{};
  TComplex ed{};
  TComplex es{};
  TComplex m{};
  if (IsPort(a)) {
    er = terms->A[a];
    ed = terms->B[a];
    es = terms->C[a];
    m = x;
  }
  const TComplex d = m - ed;
  // q = (m - ED) ES + ER. The enhanced-response divisor 1 + ES (m - ED) / ER is q / ER, so one
  // reciprocal of q serves both corrections.
  const TComplex q = d * es + er;
  const bool qUsable = !IsTiny(q);
  const TComplex rq = qUsable ? Reciprocal(q) : TComplex{};
  if (IsPort(a) && qUsable) {
    // One-port correction; a near-zero denominator or result leaves the measured value.
    const TComplex c = d * rq;
    if (!IsTiny(c)) x = c;
  }
  if (IsPort(b)) {
    const TComplex et = terms->D[b];
    if (IsTiny(et)) return;
    TComplex t = Quotient(y, et);
    if (!IsTiny(er)) {
      // Enhanced response with the measured (uncorrected) m: t / (q / ER), unless that
      // divisor is near zero.
      if (!(Norm(q) > kTinySquared * Norm(er))) return;
      t = t * er * rq;
    }
    if (!IsTiny(t)) y = t;
  }
}

void TRange::ProcessPoint(int i) {
  const int n = GetCount();
  if (i < 0 || i >= n) return;
  LastPointIndex = i;
  ApplyPortExtension(0, 0, i);
  if (ZConvActive != 0) ApplyZConversion(i);
  if (DeembActive != 0) ApplyDeembedding(i);
  if (EmbActive != 0) ApplyEmbedding(i);

  if (i == 0) SweepStartTime = static_cast<double>(platform::Clock::get().steadyMs());
  if (i == n - 1) {
    const double now = static_cast<double>(platform::Clock::get().steadyMs());
    const double t = (now - SweepStartTime) + BackScanDelayUs() * 0.001;
    SweepTime = NearlyZero(SweepTime) ? t : (SweepTime * 49 + t) * 0.02;
  }
  if (IsServiceEnabled()) MarkPointReceived(i);
  if (!Changing) Fire(OnPointData);
}

void TRange::MarkPointReceived(int i) {
  const int n = GetCount();
  if (i < 0 || i >= n) return;
  // Sized to the current list whenever it differs, so bits of a longer old list never count.
  if (ReceivedPoints.size() != static_cast<size_t>(n)) ReceivedPoints.assign(static_cast<size_t>(n), false);
  if (i == 0) std::fill(ReceivedPoints.begin(), ReceivedPoints.end(), false);
  ReceivedPoints[static_cast<size_t>(i)] = true;
  if (i == n - 1 && std::find(ReceivedPoints.begin(), ReceivedPoints.end(), false) != ReceivedPoints.end()) {
    Fire(OnPointsMissing);
  }
}

bool TRange::EndSweep() {
  Fire(OnSweepDone);
  if (!AverageEnabled) return true;
  if (AverageCount < AverageFactor) ++AverageCount;
  return AverageCount >= AverageFactor;
}

// ---- User calibration ---------------------------------------------------------------------------

void TRange::AttachCalibration(const TCalRange* table) {
  if (!table) {
    CalTable.reset();
    return;
  }
  // Built before the old table goes, so a channel may be handed its own table.
  auto built = std::make_unique<TCalRange>(table->GetMethodCode(0), table->GetMethodCode(1), *this);
  const int a = ReflectionPort();
  const int b = TransmissionPort();
  // The points of a channel mostly rise in frequency, so one walk along the table finds every
  // interval, and the points that share an interval share its ends' magnitudes and angles.
  TCalRange::TTermInterpolator terms(*table, a, b);
  for (int i = 0, n = built->GetCount(); i < n; ++i) {
    TCalPoint* p = built->GetPoint(i);
    TComplex er, ed, es, et;
    terms.At(p->Frequency, er, ed, es, et);
    p->A[0] = er;
    p->B[0] = ed;
    p->C[0] = es;
    p->D[1] = et;
  }
  CalTable = std::move(built);
}

void TRange::SetPointCorrection(bool flag) {
  if (flag != PointCorrection) PointCorrection = flag;
}

// ---- Power-meter mode ---------------------------------------------------------------------------

void TRange::SetPowerMeterMode(bool on) {
  if (IsDemoMode()) on = false;
  if (on == PowerMeterMode) return;
  IPowerMeter* meter = Services().PowerMeter;
  if (on) {
    if (meter) meter->Connect();  // a sensor that does not connect ends the first step
  } else if (meter) {
    meter->Disconnect();
  }
  PowerMeterStepping = on;
  PowerMeterMode = on;
  AverageCount = 0;
  LastPointIndex = 0;
  PowerMeterPoint = 0;
  if (ChangeNotify) Fire(OnResweep);
}

void TRange::DoPowerMeterStep(double& reading, bool& endOfSweep) {
  const int n = GetCount();
  if (PowerMeterPoint < 0 || PowerMeterPoint >= n) return;
  IPowerMeter* meter = Services().PowerMeter;
  if (meter && meter->MeasureDbm(reading, GetPointFrequency(PowerMeterPoint))) {
    // The point's data were processed when its reply was stored; this pass only adds the
    // sensor reading, so no correction runs twice on the same data.
    SetPointPowerReading(PowerMeterPoint, reading);
    LastPointIndex = PowerMeterPoint;
    if (!Changing) Fire(OnPointData);
    if (PowerMeterPoint == n - 1) {
      endOfSweep = true;
    } else {
      ++PowerMeterPoint;
    }
  } else if (!meter || meter->GetState() != IPowerMeter::Ready) {
    endOfSweep = true;
  }
}

void TRange::NotifySweepEvent() { Fire(OnResweep); }
