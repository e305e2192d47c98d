#include "dialogs/RegisterDialogs.h"

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"

void RegisterDialogs() {
  RegisterPickLists();
  RegisterChannelDialogs();
}
