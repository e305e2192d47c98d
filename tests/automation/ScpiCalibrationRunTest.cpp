#include <QTimer>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "ScpiSenseRig.h"
#include "automation/AutomationCore.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "widgets/LbButton.h"
#include "widgets/WaitFrm.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using namespace sensetest;

namespace {

class ScpiCalibrationRun : public ProgramRig {};

const std::string k200 = "200,\"Execution error\"";
const std::string k220 = "220,\"Parameter error\"";
const std::string k222 = "222,\"Data out of range\"";

TCalibr& ActiveCal() { return *CalibratorModule->GetUserCalibr(); }

// The emulator's port applies its error box to whatever the calibration sweep connects (the
// kit's ideal standards); the solve must give that box back.
TEST_F(ScpiCalibrationRun, AOnePortCalibrationRecoversTheEmulatorsErrorBox) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    ASSERT_TRUE(Emulator()->IsRealisticPort());
    QuietCalibrationStimulus(c);
    Steps(c, {{"SENS:CORR:COLL:METH:SOLT1 1;TYPE?", "SOLT1", kNone}});
    CalibrateOnePort(c, driver);
    Steps(c, {{"SENS:CORR:TYPE? 1", "SOLT1,1,1", kNone}});

    struct Term {
      const char* name;
      TComplex (*value)(const TDemoPort::TTerms&);
    };
    const Term terms[] = {{"ES", [](const TDemoPort::TTerms& t) { return t.Es; }},
                          {"ER", [](const TDemoPort::TTerms& t) { return t.Er; }},
                          {"ED", [](const TDemoPort::TTerms& t) { return t.Ed; }}};
    for (const Term& t : terms) {
      SCOPED_TRACE(t.name);
      const std::vector<double> v = Numbers(c.Query(std::string("SENS:CORR:COEF:DATA? ") + t.name + ",1,1"));
      ASSERT_EQ(v.size(), 42u);
      for (int i = 0; i < 21; ++i) {
        const TComplex want = t.value(TDemoPort::RealisticTerms(100.0 + 50.0 * i));
        EXPECT_NEAR(v[2 * static_cast<size_t>(i)], want.Re, 1e-5) << "point " << i;
        EXPECT_NEAR(v[2 * static_cast<size_t>(i) + 1], want.Im, 1e-5) << "point " << i;
      }
    }
    // Names compare exactly: a lower-case name and the transmission names give zeros.
    for (const char* line : {"SENS:CORR:COEF:DATA? es,1,1", "SENS:CORR:COEF:DATA? ET,2,1",
                             "SENS:CORR:COEF:DATA? EX,1,2", "SENS:CORR:COEF:DATA? XYZ,1,1"}) {
      const std::vector<double> v = Numbers(c.Query(line));
      EXPECT_EQ(v, std::vector<double>(42, 0.0)) << line;
    }
    // The active channel's calibration, through any channel's node.
    FourChannels();
    EXPECT_EQ(Numbers(c.Query("SENS2:CORR:COEF:DATA? ER,1,1")).size(), 42u);
  });
}

TEST_F(ScpiCalibrationRun, ASweepThatCannotRunFailsAndACancelStoresNothing) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    QuietCalibrationStimulus(c);
    TScanner& scanner = ScannerModule->GetScanner();

    // Disconnected: 200 at once, no wait box.
    scanner.Connected = false;
    Steps(c, {{"SENS:CORR:COLL:ACQ:OPEN 1", "", k200}});
    scanner.Connected = true;
    EXPECT_FALSE(ActiveCal().HasStandard(ckOpen, 0));
    // In standby: the same.
    scanner.SetStandby(true);
    if (scanner.GetStandby()) {
      Steps(c, {{"SENS:CORR:COLL:ACQ:SHOR 1", "", k200}});
      scanner.SetStandby(false);
    }
    ASSERT_FALSE(scanner.GetStandby());
    EXPECT_FALSE(ActiveCal().HasStandard(ckShort, 0));

    // The emulator takes its time again: the Cancel comes while the sweep runs.
    Emulator()->SetSleeper([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    bool pressed = false;
    driver.OnNextModal([&](ui::Form& form) {
      auto* box = dynamic_cast<TWaitFrm*>(&form);
      ASSERT_NE(box, nullptr);
      QTimer::singleShot(300, &form, [&, box] {
        pressed = true;
        driver.Press(*box->btCancel);
      });
    });
    Steps(c, {{"SENS:CORR:COLL:ACQ:LOAD 1", "", kNone}});
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(ActiveCal().HasStandard(ckLoad, 0));
    EXPECT_FALSE(ActiveCal().IsStandardSelected(ckLoad, 0));

    // The link lost during the sweep: nothing stored, and 200 once the sweep has ended.
    bool lost = false;
    driver.OnNextModal([&](ui::Form& form) {
      QTimer::singleShot(300, &form, [&] {
        lost = true;
        ScannerModule->GetScanner().Connected = false;
      });
    });
    Steps(c, {{"SENS:CORR:COLL:ACQ:OPEN 1", "", k200}});
    scanner.Connected = true;
    EXPECT_TRUE(lost);
    EXPECT_FALSE(ActiveCal().HasStandard(ckOpen, 0));
  });
}

TEST_F(ScpiCalibrationRun, EdgeCasesHoldAsATable) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    QuietCalibrationStimulus(c);
    const std::string m = "SENS:CORR:COLL:METH:";
    Steps(c, {
                 {m + "SOLT1 1;TYPE?", "SOLT1", kNone},
                 {m + "SOLT1 2;TYPE?", "SOLT1", k222},
                 {m + "SOLT1 0", "", k222},
                 {m + "RESP:THRU 2,1;:" + m + "TYPE?", "RESPT", kNone},
                 {m + "RESP:THRU 1,2", "", k222},
                 {m + "RESP:THRU 2,1,1", "", k220},
                 {m + "RESP:THRU 2", "", k220},
                 {m + "RESP:THRU", "", k220},
                 {m + "RESP:OPEN 1;:" + m + "TYPE?", "RESPO", kNone},
                 {m + "RESP:SHOR 1;:" + m + "TYPE?", "RESPS", kNone},
                 {m + "RESP:SHOR 2", "", k222},
                 {m + "ERES 2,1;TYPE?", "1PATH", kNone},
                 {m + "ERES 2,2", "", k220},
                 {m + "ERES 1,2", "", k222},
                 {m + "ERES 2,3", "", k222},
                 {m + "ERES 2,0", "", k222},
                 {m + "ERES 2,-2147483648", "", k222},
                 {m + "ERES 2,2147483647", "", k222},
                 {m + "SOLT2 1,2,3", "", kNone},
                 {"SENS:CORR:COLL:ACQ:ISOL 1,2", "", kNone},
                 {"SENS:CORR:COLL:ACQ:OPEN 2", "", k222},
                 {"SENS:CORR:COLL:ACQ:THRU 2,2", "", k222},
                 {"SENS:CORR:COLL:ACQ:THRU 2,1,5", "", k220},
                 {"SENS:CORR:COLL:DATA:OPEN? 1", kEmpty, kNone},
                 {"SENS:CORR:COLL:DATA:OPEN? 2", "", k222},
                 {"SENS:CORR:COLL:DATA:LOAD 1,0.5,0.5", "", kNone},
                 {"SENS:CORR:COLL:DATA:SHOR 0,0.5", "", k222},
                 {"SENS:CORR:COLL:DATA:ISOL? 1,2", kEmpty, kNone},
                 {"SENS:CORR:COLL:DATA:THRU:MATC? 2,1", kEmpty, kNone},
                 {"SENS:CORR:COLL:DATA:THRU:TRAN 1,2,1", "", k222},
                 {"SENS:CORR:COLL:DATA:THRU:TRAN? 2,2", "", k222},
             });
    EXPECT_EQ(ActiveCal().RequestedMethod[0], cmOP);
    EXPECT_EQ(ActiveCal().RequestedMethod[1], cmOP);

    // The thru of a one-port instrument: a sweep that measures nothing, and no error.
    driver.OnNextModal([](ui::Form&) {});
    Steps(c, {{"SENS:CORR:COLL:ACQ:THRU 2,1", "", kNone}});

    // In-process shapes: arrays of 0, 1 and 3 elements, a 2-D one, a number; {2, NaN}.
    automation::Node node = automation::child(automation::createApplication(), "SCPI").Value.asNode();
    node = automation::child(node, "SENSe", {1}).Value.asNode();
    for (const char* step : {"CORRection", "COLLect", "METHod"}) node = automation::child(node, step).Value.asNode();
    automation::Array2D square{2, 2, {2.0, 1.0, 2.0, 1.0}};
    const std::vector<std::pair<automation::Variant, int>> shapes = {
        {std::vector<double>{}, 220},
        {std::vector<double>{2}, 220},
        {std::vector<double>{2, 1, 1}, 220},
        {square, 220},
        {automation::Variant(2.0), 220},
        {std::vector<double>{2, NAN}, 222},
        {std::vector<automation::Variant>{2, 1}, 0},
    };
    for (const auto& [value, error] : shapes) {
      EXPECT_EQ(automation::invoke(node, "ERESponse", CallKind::Put, {value}).Outcome.ScpiNumber, error);
    }

    // CLEar drops the selection marks and keeps the measured standards (the solve works from
    // those); SAVE with a method the standards do not allow leaves the slot without one, no error.
    CalibrateOnePort(c, driver);
    ASSERT_EQ(ActiveCal().GetPortMethod(0), cmF1);
    Steps(c, {{"SENS:CORR:COLL:METH:SOLT1 1;:SENS:CORR:COLL:CLE", "", kNone}});
    EXPECT_FALSE(ActiveCal().IsStandardSelected(ckLoad, 0));
    EXPECT_TRUE(ActiveCal().HasStandard(ckLoad, 0));
    Steps(c, {{"SENS:CORR:COLL:SAVE;:SENS:CORR:TYPE? 1", "SOLT1,1,1", kNone}});
    Steps(c, {{"SENS:CORR:CLE;:SENS:CORR:COLL:SAVE;:SENS:CORR:TYPE? 1", "NONE,1,1", kNone}});

    // Through the node of channel 3 while channel 1 is active: channel 1's calibration.
    FourChannels();
    MainFrm->SetActiveView(0);
    driver.OnNextModal([](ui::Form&) {});
    Steps(c, {{"SENS3:CORR:COLL:ACQ:OPEN 1", "", kNone}});
    EXPECT_TRUE(MainFrm->GetView(0)->UserCalibration->IsStandardSelected(ckOpen, 0));
    EXPECT_FALSE(MainFrm->GetView(2)->UserCalibration->HasStandard(ckOpen, 0));
  });
}

}  // namespace
