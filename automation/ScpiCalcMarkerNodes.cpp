// The markers of a channel's active trace: switching them on and off, moving and reading them,
// the bandwidth readout, the marker searches and their range.
#include <cstdint>

#include "automation/ScpiCalcNodes.h"
#include "traces/Marker.h"
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
constexpr ValueType A = ValueType::Array;
constexpr const char* kFamily = "CalculateMarker";

int Tag(const TCall& c) { return c.Self.Index[1]; }

}  // namespace

// ---- ISCPI_CALCulate_SELected_MARKer ----------------------------------------------------------------
struct TSCPI_CALCulate_SELected_MARKerImpl {
  // Marker 16 is the reference switch. On: markers are added until marker m exists (each new one
  // active); off: markers m.. go, the last one first, so markers 1..m-1 keep their places.
  static void SetMarkerState(TMarkerList& list, int tag, bool on) {
    if (tag == TMarker::ReferenceTag) {
      list.SetReferenceEnabled(on);
      return;
    }
    if (on) {
      while (list.GetMarkerCount() <= tag) {
        if (!list.AddMarker()) break;
      }
      return;
    }
    while (list.GetMarkerCount() > tag) {
      const int before = list.GetMarkerCount();
      list.SetActiveMarker(before - 1);
      list.DeleteActiveMarker();
      if (list.GetMarkerCount() == before) break;
    }
  }

  static Variant ACTivate(const TCall& c) {
    TMarkerList& list = Markers(c);
    SetMarkerState(list, Tag(c), true);
    list.SetActiveMarker(Tag(c));
    return Variant();
  }
  static Variant GetCOUPle(const TCall& c) { return Traces(c).MarkerCouple; }
  static Variant PutCOUPle(const TCall& c) {
    Traces(c).SetMarkerCouple(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return Markers(c).MarkerExists(Tag(c)); }
  static Variant PutSTATe(const TCall& c) {
    SetMarkerState(Markers(c), Tag(c), c.Args[0].asBool());
    return Variant();
  }
  static Variant GetX(const TCall& c) {
    const TMarker& m = Marker(c);
    return Active(c).StimulusToHz(m.Argument);
  }
  static Variant PutX(const TCall& c) {
    TMarker& m = Marker(c);
    m.SetArgument(Active(c).StimulusFromHz(c.Args[0].asDouble()));
    return Variant();
  }
  // The second value is the imaginary part for the Smith and polar formats; the scalar formats
  // have none (their interpolation in polar form may leave rounding noise there).
  static Variant GetY(const TCall& c) {
    const TMarker& m = Marker(c);
    const TMeasurement& t = Active(c);
    const bool complex = t.TraceFormat >= 8 && t.TraceFormat <= 15;
    return std::vector<double>{t.ResponseToSI(m.PointValue.Re), complex ? m.PointValue.Im : 0.0};
  }
  static Variant PutSET(const TCall& c) {
    Marker(c).SetMarkerToText(c.Args[0].asText());
    return Variant();
  }
  static Variant GetCOUNt(const TCall& c) { return static_cast<int32_t>(Markers(c).GetMarkerCount()); }
  // Adds up to k (the list refuses a sixteenth), then deletes from the last one down to k.
  static Variant PutCOUNt(const TCall& c) {
    TMarkerList& list = Markers(c);
    const int k = c.Args[0].asInt();
    while (list.GetMarkerCount() < k) {
      if (!list.AddMarker()) break;
    }
    if (list.GetMarkerCount() > 0) list.SetActiveMarker(list.GetMarkerCount() - 1);
    while (list.GetMarkerCount() > k) {
      const int before = list.GetMarkerCount();
      list.SetActiveMarker(before - 1);
      list.DeleteActiveMarker();
      if (list.GetMarkerCount() == before) break;
    }
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_MARKer_REFerenceImpl {
  static Variant GetSTATe(const TCall& c) { return Markers(c).EnableReference; }
  static Variant PutSTATe(const TCall& c) {
    Markers(c).SetReferenceEnabled(c.Args[0].asBool());
    return Variant();
  }
};

// ---- ISCPI_CALCulate_SELected_MARKer_BWIDth -----------------------------------------------------------
struct TSCPI_CALCulate_SELected_MARKer_BWIDthImpl {
  // [bandwidth, centre, Q, loss], searched now whether the chart's readout is on or not; the
  // search is the chart's own, so both agree.
  static Variant DATA(const TCall& c) {
    TMeasurement& t = Active(c);
    TMarkerList& list = Markers(c);
    if (list.BandwidthRef == 1 && !list.MarkerExists(Tag(c))) Raise(204);
    const TBandResult r = list.ComputeBandwidth();
    return std::vector<double>{t.StimulusToHz(r.Bandwidth()), t.StimulusToHz(r.Center()), r.Q(),
                               t.ResponseToSI(r.RefLevel)};
  }
  static Variant GetSTATe(const TCall& c) { return Markers(c).BandwidthSearch; }
  static Variant PutSTATe(const TCall& c) {
    Markers(c).SetBandwidthSearch(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetTHReshold(const TCall& c) { return Active(c).ResponseToSI(Markers(c).BandwidthValue); }
  static Variant PutTHReshold(const TCall& c) {
    Markers(c).SetBandwidthValue(Active(c).ResponseFromSI(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return Markers(c).GetBandwidthTypeText(); }
  static Variant PutTYPE(const TCall& c) {
    Markers(c).SetBandwidthTypeText(c.Args[0].asText());
    return Variant();
  }
  static Variant GetREFerence(const TCall& c) { return Markers(c).GetBandwidthRefText(); }
  static Variant PutREFerence(const TCall& c) {
    Markers(c).SetBandwidthRefText(c.Args[0].asText());
    return Variant();
  }
};

// ---- ISCPI_CALCulate_SELected_MARKer_FUNCtion -----------------------------------------------------------
struct TSCPI_CALCulate_SELected_MARKer_FUNCtionImpl {
  static Variant EXECute(const TCall& c) {
    Marker(c).Search();
    return Variant();
  }
  static Variant GetPEXCursion(const TCall& c) {
    const TMarker& m = Marker(c);
    return Active(c).ResponseToSI(m.PeakExcursion);
  }
  static Variant PutPEXCursion(const TCall& c) {
    TMarker& m = Marker(c);
    m.SetPeakExcursion(Active(c).ResponseFromSI(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetPPOLarity(const TCall& c) { return Marker(c).GetPeakPolarityText(); }
  static Variant PutPPOLarity(const TCall& c) {
    Marker(c).SetPeakPolarityText(c.Args[0].asText());
    return Variant();
  }
  static Variant GetTARGet(const TCall& c) {
    const TMarker& m = Marker(c);
    return Active(c).ResponseToSI(m.TargetValue);
  }
  static Variant PutTARGet(const TCall& c) {
    TMarker& m = Marker(c);
    m.SetTargetValue(Active(c).ResponseFromSI(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetTRACking(const TCall& c) { return Marker(c).Tracking; }
  static Variant PutTRACking(const TCall& c) {
    Marker(c).SetTracking(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetTTRansition(const TCall& c) { return Marker(c).GetTargetTransitionText(); }
  static Variant PutTTRansition(const TCall& c) {
    Marker(c).SetTargetTransitionText(c.Args[0].asText());
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return Marker(c).GetSearchText(); }
  static Variant PutTYPE(const TCall& c) {
    Marker(c).SetSearchText(c.Args[0].asText());
    return Variant();
  }
};

// ---- ISCPI_CALCulate_SELected_MARKer_FUNCtion_DOMain: the active marker, whatever m --------------------
struct TSCPI_CALCulate_SELected_MARKer_FUNCtion_DOMainImpl {
  static Variant GetSTARt(const TCall& c) {
    const TMarker& m = ActiveMarker(c);
    return Active(c).StimulusToHz(m.SearchStart);
  }
  static Variant PutSTARt(const TCall& c) {
    TMarker& m = ActiveMarker(c);
    m.SetSearchStart(Active(c).StimulusFromHz(c.Args[0].asDouble()));
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return ActiveMarker(c).SearchRangeOn; }
  static Variant PutSTATe(const TCall& c) {
    ActiveMarker(c).SetSearchRangeOn(c.Args[0].asBool());
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) {
    const TMarker& m = ActiveMarker(c);
    return Active(c).StimulusToHz(m.SearchStop);
  }
  static Variant PutSTOP(const TCall& c) {
    TMarker& m = ActiveMarker(c);
    m.SetSearchStop(Active(c).StimulusFromHz(c.Args[0].asDouble()));
    return Variant();
  }
  // The search range is never coupled across traces.
  static Variant GetCOUPle(const TCall&) { return false; }
  static Variant PutCOUPle(const TCall&) { return Variant(); }
};

void AddCalcMarkerRows(std::vector<NodeRow>& rows) {
  auto add = [&](const char* interface, const char* parent, const char* getter, IndexKind index,
                 std::vector<MemberRow> members) {
    rows::AddNode(rows, kFamily, interface, parent, getter, index, std::move(members));
  };
  using M = TSCPI_CALCulate_SELected_MARKerImpl;
  add("ISCPI_CALCulate_SELected_MARKer", "ISCPI_CALCulate_SELected", "MARKer", IndexKind::Marker,
      {Method("ACTivate", M::ACTivate), Getter("BWIDth", "ISCPI_CALCulate_SELected_MARKer_BWIDth"),
       Property("COUPle", B, M::GetCOUPle, M::PutCOUPle),
       Getter("REFerence", "ISCPI_CALCulate_SELected_MARKer_REFerence"),
       Property("STATe", B, M::GetSTATe, M::PutSTATe), Property("X", D, M::GetX, M::PutX), Property("Y", A, M::GetY),
       Getter("FUNCtion", "ISCPI_CALCulate_SELected_MARKer_FUNCtion"), Property("SET_", K, nullptr, M::PutSET),
       Property("COUNt", L, M::GetCOUNt, M::PutCOUNt)});
  using R = TSCPI_CALCulate_SELected_MARKer_REFerenceImpl;
  add("ISCPI_CALCulate_SELected_MARKer_REFerence", "ISCPI_CALCulate_SELected_MARKer", "REFerence", IndexKind::None,
      {Property("STATe", B, R::GetSTATe, R::PutSTATe)});
  using BW = TSCPI_CALCulate_SELected_MARKer_BWIDthImpl;
  add("ISCPI_CALCulate_SELected_MARKer_BWIDth", "ISCPI_CALCulate_SELected_MARKer", "BWIDth", IndexKind::None,
      {Property("DATA", A, BW::DATA), Property("STATe", B, BW::GetSTATe, BW::PutSTATe),
       Property("THReshold", D, BW::GetTHReshold, BW::PutTHReshold), Property("TYPE", K, BW::GetTYPE, BW::PutTYPE),
       Property("REFerence", K, BW::GetREFerence, BW::PutREFerence)});
  using F = TSCPI_CALCulate_SELected_MARKer_FUNCtionImpl;
  add("ISCPI_CALCulate_SELected_MARKer_FUNCtion", "ISCPI_CALCulate_SELected_MARKer", "FUNCtion", IndexKind::None,
      {Getter("DOMain", "ISCPI_CALCulate_SELected_MARKer_FUNCtion_DOMain"), Method("EXECute", F::EXECute),
       Property("PEXCursion", D, F::GetPEXCursion, F::PutPEXCursion),
       Property("PPOLarity", K, F::GetPPOLarity, F::PutPPOLarity), Property("TARGet", D, F::GetTARGet, F::PutTARGet),
       Property("TRACking", B, F::GetTRACking, F::PutTRACking),
       Property("TTRansition", K, F::GetTTRansition, F::PutTTRansition), Property("TYPE", K, F::GetTYPE, F::PutTYPE)});
  using DM = TSCPI_CALCulate_SELected_MARKer_FUNCtion_DOMainImpl;
  add("ISCPI_CALCulate_SELected_MARKer_FUNCtion_DOMain", "ISCPI_CALCulate_SELected_MARKer_FUNCtion", "DOMain",
      IndexKind::None,
      {Property("STARt", D, DM::GetSTARt, DM::PutSTARt), Property("STATe", B, DM::GetSTATe, DM::PutSTATe),
       Property("STOP", D, DM::GetSTOP, DM::PutSTOP), Property("COUPle", B, DM::GetCOUPle, DM::PutCOUPle)});
}

}  // namespace automation
