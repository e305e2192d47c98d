#include "dialogs/MarkerListFrm.h"

#include <QPointer>
#include <algorithm>
#include <optional>
#include <string>

#include "dialogs/MarkerDialogs.h"
#include "dialogs/MarkerMathFrm.h"
#include "dialogs/MarkerPropertiesFrm.h"
#include "dialogs/MarkerSearchFrm.h"
#include "dialogs/MarkerTargets.h"
#include "display/ViewProperties.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Shape.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

// Rows that hold a marker: the numbered ones, then the reference while it is on.
int MarkerRows(const TMarkerList& list) { return list.GetMarkerCount() + (list.EnableReference ? 1 : 0); }

}  // namespace

TMarkerListFrm::TMarkerListFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Marker List")) {
  SetName("MarkerListFrm");
  SetKeyHandler(true);
  btAddMarker = MakeButton(this, "btAddMarker", TranslateText(TranslationKey("Add Marker")));
  btDeleteMarker = MakeButton(this, "btDeleteMarker", TranslateText(TranslationKey("Delete Marker")));
  sgList = MakeListGrid(this, 2, 0, false, [this] { UpdateThumb(); });
  sgList->OnClick = [this](ui::Control&) { sgListClick(); };
  sgList->OnDblClick = [this](ui::Control&) { sgListDblClick(); };
  scroller_ = std::make_unique<TGridDragScroller>(*sgList);
  sgList->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int x, int y) { scroller_->Press(x, y); };
  sgList->OnMouseMove = [this](ui::Control&, ui::ShiftState, int x, int y) {
    if (scroller_->Move(x, y) > 0) UpdateThumb();
  };
  sgList->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { scroller_->Release(); };
  VScrollShape = MakeGridThumb(this, "VScrollShape");
  pnReference = MakeCaptionPanel("pnReference", TranslationKey("Reference Marker"));
  pnReferenceValue = MakeValuePanel("pnReferenceValue");
  btSearch = MakeButton(this, "btSearch", TranslateText(TranslationKey("Search")));
  btProperties = MakeButton(this, "btProperties", TranslateText(TranslationKey("Properties")));
  btMath = MakeButton(this, "btMath", TranslateText(TranslationKey("Math")));
  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));

  BindButton(*btAddMarker, [this] {
    if (TMarkerList* l = ActiveMarkerList()) l->AddMarker();
    RefreshValues();
  });
  BindButton(*btDeleteMarker, [this] {
    if (TMarkerList* l = ActiveMarkerList()) l->DeleteActiveMarker();
    RefreshValues();
  });
  BindRow(*pnReference, *pnReferenceValue, [this] {
    if (TMarkerList* l = ActiveMarkerList()) l->SetReferenceEnabled(!l->EnableReference);
    RefreshValues();
  });
  BindButton(*btSearch, [this] {
    const TMarkerList* l = ActiveMarkerList();
    if (l == nullptr || l->GetCount() == 0) return;
    RunSubDialog([](QWidget* o) -> ui::Form* { return new TMarkerSearchFrm(o); }, MainOwner());
  });
  BindButton(*btProperties, [this] {
    RunSubDialog([](QWidget* o) -> ui::Form* { return new TMarkerPropertiesFrm(o); }, MainOwner());
  });
  BindButton(*btMath, [this] {
    RunSubDialog([](QWidget* o) -> ui::Form* { return new TMarkerMathFrm(o); }, MainOwner());
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TMarkerListFrm::ArrangeControls() {
  ApplyButtonFont();
  const int m = Margin();
  const int f = FieldHeight();
  const int w = FrameWidth();
  SetClientSize(w, 9 * f + 7 * m + 4);
  TopPanel->SetBoundsRect(ui::Rect(m, m, w - m, m + f));
  const int half = (w - 3 * m) / 2;
  const auto place = [&](TLbButton& left, TLbButton& right, int top) {
    left.SetBoundsRect(ui::Rect(m, top, m + half, top + f));
    right.SetBoundsRect(ui::Rect(2 * m + half, top, 2 * m + 2 * half, top + f));
  };
  place(*btAddMarker, *btDeleteMarker, f + 2 * m);
  const int gridTop = 2 * f + 3 * m;
  const int gridBottom = gridTop + 4 * f + 4;
  sgList->SetBoundsRect(ui::Rect(m, gridTop, w - 3 * m, gridBottom));
  sgList->SetDefaultRowHeight(f);
  const int first = ButtonTextWidth("HHHH");
  sgList->SetColWidth(0, first);
  sgList->SetColWidth(1, sgList->Width() - first - 2);
  PlaceCaptionPanels(*pnReference, *pnReferenceValue, ui::Rect(m, gridBottom + m, w - m, gridBottom + m + f));
  place(*btSearch, *btProperties, gridBottom + f + 2 * m);
  place(*btMath, *btOk, gridBottom + 2 * f + 3 * m);
  UpdateThumb();
}

void TMarkerListFrm::UpdateThumb() {
  const std::optional<TThumb> thumb = GetGridRowThumb(*sgList);
  const ui::Rect list = sgList->BoundsRect();
  const int m = Margin();
  if (!thumb || thumb->Length <= 0) {
    VScrollShape->SetBounds(list.Right + m, list.Top, m, 0);
    return;
  }
  VScrollShape->SetBounds(list.Right + m, thumb->Position, m, thumb->Length);
}

void TMarkerListFrm::RefreshValues() {
  const TMarkerList* l = ActiveMarkerList();
  const int n = l != nullptr ? l->GetMarkerCount() : 0;
  const int rows = l != nullptr ? MarkerRows(*l) : 0;
  sgList->SetRowCount(std::max(1, rows));
  sgList->SetCell(0, 0, {});
  sgList->SetCell(1, 0, {});
  if (l != nullptr) {
    for (int i = 0; i < n; ++i) {
      const TMarker* marker = l->FindMarker(i);
      sgList->SetCell(0, i, std::to_string(i + 1));
      sgList->SetCell(1, i, marker != nullptr ? marker->GetArgumentText() : std::string());
    }
    if (l->EnableReference) {
      const TMarker* reference = l->GetReferenceMarker();
      sgList->SetCell(0, n, "R");
      sgList->SetCell(1, n, reference != nullptr ? reference->GetArgumentText() : std::string());
    }
    sgList->SetRow(l->ActiveMarker == TMarker::ReferenceTag ? n : l->ActiveMarker);
  }
  SetValueText(*pnReferenceValue, MarkerOnOffText(l != nullptr && l->EnableReference));
  btSearch->SetEnabled(l != nullptr && l->GetCount() > 0);
  UpdateThumb();
}

bool TMarkerListFrm::ActivateRow(int row) {
  TMarkerList* l = ActiveMarkerList();
  if (l == nullptr) return false;
  // The list may have changed since the rows were filled: a row without a marker now
  // activates nothing (an active tag without a marker would be read by the next Delete).
  if (row < 0 || row >= MarkerRows(*l)) return false;
  l->SetActiveMarker(l->EnableReference && row == l->GetMarkerCount() ? TMarker::ReferenceTag : row);
  return true;
}

void TMarkerListFrm::sgListClick() {
  const TMarkerList* l = ActiveMarkerList();
  if (l == nullptr || MarkerRows(*l) == 0) return;
  if (!ActivateRow(sgList->Row())) RefreshValues();
}

void TMarkerListFrm::sgListDblClick() {
  Dragging = false;
  scroller_->Release();
  if (!ActivateRow(sgList->Row())) return;
  OpenStimulusKeypad();
  RefreshValues();
}

void TMarkerListFrm::OpenStimulusKeypad() {
  const TMarkerTargets t = FindMarkerTargets();
  if (t.Marker == nullptr) return;
  // A distance is typed only while the trace really shows distance: a distance format on a
  // sweep that cannot be transformed still has its stimulus in MHz.
  std::string caption = TranslationKey("Frequency");
  int unitKind = ukFrequency;
  int unitIndex = 1;
  if (t.Trace->IsTransformActive()) {
    caption = TranslationKey("Distance");
    switch (ScannerModule != nullptr ? ScannerModule->MetricSystem : TScannerModule::UnitMetres) {
      case TScannerModule::UnitSeconds: unitKind = ukTime, unitIndex = 3; break;
      case TScannerModule::UnitMetres: unitKind = ukMetricLength, unitIndex = 0; break;
      case TScannerModule::UnitFeet: unitKind = ukImperialLength, unitIndex = 1; break;
      default: unitKind = ukNone, unitIndex = 0; break;
    }
  }
  OpenKeypad(
      TranslateText(caption), unitIndex, unitKind,
      [](double x) {
        if (TMarker* m = ActiveMarker()) m->SetArgument(x);
      },
      [] {
        const TMarker* m = ActiveMarker();
        return m != nullptr ? m->Argument : 0.0;
      });
}
