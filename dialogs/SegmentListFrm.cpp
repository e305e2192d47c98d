#include "dialogs/SegmentListFrm.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

#include "dialogs/ChannelDialogs.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "platform/ui/Shape.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

constexpr int kSegmentFileKind = 6;

}  // namespace

TSegmentListFrm::TSegmentListFrm(QWidget* owner) : TTableEditorFrm(owner, TranslationKey("Segment Table"), true) {
  SetName("SegmentListFrm");
  btAdd = MakeButton(this, "btAdd", TranslateText("Add"));
  btDelete = MakeButton(this, "btDelete", TranslateText("Delete"));
  btSave = MakeButton(this, "btSave", TranslateText("Save"));
  btRecall = MakeButton(this, "btRecall", TranslateText("Recall"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  pnListIFBW = MakeCaptionPanel("pnListIFBW", TranslationKey("List IFBW"));
  pnListIFBWValue = MakeValuePanel("pnListIFBWValue");
  pnListDelay = MakeCaptionPanel("pnListDelay", TranslationKey("List Delay"));
  pnListDelayValue = MakeValuePanel("pnListDelayValue");

  BindButton(*btAdd, [this] { btAddMouseDown(); });
  BindButton(*btDelete, [this] { btDeleteMouseDown(); });
  BindButton(*btSave, [this] { btSaveMouseDown(); });
  BindButton(*btRecall, [this] { btRecallMouseDown(); });
  BindButton(*btOk, [this] { OkAction(); });
  BindRow(*pnListIFBW, *pnListIFBWValue, [this] {
    if (TRange* ch = Channel()) ch->SetSegmentListIFBW(!ch->SegmentListIFBW);
    RefreshGrid();
  });
  BindRow(*pnListDelay, *pnListDelayValue, [this] {
    if (TRange* ch = Channel()) ch->SetSegmentListDelay(!ch->SegmentListDelay);
    RefreshGrid();
  });

  RefreshGrid();
  ArrangeControls();
  // The first value cell of the first segment is current, so typing edits it at once.
  sgList->SetCurrent(1, 1);
}

TRange* TSegmentListFrm::Channel() {
  TMainFrm* main = LiveMainFrm();
  return main != nullptr ? main->GetActiveChannel() : nullptr;
}

TRange* TSegmentListFrm::ChannelWith(int record) {
  TRange* ch = Channel();
  if (ch == nullptr || record < 0 || record >= ch->GetSegmentCount()) return nullptr;
  return ch;
}

TSegmentListFrm::TColumn TSegmentListFrm::ColumnOf(int column) const {
  switch (column) {
    case 0: return colNumber;
    case 1: return colStart;
    case 2: return colStop;
    case 3: return colPoints;
    default: break;
  }
  const TRange* ch = Channel();
  if (ch == nullptr) return colNone;
  if (column == 4) {
    if (ch->SegmentListIFBW) return colIFBW;
    if (ch->SegmentListDelay) return colDelay;
  }
  if (column == 5 && ch->SegmentListIFBW && ch->SegmentListDelay) return colDelay;
  return colNone;
}

std::string TSegmentListFrm::CellText(const TRange& ch, TColumn column, int i) const {
  const bool centre = ch.SegmentCenterPriority;
  switch (column) {
    case colNumber: return IntToText(i + 1);
    case colStart:
      return FormatKindValue((centre ? ch.GetSegmentCenter(i) : ch.GetSegmentStart(i)) * 1e6, ukFrequency);
    case colStop: return FormatKindValue((centre ? ch.GetSegmentSpan(i) : ch.GetSegmentStop(i)) * 1e6, ukFrequency);
    case colPoints: return IntToText(ch.GetSegmentPoints(i));
    case colIFBW: return FormatKindValue(ch.GetSegmentIFBW(i), ukFrequency);
    case colDelay:
      return FloatToText(RoundToSignificantDigits(6, ch.GetSegmentDelay(i))) + " " + TranslateText("ms");
    case colNone: break;
  }
  return {};
}

void TSegmentListFrm::RefreshGrid() {
  const TRange* ch = Channel();
  const int count = ch != nullptr ? std::max(ch->GetSegmentCount(), 1) : 1;
  columns_ = 4;
  if (ch != nullptr) columns_ += (ch->SegmentListIFBW ? 1 : 0) + (ch->SegmentListDelay ? 1 : 0);
  sgList->SetRowCount(count + 1);
  sgList->SetColCount(columns_);
  ArrangeControls();
  for (int c = 0; c < columns_; ++c) {
    std::string title;
    const bool centre = ch != nullptr && ch->SegmentCenterPriority;
    switch (ColumnOf(c)) {
      case colStart: title = centre ? TranslateText("Center") : TranslateText("Start"); break;
      case colStop: title = centre ? TranslateText("Span") : TranslateText("Stop"); break;
      case colPoints: title = TranslateText("Points"); break;
      case colIFBW: title = TranslateText("IFBW"); break;
      case colDelay: title = TranslateText("Delay"); break;
      default: break;
    }
    sgList->SetCell(c, 0, title);
  }
  if (ch != nullptr) {
    for (int c = 0; c < columns_; ++c) {
      const TColumn column = ColumnOf(c);
      for (int i = 0; i < ch->GetSegmentCount(); ++i) sgList->SetCell(c, i + 1, CellText(*ch, column, i));
    }
    SetValueText(*pnListIFBWValue, OnOffWord(ch->SegmentListIFBW));
    SetValueText(*pnListDelayValue, OnOffWord(ch->SegmentListDelay));
  }
  UpdateScrollThumbs();
  sgList->Invalidate();
}

void TSegmentListFrm::ArrangeControls() {
  ApplyButtonFont();
  const int m = Margin();
  const int f = FieldHeight();
  const int w3 = ButtonTextWidth("HHH");
  const int w12 = ButtonTextWidth(std::string(12, 'H'));
  const int W = w3 + 3 * w12 + 4 * m;
  SetClientSize(W, 9 * f + 8 * m + 5);
  TopPanel->SetBoundsRect(ui::Rect(m, m, W - m, f + m));
  PlaceGrid(ui::Rect(m, f + 2 * m, W - 3 * m, 6 * f + 2 * m + 5), w3 - 1, w12 - 1);
  const int b = HScrollShape->Top() + HScrollShape->Height();
  const int t = (W - 4 * m) / 3;
  btAdd->SetBoundsRect(ui::Rect(m, b + m, m + t, b + m + f));
  btDelete->SetBoundsRect(ui::Rect(2 * m + t, b + m, 2 * m + 2 * t, b + m + f));
  btSave->SetBoundsRect(ui::Rect(3 * m + 2 * t, b + m, 3 * m + 3 * t, b + m + f));
  PlaceCaptionPanels(*pnListIFBW, *pnListIFBWValue, ui::Rect(m, b + 2 * m + f, 2 * m + 2 * t, b + 2 * m + 2 * f));
  PlaceCaptionPanels(*pnListDelay, *pnListDelayValue,
                     ui::Rect(m, b + 3 * m + 2 * f, 2 * m + 2 * t, b + 3 * m + 3 * f));
  btRecall->SetBoundsRect(ui::Rect(3 * m + 2 * t, b + 2 * m + f, 3 * m + 3 * t, b + 2 * m + 2 * f));
  btOk->SetBoundsRect(ui::Rect(3 * m + 2 * t, b + 3 * m + 2 * f, 3 * m + 3 * t, b + 3 * m + 3 * f));
}

bool TSegmentListFrm::CellEditor(int column, int, TCellEditor& editor) {
  const TRange* ch = Channel();
  if (ch == nullptr) return false;
  const bool centre = ch->SegmentCenterPriority;
  QPointer<TSegmentListFrm> self(this);
  // The closures act on the segment of the row that is current when they run, in the channel
  // that is active then, and only while that segment exists.
  const auto record = [self]() { return self ? self->CurrentRecord() : -1; };
  const auto refresh = [self] {
    if (self) self->RefreshGrid();
  };
  const auto getter = [record](double (TRange::*get)(int) const, double scale) -> TGetter {
    return [record, get, scale]() -> double {
      const int i = record();
      TRange* c = ChannelWith(i);
      return c != nullptr ? (c->*get)(i) * scale : 0.0;
    };
  };
  const auto setter = [record, refresh](void (TRange::*set)(int, double)) -> TSetter {
    return [record, refresh, set](double v) {
      const int i = record();
      if (TRange* c = ChannelWith(i)) (c->*set)(i, v);
      refresh();
    };
  };
  const auto intGetter = [record](int32_t (TRange::*get)(int) const) -> TGetter {
    return [record, get]() -> double {
      const int i = record();
      TRange* c = ChannelWith(i);
      return c != nullptr ? static_cast<double>((c->*get)(i)) : 0.0;
    };
  };
  switch (ColumnOf(column)) {
    case colStart:
      editor.Caption = centre ? TranslateText("Center Frequency") : TranslateText("Start Frequency");
      editor.UnitKind = ukFrequency;
      editor.UnitIndex = 1;
      editor.Getter = getter(centre ? &TRange::GetSegmentCenter : &TRange::GetSegmentStart, 1.0);
      editor.Setter = setter(centre ? &TRange::SetSegmentCenter : &TRange::SetSegmentStart);
      return true;
    case colStop:
      editor.Caption = centre ? TranslateText("Span Frequency") : TranslateText("Stop Frequency");
      editor.UnitKind = ukFrequency;
      editor.UnitIndex = 1;
      editor.Getter = getter(centre ? &TRange::GetSegmentSpan : &TRange::GetSegmentStop, 1.0);
      editor.Setter = setter(centre ? &TRange::SetSegmentSpan : &TRange::SetSegmentStop);
      return true;
    case colPoints:
      editor.Caption = TranslateText("Points");
      editor.UnitKind = ukNone;
      editor.UnitIndex = 0;
      editor.Getter = intGetter(&TRange::GetSegmentPoints);
      editor.Setter = [record, refresh](double v) {
        if (!std::isfinite(v)) return;
        const int i = record();
        if (TRange* c = ChannelWith(i)) c->SetSegmentPoints(i, TruncSat(v));
        refresh();
      };
      return true;
    case colIFBW:
      editor.Caption = TranslateText("IFBW");
      editor.UnitKind = ukFrequency;
      editor.UnitIndex = 3;
      editor.Getter = intGetter(&TRange::GetSegmentIFBW);
      editor.Setter = [record, refresh](double v) {
        if (!std::isfinite(v)) return;
        const int i = record();
        if (TRange* c = ChannelWith(i)) c->SetSegmentIFBW(i, TruncSat(v));
        refresh();
      };
      return true;
    case colDelay:
      editor.Caption = TranslateText("Delay");
      editor.UnitKind = ukTime;
      editor.UnitIndex = 1;
      editor.Getter = getter(&TRange::GetSegmentDelay, 1.0);
      editor.Setter = setter(&TRange::SetSegmentDelay);
      return true;
    default: return false;
  }
}

void TSegmentListFrm::AfterCellEdit() {
  if (sgList->Row() < sgList->RowCount() - 1) sgList->SetRow(sgList->Row() + 1);
}

void TSegmentListFrm::btAddMouseDown() {
  const int i = RecordIndex();
  if (TRange* ch = ChannelWith(i)) ch->InsertSegment(i);
  RefreshGrid();
}

void TSegmentListFrm::btDeleteMouseDown() {
  const int i = RecordIndex();
  if (TRange* ch = ChannelWith(i)) ch->DeleteSegment(i);
  RefreshGrid();
}

void TSegmentListFrm::btSaveMouseDown() {
  SaveTable(TranslationKey("Save Segment Table"), kSegmentFileKind, ".seg", [](const std::string& path) {
    if (TRange* ch = Channel()) ch->SaveSegmentTable(path);
  });
}

void TSegmentListFrm::btRecallMouseDown() {
  RecallTable(TranslationKey("Recall"), kSegmentFileKind, [](const std::string& path) {
    if (TRange* ch = Channel()) ch->LoadSegmentTable(path);
  });
}
