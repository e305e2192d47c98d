#include "dialogs/FreqOffsetFrm.h"

#include <cmath>

#include "model/MeasureUnitTables.h"
#include "model/MeasureUnits.h"
#include "model/Range.h"
#include "model/Services.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TFreqOffsetFrm::TFreqOffsetFrm(QWidget* owner) : TTouchDialogFrm(owner, "Frequency Offset") {
  SetName("FreqOffsetFrm");
  SetKeyHandler(true);
  SetEscapeCloses(true);
  SetRefocusOwner(true);

  pnFOMState = MakeCaptionPanel("pnFOMState", "Enable FOM");
  pnFOMStateValue = MakeValuePanel("pnFOMStateValue");
  pnMultTx = MakeCaptionPanel("pnMultTx", "Multiplier (Tx)");
  pnMultTxValue = MakeValuePanel("pnMultTxValue");
  pnDivTx = MakeCaptionPanel("pnDivTx", "Divider (Tx)");
  pnDivTxValue = MakeValuePanel("pnDivTxValue");
  pnOffsetTx = MakeCaptionPanel("pnOffsetTx", "Offset (Tx)");
  pnOffsetTxValue = MakeValuePanel("pnOffsetTxValue");
  pnMultRx = MakeCaptionPanel("pnMultRx", "Multiplier (Rx)");
  pnMultRxValue = MakeValuePanel("pnMultRxValue");
  pnDivRx = MakeCaptionPanel("pnDivRx", "Divider (Rx)");
  pnDivRxValue = MakeValuePanel("pnDivRxValue");
  pnOffsetRx = MakeCaptionPanel("pnOffsetRx", "Offset (Rx)");
  pnOffsetRxValue = MakeValuePanel("pnOffsetRxValue");
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnFOMState, *pnFOMStateValue, [this] {
    if (TRange* channel = Channel()) channel->SetOffsetModeEnabled(!channel->FOMState);
    RefreshValues();
  });
  struct TNumberRow {
    ui::Panel* value;
    const char* caption;
    int port;
    int kind;  // 0 multiplier, 1 divider, 2 offset
  };
  const TNumberRow rows[] = {
      {pnMultTxValue, "Multiplier (Tx)", 0, 0}, {pnDivTxValue, "Divider (Tx)", 0, 1},
      {pnOffsetTxValue, "Offset (Tx)", 0, 2},   {pnMultRxValue, "Multiplier (Rx)", 1, 0},
      {pnDivRxValue, "Divider (Rx)", 1, 1},     {pnOffsetRxValue, "Offset (Rx)", 1, 2},
  };
  for (const TNumberRow& r : rows) {
    const int port = r.port;
    TSetter setter;
    TGetter getter;
    switch (r.kind) {
      case 0:
        setter = IntSetter([port](int x) {
          if (TRange* channel = Channel()) channel->SetOffsetMultiplier(port, x);
        });
        getter = [port] {
          TRange* channel = Channel();
          return channel != nullptr ? static_cast<double>(channel->GetOffsetMultiplier(port)) : 0.0;
        };
        break;
      case 1:
        setter = IntSetter([port](int x) {
          if (TRange* channel = Channel()) channel->SetOffsetDivider(port, x);
        });
        getter = [port] {
          TRange* channel = Channel();
          return channel != nullptr ? static_cast<double>(channel->GetOffsetDivider(port)) : 0.0;
        };
        break;
      default:
        setter = [this, port](double x) {
          if (!std::isfinite(x)) return;
          if (TRange* channel = Channel()) channel->SetOffsetValue(port, x);
          RefreshValues();
        };
        getter = [port] {
          TRange* channel = Channel();
          return channel != nullptr ? channel->GetOffsetValue(port) : 0.0;
        };
        break;
    }
    BindNumber(*r.value, r.caption, std::move(setter), std::move(getter));
  }
  BindButton(*btOk, [this] { OkAction(); });

  // Layout first: the values are written into panels of their final size.
  ArrangeControls();
  RefreshValues();
}

TRange* TFreqOffsetFrm::Channel() { return MainFrm != nullptr ? MainFrm->GetActiveChannel() : nullptr; }

void TFreqOffsetFrm::BindNumber(ui::Panel& value, const std::string& caption, TSetter setter, TGetter getter) {
  value.OnMouseDown = [this, caption, setter = std::move(setter), getter = std::move(getter)](
                          ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    if (Channel() == nullptr) return;
    OpenKeypad(TranslateText(caption), 0, ukNone, setter, getter);
  };
}

std::string TFreqOffsetFrm::OffsetText(double megahertz) const {
  if (MainFrm == nullptr || !MainFrm->UnitTables) return {};
  double value = megahertz * 1e6;
  unsigned unit = 0;
  return FormatWithUnit(value, unit, MainFrm->UnitTables->OfKind(ukFrequency));
}

void TFreqOffsetFrm::RefreshValues() {
  TRange* channel = Channel();
  if (channel == nullptr) {
    for (ui::Panel* p : {pnFOMStateValue, pnMultTxValue, pnDivTxValue, pnOffsetTxValue, pnMultRxValue, pnDivRxValue,
                         pnOffsetRxValue}) {
      p->SetCaption(std::string());
    }
    return;
  }
  SetValueText(*pnFOMStateValue, TranslateText(channel->FOMState ? "ON" : "OFF"));
  SetValueText(*pnMultTxValue, std::to_string(channel->GetOffsetMultiplier(0)));
  SetValueText(*pnDivTxValue, std::to_string(channel->GetOffsetDivider(0)));
  SetValueText(*pnOffsetTxValue, OffsetText(channel->GetOffsetValue(0)));
  SetValueText(*pnMultRxValue, std::to_string(channel->GetOffsetMultiplier(1)));
  SetValueText(*pnDivRxValue, std::to_string(channel->GetOffsetDivider(1)));
  SetValueText(*pnOffsetRxValue, OffsetText(channel->GetOffsetValue(1)));
}

void TFreqOffsetFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  int row = 2;
  for (auto [caption, value] : {std::pair{pnFOMState, pnFOMStateValue}, std::pair{pnMultTx, pnMultTxValue},
                                std::pair{pnDivTx, pnDivTxValue}, std::pair{pnOffsetTx, pnOffsetTxValue},
                                std::pair{pnMultRx, pnMultRxValue}, std::pair{pnDivRx, pnDivRxValue},
                                std::pair{pnOffsetRx, pnOffsetRxValue}}) {
    PlaceCaptionPanels(*caption, *value, RowRect(row++, w));
  }
  btOk->SetBoundsRect(RowRect(9, w));
}
