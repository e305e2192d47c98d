#include "dialogs/MarkerMathFrm.h"

#include <QPointer>
#include <cmath>

#include "dialogs/MarkerDialogs.h"
#include "dialogs/MarkerTargets.h"
#include "dialogs/PickLists.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

ui::Panel* MakeGroup(QWidget* parent, const std::string& name) {
  auto* p = new ui::Panel(parent);
  p->SetName(name);
  p->SetColor(TTouchForm::kFormColor);
  return p;
}

}  // namespace

std::string TMarkerMathFrm::MarkerText(int tag) {
  if (tag >= 15) return TranslateText(TranslationKey("Reference Marker"));
  return TranslateText(TranslationKey("Marker")) + " " + std::to_string(tag + 1);
}

TMarkerMathFrm::TRowPair TMarkerMathFrm::MakeRow(ui::Panel* group, const std::string& name, const char* english) {
  TRowPair row{MakeCaptionPanel(name, english), MakeValuePanel(name + "Value")};
  row.Caption->setParent(group);
  row.Value->setParent(group);
  rows_.back().push_back(row);
  return row;
}

TMarkerMathFrm::TMarkerMathFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Marker Math")) {
  SetName("MarkerMathFrm");
  SetKeyHandler(true);
  bt1Statistic = MakeButton(this, "bt1Statistic", TranslateText(TranslationKey("Statistics")));
  bt1Flatness = MakeButton(this, "bt1Flatness", TranslateText(TranslationKey("Flatness")));
  bt1BandwidthSearch = MakeButton(this, "bt1BandwidthSearch", TranslateText(TranslationKey("Bandwidth Search")));
  bt1RFFilterStats = MakeButton(this, "bt1RFFilterStats", TranslateText(TranslationKey("RF Filter Stats")));
  pn1 = MakeGroup(this, "pn1");
  pn2 = MakeGroup(this, "pn2");
  pn3 = MakeGroup(this, "pn3");
  pn4 = MakeGroup(this, "pn4");

  rows_.emplace_back();
  TRowPair r = MakeRow(pn1, "pnStatistics", TranslationKey("Statistics"));
  pnStatistics = r.Caption;
  pnStatisticValue = r.Value;
  pnStatisticValue->SetName("pnStatisticValue");
  BindListSwitch(r, [](const TMarkerList& l) { return l.Statistics; }, [](TMarkerList& l, bool on) { l.SetStatistics(on); });
  r = MakeRow(pn1, "pnStatisticRange", TranslationKey("Statistic Range"));
  pnStatisticRange = r.Caption;
  pnStatisticRangeValue = r.Value;
  BindListSwitch(r, [](const TMarkerList& l) { return l.StatRange; }, [](TMarkerList& l, bool on) { l.SetStatRange(on); });
  r = MakeRow(pn1, "pnStatisticStart", TranslationKey("Statistic Start"));
  pnStatisticStart = r.Caption;
  pnStatisticStartValue = r.Value;
  BindMarkerRow(r, &TMarkerList::StatStart, &TMarkerList::SetStatStart);
  r = MakeRow(pn1, "pnStatisticStop", TranslationKey("Statistic Stop"));
  pnStatisticStop = r.Caption;
  pnStatisticStopValue = r.Value;
  BindMarkerRow(r, &TMarkerList::StatStop, &TMarkerList::SetStatStop);

  rows_.emplace_back();
  r = MakeRow(pn2, "pnFlatness", TranslationKey("Flatness"));
  pnFlatness = r.Caption;
  pnFlatnessValue = r.Value;
  BindListSwitch(r, [](const TMarkerList& l) { return l.Flatness; }, [](TMarkerList& l, bool on) { l.SetFlatness(on); });
  r = MakeRow(pn2, "pnFlatnessStart", TranslationKey("Flatness Start"));
  pnFlatnessStart = r.Caption;
  pnFlatnessStartValue = r.Value;
  BindMarkerRow(r, &TMarkerList::FlatnessStart, &TMarkerList::SetFlatnessStart);
  r = MakeRow(pn2, "pnFlatnessStop", TranslationKey("Flatness Stop"));
  pnFlatnessStop = r.Caption;
  pnFlatnessStopValue = r.Value;
  BindMarkerRow(r, &TMarkerList::FlatnessStop, &TMarkerList::SetFlatnessStop);

  rows_.emplace_back();
  r = MakeRow(pn3, "pnBandwidthSearch", TranslationKey("Bandwidth Search"));
  pnBandwidthSearch = r.Caption;
  pnBandwidthSearchValue = r.Value;
  BindListSwitch(r, [](const TMarkerList& l) { return l.BandwidthSearch; },
                 [](TMarkerList& l, bool on) { l.SetBandwidthSearch(on); });
  r = MakeRow(pn3, "pnTypeSearch", TranslationKey("Type Search"));
  pnTypeSearch = r.Caption;
  pnTypeSearchValue = r.Value;
  // Band-pass and notch alternate; so do the maximum and the active marker as the reference.
  BindListSwitch(r, [](const TMarkerList& l) { return l.BandwidthType != 0; },
                 [](TMarkerList& l, bool on) { l.SetBandwidthType(on ? 1 : 0); });
  r = MakeRow(pn3, "pnSearchRefTo", TranslationKey("Search Ref To"));
  pnSearchRefTo = r.Caption;
  pnSearchRefToValue = r.Value;
  BindListSwitch(r, [](const TMarkerList& l) { return l.BandwidthRef != 0; },
                 [](TMarkerList& l, bool on) { l.SetBandwidthRef(on ? 1 : 0); });
  r = MakeRow(pn3, "pnBandwidth", TranslationKey("Bandwidth Value"));
  pnBandwidth = r.Caption;
  pnBandwidthValue = r.Value;
  BindRow(*r.Caption, *r.Value, [this] { BandwidthClick(); });

  rows_.emplace_back();
  r = MakeRow(pn4, "pnRFFiltesStats", TranslationKey("RF Filter Stats"));
  pnRFFiltesStats = r.Caption;
  pnRFFiltesStatsValue = r.Value;
  // The switch reads as the readout holds: on only while both passband markers exist.
  BindListSwitch(r, [](const TMarkerList& l) { return l.IsPassbandValid(); },
                 [](TMarkerList& l, bool on) { l.SetRFFilterStats(on); });
  r = MakeRow(pn4, "pnPassbandStart", TranslationKey("Passband Start"));
  pnPassbandStart = r.Caption;
  pnPassbandStartValue = r.Value;
  BindMarkerRow(r, &TMarkerList::PassbandStart, &TMarkerList::SetPassbandStart);
  r = MakeRow(pn4, "pnPassbandStop", TranslationKey("Passband Stop"));
  pnPassbandStop = r.Caption;
  pnPassbandStopValue = r.Value;
  BindMarkerRow(r, &TMarkerList::PassbandStop, &TMarkerList::SetPassbandStop);
  r = MakeRow(pn4, "pnStopbandStart", TranslationKey("Stopband Start"));
  pnStopbandStart = r.Caption;
  pnStopbandStartValue = r.Value;
  BindMarkerRow(r, &TMarkerList::StopbandStart, &TMarkerList::SetStopbandStart);
  r = MakeRow(pn4, "pnStopbandStop", TranslationKey("Stopband Stop"));
  pnStopbandStop = r.Caption;
  pnStopbandStopValue = r.Value;
  BindMarkerRow(r, &TMarkerList::StopbandStop, &TMarkerList::SetStopbandStop);

  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));
  BindButton(*btOk, [this] { OkAction(); });

  // Statistics show first at every opening.
  Groups.Add(*bt1Statistic, *pn1);
  Groups.Add(*bt1Flatness, *pn2);
  Groups.Add(*bt1BandwidthSearch, *pn3);
  Groups.Add(*bt1RFFilterStats, *pn4);
  Groups.Select(0);

  RefreshValues();
  ArrangeControls();
}

void TMarkerMathFrm::BindListSwitch(const TRowPair& row, std::function<bool(const TMarkerList&)> get,
                                    std::function<void(TMarkerList&, bool)> set) {
  BindRow(*row.Caption, *row.Value, [this, get = std::move(get), set = std::move(set)] {
    if (TMarkerList* l = ActiveMarkerList()) set(*l, !get(*l));
    RefreshValues();
  });
}

void TMarkerMathFrm::BindMarkerRow(const TRowPair& row, int TMarkerList::*field, void (TMarkerList::*set)(int)) {
  BindRow(*row.Caption, *row.Value, [this, field, set] {
    if (ActiveMarkerList() == nullptr) return;
    // The list of the moment the choice is applied: the trace may be gone by then.
    auto setter = [set](double x) {
      if (!std::isfinite(x)) return;
      if (TMarkerList* l = ActiveMarkerList()) (l->*set)(TruncSat(x));
    };
    auto getter = [field]() -> double {
      const TMarkerList* l = ActiveMarkerList();
      return l != nullptr ? l->*field : 0.0;
    };
    {
      struct TRaise {
        QPointer<TMarkerMathFrm> self;
        ~TRaise() {
          if (self) {
            self->BringToFront();
            self->Repaint();
          }
        }
      } raise{this};
      RunMarkerNumList(ListOwner(*this), setter, getter);
    }
    RefreshValues();
  });
}

void TMarkerMathFrm::BandwidthClick() {
  if (ActiveMarkerList() != nullptr) {
    QPointer<TMarkerMathFrm> self(this);
    OpenKeypad(
        TranslateText(TranslationKey("Bandwidth Value")), 0, ukNone,
        [self](double x) {
          if (TMarkerList* l = ActiveMarkerList()) l->SetBandwidthValue(x);
          if (self) self->RefreshValues();
        },
        [] {
          const TMarkerList* l = ActiveMarkerList();
          return l != nullptr ? l->BandwidthValue : 0.0;
        });
  }
  RefreshValues();
}

void TMarkerMathFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  const int m = Margin();
  const int f = FieldHeight();
  bt1Statistic->SetBoundsRect(CellRect(2, w, 1, 2));
  bt1BandwidthSearch->SetBoundsRect(CellRect(2, w, 2, 2));
  bt1Flatness->SetBoundsRect(CellRect(3, w, 1, 2));
  bt1RFFilterStats->SetBoundsRect(CellRect(3, w, 2, 2));
  // The groups fill the place from under the group buttons to the top of the Ok row.
  const ui::Rect area(1, RowRect(3, w).Bottom, w - 1, RowRect(9, w).Top);
  ui::Panel* const groups[] = {pn1, pn2, pn3, pn4};
  for (size_t g = 0; g < std::size(groups); ++g) {
    groups[g]->SetBoundsRect(area);
    for (size_t k = 0; k < rows_[g].size(); ++k) {
      const int top = m + static_cast<int>(k) * (f + m);
      PlaceCaptionPanels(*rows_[g][k].Caption, *rows_[g][k].Value, ui::Rect(m - 1, top, w - m - 1, top + f));
    }
  }
  btOk->SetBoundsRect(RowRect(9, w));
}

void TMarkerMathFrm::RefreshValues() {
  const TMarkerList* l = ActiveMarkerList();
  if (l == nullptr) {
    for (const auto& group : rows_)
      for (const TRowPair& row : group) SetValueText(*row.Value, {});
    return;
  }
  SetValueText(*pnStatisticValue, MarkerOnOffText(l->Statistics));
  SetValueText(*pnStatisticRangeValue, MarkerOnOffText(l->StatRange));
  SetValueText(*pnStatisticStartValue, MarkerText(l->StatStart));
  SetValueText(*pnStatisticStopValue, MarkerText(l->StatStop));
  SetValueText(*pnFlatnessValue, MarkerOnOffText(l->Flatness));
  SetValueText(*pnFlatnessStartValue, MarkerText(l->FlatnessStart));
  SetValueText(*pnFlatnessStopValue, MarkerText(l->FlatnessStop));
  SetValueText(*pnBandwidthSearchValue, MarkerOnOffText(l->BandwidthSearch));
  // A type or reference without a name shows nothing at all, not even the blank.
  switch (l->BandwidthType) {
    case 0: SetValueText(*pnTypeSearchValue, TranslateText(TranslationKey("BandPass"))); break;
    case 1: SetValueText(*pnTypeSearchValue, TranslateText(TranslationKey("Notch"))); break;
    default: pnTypeSearchValue->SetCaption({}); break;
  }
  switch (l->BandwidthRef) {
    case 0: SetValueText(*pnSearchRefToValue, TranslateText(TranslationKey("Maximum"))); break;
    case 1: SetValueText(*pnSearchRefToValue, TranslateText(TranslationKey("Marker"))); break;
    default: pnSearchRefToValue->SetCaption({}); break;
  }
  const TMeasurement* trace = l->GetMeasurement();
  SetValueText(*pnBandwidthValue, FormatNumberWithUnit(ViewProperties->ArgumentDigits,
                                                       trace != nullptr ? trace->GetResponseUnitText() : std::string(),
                                                       l->BandwidthValue));
  SetValueText(*pnRFFiltesStatsValue, MarkerOnOffText(l->IsPassbandValid()));
  SetValueText(*pnPassbandStartValue, MarkerText(l->PassbandStart));
  SetValueText(*pnPassbandStopValue, MarkerText(l->PassbandStop));
  SetValueText(*pnStopbandStartValue, MarkerText(l->StopbandStart));
  SetValueText(*pnStopbandStopValue, MarkerText(l->StopbandStop));
}
