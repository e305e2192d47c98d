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

// What a row does when pressed, and what its value shows.
enum class TRowKind {
  Switch,  // Get/Set: a flag of the marker list, shown on or off
  Marker,  // Field/SetField: a marker number, chosen from the marker-number list
  Choice,  // Field/SetField: 0 and 1 alternate, shown by their word; another number shows nothing
  Level,   // the bandwidth level, typed on the keypad
};

struct TMathRow {
  int Group;  // 0..3: pn1..pn4
  const char* Name;
  const char* English;
  ui::Panel* TMarkerMathFrm::*Caption;
  ui::Panel* TMarkerMathFrm::*Value;
  TRowKind Kind;
  bool (*Get)(const TMarkerList&) = nullptr;
  void (*Set)(TMarkerList&, bool) = nullptr;
  int TMarkerList::*Field = nullptr;
  void (TMarkerList::*SetField)(int) = nullptr;
  const char* Words[2] = {};
  const char* ValueName = nullptr;  // else Name + "Value"
};

using F = TMarkerMathFrm;
using L = TMarkerList;

// The rows in the order they stand, group by group.
const TMathRow kRows[] = {
    {.Group = 0, .Name = "pnStatistics", .English = TranslationKey("Statistics"), .Caption = &F::pnStatistics,
     .Value = &F::pnStatisticValue, .Kind = TRowKind::Switch,
     .Get = [](const L& l) { return l.Statistics; }, .Set = [](L& l, bool on) { l.SetStatistics(on); },
     .ValueName = "pnStatisticValue"},
    {.Group = 0, .Name = "pnStatisticRange", .English = TranslationKey("Statistic Range"),
     .Caption = &F::pnStatisticRange, .Value = &F::pnStatisticRangeValue, .Kind = TRowKind::Switch,
     .Get = [](const L& l) { return l.StatRange; }, .Set = [](L& l, bool on) { l.SetStatRange(on); }},
    {.Group = 0, .Name = "pnStatisticStart", .English = TranslationKey("Statistic Start"),
     .Caption = &F::pnStatisticStart, .Value = &F::pnStatisticStartValue, .Kind = TRowKind::Marker,
     .Field = &L::StatStart, .SetField = &L::SetStatStart},
    {.Group = 0, .Name = "pnStatisticStop", .English = TranslationKey("Statistic Stop"),
     .Caption = &F::pnStatisticStop, .Value = &F::pnStatisticStopValue, .Kind = TRowKind::Marker,
     .Field = &L::StatStop, .SetField = &L::SetStatStop},

    {.Group = 1, .Name = "pnFlatness", .English = TranslationKey("Flatness"), .Caption = &F::pnFlatness,
     .Value = &F::pnFlatnessValue, .Kind = TRowKind::Switch,
     .Get = [](const L& l) { return l.Flatness; }, .Set = [](L& l, bool on) { l.SetFlatness(on); }},
    {.Group = 1, .Name = "pnFlatnessStart", .English = TranslationKey("Flatness Start"),
     .Caption = &F::pnFlatnessStart, .Value = &F::pnFlatnessStartValue, .Kind = TRowKind::Marker,
     .Field = &L::FlatnessStart, .SetField = &L::SetFlatnessStart},
    {.Group = 1, .Name = "pnFlatnessStop", .English = TranslationKey("Flatness Stop"),
     .Caption = &F::pnFlatnessStop, .Value = &F::pnFlatnessStopValue, .Kind = TRowKind::Marker,
     .Field = &L::FlatnessStop, .SetField = &L::SetFlatnessStop},

    {.Group = 2, .Name = "pnBandwidthSearch", .English = TranslationKey("Bandwidth Search"),
     .Caption = &F::pnBandwidthSearch, .Value = &F::pnBandwidthSearchValue, .Kind = TRowKind::Switch,
     .Get = [](const L& l) { return l.BandwidthSearch; },
     .Set = [](L& l, bool on) { l.SetBandwidthSearch(on); }},
    // Band-pass and notch alternate; so do the maximum and the active marker as the reference.
    {.Group = 2, .Name = "pnTypeSearch", .English = TranslationKey("Type Search"), .Caption = &F::pnTypeSearch,
     .Value = &F::pnTypeSearchValue, .Kind = TRowKind::Choice, .Field = &L::BandwidthType,
     .SetField = &L::SetBandwidthType, .Words = {TranslationKey("BandPass"), TranslationKey("Notch")}},
    {.Group = 2, .Name = "pnSearchRefTo", .English = TranslationKey("Search Ref To"), .Caption = &F::pnSearchRefTo,
     .Value = &F::pnSearchRefToValue, .Kind = TRowKind::Choice, .Field = &L::BandwidthRef,
     .SetField = &L::SetBandwidthRef, .Words = {TranslationKey("Maximum"), TranslationKey("Marker")}},
    {.Group = 2, .Name = "pnBandwidth", .English = TranslationKey("Bandwidth Value"), .Caption = &F::pnBandwidth,
     .Value = &F::pnBandwidthValue, .Kind = TRowKind::Level},

    // The switch reads as the readout holds: on only while both passband markers exist.
    {.Group = 3, .Name = "pnRFFiltesStats", .English = TranslationKey("RF Filter Stats"),
     .Caption = &F::pnRFFiltesStats, .Value = &F::pnRFFiltesStatsValue, .Kind = TRowKind::Switch,
     .Get = [](const L& l) { return l.IsPassbandValid(); }, .Set = [](L& l, bool on) { l.SetRFFilterStats(on); }},
    {.Group = 3, .Name = "pnPassbandStart", .English = TranslationKey("Passband Start"),
     .Caption = &F::pnPassbandStart, .Value = &F::pnPassbandStartValue, .Kind = TRowKind::Marker,
     .Field = &L::PassbandStart, .SetField = &L::SetPassbandStart},
    {.Group = 3, .Name = "pnPassbandStop", .English = TranslationKey("Passband Stop"),
     .Caption = &F::pnPassbandStop, .Value = &F::pnPassbandStopValue, .Kind = TRowKind::Marker,
     .Field = &L::PassbandStop, .SetField = &L::SetPassbandStop},
    {.Group = 3, .Name = "pnStopbandStart", .English = TranslationKey("Stopband Start"),
     .Caption = &F::pnStopbandStart, .Value = &F::pnStopbandStartValue, .Kind = TRowKind::Marker,
     .Field = &L::StopbandStart, .SetField = &L::SetStopbandStart},
    {.Group = 3, .Name = "pnStopbandStop", .English = TranslationKey("Stopband Stop"),
     .Caption = &F::pnStopbandStop, .Value = &F::pnStopbandStopValue, .Kind = TRowKind::Marker,
     .Field = &L::StopbandStop, .SetField = &L::SetStopbandStop},
};

}  // namespace

std::string TMarkerMathFrm::MarkerText(int tag) {
  if (tag >= 15) return TranslateText(TranslationKey("Reference Marker"));
  return TranslateText(TranslationKey("Marker")) + " " + std::to_string(tag + 1);
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

  ui::Panel* const groups[] = {pn1, pn2, pn3, pn4};
  rows_.resize(std::size(groups));
  for (const TMathRow& spec : kRows) {
    const std::string valueName = spec.ValueName != nullptr ? spec.ValueName : std::string(spec.Name) + "Value";
    const TRowPair row{MakeCaptionPanel(spec.Name, spec.English), MakeValuePanel(valueName)};
    row.Caption->setParent(groups[spec.Group]);
    row.Value->setParent(groups[spec.Group]);
    rows_[spec.Group].push_back(row);
    this->*spec.Caption = row.Caption;
    this->*spec.Value = row.Value;
    switch (spec.Kind) {
      case TRowKind::Switch: BindListSwitch(row, spec.Get, spec.Set); break;
      case TRowKind::Marker: BindMarkerRow(row, spec.Field, spec.SetField); break;
      case TRowKind::Choice:
        BindListSwitch(row, [field = spec.Field](const TMarkerList& l) { return l.*field != 0; },
                       [set = spec.SetField](TMarkerList& l, bool on) { (l.*set)(on ? 1 : 0); });
        break;
      case TRowKind::Level: BindRow(*row.Caption, *row.Value, [this] { BandwidthClick(); }); break;
    }
  }

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
  for (const TMathRow& spec : kRows) {
    ui::Panel& value = *(this->*spec.Value);
    switch (spec.Kind) {
      case TRowKind::Switch: SetValueText(value, MarkerOnOffText(spec.Get(*l))); break;
      case TRowKind::Marker: SetValueText(value, MarkerText(l->*spec.Field)); break;
      case TRowKind::Choice: {
        // A number without a name shows nothing at all, not even the blank.
        const int choice = l->*spec.Field;
        if (choice == 0 || choice == 1) {
          SetValueText(value, TranslateText(spec.Words[choice]));
        } else {
          value.SetCaption({});
        }
        break;
      }
      case TRowKind::Level: {
        const TMeasurement* trace = l->GetMeasurement();
        SetValueText(value, FormatNumberWithUnit(ViewProperties->ArgumentDigits,
                                                 trace != nullptr ? trace->GetResponseUnitText() : std::string(),
                                                 l->BandwidthValue));
        break;
      }
    }
  }
}
