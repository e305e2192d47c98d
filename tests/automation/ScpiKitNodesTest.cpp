#include <cmath>
#include <string>
#include <vector>

#include "ScpiSenseRig.h"
#include "ScpiTestSteps.h"
#include "automation/AutomationCore.h"
#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalStd.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using namespace sensetest;

namespace {

class ScpiKitNodes : public ProgramRig {};

const std::string k114 = "114,\"Header suffix out of range\"";

TCalKits& Kits() { return CalKitsModule->GetKits(); }
TCalStd& Std(int position) { return *Kits().GetSelected()->GetStandard(position); }

TEST_F(ScpiKitNodes, EdgeCasesHoldAsTables) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    const std::string kCkit = "SENS:CORR:COLL:CKIT:";
    const int count = Kits().GetCount();
    Steps(c, {
                 {kCkit + "SEL?", std::to_string(Kits().GetSelectedIndex() + 1), kNone},
                 {kCkit + "SEL 1;SEL?", "1", kNone},
                 // Outside the list: nothing happens, no error.
                 {kCkit + "SEL 0;SEL?", "1", kNone},
                 {kCkit + "SEL 99;SEL?", "1", kNone},
                 {kCkit + "SEL -2147483648;SEL?", "1", kNone},
                 {kCkit + "SEL " + std::to_string(count + 1) + ";SEL?", "1", kNone},
                 {kCkit + "SEL " + std::to_string(count) + ";SEL?", std::to_string(count), kNone},
                 // The 75-ohm kit brings its Load's impedance as the reference.
                 {kCkit + "SEL 2;SEL?", "2", kNone},
                 {"SENS:CORR:IMP:INP:MAGN?", "75", kNone},
                 {kCkit + "SEL 3", "", kNone},
                 // The factor table holds: 41.095 is 4.1095e-14 F.
                 {kCkit + "STAN2:C0 41.095", "", kNone},
                 {kCkit + "STAN4:TYPE?", "THRU", kNone},
                 {kCkit + "STAN1:TYPE?;:" + kCkit + "STAN3:TYPE?", "SHORt;LOAD", kNone},
                 {kCkit + "STAN4:TYPE OPEN;TYPE?", "THRU", kNone},
                 {kCkit + "STAN5:C0?", "", k114},
                 {kCkit + "STAN0:C0?", "", k114},
                 {kCkit + "STAN2:ARB?", "0", kNone},
                 {kCkit + "STAN2:ARB 5;ARB?", "0", kNone},
                 {kCkit + "ORD:LOAD? 1", "0", kNone},
                 {kCkit + "ORD:THRU 1,2,3", "", kNone},
                 {kCkit + "LAB?", "\"07RX22B-310 -F-\"", kNone},
             });
    EXPECT_NEAR(Std(1).GetC(0), 4.1095e-14, 1e-27);
    EXPECT_NEAR(Number(c, kCkit + "STAN2:C0?"), 41.095, 1e-12);

    // Each factor: the get divides, the put multiplies; offsets go unscaled.
    struct Unit {
      const char* member;
      double factor;
      double (*read)(const TCalStd&);
    };
    const Unit units[] = {
        {"C0", 1e-15, [](const TCalStd& s) { return s.GetC(0); }},
        {"C1", 1e-27, [](const TCalStd& s) { return s.GetC(1); }},
        {"C2", 1e-36, [](const TCalStd& s) { return s.GetC(2); }},
        {"C3", 1e-45, [](const TCalStd& s) { return s.GetC(3); }},
        {"L0", 1e-12, [](const TCalStd& s) { return s.GetL(0); }},
        {"L1", 1e-24, [](const TCalStd& s) { return s.GetL(1); }},
        {"L2", 1e-33, [](const TCalStd& s) { return s.GetL(2); }},
        {"L3", 1e-42, [](const TCalStd& s) { return s.GetL(3); }},
        {"DEL", 1, [](const TCalStd& s) { return s.GetOffsetDelay(); }},
        {"Z0", 1, [](const TCalStd& s) { return s.GetOffsetZ0(); }},
        {"LOSS", 1, [](const TCalStd& s) { return s.GetOffsetLoss(); }},
    };
    for (const Unit& u : units) {
      SCOPED_TRACE(u.member);
      Steps(c, {{kCkit + "STAN1:" + u.member + " 12.5", "", kNone}});
      EXPECT_DOUBLE_EQ(u.read(Std(0)), 12.5 * u.factor);
      EXPECT_DOUBLE_EQ(Number(c, kCkit + "STAN1:" + u.member + "?"), 12.5);
    }

    // The standard's label changes without a report; the kit's with one; RESet brings both back.
    {
      scpisteps::ChangeCount changes(CalKitsModule->OnChange);
      Steps(c, {{kCkit + "STAN3:LAB \"Mine\";LAB?", "\"Mine\"", kNone}});
      EXPECT_EQ(changes.count, 0);
      EXPECT_EQ(Std(2).Name, "Mine");
      Steps(c, {{kCkit + "LAB 'Kit A';LAB?", "\"Kit A\"", kNone}});
      EXPECT_EQ(changes.count, 1);
      Steps(c, {{kCkit + "RES", "", kNone}, {kCkit + "LAB?", "\"07RX22B-310 -F-\"", kNone}});
      EXPECT_EQ(Std(2).Name, "Load");
      EXPECT_EQ(Std(0).GetC(0), 0.0);
    }

    // A standard node made earlier follows the selection.
    automation::Node scpi = automation::child(automation::createApplication(), "SCPI").Value.asNode();
    automation::Node node = scpi;
    for (const char* step : {"SENSe", "CORRection", "COLLect", "CKIT"}) {
      node = automation::child(node, step, std::string(step) == "SENSe" ? std::vector<automation::Variant>{1}
                                                                         : std::vector<automation::Variant>{})
                 .Value.asNode();
    }
    automation::Node shortStd = automation::child(node, "STAN", {1}).Value.asNode();
    Steps(c, {{kCkit + "SEL 4", "", kNone}});
    EXPECT_DOUBLE_EQ(automation::invoke(shortStd, "Delay", CallKind::Get).Value.asDouble(),
                     Std(0).GetOffsetDelay());
    EXPECT_EQ(automation::invoke(shortStd, "LABel", CallKind::Get).Value.asText(), "Short -M-");
    // Kit values at the ends of doubles; NaN is ignored.
    for (double v : {1e308, -1e308}) {
      EXPECT_TRUE(automation::invoke(shortStd, "Delay", CallKind::Put, {v}).Outcome.Ok());
      EXPECT_EQ(Std(0).GetOffsetDelay(), v);
    }
    const double z0 = Std(0).GetOffsetZ0();
    EXPECT_TRUE(automation::invoke(shortStd, "C1", CallKind::Put, {NAN}).Outcome.Ok());
    EXPECT_TRUE(automation::invoke(shortStd, "Z0", CallKind::Put, {NAN}).Outcome.Ok());
    EXPECT_EQ(Std(0).GetOffsetDelay(), -1e308);
    EXPECT_EQ(Std(0).GetOffsetZ0(), z0);
    for (int32_t n : {INT32_MIN, 0, 5, INT32_MAX}) {
      EXPECT_EQ(automation::child(node, "STAN", {n}).Outcome.ScpiNumber, 114) << n;
    }
    Steps(c, {{kCkit + "RES;SEL 1", "", kNone}});
  });
}

}  // namespace
