// The analysis functions of a channel's active trace with their range, and the marker
// statistics readout with the markers that bound it.
#include <cstdint>

#include "automation/ScpiCalcNodes.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace automation {

namespace {

using namespace calc;

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType T = ValueType::Text;
constexpr ValueType A = ValueType::Array;
constexpr const char* kFamily = "CalculateAnalysis";

}  // namespace

// ---- ISCPI_CALCulate_SELected_FUNCtion ----------------------------------------------------------------
struct TSCPI_CALCulate_SELected_FUNCtionImpl {
  // The results are stored in SI units by the run itself.
  static Variant DATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    std::vector<double> out;
    out.reserve(t.FunctionResults.size() * 2);
    for (const TComplex& r : t.FunctionResults) {
      out.push_back(r.Re);
      out.push_back(r.Im);
    }
    return out;
  }
  static Variant EXECute(const TCall& c) {
    Active(c).ExecuteFunction();
    return Variant();
  }
  static Variant GetPEXCursion(const TCall& c) { return Active(c).GetFunctionPeakExcursion(); }
  static Variant PutPEXCursion(const TCall& c) {
    Active(c).SetFunctionPeakExcursion(c.Args[0].asDouble());
    return Variant();
  }
  static Variant POINts(const TCall& c) { return static_cast<int32_t>(Active(c).GetFunctionPointCount()); }
  static Variant GetPPOLarity(const TCall& c) { return PolarityText(Active(c).FunctionPeakPolarity); }
  static Variant PutPPOLarity(const TCall& c) {
    const int code = PolarityFromText(c.Args[0].asText());
    if (code >= 0) Active(c).SetFunctionPeakPolarity(code);
    return Variant();
  }
  static Variant GetTARGet(const TCall& c) { return Active(c).GetFunctionTarget(); }
  static Variant PutTARGet(const TCall& c) {
    Active(c).SetFunctionTarget(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetTTRansition(const TCall& c) { return PolarityText(Active(c).FunctionTargetTransition); }
  // The text is taken as it is: texts are UTF-8 throughout.
  static Variant PutTTRansition(const TCall& c) {
    const int code = PolarityFromText(c.Args[0].asText());
    if (code >= 0) Active(c).SetFunctionTargetTransition(code);
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return Active(c).FunctionType; }
  static Variant PutTYPE(const TCall& c) {
    Active(c).SetFunctionType(c.Args[0].asText());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_FUNCtion_DOMainImpl {
  static Variant GetCOUPle(const TCall& c) { return Traces(c).FunctionDomainCouple; }
  static Variant PutCOUPle(const TCall& c) {
    Traces(c).SetFunctionDomainCouple(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetSTARt(const TCall& c) { return Active(c).GetFunctionStart(); }
  static Variant PutSTARt(const TCall& c) {
    Active(c).SetFunctionStart(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return Active(c).FunctionDomainOn; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetFunctionDomainOn(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) { return Active(c).GetFunctionStop(); }
  static Variant PutSTOP(const TCall& c) {
    Active(c).SetFunctionStop(c.Args[0].asDouble());
    return Variant();
  }
};

// ---- ISCPI_CALCulate_SELected_MSTatistics ------------------------------------------------------------
struct TSCPI_CALCulate_SELected_MSTatisticsImpl {
  // Computed while the readout is on; otherwise the last results.
  static Variant DATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    TMarkerList& list = Markers(c);
    list.ComputeStatistics();
    return std::vector<double>{t.ResponseToSI(list.StatMean), t.ResponseToSI(list.StatDeviation),
                               t.ResponseToSI(list.StatPeakToPeak)};
  }
  static Variant GetSTATe(const TCall& c) { return Markers(c).Statistics; }
  static Variant PutSTATe(const TCall& c) {
    Markers(c).SetStatistics(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_MSTatistics_DOMainImpl {
  static Variant GetSTATe(const TCall& c) { return Markers(c).StatRange; }
  static Variant PutSTATe(const TCall& c) {
    Markers(c).SetStatRange(c.Args[0].asBool());
    return Variant();
  }
};

// Marker tags as doubles, 0-based; a put truncates through the checked conversion.
struct TSCPI_CALCulate_SELected_MSTatistics_DOMain_MARKerImpl {
  static Variant GetSTARt(const TCall& c) { return static_cast<double>(Markers(c).StatStart); }
  static Variant PutSTARt(const TCall& c) {
    const int tag = CheckedInt32(c.Args[0].asDouble());
    Markers(c).SetStatStart(tag);
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) { return static_cast<double>(Markers(c).StatStop); }
  static Variant PutSTOP(const TCall& c) {
    const int tag = CheckedInt32(c.Args[0].asDouble());
    Markers(c).SetStatStop(tag);
    return Variant();
  }
};

void AddCalcAnalysisRows(std::vector<NodeRow>& rows) {
  auto add = [&](const char* interface, const char* parent, const char* getter, std::vector<MemberRow> members) {
    rows::AddNode(rows, kFamily, interface, parent, getter, IndexKind::None, std::move(members));
  };
  using F = TSCPI_CALCulate_SELected_FUNCtionImpl;
  add("ISCPI_CALCulate_SELected_FUNCtion", "ISCPI_CALCulate_SELected", "FUNCtion",
      {Property("DATA", A, F::DATA), Getter("DOMain", "ISCPI_CALCulate_SELected_FUNCtion_DOMain"),
       Method("EXECute", F::EXECute), Property("PEXCursion", D, F::GetPEXCursion, F::PutPEXCursion),
       Property("POINts", L, F::POINts), Property("PPOLarity", K, F::GetPPOLarity, F::PutPPOLarity),
       Property("TARGet", D, F::GetTARGet, F::PutTARGet),
       Property("TTRansition", K, F::GetTTRansition, F::PutTTRansition), Property("TYPE", T, F::GetTYPE, F::PutTYPE)});
  using FD = TSCPI_CALCulate_SELected_FUNCtion_DOMainImpl;
  add("ISCPI_CALCulate_SELected_FUNCtion_DOMain", "ISCPI_CALCulate_SELected_FUNCtion", "DOMain",
      {Property("COUPle", B, FD::GetCOUPle, FD::PutCOUPle), Property("STARt", D, FD::GetSTARt, FD::PutSTARt),
       Property("STATe", B, FD::GetSTATe, FD::PutSTATe), Property("STOP", D, FD::GetSTOP, FD::PutSTOP)});
  using S = TSCPI_CALCulate_SELected_MSTatisticsImpl;
  add("ISCPI_CALCulate_SELected_MSTatistics", "ISCPI_CALCulate_SELected", "MSTatistics",
      {Property("DATA", A, S::DATA), Property("STATe", B, S::GetSTATe, S::PutSTATe),
       Getter("DOMain", "ISCPI_CALCulate_SELected_MSTatistics_DOMain")});
  using SD = TSCPI_CALCulate_SELected_MSTatistics_DOMainImpl;
  MemberRow marker = Getter("MARKer", "ISCPI_CALCulate_SELected_MSTatistics_DOMain_MARKer");
  marker.GetStyle = ErrorStyle::DispException;
  add("ISCPI_CALCulate_SELected_MSTatistics_DOMain", "ISCPI_CALCulate_SELected_MSTatistics", "DOMain",
      {marker, DispStyle(Property("STATe", B, SD::GetSTATe, SD::PutSTATe))});
  using SM = TSCPI_CALCulate_SELected_MSTatistics_DOMain_MARKerImpl;
  add("ISCPI_CALCulate_SELected_MSTatistics_DOMain_MARKer", "ISCPI_CALCulate_SELected_MSTatistics_DOMain", "MARKer",
      {DispStyle(Property("STARt", D, SM::GetSTARt, SM::PutSTARt)),
       DispStyle(Property("STOP", D, SM::GetSTOP, SM::PutSTOP))});
}

}  // namespace automation
