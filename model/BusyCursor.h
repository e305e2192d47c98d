#pragma once
// The wait cursor around long operations on the user-interface thread. The user interface
// installs a hook in the service registry (model/Services.h); without one the guard does
// nothing, so engine code and tests need no display.

class IBusyCursorHook {
 public:
  virtual ~IBusyCursorHook() = default;
  // Shows the wait cursor, remembering the cursor it replaces.
  virtual void Show() = 0;
  // Puts back the cursor that the matching Show replaced.
  virtual void Restore() = 0;
};

// Shows the wait cursor for its lifetime; nesting is allowed.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  IBusyCursorHook* hook_;  // the hook in force when the guard was made
};
