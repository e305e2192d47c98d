#pragma once
// What the link tests share: a manual UI queue installed for the test, a pump that runs it until
// something has happened (bounded only by the CTest time-out), and a recorder of the link's
// five closures.
#include <chrono>
#include <functional>
#include <thread>

#include "instrument/ScannerThreads.h"
#include "platform/UiDispatcher.h"

namespace linktest {

struct ManualUi {
  platform::ManualUiDispatcher ui;
  platform::UiDispatcher* previous = platform::UiDispatcher::install(&ui);
  ~ManualUi() { platform::UiDispatcher::install(previous); }

  // Runs the UI queue until pred() holds.
  void pumpUntil(const std::function<bool()>& pred) {
    for (;;) {
      ui.runPending();
      if (pred()) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
};

struct Recorder {
  int data = 0, error = 0, connected = 0, progress = 0, disconnected = 0;

  void attach(TScannerThreads& link) {
    link.SetDataHandler([this] { ++data; });
    link.SetErrorHandler([this] { ++error; });
    link.SetConnectedHandler([this] { ++connected; });
    link.SetProgressHandler([this] { ++progress; });
    link.SetDisconnectedHandler([this] { ++disconnected; });
    link.Log = [](const std::string&) {};
  }
};

}  // namespace linktest
