#include "model/FContainer.h"

#include <algorithm>

TFContainer::~TFContainer() {
  TFContainer::Clear();
  Unregister();
}

void TFContainer::Add(TFObject* child) { Items.push_back(child); }

void TFContainer::Remove(TFObject* child) {
  auto it = std::find(Items.rbegin(), Items.rend(), child);
  if (it != Items.rend()) Items.erase(std::next(it).base());
}

void TFContainer::Clear() {
  while (!Items.empty()) {
    TFObject* child = Items.back();
    Items.pop_back();
    if (!child) continue;
    // Already unlinked: the child's own unregistration must not search the list again.
    if (child->Owner == this) child->registered_ = false;
    delete child;
  }
}
