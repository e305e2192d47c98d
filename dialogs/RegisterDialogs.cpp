#include "dialogs/RegisterDialogs.h"

#include "dialogs/ChannelDialogs.h"
#include "dialogs/MarkerDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/PrintFrm.h"
#include "dialogs/ShellDialogs.h"
#include "dialogs/TraceDialogs.h"

void RegisterDialogs() {
  RegisterPickLists();
  RegisterChannelDialogs();
  RegisterShellDialogs();
  RegisterMarkerDialogs();
  RegisterTraceDialogs();
  RegisterPrintDialogs();
}
