#include "dialogs/TraceDialogs.h"

#include "dialogs/AnalysisDialog.h"
#include "dialogs/CableEditor.h"
#include "dialogs/DtfSettingsDialog.h"
#include "dialogs/LimitEditor.h"
#include "dialogs/TraceListDialog.h"
#include "model/Services.h"
#include "shell/MainFrm.h"

namespace {

// Modal: shown, then deleted; modeless: shown, freeing itself when it closes.
template <class TDialog>
TMainFrm::TDialogFactoryOpener Opener() {
  return [](ui::Form& owner, bool modal, int) -> int {
    QWidget* parent = MainFrm != nullptr ? static_cast<QWidget*>(MainFrm) : static_cast<QWidget*>(&owner);
    if (!modal) {
      auto* dialog = new TDialog(parent);
      dialog->Show();
      return 0;
    }
    TDialog dialog(parent);
    return dialog.ShowModal();
  };
}

}  // namespace

void RegisterTraceDialogs() {
  TMainFrm::RegisterDialog("TTraceListFrm", Opener<TTraceListFrm>());
  TMainFrm::RegisterDialog("TDTFSettingsFrm", Opener<TDTFSettingsFrm>());
  TMainFrm::RegisterDialog("TCableEditFrm", Opener<TCableEditFrm>());
  TMainFrm::RegisterDialog("TLimitEditFrm", Opener<TLimitEditFrm>());
  TMainFrm::RegisterDialog("TRippleEditFrm", Opener<TRippleEditFrm>());
  TMainFrm::RegisterDialog("TAnalysisFrm", Opener<TAnalysisFrm>());
}
