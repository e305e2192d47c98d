#pragma once
// A closure slot of the engine or the main window that a dialog takes over while it exists
// (the kit module's OnChange, the main window's OnActiveViewChanged). Restore puts back what
// was found, once, and only while the slot still holds the dialog's own handler: whoever
// replaced it meanwhile keeps theirs. The destructor restores too, so an end that no close
// path saw (an exception, a quit inside a modal run) leaves no closure on a deleted form.
#include <functional>

class TFObject;

class TDialogHook {
 public:
  using THandler = std::function<void(TFObject*)>;
  // The slot at the moment of use; null once its owner is gone.
  using TSlot = std::function<THandler*()>;

  TDialogHook() = default;
  ~TDialogHook() { Restore(); }
  TDialogHook(const TDialogHook&) = delete;
  TDialogHook& operator=(const TDialogHook&) = delete;

  void Install(TSlot slot, std::function<void()> handler);
  void Restore();
  bool Installed() const { return installed_; }

  // The slots the calibration windows take over.
  static TSlot ActiveViewChanged();
  static TSlot KitsChanged();

 private:
  struct TMine {
    const TDialogHook* Owner;
    std::function<void()> Run;
    void operator()(TFObject*) const { Run(); }
  };
  TSlot slot_;
  THandler saved_;
  bool installed_ = false;
};
