#include "dialogs/RegisterDialogs.h"

#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"

void RegisterDialogs() {
  RegisterPickLists();
  RegisterShellDialogs();
}
