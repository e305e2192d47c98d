// The CALCulate channel node, its trace nodes and data arrays and the active trace's settings,
// driven through SCPI in the running program.
#include <cmath>
#include <string>
#include <vector>

#include "CalcRig.h"
#include "automation/AutomationCore.h"
#include "model/NumberText.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MemoryList.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;

namespace {

class ScpiTraceNodes : public CalcRig {};

TEST_F(ScpiTraceNodes, SettingsOfTheActiveTraceFollowTheirTable) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(101, 100, 200);
    struct Row {
      std::string line, reply, error;
    };
    const Row rows[] = {
        // Log Mag is no format of S11: accepted as a word, then ignored.
        {"CALC1:SEL:FORM mlog;FORM?", "RLOS", kNone},
        {"CALC:SEL:FORM XYZ;FORM?", "RLOS", "209,\"Invalid format specifier\""},
        {"CALC:SEL:FORM phase;FORM?", "PHAS", kNone},
        {"CALC:SEL:FORM SWRatio;FORM?", "SWR", kNone},
        {"CALC:SEL:FORM RLOS;FORM?", "RLOS", kNone},
        // Data math needs a memory.
        {"CALC:SEL:MATH:FUNC DIV;FUNC?", "NORM", kNone},
        {"CALC:SEL:MATH:FUNC bogus;FUNC?", "NORM", "210,\"Invalid data math specifier\""},
        {"CALC:SEL:SMO:APER 50;APER?", "20", kNone},
        {"CALC:SEL:SMO:APER 0;APER?", "0.01", kNone},
        {"CALC:SEL:SMO:STAT ON;STAT?", "1", kNone},
        {"CALC:SEL:SMO:STAT OFF;STAT?", "0", kNone},
        {"CALC:SEL:CORR:EDEL:TIME 20;TIME?", "10", kNone},
        {"CALC:SEL:CORR:EDEL:TIME 0;TIME?", "0", kNone},
        {"CALC:SEL:CORR:OFFS:PHAS -400;PHAS?", "-360", kNone},
        {"CALC:SEL:CORR:OFFS:PHAS 0;PHAS?", "0", kNone},
        {"CALC:SEL:MAXH:STAT ON;STAT?", "1", kNone},
        {"CALC:SEL:MAXH:STAT OFF;STAT?", "0", kNone},
        {"CALC:SEL:CONV:FUNC ADM;FUNC?", "ADM", kNone},
        {"CALC:SEL:CONV:FUNC xyz;FUNC?", "ADM", "217,\"Invalid conversion specifier\""},
        {"CALC:SEL:CONV:FUNC IMP;FUNC?", "IMP", kNone},
        // Names must match exactly; others change nothing.
        {"CALC:PAR1:DEF \"s11\";DEF?", "\"S11\"", kNone},
        {"CALC:PAR1:SPOR 7;SPOR?", "1", kNone},
        {"CALC:PAR2:DEF?", "", "202,\"Trace index out of range\""},
        {"CALC:SEL:MARK17:STAT?", "", "203,\"Marker index out of range\""},
        {"CALC:SEL:MARK0:STAT?", "", "203,\"Marker index out of range\""},
        {"CALC:SEL:DATA:FMEM?", "0,0", kNone},
        {"CALC:SEL:DATA:SMEM?", "0,0", kNone},
        {"CALC:TRAC1:DATA:FMEM?", "0,0", kNone},
    };
    for (const Row& r : rows) Step(c, r.line, r.reply, r.error);

    // Smith (Lin) has no keyword: an empty line.
    Active().SetFormat(8);
    Step(c, "CALC:SEL:FORM?", "");
    Step(c, "CALC:SEL:FORM RLOS", "");

    // Group Delay reads seconds: 2.5 ns is 2.5e-9 (the engine's ns divided once).
    Step(c, "CALC:SEL:FORM GDEL", "");
    Shape(Active(), [](double) { return 2.5; });
    const std::vector<double> gd = Numbers(c.Query("CALC:SEL:DATA:FDAT?").value_or("0"));
    ASSERT_EQ(gd.size(), 202u);
    EXPECT_DOUBLE_EQ(gd[0], 2.5e-9);
    EXPECT_DOUBLE_EQ(gd[1], 0.0);
    EXPECT_DOUBLE_EQ(gd[200], 2.5e-9);
    EXPECT_EQ(c.Query("CALC:TRAC1:DATA:FDAT?"), c.Query("CALC:SEL:DATA:FDAT?"));
    Step(c, "CALC:SEL:FORM RLOS", "");

    // MEMorize twice: one memory, holding the second data (stored from 51 points, where the
    // first one kept its 101 after the channel changed).
    TMeasurement& t = Active();
    Step(c, "CALC:SEL:MATH:MEM", "");
    Grid(51, 100, 200);
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:DATA:SMEM?").value_or("0")).size(), 202u);
    Step(c, "CALC:SEL:MATH:MEM", "");
    EXPECT_EQ(t.Memories->GetCount(), 1);
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:DATA:SMEM?").value_or("0")).size(), 102u);
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:DATA:FMEM?").value_or("0")).size(), 102u);
    Step(c, "CALC:SEL:MATH:FUNC DIV;FUNC?", "DIV");
    Step(c, "CALC:SEL:MATH:FUNC NORM;FUNC?", "NORM");

    // DTF SWR switches the transform on: the markers and the reference go.
    Step(c, "CALC:SEL:MARK3:STAT ON;:CALC:SEL:MARK16:STAT ON;:CALC:SEL:MARK:COUN?", "3");
    Step(c, "CALC:SEL:FORM DSWR;FORM?", "DSWR");
    Step(c, "CALC:SEL:MARK:COUN?;:CALC:SEL:MARK16:STAT?", "0;0");
    EXPECT_EQ(Active().Markers->GetCount(), 0);
    Step(c, "CALC:SEL:FORM RLOS", "");
  });
}

TEST_F(ScpiTraceNodes, TraceCountIsLimitedAndStaleNodesFail) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    // Names as the program writes them, quoted over SCPI; a receiver port makes Abs A or B.
    Step(c, "CALC:PAR1:DEF \"Abs A\";DEF?;SPOR?", "\"Abs A\";1");
    Step(c, "CALC:SEL:CONV:FUNC?;:CALC:SEL:FORM?", ";MLOG");
    Step(c, "CALC:SEL:FORM SMIT;FORM?", "MLOG");
    Step(c, "CALC:PAR1:SPOR 2;DEF?;SPOR?", "\"Abs B\";2");
    Step(c, "CALC:PAR1:DEF \"S11\";DEF?", "\"S11\"");
    // Three: two S11 Return Loss traces added, the last one active.
    Step(c, "CALC1:PAR1:COUN 3;COUN?", "3");
    EXPECT_EQ(Traces().ActiveMeasurement, 2);
    Step(c, "CALC:PAR3:DEF?;:CALC:SEL:FORM?", "\"S11\";RLOS");
    Step(c, "CALC:PAR2:SEL", "");
    EXPECT_EQ(Traces().ActiveMeasurement, 1);
    Step(c, "CALC:TRAC4:DATA:FDAT?", "", "202,\"Trace index out of range\"");
    struct Row {
      std::string value, count, error;
    };
    const Row rows[] = {
        {"9", "4", kNone},  {"0", "1", kNone}, {"5", "4", kNone},       {"-5", "1", kNone},
        {"2", "2", kNone},  {"2147483648", "2", "222,\"Data out of range\""},
        {"1", "1", kNone},
    };
    for (const Row& r : rows) Step(c, "CALC:PAR:COUN " + r.value + ";COUN?", r.count, r.error);

    // In-process, a node made while trace 2 existed fails once it is gone.
    Step(c, "CALC:PAR:COUN 2", "");
    automation::Node app = automation::createApplication();
    automation::Node scpi = automation::child(app, "SCPI").Value.asNode();
    automation::Node calc = automation::child(scpi, "CALCulate", {Variant(int32_t(1))}).Value.asNode();
    automation::Node trace = automation::child(calc, "TRACe", {Variant(int32_t(2))}).Value.asNode();
    automation::Node data = automation::child(trace, "DATA").Value.asNode();
    automation::Node par = automation::child(calc, "PARameter", {Variant(int32_t(2))}).Value.asNode();
    EXPECT_TRUE(automation::invoke(data, "FDATa", CallKind::Get).Outcome.Ok());
    Step(c, "CALC:PAR:COUN 1", "");
    for (auto [node, member] : {std::pair{data, "FDATa"}, {data, "SDATa"}, {par, "DEFine"}, {par, "SPORt"}}) {
      SCOPED_TRACE(member);
      const automation::CallResult r = automation::invoke(node, member, CallKind::Get);
      EXPECT_EQ(r.Outcome.ScpiNumber, 202);
      EXPECT_EQ(r.Outcome.Code, automation::ResultCodeOf(202));
      EXPECT_EQ(r.Outcome.Description, "Trace index out of range");
    }
    EXPECT_EQ(automation::invoke(par, "SELect", CallKind::Call).Outcome.ScpiNumber, 202);
    EXPECT_EQ(automation::child(calc, "TRACe", {Variant(int32_t(2))}).Outcome.ScpiNumber, 202);
  });
}

}  // namespace
