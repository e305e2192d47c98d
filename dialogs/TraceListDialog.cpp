#include "dialogs/TraceListDialog.h"

#include <algorithm>
#include <optional>
#include <string>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/GridDragScroller.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Shape.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

constexpr const char* kDataMathWords[] = {"Data / Mem", "Data * Mem", "Data - Mem", "Data + Mem", "OFF"};
constexpr int kDataMathOff = 4;

}  // namespace

TTraceListFrm::TTraceListFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Trace List")) {
  SetName("TraceListFrm");
  SetKeyHandler(true);
  btAddTrace = MakeButton(this, "btAddTrace", TranslateText("Add Trace"));
  btDeleteTrace = MakeButton(this, "btDeleteTrace", TranslateText("Delete Trace"));
  sgList = MakeListGrid(this, 2, 1, true, [this] { UpdateScrollThumb(); });
  scroller_ = std::make_unique<TGridDragScroller>(*sgList);
  sgList->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int x, int y) {
    scroller_->Press(x, y);
  };
  sgList->OnMouseMove = [this](ui::Control&, ui::ShiftState, int x, int y) {
    if (scroller_->Move(x, y) != 0) UpdateScrollThumb();
  };
  sgList->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { scroller_->Release(); };
  sgList->OnClick = [this](ui::Control&) { sgListClick(); };
  sgList->OnDblClick = [this](ui::Control&) { sgListDblClick(); };
  VScrollShape = MakeGridThumb(this, "VScrollShape");
  pnMaxHold = MakeCaptionPanel("pnMaxHold", TranslationKey("Max Hold"));
  pnMaxHoldValue = MakeValuePanel("pnMaxHoldValue");
  pnMemoryTrace = MakeCaptionPanel("pnMemoryTrace", TranslationKey("Memory Trace"));
  pnMemoryTraceValue = MakeValuePanel("pnMemoryTraceValue");
  pnDataMath = MakeCaptionPanel("pnDataMath", TranslationKey("Data Math"));
  pnDataMathValue = MakeValuePanel("pnDataMathValue");
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindButton(*btAddTrace, [this] {
    if (TMeasureList* traces = Traces()) traces->AddMeasurement(0, 16);
    RefreshValues();
  });
  BindButton(*btDeleteTrace, [this] {
    if (TMeasureList* traces = Traces()) traces->DeleteActiveMeasurement();
    RefreshValues();
  });
  BindSwitchRow(
      *pnMaxHold, *pnMaxHoldValue,
      [] {
        const TMeasurement* t = ActiveTrace();
        return t != nullptr && t->EnableMaxHold;
      },
      [](bool on) {
        if (TMeasurement* t = ActiveTrace()) t->SetMaxHold(on);
      });
  BindRow(*pnMemoryTrace, *pnMemoryTraceValue, [this] {
    if (TMeasurement* t = ActiveTrace(); t != nullptr && t->Memories != nullptr) {
      // A trace holds at most one memory: off deletes it and the data math that used it.
      if (t->Memories->GetCount() > 0) {
        t->Memories->Clear();
        t->SetDataMath(kDataMathOff);
      } else {
        t->Memories->StoreData();
      }
    }
    RefreshValues();
  });
  BindRow(*pnDataMath, *pnDataMathValue, [this] {
    if (TMainFrm* main = LiveMainFrm()) {
      ui::Form& owner = *main;
      RunSubDialog([&owner] { return RunDataMathList(owner); });
    }
    RefreshValues();
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

TTraceListFrm::~TTraceListFrm() = default;

TMeasureList* TTraceListFrm::Traces() {
  TMainFrm* main = LiveMainFrm();
  TRangeView* view = main != nullptr ? main->GetActiveView() : nullptr;
  return view != nullptr ? view->GetTraces() : nullptr;
}

TMeasurement* TTraceListFrm::ActiveTrace() {
  TMeasureList* traces = Traces();
  return traces != nullptr ? traces->GetActive() : nullptr;
}

void TTraceListFrm::ArrangeControls() {
  ArrangeFrame(10);
  const int w = Width();
  const int m = ViewProperties->Margin;
  const int f = ViewProperties->FieldHeight;
  btAddTrace->SetBoundsRect(GetButtonGridRect(2, w, 1, 2, 0));
  btDeleteTrace->SetBoundsRect(GetButtonGridRect(2, w, 2, 2, 0));
  int rowCounter = 3;
  const ui::Rect list = PlaceListGrid(*sgList, rowCounter, 4, true, w);
  sgList->SetBoundsRect(list);
  const int t4 = ButtonTextWidth("HHHH");
  sgList->SetColWidth(0, t4);
  sgList->SetColWidth(1, sgList->Width() - t4 - 1);
  PlaceCaptionPanels(*pnMaxHold, *pnMaxHoldValue, GetButtonGridRectBelow(list.Bottom, 1, w, 1, 1, 0));
  PlaceCaptionPanels(*pnMemoryTrace, *pnMemoryTraceValue, GetButtonGridRectBelow(list.Bottom, 2, w, 1, 1, 0));
  PlaceCaptionPanels(*pnDataMath, *pnDataMathValue, GetButtonGridRectBelow(list.Bottom, 3, w, 1, 1, 0));
  btOk->SetBoundsRect(GetButtonGridRectBelow(list.Bottom, 4, w, 1, 1, 0));
  SetClientSize(w, 10 * f + 8 * m);
  UpdateScrollThumb();
}

void TTraceListFrm::UpdateScrollThumb() {
  if (VScrollShape == nullptr || sgList == nullptr) return;
  const int m = ViewProperties->Margin;
  const ui::Rect list = sgList->BoundsRect();
  const std::optional<TThumb> thumb = GetGridRowThumb(*sgList);
  if (!thumb || thumb->Length <= 0) {
    VScrollShape->SetBounds(list.Right + m, list.Top, m, 0);
    return;
  }
  VScrollShape->SetBounds(list.Right + m, thumb->Position, m, thumb->Length);
}

void TTraceListFrm::RefreshValues() {
  TMeasureList* traces = Traces();
  if (traces == nullptr) return;
  int count = 0;
  while (traces->GetMeasurement(count) != nullptr) ++count;
  sgList->SetRowCount(std::max(2, count + 1));
  sgList->SetCell(0, 0, "No");
  sgList->SetCell(1, 0, TranslateText("Format"));
  sgList->SetCell(0, 1, "");
  sgList->SetCell(1, 1, "");
  for (int i = 0; i < count; ++i) {
    const TMeasurement* trace = traces->GetMeasurement(i);
    sgList->SetCell(0, i + 1, std::to_string(i + 1));
    sgList->SetCell(1, i + 1, trace != nullptr ? TranslateText(trace->GetFormatCaption()) : std::string());
    if (i == traces->ActiveMeasurement) sgList->SetRow(i + 1);
  }
  if (const TMeasurement* t = traces->GetActive()) {
    SetValueText(*pnMaxHoldValue, OnOffWord(t->EnableMaxHold));
    SetValueText(*pnMemoryTraceValue, OnOffWord(t->Memories != nullptr && t->Memories->GetCount() > 0));
    if (const char* word = WordOf(kDataMathWords, t->DataMath); *word != '\0') {
      SetValueText(*pnDataMathValue, TranslateText(word));
    }
  }
  UpdateScrollThumb();
}

void TTraceListFrm::sgListClick() {
  if (TMeasureList* traces = Traces()) traces->SetActive(sgList->Row() - 1);
  RefreshValues();
}

void TTraceListFrm::sgListDblClick() {
  scroller_->Release();
  Dragging = false;
  TMeasureList* traces = Traces();
  TMainFrm* main = LiveMainFrm();
  if (traces == nullptr || main == nullptr) return;
  const int row = sgList->Row();
  if (row < 1 || traces->GetMeasurement(row - 1) == nullptr) return;
  // Over this dialog, which stays visible.
  RunMeasureList(*main);
  BringToFront();
  Repaint();
  RefreshValues();
}
