#pragma once
// Shows a message to the user from below the windows. The main window provides it; tests
// install fakes.
#include <string>

class IUserMessageHook {
 public:
  virtual ~IUserMessageHook() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};
