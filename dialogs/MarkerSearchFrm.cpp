#include "dialogs/MarkerSearchFrm.h"

#include <QPointer>

#include "dialogs/MarkerDialogs.h"
#include "dialogs/MarkerTargets.h"
#include "dialogs/SearchPeakFrm.h"
#include "dialogs/SearchTargetFrm.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

std::string TMarkerSearchFrm::SearchTypeText(int code) {
  static const char* const kNames[] = {
      TranslationKey("Maximum"),   TranslationKey("Minimum"),    TranslationKey("Near Peak"),
      TranslationKey("Max Peak"),  TranslationKey("Peak Left"),  TranslationKey("Peak Right"),
      TranslationKey("Target"),    TranslationKey("Target Left"), TranslationKey("Target Right"),
  };
  if (code < 0 || code >= static_cast<int>(std::size(kNames))) return {};
  return TranslateText(kNames[code]);
}

TMarkerSearchFrm::TMarkerSearchFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Marker Search")) {
  SetName("MarkerSearchFrm");
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetBackgroundDrags(true);
  pnSearchType = MakeCaptionPanel("pnSearchType", TranslationKey("Search Type"));
  pnSearchTypeValue = MakeValuePanel("pnSearchTypeValue");
  pnTracking = MakeCaptionPanel("pnTracking", TranslationKey("Tracking"));
  pnTrackingValue = MakeValuePanel("pnTrackingValue");
  pnSearchRange = MakeCaptionPanel("pnSearchRange", TranslationKey("Search Range"));
  pnSearchRangeValue = MakeValuePanel("pnSearchRangeValue");
  pnSearchStart = MakeCaptionPanel("pnSearchStart", TranslationKey("Search Start"));
  pnSearchStartValue = MakeValuePanel("pnSearchStartValue");
  pnSearchStop = MakeCaptionPanel("pnSearchStop", TranslationKey("Search Stop"));
  pnSearchStopValue = MakeValuePanel("pnSearchStopValue");
  btSearchMax = MakeButton(this, "btSearchMax", TranslateText(TranslationKey("Search Max")));
  btSearchMin = MakeButton(this, "btSearchMin", TranslateText(TranslationKey("Search Min")));
  btSearchReak = MakeButton(this, "btSearchReak", TranslateText(TranslationKey("Search Peak")));
  btSearchTarget = MakeButton(this, "btSearchTarget", TranslateText(TranslationKey("Search Target")));
  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));

  BindRow(*pnTracking, *pnTrackingValue, [this] {
    if (TMarker* m = ActiveMarker()) m->SetTracking(!m->Tracking);
    RefreshValues();
  });
  BindRow(*pnSearchRange, *pnSearchRangeValue, [this] {
    if (TMarker* m = ActiveMarker()) m->SetSearchRangeOn(!m->SearchRangeOn);
    RefreshValues();
  });
  BindRow(*pnSearchStart, *pnSearchStartValue, [this] { RangeEndClick(true); });
  BindRow(*pnSearchStop, *pnSearchStopValue, [this] { RangeEndClick(false); });
  BindButton(*btSearchMax, [this] { SearchClick(0); });
  BindButton(*btSearchMin, [this] { SearchClick(1); });
  BindButton(*btSearchReak, [this] {
    if (ActiveMarker() == nullptr) return;
    RunSubDialog([](QWidget* o) -> ui::Form* { return new TSearchPeakFrm(o); }, MainOwner());
  });
  BindButton(*btSearchTarget, [this] {
    if (ActiveMarker() == nullptr) return;
    RunSubDialog([](QWidget* o) -> ui::Form* { return new TSearchTargetFrm(o); }, MainOwner());
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TMarkerSearchFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnSearchType, *pnSearchTypeValue, RowRect(2, w));
  PlaceCaptionPanels(*pnTracking, *pnTrackingValue, RowRect(3, w));
  PlaceCaptionPanels(*pnSearchRange, *pnSearchRangeValue, RowRect(4, w));
  PlaceCaptionPanels(*pnSearchStart, *pnSearchStartValue, RowRect(5, w));
  PlaceCaptionPanels(*pnSearchStop, *pnSearchStopValue, RowRect(6, w));
  btSearchMax->SetBoundsRect(CellRect(7, w, 1, 2));
  btSearchMin->SetBoundsRect(CellRect(7, w, 2, 2));
  btSearchReak->SetBoundsRect(CellRect(8, w, 1, 2));
  btSearchTarget->SetBoundsRect(CellRect(8, w, 2, 2));
  btOk->SetBoundsRect(RowRect(9, w));
}

void TMarkerSearchFrm::RefreshValues() {
  const TMarkerTargets t = FindMarkerTargets();
  ui::Panel* const values[] = {pnSearchTypeValue, pnTrackingValue, pnSearchRangeValue, pnSearchStartValue,
                               pnSearchStopValue};
  if (t.Marker == nullptr) {
    for (ui::Panel* p : values) SetValueText(*p, {});
    return;
  }
  const TMarker& m = *t.Marker;
  // A code without a name shows nothing at all, not even the blank.
  const std::string type = SearchTypeText(m.MarkerSearch);
  if (type.empty()) {
    pnSearchTypeValue->SetCaption({});
  } else {
    SetValueText(*pnSearchTypeValue, type);
  }
  SetValueText(*pnTrackingValue, MarkerOnOffText(m.Tracking));
  SetValueText(*pnSearchRangeValue, MarkerOnOffText(m.SearchRangeOn));
  const int digits = ViewProperties->ArgumentDigits;
  const std::string unit = t.Trace->GetStimulusUnitText();
  SetValueText(*pnSearchStartValue, FormatNumberWithUnit(digits, unit, m.SearchStart));
  SetValueText(*pnSearchStopValue, FormatNumberWithUnit(digits, unit, m.SearchStop));
}

void TMarkerSearchFrm::RangeEndClick(bool start) {
  if (ActiveMarker() != nullptr) {
    QPointer<TMarkerSearchFrm> self(this);
    // Typed in the stimulus unit the row shows.
    OpenKeypad(
        TranslateText(start ? TranslationKey("Search Start") : TranslationKey("Search Stop")), 0, ukNone,
        [self, start](double x) {
          if (TMarker* m = ActiveMarker()) {
            if (start) {
              m->SetSearchStart(x);
            } else {
              m->SetSearchStop(x);
            }
          }
          if (self) self->RefreshValues();
        },
        [start] {
          const TMarker* m = ActiveMarker();
          if (m == nullptr) return 0.0;
          return start ? m->SearchStart : m->SearchStop;
        });
  }
  RefreshValues();
}

void TMarkerSearchFrm::SearchClick(int code) {
  if (TMarker* m = ActiveMarker()) m->SearchWith(code);
  RefreshValues();
}
