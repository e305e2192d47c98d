// The marker nodes and the analysis nodes of the active trace, driven through SCPI in the
// running program on traces whose values the test sets.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "CalcRig.h"
#include "automation/AutomationCore.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;

namespace {

class ScpiMarkerNodes : public CalcRig {};
class ScpiAnalysisNodes : public CalcRig {};

TMarkerList& Markers() { return *CalcRig::Active().Markers; }

TEST_F(ScpiMarkerNodes, MarkersSwitchCountAndMoveAsTheirAlgorithms) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(101, 100, 200);
    Shape(Active(), [](double f) { return -f / 10; });

    // No marker at all: the members that need one fail.
    for (const char* line : {"CALC:SEL:MARK1:X?", "CALC:SEL:MARK1:Y?", "CALC:SEL:MARK3:FUNC:TYPE?",
                             "CALC:SEL:MARK1:FUNC:DOM:STAR?", "CALC:SEL:MARK16:FUNC:PEXC?"}) {
      Step(c, line, "", "204,\"Marker not active\"");
    }
    for (const char* line : {"CALC:SEL:MARK1:X 1e8", "CALC:SEL:MARK1:SET STAR", "CALC:SEL:MARK1:FUNC:EXEC",
                             "CALC:SEL:MARK1:FUNC:DOM:STAT ON"}) {
      Step(c, line, "", "204,\"Marker not active\"");
    }

    Step(c, "CALC:SEL:MARK5:STAT ON;STAT?", "1");
    Step(c, "CALC:SEL:MARK6:STAT?;:CALC:SEL:MARK:COUN?", "0;5");
    EXPECT_EQ(Markers().ActiveMarker, 4);

    // 1..8, marker 2 active, marker 5 off: 1..4 stay where they were, 4 active.
    Step(c, "CALC:SEL:MARK8:STAT ON;:CALC:SEL:MARK2:ACT", "");
    EXPECT_EQ(Markers().ActiveMarker, 1);
    for (int m = 1; m <= 8; ++m) {
      Step(c, "CALC:SEL:MARK" + std::to_string(m) + ":X " + std::to_string(100 + 10 * m) + "e6", "");
    }
    Step(c, "CALC:SEL:MARK2:ACT", "");
    Step(c, "CALC:SEL:MARK5:STAT OFF;:CALC:SEL:MARK:COUN?", "4");
    EXPECT_EQ(Markers().ActiveMarker, 3);
    for (int m = 1; m <= 4; ++m) EXPECT_DOUBLE_EQ(Markers().FindMarker(m - 1)->Argument, 100 + 10 * m);
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:MARK3:X?"), 1.3e8);
    Step(c, "CALC:SEL:MARK3:Y?", "-13,0");

    // The lookup falls back to the last marker: MARK9 moves marker 4.
    Step(c, "CALC:SEL:MARK9:X 1.05e8", "");
    EXPECT_DOUBLE_EQ(Markers().FindMarker(3)->Argument, 105);
    // Beyond the sweep: the last point.
    Step(c, "CALC:SEL:MARK1:X 1e12", "");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:MARK1:X?"), 2e8);

    Step(c, "CALC:SEL:MARK:COUN 10;COUN?", "10");
    Step(c, "CALC:SEL:MARK:COUN 3;COUN?", "3");
    Step(c, "CALC:SEL:MARK:COUN 20;COUN?", "15");
    Step(c, "CALC:SEL:MARK16:STAT ON;STAT?;:CALC:SEL:MARK:REF:STAT?;:CALC:SEL:MARK:COUN?", "1;1;15");
    Step(c, "CALC:SEL:MARK:COUN 2;COUN?;:CALC:SEL:MARK16:STAT?", "2;1");
    Step(c, "CALC:SEL:MARK:REF:STAT OFF;:CALC:SEL:MARK16:STAT?", "0");

    // Search words.
    Step(c, "CALC:SEL:MARK1:FUNC:TYPE LTARget;TYPE?", "LTAR");
    Step(c, "CALC:SEL:MARK1:FUNC:TYPE nothing;TYPE?", "LTAR");
    Step(c, "CALC:SEL:MARK1:X 1.5e8;:CALC:SEL:MARK1:FUNC:TYPE MIN;:CALC:SEL:MARK1:FUNC:EXEC", "");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:MARK1:X?"), 2e8);
    Step(c, "CALC:SEL:MARK1:FUNC:PPOL BOTH;PPOL?", "BOTH");
    Step(c, "CALC:SEL:MARK1:FUNC:TTR NEG;TTR?", "NEG");
    Step(c, "CALC:SEL:MARK1:FUNC:TRAC ON;TRAC?", "1");
    Step(c, "CALC:SEL:MARK1:FUNC:TARG -12;TARG?", "-12");
    Step(c, "CALC:SEL:MARK1:FUNC:DOM:COUP ON;COUP?", "0");

    // DOMain acts on the active marker (marker 2 after COUN 2), whatever the node named.
    Step(c, "CALC:SEL:MARK1:FUNC:DOM:STAR 1.2e8", "");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:MARK1:FUNC:DOM:STAR?"), 1.2e8);
    EXPECT_DOUBLE_EQ(Markers().FindMarker(1)->SearchStart, 120);
    EXPECT_NE(Markers().FindMarker(0)->SearchStart, 120);

    // Group Delay: the marker's value in seconds.
    Step(c, "CALC:SEL:FORM GDEL", "");
    Shape(Active(), [](double) { return 2.5; });
    Step(c, "CALC:SEL:MARK1:X 1.5e8", "");
    const std::vector<double> y = Numbers(c.Query("CALC:SEL:MARK1:Y?").value_or(""));
    ASSERT_EQ(y.size(), 2u);
    EXPECT_NEAR(y[0], 2.5e-9, 1e-20);
    EXPECT_EQ(y[1], 0);
    Step(c, "CALC:SEL:FORM RLOS", "");

    // Marker tags beyond 32 bits or no number at all, in-process.
    automation::Node sel = Selected();
    for (double tag : {1e12, std::numeric_limits<double>::quiet_NaN()}) {
      const automation::CallResult r = automation::child(sel, "MARKer", {Variant(tag)});
      EXPECT_EQ(r.Outcome.ScpiNumber, 222);
    }
  });
}

TEST_F(ScpiMarkerNodes, BandwidthReadsTheCrossingsWhateverTheChartShows) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(201, 90, 190);
    // A peak of 0 dB at 105 MHz, 3 dB down at 100 and 110 MHz.
    Shape(Active(), [](double f) { return -0.6 * std::fabs(f - 105); });
    Step(c, "CALC:SEL:MARK1:BWID:STAT?;TYPE?;REF?;THR?", "0;BPAS;MAX;-3");
    const std::vector<double> off = Numbers(c.Query("CALC:SEL:MARK1:BWID:DATA?").value_or(""));
    ASSERT_EQ(off.size(), 4u);
    EXPECT_NEAR(off[0], 1e7, 1e-3);
    EXPECT_NEAR(off[1], 1.05e8, 1e-3);
    EXPECT_NEAR(off[2], 10.5, 1e-9);
    EXPECT_NEAR(off[3], 0.0, 1e-12);

    // With the chart's readout on, the same numbers as the chart shows.
    Step(c, "CALC:SEL:MARK1:BWID:STAT ON;STAT?", "1");
    const TBandResult chart = Markers().SearchBandwidth();
    ASSERT_TRUE(chart.Found);
    const std::vector<double> on = Numbers(c.Query("CALC:SEL:MARK1:BWID:DATA?").value_or(""));
    ASSERT_EQ(on.size(), 4u);
    EXPECT_EQ(on[0], Active().StimulusToHz(chart.Bandwidth()));
    EXPECT_EQ(on[1], Active().StimulusToHz(chart.Center()));
    EXPECT_EQ(on[2], chart.Q());
    EXPECT_EQ(on[3], chart.RefLevel);

    // Referred to the marker: marker m must exist.
    Step(c, "CALC:SEL:MARK:COUN 2;:CALC:SEL:MARK1:BWID:REF MARKER;REF?", "MARK");
    Step(c, "CALC:SEL:MARK3:BWID:DATA?", "", "204,\"Marker not active\"");
    Step(c, "CALC:SEL:MARK2:X 1.04e8;:CALC:SEL:MARK2:BWID:THR -6;THR?", "-6");
    const std::vector<double> mark = Numbers(c.Query("CALC:SEL:MARK2:BWID:DATA?").value_or(""));
    ASSERT_EQ(mark.size(), 4u);
    // From -0.6 at 104 MHz, 6 dB down: 94 and 116 MHz.
    EXPECT_NEAR(mark[0], 2.2e7, 1e-3);
    EXPECT_NEAR(mark[1], 1.05e8, 1e-3);
    EXPECT_NEAR(mark[3], -0.6, 1e-9);
    Step(c, "CALC:SEL:MARK1:BWID:TYPE xyz;TYPE?", "NOTC");
  });
}

TEST_F(ScpiAnalysisNodes, FunctionsRunOnTheirRangeAndStatisticsBetweenMarkers) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(101, 90, 190);
    // 50 below 95 MHz, f/10 from there.
    Shape(Active(), [](double f) { return f < 95 ? 50.0 : f / 10; });

    Step(c, "CALC:SEL:FUNC:TYPE MAX;TYPE?", "\"MAX\"");
    Step(c, "CALC:SEL:FUNC:EXEC;POIN?;DATA?", "1;50,0");
    Step(c, "CALC:SEL:FUNC:DOM:STAR 1e8;STOP 1.5e8;STAT ON;STAT?", "1");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:FUNC:DOM:STAR?"), 1e8);
    EXPECT_DOUBLE_EQ(Active().FunctionStart, 100);
    Step(c, "CALC:SEL:FUNC:EXEC;DATA?", "15,0");
    Step(c, "CALC:SEL:FUNC:DOM:STAT OFF", "");
    Step(c, "CALC:SEL:FUNC:TYPE MEAN;EXEC;POIN?", "1");
    // An unknown type is stored and runs nothing: the last results stay.
    Step(c, "CALC:SEL:FUNC:TYPE XYZ;EXEC;TYPE?;POIN?", "\"XYZ\";1");
    // No peak anywhere: PEAK leaves nothing.
    Shape(Active(), [](double f) { return f / 10; });
    Step(c, "CALC:SEL:FUNC:TYPE PEAK;EXEC;POIN?;DATA?", "0;");

    // Two peaks, at 120 and 160 MHz: "ape" is stored as given and runs APE.
    Shape(Active(), [](double f) { return 10 * std::exp(-std::pow((f - 120) / 3, 2)) + 8 * std::exp(-std::pow((f - 160) / 3, 2)); });
    Step(c, "CALC:SEL:FUNC:TYPE \"ape\";TYPE?", "\"ape\"");
    Step(c, "CALC:SEL:FUNC:PEXC 1;PEXC?", "1");
    Step(c, "CALC:SEL:FUNC:EXEC;POIN?", "2");
    const std::vector<double> peaks = Numbers(c.Query("CALC:SEL:FUNC:DATA?").value_or(""));
    ASSERT_EQ(peaks.size(), 4u);
    EXPECT_NEAR(peaks[0], 10, 1e-9);
    EXPECT_NEAR(peaks[1], 1.2e8, 1);
    EXPECT_NEAR(peaks[2], 8, 1e-9);
    EXPECT_NEAR(peaks[3], 1.6e8, 1);
    Step(c, "CALC:SEL:FUNC:TYPE PEAK;EXEC", "");
    const std::vector<double> highest = Numbers(c.Query("CALC:SEL:FUNC:DATA?").value_or(""));
    ASSERT_EQ(highest.size(), 2u);
    EXPECT_NEAR(highest[0], 10, 1e-9);
    EXPECT_NEAR(highest[1], 1.2e8, 1);

    Step(c, "CALC:SEL:FUNC:PPOL BOTH;PPOL?", "BOTH");
    Step(c, "CALC:SEL:FUNC:PPOL sideways;PPOL?", "BOTH");
    Step(c, "CALC:SEL:FUNC:TTR neg;TTR?", "NEG");
    Step(c, "CALC:SEL:FUNC:DOM:COUP ON;COUP?", "1");

    // Group Delay: the target crosses in seconds.
    Step(c, "CALC:SEL:FORM GDEL;:CALC:SEL:FUNC:TARG 2e-9", "");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:FUNC:TARG?"), 2e-9);
    EXPECT_DOUBLE_EQ(Active().FunctionTarget, 2.0);
    Step(c, "CALC:SEL:FORM RLOS", "");

    // Statistics between markers 2 and 3 (tags 1 and 2) on a straight line: mean in the middle.
    Shape(Active(), [](double f) { return f; });
    Step(c, "CALC:SEL:MARK3:STAT ON;:CALC:SEL:MARK2:X 1.2e8;:CALC:SEL:MARK3:X 1.4e8", "");
    Step(c, "CALC:SEL:MST:DOM:MARK:STAR 1;STOP 2;STAR?;STOP?", "1;2");
    Step(c, "CALC:SEL:MST:DOM:STAT ON;STAT?;:CALC:SEL:MST:STAT ON;STAT?", "1;1");
    const std::vector<double> stats = Numbers(c.Query("CALC:SEL:MST:DATA?").value_or(""));
    ASSERT_EQ(stats.size(), 3u);
    // The values at both markers, then the points after 120 MHz up to 140 MHz.
    double sum = 120 + 140;
    for (int f = 121; f <= 140; ++f) sum += f;
    EXPECT_NEAR(stats[0], sum / 22, 1e-9);
    EXPECT_NEAR(stats[2], 20, 1e-9);
    EXPECT_GT(stats[1], 0);
    // Switched off, the last results stay.
    Step(c, "CALC:SEL:MST:STAT OFF", "");
    Shape(Active(), [](double) { return 3.0; });
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:MST:DATA?").value_or("")), stats);
    // The range goes off once marker 3 is gone.
    Step(c, "CALC:SEL:MARK:COUN 2;:CALC:SEL:MST:DOM:STAT?", "0");

    // Tags beyond 32 bits or no number at all: 222, in the DISP_E_EXCEPTION style.
    automation::Node sel = Selected();
    automation::Node mst = automation::child(sel, "MSTatistics").Value.asNode();
    automation::Node dom = automation::child(mst, "DOMain").Value.asNode();
    automation::Node mark = automation::child(dom, "MARKer").Value.asNode();
    for (double tag : {1e300, std::numeric_limits<double>::quiet_NaN(), -1e10}) {
      for (const char* member : {"STARt", "STOP"}) {
        const automation::CallResult r = automation::invoke(mark, member, CallKind::Put, {Variant(tag)});
        EXPECT_EQ(r.Outcome.Code, automation::kDispException);
        EXPECT_EQ(r.Outcome.ScpiNumber, 222);
      }
    }
    EXPECT_EQ(Markers().StatStart, 1);
    EXPECT_EQ(automation::invoke(mark, "STARt", CallKind::Put, {Variant(2.9)}).Outcome.Code, 0u);
    EXPECT_EQ(Markers().StatStart, 2);
  });
}

}  // namespace
