#include "dialogs/ShellDialogs.h"

#include "dialogs/ChannelListFrm.h"
#include "dialogs/DialogOpener.h"
#include "dialogs/FreqOffsetFrm.h"
#include "dialogs/SaveRecallFrm.h"
#include "dialogs/ServiceFrm.h"
#include "dialogs/System30Frm.h"
#include "shell/MainFrm.h"

void RegisterShellDialogs() {
  TMainFrm::RegisterDialog("TSystem30Frm", OwnerModalOpener<TSystem30Frm>());
  TMainFrm::RegisterDialog("TSaveRecallFrm", OwnerModalOpener<TSaveRecallFrm>());
  TMainFrm::RegisterDialog("TChannelListFrm", OwnerModalOpener<TChannelListFrm>());
  TMainFrm::RegisterDialog("TServiceFrm", OwnerModalOpener<TServiceFrm>());
  TMainFrm::RegisterDialog("TFactoryFrm", OwnerModalOpener<TFactoryFrm>());
  TMainFrm::RegisterDialog("TFreqOffsetFrm", OwnerModalOpener<TFreqOffsetFrm>());
}

int RunFactoryDialog(TTouchDialogFrm& dialog, ui::Form& owner, const std::string& dialogClass, int arg) {
  return dialog.RunSubDialog([&owner, &dialogClass, arg]() -> int {
    if (MainFrm == nullptr) return ui::mrCancel;
    return MainFrm->OpenDialog(owner, dialogClass, true, arg);
  });
}
