#include "widgets/RightPanel.h"

#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/TranslationKey.h"

namespace {

const std::vector<TSoftKeyPanel::TKeyDef>& Keys() {
  // Key 6 starts as "Standby"; every paint sets it from the instrument's state.
  static const std::vector<TSoftKeyPanel::TKeyDef> keys = {
      {TranslationKey("Stimulus"), "softkey_stimulus.xpm"},
      {TranslationKey("Scale"), "softkey_scale.xpm"},
      {TranslationKey("Channels"), "softkey_channels.xpm"},
      {TranslationKey("Trace"), "softkey_trace.xpm"},
      {TranslationKey("DTF Settings"), "softkey_dtf_settings.xpm"},
      {TranslationKey("System"), "softkey_system.xpm"},
      {TranslationKey("Standby"), "softkey_run_standby.xpm"},
      {TranslationKey("Service"), "softkey_service.xpm"},
  };
  return keys;
}

}  // namespace

TRightPanel::TRightPanel(QWidget* parent) : TSoftKeyPanel(parent, Keys(), true, false) {}

int TRightPanel::KeyLimit() const { return IsServiceEnabled() || IsFactoryMode() ? kKeyCount : kKeyCount - 1; }

void TRightPanel::UpdateCaptions() {
  bool standby = true;
  if (StandbyQuery) {
    standby = StandbyQuery();
  } else if (ScannerModule) {
    standby = ScannerModule->GetScanner().GetStandby();
  }
  Button(kRunStandby).Caption = standby ? TranslateText("Run") : TranslateText("Standby");
}
