#pragma once
// The program's dispatcher: closures posted from any thread run on the UI thread through Qt's
// queued invocation, in the order posted; delayed ones after a Qt timer. A closure that throws
// is reported like any handler's exception. Create it on the UI thread, install it with
// platform::UiDispatcher::install, and keep it until the threads that post have stopped.
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/UiDispatcher.h"

namespace ui {

class QtUiDispatcher : public platform::UiDispatcher {
 public:
  QtUiDispatcher();
  ~QtUiDispatcher() override;

  void post(std::function<void()> task) override;
  void postDelayed(std::function<void()> task, int64_t delayMs) override;

 private:
  std::unique_ptr<QObject> context_;  // lives on the UI thread; its deletion drops what is queued
};

}  // namespace ui
