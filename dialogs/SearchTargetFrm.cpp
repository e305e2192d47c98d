#include "dialogs/SearchTargetFrm.h"

#include <QPointer>

#include "dialogs/MarkerDialogs.h"
#include "dialogs/MarkerTargets.h"
#include "dialogs/PickLists.h"
#include "dialogs/SearchPeakFrm.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TSearchTargetFrm::TSearchTargetFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Search Target")) {
  SetName("SearchTargetFrm");
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetBackgroundDrags(true);
  pnTargetValue = MakeCaptionPanel("pnTargetValue", TranslationKey("Target Value"));
  pnTargetValueValue = MakeValuePanel("pnTargetValueValue");
  pnTargetTrans = MakeCaptionPanel("pnTargetTrans", TranslationKey("Target Transition"));
  pnTargetTransValue = MakeValuePanel("pnTargetTransValue");
  btSearchTarget = MakeButton(this, "btSearchTarget", TranslateText(TranslationKey("Search Target")));
  btTargetLeft = MakeButton(this, "btTargetLeft", TranslateText(TranslationKey("Target Left")));
  btTargetRight = MakeButton(this, "btTargetRight", TranslateText(TranslationKey("Target Right")));
  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));

  BindRow(*pnTargetValue, *pnTargetValueValue, [this] { TargetValueClick(); });
  BindRow(*pnTargetTrans, *pnTargetTransValue, [this] { TransitionClick(); });
  const auto search = [](int code) {
    return [code] {
      if (TMarker* m = ActiveMarker()) m->SearchWith(code);
    };
  };
  BindButton(*btSearchTarget, search(6));
  BindButton(*btTargetLeft, search(7));
  BindButton(*btTargetRight, search(8));
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TSearchTargetFrm::ArrangeControls() {
  ArrangeFrame(7);
  const int w = Width();
  PlaceCaptionPanels(*pnTargetValue, *pnTargetValueValue, RowRect(2, w));
  PlaceCaptionPanels(*pnTargetTrans, *pnTargetTransValue, RowRect(3, w));
  btSearchTarget->SetBoundsRect(RowRect(4, w));
  btTargetLeft->SetBoundsRect(RowRect(5, w));
  btTargetRight->SetBoundsRect(RowRect(6, w));
  btOk->SetBoundsRect(RowRect(7, w));
}

void TSearchTargetFrm::RefreshValues() {
  const TMarkerTargets t = FindMarkerTargets();
  if (t.Marker == nullptr) {
    SetValueText(*pnTargetValueValue, {});
    SetValueText(*pnTargetTransValue, {});
    return;
  }
  SetValueText(*pnTargetValueValue, FormatNumberWithUnit(ViewProperties->ValueDigits, t.Trace->GetResponseUnitText(),
                                                         t.Marker->TargetValue));
  SetValueText(*pnTargetTransValue, PolarityWord(t.Marker->TargetTrans));
}

void TSearchTargetFrm::TargetValueClick() {
  if (ActiveMarker() == nullptr) return;
  QPointer<TSearchTargetFrm> self(this);
  OpenKeypad(
      TranslateText(TranslationKey("Target Value")), 0, ukNone,
      [self](double x) {
        if (TMarker* m = ActiveMarker()) m->SetTargetValue(x);
        if (self) self->RefreshValues();
      },
      [] {
        const TMarker* m = ActiveMarker();
        return m != nullptr ? m->TargetValue : 0.0;
      });
}

void TSearchTargetFrm::TransitionClick() {
  if (ActiveMarker() == nullptr) return;
  RunSubDialog([this] { return RunTargetTransitionList(ListOwner(*this)); });
}
