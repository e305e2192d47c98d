#include "calibration/ui/CalKitFrm.h"

#include <QPointer>
#include <charconv>
#include <filesystem>

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/GridDragScroller.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace {

const char* const kRowTitles[TCalKitFrm::kRows] = {
    "C0 [e-15 F]",      "C1 [e-27 F/Hz]",    "C2 [e-36 F/Hz^2]",  "C3 [e-45 F/Hz^3]",     "L0 [e-12 H]",
    "L1 [e-24 H/Hz]",   "L2 [e-33 H/Hz^2]",  "L3 [e-42 H/Hz^3]",  "Offset Delay [ps]",    "Offset Z0 [Ohm]",
    "Offset Loss [GOhm/s]", "Touchstone File", "Use Database Std"};
constexpr double kScales[11] = {1e-15, 1e-27, 1e-36, 1e-45, 1e-12, 1e-24, 1e-33, 1e-42, 1e-12, 1, 1e9};
constexpr int kTouchstoneRow = 12;
constexpr int kDatabaseRow = 13;

}  // namespace

TCalKitFrm::TCalKitFrm(QWidget* owner, int kitIndex)
    : TTouchDialogFrm(owner, TranslationKey("Calibration Kit Editor")), kitIndex_(kitIndex) {
  SetName("CalKitFrm");
  SetKeyHandler(true);
  pnCalKit = MakeCaptionPanel("pnCalKit", TranslationKey("Calibration Kit Name"));
  pnCalKitValue = MakeValuePanel("pnCalKitValue");
  BindRow(*pnCalKit, *pnCalKitValue, [this] { pnCalKitMouseDown(); });

  sgList = new TEmiStringGrid(this);
  sgList->SetName("sgList");
  sgList->SetColCount(5);
  sgList->SetRowCount(kRows + 1);
  sgList->SetFixedCols(1);
  sgList->SetFixedRows(1);
  sgList->SetDefaultDrawing(false);
  sgList->OnDrawCell = [](TEmiStringGrid& grid, int column, int row, const ui::Rect& rect, TGridDrawState state) {
    DrawGridCell(grid, column, row, rect, state);
  };
  sgList->SetCell(0, 0, TranslateText("Standart Type"));
  const char* heads[4] = {"Short", "Open", "Load", "Thru"};
  for (int c = 0; c < 4; ++c) sgList->SetCell(c + 1, 0, TranslateText(heads[c]));
  for (int r = 0; r < kRows; ++r) sgList->SetCell(0, r + 1, TranslateText(kRowTitles[r]));
  sgList->SetCurrent(1, 1);
  sgList->OnDblClick = [this](ui::Control&) { sgListDblClick(); };
  sgList->OnKeyPress = [this](ui::Control&, char32_t& key) {
    if ((key >= U'0' && key <= U'9') || key == U'-' || key == U'.' || key == U',') {
      const char32_t first = key;
      key = 0;
      sgListDblClick(first);
    }
  };
  scroller_ = std::make_unique<TGridDragScroller>(*sgList);
  sgList->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int x, int y) { scroller_->Press(x, y); };
  sgList->OnMouseMove = [this](ui::Control&, ui::ShiftState, int x, int y) { scroller_->Move(x, y); };
  sgList->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { scroller_->Release(); };

  btRestore = MakeButton(this, "btRestore", TranslateText("Restore"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  BindButton(*btRestore, [this] {
    if (TCalKit* kit = Kit(); kit != nullptr && !kit->IsUnchanged()) kit->Restore();
    RefreshValues();
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

TCalKitFrm::~TCalKitFrm() = default;

TCalKit* TCalKitFrm::Kit() const {
  return CalKitsModule != nullptr ? CalKitsModule->GetKits().GetItem(kitIndex_) : nullptr;
}

double TCalKitFrm::RowScale(int row) { return row >= 1 && row <= 11 ? kScales[row - 1] : 0.0; }

std::string TCalKitFrm::GeneralText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

double TCalKitFrm::CellValue(int row, int column) const {
  const TCalKit* kit = Kit();
  const TCalStd* s = kit != nullptr ? kit->GetStandard(column - 1) : nullptr;
  if (s == nullptr || row < 1 || row > 11) return 0.0;
  double stored = 0.0;
  if (row <= 4) stored = s->GetC(row - 1);
  else if (row <= 8) stored = s->GetL(row - 5);
  else if (row == 9) stored = s->GetOffsetDelay();
  else if (row == 10) stored = s->GetOffsetZ0();
  else stored = s->GetOffsetLoss();
  return stored / RowScale(row);
}

void TCalKitFrm::SetCellValue(int row, int column, double value) {
  TCalKit* kit = Kit();
  TCalStd* s = kit != nullptr ? kit->GetStandard(column - 1) : nullptr;
  if (s == nullptr || row < 1 || row > 11) return;
  const double stored = value * RowScale(row);
  if (row <= 4) s->SetC(row - 1, stored);
  else if (row <= 8) s->SetL(row - 5, stored);
  else s->SetOffset(row - 9, stored);
}

void TCalKitFrm::ArrangeControls() {
  ApplyButtonFont();
  const int m = Margin();
  const int f = FieldHeight();
  const int w1 = ButtonTextWidth(std::string(10, 'H'));
  const int w2 = ButtonTextWidth(std::string(20, 'H'));
  const int width = 4 * w1 + w2 + 4 * m;
  SetClientSize(width, 5 * m + 9 * f + 6);
  TopPanel->SetBounds(m, m, width - 2 * m, f);
  PlaceCaptionPanels(*pnCalKit, *pnCalKitValue, ui::Rect(m, f + 2 * m, width - m, 2 * (f + m)));
  const ui::Rect grid(m, 2 * f + 3 * m, width - 3 * m, 8 * f + 3 * m + 6);
  sgList->SetBoundsRect(grid);
  sgList->SetDefaultRowHeight(f);
  sgList->SetColWidth(0, w2 - 1);
  for (int c = 1; c < 5; ++c) sgList->SetColWidth(c, w1 - 1);
  const int g = grid.Bottom;
  const int e = (width - 3 * m) / 2;
  btRestore->SetBoundsRect(ui::Rect(m, g + m, m + e, g + m + f));
  btOk->SetBoundsRect(ui::Rect(2 * m + e, g + m, 2 * m + 2 * e, g + m + f));
}

void TCalKitFrm::RefreshValues() {
  const TCalKit* kit = Kit();
  if (kit == nullptr) return;
  SetValueText(*pnCalKitValue, kit->Name);
  for (int c = 1; c <= 4; ++c) {
    const TCalStd* s = kit->GetStandard(c - 1);
    for (int r = 1; r <= 11; ++r) sgList->SetCell(c, r, s != nullptr ? GeneralText(CellValue(r, c)) : std::string());
    sgList->SetCell(c, kTouchstoneRow,
                    s != nullptr ? std::filesystem::path(s->GetTouchstoneFile()).filename().string() : std::string());
    sgList->SetCell(c, kDatabaseRow, s != nullptr ? OnOffWord(s->GetUseDatabaseStd()) : std::string());
  }
  btRestore->SetEnabled(!kit->IsUnchanged());
}

void TCalKitFrm::pnCalKitMouseDown() {
  TCalKit* kit = Kit();
  if (kit == nullptr) return;
  std::string name = kit->Name;
  QPointer<TCalKitFrm> self(this);
  int result = ui::mrCancel;
  {
    TVirtualKeyboardFrm keyboard(MainOwner(), name);
    result = keyboard.ShowModal();
  }
  if (!self) return;
  if (result == ui::mrOk) {
    if (TCalKit* again = Kit()) again->SetName(name);
  }
  RefreshValues();
}

void TCalKitFrm::sgListDblClick(char32_t firstChar) {
  const int row = sgList->Row();
  const int column = sgList->Col();
  TCalKit* kit = Kit();
  if (kit == nullptr || row < 1 || column < 1 || kit->GetStandard(column - 1) == nullptr) return;
  if (row == kTouchstoneRow) {
    if (firstChar != 0) return;
    const int k = kitIndex_;
    RunOpenFile(TranslateText("Load Touchstone File"), 0, [k, column](const std::string& path) {
      if (!std::filesystem::is_regular_file(path) || CalKitsModule == nullptr) return;
      TCalKit* target = CalKitsModule->GetKits().GetItem(k);
      if (TCalStd* s = target != nullptr ? target->GetStandard(column - 1) : nullptr) s->SetTouchstoneFile(path);
    });
  } else if (row == kDatabaseRow) {
    if (firstChar != 0) return;
    TCalStd* s = kit->GetStandard(column - 1);
    s->SetUseDatabaseStd(!s->GetUseDatabaseStd());
  } else {
    QPointer<TCalKitFrm> self(this);
    OpenKeypad(
        "", 0, ukNone,
        [self, row, column](double v) {
          if (!self) return;
          self->SetCellValue(row, column, v);
          self->RefreshValues();
        },
        [self, row, column]() -> double { return self ? self->CellValue(row, column) : 0.0; }, firstChar);
  }
  RefreshValues();
}
