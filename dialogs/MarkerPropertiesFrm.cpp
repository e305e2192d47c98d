#include "dialogs/MarkerPropertiesFrm.h"

#include <string>

#include "dialogs/MarkerDialogs.h"
#include "dialogs/MarkerTargets.h"
#include "dialogs/PickLists.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "traces/MeasureList.h"
#include "widgets/DialogSkin.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LbButton.h"

namespace {

void OnValueMouseDown(ui::Control& value, std::function<void()> handler) {
  value.OnMouseDown = [handler = std::move(handler)](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    handler();
  };
}

}  // namespace

TMarkerPropertiesFrm::TMarkerPropertiesFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Marker Properties")) {
  SetName("MarkerPropertiesFrm");
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetBackgroundDrags(true);
  pnStimDig = MakeCaptionPanel("pnStimDig", TranslationKey("Stimulus Digits"));
  pnStimDigValue = MakeValuePanel("pnStimDigValue");
  pnRespDig = MakeCaptionPanel("pnRespDig", TranslationKey("Response Digits"));
  pnRespDigValue = MakeValuePanel("pnRespDigValue");
  pnActiveOnly = MakeCaptionPanel("pnActiveOnly", TranslationKey("Active Only"));
  pnActiveOnlyValue = MakeValuePanel("pnActiveOnlyValue");
  pnMarkerCouple = MakeCaptionPanel("pnMarkerCouple", TranslationKey("Marker Couple"));
  pnMarkerCoupleValue = MakeValuePanel("pnMarkerCoupleValue");
  pnAllign = MakeCaptionPanel("pnAllign", TranslationKey("Allign"));
  pnAllignValue = MakeValuePanel("pnAllignValue");
  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));

  OnValueMouseDown(*pnStimDigValue, [this] { DigitsClick(true); });
  OnValueMouseDown(*pnRespDigValue, [this] { DigitsClick(false); });
  OnValueMouseDown(*pnActiveOnlyValue, [this] {
    if (TRangeView* v = FindMarkerTargets().View) v->SetOneMeasurementMarkers(!v->OneMeasurementMarkers);
    RefreshValues();
  });
  OnValueMouseDown(*pnMarkerCoupleValue, [this] {
    if (TMeasureList* l = FindMarkerTargets().Traces) l->SetMarkerCouple(!l->MarkerCouple);
    RefreshValues();
  });
  OnValueMouseDown(*pnAllignValue, [this] {
    // The list writes the view's alignment itself.
    if (FindMarkerTargets().View == nullptr) return;
    RunSubDialog([this] { return RunAllignList(ListOwner(*this)); });
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TMarkerPropertiesFrm::ArrangeControls() {
  ArrangeFrame(7);
  const int w = Width();
  PlaceCaptionPanels(*pnStimDig, *pnStimDigValue, RowRect(2, w));
  PlaceCaptionPanels(*pnRespDig, *pnRespDigValue, RowRect(3, w));
  PlaceCaptionPanels(*pnActiveOnly, *pnActiveOnlyValue, RowRect(4, w));
  PlaceCaptionPanels(*pnMarkerCouple, *pnMarkerCoupleValue, RowRect(5, w));
  PlaceCaptionPanels(*pnAllign, *pnAllignValue, RowRect(6, w));
  btOk->SetBoundsRect(RowRect(7, w));
}

void TMarkerPropertiesFrm::RefreshValues() {
  SetValueText(*pnStimDigValue, std::to_string(ViewProperties->ArgumentDigits));
  SetValueText(*pnRespDigValue, std::to_string(ViewProperties->ValueDigits));
  const TMarkerTargets t = FindMarkerTargets();
  if (t.View == nullptr) {
    SetValueText(*pnActiveOnlyValue, {});
    SetValueText(*pnMarkerCoupleValue, {});
    SetValueText(*pnAllignValue, {});
    return;
  }
  SetValueText(*pnActiveOnlyValue, MarkerOnOffText(t.View->OneMeasurementMarkers));
  SetValueText(*pnMarkerCoupleValue, t.Traces != nullptr ? MarkerOnOffText(t.Traces->MarkerCouple) : std::string());
  // An alignment without a name leaves the text as it was.
  switch (t.View->MarkerAlign) {
    case TRangeView::AlignVert: SetValueText(*pnAllignValue, TranslateText(TranslationKey("Vertical"))); break;
    case TRangeView::AlignHor: SetValueText(*pnAllignValue, TranslateText(TranslationKey("Horizontal"))); break;
    case TRangeView::AlignNone: SetValueText(*pnAllignValue, MarkerOnOffText(false)); break;
    default: break;
  }
}

void TMarkerPropertiesFrm::DigitsClick(bool stimulus) {
  if (ViewProperties->UseDigitalPanel) {
    const std::string title =
        TranslateText(stimulus ? TranslationKey("Stimulus Digits") : TranslationKey("Response Digits"));
    TSetter setter = IntSetter([stimulus](int digits) {
      if (ViewProperties == nullptr) return;
      if (stimulus) {
        ViewProperties->SetArgumentDigits(digits);
      } else {
        ViewProperties->SetValueDigits(digits);
      }
    });
    TGetter getter = [stimulus]() -> double {
      if (ViewProperties == nullptr) return 0.0;
      return stimulus ? ViewProperties->ArgumentDigits : ViewProperties->ValueDigits;
    };
    RunSubDialog([&]() -> int {
      TDigitalKeyboardFrm keypad(MainOwner(), title, 0, ukNone, setter, getter);
      return keypad.ShowModal();
    });
  }
  RefreshValues();
}
