// The MMEMory branch: saves and loads every file kind of the program for a client, and copies,
// deletes and makes files and folders. Every name goes through ClientFilePath first, so none
// reaches outside the data root; a load that cannot find its file fails before anything
// changes.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/ClientFiles.h"
#include "automation/NodeRowHelpers.h"
#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "platform/AtomicFile.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace automation {

using namespace rows;

namespace {

constexpr ValueType L = ValueType::Long;
constexpr ValueType T = ValueType::Text;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType A = ValueType::Array;

// The active channel's window, looked up at each call.
TRangeView& ActiveView(const TCall& c) {
  TRangeView* view = c.T().Main.GetActiveView();
  if (view == nullptr) Raise(200);
  return *view;
}

TRange& ActiveChannel(const TCall& c) {
  TRange* range = ActiveView(c).GetRange();
  if (range == nullptr) Raise(200);
  return *range;
}

TMeasurement& ActiveTrace(const TCall& c) {
  TMeasureList* traces = ActiveView(c).GetTraces();
  TMeasurement* trace = traces != nullptr ? traces->GetActive() : nullptr;
  if (trace == nullptr) Raise(200);
  return *trace;
}

// Kit number 1 .. kit count, else 114 before any file is touched.
TCalKit& Kit(int32_t number) {
  if (CalKitsModule == nullptr) Raise(200);
  TCalKits& kits = CalKitsModule->GetKits();
  if (number < 1 || number > kits.GetCount()) Raise(114);
  return *kits.GetItem(number - 1);
}

// The kit reader takes any document and keeps the values it finds no key for, so a file of
// another kind (a state, a limit line) would load as "nothing changed" with success. A client's
// file must hold at least one kit section.
void RequireKitFile(const std::string& path, const std::string& name) {
  std::string bytes;
  if (const platform::FileResult r = platform::AtomicFile::read(path, bytes, TCalKit::MaxFileBytes); !r)
    throw EAbort(r.message);
  TMemIniFile document;
  document.LoadFromBytes(bytes);
  for (const char* section : {"CalKit", "Short", "Open", "Load", "Thru"}) {
    if (document.SectionExists(section)) return;
  }
  throw EAbort("The file " + ShownName(name) + " holds no calibration kit", 200);
}

const char* TouchstoneExtension(int touchType) { return touchType == 1 ? ".s2p" : ".s1p"; }

bool SameNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// ---- ISCPI_MMEMory ----------------------------------------------------------------------------------
struct TSCPI_MMEMoryImpl {
  // Replaces the destination atomically; a missing source, a source that is no regular file or
  // a destination that cannot be written fails with 200 naming the file.
  static Variant COPY(const TCall& c) {
    const std::string& from = c.Args[0].asText();
    const std::string& to = c.Args[1].asText();
    const std::string source = ClientFilePath(from, "");
    const std::string target = ClientFilePath(to, "");
    RequireFile(source, from);
    if (IsFolder(target)) throw EAbort("Cannot write " + ShownName(to) + ": it is a folder", 200);
    std::string bytes;
    if (const platform::FileResult r = platform::AtomicFile::read(source, bytes); !r)
      throw EAbort("Cannot read " + ShownName(from) + ": " + r.message, 200);
    if (const platform::FileResult r = platform::AtomicFile::write(target, bytes); !r)
      throw EAbort("Cannot write " + ShownName(to) + ": " + r.message, 200);
    return Variant();
  }
  // Regular files only; a missing file is an error, not a silent success.
  static Variant DELete(const TCall& c) {
    const std::string& name = c.Args[0].asText();
    const std::string path = ClientFilePath(name, "");
    RequireFile(path, name);
    if (const platform::FileResult r = platform::AtomicFile::remove(path); !r)
      throw EAbort("Cannot delete " + ShownName(name) + ": " + r.message, 200);
    return Variant();
  }
  // One level: the parent must exist. An existing folder is success.
  static Variant MDIRectory(const TCall& c) {
    const std::string& name = c.Args[0].asText();
    const std::string path = ClientFilePath(name, "");
    if (IsFolder(path)) return Variant();
    if (::mkdir(path.c_str(), 0777) != 0)
      throw EAbort("Cannot create the folder " + ShownName(name) + ": " + std::strerror(errno), 200);
    return Variant();
  }
};

// ---- ISCPI_MMEMory_STORe ----------------------------------------------------------------------------
struct TSCPI_MMEMory_STOReImpl {
  static Variant STATe(const TCall& c) {
    c.T().Main.SaveState(ClientFilePath(c.Args[0].asText(), "State", ".cfg"));
    return Variant();
  }
  static Variant GetSTYPe(const TCall& c) { return c.T().Main.GetSaveTypeText(); }
  static Variant PutSTYPe(const TCall& c) {
    c.T().Main.SetSaveTypeText(c.Args[0].asText());
    return Variant();
  }
  // PNG when the name ends in ".png" (any case), else a bitmap under the name as given.
  static Variant IMAGe(const TCall& c) {
    c.T().Main.SaveGraphImage(ClientFilePath(c.Args[0].asText(), "Image"));
    return Variant();
  }
  static Variant LIMit(const TCall& c) {
    ActiveTrace(c).SaveLimitFile(ClientFilePath(c.Args[0].asText(), "Limit"));
    return Variant();
  }
  static Variant RLIMit(const TCall& c) {
    ActiveTrace(c).SaveRippleFile(ClientFilePath(c.Args[0].asText(), "Limit"));
    return Variant();
  }
  static Variant SEGMent(const TCall& c) {
    ActiveChannel(c).SaveSegmentTable(ClientFilePath(c.Args[0].asText(), "Segment"));
    return Variant();
  }
  static Variant FDATa(const TCall& c) {
    ActiveTrace(c).SaveCsvFile(ClientFilePath(c.Args[0].asText(), "CSV", ".csv"));
    return Variant();
  }
  static Variant CKIT(const TCall& c) {
    TCalKit& kit = Kit(c.Args[0].asInt());
    kit.SaveToFile(ClientFilePath(c.Args[1].asText(), "CalKit", ".dat"));
    return Variant();
  }
};

// ---- ISCPI_MMEMory_STORe_SNP ------------------------------------------------------------------------
struct TSCPI_MMEMory_STORe_SNPImpl {
  static Variant DATA(const TCall& c) {
    TMainFrm& main = c.T().Main;
    main.SaveTouchstone(ClientFilePath(c.Args[0].asText(), "Touchstone", TouchstoneExtension(main.TouchType)));
    return Variant();
  }
  static Variant GetFORMat(const TCall& c) {
    static const char* const kWords[] = {"RI", "MA", "DB"};
    const int f = c.T().Main.TouchFormat;
    return std::string(f >= 0 && f <= 2 ? kWords[f] : "");
  }
  // The whole text is compared: "MAX" is none of the words and changes nothing.
  static Variant PutFORMat(const TCall& c) {
    static const char* const kWords[] = {"RI", "MA", "DB"};
    for (int i = 0; i < 3; ++i) {
      if (SameNoCase(c.Args[0].asText(), kWords[i])) c.T().Main.SetTouchFormat(i);
    }
    return Variant();
  }
};

// ---- ISCPI_MMEMory_STORe_SNP_TYPE -------------------------------------------------------------------
struct TSCPI_MMEMory_STORe_SNP_TYPEImpl {
  static Variant GetS1P(const TCall& c) { return int32_t(c.T().Main.SPort + 1); }
  static Variant PutS1P(const TCall& c) {
    if (c.Args[0].asInt() != 1) Raise(222);
    c.T().Main.SetTouchType(0);
    return Variant();
  }
  static Variant GetS2P(const TCall&) { return std::vector<double>{1.0, 1.0}; }
  static Variant PutS2P(const TCall& c) {
    c.T().Main.SetTouchType(1);
    return Variant();
  }
};

// ---- ISCPI_MMEMory_LOAD -----------------------------------------------------------------------------
// Each reader raises its own error for a missing or damaged file and then changes nothing; the
// readers that would load nothing (or a default) from a missing file are checked first.
struct TSCPI_MMEMory_LOADImpl {
  static Variant STATe(const TCall& c) {
    c.T().Main.LoadState(ClientFilePath(c.Args[0].asText(), "State", ".cfg"));
    return Variant();
  }
  static Variant LIMit(const TCall& c) {
    ActiveTrace(c).LoadLimitFile(ClientFilePath(c.Args[0].asText(), "Limit"));
    return Variant();
  }
  static Variant RLIMit(const TCall& c) {
    ActiveTrace(c).LoadRippleFile(ClientFilePath(c.Args[0].asText(), "Limit"));
    return Variant();
  }
  static Variant SEGMent(const TCall& c) {
    const std::string& name = c.Args[0].asText();
    TRange& channel = ActiveChannel(c);
    const std::string path = ClientFilePath(name, "Segment");
    RequireFile(path, name);
    channel.LoadSegmentTable(path);
    return Variant();
  }
  static Variant CKIT(const TCall& c) {
    TCalKit& kit = Kit(c.Args[0].asInt());
    const std::string& name = c.Args[1].asText();
    const std::string path = TCalKit::ResolveUserPath(ClientFilePath(name, "CalKit", ".dat"));
    RequireFile(path, name);
    RequireKitFile(path, name);
    kit.LoadFromFile(path);
    return Variant();
  }
  // A bare name lies in "State"; ".cal" is added when the name has no extension.
  static Variant CALibration(const TCall& c) {
    if (CalibratorModule == nullptr) Raise(200);
    std::filesystem::path path = ClientFilePath(c.Args[0].asText(), "State", ".cal");
    if (!path.filename().has_extension()) path += ".cal";
    (void)ActiveView(c);
    CalibratorModule->LoadUserCalibration(path.string());
    return Variant();
  }
};

void AddMmemoryRows(std::vector<NodeRow>& rows) {
  constexpr const char* F = "MMEMory";
  using M = TSCPI_MMEMoryImpl;
  AddNode(rows, F, "ISCPI_MMEMory", "ISCPI", "MMEMory", IndexKind::None,
          {Getter("LOAD", "ISCPI_MMEMory_LOAD"), Getter("STORe", "ISCPI_MMEMory_STORe"),
           Method("COPY", M::COPY, {T, T}), Method("DELete", M::DELete, {T}),
           Property("MDIRectory", T, nullptr, M::MDIRectory)});
  using S = TSCPI_MMEMory_STOReImpl;
  AddNode(rows, F, "ISCPI_MMEMory_STORe", "ISCPI_MMEMory", "STORe", IndexKind::None,
          {Property("STATe", T, nullptr, S::STATe), Property("STYPe", K, S::GetSTYPe, S::PutSTYPe),
           Property("IMAGe", T, nullptr, S::IMAGe), Getter("CHANnel", "ISCPI_MMEMory_STORe_CHANnel"),
           Property("LIMit", T, nullptr, S::LIMit), Property("RLIMit", T, nullptr, S::RLIMit),
           Property("SEGMent", T, nullptr, S::SEGMent), Property("FDATa", T, nullptr, S::FDATa),
           Getter("SNP", "ISCPI_MMEMory_STORe_SNP"), PutWithArgs("CKIT", {L}, T, S::CKIT),
           PutWithArgs("PLOSs", {L}, T, Nothing)});
  AddNode(rows, F, "ISCPI_MMEMory_STORe_CHANnel", "ISCPI_MMEMory_STORe", "CHANnel", IndexKind::None,
          {Property("STATe", T, nullptr, Nothing), Method("CLEar", Nothing)});
  using P = TSCPI_MMEMory_STORe_SNPImpl;
  AddNode(rows, F, "ISCPI_MMEMory_STORe_SNP", "ISCPI_MMEMory_STORe", "SNP", IndexKind::None,
          {Property("DATA", T, nullptr, P::DATA), Property("FORMat", K, P::GetFORMat, P::PutFORMat),
           Getter("TYPE", "ISCPI_MMEMory_STORe_SNP_TYPE")});
  using Y = TSCPI_MMEMory_STORe_SNP_TYPEImpl;
  AddNode(rows, F, "ISCPI_MMEMory_STORe_SNP_TYPE", "ISCPI_MMEMory_STORe_SNP", "TYPE", IndexKind::None,
          {Property("S1P", L, Y::GetS1P, Y::PutS1P), Property("S2P", A, Y::GetS2P, Y::PutS2P)});
  using D = TSCPI_MMEMory_LOADImpl;
  AddNode(rows, F, "ISCPI_MMEMory_LOAD", "ISCPI_MMEMory", "LOAD", IndexKind::None,
          {Property("STATe", T, nullptr, D::STATe), Getter("CHANnel", "ISCPI_MMEMory_LOAD_CHANnel"),
           Property("LIMit", T, nullptr, D::LIMit), PutWithArgs("PLOSs", {L}, T, Nothing),
           Property("RLIMit", T, nullptr, D::RLIMit), Property("SEGMent", T, nullptr, D::SEGMent),
           PutWithArgs("CKIT", {L}, T, D::CKIT), Property("CALibration", T, nullptr, D::CALibration)});
  AddNode(rows, F, "ISCPI_MMEMory_LOAD_CHANnel", "ISCPI_MMEMory_LOAD", "CHANnel", IndexKind::None,
          {Property("STATe", T, nullptr, Nothing)});
}

}  // namespace automation
