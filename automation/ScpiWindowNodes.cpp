// The nodes below DISPlay:WINDow<Ch>: one channel window's activation, title, divisions and
// marker readouts, and below WINDow<Ch>:TRACe<Tr> one trace's scale and the place of its marker
// table. Every member looks its window and trace up again at each call: a node outlives the
// trace it was made for when that trace is deleted, and then fails with 202.
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "automation/NodeTable.h"
#include "display/RangeView.h"
#include "shell/MainFrm.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

namespace automation {

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType T = ValueType::Text;
constexpr ValueType K = ValueType::Keyword;

using rows::Getter;
using rows::Method;
using rows::Property;

// A member that answers the same whatever happens, and needs no window.
MemberRow Fixed(const char* name, ValueType type, Handler get, Handler put) {
  MemberRow m = Property(name, type, get, put);
  m.NeedsTarget = false;
  return m;
}

Variant Nothing(const TCall&) { return Variant(); }
Variant FixedOne(const TCall&) { return static_cast<int32_t>(1); }
Variant EmptyText(const TCall&) { return std::string(); }

// The node's channel window.
TRangeView& View(const TCall& c) {
  TRangeView* view = c.T().Main.GetView(c.Channel());
  if (view == nullptr) Raise(200);
  return *view;
}

// Trace Tr of the node's window, as the list holds it now (202 when it is gone).
TMeasurement& Trace(const TCall& c) {
  TMeasureList* list = View(c).GetTraces();
  TMeasurement* trace = list != nullptr ? list->GetMeasurement(c.Self.Index[1]) : nullptr;
  if (trace == nullptr) Raise(202);
  return *trace;
}

TMarkerList& Markers(const TCall& c) {
  TMeasurement& trace = Trace(c);
  if (trace.Markers == nullptr) Raise(200);
  return *trace.Markers;
}

}  // namespace

// ---- ISCPI_DISPlay_WINDow ------------------------------------------------------------------------
struct TSCPI_DISPlay_WINDowImpl {
  // The main window limits the index to the shown channels.
  static Variant ACTivate(const TCall& c) {
    c.T().Main.SetActiveView(c.Channel());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_TITLe ------------------------------------------------------------------
struct TSCPI_DISPlay_WINDow_TITLeImpl {
  static Variant GetDATA(const TCall& c) { return View(c).GetMeasCaption(); }
  static Variant PutDATA(const TCall& c) {
    View(c).SetMeasCaption(c.Args[0].asText());
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return View(c).GetShowCaption(); }
  static Variant PutSTATe(const TCall& c) {
    View(c).SetShowCaption(c.Args[0].asBool());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_Y_SCALe ----------------------------------------------------------------
struct TSCPI_DISPlay_WINDow_Y_SCALeImpl {
  static Variant GetDIVisions(const TCall& c) { return static_cast<int32_t>(View(c).GetDivisions()); }
  static Variant PutDIVisions(const TCall& c) {
    View(c).SetDivisions(c.Args[0].asInt());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_ANNotation_MARKer_ALIGn ------------------------------------------------
struct TSCPI_DISPlay_WINDow_ANNotation_MARKer_ALIGnImpl {
  static Variant GetTYPE(const TCall& c) { return View(c).GetMarkerAlignText(); }
  // Unknown words are ignored; horizontal is refused while the markers are not coupled.
  static Variant PutTYPE(const TCall& c) {
    View(c).SetMarkerAlignText(c.Args[0].asText());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_ANNotation_MARKer_SINGle -----------------------------------------------
struct TSCPI_DISPlay_WINDow_ANNotation_MARKer_SINGleImpl {
  static Variant GetSTATe(const TCall& c) { return View(c).GetOneMeasurementMarkers(); }
  static Variant PutSTATe(const TCall& c) {
    View(c).SetOneMeasurementMarkers(c.Args[0].asBool());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_TRACe ------------------------------------------------------------------
struct TSCPI_DISPlay_WINDow_TRACeImpl {
  // Fixed, but only while the trace exists.
  static Variant GetSTATe(const TCall& c) {
    Trace(c);
    return true;
  }
  static Variant PutSTATe(const TCall& c) {
    Trace(c);
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_TRACe_Y_SCALe ----------------------------------------------------------
// Scale and reference of the trace's active format, in SI units (Group Delay in seconds).
struct TSCPI_DISPlay_WINDow_TRACe_Y_SCALeImpl {
  static Variant AUTO(const TCall& c) {
    Trace(c).AutoScale();
    return Variant();
  }
  static Variant GetPDIVision(const TCall& c) {
    TMeasurement& t = Trace(c);
    return t.ResponseToSI(t.GetScaleDiv());
  }
  static Variant PutPDIVision(const TCall& c) {
    TMeasurement& t = Trace(c);
    t.SetScaleDiv(t.ResponseFromSI(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetRLEVel(const TCall& c) {
    TMeasurement& t = Trace(c);
    return t.ResponseToSI(t.GetRefValue());
  }
  static Variant PutRLEVel(const TCall& c) {
    TMeasurement& t = Trace(c);
    t.SetRefValue(t.ResponseFromSI(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetRPOSition(const TCall& c) { return static_cast<int32_t>(Trace(c).GetRefPosition()); }
  static Variant PutRPOSition(const TCall& c) {
    Trace(c).SetRefPosition(c.Args[0].asInt());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_TRACe_MEMory -----------------------------------------------------------
struct TSCPI_DISPlay_WINDow_TRACe_MEMoryImpl {
  static Variant GetSTATe(const TCall& c) {
    TMeasurement& t = Trace(c);
    return t.Memories != nullptr && t.Memories->GetCount() > 0;
  }
  static Variant PutSTATe(const TCall& c) {
    Trace(c);
    return Variant();
  }
};

// ---- ISCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer_POSition ---------------------------------------
// Percent of the chart's free width and height; the marker list limits it to 0..100. The value
// is checked before it becomes an integer: NaN, infinities and values beyond 32 bits give 222.
struct TSCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer_POSitionImpl {
  static Variant GetX(const TCall& c) { return static_cast<double>(Markers(c).GetBoundsLeftFromTable()); }
  static Variant PutX(const TCall& c) {
    TMarkerList& m = Markers(c);
    m.SetBoundsLeft(CheckedInt32(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetY(const TCall& c) { return static_cast<double>(Markers(c).GetBoundsTopFromTable()); }
  static Variant PutY(const TCall& c) {
    TMarkerList& m = Markers(c);
    m.SetBoundsTop(CheckedInt32(c.Args[0].asDouble()));
    return Variant();
  }
};

void AddDisplayWindowRows(std::vector<NodeRow>& rows) {
  auto node = [&](const char* interface, const char* parent, const char* getter, IndexKind index,
                  std::vector<MemberRow> members) {
    rows::AddNode(rows, "DisplayWindow", interface, parent, getter, index, std::move(members));
  };
  constexpr IndexKind None = IndexKind::None;
  using W = TSCPI_DISPlay_WINDowImpl;
  using Title = TSCPI_DISPlay_WINDow_TITLeImpl;
  using Scale = TSCPI_DISPlay_WINDow_Y_SCALeImpl;
  using Align = TSCPI_DISPlay_WINDow_ANNotation_MARKer_ALIGnImpl;
  using Single = TSCPI_DISPlay_WINDow_ANNotation_MARKer_SINGleImpl;
  using Tr = TSCPI_DISPlay_WINDow_TRACeImpl;
  using TrScale = TSCPI_DISPlay_WINDow_TRACe_Y_SCALeImpl;
  using TrMemory = TSCPI_DISPlay_WINDow_TRACe_MEMoryImpl;
  using Position = TSCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer_POSitionImpl;

  node("ISCPI_DISPlay_WINDow", "ISCPI_DISPlay", "WINDow", IndexKind::Channel,
       {Method("ACTivate", W::ACTivate), Fixed("SPLit", L, FixedOne, Nothing),
        Getter("TRACe", "ISCPI_DISPlay_WINDow_TRACe"), Getter("Y", "ISCPI_DISPlay_WINDow_Y"),
        Getter("TITLe", "ISCPI_DISPlay_WINDow_TITLe"), Getter("X", "ISCPI_DISPlay_WINDow_X"),
        Getter("ANNotation", "ISCPI_DISPlay_WINDow_ANNotation")});
  node("ISCPI_DISPlay_WINDow_TITLe", "ISCPI_DISPlay_WINDow", "TITLe", None,
       {Property("DATA", T, Title::GetDATA, Title::PutDATA), Property("STATe", B, Title::GetSTATe, Title::PutSTATe)});
  node("ISCPI_DISPlay_WINDow_X", "ISCPI_DISPlay_WINDow", "X", None, {Fixed("SPACing", T, EmptyText, Nothing)});
  node("ISCPI_DISPlay_WINDow_Y", "ISCPI_DISPlay_WINDow", "Y", None, {Getter("SCALe", "ISCPI_DISPlay_WINDow_Y_SCALe")});
  node("ISCPI_DISPlay_WINDow_Y_SCALe", "ISCPI_DISPlay_WINDow_Y", "SCALe", None,
       {Property("DIVisions", L, Scale::GetDIVisions, Scale::PutDIVisions)});
  node("ISCPI_DISPlay_WINDow_ANNotation", "ISCPI_DISPlay_WINDow", "ANNotation", None,
       {Getter("MARKer", "ISCPI_DISPlay_WINDow_ANNotation_MARKer")});
  node("ISCPI_DISPlay_WINDow_ANNotation_MARKer", "ISCPI_DISPlay_WINDow_ANNotation", "MARKer", None,
       {Getter("ALIGn", "ISCPI_DISPlay_WINDow_ANNotation_MARKer_ALIGn"),
        Getter("SINGle", "ISCPI_DISPlay_WINDow_ANNotation_MARKer_SINGle")});
  node("ISCPI_DISPlay_WINDow_ANNotation_MARKer_ALIGn", "ISCPI_DISPlay_WINDow_ANNotation_MARKer", "ALIGn", None,
       {Property("TYPE", K, Align::GetTYPE, Align::PutTYPE)});
  node("ISCPI_DISPlay_WINDow_ANNotation_MARKer_SINGle", "ISCPI_DISPlay_WINDow_ANNotation_MARKer", "SINGle", None,
       {Property("STATe", B, Single::GetSTATe, Single::PutSTATe)});
  node("ISCPI_DISPlay_WINDow_TRACe", "ISCPI_DISPlay_WINDow", "TRACe", IndexKind::Trace,
       {Getter("Y", "ISCPI_DISPlay_WINDow_TRACe_Y"), Property("STATe", B, Tr::GetSTATe, Tr::PutSTATe),
        Getter("MEMory", "ISCPI_DISPlay_WINDow_TRACe_MEMory"),
        Getter("ANNotation", "ISCPI_DISPlay_WINDow_TRACe_ANNotation")});
  node("ISCPI_DISPlay_WINDow_TRACe_Y", "ISCPI_DISPlay_WINDow_TRACe", "Y", None,
       {Getter("SCALe", "ISCPI_DISPlay_WINDow_TRACe_Y_SCALe")});
  node("ISCPI_DISPlay_WINDow_TRACe_Y_SCALe", "ISCPI_DISPlay_WINDow_TRACe_Y", "SCALe", None,
       {Method("AUTO", TrScale::AUTO), Property("PDIVision", D, TrScale::GetPDIVision, TrScale::PutPDIVision),
        Property("RLEVel", D, TrScale::GetRLEVel, TrScale::PutRLEVel),
        Property("RPOSition", L, TrScale::GetRPOSition, TrScale::PutRPOSition)});
  node("ISCPI_DISPlay_WINDow_TRACe_MEMory", "ISCPI_DISPlay_WINDow_TRACe", "MEMory", None,
       {Property("STATe", B, TrMemory::GetSTATe, TrMemory::PutSTATe)});
  node("ISCPI_DISPlay_WINDow_TRACe_ANNotation", "ISCPI_DISPlay_WINDow_TRACe", "ANNotation", None,
       {Getter("MARKer", "ISCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer")});
  node("ISCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer", "ISCPI_DISPlay_WINDow_TRACe_ANNotation", "MARKer", None,
       {Getter("POSition", "ISCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer_POSition")});
  node("ISCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer_POSition", "ISCPI_DISPlay_WINDow_TRACe_ANNotation_MARKer",
       "POSition", None, {Property("X", D, Position::GetX, Position::PutX), Property("Y", D, Position::GetY, Position::PutY)});
}

}  // namespace automation
