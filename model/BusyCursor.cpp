#include "model/BusyCursor.h"

#include "model/Services.h"

TBusyCursor::TBusyCursor() : hook_(Services().BusyCursor) {
  if (hook_) hook_->Show();
}

TBusyCursor::~TBusyCursor() {
  if (hook_) hook_->Restore();
}
