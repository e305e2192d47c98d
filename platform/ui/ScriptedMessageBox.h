#pragma once
// The message box of tests: installs itself for its lifetime, answers Ask from a queue of
// scripted answers and records every box. An Ask without a scripted answer never blocks: it
// reports to the failure handler (by default: print and abort, so the test fails) and answers
// Cancel (or No, or Ok, whichever the buttons offer first in that order).
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/MessageBox.h"

namespace ui {

class ScriptedMessageBox : public MessageBox {
 public:
  struct Entry {
    std::string text;
    std::string caption;
    bool asked = false;  // Ask (true) or Show (false)
    Buttons buttons = Buttons::Ok;
    int answer = 0;
  };
  using FailureHandler = std::function<void(const std::string& message)>;

  explicit ScriptedMessageBox(FailureHandler onUnscripted = {});
  ~ScriptedMessageBox() override;
  ScriptedMessageBox(const ScriptedMessageBox&) = delete;
  ScriptedMessageBox& operator=(const ScriptedMessageBox&) = delete;

  // The answer to the next Ask.
  void Answer(int result) { answers_.push_back(result); }
  size_t PendingAnswers() const { return answers_.size(); }

  const std::vector<Entry>& Log() const { return log_; }
  // The texts of the Show calls, in order.
  std::vector<std::string> Shown() const;
  void ClearLog() { log_.clear(); }

  int Ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon = Icon::None) override;
  void Show(const std::string& text) override;

 private:
  FailureHandler onUnscripted_;
  std::deque<int> answers_;
  std::vector<Entry> log_;
  MessageBox* previous_;
};

}  // namespace ui
