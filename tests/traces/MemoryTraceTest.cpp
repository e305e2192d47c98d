// A trace's memory: taking it, processing it with the trace's settings, data math against it,
// recalling it from a Touchstone file, and its sections of a state file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/MemIniFile.h"
#include "model/MemoRange.h"
#include "model/Range.h"
#include "traces/FakeTraceHost.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"

namespace {

using tracetest::FakeTraceHost;

const std::string kSection = "RangeView0Measurement0";
const std::string kMemorySection = kSection + "MemoryTrace0";

void FillChannel(TRange& range, int seed) {
  for (int i = 0; i < range.GetCount(); ++i) {
    range.SetPointData(0, i, Polar(0.3 + 0.2 * std::cos(0.05 * i + seed), -0.2 * i + seed));
    range.SetPointRawLevel(0, i, Polar(0.01 * (2 + i % 5), 0.1 * i));
  }
}

std::string WriteFile(const std::string& name, const std::string& text) {
  const std::string path = (testenv::Root() / name).string();
  std::ofstream out(path, std::ios::binary);
  out << text;
  return path;
}

// One 12-byte record as hex text.
std::string Record(float f, float level, float phase) {
  std::string out;
  for (float v : {f, level, phase}) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int b = 0; b < 4; ++b) {
      static const char* hex = "0123456789ABCDEF";
      const unsigned byte = (bits >> (8 * b)) & 0xFF;
      out += hex[byte >> 4];
      out += hex[byte & 15];
    }
  }
  return out;
}

}  // namespace

TEST(MemoryTrace, StoreIsRefusedWhileAMemoryExists) {
  FakeTraceHost host(51, 100.0, 600.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 0);
  ASSERT_TRUE(t.Memories->StoreData());
  EXPECT_EQ(t.Memories, host.senders.back());
  EXPECT_FALSE(t.Memories->StoreData());
  EXPECT_FALSE(t.Memories->LoadFromTouchstone("whatever.s1p"));
  EXPECT_EQ(1, t.Memories->GetCount());
  t.Memories->Clear();
  EXPECT_EQ(0, t.Memories->GetCount());
  EXPECT_EQ(0, t.Memories->ActiveMemory);
  EXPECT_TRUE(t.Memories->StoreData());
}

TEST(MemoryTrace, IsShownTheWayTheTraceIs) {
  FakeTraceHost host(101, 100.0, 600.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 1);
  t.Recalculate();
  ASSERT_TRUE(t.Memories->StoreData());
  const TMemoryTrace& m = *t.Memories->GetActiveMemory();
  for (int format : {16, 2, 3, 4, 11}) {
    t.SetFormat(format);
    t.SetPhaseOffset(format * 3.0);
    t.SetSmoothing(format % 2 == 0);
    t.SetSmoothingAperture(4);
    SCOPED_TRACE(format);
    ASSERT_EQ(t.GetPointCount(), m.GetPointCount());
    for (int i = 0; i < m.GetPointCount(); ++i) {
      ASSERT_NEAR(t.GetDisplayPoint(i).Re, m.GetDisplayPoint(i).Re, 1e-9 * (1 + std::fabs(m.GetDisplayPoint(i).Re)));
      ASSERT_NEAR(t.GetDisplayPoint(i).Im, m.GetDisplayPoint(i).Im, 1e-9);
    }
  }
  // The group-delay stimulus sits between the two points its value comes from.
  t.SetFormat(3);
  EXPECT_DOUBLE_EQ(100.0, m.GetPointStimulus(0));
  EXPECT_NEAR((host.range->GetPointFrequency(4) + host.range->GetPointFrequency(5)) / 2, m.GetPointStimulus(5), 1e-9);
}

TEST(MemoryTrace, OtherParameterIsNotCompatible) {
  FakeTraceHost host(51, 100.0, 600.0);
  TMeasurement& t = host.Trace();
  ASSERT_TRUE(t.Memories->StoreData());
  const TMemoryTrace& m = *t.Memories->GetActiveMemory();
  t.SetMeasMode(2);
  EXPECT_FALSE(m.IsCompatible());
  t.SetMeasMode(0);
  EXPECT_TRUE(m.IsCompatible());
}

// Memory frequencies are stored in single precision; processing uses the channel's own.
TEST(MemoryTrace, GroupDelayOfADenseSweepMatchesTheTrace) {
  FakeTraceHost host(1001, 13899.5, 13900.5);  // 1 kHz steps near 14 GHz
  TMeasurement& t = host.Trace();
  for (int i = 0; i < host.range->GetCount(); ++i) {
    const double f = host.range->GetPointFrequency(i);
    host.range->SetPointData(0, i, Polar(0.5, -2 * 3.141592653589793 * f * 1e6 * 2e-9));  // 1 ns one way
  }
  t.SetFormat(3);
  ASSERT_TRUE(t.Memories->StoreData());
  const TMemoryTrace& m = *t.Memories->GetActiveMemory();
  for (int i : {1, 17, 500, 999}) {
    EXPECT_NEAR(t.GetDisplayValue(i), m.GetDisplayValue(i), 1e-6 * std::fabs(t.GetDisplayValue(i))) << i;
  }
  EXPECT_NEAR(2.0, t.GetDisplayValue(500), 1e-6);

  // The same after a state round trip onto the same channel, within what single-precision
  // phases allow (single-precision frequencies would be off by 2 % or more).
  TMemIniFile ini;
  t.Memories->SaveToIni(ini, kSection);
  t.Memories->LoadFromIni(ini, kSection);
  ASSERT_EQ(1, t.Memories->GetCount());
  const TMemoryTrace& loaded = *t.Memories->GetActiveMemory();
  for (int i : {1, 17, 500, 999}) {
    EXPECT_NEAR(t.GetDisplayValue(i), loaded.GetDisplayValue(i), 0.02) << i;
  }
}

TEST(MemoryTrace, RawDataRoundTripToSinglePrecision) {
  FakeTraceHost host(21, 100.0, 300.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 2);
  host.range->SetPointData(0, 4, {0.0, 0.0});
  ASSERT_TRUE(t.Memories->StoreData());
  TMemIniFile ini;
  t.Memories->SaveToIni(ini, kSection);
  EXPECT_EQ(1, ini.ReadInteger(kSection, "TraceCount", -1));
  const std::string raw = ini.ReadString(kMemorySection, "RawData", "");
  EXPECT_EQ(21u * 24u, raw.size());
  for (char c : raw) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));

  FakeTraceHost other(21, 100.0, 300.0);
  TMeasurement& u = other.Trace();
  u.Memories->LoadFromIni(ini, kSection);
  ASSERT_EQ(1, u.Memories->GetCount());
  const TMemoryTrace& m = *u.Memories->GetActiveMemory();
  ASSERT_EQ(21, m.MemoRange->GetCount());
  for (int i = 0; i < 21; ++i) {
    const TComplex want = host.range->GetPointData(0, i);
    const TComplex got = m.MemoRange->GetPointValue(i);
    if (i == 4) {
      EXPECT_EQ(TComplex{}, got);  // minus infinity dB reads back as no data
      continue;
    }
    EXPECT_NEAR(Abs(want), Abs(got), 2e-7 * Abs(want)) << i;
    EXPECT_NEAR(std::remainder(Arg(want) - Arg(got), 2 * 3.141592653589793), 0.0, 4e-7) << i;
    EXPECT_FLOAT_EQ(static_cast<float>(host.range->GetPointFrequency(i)), m.MemoRange->PointFrequency(i));
  }
}

TEST(MemoryTrace, BadRawDataTable) {
  const std::string good = Record(100.f, -6.f, 0.5f) + Record(110.f, -7.f, 0.25f);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* name;
    std::string raw;
    int memories;  // memories after the load
    int points;    // points of the memory when kept
  };
  const Case cases[] = {
      {"whole records", good, 1, 2},
      {"odd length", good + "A", 1, 0},
      {"not hex", good.substr(0, 10) + "ZZ" + good.substr(12), 1, 0},
      {"bytes beyond whole records", good + "0102", 1, 2},
      {"minus infinity level", good + Record(120.f, -inf, 0.f), 1, 3},
      {"infinite level", good + Record(120.f, inf, 0.f), 0, 0},
      {"NaN level", good + Record(120.f, nan, 0.f), 0, 0},
      {"NaN frequency", Record(nan, 0.f, 0.f) + good, 0, 0},
      {"infinite phase", good + Record(120.f, 0.f, -inf), 0, 0},
      {"empty", "", 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTraceHost host(21, 100.0, 300.0);
    TMemIniFile ini;
    ini.WriteInteger(kSection, "TraceCount", 1);
    ini.WriteString(kMemorySection, "RawData", c.raw);
    TMeasurement& t = host.Trace();
    t.Memories->LoadFromIni(ini, kSection);
    ASSERT_EQ(c.memories, t.Memories->GetCount());
    if (c.memories) {
      EXPECT_EQ(c.points, t.Memories->GetActiveMemory()->GetPointCount());
    }
    // Data math with a memory of another point count never serves.
    t.SetDataMath(2);
    EXPECT_EQ(4, t.DataMath);
  }
}

TEST(MemoryTrace, CountAndActiveMemoryAreClamped) {
  FakeTraceHost host(21, 100.0, 300.0);
  TMeasurement& t = host.Trace();
  ASSERT_TRUE(t.Memories->StoreData());
  TMemIniFile ini;
  t.Memories->SaveToIni(ini, kSection);
  ini.WriteInteger(kSection, "TraceCount", 5);
  ini.WriteInteger(kSection, "ActiveMemory", 3);
  ini.WriteString(kSection + "MemoryTrace1", "RawData", ini.ReadString(kMemorySection, "RawData", ""));
  t.Memories->LoadFromIni(ini, kSection);
  EXPECT_EQ(1, t.Memories->GetCount());
  EXPECT_EQ(0, t.Memories->ActiveMemory);
  ini.WriteInteger(kSection, "TraceCount", -2);
  t.Memories->LoadFromIni(ini, kSection);
  EXPECT_EQ(0, t.Memories->GetCount());
  EXPECT_EQ(nullptr, t.Memories->GetActiveMemory());
}

// A memory with fewer stored points than its stimulus says never serves data math.
TEST(MemoryTrace, DataMathNeedsEqualPointCounts) {
  FakeTraceHost host(21, 100.0, 300.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 0);
  ASSERT_TRUE(t.Memories->StoreData());
  TMemIniFile ini;
  t.Memories->SaveToIni(ini, kSection);
  const std::string raw = ini.ReadString(kMemorySection, "RawData", "");
  ini.WriteString(kMemorySection, "RawData", raw.substr(0, 10 * 24));
  t.Memories->LoadFromIni(ini, kSection);
  ASSERT_EQ(1, t.Memories->GetCount());
  EXPECT_EQ(10, t.Memories->GetActiveMemory()->GetPointCount());
  t.SetDataMath(0);
  EXPECT_EQ(4, t.DataMath);
  EXPECT_FALSE(t.IsMemoryValid());
}

TEST(MemoryTrace, TouchstoneRecall) {
  const std::string file =
      "! three points\r\n# MHz S RI R 50\r\n100 0.5 0\r\n150 0 0.25\r\n200 -0.1 0\r\n";
  struct Case {
    const char* name;
    int mode;
    TComplex at150;
  };
  const Case cases[] = {{"recall.s1p", 0, {0, 0.25}}, {"lower.S1p", 0, {0, 0.25}}, {"absolute.s1p", 2, {1e-8, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTraceHost host(11, 100.0, 200.0);
    TMeasurement& t = host.Trace();
    t.SetMeasMode(c.mode);
    const std::string path = WriteFile(c.name, file);
    host.ResetCounts();
    ASSERT_TRUE(t.Memories->LoadFromTouchstone(path));
    EXPECT_EQ(t.Memories, host.senders.back());
    const TMemoryTrace& m = *t.Memories->GetActiveMemory();
    ASSERT_EQ(11, m.MemoRange->GetCount());
    const TComplex v = m.MemoRange->GetPointValue(5);
    EXPECT_NEAR(c.at150.Re, v.Re, 1e-12);
    EXPECT_NEAR(c.at150.Im, v.Im, 1e-12);
    EXPECT_FLOAT_EQ(150.f, m.MemoRange->PointFrequency(5));
  }
}

TEST(MemoryTrace, FailedRecallCreatesNothing) {
  FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  const std::string empty = WriteFile("empty.s1p", "");
  const std::string one = WriteFile("one.s1p", "# MHz S RI R 50\n100 0.5 0\n");
  for (const std::string& path : {empty, one, (testenv::Root() / "missing.s1p").string()}) {
    host.ResetCounts();
    EXPECT_FALSE(t.Memories->LoadFromTouchstone(path)) << path;
    EXPECT_EQ(0, t.Memories->GetCount());
    EXPECT_EQ(0, host.Changes());
  }
}

TEST(MemoryTrace, FuzzedMemorySections) {
  FakeTraceHost host(31, 100.0, 400.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 5);
  ASSERT_TRUE(t.Memories->StoreData());
  TMemIniFile ini;
  t.Memories->SaveToIni(ini, kSection);
  const std::string raw = ini.ReadString(kMemorySection, "RawData", "");
  std::mt19937 rng(11);
  for (int n = 0; n < 200; ++n) {
    std::string damaged = raw;
    switch (n % 4) {
      case 0: damaged.resize(rng() % (raw.size() + 1)); break;
      case 1:
        for (int k = 0; k < 8; ++k) damaged[rng() % damaged.size()] = "0123456789ABCDEF7F"[rng() % 18];
        break;
      case 2: damaged = std::string(12 * 2 * 16050, '4'); break;  // more records than a channel has
      default:
        damaged.assign(rng() % 400, ' ');
        for (char& ch : damaged) ch = static_cast<char>(rng() % 256);
    }
    ini.WriteString(kMemorySection, "RawData", damaged);
    ini.WriteString(kMemorySection, "NPoints", std::to_string(static_cast<int>(rng() % 40000) - 100));
    t.Memories->LoadFromIni(ini, kSection);
    ASSERT_LE(t.Memories->GetCount(), 1);
    t.SetDataMath(static_cast<int>(rng() % 5));
    t.Recalculate();
    if (const TMemoryTrace* m = t.Memories->GetActiveMemory()) {
      for (int i = -1; i <= m->GetPointCount(); ++i) {
        (void)m->GetPointStimulus(i);
        (void)m->GetDisplayValue(i);
      }
    }
  }
}
