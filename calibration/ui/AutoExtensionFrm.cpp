#include "calibration/ui/AutoExtensionFrm.h"

#include <QPointer>

#include "calibration/AutoExtensionFit.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/MeasurementRun.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/MarkerTargets.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "traces/Marker.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

const char* const kMethodNames[] = {"Current Span", "User Span", "Active Marker"};

TRange* ActiveChannel() { return LiveMainFrm() != nullptr ? MainFrm->GetActiveChannel() : nullptr; }

}  // namespace

TAutoExtensionFrm::TAutoExtensionFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Auto Extension Port")) {
  SetName("AutoExtensionFrm");
  pnMethod = MakeCaptionPanel("pnMethod", TranslationKey("Method"));
  pnMethodValue = MakeValuePanel("pnMethodValue");
  pnFreq1 = MakeCaptionPanel("pnFreq1", TranslationKey("Frequency 1"));
  pnFreq1Value = MakeValuePanel("pnFreq1Value");
  pnFreq2 = MakeCaptionPanel("pnFreq2", TranslationKey("Frequency 2"));
  pnFreq2Value = MakeValuePanel("pnFreq2Value");
  pnIncludeLoss = MakeCaptionPanel("pnIncludeLoss", TranslationKey("Include Loss"));
  pnIncludeLossValue = MakeValuePanel("pnIncludeLossValue");
  pnAdjustMismatch = MakeCaptionPanel("pnAdjustMismatch", TranslationKey("Adjust Mismatch"));
  pnAdjustMismatchValue = MakeValuePanel("pnAdjustMismatchValue");
  MakeStandardPresses(*this, {{"Open", &btOpen, &pnOpen}, {"Short", &btShort, &pnShort}});
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btApply = MakeButton(this, "btApply", TranslateText("Apply"));

  BindRow(*pnMethod, *pnMethodValue, [this] { MethodMouseDown(); });
  BindSwitchRow(
      *pnIncludeLoss, *pnIncludeLossValue,
      [] { return CalibratorModule != nullptr && CalibratorModule->AutoExtIncludeLoss; },
      [](bool on) {
        if (CalibratorModule != nullptr) CalibratorModule->AutoExtIncludeLoss = on;
      });
  BindSwitchRow(
      *pnAdjustMismatch, *pnAdjustMismatchValue,
      [] { return CalibratorModule != nullptr && CalibratorModule->AutoExtAdjustMismatch; },
      [](bool on) {
        if (CalibratorModule != nullptr) CalibratorModule->AutoExtAdjustMismatch = on;
      });
  QPointer<TAutoExtensionFrm> self(this);
  for (auto [caption, value, freq, english] :
       {std::tuple{pnFreq1, pnFreq1Value, &TCalibratorModule::AutoExtFreq1, "Frequency 1"},
        std::tuple{pnFreq2, pnFreq2Value, &TCalibratorModule::AutoExtFreq2, "Frequency 2"}}) {
    BindRow(*caption, *value, [this, self, freq, english] {
      OpenKeypad(
          TranslateText(english), 1, ukFrequency,
          [self, freq](double MHz) {
            if (CalibratorModule != nullptr) CalibratorModule->*freq = MHz;
            if (self) self->RefreshValues();
          },
          [freq]() -> double { return CalibratorModule != nullptr ? CalibratorModule->*freq : 0.0; });
      RefreshValues();
    });
  }
  BindButton(*btOpen, [this] { MeasureStandard(false); });
  BindButton(*btShort, [this] { MeasureStandard(true); });
  BindButton(*btCancel, [this] { btCancelMouseDown(); });
  BindButton(*btApply, [this] { btApplyMouseDown(); });
  // Enter cancels here as Escape does: applying is a deliberate press.
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Escape || key == ui::vk::Cancel || key == ui::vk::Return) {
      key = 0;
      btCancelMouseDown();
    }
  };

  RefreshValues();
  ArrangeControls();
}

TAutoExtensionFrm::~TAutoExtensionFrm() = default;

void TAutoExtensionFrm::ArrangeControls() {
  const bool userSpan = CalibratorModule != nullptr && CalibratorModule->AutoExtMethod == aemUserSpan;
  ArrangeFrame(userSpan ? 8 : 7);
  const int w = Width();
  int row = 2;
  PlaceCaptionPanels(*pnMethod, *pnMethodValue, GetButtonGridRect(row++, w, 1, 1, 0));
  if (userSpan) {
    PlaceCaptionPanels(*pnFreq1, *pnFreq1Value, GetButtonGridRect(row, w, 1, 2, 0));
    PlaceCaptionPanels(*pnFreq2, *pnFreq2Value, GetButtonGridRect(row, w, 2, 2, 0));
    ++row;
  } else {
    for (ui::Panel* p : {pnFreq1, pnFreq1Value, pnFreq2, pnFreq2Value}) Omit(*p);
  }
  PlaceCaptionPanels(*pnIncludeLoss, *pnIncludeLossValue, GetButtonGridRect(row++, w, 1, 1, 0));
  PlaceCaptionPanels(*pnAdjustMismatch, *pnAdjustMismatchValue, GetButtonGridRect(row++, w, 1, 1, 0));
  PlaceStandards({{btOpen, pnOpen}, {btShort, pnShort}}, row, w);
  row += 2;
  btCancel->SetBoundsRect(GetButtonGridRect(row, w, 1, 2, 0));
  btApply->SetBoundsRect(GetButtonGridRect(row, w, 2, 2, 0));
}

void TAutoExtensionFrm::RefreshValues() {
  if (CalibratorModule == nullptr) return;
  SetValueText(*pnMethodValue, TranslateText(WordOf(kMethodNames, CalibratorModule->AutoExtMethod)));
  SetValueText(*pnFreq1Value, FormatKindValue(CalibratorModule->AutoExtFreq1 * 1e6, ukFrequency));
  SetValueText(*pnFreq2Value, FormatKindValue(CalibratorModule->AutoExtFreq2 * 1e6, ukFrequency));
  SetValueText(*pnIncludeLossValue, OnOffWord(CalibratorModule->AutoExtIncludeLoss));
  SetValueText(*pnAdjustMismatchValue, OnOffWord(CalibratorModule->AutoExtAdjustMismatch));
  pnOpen->SetColor(OpenRange ? kMeasuredColor : kNotMeasuredColor);
  pnShort->SetColor(ShortRange ? kMeasuredColor : kNotMeasuredColor);
  const bool enabled = MeasureEnabled();
  btOpen->SetEnabled(enabled);
  btShort->SetEnabled(enabled);
}

bool TAutoExtensionFrm::MeasureEnabled() const {
  return CalibratorModule == nullptr || CalibratorModule->AutoExtMethod != aemActiveMarker ||
         ActiveMarker() != nullptr;
}

void TAutoExtensionFrm::DeleteMeasurements() {
  OpenRange.reset();
  ShortRange.reset();
}

void TAutoExtensionFrm::MethodMouseDown() {
  if (CalibratorModule == nullptr || LiveMainFrm() == nullptr) return;
  int method = CalibratorModule->AutoExtMethod;
  ui::Form& owner = *MainFrm;
  const int result = RunSubDialog([&owner, &method] { return RunMethodList(owner, method); });
  if (result == ui::mrOk && CalibratorModule != nullptr && method != CalibratorModule->AutoExtMethod) {
    CalibratorModule->AutoExtMethod = method;
    DeleteMeasurements();
  }
  ArrangeControls();
  RefreshValues();
}

void TAutoExtensionFrm::MeasureStandard(bool isShort) {
  if (ScannerModule == nullptr || CalibratorModule == nullptr || CalibratorModule->WaitBox == nullptr) return;
  if (!ScannerModule->GetScanner().Connected || TMeasurementRun::IsRunning() || !MeasureEnabled()) return;
  TRange* active = ActiveChannel();
  if (active == nullptr) return;
  const TCalibr* user = CalibratorModule->GetUserCalibr();
  const TCalRange* terms = user != nullptr ? user->Terms : nullptr;

  // The dialog may be deleted while the wait box runs (automation runs inside the modal loop):
  // the copy is made before the run ends and handed over only to a dialog that still exists.
  QPointer<TAutoExtensionFrm> self(this);
  std::unique_ptr<TRange> copy;
  {
    TMeasurementRun run(*ScannerModule);
    TRange& channel = run.GetChannel();
    channel.CopySettingsFrom(*active, true);
    channel.AttachCalibration(terms);
    channel.SetPortExtensionsEnabled(false);
    channel.SetChangeNotify(true);
    ScannerModule->RebuildScanList();
    if (CalibratorModule->WaitBox->Run(TranslateText("Auto Extension"))) {
      copy = std::make_unique<TRange>(nullptr);
      copy->CopySettingsFrom(channel, true);
      const int n = std::min(copy->GetCount(), channel.GetCount());
      for (int i = 0; i < n; ++i) copy->SetPointData(0, i, channel.GetPointData(0, i));
    }
  }
  if (!self) return;
  (isShort ? ShortRange : OpenRange) = std::move(copy);
  RefreshValues();
}

void TAutoExtensionFrm::btCancelMouseDown() {
  DeleteMeasurements();
  CloseWith(ui::mrCancel);
}

void TAutoExtensionFrm::btApplyMouseDown() {
  if (CalibratorModule == nullptr) return;
  TAutoExtensionInput in;
  in.Open = OpenRange.get();
  in.Short = ShortRange.get();
  in.Method = CalibratorModule->AutoExtMethod;
  in.Freq1 = CalibratorModule->AutoExtFreq1;
  in.Freq2 = CalibratorModule->AutoExtFreq2;
  in.IncludeLoss = CalibratorModule->AutoExtIncludeLoss;
  in.AdjustMismatch = CalibratorModule->AutoExtAdjustMismatch;
  if (in.Open == nullptr && in.Short == nullptr) {
    btCancelMouseDown();
    return;
  }
  if (in.Method == aemActiveMarker) {
    const TMarker* marker = ActiveMarker();
    if (marker == nullptr) return;
    in.Marker = marker->GetArgument();
  }
  const std::optional<TAutoExtensionValues> values = FitAutoExtension(in);
  TRange* channel = ActiveChannel();
  if (!values || channel == nullptr) {
    btCancelMouseDown();
    return;
  }
  ApplyAutoExtension(*channel, *values);
  DeleteMeasurements();
  CloseWith(ui::mrOk);
}
