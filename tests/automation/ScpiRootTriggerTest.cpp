#include <string>

#include "ProgramRig.h"
#include "ScpiTestSteps.h"
#include "instrument/Device.h"
#include "platform/Tcp.h"

using automation::ScpiTestClient;
using automation::TScpiServer;
using namespace scpisteps;

namespace {

class ScpiRootTrigger : public ProgramRig {};

TScanner& Scanner() { return ScannerModule->GetScanner(); }

bool WaitState(int state) {
  return ui::EventLoop::WaitUntil([&] { return Scanner().GetState() == state; }, 20000);
}

TEST_F(ScpiRootTrigger, TriggerModeSourceAndAbortBehaveAsTheirTables) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    EXPECT_EQ(c.Query("*IDN?"), c.Query("NAME?"));
    EXPECT_EQ(c.Query("*IDN?").value_or("").rfind("Ostrak, ", 0), 0u);
    EXPECT_EQ(c.Query("READ?"), "1");

    struct Row {
      std::string line, reply, error;
    };
    const Row rows[] = {
        // ABORt under continuous restarts the sweep from the first channel.
        {"ABOR;INIT:CONT?", "1", kNone},
        {"OUTP:STAT 0;STAT?", "0", kNone},
        {"OUTP:STAT ON;STAT?", "1", kNone},
        // A put of false stops the sweep.
        {"INIT:CONT OFF;CONT?", "0", kNone},
        {"TRIG:SEQ:STAT?", "STOP", kNone},
        {"ABOR;:TRIG:SEQ:STAT?", "STOP", kNone},
        {"TRIG:SEQ:IMM", "", "211,\"Trigger system is not in the trigger wait state\""},
        {"TRIG:SEQ:SING", "", "211,\"Trigger system is not in the trigger wait state\""},
        // Source words: any case, longer texts, too short ones refused.
        {"TRIG:SEQ:SOUR bus;SOUR?", "BUS", kNone},
        {"TRIG:SEQ:SOUR int;SOUR?", "INT", kNone},
        {"TRIG:SEQ:SOUR BUSX;SOUR?", "BUS", kNone},
        {"TRIG:SEQ:SOUR BU;SOUR?", "BUS", "205,\"Invalid trigger source specifier\""},
        {"TRIG:SEQ:SOUR EXTERNAL;SOUR?", "EXT", kNone},
        {"TRIG:SEQ:SOUR INT;SOUR?", "INT", kNone},
        // *TRG under INT does nothing (a source change restarted a sweep even in hold).
        {"ABOR;*TRG;:TRIG:SEQ:STAT?", "STOP", kNone},
    };
    for (const Row& r : rows) Step(c, r.line, r.reply, r.error);

    // INITiate:IMMediate twice: the second is ignored while the single sweep runs.
    Step(c, "INIT;INIT", "", "213,\"Init ignored\"");
    EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Single);
    EXPECT_TRUE(ui::EventLoop::WaitUntil([] { return ScannerModule->TriggerMode == TScannerModule::Hold; }, 20000))
        << "the sweep's end returns to hold";
    Step(c, "INIT", "", kNone);
    // ABORt under single leaves hold.
    Step(c, "ABOR;:INIT:CONT?", "0", kNone);
    EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Hold);
    EXPECT_EQ(c.Query("TRIG:SEQ:STAT?"), "STOP");

    // *TRG under BUS with the state WAIT starts a sweep; IMMediate then finds no wait state.
    Step(c, "TRIG:SEQ:SOUR BUS;:INIT:CONT ON", "", kNone);
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    Step(c, "*TRG;:TRIG:SEQ:STAT?", "MEAS", kNone);
    Step(c, "TRIG:SEQ:IMM", "", "211,\"Trigger system is not in the trigger wait state\"");

    // SINGle returns after the sweep: WAIT again under continuous, STOP after a single sweep.
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    Step(c, "TRIG:SEQ:SING;STAT?", "WAIT", kNone);
    Step(c, "TRIG:SEQ:IMM;STAT?", "MEAS", kNone);
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    Step(c, "INIT:CONT OFF;:INIT;:TRIG:SEQ:STAT?", "WAIT", kNone);
    Step(c, "TRIG:SEQ:SING;STAT?", "STOP", kNone);

    // While disconnected an accepted word changes nothing.
    Scanner().Connected = false;
    Step(c, "TRIG:SEQ:SOUR INT", "", kNone);
    Scanner().Connected = true;
    EXPECT_EQ(c.Query("TRIG:SEQ:SOUR?"), "BUS");

    // A link lost during SINGle's wait ends it with 200.
    Step(c, "INIT:CONT ON", "", kNone);
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    platform::Tcp::NextTurn([] { Scanner().Connected = false; }, 0);
    Step(c, "TRIG:SEQ:SING", "", "200,\"Execution error\"");
    Scanner().Connected = true;
    // *RST: preset, then hold.
    Step(c, "*RST;:INIT:CONT?", "0", kNone);
    EXPECT_EQ(c.Query("TRIG:SEQ:SOUR?"), "INT");
  });
}

// The server in the running program: one command at a time, never nested.
class ScpiServerInProgram : public ProgramRig {};

TEST_F(ScpiServerInProgram, ACommandSentDuringSinglesWaitRunsAfterIt) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient a(server);
    ScpiTestClient b(server);
    ASSERT_TRUE(a.Command("TRIG:SEQ:SOUR BUS;:INIT:CONT ON"));
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    bool sentDuringWait = false;
    a.Feed("TRIG:SEQ:SING;*OPC?\n");
    // The next turns come while SINGle waits: b's query queues behind it.
    platform::Tcp::NextTurn(
        [&] {
          sentDuringWait = Scanner().GetState() == TScanner::MEAS;
          b.Feed("TRIG:SEQ:STAT?\n");
        },
        1);
    ASSERT_TRUE(ui::EventLoop::WaitUntil([&] { return !a.Pending().empty() && !b.Pending().empty(); }, 20000));
    EXPECT_TRUE(sentDuringWait);
    EXPECT_EQ(a.TakeLine(), "1");
    EXPECT_EQ(b.TakeLine(), "WAIT") << "it ran after the sweep, not inside the wait";

    // A client that closes inside SINGle's wait: its lock goes once the command returns.
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    const size_t before = server.ConnectionCount();
    a.Feed("TRIG:SEQ:SING\n");
    platform::Tcp::NextTurn([&] { a.Close(); }, 1);
    EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return server.ConnectionCount() == before - 1; }, 20000));
    EXPECT_EQ(b.Query("*OPC?"), "1");

    // The server closing during SINGle ends the wait with 200 (the program's stop does this).
    ASSERT_TRUE(WaitState(TScanner::WAIT));
    b.Feed("TRIG:SEQ:SING\n");
    bool closed = false;
    platform::Tcp::NextTurn(
        [&] {
          server.Close();
          closed = true;
        },
        1);
    EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return closed && server.ConnectionCount() == 0; }, 20000));
    EXPECT_TRUE(b.ClosedByServer());
  });
}

}  // namespace
