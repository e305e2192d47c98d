// The SOURce branch: one channel's output power, power slope and power sweep, and the power
// level that all channels share. The port-power calibration nodes answer with fixed values.
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "display/RangeView.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "shell/MainFrm.h"

namespace automation {

using namespace rows;

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType D = ValueType::Double;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType A = ValueType::Array;

// The node's channel, looked up at each call.
TRange& Channel(const TCall& c) {
  TRangeView* view = c.T().Main.GetView(c.Channel());
  TRange* range = view != nullptr ? view->GetRange() : nullptr;
  if (range == nullptr) Raise(200);
  return *range;
}

}  // namespace

// ---- ISCPI_SOURce_POWer -----------------------------------------------------------------------------
// The setters round and limit; the instrument's power range is 0 dBm to 0 dBm, so every output
// power and power sweep value reads back 0.
struct TSCPI_SOURce_POWerImpl {
  static Variant GetCENTer(const TCall& c) { return Channel(c).GetPowerSweepCenter(); }
  static Variant PutCENTer(const TCall& c) {
    Channel(c).SetPowerSweepCenter(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetSPAN(const TCall& c) { return Channel(c).GetPowerSweepSpan(); }
  static Variant PutSPAN(const TCall& c) {
    Channel(c).SetPowerSweepSpan(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetSTARt(const TCall& c) { return Channel(c).MinPower; }
  static Variant PutSTARt(const TCall& c) {
    Channel(c).SetPowerSweepStart(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) { return Channel(c).MaxPower; }
  static Variant PutSTOP(const TCall& c) {
    Channel(c).SetPowerSweepStop(c.Args[0].asDouble());
    return Variant();
  }
};

// ---- ISCPI_SOURce_POWer_LEVel -----------------------------------------------------------------------
struct TSCPI_SOURce_POWer_LEVelImpl {
  static Variant GetSTATe(const TCall& c) { return c.T().Scanner.GetPowerLevelText(); }
  // A change stops the sweep, rebuilds the lists and restarts from the first channel.
  static Variant PutSTATe(const TCall& c) {
    c.T().Scanner.SetPowerLevelText(c.Args[0].asText());
    return Variant();
  }
};

// ---- ISCPI_SOURce_POWer_LEVel_IMMediate, ISCPI_SOURce_POWer_LEVel_SLOPe -------------------------------
struct TSCPI_SOURce_POWer_LEVel_IMMediateImpl {
  static Variant GetAMPLitude(const TCall& c) { return Channel(c).OutputPower; }
  static Variant PutAMPLitude(const TCall& c) {
    Channel(c).SetOutputPower(c.Args[0].asDouble());
    return Variant();
  }
};
struct TSCPI_SOURce_POWer_LEVel_SLOPeImpl {
  static Variant GetDATA(const TCall& c) { return Channel(c).PowerSlope; }
  static Variant PutDATA(const TCall& c) {
    Channel(c).SetPowerSlope(c.Args[0].asDouble());
    return Variant();
  }
};

// ---- ISCPI_SOURce_POWer_PORT_CORRection -------------------------------------------------------------
struct TSCPI_SOURce_POWer_PORT_CORRectionImpl {
  static Variant GetSTATe(const TCall&) { return true; }
};

void AddSourceRows(std::vector<NodeRow>& rows) {
  constexpr const char* F = "SOURce";
  AddNode(rows, F, "ISCPI_SOURce", "ISCPI", "SOURce", IndexKind::Channel, {Getter("POWer", "ISCPI_SOURce_POWer")});
  using P = TSCPI_SOURce_POWerImpl;
  AddNode(rows, F, "ISCPI_SOURce_POWer", "ISCPI_SOURce", "POWer", IndexKind::None,
          {Property("CENTer", D, P::GetCENTer, P::PutCENTer), Getter("LEVel", "ISCPI_SOURce_POWer_LEVel"),
           Property("SPAN", D, P::GetSPAN, P::PutSPAN), Property("STARt", D, P::GetSTARt, P::PutSTARt),
           Property("STOP", D, P::GetSTOP, P::PutSTOP), Getter("PORT", "ISCPI_SOURce_POWer_PORT")});
  AddNode(rows, F, "ISCPI_SOURce_POWer_LEVel", "ISCPI_SOURce_POWer", "LEVel", IndexKind::None,
          {Getter("IMMediate", "ISCPI_SOURce_POWer_LEVel_IMMediate"), Getter("SLOPe", "ISCPI_SOURce_POWer_LEVel_SLOPe"),
           DispPut(Property("STATe", K, TSCPI_SOURce_POWer_LEVelImpl::GetSTATe, TSCPI_SOURce_POWer_LEVelImpl::PutSTATe))});
  AddNode(rows, F, "ISCPI_SOURce_POWer_LEVel_IMMediate", "ISCPI_SOURce_POWer_LEVel", "IMMediate", IndexKind::None,
          {Property("AMPLitude", D, TSCPI_SOURce_POWer_LEVel_IMMediateImpl::GetAMPLitude,
                    TSCPI_SOURce_POWer_LEVel_IMMediateImpl::PutAMPLitude)});
  AddNode(rows, F, "ISCPI_SOURce_POWer_LEVel_SLOPe", "ISCPI_SOURce_POWer_LEVel", "SLOPe", IndexKind::None,
          {Property("DATA", D, TSCPI_SOURce_POWer_LEVel_SLOPeImpl::GetDATA, TSCPI_SOURce_POWer_LEVel_SLOPeImpl::PutDATA)});
  AddNode(rows, F, "ISCPI_SOURce_POWer_PORT", "ISCPI_SOURce_POWer", "PORT", IndexKind::Port,
          {Getter("CORRection", "ISCPI_SOURce_POWer_PORT_CORRection")});
  AddNode(rows, F, "ISCPI_SOURce_POWer_PORT_CORRection", "ISCPI_SOURce_POWer_PORT", "CORRection", IndexKind::None,
          {Property("STATe", B, TSCPI_SOURce_POWer_PORT_CORRectionImpl::GetSTATe, Nothing),
           Getter("COLLect", "ISCPI_SOURce_POWer_PORT_CORRection_COLLect"), Property("DATA", A, Nothing, Nothing)});
  AddNode(rows, F, "ISCPI_SOURce_POWer_PORT_CORRection_COLLect", "ISCPI_SOURce_POWer_PORT_CORRection", "COLLect",
          IndexKind::None, {Method("ACQuire", Nothing)});
}

}  // namespace automation
