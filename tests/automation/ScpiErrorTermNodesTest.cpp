#include <climits>
#include <string>
#include <vector>

#include "ScpiSenseRig.h"
#include "automation/AutomationCore.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using namespace sensetest;

namespace {

class ScpiErrorTermNodes : public ProgramRig {};

const std::string k220 = "220,\"Parameter error\"";
const std::string k222 = "222,\"Data out of range\"";

TEST_F(ScpiErrorTermNodes, EdgeCasesHoldAsTables) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    QuietCalibrationStimulus(c);
    const std::string d = "SENS:CORR:COEF:DATA? ";
    // Without terms: empty arrays, the checks as always.
    Steps(c, {{d + "ES,1,1;:" + d + "ET,2,1", ";", kNone}});

    const std::string m = "SENS:CORR:COEF:METH:";
    const std::vector<Row> methods = {
        {m + "SOLT1 1;:SENS:CORR:COLL:METH:TYPE?", "SOLT1", kNone},
        {m + "SOLT1 2", "", k222},
        {m + "RESP:OPEN 1;:SENS:CORR:COLL:METH:TYPE?", "RESPO", kNone},
        {m + "RESP:SHOR 1;:SENS:CORR:COLL:METH:TYPE?", "RESPS", kNone},
        {m + "RESP:OPEN 3", "", k222},
        // This branch's thru takes any source port but 2.
        {m + "RESP:THRU 2,5;:SENS:CORR:COLL:METH:TYPE?", "RESPT", kNone},
        {m + "RESP:THRU 2,2", "", k220},
        {m + "RESP:THRU 3,1", "", k222},
        {m + "RESP:THRU 2", "", k220},
        {m + "ERES 2,1;:SENS:CORR:COLL:METH:TYPE?", "1PATH", kNone},
        {m + "ERES 2,3", "", k222},
        {m + "ERES 2,2", "", k220},
        {m + "ERES 1,1", "", k222},
        {m + "SOLT2 4", "", kNone},
        {"SENS:CORR:COEF:METH:TYPE?", "", "-113,\"Undefined header\""},
    };
    Steps(c, methods);

    CalibrateOnePort(c, driver);
    // A second solve through this branch: the same method, recorded here.
    Steps(c, {{m + "SOLT1 1;:SENS:CORR:COEF:SAVE;:SENS:CORR:TYPE? 1", "SOLT1,1,1", kNone}});
    const std::vector<double> er = Numbers(c.Query(d + "ER,1,1"));
    ASSERT_EQ(er.size(), 42u);
    const std::vector<Row> data = {
        {d + "ER,1,2", "", k220},
        {d + "ES,2,1", "", k220},
        {d + "ET,1,1", "", k220},
        {d + "EX,2,2", "", k220},
        {d + "ES,3,3", "", k222},
        {d + "ES,0,0", "", k222},
        {d + "ET,3,1", "", k222},
        {d + "XYZ,0,5", "", k222},
    };
    for (const Row& r : data) Step(c, r);
    EXPECT_EQ(Numbers(c.Query(d + "ER,2,2")).size(), 42u);
    EXPECT_EQ(Numbers(c.Query(d + "es,1,1")), std::vector<double>(42, 0.0));
    EXPECT_EQ(Numbers(c.Query(d + "EX,2,1")), std::vector<double>(42, 0.0));
    EXPECT_EQ(Numbers(c.Query(d + "\"\",1,1")), std::vector<double>(42, 0.0));
    EXPECT_EQ(Numbers(c.Query(d + "ESX,1,1")), std::vector<double>(42, 0.0));
    EXPECT_EQ(Numbers(c.Query(d + "'" + std::string(10240, 'E') + "',1,1")), std::vector<double>(42, 0.0));
    // A put reads its array and changes nothing.
    Steps(c, {{"SENS:CORR:COEF:DATA ER,1,1,1,2,3,4", "", kNone}});
    EXPECT_EQ(Numbers(c.Query(d + "ER,1,1")), er);

    // In-process: ports at the ends of 32 bits, and array shapes of the put.
    automation::Node node = automation::child(automation::createApplication(), "SCPI").Value.asNode();
    node = automation::child(node, "SENSe", {1}).Value.asNode();
    node = automation::child(automation::child(node, "CORRection").Value.asNode(), "COEFficient").Value.asNode();
    for (int32_t p : {INT32_MIN, 0, 3, INT32_MAX}) {
      EXPECT_EQ(automation::invoke(node, "DATA", CallKind::Get, {"ES", p, p}).Outcome.ScpiNumber, 222) << p;
      EXPECT_EQ(automation::invoke(node, "DATA", CallKind::Get, {"ET", 1, p}).Outcome.ScpiNumber, 222) << p;
    }
    automation::Array2D square{3, 3, std::vector<automation::Variant>(9, automation::Variant(1.0))};
    EXPECT_EQ(automation::invoke(node, "DATA", CallKind::Put, {"ER", 1, 1, square}).Outcome.ScpiNumber, 220);
    EXPECT_TRUE(automation::invoke(node, "DATA", CallKind::Put, {"ER", 1, 1, std::vector<double>{1, 2}}).Outcome.Ok());
    EXPECT_EQ(automation::invoke(node, "DATA", CallKind::Get, {"ER", 1, 1}).Value.asDoubles(), er);
  });
}

}  // namespace
