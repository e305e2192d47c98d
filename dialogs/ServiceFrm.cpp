#include "dialogs/ServiceFrm.h"

#include "dialogs/ShellDialogs.h"
#include "instrument/Device.h"
#include "model/Services.h"
#include "shell/MainFrm.h"
#include "widgets/LbButton.h"

namespace {

// The model rows that have a synthesizer settings form: 5.4 GHz and 14 GHz.
constexpr int kSynthesizerRows[] = {3, 4};

}  // namespace

TServiceFrm::TServiceFrm(QWidget* owner) : TTouchDialogFrm(owner, "Service") {
  SetName("ServiceFrm");
  SetKeyHandler(true);
  SetEscapeCloses(true);
  SetRefocusOwner(true);
  btFactoryCal = MakeButton(this, "btFactoryCal", TranslateText("System Calibration"));
  btSynthesizer = MakeButton(this, "btSynthesizer", TranslateText("Synthesizer"));
  btPowerMeter = MakeButton(this, "btPowerMeter", TranslateText("Power Meter"));
  btCreateReport = MakeButton(this, "btCreateReport", TranslateText("Create Factory Report"));
  btOpenReport = MakeButton(this, "btOpenReport", TranslateText("Open Factory Report"));
  btFreqOffset = MakeButton(this, "btFreqOffset", TranslateText("Frequency Offset"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindButton(*btFactoryCal, [this] {
    if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, "TSystemCalFrm");
  });
  BindButton(*btSynthesizer, [this] { Synthesizer(); });
  BindButton(*btPowerMeter, [this] {
    if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, "TPowerMeterFrm");
  });
  // The report buttons are there for the factory's tools; here a press does nothing.
  BindButton(*btCreateReport, [] {});
  BindButton(*btOpenReport, [] {});
  BindButton(*btFreqOffset, [this] {
    if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, "TFreqOffsetFrm");
  });
  BindButton(*btOk, [this] { OkAction(); });
  ArrangeControls();
}

void TServiceFrm::Synthesizer() {
  const int row = Services().Device != nullptr ? Services().Device->GetModelIndex() : -1;
  RunSubDialog([row]() -> int {
    for (int r : kSynthesizerRows) {
      if (r == row && MainFrm != nullptr) return MainFrm->OpenDialog(*MainFrm, "TSynthesizerFrm", true, row);
    }
    return ui::mrCancel;
  });
}

void TServiceFrm::ArrangeControls() {
  ArrangeFrame(8);
  const int w = Width();
  int row = 2;
  for (TLbButton* b : {btFactoryCal, btSynthesizer, btPowerMeter, btCreateReport, btOpenReport, btFreqOffset, btOk}) {
    b->SetBoundsRect(RowRect(row++, w));
  }
}

TFactoryFrm::TFactoryFrm(QWidget* owner) : TTouchDialogFrm(owner, "Service") {
  SetName("FactoryFrm");
  SetEscapeCloses(true);
  btFactoryCal = MakeButton(this, "btFactoryCal", TranslateText("System Calibration"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  BindButton(*btFactoryCal, [this] {
    if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, "TFactoryCalFrm");
  });
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });
  ArrangeControls();
}

void TFactoryFrm::ArrangeControls() {
  ArrangeFrame(3);
  const int w = Width();
  btFactoryCal->SetBoundsRect(RowRect(2, w));
  btOk->SetBoundsRect(RowRect(3, w));
}
