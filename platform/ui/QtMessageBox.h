#pragma once
// The message box the program shows: Qt's, kept above every other window.
#include "platform/ui/MessageBox.h"

namespace ui {

class QtMessageBox : public MessageBox {
 public:
  int Ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon = Icon::None) override;
  void Show(const std::string& text) override;
};

}  // namespace ui
