#include "calibration/ui/StandardPresses.h"

#include <string>

#include "calibration/Calibr.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"
#include "platform/ui/Panel.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"
#include "widgets/TouchForm.h"

void MakeStandardPresses(TTouchForm& form, std::initializer_list<TStandardPress> presses) {
  for (const TStandardPress& s : presses) {
    TLbButton* b = form.MakeButton(&form, std::string("bt") + s.Word, TTouchForm::kBlankText + TranslateText(s.Word));
    b->SetAlignment(ui::Alignment::Left);
    *s.Button = b;
  }
  for (const TStandardPress& s : presses) {
    auto* p = new ui::Panel(&form);
    p->SetName(std::string("pn") + s.Word);
    p->SetCaption("");
    p->SetColor(kStandardNotMeasuredColor);
    *s.Square = p;
  }
}

void PlaceStandards(std::initializer_list<std::pair<TLbButton*, ui::Panel*>> presses, int firstRow, int formWidth) {
  const int side = TTouchForm::ButtonTextHeight("H");
  int row = firstRow;
  for (auto [button, box] : presses) {
    button->SetBoundsRect(GetButtonGridRect(row, formWidth, 1, 1, 0));
    box->SetBoundsRect(GetButtonGridRect(row, formWidth, 1, 1, side));
    box->BringToFront();
    ++row;
  }
}

void ShowMeasuredStandards(const TCalibr* calibration, ui::Panel& open, ui::Panel& shrt, ui::Panel& load) {
  const int r = ReflectionIndex();
  for (auto [kind, box] : {std::pair{ckOpen, &open}, {ckShort, &shrt}, {ckLoad, &load}}) {
    const bool measured = calibration != nullptr && calibration->IsStandardSelected(kind, r);
    box->SetColor(measured ? kStandardMeasuredColor : kStandardNotMeasuredColor);
  }
}

int ReflectionIndex() { return Services().Device != nullptr ? Services().Device->GetReflectionIndex() : 0; }
int TransmissionIndex() { return Services().Device != nullptr ? Services().Device->GetTransmissionIndex() : 1; }
