#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "ProgramRig.h"
#include "ScpiTestSteps.h"
#include "calibration/CalibratorModule.h"
#include "platform/Clock.h"
#include "model/Services.h"
#include "platform/Paths.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;
using namespace scpisteps;

namespace {

// The computer's clock for the running program: steady time from the real clock (the sweep and
// the timers go on), the wall time as the fake setter last set it. The machine's clock is never
// touched.
class FakeTime : public platform::Clock, public platform::SystemTimeSetter {
 public:
  int64_t steadyMs() override { return real_.steadyMs(); }
  int64_t steadyNs() override { return real_.steadyNs(); }
  platform::LocalTime localTime() override { return now_; }
  bool setDate(int year, int month, int day, std::string& reason) override {
    if (!refusal_.empty()) return reason = refusal_, false;
    now_.year = year, now_.month = month, now_.day = day;
    ++sets_;
    return true;
  }
  bool setTime(int hour, int minute, int second, std::string& reason) override {
    if (!refusal_.empty()) return reason = refusal_, false;
    now_.hour = hour, now_.minute = minute, now_.second = second;
    ++sets_;
    return true;
  }
  platform::LocalTime now_{2020, 6, 15, 8, 0, 0, 0};
  std::string refusal_;
  int sets_ = 0;

 private:
  platform::SystemClock real_;
};

class ScpiSystem : public ProgramRig {};

bool WindowEnabled() { return MainFrm->isEnabled(); }

TEST_F(ScpiSystem, RemoteStateAndVisibilityReachTheMainWindow) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "SYST:REM", "");
    EXPECT_FALSE(WindowEnabled());
    Step(c, "SYST:RWL", "");
    EXPECT_FALSE(WindowEnabled()) << "remote with lock keeps it disabled";
    EXPECT_EQ(MainFrm->GetRemoteState(), 2);
    Step(c, "SYST:LOC", "");
    EXPECT_TRUE(WindowEnabled());

    ASSERT_TRUE(MainFrm->isVisible());
    Step(c, "SYST:HIDE", "");
    EXPECT_FALSE(MainFrm->isVisible());
    EXPECT_TRUE(WindowEnabled()) << "hiding does not change whether the window takes input";
    EXPECT_EQ(c.Query("*IDN?").value_or("").rfind("Ostrak, ", 0), 0u) << "the program goes on hidden";
    Step(c, "SYST:SHOW", "");
    EXPECT_TRUE(MainFrm->isVisible());

    // PRESet keeps the trigger mode the preset leaves (continuous), unlike *RST.
    Step(c, "INIT:CONT OFF;:SYST:PRES;:INIT:CONT?", "1");
    Step(c, "*RST;:INIT:CONT?", "0");
  });
}

TEST_F(ScpiSystem, DateAndTimeAreCheckedThenSetThroughTheSetter) {
  FakeTime fake;
  platform::ScopedClock clock(fake);
  platform::ScopedTimeSetter setter(fake);
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "SYST:DATE?", "2020,6,15");
    Step(c, "SYST:DATE 2013,12,5;DATE?", "2013,12,5");
    Step(c, "SYST:TIME 12.9,30.2,5.7;TIME?", "12,30,5");
    EXPECT_EQ(fake.sets_, 2);

    struct Row {
      const char* line;
      const char* error;
    };
    const Row refused[] = {
        {"SYST:DATE 2013,12", "220,\"Parameter error\""},
        {"SYST:DATE 2013,12,5,1", "220,\"Parameter error\""},
        {"SYST:DATE", "220,\"Parameter error\""},
        {"SYST:TIME 1,2", "220,\"Parameter error\""},
        {"SYST:DATE 2013,13,1", "222,\"Data out of range\""},
        {"SYST:DATE 2013,2,30", "222,\"Data out of range\""},
        {"SYST:DATE 2013,257,1", "222,\"Data out of range\""},
        {"SYST:DATE 1969,12,31", "222,\"Data out of range\""},
        {"SYST:DATE 2013,12,0", "222,\"Data out of range\""},
        {"SYST:DATE 1e10,1,1", "222,\"Data out of range\""},
        {"SYST:TIME 24,0,0", "222,\"Data out of range\""},
        {"SYST:TIME 12,60,0", "222,\"Data out of range\""},
        {"SYST:TIME 12,0,-1", "222,\"Data out of range\""},
    };
    for (const Row& r : refused) EXPECT_EQ(ErrorOf(c, r.line), r.error) << r.line;
    EXPECT_EQ(fake.sets_, 2) << "nothing set after a refusal";
    Step(c, "SYST:DATE?", "2013,12,5");

    // In-process: NaN and 1e10 refused, a leap day accepted.
    automation::Node sys = NodeAt({{"SYSTem"}});
    EXPECT_EQ(invoke(sys, "TIME", CallKind::Put, {Variant(std::vector<double>{std::nan(""), 0, 0})}).Outcome.ScpiNumber,
              222);
    EXPECT_EQ(invoke(sys, "DATE", CallKind::Put, {Variant(std::vector<double>{2024, 2, 29})}).Outcome.Code, 0u);
    EXPECT_EQ(invoke(sys, "DATE", CallKind::Put, {Variant(std::vector<double>{})}).Outcome.ScpiNumber, 220);
    EXPECT_EQ(invoke(sys, "DATE", CallKind::Put, {Variant("2013-12-05")}).Outcome.ScpiNumber, 220);

    // A system that refuses (no right to set the clock): 200 with its reason.
    fake.refusal_ = "Operation not permitted";
    EXPECT_EQ(ErrorOf(c, "SYST:TIME 1,2,3"), "200,\"The time cannot be set: Operation not permitted\"");
    EXPECT_EQ(ErrorOf(c, "SYST:DATE 2014,1,1"), "200,\"The date cannot be set: Operation not permitted\"");
    Step(c, "SYST:DATE?;TIME?", "2024,2,29;12,30,5");
  });
}

TEST_F(ScpiSystem, DistanceUnitCorrectionAndBeepers) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "SYST:DTFU metres;DTFU?", "METR");
    Step(c, "SYST:DTFU ft;DTFU?", "FT");
    Step(c, "SYST:DTFU XX;DTFU?", "FT", "224,\"Illegal parameter value\"");
    Step(c, "SYST:DTFU SECONDS;DTFU?", "SEC");

    Step(c, "SYST:CORR:STAT?", "1");
    Step(c, "SYST:CORR:STAT OFF;STAT?", "0");
    EXPECT_TRUE(CalibratorModule->GetSystemCorrectionOff());
    Step(c, "SYST:CORR:STAT ON;STAT?", "1");
    EXPECT_FALSE(CalibratorModule->GetSystemCorrectionOff());

    Step(c, "SYST:BEEP:COMP:STAT ON;STAT?", "0");
    Step(c, "SYST:BEEP:WARN:STAT 1;STAT?;IMM", "0");
    Step(c, "SYST:BEEP:COMP:IMM", "");
  });
}

TEST_F(ScpiSystem, CableTableSelectionAndFiles) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    const int count = ScannerModule->CableStds.Count();
    ASSERT_GT(count, 1);
    Step(c, "SYST:CABL:COUN?", std::to_string(count));
    Step(c, "SYST:CABL:ACT 2;ACT?", "2");
    const std::string second = ScannerModule->CableStds[2].GetName();
    Step(c, "SYST:CABL:NAME?", "\"" + second + "\"");
    Step(c, "SYST:CABL:ACT " + std::to_string(count) + ";ACT?", "2", "222,\"Data out of range\"");
    Step(c, "SYST:CABL:ACT -1;ACT?", "2", "222,\"Data out of range\"");
    Step(c, "SYST:CABL:ACT 2147483648;ACT?", "2", "222,\"Data out of range\"");
    // Entry 0 is the user's own entry, named in the program's language.
    Step(c, "SYST:CABL:ACT 0;NAME?", "\"" + TranslateText("User Defined") + "\"");

    // In-process the selection members report in the DISP_E_EXCEPTION style.
    automation::Node cable = NodeAt({{"SYSTem"}, {"CABLe"}});
    automation::CallResult bad = invoke(cable, "ACTive", CallKind::Put, {Variant(int32_t(count))});
    EXPECT_EQ(bad.Outcome.Code, automation::kDispException);
    EXPECT_EQ(bad.Outcome.Description, "Data out of range");
    EXPECT_EQ(invoke(cable, "ACTive", CallKind::Put, {Variant(int32_t(-1))}).Outcome.Code, automation::kDispException);

    Step(c, "SYST:CABL:VEL 0.66;VEL?;ACT?", "0.66;0");
    Step(c, "SYST:CABL:CLOS 0.25;CLOS?", "0.25");
    Step(c, "SYST:CABL:CSTA ON;CSTA?", "1");

    // Save, change the table, load it back.
    Step(c, "SYST:CABL:SAVE \"mine\"", "");
    const std::string file = platform::Paths::dataRoot() + "/Cable/mine.cbl";
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    const TCableStds saved = ScannerModule->CableStds;
    ScannerModule->CableStds.Delete(1);
    ASSERT_NE(ScannerModule->CableStds, saved);
    Step(c, "SYST:CABL:LOAD \"mine.cbl\"", "");
    EXPECT_EQ(ScannerModule->CableStds, saved);

    // A missing list is an error and changes nothing; so is a name outside the data root.
    ScannerModule->CableStds.Delete(1);
    const TCableStds changed = ScannerModule->CableStds;
    EXPECT_EQ(ErrorOf(c, "SYST:CABL:LOAD \"nosuch\""), "200,\"File not found: nosuch\"");
    EXPECT_EQ(ScannerModule->CableStds, changed);
    EXPECT_EQ(ErrorOf(c, "SYST:CABL:LOAD \"../x\"").rfind("200,\"File name not allowed: ../x", 0), 0u);
    EXPECT_EQ(ErrorOf(c, "SYST:CABL:SAVE \"/tmp/x\"").rfind("200,\"File name not allowed: /tmp/x", 0), 0u);
    EXPECT_EQ(ScannerModule->CableStds, changed);
  });
}

// TERMinate returns at once; the main window then closes through its normal shut-down, once.
TEST_F(ScpiSystem, TerminateClosesTheProgramOnce) {
  int closes = 0;
  bool shutDown = false;
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    std::function<void()> previous = MainFrm->OnClosed;
    MainFrm->OnClosed = [&, previous] {
      ++closes;
      if (previous) previous();
    };
    EXPECT_TRUE(c.Command("SYST:TERM"));
    shutDown = ui::EventLoop::WaitUntil([] { return MainFrm == nullptr || MainFrm->IsShutDown(); }, 10000);
  });
  EXPECT_TRUE(shutDown);
  EXPECT_EQ(closes, 1);
}

}  // namespace
