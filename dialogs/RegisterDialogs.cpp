#include "dialogs/RegisterDialogs.h"

#include "dialogs/PickLists.h"

void RegisterDialogs() {
  RegisterPickLists();
}
