#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "PointPathFakes.h"
#include "model/LittleEndian.h"
#include "model/MemIniFile.h"
#include "model/MemoRange.h"
#include "model/Range.h"

namespace {

using pathfakes::PathChannel;

std::vector<uint8_t> Records(const std::vector<std::array<float, 3>>& records) {
  std::vector<uint8_t> out(records.size() * TMemoRange::RecordSize);
  for (size_t k = 0; k < records.size(); ++k) {
    for (int j = 0; j < 3; ++j) le::PutF32(out.data() + k * 12 + j * 4, records[k][static_cast<size_t>(j)]);
  }
  return out;
}

// A channel whose points hold a different value in every slot a memory can copy.
struct FilledChannel : PathChannel {
  FilledChannel() : PathChannel(4, 1000, 1300) {
    for (int i = 0; i < 4; ++i) {
      range->SetPointData(0, i, TComplex{0.1 * i, 1});
      range->SetPointData(1, i, TComplex{0.1 * i, 2});
      range->SetPointRawLevel(0, i, TComplex{0.1 * i, 3});
      range->SetPointRawLevel(1, i, TComplex{0.1 * i, 4});
      range->SetPointRefLevel(i, TComplex{0.1 * i, 5});
      range->SetPointPowerReading(i, -20.0 - i);
    }
  }
};

TEST(MemoRange, ValueFollowsTheMeasuredParameter) {
  FilledChannel c;
  struct Case {
    int code;
    double im;  // which slot: the imaginary parts above; 0 for the power reading
  };
  for (const Case& k : {Case{0, 1}, Case{2, 3}, Case{3, 4}, Case{6, 5}}) {
    TMemoRange memo(nullptr, *c.range, k.code);
    ASSERT_EQ(memo.GetCount(), 4) << k.code;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(memo.GetPointValue(i), (TComplex{0.1 * i, k.im})) << k.code;
      EXPECT_EQ(memo.GetPointFrequency(i), 1000 + 100 * i);
    }
  }
  TMemoRange power(nullptr, *c.range, 4);
  ASSERT_EQ(power.GetCount(), 4);
  EXPECT_EQ(power.GetPointValue(2), (TComplex{-22, 0}));
  for (int code : {1, 5, 7, -1, 100}) {
    TMemoRange none(nullptr, *c.range, code);
    EXPECT_EQ(none.GetCount(), 0) << code;
  }
}

TEST(MemoRange, CopiesTheStimulus) {
  FilledChannel c;
  c.range->SweepMode = TRange::Log;
  c.range->OutputPower = -7.5;
  c.range->FixedFreq = 1234.5;
  c.range->MinPower = -3;
  c.range->MaxPower = -1;
  c.range->NPoints = 77;
  TSegment s = c.range->DefaultSegment();
  s.Stop = 900;
  s.Points = 11;
  c.range->Segments = {c.range->DefaultSegment(), s};
  TMemoRange memo(nullptr, *c.range, 0);
  EXPECT_EQ(memo.NPoints, 77);
  EXPECT_EQ(memo.SweepMode, TRange::Log);
  EXPECT_EQ(memo.MinFrequency, 1000);
  EXPECT_EQ(memo.MaxFrequency, 1300);
  EXPECT_EQ(memo.OutputPower, -7.5);
  EXPECT_EQ(memo.MinPower, -3);
  EXPECT_EQ(memo.MaxPower, -1);
  EXPECT_EQ(memo.FixedFreq, 1234.5);
  EXPECT_EQ(memo.Segments, c.range->Segments);
}

TEST(MemoRange, LoadStateOfAnEmptySectionGivesTheMemoryDefaults) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  TMemIniFile ini("");
  memo.LoadState(ini, "Memory");
  EXPECT_EQ(memo.NPoints, 201);
  EXPECT_EQ(memo.SweepMode, 0);
  EXPECT_EQ(memo.MinFrequency, 0.3);
  EXPECT_EQ(memo.MaxFrequency, 1300);
  EXPECT_EQ(memo.OutputPower, -10);
  EXPECT_EQ(memo.MinPower, -55);
  EXPECT_EQ(memo.MaxPower, 3);
  EXPECT_EQ(memo.FixedFreq, 650.15);
  ASSERT_EQ(memo.Segments.size(), 1u);
  EXPECT_EQ(memo.Segments[0].Start, 0.3);
  EXPECT_EQ(memo.Segments[0].Stop, 0.3);
  EXPECT_EQ(memo.Segments[0].Points, 2);
  EXPECT_EQ(memo.Segments[0].IFBW, 10000);
  EXPECT_EQ(memo.Segments[0].Power, -10);
  EXPECT_EQ(memo.GetCount(), 4);  // the points are not touched
}

TEST(MemoRange, StateRoundTripsInKeyOrder) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  memo.NPoints = 1601;
  memo.SweepMode = 4;
  memo.MinFrequency = 100.125;
  memo.MaxFrequency = 9000.5;
  memo.OutputPower = -12.25;
  memo.MinPower = -30.5;
  memo.MaxPower = -1.75;
  memo.FixedFreq = 2500.0000001;
  TSegment s{100, 200, 401, 3000, 0.125, -7.5};
  memo.Segments = {s, TSegment{300, 400, 5, 100, 0, -10}};
  TMemIniFile ini("");
  memo.SaveState(ini, "Memory");
  std::vector<std::string> keys;
  ini.ReadSection("Memory", keys);
  ASSERT_GE(keys.size(), 9u);
  const std::vector<std::string> head = {"NPoints", "SweepMode", "MinFrequency", "MaxFrequency", "OutputPower",
                                         "MinPower", "MaxPower", "FixedFreq", "SegmentCount"};
  EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + 9), head);
  TMemoRange back(nullptr, *c.range, 1);
  back.LoadState(ini, "Memory");
  EXPECT_EQ(back.NPoints, 1601);
  EXPECT_EQ(back.SweepMode, 4);
  EXPECT_EQ(back.MinFrequency, 100.125);
  EXPECT_EQ(back.MaxFrequency, 9000.5);
  EXPECT_EQ(back.OutputPower, -12.25);
  EXPECT_EQ(back.MinPower, -30.5);
  EXPECT_EQ(back.MaxPower, -1.75);
  EXPECT_EQ(back.FixedFreq, 2500.0000001);
  EXPECT_EQ(back.Segments, memo.Segments);
}

TEST(MemoRange, LoadPointsReadsWholeRecords) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  ASSERT_EQ(memo.GetCount(), 4);
  // 30 bytes: two records and a tail that is ignored.
  std::vector<uint8_t> stream = Records({{100.5f, 0.0f, static_cast<float>(std::numbers::pi / 2)}, {200.25f, -6.0206f, 0.0f}});
  stream.resize(30, 0xAB);
  ASSERT_TRUE(memo.LoadPoints(stream));
  ASSERT_EQ(memo.GetCount(), 2);
  EXPECT_EQ(memo.GetPointFrequency(0), 100.5f);
  EXPECT_NEAR(memo.GetPointValue(0).Re, 0, 1e-7);
  EXPECT_NEAR(memo.GetPointValue(0).Im, 1, 1e-7);
  EXPECT_NEAR(memo.GetPointValue(1).Re, 0.5, 1e-6);
  EXPECT_NEAR(memo.GetPointValue(1).Im, 0, 1e-12);
  ASSERT_TRUE(memo.LoadPoints({}));
  EXPECT_EQ(memo.GetCount(), 0);
}

// A level in dB is the modulus 10^(dB/20), across the whole range a float holds, to 1e-12.
TEST(MemoRange, LoadedLevelIsTenToTheTwentiethOfTheDecibels) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  const std::vector<float> levels = {-3000.0f, -300.0f, -120.5f, -6.0206f, 0.0f, 1e-6f, 3.5f, 60.0f, 300.0f, 6000.0f};
  std::vector<std::array<float, 3>> records;
  for (float dB : levels) records.push_back({100.0f, dB, 0.75f});
  ASSERT_TRUE(memo.LoadPoints(Records(records)));
  for (size_t k = 0; k < levels.size(); ++k) {
    SCOPED_TRACE(levels[k]);
    const double modulus = std::pow(10.0, static_cast<double>(levels[k]) / 20.0);
    const TComplex v = memo.GetPointValue(static_cast<int>(k));
    if (!std::isfinite(modulus * std::cos(0.75))) {
      EXPECT_EQ(v.Re, 0.0);
      EXPECT_EQ(v.Im, 0.0);
      continue;
    }
    EXPECT_NEAR(v.Re, modulus * std::cos(static_cast<double>(0.75f)), 1e-12 * modulus);
    EXPECT_NEAR(v.Im, modulus * std::sin(static_cast<double>(0.75f)), 1e-12 * modulus);
  }
}

TEST(MemoRange, NonFiniteRecordFieldsBecomeZero) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  ASSERT_TRUE(memo.LoadPoints(Records({{nan, 0, 0}, {inf, -inf, 1}, {100, inf, 0}, {100, 0, nan}, {100, 1e30f, 1}})));
  ASSERT_EQ(memo.GetCount(), 5);
  EXPECT_EQ(memo.GetPointFrequency(0), 0);
  EXPECT_EQ(memo.GetPointValue(0), (TComplex{1, 0}));
  EXPECT_EQ(memo.GetPointFrequency(1), 0);
  EXPECT_EQ(memo.GetPointValue(1), TComplex{});  // the dB of a zero value
  for (int i = 2; i < 5; ++i) EXPECT_EQ(memo.GetPointValue(i), TComplex{}) << i;
}

TEST(MemoRange, TooLongStreamIsRefusedAndThePointsKept) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  std::vector<uint8_t> stream((TMemoRange::MaxPoints + 1) * TMemoRange::RecordSize, 0);
  EXPECT_FALSE(memo.LoadPoints(stream));
  EXPECT_EQ(memo.GetCount(), 4);
  stream.resize(TMemoRange::MaxPoints * TMemoRange::RecordSize + 11);
  EXPECT_TRUE(memo.LoadPoints(stream));
  EXPECT_EQ(memo.GetCount(), TMemoRange::MaxPoints);
}

// The points a table makes or loads share one block; a point added later is a child like any
// other. Loading again, clearing and destroying must take each exactly once (the sanitizer
// build shows a double or a missing delete), and a point added later survives a refused load.
TEST(MemoRange, PointsOfTheBlockAndAddedLaterAreEachDeletedOnce) {
  FilledChannel c;
  auto memo = std::make_unique<TMemoRange>(nullptr, *c.range, 0);
  auto* extra = new TMemoPoint(memo.get(), {0.5, 0}, 2000);
  ASSERT_EQ(memo->GetCount(), 5);
  EXPECT_EQ(memo->GetPoint(4), extra);
  delete extra;
  EXPECT_EQ(memo->GetCount(), 4);
  EXPECT_EQ(memo->GetPointValue(3), (TComplex{0.1 * 3, 1}));
  ASSERT_TRUE(memo->LoadPoints(Records({{5, 0, 0}, {6, 20, 0}})));
  ASSERT_EQ(memo->GetCount(), 2);
  EXPECT_EQ(memo->GetPointFrequency(1), 6);
  EXPECT_NEAR(memo->GetPointValue(1).Re, 10, 1e-12);
  new TMemoPoint(memo.get(), {0.25, 0}, 7);
  EXPECT_FALSE(memo->LoadPoints(std::vector<uint8_t>((TMemoRange::MaxPoints + 1) * TMemoRange::RecordSize)));
  ASSERT_EQ(memo->GetCount(), 3);
  EXPECT_EQ(memo->GetPointValue(2), (TComplex{0.25, 0}));
  ASSERT_TRUE(memo->LoadPoints(Records({{8, 0, 0}})));
  EXPECT_EQ(memo->GetCount(), 1);
  new TMemoPoint(memo.get(), {0.125, 0}, 9);
  memo->Clear();
  EXPECT_EQ(memo->GetCount(), 0);
  new TMemoPoint(memo.get(), {0.0625, 0}, 10);
  ASSERT_TRUE(memo->LoadPoints(Records({{11, 0, 0}, {12, 0, 0}})));
  EXPECT_EQ(memo->GetCount(), 2);
  memo.reset();
}

TEST(MemoRange, RandomStreamsLoadFinitePoints) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  std::mt19937 random(5);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 2000);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<uint8_t> stream(static_cast<size_t>(length(random)));
    for (uint8_t& b : stream) b = static_cast<uint8_t>(byte(random));
    ASSERT_TRUE(memo.LoadPoints(stream));
    ASSERT_EQ(memo.GetCount(), static_cast<int>(stream.size() / 12));
    for (int i = 0; i < memo.GetCount(); ++i) {
      ASSERT_TRUE(std::isfinite(memo.GetPointFrequency(i)));
      ASSERT_TRUE(std::isfinite(memo.GetPointValue(i).Re) && std::isfinite(memo.GetPointValue(i).Im));
    }
  }
}

TEST(MemoRange, PointsRoundTripInSinglePrecision) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  memo.SetPointFrequency(0, 1000.123456);
  EXPECT_EQ(memo.GetPointFrequency(0), 1000.123456f);
  EXPECT_EQ(memo.PointFrequency(0), memo.GetPointFrequency(0));
  memo.SetPointValue(1, TComplex{0, 0});
  memo.SetPointValue(2, TComplex{-0.3, -0.4});
  std::vector<uint8_t> stream;
  memo.SavePoints(stream);
  ASSERT_EQ(stream.size(), 48u);
  EXPECT_EQ(le::GetF32(stream.data() + 24 + 4), static_cast<float>(20 * std::log10(0.5)));
  TMemoRange back(nullptr, *c.range, 1);
  ASSERT_TRUE(back.LoadPoints(stream));
  ASSERT_EQ(back.GetCount(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(back.GetPointFrequency(i), memo.GetPointFrequency(i));
    EXPECT_NEAR(back.GetPointValue(i).Re, memo.GetPointValue(i).Re, 1e-6) << i;
    EXPECT_NEAR(back.GetPointValue(i).Im, memo.GetPointValue(i).Im, 1e-6) << i;
  }
  EXPECT_EQ(back.GetPointValue(1), TComplex{});
}

// The stored level is 20 log10 |v| over the whole range of doubles, also where |v|² is not one.
TEST(MemoRange, SavedLevelOfEveryMagnitude) {
  FilledChannel c;
  TMemoRange memo(nullptr, *c.range, 0);
  const std::vector<TComplex> values = {{0, 0},       {1e-320, 0},  {3e-170, -4e-170}, {1e-154, 1e-160}, {0.3, -0.4},
                                        {-1, 0},      {0, 2},       {3e150, 4e150},    {1e200, -1e200},  {1e308, 1e308},
                                        {1e-5, 1e-5}, {7.5, -1e-9}};
  for (size_t at = 0; at < values.size(); at += 4) {
    for (int i = 0; i < 4; ++i) {
      memo.SetPointValue(i, at + static_cast<size_t>(i) < values.size() ? values[at + static_cast<size_t>(i)] : TComplex{});
    }
    std::vector<uint8_t> stream;
    memo.SavePoints(stream);
    for (int i = 0; i < 4 && at + static_cast<size_t>(i) < values.size(); ++i) {
      const TComplex v = values[at + static_cast<size_t>(i)];
      const float expected = static_cast<float>(20 * std::log10(std::hypot(v.Re, v.Im)));
      const float got = le::GetF32(stream.data() + 12 * static_cast<size_t>(i) + 4);
      SCOPED_TRACE(testing::Message() << v.Re << " " << v.Im);
      if (std::isinf(expected)) {
        EXPECT_EQ(got, expected);
      } else {
        EXPECT_NEAR(got, expected, 1e-6 * std::abs(expected) + 1e-6);
      }
    }
  }
}

}  // namespace
