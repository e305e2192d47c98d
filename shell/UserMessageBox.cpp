#include "shell/UserMessageBox.h"

#include "platform/ui/MessageBox.h"

void TUserMessageBox::ShowMessage(const std::string& text) { ui::MessageBox::Get().Show(text); }
