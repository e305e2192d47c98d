#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ScpiSenseRig.h"
#include "automation/AutomationCore.h"
#include "automation/ScpiStimulusNodes.h"
#include "model/EAbort.h"

using automation::ScpiTestClient;
using automation::TScpiServer;
using namespace sensetest;

namespace {

class ScpiStimulusNodes : public ProgramRig {};

const std::string k215 = "215,\"Invalid segment data\"";
const std::string k222 = "222,\"Data out of range\"";

// The segment table as records (start, stop, points), MHz.
std::vector<TSegment> Table(const TRange& r) {
  std::vector<TSegment> out;
  for (int i = 0; i < r.GetSegmentCount(); ++i) out.push_back(r.GetSegment(i));
  return out;
}

bool SameTable(const std::vector<TSegment>& a, const std::vector<TSegment>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].Start != b[i].Start || a[i].Stop != b[i].Stop || a[i].Points != b[i].Points || a[i].IFBW != b[i].IFBW ||
        a[i].Power != b[i].Power || a[i].Delay != b[i].Delay) {
      return false;
    }
  }
  return true;
}

TEST_F(ScpiStimulusNodes, EdgeCasesHoldAsOneTable) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    FourChannels();
    ASSERT_TRUE(c.Command("INIT:CONT OFF"));
    const double minHz = Ch(0).GetDeviceMinFrequency() * 1e6;
    const double maxHz = Ch(0).GetDeviceMaxFrequency() * 1e6;

    // Frequencies in Hz; a start above the band is held at its top and pulls the stop along.
    Steps(c, {{"SENS:FREQ:STAR 1e9;STAR?", FloatToText(1e9), kNone}});
    Steps(c, {{"SENS:FREQ:STAR 1e15;STAR?;STOP?", FloatToText(maxHz) + ";" + FloatToText(maxHz), kNone}});
    Steps(c, {{"SENS:FREQ:STAR 0;STOP 1e15;STAR?;STOP?", FloatToText(minHz) + ";" + FloatToText(maxHz), kNone}});
    Steps(c, {{"SENS:FREQ:CENT 1e9;SPAN 2e8;STAR?;STOP?", FloatToText(9e8) + ";" + FloatToText(1.1e9), kNone}});
    Steps(c, {{"SENS:FREQ:CW 5e8;CW?", FloatToText(5e8), kNone}});
    EXPECT_EQ(Ch(0).FixedFreq, 500.0);
    Steps(c, {{"SENS:FREQ:STAR 0;STOP 1e15", "", kNone}});

    const std::vector<Row> rows = {
        // Point counts are limited by the channel, not refused.
        {"SENS:SWE:POIN 20000;POIN?", "16001", kNone},
        {"SENS:SWE:POIN 1;POIN?", "2", kNone},
        {"SENS:SWE:POIN 201;POIN?", "201", kNone},
        {"SENS:SWE:TYPE linear;TYPE?", "LIN", kNone},
        {"SENS:SWE:TYPE SEG;TYPE?", "LIN", "206,\"Invalid sweep type specifier\""},
        {"SENS:SWE:TIME?", "", "-113,\"Undefined header\""},
        {"SENS:SWE:POIN:TIME 0.0123456;TIME?", "0.012345", kNone},
        {"SENS:SWE:POIN:TIME 1;TIME?", "0.32", kNone},
        {"SENS:SWE:POIN:TIME 0;TIME?", "0", kNone},
        // IF bandwidth: truncated, never snapped, nothing below 1 Hz.
        {"SENS:BAND:RES 12345.9;RES?", "12345", kNone},
        {"SENS:BAND:RES 999.99;RES?", "999", kNone},
        {"SENS:BAND:RES 0.5;RES?", "999", k222},
        {"SENS:BAND:RES -5;RES?", "999", k222},
        {"SENS:BAND:RES 1e10;RES?", "999", k222},
        {"SENS:BAND:RES 1;RES?", "1", kNone},
        {"SENS:BAND:RES 10000", "", kNone},
        {"SENS2:AVER:COUN 0;COUN?", "1", kNone},
        {"SENS2:AVER:COUN 5000;COUN?", "999", kNone},
        {"SENS2:AVER:COUN 10;STAT ON;STAT?", "1", kNone},
        {"SENS2:AVER:STAT OFF;STAT?", "0", kNone},
        {"SENS:ROSC:SOUR external;SOUR?", "EXT", kNone},
        {"SENS:ROSC:SOUR INTERNAL;SOUR?", "INT", kNone},
        {"SENS:ROSC:SOUR CLOCK;SOUR?", "INT", "224,\"Illegal parameter value\""},
    };
    Steps(c, rows);
    EXPECT_EQ(Ch(0).CommonDelay, 0.0);
    EXPECT_EQ(Ch(1).AverageFactor, 10);

    // A channel the node was made for, not the active one.
    Steps(c, {{"SENS3:SWE:POIN 11;:SENS3:SWE:POIN?", "11", kNone}});
    EXPECT_EQ(Ch(2).NPoints, 11);
    EXPECT_EQ(Ch(0).NPoints, 201);

    // AVERage:CLEar through channel 1 restarts the running count of every channel.
    for (int i = 0; i < 4; ++i) Ch(i).SetAverageCount(5);
    Steps(c, {{"SENS1:AVER:CLE", "", kNone}});
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Ch(i).AverageCount, 0) << "channel " << i + 1;

    // The frequency list: NPoints in a linear sweep, the segment total in segment sweep.
    EXPECT_EQ(Numbers(c.Query("SENS:FREQ:DATA?")).size(), 201u);
    const std::vector<double> list = Numbers(c.Query("SENS:FREQ:DATA?"));
    EXPECT_EQ(list.front(), minHz);
    EXPECT_EQ(list.back(), maxHz);
    Steps(c, {{"SENS:SEGM:DATA 5,0,0,0,0,0,2,1e8,2e8,11,3e8,4e8,21", "", kNone},
              {"SENS:SWE:TYPE SEGM;TYPE?", "SEGM", kNone},
              {"SENS:SWE:POIN?", "32", kNone},
              {"SENS:SWE:POIN 100;POIN?", "32", kNone}});
    const std::vector<double> segm = Numbers(c.Query("SENS:FREQ:DATA?"));
    ASSERT_EQ(segm.size(), 32u);
    EXPECT_EQ(segm[0], 1e8);
    EXPECT_EQ(segm[31], 4e8);
    Steps(c, {{"SENS:SWE:TYPE LIN", "", kNone}});
  });
}

TEST_F(ScpiStimulusNodes, SegmentTablePutsAndGetsAsOneTable) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    ASSERT_TRUE(c.Command("INIT:CONT OFF"));
    TRange& r = Ch(0);
    // Two segments without per-segment values: 13 values, back as they went.
    const std::string two = "5,0,0,0,0,0,2," + Join({1e8, 2e8, 11, 3e8, 5e8, 21});
    Steps(c, {{"SENS:SEGM:DATA " + two, "", kNone}, {"SENS:SEGM:DATA?", two, kNone}});
    const std::vector<TSegment> twoTable = Table(r);
    Steps(c, {{"SENS:SEGM:DATA " + *c.Query("SENS:SEGM:DATA?"), "", kNone}});
    EXPECT_TRUE(SameTable(Table(r), twoTable));

    // Centre and span; the get writes start and stop.
    Steps(c, {{"SENS:SEGM:DATA 5,1,0,0,0,0,2," + Join({1.5e8, 1e8, 11, 6e8, 2e8, 3}), "", kNone},
              {"SENS:SEGM:DATA?", "5,0,0,0,0,0,2," + Join({1e8, 2e8, 11, 5e8, 7e8, 3}), kNone}});
    EXPECT_TRUE(r.SegmentCenterPriority);

    // The three flags add their values; the extra-value flag one ignored value per record.
    Steps(c, {{"SENS:SEGM:DATA 5,0,1,1,1,1,1," + Join({1e8, 2e8, 11, 1000, 0, 0.001, 42}), "", kNone},
              {"SENS:SEGM:DATA?", "5,0,1,1,1,0,1," + Join({1e8, 2e8, 11, 1000, 0, 0.001}), kNone}});
    Steps(c, {{"SENS:SEGM:DATA 5,0,0,0,0,1,1," + Join({1e8, 2e8, 11, 42}), "", kNone},
              {"SENS:SEGM:DATA?", "5,0,0,0,0,0,1," + Join({1e8, 2e8, 11}), kNone}});
    const std::vector<TSegment> one = Table(r);
    // 10 and 12 values with the extra flag, fewer than 8, counts 0, 202, -1 and NaN-free
    // shapes: refused whole.
    std::vector<std::string> refused = {
        "5,0,0,0,0,1,1," + Join({1e8, 2e8, 11}),
        "5,0,0,0,0,1,1," + Join({1e8, 2e8, 11, 4, 5}),
        "5,0,0,0,0,0,1",
        "5,0,0,0,0,0,0,1",
        "5,0,0,0,0,0,202," + Join({1e8, 2e8, 11}),
        "5,0,0,0,0,0,-1," + Join({1e8, 2e8, 11}),
        "5,0,0,0,0,0,0.5," + Join({1e8, 2e8, 11}),
        "5,0,0,0,0,0,2," + Join({1e8, 2e8, 11, 3e8, 4e8}),
        // More than 16001 points in all, however each count alone would be clamped.
        "5,0,0,0,0,0,2," + Join({1e8, 2e8, 16000, 3e8, 4e8, 2}),
        "5,0,0,0,0,0,1," + Join({1e8, 2e8, 1e9}),
        "5,0,0,0,0,0,1," + Join({1e8, 2e8, 1e12}),
    };
    std::string many = "5,0,0,0,0,0,201";
    for (int i = 0; i < 201; ++i) many += "," + Join({1e8 + i * 1e6, 1.005e8 + i * 1e6, 16001});
    refused.push_back(many);
    for (const std::string& line : refused) Steps(c, {{"SENS:SEGM:DATA " + line, "", k215}});
    EXPECT_TRUE(SameTable(Table(r), one));
    // A rejected array still leaves its three flags on.
    Steps(c, {{"SENS:SEGM:DATA 5,0,1,0,0,0,0," + Join({1e8, 2e8, 11}), "", k215},
              {"SENS:SEGM:DATA 5,0,1,0,0,0,202," + Join({1e8, 2e8, 11}), "", k215}});
    EXPECT_TRUE(r.SegmentListIFBW);
    EXPECT_TRUE(SameTable(Table(r), one));
    // 16001 points exactly fit; 1.9 segments are one.
    Steps(c, {{"SENS:SEGM:DATA 5,0,0,0,0,0,2," + Join({1e8, 2e8, 16000, 3e8, 4e8, 1}), "", k215},
              {"SENS:SEGM:DATA 5,0,0,0,0,0,2," + Join({1e8, 2e8, 15999, 3e8, 4e8, 2}), "", kNone},
              {"SENS:SWE:TYPE SEGM;:SENS:SWE:POIN?", "16001", kNone},
              {"SENS:SEGM:DATA 5,0,0,0,0,0,1.9," + Join({1e8, 2e8, 11}), "", kNone},
              {"SENS:SWE:POIN?;TYPE?", "11;SEGM", kNone}});

    // A one-point segment followed by a normal one keeps both records, also as the first.
    const std::string single = "5,0,0,0,0,0,3," + Join({1e8, 1e8, 1, 2e8, 3e8, 11, 4e8, 4e8, 1});
    Steps(c, {{"SENS:SEGM:DATA " + single, "", kNone}, {"SENS:SEGM:DATA?", single, kNone}});
    // A one-point first segment with the table full: its count comes before the room runs out.
    const std::string full = "5,0,0,0,0,0,3," + Join({1e8, 1e8, 1, 2e8, 3e8, 15999, 4e8, 4e8, 1});
    Steps(c, {{"SENS:SEGM:DATA " + full, "", kNone}, {"SENS:SEGM:DATA?", full, kNone}});
    // And the reverse order from a table of one-point segments.
    const std::string back = "5,0,0,0,0,0,2," + Join({1e8, 2e8, 21, 3e8, 3e8, 1});
    Steps(c, {{"SENS:SEGM:DATA " + back, "", kNone}, {"SENS:SEGM:DATA?", back, kNone}});

    // Values the setters clamp: start above stop, points 0, widths 0, -5 and 1e9, power 50.
    Steps(c, {{"SENS:SEGM:DATA 5,0,1,1,0,0,1," + Join({5e8, 4e8, 0, -5, 50}), "", kNone}});
    EXPECT_EQ(r.GetSegmentCount(), 1);
    EXPECT_LE(r.GetSegmentStart(0), r.GetSegmentStop(0));
    EXPECT_GE(r.GetSegmentPoints(0), 2);
    Steps(c, {{"SENS:SEGM:DATA 5,0,1,0,0,0,1," + Join({1e8, 2e8, 11, 1e9}), "", kNone},
              {"SENS:SEGM:DATA 5,0,1,0,0,0,1," + Join({1e8, 2e8, 11, 0}), "", kNone}});
    Steps(c, {{"SENS:SWE:TYPE LIN", "", kNone}});

    // In-process: a 2-D array of three rows and columns is the wrong shape; NaN is refused whole.
    automation::Node app = automation::createApplication();
    automation::Node scpi = automation::child(app, "SCPI").Value.asNode();
    automation::Node sense = automation::child(scpi, "SENSe", {1}).Value.asNode();
    automation::Node seg = automation::child(sense, "SEGMent").Value.asNode();
    automation::Array2D square;
    square.Rows = 3;
    square.Cols = 3;
    square.Items.assign(9, automation::Variant(1.0));
    EXPECT_EQ(automation::invoke(seg, "DATA", automation::CallKind::Put, {square}).Outcome.ScpiNumber, 220);
    const std::vector<TSegment> before = Table(r);
    std::vector<double> withNan = {5, 0, 0, 0, 0, 0, 2, 1e8, 2e8, 11, 3e8, NAN, 11};
    EXPECT_EQ(automation::invoke(seg, "DATA", automation::CallKind::Put, {withNan}).Outcome.ScpiNumber, 215);
    EXPECT_TRUE(SameTable(Table(r), before));
  });
}

// The put in segment sweep: one rebuild and one change report for a whole table of 201
// segments, where setter by setter would rebuild over a thousand times.
TEST_F(ScpiStimulusNodes, AWholeTablePutReportsOnce) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    ASSERT_TRUE(c.Command("INIT:CONT OFF;:SENS:SWE:TYPE SEGM"));
    TRange& r = Ch(0);
    std::vector<double> v = {5, 0, 1, 1, 1, 1, 201};
    for (int i = 0; i < 201; ++i) {
      const double start = 100e6 + i * 10e6;
      v.insert(v.end(), {start, start + 5e6, 79, 1000, 0, 0.001, 0});
    }
    int changes = 0, settings = 0;
    const TRange::TEvent change = r.OnChange, setting = r.OnSettingsChange;
    r.OnChange = [&](TFObject* s) {
      ++changes;
      if (change) change(s);
    };
    r.OnSettingsChange = [&](TFObject* s) {
      ++settings;
      if (setting) setting(s);
    };
    Steps(c, {{"SENS:SEGM:DATA " + Join(v), "", kNone}});
    r.OnChange = change;
    r.OnSettingsChange = setting;
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(settings, 1);
    EXPECT_EQ(r.GetSegmentCount(), 201);
    EXPECT_EQ(r.GetTotalSegmentPoints(), 201 * 79);
    EXPECT_EQ(r.GetCount(), 201 * 79);
    EXPECT_EQ(c.Query("SENS:SWE:POIN?"), "15879");
  });
}

// Random arrays, most of them near the valid form: each put either succeeds with a sound table
// or refuses with 215 (220 for nothing here) and leaves the segments as they were.
TEST_F(ScpiStimulusNodes, RandomSegmentArraysNeverLeaveAHalfTable) {
  RunProgram([&](TScpiServer&) {
    TRange& r = Ch(3);
    std::mt19937 random(20261211);
    auto pick = [&](std::vector<double> choices) {
      return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
    };
    for (int round = 0; round < 400; ++round) {
      const int n = static_cast<int>(pick({1, 2, 3, 7, 201, 202, 0}));
      const bool extra = random() % 4 == 0;
      std::vector<double> v = {5, static_cast<double>(random() % 3 == 0), pick({0, 1}), pick({0, 1}), pick({0, 1}),
                               extra ? 1.0 : 0.0, pick({static_cast<double>(n), n + 0.7, -1, NAN})};
      const int width = 3 + static_cast<int>(v[2] + v[3] + v[4]) + (extra ? 1 : 0);
      const int records = std::max(n, 0) + static_cast<int>(pick({0, 0, 0, 1, -1}));
      for (int i = 0; i < records; ++i) {
        for (int k = 0; k < width; ++k) {
          v.push_back(pick({0, 1, -1, 1e6, 5e7 + i * 1e7, 1e8 + i * 1e7, 3e9, 1e12, 2, 50, 999, 16001, 1e9, -5,
                            INFINITY}));
        }
      }
      const std::vector<TSegment> before = Table(r);
      try {
        automation::PutSegmentTable(r, v);
        ASSERT_GE(r.GetSegmentCount(), 1);
        EXPECT_LE(r.GetTotalSegmentPoints(), TRange::MaxPoints);
        for (int i = 0; i < r.GetSegmentCount(); ++i) {
          EXPECT_LE(r.GetSegmentStart(i), r.GetSegmentStop(i));
          if (i > 0) {
            EXPECT_LE(r.GetSegmentStop(i - 1), r.GetSegmentStart(i));
          }
        }
      } catch (const EAbort& e) {
        EXPECT_EQ(e.HelpContext, 215);
        EXPECT_TRUE(SameTable(Table(r), before)) << "round " << round;
      }
    }
  });
}

}  // namespace
