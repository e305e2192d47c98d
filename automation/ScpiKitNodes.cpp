// The calibration kits: the selected kit's label, reset and selection, and the models of its
// four standards. A standard node holds only its position and follows the kit selected at each
// call.
#include "automation/ScpiKitNodes.h"
#include "automation/ScpiSenseRows.h"
#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalStd.h"

namespace automation {

using namespace sense;

namespace {

constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType T = ValueType::Text;
constexpr ValueType K = ValueType::Keyword;

TCalKitsModule& Module(const TCall& c) {
  (void)c.T();
  if (CalKitsModule == nullptr) Raise(200);
  return *CalKitsModule;
}

TCalKit& SelectedKit(const TCall& c) {
  TCalKit* kit = Module(c).GetKits().GetSelected();
  if (kit == nullptr) Raise(200);
  return *kit;
}

// The node's position: 0 Short, 1 Open, 2 Load, 3 Thru (checked by the getter).
int Position(const TCall& c) { return c.Self.Index[static_cast<size_t>(c.Self.IndexCount - 1)]; }

TCalStd& Standard(const TCall& c) {
  TCalStd* s = SelectedKit(c).GetStandard(Position(c));
  if (s == nullptr) Raise(200);
  return *s;
}

double Value(const TCall& c) { return c.Args.back().asDouble(); }

// Automation units of the polynomial coefficients: C0..C3 in 1e-15 F, 1e-27 F/Hz, 1e-36 F/Hz2,
// 1e-45 F/Hz3; L0..L3 in 1e-12 H, 1e-24 H/Hz, 1e-33 H/Hz2, 1e-42 H/Hz3. Gets divide, puts
// multiply.
constexpr double kCUnit[4] = {1e-15, 1e-27, 1e-36, 1e-45};
constexpr double kLUnit[4] = {1e-12, 1e-24, 1e-33, 1e-42};

template <int k>
Variant GetC(const TCall& c) {
  return Standard(c).GetC(k) / kCUnit[k];
}
template <int k>
Variant PutC(const TCall& c) {
  Standard(c).SetC(k, Value(c) * kCUnit[k]);
  return Variant();
}
template <int k>
Variant GetL(const TCall& c) {
  return Standard(c).GetL(k) / kLUnit[k];
}
template <int k>
Variant PutL(const TCall& c) {
  Standard(c).SetL(k, Value(c) * kLUnit[k]);
  return Variant();
}

}  // namespace

// ---- ISCPI_SENSe_CORRection_COLLect_CKIT ---------------------------------------------------------
struct TSCPI_SENSe_CORRection_COLLect_CKITImpl {
  static Variant GetLABel(const TCall& c) { return SelectedKit(c).Name; }
  static Variant PutLABel(const TCall& c) {
    SelectedKit(c).SetName(c.Args.back().asText());
    return Variant();
  }
  static Variant RESet(const TCall& c) {
    Module(c).ResetSelectedKit();
    return Variant();
  }
  static Variant GetSELect(const TCall& c) { return Module(c).GetKits().GetSelectedIndex() + 1; }
  // The list as it stands (with the electronic module's temporary kit when there is one); a
  // number outside it is ignored.
  static Variant PutSELect(const TCall& c) {
    TCalKits& kits = Module(c).GetKits();
    const int32_t n = c.Args.back().asInt();
    if (n >= 1 && n <= kits.GetCount()) kits.SelectKit(n - 1);
    return Variant();
  }
};

// ---- ISCPI_SENSe_CORRection_COLLect_CKIT_STAN ----------------------------------------------------
struct TSCPI_SENSe_CORRection_COLLect_CKIT_STANImpl {
  static Variant GetDelay(const TCall& c) { return Standard(c).GetOffsetDelay(); }
  static Variant PutDelay(const TCall& c) {
    Standard(c).SetOffset(0, Value(c));
    return Variant();
  }
  static Variant GetZ0(const TCall& c) { return Standard(c).GetOffsetZ0(); }
  static Variant PutZ0(const TCall& c) {
    Standard(c).SetOffset(1, Value(c));
    return Variant();
  }
  static Variant GetLOSS(const TCall& c) { return Standard(c).GetOffsetLoss(); }
  static Variant PutLOSS(const TCall& c) {
    Standard(c).SetOffset(2, Value(c));
    return Variant();
  }
  static Variant GetLABel(const TCall& c) { return Standard(c).Name; }
  // The name alone, without a change report.
  static Variant PutLABel(const TCall& c) {
    Standard(c).Name = c.Args.back().asText();
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return TCalKit::GetStandardScpiName(Position(c)); }
  static Variant GetARBitrary(const TCall&) { return 0.0; }
};

void AddSenseKitRows(std::vector<NodeRow>& rows) {
  const char* f = kKitFamily;
  using C = TSCPI_SENSe_CORRection_COLLect_CKITImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_CKIT", "ISCPI_SENSe_CORRection_COLLect", "CKIT", IndexKind::None,
          {Getter("ORDer", "ISCPI_SENSe_CORRection_COLLect_CKIT_ORDer"), Property("LABel", T, C::GetLABel, C::PutLABel),
           Method("RESet", C::RESet), Property("SELect", L, C::GetSELect, C::PutSELect),
           Getter("STAN", "ISCPI_SENSe_CORRection_COLLect_CKIT_STAN")});
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_CKIT_ORDer", "ISCPI_SENSe_CORRection_COLLect_CKIT", "ORDer",
          IndexKind::None,
          {Property("LOAD", L, Nothing, Nothing, {L}), Property("OPEN", L, Nothing, Nothing, {L}),
           Property("SHORt", L, Nothing, Nothing, {L}), Property("THRU", L, Nothing, Nothing, {L, L})});
  using S = TSCPI_SENSe_CORRection_COLLect_CKIT_STANImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_CKIT_STAN", "ISCPI_SENSe_CORRection_COLLect_CKIT", "STAN",
          IndexKind::KitStandard,
          {Property("C0", D, GetC<0>, PutC<0>), Property("C1", D, GetC<1>, PutC<1>), Property("C2", D, GetC<2>, PutC<2>),
           Property("C3", D, GetC<3>, PutC<3>), Property("L0", D, GetL<0>, PutL<0>), Property("L1", D, GetL<1>, PutL<1>),
           Property("L2", D, GetL<2>, PutL<2>), Property("L3", D, GetL<3>, PutL<3>),
           Property("Delay", D, S::GetDelay, S::PutDelay), Property("Z0", D, S::GetZ0, S::PutZ0),
           Property("LOSS", D, S::GetLOSS, S::PutLOSS), Property("LABel", T, S::GetLABel, S::PutLABel),
           Property("TYPE", K, S::GetTYPE, Nothing), Property("ARBitrary", D, S::GetARBitrary, Nothing)});
}

}  // namespace automation
