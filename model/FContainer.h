#pragma once
// A data object that owns an ordered list of children (see TFObject). Children enter the list
// in construction order; Clear and the destructor delete them from the last to the first.
#include <cstddef>
#include <vector>

#include "model/FObject.h"

class TFContainer : public TFObject {
 public:
  explicit TFContainer(TFObject* owner) : TFObject(owner) {}
  // Deletes the children (last first), then leaves its own owner's list.
  ~TFContainer() override;

  TFContainer* AsContainer() override { return this; }

  // Appends a child; no test for duplicates.
  virtual void Add(TFObject* child);
  // Unlinks the last entry equal to child without deleting it; an object that is not in the
  // list leaves it unchanged. Searching from the back makes emptying a long list linear.
  virtual void Remove(TFObject* child);
  // Deletes every child, from the last to the first, and empties the list.
  virtual void Clear();

  int GetCount() const { return static_cast<int>(Items.size()); }
  // Child i in insertion order; no range check, callers keep 0 <= i < GetCount().
  TFObject* GetItem(int i) const { return Items[static_cast<size_t>(i)]; }

 protected:
  std::vector<TFObject*> Items;
};
