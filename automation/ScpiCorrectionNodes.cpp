// The user-correction switch, the calibration type of a trace, the kits' reference impedance
// and the port extension. The switch and the impedance are instrument-wide, and the port
// extension and the calibration methods belong to the active channel, whatever channel the
// node was made for.
#include <cstdint>

#include "automation/ScpiCorrectionNodes.h"
#include "automation/ScpiSenseRows.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace automation {

using namespace sense;

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType A = ValueType::Array;

double Value(const TCall& c) { return c.Args.back().asDouble(); }

TCalibratorModule& Calibrator(const TCall& c) {
  (void)c.T();
  if (CalibratorModule == nullptr) Raise(200);
  return *CalibratorModule;
}

TCalKitsModule& Kits(const TCall& c) {
  (void)c.T();
  if (CalKitsModule == nullptr) Raise(200);
  return *CalKitsModule;
}

// The node's port (Index[1]) and loss term (Index[2]), stored 0-based without a check.
int NodePort(const TCall& c) { return c.Self.Index[1]; }
int NodeTerm(const TCall& c) { return c.Self.Index[2]; }

// A loss term selector: 0 the first, 1 the second, else 222.
int Selector(const TCall& c) {
  const int32_t s = c.Args[0].asInt();
  if (s != 0 && s != 1) Raise(222);
  return s;
}

}  // namespace

// ---- ISCPI_SENSe_CORRection ----------------------------------------------------------------------
struct TSCPI_SENSe_CORRectionImpl {
  static Variant GetSTATe(const TCall& c) { return !Calibrator(c).UserCorrectionOff; }
  static Variant PutSTATe(const TCall& c) {
    Calibrator(c).SetCorrection(!c.Args.back().asBool());
    return Variant();
  }
  static Variant CLEar(const TCall& c) {
    c.T().Main.ClearAllCalibrations();
    return Variant();
  }
  // The trace is one of the node's channel; the method is that of the active channel's
  // calibration for the trace's port. A trace of the reference receiver has no calibration
  // slot: "NONE", element 1 then 2.
  static Variant TYPE(const TCall& c) {
    TRangeView* view = c.T().Main.GetView(c.Channel());
    TMeasureList* traces = view != nullptr ? view->GetTraces() : nullptr;
    const int32_t tr = c.Args[0].asInt();
    if (traces == nullptr || tr < 1 || tr > traces->GetCount()) Raise(202);
    TMeasurement* trace = traces->GetMeasurement(tr - 1);
    if (trace == nullptr) Raise(202);
    const int port = trace->Port;
    const TCalibr* cal = CalibratorModule != nullptr ? CalibratorModule->GetUserCalibr() : nullptr;
    const bool off = CalibratorModule == nullptr || CalibratorModule->UserCorrectionOff;
    const char* method = off || cal == nullptr ? MethodText(cmNone) : MethodText(cal->GetPortMethod(port));
    return std::vector<Variant>{Variant(method), Variant(int32_t{port == 0 ? 1 : 2}), Variant(int32_t{1})};
  }
};

// ---- ISCPI_SENSe_CORRection_IMPedance_INPut --------------------------------------------------------
struct TSCPI_SENSe_CORRection_IMPedance_INPutImpl {
  static Variant GetMAGNitude(const TCall& c) { return Kits(c).GetReferenceImpedance(); }
  static Variant PutMAGNitude(const TCall& c) {
    Kits(c).SetReferenceImpedance(Value(c));
    return Variant();
  }
};

// ---- ISCPI_SENSe_CORRection_RECeiver ---------------------------------------------------------------
struct TSCPI_SENSe_CORRection_RECeiverImpl {
  static Variant GetSTATe(const TCall&) { return false; }
};

// ---- ISCPI_SENSe_CORRection_EXTension --------------------------------------------------------------
struct TSCPI_SENSe_CORRection_EXTensionImpl {
  static Variant GetSTATe(const TCall& c) { return ActiveChannel(c).PortExtensionsEnabled; }
  static Variant PutSTATe(const TCall& c) {
    ActiveChannel(c).SetPortExtensionsEnabled(c.Args.back().asBool());
    return Variant();
  }
};

// ---- ISCPI_SENSe_CORRection_EXTension_PORT ---------------------------------------------------------
struct TSCPI_SENSe_CORRection_EXTension_PORTImpl {
  // The channel checks the port (200 outside the two).
  static Variant GetTIME(const TCall& c) { return ActiveChannel(c).GetPortExtension(NodePort(c)); }
  static Variant PutTIME(const TCall& c) {
    ActiveChannel(c).SetPortExtension(NodePort(c), Value(c));
    return Variant();
  }
  static Variant GetLDC(const TCall& c) { return ActiveChannel(c).GetExtLossAtDC(); }
  static Variant PutLDC(const TCall& c) {
    ActiveChannel(c).SetExtLossAtDC(Value(c));
    return Variant();
  }
  static Variant GetLOSS(const TCall& c) {
    const int s = Selector(c);
    const TRange& r = ActiveChannel(c);
    return s == 0 ? r.GetExtLoss1() : r.GetExtLoss2();
  }
  static Variant PutLOSS(const TCall& c) {
    const int s = Selector(c);
    TRange& r = ActiveChannel(c);
    if (s == 0) {
      r.SetExtLoss1(Value(c));
    } else {
      r.SetExtLoss2(Value(c));
    }
    return Variant();
  }
  // MHz, as the channel keeps the loss frequencies.
  static Variant GetFREQuency(const TCall& c) {
    const int s = Selector(c);
    const TRange& r = ActiveChannel(c);
    return s == 0 ? r.GetExtFreq1() : r.GetExtFreq2();
  }
  static Variant PutFREQuency(const TCall& c) {
    const int s = Selector(c);
    TRange& r = ActiveChannel(c);
    if (s == 0) {
      r.SetExtFreq1(Value(c));
    } else {
      r.SetExtFreq2(Value(c));
    }
    return Variant();
  }
};

// ---- ISCPI_SENSe_CORRection_EXTension_PORT_INCLude -------------------------------------------------
struct TSCPI_SENSe_CORRection_EXTension_PORT_INCLudeImpl {
  static Variant GetSTATe(const TCall& c) {
    const int term = NodeTerm(c);
    if (term != 0 && term != 1) Raise(222);
    const TRange& r = ActiveChannel(c);
    return term == 0 ? r.GetExtLoss1Enabled() : r.GetExtLoss2Enabled();
  }
  static Variant PutSTATe(const TCall& c) {
    const int term = NodeTerm(c);
    if (term != 0 && term != 1) Raise(222);
    TRange& r = ActiveChannel(c);
    if (term == 0) {
      r.SetExtLoss1Enabled(c.Args.back().asBool());
    } else {
      r.SetExtLoss2Enabled(c.Args.back().asBool());
    }
    return Variant();
  }
};

void AddSenseCorrectionRows(std::vector<NodeRow>& rows) {
  const char* f = kCorrectionFamily;
  using C = TSCPI_SENSe_CORRectionImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection", "ISCPI_SENSe", "CORRection", IndexKind::None,
          {Property("STATe", B, C::GetSTATe, C::PutSTATe), Getter("COLLect", "ISCPI_SENSe_CORRection_COLLect"),
           Method("CLEar", C::CLEar), Getter("COEFficient", "ISCPI_SENSe_CORRection_COEFficient"),
           Getter("EXTension", "ISCPI_SENSe_CORRection_EXTension"),
           Getter("IMPedance", "ISCPI_SENSe_CORRection_IMPedance"), Property("TYPE", A, C::TYPE, nullptr, {L}),
           Getter("RECeiver", "ISCPI_SENSe_CORRection_RECeiver")});
  AddNode(rows, f, "ISCPI_SENSe_CORRection_IMPedance", "ISCPI_SENSe_CORRection", "IMPedance", IndexKind::None,
          {Getter("INPut", "ISCPI_SENSe_CORRection_IMPedance_INPut")});
  AddNode(rows, f, "ISCPI_SENSe_CORRection_IMPedance_INPut", "ISCPI_SENSe_CORRection_IMPedance", "INPut",
          IndexKind::None,
          {Property("MAGNitude", D, TSCPI_SENSe_CORRection_IMPedance_INPutImpl::GetMAGNitude,
                    TSCPI_SENSe_CORRection_IMPedance_INPutImpl::PutMAGNitude)});
  AddNode(rows, f, "ISCPI_SENSe_CORRection_RECeiver", "ISCPI_SENSe_CORRection", "RECeiver", IndexKind::Unchecked,
          {Getter("COLLect", "ISCPI_SENSe_CORRection_RECeiver_COLLect"),
           Property("STATe", B, TSCPI_SENSe_CORRection_RECeiverImpl::GetSTATe, Nothing)});
  AddNode(rows, f, "ISCPI_SENSe_CORRection_RECeiver_COLLect", "ISCPI_SENSe_CORRection_RECeiver", "COLLect",
          IndexKind::None, {Property("ACQuire", L, nullptr, Nothing)});
  using E = TSCPI_SENSe_CORRection_EXTensionImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_EXTension", "ISCPI_SENSe_CORRection", "EXTension", IndexKind::None,
          {Getter("PORT", "ISCPI_SENSe_CORRection_EXTension_PORT"), Property("STATe", B, E::GetSTATe, E::PutSTATe)});
  using P = TSCPI_SENSe_CORRection_EXTension_PORTImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_EXTension_PORT", "ISCPI_SENSe_CORRection_EXTension", "PORT",
          IndexKind::Unchecked,
          {Property("TIME", D, P::GetTIME, P::PutTIME), Getter("INCLude", "ISCPI_SENSe_CORRection_EXTension_PORT_INCLude"),
           Property("LDC", D, P::GetLDC, P::PutLDC), Property("LOSS", D, P::GetLOSS, P::PutLOSS, {L}),
           Property("FREQuency", D, P::GetFREQuency, P::PutFREQuency, {L})});
  using I = TSCPI_SENSe_CORRection_EXTension_PORT_INCLudeImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_EXTension_PORT_INCLude", "ISCPI_SENSe_CORRection_EXTension_PORT",
          "INCLude", IndexKind::Unchecked, {Property("STATe", B, I::GetSTATe, I::PutSTATe)});
}

}  // namespace automation
