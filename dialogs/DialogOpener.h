#pragma once
// How the main window's factory opens a dialog that may run either way, shared by the channel
// and the trace dialogs.
#include "shell/MainFrm.h"

// Modal: shown, then deleted; modeless: shown, freeing itself when it closes. Either way the
// main window is the parent while it exists, else the form the factory was asked from.
template <class TDialog>
TMainFrm::TDialogFactoryOpener MainWindowOpener() {
  return [](ui::Form& owner, bool modal, int) -> int {
    QWidget* parent = MainFrm != nullptr ? static_cast<QWidget*>(MainFrm) : static_cast<QWidget*>(&owner);
    if (!modal) {
      auto* dialog = new TDialog(parent);
      dialog->Show();
      return 0;
    }
    TDialog dialog(parent);
    return dialog.ShowModal();
  };
}
