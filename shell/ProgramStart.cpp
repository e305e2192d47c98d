#include "shell/ProgramStart.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <exception>
#include <memory>

#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "instrument/BeepHook.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/PowerMeter.h"
#include "instrument/PumpingWaiter.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/ChannelStore.h"
#include "model/MeasureUnitTables.h"
#include "model/MeasureUnits.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtUiDispatcher.h"
#include "platform/ui/Screen.h"
#include "shell/EventPumpingWaiter.h"
#include "shell/LangModule.h"
#include "shell/MainFrm.h"
#include "shell/SignalPipe.h"
#include "shell/UserMessageBox.h"
#include "traces/MarkerHooks.h"
#include "widgets/DigitalKeyboardFrm.h"

TDevice* Device = nullptr;
TPowerMeter* PowerMeter = nullptr;
TSynthesizerTV* SynthesizerTV = nullptr;
TSynthesizerTV30* SynthesizerTV30 = nullptr;

std::function<std::optional<int>(const std::vector<std::string>& arguments)> TProgramStart::AutomationStart;
std::function<void()> TProgramStart::AutomationStop;
std::function<void(const std::string& module)> TProgramStart::OnModuleCreated;
std::function<void()> TProgramStart::OnRunning;

namespace {

// What the start installs besides the modules, kept until the stop takes it out again.
struct TInstalled {
  bool Started = false;
  int StartExitCode = 0;
  std::unique_ptr<ui::QtUiDispatcher> Dispatcher;
  platform::UiDispatcher* PreviousDispatcher = nullptr;
  std::unique_ptr<TEventPumpingWaiter> Waiter;
  TPumpingWaiter* PreviousWaiter = nullptr;
  std::unique_ptr<ui::BusyCursor> BusyCursor;
  std::unique_ptr<TUserMessageBox> MessageBox;
  TBeepHook::THook PreviousBeep;
  std::unique_ptr<EmulatorBackend> Emulator;
  platform::UsbBackend* PreviousBackend = nullptr;
  bool BackendInstalled = false;
  std::unique_ptr<TSignalPipe> Signals;
  QMetaObject::Connection AboutToQuit;
  TMarkerHooks PreviousMarkerHooks;
  bool MarkerHooksInstalled = false;
  std::function<TDrawingPlane::TChannelInfo()> PreviousChannelInfo;
  bool ChannelInfoInstalled = false;
};

TInstalled& Installed() {
  static TInstalled installed;
  return installed;
}

void Created(const char* name) {
  if (TProgramStart::OnModuleCreated) TProgramStart::OnModuleCreated(name);
}

// Closes the main window on the user-interface thread; without one the loop just ends.
void CloseMainWindow(int) {
  if (MainFrm != nullptr && !MainFrm->IsShutDown()) {
    MainFrm->Close();
  } else {
    QCoreApplication::exit(0);
  }
}

void InstallHooks() {
  TInstalled& in = Installed();
  in.Dispatcher = std::make_unique<ui::QtUiDispatcher>();
  in.PreviousDispatcher = platform::UiDispatcher::install(in.Dispatcher.get());
  in.Waiter = std::make_unique<TEventPumpingWaiter>();
  in.PreviousWaiter = TPumpingWaiter::install(in.Waiter.get());
  in.BusyCursor = std::make_unique<ui::BusyCursor>();
  Services().BusyCursor = in.BusyCursor.get();
  in.MessageBox = std::make_unique<TUserMessageBox>();
  in.PreviousBeep = TBeepHook::Install([](int hz, int ms) { ui::Screen::Beep(hz, ms); });
  in.Signals = std::make_unique<TSignalPipe>(CloseMainWindow);
  in.AboutToQuit = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
    if (MainFrm != nullptr) MainFrm->Shutdown();
  });
}

void CreateModules() {
  TInstalled& in = Installed();
  LangModule = new TLangModule();
  Services().LangModule = LangModule;
  Created("LangModule");

  Device = new TDevice();
  Services().Device = Device;
  // In demonstration mode the emulator stands in for the instrument from here on.
  in.Emulator = EmulatorBackend::InstallForDemoMode();
  if (in.Emulator) {
    // The emulator is the back end in force until the stop puts the USB one back.
    in.BackendInstalled = true;
  }
  Created("Device");

  ScannerModule = new TScannerModule();
  // The module's file troubles (a cable list a state names) reach the user once the step that
  // met them has finished.
  ScannerModule->Log = [](const std::string& message) {
    platform::UiDispatcher::get().post([message] {
      if (ScannerModule != nullptr) ui::MessageBox::Get().Show(message);
    });
  };
  Created("ScannerModule");

  PowerMeter = new TPowerMeter();
  Services().PowerMeter = PowerMeter;
  Created("PowerMeter");

  ViewProperties = new TViewProperties();
  Created("ViewProperties");

  MainFrm = new TMainFrm();
  MainFrm->OnClosed = [] { QCoreApplication::exit(0); };
  ui::Form::SetMainForm(MainFrm);
  Created("MainFrm");

  CalKitsModule = new TCalKitsModule();
  Services().CalKitsModule = CalKitsModule;
  Created("CalKitsModule");

  CalibratorModule = new TCalibratorModule();
  Services().CalibratorModule = CalibratorModule;
  CalibratorModule->MessageHook = in.MessageBox.get();
  // The active channel window and the EEPROM transfers' hold on the window come from the main
  // window's delayed start; the sweep wait box joins with its dialog.
  Created("CalibratorModule");

  SynthesizerTV = new TSynthesizerTV();
  Services().SynthesizerTV = SynthesizerTV;
  Created("SynthesizerTV");

  SynthesizerTV30 = new TSynthesizerTV30();
  Services().SynthesizerTV30 = SynthesizerTV30;
  Created("SynthesizerTV30");
  // A load of synthesizer settings restarts the sweep on them.
  ScannerModule->HookSynthesizers(SynthesizerTV, SynthesizerTV30);

  ChannelStore = new TChannelStore();
  Created("ChannelStore");

  // The marker readouts take their digits from the display look and the units of the
  // equivalent components from the main window's tables.
  // Every chart learns from the main window how many channels show and which one is active.
  in.PreviousChannelInfo = TDrawingPlane::ChannelInfoHook;
  TDrawingPlane::ChannelInfoHook = [] {
    TDrawingPlane::TChannelInfo info;
    if (MainFrm != nullptr) {
      info.Count = MainFrm->ChannelCount;
      info.ActiveIndex = MainFrm->ActiveViewIndex;
    }
    return info;
  };
  in.ChannelInfoInstalled = true;
  in.PreviousMarkerHooks = MarkerHooks();
  in.MarkerHooksInstalled = true;
  MarkerHooks().ArgumentDigits = [] { return ViewProperties ? ViewProperties->ArgumentDigits : 8; };
  MarkerHooks().ValueDigits = [] { return ViewProperties ? ViewProperties->ValueDigits : 5; };
  MarkerHooks().ScaleComponent = [](double& value, bool inductance) -> std::string {
    if (MainFrm == nullptr || !MainFrm->UnitTables) return TMarkerHooks::Defaults().ScaleComponent(value, inductance);
    const TMeasureUnits& units = MainFrm->UnitTables->OfKind(inductance ? ukInductance : ukCapacitance);
    unsigned index = 0;
    FormatWithUnit(value, index, units);
    return index < units.size() ? units[index].Text : std::string();
  };
  // The keypad offers the units of the main window's tables.
  TDigitalKeyboardFrm::UnitTablesHook = []() -> const TMeasureUnitTables* {
    return MainFrm != nullptr ? MainFrm->UnitTables.get() : nullptr;
  };
}

template <class T>
void DeleteGlobal(T*& global) {
  T* object = global;
  global = nullptr;
  delete object;
}

}  // namespace

std::string TProgramStart::JoinArguments(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc && argv != nullptr; ++i) {
    if (argv[i] == nullptr) continue;
    if (!text.empty()) text += ' ';
    text += argv[i];
  }
  return text;
}

bool TProgramStart::IsStarted() { return Installed().Started; }

bool TProgramStart::Start(int argc, const char* const* argv) {
  if (Installed().Started) Stop();
  const std::string arguments = JoinArguments(argc, argv);
  SetRunModeFromText(arguments);
  Installed().StartExitCode = 0;
  if (AutomationStart) {
    std::vector<std::string> list;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
      if (argv[i] != nullptr) list.emplace_back(argv[i]);
    }
    if (std::optional<int> code = AutomationStart(list)) {
      Installed().StartExitCode = *code;
      return false;
    }
  }
  Installed().Started = true;
  try {
    if (ui::Application* app = ui::Application::Instance()) app->SetTitle(kTitle);
    // Temporary files that saves of earlier runs could not finish (a crash, a kill).
    platform::AtomicFile::sweepLeftovers(platform::Paths::dataRoot());
    InstallHooks();
    CreateModules();
  } catch (...) {
    Stop();
    throw;
  }
  return true;
}

int TProgramStart::StartExitCode() { return Installed().StartExitCode; }

void TProgramStart::RequestClose() { CloseMainWindow(0); }

void TProgramStart::Stop() {
  TInstalled& in = Installed();
  if (!in.Started) return;
  // The automation server goes first: no client command may reach a module being taken down.
  if (AutomationStop) AutomationStop();
  if (MainFrm != nullptr) MainFrm->Shutdown();
  if (in.ChannelInfoInstalled) {
    TDrawingPlane::ChannelInfoHook = std::move(in.PreviousChannelInfo);
    in.PreviousChannelInfo = nullptr;
    in.ChannelInfoInstalled = false;
  }
  if (in.MarkerHooksInstalled) {
    MarkerHooks() = in.PreviousMarkerHooks;
    in.MarkerHooksInstalled = false;
    TDigitalKeyboardFrm::UnitTablesHook = nullptr;
  }
  // Reverse creation order; each global and registry entry is cleared before its object goes.
  DeleteGlobal(ChannelStore);
  Services().SynthesizerTV30 = nullptr;
  DeleteGlobal(SynthesizerTV30);
  Services().SynthesizerTV = nullptr;
  DeleteGlobal(SynthesizerTV);
  if (CalibratorModule) CalibratorModule->MessageHook = nullptr;
  Services().CalibratorModule = nullptr;
  DeleteGlobal(CalibratorModule);
  Services().CalKitsModule = nullptr;
  DeleteGlobal(CalKitsModule);
  if (ui::Form::MainForm() == MainFrm) ui::Form::SetMainForm(nullptr);
  DeleteGlobal(MainFrm);
  DeleteGlobal(ViewProperties);
  Services().PowerMeter = nullptr;
  DeleteGlobal(PowerMeter);
  DeleteGlobal(ScannerModule);
  if (in.BackendInstalled) {
    platform::UsbBackend::install(nullptr);
    in.BackendInstalled = false;
  }
  in.Emulator.reset();
  Services().Device = nullptr;
  DeleteGlobal(Device);
  Services().LangModule = nullptr;
  DeleteGlobal(LangModule);

  if (in.AboutToQuit) QObject::disconnect(in.AboutToQuit);
  in.Signals.reset();
  TBeepHook::Install(std::move(in.PreviousBeep));
  in.PreviousBeep = nullptr;
  in.MessageBox.reset();
  Services().BusyCursor = nullptr;
  in.BusyCursor.reset();
  if (in.Waiter) TPumpingWaiter::install(in.PreviousWaiter);
  in.Waiter.reset();
  if (in.Dispatcher) platform::UiDispatcher::install(in.PreviousDispatcher);
  in.Dispatcher.reset();
  in.Started = false;
}

int TProgramStart::Run(int argc, char** argv) {
  std::unique_ptr<ui::Application> own;
  if (ui::Application::Instance() == nullptr) own = std::make_unique<ui::Application>(argc, argv);
  int code = 0;
  try {
    if (!Start(argc, argv)) return StartExitCode();
    if (OnRunning) QTimer::singleShot(0, QCoreApplication::instance(), [] {
        if (OnRunning) OnRunning();
      });
    code = QCoreApplication::exec();
    Stop();
  } catch (const std::exception& e) {
    ui::Application::Report(e.what());
    Stop();
    return 1;
  } catch (...) {
    ui::Application::Report("The program could not start");
    Stop();
    return 1;
  }
  return code;
}
