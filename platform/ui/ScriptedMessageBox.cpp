#include "platform/ui/ScriptedMessageBox.h"

#include <cstdlib>
#include <iostream>

namespace ui {

ScriptedMessageBox::ScriptedMessageBox(FailureHandler onUnscripted)
    : onUnscripted_(std::move(onUnscripted)), previous_(MessageBox::Install(this)) {}

ScriptedMessageBox::~ScriptedMessageBox() { MessageBox::Install(previous_); }

std::vector<std::string> ScriptedMessageBox::Shown() const {
  std::vector<std::string> out;
  for (const Entry& e : log_) {
    if (!e.asked) out.push_back(e.text);
  }
  return out;
}

int ScriptedMessageBox::Ask(const std::string& text, const std::string& caption, Buttons buttons, Icon) {
  Entry e{text, caption, true, buttons, 0};
  if (!answers_.empty()) {
    e.answer = answers_.front();
    answers_.pop_front();
    log_.push_back(e);
    return e.answer;
  }
  switch (buttons) {
    case Buttons::Ok: e.answer = 1; break;
    case Buttons::YesNo: e.answer = 7; break;
    case Buttons::AbortRetryIgnore: e.answer = 3; break;
    default: e.answer = 2; break;
  }
  log_.push_back(e);
  const std::string message = "unscripted message box: " + text;
  if (onUnscripted_) {
    onUnscripted_(message);
  } else {
    std::cerr << message << std::endl;
    std::abort();
  }
  return e.answer;
}

void ScriptedMessageBox::Show(const std::string& text) { log_.push_back(Entry{text, std::string(), false, Buttons::Ok, 1}); }

}  // namespace ui
