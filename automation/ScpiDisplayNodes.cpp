// The display-wide nodes: channel layout, the fail-sign switch, the inverse colour scheme, the
// display look's colours and the redraw of the shown channel windows. The nodes below
// DISPlay:WINDow<Ch> are in ScpiWindowNodes.cpp.
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "automation/NodeTable.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace automation {

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType A = ValueType::Array;

using rows::Getter;
using rows::Method;
using rows::Property;

TViewProperties& Look() {
  if (ViewProperties == nullptr) Raise(200);
  return *ViewProperties;
}

// A colour as it is drawn: [red, green, blue].
Variant ColorOut(TColor c) {
  return std::vector<double>{static_cast<double>(GetColorRed(c)), static_cast<double>(GetColorGreen(c)),
                             static_cast<double>(GetColorBlue(c))};
}

// Exactly three components, each checked before anything is stored; in-range values keep only
// their low eight bits (300 -> 44, -1 -> 255).
TColor ColorIn(const Variant& v) {
  const std::vector<double> d = DoubleVectorFromVariant(v);
  if (d.size() != 3) Raise(220);
  const int32_t r = CheckedInt32(d[0]);
  const int32_t g = CheckedInt32(d[1]);
  const int32_t b = CheckedInt32(d[2]);
  return MakeRgbColor(r, g, b);
}

// The colour pair of a COLor:TRACe node, 0..7 (the node's only index).
int PairOf(const TCall& c) { return c.Self.Index[0]; }

Variant Nothing(const TCall&) { return Variant(); }
Variant FixedTrue(const TCall&) { return true; }

}  // namespace

// ---- ISCPI_DISPlay -------------------------------------------------------------------------------
struct TSCPI_DISPlayImpl {
  static Variant GetSPLit(const TCall& c) { return static_cast<int32_t>(c.T().Main.ChannelLayout + 1); }
  // Limited to 1..6 before the layout is derived, so no value of 32 bits overflows; the window
  // count then always becomes the layout's full count.
  static Variant PutSPLit(const TCall& c) {
    const int32_t split = c.Args[0].asInt();
    const int layout = split < 1 ? 0 : split > TMainFrm::kLayoutCount ? TMainFrm::kLayoutCount - 1 : split - 1;
    TMainFrm& main = c.T().Main;
    main.SetChannelLayout(layout);
    main.SetChannelCount(main.GetLayoutChannelCount());
    return Variant();
  }
  static Variant GetFSIGn(const TCall& c) {
    TRangeView* view = c.T().Main.GetActiveView();
    TMeasurement* trace = view != nullptr && view->GetTraces() != nullptr ? view->GetTraces()->GetActive() : nullptr;
    if (trace == nullptr) Raise(200);
    return trace->ShowFailSign;
  }
  // Every trace of all four windows, shown or hidden, in list order.
  static Variant PutFSIGn(const TCall& c) {
    const bool on = c.Args[0].asBool();
    for (int i = 0; i < TMainFrm::kViewCount; ++i) {
      TRangeView* view = c.T().Main.GetView(i);
      TMeasureList* list = view != nullptr ? view->GetTraces() : nullptr;
      if (list == nullptr) continue;
      for (int k = 0; k < list->GetCount(); ++k) {
        TMeasurement* trace = list->GetMeasurement(k);
        if (trace == nullptr) continue;
        trace->SetShowFailSign(on);
        trace->SetShowRippleFailSign(on);
      }
    }
    return Variant();
  }
  static Variant GetIMAGe(const TCall&) { return Look().GetInverseColorText(); }
  static Variant PutIMAGe(const TCall& c) {
    Look().SetInverseColorText(c.Args[0].asText());
    return Variant();
  }
};

// ---- ISCPI_DISPlay_UPDate ------------------------------------------------------------------------
struct TSCPI_DISPlay_UPDateImpl {
  static Variant IMMediate(const TCall& c) {
    TMainFrm& main = c.T().Main;
    for (int i = 0; i < main.ChannelCount; ++i) {
      if (TRangeView* view = main.GetView(i)) view->RequestRedraw();
    }
    return Variant();
  }
};

// ---- ISCPI_DISPlay_COLor -------------------------------------------------------------------------
struct TSCPI_DISPlay_COLorImpl {
  static Variant GetBACK(const TCall&) { return ColorOut(Look().GetUndegroundColor()); }
  // Written straight into the field: no change event, no redraw; the next repaint shows it.
  static Variant PutBACK(const TCall& c) {
    const TColor color = ColorIn(c.Args[0]);
    Look().UndegroundColor = color;
    return Variant();
  }
  static Variant GetGRATicule(const TCall&) { return ColorOut(Look().GetGridColor()); }
  static Variant PutGRATicule(const TCall& c) {
    const TColor color = ColorIn(c.Args[0]);
    Look().SetGridColor(color);
    return Variant();
  }
  static Variant RESet(const TCall&) {
    Look().SetDefaults();
    return Variant();
  }
};

// ---- ISCPI_DISPlay_COLor_TRACe -------------------------------------------------------------------
struct TSCPI_DISPlay_COLor_TRACeImpl {
  static Variant GetDATA(const TCall& c) { return ColorOut(Look().GetMainColor(PairOf(c))); }
  static Variant PutDATA(const TCall& c) {
    const TColor color = ColorIn(c.Args[0]);
    Look().SetMainColor(PairOf(c), color);
    return Variant();
  }
  static Variant GetMEMory(const TCall& c) { return ColorOut(Look().GetAuxColor(PairOf(c))); }
  static Variant PutMEMory(const TCall& c) {
    const TColor color = ColorIn(c.Args[0]);
    Look().SetAuxColor(PairOf(c), color);
    return Variant();
  }
};

void AddDisplayRows(std::vector<NodeRow>& rows) {
  auto node = [&](const char* interface, const char* parent, const char* getter, IndexKind index,
                  std::vector<MemberRow> members) {
    rows::AddNode(rows, "Display", interface, parent, getter, index, std::move(members));
  };
  MemberRow enable = Property("ENABle", B, FixedTrue, Nothing);
  enable.NeedsTarget = false;
  node("ISCPI_DISPlay", "ISCPI", "DISPlay", IndexKind::None,
       {Property("SPLit", L, TSCPI_DISPlayImpl::GetSPLit, TSCPI_DISPlayImpl::PutSPLit),
        Getter("WINDow", "ISCPI_DISPlay_WINDow"), enable, Getter("UPDate_", "ISCPI_DISPlay_UPDate"),
        Property("FSIGn", B, TSCPI_DISPlayImpl::GetFSIGn, TSCPI_DISPlayImpl::PutFSIGn),
        Getter("COLor", "ISCPI_DISPlay_COLor"),
        Property("IMAGe", K, TSCPI_DISPlayImpl::GetIMAGe, TSCPI_DISPlayImpl::PutIMAGe)});
  node("ISCPI_DISPlay_UPDate", "ISCPI_DISPlay", "UPDate_", IndexKind::None,
       {Method("IMMediate", TSCPI_DISPlay_UPDateImpl::IMMediate)});
  node("ISCPI_DISPlay_COLor", "ISCPI_DISPlay", "COLor", IndexKind::None,
       {Property("BACK", A, TSCPI_DISPlay_COLorImpl::GetBACK, TSCPI_DISPlay_COLorImpl::PutBACK),
        Property("GRATicule", A, TSCPI_DISPlay_COLorImpl::GetGRATicule, TSCPI_DISPlay_COLorImpl::PutGRATicule),
        Method("RESet", TSCPI_DISPlay_COLorImpl::RESet), Getter("TRACe", "ISCPI_DISPlay_COLor_TRACe")});
  node("ISCPI_DISPlay_COLor_TRACe", "ISCPI_DISPlay_COLor", "TRACe", IndexKind::ColorPair,
       {Property("DATA", A, TSCPI_DISPlay_COLor_TRACeImpl::GetDATA, TSCPI_DISPlay_COLor_TRACeImpl::PutDATA),
        Property("MEMory", A, TSCPI_DISPlay_COLor_TRACeImpl::GetMEMory, TSCPI_DISPlay_COLor_TRACeImpl::PutMEMory)});
}

}  // namespace automation
