// Three small branches: SERVice answers questions about the instrument's capacity and the
// active channel and trace, STATus offers the status registers as members that do nothing, and
// HCOPy prints the screen picture and sets how pictures are printed.
#include <string>
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"

namespace automation {

using namespace rows;

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType K = ValueType::Keyword;

TRange& ActiveChannel(const TCall& c) {
  TRange* range = c.T().Main.GetActiveChannel();
  if (range == nullptr) Raise(200);
  return *range;
}

}  // namespace

// ---- ISCPI_SERVice_CHANnel ------------------------------------------------------------------------
struct TSCPI_SERVice_CHANnelImpl {
  // The active channel's number, whatever channel the node holds.
  static Variant ACTive(const TCall& c) { return int32_t(c.T().Main.ActiveViewIndex + 1); }
  static Variant COUNt(const TCall&) { return int32_t(4); }
};

// ---- ISCPI_SERVice_CHANnel_TRACe ------------------------------------------------------------------
struct TSCPI_SERVice_CHANnel_TRACeImpl {
  static Variant ACTive(const TCall& c) {
    TRangeView* view = c.T().Main.GetView(c.Channel());
    if (view == nullptr || view->GetTraces() == nullptr) Raise(200);
    return int32_t(view->GetTraces()->ActiveMeasurement + 1);
  }
  static Variant COUNt(const TCall&) { return int32_t(TMeasureList::MaxTraces); }
};

// ---- ISCPI_SERVice_PORT, ISCPI_SERVice_SWEep, ISCPI_SERVice_SWEep_FREQuency -----------------------------
struct TSCPI_SERVice_PORTImpl {
  static Variant COUNt(const TCall&) { return int32_t(1); }
};
struct TSCPI_SERVice_SWEepImpl {
  static Variant POINts(const TCall&) { return int32_t(16001); }
};
struct TSCPI_SERVice_SWEep_FREQuencyImpl {
  // Hertz; 0 while no known model is attached.
  static Variant MAXimum(const TCall& c) { return ActiveChannel(c).GetDeviceMaxFrequency() * 1e6; }
  static Variant MINimum(const TCall& c) { return ActiveChannel(c).GetDeviceMinFrequency() * 1e6; }
};

// ---- ISCPI_STATus_OPERation, ISCPI_STATus_QUEStionable ----------------------------------------------
// The status registers are not kept: gets answer nothing, puts do nothing.
struct TSCPI_STATus_QUEStionableImpl {
  // The limit-test status nodes were never made: asking for one is an error, not a success
  // without a node.
  static Variant LIMit(const TCall&) { Raise(200); }
};

// ---- ISCPI_HCOPy ------------------------------------------------------------------------------------
struct TSCPI_HCOPyImpl {
  static Variant GetIMAGe(const TCall& c) { return c.T().Main.GetPrintInvertText(); }
  static Variant PutIMAGe(const TCall& c) {
    c.T().Main.SetPrintInvertText(c.Args[0].asText());
    return Variant();
  }
  static Variant IMMediate(const TCall& c) {
    c.T().Main.PrintToPrinter();
    return Variant();
  }
  static Variant GetPAINt(const TCall& c) { return c.T().Main.GetPrintColorText(); }
  static Variant PutPAINt(const TCall& c) {
    c.T().Main.SetPrintColorText(c.Args[0].asText());
    return Variant();
  }
};

// ---- ISCPI_HCOPy_DATE -------------------------------------------------------------------------------
struct TSCPI_HCOPy_DATEImpl {
  static Variant GetSTAMp(const TCall& c) { return c.T().Main.PrintTime; }
  static Variant PutSTAMp(const TCall& c) {
    c.T().Main.SetPrintTime(c.Args[0].asBool());
    return Variant();
  }
};

void AddServiceRows(std::vector<NodeRow>& rows) {
  constexpr const char* F = "SERVice";
  AddNode(rows, F, "ISCPI_SERVice", "ISCPI", "SERVice", IndexKind::None,
          {Getter("CHANnel", "ISCPI_SERVice_CHANnel"), Getter("PORT", "ISCPI_SERVice_PORT"),
           Getter("SWEep", "ISCPI_SERVice_SWEep")});
  AddNode(rows, F, "ISCPI_SERVice_CHANnel", "ISCPI_SERVice", "CHANnel", IndexKind::ServiceChannel,
          {Getter("TRACe", "ISCPI_SERVice_CHANnel_TRACe"),
           Property("ACTive", L, TSCPI_SERVice_CHANnelImpl::ACTive), Property("COUNt", L, TSCPI_SERVice_CHANnelImpl::COUNt)});
  AddNode(rows, F, "ISCPI_SERVice_CHANnel_TRACe", "ISCPI_SERVice_CHANnel", "TRACe", IndexKind::None,
          {Property("ACTive", L, TSCPI_SERVice_CHANnel_TRACeImpl::ACTive),
           Property("COUNt", L, TSCPI_SERVice_CHANnel_TRACeImpl::COUNt)});
  AddNode(rows, F, "ISCPI_SERVice_PORT", "ISCPI_SERVice", "PORT", IndexKind::None,
          {Property("COUNt", L, TSCPI_SERVice_PORTImpl::COUNt)});
  AddNode(rows, F, "ISCPI_SERVice_SWEep", "ISCPI_SERVice", "SWEep", IndexKind::None,
          {Getter("FREQuency", "ISCPI_SERVice_SWEep_FREQuency"), Property("POINts", L, TSCPI_SERVice_SWEepImpl::POINts)});
  AddNode(rows, F, "ISCPI_SERVice_SWEep_FREQuency", "ISCPI_SERVice_SWEep", "FREQuency", IndexKind::None,
          {Property("MAXimum", D, TSCPI_SERVice_SWEep_FREQuencyImpl::MAXimum),
           Property("MINimum", D, TSCPI_SERVice_SWEep_FREQuencyImpl::MINimum)});
}

void AddStatusRows(std::vector<NodeRow>& rows) {
  constexpr const char* F = "STATus";
  AddNode(rows, F, "ISCPI_STATus", "ISCPI", "STATus", IndexKind::None,
          {Method("PRESet", Nothing), Getter("OPERation", "ISCPI_STATus_OPERation"),
           Getter("QUEStionable", "ISCPI_STATus_QUEStionable")});
  const std::vector<MemberRow> registers = {Property("CONDition", L, Nothing), Property("ENABle", L, Nothing, Nothing),
                                            Property("EVENt", L, Nothing), Property("NTRansition", L, Nothing, Nothing),
                                            Property("PTRansition", L, Nothing, Nothing)};
  AddNode(rows, F, "ISCPI_STATus_OPERation", "ISCPI_STATus", "OPERation", IndexKind::None, registers);
  std::vector<MemberRow> questionable = registers;
  questionable.push_back(Property("LIMit", ValueType::Node, TSCPI_STATus_QUEStionableImpl::LIMit));
  questionable.push_back(Property("RLIMit", ValueType::Node, TSCPI_STATus_QUEStionableImpl::LIMit));
  AddNode(rows, F, "ISCPI_STATus_QUEStionable", "ISCPI_STATus", "QUEStionable", IndexKind::None,
          std::move(questionable));
}

void AddHardcopyRows(std::vector<NodeRow>& rows) {
  constexpr const char* F = "HCOPy";
  using H = TSCPI_HCOPyImpl;
  AddNode(rows, F, "ISCPI_HCOPy", "ISCPI", "HCOPy", IndexKind::None,
          {Method("ABORt", Nothing), Property("IMAGe", K, H::GetIMAGe, H::PutIMAGe), Method("IMMediate", H::IMMediate),
           Property("PAINt", K, H::GetPAINt, H::PutPAINt), Getter("DATE", "ISCPI_HCOPy_DATE")});
  AddNode(rows, F, "ISCPI_HCOPy_DATE", "ISCPI_HCOPy", "DATE", IndexKind::None,
          {Property("STAMp", B, TSCPI_HCOPy_DATEImpl::GetSTAMp, TSCPI_HCOPy_DATEImpl::PutSTAMp)});
}

}  // namespace automation
