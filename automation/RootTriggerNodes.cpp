// The application object, the root node, the common commands and the nodes that control the
// sweep: trigger mode, trigger source, the bus trigger and the source output.
#include <climits>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "automation/NodeTable.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "platform/ui/EventLoop.h"
#include "shell/MainFrm.h"

namespace automation {

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType K = ValueType::Keyword;

using rows::Getter;
using rows::Method;
using rows::Property;

Variant Nothing(const TCall&) { return Variant(); }

}  // namespace

// ---- IK30 -----------------------------------------------------------------------------------------
struct TK30Impl {
  static Variant Application(const TCall& c) { return Node(c.Self.shared_from_this()); }
  static Variant NAME(const TCall& c) { return c.T().Device.GetIdentification(); }
  // Connected and out of standby; never fails, also before the windows exist.
  static Variant Ready(const TCall&) {
    if (ScannerModule == nullptr) return false;
    const TScanner& s = ScannerModule->GetScanner();
    return s.Connected && !s.GetStandby();
  }
};

// ---- ISCPI ------------------------------------------------------------------------------------------
struct TSCPIImpl {
  static Variant ABORt(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    m.StopSweep();
    if (m.TriggerMode == TScannerModule::Continuous) {
      m.StartSweep(0);
    } else if (m.TriggerMode == TScannerModule::Single) {
      m.SetTriggerMode(TScannerModule::Hold);
    }
    return Variant();
  }
};

// ---- ISCPI_IEEE4882 ---------------------------------------------------------------------------------
struct TSCPI_IEEE4882Impl {
  static Variant IDN(const TCall& c) { return c.T().Device.GetIdentification(); }
  static Variant RST(const TCall& c) {
    c.T().Main.Preset();
    c.T().Scanner.SetTriggerMode(TScannerModule::Hold);
    return Variant();
  }
  static Variant TRG(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    if (m.TriggerSource == TScannerModule::SourceBus) m.Trigger();
    return Variant();
  }
};

// ---- ISCPI_INITiate ---------------------------------------------------------------------------------
struct TSCPI_INITiateImpl {
  static Variant GetCONTinuous(const TCall& c) { return c.T().Scanner.TriggerMode == TScannerModule::Continuous; }
  static Variant PutCONTinuous(const TCall& c) {
    c.T().Scanner.SetTriggerMode(c.Args[0].asBool() ? TScannerModule::Continuous : TScannerModule::Hold);
    return Variant();
  }
  static Variant IMMediate(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    if (m.TriggerMode != TScannerModule::Hold) Raise(213);
    m.SetTriggerMode(TScannerModule::Single);
    return Variant();
  }
};

// ---- ISCPI_TRIGger_SEQuence ---------------------------------------------------------------------------
struct TSCPI_TRIGger_SEQuenceImpl {
  static Variant GetSOURce(const TCall& c) { return c.T().Scanner.GetTriggerSourceText(); }
  static Variant PutSOURce(const TCall& c) {
    c.T().Scanner.SetTriggerSourceText(c.Args[0].asText());
    return Variant();
  }
  static Variant IMMediate(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    if (m.GetScanner().GetState() != TScanner::WAIT) Raise(211);
    m.Trigger();
    return Variant();
  }
  // Triggers, then keeps the event loop running (sweep replies, windows, other clients'
  // commands queue meanwhile) until the sweep has left MEAS. A lost link, standby, the main
  // window's shut-down or the server's stop end the wait with 200.
  static Variant SINGle(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    if (m.GetScanner().GetState() != TScanner::WAIT) Raise(211);
    m.Trigger();
    auto broken = [] {
      return TAutomationServer::Stopping || MainFrm == nullptr || MainFrm->IsShutDown() || ScannerModule == nullptr ||
             !ScannerModule->GetScanner().Connected || ScannerModule->GetScanner().GetStandby();
    };
    ui::EventLoop::WaitUntil(
        [&] { return broken() || ScannerModule->GetScanner().GetState() != TScanner::MEAS; }, INT_MAX);
    if (broken()) Raise(200);
    return Variant();
  }
  static Variant STATe(const TCall& c) { return c.T().Scanner.GetScanner().GetStateText(); }
};

// ---- ISCPI_OUTPut -------------------------------------------------------------------------------------
struct TSCPI_OUTPutImpl {
  static Variant GetSTATe(const TCall& c) { return !c.T().Scanner.GetScanner().GetSignalOff(); }
  static Variant PutSTATe(const TCall& c) {
    c.T().Scanner.GetScanner().SetSignalOff(!c.Args[0].asBool());
    return Variant();
  }
};

void AddApplicationRows(std::vector<NodeRow>& rows) {
  NodeRow app;
  app.Interface = kApplicationInterface;
  app.Family = "Application";
  app.Source = kProgId;
  app.Members = {Getter("SCPI", "ISCPI"), Property("Application", ValueType::Node, TK30Impl::Application),
                 Property("NAME", K, TK30Impl::NAME), Property("Ready", B, TK30Impl::Ready)};
  app.Members[1].NeedsTarget = false;
  app.Members[3].NeedsTarget = false;
  rows.push_back(std::move(app));
}

void AddRootTriggerRows(std::vector<NodeRow>& rows) {
  auto node = [&](const char* interface, const char* parent, const char* getter, IndexKind index,
                  std::vector<MemberRow> members, const char* family = "Root") {
    rows::AddNode(rows, family, interface, parent, getter, index, std::move(members));
  };
  node("ISCPI", kApplicationInterface, "SCPI", IndexKind::None,
       {Method("ABORt", TSCPIImpl::ABORt), Getter("CALCulate", "ISCPI_CALCulate"), Getter("DISPlay", "ISCPI_DISPlay"),
        Getter("IEEE4882", "ISCPI_IEEE4882"), Getter("INITiate", "ISCPI_INITiate"),
        Getter("MMEMory", "ISCPI_MMEMory"), Getter("SENSe", "ISCPI_SENSe"), Getter("SOURce", "ISCPI_SOURce"),
        Getter("SYSTem", "ISCPI_SYSTem"), Getter("TRIGger", "ISCPI_TRIGger"), Getter("STATus", "ISCPI_STATus"),
        Getter("OUTPut", "ISCPI_OUTPut"), Getter("HCOPy", "ISCPI_HCOPy"), Getter("SERVice", "ISCPI_SERVice")});
  MemberRow wai = Method("WAI", Nothing);
  wai.NeedsTarget = false;
  MemberRow cls = Method("CLS", Nothing);
  cls.NeedsTarget = false;
  node("ISCPI_IEEE4882", "ISCPI", "IEEE4882", IndexKind::None,
       {Property("IDN", K, TSCPI_IEEE4882Impl::IDN), Method("RST", TSCPI_IEEE4882Impl::RST),
        Method("TRG", TSCPI_IEEE4882Impl::TRG), wai, cls});
  node("ISCPI_INITiate", "ISCPI", "INITiate", IndexKind::Channel,
       {Property("CONTinuous", B, TSCPI_INITiateImpl::GetCONTinuous, TSCPI_INITiateImpl::PutCONTinuous),
        Method("IMMediate", TSCPI_INITiateImpl::IMMediate)});
  node("ISCPI_TRIGger", "ISCPI", "TRIGger", IndexKind::None, {Getter("SEQuence", "ISCPI_TRIGger_SEQuence")});
  MemberRow state = Property("STATe", K, TSCPI_TRIGger_SEQuenceImpl::STATe);
  state.GetStyle = ErrorStyle::DispException;
  node("ISCPI_TRIGger_SEQuence", "ISCPI_TRIGger", "SEQuence", IndexKind::None,
       {Property("SOURce", K, TSCPI_TRIGger_SEQuenceImpl::GetSOURce, TSCPI_TRIGger_SEQuenceImpl::PutSOURce),
        Method("IMMediate", TSCPI_TRIGger_SEQuenceImpl::IMMediate), Method("SINGle", TSCPI_TRIGger_SEQuenceImpl::SINGle),
        state});
  node("ISCPI_OUTPut", "ISCPI", "OUTPut", IndexKind::None,
       {Property("STATe", B, TSCPI_OUTPutImpl::GetSTATe, TSCPI_OUTPutImpl::PutSTATe)});

}

}  // namespace automation
