#pragma once
// How the main window's factory opens a dialog: one that may run either way (the channel and
// the trace dialogs), and one that always runs modally on the form it was asked from (the
// shell's and the calibration's dialogs).
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

// Created with the form the factory was asked from as owner, run modally, deleted.
template <class TDialog>
TMainFrm::TDialogFactoryOpener OwnerModalOpener() {
  return [](ui::Form& owner, bool, int) {
    TDialog dialog(&owner);
    return dialog.ShowModal();
  };
}
