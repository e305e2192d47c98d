#include "dialogs/ShellDialogs.h"

#include "dialogs/ChannelListFrm.h"
#include "dialogs/FreqOffsetFrm.h"
#include "dialogs/SaveRecallFrm.h"
#include "dialogs/ServiceFrm.h"
#include "dialogs/System30Frm.h"
#include "shell/MainFrm.h"

namespace {

// Created with the form the factory was asked from as owner, run modally, deleted.
template <class TDialog>
TMainFrm::TDialogFactoryOpener ModalOpener() {
  return [](ui::Form& owner, bool, int) {
    TDialog dialog(&owner);
    return dialog.ShowModal();
  };
}

}  // namespace

void RegisterShellDialogs() {
  TMainFrm::RegisterDialog("TSystem30Frm", ModalOpener<TSystem30Frm>());
  TMainFrm::RegisterDialog("TSaveRecallFrm", ModalOpener<TSaveRecallFrm>());
  TMainFrm::RegisterDialog("TChannelListFrm", ModalOpener<TChannelListFrm>());
  TMainFrm::RegisterDialog("TServiceFrm", ModalOpener<TServiceFrm>());
  TMainFrm::RegisterDialog("TFactoryFrm", ModalOpener<TFactoryFrm>());
  TMainFrm::RegisterDialog("TFreqOffsetFrm", ModalOpener<TFreqOffsetFrm>());
}

int RunFactoryDialog(TTouchDialogFrm& dialog, ui::Form& owner, const std::string& dialogClass, int arg) {
  return dialog.RunSubDialog([&owner, &dialogClass, arg]() -> int {
    if (MainFrm == nullptr) return ui::mrCancel;
    return MainFrm->OpenDialog(owner, dialogClass, true, arg);
  });
}
