#include "traces/FormatMath.h"

#include <array>
#include <charconv>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/Utils.h"

namespace {

constexpr std::array<TFormatInfo, kFormatCount> kFormats = {{
    {"Log Mag", "MLOG", 10, -1000, 1000, 0},
    {"Phase", "PHAS", 40, -360, 360, 0},
    {"Expand Phase", "UPH", 800, -50000, 50000, 0},
    {"Group Delay", "GDEL", 10, 0, 10000, 50},
    {"SWR", "SWR", 1, 1, kSwrMaxValue, 6},
    {"Real", "", 2, -1000, 1000, 0},
    {"Imag", "", 2, -1000, 1000, 0},
    {"Lin Magnitude", "MLIN", 1, 0, 10000, 5},
    {"Smith (Lin)", "", 0.1, 0, 10000, 0.5},
    {"Smith (Log)", "", 0.1, 0, 10000, 0.5},
    {"Smith (Re/Im)", "", 0.1, 0, 10000, 0.5},
    {"Smith Chart", "SMIT", 0.1, 0, 10000, 0.5},
    {"Smith (G+jB)", "", 0.1, 0, 10000, 0.5},
    {"Polar (Lin)", "", 0.1, 0, 10000, 0.5},
    {"Polar (Log)", "", 0.1, 0, 10000, 0.5},
    {"Polar (Re/Im)", "", 0.1, 0, 10000, 0.5},
    {"Return Loss", "RLOS", 10, -1000, 1000, 0},
    {"Cable Loss", "CLOS", 10, -1000, 1000, 0},
    {"DTF SWR", "DSWR", 1, 1, kSwrMaxValue, 6},
    {"DTF Return Loss", "DRLO", 10, -1000, 1000, 0},
}};

// Keywords in the order they are tried; the first one the text begins with wins.
struct TKeyword {
  const char* Text;
  int Code;
};
constexpr std::array<TKeyword, 11> kKeywords = {{
    {"MLOG", fmtLogMag},
    {"SWR", fmtSwr},
    {"PHAS", fmtPhase},
    {"UPH", fmtExpandPhase},
    {"GDEL", fmtGroupDelay},
    {"MLIN", fmtLinMag},
    {"SMIT", fmtSmithChart},
    {"RLOS", fmtReturnLoss},
    {"CLOS", fmtCableLoss},
    {"DSWR", fmtDtfSwr},
    {"DRLO", fmtDtfReturnLoss},
}};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (UpperAscii(text[i]) != keyword[i]) return false;
  }
  return true;
}

constexpr double kPi = std::numbers::pi;
constexpr double kDegPerRad = 180.0 / kPi;

// Wraps a phase step once into [-pi, pi].
double WrapStep(double d) {
  if (d > kPi) d -= 2 * kPi;
  if (d < -kPi) d += 2 * kPi;
  return d;
}

bool Equal(double a, double b) { return NearlyEqual(a, b); }

// The first estimate of the point at or below x, by sweep type, before the walk that corrects it.
int EstimateIndex(const IStimulusAxis& axis, const TSweepAxis& sweep, double x, int n, bool& done) {
  done = false;
  const double s0 = axis.Stimulus(0);
  const double sn = axis.Stimulus(n - 1);
  switch (sweep.SweepType) {
    case 0: {
      const double span = sn - s0;
      if (Equal(span, 0.0)) return 0;
      return static_cast<int>(std::trunc((x - s0) / span * (n - 1)));
    }
    case 1: {
      if (Equal(s0, sn) || s0 <= 0.0 || sn <= 0.0 || x <= 0.0) return 0;
      return static_cast<int>(std::trunc(std::log2(x / s0) / std::log2(sn / s0) * (n - 1)));
    }
    case 4: {
      if (sweep.Segments == nullptr || sweep.Segments->empty()) return 0;
      const TSegments& segs = *sweep.Segments;
      if (x < segs.front().Start) return 0;
      if (x > segs.back().Stop) return n - 1;
      int64_t before = 0;
      for (size_t j = 0; j < segs.size(); ++j) {
        const TSegment& s = segs[j];
        if (Equal(s.Start, x) || Equal(s.Stop, x) || (s.Start < x && x < s.Stop)) {
          if (Equal(s.Start, s.Stop) || s.Points < 2) return static_cast<int>(std::min<int64_t>(before, n - 1));
          const double part = std::trunc((x - s.Start) / (s.Stop - s.Start) * (s.Points - 1));
          return static_cast<int>(std::min<double>(static_cast<double>(before) + part, n - 1));
        }
        if (j + 1 < segs.size() && x > s.Stop && x < segs[j + 1].Start) {
          // In the gap before the next segment: its first point, at once.
          done = true;
          return static_cast<int>(std::min<int64_t>(before + std::max(s.Points, 0), n - 1));
        }
        before += std::max(s.Points, 0);
      }
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace

const TFormatInfo* GetFormatInfo(int code) {
  if (code < 0 || code >= kFormatCount) return nullptr;
  return &kFormats[static_cast<size_t>(code)];
}

bool IsFormatAllowedFor(int measMode, bool conversionOn, int code) {
  if (code < 0 || code >= kFormatCount) return false;
  switch (measMode) {
    case kMeasModeS11:
      return conversionOn ? (code >= 1 && code <= 7) : code >= 1;
    case 2:
    case 3:
    case kMeasModePower:
    case 6:
      return code == fmtLogMag || code == fmtLinMag;
    default:
      return false;
  }
}

int FallbackFormatFor(int measMode, bool conversionOn) {
  if (measMode == kMeasModeS11) return conversionOn ? fmtLinMag : fmtReturnLoss;
  return fmtLogMag;
}

int FormatCodeFromKeyword(std::string_view text) {
  for (const TKeyword& k : kKeywords) {
    if (StartsWithNoCase(text, k.Text)) return k.Code;
  }
  return -1;
}

namespace {

// log10 through the natural logarithm, which the C library computes several times faster; the
// two differ by an ulp or two of the result.
double Log10(double x) { return std::log(x) * std::numbers::log10e; }

}  // namespace

double FormatLogMag(const TComplex& z, bool power) {
  if (IsZeroPoint(z)) return 0.0;
  return (power ? 10.0 : 20.0) * Log10(Abs(z));
}

double FormatCableLoss(const TComplex& z) {
  if (IsZeroPoint(z)) return 0.0;
  return 20.0 * Log10(Abs(z)) * 0.5;
}

double FormatPhase(const TComplex& z) {
  if (IsZeroPoint(z)) return 0.0;
  const double deg = Arg(z) * kDegPerRad;
  // atan2 gives -pi for a negative real part with a -0.0 imaginary part; the range is (-180, 180].
  return deg <= -180.0 ? deg + 360.0 : deg;
}

double PhaseStep(const TComplex& a, const TComplex& b) {
  if (IsZeroPoint(a) || IsZeroPoint(b)) return 0.0;
  return WrapStep(Arg(b) - Arg(a));
}

double FormatExpandPhase(double previousFormatted, const TComplex& previous, const TComplex& z) {
  return previousFormatted + PhaseStep(previous, z) * kDegPerRad;
}

double FormatExpandPhase(double previousFormatted, const TComplex& previous, const TComplex& z, TArgMemo& args) {
  if (IsZeroPoint(previous) || IsZeroPoint(z)) return previousFormatted + 0.0;
  const double before = args.Of(previous);
  return previousFormatted + WrapStep(args.Of(z) - before) * kDegPerRad;
}

double FormatGroupDelay(const TComplex& a, const TComplex& b, double fa, double fb) {
  const double df = fb - fa;
  if (std::fabs(df) <= 1e-12 || !(std::isfinite(df)) || IsZeroPoint(a) || IsZeroPoint(b)) return 0.0;
  const double d = WrapStep(Arg(a) - Arg(b));
  return d / df / (2 * kPi) * 1000.0;
}

double FormatGroupDelay(const TComplex& a, const TComplex& b, double fa, double fb, TArgMemo& args) {
  const double df = fb - fa;
  if (std::fabs(df) <= 1e-12 || !(std::isfinite(df)) || IsZeroPoint(a) || IsZeroPoint(b)) return 0.0;
  const double first = args.Of(a);
  const double d = WrapStep(first - args.Of(b));
  return d / df / (2 * kPi) * 1000.0;
}

double FormatSwr(const TComplex& z, double minValue, double maxValue) {
  const double r = Abs(z);
  double v;
  if (r < 1.0) {
    v = (1.0 + r) / (1.0 - r);
  } else if (r > 1.0) {
    v = (1.0 + r) / (r - 1.0);
  } else if (r == 1.0) {
    v = maxValue;
  } else {
    v = r;  // NaN stays NaN
  }
  return ClampToRange(v, minValue, maxValue);
}

double RoundStimulus(double mhz) { return RoundToStep(1e-6, mhz); }

int FindPointIndexOn(const IStimulusAxis& axis, const TSweepAxis& sweep, double x) {
  const int n = axis.Count();
  if (n <= 0) return -1;
  if (std::isnan(x)) return 0;
  if (x < axis.Stimulus(0)) return 0;
  if (x > axis.Stimulus(n - 1)) return n - 1;
  if (n == 1) return 0;
  bool done = false;
  int k = EstimateIndex(axis, sweep, x, n, done);
  if (k > n - 2) k = n - 1;
  if (k < 0) k = 0;
  if (done) return k;
  if (axis.Stimulus(k) < x) {
    while (k < n - 2 && axis.Stimulus(k + 1) <= x) ++k;
  } else {
    while (k > 0 && axis.Stimulus(k) > x) --k;
  }
  return k;
}

bool FindInterpolationPair(const IStimulusAxis& axis, const TSweepAxis& sweep, double x, int& n, int& m,
                           double& fraction) {
  const int count = axis.Count();
  n = FindPointIndexOn(axis, sweep, x);
  if (n < 0) {
    m = -1;
    fraction = 0.0;
    return false;
  }
  m = n < count - 1 ? n + 1 : n;
  const double x0 = axis.Stimulus(n);
  const double x1 = axis.Stimulus(m);
  fraction = Equal(x1 - x0, 0.0) ? 0.0 : (x - x0) / (x1 - x0);
  return true;
}

double StimulusAtPositionOn(const IStimulusAxis& axis, const TSweepAxis& sweep, double p) {
  const int n = axis.Count();
  if (n <= 0) return 0.0;
  if (std::isnan(p)) p = 0.0;
  p = ClampToRange(p, 0.0, 1.0);
  const double s0 = axis.Stimulus(0);
  const double sn = axis.Stimulus(n - 1);
  switch (sweep.SweepType) {
    case 0:
    case 4:
      return s0 + (sn - s0) * p;
    case 1:
      if (Equal(s0, 0.0) || sn / s0 <= 0.0) return 0.0;
      return s0 * std::exp2(std::log2(sn / s0) * p);
    default:
      return s0;
  }
}

double PositionAtStimulusOn(const IStimulusAxis& axis, const TSweepAxis& sweep, double x) {
  const int n = axis.Count();
  if (n <= 0) return 0.5;
  const double s0 = axis.Stimulus(0);
  const double sn = axis.Stimulus(n - 1);
  if (std::isnan(x)) x = s0;
  x = ClampToRange(x, s0, sn);
  switch (sweep.SweepType) {
    case 0:
    case 4:
      if (Equal(sn - s0, 0.0)) return 0.5;
      return (x - s0) / (sn - s0);
    case 1:
      if (Equal(s0, 0.0) || Equal(sn, 0.0) || Equal(s0, sn) || x / s0 <= 0.0 || sn / s0 <= 0.0) return 0.0;
      return std::log2(x / s0) / std::log2(sn / s0);
    default:
      return 0.5;
  }
}

double WrapPhaseDegrees(double degrees) {
  if (!std::isfinite(degrees)) return degrees;
  if (degrees > 180.0 || degrees <= -180.0) {
    degrees = std::fmod(degrees, 360.0);  // keeps huge values from looping
    while (degrees > 180.0) degrees -= 360.0;
    while (degrees <= -180.0) degrees += 360.0;
  }
  return degrees;
}

double ClampScaleDiv(double x, double minValue, double maxValue, int divisions) {
  if (divisions < 1) divisions = 1;
  return std::min(std::max(0.001, x), (maxValue - minValue) / divisions);
}

bool ComputeAutoScaleDiv(double lo, double hi, int divisions, double& scaleDiv) {
  const double r = (hi - lo) * 1.1;
  if (!(r > 0.001) || !std::isfinite(r) || divisions < 1) return false;
  const double d = std::pow(10.0, std::floor(std::log10(r)));
  const double q = r / d;
  const double m = q > 5 ? 10 : q > 2 ? 5 : q > 1 ? 2 : 1;
  const double s = m * d;
  const double mid = RoundToStep(d, lo) + s / 2;
  const double top = RoundToStep(d, mid + s / 2);
  const double bottom = RoundToStep(d, mid - s / 2);
  scaleDiv = (top - bottom) / divisions;
  return true;
}

double ComputeAutoRefValue(double lo, double hi, double scaleDiv, int refPosition, int divisions) {
  const double c = RoundToStep(scaleDiv, (hi + lo) / 2);
  return c - (refPosition - divisions / 2) * scaleDiv;
}

std::string FormatCsvNumber(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 8);
  std::string text(buf, res.ptr);
  // to_chars writes "1.00000000e+06"; the export's form has an upper-case E.
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

void AppendCsvLine(std::string& out, double x, double re, double im) {
  out += FormatCsvNumber(x);
  out += ", ";
  if (re >= 0) out += ' ';
  out += FormatCsvNumber(re);
  out += ", ";
  if (im >= 0) out += ' ';
  out += FormatCsvNumber(im);
  out += "\r\n";
}
