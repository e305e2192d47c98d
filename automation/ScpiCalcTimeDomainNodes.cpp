// The time domain of a channel: the transform (span, window, response type, resolution and the
// distance forms) and the time gate. Both are settings of the channel window, shared by its
// traces; only TIME:STATe looks at the active trace.
#include "automation/ScpiCalcNodes.h"
#include "display/RangeView.h"
#include "traces/Measurement.h"
#include "traces/TimeDomainSettings.h"

namespace automation {

namespace {

using namespace calc;

constexpr ValueType B = ValueType::Bool;
constexpr ValueType D = ValueType::Double;
constexpr ValueType K = ValueType::Keyword;
constexpr const char* kFamily = "CalculateTimeDomain";

const TTimeDomainSettings& Settings(const TCall& c) { return View(c).TimeDomain; }
double Arg(const TCall& c) { return c.Args[0].asDouble(); }

}  // namespace

// ---- ISCPI_CALCulate_SELected_TRANsform -----------------------------------------------------------------
struct TSCPI_CALCulate_SELected_TRANsformImpl {
  static Variant GetKWINdow(const TCall& c) { return Settings(c).GetWindowText(); }
  static Variant PutKWINdow(const TCall& c) {
    TRangeView& v = View(c);
    v.TimeDomain.SetWindowText(v.GetTimeDomainOwner(), c.Args[0].asText());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_TRANsform_TIMEImpl {
  static Variant GetCENTer(const TCall& c) { return Settings(c).GetTransformCenter(); }
  static Variant PutCENTer(const TCall& c) {
    View(c).SetTransformCenter(Arg(c));
    return Variant();
  }
  static Variant GetKBESsel(const TCall& c) { return Settings(c).Beta; }
  static Variant PutKBESsel(const TCall& c) {
    View(c).SetTransformBeta(Arg(c));
    return Variant();
  }
  // Kept for the clients that call it: the low-pass frequencies follow the sweep.
  static Variant LPFRequency(const TCall&) { return Variant(); }
  static Variant GetSPAN(const TCall& c) { return Settings(c).GetTransformSpan(); }
  static Variant PutSPAN(const TCall& c) {
    View(c).SetTransformSpan(Arg(c));
    return Variant();
  }
  static Variant GetSTARt(const TCall& c) { return Settings(c).TransformStart; }
  static Variant PutSTARt(const TCall& c) {
    View(c).SetTransformStart(Arg(c));
    return Variant();
  }
  // The transform runs by the trace's format and the sweep; a switch of its own would have
  // nothing to decide.
  static Variant GetSTATe(const TCall& c) { return Active(c).IsTransformActive(); }
  static Variant PutSTATe(const TCall&) { return Variant(); }
  static Variant GetSTIMulus(const TCall& c) { return Settings(c).GetResponseTypeText(); }
  static Variant PutSTIMulus(const TCall& c) {
    TRangeView& v = View(c);
    v.TimeDomain.SetResponseTypeText(v.GetTimeDomainOwner(), c.Args[0].asText());
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) { return Settings(c).TransformStop; }
  static Variant PutSTOP(const TCall& c) {
    View(c).SetTransformStop(Arg(c));
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return Settings(c).GetTransformTypeText(); }
  static Variant PutTYPE(const TCall& c) {
    TRangeView& v = View(c);
    v.TimeDomain.SetTransformTypeText(v.GetTimeDomainOwner(), c.Args[0].asText());
    return Variant();
  }
};

// IMPulse:WIDTh and STEP:RTIMe: one value, the resolution of the response type in force; a put
// changes only beta.
struct TSCPI_CALCulate_SELected_TRANsform_TIME_ResolutionImpl {
  static Variant Get(const TCall& c) {
    TRangeView& v = View(c);
    return v.TimeDomain.GetImpulseWidth(v.Range);
  }
  static Variant Put(const TCall& c) {
    TRangeView& v = View(c);
    v.TimeDomain.SetImpulseWidth(v.GetTimeDomainOwner(), Arg(c));
    return Variant();
  }
};

// In the scanner module's distance unit: ns, metres or feet.
struct TSCPI_CALCulate_SELected_TRANsform_DISTanceImpl {
  static Variant GetMINimum(const TCall& c) { return View(c).GetTransformStartInUnit(); }
  static Variant PutMINimum(const TCall& c) {
    View(c).SetTransformStartInUnit(Arg(c));
    return Variant();
  }
  static Variant GetMAXimum(const TCall& c) { return View(c).GetTransformStopInUnit(); }
  static Variant PutMAXimum(const TCall& c) {
    View(c).SetTransformStopInUnit(Arg(c));
    return Variant();
  }
  static Variant GetCENTer(const TCall& c) { return View(c).GetTransformCenterInUnit(); }
  static Variant PutCENTer(const TCall& c) {
    View(c).SetTransformCenterInUnit(Arg(c));
    return Variant();
  }
  static Variant GetSPAN(const TCall& c) { return View(c).GetTransformSpanInUnit(); }
  static Variant PutSPAN(const TCall& c) {
    View(c).SetTransformSpanInUnit(Arg(c));
    return Variant();
  }
};

// ---- ISCPI_CALCulate_SELected_FILTer_GATE_TIME ------------------------------------------------------------
struct TSCPI_CALCulate_SELected_FILTer_GATE_TIMEImpl {
  static Variant GetCENTer(const TCall& c) { return Settings(c).GetGatingCenter(); }
  static Variant PutCENTer(const TCall& c) {
    View(c).SetGatingCenter(Arg(c));
    return Variant();
  }
  static Variant GetSHAPe(const TCall& c) { return Settings(c).GetGatingShapeText(); }
  static Variant PutSHAPe(const TCall& c) {
    TRangeView& v = View(c);
    v.TimeDomain.SetGatingShapeText(v.GetTimeDomainOwner(), c.Args[0].asText());
    return Variant();
  }
  static Variant GetSPAN(const TCall& c) { return Settings(c).GetGatingSpan(); }
  static Variant PutSPAN(const TCall& c) {
    View(c).SetGatingSpan(Arg(c));
    return Variant();
  }
  static Variant GetSTARt(const TCall& c) { return Settings(c).GatingStart; }
  static Variant PutSTARt(const TCall& c) {
    View(c).SetGatingStart(Arg(c));
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return Settings(c).EnableGating; }
  static Variant PutSTATe(const TCall& c) {
    View(c).SetGatingEnabled(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) { return Settings(c).GatingStop; }
  static Variant PutSTOP(const TCall& c) {
    View(c).SetGatingStop(Arg(c));
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return Settings(c).GetGatingTypeText(); }
  static Variant PutTYPE(const TCall& c) {
    TRangeView& v = View(c);
    v.TimeDomain.SetGatingTypeText(v.GetTimeDomainOwner(), c.Args[0].asText());
    return Variant();
  }
};

void AddCalcTimeDomainRows(std::vector<NodeRow>& rows) {
  auto add = [&](const char* interface, const char* parent, const char* getter, std::vector<MemberRow> members) {
    rows::AddNode(rows, kFamily, interface, parent, getter, IndexKind::None, std::move(members));
  };
  using TR = TSCPI_CALCulate_SELected_TRANsformImpl;
  add("ISCPI_CALCulate_SELected_TRANsform", "ISCPI_CALCulate_SELected", "TRANsform",
      {Getter("TIME", "ISCPI_CALCulate_SELected_TRANsform_TIME"),
       Getter("DISTance", "ISCPI_CALCulate_SELected_TRANsform_DISTance"),
       Property("KWINdow", K, TR::GetKWINdow, TR::PutKWINdow)});
  using TI = TSCPI_CALCulate_SELected_TRANsform_TIMEImpl;
  add("ISCPI_CALCulate_SELected_TRANsform_TIME", "ISCPI_CALCulate_SELected_TRANsform", "TIME",
      {Property("CENTer", D, TI::GetCENTer, TI::PutCENTer),
       Getter("IMPulse", "ISCPI_CALCulate_SELected_TRANsform_TIME_IMPulse"),
       Property("KBESsel", D, TI::GetKBESsel, TI::PutKBESsel), Method("LPFRequency", TI::LPFRequency),
       Property("SPAN", D, TI::GetSPAN, TI::PutSPAN), Property("STARt", D, TI::GetSTARt, TI::PutSTARt),
       Property("STATe", B, TI::GetSTATe, TI::PutSTATe), Getter("STEP", "ISCPI_CALCulate_SELected_TRANsform_TIME_STEP"),
       Property("STIMulus", K, TI::GetSTIMulus, TI::PutSTIMulus), Property("STOP", D, TI::GetSTOP, TI::PutSTOP),
       Property("TYPE", K, TI::GetTYPE, TI::PutTYPE)});
  using RS = TSCPI_CALCulate_SELected_TRANsform_TIME_ResolutionImpl;
  add("ISCPI_CALCulate_SELected_TRANsform_TIME_IMPulse", "ISCPI_CALCulate_SELected_TRANsform_TIME", "IMPulse",
      {Property("WIDTh", D, RS::Get, RS::Put)});
  add("ISCPI_CALCulate_SELected_TRANsform_TIME_STEP", "ISCPI_CALCulate_SELected_TRANsform_TIME", "STEP",
      {Property("RTIMe", D, RS::Get, RS::Put)});
  using DI = TSCPI_CALCulate_SELected_TRANsform_DISTanceImpl;
  add("ISCPI_CALCulate_SELected_TRANsform_DISTance", "ISCPI_CALCulate_SELected_TRANsform", "DISTance",
      {DispStyle(Property("MINimum", D, DI::GetMINimum, DI::PutMINimum)),
       DispStyle(Property("MAXimum", D, DI::GetMAXimum, DI::PutMAXimum)),
       DispStyle(Property("CENTer", D, DI::GetCENTer, DI::PutCENTer)),
       DispStyle(Property("SPAN", D, DI::GetSPAN, DI::PutSPAN))});
  add("ISCPI_CALCulate_SELected_FILTer", "ISCPI_CALCulate_SELected", "FILTer",
      {Getter("GATE", "ISCPI_CALCulate_SELected_FILTer_GATE")});
  add("ISCPI_CALCulate_SELected_FILTer_GATE", "ISCPI_CALCulate_SELected_FILTer", "GATE",
      {Getter("TIME", "ISCPI_CALCulate_SELected_FILTer_GATE_TIME")});
  using GT = TSCPI_CALCulate_SELected_FILTer_GATE_TIMEImpl;
  add("ISCPI_CALCulate_SELected_FILTer_GATE_TIME", "ISCPI_CALCulate_SELected_FILTer_GATE", "TIME",
      {Property("CENTer", D, GT::GetCENTer, GT::PutCENTer), Property("SHAPe", K, GT::GetSHAPe, GT::PutSHAPe),
       Property("SPAN", D, GT::GetSPAN, GT::PutSPAN), Property("STARt", D, GT::GetSTARt, GT::PutSTARt),
       Property("STATe", B, GT::GetSTATe, GT::PutSTATe), Property("STOP", D, GT::GetSTOP, GT::PutSTOP),
       Property("TYPE", K, GT::GetTYPE, GT::PutTYPE)});
}

}  // namespace automation
