// The error terms of the active channel's calibration, one term over its points as real and
// imaginary pairs, and a second road to the method record and the solve.
#include <array>
#include <string>

#include "automation/ScpiErrorTermNodes.h"
#include "automation/ScpiSenseRows.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "model/CalRange.h"

namespace automation {

using namespace sense;

namespace {

constexpr ValueType L = ValueType::Long;
constexpr ValueType T = ValueType::Text;
constexpr ValueType A = ValueType::Array;

enum class TTerm { Source, Reflection, Directivity, Transmission, Zero };

}  // namespace

// ---- ISCPI_SENSe_CORRection_COEFficient ----------------------------------------------------------
struct TSCPI_SENSe_CORRection_COEFficientImpl {
  // Names compare exactly; a reflection term needs Rpt = Spt, a transmission term Rpt != Spt
  // (220). Ports beyond the two give 222 for every name: no other port exists in the table.
  static Variant GetDATA(const TCall& c) {
    const std::string& name = c.Args[0].asText();
    const int32_t rpt = c.Args[1].asInt();
    const int32_t spt = c.Args[2].asInt();
    TTerm term = TTerm::Zero;
    if (name == "ES" || name == "ER" || name == "ED") {
      if (rpt != spt) Raise(220);
      term = name == "ES" ? TTerm::Source : name == "ER" ? TTerm::Reflection : TTerm::Directivity;
    } else if (name == "ET" || name == "EL" || name == "EX") {
      if (rpt == spt) Raise(220);
      if (name == "ET") term = TTerm::Transmission;
    }
    if (rpt < 1 || rpt > 2 || spt < 1 || spt > 2) Raise(222);
    const TCalibr& cal = ActiveCalibration(c);
    const TCalRange* terms = cal.Terms;
    const int n = terms != nullptr ? terms->GetCount() : 0;
    std::vector<double> out(2 * static_cast<size_t>(n), 0.0);
    if (term == TTerm::Zero) return out;
    for (int i = 0; i < n; ++i) {
      TComplex v;
      switch (term) {
        case TTerm::Source: v = terms->GetErrorTermC(spt - 1, i); break;
        case TTerm::Reflection: v = terms->GetErrorTermA(spt - 1, i); break;
        case TTerm::Directivity: v = terms->GetErrorTermB(spt - 1, i); break;
        case TTerm::Transmission: v = terms->GetErrorTermD(rpt - 1, i); break;
        case TTerm::Zero: break;
      }
      out[2 * static_cast<size_t>(i)] = v.Re;
      out[2 * static_cast<size_t>(i) + 1] = v.Im;
    }
    return out;
  }
  // The array is read (a wrong shape is 220), the terms stay as they are.
  static Variant PutDATA(const TCall& c) {
    (void)DoubleVectorFromVariant(c.Args.back());
    return Variant();
  }
  static Variant SAVE(const TCall& c) { return SaveCalibration(c); }
};

// ---- ISCPI_SENSe_CORRection_COEFficient_METHod ---------------------------------------------------
struct TSCPI_SENSe_CORRection_COEFficient_METHodImpl {
  static Variant ERESponse(const TCall& c) { return RecordEnhancedResponse(c); }
  static Variant SOLT1(const TCall& c) { return RecordReflectionMethod(c, cmF1); }
};

// ---- ISCPI_SENSe_CORRection_COEFficient_METHod_RESPonse ------------------------------------------
struct TSCPI_SENSe_CORRection_COEFficient_METHod_RESPonseImpl {
  static Variant OPEN(const TCall& c) { return RecordReflectionMethod(c, cmRO); }
  static Variant SHORt(const TCall& c) { return RecordReflectionMethod(c, cmRS); }
  // Any source port but 2: this branch never used it further.
  static Variant THRU(const TCall& c) {
    const std::array<int, 2> pair = PortPair(c.Args.back());
    if (pair[0] != 2) Raise(222);
    if (pair[1] == 2) Raise(220);
    RecordMethod(c, cmRT, 1);
    return Variant();
  }
};

void AddSenseErrorTermRows(std::vector<NodeRow>& rows) {
  const char* f = kErrorTermFamily;
  using C = TSCPI_SENSe_CORRection_COEFficientImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COEFficient", "ISCPI_SENSe_CORRection", "COEFficient", IndexKind::None,
          {Property("DATA", A, C::GetDATA, C::PutDATA, {T, L, L}),
           Getter("METHod", "ISCPI_SENSe_CORRection_COEFficient_METHod"), Method("SAVE", C::SAVE)});
  using M = TSCPI_SENSe_CORRection_COEFficient_METHodImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COEFficient_METHod", "ISCPI_SENSe_CORRection_COEFficient", "METHod",
          IndexKind::None,
          {Property("ERESponse", A, nullptr, M::ERESponse),
           Getter("RESPonse", "ISCPI_SENSe_CORRection_COEFficient_METHod_RESPonse"),
           Property("SOLT1", L, nullptr, M::SOLT1), Property("SOLT2", A, nullptr, Nothing)});
  using R = TSCPI_SENSe_CORRection_COEFficient_METHod_RESPonseImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COEFficient_METHod_RESPonse", "ISCPI_SENSe_CORRection_COEFficient_METHod",
          "RESPonse", IndexKind::None,
          {Property("OPEN", L, nullptr, R::OPEN), Property("SHORt", L, nullptr, R::SHORt),
           Property("THRU", A, nullptr, R::THRU)});
}

}  // namespace automation
