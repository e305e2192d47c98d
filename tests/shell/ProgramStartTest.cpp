// The program start, in-process: the switches from the command line, the modules in their
// order and back, a start that fails, and a demonstration run that sweeps and ends on SIGTERM.
#include "shell/ProgramStart.h"
#include "instrument/PowerMeter.h"
#include "instrument/FakePowerDrivers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/ChannelStore.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "display/DrawingPlane.h"
#include "shell/LangModule.h"
#include "shell/MainFrm.h"
#include "shell/StateFileSample.h"
#include "traces/MarkerHooks.h"
#include "shell/ProgramRunSupport.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kCreationOrder = {
    "LangModule",    "Device",        "ScannerModule",    "PowerMeter",    "ViewProperties", "MainFrm",
    "CalKitsModule", "CalibratorModule", "SynthesizerTV", "SynthesizerTV30", "ChannelStore"};

struct TFlags {
  bool service, factory, vorla, demo, english;
  bool operator==(const TFlags&) const = default;
};

TFlags CurrentFlags() { return {IsServiceEnabled(), IsFactoryMode(), IsVorlaMode(), IsDemoMode(), IsEnglishMode()}; }

std::ostream& operator<<(std::ostream& os, const TFlags& f) {
  return os << "service " << f.service << " factory " << f.factory << " vorla " << f.vorla << " demo " << f.demo
            << " english " << f.english;
}

bool NoModuleLeft() {
  return LangModule == nullptr && Device == nullptr && ScannerModule == nullptr && PowerMeter == nullptr &&
         ViewProperties == nullptr && MainFrm == nullptr && CalKitsModule == nullptr &&
         CalibratorModule == nullptr && SynthesizerTV == nullptr && SynthesizerTV30 == nullptr &&
         ChannelStore == nullptr && Services().LangModule == nullptr && Services().Device == nullptr &&
         Services().CalibratorModule == nullptr && Services().CalKitsModule == nullptr &&
         Services().SynthesizerTV == nullptr && Services().SynthesizerTV30 == nullptr &&
         Services().BusyCursor == nullptr;
}

// argv as main() gets it, from texts that stay alive with the object.
struct TArgs {
  explicit TArgs(std::vector<std::string> texts) : Texts(std::move(texts)) {
    for (std::string& t : Texts) Pointers.push_back(t.data());
    Pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(Texts.size()); }
  char** argv() { return Pointers.data(); }
  std::vector<std::string> Texts;
  std::vector<char*> Pointers;
};

class ProgramStartRig : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
  void TearDown() override {
    TProgramStart::Stop();
    TProgramStart::AutomationStart = nullptr;
    TProgramStart::AutomationStop = nullptr;
    TProgramStart::OnModuleCreated = nullptr;
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    std::error_code ec;
    fs::remove_all(fs::path(platform::Paths::dataRoot()) / "State", ec);
  }

  // The switches that a start with these arguments sets; the automation hook ends the start
  // before any module exists.
  TFlags SwitchesOf(std::vector<std::string> args) {
    ResetRunMode();
    std::vector<std::string> seen;
    TProgramStart::AutomationStart = [&](const std::vector<std::string>& list) -> std::optional<int> {
      seen = list;
      return 0;
    };
    TArgs a(std::move(args));
    EXPECT_FALSE(TProgramStart::Start(a.argc(), a.argv()));
    EXPECT_EQ(seen, std::vector<std::string>(a.Texts.begin() + 1, a.Texts.end()));
    EXPECT_TRUE(NoModuleLeft());
    return CurrentFlags();
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(ProgramStartRig, SwitchesComeFromTheArgumentsAfterTheProgramPath) {
  struct Case {
    std::vector<std::string> args;
    TFlags flags;
  };
  const Case cases[] = {
      {{"/opt/DemoMode/EnableService/tervan"}, {false, false, false, false, false}},
      {{"tervan", "DemoMode"}, {false, false, false, true, false}},
      {{"tervan", "-EnableService", "/FactoryMode"}, {true, false, false, false, false}},
      {{"tervan", "xxFactoryModexx"}, {false, true, false, false, false}},
      {{"tervan", "English", "VorlaMode"}, {false, false, true, false, true}},
      {{"tervan", "demomode", "ENGLISH", "enableservice"}, {false, false, false, false, false}},
      {{"tervan", "Demo", "Mode"}, {false, false, false, false, false}},
      {{"tervan", "Demo Mode"}, {false, false, false, false, false}},
      {{"tervan", "Vorla", "ModeDemoMode"}, {false, false, false, true, false}},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a + "]";
    EXPECT_EQ(SwitchesOf(c.args), c.flags) << shown;
  }
}

TEST_F(ProgramStartRig, UnknownLongAndBrokenArgumentsOnlySetOrLeaveTheFlags) {
  const char* const words[] = {"EnableService", "FactoryMode", "VorlaMode", "DemoMode", "English"};
  std::mt19937 random(20261210);
  for (int round = 0; round < 60; ++round) {
    std::vector<std::string> args{"tervan"};
    const int count = 1 + static_cast<int>(random() % 5);
    for (int k = 0; k < count; ++k) {
      std::string arg;
      const size_t length = (round % 10 == 0) ? 200000 : random() % 40;
      for (size_t i = 0; i < length; ++i) arg += static_cast<char>(1 + random() % 255);  // any byte but NUL
      if (random() % 3 == 0) arg.insert(random() % (arg.size() + 1), words[random() % 5]);
      args.push_back(arg);
    }
    std::string joined;
    for (size_t i = 1; i < args.size(); ++i) joined += (i > 1 ? " " : "") + args[i];
    auto has = [&](const char* w) { return joined.find(w) != std::string::npos; };
    const TFlags expected{has("EnableService"), !has("EnableService") && has("FactoryMode"), has("VorlaMode"),
                          has("DemoMode"), has("English")};
    EXPECT_EQ(SwitchesOf(args), expected) << "round " << round;
  }
}

TEST_F(ProgramStartRig, ModulesComeInTheirOrderAndGoAtTheStop) {
  std::vector<std::string> created;
  TProgramStart::OnModuleCreated = [&](const std::string& name) { created.push_back(name); };
  TArgs args({"tervan", "DemoMode"});
  ASSERT_TRUE(TProgramStart::Start(args.argc(), args.argv()));
  EXPECT_EQ(created, kCreationOrder);
  EXPECT_EQ(ui::Application::Instance()->Title(), "Tervan K30");
  EXPECT_NE(LangModule, nullptr);
  EXPECT_EQ(Services().LangModule, LangModule);
  EXPECT_EQ(Services().Device, Device);
  EXPECT_TRUE(Device->GetDemoMode());
  ASSERT_NE(PowerMeter, nullptr);
  EXPECT_EQ(Services().PowerMeter, PowerMeter);
  EXPECT_EQ(PowerMeter->GetState(), IPowerMeter::NotReady);
  EXPECT_EQ(Services().CalibratorModule, CalibratorModule);
  EXPECT_EQ(Services().CalKitsModule, CalKitsModule);
  EXPECT_NE(Services().SynthesizerTV, nullptr);
  EXPECT_NE(Services().SynthesizerTV30, nullptr);
  EXPECT_NE(Services().BusyCursor, nullptr);
  EXPECT_NE(CalibratorModule->MessageHook, nullptr);
  EXPECT_NE(ChannelStore, nullptr);
  ASSERT_NE(MainFrm, nullptr);
  EXPECT_EQ(ui::Form::MainForm(), MainFrm);
  EXPECT_TRUE(MainFrm->Visible());
  // The marker readouts follow the display look and the window's (translated) unit tables.
  ViewProperties->SetArgumentDigits(6);
  ViewProperties->SetValueDigits(4);
  EXPECT_EQ(MarkerArgumentDigits(), 6);
  EXPECT_EQ(MarkerValueDigits(), 4);
  double henry = 2.2e-9;
  const std::string unit = ScaleMarkerComponent(henry, true);
  EXPECT_NEAR(henry, 2.2, 1e-12);
  EXPECT_EQ(unit, LangModule->Translate("nH"));
  // The engine's user messages reach the message box.
  CalibratorModule->MessageHook->ShowMessage("Calibration kit changed");
  EXPECT_EQ(driver.Box().Shown(), std::vector<std::string>{"Calibration kit changed"});
  // Every chart asks the main window how many channels show and which one is active.
  ASSERT_TRUE(static_cast<bool>(TDrawingPlane::ChannelInfoHook));
  MainFrm->ChannelCount = 3;
  MainFrm->ActiveViewIndex = 2;
  EXPECT_EQ(TDrawingPlane::ChannelInfoHook().Count, 3);
  EXPECT_EQ(TDrawingPlane::ChannelInfoHook().ActiveIndex, 2);

  TProgramStart::Stop();
  EXPECT_FALSE(TProgramStart::IsStarted());
  EXPECT_TRUE(NoModuleLeft());
  EXPECT_FALSE(static_cast<bool>(TDrawingPlane::ChannelInfoHook));
  EXPECT_EQ(MarkerArgumentDigits(), 8);
  EXPECT_EQ(MarkerValueDigits(), 5);
  TProgramStart::Stop();  // a second stop does nothing
  EXPECT_TRUE(NoModuleLeft());
}

TEST_F(ProgramStartRig, AModuleThatThrowsEndsTheRunWithItsMessageAndExitCode1) {
  for (const char* failing : {"LangModule", "ScannerModule", "MainFrm", "ChannelStore"}) {
    driver.Box().ClearLog();
    std::vector<std::string> created;
    TProgramStart::OnModuleCreated = [&](const std::string& name) {
      created.push_back(name);
      if (name == failing) throw EAbort(std::string(failing) + " cannot be created");
    };
    TArgs args({"tervan", "DemoMode"});
    EXPECT_EQ(TProgramStart::Run(args.argc(), args.argv()), 1) << failing;
    EXPECT_EQ(driver.Box().Shown(), std::vector<std::string>{std::string(failing) + " cannot be created"});
    EXPECT_EQ(created.back(), failing);
    EXPECT_FALSE(TProgramStart::IsStarted());
    EXPECT_TRUE(NoModuleLeft()) << failing;
  }
}

TEST_F(ProgramStartRig, TheAutomationHookCanEndTheProgramBeforeAnyModule) {
  int created = 0;
  TProgramStart::OnModuleCreated = [&](const std::string&) { ++created; };
  TProgramStart::AutomationStart = [](const std::vector<std::string>&) -> std::optional<int> { return 3; };
  TArgs args({"tervan", "DemoMode"});
  EXPECT_EQ(TProgramStart::Run(args.argc(), args.argv()), 3) << "the hook's exit code";
  EXPECT_EQ(created, 0);
  EXPECT_TRUE(NoModuleLeft());
}

// The meter outlives the main window: the shut-down disconnects it without calling the change
// handler that a window installed, and leaves none behind for a later change.
TEST_F(ProgramStartRig, TheShutdownDisconnectsTheMeterWithoutItsChangeHandler) {
  FakePowerDrivers drivers;
  TPowerMeter::DriverSource = [&](int, TPowerMeter::TDrivers& d, std::string&) {
    d.Sensor = &drivers;
    d.Gpib = &drivers;
    return true;
  };
  TArgs args({"tervan", "DemoMode"});
  ASSERT_TRUE(TProgramStart::Start(args.argc(), args.argv()));
  ASSERT_TRUE(PowerMeter->Connect());
  int calls = 0;
  PowerMeter->OnChange = [&calls](TPowerMeter*) { ++calls; };
  MainFrm->Shutdown();
  EXPECT_EQ(PowerMeter->GetState(), IPowerMeter::NotReady);
  EXPECT_TRUE(drivers.OpenHandles.empty());
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(static_cast<bool>(PowerMeter->OnChange));
  TProgramStart::Stop();
  TPowerMeter::DriverSource = nullptr;
}

TEST_F(ProgramStartRig, QuittingTheApplicationRunsTheShutdownBeforeTheLoopEnds) {
  statefile::Write(TMainFrm::AutosavePath(), 0, 1);
  bool shutDown = false;
  QObject context;
  TProgramStart::OnRunning = [&] {
    // Connected after the program's own handler, so it sees what that one did.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &context,
                     [&] { shutDown = MainFrm != nullptr && MainFrm->IsShutDown(); });
    // Once the delayed start has run (autosave on), the application quits.
    QTimer::singleShot(200, &context, [] { QCoreApplication::quit(); });
  };
  TArgs args({"tervan", "DemoMode"});
  EXPECT_EQ(TProgramStart::Run(args.argc(), args.argv()), 0);
  EXPECT_TRUE(shutDown);
  EXPECT_FALSE(statefile::HasStrayKey(TMainFrm::AutosavePath())) << "the autosave was written anew";
  EXPECT_TRUE(NoModuleLeft());
}

// The whole program in demonstration mode: the emulator connects, the channel sweeps again and
// again, and SIGTERM closes the window, which shuts down once (autosave included) and ends the
// run with exit code 0.
TEST_F(ProgramStartRig, DemoRunSweepsAndEndsCleanlyOnSigterm) {
  const std::string autosave = TMainFrm::AutosavePath();
  statefile::Write(autosave, 2, 2);
  int loadedCount = 0;

  int sweeps = 0;
  std::string caption;
  bool timedOut = false;
  bool shutDownBeforeLoopEnded = false;
  const auto started = std::chrono::steady_clock::now();
  QObject context;  // ends the test's connections with the test
  TProgramStart::OnRunning = [&] {
    CountSweeps(sweeps);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      const bool enough = sweeps >= 3;
      timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(40);
      if (!enough && !timedOut) return;
      poll->stop();
      poll->deleteLater();
      caption = MainFrm->Caption();
      loadedCount = MainFrm->ChannelCount;
      QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &context,
                       [&] { shutDownBeforeLoopEnded = MainFrm != nullptr && MainFrm->IsShutDown(); });
      std::raise(SIGTERM);
    });
    poll->start(20);
  };
  TArgs args({"tervan", "DemoMode"});
  EXPECT_EQ(TProgramStart::Run(args.argc(), args.argv()), 0);
  EXPECT_FALSE(timedOut) << "no three sweeps within 40 s";
  EXPECT_GE(sweeps, 3);
  const std::string suffix = " (Demo Mode)";
  ASSERT_GE(caption.size(), suffix.size());
  EXPECT_EQ(caption.substr(caption.size() - suffix.size()), suffix);
  EXPECT_EQ(loadedCount, 2) << "the autosave was loaded";
  EXPECT_FALSE(statefile::HasStrayKey(autosave)) << "the autosave was written anew";
  EXPECT_EQ(statefile::ReadInt(autosave, "ChannelCount"), 2);
  EXPECT_TRUE(shutDownBeforeLoopEnded) << "the close ran the shut-down";
  EXPECT_TRUE(driver.Box().Shown().empty());
  EXPECT_TRUE(NoModuleLeft());
  EXPECT_FALSE(TProgramStart::IsStarted());
}

// ---- A stop while the start's message is open -------------------------------------------------

// A message box the user has not closed yet when the program is told to stop: Show raises
// SIGTERM and waits, as a modal box does, until the stop has ended every event loop.
class HeldOpenBox : public ui::MessageBox {
 public:
  HeldOpenBox() : previous_(ui::MessageBox::Install(this)) {}
  ~HeldOpenBox() override { ui::MessageBox::Install(previous_); }
  HeldOpenBox(const HeldOpenBox&) = delete;
  HeldOpenBox& operator=(const HeldOpenBox&) = delete;

  int Ask(const std::string& text, const std::string&, Buttons, Icon) override {
    ADD_FAILURE() << "unexpected question: " << text;
    return 0;
  }
  void Show(const std::string& text) override {
    shown.push_back(text);
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [] { std::raise(SIGTERM); });
    // Never longer than this, even when the stop does not come.
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    shutDownWhileOpen = MainFrm != nullptr && MainFrm->IsShutDown();
  }

  std::vector<std::string> shown;
  bool shutDownWhileOpen = false;

 private:
  ui::MessageBox* previous_;
};

class AutosaveAfterStopInBox : public ProgramStartRig {};

TEST_F(AutosaveAfterStopInBox, AStopWhileTheCutShortMessageIsOpenStillWritesTheAutosave) {
  const std::string autosave = TMainFrm::AutosavePath();
  // A state cut short in the middle of a UTF-16 character.
  const std::string damaged = statefile::Sample(2, 2) + "x";
  {
    std::ofstream out(autosave, std::ios::binary);
    out << damaged;
  }
  HeldOpenBox box;
  bool timedOut = false;
  QObject context;
  TProgramStart::OnRunning = [&] {
    // A stop that never comes ends the test instead of hanging it.
    QTimer::singleShot(30000, &context, [&] {
      timedOut = true;
      QCoreApplication::quit();
    });
  };
  TArgs args({"tervan", "DemoMode"});
  EXPECT_EQ(TProgramStart::Run(args.argc(), args.argv()), 0);
  EXPECT_FALSE(timedOut);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].find("cut short"), std::string::npos) << box.shown[0];
  EXPECT_TRUE(box.shutDownWhileOpen) << "the stop ended the program with the box open";
  // The damaged file is set aside and a fresh autosave written in its place.
  std::ifstream in(autosave + ".bad", std::ios::binary);
  const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, damaged);
  ASSERT_TRUE(fs::exists(autosave)) << "no autosave after the stop";
  EXPECT_FALSE(statefile::HasStrayKey(autosave));
  EXPECT_EQ(statefile::ReadInt(autosave, "ChannelCount"), 1) << "the defaults the start went on with";
  EXPECT_TRUE(NoModuleLeft());
}

}  // namespace
