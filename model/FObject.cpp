#include "model/FObject.h"

#include "model/FContainer.h"

TFObject::TFObject(TFObject* owner) : Owner(owner) {
  if (TFContainer* container = owner ? owner->AsContainer() : nullptr) {
    container->Add(this);
    registered_ = true;
  }
}

TFObject::~TFObject() { Unregister(); }

void TFObject::Unregister() {
  if (!registered_) return;
  registered_ = false;
  if (TFContainer* container = Owner->AsContainer()) container->Remove(this);
}
