// The nodes below DISPlay:WINDow<Ch> over SCPI and in-process, in the running program
// (demonstration mode).
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ProgramRig.h"
#include "ScpiTestSteps.h"
#include "automation/AutomationCore.h"
#include "display/RangeView.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

using namespace automation;
using namespace scpisteps;

namespace {

const std::string k201 = "201,\"Channel index out of range\"";
const std::string k202 = "202,\"Trace index out of range\"";

TRangeView& View(int i) { return *MainFrm->GetView(i); }

class ScpiWindowNodes : public ProgramRig {};

TEST_F(ScpiWindowNodes, WindowSettingsAreLimitedAsTheWindowLimitsThem) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    ChangeCount changes(View(0).OnChange);
    struct Case {
      std::string line, reply, error;
    };
    const Case rows[] = {
        {"DISP:SPL 1;SPL?", "1", kNone},
        {"DISP:WIND:Y:SCAL:DIV 7;DIV?", "6", kNone},
        {"DISP:WIND:Y:SCAL:DIV 3;DIV?", "4", kNone},
        {"DISP:WIND:Y:SCAL:DIV 25;DIV?", "20", kNone},
        {"DISP:WIND:Y:SCAL:DIV -5;DIV?", "4", kNone},
        {"DISP:WIND:Y:SCAL:DIV 0;DIV?", "4", kNone},
        {"DISP:WIND:Y:SCAL:DIV 1e9;DIV?", "20", kNone},
        {"DISP:WIND:Y:SCAL:DIV 1e10", "", "222,\"Data out of range\""},
        {"DISP:WIND1:Y:SCAL:DIV 10;DIV?", "10", kNone},
        // Markers not coupled: horizontal is refused; unknown words are ignored.
        {"DISP:WIND:ANN:MARK:ALIG:TYPE HOR;TYPE?", "NONE", kNone},
        {"DISP:WIND:ANN:MARK:ALIG:TYPE \"vertical\";TYPE?", "VERT", kNone},
        {"DISP:WIND:ANN:MARK:ALIG:TYPE BOGUS;TYPE?", "VERT", kNone},
        {"DISP:WIND:ANN:MARK:ALIG:TYPE none;TYPE?", "NONE", kNone},
        {"DISP:WIND:ANN:MARK:SING:STAT OFF;STAT?", "0", kNone},
        {"DISP:WIND:ANN:MARK:SING:STAT ON;STAT?", "1", kNone},
        {"DISP:WIND:X:SPAC \"OBAS\";SPAC?", "\"\"", kNone},
        {"DISP:WIND:SPL 3;SPL?", "1", kNone},
        {"DISP:WIND:TRAC:STAT 0;STAT?", "1", kNone},
        {"DISP:WIND:TRAC:MEM:STAT 1;STAT?", "0", kNone},
        {"DISP:WIND:TRAC:ANN:MARK:POS:X 150;X?", "100", kNone},
        {"DISP:WIND:TRAC:ANN:MARK:POS:X -5;X?", "0", kNone},
        {"DISP:WIND:TRAC:ANN:MARK:POS:X 33.9;X?", "33", kNone},
        {"DISP:WIND:TRAC:ANN:MARK:POS:X 1e300;X?", "33", "222,\"Data out of range\""},
        {"DISP:WIND:TRAC:ANN:MARK:POS:Y 66.99;Y?", "66", kNone},
        {"DISP:WIND:TRAC:ANN:MARK:POS:Y -0.5;Y?", "0", kNone},
        {"DISP:WIND:TRAC:Y:SCAL:RPOS 20;RPOS?", "10", kNone},
        {"DISP:WIND:TRAC:Y:SCAL:RPOS -3;RPOS?", "0", kNone},
        {"DISP:WIND:TRAC:Y:SCAL:RPOS 5;RPOS?", "5", kNone},
        {"DISP:WIND0:Y:SCAL:DIV?", "", k201},
        {"DISP:WIND2:Y:SCAL:DIV?", "", k201},
        {"DISP:WIND:TRAC5:STAT?", "", k202},
        {"DISP:WIND:TRAC2:STAT?", "", k202},
    };
    for (const Case& r : rows) Step(c, r.line, r.reply, r.error);

    // The title redraws without a change event; hiding it keeps the text.
    changes.count = 0;
    const int64_t before = View(0).InvalidationCount;
    Step(c, "DISP:WIND:TITL:DATA \"Filter, \"\"B\"\"\";DATA?", "\"Filter, \"\"B\"\"\"", kNone);
    EXPECT_EQ(View(0).MeasCaption, "Filter, \"B\"");
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return View(0).InvalidationCount > before; }, 2000));
    Step(c, "DISP:WIND:TITL:STAT 1;STAT?", "1", kNone);
    Step(c, "DISP:WIND:TITL:STAT 0;STAT?;DATA?", "0;\"Filter, \"\"B\"\"\"", kNone);

    // Coupled markers take the horizontal alignment.
    View(0).GetTraces()->SetMarkerCouple(true);
    Step(c, "DISP:WIND:ANN:MARK:ALIG:TYPE HORIZONTAL;TYPE?", "HOR", kNone);

    // The memory state follows the trace's memory, whatever is written.
    TMeasurement* trace = View(0).GetTraces()->GetMeasurement(0);
    ASSERT_TRUE(trace->Memories->StoreData());
    Step(c, "DISP:WIND:TRAC:MEM:STAT 0;STAT?", "1", kNone);
    trace->Memories->Clear();
    Step(c, "DISP:WIND:TRAC:MEM:STAT?", "0", kNone);

    // Group Delay: the client speaks seconds, the trace keeps nanoseconds.
    trace->SetFormatText("GDEL");
    Step(c, "DISP:WIND:TRAC:Y:SCAL:PDIV 1e-9", "", kNone);
    EXPECT_DOUBLE_EQ(trace->GetScaleDiv(), 1.0);
    EXPECT_DOUBLE_EQ(std::stod(c.Query("DISP:WIND:TRAC:Y:SCAL:PDIV?").value_or("0")), 1e-9);
    Step(c, "DISP:WIND:TRAC:Y:SCAL:RLEV 2e-8", "", kNone);
    EXPECT_DOUBLE_EQ(trace->GetRefValue(), 20.0);
    EXPECT_DOUBLE_EQ(std::stod(c.Query("DISP:WIND:TRAC:Y:SCAL:RLEV?").value_or("0")), 2e-8);
    // Other formats keep their display units.
    trace->SetFormatText("SWR");
    Step(c, "DISP:WIND:TRAC:Y:SCAL:PDIV 0.5;PDIV?", "0.5", kNone);
    Step(c, "DISP:WIND:TRAC:Y:SCAL:AUTO", "", kNone);
  });
}

TEST_F(ScpiWindowNodes, KeptNodesLookTheirWindowAndTraceUpAtEachCall) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "DISP:SPL 6", "", kNone);
    Node display = Walk(createApplication(), {{"SCPI", 0}, {"DISPlay", 0}});
    ASSERT_NE(display, nullptr);

    // A window node of channel 3, kept while the count drops to 2: ACTivate reaches the last
    // shown channel; over SCPI the path is checked anew.
    Node third = Walk(display, {{"WINDow", 3}});
    ASSERT_NE(third, nullptr);
    Step(c, "DISP:SPL 2", "", kNone);
    Step(c, "DISP:WIND1:ACT", "", kNone);
    EXPECT_EQ(MainFrm->ActiveViewIndex, 0);
    EXPECT_TRUE(invoke(third, "ACTivate", CallKind::Call).Outcome.Ok());
    EXPECT_EQ(MainFrm->ActiveViewIndex, 1);
    Step(c, "DISP:WIND3:ACT", "", k201);

    // A trace node kept while its trace is deleted: every member fails with 202.
    TMeasureList* list = View(0).GetTraces();
    list->AddMeasurement(0, 16);
    ASSERT_EQ(list->GetCount(), 2);
    Node window = Walk(display, {{"WINDow", 1}});
    Node trace = Walk(window, {{"TRACe", 2}});
    Node scale = Walk(trace, {{"Y", 0}, {"SCALe", 0}});
    Node memory = Walk(trace, {{"MEMory", 0}});
    Node position = Walk(trace, {{"ANNotation", 0}, {"MARKer", 0}, {"POSition", 0}});
    ASSERT_TRUE(scale && memory && position);
    EXPECT_TRUE(invoke(scale, "PDIVision", CallKind::Get).Outcome.Ok());
    list->SetActive(1);
    list->DeleteActiveMeasurement();
    ASSERT_EQ(list->GetCount(), 1);
    struct Call {
      Node node;
      const char* member;
      CallKind kind;
      std::vector<Variant> args;
    };
    const Call calls[] = {
        {trace, "STATe", CallKind::Get, {}},
        {trace, "STATe", CallKind::Put, {Variant(true)}},
        {scale, "AUTO", CallKind::Call, {}},
        {scale, "PDIVision", CallKind::Get, {}},
        {scale, "PDIVision", CallKind::Put, {Variant(1.0)}},
        {scale, "RLEVel", CallKind::Get, {}},
        {scale, "RLEVel", CallKind::Put, {Variant(1.0)}},
        {scale, "RPOSition", CallKind::Get, {}},
        {scale, "RPOSition", CallKind::Put, {Variant(int32_t{3})}},
        {memory, "STATe", CallKind::Get, {}},
        {memory, "STATe", CallKind::Put, {Variant(false)}},
        {position, "X", CallKind::Get, {}},
        {position, "X", CallKind::Put, {Variant(10.0)}},
        {position, "Y", CallKind::Get, {}},
        {position, "Y", CallKind::Put, {Variant(10.0)}},
    };
    for (const Call& k : calls) {
      CallResult r = invoke(k.node, k.member, k.kind, k.args);
      EXPECT_EQ(r.Outcome.ScpiNumber, 202) << k.node->Row.Interface << " " << k.member;
      EXPECT_EQ(r.Outcome.Code, ResultCodeOf(202));
      EXPECT_EQ(r.Outcome.Description, "Trace index out of range");
    }
    // The same node works again once a second trace exists.
    list->AddMeasurement(0, 16);
    EXPECT_TRUE(invoke(scale, "RPOSition", CallKind::Get).Outcome.Ok());

    // Positions: non-finite and out-of-range numbers are refused before they become integers.
    Node first = Walk(window, {{"TRACe", 1}, {"ANNotation", 0}, {"MARKer", 0}, {"POSition", 0}});
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(invoke(first, "X", CallKind::Put, {Variant(40.0)}).Outcome.Ok());
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300,
                       -3e9}) {
      for (const char* member : {"X", "Y"}) {
        CallResult r = invoke(first, member, CallKind::Put, {Variant(bad)});
        EXPECT_EQ(r.Outcome.ScpiNumber, 222) << member << " " << bad;
      }
    }
    CallResult x = invoke(first, "X", CallKind::Get);
    ASSERT_TRUE(x.Outcome.Ok());
    EXPECT_EQ(x.Value.asDouble(), 40.0);
  });
}

}  // namespace
