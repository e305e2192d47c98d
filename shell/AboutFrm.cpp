#include "shell/AboutFrm.h"

#include <cstdio>

#include "calibration/CalibratorModule.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Services.h"
#include "shell/ProgramStart.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TAboutFrm::TAboutFrm(QWidget* owner) : TTouchDialogFrm(owner, std::string()) {
  SetName("AboutFrm");
  SetKeyHandler(true);
  SetRefocusOwner(true);
  TopPanel->SetVisible(true);
  TopPanel->SetCaption(Device != nullptr ? Device->GetDescription() : std::string());
  pnSoftware = MakeCaptionPanel("pnSoftware", "Software Version");
  pnSoftwareValue = MakeValuePanel("pnSoftwareValue");
  pnHardware = MakeCaptionPanel("pnHardware", "Hardware Revision");
  pnHardwareValue = MakeValuePanel("pnHardwareValue");
  pnSerial = MakeCaptionPanel("pnSerial", "Serial Number");
  pnSerialValue = MakeValuePanel("pnSerialValue");
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  BindButton(*btOk, [this] { OkAction(); });

  if (Device != nullptr) SetValueText(*pnSoftwareValue, Device->GetSoftwareVersion());
  const bool connected = ScannerModule != nullptr && ScannerModule->GetScanner().Connected;
  if (connected && Device != nullptr) SetValueText(*pnHardwareValue, Device->GetFirmwareVersion());
  if (connected && CalibratorModule != nullptr) {
    char serial[16];
    std::snprintf(serial, sizeof serial, " %08lu", static_cast<unsigned long>(CalibratorModule->SerialNumber));
    pnSerialValue->SetCaption(serial);
  }
  ArrangeControls();
}

void TAboutFrm::ArrangeControls() {
  ArrangeFrame(5);
  const int w = Width();
  PlaceCaptionPanels(*pnSoftware, *pnSoftwareValue, RowRect(2, w));
  PlaceCaptionPanels(*pnHardware, *pnHardwareValue, RowRect(3, w));
  PlaceCaptionPanels(*pnSerial, *pnSerialValue, RowRect(4, w));
  btOk->SetBoundsRect(RowRect(5, w));
}
