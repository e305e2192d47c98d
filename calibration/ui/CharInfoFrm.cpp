#include "calibration/ui/CharInfoFrm.h"

#include "calibration/ECal.h"
#include "dialogs/ChannelDialogs.h"
#include "model/EcalFlash.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "platform/ui/Keys.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

const char* const kCaptions[TCharInfoFrm::kRows] = {
    "ACM Type",         "S/N",       "Current Temperature", "Termocompens. Data", "Characterization",
    "Data && Time",     "Frequency Start", "Frequency Stop", "Points",      "Charact. Temperature",
    "Port A Connector", "Port B Connector", "Port A Adapter", "Port B Adapter", "Analyzer",
    "Location",         "Operator"};

std::string Degrees(double t) { return FormatFloat("##0.0", t) + " \xC2\xB0" "C"; }

}  // namespace

TCharInfoFrm::TCharInfoFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Characterization Info")) {
  SetName("CharInfoFrm");
  sgList = new TEmiStringGrid(this);
  sgList->SetName("sgList");
  sgList->SetColCount(2);
  sgList->SetRowCount(kRows);
  sgList->SetFixedCols(0);
  sgList->SetFixedRows(0);
  sgList->SetDefaultDrawing(false);
  sgList->OnDrawCell = [](TEmiStringGrid& grid, int column, int row, const ui::Rect& rect, TGridDrawState state) {
    DrawGridCell(grid, column, row, rect, state);
  };
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  BindButton(*btOk, [this] { btOkMouseDown(); });
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Return || key == ui::vk::Escape || key == ui::vk::Cancel) {
      key = 0;
      btOkMouseDown();
    }
  };
  Fill();
  ArrangeControls();
}

std::string TCharInfoFrm::ConnectorText(int code) {
  if (code < 0 || code > 12) return {};
  return TECal::GetConnectorName(code);
}

void TCharInfoFrm::Fill() {
  // The grid draws '&' as the mark of a key, so "&&" of the caption keys shows one '&'.
  for (int r = 0; r < kRows; ++r) sgList->SetCell(0, r, TranslateText(kCaptions[r]));
  TECal* module = LiveMainFrm() != nullptr ? MainFrm->ECal : nullptr;
  ecal::TDescriptor d = ecal::ClearedDescriptor();
  double temperature = 0.0;
  std::string type;
  std::string serial = ecal::kBlankSerial;
  std::string characterization;
  if (module != nullptr) {
    type = module->GetModelName();
    serial = module->GetSerial();
    characterization = TECal::GetCharacterizationName(module->Characterization);
    if (!module->GetTemperature(temperature)) temperature = 0.0;
    module->ReadDescriptor(d);
  }
  const std::string values[kRows] = {type,
                                     serial,
                                     Degrees(temperature),
                                     "",
                                     characterization,
                                     d.Date + " " + d.Time,
                                     FormatKindValue(d.FirstFrequency, ukFrequency),
                                     FormatKindValue(d.LastFrequency, ukFrequency),
                                     std::to_string(d.Points),
                                     Degrees(d.Temperature),
                                     ConnectorText(d.ConnectorA),
                                     ConnectorText(d.ConnectorB),
                                     d.AdapterA,
                                     d.AdapterB,
                                     d.Analyser,
                                     d.Location,
                                     d.Operator};
  for (int r = 0; r < kRows; ++r) sgList->SetCell(1, r, values[r]);
}

void TCharInfoFrm::ArrangeControls() {
  ApplyButtonFont();
  const int m = Margin();
  const int f = FieldHeight();
  const int h = ButtonTextHeight("H");
  const int width = 2 * m + 2 * ButtonTextWidth(std::string(20, 'H'));
  SetClientSize(width, 4 * m + 2 * f + kRows * h);
  TopPanel->SetBoundsRect(ui::Rect(m, m, width - m, m + f));
  const ui::Rect grid(m, 2 * m + f, width - m, 2 * m + f + kRows * h);
  sgList->SetBoundsRect(grid);
  sgList->SetDefaultRowHeight(h - 1);
  const int column = (grid.Width() - 1) / 2;
  sgList->SetColWidth(0, column);
  sgList->SetColWidth(1, column);
  btOk->SetBoundsRect(ui::Rect(m, 3 * m + f + kRows * h, width - m, 3 * m + 2 * f + kRows * h));
}

void TCharInfoFrm::btOkMouseDown() { CloseWith(ui::mrCancel); }
