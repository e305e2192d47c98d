#pragma once
// The display formats as plain functions: the table of the twenty format codes with their
// captions, keywords and default scales, which formats a measured parameter allows, the formula
// that turns one complex point into its formatted point, the stimulus lookups over a trace's
// point axis, the automatic scale and the number text of the CSV export. Nothing here keeps
// state or allocates per point; the trace's format list and the processing chain call in.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Complex.h"
#include "model/Segment.h"

// ---- Codes and table ----------------------------------------------------------------------------
enum TFormatCode : int {
  fmtLogMag = 0,
  fmtPhase = 1,
  fmtExpandPhase = 2,
  fmtGroupDelay = 3,
  fmtSwr = 4,
  fmtReal = 5,
  fmtImag = 6,
  fmtLinMag = 7,
  fmtSmithLin = 8,
  fmtSmithLog = 9,
  fmtSmithReIm = 10,
  fmtSmithChart = 11,
  fmtSmithGB = 12,
  fmtPolarLin = 13,
  fmtPolarLog = 14,
  fmtPolarReIm = 15,
  fmtReturnLoss = 16,
  fmtCableLoss = 17,
  fmtDtfSwr = 18,
  fmtDtfReturnLoss = 19,
};
constexpr int kFormatCount = 20;

// Measured parameter codes the formats depend on.
constexpr int kMeasModeS11 = 0;
constexpr int kMeasModePower = 4;

// The value SWR takes for a point of magnitude exactly 1 (the largest value of its scale).
constexpr double kSwrMaxValue = 10001.0;

struct TFormatInfo {
  const char* Caption;  // English; shown through the translation seam
  const char* Keyword;  // automation name, "" for formats without one
  double ScaleDiv;      // defaults of a new trace
  double MinValue;
  double MaxValue;
  double RefValue;
};

// The row of a format code; null outside 0..19.
const TFormatInfo* GetFormatInfo(int code);
// Load defaults of the three stored scale values of every format.
constexpr int kLoadRefPosition = 5;
constexpr double kLoadScaleDiv = 10.0;
constexpr double kLoadRefValue = 0.0;
// A new trace's reference line position for every format.
constexpr int kDefaultRefPosition = 5;

// Whether format code may be shown for the measured parameter and conversion switch.
bool IsFormatAllowedFor(int measMode, bool conversionOn, int code);
// The format a trace falls back to when its stored one is not allowed: Return Loss for S11,
// Lin Magnitude for S11 with conversion, Log Mag for the absolute parameters.
int FallbackFormatFor(int measMode, bool conversionOn);
// Codes 8..15 keep the complex point; the others carry a value in the real part.
constexpr bool IsComplexFormat(int code) { return code >= fmtSmithLin && code <= fmtPolarReIm; }
constexpr bool IsDistanceToFaultFormat(int code) { return code == fmtDtfSwr || code == fmtDtfReturnLoss; }
// The code of the first format keyword the text begins with (ASCII, any letter case); -1 when
// none does.
int FormatCodeFromKeyword(std::string_view text);

// ---- One point ----------------------------------------------------------------------------------
// "Zero" points (both parts within 1e-12 of 0) mean "no data" and format as 0.
inline bool IsZeroPoint(const TComplex& z) { return std::fabs(z.Re) <= 1e-12 && std::fabs(z.Im) <= 1e-12; }

// The angle of the last value asked for, kept: a walk through the points in order (Group Delay,
// Expand Phase) takes each point's angle twice, as the second value of one pair and the first of
// the next. A value is the same when its bits are (atan2 tells -0 from +0).
class TArgMemo {
 public:
  double Of(const TComplex& z) {
    const uint64_t re = std::bit_cast<uint64_t>(z.Re);
    const uint64_t im = std::bit_cast<uint64_t>(z.Im);
    if (!valid_ || re != re_ || im != im_) {
      arg_ = Arg(z);
      re_ = re;
      im_ = im;
      valid_ = true;
    }
    return arg_;
  }

 private:
  bool valid_ = false;
  uint64_t re_ = 0;
  uint64_t im_ = 0;
  double arg_ = 0.0;
};

// 20 log10 |z| (10 log10 |z| for a power reading); 0 for a zero point.
double FormatLogMag(const TComplex& z, bool power);
// Half the dB magnitude (20 log10 |z| / 2 whatever the parameter); 0 for a zero point.
double FormatCableLoss(const TComplex& z);
// Angle in degrees in (-180, 180]; 0 for a zero point.
double FormatPhase(const TComplex& z);
// The phase step from a to b in radians, wrapped into [-pi, pi]; 0 when either is zero.
double PhaseStep(const TComplex& a, const TComplex& b);
// Unwrapped phase of point i > 0 from the formatted value of point i - 1.
double FormatExpandPhase(double previousFormatted, const TComplex& previous, const TComplex& z);
double FormatExpandPhase(double previousFormatted, const TComplex& previous, const TComplex& z, TArgMemo& args);
// Group delay in ns of the pair (a at fa MHz, b at fb MHz); 0 for equal frequencies or a zero
// point.
double FormatGroupDelay(const TComplex& a, const TComplex& b, double fa, double fb);
// The same, with the angles through a memo.
double FormatGroupDelay(const TComplex& a, const TComplex& b, double fa, double fb, TArgMemo& args);
// Standing-wave ratio, with maxValue at |z| = 1 exactly, clamped to [minValue, maxValue].
double FormatSwr(const TComplex& z, double minValue, double maxValue);

// The inputs of one formatting step that are not point data.
struct TFormatStep {
  int Code = fmtLogMag;
  int MeasMode = kMeasModeS11;
  double MinValue = -1000;  // bounds of the current format's scale (SWR clamps to them)
  double MaxValue = 1000;
  TArgMemo* Args = nullptr;  // the caller's memo of angles for Group Delay and Expand Phase
};

// Formatted point i of source[0..count): reads source[i] and, for Expand Phase, source[i - 1]
// and formatted[i - 1]; for Group Delay the pair (k - 1, k), k = max(i, 1), with frequency(k)
// in MHz (a callable int -> double). i outside 0..count-1 gives (0, 0). Scalar results are
// (value, 0).
template <typename FrequencyFn>
TComplex FormatPointValue(const TFormatStep& step, const TComplex* source, int count, int i,
                          const TComplex* formatted, FrequencyFn&& frequency) {
  if (i < 0 || i >= count) return {};
  const TComplex& z = source[i];
  switch (step.Code) {
    case fmtLogMag:
    case fmtReturnLoss:
    case fmtDtfReturnLoss:
      return {FormatLogMag(z, step.MeasMode == kMeasModePower), 0.0};
    case fmtCableLoss:
      return {FormatCableLoss(z), 0.0};
    case fmtPhase:
      return {FormatPhase(z), 0.0};
    case fmtExpandPhase:
      if (i == 0) return {FormatPhase(z), 0.0};
      if (step.Args) return {FormatExpandPhase(formatted[i - 1].Re, source[i - 1], z, *step.Args), 0.0};
      return {FormatExpandPhase(formatted[i - 1].Re, source[i - 1], z), 0.0};
    case fmtGroupDelay: {
      if (count < 2) return {};
      const int k = i < 1 ? 1 : i;
      if (step.Args) return {FormatGroupDelay(source[k - 1], source[k], frequency(k - 1), frequency(k), *step.Args), 0.0};
      return {FormatGroupDelay(source[k - 1], source[k], frequency(k - 1), frequency(k)), 0.0};
    }
    case fmtSwr:
    case fmtDtfSwr:
      return {FormatSwr(z, step.MinValue, step.MaxValue), 0.0};
    case fmtReal:
      return {z.Re, 0.0};
    case fmtImag:
      return {z.Im, 0.0};
    case fmtLinMag:
      return {Abs(z), 0.0};
    default:
      return z;
  }
}

// ---- The stimulus axis --------------------------------------------------------------------------
// Stimulus (MHz) of point i of a Group Delay trace: the middle of the pair its value comes
// from, f(0) for point 0. i outside 0..count-1 gives 0.
template <typename FrequencyFn>
double GroupDelayStimulus(int count, int i, FrequencyFn&& frequency) {
  if (i < 0 || i >= count) return 0.0;
  if (i == 0) return frequency(0);
  return (frequency(i - 1) + frequency(i)) / 2;
}
// A channel frequency as shown: rounded to a multiple of 1e-6 MHz.
double RoundStimulus(double mhz);

// How the points of a trace are spread: the channel's sweep type and segment table.
struct TSweepAxis {
  int SweepType = 0;                   // 0 linear, 1 logarithmic, 4 segment, other: none
  const TSegments* Segments = nullptr;  // for the segment sweep
};

// The abstract axis of n points with stimulus s(i), ascending.
class IStimulusAxis {
 public:
  virtual ~IStimulusAxis() = default;
  virtual int Count() const = 0;
  virtual double Stimulus(int i) const = 0;
};

// The last point whose stimulus is at or below x (0 below the first, N-1 at or beyond the last);
// -1 for an empty axis. A non-finite x gives 0 (NaN) or the end it points to.
int FindPointIndexOn(const IStimulusAxis& axis, const TSweepAxis& sweep, double x);
// Fraction (x - x0) / (x1 - x0) and the neighbour pair used to interpolate at x: n the found
// point, m = n + 1 (n at the last point); fraction 0 when the pair has no width. False on an
// empty axis.
bool FindInterpolationPair(const IStimulusAxis& axis, const TSweepAxis& sweep, double x, int& n, int& m,
                           double& fraction);
// Relative position 0..1 to stimulus and back, by sweep type. An empty axis gives 0 (0.5 for
// the position).
double StimulusAtPositionOn(const IStimulusAxis& axis, const TSweepAxis& sweep, double p);
double PositionAtStimulusOn(const IStimulusAxis& axis, const TSweepAxis& sweep, double x);
// A phase value brought into (-180, 180].
double WrapPhaseDegrees(double degrees);

// ---- Scales -------------------------------------------------------------------------------------
// The scale per division the setter stores: min(max(0.001, x), (max - min) / divisions).
double ClampScaleDiv(double x, double minValue, double maxValue, int divisions);
// The automatic scale per division for values between lo and hi; false when the values span
// too little (nothing changes then).
bool ComputeAutoScaleDiv(double lo, double hi, int divisions, double& scaleDiv);
// The reference value that puts the rounded middle of lo..hi on the middle grid line.
double ComputeAutoRefValue(double lo, double hi, double scaleDiv, int refPosition, int divisions);

// ---- CSV number text ----------------------------------------------------------------------------
// "1.00000000E+06": one digit, '.', eight digits, 'E', sign, at least two exponent digits.
// Non-finite values are "NAN", "INF", "-INF".
std::string FormatCsvNumber(double value);
// Appends one CSV line: x, ", ", [blank when re >= 0] re, ", ", [blank when im >= 0] im, CR LF.
void AppendCsvLine(std::string& out, double x, double re, double im);
