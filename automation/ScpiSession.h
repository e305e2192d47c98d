#pragma once
// One SCPI client's view of the automation tree: its application object, its error queue, and
// the binder that runs a line of SCPI text through the in-process API (createApplication,
// child, invoke) and nothing else.
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "automation/AutomationCore.h"

namespace automation {

// A member's result as SCPI reply text: bool 1/0, integers, shortest round-trip doubles, arrays
// comma-separated, keywords bare, free texts quoted with quotes doubled; an empty value replies 0
// for a long or boolean member and nothing otherwise.
std::string FormatReply(const Variant& value, ValueType type);

class TScpiSession {
 public:
  static constexpr size_t kErrorQueueSize = 32;

  TScpiSession();

  // Runs one line (its LF removed). The reply line (without LF) when the line held a query;
  // queries of one line answer in one line, separated by ';'.
  std::optional<std::string> Execute(std::string_view line);

  // Queues an error: the SCPI numbers as they are, 0 as 200 "Execution error;<message>". A full
  // queue turns its last entry into -350 "Queue overflow".
  void PushError(int number, const std::string& message);
  // The oldest entry as `<number>,"<message>"`, or `0,"No error"`.
  std::string PopError();
  void ClearErrors() { Errors.clear(); }
  size_t ErrorCount() const { return Errors.size(); }

  const Node& Application() const { return App; }

 private:
  Node App;
  std::deque<std::pair<int, std::string>> Errors;
};

}  // namespace automation
