#include "calibration/ui/DialogHook.h"

#include "calibration/CalKitsModule.h"
#include "dialogs/ChannelDialogs.h"
#include "shell/MainFrm.h"

void TDialogHook::Install(TSlot slot, std::function<void()> handler) {
  Restore();
  THandler* target = slot ? slot() : nullptr;
  if (target == nullptr) return;
  slot_ = std::move(slot);
  saved_ = *target;
  *target = TMine{this, std::move(handler)};
  installed_ = true;
}

void TDialogHook::Restore() {
  if (!installed_) return;
  installed_ = false;
  THandler* target = slot_();
  if (target == nullptr) return;
  const TMine* mine = target->target<TMine>();
  if (mine != nullptr && mine->Owner == this) *target = saved_;
  saved_ = nullptr;
}

TDialogHook::TSlot TDialogHook::ActiveViewChanged() {
  return []() -> THandler* { return LiveMainFrm() != nullptr ? &MainFrm->OnActiveViewChanged : nullptr; };
}

TDialogHook::TSlot TDialogHook::KitsChanged() {
  return []() -> THandler* { return CalKitsModule != nullptr ? &CalKitsModule->OnChange : nullptr; };
}
