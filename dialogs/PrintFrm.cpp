#include "dialogs/PrintFrm.h"

#include "dialogs/ChannelDialogs.h"
#include "dialogs/DialogOpener.h"
#include "dialogs/PickLists.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TPrintFrm::TPrintFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Print")) {
  SetName("PrintFrm");
  SetKeyHandler(false);
  SetEscapeCloses(true);
  pnPrintColor = MakeCaptionPanel("pnPrintColor", TranslationKey("Print Color"));
  pnPrintColorValue = MakeValuePanel("pnPrintColorValue");
  pnInvertImage = MakeCaptionPanel("pnInvertImage", TranslationKey("Invert Image"));
  pnInvertImageValue = MakeValuePanel("pnInvertImageValue");
  pnPrintDate = MakeCaptionPanel("pnPrintDate", TranslationKey("Print Date && Time"));
  pnPrintDateValue = MakeValuePanel("pnPrintDateValue");
  btPrintWithWord = MakeButton(this, "btPrintWithWord", TranslateText("Print Report"));
  btPrintWithWindows = MakeButton(this, "btPrintWithWindows", TranslateText("Print to Printer"));
  btSaveScreenShot = MakeButton(this, "btSaveScreenShot", TranslateText("Save Screen Shot"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnPrintColor, *pnPrintColorValue, [this] {
    if (LiveMainFrm() == nullptr) return;
    RunSubDialog([this] { return RunPrintColorList(*this); });
    RefreshValues();
  });
  BindSwitchRow(
      *pnInvertImage, *pnInvertImageValue, [] { return LiveMainFrm() != nullptr && LiveMainFrm()->PrintInverted; },
      [](bool on) {
        if (TMainFrm* main = LiveMainFrm()) main->PrintInverted = on;
      });
  BindSwitchRow(
      *pnPrintDate, *pnPrintDateValue, [] { return LiveMainFrm() != nullptr && LiveMainFrm()->PrintTime; },
      [](bool on) {
        if (TMainFrm* main = LiveMainFrm()) main->PrintTime = on;
      });
  BindButton(*btPrintWithWord, [] {
    if (TMainFrm* main = LiveMainFrm()) main->PrintWithWord();
  });
  BindButton(*btPrintWithWindows, [] {
    if (TMainFrm* main = LiveMainFrm()) main->PrintWithWindows();
  });
  BindButton(*btSaveScreenShot, [] {
    if (TMainFrm* main = LiveMainFrm()) main->SaveScreenShot();
  });
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });

  RefreshValues();
  ArrangeControls();
}

void TPrintFrm::ArrangeControls() {
  ArrangeFrame(8);
  const int w = Width();
  PlaceCaptionPanels(*pnPrintColor, *pnPrintColorValue, RowRect(2, w));
  PlaceCaptionPanels(*pnInvertImage, *pnInvertImageValue, RowRect(3, w));
  PlaceCaptionPanels(*pnPrintDate, *pnPrintDateValue, RowRect(4, w));
  btPrintWithWord->SetBoundsRect(RowRect(5, w));
  btPrintWithWindows->SetBoundsRect(RowRect(6, w));
  btSaveScreenShot->SetBoundsRect(RowRect(7, w));
  btOk->SetBoundsRect(RowRect(8, w));
}

void TPrintFrm::RefreshValues() {
  const TMainFrm* main = LiveMainFrm();
  if (main == nullptr) return;
  static const char* const kColors[] = {"Color", "Gray Scale", "Black && White"};
  if (main->PrintColor >= 0 && main->PrintColor <= 2)
    SetValueText(*pnPrintColorValue, TranslateText(kColors[main->PrintColor]));
  SetValueText(*pnInvertImageValue, OnOffWord(main->PrintInverted));
  SetValueText(*pnPrintDateValue, OnOffWord(main->PrintTime));
}

void RegisterPrintDialogs() {
  TMainFrm::RegisterDialog("TPrintFrm", OwnerModalOpener<TPrintFrm>());
}
