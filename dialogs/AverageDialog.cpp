#include "dialogs/AverageDialog.h"

#include <QPointer>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "display/RangeView.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TAveragingFrm::TAveragingFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Average")) {
  SetName("AveragingFrm");
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetRefocusOwner(true);
  SetBackgroundDrags(true);
  if (TMainFrm* main = LiveMainFrm()) {
    view_ = main->GetActiveView();
    channel_ = view_ != nullptr ? view_->GetRange() : nullptr;
  }
  pnIFBW = MakeCaptionPanel("pnIFBW", TranslationKey("IFBW"));
  pnIFBWValue = MakeValuePanel("pnIFBWValue");
  pnAverage = MakeCaptionPanel("pnAverage", TranslationKey("Averaging"));
  pnAverageValue = MakeValuePanel("pnAverageValue");
  pnAverageFactor = MakeCaptionPanel("pnAverageFactor", TranslationKey("Averaging Factor"));
  pnAverageFactorValue = MakeValuePanel("pnAverageFactorValue");
  pnSmoothing = MakeCaptionPanel("pnSmoothing", TranslationKey("Smoothing"));
  pnSmoothingValue = MakeValuePanel("pnSmoothingValue");
  pnSmoAperture = MakeCaptionPanel("pnSmoAperture", TranslationKey("Smoothing Aperture"));
  pnSmoApertureValue = MakeValuePanel("pnSmoApertureValue");
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnIFBW, *pnIFBWValue, [this] { pnIFBWValueMouseDown(); });
  BindSwitchRow(
      *pnAverage, *pnAverageValue,
      [this] {
        const TRange* ch = Channel();
        return ch != nullptr && ch->AverageEnabled;
      },
      [this](bool on) {
        if (TRange* ch = Channel()) ch->SetAverageEnabled(on);
      });
  BindRow(*pnAverageFactor, *pnAverageFactorValue, [this] { pnValueMouseDown(*pnAverageFactor); });
  BindSwitchRow(
      *pnSmoothing, *pnSmoothingValue,
      [this] {
        const TMeasurement* t = Trace();
        return t != nullptr && t->Smoothing;
      },
      [this](bool on) {
        if (TMeasurement* t = Trace()) t->SetSmoothing(on);
      });
  BindRow(*pnSmoAperture, *pnSmoApertureValue, [this] { pnValueMouseDown(*pnSmoAperture); });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

TRange* TAveragingFrm::Channel() const { return LiveMainFrm() != nullptr ? channel_ : nullptr; }

TMeasurement* TAveragingFrm::Trace() const {
  if (LiveMainFrm() == nullptr || view_ == nullptr || view_->GetTraces() == nullptr) return nullptr;
  return view_->GetTraces()->GetActive();
}

void TAveragingFrm::ArrangeControls() {
  ArrangeFrame(7);
  const int w = Width();
  PlaceCaptionPanels(*pnIFBW, *pnIFBWValue, RowRect(2, w));
  PlaceCaptionPanels(*pnAverage, *pnAverageValue, RowRect(3, w));
  PlaceCaptionPanels(*pnAverageFactor, *pnAverageFactorValue, RowRect(4, w));
  PlaceCaptionPanels(*pnSmoothing, *pnSmoothingValue, RowRect(5, w));
  PlaceCaptionPanels(*pnSmoAperture, *pnSmoApertureValue, RowRect(6, w));
  btOk->SetBoundsRect(RowRect(7, w));
}

void TAveragingFrm::RefreshValues() {
  if (const TRange* ch = Channel()) {
    SetValueText(*pnIFBWValue, FormatKindValue(ch->CommonIFBW, ukFrequency));
    SetValueText(*pnAverageValue, OnOffWord(ch->AverageEnabled));
    SetValueText(*pnAverageFactorValue, IntToText(ch->AverageFactor));
  }
  if (const TMeasurement* t = Trace()) {
    SetValueText(*pnSmoothingValue, OnOffWord(t->Smoothing));
    SetValueText(*pnSmoApertureValue, FloatToText(RoundToSignificantDigits(6, t->SmoAperture)) + " %");
  }
}

void TAveragingFrm::pnIFBWValueMouseDown() {
  TMainFrm* main = LiveMainFrm();
  if (main == nullptr) return;
  ui::Form& owner = *main;
  RunSubDialog([&owner] { return RunIFBWList(owner); });
  RefreshValues();
}

void TAveragingFrm::pnValueMouseDown(ui::Control& sender) {
  QPointer<TAveragingFrm> self(this);
  if (&sender == pnAverageFactor) {
    OpenKeypad(
        TranslateText("Averaging Factor"), 0, ukNone,
        IntSetter([self](int n) {
          if (TRange* ch = self ? self->Channel() : nullptr) ch->SetAverageFactor(n);
        }),
        [self]() -> double {
          const TRange* ch = self ? self->Channel() : nullptr;
          return ch != nullptr ? ch->AverageFactor : 0.0;
        });
  } else if (&sender == pnSmoAperture) {
    OpenKeypad(
        TranslateText("Smoothing Aperture"), 0, ukNone,
        [self](double v) {
          if (!self) return;
          if (TMeasurement* t = self->Trace()) t->SetSmoothingAperture(v);
          self->RefreshValues();
        },
        [self]() -> double {
          const TMeasurement* t = self ? self->Trace() : nullptr;
          return t != nullptr ? t->SmoAperture : 0.0;
        });
  }
}
