#include "dialogs/MarkerDialogs.h"

#include "dialogs/MarkerListFrm.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Form.h"
#include "shell/MainFrm.h"

void RegisterMarkerDialogs() {
  // The list is only ever run modally.
  TMainFrm::RegisterDialog("TMarkerListFrm", [](ui::Form& owner, bool, int) -> int {
    TMarkerListFrm dialog(MainFrm != nullptr ? static_cast<QWidget*>(MainFrm) : static_cast<QWidget*>(&owner));
    return dialog.ShowModal();
  });
}

std::string MarkerOnOffText(bool on) { return on ? TranslateText(TranslationKey("ON")) : TranslateText(TranslationKey("OFF")); }

ui::Form& ListOwner(ui::Form& dialog) {
  ui::Form* main = ui::Form::MainForm();
  return main != nullptr ? *main : dialog;
}
