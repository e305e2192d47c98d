#include "dialogs/ChannelDialogs.h"

#include <memory>

#include "dialogs/AverageDialog.h"
#include "dialogs/DisplayDialog.h"
#include "dialogs/ScaleDialog.h"
#include "dialogs/SegmentListFrm.h"
#include "dialogs/StimulusDialog.h"
#include "model/MeasureUnitTables.h"
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

void RegisterChannelDialogs() {
  TMainFrm::RegisterDialog("TStimulusFrm", Opener<TStimulusFrm>());
  TMainFrm::RegisterDialog("TSegmentListFrm", Opener<TSegmentListFrm>());
  TMainFrm::RegisterDialog("TMeasViewFrm", Opener<TMeasViewFrm>());
  TMainFrm::RegisterDialog("TAveragingFrm", Opener<TAveragingFrm>());
  TMainFrm::RegisterDialog("TDisplayFrm", Opener<TDisplayFrm>());
}

TMainFrm* LiveMainFrm() {
  if (MainFrm == nullptr || MainFrm->IsShutDown()) return nullptr;
  return MainFrm;
}

std::string FormatKindValue(double value, int unitKind) {
  unsigned index = 0;
  if (MainFrm != nullptr && MainFrm->UnitTables) {
    return FormatWithUnit(value, index, MainFrm->UnitTables->OfKind(unitKind));
  }
  static const TMeasureUnitTables english;
  return FormatWithUnit(value, index, english.OfKind(unitKind));
}

std::string OnOffWord(bool on) { return on ? TranslateText("ON") : TranslateText("OFF"); }
