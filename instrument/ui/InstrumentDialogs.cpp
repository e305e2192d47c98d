#include "instrument/ui/InstrumentDialogs.h"

#include <QPointer>

#include "dialogs/DialogOpener.h"
#include "instrument/ui/PowerMeterFrm.h"
#include "instrument/ui/SynthesizerFrm.h"
#include "shell/MainFrm.h"

void RegisterInstrumentDialogs() {
  TMainFrm::RegisterDialog("TPowerMeterFrm", OwnerModalOpener<TPowerMeterFrm>());
  TMainFrm::RegisterDialog("TSynthesizerFrm", [](ui::Form& owner, bool, int row) -> int {
    if (row != TSynthesizerFrm::kRowK12 && row != TSynthesizerFrm::kRowK30) return ui::mrCancel;
    // One form per row, made at its first opening and kept hidden between openings; it goes
    // with the main window that owns it.
    static QPointer<TSynthesizerFrm> forms[2];
    QPointer<TSynthesizerFrm>& form = forms[row - TSynthesizerFrm::kRowK12];
    if (!form) {
      form = new TSynthesizerFrm(MainFrm != nullptr ? static_cast<QWidget*>(MainFrm) : &owner, row);
    }
    if (form->Settings() == nullptr) return ui::mrCancel;
    return form->ShowModal();
  });
}
