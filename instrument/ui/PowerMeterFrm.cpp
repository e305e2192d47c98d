#include "instrument/ui/PowerMeterFrm.h"

#include <QPointer>

#include "dialogs/PickLists.h"
#include "instrument/PowerMeter.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "platform/ui/MessageBox.h"
#include "shell/ProgramStart.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

// The row captions are the instrument's own names and stay as they are in every language.
ui::Panel* MakeFixedCaptionPanel(TTouchForm& form, const std::string& name, const std::string& text) {
  ui::Panel* p = form.MakeCaptionPanel(name, std::string());
  p->SetCaption(text);
  return p;
}

}  // namespace

TPowerMeterFrm::TPowerMeterFrm(QWidget* owner) : TTouchDialogFrm(owner, "Power Meter") {
  SetName("PowerMeterFrm");
  SetKeyHandler(true);
  SetEscapeCloses(true);
  SetRefocusOwner(true);

  pnModel = MakeFixedCaptionPanel(*this, "pnModel", " Model");
  pnModelValue = MakeValuePanel("pnModelValue");
  pnGPIBAddress = MakeFixedCaptionPanel(*this, "pnGPIBAddress", " GPIB Address");
  pnGPIBAddressValue = MakeValuePanel("pnGPIBAddressValue");
  pnGPIBBoard = MakeFixedCaptionPanel(*this, "pnGPIBBoard", " GPIB Board");
  pnGPIBBoardValue = MakeValuePanel("pnGPIBBoardValue");
  pnStatus = MakeFixedCaptionPanel(*this, "pnStatus", " Status");
  pnStatusValue = MakeValuePanel("pnStatusValue");
  btZeroing = MakeButton(this, "btZeroing", TranslateText("Zeroing"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  // While open, every change of the meter shows here; the handler found is kept for the way out.
  if (TPowerMeter* meter = Meter()) {
    meter_ = meter;
    savedOnChange_ = std::move(meter->OnChange);
    handlerTaken_ = true;
    QPointer<TPowerMeterFrm> self(this);
    meter->OnChange = [self](TPowerMeter*) {
      if (self) self->RefreshValues();
    };
  }

  BindRow(*pnModel, *pnModelValue, [this] { ChooseModel(); });
  // Only the value panels of the GPIB rows open the keypad, and only for the GPIB meter.
  struct TGpibRow {
    ui::Panel* value;
    const char* caption;
    bool address;
  };
  for (const TGpibRow& r : {TGpibRow{pnGPIBAddressValue, "GPIB Address", true},
                            TGpibRow{pnGPIBBoardValue, "GPIB Board", false}}) {
    const bool address = r.address;
    const std::string caption = r.caption;
    r.value->OnMouseDown = [this, address, caption](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
      TPowerMeter* meter = Meter();
      if (meter == nullptr || meter->Model != 1) return;
      OpenKeypad(TranslateText(caption), 0, ukNone, IntSetter([address](int x) {
                   if (TPowerMeter* m = Meter()) address ? m->SetGpibAddress(x) : m->SetGpibBoard(x);
                 }),
                 [address]() -> double {
                   TPowerMeter* m = Meter();
                   if (m == nullptr) return 0.0;
                   return address ? m->GpibAddress : m->GpibBoard;
                 });
      RefreshValues();
    };
  }
  BindRow(*pnStatus, *pnStatusValue, [this] { ToggleConnection(); });
  BindButton(*btZeroing, [this] { Zeroing(); });
  BindButton(*btOk, [this] { OkAction(); });

  // Layout first: the values are written into panels of their final size.
  ArrangeControls();
  RefreshValues();
}

TPowerMeterFrm::~TPowerMeterFrm() { GiveBackOnChange(); }

TPowerMeter* TPowerMeterFrm::Meter() { return PowerMeter; }

void TPowerMeterFrm::GiveBackOnChange() {
  if (!handlerTaken_) return;
  handlerTaken_ = false;
  // Only to the meter it was taken from, while that is still the program's.
  if (meter_ != nullptr && meter_ == Meter()) meter_->OnChange = std::move(savedOnChange_);
  savedOnChange_ = nullptr;
}

void TPowerMeterFrm::OkAction() {
  GiveBackOnChange();
  CloseWith(ui::mrOk);
}

void TPowerMeterFrm::ArrangeControls() {
  ArrangeFrame(6);
  const int w = Width();
  const int m = Margin();
  const int h = FieldHeight();
  const std::pair<ui::Panel*, ui::Panel*> rows[] = {
      {pnModel, pnModelValue}, {pnGPIBAddress, pnGPIBAddressValue}, {pnGPIBBoard, pnGPIBBoardValue},
      {pnStatus, pnStatusValue}};
  int row = 2;
  for (const auto& [caption, value] : rows) PlaceCaptionPanels(*caption, *value, RowRect(row++, w));
  const int buttonWidth = (w - 3 * m) / 2;
  const int top = 5 * h + 6 * m;
  btZeroing->SetBounds(m, top, buttonWidth, h);
  btOk->SetBounds(2 * m + buttonWidth, top, buttonWidth, h);
}

void TPowerMeterFrm::RefreshValues() {
  TPowerMeter* meter = Meter();
  if (meter == nullptr) {
    for (ui::Panel* p : {pnModelValue, pnGPIBAddressValue, pnGPIBBoardValue, pnStatusValue}) {
      p->SetCaption(std::string());
      p->SetEnabled(false);
    }
    return;
  }
  const bool gpib = meter->Model == 1;
  pnModelValue->SetEnabled(meter->State == IPowerMeter::NotReady);
  // A panel takes '&' as the mark of an accelerator: doubled, the maker's "R&S" shows whole.
  std::string model;
  for (char c : meter->GetModelText()) {
    model += c;
    if (c == '&') model += c;
  }
  SetValueText(*pnModelValue, model);
  pnGPIBAddressValue->SetEnabled(gpib);
  pnGPIBBoardValue->SetEnabled(gpib);
  SetValueText(*pnGPIBAddressValue, IntToText(gpib ? meter->GpibAddress : 0));
  SetValueText(*pnGPIBBoardValue, IntToText(gpib ? meter->GpibBoard : 0));
  pnStatusValue->SetEnabled(true);
  SetValueText(*pnStatusValue, meter->StatusText);
}

void TPowerMeterFrm::ChooseModel() {
  if (Meter() == nullptr) return;
  RunSubDialog([this]() -> int {
    TPowerMeter* meter = Meter();
    ui::Form* owner = qobject_cast<ui::Form*>(MainOwner());
    if (meter == nullptr || owner == nullptr) return ui::mrCancel;
    int model = meter->Model;
    const int result = RunPowerMeterList(*owner, model);
    // The list may have run long; the meter refuses a change while connected.
    if (result == ui::mrOk) {
      if (TPowerMeter* m = Meter()) m->SetModel(model);
    }
    return result;
  });
  SetFocus();
}

void TPowerMeterFrm::ToggleConnection() {
  TPowerMeter* meter = Meter();
  if (meter == nullptr) return;
  if (meter->State != IPowerMeter::NotReady) {
    meter->Disconnect();
  } else if (!meter->Connect() && !meter->LastError.empty()) {
    ui::MessageBox::Get().Show(meter->LastError);
  }
  RefreshValues();
}

void TPowerMeterFrm::Zeroing() {
  // A press while one runs (its waits let presses through) does nothing.
  if (zeroing_ || Meter() == nullptr || ScannerModule == nullptr) return;
  QPointer<TPowerMeterFrm> self(this);
  // The sensor is zeroed with the source off; the sweep goes on meanwhile, and afterwards the
  // source is as it was, whichever way the zeroing ends.
  struct TSourceOff {
    bool signalOff = false;
    QPointer<TPowerMeterFrm> dialog;
    explicit TSourceOff(TPowerMeterFrm* d) : dialog(d) {
      dialog->zeroing_ = true;
      ScannerModule->StopSweep();
      signalOff = ScannerModule->GetScanner().GetSignalOff();
      ScannerModule->GetScanner().SetSignalOff(true);
      ScannerModule->RebuildScanList();
      ScannerModule->StartSweep(0);
    }
    ~TSourceOff() {
      if (dialog) dialog->zeroing_ = false;
      if (ScannerModule == nullptr) return;
      ScannerModule->StopSweep();
      ScannerModule->GetScanner().SetSignalOff(signalOff);
      ScannerModule->RebuildScanList();
      ScannerModule->StartSweep(0);
    }
    TSourceOff(const TSourceOff&) = delete;
    TSourceOff& operator=(const TSourceOff&) = delete;
  };
  bool ok = false;
  {
    TSourceOff sourceOff(this);
    TPowerMeter* meter = Meter();
    ok = meter != nullptr && meter->Zero();
  }
  if (!ok) {
    ui::MessageBox::Get().Ask("Error in Power Sensor Zeroing", "Error!", ui::MessageBox::Buttons::Ok,
                              ui::MessageBox::Icon::Error);
  }
  if (self) self->RefreshValues();
}
