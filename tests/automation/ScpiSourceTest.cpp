#include <string>

#include "ProgramRig.h"
#include "ScpiTestSteps.h"
#include "model/Range.h"

using automation::CallKind;
using automation::CallResult;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;
using namespace scpisteps;

namespace {

class ScpiSource : public ProgramRig {};

TEST_F(ScpiSource, PowerValuesLevelAndPortNodes) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    // The instrument's power range is 0 dBm to 0 dBm: every power put reads back 0.
    Step(c, "SOUR:POW:LEV:IMM:AMPL -10;AMPL?", "0");
    Step(c, "SOUR:POW:STAR 5;STAR?", "0");
    Step(c, "SOUR:POW:STOP -20;STOP?", "0");
    Step(c, "SOUR:POW:CENT 3;CENT?;SPAN 10;SPAN?", "0;0");
    // The slope is the channel's own, limited by its setter.
    Step(c, "SOUR:POW:LEV:SLOP:DATA 0;DATA?", "0");
    EXPECT_TRUE(c.Command("SOUR:POW:LEV:SLOP:DATA 5"));
    const double slope = MainFrm->GetChannel(0)->PowerSlope;
    EXPECT_GE(slope, 0.0);
    EXPECT_LE(slope, 2.0);
    EXPECT_EQ(c.Query("SOUR:POW:LEV:SLOP:DATA?"), c.Query("SOUR1:POW:LEV:SLOP:DATA?"));
    EXPECT_EQ(MainFrm->GetChannel(0)->OutputPower, 0.0);
    Step(c, "SOUR2:POW:LEV:IMM:AMPL?", "", "201,\"Channel index out of range\"");

    // The power level is shared: a change fires the settings change once and restarts.
    {
      ChangeCount changes(ScannerModule->OnSettingsChange);
      Step(c, "SOUR:POW:LEV:STAT low;STAT?", "LOW");
      EXPECT_EQ(changes.count, 1);
      EXPECT_TRUE(ScannerModule->GetScanner().LowPower);
      EXPECT_NE(ScannerModule->GetScanner().GetState(), TScanner::STOP) << "the sweep runs again";
      Step(c, "SOUR:POW:LEV:STAT LOWER;STAT?", "LOW");
      EXPECT_EQ(changes.count, 1) << "an equal value changes nothing";
      Step(c, "SOUR:POW:LEV:STAT XX;STAT?", "LOW", "224,\"Illegal parameter value\"");
      Step(c, "SOUR:POW:LEV:STAT HIGH;STAT?", "HIGH");
    }

    // In-process the level's put reports in the DISP_E_EXCEPTION style.
    automation::Node level = NodeAt({{"SOURce", {Variant(int32_t(1))}}, {"POWer"}, {"LEVel"}});
    CallResult bad = invoke(level, "STATe", CallKind::Put, {Variant("XX")});
    EXPECT_EQ(bad.Outcome.Code, automation::kDispException);
    EXPECT_EQ(bad.Outcome.Description, "Illegal parameter value");

    // Port nodes: 1..2, fixed answers.
    Step(c, "SOUR:POW:PORT3:CORR:STAT?", "", "114,\"Header suffix out of range\"");
    Step(c, "SOUR:POW:PORT0:CORR:STAT?", "", "114,\"Header suffix out of range\"");
    Step(c, "SOUR:POW:PORT2:CORR:STAT?", "1");
    Step(c, "SOUR:POW:PORT2:CORR:STAT OFF;STAT?", "1");
    Step(c, "SOUR:POW:PORT1:CORR:COLL:ACQ", "");
    Step(c, "SOUR:POW:PORT1:CORR:DATA 1,2", "");
    automation::Node corr = NodeAt({{"SOURce", {Variant(int32_t(1))}}, {"POWer"}, {"PORT", {Variant(int32_t(2))}},
                                    {"CORRection"}});
    CallResult data = invoke(corr, "DATA", CallKind::Get);
    EXPECT_TRUE(data.Outcome.Ok());
    EXPECT_TRUE(data.Value.isEmpty());
  });
}

}  // namespace
