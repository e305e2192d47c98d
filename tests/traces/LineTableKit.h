#pragma once
// Building limit and ripple tables in tests: a segment appended as the table editor makes one,
// and the random traces and state-key tables of the tests that hold a line's test against a
// walk over every point.
#include <algorithm>
#include <random>
#include <string>
#include <utility>

#include "model/MemIniFile.h"
#include "traces/LineTraceFake.h"

namespace linetest {

// Appends a segment over beg..end as a copy of the last one, then sets its end, begin and end
// again, so that beg and end are reached from anywhere. Returns its index.
template <class Line>
int AppendRange(Line& line, double beg, double end) {
  line.InsertSegment(line.GetSegmentCount() - 1);
  const int i = line.GetSegmentCount() - 1;
  line.SetEndArgument(i, end);
  line.SetBegArgument(i, beg);
  line.SetEndArgument(i, end);
  return i;
}

// 1 to 300 points from 100 MHz (FakeLineTrace::FillRandom), each value drawn by value().
template <class Value>
FakeLineTrace RandomTrace(std::mt19937& rng, bool falling, Value value) {
  const int n = 1 + static_cast<int>(rng() % 300);
  FakeLineTrace trace(n, 100, 100 + n, 0);
  trace.FillRandom(rng, falling, value);
  return trace;
}

// Writes the keys of `segments` random ranges, "<prefix>BegArgument<n>" and
// "<prefix>EndArgument<n>", each up to 60 MHz wide from within 20 MHz of the trace's stimuli, one
// in six reversed (it then holds no point); after each range, more(k), k the segment's number as
// text, writes that segment's other keys.
template <class More>
void WriteRandomRanges(std::mt19937& rng, TMemIniFile& ini, const std::string& section, const std::string& prefix,
                       int segments, const FakeLineTrace& trace, More more) {
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  const double lo = trace.x.front() - 20;
  const double hi = trace.x.back() + 20;
  for (int s = 0; s < segments; ++s) {
    const std::string k = std::to_string(s);
    double a = uniform(std::min(lo, hi), std::max(lo, hi));
    double b = a + uniform(0, 60);
    if (rng() % 6 == 0) std::swap(a, b);
    ini.WriteFloat(section, prefix + "BegArgument" + k, a);
    ini.WriteFloat(section, prefix + "EndArgument" + k, b);
    more(k);
  }
}

}  // namespace linetest
