#pragma once
// Free helpers shared by the whole program: rounding and stepping, interpolation, small complex
// matrix algebra, tolerant number lists and fixed-width number text, colour arithmetic, the
// program's folders and version, and a stopwatch. None of them keeps state.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Complex.h"
#include "model/ComplexMatrix.h"

// ---------------------------------------------------------------------------------------------
// Comparing, rounding and stepping

constexpr double Sqr(double x) { return x * x; }

// True when |a - b| <= max(min(|a|, |b|) * 1e-12, 1e-12): the equality of settings values.
bool NearlyEqual(double a, double b);
// True when |a - b| <= tolerance.
bool NearlyEqual(double a, double b, double tolerance);
// True when |x| <= 1e-12. Inline: every point of every trace asks.
inline bool NearlyZero(double x) { return std::fabs(x) <= 1e-12; }

// x limited to lo..hi (lo wins when hi < lo). A NaN x stays NaN.
template <typename T>
constexpr T ClampToRange(T x, T lo, T hi) {
  if (x > hi) x = hi;
  if (x < lo) x = lo;
  return x;
}

// The multiple of step nearest to x: step * floor(x / step + 0.5); halves go up (towards +inf).
double RoundToStep(double step, double x);
// The integer nearest to x, halves away from zero, limited to -2147483647..2147483647.
// NaN gives 0.
int RoundSaturated(double x);
// x toward zero as an int, limited to -2^30..2^30 (so sums of a few such values stay in the int
// range); NaN gives 0. Pixel values and integer settings typed as numbers go through it.
int TruncSat(double x);
// x rounded to n significant digits; 0 when |x| <= 1e-12.
double RoundToSignificantDigits(int n, double x);
// Moves x by n steps of one unit of its second significant digit (never less than minStep;
// minStep itself when |x| <= minStep) and rounds the result to that step.
void IncrementBySignificantStep(double& x, int n, double minStep);
// True when both parts are within 1e-12 of zero.
inline bool IsComplexZero(const TComplex& z) { return std::fabs(z.Re) <= 1e-12 && std::fabs(z.Im) <= 1e-12; }

// ---------------------------------------------------------------------------------------------
// Interpolation

// Linear interpolation in a table sampled at equally spaced arguments from lower (first value)
// to upper (last value). x <= lower gives the first value, x >= upper the last; a table of one
// value gives that value, an empty table 0.
double InterpolateTable(const std::vector<double>& table, double x, double upper, double lower);
// The value between a (t = 0) and b (t = 1): magnitude linear, phase along the shorter way round;
// linear in the real and imaginary parts when a or b is zero. t outside 0..1 extrapolates.
TComplex InterpolatePolar(const TComplex& a, const TComplex& b, double t);
// InterpolatePolar between one pair of values at many t: the magnitudes and angles are worked
// out once, each At is one sine and cosine. At(t) equals InterpolatePolar(a, b, t) exactly.
struct TPolarStep {
  // One end of a step in polar form, for steps that share their ends.
  struct TEnd {
    TEnd() = default;
    explicit TEnd(const TComplex& z);
    TComplex Value;
    bool Zero = true;  // IsComplexZero: the step is linear
    double Magnitude = 0.0;
    double Angle = 0.0;
  };

  TPolarStep() = default;
  TPolarStep(const TComplex& a, const TComplex& b) : TPolarStep(TEnd(a), TEnd(b)) {}
  TPolarStep(const TEnd& a, const TEnd& b);
  TComplex At(double t) const {
    if (Linear) return Start + t * Diff;
    return Polar(Magnitude + t * MagnitudeStep, Angle + t * AngleStep);
  }

  bool Linear = true;
  TComplex Start;
  TComplex Diff;
  double Magnitude = 0.0;
  double MagnitudeStep = 0.0;
  double Angle = 0.0;
  double AngleStep = 0.0;
};

// ---------------------------------------------------------------------------------------------
// 2 x 2 complex matrices, row-major: [0] = (1,1), [1] = (1,2), [2] = (2,1), [3] = (2,2).
// An S-parameter matrix is [S11, S12, S21, S22].

using TMatrix2x2 = std::array<TComplex, 4>;

TMatrix2x2 MultiplyMatrix2x2(const TMatrix2x2& a, const TMatrix2x2& b);
TMatrix2x2 SubtractMatrix2x2(const TMatrix2x2& a, const TMatrix2x2& b);
// A near-singular matrix (determinant within 1e-12 of zero) is divided by (1e-9, 0) instead, so
// the result stays finite.
TMatrix2x2 InvertMatrix2x2(const TMatrix2x2& a);
// S-parameters to transfer parameters and back; a near-zero S21 (or T11) is replaced by (1e-9, 0).
TMatrix2x2 SParamsToTParams(const TMatrix2x2& s);
TMatrix2x2 TParamsToSParams(const TMatrix2x2& t);

// ---------------------------------------------------------------------------------------------
// n x n complex matrices. The sizes passed must fit the matrices handed in (EAbort otherwise);
// result matrices are given the needed shape.

TComplexMatrix AllocComplexMatrix(int rows, int columns);
void FreeComplexMatrix(TComplexMatrix& m);
// dst ((n-1) x (n-1)) = the n x n matrix src without row skipRow and column skipColumn.
bool CopyComplexMinor(const TComplexMatrix& src, TComplexMatrix& dst, int skipRow, int skipColumn, int n);
// Determinant of the n x n matrix m by expansion along the first row (n >= 1; n = 0 gives 1).
TComplex ComplexMatrixDeterminant(const TComplexMatrix& m, int n);
// out = inverse of the n x n matrix m by cofactors; a zero determinant gives NaN elements.
void InvertComplexMatrix(const TComplexMatrix& m, int n, TComplexMatrix& out);
// out (columns x rows) = the conjugate transpose of in (rows x columns).
void TransposeComplexMatrix(const TComplexMatrix& in, int rows, int columns, TComplexMatrix& out);
// c (m x p) = a (m x n) * b (n x p).
void MultiplyComplexMatrices(const TComplexMatrix& a, int m, int n, const TComplexMatrix& b, int p,
                             TComplexMatrix& c);

// ---------------------------------------------------------------------------------------------
// Number lists and number text

// Empties numbers, splits text into items and appends the value of each item in order, stopping
// at the first item that is not a number. Separators: blank, tab, CR, LF, '|', ';', '!', ':'.
// A single or double quote opens a quoted stretch up to the same quote character in which
// separators do not split; the quotes stay in the item, which then is not a number.
void ParseNumberList(std::string_view text, std::vector<double>& numbers);

// The value with nine decimals and a blank (or '-') in front, cut (not rounded) after `digits`
// significant places counted from the first integer digit (a value below 1 has no integer digit),
// never inside the integer part; then a blank and the unit when unit is not empty.
// digits = 5: 3.14159 -> " 3.1415", -12.5 -> "-12.500", 123456.7 -> " 123456".
std::string FormatNumberWithUnit(int digits, std::string_view unit, double value);

// The value formatted by a format-float pattern: '0' (digit always shown) and '#' (digit shown
// when significant), '.' the decimal point, ',' anywhere in the integer part for groups of three
// (written ','), an exponent "E+00", "E-0", "e+00" ...; up to three ';'-separated sections for
// positive, negative and zero values; other characters and quoted text are copied; an empty
// pattern gives the shortest text. Halves round
// away from zero on the value's shortest decimal text. Then a blank and the unit when unit is not
// empty. "####0.0#####": 2.5 -> "2.5", 1e-7 -> "0.0".
// A value shown as zero has no minus sign; NaN and infinities give "NAN", "INF" and "-INF". A
// magnitude of 1e15 or more under a section without an exponent is written in the shortest
// exponent form instead of its digits: the shortest digits that read back to the value, the
// point after the first, 'E' and the exponent without sign or leading zeros ("1E15",
// "-2.5E20"); the section's literal text stays around it. No locale is consulted.
std::string FormatFloatWithUnit(std::string_view pattern, std::string_view unit, double value);
// FormatFloatWithUnit without a unit: "###0.######": 2.5 -> "2.5"; "###0.0### ": 2 -> "2.0 ".
std::string FormatFloat(std::string_view pattern, double value);

// ---------------------------------------------------------------------------------------------
// Colours: 0x00BBGGRR (red in the low byte). A value with the high byte 0xFF is a system colour,
// indexed by its low byte (the classic window-system indices: 5 window, 15 button face, ...),
// resolved from a fixed light theme.

using TColor = uint32_t;

enum TSystemColorIndex : uint8_t {
  scScrollBar = 0,
  scBackground = 1,
  scActiveCaption = 2,
  scInactiveCaption = 3,
  scMenu = 4,
  scWindow = 5,
  scWindowFrame = 6,
  scMenuText = 7,
  scWindowText = 8,
  scCaptionText = 9,
  scActiveBorder = 10,
  scInactiveBorder = 11,
  scAppWorkSpace = 12,
  scHighlight = 13,
  scHighlightText = 14,
  scBtnFace = 15,
  scBtnShadow = 16,
  scGrayText = 17,
  scBtnText = 18,
  scInactiveCaptionText = 19,
  scBtnHighlight = 20,
  sc3DDkShadow = 21,
  sc3DLight = 22,
  scInfoText = 23,
  scInfoBk = 24,
  scHotLight = 26,
  scGradientActiveCaption = 27,
  scGradientInactiveCaption = 28,
  scMenuHilight = 29,
  scMenuBar = 30,
};

constexpr TColor SystemColor(TSystemColorIndex index) { return 0xFF000000u | index; }
// The plain RGB value (high byte 0) of a colour; system colours resolved, unknown indices black.
TColor ColorToRgb(TColor c);
int GetColorRed(TColor c);
int GetColorGreen(TColor c);
int GetColorBlue(TColor c);
// r + g * 256 + b * 65536, each part taken modulo 256.
TColor MakeRgbColor(int r, int g, int b);
// Each part p becomes 255 - p.
TColor InvertColor(TColor c);
// Every part becomes (r + g + b) / 3 (integer division).
TColor ColorToGray(TColor c);
// Each part times factor, truncated towards zero and limited to 0..255.
TColor ScaleColor(TColor c, double factor);
// Each part moves by 5 * steps towards the middle (parts above 128 down, the others up),
// limited to 0..255.
TColor FadeColor(TColor c, int steps);

// ---------------------------------------------------------------------------------------------
// Folders, files and version

// The data root ("the folder of the program file") with a trailing '/'; the two are the same.
std::string GetExeDirectory();
std::string GetAppDirectory();
// GetAppDirectory() + "FixtureSim/".
std::string GetFixtureSimDirectory();
// path with extension (e.g. ".s2p") appended when its file-name part is not empty and has no
// extension; otherwise path unchanged.
std::string SetDefaultExtension(const std::string& path, std::string_view extension);
// Where a fixture's Touchstone file is looked up: a name holding '\' (written on Windows) is
// reduced to the part after the last '\'; ".s2p" is added when it has no extension; a name
// without a folder part is put into GetFixtureSimDirectory().
std::string GetFixtureFilePath(const std::string& name);
// The program's version, four numbers ("0.1.0.1").
std::string GetFileVersionText();

// ---------------------------------------------------------------------------------------------
// Stopwatch on the program clock; a tick is a nanosecond.

constexpr int64_t kStopwatchTicksPerSecond = 1000000000;
void StartStopwatch(int64_t& counter);
// Ticks since StartStopwatch(counter); seconds receives the same span in seconds.
int64_t ReadStopwatch(int64_t counter, double& seconds);
