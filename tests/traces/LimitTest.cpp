// The limit line: its test over a table of traces and segments, its setters, the results kept
// current after every change of the segments, the state keys and the ".lim" file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "traces/LineFileFuzz.h"
#include "traces/LineTableKit.h"
#include "traces/LineTraceFake.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "platform/AtomicFile.h"
#include "traces/LimitLine.h"

using linetest::FakeLineTrace;
using linetest::Folder;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Seg {
  double beg;
  double end;
  double begValue;
  double endValue;
  int type;
};

struct ExpectedRun {
  int segment;
  int first;
  int last;
  bool operator==(const ExpectedRun&) const = default;
};

struct ExpectedBound {
  int segment;
  bool beg;
  bool end;
  bool operator==(const ExpectedBound&) const = default;
};

void AddSegments(TLimitLine& line, const std::vector<Seg>& segs) {
  for (const Seg& s : segs) {
    const int i = linetest::AppendRange(line, s.beg, s.end);
    line.SetBegValue(i, s.begValue);
    line.SetEndValue(i, s.endValue);
    line.SetLimitType(i, s.type);
  }
}

std::vector<ExpectedRun> Runs(const TLimitLine& line) {
  std::vector<ExpectedRun> out;
  for (const TLimitFailRun& r : line.GetFailRuns()) out.push_back({r.Segment, r.First, r.Last});
  return out;
}

std::vector<ExpectedBound> Bounds(const TLimitLine& line) {
  std::vector<ExpectedBound> out;
  for (const TLimitFailBound& b : line.GetFailBounds()) out.push_back({b.Segment, b.BegFailed, b.EndFailed});
  return out;
}

}  // namespace

// The trace runs from 0 to 300 MHz in 1 MHz steps (point k at k MHz), at -20 unless a case
// changes it.
TEST(LimitTest, EdgeCases) {
  struct Case {
    const char* name;
    std::function<void(FakeLineTrace&)> trace;
    std::vector<Seg> segments;
    double relArg;
    double relValue;
    std::vector<ExpectedRun> runs;
    std::vector<ExpectedBound> bounds;
  };
  const std::vector<Case> cases = {
      {"upper limit violated between 150 and 160 MHz", [](FakeLineTrace& t) { t.SetValues(150, 160, -9); },
       {{100, 200, -10, -10, 2}}, 0, 0, {{0, 150, 160}}, {}},
      {"a trace that keeps the limit passes", [](FakeLineTrace&) {}, {{100, 200, -10, -10, 2}}, 0, 0, {}, {}},
      {"segment of no width uses its begin value", [](FakeLineTrace& t) { t.SetValues(150, 150, -9); },
       {{150, 150, -10, 100, 2}}, 0, 0, {{0, 150, 150}}, {{0, true, false}}},
      {"sloped limit interpolates between its ends", [](FakeLineTrace& t) { t.SetValues(0, 300, -15); },
       {{100, 200, -20, -10, 2}}, 0, 0, {{0, 100, 150}}, {{0, true, false}}},
      {"relative value lifts an upper limit to -7", [](FakeLineTrace& t) { t.SetValues(150, 160, -9); },
       {{100, 200, -10, -10, 2}}, 0, 3, {}, {}},
      {"relative value lets -6 fail", [](FakeLineTrace& t) { t.SetValues(150, 160, -6); },
       {{100, 200, -10, -10, 2}}, 0, 3, {{0, 150, 160}}, {}},
      {"relative argument shifts the segment", [](FakeLineTrace& t) { t.SetValues(150, 160, -9); },
       {{0, 50, -10, -10, 2}}, 150, 0, {{0, 150, 160}}, {{0, true, false}}},
      {"on a lower limit no run starts; a started run goes on through it",
       [](FakeLineTrace& t) {
         t.SetValues(100, 100, -10);
         t.SetValues(101, 101, -11);
         t.SetValues(102, 102, -10);
         t.SetValues(103, 300, -9);
         t.SetValues(0, 99, -9);
       },
       {{50, 250, -10, -10, 1}}, 0, 0, {{0, 101, 102}}, {}},
      {"segment before the first point: no begin check, outside points never examined",
       [](FakeLineTrace& t) { t.SetValues(0, 300, -5); }, {{-50, 50, -10, -10, 2}}, 0, 0, {{0, 0, 50}},
       {{0, false, true}}},
      {"segment beyond the last point: no end check", [](FakeLineTrace& t) { t.SetValues(0, 300, -5); },
       {{290, 400, -10, -10, 2}}, 0, 0, {{0, 290, 300}}, {{0, true, false}}},
      {"a run that reaches the last point ends there", [](FakeLineTrace& t) { t.SetValues(280, 300, -5); },
       {{0, 300, -10, -10, 2}}, 0, 0, {{0, 280, 300}}, {{0, false, true}}},
      {"two separate runs in one segment", [](FakeLineTrace& t) {
         t.SetValues(110, 112, -5);
         t.SetValues(120, 120, -5);
       },
       {{100, 200, -10, -10, 2}}, 0, 0, {{0, 110, 112}, {0, 120, 120}}, {}},
      {"type off and unknown types test nothing", [](FakeLineTrace& t) { t.SetValues(0, 300, 50); },
       {{0, 300, -10, -10, 0}, {0, 300, -10, -10, 7}}, 0, 0, {}, {}},
      {"a missing value fails", [](FakeLineTrace& t) { t.SetValues(120, 120, kNaN); },
       {{100, 200, -10, -10, 2}}, 0, 0, {{0, 120, 120}}, {}},
      {"a missing value fails a lower limit too", [](FakeLineTrace& t) { t.SetValues(120, 121, kNaN); },
       {{100, 200, -30, -30, 1}}, 0, 0, {{0, 120, 121}}, {}},
      {"a missing value at a segment end fails the end", [](FakeLineTrace& t) { t.SetValues(200, 200, kNaN); },
       {{100, 200, -10, -10, 2}}, 0, 0, {{0, 200, 200}}, {{0, false, true}}},
      {"segments are tested in order", [](FakeLineTrace& t) { t.SetValues(0, 300, -15); },
       {{200, 300, -20, -20, 2}, {0, 100, -10, -10, 1}}, 0, 0, {{0, 200, 300}, {1, 0, 100}},
       {{0, true, true}, {1, true, true}}},
  };
  for (const Case& c : cases) {
    FakeLineTrace trace(301, 0, 300, -20);
    c.trace(trace);
    TLimitLine line(nullptr);
    line.SetTraceLink(&trace);
    AddSegments(line, c.segments);
    line.SetRelativeArgument(c.relArg);
    line.SetRelativeValue(c.relValue);
    line.Test();
    EXPECT_EQ(Runs(line), c.runs) << c.name;
    EXPECT_EQ(Bounds(line), c.bounds) << c.name;
    EXPECT_EQ(line.IsPassed(), c.runs.empty() && c.bounds.empty()) << c.name;
  }
}

TEST(LimitTest, ArgumentSettersKeepTheSegmentOrdered) {
  FakeLineTrace trace(11, 100, 200, 0);
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  line.InsertSegment(0);
  // A new segment sits on the first point with values 0 and type off.
  EXPECT_EQ(line.GetBegArgument(0), 100);
  EXPECT_EQ(line.GetEndArgument(0), 100);
  EXPECT_EQ(line.GetLimitType(0), 0);
  line.SetEndArgument(0, 150);
  line.SetBegArgument(0, 170);  // moves the end with it
  EXPECT_EQ(line.GetBegArgument(0), 170);
  EXPECT_EQ(line.GetEndArgument(0), 170);
  line.SetEndArgument(0, 120);  // moves the begin with it
  EXPECT_EQ(line.GetBegArgument(0), 120);
  EXPECT_EQ(line.GetEndArgument(0), 120);
  // Values are clamped into the current format's range; absolute getters add the offsets.
  trace.minValue = 1;
  trace.maxValue = 10001;
  line.SetBegValue(0, -5);
  line.SetEndValue(0, 1e9);
  EXPECT_EQ(line.GetBegValue(0), 1);
  EXPECT_EQ(line.GetEndValue(0), 10001);
  line.SetRelativeArgument(5);
  line.SetRelativeValue(-2);
  EXPECT_EQ(line.GetAbsBegArgument(0), 125);
  EXPECT_EQ(line.GetAbsEndValue(0), 9999);
  // Non-finite numbers and bad indices change nothing and say nothing.
  const size_t notices = trace.senders.size();
  line.SetBegArgument(0, kNaN);
  line.SetEndValue(0, std::numeric_limits<double>::infinity());
  line.SetRelativeValue(kNaN);
  line.SetBegArgument(3, 1);
  line.SetLimitType(-1, 2);
  line.DeleteSegment(4);
  line.SetRelativeArgument(5);  // unchanged
  EXPECT_EQ(trace.senders.size(), notices);
  EXPECT_EQ(line.GetBegArgument(0), 120);
  EXPECT_EQ(line.GetEndValue(0), 10001);
  // Every accepted change was announced with the line as sender.
  for (TFObject* sender : trace.senders) EXPECT_EQ(sender, &line);
}

TEST(LimitTest, InsertCopiesTheArgumentsAfterTheSegment) {
  FakeLineTrace trace(11, 100, 200, 0);
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{110, 120, -1, -2, 2}, {130, 140, -3, -4, 1}});
  line.InsertSegment(0);
  ASSERT_EQ(line.GetSegmentCount(), 3);
  EXPECT_EQ(line.GetBegArgument(1), 110);
  EXPECT_EQ(line.GetEndArgument(1), 120);
  EXPECT_EQ(line.GetBegValue(1), 0);
  EXPECT_EQ(line.GetLimitType(1), 0);
  EXPECT_EQ(line.GetBegArgument(2), 130);
  line.InsertSegment(99);  // limited to the last segment
  EXPECT_EQ(line.GetBegArgument(3), 130);
  line.Clear();
  EXPECT_EQ(line.GetSegmentCount(), 0);
  EXPECT_EQ(line.GetRelativeArgument(), 0);
}

// After insert, delete, clear and load the results describe the segments that exist: tested
// when the trace's switch is on, cleared when it is off.
TEST(LimitTest, ResultsFollowTheSegments) {
  for (bool on : {false, true}) {
    FakeLineTrace trace(301, 0, 300, -20);
    trace.SetValues(150, 160, -9);
    trace.limitOn = on;
    TLimitLine line(nullptr);
    line.SetTraceLink(&trace);
    AddSegments(line, {{100, 200, -10, -10, 2}});
    ASSERT_EQ(line.GetFailRuns().size(), 1u);
    line.DeleteSegment(0);
    EXPECT_TRUE(line.IsPassed()) << on;
    AddSegments(line, {{100, 200, -10, -10, 2}});
    line.InsertSegment(0);  // a copy with type off
    EXPECT_EQ(line.GetFailRuns().size(), on ? 1u : 0u) << on;

    TMemIniFile ini;
    line.SaveToIni(ini, "S");
    line.Test();
    line.DeleteSegment(0);
    line.Test();
    line.LoadFromIni(ini, "S");
    EXPECT_EQ(line.GetFailRuns().size(), on ? 1u : 0u) << on;
    line.Clear();
    EXPECT_TRUE(line.IsPassed());
  }
}

TEST(LimitTest, StateKeysRoundTrip) {
  FakeLineTrace trace(11, 100, 200, 0);
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{110.25, 120.5, -1.5, -2.75, 2}, {130, 140, 3, 4, 1}});
  line.SetRelativeArgument(0.125);
  line.SetRelativeValue(-3.5);
  TMemIniFile ini;
  line.SaveToIni(ini, "Trace");
  const std::vector<std::string> keys = {"RelativeArgument", "RelativeValue", "SegmentCount", "BegArgument0",
                                         "EndArgument0",     "BegValue0",     "EndValue0",    "LimitType0",
                                         "BegArgument1",     "EndArgument1",  "BegValue1",    "EndValue1",
                                         "LimitType1"};
  std::vector<std::string> written;
  ini.ReadSection("Trace", written);
  EXPECT_EQ(written, keys);

  TLimitLine copy(nullptr);
  copy.SetTraceLink(&trace);
  copy.LoadFromIni(ini, "Trace");
  ASSERT_EQ(copy.GetSegmentCount(), 2);
  EXPECT_EQ(copy.GetRelativeArgument(), 0.125);
  EXPECT_EQ(copy.GetRelativeValue(), -3.5);
  EXPECT_EQ(copy.GetBegArgument(0), 110.25);
  EXPECT_EQ(copy.GetEndValue(0), -2.75);
  EXPECT_EQ(copy.GetLimitType(1), 1);
  // Loading announces nothing.
  EXPECT_EQ(std::count(trace.senders.begin(), trace.senders.end(), &copy), 0);
}

TEST(LimitTest, HostileStateKeys) {
  FakeLineTrace trace(11, 100, 200, 0);
  TMemIniFile ini;
  ini.LoadFromBytes(
      "[S]\r\nSegmentCount=99999999\r\nRelativeValue=nan\r\nBegArgument0=inf\r\nEndArgument0=1e999\r\n"
      "BegValue0=12abc\r\nLimitType0=2\r\n");
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  line.LoadFromIni(ini, "S");
  EXPECT_EQ(line.GetSegmentCount(), TLimitLine::kMaxSegments);
  EXPECT_EQ(line.GetRelativeValue(), 0);
  EXPECT_EQ(line.GetBegArgument(0), 0);
  EXPECT_EQ(line.GetEndArgument(0), 0);
  EXPECT_EQ(line.GetBegValue(0), 0);
  EXPECT_EQ(line.GetLimitType(0), 2);
  ini.LoadFromBytes("[S]\r\nSegmentCount=-4\r\n");
  line.LoadFromIni(ini, "S");
  EXPECT_EQ(line.GetSegmentCount(), 0);
}

TEST(LimitTestFile, SaveAndLoad) {
  FakeLineTrace trace(301, 0, 300, -20);
  trace.SetValues(150, 160, -9);
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{100, 200, -10, -10, 2}});
  line.SetRelativeValue(0.5);
  const std::string path = Folder() + "upper.lim";
  line.SaveFile(path, {true, false, true});
  std::string bytes;
  ASSERT_TRUE(platform::AtomicFile::read(path, bytes));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");  // UTF-16LE with BOM
  TMemIniFile ini;
  ini.LoadFromBytes(bytes);
  EXPECT_TRUE(ini.SectionExists("LimitLineData"));
  EXPECT_EQ(ini.ReadString("LimitLineData", "ShowFailSign", ""), "1");

  TLimitLine copy(nullptr);
  copy.SetTraceLink(&trace);
  const TLineFileFlags flags = copy.LoadFile(path);
  EXPECT_TRUE(flags.Test);
  EXPECT_FALSE(flags.Show);
  EXPECT_TRUE(flags.ShowFailSign);
  ASSERT_EQ(copy.GetSegmentCount(), 1);
  EXPECT_EQ(copy.GetRelativeValue(), 0.5);
  // The file's test switch is on: the loaded line is tested at once.
  EXPECT_EQ(copy.GetFailRuns().size(), 1u);
  line.SaveFile(path, {false, true, false});
  copy.LoadFile(path);
  EXPECT_TRUE(copy.IsPassed());
}

TEST(LimitTestFile, MissingOrUnwritableFileChangesNothing) {
  FakeLineTrace trace(301, 0, 300, -20);
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  AddSegments(line, {{100, 200, -10, -10, 2}});
  const std::string missing = Folder() + "no such.lim";
  try {
    line.LoadFile(missing);
    FAIL() << "a missing file loaded";
  } catch (const EAbort& e) {
    EXPECT_NE(std::string(e.what()).find("no such.lim"), std::string::npos) << e.what();
  }
  EXPECT_EQ(line.GetSegmentCount(), 1);
  EXPECT_THROW(line.LoadFile(Folder()), EAbort);  // a folder
  EXPECT_EQ(line.GetSegmentCount(), 1);
  // A folder that does not exist cannot take the file.
  EXPECT_THROW(line.SaveFile(Folder() + "missing/folder/x.lim", {}), EAbort);
  // A document of another kind (here a ripple-like section only) is no limit line.
  const std::string foreign = Folder() + "foreign.lim";
  ASSERT_TRUE(platform::AtomicFile::write(foreign, "[RippleLineData]\r\nSegmentCount=0\r\n"));
  EXPECT_THROW(line.LoadFile(foreign), EAbort);
  EXPECT_EQ(line.GetSegmentCount(), 1);
}

// Truncated, oversized and random files: every one loads as a clamped line or raises EAbort;
// none crashes or leaves more than the allowed segments.
TEST(LimitTestFile, HostileFiles) {
  FakeLineTrace trace(301, 0, 300, -20);
  TLimitLine source(nullptr);
  source.SetTraceLink(&trace);
  AddSegments(source, {{100, 200, -10, -10, 2}, {10, 20, 1, 2, 1}});
  const std::string path = Folder() + "hostile.lim";
  source.SaveFile(path, {true, true, true});
  std::string good;
  ASSERT_TRUE(platform::AtomicFile::read(path, good));

  std::vector<std::string> inputs;
  linetest::AddPrefixes(inputs, good, 7);
  inputs.push_back("[LimitLineData]\r\nSegmentCount=2147483647\r\nLimitTest=1\r\n");
  inputs.push_back("[LimitLineData]\r\nSegmentCount=3\r\nBegArgument1=" + std::string(100000, '9') + "\r\n");
  inputs.push_back(std::string(200000, '['));
  uint32_t s = 12345;
  for (int n = 0; n < 64; ++n) {
    std::string bytes = linetest::RandomBytes(s, (s >> 5) % 3000);
    if (n % 2 == 0) bytes = "[LimitLineData]\r\nSegmentCount=5\r\n" + bytes;
    inputs.push_back(bytes);
  }
  linetest::LoadEach<TLimitLine>(inputs, path, trace, [](const TLimitLine& line) {
    EXPECT_LE(line.GetSegmentCount(), TLimitLine::kMaxSegments);
    for (int i = 0; i < line.GetSegmentCount(); ++i) {
      EXPECT_TRUE(std::isfinite(line.GetBegArgument(i)) && std::isfinite(line.GetEndValue(i)));
    }
  });
}

namespace {

// The test as it was first written, one pass over every point for every segment: the oracle of
// the test that seeks each segment's first point.
struct OldWalk {
  std::vector<ExpectedRun> runs;
  std::vector<ExpectedBound> bounds;
};

OldWalk WalkEveryPoint(const TLimitLine& line, const ILineTrace& t) {
  auto violates = [](int type, double v, double limit) {
    if (!std::isfinite(v)) return true;
    return (type == 1 && v < limit) || (type == 2 && v > limit);
  };
  auto continues = [](int type, double v, double limit) {
    if (!std::isfinite(v)) return true;
    return type == 1 ? v <= limit : v >= limit;
  };
  OldWalk out;
  const int n = t.PointCount();
  if (n <= 0) return out;
  const double first = t.PointStimulus(0);
  const double last = t.PointStimulus(n - 1);
  for (int i = 0; i < line.GetSegmentCount(); ++i) {
    const int type = line.GetLimitType(i);
    if (type != 1 && type != 2) continue;
    const double beg = line.GetAbsBegArgument(i);
    const double end = line.GetAbsEndArgument(i);
    for (int k = 0; k < n; ++k) {
      const double x = t.PointStimulus(k);
      if (x < beg || x > end) continue;
      if (!violates(type, t.DisplayValue(k), line.LimitAt(i, x))) continue;
      const int firstPoint = k;
      int lastPoint = n - 1;
      for (int j = k + 1; j < n; ++j) {
        k = j;
        const double xj = t.PointStimulus(j);
        if (xj > end || !continues(type, t.DisplayValue(j), line.LimitAt(i, xj))) {
          lastPoint = j - 1;
          break;
        }
      }
      if (lastPoint == n - 1) k = n;
      out.runs.push_back({i, firstPoint, lastPoint});
    }
    bool begFailed = false;
    bool endFailed = false;
    if (first <= beg && beg <= last) begFailed = violates(type, t.ValueAtStimulus(beg), line.GetAbsBegValue(i));
    if (first <= end && end <= last) endFailed = violates(type, t.ValueAtStimulus(end), line.GetAbsEndValue(i));
    if (begFailed || endFailed) out.bounds.push_back({i, begFailed, endFailed});
  }
  return out;
}

}  // namespace

// Random traces (rising stimuli with repeats, and some that fall) and random lines: overlapping,
// reversed and outside segments, values on the limit and missing values.
TEST(LimitTestLinear, SameResultsAsTheWalkOverEveryPoint) {
  std::mt19937 rng(1812);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  int runsSeen = 0;
  for (int round = 0; round < 400; ++round) {
    FakeLineTrace trace = linetest::RandomTrace(rng, round % 5 == 4, [&] {
      const unsigned pick = rng() % 20;
      return pick == 0 ? kNaN : pick < 4 ? 0.0 : std::round(uniform(-10, 10));
    });
    TMemIniFile ini;
    const int segments = static_cast<int>(rng() % 30);
    ini.WriteInteger("L", "SegmentCount", segments);
    ini.WriteFloat("L", "RelativeArgument", rng() % 3 == 0 ? uniform(-5, 5) : 0.0);
    ini.WriteFloat("L", "RelativeValue", rng() % 3 == 0 ? std::round(uniform(-3, 3)) : 0.0);
    linetest::WriteRandomRanges(rng, ini, "L", "", segments, trace, [&](const std::string& k) {
      ini.WriteFloat("L", "BegValue" + k, rng() % 4 == 0 ? 0.0 : std::round(uniform(-8, 8)));
      ini.WriteFloat("L", "EndValue" + k, rng() % 4 == 0 ? 0.0 : std::round(uniform(-8, 8)));
      ini.WriteInteger("L", "LimitType" + k, static_cast<int>(rng() % 4));
    });
    TLimitLine line(nullptr);
    line.SetTraceLink(&trace);
    line.LoadFromIni(ini, "L");
    line.Test();
    const OldWalk want = WalkEveryPoint(line, trace);
    ASSERT_EQ(Runs(line), want.runs) << "round " << round;
    ASSERT_EQ(Bounds(line), want.bounds) << "round " << round;
    runsSeen += static_cast<int>(want.runs.size());
  }
  EXPECT_GT(runsSeen, 1000);  // the lines do fail, often
}
