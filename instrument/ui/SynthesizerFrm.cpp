#include "instrument/ui/SynthesizerFrm.h"

#include <QPointer>
#include <QShowEvent>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/EAbort.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "platform/ui/Button.h"
#include "platform/ui/CheckBox.h"
#include "platform/ui/Edit.h"
#include "platform/ui/GroupBox.h"
#include "platform/ui/Label.h"
#include "platform/ui/MessageBox.h"
#include "shell/ProgramStart.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/EmiStringGrid.h"

namespace {

// Grid geometry: the title column, sixteen bit columns and the hex column.
constexpr int kTitleColWidth = 96;
constexpr int kBitColWidth = 22;
constexpr int kHexColWidth = 62;
constexpr int kGridRowHeight = 18;
constexpr int kGridWidth = kTitleColWidth + 16 * kBitColWidth + kHexColWidth + TSynthesizerFrm::kGridCols + 2;
constexpr int kGridHeight = TSynthesizerFrm::kGridRows * (kGridRowHeight + 1) + 2;

constexpr int kGap = 8;
constexpr int kRightLeft = kGap + kGridWidth + 12;
constexpr int kRightWidth = 300;
constexpr int kEditLeft = 190;
constexpr int kEditWidth = 96;
constexpr int kEditHeight = 22;
constexpr int kEditStep = 28;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;

// The words' register names, in word order (word 8 is the fractional-N control).
const std::vector<std::string> kRowTitles = {" Register", " LF",        " CAL_TIME",  " VCO_CTRL",
                                             " CT_CAL1",  " PLL_CAL1",  " VCO_AUTO",  " PLL_CTRL",
                                             " MIX_COUNT", " FN_CTRL",  " PLL_BIAS"};

std::vector<std::string> ColumnTitles() {
  std::vector<std::string> titles{""};
  for (int bit = 15; bit >= 0; --bit) titles.push_back(bit >= 10 ? IntToText(bit) : " " + IntToText(bit));
  titles.push_back(" Hex");
  return titles;
}

// The bit a grid column shows (columns 1 to 16), or -1.
int BitOfColumn(int column) { return column >= 1 && column <= 16 ? 16 - column : -1; }

}  // namespace

TSynthesizerFrm::TSynthesizerFrm(QWidget* owner, int row) : ui::Form(owner), row_(row) {
  SetName(row == kRowK12 ? "SynthesizerTVFrm" : "SynthesizerTV30Frm");
  SetBorder(ui::FormBorder::Dialog);
  SetCaption("Параметры синтезаторов RFFC507x");
  SetPosition(ui::FormPosition::MainFormCenter);
  SetKeyPreview(true);
  const bool k12 = row == kRowK12;

  lbSignal = new ui::Label(this);
  lbSignal->SetName("lbSignal");
  lbSignal->SetCaption("Сигнальный генератор:");
  sgSignalRegMap = MakeGrid("sgSignalRegMap");
  lbHeterodyne = new ui::Label(this);
  lbHeterodyne->SetName("lbHeterodyne");
  lbHeterodyne->SetCaption("Гетеродинный генератор:");
  sgHeterRegMap = MakeGrid("sgHeterRegMap");

  cbSignalOff = new ui::CheckBox(this);
  cbSignalOff->SetName("cbSignalOff");
  cbSignalOff->SetCaption("Откл. сигнальный генератор");
  cbHeterodyneOff = new ui::CheckBox(this);
  cbHeterodyneOff->SetName("cbHeterodyneOff");
  cbHeterodyneOff->SetCaption("Откл. гетеродинный генератор");

  gbSynth = new ui::GroupBox(this);
  gbSynth->SetName("gbSynth");
  gbSynth->SetCaption(" Параметры синтезаторов ");
  int top = 22;
  edIFAccuracy = MakeEdit(*gbSynth, "edIFAccuracy", k12 ? "Точность ПЧ1, Hz" : "Точность ПЧ, Hz", top);
  edReferenceFreq = MakeEdit(*gbSynth, "edReferenceFreq", "Опорная част., MHz", top);
  edReferenceFreq->SetEnabled(false);
  edIntermediateFreq = MakeEdit(*gbSynth, "edIntermediateFreq", "Значение ПЧ, kHz", top);
  edIntermediateFreq->SetEnabled(false);
  edMinFrequency = MakeEdit(*gbSynth, "edMinFrequency", "Мин.частота, MHz", top);
  edMaxFrequency = MakeEdit(*gbSynth, "edMaxFrequency", "Макс.частота, MHz", top);
  if (!k12) {
    edFreq2x = MakeEdit(*gbSynth, "edFreq2x", "Умножитель х2, MHz", top);
    edFreq3x = MakeEdit(*gbSynth, "edFreq3x", "Умножитель х3, MHz", top);
  }
  gbSynth->SetBounds(kRightLeft, 64, kRightWidth, top + 6);

  gbDelays = new ui::GroupBox(this);
  gbDelays->SetName("gbDelays");
  gbDelays->SetCaption(" Задержки ");
  top = 22;
  edMeasureDelay = MakeEdit(*gbDelays, "edMeasureDelay", "Измерения, мкс", top);
  edBackScanDelay = MakeEdit(*gbDelays, "edBackScanDelay", "Обратный ход, мкс", top);
  if (!k12) edSwitchDelay = MakeEdit(*gbDelays, "edSwitchDelay", "Переключение, мкс", top);
  gbDelays->SetBounds(kRightLeft, gbSynth->Top() + gbSynth->Height() + kGap, kRightWidth, top + 6);

  if (k12) {
    cbHeter3x = new ui::CheckBox(this);
    cbHeter3x->SetName("cbHeter3x");
    cbHeter3x->SetCaption("3я гармоника гетеродина");
    cbSignal3x = new ui::CheckBox(this);
    cbSignal3x->SetName("cbSignal3x");
    cbSignal3x->SetCaption("3я гармоника сигнала");
    // The two third-harmonic modes exclude each other; unticking changes nothing else.
    cbHeter3x->OnClick = [this](ui::Control&) {
      if (cbHeter3x->Checked() && cbSignal3x->Checked()) cbSignal3x->SetChecked(false);
    };
    cbSignal3x->OnClick = [this](ui::Control&) {
      if (cbSignal3x->Checked() && cbHeter3x->Checked()) cbHeter3x->SetChecked(false);
    };
  }

  btDefaults = new ui::Button(this);
  btDefaults->SetName("btDefaults");
  btDefaults->SetCaption("Defaults");
  btCancel = new ui::Button(this);
  btCancel->SetName("btCancel");
  btCancel->SetCaption("Cancel");
  btCancel->SetCancel(true);
  btCancel->SetModalResult(ui::mrCancel);
  btApply = new ui::Button(this);
  btApply->SetName("btApply");
  btApply->SetCaption("Apply");

  btDefaults->OnClick = [this](ui::Control&) {
    // Shown through the settings' own notice; nothing reaches the instrument before Apply.
    if (TSynthesizerBase* s = Settings()) s->SetDefaults();
  };
  btApply->OnClick = [this](ui::Control&) { Apply(); };

  // Enter moves the focus on, except in a grid, where it opens the keypad.
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key != ui::vk::Return) return;
    QWidget* focused = focusWidget();
    if (focused == sgSignalRegMap || focused == sgHeterRegMap) return;
    // The buttons act on Enter themselves.
    for (ui::Button* b : {btDefaults, btCancel, btApply}) {
      if (focused == b) return;
    }
    focusNextChild();
    key = 0;
  };

  if (TSynthesizerBase* s = Settings()) {
    QPointer<TSynthesizerFrm> self(this);
    s->OnSettingsShown = [self] {
      if (self) self->UpdateControls();
    };
  }
  Arrange();
}

TSynthesizerFrm::~TSynthesizerFrm() {
  if (TSynthesizerBase* s = Settings()) s->OnSettingsShown = nullptr;
}

TSynthesizerBase* TSynthesizerFrm::Settings() const {
  if (row_ == kRowK12) return SynthesizerTV;
  if (row_ == kRowK30) return SynthesizerTV30;
  return nullptr;
}

TSynthesizerTV* TSynthesizerFrm::K12() const { return row_ == kRowK12 ? SynthesizerTV : nullptr; }
TSynthesizerTV30* TSynthesizerFrm::K30() const { return row_ == kRowK30 ? SynthesizerTV30 : nullptr; }

ui::Edit* TSynthesizerFrm::MakeEdit(ui::GroupBox& group, const std::string& name, const std::string& label,
                                    int& top) {
  auto* caption = new ui::Label(&group);
  caption->SetName("lb" + name.substr(2));
  caption->SetCaption(label);
  caption->SetBounds(10, top + 3, kEditLeft - 14, kEditHeight - 4);
  auto* edit = new ui::Edit(&group);
  edit->SetName(name);
  edit->SetBounds(kEditLeft, top, kEditWidth, kEditHeight);
  top += kEditStep;
  return edit;
}

TEmiStringGrid* TSynthesizerFrm::MakeGrid(const std::string& name) {
  auto* grid = new TEmiStringGrid(this);
  grid->SetName(name);
  grid->SetColCount(kGridCols);
  grid->SetRowCount(kGridRows);
  grid->SetFixedCols(1);
  grid->SetFixedRows(1);
  grid->SetDefaultRowHeight(kGridRowHeight);
  grid->SetDefaultColWidth(kBitColWidth);
  grid->SetColWidth(0, kTitleColWidth);
  grid->SetColWidth(kHexCol, kHexColWidth);
  grid->SetDefaultCellsAlignment(TCellAlignment::caCenter);
  grid->SetRowTitles(kRowTitles);
  grid->SetColTitles(ColumnTitles());
  BindGrid(*grid);
  return grid;
}

void TSynthesizerFrm::BindGrid(TEmiStringGrid& grid) {
  QPointer<TEmiStringGrid> g(&grid);
  grid.OnMouseDown = [this, g](ui::Control&, ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    if (!g || button != ui::MouseButton::Left || (shift & ui::ssDouble)) return;
    TGridState& state = StateOf(*g);
    if (!g->MouseToCell(x, y, state.pressCol, state.pressRow)) state.pressCol = state.pressRow = -1;
  };
  // A single click on the cell of that grid's previous single click acts as a double click.
  grid.OnClick = [this, g](ui::Control&) {
    if (!g) return;
    TGridState& state = StateOf(*g);
    state.swallowDoubleClick = false;
    if (state.pressCol < g->FixedCols() || state.pressRow < g->FixedRows()) return;
    const bool again = state.pressCol == state.lastCol && state.pressRow == state.lastRow;
    state.lastCol = state.pressCol;
    state.lastRow = state.pressRow;
    if (again) {
      // The double click that may follow is this same one.
      state.swallowDoubleClick = true;
      OpenBitKeypad(*g, 0);
    }
  };
  grid.OnDblClick = [this, g](ui::Control&) {
    if (!g) return;
    TGridState& state = StateOf(*g);
    if (state.swallowDoubleClick) {
      state.swallowDoubleClick = false;
      return;
    }
    OpenBitKeypad(*g, 0);
  };
  grid.OnKeyDown = [this, g](ui::Control&, int& key, ui::ShiftState) {
    if (!g || key != ui::vk::Return) return;
    key = 0;
    OpenBitKeypad(*g, 0);
  };
  // A digit opens the keypad with that digit as its first input.
  grid.OnKeyPress = [this, g](ui::Control&, char32_t& key) {
    if (!g || key < U'0' || key > U'9') return;
    const char32_t digit = key;
    key = 0;
    OpenBitKeypad(*g, digit);
  };
}

std::string TSynthesizerFrm::HexText(int32_t word) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, static_cast<uint32_t>(word), 16);
  std::string digits(buf, res.ptr);
  for (char& c : digits) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return "0x" + digits;
}

void TSynthesizerFrm::GetWords(bool signal, std::vector<int32_t>& words) const {
  TSynthesizerBase::TWords w{};
  if (TSynthesizerTV* k12 = K12()) {
    if (signal) k12->GetSignalWords(w);
    else k12->GetHeterodyneWords(w);
  } else if (TSynthesizerTV30* k30 = K30()) {
    if (signal) k30->GetSignalWords(w);
    else k30->GetHeterodyneWords(w);
  }
  words.assign(w.begin(), w.end());
}

void TSynthesizerFrm::FillGridRow(TEmiStringGrid& grid, int row, int32_t word) {
  for (int column = 1; column <= 16; ++column) {
    grid.SetCell(column, row, (word >> BitOfColumn(column)) & 1 ? "1" : "0");
  }
  grid.SetCell(kHexCol, row, HexText(word));
}

void TSynthesizerFrm::UpdateControls() {
  if (!isVisible()) return;
  TSynthesizerBase* s = Settings();
  if (s == nullptr) return;
  for (TEmiStringGrid* grid : {sgSignalRegMap, sgHeterRegMap}) {
    std::vector<int32_t> words;
    GetWords(IsSignal(*grid), words);
    for (size_t i = 0; i < words.size() && static_cast<int>(i) + 1 < kGridRows; ++i) {
      FillGridRow(*grid, static_cast<int>(i) + 1, words[i]);
    }
  }
  if (ScannerModule != nullptr) {
    cbSignalOff->SetChecked(ScannerModule->GetScanner().GetSignalOff());
    cbHeterodyneOff->SetChecked(ScannerModule->GetScanner().GetHeterodyneOff());
  }
  edIFAccuracy->SetText(FloatToGeneralText(s->IFAccuracy * 1000000.0));
  edReferenceFreq->SetText(FloatToGeneralText(s->ReferenceFreq));
  edIntermediateFreq->SetText(FloatToGeneralText(s->IntermediateFreq));
  edMinFrequency->SetText(FloatToGeneralText(s->MinFrequency));
  edMaxFrequency->SetText(FloatToGeneralText(s->MaxFrequency));
  edMeasureDelay->SetText(IntToText(s->MeasureDelay));
  edBackScanDelay->SetText(IntToText(s->BackScanDelay));
  if (TSynthesizerTV* k12 = K12()) {
    cbHeter3x->SetChecked(k12->Heter3x);
    cbSignal3x->SetChecked(k12->Signal3x);
  }
  if (TSynthesizerTV30* k30 = K30()) {
    edFreq2x->SetText(FloatToGeneralText(k30->Freq2x));
    edFreq3x->SetText(FloatToGeneralText(k30->Freq3x));
    edSwitchDelay->SetText(IntToText(k30->SwitchDelay));
  }
}

bool TSynthesizerFrm::ApplyControls() {
  TSynthesizerBase* s = Settings();
  if (s == nullptr) return false;
  TSynthesizerTV* k12 = K12();
  TSynthesizerTV30* k30 = K30();
  // Every edit is read before anything changes: one text that is no number changes nothing.
  struct TRead {
    double ifAccuracy, minFrequency, maxFrequency, measureDelay, backScanDelay;
    double freq2x = 0, freq3x = 0, switchDelay = 0;
  };
  TRead v{};
  try {
    v.ifAccuracy = StrToFloatAnySeparator(edIFAccuracy->Text());
    v.minFrequency = StrToFloatAnySeparator(edMinFrequency->Text());
    v.maxFrequency = StrToFloatAnySeparator(edMaxFrequency->Text());
    v.measureDelay = StrToFloatAnySeparator(edMeasureDelay->Text());
    v.backScanDelay = StrToFloatAnySeparator(edBackScanDelay->Text());
    if (k30 != nullptr) {
      v.freq2x = StrToFloatAnySeparator(edFreq2x->Text());
      v.freq3x = StrToFloatAnySeparator(edFreq3x->Text());
      v.switchDelay = StrToFloatAnySeparator(edSwitchDelay->Text());
    }
  } catch (const EAbort& e) {
    ui::MessageBox::Get().Show(e.what());
    return false;
  }

  // 1. Hz to MHz.
  s->IFAccuracy = v.ifAccuracy * 0.000001;
  // 2. The intermediate frequency on the 10 Hz grid.
  s->IntermediateFreq = std::floor(s->IntermediateFreq / 0.00001 + 0.5) * 0.00001;
  // 3. Delays truncated toward zero.
  s->MeasureDelay = TruncSat(v.measureDelay);
  s->BackScanDelay = TruncSat(v.backScanDelay);
  if (k30 != nullptr) k30->SwitchDelay = TruncSat(v.switchDelay);
  // 4. The output switches.
  if (ScannerModule != nullptr) {
    ScannerModule->GetScanner().SetSignalOff(cbSignalOff->Checked());
    ScannerModule->GetScanner().SetHeterodyneOff(cbHeterodyneOff->Checked());
  }
  // 5. The third-harmonic modes.
  if (k12 != nullptr) {
    k12->Heter3x = cbHeter3x->Checked();
    k12->Signal3x = cbSignal3x->Checked();
  }
  // 6. The band.
  s->MinFrequency = v.minFrequency;
  s->MaxFrequency = v.maxFrequency;
  if (k30 != nullptr) {
    k30->Freq2x = v.freq2x;
    k30->Freq3x = v.freq3x;
  }
  // 7. Both word arrays from the grids.
  for (TEmiStringGrid* grid : {sgSignalRegMap, sgHeterRegMap}) {
    TSynthesizerBase::TWords& words = IsSignal(*grid) ? s->SignalWords : s->HeterodyneWords;
    for (int r = 1; r < kGridRows; ++r) {
      int32_t word = 0;
      for (int bit = 0; bit < 16; ++bit) {
        if (grid->Cell(16 - bit, r) != "0") word |= int32_t{1} << bit;
      }
      words[static_cast<size_t>(r - 1)] = word;
    }
  }
  if (k12 != nullptr) k12->MixCountOfRevision() = s->HeterodyneWords[TSynthesizerBase::wMIX_COUNT];
  // 8.
  if (k12 != nullptr) k12->ClampSettings();
  if (k30 != nullptr) k30->ClampSettings();
  return true;
}

void TSynthesizerFrm::Apply() {
  if (!ApplyControls()) return;
  // The new settings reach the instrument with rebuilt points and scan lists.
  if (ScannerModule != nullptr) {
    ScannerModule->StopSweep();
    ScannerModule->GetScanner().RebuildAll();
    ScannerModule->StartSweep(0);
  }
  SetModalResult(ui::mrOk);
  if (!IsModal()) Hide();
}

double TSynthesizerFrm::CurrentBit(const TEmiStringGrid& grid) const {
  const int bit = BitOfColumn(grid.Col());
  const int row = grid.Row();
  if (bit < 0 || row < 1 || row >= kGridRows) return 0.0;
  std::vector<int32_t> words;
  GetWords(IsSignal(grid), words);
  return (words[static_cast<size_t>(row - 1)] >> bit) & 1 ? 1.0 : 0.0;
}

void TSynthesizerFrm::SetCurrentBit(TEmiStringGrid& grid, double value) {
  const int bit = BitOfColumn(grid.Col());
  const int row = grid.Row();
  TSynthesizerBase* s = Settings();
  if (s == nullptr || bit < 0 || row < 1 || row >= kGridRows) return;
  const bool signal = IsSignal(grid);
  std::vector<int32_t> shown;
  GetWords(signal, shown);
  int32_t word = shown[static_cast<size_t>(row - 1)];
  if (value == 1.0) {
    word |= int32_t{1} << bit;
  } else {
    word &= ~(int32_t{1} << bit);
  }
  const size_t index = static_cast<size_t>(row - 1);
  (signal ? s->SignalWords : s->HeterodyneWords)[index] = word;
  // MIX_COUNT goes where this hardware revision takes it from.
  if (!signal && index == TSynthesizerBase::wMIX_COUNT) {
    if (TSynthesizerTV* k12 = K12()) k12->MixCountOfRevision() = word;
  }
  FillGridRow(grid, row, word);
}

void TSynthesizerFrm::OpenBitKeypad(TEmiStringGrid& grid, char32_t firstChar) {
  if (grid.Col() == kHexCol) return;
  QPointer<TSynthesizerFrm> self(this);
  QPointer<TEmiStringGrid> g(&grid);
  TDigitalKeyboardFrm keypad(
      this, std::string(), 0, ukNone,
      [self, g](double x) {
        if (self && g) self->SetCurrentBit(*g, x);
      },
      [self, g]() -> double { return self && g ? self->CurrentBit(*g) : 0.0; }, firstChar);
  keypad.ShowModal();
}

void TSynthesizerFrm::showEvent(QShowEvent* event) {
  ui::Form::showEvent(event);
  UpdateControls();
  edIFAccuracy->SetFocus();
}

void TSynthesizerFrm::Arrange() {
  lbSignal->SetBounds(kGap, kGap, kGridWidth, 16);
  sgSignalRegMap->SetBounds(kGap, kGap + 18, kGridWidth, kGridHeight);
  const int heterTop = sgSignalRegMap->Top() + kGridHeight + kGap;
  lbHeterodyne->SetBounds(kGap, heterTop, kGridWidth, 16);
  sgHeterRegMap->SetBounds(kGap, heterTop + 18, kGridWidth, kGridHeight);
  const int gridsBottom = sgHeterRegMap->Top() + kGridHeight;

  cbSignalOff->SetBounds(kRightLeft, kGap + 18, kRightWidth, 18);
  cbHeterodyneOff->SetBounds(kRightLeft, kGap + 40, kRightWidth, 18);
  int right = gbDelays->Top() + gbDelays->Height();
  if (cbHeter3x != nullptr) {
    cbHeter3x->SetBounds(kRightLeft, right + kGap, kRightWidth, 18);
    cbSignal3x->SetBounds(kRightLeft, right + kGap + 22, kRightWidth, 18);
    right += kGap + 40;
  }
  const int buttonsTop = std::max(gridsBottom, right + kGap + kButtonHeight) - kButtonHeight;
  const int width = kRightLeft + kRightWidth + kGap;
  int left = width - kGap - 3 * kButtonWidth - 2 * kGap;
  for (ui::Button* b : {btDefaults, btCancel, btApply}) {
    b->SetBounds(left, buttonsTop, kButtonWidth, kButtonHeight);
    left += kButtonWidth + kGap;
  }
  SetClientSize(width, buttonsTop + kButtonHeight + kGap);
}
