#include "model/FixtParam.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <numbers>
#include <string_view>

#include "model/Utils.h"
#include "platform/AtomicFile.h"

void TFixtParam::Clear() {
  Frequencies.clear();
  S11.clear();
  S21.clear();
  S12.clear();
  S22.clear();
  // The cleared vector keeps its storage, so a refill with the same count and ends would look
  // like the list the flag was worked out on.
  FrequenciesChanged();
}

void TFixtParam::SetGrid(size_t n, double lastFrequency, double firstFrequency) {
  Frequencies.resize(n);
  const double step = (lastFrequency - firstFrequency) / static_cast<double>(n - 1);
  for (size_t i = 0; i < n; ++i) Frequencies[i] = firstFrequency + step * static_cast<double>(i);
  FrequenciesChanged();
}

void TFixtParam::SetOnePortData(const std::vector<TComplex>& s11, double lastFrequency, double firstFrequency) {
  Clear();
  if (s11.size() < 2) return;
  SetGrid(s11.size(), lastFrequency, firstFrequency);
  S11 = s11;
  S21.assign(s11.size(), TComplex{});
  S12.assign(s11.size(), TComplex{});
  S22.assign(s11.size(), TComplex{});
}

void TFixtParam::SetTwoPortData(const std::vector<TComplex>& s11, const std::vector<TComplex>& s21,
                                const std::vector<TComplex>& s22, const std::vector<TComplex>& s12,
                                double lastFrequency, double firstFrequency) {
  Clear();
  const size_t n = s11.size();
  if (n < 2 || s21.size() != n || s22.size() != n || s12.size() != n) return;
  SetGrid(n, lastFrequency, firstFrequency);
  S11 = s11;
  S21 = s21;
  S12 = s12;
  S22 = s22;
}

// ---------------------------------------------------------------------------------------------
// Touchstone reader

namespace {

// Upper-case copy of an ASCII item (other bytes unchanged).
std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

enum class TNumberFormat { RI, MA, DB };

struct TOptionLine {
  int unitPower = 0;       // the unit is 10^unitPower MHz: Hz -6, kHz -3, MHz 0, GHz 3
  TNumberFormat format = TNumberFormat::MA;
};

// The option line: exactly six items when split at runs of blanks and tabs (empty items from
// leading or trailing blanks do not count).
bool ParseOptionLine(std::string_view line, TOptionLine& option) {
  std::vector<std::string_view> items;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    items.push_back(line.substr(start, i - start));
    if (items.size() > 6) return false;
  }
  if (items.size() != 6) return false;
  if (items[0] != "#" || items[2] != "S") return false;
  const std::string unit = UpperAscii(items[1]);
  if (unit == "HZ") {
    option.unitPower = -6;
  } else if (unit == "KHZ") {
    option.unitPower = -3;
  } else if (unit == "MHZ") {
    option.unitPower = 0;
  } else if (unit == "GHZ") {
    option.unitPower = 3;
  } else {
    return false;
  }
  const std::string format = UpperAscii(items[3]);
  if (format == "RI") {
    option.format = TNumberFormat::RI;
  } else if (format == "MA") {
    option.format = TNumberFormat::MA;
  } else if (format == "DB") {
    option.format = TNumberFormat::DB;
  } else {
    return false;
  }
  return true;
}

// The file's frequency in MHz, in one correctly rounded step.
double ToMHz(double value, int unitPower) {
  switch (unitPower) {
    case -6: return value / 1e6;
    case -3: return value / 1e3;
    case 3: return value * 1e3;
    default: return value;
  }
}

TComplex ToComplex(double a, double b, TNumberFormat format) {
  constexpr double kDegree = std::numbers::pi / 180.0;
  switch (format) {
    case TNumberFormat::RI: return {a, b};
    case TNumberFormat::MA: return Polar(a, b * kDegree);
    case TNumberFormat::DB: return Polar(std::pow(10.0, a / 20.0), b * kDegree);
  }
  return {};
}

bool IsFinite(const TComplex& z) { return std::isfinite(z.Re) && std::isfinite(z.Im); }

// Calls fn(line) for every line of the file, read in chunks so that memory follows the longest
// line, not the file. A line ends at LF; a CR right before the LF is dropped.
// False when the file could not be read to its end.
template <typename Fn>
bool ForEachFileLine(int fd, Fn&& fn) {
  constexpr size_t kChunk = 64 * 1024;
  const std::unique_ptr<char[]> chunk(new char[kChunk]);
  std::string line;
  bool first = true;
  bool bad = false;
  for (;;) {
    const ssize_t n = ::read(fd, chunk.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) bad = true;
    if (n <= 0) break;
    const size_t got = static_cast<size_t>(n);
    std::string_view piece(chunk.get(), got);
    if (first) {
      first = false;
      if (piece.substr(0, 3) == "\xEF\xBB\xBF") piece.remove_prefix(3);
    }
    size_t start = 0;
    for (;;) {
      const size_t lf = piece.find('\n', start);
      if (lf == std::string_view::npos) {
        line.append(piece.substr(start));
        break;
      }
      line.append(piece.substr(start, lf - start));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      fn(std::string_view(line));
      line.clear();
      start = lf + 1;
    }
  }
  if (!line.empty()) fn(std::string_view(line));
  return !bad;
}

}  // namespace

void TFixtParam::ReadTouchstone(const std::string& fileName, TFileKind kind, int target) {
  Clear();
  LoadError.clear();
  if (fileName.empty()) return;
  const std::string path = GetFixtureFilePath(fileName);
  if (fileName.find('\0') != std::string::npos) {
    LoadError = "The network file name holds a NUL character; nothing was read";
    return;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;  // a missing file is no fault here
  // A FIFO, a folder or a device in the file's place is refused, never waited on, and so is a
  // file far larger than any network.
  platform::FileResult opened;
  const int fd = platform::AtomicFile::openForReading(path, platform::kMaxNamedFileBytes, opened);
  if (fd < 0) {
    LoadError = opened.message;
    return;
  }

  const size_t wanted = kind == TFileKind::OnePort ? 3 : 9;
  bool haveOption = false;
  bool failed = false;
  TOptionLine option;
  std::vector<double> numbers;
  const bool readWhole = ForEachFileLine(fd, [&](std::string_view line) {
    if (failed || line.empty() || line.front() == '!') return;
    if (!haveOption) {
      haveOption = true;
      failed = !ParseOptionLine(line, option);
      return;
    }
    ParseNumberList(line, numbers);
    if (numbers.size() != wanted) return;
    const double f = ToMHz(numbers[0], option.unitPower);
    if (!std::isfinite(f)) return;
    if (!Frequencies.empty() && NearlyEqual(f, Frequencies.back())) return;
    TComplex values[4];
    for (size_t k = 0; k + 1 < wanted; k += 2) {
      values[k / 2] = ToComplex(numbers[k + 1], numbers[k + 2], option.format);
      if (!IsFinite(values[k / 2])) return;
    }
    Frequencies.push_back(f);
    if (kind == TFileKind::TwoPort) {
      S11.push_back(values[0]);
      S21.push_back(values[1]);
      S12.push_back(values[2]);
      S22.push_back(values[3]);
      return;
    }
    S11.push_back(target == 11 ? values[0] : TComplex{});
    S21.push_back(target == 21 ? values[0] : TComplex{});
    S12.push_back(target == 12 ? values[0] : TComplex{});
    S22.push_back(target == 22 ? values[0] : TComplex{});
  });
  // A file that stopped at its option line holds nothing; one that could not be read to its
  // end keeps nothing either, so a half-read network is never taken for the file.
  ::close(fd);
  if (failed || !readWhole) Clear();
  FrequenciesChanged();
}

void TFixtParam::LoadOnePort(const std::string& fileName, int target) {
  if (target != 12 && target != 21 && target != 22) target = 11;
  ReadTouchstone(fileName, TFileKind::OnePort, target);
}

void TFixtParam::LoadTwoPort(const std::string& fileName) { ReadTouchstone(fileName, TFileKind::TwoPort, 0); }

void TFixtParam::LoadByExtension(const std::string& fileName) {
  // The name ends in ".s1p" exactly when the extension of its last part is ".s1p".
  static constexpr std::string_view kOnePort = ".s1p";
  bool onePort = fileName.size() >= kOnePort.size();
  for (size_t i = 0; onePort && i < kOnePort.size(); ++i) {
    const char c = fileName[fileName.size() - kOnePort.size() + i];
    onePort = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == kOnePort[i];
  }
  if (onePort) {
    LoadOnePort(fileName, 11);
  } else {
    LoadTwoPort(fileName);
  }
}

// ---------------------------------------------------------------------------------------------
// Interpolation

bool TFixtParam::RisesStrictly() const {
  const size_t n = Frequencies.size();
  TSearchCache& c = search_;
  if (n > 0 && c.data == Frequencies.data() && c.size == n && c.first == Frequencies.front() &&
      c.last == Frequencies.back())
    return c.rising;
  bool rising = true;
  for (size_t i = 1; i < n && rising; ++i) rising = Frequencies[i - 1] < Frequencies[i];
  c.data = Frequencies.data();
  c.size = n;
  c.first = n > 0 ? Frequencies.front() : 0.0;
  c.last = n > 0 ? Frequencies.back() : 0.0;
  c.rising = rising;
  return rising;
}

int TFixtParam::FindSegment(double f) const {
  const size_t n = Frequencies.size();
  if (n < 2) return 0;
  // The walk: from the first segment on, step while the segment's upper end lies at or below
  // f and a later segment exists. On a strictly rising list that is the first upper end above
  // f among points 1 ... n - 2, which bisection finds; a NaN frequency stops the walk at once.
  size_t j;
  if (std::isnan(f)) {
    j = 1;
  } else if (RisesStrictly()) {
    const auto begin = Frequencies.begin() + 1;
    const auto end = Frequencies.begin() + static_cast<std::ptrdiff_t>(n - 1);
    j = static_cast<size_t>(std::upper_bound(begin, end, f) - Frequencies.begin());
  } else {
    j = 1;
    while (j < n - 1 && Frequencies[j] <= f) ++j;
  }
  return static_cast<int>(j - 1);
}

TSParams TFixtParam::InterpolateAt(double f) const {
  const size_t n = Frequencies.size();
  if (n < 2 || S11.size() != n || S21.size() != n || S12.size() != n || S22.size() != n) return {};
  const size_t k = static_cast<size_t>(FindSegment(f));
  const size_t j = k + 1;
  const double width = Frequencies[j] - Frequencies[k];
  // Two points at one frequency (a grid of zero span) have no slope to follow.
  const double t = width == 0.0 ? 0.0 : (f - Frequencies[k]) / width;
  TSParams out;
  out.S11 = InterpolatePolar(S11[k], S11[j], t);
  out.S21 = InterpolatePolar(S21[k], S21[j], t);
  out.S12 = InterpolatePolar(S12[k], S12[j], t);
  out.S22 = InterpolatePolar(S22[k], S22[j], t);
  return out;
}

void TFixtParam::InterpolateS11(const std::vector<double>& frequencies, std::vector<TComplex>& out) const {
  out.assign(frequencies.size(), TComplex{});
  const size_t n = Frequencies.size();
  if (n < 2 || S11.size() != n || S21.size() != n || S12.size() != n || S22.size() != n) return;
  TPolarStep step;
  size_t stepAt = n;  // no segment yet
  for (size_t i = 0; i < frequencies.size(); ++i) {
    const double f = frequencies[i];
    const size_t k = static_cast<size_t>(FindSegment(f));
    const size_t j = k + 1;
    if (k != stepAt) {
      step = TPolarStep(S11[k], S11[j]);
      stepAt = k;
    }
    const double width = Frequencies[j] - Frequencies[k];
    const double t = width == 0.0 ? 0.0 : (f - Frequencies[k]) / width;
    out[i] = step.At(t);
  }
}

void TFixtParam::Interpolate(TComplex& s11, TComplex& s21, TComplex& s22, TComplex& s12, double frequency) const {
  const TSParams s = InterpolateAt(frequency);
  s11 = s.S11;
  s21 = s.S21;
  s22 = s.S22;
  s12 = s.S12;
}
