#pragma once
// A window timer: every Interval milliseconds while Enabled, OnTimer runs on the UI thread.
// A timer without a handler or with Interval 0 does not run; changing Interval or Enabled
// starts the count again. Ticks that fall due while the thread is busy come as one.
// A timer whose parent is a control counts as a handler of that control's form (see
// Form::Release).
//
// Tests: while a Timer::Fake exists, timers started from then on run on platform::Clock
// instead of Qt; Timer::Fake::RunDue() runs every timer that is due by the clock in force.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace ui {

class Timer : public QObject {
  Q_OBJECT

 public:
  explicit Timer(QObject* parent = nullptr);
  ~Timer() override;

  int Interval() const { return interval_; }
  void SetInterval(int ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // Running: enabled, a handler, an interval above 0.
  bool Running() const;

  std::function<void(Timer& sender)> OnTimer;
  // Assigning the handler does not start the timer by itself; call Update (or set Enabled).
  void Update();

  class Fake {
   public:
    Fake();
    ~Fake();
    Fake(const Fake&) = delete;
    Fake& operator=(const Fake&) = delete;
    // Runs each due timer once; returns how many ran.
    static int RunDue();
  };

 private:
  void Fire();

  QTimer timer_;
  int interval_ = 1000;
  bool enabled_ = false;
  bool fake_ = false;
  int64_t dueMs_ = 0;
};

}  // namespace ui
