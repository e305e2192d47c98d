// The ripple line: its test over a table of traces, the limit's range, the results kept current
// after every change of the segments, the state keys and the ".rlm" file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "traces/LineFileFuzz.h"
#include "traces/LineTableKit.h"
#include "traces/LineTraceFake.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "platform/AtomicFile.h"
#include "traces/RippleLine.h"

using linetest::FakeLineTrace;
using linetest::Folder;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Seg {
  double beg;
  double end;
  double limit;
  int type;
};

void AddSegments(TRippleLine& line, const std::vector<Seg>& segs) {
  for (const Seg& s : segs) {
    const int i = linetest::AppendRange(line, s.beg, s.end);
    line.SetRippleLimit(i, s.limit);
    line.SetRippleType(i, s.type);
  }
}

}  // namespace

// 201 points from 100 to 300 MHz (point k at 100 + k MHz), at -20 unless a case changes it.
TEST(RippleTest, EdgeCases) {
  struct Case {
    const char* name;
    std::function<void(FakeLineTrace&)> trace;
    std::vector<Seg> segments;
    std::vector<int> failed;
    std::vector<std::pair<bool, bool>> bounds;  // of segment 0
  };
  const std::vector<Case> cases = {
      {"a flat trace passes", [](FakeLineTrace&) {}, {{100, 300, 1, 1}}, {}, {}},
      {"one point 0.6 dB above the mean fails", [](FakeLineTrace& t) { t.SetValues(200, 200, -19.4); },
       {{100, 300, 1, 1}}, {100}, {}},
      {"one point 0.4 dB above the mean passes", [](FakeLineTrace& t) { t.SetValues(200, 200, -19.6); },
       {{100, 300, 1, 1}}, {}, {}},
      {"an untested segment finds nothing", [](FakeLineTrace& t) { t.SetValues(200, 200, 0); },
       {{100, 300, 1, 0}, {100, 300, 1, 2}}, {}, {}},
      {"a missing value fails", [](FakeLineTrace& t) { t.SetValues(150, 150, kNaN); }, {{100, 300, 1, 1}},
       {50}, {}},
      {"a deviating end fails its bound", [](FakeLineTrace& t) { t.SetValues(100, 100, -25); },
       {{100, 150, 4, 1}}, {0}, {{true, false}}},
      {"a point in two tested segments fails twice", [](FakeLineTrace& t) { t.SetValues(150, 150, -10); },
       {{140, 160, 1, 1}, {100, 200, 1, 1}}, {50, 50}, {}},
  };
  for (const Case& c : cases) {
    FakeLineTrace trace(201, 100, 300, -20);
    c.trace(trace);
    TRippleLine line(nullptr);
    line.SetTraceLink(&trace);
    AddSegments(line, c.segments);
    line.Test();
    EXPECT_EQ(line.GetFailedPoints(), c.failed) << c.name;
    std::vector<std::pair<bool, bool>> bounds;
    for (const TLimitFailBound& b : line.GetFailBounds()) {
      EXPECT_EQ(b.Segment, 0) << c.name;
      bounds.push_back({b.BegFailed, b.EndFailed});
    }
    EXPECT_EQ(bounds, c.bounds) << c.name;
    EXPECT_EQ(line.IsPassed(), c.failed.empty() && c.bounds.empty()) << c.name;
  }
}

TEST(RippleTest, MeanCountsBothEndsOnceMore) {
  // Points 0..4 at 0, 1, 2, 3, 4; the range 1..3 has the samples v(1), v(3) and the points 1, 2,
  // 3: mean (1 + 3 + 1 + 2 + 3) / 5 = 2.
  FakeLineTrace trace(5, 0, 4, 0);
  trace.y = {0, 1, 2, 3, 4};
  TRippleLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{1, 3, 10, 1}});
  EXPECT_DOUBLE_EQ(line.GetMean(0), 2);
  EXPECT_DOUBLE_EQ(line.GetMin(0), 1);
  EXPECT_DOUBLE_EQ(line.GetMax(0), 3);
  // Ends between points take interpolated values.
  line.SetBegArgument(0, 0.5);
  EXPECT_DOUBLE_EQ(line.GetMin(0), 0.5);
  EXPECT_DOUBLE_EQ(line.GetMean(0), (0.5 + 3 + 1 + 2 + 3) / 5);
}

TEST(RippleTest, LimitRunsFromZeroToTheWholeScale) {
  FakeLineTrace trace(11, 100, 200, 1.5);
  trace.minValue = 1;  // an SWR scale
  trace.maxValue = 10001;
  TRippleLine line(nullptr);
  line.SetTraceLink(&trace);
  line.InsertSegment(0);
  line.SetRippleLimit(0, 0.5);  // a ripple below 1 is a sound SWR ripple
  EXPECT_EQ(line.GetRippleLimit(0), 0.5);
  line.SetRippleLimit(0, 20000);
  EXPECT_EQ(line.GetRippleLimit(0), 10000);
  trace.minValue = -1000;
  trace.maxValue = 1000;
  line.SetRippleLimit(0, -3);  // never negative on a dB scale
  EXPECT_EQ(line.GetRippleLimit(0), 0);
  line.SetRippleLimit(0, kNaN);
  EXPECT_EQ(line.GetRippleLimit(0), 0);
}

TEST(RippleTest, SettersAndResultsFollowTheSegments) {
  for (bool on : {false, true}) {
    FakeLineTrace trace(201, 100, 300, -20);
    trace.SetValues(200, 200, -10);
    trace.rippleOn = on;
    TRippleLine line(nullptr);
    line.SetTraceLink(&trace);
    line.InsertSegment(5);
    EXPECT_EQ(line.GetBegArgument(0), 100);  // the first point
    line.SetEndArgument(0, 300);
    line.SetRippleLimit(0, 1);
    line.SetRippleType(0, 1);
    ASSERT_FALSE(line.IsPassed());
    line.SetBegArgument(0, 350);  // moves the end along
    EXPECT_EQ(line.GetEndArgument(0), 350);
    line.SetEndArgument(0, 300);
    EXPECT_EQ(line.GetBegArgument(0), 300);
    line.SetBegArgument(0, 100);
    ASSERT_FALSE(line.IsPassed());
    line.InsertSegment(0);  // a copy, not tested
    EXPECT_EQ(line.GetBegArgument(1), 100);
    EXPECT_EQ(line.GetRippleType(1), 0);
    EXPECT_EQ(line.IsPassed(), !on) << on;
    TMemIniFile ini;
    line.SaveToIni(ini, "S");
    line.DeleteSegment(0);
    EXPECT_TRUE(line.IsPassed()) << on;
    line.SetRippleType(0, 1);
    line.LoadFromIni(ini, "S");
    EXPECT_EQ(line.IsPassed(), !on) << on;
    line.Clear();
    EXPECT_EQ(line.GetSegmentCount(), 0);
    EXPECT_TRUE(line.IsPassed());
    for (TFObject* sender : trace.senders) EXPECT_EQ(sender, &line);
  }
}

TEST(RippleTest, StateKeysRoundTrip) {
  FakeLineTrace trace(11, 100, 200, 0);
  TRippleLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{110.5, 120.25, 0.75, 1}, {130, 140, 2, 0}});
  TMemIniFile ini;
  line.SaveToIni(ini, "T");
  std::vector<std::string> keys;
  ini.ReadSection("T", keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"RippleSegmentCount", "RippleBegArgument0", "RippleEndArgument0",
                                            "RippleLimit0", "RippleType0", "RippleBegArgument1",
                                            "RippleEndArgument1", "RippleLimit1", "RippleType1"}));
  TRippleLine copy(nullptr);
  copy.SetTraceLink(&trace);
  copy.LoadFromIni(ini, "T");
  ASSERT_EQ(copy.GetSegmentCount(), 2);
  EXPECT_EQ(copy.GetBegArgument(0), 110.5);
  EXPECT_EQ(copy.GetEndArgument(0), 120.25);
  EXPECT_EQ(copy.GetRippleLimit(0), 0.75);
  EXPECT_EQ(copy.GetRippleType(1), 0);
}

TEST(RippleTestFile, FailSignSurvivesTheFile) {
  FakeLineTrace trace(201, 100, 300, -20);
  TRippleLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{120, 180, 1, 1}});
  const std::string path = Folder() + "ripple.rlm";
  line.SaveFile(path, {false, true, true});
  TMemIniFile ini;
  std::string bytes;
  ASSERT_TRUE(platform::AtomicFile::read(path, bytes));
  ini.LoadFromBytes(bytes);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ini.ReadString("RippleLineData", "ShowRippleFailSign", ""), "1");
  EXPECT_EQ(ini.ReadString("RippleLineData", "RippleSegmentCount", ""), "1");

  TRippleLine copy(nullptr);
  copy.SetTraceLink(&trace);
  const TLineFileFlags flags = copy.LoadFile(path);
  EXPECT_FALSE(flags.Test);
  EXPECT_TRUE(flags.Show);
  EXPECT_TRUE(flags.ShowFailSign);
  ASSERT_EQ(copy.GetSegmentCount(), 1);
  EXPECT_EQ(copy.GetEndArgument(0), 180);
  EXPECT_THROW(copy.LoadFile(Folder() + "absent.rlm"), EAbort);
  EXPECT_EQ(copy.GetSegmentCount(), 1);
}

TEST(RippleTestFile, HostileFiles) {
  FakeLineTrace trace(201, 100, 300, -20);
  TRippleLine source(nullptr);
  source.SetTraceLink(&trace);
  AddSegments(source, {{120, 180, 1, 1}, {200, 250, 3, 1}});
  const std::string path = Folder() + "hostile.rlm";
  source.SaveFile(path, {true, true, true});
  std::string good;
  ASSERT_TRUE(platform::AtomicFile::read(path, good));
  std::vector<std::string> inputs;
  linetest::AddPrefixes(inputs, good, 5);
  inputs.push_back("[RippleLineData]\r\nRippleSegmentCount=99999999\r\nRippleType0=1\r\nRippleLimit0=-inf\r\n");
  inputs.push_back("\xFF\xFE" + std::string(100001, 'A'));
  uint32_t s = 777;
  for (int n = 0; n < 64; ++n) {
    const std::string head = n % 2 ? "" : "[RippleLineData]\r\nRippleSegmentCount=4\r\nRippleType2=1\r\n";
    inputs.push_back(head + linetest::RandomBytes(s, (s >> 7) % 2000));
  }
  linetest::LoadEach<TRippleLine>(inputs, path, trace, [](const TRippleLine& line) {
    EXPECT_LE(line.GetSegmentCount(), TRippleLine::kMaxSegments);
    for (int i = 0; i < line.GetSegmentCount(); ++i) EXPECT_TRUE(std::isfinite(line.GetRippleLimit(i)));
  });
}

namespace {

// The ripple test as first written, every point visited for every segment: the oracle.
struct OldRipple {
  std::vector<double> mean, min, max;
  std::vector<int> failed;
  std::vector<std::tuple<int, bool, bool>> bounds;
};

OldRipple WalkEveryPoint(const TRippleLine& line, const ILineTrace& t) {
  auto deviates = [](double v, double mean, double half) {
    if (!std::isfinite(v) || !std::isfinite(mean)) return true;
    return std::fabs(v - mean) > half;
  };
  OldRipple out;
  const int n = t.PointCount();
  const double first = t.PointStimulus(0);
  const double last = t.PointStimulus(n - 1);
  for (int i = 0; i < line.GetSegmentCount(); ++i) {
    if (line.GetRippleType(i) != 1) continue;
    const double beg = line.GetBegArgument(i);
    const double end = line.GetEndArgument(i);
    const double vBeg = t.ValueAtStimulus(beg);
    const double vEnd = t.ValueAtStimulus(end);
    double sum = 0.0;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    int counted = 0;
    auto take = [&](double v) {
      if (!std::isfinite(v)) return;
      sum += v;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      ++counted;
    };
    take(vBeg);
    take(vEnd);
    for (int k = 0; k < n; ++k) {
      const double x = t.PointStimulus(k);
      if (x < beg || x > end) continue;
      take(t.DisplayValue(k));
    }
    const double mean = counted > 0 ? sum / counted : kNaN;
    out.mean.push_back(mean);
    out.min.push_back(counted > 0 ? lo : kNaN);
    out.max.push_back(counted > 0 ? hi : kNaN);
    const double half = line.GetRippleLimit(i) * 0.5;
    for (int k = 0; k < n; ++k) {
      const double x = t.PointStimulus(k);
      if (x < beg || x > end) continue;
      if (deviates(t.DisplayValue(k), mean, half)) out.failed.push_back(k);
    }
    const bool begFailed = first <= beg && beg <= last && deviates(vBeg, mean, half);
    const bool endFailed = first <= end && end <= last && deviates(vEnd, mean, half);
    if (begFailed || endFailed) out.bounds.emplace_back(i, begFailed, endFailed);
  }
  return out;
}

// NaN-aware equality of two results of one computation.
bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

}  // namespace

// Random traces (rising with repeats, and some that fall) against random ripple lines.
TEST(RippleTest, LimitTestLinearSameResultsAsTheWalkOverEveryPoint) {
  std::mt19937 rng(1813);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  size_t failuresSeen = 0;
  for (int round = 0; round < 400; ++round) {
    FakeLineTrace trace =
        linetest::RandomTrace(rng, round % 5 == 4, [&] { return rng() % 25 == 0 ? kNaN : uniform(-3, 3); });
    TMemIniFile ini;
    const int segments = static_cast<int>(rng() % 30);
    ini.WriteInteger("R", "RippleSegmentCount", segments);
    linetest::WriteRandomRanges(rng, ini, "R", "Ripple", segments, trace, [&](const std::string& k) {
      ini.WriteFloat("R", "RippleLimit" + k, uniform(0, 6));
      ini.WriteInteger("R", "RippleType" + k, static_cast<int>(rng() % 3));
    });
    TRippleLine line(nullptr);
    line.SetTraceLink(&trace);
    line.LoadFromIni(ini, "R");
    line.Test();
    const OldRipple want = WalkEveryPoint(line, trace);
    size_t tested = 0;
    for (int i = 0; i < line.GetSegmentCount(); ++i) {
      if (line.GetRippleType(i) != 1) continue;
      ASSERT_TRUE(Same(line.GetMean(i), want.mean[tested])) << "round " << round << " segment " << i;
      ASSERT_TRUE(Same(line.GetMin(i), want.min[tested])) << "round " << round << " segment " << i;
      ASSERT_TRUE(Same(line.GetMax(i), want.max[tested])) << "round " << round << " segment " << i;
      ++tested;
    }
    ASSERT_EQ(line.GetFailedPoints(), want.failed) << "round " << round;
    std::vector<std::tuple<int, bool, bool>> bounds;
    for (const TLimitFailBound& b : line.GetFailBounds()) bounds.emplace_back(b.Segment, b.BegFailed, b.EndFailed);
    ASSERT_EQ(bounds, want.bounds) << "round " << round;
    failuresSeen += want.failed.size();
  }
  EXPECT_GT(failuresSeen, 1000u);
}
