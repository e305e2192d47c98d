#pragma once
// Messages that code below the windows shows to the user, through the message box in force.
#include <string>

#include "calibration/IUserMessageHook.h"

class TUserMessageBox : public IUserMessageHook {
 public:
  void ShowMessage(const std::string& text) override;
};
