#include "dialogs/DisplayDialog.h"

#include <QPointer>
#include <cmath>

#include "dialogs/ChannelDialogs.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TDisplayFrm::TDisplayFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Display")) {
  SetName("DisplayFrm");
  SetKeyHandler(true);
  if (TMainFrm* main = LiveMainFrm()) view_ = main->GetActiveView();
  pnFontSize = MakeCaptionPanel("pnFontSize", TranslationKey("Font Size"));
  pnFontSizeValue = MakeValuePanel("pnFontSizeValue");
  pnLineWidth = MakeCaptionPanel("pnLineWidth", TranslationKey("Line Width"));
  pnLineWidthValue = MakeValuePanel("pnLineWidthValue");
  pnCaption = MakeCaptionPanel("pnCaption", TranslationKey("Caption"));
  pnCaptionValue = MakeValuePanel("pnCaptionValue");
  pnFullScreen = MakeCaptionPanel("pnFullScreen", TranslationKey("Full Screen"));
  pnFullScreenValue = MakeValuePanel("pnFullScreenValue");
  pnInverseColor = MakeCaptionPanel("pnInverseColor", TranslationKey("Inverse Color"));
  pnInverseColorValue = MakeValuePanel("pnInverseColorValue");
  btPreset = MakeButton(this, "btPreset", TranslateText("Preset"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnFontSize, *pnFontSizeValue, [this] { pnValueMouseDown(*pnFontSize); });
  BindRow(*pnLineWidth, *pnLineWidthValue, [this] { pnValueMouseDown(*pnLineWidth); });
  BindSwitchRow(
      *pnCaption, *pnCaptionValue,
      [this] {
        const TRangeView* v = View();
        return v != nullptr && v->GetShowCaption();
      },
      [this](bool on) {
        if (TRangeView* v = View()) v->SetShowCaption(on);
      });
  BindSwitchRow(
      *pnFullScreen, *pnFullScreenValue, [] { return ViewProperties != nullptr && ViewProperties->FullScreen; },
      [](bool on) {
        if (ViewProperties != nullptr && LiveMainFrm() != nullptr) ViewProperties->SetFullScreen(on);
      });
  BindSwitchRow(
      *pnInverseColor, *pnInverseColorValue,
      [] { return ViewProperties != nullptr && ViewProperties->InverseColor; },
      [](bool on) {
        if (ViewProperties != nullptr && LiveMainFrm() != nullptr) ViewProperties->SetInverseColor(on);
      });
  BindButton(*btPreset, [this] { btPresetMouseDown(); });
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });

  RefreshValues();
  ArrangeControls();
}

TRangeView* TDisplayFrm::View() const { return LiveMainFrm() != nullptr ? view_ : nullptr; }

void TDisplayFrm::ArrangeControls() {
  ArrangeFrame(7);
  const int w = Width();
  PlaceCaptionPanels(*pnFontSize, *pnFontSizeValue, RowRect(2, w));
  PlaceCaptionPanels(*pnLineWidth, *pnLineWidthValue, RowRect(3, w));
  PlaceCaptionPanels(*pnCaption, *pnCaptionValue, RowRect(4, w));
  PlaceCaptionPanels(*pnFullScreen, *pnFullScreenValue, RowRect(5, w));
  PlaceCaptionPanels(*pnInverseColor, *pnInverseColorValue, RowRect(6, w));
  btPreset->SetBoundsRect(CellRect(7, w, 1, 2));
  btOk->SetBoundsRect(CellRect(7, w, 2, 2));
}

void TDisplayFrm::RefreshValues() {
  if (ViewProperties == nullptr) return;
  SetValueText(*pnFontSizeValue, IntToText(ViewProperties->GetFontSize()));
  SetValueText(*pnLineWidthValue, FloatToText(ViewProperties->GetDataWidth()));
  if (const TRangeView* v = View()) SetValueText(*pnCaptionValue, OnOffWord(v->GetShowCaption()));
  SetValueText(*pnFullScreenValue, OnOffWord(ViewProperties->FullScreen));
  SetValueText(*pnInverseColorValue, OnOffWord(ViewProperties->InverseColor));
}

void TDisplayFrm::SetFontSizeValue(double value) {
  if (!std::isfinite(value) || ViewProperties == nullptr || LiveMainFrm() == nullptr) return;
  const int n = TruncSat(value);
  if (n == ViewProperties->GetFontSize()) return;
  ViewProperties->SetFontSize(n);
  ViewProperties->SetButtonFontSize(n);
  ArrangeControls();
  RefreshValues();
}

void TDisplayFrm::pnValueMouseDown(ui::Control& sender) {
  QPointer<TDisplayFrm> self(this);
  if (&sender == pnFontSize) {
    OpenKeypad(
        TranslateText("Font Size"), 0, ukNone,
        [self](double v) {
          if (self) self->SetFontSizeValue(v);
        },
        [] { return ViewProperties != nullptr ? static_cast<double>(ViewProperties->GetFontSize()) : 0.0; });
  } else if (&sender == pnLineWidth) {
    OpenKeypad(
        " " + TranslateText("Line Width"), 0, ukNone, IntSetter([](int n) {
          if (ViewProperties != nullptr && LiveMainFrm() != nullptr) ViewProperties->SetDataWidth(n);
        }),
        [] { return ViewProperties != nullptr ? ViewProperties->GetDataWidth() : 0.0; });
  }
}

void TDisplayFrm::btPresetMouseDown() {
  TMainFrm* main = LiveMainFrm();
  if (main == nullptr || ViewProperties == nullptr) return;
  ViewProperties->SetDefaults();
  main->SetClientSize(800, 600);
  RefreshValues();
  ArrangeControls();
}
