#include "traces/Smoother.h"

#include <cmath>
#include <numbers>

#include "model/Utils.h"

int TSmoother::HalfWidth(int n, double aperturePercent) {
  return RoundSaturated(static_cast<double>(n) * aperturePercent * 0.5 * 0.01);
}

void TSmoother::Prepare(int w) {
  if (w < 0) w = 0;
  if (w == w_) return;
  w_ = w;
  running_ = false;
  weights_.resize(static_cast<size_t>(2 * w + 1));
  for (int k = -w; k <= w; ++k) {
    weights_[static_cast<size_t>(k + w)] = (std::cos(k * std::numbers::pi / (w + 1)) + 1) * 0.5;
  }
  const int period = 2 * (w + 1);
  phases_.resize(static_cast<size_t>(period));
  for (int r = 0; r < period; ++r) {
    const double angle = std::numbers::pi * r / (w + 1);
    phases_[static_cast<size_t>(r)] = {std::cos(angle), std::sin(angle)};
  }
}

TComplex TSmoother::Smooth(const TComplex* values, const double* mask, int n, int i) const {
  if (weights_.empty()) return values[i];
  const int w = w_;
  const int lo = i - w < 0 ? 0 : i - w;
  const int hi = i + w > n - 1 ? n - 1 : i + w;
  const double* c = weights_.data() + (lo - i + w);
  // Four independent sums keep the multiply-adds from waiting on one another.
  double re[4] = {0, 0, 0, 0};
  double im[4] = {0, 0, 0, 0};
  double wt[4] = {0, 0, 0, 0};
  const int len = hi - lo + 1;
  const TComplex* v = values + lo;
  const double* m = mask + lo;
  int j = 0;
  for (; j + 4 <= len; j += 4) {
    for (int u = 0; u < 4; ++u) {
      const double k = c[j + u] * m[j + u];
      re[u] += v[j + u].Re * k;
      im[u] += v[j + u].Im * k;
      wt[u] += k;
    }
  }
  for (; j < len; ++j) {
    const double k = c[j] * m[j];
    re[0] += v[j].Re * k;
    im[0] += v[j].Im * k;
    wt[0] += k;
  }
  const double weight = (wt[0] + wt[1]) + (wt[2] + wt[3]);
  if (weight == 0.0) return values[i];
  return {((re[0] + re[1]) + (re[2] + re[3])) / weight, ((im[0] + im[1]) + (im[2] + im[3])) / weight};
}

int TSmoother::ReseedInterval() const {
  // A fresh start costs a window of points: more often than once a window would cost more than
  // the sliding it replaces.
  const int window = 2 * w_ + 1;
  return window > kReseedPoints ? window : kReseedPoints;
}

void TSmoother::Take(TSums& s, int r, const TComplex& v, double m, double sign) const {
  if (m == 0.0) return;
  const double k = m * sign;
  // A value that is not finite would stay in the sums after it left the window; it is counted
  // instead, and the windows that hold it take the direct sum.
  if (!std::isfinite(v.Re) || !std::isfinite(v.Im)) {
    s.NotFinite += k;
    return;
  }
  const TComplex& ph = phases_[static_cast<size_t>(r)];
  const double re = v.Re * k;
  const double im = v.Im * k;
  s.Count += k;
  s.MaskPhase.Re += ph.Re * k;
  s.MaskPhase.Im += ph.Im * k;
  s.Box.Re += re;
  s.Box.Im += im;
  s.RePhase.Re += ph.Re * re;
  s.RePhase.Im += ph.Im * re;
  s.ImPhase.Re += ph.Re * im;
  s.ImPhase.Im += ph.Im * im;
}

TSmoother::TSums TSmoother::Seed(const TComplex* values, const double* mask, int n, int i) const {
  TSums s;
  const int lo = i - w_ < 0 ? 0 : i - w_;
  const int hi = i + w_ > n - 1 ? n - 1 : i + w_;
  const int period = static_cast<int>(phases_.size());
  int r = lo % period;
  for (int p = lo; p <= hi; ++p) {
    Take(s, r, values[p], mask[p], 1.0);
    if (++r == period) r = 0;
  }
  return s;
}

TComplex TSmoother::Output(const TSums& s, const TComplex* values, const double* mask, int n, int i, int r) const {
  if (s.NotFinite != 0.0) return Smooth(values, mask, n, i);
  // The count is a sum of ones, exact: zero means no usable point at all.
  if (s.Count == 0.0) return values[i];
  const TComplex back = Conj(phases_[static_cast<size_t>(r)]);
  auto cosinePart = [&back](const TComplex& z) { return z.Re * back.Re - z.Im * back.Im; };
  const double weight = 0.5 * (s.Count + cosinePart(s.MaskPhase));
  // The weight is a difference of sums as large as the count; when it is much smaller than the
  // count (usable points only far from the centre), that difference has lost its digits.
  if (weight < 0.5 || 64.0 * weight < s.Count) return Smooth(values, mask, n, i);
  const double scale = 0.5 / weight;
  return {(s.Box.Re + cosinePart(s.RePhase)) * scale, (s.Box.Im + cosinePart(s.ImPhase)) * scale};
}

void TSmoother::SmoothAll(const TComplex* values, const double* mask, int n, TComplex* out) const {
  if (n <= 0 || weights_.empty()) {
    for (int i = 0; i < n; ++i) out[i] = values[i];
    return;
  }
  const int w = w_;
  if (w <= kDirectHalfWidth) {
    for (int i = 0; i < n; ++i) out[i] = Smooth(values, mask, n, i);
    return;
  }
  const int period = static_cast<int>(phases_.size());
  const int interval = ReseedInterval();
  TSums s;
  // Phase indices of the centre, of the point that enters (i + w) and of the one that leaves
  // (i - w - 1, the same as i + w + 1 over the period 2w + 2).
  int rc = 0;
  int rEnter = w;
  int rLeave = w + 1;
  int sinceSeed = interval;
  for (int i = 0; i < n; ++i) {
    if (sinceSeed == interval) {
      s = Seed(values, mask, n, i);
      sinceSeed = 0;
    } else {
      const int leaving = i - w - 1;
      const int entering = i + w;
      if (leaving >= 0) Take(s, rLeave, values[leaving], mask[leaving], -1.0);
      if (entering < n) Take(s, rEnter, values[entering], mask[entering], 1.0);
    }
    ++sinceSeed;
    out[i] = Output(s, values, mask, n, i, rc);
    if (++rc == period) rc = 0;
    if (++rEnter == period) rEnter = 0;
    if (++rLeave == period) rLeave = 0;
  }
}

TComplex TSmoother::SmoothNext(const TComplex* values, const double* mask, int n, int i) {
  if (weights_.empty()) return values[i];
  const int w = w_;
  if (w <= kDirectHalfWidth) return Smooth(values, mask, n, i);
  const int period = static_cast<int>(phases_.size());
  if (static_cast<int>(held_.size()) != period) {
    held_.assign(static_cast<size_t>(period), TComplex{});
    heldMask_.assign(static_cast<size_t>(period), 0.0);
    running_ = false;
  }
  if (running_ && n == n_ && i == center_ + 1 && sinceSeed_ < ReseedInterval()) {
    if (++phase_ == period) phase_ = 0;
    // The point that leaves (i - w - 1) and the one that enters (i + w) share a place in the
    // ring: the window is one shorter than the period.
    const int rLeave = phase_ + w + 1 < period ? phase_ + w + 1 : phase_ + w + 1 - period;
    const int rEnter = phase_ + w < period ? phase_ + w : phase_ + w - period;
    if (i - w - 1 >= 0) Take(sums_, rLeave, held_[static_cast<size_t>(rLeave)], heldMask_[static_cast<size_t>(rLeave)], -1.0);
    const int entering = i + w;
    if (entering < n) {
      // Part by part: the entering value was usually written just now, as two doubles.
      held_[static_cast<size_t>(rEnter)].Re = values[entering].Re;
      held_[static_cast<size_t>(rEnter)].Im = values[entering].Im;
      heldMask_[static_cast<size_t>(rEnter)] = mask[entering];
      Take(sums_, rEnter, values[entering], mask[entering], 1.0);
    }
    ++sinceSeed_;
  } else {
    sums_ = Seed(values, mask, n, i);
    const int lo = i - w < 0 ? 0 : i - w;
    const int hi = i + w > n - 1 ? n - 1 : i + w;
    int r = lo % period;
    for (int p = lo; p <= hi; ++p) {
      held_[static_cast<size_t>(r)] = values[p];
      heldMask_[static_cast<size_t>(r)] = mask[p];
      if (++r == period) r = 0;
    }
    running_ = true;
    n_ = n;
    sinceSeed_ = 0;
    phase_ = i % period;
  }
  center_ = i;
  return Output(sums_, values, mask, n, i, phase_);
}

void TSmoother::Changed(int i, const TComplex& value, double mask) {
  if (!running_ || i < center_ - w_ || i > center_ + w_ || i < 0 || i >= n_) return;
  const int r = i % static_cast<int>(phases_.size());
  const size_t p = static_cast<size_t>(r);
  Take(sums_, r, held_[p], heldMask_[p], -1.0);
  held_[p] = value;
  heldMask_[p] = mask;
  Take(sums_, r, value, mask, 1.0);
}
