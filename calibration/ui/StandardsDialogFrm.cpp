#include "calibration/ui/StandardsDialogFrm.h"

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "model/TranslationKey.h"
#include "platform/ui/Panel.h"
#include "widgets/LbButton.h"

TStandardsDialogFrm::TStandardsDialogFrm(QWidget* owner, const std::string& title, bool intoSystem)
    : TTouchDialogFrm(owner, title), intoSystem_(intoSystem) {}

TStandardsDialogFrm::~TStandardsDialogFrm() { ReleaseHooks(); }

void TStandardsDialogFrm::ReleaseHooks() {
  KitHook.Restore();
  ViewHook.Restore();
}

void TStandardsDialogFrm::MakeKitRow() {
  pnCalKit = MakeCaptionPanel("pnCalKit", TranslationKey("Calibration Kit"));
  pnCalKitValue = MakeValuePanel("pnCalKitValue");
}

void TStandardsDialogFrm::MakeStandards() {
  MakeStandardPresses(*this, {{"Open", &btOpen, &pnOpen}, {"Short", &btShort, &pnShort}, {"Load", &btLoad, &pnLoad}});
  BindButton(*btOpen, [this] { MeasureStandard(ckOpen); });
  BindButton(*btShort, [this] { MeasureStandard(ckShort); });
  BindButton(*btLoad, [this] { MeasureStandard(ckLoad); });
}

void TStandardsDialogFrm::PlaceStandards(int firstRow) {
  ::PlaceStandards({{btOpen, pnOpen}, {btShort, pnShort}, {btLoad, pnLoad}}, firstRow, Width());
}

void TStandardsDialogFrm::MeasureStandard(int kind) {
  if (CalibratorModule == nullptr) return;
  RunSubDialog([kind, system = intoSystem_]() -> int {
    if (CalibratorModule != nullptr) CalibratorModule->Calibrate(kind, -1, system);
    return ui::mrOk;
  });
  RefreshValues();
}
