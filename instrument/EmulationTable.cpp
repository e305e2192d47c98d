#include "instrument/EmulationTable.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/ResourceFile.h"
#include "model/Utils.h"

namespace {

// The angle brought into [-pi, pi].
double Wrap(double a) { return std::remainder(a, 2 * std::numbers::pi); }

}  // namespace

TEmulationTable TEmulationTable::Parse(std::string_view text) {
  TEmulationTable t;
  std::vector<double> numbers;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    ParseNumberList(line, numbers);
    bool ok = numbers.size() == 5 &&
              std::all_of(numbers.begin(), numbers.end(), [](double v) { return std::isfinite(v); }) &&
              (t.Freq.empty() || numbers[0] > t.Freq.back());
    if (!ok) {
      ++t.Skipped;
      continue;
    }
    t.Freq.push_back(numbers[0]);
    t.LevelA.push_back(numbers[1]);
    t.LevelB.push_back(numbers[2]);
    t.PhaseA.push_back(numbers[3]);
    t.PhaseB.push_back(numbers[4]);
  }
  return t;
}

TEmulationTable TEmulationTable::FromResource(const std::string& name) {
  TResourceFile resource(name);
  return Parse(resource.Bytes());
}

std::optional<TEmulationTable::TReading> TEmulationTable::Lookup(double f) const {
  const size_t n = Freq.size();
  if (n == 0) return std::nullopt;
  auto row = [&](size_t i) { return TReading{LevelA[i], LevelB[i], PhaseA[i], PhaseB[i]}; };
  if (!(f > Freq[0])) return row(0);  // below the table, at its first row, or not a number
  if (f >= Freq[n - 1]) return row(n - 1);
  // The first row from 1 on whose frequency is not below f.
  size_t i = static_cast<size_t>(std::lower_bound(Freq.begin() + 1, Freq.end(), f) - Freq.begin());
  size_t c = i - 1;
  double t = (f - Freq[c]) / (Freq[i] - Freq[c]);
  TReading r;
  r.LevelA = LevelA[c] + t * (LevelA[i] - LevelA[c]);
  r.LevelB = LevelB[c] + t * (LevelB[i] - LevelB[c]);
  r.PhaseA = Wrap(PhaseA[c] + t * Wrap(PhaseA[i] - PhaseA[c]));
  r.PhaseB = Wrap(PhaseB[c] + t * Wrap(PhaseB[i] - PhaseB[c]));
  return r;
}
