#include "shell/MainFrm.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QDate>
#include <QLocale>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>

#include "calibration/CalibratorModule.h"
#include "calibration/ECal.h"
#include "calibration/IActiveChannelWindow.h"
#include "calibration/IMainWindowHook.h"
#include "display/ChartPopups.h"
#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/CmdReply.h"
#include "instrument/PowerMeter.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/IDeviceModel.h"
#include "model/IPowerMeter.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/Gauge.h"
#include "platform/ui/Label.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Timer.h"
#include "shell/MainChartPopups.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"
#include "widgets/WaitFrm.h"

TMainFrm* MainFrm = nullptr;


namespace {

// The temperature unit as the instrument's status has always shown it: a degree sign and the
// Cyrillic capital Es.
const char* const kTemperatureUnit = "\u00B0\u0421";

TScanner* Scanner() { return ScannerModule ? &ScannerModule->GetScanner() : nullptr; }

// "No " and the serial number in eight digits with leading zeros.
std::string SerialText(uint32_t serial) {
  std::string digits = IntToText(static_cast<long long>(serial));
  if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
  return "No " + digits;
}

// The locale's short date, a blank, and the time in 24-hour hours and minutes.
std::string DateTimeText() {
  const platform::LocalTime t = platform::Clock::get().localTime();
  const QDate date(t.year, t.month, t.day);
  const QTime time(t.hour, t.minute);
  const QString text = QLocale().toString(date, QLocale::ShortFormat) + QLatin1Char(' ') +
                       time.toString(QStringLiteral("HH:mm"));
  return text.toStdString();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TMainFrm::TMainFrm(QWidget* owner) : ui::Form(owner) {
  SetName("MainFrm");
  SetColor(kWindowColor);
  SetBorder(ui::FormBorder::Sizeable);
  SetPosition(ui::FormPosition::ScreenCenter);
  SetKeyPreview(true);
  BuildComponents();
  OnResize = [this](ui::Control&) { LayoutForm(); };
  OnClose = [this](ui::Form&, ui::CloseAction& action) {
    // The close always goes ahead; the shut-down runs first.
    Shutdown();
    action = ui::CloseAction::Hide;
    if (OnClosed) OnClosed();
  };
  FormCreate();
  ChartPopups = std::make_unique<TMainChartPopups>(*this);
  TDrawingPlane::Popups = ChartPopups.get();
}

TMainFrm::~TMainFrm() {
  // The window's destruction runs the shut-down when nothing ran it before.
  ui::Application::Guard([this] { Shutdown(); });
  OnResize = nullptr;
  OnClose = nullptr;
  if (MainFrm == this) MainFrm = nullptr;
}

void TMainFrm::BuildComponents() {
  KeyBarLeft = new ui::Panel(this);
  KeyBarLeft->SetName("KeyBarLeft");
  KeyBarLeft->SetColor(kKeyBarColor);
  KeyBarRight = new ui::Panel(this);
  KeyBarRight->SetName("KeyBarRight");
  KeyBarRight->SetColor(kKeyBarColor);
  LeftPanel = new TLeftPanel(KeyBarLeft);
  LeftPanel->SetName("LeftPanel");
  RightPanel = new TRightPanel(KeyBarRight);
  RightPanel->SetName("RightPanel");
  plGraphArea = new ui::Panel(this);
  plGraphArea->SetName("plGraphArea");
  plGraphArea->SetColor(kGraphAreaColor);
  plGraphArea->setMinimumSize(kGraphAreaMinimum, kGraphAreaMinimum);
  plGraphArea->installEventFilter(this);

  pnBottomBar = new ui::Panel(this);
  pnBottomBar->SetName("pnBottomBar");
  pnBottomBar->SetColor(kStatusBarColor);

  pnProgressBar = new ui::Panel(pnBottomBar);
  pnProgressBar->SetName("pnProgressBar");
  pnProgressBar->SetColor(kStatusBarColor);
  ProgressBar = new ui::Gauge(pnProgressBar);
  ProgressBar->SetName("ProgressBar");
  ProgressBar->SetKind(ui::Gauge::Kind::Pie);
  ProgressBar->SetMinValue(0);
  ProgressBar->SetMaxValue(kGaugeMaximum);
  ProgressBar->SetShowText(false);
  ProgressBar->SetForeColor(kGaugeColor);
  ProgressBar->SetBackColor(kStatusBarColor);
  ProgressBar->SetColor(kStatusBarColor);

  pnDataTime = AddStatusPanel("pnDataTime", "lbDataTime", &lbDataTime, kInfoColor);
  pnSystemCalFail = AddStatusPanel("pnSystemCalFail", "lbSystemCalFail", &lbSystemCalFail, kAlertColor);
  pnEEPROM = AddStatusPanel("pnEEPROM", "lbEEPROM", &lbEEPROM, kAlertColor);
  pnSaveScreen = AddStatusPanel("pnSaveScreen", "lbSaveScreen", &lbSaveScreen, kAlertColor);
  pnRFOff = AddStatusPanel("pnRFOff", "lbRFOff", &lbRFOff, kAlertColor);
  pnFactoryOff = AddStatusPanel("pnFactoryOff", "lbFactoryOff", &lbFactoryOff, kAlertColor);
  pnCorrectionOff = AddStatusPanel("pnCorrectionOff", "lbCorrectionOff", &lbCorrectionOff, kAlertColor);
  pnTrigger = AddStatusPanel("pnTrigger", "lbTrigger", &lbTrigger, kInfoColor);
  pnSweepTime = AddStatusPanel("pnSweepTime", "lbSweepTime", &lbSweepTime, kInfoColor);
  pnReady = AddStatusPanel("pnReady", "lbReady", &lbReady, kAlertColor);
  pnSerial = AddStatusPanel("pnSerial", "lbSerial", &lbSerial, kInfoColor);
  pnTemperature = AddStatusPanel("pnTemperature", "lbTemperature", &lbTemperature, kInfoColor);

  DelayCreateView = new ui::Timer(this);
  DelayCreateView->setObjectName("DelayCreateView");
  DelayCreateView->SetInterval(kDelayCreateMs);
  DelayCreateView->OnTimer = [this](ui::Timer&) { DelayCreateViewTimer(); };
  DelayCreateView->SetEnabled(true);
}

ui::Panel* TMainFrm::AddStatusPanel(const char* panelName, const char* labelName, ui::Label** label, TColor color) {
  auto* panel = new ui::Panel(pnBottomBar);
  panel->SetName(panelName);
  panel->SetColor(kStatusBarColor);
  auto* l = new ui::Label(panel);
  l->SetName(labelName);
  l->SetColor(kStatusBarColor);
  l->SetAlignment(ui::Alignment::Center);
  ui::Font font = l->GetFont();
  font.Color = color;
  l->SetFont(font);
  *label = l;
  return panel;
}

std::vector<ui::Panel*> TMainFrm::StatusPanels() const {
  return {pnProgressBar, pnDataTime, pnSystemCalFail, pnEEPROM, pnSaveScreen, pnRFOff,      pnFactoryOff,
          pnCorrectionOff, pnTrigger, pnSweepTime, pnReady,  pnSerial,     pnTemperature};
}

void TMainFrm::FormCreate() {
  // 1. Captions.
  lbSaveScreen->SetCaption(TranslateText("Screen Shot"));
  lbReady->SetCaption(TranslateText("Not Ready"));
  lbCorrectionOff->SetCaption(TranslateText("Correction Off"));
  lbSystemCalFail->SetCaption(TranslateText("System Cal Failure"));
  lbFactoryOff->SetCaption(TranslateText("System Correction Off"));
  lbTrigger->SetCaption(TranslateText("Hold"));
  lbRFOff->SetCaption(TranslateText("RF Off"));
  // 2. Every number the program writes or reads goes through the locale-free number text, so
  // there is no decimal separator to set here.
  // 3. Gauge and unit tables.
  GaugeStep = 0;
  UnitTables = std::make_unique<TMeasureUnitTables>([](const std::string& s) { return TranslateText(s); });
  // 4. The scanner's and the sweep-control module's closures.
  InstallModuleClosures();
  // 5. Client area.
  SetClientSize(800, 600);
  // 6. The electronic calibration module object.
  ECal = new TECal();
  // 7. Status labels.
  DateText = DateTimeText();
  lbDataTime->SetCaption(DateText);
  ShowSweepTime(0);
  UpdateTemperatureLabel();
  lbSerial->SetCaption(SerialText(0));
  // 8. Panels by start-up mode.
  if (IsServiceEnabled()) {
    // temperature, sweep time and serial all stay
  } else if (IsFactoryMode()) {
    pnSweepTime->SetVisible(false);
  } else {
    pnTemperature->SetVisible(false);
    pnSweepTime->SetVisible(false);
    pnSerial->SetVisible(false);
  }
  for (ui::Panel* p : {pnEEPROM, pnSaveScreen, pnCorrectionOff, pnSystemCalFail, pnRFOff, pnFactoryOff}) {
    p->SetVisible(false);
  }
  // 9. Settings defaults.
  KeepUserCalOnLoad = false;
  SaveType = 1;
  TouchType = 0;
  SPort = 0;
  TouchFormat = 0;
  TouchstoneRecallTo = 0;
  PrintColor = 0;
  PrintInverted = true;
  PrintTime = true;
  ChannelCount = 0;
  ChannelLayout = 0;
  ActiveViewIndex = 0;
  ViewMaximized = false;
  LayoutForm();
  FitStatusPanels();
  // 10. Visible.
  SetVisible(true);
}

void TMainFrm::InstallModuleClosures() {
  if (TScanner* s = Scanner()) {
    s->OnConnect = [this](TFObject* sender) { DeviceConnected(sender); };
    s->OnDisconnect = [this](TFObject* sender) { DeviceStateChanged(sender); };
    s->OnProgress = [this](TFObject* sender) { DeviceLoading(sender); };
    s->OnChange = [this](TFObject*, int) { UpdateReadyStatus(); };
  }
  if (ScannerModule) {
    ScannerModule->OnSweepDone = [this](TFObject* sender) { SweepDone(sender); };
    ScannerModule->OnNewData = [this](TFObject* sender) { RedrawVisibleViews(sender); };
    // A change of the distance unit alone only relabels the distance axes (the traces' data do
    // not depend on it): the windows are redrawn, not recalculated.
    struct TDistanceInputs {
      int Unit;
      double Velocity;
      double Loss;
      bool LossOn;
    };
    auto inputs = [] {
      return TDistanceInputs{ScannerModule->MetricSystem, ScannerModule->VelocityFactor, ScannerModule->CableLoss,
                             ScannerModule->EnableCableLoss};
    };
    ScannerModule->OnSettingsChange = [this, inputs, seen = inputs()](TFObject*, int) mutable {
      const TDistanceInputs now = inputs();
      const bool unitOnly = now.Unit != seen.Unit && now.Velocity == seen.Velocity && now.Loss == seen.Loss &&
                            now.LossOn == seen.LossOn;
      seen = now;
      UpdateTriggerStatus(!unitOnly);
      if (unitOnly) RedrawVisibleViews(nullptr);
    };
  }
}

// ---------------------------------------------------------------------------------------------
// Delayed start

void TMainFrm::DelayCreateViewTimer() {
  // 1.
  DelayCreateView->SetEnabled(false);
  if (ShutDownDone) return;
  SetDisabledReason(drStarting, true);
  // 2. The four channel windows View0..View3 (tags 0..3) on the graph area.
  CreateViews();
  // 3. The soft-key click closures and the graph area's resize closure.
  LeftPanel->OnItemClick = [this](TSoftKeyPanel&, int index) { LeftPanelClick(index); };
  RightPanel->OnItemClick = [this](TSoftKeyPanel&, int index) { RightPanelClick(index); };
  GraphAreaResizeHooked = true;
  // 4.
  SetChannelLayout(0);
  SetChannelCount(1);
  SetActiveView(0);
  // 5.
  if (ViewProperties) ViewProperties->OnChange = [this](TViewProperties&) { ApplyStatusFonts(); };
  // 6.
  if (IDeviceModel* device = Services().Device) SetCaption(device->GetLongDescription());
  // 7.
  if (CalibratorModule) {
    CalibratorModule->OnChange = [this](TFObject*) { UpdateEepromStatus(); };
    CalibratorModule->OnSystemCalLoaded = [this](TFObject*) { UpdateSystemCalStatus(); };
    CalibratorModule->OnCorrectionChange = [this](TFObject*) { CalibrationChanged(); };
  }
  InstallCalibrationHooks();
  // 8. A state that cannot be loaded is reported and set aside under "Autosave.cfg.bad", so the
  // autosave at shut-down does not overwrite it; the start goes on with the defaults. Autosave
  // is on before any message shows: a stop while the box is open still saves the state. A
  // second copy on this data folder reads the first one's autosave but never touches it.
  LockDataFolder();
  if (ShutDownDone) return;
  const std::string autosave = AutosavePath();
  std::error_code ec;
  if (std::filesystem::exists(autosave, ec)) {
    AutosaveEnabled = !SecondCopy;
    try {
      LoadState(autosave);
    } catch (const std::exception& e) {
      if (!SecondCopy) std::filesystem::rename(autosave, autosave + ".bad", ec);
      ui::MessageBox::Get().Show(e.what());
    } catch (...) {
      if (!SecondCopy) std::filesystem::rename(autosave, autosave + ".bad", ec);
      ui::MessageBox::Get().Show("The state file " + autosave + " cannot be loaded");
    }
  } else {
    AutosaveEnabled = false;
  }
  // A stop that came while a message was open has shut the window down: nothing more starts.
  if (ShutDownDone) return;
  // 9.
  UpdateReadyStatus();
  UpdateEepromStatus();
  ApplyStatusFonts();
  UpdateTriggerStatus();
  RepaintKeyBars();
  // 10.
  SecondTimer = new ui::Timer(this);
  SecondTimer->setObjectName("SecondTimer");
  SecondTimer->SetInterval(kSecondMs);
  // The clock runs from here on, whether an instrument answers or not.
  SecondTimer->OnTimer = [this](ui::Timer&) { ClockTimer(); };
  SecondTimer->SetEnabled(true);
  // 11.
  if (TScanner* s = Scanner()) s->Connect();
  // 12.
  if (ECal) ECal->OnChange = [this] { NotifyViewChange(); };
  FireActiveViewChanged();
  // 13.
  SetDisabledReason(drStarting, false);
}

std::string TMainFrm::DataFolderLockName() {
  // One name per folder, however it is spelled: 64-bit FNV-1a of its full path, in hex.
  std::error_code ec;
  std::string root = platform::Paths::dataRoot();
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(root, ec);
  if (!ec) root = canonical.string();
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : root) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string name = "data-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
  return name;
}

void TMainFrm::LockDataFolder() {
  if (DataFolderLock.isLocked() || SecondCopy) return;
  DataFolderLock = platform::LockFile(DataFolderLockName());
  if (DataFolderLock.tryLock()) return;
  // A lock that cannot be taken for another reason (no private runtime folder) says nothing
  // about other copies: this one goes on as the only one.
  if (!DataFolderLock.error().empty()) return;
  SecondCopy = true;
  AutosaveEnabled = false;
  ui::MessageBox::Get().Show(TranslateText("Another copy uses this folder") + "\n" + platform::Paths::dataRoot() +
                             "\n" + TranslateText("Autosave is off"));
}

bool TMainFrm::event(QEvent* event) {
  const bool handled = ui::Form::event(event);
  if (PendingPlacement) {
    // The window manager frames the window without an event of its own, and may leave the
    // client where it is (no move): any of these shows that the frame may be known by now.
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::WindowActivate:
      case QEvent::ActivationChange:
        ApplyPendingPlacement();
        break;
      case QEvent::Paint:
        // Not from inside a paint: the placement follows at once after it.
        if (!FrameMargins().IsEmpty()) QTimer::singleShot(0, this, [this] { ApplyPendingPlacement(); });
        break;
      default:
        break;
    }
  }
  return handled;
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event) {
  // The graph area's resize places the channel windows anew.
  if (watched == plGraphArea && event->type() == QEvent::Resize && GraphAreaResizeHooked) ArrangeViews();
  return ui::Form::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TMainFrm::DeviceConnected(TFObject*) {
  if (ShutDownDone) return;
  TScanner* s = Scanner();
  if (s) s->OnDisconnect = [this](TFObject* sender) { DeviceStateChanged(sender); };
  if (IDeviceModel* device = Services().Device) {
    std::string caption = device->GetLongDescription();
    if (device->GetDemoMode()) caption += " (Demo Mode)";
    SetCaption(caption);
  }
  if (ECal) ECal->CheckConnection();
  UpdateReadyStatus();
  RepaintKeyBars();
  FitStatusPanels();
  if (SecondTimer) {
    SecondTimer->OnTimer = [this](ui::Timer&) { ClockTimer(); };
    SecondTimer->SetEnabled(true);
  }
  if (ScannerModule) {
    const int mode = ScannerModule->TriggerMode;
    if (mode == TScannerModule::Single || mode == TScannerModule::Continuous) {
      ScannerModule->StartSweep(0);
    } else {
      ScannerModule->StopSweep();
    }
  }
}

void TMainFrm::DeviceStateChanged(TFObject*) {
  if (ShutDownDone) return;
  UpdateReadyStatus();
}

void TMainFrm::DeviceLoading(TFObject*) {
  if (ShutDownDone) return;
  // Every notice starts a timer of its own; each puts the ready state back once.
  auto* timer = new ui::Timer(this);
  timer->SetInterval(kLoadingMs);
  timer->OnTimer = [this, timer](ui::Timer&) {
    timer->SetEnabled(false);
    LoadingTimers.erase(std::remove(LoadingTimers.begin(), LoadingTimers.end(), timer), LoadingTimers.end());
    timer->deleteLater();
    UpdateReadyStatus();
  };
  timer->SetEnabled(true);
  LoadingTimers.push_back(timer);
  lbReady->SetCaption(TranslateText("Loading"));
  FitStatusPanels();
}

void TMainFrm::UpdateReadyStatus() {
  if (ShutDownDone) return;
  FireStatusChanged();
  TScanner* s = Scanner();
  // A silent instrument is named until it answers again, also while the link is renewed.
  const bool silent = s != nullptr && s->GetLinkProblem() == TScanner::NoReplyText;
  if (s == nullptr || !s->Connected) {
    SetAlert(lbReady, silent ? TranslateText("No reply from the instrument") : TranslateText("Not Ready"), kAlertColor);
    pnTrigger->SetVisible(false);
  } else if (silent) {
    SetAlert(lbReady, TranslateText("No reply from the instrument"), kAlertColor);
    pnTrigger->SetVisible(true);
  } else if (s->GetStandby()) {
    SetAlert(lbReady, TranslateText("Standby"), kAlertColor);
    pnTrigger->SetVisible(false);
  } else {
    SetAlert(lbReady, TranslateText("Ready"), kInfoColor);
    pnTrigger->SetVisible(true);
  }
  pnRFOff->SetVisible(s != nullptr && s->GetSignalOff());
  UpdateTemperatureLabel();
  FitStatusPanels();
}

void TMainFrm::SweepDone(TFObject*) {
  if (ShutDownDone) return;
  if (ScannerModule) {
    if (ScannerModule->TriggerMode == TScannerModule::Continuous) {
      ScannerModule->StartSweep(0);
    } else if (ScannerModule->TriggerMode == TScannerModule::Single) {
      ScannerModule->SetTriggerMode(TScannerModule::Hold);
    }
  }
  if (TRange* active = GetActiveChannel()) ShowSweepTime(active->SweepTime);
  for (TRangeView* view : Views) {
    if (view != nullptr && view->Range != nullptr) view->SlowSweep = view->Range->SweepTime > 1000;
  }
  UpdateTemperatureLabel();
}

void TMainFrm::ShowSweepTime(double ms) {
  if (ms >= 1000) {
    lbSweepTime->SetCaption(FormatNumberWithUnit(5, "s", ms * 0.001));
  } else {
    lbSweepTime->SetCaption(FormatNumberWithUnit(4, "ms", ms));
  }
}

void TMainFrm::RedrawVisibleViews(TFObject*) {
  if (ShutDownDone) return;
  for (TRangeView* view : Views) {
    if (view != nullptr && view->Visible()) view->RequestRedraw();
  }
}

void TMainFrm::UpdateTriggerStatus(bool recalculate) {
  if (ShutDownDone) return;
  if (ScannerModule) {
    switch (ScannerModule->TriggerSource) {
      case TScannerModule::SourceInternal:
        if (ScannerModule->TriggerMode == TScannerModule::Hold) {
          lbTrigger->SetCaption(TranslateText("Hold"));
        } else if (ScannerModule->TriggerMode == TScannerModule::Single ||
                   ScannerModule->TriggerMode == TScannerModule::Continuous) {
          lbTrigger->SetCaption(TranslateText("Measure"));
        }
        break;
      case TScannerModule::SourceExternal: lbTrigger->SetCaption(TranslateText("External")); break;
      case TScannerModule::SourceBus: lbTrigger->SetCaption(TranslateText("Bus")); break;
      default: break;
    }
  }
  FireStatusChanged();
  if (recalculate && !ApplyingState) {
    for (TRangeView* view : Views) {
      if (view != nullptr && view->Visible()) view->RecalculateTraces();
    }
  }
  FitStatusPanels();
}

void TMainFrm::UpdateEepromStatus() {
  if (ShutDownDone) return;
  TCalibratorModule* cal = CalibratorModule;
  const bool busy = cal != nullptr && cal->EepromBusy;
  SetDisabledReason(drEeprom, busy);
  if (busy && (IsServiceEnabled() || IsFactoryMode())) {
    pnEEPROM->SetVisible(true);
    static const char* const kOperations[] = {"Load EEPROM ", "Write EEPROM ", "Check EEPROM "};
    if (cal->EepromPhase >= 0 && cal->EepromPhase <= 2) {
      lbEEPROM->SetCaption(std::string(kOperations[cal->EepromPhase]) + IntToText(cal->EepromPercent) + "%");
    } else {
      lbEEPROM->SetCaption("");
    }
    FitStatusPanels();
  } else {
    pnEEPROM->SetVisible(false);
  }
  lbSerial->SetCaption(SerialText(cal ? cal->SerialNumber : 0));
  pnCorrectionOff->SetVisible(cal != nullptr && cal->UserCorrectionOff);
  pnFactoryOff->SetVisible(cal != nullptr && cal->SystemCorrectionOff);
  LayoutStatusBar();
  FireActiveViewChanged();
}

void TMainFrm::UpdateSystemCalStatus() {
  if (ShutDownDone) return;
  IDeviceModel* device = Services().Device;
  if (IsDemoMode() || (device != nullptr && device->GetDemoMode())) return;
  pnSystemCalFail->SetVisible(CalibratorModule != nullptr && CalibratorModule->IsSystemCalibrationEmpty());
  LayoutStatusBar();
}

void TMainFrm::CalibrationChanged() {
  if (ShutDownDone) return;
  for (TRangeView* view : Views) {
    if (view != nullptr) view->UpdateCalibrationStatus();
  }
}

void TMainFrm::ViewMouseDown(TRangeView* view) {
  if (ShutDownDone || view == nullptr) return;
  for (int i = 0; i < kViewCount; ++i) {
    if (Views[static_cast<size_t>(i)] == view) SetActiveView(i);
  }
}

void TMainFrm::ToggleMaximized() {
  if (ShutDownDone || ChannelLayout == 0) return;
  SetViewMaximized(!ViewMaximized);
}

void TMainFrm::ViewChanged() {
  if (ShutDownDone) return;
  FireActiveViewChanged();
}

void TMainFrm::NotifyViewChange() {
  if (ShutDownDone) return;
  FireActiveViewChanged();
}

void TMainFrm::ClockTimer() {
  if (ShutDownDone) return;
  DateText = DateTimeText();
  lbDataTime->SetCaption(DateText);
  TScanner* s = Scanner();
  if (s != nullptr && s->Connected && s->GetState() == TScanner::MEAS) {
    ++GaugeStep;
    if (GaugeStep >= kGaugeMaximum + 1) GaugeStep = 0;
    ProgressBar->SetProgress(GaugeStep);
  } else {
    ProgressBar->SetProgress(0);
  }
}

// ---------------------------------------------------------------------------------------------
// Status bar

void TMainFrm::SetAlert(ui::Label* label, const std::string& text, TColor color) {
  ui::Font font = label->GetFont();
  if (font.Color != color) {
    font.Color = color;
    label->SetFont(font);
  }
  label->SetCaption(text);
}

void TMainFrm::FitStatusPanels() {
  ui::ImageCanvas canvas(1, 1);
  canvas.SetFont(lbDataTime->GetFont());
  const int extra = canvas.TextWidth("  ") + 4;
  for (ui::Panel* panel : StatusPanels()) {
    if (panel == pnProgressBar) continue;
    auto* label = panel->findChild<ui::Label*>(QString(), Qt::FindDirectChildrenOnly);
    if (label == nullptr) continue;
    panel->SetWidth(canvas.TextWidth(label->Caption()) + extra);
  }
  LayoutStatusBar();
}

int TMainFrm::TextHeightOfH() {
  ui::ImageCanvas canvas(1, 1);
  canvas.SetFont(lbDataTime->GetFont());
  return canvas.TextHeight("H");
}

void TMainFrm::ApplyStatusFonts() {
  if (ShutDownDone) return;
  if (ViewProperties) {
    ui::Font barFont = pnBottomBar->GetFont();
    barFont.Name = ViewProperties->GetButtonFontName();
    pnBottomBar->SetFont(barFont);
    for (ui::Panel* panel : StatusPanels()) {
      auto* label = panel->findChild<ui::Label*>(QString(), Qt::FindDirectChildrenOnly);
      if (label == nullptr) continue;
      ui::Font font = label->GetFont();
      font.Name = ViewProperties->GetButtonFontName();
      font.Size = ViewProperties->GetButtonFontSize();
      label->SetFont(font);
    }
  }
  FitStatusPanels();
  const int barHeight = TextHeightOfH() + 8;
  pnBottomBar->SetHeight(barHeight);
  pnProgressBar->SetWidth(barHeight);
  SetFullScreen(ViewProperties != nullptr && ViewProperties->FullScreen);
  for (TRangeView* view : Views) {
    if (view != nullptr && view->Visible()) view->RequestRedraw();
  }
  // The soft-key bars take the width their columns ask for.
  LayoutForm();
  RepaintKeyBars();
}

void TMainFrm::LayoutStatusBar() {
  const int h = pnBottomBar->Height();
  int x = 0;
  const std::vector<ui::Panel*> panels = StatusPanels();
  // Up to the correction-off panel the panels run from the left; from the trigger panel on
  // they are a group on the right, in the same order.
  size_t firstRight = 0;
  while (firstRight < panels.size() && panels[firstRight] != pnTrigger) ++firstRight;
  for (size_t i = 0; i < firstRight; ++i) {
    ui::Panel* p = panels[i];
    if (!p->Visible()) continue;
    p->SetBounds(x, 0, p == pnProgressBar ? h : p->Width(), h);
    x += p->Width();
  }
  int right = pnBottomBar->Width();
  for (size_t i = panels.size(); i-- > firstRight;) {
    ui::Panel* p = panels[i];
    if (!p->Visible()) continue;
    right -= p->Width();
    p->SetBounds(right, 0, p->Width(), h);
  }
  for (ui::Panel* p : panels) {
    if (p == pnProgressBar) {
      ProgressBar->SetBounds(0, 0, p->Width(), p->Height());
      continue;
    }
    if (auto* label = p->findChild<ui::Label*>(QString(), Qt::FindDirectChildrenOnly)) {
      label->SetAutoSize(false);
      label->SetBounds(0, (p->Height() - label->Height()) / 2, p->Width(), label->Height());
    }
  }
}

void TMainFrm::LayoutForm() {
  const int w = ClientWidth();
  const int h = ClientHeight();
  int barHeight = pnBottomBar->Height();
  if (barHeight <= 0) barHeight = TextHeightOfH() + 8;
  // Each bar takes the width its column asks for; the column measures with the display look.
  const int left = ViewProperties ? LeftPanel->GetWidth() : KeyBarLeft->Width();
  const int right = ViewProperties ? RightPanel->GetWidth() : KeyBarRight->Width();
  pnBottomBar->SetBounds(0, h - barHeight, w, barHeight);
  KeyBarLeft->SetBounds(0, 0, left, h - barHeight);
  KeyBarRight->SetBounds(w - right, 0, right, h - barHeight);
  plGraphArea->SetBounds(left, 0, std::max(w - left - right, 0), std::max(h - barHeight, 0));
  setMinimumSize(left + right + kGraphAreaMinimum, kGraphAreaMinimum + barHeight);
  LayoutStatusBar();
}

void TMainFrm::RepaintKeyBars() {
  LeftPanel->Redraw();
  RightPanel->Redraw();
}

std::string TMainFrm::TemperatureText() const {
  // Blank until the instrument has reported a temperature: -100 means "no reading yet", and
  // without a connected instrument there is none either.
  TScanner* s = Scanner();
  if (s == nullptr || !s->Connected) return std::string();
  const double t = s->GetTemperature();
  if (t == TCmdReply::UnsetTemperature || !std::isfinite(t)) return std::string();
  return FormatNumberWithUnit(4, kTemperatureUnit, t);
}

void TMainFrm::UpdateTemperatureLabel() { lbTemperature->SetCaption(TemperatureText()); }

// ---------------------------------------------------------------------------------------------
// Window

void TMainFrm::SetFullScreen(bool on) {
  if (on) {
    // A window without a frame keeps no placement waiting for one.
    PendingPlacement.reset();
    SetBorder(ui::FormBorder::None);
    const ui::Rect screen = ui::Screen::Bounds();
    SetBounds(screen.Left, screen.Top, screen.Width(), screen.Height());
    return;
  }
  SetBorder(ui::FormBorder::Sizeable);
  const int r = std::max(2 * TextHeightOfH(), 40) + 4;
  const ui::Rect area = ui::Screen::WorkArea();
  const int height = std::min(std::max(7 * r + pnBottomBar->Height(), ClientHeight()), area.Height());
  const int width = std::min(ClientWidth(), area.Width());
  SetClientSize(width, height);
}

void TMainFrm::SetRemoteState(int state) {
  if (state == RemoteState) return;
  RemoteState = state;
  if (state == 0) {
    SetDisabledReason(drRemote, false);
  } else if (state == 1 || state == 2) {
    SetDisabledReason(drRemote, true);
  }
}

void TMainFrm::SetDisabledReason(TDisableReason reason, bool on) {
  if (on) {
    Disabled |= reason;
  } else {
    Disabled &= ~static_cast<unsigned>(reason);
  }
  SetEnabled(Disabled == 0);
}

void TMainFrm::ShowMainWindow() {
  MainWindowShown = true;
  SetVisible(true);
  Show();
  raise();
  activateWindow();
}

void TMainFrm::HideMainWindow() {
  MainWindowShown = false;
  SetVisible(false);
  Hide();
}

// ---------------------------------------------------------------------------------------------
// Channel windows

TRangeView* TMainFrm::GetView(int index) const {
  if (ShutDownDone || index < 0 || index >= kViewCount) return nullptr;
  return Views[static_cast<size_t>(index)];
}

TRangeView* TMainFrm::GetActiveView() const { return GetView(ActiveViewIndex); }

TRange* TMainFrm::GetChannel(int index) const {
  TRangeView* view = GetView(index);
  return view != nullptr ? view->Range : nullptr;
}

void TMainFrm::FireStatusChanged() {
  if (OnStatusChanged) {
    const TNotifyEvent handler = OnStatusChanged;
    handler(nullptr);
  }
}

void TMainFrm::FireActiveViewChanged() {
  if (OnActiveViewChanged) {
    const TNotifyEvent handler = OnActiveViewChanged;
    handler(nullptr);
  }
}


// The calibration module's view of the window: the active channel with its calibration, and
// the window disabled while an EEPROM transfer runs, with the waiting events let through
// between the pages.
class TMainFrm::TCalibrationHooks : public IActiveChannelWindow, public IMainWindowHook {
 public:
  explicit TCalibrationHooks(TMainFrm& frm) : Frm(frm) {}
  TRange* GetActiveRange() const override { return Frm.GetActiveChannel(); }
  TCalibr* GetActiveCalibr() const override {
    TRangeView* view = Frm.GetActiveView();
    return view != nullptr ? view->UserCalibration : nullptr;
  }
  void SetMainWindowEnabled(bool enabled) override { Frm.SetDisabledReason(drEeprom, !enabled); }
  void ProcessPendingMessages() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }

 private:
  TMainFrm& Frm;
};

void TMainFrm::InstallCalibrationHooks() {
  if (CalibratorModule == nullptr) return;
  if (!CalibrationHooks) CalibrationHooks = std::make_unique<TCalibrationHooks>(*this);
  CalibratorModule->ActiveWindow = CalibrationHooks.get();
  CalibratorModule->MainWindowHook = CalibrationHooks.get();
  if (!SweepWaitBox) SweepWaitBox = std::make_unique<TSweepWaitBox>();
  CalibratorModule->WaitBox = SweepWaitBox.get();
}

void TMainFrm::RemoveCalibrationHooks() {
  if (CalibratorModule == nullptr || !CalibrationHooks) return;
  if (CalibratorModule->ActiveWindow == CalibrationHooks.get()) CalibratorModule->ActiveWindow = nullptr;
  if (CalibratorModule->MainWindowHook == CalibrationHooks.get()) CalibratorModule->MainWindowHook = nullptr;
  if (CalibratorModule->WaitBox == SweepWaitBox.get()) CalibratorModule->WaitBox = nullptr;
}

void TMainFrm::CreateViews() {
  for (int i = 0; i < kViewCount; ++i) {
    auto* view = new TRangeView(plGraphArea);
    view->SetName("View" + IntToText(i));
    view->SetTag(i);
    view->OnMouseDown = [this](ui::Control& sender, ui::MouseButton, ui::ShiftState, int, int) {
      ViewMouseDown(dynamic_cast<TRangeView*>(&sender));
    };
    view->OnDblClick = [this](ui::Control&) { ToggleMaximized(); };
    view->OnCalibrationChange = [this](TFObject*) { ViewChanged(); };
    // Raised only in service mode: a sweep came back with points missing.
    if (view->Range != nullptr) view->Range->OnPointsMissing = [](TFObject*) { ui::Screen::Beep(880, 100); };
    Views[static_cast<size_t>(i)] = view;
  }
}

void TMainFrm::DestroyViews() {
  for (TRangeView*& view : Views) {
    if (view == nullptr) continue;
    view->OnMouseDown = nullptr;
    view->OnDblClick = nullptr;
    view->OnChange = nullptr;
    view->OnCalibrationChange = nullptr;
    if (view->Range != nullptr) view->Range->OnPointsMissing = nullptr;
    // The window takes its channel, calibration and traces with it.
    TRangeView* doomed = view;
    view = nullptr;
    delete doomed;
  }
}

// ---------------------------------------------------------------------------------------------
// Shut-down

void TMainFrm::RemoveModuleClosures() {
  if (CalibratorModule) {
    CalibratorModule->OnChange = nullptr;
    CalibratorModule->OnSystemCalLoaded = nullptr;
    CalibratorModule->OnCorrectionChange = nullptr;
  }
  RemoveCalibrationHooks();
  if (ViewProperties) ViewProperties->OnChange = nullptr;
  GraphAreaResizeHooked = false;
  LeftPanel->OnItemClick = nullptr;
  RightPanel->OnItemClick = nullptr;
  if (TScanner* s = Scanner()) {
    s->OnConnect = nullptr;
    s->OnDisconnect = nullptr;
    s->OnProgress = nullptr;
    s->OnChange = nullptr;
    s->OnSweepDone = nullptr;
    s->OnNewData = nullptr;
  }
  if (ScannerModule) {
    ScannerModule->OnSweepDone = nullptr;
    ScannerModule->OnNewData = nullptr;
    ScannerModule->OnSettingsChange = nullptr;
  }
}

void TMainFrm::Shutdown() {
  // 1.
  if (ShutDownDone) return;
  ShutDownDone = true;
  if (TDrawingPlane::Popups == ChartPopups.get()) TDrawingPlane::Popups = nullptr;
  // 2.
  if (ScannerModule) ScannerModule->StopSweep();
  delete SecondTimer;
  SecondTimer = nullptr;
  DelayCreateView->SetEnabled(false);
  for (ui::Timer* t : LoadingTimers) delete t;
  LoadingTimers.clear();
  // 3. A failed autosave is reported; the shut-down goes on. A second copy on this data folder
  // never writes the first one's autosave.
  if (AutosaveEnabled && !SecondCopy) {
    ui::Application::Guard([this] { SaveState(kAutosaveName); });
  }
  // 4.
  RemoveModuleClosures();
  if (ECal) {
    ECal->OnChange = nullptr;
    delete ECal;
    ECal = nullptr;
  }
  // 5.
  if (TScanner* s = Scanner()) {
    s->SetStandby(true);
    s->Disconnect();
  }
  // 6. The meter outlives this window: its change handler goes first, so the disconnect (and
  // any later change) calls no window that is gone.
  if (IPowerMeter* meter = Services().PowerMeter) {
    if (auto* program = dynamic_cast<TPowerMeter*>(meter)) program->OnChange = nullptr;
    if (meter->GetState() != IPowerMeter::NotReady) meter->Disconnect();
  }
  // 7.
  DestroyViews();
  // 8.
  ChannelCount = 0;
  ChannelLayout = 0;
  ActiveViewIndex = 0;
  // The autosave is written: another copy may have this data folder now.
  DataFolderLock.release();
}
