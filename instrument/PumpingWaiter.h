#pragma once
// How the sweep engine waits on the user-interface thread: the instrument needs time after
// connecting, after a standby change and after the init record, but the window must stay alive
// meanwhile, so a wait lets pending user-interface work run until its time on platform::Clock
// has passed or the caller's stop condition holds.
//
// The program installs a waiter that runs its event loop; without one, the waiter in force
// drains the manual platform::UiDispatcher (when that is the dispatcher in force) and sleeps
// 10 ms between passes. Tests install a TManualWaiter, which moves a fake clock instead of
// sleeping.
#include <cstdint>
#include <functional>

class TPumpingWaiter {
 public:
  using TStop = std::function<bool()>;

  virtual ~TPumpingWaiter() = default;
  // Returns once ms milliseconds of platform::Clock time have passed, or earlier as soon as
  // stop (when given) returns true. Pending user-interface work runs meanwhile.
  virtual void Wait(int64_t ms, const TStop& stop) = 0;

  // The waiter in force: the installed one, else the built-in one described above.
  static TPumpingWaiter& get();
  // Installs a waiter (nullptr = the built-in one again); returns the one it replaces.
  static TPumpingWaiter* install(TPumpingWaiter* waiter);
};
