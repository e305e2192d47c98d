// A user calibration run step by step: the method for the next solve, one calibration sweep per
// standard, the selection cleared, the solve. Everything works on the active channel's
// calibration, whatever channel the node was made for.
#include <array>

#include "automation/ScpiCalibrationRun.h"
#include "automation/ScpiSenseRows.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "shell/MainFrm.h"

namespace automation {

using namespace sense;

namespace {

constexpr ValueType L = ValueType::Long;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType A = ValueType::Array;

bool InstrumentLost() {
  return MainFrm == nullptr || MainFrm->IsShutDown() || ScannerModule == nullptr || CalibratorModule == nullptr ||
         !ScannerModule->GetScanner().Connected || ScannerModule->GetScanner().GetStandby();
}

// One calibration sweep into the active channel's calibration. A sweep that cannot run would
// store nothing and look like success, so a lost or sleeping instrument fails at once, and a
// link lost during the sweep fails after it. The user's Cancel stores nothing and is no error.
void Measure(const TCall& c, int kind0, int kind1) {
  (void)c.T();
  if (InstrumentLost()) Raise(200);
  (void)ActiveCalibration(c);
  CalibratorModule->Calibrate(kind0, kind1, false);
  if (InstrumentLost()) Raise(200);
}

// The pair {receiving port, source port} of a thru: (2, 1) only.
void RequireThruPair(const Variant& value) {
  const std::array<int, 2> pair = PortPair(value);
  if (pair[0] != 2 || pair[1] != 1) Raise(222);
}

// Rpt and Spt of a thru's data: (2, 1) only.
void RequireThruPorts(const TCall& c) {
  if (c.Args[0].asInt() != 2 || c.Args[1].asInt() != 1) Raise(222);
}

}  // namespace

// ---- ISCPI_SENSe_CORRection_COLLect --------------------------------------------------------------
struct TSCPI_SENSe_CORRection_COLLectImpl {
  static Variant CLEar(const TCall& c) {
    ActiveCalibration(c).ClearSelection();
    return Variant();
  }
  static Variant SAVE(const TCall& c) { return SaveCalibration(c); }
};

// ---- ISCPI_SENSe_CORRection_COLLect_ACQuire ------------------------------------------------------
struct TSCPI_SENSe_CORRection_COLLect_ACQuireImpl {
  static Variant LOAD(const TCall& c) { return Reflection(c, ckLoad); }
  static Variant OPEN(const TCall& c) { return Reflection(c, ckOpen); }
  static Variant SHORt(const TCall& c) { return Reflection(c, ckShort); }
  static Variant THRU(const TCall& c) {
    RequireThruPair(c.Args.back());
    Measure(c, -1, ckThru);
    return Variant();
  }

 private:
  static Variant Reflection(const TCall& c, int kind) {
    RequirePortOne(c.Args.back());
    Measure(c, kind, -1);
    return Variant();
  }
};

// ---- ISCPI_SENSe_CORRection_COLLect_METHod -------------------------------------------------------
struct TSCPI_SENSe_CORRection_COLLect_METHodImpl {
  static Variant ERESponse(const TCall& c) { return RecordEnhancedResponse(c); }
  static Variant SOLT1(const TCall& c) { return RecordReflectionMethod(c, cmF1); }
  static Variant TYPE(const TCall& c) {
    const TCalibr& cal = ActiveCalibration(c);
    return MethodText(cal.GetSelectedMethod(cal.RequestedSlot));
  }
};

// ---- ISCPI_SENSe_CORRection_COLLect_METHod_RESPonse ----------------------------------------------
struct TSCPI_SENSe_CORRection_COLLect_METHod_RESPonseImpl {
  static Variant OPEN(const TCall& c) { return RecordReflectionMethod(c, cmRO); }
  static Variant SHORt(const TCall& c) { return RecordReflectionMethod(c, cmRS); }
  static Variant THRU(const TCall& c) {
    RequireThruPair(c.Args.back());
    RecordMethod(c, cmRT, 1);
    return Variant();
  }
};

// ---- ISCPI_SENSe_CORRection_COLLect_DATA, _DATA_THRU ---------------------------------------------
// Ports are checked, nothing moves: a get writes no result, a put does not use its array.
struct TSCPI_SENSe_CORRection_COLLect_DATAImpl {
  static Variant Reflection(const TCall& c) {
    RequirePortOne(c.Args[0]);
    return Variant();
  }
  static Variant Thru(const TCall& c) {
    RequireThruPorts(c);
    return Variant();
  }
};

void AddSenseCalibrationRunRows(std::vector<NodeRow>& rows) {
  const char* f = kCalibrationRunFamily;
  using C = TSCPI_SENSe_CORRection_COLLectImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect", "ISCPI_SENSe_CORRection", "COLLect", IndexKind::None,
          {Getter("ACQuire", "ISCPI_SENSe_CORRection_COLLect_ACQuire"),
           Getter("CKIT", "ISCPI_SENSe_CORRection_COLLect_CKIT"),
           Getter("METHod", "ISCPI_SENSe_CORRection_COLLect_METHod"), Method("CLEar", C::CLEar),
           Method("SAVE", C::SAVE), Getter("DATA", "ISCPI_SENSe_CORRection_COLLect_DATA")});
  using Q = TSCPI_SENSe_CORRection_COLLect_ACQuireImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_ACQuire", "ISCPI_SENSe_CORRection_COLLect", "ACQuire",
          IndexKind::None,
          {Property("ISOLation", A, nullptr, Nothing), Property("LOAD", L, nullptr, Q::LOAD),
           Property("OPEN", L, nullptr, Q::OPEN), Property("SHORt", L, nullptr, Q::SHORt),
           Property("THRU", A, nullptr, Q::THRU)});
  using M = TSCPI_SENSe_CORRection_COLLect_METHodImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_METHod", "ISCPI_SENSe_CORRection_COLLect", "METHod",
          IndexKind::None,
          {Getter("RESPonse", "ISCPI_SENSe_CORRection_COLLect_METHod_RESPonse"),
           Property("ERESponse", A, nullptr, M::ERESponse), Property("SOLT1", L, nullptr, M::SOLT1),
           Property("SOLT2", A, nullptr, Nothing), Property("TYPE", K, M::TYPE)});
  using R = TSCPI_SENSe_CORRection_COLLect_METHod_RESPonseImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_METHod_RESPonse", "ISCPI_SENSe_CORRection_COLLect_METHod",
          "RESPonse", IndexKind::None,
          {Property("OPEN", L, nullptr, R::OPEN), Property("SHORt", L, nullptr, R::SHORt),
           Property("THRU", A, nullptr, R::THRU)});
  using D = TSCPI_SENSe_CORRection_COLLect_DATAImpl;
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_DATA", "ISCPI_SENSe_CORRection_COLLect", "DATA",
          IndexKind::None,
          {Property("ISOLation", A, Nothing, Nothing, {L, L}), Property("LOAD", A, D::Reflection, D::Reflection, {L}),
           Property("OPEN", A, D::Reflection, D::Reflection, {L}),
           Property("SHORt", A, D::Reflection, D::Reflection, {L}),
           Getter("THRU", "ISCPI_SENSe_CORRection_COLLect_DATA_THRU")});
  AddNode(rows, f, "ISCPI_SENSe_CORRection_COLLect_DATA_THRU", "ISCPI_SENSe_CORRection_COLLect_DATA", "THRU",
          IndexKind::None,
          {Property("MATCh", A, D::Thru, D::Thru, {L, L}), Property("TRANsmission", A, D::Thru, D::Thru, {L, L})});
}

}  // namespace automation
