#include <climits>
#include <string>
#include <vector>

#include "ScpiSenseRig.h"
#include "automation/AutomationCore.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

using automation::ScpiTestClient;
using automation::TScpiServer;
using namespace sensetest;

namespace {

class ScpiCorrectionNodes : public ProgramRig {};

const std::string k200 = "200,\"Execution error\"";
const std::string k202 = "202,\"Trace index out of range\"";
const std::string k222 = "222,\"Data out of range\"";

TCalibr& Cal(int i) { return *MainFrm->GetView(i)->UserCalibration; }
TMeasurement& Trace(int channel, int i) { return *MainFrm->GetView(channel)->GetTraces()->GetMeasurement(i); }

TEST_F(ScpiCorrectionNodes, EdgeCasesHoldAsTables) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    FourChannels();
    MainFrm->SetActiveView(0);
    ASSERT_TRUE(c.Command("INIT:CONT OFF"));

    // The switch is instrument-wide: off through channel 1 reads off through channel 3.
    Steps(c, {{"SENS1:CORR:STAT 0;:SENS3:CORR:STAT?", "0", kNone}});
    EXPECT_TRUE(CalibratorModule->UserCorrectionOff);
    Steps(c, {{"SENS:CORR:TYPE? 1", "NONE,1,1", kNone}});
    Steps(c, {{"SENS2:CORR:STAT ON;:SENS4:CORR:STAT?", "1", kNone}});

    // TYPE reads the active channel's methods for the port of the node channel's trace.
    Cal(0).Method[0] = cmF1;
    Cal(0).Method[1] = cmRT;
    Steps(c, {
                 {"SENS:CORR:TYPE? 1", "SOLT1,1,1", kNone},
                 {"SENS:CORR:TYPE? 0", "", k202},
                 {"SENS:CORR:TYPE? 2", "", k202},
                 {"SENS:CORR:TYPE? -2147483648", "", k202},
                 {"SENS:CORR:TYPE?", "", "-109,\"Missing parameter\""},
             });
    Trace(1, 0).Port = 1;
    Steps(c, {{"SENS2:CORR:TYPE? 1", "RESPT,2,1", kNone}});
    Trace(1, 0).Port = 2;
    Steps(c, {{"SENS2:CORR:TYPE? 1", "NONE,2,1", kNone}});
    Trace(1, 0).Port = 0;
    Cal(0).Method[0] = cmROS;
    Steps(c, {{"SENS2:CORR:TYPE? 1", "NONE,1,1", kNone}});
    Cal(0).Method[0] = cmF1;
    Steps(c, {{"SENS:CORR:STAT OFF;TYPE? 1", "NONE,1,1", kNone}, {"SENS:CORR:STAT ON", "", kNone}});

    // CLEar through channel 2 clears every channel's calibration.
    for (int i = 0; i < 4; ++i) Cal(i).Method[0] = cmRO;
    Steps(c, {{"SENS2:CORR:CLE", "", kNone}});
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Cal(i).Method[0], cmNone) << "channel " << i + 1;

    Steps(c, {
                 {"SENS:CORR:IMP:INP:MAGN 1000;MAGN?", "250", kNone},
                 {"SENS:CORR:IMP:INP:MAGN 2;MAGN?", "5", kNone},
                 {"SENS:CORR:IMP:INP:MAGN 75;MAGN?", "75", kNone},
                 {"SENS:CORR:IMP:INP:MAGN 50", "", kNone},
                 {"SENS:CORR:REC7:STAT?", "0", kNone},
                 {"SENS:CORR:REC7:STAT 1;STAT?", "0", kNone},
                 {"SENS:CORR:REC0:COLL:ACQ 1", "", kNone},
             });

    // The port extension of the active channel, whatever channel the node was made for.
    Steps(c, {{"SENS2:CORR:EXT:PORT1:TIME 1e-9;TIME?", "1e-09", kNone}});
    EXPECT_EQ(Ch(0).GetPortExtension(0), 1e-9);
    EXPECT_EQ(Ch(1).GetPortExtension(0), 0.0);
    const std::vector<Row> ext = {
        {"SENS:CORR:EXT:PORT2:TIME 2e-9;TIME?", "2e-09", kNone},
        {"SENS:CORR:EXT:PORT3:TIME 1e-9", "", k200},
        {"SENS:CORR:EXT:PORT3:TIME?", "", k200},
        {"SENS:CORR:EXT:PORT0:TIME?", "", k200},
        {"SENS:CORR:EXT:STAT ON;STAT?", "1", kNone},
        {"SENS:CORR:EXT:PORT1:LDC 0.25;LDC?", "0.25", kNone},
        {"SENS:CORR:EXT:PORT1:LOSS 0,1.5;LOSS? 0", "1.5", kNone},
        {"SENS:CORR:EXT:PORT1:LOSS 1,2.5;LOSS? 1", "2.5", kNone},
        {"SENS:CORR:EXT:PORT1:LOSS? 2", "", k222},
        {"SENS:CORR:EXT:PORT1:LOSS -1,3", "", k222},
        {"SENS:CORR:EXT:PORT1:FREQ 0,1500;FREQ? 0", "1500", kNone},
        {"SENS:CORR:EXT:PORT2:FREQ 1,2500;FREQ? 1", "2500", kNone},
        {"SENS:CORR:EXT:PORT1:FREQ? 2", "", k222},
        {"SENS:CORR:EXT:PORT1:INCL1:STAT ON;STAT?", "1", kNone},
        {"SENS:CORR:EXT:PORT1:INCL2:STAT ON;STAT?", "1", kNone},
        {"SENS:CORR:EXT:PORT1:INCL0:STAT?", "", k222},
        {"SENS:CORR:EXT:PORT1:INCL3:STAT 1", "", k222},
    };
    Steps(c, ext);
    const TRange& a = Ch(0);
    EXPECT_TRUE(a.PortExtensionsEnabled);
    EXPECT_EQ(a.GetPortExtension(1), 2e-9);
    EXPECT_EQ(a.ExtLoss1, 1.5);
    EXPECT_EQ(a.ExtLoss2, 2.5);
    EXPECT_EQ(a.ExtFreq1, 1500.0);
    EXPECT_EQ(a.ExtFreq2, 2500.0);
    EXPECT_EQ(a.ExtLossAtDC, 0.25);
    EXPECT_TRUE(a.ExtLoss1Enabled && a.ExtLoss2Enabled);
    EXPECT_FALSE(Ch(1).PortExtensionsEnabled);

    // In-process, selectors and ports at the ends of 32 bits reach nothing.
    using automation::CallKind;
    automation::Node scpi = automation::child(automation::createApplication(), "SCPI").Value.asNode();
    automation::Node sense = automation::child(scpi, "SENSe", {2}).Value.asNode();
    automation::Node corr = automation::child(sense, "CORRection").Value.asNode();
    automation::Node extension = automation::child(corr, "EXTension").Value.asNode();
    for (int32_t n : {INT32_MIN, -2, 0, 3, INT32_MAX}) {
      SCOPED_TRACE(n);
      automation::CallResult port = automation::child(extension, "PORT", {n});
      ASSERT_TRUE(port.Outcome.Ok());
      EXPECT_EQ(automation::invoke(port.Value.asNode(), "TIME", CallKind::Get).Outcome.ScpiNumber, 200);
      automation::Node one = automation::child(extension, "PORT", {1}).Value.asNode();
      EXPECT_EQ(automation::invoke(one, "LOSS", CallKind::Get, {n}).Outcome.ScpiNumber, n == 0 ? 0 : 222);
      automation::Node include = automation::child(one, "INCLude", {n}).Value.asNode();
      EXPECT_EQ(automation::invoke(include, "STATe", CallKind::Get).Outcome.ScpiNumber, 222);
      EXPECT_EQ(automation::invoke(corr, "TYPE", CallKind::Get, {n}).Outcome.ScpiNumber, 202);
      automation::Node receiver = automation::child(corr, "RECeiver", {n}).Value.asNode();
      EXPECT_TRUE(automation::invoke(receiver, "STATe", CallKind::Get).Outcome.Ok());
    }
    // Non-finite impedances are ignored.
    automation::Node input =
        automation::child(automation::child(corr, "IMPedance").Value.asNode(), "INPut").Value.asNode();
    EXPECT_TRUE(automation::invoke(input, "MAGNitude", CallKind::Put, {NAN}).Outcome.Ok());
    EXPECT_EQ(CalKitsModule->GetReferenceImpedance(), 50.0);
  });
}

}  // namespace
