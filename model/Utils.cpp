#include "model/Utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

#include "Version.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

// ---------------------------------------------------------------------------------------------
// Comparing, rounding and stepping

bool NearlyEqual(double a, double b) {
  return std::fabs(a - b) <= std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-12, 1e-12);
}

bool NearlyEqual(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

double RoundToStep(double step, double x) { return step * std::floor(x / step + 0.5); }

int TruncSat(double x) {
  constexpr double kLimit = 1073741824.0;  // 2^30
  if (std::isnan(x)) return 0;
  if (x >= kLimit) return static_cast<int>(kLimit);
  if (x <= -kLimit) return -static_cast<int>(kLimit);
  return static_cast<int>(x);
}

int RoundSaturated(double x) {
  constexpr double kLimit = 2147483647.0;
  if (std::isnan(x)) return 0;
  // std::round is exact (no x + 0.5 that rounds up 0.49999999999999994); halves go away from 0.
  const double r = std::round(x);
  if (r >= kLimit) return 2147483647;
  if (r <= -kLimit) return -2147483647;
  return static_cast<int>(r);
}

double RoundToSignificantDigits(int n, double x) {
  if (std::fabs(x) <= 1e-12) return 0.0;
  return RoundToStep(std::pow(10.0, std::floor(std::log10(std::fabs(x))) - n + 1), x);
}

void IncrementBySignificantStep(double& x, int n, double minStep) {
  double step = minStep;
  if (x > minStep) {
    step = std::max(minStep, std::pow(10.0, std::floor(std::log10(x)) - 1));
  } else if (x < -minStep) {
    step = std::max(minStep, std::pow(10.0, std::floor(std::log10(-x)) - 1));
  }
  x = RoundToStep(step, x + n * step);
}

// ---------------------------------------------------------------------------------------------
// Interpolation

double InterpolateTable(const std::vector<double>& table, double x, double upper, double lower) {
  if (table.empty()) return 0.0;
  if (table.size() == 1) return table.front();
  if (!(x > lower)) return table.front();  // also NaN
  if (x >= upper) return table.back();
  const size_t count = table.size();
  const double step = (upper - lower) / static_cast<double>(count - 1);
  // Just below upper the quotient reaches count - 1 by rounding; table[k + 1] must stay inside.
  const double kf = std::floor((x - lower) / step);
  const size_t k = static_cast<size_t>(std::clamp(kf, 0.0, static_cast<double>(count - 2)));
  return table[k] + ((x - lower) - static_cast<double>(k) * step) * (table[k + 1] - table[k]) / step;
}

TComplex InterpolatePolar(const TComplex& a, const TComplex& b, double t) { return TPolarStep(a, b).At(t); }

TPolarStep::TEnd::TEnd(const TComplex& z) : Value(z), Zero(IsComplexZero(z)) {
  if (Zero) return;
  Magnitude = Abs(z);
  Angle = Arg(z);
}

TPolarStep::TPolarStep(const TEnd& a, const TEnd& b) {
  if (a.Zero || b.Zero) {
    Start = a.Value;
    Diff = b.Value - a.Value;
    return;
  }
  constexpr double kPi = std::numbers::pi;
  double d = b.Angle - a.Angle;
  if (d > kPi) d -= 2 * kPi;
  if (d < -kPi) d += 2 * kPi;
  Linear = false;
  Magnitude = a.Magnitude;
  MagnitudeStep = b.Magnitude - Magnitude;
  Angle = a.Angle;
  AngleStep = d;
}

// ---------------------------------------------------------------------------------------------
// 2 x 2 matrices

TMatrix2x2 MultiplyMatrix2x2(const TMatrix2x2& a, const TMatrix2x2& b) {
  return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
          a[2] * b[1] + a[3] * b[3]};
}

TMatrix2x2 SubtractMatrix2x2(const TMatrix2x2& a, const TMatrix2x2& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3]};
}

namespace {
constexpr TComplex kNearZeroDivisor{1e-9, 0.0};

TComplex SafeDivisor(const TComplex& d) { return IsComplexZero(d) ? kNearZeroDivisor : d; }
}  // namespace

TMatrix2x2 InvertMatrix2x2(const TMatrix2x2& a) {
  const TComplex k = 1.0 / SafeDivisor(a[0] * a[3] - a[1] * a[2]);
  return {a[3] * k, -a[1] * k, -a[2] * k, a[0] * k};
}

TMatrix2x2 SParamsToTParams(const TMatrix2x2& s) {
  const TComplex d = SafeDivisor(s[2]);
  return {1.0 / d, -s[3] / d, s[0] / d, s[1] - s[0] * s[3] / d};
}

TMatrix2x2 TParamsToSParams(const TMatrix2x2& t) {
  const TComplex d = SafeDivisor(t[0]);
  return {t[2] / d, t[3] - t[2] * t[1] / d, 1.0 / d, -t[1] / d};
}

// ---------------------------------------------------------------------------------------------
// n x n matrices

namespace {

void RequireShape(const TComplexMatrix& m, int rows, int columns, const char* what) {
  if (rows < 0 || columns < 0 || m.Rows() < static_cast<size_t>(rows) || m.Columns() < static_cast<size_t>(columns)) {
    throw EAbort(std::string(what) + ": the matrix is smaller than the size given");
  }
}

// Gives a result matrix at least the shape rows x columns.
void EnsureShape(TComplexMatrix& m, int rows, int columns) {
  if (m.Rows() < static_cast<size_t>(rows) || m.Columns() < static_cast<size_t>(columns)) {
    m.Reset(static_cast<size_t>(rows), static_cast<size_t>(columns));
  }
}

}  // namespace

TComplexMatrix AllocComplexMatrix(int rows, int columns) {
  if (rows < 0 || columns < 0) throw EAbort("AllocComplexMatrix: negative size");
  return TComplexMatrix(static_cast<size_t>(rows), static_cast<size_t>(columns));
}

void FreeComplexMatrix(TComplexMatrix& m) { m.Release(); }

bool CopyComplexMinor(const TComplexMatrix& src, TComplexMatrix& dst, int skipRow, int skipColumn, int n) {
  RequireShape(src, n, n, "CopyComplexMinor");
  if (n < 1 || skipRow < 0 || skipRow >= n || skipColumn < 0 || skipColumn >= n) {
    throw EAbort("CopyComplexMinor: row or column outside the matrix");
  }
  EnsureShape(dst, n - 1, n - 1);
  int di = 0;
  for (int i = 0; i < n; ++i) {
    if (i == skipRow) continue;
    int dj = 0;
    for (int j = 0; j < n; ++j) {
      if (j == skipColumn) continue;
      dst[di][dj++] = src[i][j];
    }
    ++di;
  }
  return true;
}

TComplex ComplexMatrixDeterminant(const TComplexMatrix& m, int n) {
  RequireShape(m, n, n, "ComplexMatrixDeterminant");
  if (n == 0) return {1.0, 0.0};
  if (n == 1) return m[0][0];
  TComplexMatrix minor(static_cast<size_t>(n - 1), static_cast<size_t>(n - 1));
  TComplex det{};
  for (int i = 0; i < n; ++i) {
    CopyComplexMinor(m, minor, 0, i, n);
    const TComplex term = m[0][i] * ComplexMatrixDeterminant(minor, n - 1);
    if (i % 2 == 1) {
      det -= term;
    } else {
      det += term;
    }
  }
  return det;
}

void InvertComplexMatrix(const TComplexMatrix& m, int n, TComplexMatrix& out) {
  RequireShape(m, n, n, "InvertComplexMatrix");
  const TComplex det = ComplexMatrixDeterminant(m, n);
  // Computed into a fresh matrix so that out may be m itself.
  TComplexMatrix result(static_cast<size_t>(n), static_cast<size_t>(n));
  TComplexMatrix minor(n > 0 ? static_cast<size_t>(n - 1) : 0, n > 0 ? static_cast<size_t>(n - 1) : 0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      CopyComplexMinor(m, minor, i, j, n);
      TComplex cofactor = ComplexMatrixDeterminant(minor, n - 1);
      if ((i + j) % 2 == 1) cofactor = -cofactor;
      result[j][i] = cofactor / det;
    }
  }
  EnsureShape(out, n, n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) out[i][j] = result[i][j];
  }
}

void TransposeComplexMatrix(const TComplexMatrix& in, int rows, int columns, TComplexMatrix& out) {
  RequireShape(in, rows, columns, "TransposeComplexMatrix");
  TComplexMatrix result(static_cast<size_t>(columns), static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) result[j][i] = Conj(in[i][j]);
  }
  EnsureShape(out, columns, rows);
  for (int j = 0; j < columns; ++j) {
    for (int i = 0; i < rows; ++i) out[j][i] = result[j][i];
  }
}

void MultiplyComplexMatrices(const TComplexMatrix& a, int m, int n, const TComplexMatrix& b, int p,
                             TComplexMatrix& c) {
  RequireShape(a, m, n, "MultiplyComplexMatrices");
  RequireShape(b, n, p, "MultiplyComplexMatrices");
  TComplexMatrix result(static_cast<size_t>(m), static_cast<size_t>(p));
  for (int i = 0; i < m; ++i) {
    for (int k = 0; k < p; ++k) {
      TComplex sum{};
      for (int j = 0; j < n; ++j) sum += a[i][j] * b[j][k];
      result[i][k] = sum;
    }
  }
  EnsureShape(c, m, p);
  for (int i = 0; i < m; ++i) {
    for (int k = 0; k < p; ++k) c[i][k] = result[i][k];
  }
}

// ---------------------------------------------------------------------------------------------
// Number lists

namespace {
bool IsListSeparator(char c) {
  switch (c) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '|':
    case ';':
    case '!':
    case ':':
      return true;
    default:
      return false;
  }
}
}  // namespace

void ParseNumberList(std::string_view text, std::vector<double>& numbers) {
  numbers.clear();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    while (i < n && IsListSeparator(text[i])) ++i;
    if (i >= n) break;
    const size_t start = i;
    while (i < n && !IsListSeparator(text[i])) {
      const char c = text[i];
      if (c == '\'' || c == '"') {
        const size_t close = text.find(c, i + 1);
        i = close == std::string_view::npos ? n : close + 1;
      } else {
        ++i;
      }
    }
    const std::optional<double> value = TryTextToFloat(text.substr(start, i - start));
    if (!value) return;
    numbers.push_back(*value);
  }
}

// ---------------------------------------------------------------------------------------------
// Number text

std::string FormatNumberWithUnit(int digits, std::string_view unit, double value) {
  const double magnitude = std::fabs(value);
  std::string text(1, std::signbit(value) ? '-' : ' ');
  if (std::isnan(value)) {
    text += "nan";
  } else if (std::isinf(value)) {
    text += "inf";
  } else {
    // "% .9lf": nine decimals, rounded to nearest.
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 9);
    const std::string_view fixed(buf, static_cast<size_t>(res.ptr - buf));
    // Count the integer digits of the value itself, before the nine-decimal rounding: the
    // rounding may carry into a new digit (0.9999999999 -> 1.000000000) without changing the
    // number of decimals shown.
    int integerDigits = 0;
    if (magnitude >= 1.0) {
      char whole[400];
      auto end = std::to_chars(whole, whole + sizeof whole, std::trunc(magnitude), std::chars_format::fixed, 0).ptr;
      integerDigits = static_cast<int>(end - whole);
    }
    const int decimals = static_cast<int>(std::clamp(static_cast<long long>(digits) - integerDigits, 0LL, 9LL));
    const size_t point = fixed.find('.');
    text += fixed.substr(0, decimals == 0 ? point : point + 1 + static_cast<size_t>(decimals));
  }
  if (!unit.empty()) {
    text += ' ';
    text += unit;
  }
  return text;
}

namespace {

// One section of a format-float pattern, taken apart.
struct FloatPattern {
  std::string prefix;
  std::string suffix;
  int integerPlaces = 0;  // '0' and '#' before the point
  int minIntegerDigits = 0;  // places from the first '0' before the point up to the point
  int decimalPlaces = 0;  // '0' and '#' after the point
  int minDecimals = 0;  // places up to the last '0' after the point
  bool thousands = false;
  bool hasExponent = false;
  char exponentChar = 'E';
  bool exponentAlwaysSigned = false;
  int exponentDigits = 1;
};

FloatPattern ParseFloatPattern(std::string_view s) {
  FloatPattern p;
  // The number is the first run of placeholders, points and commas, with an exponent after it;
  // literal text before it is the prefix, everything after it the suffix.
  enum { kBefore, kInside, kAfter } where = kBefore;
  bool afterPoint = false;
  int firstZeroInteger = -1;  // index among the integer places
  auto literal = [&]() -> std::string& { return where == kBefore ? p.prefix : p.suffix; };
  auto endNumber = [&]() {
    if (where == kInside) where = kAfter;
  };
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\'' || c == '"') {
      endNumber();
      size_t close = s.find(c, i + 1);
      if (close == std::string_view::npos) close = s.size();
      literal().append(s.substr(i + 1, close - i - 1));
      i = close;
      continue;
    }
    const bool placeholder = c == '0' || c == '#';
    if (where != kAfter && (placeholder || c == '.' || c == ',') && !(c == '.' && afterPoint)) {
      where = kInside;
      if (placeholder && afterPoint) {
        ++p.decimalPlaces;
        if (c == '0') p.minDecimals = p.decimalPlaces;
      } else if (placeholder) {
        if (c == '0' && firstZeroInteger < 0) firstZeroInteger = p.integerPlaces;
        ++p.integerPlaces;
      } else if (c == '.') {
        afterPoint = true;
      } else if (!afterPoint) {
        p.thousands = true;
      }
      continue;
    }
    if (where == kInside && (c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      p.hasExponent = true;
      p.exponentChar = c;
      p.exponentAlwaysSigned = s[i + 1] == '+';
      size_t j = i + 2;
      int zeros = 0;
      for (; j < s.size() && s[j] == '0'; ++j) ++zeros;
      p.exponentDigits = std::clamp(zeros, 1, 4);
      i = j - 1;
      where = kAfter;
      continue;
    }
    endNumber();
    literal().push_back(c);
  }
  p.minIntegerDigits = firstZeroInteger < 0 ? 0 : p.integerPlaces - firstZeroInteger;
  return p;
}

// The shortest decimal digits of |value| > 0: value = 0.d1d2d3... * 10^pointPos.
void ShortestDigits(double magnitude, std::string& digits, int& pointPos) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
  const std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  const size_t e = s.find('e');
  digits.clear();
  for (size_t i = 0; i < e; ++i) {
    if (s[i] != '.') digits.push_back(s[i]);
  }
  int exponent = 0;
  const char* first = s.data() + e + 1;
  if (*first == '+') ++first;
  std::from_chars(first, s.data() + s.size(), exponent);
  pointPos = exponent + 1;
}

// Keeps the first keep digits, rounding half away from zero; a carry out of the top adds a
// leading '1' and moves the point. keep <= 0 keeps nothing unless the rounding reaches it.
void RoundDigits(std::string& digits, int& pointPos, int keep) {
  if (keep >= static_cast<int>(digits.size())) return;
  if (keep < 0) {
    digits.clear();
    return;
  }
  const bool up = digits[static_cast<size_t>(keep)] >= '5';
  digits.resize(static_cast<size_t>(keep));
  if (!up) return;
  int i = keep - 1;
  while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
  if (i >= 0) {
    ++digits[static_cast<size_t>(i)];
  } else {
    digits.insert(digits.begin(), '1');
    ++pointPos;
  }
}

bool AllZero(const std::string& digits) {
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

std::string GroupThousands(const std::string& integer) {
  std::string out;
  const size_t n = integer.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(integer[i]);
  }
  return out;
}

// From this magnitude on, a section without an exponent writes the shortest exponent form: a
// double promises fifteen significant digits, so a longer run of integer digits would show noise.
constexpr double kExponentFormFrom = 1e15;

// Formats |value| by one pattern section; zero is set when the shown number is zero.
std::string FormatMagnitude(const FloatPattern& p, double magnitude, bool& zero) {
  std::string digits;
  int pointPos = 0;
  if (magnitude > 0) ShortestDigits(magnitude, digits, pointPos);
  if (!p.hasExponent && magnitude >= kExponentFormFrom) {
    zero = false;
    std::string out = p.prefix;
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1, std::string::npos);
    }
    out.push_back('E');
    out += IntToText(pointPos - 1);
    out += p.suffix;
    return out;
  }
  int exponent = 0;
  const int integerDigitsWanted = std::max(1, p.integerPlaces);
  if (p.hasExponent) {
    if (!digits.empty()) {
      RoundDigits(digits, pointPos, integerDigitsWanted + p.decimalPlaces);
      exponent = pointPos - integerDigitsWanted;
      pointPos = integerDigitsWanted;
    }
  } else {
    RoundDigits(digits, pointPos, pointPos + p.decimalPlaces);
  }
  zero = AllZero(digits);
  if (zero) {
    digits.clear();
    exponent = 0;
  }
  // Integer and fraction digit strings.
  std::string integer;
  std::string fraction;
  for (int i = 0; i < static_cast<int>(digits.size()); ++i) {
    if (i < pointPos) {
      integer.push_back(digits[static_cast<size_t>(i)]);
    } else {
      if (fraction.empty() && pointPos < 0) fraction.assign(static_cast<size_t>(-pointPos), '0');
      fraction.push_back(digits[static_cast<size_t>(i)]);
    }
  }
  if (!digits.empty() && pointPos > static_cast<int>(digits.size())) {
    integer.append(static_cast<size_t>(pointPos) - digits.size(), '0');
  }
  if (static_cast<int>(fraction.size()) > p.decimalPlaces) fraction.resize(static_cast<size_t>(p.decimalPlaces));
  while (static_cast<int>(fraction.size()) > p.minDecimals && !fraction.empty() && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (static_cast<int>(fraction.size()) < p.minDecimals) fraction.append(static_cast<size_t>(p.minDecimals) - fraction.size(), '0');
  const int minInteger = p.hasExponent ? std::max(p.minIntegerDigits, 1) : p.minIntegerDigits;
  if (static_cast<int>(integer.size()) < minInteger) integer.insert(0, static_cast<size_t>(minInteger) - integer.size(), '0');

  std::string out = p.prefix;
  out += p.thousands ? GroupThousands(integer) : integer;
  if (!fraction.empty()) {
    out.push_back('.');
    out += fraction;
  }
  if (p.hasExponent) {
    out.push_back(p.exponentChar);
    if (exponent < 0) {
      out.push_back('-');
    } else if (p.exponentAlwaysSigned) {
      out.push_back('+');
    }
    std::string e = IntToText(exponent < 0 ? -static_cast<long long>(exponent) : exponent);
    if (static_cast<int>(e.size()) < p.exponentDigits) e.insert(0, static_cast<size_t>(p.exponentDigits) - e.size(), '0');
    out += e;
  }
  out += p.suffix;
  return out;
}

std::vector<std::string_view> SplitSections(std::string_view pattern) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && sections.size() < 2) {
      sections.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(pattern.substr(start));
  return sections;
}

}  // namespace

std::string FormatFloatWithUnit(std::string_view pattern, std::string_view unit, double value) {
  std::string text;
  if (std::isnan(value)) {
    text = "NAN";
  } else if (std::isinf(value)) {
    text = value > 0 ? "INF" : "-INF";
  } else if (pattern.empty()) {
    text = FloatToText(value);  // no pattern: the shortest text
  } else {
    const std::vector<std::string_view> sections = SplitSections(pattern);
    const bool negative = value < 0;
    bool zero = false;
    if (value == 0.0 && sections.size() >= 3 && !sections[2].empty()) {
      text = FormatMagnitude(ParseFloatPattern(sections[2]), 0.0, zero);
    } else if (negative && sections.size() >= 2 && !sections[1].empty()) {
      // The negative section writes its own sign, if any.
      text = FormatMagnitude(ParseFloatPattern(sections[1]), -value, zero);
    } else {
      text = FormatMagnitude(ParseFloatPattern(sections[0]), std::fabs(value), zero);
      if (negative && !zero) text.insert(0, 1, '-');
    }
  }
  if (!unit.empty()) {
    text += ' ';
    text += unit;
  }
  return text;
}

std::string FormatFloat(std::string_view pattern, double value) { return FormatFloatWithUnit(pattern, {}, value); }

// ---------------------------------------------------------------------------------------------
// Colours

namespace {
// The light theme's system colours, 0x00BBGGRR, by index.
constexpr std::array<TColor, 31> kSystemColors = {
    0xC8C8C8,  // 0 scroll bar
    0x000000,  // 1 desktop background
    0xD1B499,  // 2 active caption
    0xDBCDBF,  // 3 inactive caption
    0xF0F0F0,  // 4 menu
    0xFFFFFF,  // 5 window
    0x646464,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0x000000,  // 9 caption text
    0xB4B4B4,  // 10 active border
    0xFCF7F4,  // 11 inactive border
    0xABABAB,  // 12 application work space
    0xD77800,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xF0F0F0,  // 15 button face
    0xA0A0A0,  // 16 button shadow
    0x6D6D6D,  // 17 grey text
    0x000000,  // 18 button text
    0x000000,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x696969,  // 21 3-D dark shadow
    0xE3E3E3,  // 22 3-D light
    0x000000,  // 23 info text
    0xE1FFFF,  // 24 info background
    0x000000,  // 25 (unused)
    0xCC6600,  // 26 hot-tracked item
    0xEAD1B9,  // 27 gradient of the active caption
    0xF2E4D7,  // 28 gradient of the inactive caption
    0xFF9933,  // 29 menu highlight
    0xF0F0F0,  // 30 menu bar
};

int ClampPart(long long p) { return static_cast<int>(std::clamp(p, 0LL, 255LL)); }

TColor RgbFromParts(int r, int g, int b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
}  // namespace

TColor ColorToRgb(TColor c) {
  if ((c >> 24) == 0xFF) {
    const TColor index = c & 0xFF;
    return index < kSystemColors.size() ? kSystemColors[index] : 0;
  }
  return c & 0x00FFFFFF;
}

int GetColorRed(TColor c) { return static_cast<int>(ColorToRgb(c) & 0xFF); }
int GetColorGreen(TColor c) { return static_cast<int>((ColorToRgb(c) >> 8) & 0xFF); }
int GetColorBlue(TColor c) { return static_cast<int>((ColorToRgb(c) >> 16) & 0xFF); }

TColor MakeRgbColor(int r, int g, int b) {
  return RgbFromParts(r & 0xFF, g & 0xFF, b & 0xFF);
}

TColor InvertColor(TColor c) {
  return RgbFromParts(255 - GetColorRed(c), 255 - GetColorGreen(c), 255 - GetColorBlue(c));
}

TColor ColorToGray(TColor c) {
  const int gray = (GetColorRed(c) + GetColorGreen(c) + GetColorBlue(c)) / 3;
  return RgbFromParts(gray, gray, gray);
}

TColor ScaleColor(TColor c, double factor) {
  auto scale = [factor](int p) {
    const double v = p * factor;
    if (!(v > 0.0)) return 0;  // also NaN
    if (v >= 255.0) return 255;
    return static_cast<int>(v);
  };
  return RgbFromParts(scale(GetColorRed(c)), scale(GetColorGreen(c)), scale(GetColorBlue(c)));
}

TColor FadeColor(TColor c, int steps) {
  const long long delta = 5LL * steps;
  auto fade = [delta](int p) { return ClampPart(p > 128 ? p - delta : p + delta); };
  return RgbFromParts(fade(GetColorRed(c)), fade(GetColorGreen(c)), fade(GetColorBlue(c)));
}

// ---------------------------------------------------------------------------------------------
// Folders, files and version

std::string GetExeDirectory() {
  std::string root = platform::Paths::dataRoot();
  if (!root.empty() && root.back() != '/') root.push_back('/');
  return root;
}

std::string GetAppDirectory() { return GetExeDirectory(); }

std::string GetFixtureSimDirectory() { return GetAppDirectory() + "FixtureSim/"; }

std::string SetDefaultExtension(const std::string& path, std::string_view extension) {
  const size_t slash = path.rfind('/');
  const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.empty() || name.find('.') != std::string_view::npos) return path;
  return path + std::string(extension);
}

std::string GetFixtureFilePath(const std::string& name) {
  const size_t backslash = name.rfind('\\');
  const std::string base = backslash == std::string::npos ? name : name.substr(backslash + 1);
  std::string path = SetDefaultExtension(base, ".s2p");
  if (path.find('/') == std::string::npos) path = GetFixtureSimDirectory() + path;
  return path;
}

std::string GetFileVersionText() { return TERVAN_VERSION_TEXT; }

// ---------------------------------------------------------------------------------------------
// Stopwatch

void StartStopwatch(int64_t& counter) { counter = platform::Clock::get().steadyNs(); }

int64_t ReadStopwatch(int64_t counter, double& seconds) {
  const int64_t ticks = platform::Clock::get().steadyNs() - counter;
  seconds = static_cast<double>(ticks) / static_cast<double>(kStopwatchTicksPerSecond);
  return ticks;
}
