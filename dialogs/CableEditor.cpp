#include "dialogs/CableEditor.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

#include "dialogs/ChannelDialogs.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Shape.h"
#include "shell/MainFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace {

constexpr int kCableFileKind = 9;

// The entry when it exists in the table now, else null.
TCableStd* CableAt(int index) {
  if (ScannerModule == nullptr || index < 0 || index >= ScannerModule->CableStds.Count()) return nullptr;
  return &ScannerModule->CableStds[index];
}

}  // namespace

TCableEditFrm::TCableEditFrm(QWidget* owner) : TTableEditorFrm(owner, TranslationKey("Cable List"), false) {
  SetName("CableEditFrm");
  sgList->SetColCount(5);
  btAdd = MakeButton(this, "btAdd", TranslateText("Add"));
  btDel = MakeButton(this, "btDel", TranslateText("Delete"));
  btApply = MakeButton(this, "btApply", TranslateText("Ok"));
  btSave = MakeButton(this, "btSave", TranslateText("Save Cable List"));
  btRecall = MakeButton(this, "btRecall", TranslateText("Restore Cable List"));
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  BindButton(*btAdd, [this] { btAddMouseDown(); });
  BindButton(*btDel, [this] { btDelMouseDown(); });
  BindButton(*btApply, [this] { btApplyMouseDown(); });
  BindButton(*btSave, [this] { btSaveMouseDown(); });
  BindButton(*btRecall, [this] { btRecallMouseDown(); });
  BindButton(*btCancel, [this] { btCancelMouseDown(); });
  // Enter applies; Escape and Cancel (3) close without applying.
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Return) {
      key = 0;
      btApplyMouseDown();
    } else if (key == ui::vk::Escape || key == ui::vk::Cancel) {
      key = 0;
      btCancelMouseDown();
    }
  };
  RefreshGrid();
}

void TCableEditFrm::ArrangeControls() {
  ApplyButtonFont();
  const int m = Margin();
  const int f = FieldHeight();
  const int w3 = ButtonTextWidth("HHH");
  const int w15 = ButtonTextWidth(std::string(15, 'H'));
  const int w10 = ButtonTextWidth(std::string(10, 'H'));
  const int W = w3 + w15 + 3 * w10 + 4 * m + 6;
  SetClientSize(W, 8 * f + 5 * m + 5);
  TopPanel->SetBoundsRect(ui::Rect(m, m, W - m, f + m));
  const ui::Rect grid(m, f + 2 * m, W - 3 * m, 6 * f + 2 * m + 5);
  PlaceGrid(grid, w3, w10);
  sgList->SetColWidth(1, w15);
  const int t = (W - 4 * m) / 3;
  const int y1 = grid.Bottom + m;
  const int y2 = y1 + f + m;
  TLbButton* rows[2][3] = {{btAdd, btDel, btApply}, {btSave, btRecall, btCancel}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int left = m + c * (t + m);
      rows[r][c]->SetBoundsRect(ui::Rect(left, r == 0 ? y1 : y2, left + t, (r == 0 ? y1 : y2) + f));
    }
  }
}

void TCableEditFrm::RefreshGrid() {
  const int count = ScannerModule != nullptr ? ScannerModule->CableStds.Count() : 0;
  sgList->SetRowCount(std::max(2, count + 1));
  ArrangeControls();
  sgList->SetCell(0, 0, "");
  sgList->SetCell(1, 0, TranslateText("Cable Name"));
  sgList->SetCell(2, 0, TranslateText("Velocity"));
  sgList->SetCell(3, 0, TranslateText("Cable Loss"));
  sgList->SetCell(4, 0, TranslateText("Frequency"));
  for (int c = 0; c < 5; ++c) sgList->SetCell(c, 1, "");
  for (int i = 0; i < count; ++i) {
    const TCableStd& cable = ScannerModule->CableStds[i];
    sgList->SetCell(0, i + 1, IntToText(i + 1));
    sgList->SetCell(1, i + 1, cable.GetName());
    sgList->SetCell(2, i + 1, FormatFloat("##0.0###", cable.Velocity));
    sgList->SetCell(3, i + 1, FormatKindValue(cable.Loss, ukDecibelPerMetre));
    sgList->SetCell(4, i + 1, FormatKindValue(cable.Frequency * 1e6, ukFrequency));
  }
  if (ScannerModule != nullptr && count > 0) sgList->SetRow(ScannerModule->GetCableStdIndex() + 1);
  UpdateScrollThumbs();
  sgList->Invalidate();
}

bool TCableEditFrm::CellEditor(int column, int record, TCellEditor& editor) {
  if (CableAt(record) == nullptr) return false;
  QPointer<TCableEditFrm> self(this);
  // The closures act on the entry of the row that is current when they run, only while it
  // exists; values the distance readouts divide by are kept inside the settings' ranges.
  const auto record_ = [self]() { return self ? self->RecordIndex() : -1; };
  const auto apply = [record_, self](auto&& change) {
    return [record_, self, change](double v) {
      if (!std::isfinite(v)) return;
      const int i = record_();
      if (TCableStd* cable = CableAt(i)) {
        change(*cable, v);
        ScannerModule->SelectCableStd(i);
      }
      if (self) self->RefreshGrid();
    };
  };
  const auto read = [record_](double TCableStd::*field, double scale) -> TGetter {
    return [record_, field, scale]() -> double {
      const TCableStd* cable = CableAt(record_());
      return cable != nullptr ? cable->*field * scale : 0.0;
    };
  };
  switch (column) {
    case 1:
      editor.Open = [this] { EditName(); };
      return true;
    case 2:
      editor.Caption = TranslateText("Velocity");
      editor.UnitKind = ukNone;
      editor.UnitIndex = 0;
      editor.Getter = read(&TCableStd::Velocity, 1.0);
      editor.Setter = apply([](TCableStd& c, double v) { c.Velocity = TCableStd::ClampVelocity(v); });
      return true;
    case 3:
      editor.Caption = TranslateText("Cable Loss");
      editor.UnitKind = ukNone;
      editor.UnitIndex = 0;
      editor.Getter = read(&TCableStd::Loss, 1.0);
      editor.Setter = apply([](TCableStd& c, double v) { c.Loss = TCableStd::ClampLoss(v); });
      return true;
    case 4:
      editor.Caption = TranslateText("Frequency");
      editor.UnitKind = ukFrequency;
      editor.UnitIndex = 1;
      editor.Getter = read(&TCableStd::Frequency, 1.0);
      editor.Setter = apply([](TCableStd& c, double v) { c.Frequency = v; });
      return true;
    default: return false;
  }
}

void TCableEditFrm::EditName() {
  const TCableStd* cable = CableAt(RecordIndex());
  TMainFrm* main = LiveMainFrm();
  if (cable == nullptr || main == nullptr) return;
  std::string text = cable->GetName();
  QPointer<TCableEditFrm> self(this);
  int result = ui::mrCancel;
  {
    TVirtualKeyboardFrm keyboard(main, text);
    result = keyboard.ShowModal();
  }
  if (!self) return;
  if (result == ui::mrOk) {
    // The row is looked up again: the table may have changed while the keyboard was open.
    const int i = RecordIndex();
    if (TCableStd* now = CableAt(i)) {
      now->SetName(text);
      ScannerModule->SelectCableStd(i);
    }
  }
  BringToFront();
  Repaint();
  RefreshGrid();
}

void TCableEditFrm::btAddMouseDown() {
  if (ScannerModule != nullptr) {
    const int count = ScannerModule->CableStds.Count();
    // "User Defined" keeps index 0: its row inserts after it.
    const int i = std::clamp(RecordIndex(), 1, std::max(count, 1));
    if (ScannerModule->CableStds.Insert(i, TCableStd(TranslateText("New cable"), 1.0, 0.0, 1000.0))) {
      ScannerModule->SelectCableStd(i);
    }
  }
  RefreshGrid();
}

void TCableEditFrm::btDelMouseDown() {
  const int i = RecordIndex();
  if (i >= 1 && CableAt(i) != nullptr) {
    ScannerModule->CableStds.Delete(i);
    ScannerModule->SelectCableStd(i);
  }
  RefreshGrid();
}

void TCableEditFrm::btApplyMouseDown() {
  const int i = RecordIndex();
  if (CableAt(i) != nullptr) ScannerModule->SelectCableStd(i);
  CloseWith(ui::mrOk);
}

void TCableEditFrm::btCancelMouseDown() { CloseWith(ui::mrCancel); }

void TCableEditFrm::btSaveMouseDown() {
  SaveTable(TranslationKey("Save Cable List"), kCableFileKind, ".cbl", [](const std::string& path) {
    if (ScannerModule != nullptr) ScannerModule->SaveCableList(path);
  });
}

void TCableEditFrm::btRecallMouseDown() {
  RecallTable(TranslationKey("Restore Cable List"), kCableFileKind, [](const std::string& path) {
    if (ScannerModule != nullptr) ScannerModule->LoadCableList(path);
  });
}
