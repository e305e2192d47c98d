#include "platform/ui/Timer.h"

#include <algorithm>
#include <vector>

#include "platform/Clock.h"
#include "platform/ui/Application.h"
#include "platform/ui/Control.h"
#include "platform/ui/Form.h"

namespace ui {

namespace {

struct FakeState {
  int scopes = 0;
  std::vector<Timer*> timers;
};

FakeState& Fakes() {
  static FakeState state;
  return state;
}

void Forget(Timer* t) {
  auto& v = Fakes().timers;
  v.erase(std::remove(v.begin(), v.end(), t), v.end());
}

}  // namespace

Timer::Timer(QObject* parent) : QObject(parent) {
  connect(&timer_, &QTimer::timeout, this, [this] { Fire(); });
}

Timer::~Timer() { Forget(this); }

void Timer::SetInterval(int ms) {
  interval_ = std::max(ms, 0);
  Update();
}

void Timer::SetEnabled(bool on) {
  enabled_ = on;
  Update();
}

bool Timer::Running() const { return enabled_ && OnTimer && interval_ > 0; }

void Timer::Update() {
  timer_.stop();
  Forget(this);
  fake_ = false;
  if (!Running()) return;
  if (Fakes().scopes > 0) {
    fake_ = true;
    dueMs_ = platform::Clock::get().steadyMs() + interval_;
    Fakes().timers.push_back(this);
    return;
  }
  timer_.start(interval_);
}

void Timer::Fire() {
  if (!Running()) return;
  Form* form = nullptr;
  if (auto* c = qobject_cast<Control*>(parent())) form = c->ParentForm();
  Form::HandlerScope scope(form);
  Application::Guard([this] { OnTimer(*this); });
}

Timer::Fake::Fake() { ++Fakes().scopes; }

Timer::Fake::~Fake() {
  if (--Fakes().scopes == 0) {
    for (Timer* t : std::vector<Timer*>(Fakes().timers)) t->fake_ = false;
    Fakes().timers.clear();
  }
}

int Timer::Fake::RunDue() {
  const int64_t now = platform::Clock::get().steadyMs();
  std::vector<Timer*> due;
  for (Timer* t : Fakes().timers) {
    if (t->dueMs_ <= now) due.push_back(t);
  }
  int ran = 0;
  for (Timer* t : due) {
    // A handler may have stopped or deleted another due timer.
    auto& v = Fakes().timers;
    if (std::find(v.begin(), v.end(), t) == v.end() || t->dueMs_ > now) continue;
    t->dueMs_ = now + t->interval_;
    ++ran;
    t->Fire();
  }
  return ran;
}

}  // namespace ui
