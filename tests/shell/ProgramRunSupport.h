// Support for tests that run the whole program in-process.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "instrument/ScannerModule.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"

// Counts the program's finished sweeps in `sweeps`, passing each on to the handler that the main
// window installed, so the program goes on sweeping as it would.
inline void CountSweeps(int& sweeps) {
  auto original = ScannerModule->OnSweepDone;
  ScannerModule->OnSweepDone = [&sweeps, original](TFObject* sender) {
    ++sweeps;
    if (original) original(sender);
  };
}

// Runs the program in-process with these switches on its command line; its exit code.
inline int RunWithSwitches(const std::vector<std::string>& switches) {
  std::vector<std::string> texts = {"tervan"};
  texts.insert(texts.end(), switches.begin(), switches.end());
  std::vector<char*> argv;
  for (std::string& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  return TProgramStart::Run(static_cast<int>(texts.size()), argv.data());
}

// One run of the demonstration program at a time; `driver` injects the input while it runs and
// `swept` counts the instrument's sweeps.
struct TRunningProgram {
  // Runs the program with these switches; once the instrument has swept `sweeps` times the
  // script runs from the event loop, then the program closes. False when it did not sweep so
  // within `limit` (the script is left out then).
  bool Run(const std::vector<std::string>& switches, int sweeps, const std::function<void()>& script,
           std::chrono::seconds limit = std::chrono::seconds(30)) {
    swept = 0;
    bool timedOut = false;
    const auto started = std::chrono::steady_clock::now();
    QObject context;
    TProgramStart::OnRunning = [&] {
      driver = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
      CountSweeps(swept);
      auto* poll = new QTimer(&context);
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        timedOut = std::chrono::steady_clock::now() - started > limit;
        if (swept < sweeps && !timedOut) return;
        poll->stop();
        if (!timedOut) script();
        MainFrm->Close();
      });
      poll->start(50);
    };
    EXPECT_EQ(RunWithSwitches(switches), 0);
    TProgramStart::OnRunning = nullptr;
    driver.reset();
    return !timedOut;
  }

  std::unique_ptr<ui::TestDriver> driver;
  int swept = 0;
};
