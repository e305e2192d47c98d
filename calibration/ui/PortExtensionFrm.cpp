#include "calibration/ui/PortExtensionFrm.h"

#include <QPointer>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/ShellDialogs.h"
#include "model/MeasureUnitTables.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TPortExtensionFrm::TPortExtensionFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Port Extension")) {
  SetName("PortExtensionFrm");
  SetKeyHandler(true);
  pnPortExtension = MakeCaptionPanel("pnPortExtension", TranslationKey("Port Extension"));
  pnPortExtensionValue = MakeValuePanel("pnPortExtensionValue");
  pnExtension = MakeCaptionPanel("pnExtension", TranslationKey("Extension Port"));
  pnExtensionValue = MakeValuePanel("pnExtensionValue");
  pnLoss1On = MakeCaptionPanel("pnLoss1On", TranslationKey("Loss 1"));
  pnLoss1OnValue = MakeValuePanel("pnLoss1OnValue");
  pnLoss2On = MakeCaptionPanel("pnLoss2On", TranslationKey("Loss 2"));
  pnLoss2OnValue = MakeValuePanel("pnLoss2OnValue");
  pnLoss1 = MakeCaptionPanel("pnLoss1", TranslationKey("Loss 1"));
  pnLoss1Value = MakeValuePanel("pnLoss1Value");
  pnLoss2 = MakeCaptionPanel("pnLoss2", TranslationKey("Loss 2"));
  pnLoss2Value = MakeValuePanel("pnLoss2Value");
  pnFreq1 = MakeCaptionPanel("pnFreq1", TranslationKey("Frequency 1"));
  pnFreq1Value = MakeValuePanel("pnFreq1Value");
  pnFreq2 = MakeCaptionPanel("pnFreq2", TranslationKey("Frequency 2"));
  pnFreq2Value = MakeValuePanel("pnFreq2Value");
  pnLossAtDC = MakeCaptionPanel("pnLossAtDC", TranslationKey("Loss at DC"));
  pnLossAtDCValue = MakeValuePanel("pnLossAtDCValue");
  btAutoExtension = MakeButton(this, "btAutoExtension", TranslateText("Auto Port Extension"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindSwitchRow(
      *pnPortExtension, *pnPortExtensionValue,
      [] { return Channel() != nullptr && Channel()->PortExtensionsEnabled; },
      [](bool on) {
        if (TRange* ch = Channel()) ch->SetPortExtensionsEnabled(on);
      });
  BindSwitchRow(
      *pnLoss1On, *pnLoss1OnValue, [] { return Channel() != nullptr && Channel()->GetExtLoss1Enabled(); },
      [](bool on) {
        if (TRange* ch = Channel()) ch->SetExtLoss1Enabled(on);
      });
  BindSwitchRow(
      *pnLoss2On, *pnLoss2OnValue, [] { return Channel() != nullptr && Channel()->GetExtLoss2Enabled(); },
      [](bool on) {
        if (TRange* ch = Channel()) ch->SetExtLoss2Enabled(on);
      });
  BindKeypadRow(
      *pnExtension, *pnExtensionValue, "Extension Port", 4, ukTime,
      [](const TRange& ch) { return ch.GetPortExtension(0) * 1e12; },
      [](TRange& ch, double ps) { ch.SetPortExtension(0, ps * 1e-12); });
  BindKeypadRow(
      *pnLoss1, *pnLoss1Value, "Loss 1", 0, ukDecibel, [](const TRange& ch) { return ch.GetExtLoss1(); },
      [](TRange& ch, double v) { ch.SetExtLoss1(v); });
  BindKeypadRow(
      *pnLoss2, *pnLoss2Value, "Loss 2", 0, ukDecibel, [](const TRange& ch) { return ch.GetExtLoss2(); },
      [](TRange& ch, double v) { ch.SetExtLoss2(v); });
  BindKeypadRow(
      *pnFreq1, *pnFreq1Value, "Frequency 1", 1, ukFrequency, [](const TRange& ch) { return ch.GetExtFreq1(); },
      [](TRange& ch, double v) { ch.SetExtFreq1(v); });
  BindKeypadRow(
      *pnFreq2, *pnFreq2Value, "Frequency 2", 1, ukFrequency, [](const TRange& ch) { return ch.GetExtFreq2(); },
      [](TRange& ch, double v) { ch.SetExtFreq2(v); });
  BindKeypadRow(
      *pnLossAtDC, *pnLossAtDCValue, "Loss at DC", 0, ukDecibel,
      [](const TRange& ch) { return ch.GetExtLossAtDC(); }, [](TRange& ch, double v) { ch.SetExtLossAtDC(v); });
  BindButton(*btAutoExtension, [this] {
    if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, "TAutoExtensionFrm");
    RefreshValues();
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

TRange* TPortExtensionFrm::Channel() { return LiveMainFrm() != nullptr ? MainFrm->GetActiveChannel() : nullptr; }

void TPortExtensionFrm::BindKeypadRow(ui::Panel& caption, ui::Panel& value, const char* english, int unitIndex,
                                      int unitKind, double (*get)(const TRange&), void (*set)(TRange&, double)) {
  QPointer<TPortExtensionFrm> self(this);
  BindRow(caption, value, [this, self, english, unitIndex, unitKind, get, set] {
    OpenKeypad(
        TranslateText(english), unitIndex, unitKind,
        [self, set](double v) {
          if (TRange* ch = Channel()) set(*ch, v);
          if (self) self->RefreshValues();
        },
        [get]() -> double {
          const TRange* ch = Channel();
          return ch != nullptr ? get(*ch) : 0.0;
        });
    RefreshValues();
  });
}

void TPortExtensionFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnPortExtension, *pnPortExtensionValue, GetButtonGridRect(2, w, 1, 1, 0));
  PlaceCaptionPanels(*pnExtension, *pnExtensionValue, GetButtonGridRect(3, w, 1, 1, 0));
  PlaceCaptionPanels(*pnLoss1On, *pnLoss1OnValue, GetButtonGridRect(4, w, 1, 2, 0));
  PlaceCaptionPanels(*pnLoss2On, *pnLoss2OnValue, GetButtonGridRect(4, w, 2, 2, 0));
  PlaceCaptionPanels(*pnLoss1, *pnLoss1Value, GetButtonGridRect(5, w, 1, 2, 0));
  PlaceCaptionPanels(*pnLoss2, *pnLoss2Value, GetButtonGridRect(5, w, 2, 2, 0));
  PlaceCaptionPanels(*pnFreq1, *pnFreq1Value, GetButtonGridRect(6, w, 1, 2, 0));
  PlaceCaptionPanels(*pnFreq2, *pnFreq2Value, GetButtonGridRect(6, w, 2, 2, 0));
  PlaceCaptionPanels(*pnLossAtDC, *pnLossAtDCValue, GetButtonGridRect(7, w, 1, 1, 0));
  btAutoExtension->SetBoundsRect(GetButtonGridRect(8, w, 1, 1, 0));
  btOk->SetBoundsRect(GetButtonGridRect(9, w, 1, 1, 0));
}

void TPortExtensionFrm::RefreshValues() {
  const TRange* ch = Channel();
  if (ch == nullptr) return;
  SetValueText(*pnPortExtensionValue, OnOffWord(ch->PortExtensionsEnabled));
  SetValueText(*pnExtensionValue, FormatKindValue(ch->GetPortExtension(0), ukTime));
  SetValueText(*pnLoss1OnValue, OnOffWord(ch->GetExtLoss1Enabled()));
  SetValueText(*pnLoss2OnValue, OnOffWord(ch->GetExtLoss2Enabled()));
  SetValueText(*pnLoss1Value, FormatKindValue(ch->GetExtLoss1(), ukDecibel));
  SetValueText(*pnLoss2Value, FormatKindValue(ch->GetExtLoss2(), ukDecibel));
  SetValueText(*pnFreq1Value, FormatKindValue(ch->GetExtFreq1() * 1e6, ukFrequency));
  SetValueText(*pnFreq2Value, FormatKindValue(ch->GetExtFreq2() * 1e6, ukFrequency));
  SetValueText(*pnLossAtDCValue, FormatKindValue(ch->GetExtLossAtDC(), ukDecibel));
}
