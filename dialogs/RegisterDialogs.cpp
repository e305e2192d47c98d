#include "dialogs/RegisterDialogs.h"

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/PrintFrm.h"
#include "dialogs/ShellDialogs.h"

void RegisterDialogs() {
  RegisterPickLists();
  RegisterChannelDialogs();
  RegisterShellDialogs();
  RegisterPrintDialogs();
}
