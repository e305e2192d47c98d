#pragma once
// The program's one exception type: a message for the user and, for the automation layer,
// the SCPI error number it reports (0 when the failure has none).
#include <stdexcept>
#include <string>

class EAbort : public std::runtime_error {
 public:
  explicit EAbort(const std::string& message, int helpContext = 0)
      : std::runtime_error(message), HelpContext(helpContext) {}

  // SCPI error number, e.g. 224 "Illegal parameter value"; 0 = none.
  int HelpContext;
};
