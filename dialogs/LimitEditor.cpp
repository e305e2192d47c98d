#include "dialogs/LimitEditor.h"

#include <QPointer>
#include <algorithm>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "display/RangeView.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "platform/ui/Shape.h"
#include "shell/MainFrm.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/RippleLine.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

constexpr int kLimitFileKind = 7;
constexpr int kRippleFileKind = 8;
constexpr const char* kPattern = "####0.0#####";
constexpr const char* kLimitTypeWords[] = {"OFF", "Min", "Max"};
constexpr const char* kRippleTypeWords[] = {"OFF", "ON"};

// Getters and setters of a value column, by line.
struct TLimitColumn {
  const char* Title;
  double (TLimitLine::*Get)(int) const;
  void (TLimitLine::*Set)(int, double);
  bool Response;
};
constexpr TLimitColumn kLimitColumns[] = {
    {"Begin Stimulus", &TLimitLine::GetBegArgument, &TLimitLine::SetBegArgument, false},
    {"End Stimulus", &TLimitLine::GetEndArgument, &TLimitLine::SetEndArgument, false},
    {"Begin Response", &TLimitLine::GetBegValue, &TLimitLine::SetBegValue, true},
    {"End Response", &TLimitLine::GetEndValue, &TLimitLine::SetEndValue, true},
};
struct TRippleColumn {
  const char* Title;
  double (TRippleLine::*Get)(int) const;
  void (TRippleLine::*Set)(int, double);
  bool Response;
};
constexpr TRippleColumn kRippleColumns[] = {
    {"Begin Stimulus", &TRippleLine::GetBegArgument, &TRippleLine::SetBegArgument, false},
    {"End Stimulus", &TRippleLine::GetEndArgument, &TRippleLine::SetEndArgument, false},
    {"Ripple Limit", &TRippleLine::GetRippleLimit, &TRippleLine::SetRippleLimit, true},
};

}  // namespace

TLineEditFrm::TLineEditFrm(QWidget* owner, bool ripple)
    : TTableEditorFrm(owner, ripple ? TranslationKey("Edit Ripple Limit") : TranslationKey("Edit Limit Line"), false),
      ripple_(ripple),
      columns_(ripple ? 5 : 6) {
  SetName(ripple ? "RippleEditFrm" : "LimitEditFrm");
  sgList->SetColCount(columns_);
  btAdd = MakeButton(this, "btAdd", TranslateText("Add"));
  btDel = MakeButton(this, "btDel", TranslateText("Delete"));
  btClear = MakeButton(this, "btClear", TranslateText(ripple ? "Clear Ripple Table" : "Clear Limit Table"));
  btSave = MakeButton(this, "btSave", TranslateText(ripple ? "Save Ripple Table" : "Save Limit Table"));
  btRecall = MakeButton(this, "btRecall", TranslateText(ripple ? "Restore Ripple Table" : "Restore Limit Table"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  BindButton(*btAdd, [this] { btAddMouseDown(); });
  BindButton(*btDel, [this] { btDelMouseDown(); });
  BindButton(*btClear, [this] { btClearMouseDown(); });
  BindButton(*btSave, [this] { btSaveMouseDown(); });
  BindButton(*btRecall, [this] { btRecallMouseDown(); });
  BindButton(*btOk, [this] { OkAction(); });
}

TLimitEditFrm::TLimitEditFrm(QWidget* owner) : TLineEditFrm(owner, false) { RefreshGrid(); }

TRippleEditFrm::TRippleEditFrm(QWidget* owner) : TLineEditFrm(owner, true) { RefreshGrid(); }

TMeasurement* TLineEditFrm::Trace() {
  TMainFrm* main = LiveMainFrm();
  TRangeView* view = main != nullptr ? main->GetActiveView() : nullptr;
  return view != nullptr && view->GetTraces() != nullptr ? view->GetTraces()->GetActive() : nullptr;
}

int TLineEditFrm::SegmentCount(const TMeasurement& trace) const {
  if (ripple_) return trace.RippleLine != nullptr ? trace.RippleLine->GetSegmentCount() : 0;
  return trace.LimitLine != nullptr ? trace.LimitLine->GetSegmentCount() : 0;
}

void TLineEditFrm::InsertSegment(TMeasurement& trace, int index) const {
  if (ripple_) {
    if (trace.RippleLine != nullptr) trace.RippleLine->InsertSegment(index);
  } else if (trace.LimitLine != nullptr) {
    trace.LimitLine->InsertSegment(index);
  }
}

void TLineEditFrm::ArrangeControls() {
  ApplyButtonFont();
  const int m = Margin();
  const int f = FieldHeight();
  const int w3 = ButtonTextWidth("HHH");
  const int w12 = ButtonTextWidth(std::string(12, 'H'));
  const int w6 = ButtonTextWidth("HHHHHH");
  const int valueColumns = ripple_ ? 3 : 4;
  const int W = w3 + valueColumns * w12 + w6 + 4 * m + 12;
  SetClientSize(W, 8 * f + 5 * m + 5);
  TopPanel->SetBoundsRect(ui::Rect(m, m, W - m, f + m));
  const ui::Rect grid(m, f + 2 * m, W - 3 * m, 6 * f + 2 * m + 5);
  PlaceGrid(grid, w3, w12);
  sgList->SetColWidth(columns_ - 1, w6);
  const int t = (W - 4 * m) / 3;
  const int g = grid.Bottom;
  TLbButton* rows[2][3] = {{btAdd, btDel, btClear}, {btSave, btRecall, btOk}};
  for (int r = 0; r < 2; ++r) {
    const int top = g + m + r * (f + m);
    for (int c = 0; c < 3; ++c) {
      const int left = m + c * (t + m);
      rows[r][c]->SetBoundsRect(ui::Rect(left, top, left + t, top + f));
    }
  }
}

void TLineEditFrm::RefreshGrid() {
  TMeasurement* trace = Trace();
  const int count = trace != nullptr ? SegmentCount(*trace) : 0;
  sgList->SetRowCount(std::max(2, count + 1));
  sgList->SetCell(0, 0, "");
  for (int c = 0; c < columns_; ++c) sgList->SetCell(c, 1, "");
  if (ripple_) {
    for (int c = 0; c < 3; ++c) sgList->SetCell(c + 1, 0, TranslateText(kRippleColumns[c].Title));
  } else {
    for (int c = 0; c < 4; ++c) sgList->SetCell(c + 1, 0, TranslateText(kLimitColumns[c].Title));
  }
  sgList->SetCell(columns_ - 1, 0, TranslateText("Type"));
  if (trace != nullptr) {
    const std::string stimulusUnit = trace->GetStimulusUnitText();
    const std::string responseUnit = trace->GetResponseUnitText();
    for (int i = 0; i < count; ++i) {
      sgList->SetCell(0, i + 1, IntToText(i + 1));
      const char* type = "";
      if (ripple_) {
        const TRippleLine& line = *trace->RippleLine;
        for (int c = 0; c < 3; ++c) {
          const TRippleColumn& col = kRippleColumns[c];
          sgList->SetCell(c + 1, i + 1,
                          FormatFloatWithUnit(kPattern, col.Response ? responseUnit : stimulusUnit, (line.*col.Get)(i)));
        }
        type = WordOf(kRippleTypeWords, line.GetRippleType(i));
      } else {
        const TLimitLine& line = *trace->LimitLine;
        for (int c = 0; c < 4; ++c) {
          const TLimitColumn& col = kLimitColumns[c];
          sgList->SetCell(c + 1, i + 1,
                          FormatFloatWithUnit(kPattern, col.Response ? responseUnit : stimulusUnit, (line.*col.Get)(i)));
        }
        type = WordOf(kLimitTypeWords, line.GetLimitType(i));
      }
      if (*type != '\0') sgList->SetCell(columns_ - 1, i + 1, TranslateText(type));
    }
  }
  ArrangeControls();
  UpdateScrollThumbs();
  sgList->Invalidate();
}

bool TLineEditFrm::CellEditor(int column, int record, TCellEditor& editor) {
  TMeasurement* trace = Trace();
  if (trace == nullptr || column < 1 || column >= columns_) return false;
  // A cell of the empty row first creates the line's first segment at the first stimulus.
  const int count = SegmentCount(*trace);
  if (record >= count) {
    InsertSegment(*trace, count);
    RefreshGrid();
  }
  if (column == columns_ - 1) {
    editor.Open = [this] { EditType(); };
    return true;
  }
  QPointer<TLineEditFrm> self(this);
  const auto record_ = [self]() { return self ? self->RecordIndex() : -1; };
  const auto refresh = [self] {
    if (self) self->RefreshGrid();
  };
  if (ripple_) {
    const TRippleColumn col = kRippleColumns[column - 1];
    editor.Caption = TranslateText(col.Title);
    editor.UnitKind = ukNone;
    editor.UnitIndex = 0;
    editor.Getter = [record_, col]() -> double {
      const TMeasurement* t = Trace();
      const int i = record_();
      if (t == nullptr || t->RippleLine == nullptr || i < 0 || i >= t->RippleLine->GetSegmentCount()) return 0.0;
      return (t->RippleLine->*col.Get)(i);
    };
    editor.Setter = [record_, refresh, col](double v) {
      TMeasurement* t = Trace();
      // The line ignores an index outside it and a value that is not finite.
      if (t != nullptr && t->RippleLine != nullptr) (t->RippleLine->*col.Set)(record_(), v);
      refresh();
    };
  } else {
    const TLimitColumn col = kLimitColumns[column - 1];
    editor.Caption = TranslateText(col.Title);
    // The stimulus keypads offer the frequency units with MHz preselected on every axis.
    editor.UnitKind = col.Response ? ukNone : ukFrequency;
    editor.UnitIndex = col.Response ? 0 : 1;
    editor.Getter = [record_, col]() -> double {
      const TMeasurement* t = Trace();
      const int i = record_();
      if (t == nullptr || t->LimitLine == nullptr || i < 0 || i >= t->LimitLine->GetSegmentCount()) return 0.0;
      return (t->LimitLine->*col.Get)(i);
    };
    editor.Setter = [record_, refresh, col](double v) {
      TMeasurement* t = Trace();
      if (t != nullptr && t->LimitLine != nullptr) (t->LimitLine->*col.Set)(record_(), v);
      refresh();
    };
  }
  return true;
}

void TLineEditFrm::EditType() {
  TMainFrm* main = LiveMainFrm();
  const TMeasurement* trace = Trace();
  const int i = RecordIndex();
  if (main == nullptr || trace == nullptr || i < 0 || i >= SegmentCount(*trace)) return;
  int type = ripple_ ? trace->RippleLine->GetRippleType(i) : trace->LimitLine->GetLimitType(i);
  ui::Form& owner = *main;
  const bool ripple = ripple_;
  const int result = RunSubDialog(
      [&owner, &type, ripple] { return ripple ? RunRippleList(owner, type) : RunLimitList(owner, type); });
  if (result != ui::mrOk) return;
  // Looked up again: automation may have changed the trace or its line meanwhile.
  TMeasurement* now = Trace();
  const int row = RecordIndex();
  if (now == nullptr) return;
  if (ripple_) {
    if (now->RippleLine != nullptr) now->RippleLine->SetRippleType(row, type);
  } else if (now->LimitLine != nullptr) {
    now->LimitLine->SetLimitType(row, type);
  }
  RefreshGrid();
}

void TLineEditFrm::btAddMouseDown() {
  if (TMeasurement* trace = Trace()) InsertSegment(*trace, RecordIndex());
  RefreshGrid();
  // The new segment's row, after the selected one.
  if (TMeasurement* trace = Trace(); trace != nullptr && sgList->Row() < SegmentCount(*trace)) {
    sgList->SetRow(sgList->Row() + 1);
  }
}

void TLineEditFrm::btDelMouseDown() {
  if (TMeasurement* trace = Trace()) {
    const int i = RecordIndex();
    if (ripple_) {
      if (trace->RippleLine != nullptr) trace->RippleLine->DeleteSegment(i);
    } else if (trace->LimitLine != nullptr) {
      trace->LimitLine->DeleteSegment(i);
    }
  }
  RefreshGrid();
}

void TLineEditFrm::btClearMouseDown() {
  if (TMeasurement* trace = Trace()) {
    // At most as many deletions as there were segments.
    for (int n = SegmentCount(*trace); n > 0; --n) {
      if (ripple_) {
        trace->RippleLine->DeleteSegment(0);
      } else {
        trace->LimitLine->DeleteSegment(0);
      }
    }
  }
  RefreshGrid();
}

void TLineEditFrm::btSaveMouseDown() {
  const bool ripple = ripple_;
  SaveTable(ripple ? TranslationKey("Save Ripple Table") : TranslationKey("Save Limit Table"),
            ripple ? kRippleFileKind : kLimitFileKind, ripple ? ".rlm" : ".lim", [ripple](const std::string& path) {
              if (const TMeasurement* t = Trace()) {
                if (ripple) {
                  t->SaveRippleFile(path);
                } else {
                  t->SaveLimitFile(path);
                }
              }
            });
}

void TLineEditFrm::btRecallMouseDown() {
  const bool ripple = ripple_;
  RecallTable(ripple ? TranslationKey("Restore Ripple Table") : TranslationKey("Restore Limit Table"),
              ripple ? kRippleFileKind : kLimitFileKind, [ripple](const std::string& path) {
                if (TMeasurement* t = Trace()) {
                  if (ripple) {
                    t->LoadRippleFile(path);
                  } else {
                    t->LoadLimitFile(path);
                  }
                }
              });
}
