#include "dialogs/RegisterDialogs.h"

#include "dialogs/MarkerDialogs.h"
#include "dialogs/PickLists.h"

void RegisterDialogs() {
  RegisterPickLists();
  RegisterMarkerDialogs();
}
