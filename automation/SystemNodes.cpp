// The SYSTem branch: preset, the remote state and visibility of the main window, closing the
// program, the computer's date and time, the distance unit, the system correction and the
// cable table with its files.
#include <array>
#include <string>
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/ClientFiles.h"
#include "automation/NodeRowHelpers.h"
#include "calibration/CalibratorModule.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "platform/Clock.h"
#include "platform/UiDispatcher.h"
#include "shell/MainFrm.h"

namespace automation {

using namespace rows;

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType T = ValueType::Text;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType A = ValueType::Array;

// Three whole numbers from a put's array: exactly three values (else 220), each truncated
// through the checked conversion (NaN, infinities and values beyond 32 bits: 222).
std::array<int, 3> ThreeWholeNumbers(const Variant& value) {
  const std::vector<double> v = DoubleVectorFromVariant(value);
  if (v.size() != 3) Raise(220);
  return {CheckedInt32(v[0]), CheckedInt32(v[1]), CheckedInt32(v[2])};
}

TCalibratorModule& Calibrator() {
  if (CalibratorModule == nullptr) Raise(200);
  return *CalibratorModule;
}

}  // namespace

// ---- ISCPI_SYSTem -----------------------------------------------------------------------------------
struct TSCPI_SYSTemImpl {
  // Unlike *RST, the trigger mode stays as the preset leaves it.
  static Variant PRESet(const TCall& c) {
    c.T().Main.Preset();
    return Variant();
  }
  static Variant LOCal(const TCall& c) {
    c.T().Main.SetRemoteState(0);
    return Variant();
  }
  static Variant REMote(const TCall& c) {
    c.T().Main.SetRemoteState(1);
    return Variant();
  }
  static Variant RWLock(const TCall& c) {
    c.T().Main.SetRemoteState(2);
    return Variant();
  }
  static Variant GetDATE(const TCall&) {
    const platform::LocalTime t = platform::Clock::get().localTime();
    return std::vector<double>{double(t.year), double(t.month), double(t.day)};
  }
  // The date is checked before anything is set: month 1..12, a day of that month, years
  // 1970..9999 (else 222); a refusal of the system gives 200 with its reason.
  static Variant PutDATE(const TCall& c) {
    const auto [year, month, day] = ThreeWholeNumbers(c.Args[0]);
    if (!platform::IsValidDate(year, month, day)) Raise(222);
    std::string reason;
    if (!platform::SystemTimeSetter::get().setDate(year, month, day, reason))
      throw EAbort("The date cannot be set: " + reason, 200);
    return Variant();
  }
  static Variant GetTIME(const TCall&) {
    const platform::LocalTime t = platform::Clock::get().localTime();
    return std::vector<double>{double(t.hour), double(t.minute), double(t.second)};
  }
  static Variant PutTIME(const TCall& c) {
    const auto [hour, minute, second] = ThreeWholeNumbers(c.Args[0]);
    if (!platform::IsValidTimeOfDay(hour, minute, second)) Raise(222);
    std::string reason;
    if (!platform::SystemTimeSetter::get().setTime(hour, minute, second, reason))
      throw EAbort("The time cannot be set: " + reason, 200);
    return Variant();
  }
  static Variant GetDTFUnit(const TCall& c) { return c.T().Scanner.GetDistanceUnitsText(); }
  static Variant PutDTFUnit(const TCall& c) {
    c.T().Scanner.SetDistanceUnitsText(c.Args[0].asText());
    return Variant();
  }
  static Variant HIDE(const TCall& c) {
    c.T().Main.HideMainWindow();
    return Variant();
  }
  static Variant SHOW(const TCall& c) {
    c.T().Main.ShowMainWindow();
    return Variant();
  }
  // Closes the main window once this command has returned; the program then ends through its
  // normal shut-down.
  static Variant TERMinate(const TCall& c) {
    (void)c.T();
    platform::UiDispatcher::get().post([] {
      if (MainFrm != nullptr && !MainFrm->IsShutDown()) MainFrm->Close();
    });
    return Variant();
  }
};

// ---- ISCPI_SYSTem_BEEPer_COMPlete, ISCPI_SYSTem_BEEPer_WARNing -----------------------------------------
// The instrument has no beeper: the members exist and do nothing.
struct TSCPI_SYSTem_BEEPer_COMPleteImpl {
  static Variant GetSTATe(const TCall&) { return false; }
};
using TSCPI_SYSTem_BEEPer_WARNingImpl = TSCPI_SYSTem_BEEPer_COMPleteImpl;

// ---- ISCPI_SYSTem_CORRection ------------------------------------------------------------------------
struct TSCPI_SYSTem_CORRectionImpl {
  static Variant GetSTATe(const TCall&) { return !Calibrator().GetSystemCorrectionOff(); }
  static Variant PutSTATe(const TCall& c) {
    Calibrator().SetSystemCorrectionOff(!c.Args[0].asBool());
    return Variant();
  }
};

// ---- ISCPI_SYSTem_CABLe ---------------------------------------------------------------------------
struct TSCPI_SYSTem_CABLeImpl {
  static Variant COUNt(const TCall& c) { return int32_t(c.T().Scanner.CableStds.Count()); }
  static Variant GetACTive(const TCall& c) { return int32_t(c.T().Scanner.GetCableStdIndex()); }
  static Variant PutACTive(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    const int32_t index = c.Args[0].asInt();
    if (index < 0 || index >= m.CableStds.Count()) Raise(222);
    m.SelectCableStd(index);
    return Variant();
  }
  static Variant GetVELocity(const TCall& c) { return c.T().Scanner.VelocityFactor; }
  static Variant PutVELocity(const TCall& c) {
    c.T().Scanner.SetVelocityFactor(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetCLOSs(const TCall& c) { return c.T().Scanner.CableLoss; }
  static Variant PutCLOSs(const TCall& c) {
    c.T().Scanner.SetCableLoss(c.Args[0].asDouble());
    return Variant();
  }
  static Variant GetCSTAte(const TCall& c) { return c.T().Scanner.EnableCableLoss; }
  static Variant PutCSTAte(const TCall& c) {
    c.T().Scanner.SetCableLossEnabled(c.Args[0].asBool());
    return Variant();
  }
  static Variant NAME(const TCall& c) {
    TScannerModule& m = c.T().Scanner;
    const int index = m.GetCableStdIndex();
    if (index < 0 || index >= m.CableStds.Count()) return std::string();
    return m.CableStds[index].GetName();
  }
  static Variant SAVE(const TCall& c) {
    const std::string& name = c.Args[0].asText();
    const std::string path = ClientFilePath(name, "Cable", TCableStds::Extension);
    c.T().Scanner.SaveCableList(TCableStds::CompleteFileName(path, true));
    return Variant();
  }
  // A mistyped name is an error, not a silent no-op: the table stays as it was.
  static Variant LOAD(const TCall& c) {
    const std::string& name = c.Args[0].asText();
    const std::string path =
        TCableStds::CompleteFileName(ClientFilePath(name, "Cable", TCableStds::Extension), true);
    RequireFile(path, name);
    if (!c.T().Scanner.LoadCableList(path)) throw EAbort("File not found: " + ShownName(name), 200);
    return Variant();
  }
};

void AddSystemRows(std::vector<NodeRow>& rows) {
  constexpr const char* F = "SYSTem";
  using S = TSCPI_SYSTemImpl;
  AddNode(rows, F, "ISCPI_SYSTem", "ISCPI", "SYSTem", IndexKind::None,
          {Method("PRESet", S::PRESet), Method("LOCal", S::LOCal), Method("REMote", S::REMote),
           Method("RWLock", S::RWLock), Getter("BEEPer", "ISCPI_SYSTem_BEEPer"),
           Getter("CORRection", "ISCPI_SYSTem_CORRection"), Property("DATE", A, S::GetDATE, S::PutDATE),
           Property("TIME", A, S::GetTIME, S::PutTIME), Getter("CABLe", "ISCPI_SYSTem_CABLe"),
           Property("DTFUnit", K, S::GetDTFUnit, S::PutDTFUnit), Method("HIDE", S::HIDE), Method("SHOW", S::SHOW),
           Method("TERMinate", S::TERMinate)});
  AddNode(rows, F, "ISCPI_SYSTem_BEEPer", "ISCPI_SYSTem", "BEEPer", IndexKind::None,
          {Getter("COMPlete", "ISCPI_SYSTem_BEEPer_COMPlete"), Getter("WARNing", "ISCPI_SYSTem_BEEPer_WARNing")});
  AddNode(rows, F, "ISCPI_SYSTem_BEEPer_COMPlete", "ISCPI_SYSTem_BEEPer", "COMPlete", IndexKind::None,
          {Method("IMMediate", Nothing), Property("STATe", B, TSCPI_SYSTem_BEEPer_COMPleteImpl::GetSTATe, Nothing)});
  AddNode(rows, F, "ISCPI_SYSTem_BEEPer_WARNing", "ISCPI_SYSTem_BEEPer", "WARNing", IndexKind::None,
          {Method("IMMediate", Nothing), Property("STATe", B, TSCPI_SYSTem_BEEPer_WARNingImpl::GetSTATe, Nothing)});
  AddNode(rows, F, "ISCPI_SYSTem_CORRection", "ISCPI_SYSTem", "CORRection", IndexKind::None,
          {Property("STATe", B, TSCPI_SYSTem_CORRectionImpl::GetSTATe, TSCPI_SYSTem_CORRectionImpl::PutSTATe)});
  using C = TSCPI_SYSTem_CABLeImpl;
  AddNode(rows, F, "ISCPI_SYSTem_CABLe", "ISCPI_SYSTem", "CABLe", IndexKind::None,
          {DispGet(Property("COUNt", L, C::COUNt)), DispPut(DispGet(Property("ACTive", L, C::GetACTive, C::PutACTive))),
           DispPut(Property("VELocity", D, C::GetVELocity, C::PutVELocity)),
           DispPut(Property("CLOSs", D, C::GetCLOSs, C::PutCLOSs)),
           DispPut(Property("CSTAte", B, C::GetCSTAte, C::PutCSTAte)), DispGet(Property("NAME", T, C::NAME)),
           Method("SAVE", C::SAVE, {T}), Method("LOAD", C::LOAD, {T})});
}

}  // namespace automation
