#pragma once
// Base of every data object of the engine. An object knows its owner; when the owner is a
// container (TFContainer) the object is in the owner's child list from its construction until
// its destruction, and the container deletes it when it is cleared or destroyed. Children of a
// container are made with new; a plain delete takes one out of its owner's list early.

class TFContainer;

class TFObject {
 public:
  // Registers with owner when owner is a container; any other owner is only remembered.
  explicit TFObject(TFObject* owner);
  virtual ~TFObject();
  TFObject(const TFObject&) = delete;
  TFObject& operator=(const TFObject&) = delete;

  TFObject* GetOwner() const { return Owner; }
  // This object as a container, or null.
  virtual TFContainer* AsContainer() { return nullptr; }

 protected:
  // Takes the object out of its owner's list ahead of the base destructor, for a subclass whose
  // destructor must not be seen in the list half destroyed. Safe to call more than once.
  void Unregister();

 private:
  friend class TFContainer;
  TFObject* const Owner;
  bool registered_ = false;  // in the owner's list
};
