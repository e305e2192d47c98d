// The channel node of CALCulate, its trace nodes with their data arrays, and the settings of the
// active trace: format, data math and memory, max hold, smoothing, conversion, electrical delay
// and phase offset.
#include <algorithm>
#include <cctype>

#include "automation/NodeRowHelpers.h"
#include "automation/ScpiCalcNodes.h"
#include "display/RangeView.h"
#include "shell/MainFrm.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"

namespace automation {

namespace calc {

TRangeView& View(const TCall& c) {
  TRangeView* view = c.T().Main.GetView(c.Channel());
  if (view == nullptr || c.Channel() >= c.T().Main.ChannelCount) Raise(201);
  return *view;
}

TMeasureList& Traces(const TCall& c) {
  TMeasureList* list = View(c).GetTraces();
  if (list == nullptr) Raise(200);
  return *list;
}

TMeasurement& Trace(const TCall& c) {
  TMeasurement* t = Traces(c).GetMeasurement(c.Self.Index[1]);
  if (t == nullptr) Raise(202);
  return *t;
}

TMeasurement& Active(const TCall& c) {
  TMeasurement* t = Traces(c).GetActive();
  if (t == nullptr) Raise(202);
  return *t;
}

TMarkerList& Markers(const TCall& c) {
  TMarkerList* m = Active(c).Markers;
  if (m == nullptr) Raise(200);
  return *m;
}

TMarker& Marker(const TCall& c) {
  TMarker* m = Markers(c).FindMarker(c.Self.Index[1]);
  if (m == nullptr) Raise(204);
  return *m;
}

TMarker& ActiveMarker(const TCall& c) {
  TMarker* m = Markers(c).GetActiveMarker();
  if (m == nullptr) Raise(204);
  return *m;
}

MemberRow DispStyle(MemberRow m) {
  m.GetStyle = ErrorStyle::DispException;
  m.PutStyle = ErrorStyle::DispException;
  return m;
}

const char* PolarityText(int code) {
  switch (code) {
    case 1: return "NEG";
    case 2: return "BOTH";
    default: return "POS";
  }
}

int PolarityFromText(const std::string& text) {
  static const char* const kWords[] = {"POS", "NEG", "BOTH"};
  for (int i = 0; i < 3; ++i) {
    const std::string w = kWords[i];
    if (text.size() < w.size()) continue;
    bool same = true;
    for (size_t k = 0; k < w.size() && same; ++k) {
      same = std::toupper(static_cast<unsigned char>(text[k])) == w[k];
    }
    if (same) return i;
  }
  return -1;
}

}  // namespace calc

namespace {

using namespace calc;

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType T = ValueType::Text;
constexpr ValueType A = ValueType::Array;
constexpr const char* kFamily = "CalculateTrace";

// 2N doubles from point 0: the two parts of every point.
template <class Source>
Variant PointArray(int n, const Source& point) {
  std::vector<double> out(static_cast<size_t>(std::max(n, 0)) * 2);
  for (int i = 0; i < n; ++i) {
    const TComplex p = point(i);
    out[2 * static_cast<size_t>(i)] = p.Re;
    out[2 * static_cast<size_t>(i) + 1] = p.Im;
  }
  return out;
}

Variant Formatted(const TMeasurement& t) {
  return PointArray(t.GetPointCount(), [&](int i) { return t.GetFormattedPoint(i); });
}
Variant Complex(const TMeasurement& t) {
  return PointArray(t.GetPointCount(), [&](int i) { return t.GetDataPoint(i); });
}
// Without a memory exactly [0, 0].
Variant MemoryArray(const TMeasurement& t, bool formatted) {
  const TMemoryTrace* m = t.Memories != nullptr ? t.Memories->GetActiveMemory() : nullptr;
  if (m == nullptr) return std::vector<double>{0.0, 0.0};
  if (formatted) return PointArray(m->GetPointCount(), [&](int i) { return m->GetFormattedPoint(i); });
  return PointArray(m->GetPointCount(), [&](int i) { return m->GetDataPoint(i); });
}

}  // namespace

// ---- ISCPI_CALCulate_PARameter -------------------------------------------------------------------
struct TSCPI_CALCulate_PARameterImpl {
  static Variant GetCOUNt(const TCall& c) {
    Trace(c);
    return static_cast<int32_t>(Traces(c).GetCount());
  }
  // One trace at a time until the count is k: added traces are S11 in Return Loss, each
  // becoming active; deletion removes the active trace. The list holds 1..4 traces, so k is
  // limited to that first (a count it cannot reach would never end the loop).
  static Variant PutCOUNt(const TCall& c) {
    Trace(c);
    TMeasureList& list = Traces(c);
    const int k = std::clamp(c.Args[0].asInt(), 1, TMeasureList::MaxTraces);
    while (list.GetCount() < k) {
      const int before = list.GetCount();
      list.AddMeasurement(0, 16);
      if (list.GetCount() == before) break;
    }
    while (list.GetCount() > k) {
      const int before = list.GetCount();
      list.DeleteActiveMeasurement();
      if (list.GetCount() == before) break;
    }
    return Variant();
  }
  static Variant GetDEFine(const TCall& c) { return Trace(c).GetMeasModeName(); }
  static Variant PutDEFine(const TCall& c) {
    Trace(c).SetMeasModeText(c.Args[0].asText());
    return Variant();
  }
  static Variant SELect(const TCall& c) {
    Trace(c);
    c.T().Main.SetActiveView(c.Channel());
    Traces(c).SetActive(c.Self.Index[1]);
    return Variant();
  }
  static Variant GetSPORt(const TCall& c) { return static_cast<int32_t>(Trace(c).Port + 1); }
  static Variant PutSPORt(const TCall& c) {
    TMeasurement& t = Trace(c);
    const int p = c.Args[0].asInt();
    if (p == 1) t.SetMeasMode(2);
    if (p == 2) t.SetMeasMode(3);
    return Variant();
  }
};

// ---- ISCPI_CALCulate_TRACe_DATA and ISCPI_CALCulate_SELected_DATA ----------------------------------
struct TSCPI_CALCulate_TRACe_DATAImpl {
  static Variant FDATa(const TCall& c) { return Formatted(Trace(c)); }
  static Variant FMEMory(const TCall& c) { return MemoryArray(Trace(c), true); }
  static Variant SDATa(const TCall& c) { return Complex(Trace(c)); }
  static Variant SMEMory(const TCall& c) { return MemoryArray(Trace(c), false); }
};

struct TSCPI_CALCulate_SELected_DATAImpl {
  static Variant FDATa(const TCall& c) { return Formatted(Active(c)); }
  static Variant FMEMory(const TCall& c) { return MemoryArray(Active(c), true); }
  static Variant SDATa(const TCall& c) { return Complex(Active(c)); }
  static Variant SMEMory(const TCall& c) { return MemoryArray(Active(c), false); }
};

// ---- ISCPI_CALCulate_SELected and its settings nodes ------------------------------------------------
struct TSCPI_CALCulate_SELectedImpl {
  static Variant GetFORMat(const TCall& c) { return Active(c).GetFormatText(); }
  static Variant PutFORMat(const TCall& c) {
    Active(c).SetFormatText(c.Args[0].asText());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_MATHImpl {
  static Variant GetFUNCtion(const TCall& c) { return Active(c).GetDataMathText(); }
  static Variant PutFUNCtion(const TCall& c) {
    Active(c).SetDataMathText(c.Args[0].asText());
    return Variant();
  }
  // The memory is replaced by the present data.
  static Variant MEMorize(const TCall& c) {
    TMeasurement& t = Active(c);
    if (t.Memories == nullptr) Raise(200);
    t.Memories->Clear();
    t.Memories->StoreData();
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_MAXholdImpl {
  static Variant GetSTATe(const TCall& c) { return Active(c).EnableMaxHold; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetMaxHold(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_SMOothingImpl {
  static Variant GetAPERture(const TCall& c) { return Active(c).SmoAperture; }
  static Variant PutAPERture(const TCall& c) {
    Active(c).SetSmoothingAperture(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return Active(c).Smoothing; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetSmoothing(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_CONVersionImpl {
  static Variant GetFUNCtion(const TCall& c) { return Active(c).GetConversionText(); }
  static Variant PutFUNCtion(const TCall& c) {
    Active(c).SetConversionText(c.Args[0].asText());
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return Active(c).ConversionOn; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetConversionOn(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_CORRection_EDELayImpl {
  static Variant GetTIME(const TCall& c) { return Active(c).ElectricalDelay; }
  static Variant PutTIME(const TCall& c) {
    Active(c).SetElectricalDelay(c.Args[0].asDouble());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_CORRection_OFFSetImpl {
  static Variant GetPHASe(const TCall& c) { return Active(c).PhaseOffset; }
  static Variant PutPHASe(const TCall& c) {
    Active(c).SetPhaseOffset(c.Args[0].asDouble());
    return Variant();
  }
};

void AddCalcTraceRows(std::vector<NodeRow>& rows) {
  auto add = [&](const char* interface, const char* parent, const char* getter, IndexKind index,
                 std::vector<MemberRow> members) {
    rows::AddNode(rows, kFamily, interface, parent, getter, index, std::move(members));
  };
  add("ISCPI_CALCulate", "ISCPI", "CALCulate", IndexKind::Channel,
      {Getter("PARameter", "ISCPI_CALCulate_PARameter"), Getter("SELected", "ISCPI_CALCulate_SELected"),
       Getter("FSIMulator", "ISCPI_CALCulate_FSIMulator"), Getter("TRACe", "ISCPI_CALCulate_TRACe")});
  using P = TSCPI_CALCulate_PARameterImpl;
  add("ISCPI_CALCulate_PARameter", "ISCPI_CALCulate", "PARameter", IndexKind::Trace,
      {Property("COUNt", L, P::GetCOUNt, P::PutCOUNt), Property("DEFine", T, P::GetDEFine, P::PutDEFine),
       Method("SELect", P::SELect), Property("SPORt", L, P::GetSPORt, P::PutSPORt)});
  add("ISCPI_CALCulate_TRACe", "ISCPI_CALCulate", "TRACe", IndexKind::Trace,
      {Getter("DATA", "ISCPI_CALCulate_TRACe_DATA")});
  using TD = TSCPI_CALCulate_TRACe_DATAImpl;
  add("ISCPI_CALCulate_TRACe_DATA", "ISCPI_CALCulate_TRACe", "DATA", IndexKind::None,
      {Property("FDATa", A, TD::FDATa), Property("FMEMory", A, TD::FMEMory), Property("SDATa", A, TD::SDATa),
       Property("SMEMory", A, TD::SMEMory)});
  using S = TSCPI_CALCulate_SELectedImpl;
  add("ISCPI_CALCulate_SELected", "ISCPI_CALCulate", "SELected", IndexKind::None,
      {Property("FORMat", K, S::GetFORMat, S::PutFORMat), Getter("DATA", "ISCPI_CALCulate_SELected_DATA"),
       Getter("LIMit", "ISCPI_CALCulate_SELected_LIMit"), Getter("MARKer", "ISCPI_CALCulate_SELected_MARKer"),
       Getter("MATH", "ISCPI_CALCulate_SELected_MATH"), Getter("MSTatistics", "ISCPI_CALCulate_SELected_MSTatistics"),
       Getter("SMOothing", "ISCPI_CALCulate_SELected_SMOothing"), Getter("RLIMit", "ISCPI_CALCulate_SELected_RLIMit"),
       Getter("CORRection", "ISCPI_CALCulate_SELected_CORRection"), Getter("FILTer", "ISCPI_CALCulate_SELected_FILTer"),
       Getter("FUNCtion", "ISCPI_CALCulate_SELected_FUNCtion"), Getter("TRANsform", "ISCPI_CALCulate_SELected_TRANsform"),
       Getter("CONVersion", "ISCPI_CALCulate_SELected_CONVersion"), Getter("MAXHold", "ISCPI_CALCulate_SELected_MAXHold")});
  using SD = TSCPI_CALCulate_SELected_DATAImpl;
  add("ISCPI_CALCulate_SELected_DATA", "ISCPI_CALCulate_SELected", "DATA", IndexKind::None,
      {Property("FDATa", A, SD::FDATa), Property("FMEMory", A, SD::FMEMory), Property("SDATa", A, SD::SDATa),
       Property("SMEMory", A, SD::SMEMory)});
  using M = TSCPI_CALCulate_SELected_MATHImpl;
  add("ISCPI_CALCulate_SELected_MATH", "ISCPI_CALCulate_SELected", "MATH", IndexKind::None,
      {Property("FUNCtion", K, M::GetFUNCtion, M::PutFUNCtion), Method("MEMorize", M::MEMorize)});
  using MH = TSCPI_CALCulate_SELected_MAXholdImpl;
  add("ISCPI_CALCulate_SELected_MAXHold", "ISCPI_CALCulate_SELected", "MAXHold", IndexKind::None,
      {Property("STATe", B, MH::GetSTATe, MH::PutSTATe)});
  using SM = TSCPI_CALCulate_SELected_SMOothingImpl;
  add("ISCPI_CALCulate_SELected_SMOothing", "ISCPI_CALCulate_SELected", "SMOothing", IndexKind::None,
      {Property("APERture", D, SM::GetAPERture, SM::PutAPERture), Property("STATe", B, SM::GetSTATe, SM::PutSTATe)});
  using CV = TSCPI_CALCulate_SELected_CONVersionImpl;
  add("ISCPI_CALCulate_SELected_CONVersion", "ISCPI_CALCulate_SELected", "CONVersion", IndexKind::None,
      {Property("FUNCtion", K, CV::GetFUNCtion, CV::PutFUNCtion), Property("STATe", B, CV::GetSTATe, CV::PutSTATe)});
  add("ISCPI_CALCulate_SELected_CORRection", "ISCPI_CALCulate_SELected", "CORRection", IndexKind::None,
      {Getter("EDELay", "ISCPI_CALCulate_SELected_CORRection_EDELay"),
       Getter("OFFSet", "ISCPI_CALCulate_SELected_CORRection_OFFSet")});
  using ED = TSCPI_CALCulate_SELected_CORRection_EDELayImpl;
  add("ISCPI_CALCulate_SELected_CORRection_EDELay", "ISCPI_CALCulate_SELected_CORRection", "EDELay", IndexKind::None,
      {Property("TIME", D, ED::GetTIME, ED::PutTIME)});
  using OF = TSCPI_CALCulate_SELected_CORRection_OFFSetImpl;
  add("ISCPI_CALCulate_SELected_CORRection_OFFSet", "ISCPI_CALCulate_SELected_CORRection", "OFFSet", IndexKind::None,
      {Property("PHASe", D, OF::GetPHASe, OF::PutPHASe)});
}

}  // namespace automation
