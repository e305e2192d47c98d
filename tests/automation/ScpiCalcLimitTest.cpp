// The limit and ripple nodes and the time-domain nodes of a channel, driven through SCPI in the
// running program on traces whose values the test sets.
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CalcRig.h"
#include "automation/AutomationCore.h"
#include "instrument/ScannerModule.h"
#include "model/NumberText.h"
#include "traces/LimitLine.h"
#include "traces/RippleLine.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;

namespace {

class ScpiLimitNodes : public CalcRig {};
class ScpiTimeDomainNodes : public CalcRig {};

automation::Node LimitNode(const char* name) { return automation::child(CalcRig::Selected(), name).Value.asNode(); }

const std::string kBadLimit = "214,\"Invalid limit data\"";

TEST_F(ScpiLimitNodes, TablesLoadWholeOrNotAtAll) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(101, 100, 200);
    Shape(Active(), [](double) { return -20.0; });
    const std::vector<double> table{1, 1, 1e8, 2e8, -10, -10};
    Step(c, "CALC:SEL:LIM:DATA 1,1,1e8,2e8,-10,-10", "");
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:LIM:DATA?").value_or("")), table);
    Step(c, "CALC:SEL:LIM:DATA 0;DATA?", "0");
    Step(c, "CALC:SEL:LIM:DATA 1.9,1,1e8,2e8,-10,-10", "");
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:LIM:DATA?").value_or("")), table);
    Step(c, "CALC:SEL:LIM:OFFS:AMPL 2;STIM 1e6", "");
    // Every bad table leaves the line and both offsets as they were.
    for (const char* bad : {"", "2,1,1,2,3,4", "1,3,1e8,2e8,0,0", "1,-1,1e8,2e8,0,0", "-1", "1000000000", "10001",
                            "1,1,1e8,2e8,-10", "1,1,1e8,2e8,-10,-10,0"}) {
      Step(c, std::string("CALC:SEL:LIM:DATA ") + bad, "", kBadLimit);
    }
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:LIM:DATA?").value_or("")), table);
    EXPECT_EQ(Number(c, "CALC:SEL:LIM:OFFS:AMPL?"), 2);
    EXPECT_EQ(Number(c, "CALC:SEL:LIM:OFFS:STIM?"), 1e6);
    TLimitLine& line = *Active().LimitLine;
    automation::Node limit = LimitNode("LIMit");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const std::vector<double>& bad : {std::vector<double>{1, 1, 1e8, nan, 0, 0}, {nan},
                                            {1, 1, 1e8, 2e8, std::numeric_limits<double>::infinity(), 0}}) {
      EXPECT_EQ(automation::invoke(limit, "DATA", CallKind::Put, {Variant(bad)}).Outcome.ScpiNumber, 214);
    }
    EXPECT_EQ(line.GetSegmentCount(), 1);
    EXPECT_EQ(line.GetRelativeValue(), 2);
    // A code of 2.5 is 2, a lower limit; the offsets go to 0.
    Step(c, "CALC:SEL:LIM:DATA 1,2.5,1e8,2e8,-30,-30;OFFS:AMPL?", "0");
    EXPECT_EQ(line.GetSegments()[0].LimitType, TLimitLine::kLimitLower);
    // The files' limit: 10000 segments in 50001 values load, one more value does not.
    std::vector<double> big{10000};
    for (int i = 0; i < 10000; ++i) big.insert(big.end(), {1, 1e8 + i * 1e3, 1e8 + i * 1e3 + 500, -10, -10});
    EXPECT_TRUE(automation::invoke(limit, "DATA", CallKind::Put, {Variant(big)}).Outcome.Ok());
    EXPECT_EQ(line.GetSegmentCount(), 10000);
    big.push_back(0);
    EXPECT_EQ(automation::invoke(limit, "DATA", CallKind::Put, {Variant(big)}).Outcome.ScpiNumber, 214);
    EXPECT_EQ(line.GetSegmentCount(), 10000);
    // A begin above the end ends at the end; values beyond the format's range are clamped.
    Step(c, "CALC:SEL:LIM:DATA 1,1,2e8,1.5e8,-5000,5000", "");
    EXPECT_EQ(line.GetSegments()[0].BegArgument, 150);
    EXPECT_EQ(line.GetSegments()[0].EndArgument, 150);
    EXPECT_EQ(line.GetSegments()[0].BegValue, Active().GetMinValue());
    EXPECT_EQ(line.GetSegments()[0].EndValue, Active().GetMaxValue());

    // Group Delay: limit values cross in seconds.
    Step(c, "CALC:SEL:FORM GDEL;:CALC:SEL:LIM:DATA 1,1,1e8,2e8,5e-9,5e-9", "");
    EXPECT_DOUBLE_EQ(line.GetSegments()[0].BegValue, 5.0);
    EXPECT_DOUBLE_EQ(Numbers(c.Query("CALC:SEL:LIM:DATA?").value_or(""))[4], 5e-9);
    Step(c, "CALC:SEL:FORM RLOS", "");

    // Ripple: 4N+1 values, codes 0 and 1.
    Step(c, "CALC:SEL:RLIM:DATA 1,2,1e8,2e8,1", "", kBadLimit);
    Step(c, "CALC:SEL:RLIM:DATA 1,1,1e8,2e8", "", kBadLimit);
    Step(c, "CALC:SEL:RLIM:DATA 2,0,1e8,1.5e8,1,1,1.5e8,2e8,1", "");
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:RLIM:DATA?").value_or("")),
              (std::vector<double>{2, 0, 1e8, 1.5e8, 1, 1, 1.5e8, 2e8, 1}));
    Step(c, "CALC:SEL:RLIM:DISP:VAL?;SEL?", "\"\";0");
    Step(c, "CALC:SEL:RLIM:DISP:VAL \"x\";SEL 3;LINE ON;LINE?", "1");
    Step(c, "CALC:SEL:LIM:OFFS:MARK", "");

    // Random tables, in-process: each loads whole (N segments) or fails with 214 leaving the
    // line as it was; nothing else happens.
    std::mt19937 rng(7);
    auto pick = [&](std::initializer_list<double> v) { return *(v.begin() + rng() % v.size()); };
    automation::Node ripple = LimitNode("RLIMit");
    int loaded = 0;
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
      SCOPED_TRACE(round);
      const bool isLimit = round % 2 == 0;
      const size_t width = isLimit ? 5 : 4;
      const int n = static_cast<int>(rng() % 6);
      std::vector<double> v{rng() % 5 == 0 ? pick({-1, 1e9, n + 0.5, n + 1.0, nan}) : n};
      for (int i = 0; i < n; ++i) {
        v.push_back(rng() % 6 == 0 ? pick({3, -1, 2.5, 1.9, nan, 1e300}) : static_cast<double>(rng() % 2));
        for (size_t k = 1; k < width; ++k) v.push_back(rng() % 20 == 0 ? nan : std::uniform_real_distribution<>(-2e8, 4e8)(rng));
      }
      if (rng() % 5 == 0) v.resize(rng() % (v.size() + 2));
      const std::vector<double> before = Numbers(c.Query(isLimit ? "CALC:SEL:LIM:DATA?" : "CALC:SEL:RLIM:DATA?").value_or(""));
      const automation::CallResult r = automation::invoke(isLimit ? limit : ripple, "DATA", CallKind::Put, {Variant(v)});
      const std::vector<double> after = Numbers(c.Query(isLimit ? "CALC:SEL:LIM:DATA?" : "CALC:SEL:RLIM:DATA?").value_or(""));
      if (r.Outcome.Ok()) {
        ++loaded;
        EXPECT_EQ(after.size(), width * size_t(std::trunc(v[0])) + 1);
      } else {
        ++refused;
        EXPECT_EQ(r.Outcome.ScpiNumber, 214);
        EXPECT_EQ(after, before);
      }
    }
    EXPECT_GT(loaded, 50);
    EXPECT_GT(refused, 50);
  });
}

TEST_F(ScpiLimitNodes, ReportsAgreeWithTheTestPointByPoint) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(101, 100, 200);
    // -20 everywhere but -5 at 125 and at 150 MHz.
    Shape(Active(), [](double f) { return std::fabs(f - 125) < 0.1 || std::fabs(f - 150) < 0.1 ? -5.0 : -20.0; });
    Step(c, "CALC:SEL:LIM:STAT ON;FAIL?", "0");
    // One upper segment between points, one upper and one lower over 140..160 (the lower one
    // later in the table passes what the upper one fails), one ending on the last point.
    Step(c,
         "CALC:SEL:LIM:DATA 4,1,1.205e8,1.305e8,-10,-10,1,1.4e8,1.6e8,-10,-10,2,1.4e8,1.6e8,-30,-30,"
         "1,1.9e8,2e8,-10,-10;FAIL?",
         "1");
    Step(c, "CALC:SEL:LIM:REP:POIN?", "2");
    EXPECT_EQ(Numbers(c.Query("CALC:SEL:LIM:REP:DATA?").value_or("")), (std::vector<double>{1.25e8, 1.5e8}));
    const std::vector<double> all = Numbers(c.Query("CALC:SEL:LIM:REP:ALL?").value_or(""));
    ASSERT_EQ(all.size(), 404u);
    for (int p = 0; p < 101; ++p) {
      SCOPED_TRACE(p);
      const double f = 100 + p;
      const double* e = &all[4 * size_t(p)];
      EXPECT_DOUBLE_EQ(e[0], f * 1e6);
      const bool covered = (f >= 121 && f <= 130) || (f >= 140 && f <= 160) || f >= 190;
      const bool fails = f == 125 || f == 150;
      EXPECT_EQ(e[1], !covered ? -1 : fails ? 0 : 1);
      EXPECT_EQ(e[2], covered ? -10 : 0);
      EXPECT_EQ(e[3], f >= 140 && f <= 160 ? -30 : 0);
    }
    // With the test off the results stay until the table changes; a new table is not tested.
    Step(c, "CALC:SEL:LIM:STAT OFF;FAIL?", "1");
    Step(c, "CALC:SEL:LIM:DATA 1,1,1e8,2e8,-30,-30;FAIL?;REP:POIN?;DATA?", "0;0;");

    // Ripple: only the second segment is tested, its 15 dB ripple over a 1 dB limit.
    Step(c, "CALC:SEL:RLIM:DATA 2,0,1e8,1.4e8,1,1,1.4e8,2e8,1;STAT ON;FAIL?", "1");
    Step(c, "CALC:SEL:RLIM:REP:DATA?", "1,2,15,1");
    Step(c, "CALC:SEL:RLIM:DATA 1,1,1.6e8,2e8,1;FAIL?;REP:DATA?", "0;1,1,0,0");
  });
}

TEST_F(ScpiTimeDomainNodes, TransformAndGateFollowTheirWordsAndLimits) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(101, 100, 200);
    const TTimeDomainSettings& td = View().TimeDomain;
    struct Row {
      std::string line, reply, error;
    };
    const Row rows[] = {
        {"CALC:SEL:TRAN:TIME:KBES 20;KBES?", "13", kNone},
        {"CALC:SEL:TRAN:TIME:KBES -1;KBES?", "0", kNone},
        {"CALC:SEL:TRAN:TIME:KBES 6.0004;KBES?", "6", kNone},
        {"CALC:SEL:TRAN:KWIN?", "NORM", kNone},
        {"CALC:SEL:TRAN:TIME:KBES 4.5;:CALC:SEL:TRAN:KWIN?", "", kNone},
        {"CALC:SEL:TRAN:KWIN maximum;KWIN?", "MAX", kNone},
        {"CALC:SEL:TRAN:KWIN other;KWIN?", "MAX", kNone},
        {"CALC:SEL:FILT:GATE:TIME:SHAP MA;SHAP?", "NORM", "218,\"Invalid gating shape specifier\""},
        {"CALC:SEL:FILT:GATE:TIME:SHAP wide;SHAP?", "WIDE", kNone},
        {"CALC:SEL:FILT:GATE:TIME:TYPE Notch;TYPE?", "NOTC", kNone},
        {"CALC:SEL:FILT:GATE:TIME:TYPE xyz;TYPE?", "NOTC", "219,\"Invalid gating type specifier\""},
        {"CALC:SEL:FILT:GATE:TIME:STAT ON;STAT?", "1", kNone},
        {"CALC:SEL:FILT:GATE:TIME:STAT OFF;STAT?", "0", kNone},
        {"CALC:SEL:TRAN:TIME:STIM IMP;STIM?", "IMP", kNone},
        {"CALC:SEL:TRAN:TIME:TYPE LPAS;TYPE?;STIM?", "LPAS;IMP", kNone},
        {"CALC:SEL:TRAN:TIME:STIM STEP;STIM?", "STEP", kNone},
        {"CALC:SEL:TRAN:TIME:TYPE LPAS;TYPE?;STIM?", "LPAS;STEP", kNone},
        {"CALC:SEL:TRAN:TIME:TYPE BPAS;TYPE?", "BPAS", kNone},
        {"CALC:SEL:TRAN:TIME:STAT ON;STAT?", "0", kNone},
        {"CALC:SEL:TRAN:TIME:LPFR", "", kNone},
    };
    for (const Row& r : rows) Step(c, r.line, r.reply, r.error);
    EXPECT_EQ(td.GatingShape, 2);

    Step(c, "CALC:SEL:TRAN:TIME:STAR -2e-8;STOP 3e-8", "");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:TRAN:TIME:STAR?"), -2e-8);
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:TRAN:TIME:CENT?"), td.GetTransformCenter());
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:TRAN:TIME:SPAN?"), 5e-8);
    Step(c, "CALC:SEL:FILT:GATE:TIME:STAR -1e-9;STOP 4e-9", "");
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:FILT:GATE:TIME:SPAN?"), 5e-9);
    EXPECT_DOUBLE_EQ(Number(c, "CALC:SEL:FILT:GATE:TIME:CENT?"), 1.5e-9);

    // Distance in metres with velocity factor 1: 1.5 m one way is a stop of 1.5 / (c / 2).
    ScannerModule->MetricSystem = TScannerModule::UnitMetres;
    ScannerModule->SetVelocityFactor(1.0);
    Step(c, "CALC:SEL:TRAN:DIST:MAX 1.5", "");
    EXPECT_NEAR(Number(c, "CALC:SEL:TRAN:TIME:STOP?"), 1.5 / (0.5 * 299792458.0), 1e-20);
    EXPECT_NEAR(Number(c, "CALC:SEL:TRAN:DIST:MAX?"), 1.5, 1e-9);
    // In seconds the distance members speak nanoseconds.
    ScannerModule->MetricSystem = TScannerModule::UnitSeconds;
    Step(c, "CALC:SEL:TRAN:DIST:SPAN 2", "");
    EXPECT_NEAR(Number(c, "CALC:SEL:TRAN:TIME:SPAN?"), 2e-9, 1e-21);
    EXPECT_NEAR(Number(c, "CALC:SEL:TRAN:DIST:SPAN?"), 2, 1e-9);
    ScannerModule->MetricSystem = TScannerModule::UnitMetres;

    // The resolution: a put changes only beta.
    Step(c, "CALC:SEL:TRAN:TIME:KBES 6", "");
    const double width = Number(c, "CALC:SEL:TRAN:TIME:IMP:WIDT?");
    EXPECT_GT(width, 0);
    const double start = td.TransformStart;
    Step(c, "CALC:SEL:TRAN:TIME:IMP:WIDT " + FloatToText(width * 1.2), "");
    EXPECT_GT(td.Beta, 6);
    EXPECT_EQ(td.TransformStart, start);
    EXPECT_NEAR(Number(c, "CALC:SEL:TRAN:TIME:STEP:RTIM?"), Number(c, "CALC:SEL:TRAN:TIME:IMP:WIDT?"), 1e-21);

    // The transform runs while the active trace shows a distance format.
    Step(c, "CALC:SEL:FORM DSWR;:CALC:SEL:TRAN:TIME:STAT?", "1");
    Step(c, "CALC:SEL:FORM RLOS;:CALC:SEL:TRAN:TIME:STAT?", "0");
  });
}

}  // namespace
