#include "dialogs/ChannelDialogs.h"

#include <memory>

#include "dialogs/AverageDialog.h"
#include "dialogs/DialogOpener.h"
#include "dialogs/DisplayDialog.h"
#include "dialogs/ScaleDialog.h"
#include "dialogs/SegmentListFrm.h"
#include "dialogs/StimulusDialog.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "shell/MainFrm.h"

void RegisterChannelDialogs() {
  TMainFrm::RegisterDialog("TStimulusFrm", MainWindowOpener<TStimulusFrm>());
  TMainFrm::RegisterDialog("TSegmentListFrm", MainWindowOpener<TSegmentListFrm>());
  TMainFrm::RegisterDialog("TMeasViewFrm", MainWindowOpener<TMeasViewFrm>());
  TMainFrm::RegisterDialog("TAveragingFrm", MainWindowOpener<TAveragingFrm>());
  TMainFrm::RegisterDialog("TDisplayFrm", MainWindowOpener<TDisplayFrm>());
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
