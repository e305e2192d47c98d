#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ChannelFakes.h"
#include "common/FileBytes.h"
#include "common/TestEnv.h"
#include "model/EAbort.h"
#include "model/LittleEndian.h"
#include "model/MemIniFile.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Segment.h"
#include "platform/AtomicFile.h"

namespace {

const std::string kSection = "SegmentSweepData";

std::string TempPath(const std::string& name) { return (testenv::Root() / name).string(); }

TSegment Make(double start, double stop, int points, int ifbw = 10000, double delay = 0, double power = -10) {
  TSegment s;
  s.Start = start;
  s.Stop = stop;
  s.Points = points;
  s.IFBW = ifbw;
  s.Delay = delay;
  s.Power = power;
  return s;
}

// A channel of the fake K30 model with a given segment table.
struct SegmentChannel {
  fakes::ChannelServices services;
  TRange range{nullptr};
  fakes::EventCounter events;

  explicit SegmentChannel(TSegments table, int sweepMode = TRange::Segm) {
    TRangeSettings s;
    TSegments unused;
    range.GetSettings(s, unused);
    s.SweepMode = sweepMode;
    range.ApplySettings(std::move(table), s);
    range.ChangeNotify = true;
    events.Attach(range);
  }
};

TEST(Segment, RecordLayoutIsLittleEndianAtFixedOffsets) {
  const TSegment s = Make(100.5, 2000.25, 401, 3000, 0.125, -7.5);
  uint8_t bytes[TSegment::ByteSize];
  s.WriteBytes(bytes);
  EXPECT_EQ(le::GetF64(bytes + 0), 100.5);
  EXPECT_EQ(le::GetF64(bytes + 8), 2000.25);
  EXPECT_EQ(bytes[16], 0x91);  // 401 = 0x191
  EXPECT_EQ(bytes[17], 0x01);
  EXPECT_EQ(le::GetI32(bytes + 20), 3000);
  EXPECT_EQ(le::GetF64(bytes + 24), 0.125);
  EXPECT_EQ(le::GetF64(bytes + 32), -7.5);
  EXPECT_EQ(TSegment::ReadBytes(bytes), s);
}

TEST(Segment, NearestIFBWTakesTheLowerOfTwoEquallyNear) {
  const std::pair<double, int32_t> cases[] = {
      {2500, 3000}, {2000, 1000}, {200, 100},  {100000, 30000}, {650, 300},   {0, 100},
      {-5, 100},    {6500, 3000}, {20000, 10000}, {1e300, 30000}, {30000, 30000}, {100, 100},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(TSegment::NearestIFBW(value), expected) << value;
}

TEST(Segment, SetSegmentIFBWSnapsAndReports) {
  SegmentChannel c({Make(1000, 2000, 11)});
  c.range.SetSegmentIFBW(0, 2500);
  EXPECT_EQ(c.range.GetSegmentIFBW(0), 3000);
  EXPECT_EQ(c.events.settings, 1);
  c.range.SetSegmentIFBW(0, 2900);  // snaps to the stored value: nothing
  EXPECT_EQ(c.events.settings, 1);
}

TEST(Segment, InsertOnAFullTableReturnsFalse) {
  SegmentChannel c({Make(100, 200, 16000), Make(300, 400, 1)});
  const TSegments before = c.range.Segments;
  EXPECT_FALSE(c.range.InsertSegment(0));
  EXPECT_EQ(c.range.Segments, before);
  EXPECT_EQ(c.events.settings, 0);
}

TEST(Segment, InsertTakesWhatIsLeftOfTheTotal) {
  SegmentChannel c({Make(100, 200, 16000, 300, 1.5, 0)});
  ASSERT_TRUE(c.range.InsertSegment(0));
  ASSERT_EQ(c.range.GetSegmentCount(), 2);
  EXPECT_EQ(c.range.GetSegment(1), Make(200, 200, 1, 300, 1.5, 0));
  EXPECT_EQ(c.events.change, 1);
  EXPECT_EQ(c.range.GetCount(), 16001);
}

TEST(Segment, DeleteKeepsAtLeastOneSegmentOfTwoPoints) {
  SegmentChannel c({Make(100, 100, 1), Make(300, 300, 1)});
  c.range.DeleteSegment(1);
  ASSERT_EQ(c.range.GetSegmentCount(), 1);
  EXPECT_EQ(c.range.GetSegmentPoints(0), 2);
  c.range.DeleteSegment(0);
  EXPECT_EQ(c.range.GetSegmentCount(), 1);
  EXPECT_EQ(c.events.settings, 1);
}

TEST(Segment, PointLimitsDependOnSpanAndTableSize) {
  SegmentChannel two({Make(100, 100, 2), Make(300, 400, 5)});
  two.range.SetSegmentPoints(0, 1);
  EXPECT_EQ(two.range.GetSegmentPoints(0), 1);
  two.range.SetSegmentPoints(1, 1);  // not a zero span
  EXPECT_EQ(two.range.GetSegmentPoints(1), 2);
  two.range.SetSegmentPoints(1, 20000);
  EXPECT_EQ(two.range.GetSegmentPoints(1), 16000);

  SegmentChannel one({Make(100, 100, 5)});
  one.range.SetSegmentPoints(0, 1);
  EXPECT_EQ(one.range.GetSegmentPoints(0), 2);
}

TEST(Segment, OverfullTableStillKeepsTheMinimumPoints) {
  // A table taken as it stands (17002 points): the room of segment 0 is 2 + 16001 - 17002 < 0.
  SegmentChannel c({Make(100, 200, 2), Make(300, 400, 17000)});
  c.range.SetSegmentPoints(0, 5);
  EXPECT_EQ(c.range.GetSegmentPoints(0), 2);
  EXPECT_FALSE(c.range.InsertSegment(0));
}

TEST(Segment, StartAndStopEditsKeepTheOrder) {
  SegmentChannel c({Make(100, 200, 3), Make(500, 500, 1), Make(800, 900, 3)});
  c.range.SetSegmentStart(1, 600);  // a 1-point segment moves its stop along
  EXPECT_EQ(c.range.GetSegmentStart(1), 600);
  EXPECT_EQ(c.range.GetSegmentStop(1), 600);
  c.range.SetSegmentStart(1, 50);  // limited to the stop of segment 0
  EXPECT_EQ(c.range.GetSegmentStart(1), 200);
  EXPECT_EQ(c.range.GetSegmentStop(1), 200);
  c.range.SetSegmentStop(0, 150);
  EXPECT_EQ(c.range.GetSegmentStop(0), 150);
  c.range.SetSegmentStart(0, 180);  // stop follows up to the next segment's start
  EXPECT_EQ(c.range.GetSegmentStart(0), 180);
  EXPECT_EQ(c.range.GetSegmentStop(0), 180);
  c.range.SetSegmentStop(2, 20000);  // the device maximum
  EXPECT_EQ(c.range.GetSegmentStop(2), 14000);
  EXPECT_FALSE(c.range.SegmentCenterPriority);
  c.range.SetSegmentCenter(2, 13900);
  EXPECT_TRUE(c.range.SegmentCenterPriority);
  EXPECT_EQ(c.range.GetSegmentStart(2), 13800);
  EXPECT_EQ(c.range.GetSegmentStop(2), 14000);
  c.range.SetSegmentSpan(2, 1e308);  // the whole room, centre moved inside it
  EXPECT_EQ(c.range.GetSegmentStart(2), 200);
  EXPECT_EQ(c.range.GetSegmentStop(2), 14000);
  c.range.SetSegmentSpan(1, 50);  // a 1-point segment keeps a zero span
  EXPECT_EQ(c.range.GetSegmentSpan(1), 0);
}

TEST(Segment, DelayAndPowerAreRoundedAndLimited) {
  SegmentChannel c({Make(100, 200, 3)});
  c.range.SetSegmentDelay(0, 0.0123);
  EXPECT_EQ(c.range.GetSegmentDelay(0), 0.01);
  c.range.SetSegmentDelay(0, 500);
  EXPECT_EQ(c.range.GetSegmentDelay(0), 320);
  c.range.SetSegmentPower(0, -7.33);
  EXPECT_EQ(c.range.GetSegmentPower(0), 0);
  const int settings = c.events.settings;
  for (double bad : {NAN, INFINITY, -INFINITY}) {
    c.range.SetSegmentDelay(0, bad);
    c.range.SetSegmentPower(0, bad);
    c.range.SetSegmentStart(0, bad);
    c.range.SetSegmentStop(0, bad);
    c.range.SetSegmentCenter(0, bad);
    c.range.SetSegmentSpan(0, bad);
  }
  EXPECT_EQ(c.events.settings, settings);
  EXPECT_EQ(c.range.GetSegment(0), Make(100, 200, 3, 10000, 320, 0));
}

TEST(Segment, EditingOutsideASegmentSweepOnlyReports) {
  SegmentChannel c({Make(100, 200, 3)}, TRange::Lin);
  const int points = c.range.GetCount();
  c.services.plan.ClearRecords();
  c.range.SetSegmentPoints(0, 7);
  EXPECT_EQ(c.events.settings, 1);
  EXPECT_EQ(c.events.change, 0);
  EXPECT_TRUE(c.services.plan.signalRequests.empty());
  EXPECT_EQ(c.range.GetCount(), points);

  SegmentChannel s({Make(100, 200, 3)});
  s.range.SetSegmentPoints(0, 7);
  EXPECT_EQ(s.events.settings, 1);
  EXPECT_EQ(s.events.change, 1);
  EXPECT_EQ(s.events.changingDuringChange, std::vector<bool>{true});
  EXPECT_FALSE(s.range.Changing);
  EXPECT_EQ(s.range.GetCount(), 7);
}

TEST(Segment, FileRoundTripRestoresTableAndFlags) {
  SegmentChannel c({Make(100, 200, 3, 300, 0.175 + 1e-17, -10), Make(200, 200, 1, 30000, 0, 0),
                    Make(1234.5678901234567, 14000, 16001 - 4, 1000, 320, -3.05)});
  c.range.SegmentListPower = true;
  c.range.SegmentListDelay = true;
  c.range.SegmentCenterPriority = true;
  const std::string path = TempPath("roundtrip.seg");
  c.range.SaveSegmentTable(path);

  std::string bytes;
  ASSERT_TRUE(platform::AtomicFile::read(path, bytes));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);

  SegmentChannel d({Make(500, 600, 2)});
  d.range.LoadSegmentTable(path);
  EXPECT_EQ(d.range.Segments, c.range.Segments);
  EXPECT_TRUE(d.range.SegmentListPower);
  EXPECT_FALSE(d.range.SegmentListIFBW);
  EXPECT_TRUE(d.range.SegmentListDelay);
  EXPECT_TRUE(d.range.SegmentCenterPriority);
  EXPECT_EQ(d.events.change, 1);
  EXPECT_EQ(d.range.GetCount(), 16001);
}

TEST(Segment, MissingSectionOrZeroCountLoadsOneDefaultSegment) {
  const TSegment def = TSegment::Default(85);
  for (const std::string& text : {std::string(""), std::string("[Other]\nA=1\n"), std::string("[SegmentSweepData]\nSegmentCount=0\nSegmentStart0=300\n"),
                                 std::string("[SegmentSweepData]\nSegmentCount=-3\n")}) {
    TMemIniFile ini;
    ini.LoadFromBytes(text);
    TSegments table{Make(1, 2, 3)};
    ASSERT_TRUE(ReadSegmentKeys(ini, kSection, table, def)) << text;
    EXPECT_EQ(table, TSegments{def}) << text;
  }
}

TEST(Segment, AFileThatHoldsNoTableIsRefusedAndTheTableKept) {
  const std::vector<std::string> contents = {std::string(""), std::string("[Other]\nA=1\n"),
                                             std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)};
  for (const std::string& bytes : contents) {
    const std::string path = TempPath("foreign.seg");
    testenv::WriteBytes(path, bytes);
    const TSegments before{Make(500, 600, 2), Make(700, 800, 2)};
    SegmentChannel c(before);
    try {
      c.range.LoadSegmentTable(path);
      ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
    } catch (const EAbort& e) {
      EXPECT_NE(std::string(e.what()).find("is not a segment table"), std::string::npos);
    }
    EXPECT_EQ(c.range.Segments, before);
    EXPECT_EQ(c.events.change, 0);
  }
}

TEST(Segment, LoadingAMissingFileGivesOneDefaultSegment) {
  SegmentChannel c({Make(500, 600, 2), Make(700, 800, 2)});
  c.range.LoadSegmentTable(TempPath("no-such-file.seg"));
  EXPECT_EQ(c.range.Segments, TSegments{TSegment::Default(85)});
}

TEST(Segment, BadValuesAreDefaultedOrLimited) {
  const TSegment def = TSegment::Default(0.3);
  TMemIniFile ini;
  ini.WriteString(kSection, "SegmentCount", "3");
  ini.WriteString(kSection, "SegmentStart0", "abc");
  ini.WriteString(kSection, "SegmentStop0", "nan");
  ini.WriteString(kSection, "SegmentPoints0", "-7");
  ini.WriteString(kSection, "SegmentIFBW0", "1e400");
  ini.WriteString(kSection, "SegmentDelay0", "1e300");
  ini.WriteString(kSection, "SegmentOutPower0", std::string(50 * 1024 * 1024, '7'));
  ini.WriteString(kSection, "SegmentStart1", "1,5e3");
  ini.WriteString(kSection, "SegmentStop1", "inf");
  ini.WriteString(kSection, "SegmentIFBW1", "2999.9");
  ini.WriteString(kSection, "SegmentDelay1", "-4");
  ini.WriteString(kSection, "SegmentIFBW2", "-1e12");
  TSegments table;
  ASSERT_TRUE(ReadSegmentKeys(ini, kSection, table, def));
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0], Make(0.3, 0.3, 1, 10000, 320, -10));
  EXPECT_EQ(table[1], Make(1500, 0.3, 2, 3000, 0, -10));
  EXPECT_EQ(table[2], Make(0.3, 0.3, 2, 100, 0, -10));
}

TEST(Segment, OversizedTablesAreRefusedAndChangeNothing) {
  SegmentChannel c({Make(500, 600, 2)});
  const TSegments before = c.range.Segments;
  struct Case {
    const char* count;
    const char* points;
  };
  for (const Case& k : {Case{"1000000000", "2"}, Case{"16002", "1"}, Case{"2", "10000"}, Case{"1", "20000"},
                        Case{"2", "2147483647"}}) {
    TMemIniFile ini;
    ini.WriteString(kSection, "SegmentCount", k.count);
    ini.WriteString(kSection, "SegmentPoints0", k.points);
    ini.WriteString(kSection, "SegmentPoints1", k.points);
    TSegments table = before;
    EXPECT_FALSE(ReadSegmentKeys(ini, kSection, table, TSegment::Default(85))) << k.count << " " << k.points;
    EXPECT_EQ(table, before);

    const std::string path = TempPath("big.seg");
    ini.Rename(path, false);
    ini.UpdateFile();
    EXPECT_THROW(c.range.LoadSegmentTable(path), EAbort);
    EXPECT_EQ(c.range.Segments, before);
  }
  EXPECT_EQ(c.events.settings, 0);
}

TEST(Segment, EverythingTheProgramWritesLoadsUnchanged) {
  TSegments table = {Make(85, 85, 1, 100, 0.17500000000000002, -10), Make(85, 1000.000001, 16001 - 3, 30000, 320, 0),
                     Make(1000.000001, 1000.000001, 2, 1000, 0.005, -10)};
  TMemIniFile ini;
  WriteSegmentKeys(ini, "Channel1Range", table);
  TSegments back;
  ASSERT_TRUE(ReadSegmentKeys(ini, "Channel1Range", back, TSegment::Default(85)));
  EXPECT_EQ(back, table);
  EXPECT_TRUE(SanitizeSegmentTable(table, TSegment::Default(85)));
  EXPECT_EQ(back, table);
}

TEST(Segment, FuzzedSectionsNeverBreakTheTable) {
  std::mt19937 rng(20240607);
  const std::vector<std::string> keys = {"SegmentCount", "SegmentStart", "SegmentStop", "SegmentPoints",
                                         "SegmentIFBW", "SegmentDelay", "SegmentOutPower"};
  const std::vector<std::string> values = {"", "0", "1", "-1", "2", "16001", "16002", "1e9", "nan", "inf",
                                           "-inf", "1e400", "0x10", "3,5", "12abc", "\xff\xfe", "320.0001",
                                           "-0", "2147483647", "-2147483648", "99999999999999999999"};
  const TSegment def = TSegment::Default(85);
  for (int round = 0; round < 400; ++round) {
    TMemIniFile ini;
    std::string text = "[SegmentSweepData]\n";
    const int lines = static_cast<int>(rng() % 40);
    for (int l = 0; l < lines; ++l) {
      const std::string& key = keys[rng() % keys.size()];
      std::string line = key;
      if (key != "SegmentCount") line += IntToText(static_cast<long long>(rng() % 6));
      line += "=";
      if (rng() % 3 == 0) {
        for (int k = static_cast<int>(rng() % 12); k > 0; --k) line.push_back(static_cast<char>(rng() % 256));
      } else {
        line += values[rng() % values.size()];
      }
      text += line + "\n";
    }
    // Truncated at a random place.
    text.resize(rng() % (text.size() + 1));
    ini.LoadFromBytes(text);
    TSegments table{def};
    if (!ReadSegmentKeys(ini, kSection, table, def)) {
      EXPECT_EQ(table, TSegments{def});
      continue;
    }
    ASSERT_FALSE(table.empty());
    EXPECT_LE(TotalSegmentPoints(table), 16001);
    for (const TSegment& s : table) {
      EXPECT_GE(s.Points, 1);
      EXPECT_TRUE(s.IFBW == 100 || s.IFBW == 300 || s.IFBW == 1000 || s.IFBW == 3000 || s.IFBW == 10000 ||
                  s.IFBW == 30000);
      EXPECT_GE(s.Delay, 0);
      EXPECT_LE(s.Delay, 320);
      EXPECT_TRUE(std::isfinite(s.Start) && std::isfinite(s.Stop) && std::isfinite(s.Power));
    }
  }
}

TEST(Segment, SaveReplacesTheFileOnlyOnSuccess) {
  SegmentChannel c({Make(100, 200, 3)});
  const std::string folder = TempPath("a-folder.seg");
  std::filesystem::create_directories(folder);
  EXPECT_THROW(c.range.SaveSegmentTable(folder), EAbort);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_THROW(c.range.SaveSegmentTable(TempPath("missing/folder/x.seg")), EAbort);

  const std::string path = TempPath("old.seg");
  ASSERT_TRUE(platform::AtomicFile::write(path, "old"));
  c.range.SaveSegmentTable(path);
  TMemIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(kSection, "SegmentCount", 0), 1);
  EXPECT_EQ(ini.ReadString(kSection, "SegmentStop0", ""), "200");
}

}  // namespace
