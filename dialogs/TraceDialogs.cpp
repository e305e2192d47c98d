#include "dialogs/TraceDialogs.h"

#include "dialogs/AnalysisDialog.h"
#include "dialogs/CableEditor.h"
#include "dialogs/DialogOpener.h"
#include "dialogs/DtfSettingsDialog.h"
#include "dialogs/LimitEditor.h"
#include "dialogs/TraceListDialog.h"
#include "model/Services.h"
#include "shell/MainFrm.h"

void RegisterTraceDialogs() {
  TMainFrm::RegisterDialog("TTraceListFrm", MainWindowOpener<TTraceListFrm>());
  TMainFrm::RegisterDialog("TDTFSettingsFrm", MainWindowOpener<TDTFSettingsFrm>());
  TMainFrm::RegisterDialog("TCableEditFrm", MainWindowOpener<TCableEditFrm>());
  TMainFrm::RegisterDialog("TLimitEditFrm", MainWindowOpener<TLimitEditFrm>());
  TMainFrm::RegisterDialog("TRippleEditFrm", MainWindowOpener<TRippleEditFrm>());
  TMainFrm::RegisterDialog("TAnalysisFrm", MainWindowOpener<TAnalysisFrm>());
}
