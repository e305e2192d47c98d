#include "dialogs/DtfSettingsDialog.h"

#include <QPointer>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "display/RangeView.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

constexpr const char* kUnitWords[] = {"Time, ns", "Metric, m", "Imperial, ft"};
constexpr const char* kWindowWords[] = {"Minimum", "Normal", "Maximum"};

}  // namespace

TDTFSettingsFrm::TDTFSettingsFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("DTF Settings")) {
  SetName("DTFSettingsFrm");
  SetKeyHandler(true);
  pnDTFUnit = MakeCaptionPanel("pnDTFUnit", TranslationKey("DTF Unit"));
  pnDTFUnitValue = MakeValuePanel("pnDTFUnitValue");
  pnCable = MakeCaptionPanel("pnCable", TranslationKey("Cable"));
  pnCableValue = MakeValuePanel("pnCableValue");
  pnVelocity = MakeCaptionPanel("pnVelocity", TranslationKey("Velocity"));
  pnVelocityValue = MakeValuePanel("pnVelocityValue");
  pnCableLoss = MakeCaptionPanel("pnCableLoss", TranslationKey("Cable Loss"));
  pnCableLossValue = MakeValuePanel("pnCableLossValue");
  pnEnableCL = MakeCaptionPanel("pnEnableCL", TranslationKey("Cable Loss Correction"));
  pnEnableCLValue = MakeValuePanel("pnEnableCLValue");
  pnDTFWindow = MakeCaptionPanel("pnDTFWindow", TranslationKey("Kaiser Window"));
  pnDTFWindowValue = MakeValuePanel("pnDTFWindowValue");
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  // The texts of a fresh dialog, kept where a refresh cannot name the value.
  SetValueText(*pnDTFUnitValue, "m");
  SetValueText(*pnCableValue, "RG58, 58B");
  SetValueText(*pnVelocityValue, "0.659");
  SetValueText(*pnCableLossValue, "0.157 dB/m");
  SetValueText(*pnEnableCLValue, "OFF");
  SetValueText(*pnDTFWindowValue, "Normal");

  BindRow(*pnDTFUnit, *pnDTFUnitValue, [this] {
    if (TMainFrm* main = LiveMainFrm()) {
      ui::Form& owner = *main;
      RunSubDialog([&owner] { return RunMetricList(owner); });
    }
    RefreshValues();
  });
  BindRow(*pnCable, *pnCableValue, [this] {
    if (TMainFrm* main = LiveMainFrm()) RunFactoryDialog(*this, *main, "TCableEditFrm");
    RefreshValues();
  });
  BindRow(*pnDTFWindow, *pnDTFWindowValue, [this] {
    if (TMainFrm* main = LiveMainFrm()) {
      ui::Form& owner = *main;
      RunSubDialog([&owner] { return RunDTFWindowList(owner); });
    }
    RefreshValues();
  });
  BindSwitchRow(
      *pnEnableCL, *pnEnableCLValue, [] { return ScannerModule != nullptr && ScannerModule->EnableCableLoss; },
      [](bool on) {
        if (ScannerModule != nullptr) ScannerModule->SetCableLossEnabled(on);
      });
  QPointer<TDTFSettingsFrm> self(this);
  BindRow(*pnVelocity, *pnVelocityValue, [this, self] {
    OpenKeypad(
        TranslateText("Velocity"), 0, ukNone,
        [self](double v) {
          if (ScannerModule != nullptr) ScannerModule->SetVelocityFactor(v);
          if (self) self->RefreshValues();
        },
        [] { return ScannerModule != nullptr ? ScannerModule->VelocityFactor : 0.0; });
    RefreshValues();
  });
  BindRow(*pnCableLoss, *pnCableLossValue, [this, self] {
    OpenKeypad(
        TranslateText("Cable Loss"), 0, ukDecibelPerMetre,
        [self](double v) {
          if (ScannerModule != nullptr) ScannerModule->SetCableLoss(v);
          if (self) self->RefreshValues();
        },
        [] { return ScannerModule != nullptr ? ScannerModule->CableLoss : 0.0; });
    RefreshValues();
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

TRangeView* TDTFSettingsFrm::ActiveView() {
  TMainFrm* main = LiveMainFrm();
  return main != nullptr ? main->GetActiveView() : nullptr;
}

TMeasurement* TDTFSettingsFrm::ActiveTrace() {
  TRangeView* view = ActiveView();
  if (view == nullptr || view->GetTraces() == nullptr) return nullptr;
  return view->GetTraces()->GetActive();
}

void TDTFSettingsFrm::ArrangeControls() {
  ArrangeFrame(8);
  const int w = Width();
  PlaceCaptionPanels(*pnDTFUnit, *pnDTFUnitValue, RowRect(2, w));
  PlaceCaptionPanels(*pnCable, *pnCableValue, RowRect(3, w));
  PlaceCaptionPanels(*pnVelocity, *pnVelocityValue, RowRect(4, w));
  PlaceCaptionPanels(*pnCableLoss, *pnCableLossValue, RowRect(5, w));
  PlaceCaptionPanels(*pnEnableCL, *pnEnableCLValue, RowRect(6, w));
  PlaceCaptionPanels(*pnDTFWindow, *pnDTFWindowValue, RowRect(7, w));
  btOk->SetBoundsRect(RowRect(8, w));
}

void TDTFSettingsFrm::RefreshValues() {
  if (ScannerModule != nullptr) {
    TScannerModule& module = *ScannerModule;
    if (const char* word = WordOf(kUnitWords, module.MetricSystem); *word != '\0') {
      SetValueText(*pnDTFUnitValue, TranslateText(word));
    }
    const int cable = module.GetCableStdIndex();
    if (cable >= 0 && cable < module.CableStds.Count()) SetValueText(*pnCableValue, module.CableStds[cable].GetName());
    SetValueText(*pnVelocityValue, FormatFloat("###0.###", module.VelocityFactor));
    SetValueText(*pnCableLossValue, FormatKindValue(module.CableLoss, ukDecibelPerMetre));
    SetValueText(*pnEnableCLValue, OnOffWord(module.EnableCableLoss));
  }
  if (const TMeasurement* trace = ActiveTrace()) {
    if (const char* word = WordOf(kWindowWords, GetChannelTransformWindow(*trace)); *word != '\0') {
      SetValueText(*pnDTFWindowValue, TranslateText(word));
    }
  }
}
