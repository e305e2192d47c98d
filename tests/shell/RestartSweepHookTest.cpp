// A load of synthesizer settings on its own reaches the instrument: the program, started
// in-process in demonstration and service mode, sweeps; loading the settings section stops the
// sweep, rebuilds the command lists on the new values and sweeps again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "instrument/CmdRequest.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/MemIniFile.h"
#include "model/RunMode.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "shell/ProgramStart.h"
#include "shell/ProgramRunSupport.h"

namespace fs = std::filesystem;

namespace {

// The delay ticks of the first timing record of entry 0's list; -1 when there is none.
int FirstTimingTicks(const TScanner& scanner) {
  if (scanner.ScanList.empty()) return -1;
  for (const TCmdRequest& record : scanner.ScanList.front().Commands) {
    if (record.GetCode() == TCmdRequest::TimingCode) return record.GetTimingTicks();
  }
  return -1;
}

class RestartSweepHook : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
  void TearDown() override {
    TProgramStart::Stop();
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    std::error_code ec;
    fs::remove_all(fs::path(platform::Paths::dataRoot()) / "State", ec);
  }
  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(RestartSweepHook, LoadingSynthesizerSettingsRestartsTheSweepOnThem) {
  int sweeps = 0;
  int sweepsAtLoad = -1;
  int ticksBefore = -1, ticksAfter = -1;
  bool loaded = false;
  bool timedOut = false;
  std::vector<std::string> states;  // the scanner's states from the load on
  const auto started = std::chrono::steady_clock::now();
  TProgramStart::OnRunning = [&] {
    CountSweeps(sweeps);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(40);
      TScanner& scanner = ScannerModule->GetScanner();
      if (!timedOut && sweepsAtLoad < 0 && sweeps >= 1) {
        ticksBefore = FirstTimingTicks(scanner);
        auto change = scanner.OnChange;
        scanner.OnChange = [&states, &scanner, change](TFObject* sender, int previous) {
          states.push_back(scanner.GetStateText());
          if (change) change(sender, previous);
        };
        TMemIniFile ini;
        ini.WriteString("SynthTV30", "MeasureDelay", "2000");  // 400 ticks of 5 us
        sweepsAtLoad = sweeps;
        loaded = SynthesizerTV30->LoadSettings(ini);
        ticksAfter = FirstTimingTicks(scanner);
        scanner.OnChange = change;
        return;
      }
      if (!timedOut && (sweepsAtLoad < 0 || sweeps < sweepsAtLoad + 2)) return;
      poll->stop();
      poll->deleteLater();
      std::raise(SIGTERM);
    });
    poll->start(20);
  };
  char program[] = "tervan";
  char demo[] = "DemoMode";
  char service[] = "EnableService";
  char* argv[] = {program, demo, service, nullptr};
  EXPECT_EQ(TProgramStart::Run(3, argv), 0);
  EXPECT_FALSE(timedOut) << "sweeps " << sweeps << ", at the load " << sweepsAtLoad;
  ASSERT_TRUE(loaded);
  EXPECT_NE(ticksBefore, 400);
  EXPECT_EQ(ticksAfter, 400) << "the lists are rebuilt on the loaded settings";
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.front(), "STOP") << "the sweep stops first";
  EXPECT_EQ(states.back(), "MEAS") << "and starts again";
  EXPECT_GE(sweeps, sweepsAtLoad + 2) << "and goes on sweeping";
}

}  // namespace
