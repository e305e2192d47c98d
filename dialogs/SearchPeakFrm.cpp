#include "dialogs/SearchPeakFrm.h"

#include <QPointer>

#include "dialogs/MarkerDialogs.h"
#include "dialogs/MarkerTargets.h"
#include "dialogs/PickLists.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

std::string PolarityWord(int code) {
  switch (code) {
    case 0: return TranslateText(TranslationKey("Positive"));
    case 1: return TranslateText(TranslationKey("Negative"));
    case 2: return TranslateText(TranslationKey("Both"));
    default: return {};
  }
}

TSearchPeakFrm::TSearchPeakFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Search Peak")) {
  SetName("SearchPeakFrm");
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetBackgroundDrags(true);
  pnPeakExcursion = MakeCaptionPanel("pnPeakExcursion", TranslationKey("Peak Excursion"));
  pnPeakExcursionValue = MakeValuePanel("pnPeakExcursionValue");
  pnPeakPolarity = MakeCaptionPanel("pnPeakPolarity", TranslationKey("Peak Polarity"));
  pnPeakPolarityValue = MakeValuePanel("pnPeakPolarityValue");
  btSearchPeak = MakeButton(this, "btSearchPeak", TranslateText(TranslationKey("Search Peak")));
  btMaxPeak = MakeButton(this, "btMaxPeak", TranslateText(TranslationKey("Max Peak")));
  btPeakLeft = MakeButton(this, "btPeakLeft", TranslateText(TranslationKey("Peak Left")));
  btPeakRight = MakeButton(this, "btPeakRight", TranslateText(TranslationKey("Peak Right")));
  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));

  BindRow(*pnPeakExcursion, *pnPeakExcursionValue, [this] { ExcursionClick(); });
  BindRow(*pnPeakPolarity, *pnPeakPolarityValue, [this] { PolarityClick(); });
  // The searches move the marker only: the values shown stay as they are.
  const auto search = [](int code) {
    return [code] {
      if (TMarker* m = ActiveMarker()) m->SearchWith(code);
    };
  };
  BindButton(*btSearchPeak, search(2));
  BindButton(*btMaxPeak, search(3));
  BindButton(*btPeakLeft, search(4));
  BindButton(*btPeakRight, search(5));
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TSearchPeakFrm::ArrangeControls() {
  ArrangeFrame(8);
  const int w = Width();
  PlaceCaptionPanels(*pnPeakExcursion, *pnPeakExcursionValue, RowRect(2, w));
  PlaceCaptionPanels(*pnPeakPolarity, *pnPeakPolarityValue, RowRect(3, w));
  btSearchPeak->SetBoundsRect(RowRect(4, w));
  btMaxPeak->SetBoundsRect(RowRect(5, w));
  btPeakLeft->SetBoundsRect(RowRect(6, w));
  btPeakRight->SetBoundsRect(RowRect(7, w));
  btOk->SetBoundsRect(RowRect(8, w));
}

void TSearchPeakFrm::RefreshValues() {
  const TMarkerTargets t = FindMarkerTargets();
  if (t.Marker == nullptr) {
    SetValueText(*pnPeakExcursionValue, {});
    SetValueText(*pnPeakPolarityValue, {});
    return;
  }
  SetValueText(*pnPeakExcursionValue, FormatNumberWithUnit(ViewProperties->ValueDigits, t.Trace->GetResponseUnitText(),
                                                           t.Marker->PeakExcursion));
  SetValueText(*pnPeakPolarityValue, PolarityWord(t.Marker->PeakPolarity));
}

void TSearchPeakFrm::ExcursionClick() {
  if (ActiveMarker() == nullptr) return;
  QPointer<TSearchPeakFrm> self(this);
  OpenKeypad(
      TranslateText(TranslationKey("Peak Excursion")), 0, ukNone,
      [self](double x) {
        if (TMarker* m = ActiveMarker()) m->SetPeakExcursion(x);
        if (self) self->RefreshValues();
      },
      [] {
        const TMarker* m = ActiveMarker();
        return m != nullptr ? m->PeakExcursion : 0.0;
      });
}

void TSearchPeakFrm::PolarityClick() {
  if (ActiveMarker() == nullptr) return;
  RunSubDialog([this] { return RunPeakPolarityList(ListOwner(*this)); });
}
