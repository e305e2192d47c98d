// Instrument state files through the main window: the whole state written in one go, and read,
// checked and only then applied. Also the save-type and Touchstone settings, the autosave
// switch, clearing every calibration and Preset.
#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "calibration/CalKit.h"
#include "calibration/ECal.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalStd.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/EAbort.h"
#include "model/FixtParam.h"
#include "model/IDeviceModel.h"
#include "model/MemIniFile.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/UiDispatcher.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Screen.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

namespace fs = std::filesystem;

namespace {

const char* const kSection = "Network analyzer";
const char* const kSaveTypeWords[] = {"STAT", "CST", "DST", "CDST"};
constexpr int kInvalidSaveType = 205;

// The smallest part of a restored window that must lie on a screen for it to be reachable.
constexpr int kMinVisiblePart = 40;
// Window sizes a state may ask for.
constexpr int kMaxWindowSize = 32767;

std::string ViewSection(int n) { return "RangeView" + IntToText(n); }

// A stored code when it lies within 0..last; otherwise what there was.
int CodeOrCurrent(const TCustomIniFile& ini, const char* key, int last, int current) {
  if (!ini.ValueExists(kSection, key)) return current;
  const int value = ini.ReadInteger(kSection, key, current);
  return value >= 0 && value <= last ? value : current;
}

// The synthesizer settings of the attached model (service mode only; the sections do nothing
// without the switch).
int AttachedModelRow() {
  IDeviceModel* device = Services().Device;
  return device != nullptr ? device->GetModelIndex() : 0;
}

void SaveSynthesizer(TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return;
  const int row = AttachedModelRow();
  if (row == 3 && SynthesizerTV != nullptr) SynthesizerTV->SaveSettings(ini);
  if (row == 4 && SynthesizerTV30 != nullptr) SynthesizerTV30->SaveSettings(ini);
}

void LoadSynthesizer(const TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return;
  const int row = AttachedModelRow();
  if (row == 3 && SynthesizerTV != nullptr) SynthesizerTV->LoadSettings(ini);
  if (row == 4 && SynthesizerTV30 != nullptr) SynthesizerTV30->LoadSettings(ini);
}

// The fixture files a loaded state names but that were refused unread (a folder or a FIFO in
// the file's place, a file far too large), in one message shown once the load has finished.
template <class TViews>
void ReportRefusedFixtureFiles(const TViews& views) {
  std::vector<std::string> reasons;
  for (TRangeView* view : views) {
    if (view == nullptr || view->Range == nullptr) continue;
    for (int p = 0; p < 2; ++p) {
      for (const TFixtParam* network : {&view->Range->DeembNetwork[p], &view->Range->EmbNetwork[p]}) {
        if (!network->LoadError.empty() &&
            std::find(reasons.begin(), reasons.end(), network->LoadError) == reasons.end()) {
          reasons.push_back(network->LoadError);
        }
      }
    }
  }
  if (reasons.empty()) return;
  std::string message = "Fixture files of the state were not read:";
  for (const std::string& reason : reasons) message += "\n" + reason;
  platform::UiDispatcher::get().post([message] { ui::MessageBox::Get().Show(message); });
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Names

std::string TMainFrm::StateFilePath(const std::string& name, bool createFolder) {
  fs::path path(name);
  if (!path.has_parent_path()) {
    const std::string folder = createFolder ? platform::Paths::folder("State") : platform::Paths::dataRoot() + "/State";
    path = fs::path(folder) / path;
  }
  if (!path.has_extension()) path += ".cfg";
  return path.string();
}

std::string TMainFrm::AutosavePath() { return StateFilePath(kAutosaveName, true); }

// ---------------------------------------------------------------------------------------------
// Saving

void TMainFrm::WriteState(TMemIniFile& ini) {
  // 1.
  ini.WriteInteger(kSection, "ChannelLayout", ChannelLayout);
  ini.WriteInteger(kSection, "ChannelCount", ChannelCount);
  ini.WriteInteger(kSection, "ActiveViewIndex", ActiveViewIndex);
  ini.WriteBool(kSection, "ViewMaximized", ViewMaximized);
  // 2. to 4.
  SaveSynthesizer(ini);
  if (ViewProperties != nullptr) ViewProperties->SaveToIni(ini);
  // A cable list that cannot be written is logged by the module; the state goes on.
  if (ScannerModule != nullptr) (void)ScannerModule->SaveState(ini);
  // 5.
  ini.WriteInteger(kSection, "TouchType", TouchType);
  ini.WriteInteger(kSection, "SPort", SPort);
  ini.WriteInteger(kSection, "TouchFormat", TouchFormat);
  ini.WriteBool(kSection, "PrintInverted", PrintInverted);
  ini.WriteBool(kSection, "PrintTime", PrintTime);
  const ui::Rect outer = OuterRect();
  ini.WriteInteger(kSection, "Left", outer.Left);
  ini.WriteInteger(kSection, "Top", outer.Top);
  ini.WriteInteger(kSection, "Width", outer.Width());
  ini.WriteInteger(kSection, "Height", outer.Height());
  ini.WriteInteger(kSection, "LeftExpandedState", LeftPanel->Expanded() ? 1 : 0);
  ini.WriteInteger(kSection, "RightExpandedState", RightPanel->Expanded() ? 1 : 0);
  ini.WriteInteger(kSection, "SaveType", SaveType);
  // 6.
  for (int n = 0; n < kViewCount; ++n) {
    if (TRangeView* view = Views[static_cast<size_t>(n)]) view->SaveToIni(ini, ViewSection(n), SaveType);
  }
  // 7.
  ini.WriteBool(kSection, "DisableUserCal", CalibratorModule != nullptr && CalibratorModule->UserCorrectionOff);
  ini.WriteBool(kSection, "DisableFactoryCal", CalibratorModule != nullptr && CalibratorModule->SystemCorrectionOff);
}

std::string TMainFrm::StateBytes() {
  TMemIniFile ini;
  WriteState(ini);
  return ini.SaveToBytes();
}

void TMainFrm::SaveState(const std::string& name) {
  if (ShutDownDone && Views[0] == nullptr) {
    // After the shut-down there is no state left to write.
    throw EAbort("The instrument state cannot be saved after the shut-down");
  }
  std::string path;
  try {
    path = StateFilePath(name, true);
  } catch (const std::exception& e) {
    throw EAbort("The state file " + name + " cannot be written: " + e.what());
  }
  TMemIniFile ini;
  WriteState(ini);
  // Streamed: a state with data is tens of megabytes, and a whole copy of it in memory costs
  // more than writing it.
  const platform::FileResult written =
      platform::AtomicFile::writeStream(path, [&ini](const platform::AtomicFile::Sink& sink) { ini.SaveTo(sink); });
  if (!written) throw EAbort("The state file " + path + " cannot be written: " + written.message);
}

// ---------------------------------------------------------------------------------------------
// Loading

void TMainFrm::LoadState(const std::string& name) {
  if (ShutDownDone) throw EAbort("The instrument state cannot be loaded after the shut-down");
  const std::string path = StateFilePath(name, false);
  if (!platform::AtomicFile::exists(path)) throw EAbort("The state file " + path + " was not found");
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) throw EAbort("The state file " + path + " cannot be read: " + ec.message());
  if (size > kMaxStateFileBytes) {
    throw EAbort("The state file " + path + " is larger than " + IntToText(static_cast<long long>(kMaxStateFileBytes >> 20)) +
                 " MB");
  }
  // Everything is checked before the first value is applied. The file is decoded as it is
  // read: a copy of tens of megabytes costs more than reading it.
  TMemIniFile ini;
  TMemIniFile::TFileRead read;
  try {
    read = ini.LoadFromFile(path, kMaxStateFileBytes);
  } catch (const std::exception& e) {
    throw EAbort("The state file " + path + " cannot be read: " + e.what());
  }
  // UTF-16 text comes in pairs of bytes: an odd count means the file was cut short.
  if (read.Utf16 && read.Bytes % 2 != 0) throw EAbort("The state file " + path + " is cut short");
  if (!ini.SectionExists(kSection)) {
    throw EAbort("The file " + path + " is not an instrument state (no section \"" + std::string(kSection) + "\")");
  }
  const int saveType = ini.ValueExists(kSection, "SaveType") ? CodeOrCurrent(ini, "SaveType", 3, SaveType) : 1;
  std::vector<TRangeView::TCheckedValues> checked(kViewCount);
  for (int n = 0; n < kViewCount; ++n) {
    try {
      TRangeView::CheckIni(ini, ViewSection(n), saveType, checked[static_cast<size_t>(n)]);
    } catch (const std::exception& e) {
      throw EAbort("The state file " + path + " is damaged: " + e.what());
    }
  }
  // The windows take what the check decoded instead of decoding it again; whatever a window
  // did not take is forgotten with the document, however the load ends.
  for (int n = 0; n < kViewCount; ++n) {
    if (TRangeView* view = Views[static_cast<size_t>(n)]) view->KeepCheckedValues(std::move(checked[static_cast<size_t>(n)]));
  }
  struct TForget {
    TMainFrm& Frm;
    ~TForget() {
      for (TRangeView* view : Frm.Views) {
        if (view) view->DropCheckedValues();
      }
    }
  } forget{*this};
  ApplyState(ini);
}

void TMainFrm::ApplyState(TMemIniFile& ini) {
  // Settings that change on the way ask for the traces to be recalculated; with the windows
  // half loaded that is wasted, and the state ends with one recalculation of them all.
  struct TApplying {
    TMainFrm& Frm;
    explicit TApplying(TMainFrm& frm) : Frm(frm) { Set(true); }
    ~TApplying() { Set(false); }
    void Set(bool on) {
      Frm.ApplyingState = on;
      for (TRangeView* view : Frm.Views) {
        if (view) view->DeferRecalculation = on;
      }
    }
  };
  // Hidden windows too: their loaded points and memories show once the window does. Also when
  // a step fails, so that what was loaded by then shows as it is.
  auto recalculate = [this] {
    for (TRangeView* view : Views) {
      if (view) view->RecalculateTraces();
    }
  };
  try {
    TApplying applying(*this);
    ApplyStateSteps(ini);
  } catch (...) {
    recalculate();
    throw;
  }
  recalculate();
  UpdateReadyStatus();
  UpdateTriggerStatus(false);
  ApplyStatusFonts();
}

void TMainFrm::ApplyStateSteps(TMemIniFile& ini) {
  // 1.
  TouchType = CodeOrCurrent(ini, "TouchType", 1, TouchType);
  SPort = CodeOrCurrent(ini, "SPort", 3, SPort);
  TouchFormat = CodeOrCurrent(ini, "TouchFormat", 2, TouchFormat);
  PrintInverted = ini.ReadBool(kSection, "PrintInverted", PrintInverted);
  PrintTime = ini.ReadBool(kSection, "PrintTime", PrintTime);
  // 2.
  LoadSynthesizer(ini);
  // 3. The setters bring every value into range.
  SetChannelLayout(ini.ReadInteger(kSection, "ChannelLayout", 0));
  SetChannelCount(ini.ReadInteger(kSection, "ChannelCount", 1));
  SetActiveView(ini.ReadInteger(kSection, "ActiveViewIndex", 0));
  SetViewMaximized(ini.ReadBool(kSection, "ViewMaximized", false));
  // 4.
  if (!KeepUserCalOnLoad) ClearAllCalibrations();
  // 5.
  SaveType = ini.ValueExists(kSection, "SaveType") ? CodeOrCurrent(ini, "SaveType", 3, SaveType) : 1;
  // 6.
  if (ScannerModule != nullptr) ScannerModule->LoadState(ini);
  // 7.
  for (int n = 0; n < kViewCount; ++n) {
    if (TRangeView* view = Views[static_cast<size_t>(n)]) view->LoadFromIni(ini, ViewSection(n), SaveType);
  }
  ReportRefusedFixtureFiles(Views);
  // 8.
  if (CalibratorModule != nullptr) {
    CalibratorModule->SetCorrection(ini.ReadBool(kSection, "DisableUserCal", false));
    CalibratorModule->SetSystemCorrectionOff(ini.ReadBool(kSection, "DisableFactoryCal", false));
  }
  // 9.
  if (ViewProperties != nullptr) ViewProperties->LoadFromIni(ini);
  // 10.
  const ui::Rect outer = OuterRect();
  PlaceWindow(ini.ReadInteger(kSection, "Left", outer.Left), ini.ReadInteger(kSection, "Top", outer.Top),
              ini.ReadInteger(kSection, "Width", outer.Width()), ini.ReadInteger(kSection, "Height", outer.Height()));
  LeftPanel->SetExpanded(ini.ReadInteger(kSection, "LeftExpandedState", 0) != 0);
  RightPanel->SetExpanded(ini.ReadInteger(kSection, "RightExpandedState", 0) != 0);
  // The scan list follows the loaded channels; a running trigger mode sweeps them.
  if (ScannerModule != nullptr) {
    ScannerModule->RebuildScanList();
    TScanner& scanner = ScannerModule->GetScanner();
    if (ScannerModule->TriggerMode != TScannerModule::Hold && scanner.Connected && !scanner.GetStandby()) {
      ScannerModule->StartSweep(0);
    }
  }
}

std::function<TMainFrm::TFrameMargins(const TMainFrm&)> TMainFrm::FrameMarginsHook;

TMainFrm::TFrameMargins TMainFrm::FrameMargins() const {
  if (FrameMarginsHook) return FrameMarginsHook(*this);
  const QRect frame = frameGeometry();
  const QRect client = geometry();
  TFrameMargins m;
  m.Left = std::max(client.left() - frame.left(), 0);
  m.Top = std::max(client.top() - frame.top(), 0);
  m.Right = std::max(frame.right() - client.right(), 0);
  m.Bottom = std::max(frame.bottom() - client.bottom(), 0);
  return m;
}

ui::Rect TMainFrm::OuterRect() const {
  const QRect client = geometry();
  const TFrameMargins m = FrameMargins();
  return ui::Rect(client.left() - m.Left, client.top() - m.Top, client.left() + client.width() + m.Right,
                  client.top() + client.height() + m.Bottom);
}

void TMainFrm::PlaceWindow(int left, int top, int width, int height) {
  width = std::clamp(width, 1, kMaxWindowSize);
  height = std::clamp(height, 1, kMaxWindowSize);
  left = std::clamp(left, -kMaxWindowSize, kMaxWindowSize);
  top = std::clamp(top, -kMaxWindowSize, kMaxWindowSize);
  // The window and its frame are placed together: the client goes inside the frame's margins.
  // Until the window manager has framed the window the margins read 0, and the placement is
  // made again once they are known (ApplyPendingPlacement); otherwise every start would add
  // the frame to the size and move the window up by its title bar.
  const TFrameMargins m = FrameMargins();
  const int marginW = m.Left + m.Right;
  const int marginH = m.Top + m.Bottom;
  const int clientW = std::max(width - marginW, 1);
  const int clientH = std::max(height - marginH, 1);
  // A position that leaves no reachable part on any screen puts the window in the middle of the
  // primary screen's work area.
  const QRect wanted(left, top, clientW + marginW, clientH + marginH);
  bool reachable = false;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect part = wanted.intersected(screen->availableGeometry());
    if (part.width() >= kMinVisiblePart && part.height() >= kMinVisiblePart) reachable = true;
  }
  if (!reachable) {
    const ui::Rect area = ui::Screen::WorkArea();
    left = area.Left + (area.Width() - wanted.width()) / 2;
    top = area.Top + (area.Height() - wanted.height()) / 2;
  }
  PendingPlacement.reset();
  if (m.IsEmpty()) PendingPlacement = ui::Rect(left, top, left + wanted.width(), top + wanted.height());
  setGeometry(left + m.Left, top + m.Top, clientW, clientH);
}

void TMainFrm::ApplyPendingPlacement() {
  if (!PendingPlacement || FrameMargins().IsEmpty()) return;
  const ui::Rect r = *PendingPlacement;
  PendingPlacement.reset();
  PlaceWindow(r.Left, r.Top, r.Width(), r.Height());
}

// ---------------------------------------------------------------------------------------------
// Settings

void TMainFrm::SetAutosave(bool on) {
  if (SecondCopy) {
    // The autosave file belongs to the copy that holds the data folder: this one neither
    // writes nor deletes it.
    AutosaveEnabled = false;
    if (on) throw EAbort(TranslateText("Another copy uses this folder"));
    return;
  }
  AutosaveEnabled = on;
  if (!on) {
    const platform::FileResult removed = platform::AtomicFile::remove(AutosavePath());
    if (!removed) throw EAbort(removed.message);
  }
}

void TMainFrm::SetSaveType(int type) {
  if (type != SaveType) SaveType = type;
}

void TMainFrm::SetTouchType(int type) {
  if (type != TouchType) TouchType = type;
}

void TMainFrm::SetTouchFormat(int format) {
  if (format != TouchFormat) TouchFormat = format;
}

std::string TMainFrm::GetSaveTypeText() const {
  return SaveType >= 0 && SaveType <= 3 ? kSaveTypeWords[SaveType] : std::string();
}

void TMainFrm::SetSaveTypeText(const std::string& text) {
  const QString given = QString::fromStdString(text);
  for (int i = 0; i < 4; ++i) {
    if (given.startsWith(QLatin1String(kSaveTypeWords[i]), Qt::CaseInsensitive)) {
      SaveType = i;
      return;
    }
  }
  throw EAbort("Invalid save type specifier", kInvalidSaveType);
}

void TMainFrm::ClearAllCalibrations() {
  for (TRangeView* view : Views) {
    if (view != nullptr) view->ClearCalibration();
  }
}

// ---------------------------------------------------------------------------------------------
// Preset

void TMainFrm::Preset() {
  if (ShutDownDone) return;
  // 1.
  KeepUserCalOnLoad = false;
  SaveType = 1;
  TouchType = 0;
  SPort = 0;
  TouchFormat = 0;
  TouchstoneRecallTo = 0;
  PrintColor = 0;
  PrintInverted = true;
  PrintTime = true;
  // 2.
  SetChannelLayout(0);
  SetViewMaximized(false);
  SetChannelCount(1);
  SetRemoteState(0);
  SetActiveView(0);
  // 3.
  for (TRangeView* view : Views) {
    if (view != nullptr) view->Preset();
  }
  // 4. The reference impedance of the selected kit's load.
  if (CalKitsModule != nullptr) {
    if (TCalKit* kit = CalKitsModule->GetKits().GetSelected()) {
      if (kit->GetStandardCount() > 2) CalKitsModule->SetReferenceImpedance(kit->GetStandard(2)->GetOffsetZ0());
    }
  }
  // 5.
  if (CalibratorModule != nullptr) CalibratorModule->Reset();
  if (ECal != nullptr) ECal->Preset();
  if (ScannerModule != nullptr) {
    // 6. A wait box may have taken the end-of-sweep closure.
    ScannerModule->StopSweep();
    ScannerModule->OnSweepDone = [this](TFObject* sender) { SweepDone(sender); };
    // 7.
    TScanner& scanner = ScannerModule->GetScanner();
    if (scanner.GetStandby()) scanner.SetStandby(false);
  }
  // 8.
  if (IsServiceEnabled()) {
    const int row = AttachedModelRow();
    if (row == 3 && SynthesizerTV != nullptr) SynthesizerTV->LoadDefaults();
    if (row == 4 && SynthesizerTV30 != nullptr) SynthesizerTV30->LoadDefaults();
  }
  // 9.
  if (ScannerModule != nullptr) {
    ScannerModule->Preset();
    ScannerModule->StartSweep(0);
  }
  for (TRangeView* view : Views) {
    if (view != nullptr && view->Visible()) view->RequestRedraw();
  }
}
