// The channel's state section (SaveState, LoadState), its point-data stream (SavePointData,
// LoadPointData) and a Touchstone file as point data (LoadTouchstoneData).
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "ChannelFakes.h"
#include "common/TestEnv.h"
#include "model/LittleEndian.h"
#include "model/MemIniFile.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"

namespace {

const std::string kSection = "RangeView0Range";

struct Channel : fakes::ChannelServices {
  TRange range{nullptr};
  int pointEvents = 0;
  Channel() {
    range.OnPointData = [this](TFObject*) { ++pointEvents; };
  }
  std::string Text() const {
    TMemIniFile ini;
    range.SaveState(ini, kSection);
    return ini.GetText();
  }
};

std::string ReadText(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::AtomicFile::read(path, bytes).ok) << path;
  return bytes;
}

// A fixture file in the "FixtureSim" folder: a matched pad of the given one-way gain, flat from
// 50 to 15000 MHz (n points).
void WritePad(const std::string& name, double gain, int n = 3) {
  std::filesystem::create_directories(GetFixtureSimDirectory());
  std::string text = "! pad\n# MHz S RI R 50\n";
  for (int i = 0; i < n; ++i) {
    const std::string g = FloatToText(gain);
    text += IntToText(50 + i * (14950 / std::max(1, n - 1))) + " 0 0 " + g + " 0 " + g + " 0 0 0\n";
  }
  ASSERT_TRUE(platform::AtomicFile::write(GetFixtureSimDirectory() + name, text).ok);
}

// ---------------------------------------------------------------------------------------------
// The section

TEST(ChannelState, NewK30SectionMatchesGolden) {
  Channel c;
  TMemIniFile ini;
  c.range.SaveState(ini, kSection);
  const std::string golden = ReadText(std::string(TERVAN_SOURCE_DIR) + "/tests/model/golden/ChannelStateK30.ini");
  EXPECT_EQ(ini.GetText(), golden);
  struct Key {
    const char* key;
    const char* value;
  } keys[] = {{"NPoints", "201"},       {"SweepMode", "0"},        {"CommonIFBW", "10000"},
              {"OutputPower", "-10"},   {"FOMMultiplier0", "1"},   {"AverageFactor", "10"},
              {"ZConvValue0", "50"},    {"ExtFreq1", "1000"},      {"DeembFile0", ""}};
  for (const Key& k : keys) {
    EXPECT_TRUE(ini.ValueExists(kSection, k.key)) << k.key;
    EXPECT_EQ(ini.ReadString(kSection, k.key, "?"), k.value) << k.key;
  }
  // Keys of others in the section stay; the channel's keys are overwritten in place.
  TMemIniFile shared;
  shared.WriteString(kSection, "Divisions", "10");
  shared.WriteString(kSection, "NPoints", "5");
  c.range.SaveState(shared, kSection);
  EXPECT_EQ(shared.ReadString(kSection, "Divisions", ""), "10");
  EXPECT_EQ(shared.ReadString(kSection, "NPoints", ""), "201");
}

TEST(ChannelState, EmptySectionGivesANewChannel) {
  Channel c;
  c.range.NPoints = 51;
  c.range.SweepMode = TRange::Log;
  c.range.MinFrequency = 1000;
  c.range.ZConvEnabled = true;
  c.range.AverageEnabled = true;
  c.range.AverageFactor = 3;
  c.range.PortExtensionsEnabled = true;
  c.range.DeembFile[0] = "x.s2p";
  c.range.RebuildPoints();
  const TMemIniFile empty;
  c.range.LoadState(empty, kSection);
  EXPECT_EQ(c.range.GetCount(), 201);
  EXPECT_EQ(c.range.SweepMode, TRange::Lin);
  EXPECT_EQ(c.range.GetPointFrequency(0), 85);
  EXPECT_EQ(c.range.GetPointFrequency(200), 14000);
  EXPECT_FALSE(c.range.ZConvEnabled || c.range.AverageEnabled || c.range.PortExtensionsEnabled);
  EXPECT_EQ(c.range.AverageFactor, 10);
  EXPECT_EQ(c.range.DeembFile[0], "");
  Channel fresh;
  EXPECT_EQ(c.Text(), fresh.Text());
}

TSegment Seg(double start, double stop, int points, int ifbw, double delay, double power) {
  TSegment s;
  s.Start = start;
  s.Stop = stop;
  s.Points = points;
  s.IFBW = ifbw;
  s.Delay = delay;
  s.Power = power;
  return s;
}

// Every key away from its default; the section the program writes loads unchanged.
TEST(ChannelState, AllKeysRoundTrip) {
  Channel a;
  TRange& r = a.range;
  r.NPoints = 1601;
  r.SweepMode = TRange::Segm;
  r.CommonIFBW = 3000;
  r.MinFrequency = 150.25;
  r.MaxFrequency = 9000.125;
  r.OutputPower = -7.5;
  r.PowerSlope = 0.35;
  r.FixedFreq = 4321.5;
  r.CommonDelay = 1.25;
  r.FOMState = true;
  r.FOMOffset[0] = 12.5;
  r.FOMOffset[1] = -7.25;
  r.FOMMultiplier[0] = 3;
  r.FOMMultiplier[1] = -2;
  r.FOMDivider[0] = 2;
  r.FOMDivider[1] = 5;
  r.FOMAdjust = true;
  r.FOMAdjPort = 1;
  r.FOMAdjValue[0] = 0.125;
  r.FOMAdjValue[1] = -0.25;
  r.FOMAutoAdjust = true;
  r.FOMAdjPeriod = 4;
  r.SegmentListPower = true;
  r.SegmentListIFBW = true;
  r.SegmentListDelay = true;
  r.SegmentCenterPriority = true;
  r.Segments = {Seg(200, 400, 11, 1000, 0.5, -3), Seg(500, 900.0000001, 21, 30000, 2, -1.5)};
  r.ZConvEnabled = true;
  r.ZConvValue[0] = 75;
  r.ZConvValue[1] = 25.5;
  r.DeembEnabled[0] = true;
  r.DeembFile[0] = "de0.s2p";
  r.DeembFile[1] = "Мера 1.s2p";
  r.EmbEnabled[1] = true;
  r.EmbFile[0] = "/abs/path/em0.s2p";
  r.EmbFile[1] = "em1";
  r.AverageFactor = 37;
  r.AverageEnabled = true;
  r.PortExtensionsEnabled = true;
  r.Extension[0] = 1.5e-10;
  r.Extension[1] = -2.25e-11;
  r.ExtLoss1Enabled = true;
  r.ExtLoss1 = 0.75;
  r.ExtFreq1 = 2500;
  r.ExtLoss2Enabled = true;
  r.ExtLoss2 = 1.5;
  r.ExtFreq2 = 6000;
  r.ExtLossAtDC = 0.05;
  r.FreqCenterPriority = true;
  r.RebuildPoints();  // what a channel holds after its setters: the power range at 0 dBm
  const std::string text = a.Text();

  Channel b;
  TMemIniFile ini;
  r.SaveState(ini, kSection);
  fakes::EventCounter events;
  b.range.ChangeNotify = true;
  events.Attach(b.range);
  b.range.LoadState(ini, kSection);
  EXPECT_EQ(b.Text(), text);
  EXPECT_EQ(b.range.GetCount(), 32);
  EXPECT_EQ(b.range.FOMDivider[1], 5);
  EXPECT_EQ(b.range.Segments, r.Segments);
  // One report, after everything is in place.
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(events.settings, 1);

  // Loading over a channel that differs everywhere gives the same.
  Channel c;
  c.range.LoadState(ini, kSection);
  c.range.LoadState(ini, kSection);
  EXPECT_EQ(c.Text(), text);
}

TEST(ChannelState, FixtureFilesApplyAfterLoading) {
  WritePad("pad6.s2p", 0.5);
  WritePad("single.s2p", 0.5, 1);
  TMemIniFile ini;
  ini.WriteBool(kSection, "DeembEnabled0", true);
  ini.WriteString(kSection, "DeembFile0", "pad6");  // bare name, no extension
  ini.WriteBool(kSection, "EmbEnabled1", true);
  ini.WriteString(kSection, "EmbFile1", "missing.s2p");
  Channel c;
  c.range.LoadState(ini, kSection);
  EXPECT_EQ(c.range.DeembNetwork[0].GetCount(), 3);
  EXPECT_TRUE(c.range.IsDeembeddingActive());
  // A missing file: no network, the correction inactive; switch and name stay for the next save.
  EXPECT_EQ(c.range.EmbNetwork[1].GetCount(), 0);
  EXPECT_FALSE(c.range.IsEmbeddingActive());
  EXPECT_TRUE(c.range.GetEmbeddingEnabled(1));
  EXPECT_EQ(c.range.GetEmbeddingFile(1), "missing.s2p");
  // The de-embedding acts on processed points: a matched pad of gain 0.5 each way divides the
  // reflection by 0.25.
  c.range.SetPointData(0, 10, {0.2, 0.1});
  c.range.ProcessPoint(10);
  EXPECT_NEAR(c.range.GetPointData(0, 10).Re, 0.8, 1e-9);
  EXPECT_NEAR(c.range.GetPointData(0, 10).Im, 0.4, 1e-9);

  // Loading again replaces the networks: a one-point file holds no data.
  ini.WriteString(kSection, "DeembFile0", "single");
  c.range.LoadState(ini, kSection);
  EXPECT_EQ(c.range.DeembNetwork[0].GetCount(), 1);
  EXPECT_FALSE(c.range.IsDeembeddingActive());
}

// ---------------------------------------------------------------------------------------------
// Hostile sections: defaults or limits, never a broken channel

void ExpectSane(const TRange& r, const std::string& what) {
  SCOPED_TRACE(what);
  const double doubles[] = {r.MinFrequency, r.MaxFrequency, r.OutputPower, r.PowerSlope, r.MinPower,
                            r.MaxPower, r.FixedFreq, r.CommonDelay, r.FOMOffset[0], r.FOMOffset[1],
                            r.FOMAdjValue[0], r.FOMAdjValue[1], r.ZConvValue[0], r.ZConvValue[1],
                            r.Extension[0], r.Extension[1], r.ExtLoss1, r.ExtFreq1, r.ExtLoss2,
                            r.ExtFreq2, r.ExtLossAtDC};
  for (double d : doubles) EXPECT_TRUE(std::isfinite(d));
  EXPECT_TRUE(r.NPoints >= 2 && r.NPoints <= 16001) << r.NPoints;
  EXPECT_LE(r.GetCount(), 16001);
  EXPECT_TRUE(r.SweepMode == 0 || r.SweepMode == 1 || r.SweepMode == 3 || r.SweepMode == 4);
  EXPECT_TRUE(r.CommonDelay >= 0 && r.CommonDelay <= 320);
  EXPECT_TRUE(r.PowerSlope >= 0 && r.PowerSlope <= 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(r.FOMDivider[i] >= 1 && r.FOMDivider[i] <= 1000);
    EXPECT_TRUE(r.FOMMultiplier[i] >= -1000 && r.FOMMultiplier[i] <= 1000);
    EXPECT_TRUE(std::fabs(r.FOMAdjValue[i]) <= 0.5);
    EXPECT_TRUE(std::fabs(r.FOMOffset[i]) <= 14000);
    EXPECT_TRUE(r.ZConvValue[i] >= 0.001 && r.ZConvValue[i] <= 10000);
    EXPECT_LE(r.DeembFile[i].size(), 4096u);
    EXPECT_LE(r.EmbFile[i].size(), 4096u);
  }
  EXPECT_TRUE(r.FOMAdjPort == 0 || r.FOMAdjPort == 1);
  EXPECT_FALSE(r.Segments.empty());
  EXPECT_LE(TotalSegmentPoints(r.Segments), 16001);
}

TEST(ChannelState, HostileValuesGiveDefaultsOrLimits) {
  const char* keys[] = {
      "NPoints", "SweepMode", "CommonIFBW", "MinFrequency", "MaxFrequency", "OutputPower", "PowerSlope",
      "MinPower", "MaxPower", "FixedFreq", "CommonDelay", "FOMState", "FOMOffset0", "FOMOffset1",
      "FOMMultiplier0", "FOMMultiplier1", "FOMDivider0", "FOMDivider1", "FOMAdjust", "FOMAdjPort",
      "FOMAdjValue0", "FOMAdjValue1", "FOMAutoAdjust", "FOMAdjPeriod", "SegmentListPower", "SegmentListIFBW",
      "SegmentListDelay", "SegmentCenterPriority", "SegmentCount", "SegmentStart0", "SegmentStop0",
      "SegmentPoints0", "SegmentIFBW0", "SegmentDelay0", "SegmentOutPower0", "ZConvEnabled", "ZConvValue0",
      "ZConvValue1", "DeembEnabled0", "DeembEnabled1", "DeembFile0", "DeembFile1", "EmbEnabled0", "EmbEnabled1",
      "EmbFile0", "EmbFile1", "AverageFactor", "AverageEnabled", "PortExtensionsEnabled", "Extension[0]",
      "Extension[1]", "ExtLoss1Enabled", "ExtLoss1", "ExtFreq1", "ExtLoss2Enabled", "ExtLoss2", "ExtFreq2",
      "ExtLossAtDC", "FreqCenterPriority"};
  const char* texts[] = {"nan", "-nan", "inf", "1e400", "-1e400", "1e300", "-5", "-1", "0", "abc", "",
                         "0x7fffffff", "-2147483648", "99999999999", " 12 ", "1,5", "\x01\xff"};
  Channel c;
  const std::string fresh = c.Text();
  for (const char* key : keys) {
    for (const char* text : texts) {
      const std::string what = std::string(key) + "=" + text;
      TMemIniFile ini;
      ini.WriteString(kSection, "SegmentCount", "1");
      ini.WriteString(kSection, key, text);
      c.range.LoadState(ini, kSection);
      ExpectSane(c.range, what);
      // What the channel then writes loads unchanged.
      const std::string written = c.Text();
      TMemIniFile again;
      c.range.SaveState(again, kSection);
      c.range.LoadState(again, kSection);
      EXPECT_EQ(c.Text(), written) << what;
    }
  }
  // Texts that are not numbers leave the defaults (file names are texts, so they stay out).
  for (const char* text : {"nan", "1e400", "abc"}) {
    TMemIniFile ini;
    for (const char* key : keys) {
      if (std::strstr(key, "File") == nullptr) ini.WriteString(kSection, key, text);
    }
    c.range.LoadState(ini, kSection);
    EXPECT_EQ(c.Text(), fresh) << text;
  }
}

TEST(ChannelState, LimitsOfFieldKeys) {
  // The impedances are limited to the setter's 0.001 ... 10000 ohm.
  struct Case {
    int port;
    const char* text;
    double expected;
  } impedances[] = {{0, "-1", 0.001}, {1, "1e9", 10000}, {0, "0.0005", 0.001}, {1, "75.5", 75.5}};
  Channel c;
  for (const Case& k : impedances) {
    TMemIniFile ini;
    ini.WriteString(kSection, k.port == 0 ? "ZConvValue0" : "ZConvValue1", k.text);
    c.range.LoadState(ini, kSection);
    EXPECT_EQ(c.range.ZConvValue[k.port], k.expected) << k.port << "=" << k.text;
  }
  // A divider of -5 is limited to 1; an adjustment port of 7 becomes 0.
  TMemIniFile ini;
  ini.WriteString(kSection, "FOMDivider0", "-5");
  ini.WriteString(kSection, "FOMAdjPort", "7");
  c.range.LoadState(ini, kSection);
  EXPECT_EQ(c.range.FOMDivider[0], 1);
  EXPECT_EQ(c.range.FOMAdjPort, 0);
  // "AverageFactor" is taken as read, outside the setter's 1 ... 999 too.
  for (int factor : {0, 5000, 7}) {
    TMemIniFile a;
    a.WriteInteger(kSection, "AverageFactor", factor);
    c.range.LoadState(a, kSection);
    EXPECT_EQ(c.range.AverageFactor, factor);
  }
  // A 50 MB file name is no file name.
  TMemIniFile big;
  big.WriteString(kSection, "DeembFile0", std::string(50u << 20, 'a'));
  big.WriteBool(kSection, "DeembEnabled0", true);
  c.range.LoadState(big, kSection);
  EXPECT_EQ(c.range.DeembFile[0], "");
  EXPECT_FALSE(c.range.IsDeembeddingActive());
  // A segment table of more than 16001 points is refused; the channel's table stays.
  c.range.Segments = {Seg(100, 200, 5, 1000, 0, -10)};
  TMemIniFile segs;
  segs.WriteInteger(kSection, "SegmentCount", 2);
  segs.WriteInteger(kSection, "SegmentPoints0", 16000);
  segs.WriteInteger(kSection, "SegmentPoints1", 2);
  c.range.LoadState(segs, kSection);
  EXPECT_EQ(c.range.Segments, (TSegments{Seg(100, 200, 5, 1000, 0, -10)}));
}

// ---------------------------------------------------------------------------------------------
// Point data

void Fill(TRange& r) {
  for (int i = 0; i < r.GetCount(); ++i) {
    TFPoint* p = r.GetPoint(i);
    p->Data[0] = {0.1 + i * 1e-3, -0.2 - i * 1e-4};
    p->Data[1] = {1.0 / 3 + i, 2.0 / 7};
    p->RawLevel[0] = {0.3, 0.4};
    p->RawLevel[1] = {-1e-5, 0};
    p->RefLevel = {0, -2.5};
    p->PowerReading = -12.345 + i;
  }
}

TEST(ChannelState, PointDataRoundTrip) {
  Channel c;
  Fill(c.range);
  std::vector<uint8_t> stream(7, 0xAA);  // replaced, not appended to
  c.range.SavePointData(stream);
  ASSERT_EQ(stream.size(), 201u * 32);
  // Little-endian float32, in the record's order.
  EXPECT_EQ(le::GetF32(stream.data() + 32 + 8), static_cast<float>(1.0 / 3 + 1));
  EXPECT_EQ(le::GetF32(stream.data() + 28), static_cast<float>(-12.345));
  const TComplex data0 = c.range.GetPointData(0, 5);

  for (int i = 0; i < c.range.GetCount(); ++i) c.range.GetPoint(i)->Data[0] = {9, 9};
  c.pointEvents = 0;
  ASSERT_TRUE(c.range.LoadPointData(stream));
  EXPECT_EQ(c.pointEvents, 201);
  EXPECT_EQ(c.range.LastPointIndex, 200);
  const TFPoint* p = c.range.GetPoint(5);
  EXPECT_EQ(p->Data[0].Re, static_cast<double>(static_cast<float>(data0.Re)));
  EXPECT_EQ(p->Data[0].Im, static_cast<double>(static_cast<float>(data0.Im)));
  EXPECT_EQ(p->Data[1].Re, static_cast<double>(static_cast<float>(1.0 / 3 + 5)));
  EXPECT_EQ(p->RawLevel[0].Re, static_cast<double>(0.5f));
  EXPECT_EQ(p->RawLevel[0].Im, 0.0);
  EXPECT_EQ(p->RawLevel[1].Re, static_cast<double>(1e-5f));
  EXPECT_EQ(p->RefLevel.Re, 2.5);
  EXPECT_EQ(p->PowerReading, static_cast<double>(static_cast<float>(-12.345 + 5)));
}

TEST(ChannelState, PointDataSizeMustMatch) {
  Channel c;
  Fill(c.range);
  std::vector<uint8_t> stream;
  c.range.SavePointData(stream);
  Channel other;
  // A partial record at the end is ignored.
  std::vector<uint8_t> longer = stream;
  longer.resize(201 * 32 + 31, 0x7F);
  EXPECT_TRUE(other.range.LoadPointData(longer));
  EXPECT_EQ(other.pointEvents, 201);
  // One record short, one too many, none: nothing happens.
  for (size_t size : {200u * 32, 202u * 32, 0u}) {
    Channel d;
    std::vector<uint8_t> s = stream;
    s.resize(size, 0);
    const TComplex before = d.range.GetPointData(0, 3);
    EXPECT_FALSE(d.range.LoadPointData(s)) << size;
    EXPECT_EQ(d.range.GetPointData(0, 3), before);
    EXPECT_EQ(d.pointEvents, 0);
  }
}

TEST(ChannelState, NonFiniteFloatsReadAsZero) {
  Channel c;
  std::vector<uint8_t> stream;
  c.range.SavePointData(stream);
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::signaling_NaN()};
  for (size_t k = 0; k < 8; ++k) le::PutF32(stream.data() + 32 * 7 + 4 * k, bad[k % 4]);
  ASSERT_TRUE(c.range.LoadPointData(stream));
  const TFPoint* p = c.range.GetPoint(7);
  for (double v : {p->Data[0].Re, p->Data[0].Im, p->Data[1].Re, p->Data[1].Im, p->RawLevel[0].Re, p->RawLevel[1].Re,
                   p->RefLevel.Re, p->PowerReading})
    EXPECT_EQ(v, 0.0);
  // Values a float cannot hold are written as 0 as well.
  c.range.GetPoint(2)->Data[1] = {1e300, -std::numeric_limits<double>::infinity()};
  c.range.SavePointData(stream);
  EXPECT_EQ(le::GetF32(stream.data() + 64 + 8), 0.0f);
  EXPECT_EQ(le::GetF32(stream.data() + 64 + 12), 0.0f);
}

// "RangeData" as the channel window keeps it: hex text in the ini section. A value cut to an odd
// length or holding a bad pair reads fewer bytes, which the size check refuses.
TEST(ChannelState, DamagedRangeDataKeepsThePoints) {
  Channel c;
  Fill(c.range);
  std::vector<uint8_t> stream;
  c.range.SavePointData(stream);
  TMemIniFile ini;
  ini.WriteBinaryStream("RangeView0", "RangeData", stream);
  const std::string hex = ini.ReadString("RangeView0", "RangeData", "");
  ASSERT_EQ(hex.size(), stream.size() * 2);
  std::string badPair = hex;
  badPair[hex.size() / 2] = 'G';
  for (const std::string& damaged : {hex.substr(0, hex.size() - 1), badPair, hex.substr(0, hex.size() - 64)}) {
    ini.WriteString("RangeView0", "RangeData", damaged);
    std::vector<uint8_t> read;
    ini.ReadBinaryStream("RangeView0", "RangeData", read);
    Channel d;
    const TComplex before = d.range.GetPointData(1, 0);
    EXPECT_FALSE(d.range.LoadPointData(read));
    EXPECT_EQ(d.range.GetPointData(1, 0), before);
  }
  ini.WriteString("RangeView0", "RangeData", hex);
  std::vector<uint8_t> read;
  ini.ReadBinaryStream("RangeView0", "RangeData", read);
  EXPECT_TRUE(c.range.LoadPointData(read));
}

// ---------------------------------------------------------------------------------------------
// A Touchstone file as point data

std::string WriteTouchstone(const std::string& name, const std::string& text) {
  const std::filesystem::path dir = testenv::Root() / "recall";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / name).string();
  EXPECT_TRUE(platform::AtomicFile::write(path, text).ok);
  return path;
}

struct Recall : Channel {
  Recall() {
    range.NPoints = 3;
    range.MinFrequency = 150;
    range.MaxFrequency = 250;
    range.RebuildPoints();  // 150, 200, 250 MHz
    for (int i = 0; i < 3; ++i) {
      range.SetPointData(0, i, {0.7, 0.1 * i});
      range.SetPointData(1, i, {0.2, -0.1 * i});
    }
    pointEvents = 0;
  }
};

TEST(ChannelState, TouchstoneRecallTakesS11AndS21) {
  Recall c;
  const std::string two = WriteTouchstone(
      "two.s2p", "# MHz S RI R 50\n100 0.5 0 0.1 0.1 0.9 0.9 0.8 0.8\n300 0.7 0 0.3 0.3 0.9 0.9 0.8 0.8\n");
  ASSERT_TRUE(c.range.LoadTouchstoneData(two));
  EXPECT_EQ(c.pointEvents, 3);
  EXPECT_EQ(c.range.LastPointIndex, 2);
  // Interpolated at the channel's points: 150 MHz lies a quarter of the way.
  EXPECT_NEAR(c.range.GetPointData(0, 0).Re, 0.55, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(0, 0).Im, 0, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(1, 1).Re, 0.2, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(1, 1).Im, 0.2, 1e-12);

  // ".s1P" in mixed case is a one-port file: S11 into port 0, port 1 gets zero.
  const std::string one = WriteTouchstone("one.s1P", "# MHz S RI R 50\n100 0.1 0.2\n300 0.1 0.2\n");
  ASSERT_TRUE(c.range.LoadTouchstoneData(one));
  EXPECT_NEAR(c.range.GetPointData(0, 2).Re, 0.1, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(0, 2).Im, 0.2, 1e-12);
  EXPECT_EQ(c.range.GetPointData(1, 2), (TComplex{0, 0}));
}

TEST(ChannelState, TouchstoneRecallProcessesEachPoint) {
  Recall c;
  c.range.PortExtensionsEnabled = true;
  c.range.Extension[0] = 1e-9;  // half a turn at 250 MHz, there and back
  const std::string file =
      WriteTouchstone("flat.s1p", "# MHz S RI R 50\n100 0.3 0.1\n400 0.3 0.1\n");
  ASSERT_TRUE(c.range.LoadTouchstoneData(file));
  EXPECT_NEAR(c.range.GetPointData(0, 2).Re, -0.3, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(0, 2).Im, -0.1, 1e-12);
}

// Mend: a file that yields fewer than two frequencies leaves the points as they were, without
// events, and says so.
TEST(ChannelState, FailedTouchstoneRecallKeepsThePoints) {
  const std::string cases[] = {
      WriteTouchstone("single.s1p", "# MHz S RI R 50\n100 0.1 0.2\n"),
      WriteTouchstone("nooption.s1p", "100 0.1 0.2\n200 0.1 0.2\n"),
      WriteTouchstone("oneport.s2p", "# MHz S RI R 50\n100 0.1 0.2\n200 0.1 0.2\n"),
      (testenv::Root() / "recall" / "missing.s1p").string(),
      "not-in-the-fixture-folder",
  };
  for (const std::string& file : cases) {
    Recall c;
    EXPECT_FALSE(c.range.LoadTouchstoneData(file)) << file;
    EXPECT_EQ(c.pointEvents, 0);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(c.range.GetPointData(0, i), (TComplex{0.7, 0.1 * i}));
      EXPECT_EQ(c.range.GetPointData(1, i), (TComplex{0.2, -0.1 * i}));
    }
  }
}

TEST(ChannelState, TouchstoneRecallNameRules) {
  // A bare name is looked up in the fixture folder and gets ".s2p".
  std::filesystem::create_directories(GetFixtureSimDirectory());
  ASSERT_TRUE(platform::AtomicFile::write(GetFixtureSimDirectory() + "recall.s2p",
                                          "# GHz S MA R 50\n0.1 0.5 90 1 0 0 0 0 0\n0.3 0.5 90 1 0 0 0 0 0\n")
                  .ok);
  Recall c;
  ASSERT_TRUE(c.range.LoadTouchstoneData("recall"));
  EXPECT_NEAR(c.range.GetPointData(0, 1).Re, 0, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(0, 1).Im, 0.5, 1e-12);
  EXPECT_NEAR(c.range.GetPointData(1, 1).Re, 1, 1e-12);
}

}  // namespace
