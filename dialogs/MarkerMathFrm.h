#pragma once
// The analysis readouts of the active trace's markers in four groups stacked in one place:
// statistics, flatness, bandwidth search and RF filter statistics, each chosen by its group
// button. Switch rows toggle, the bandwidth level opens the keypad and the marker rows the
// marker-number list; the marker list is looked up when each of them acts.
#include <functional>
#include <string>
#include <vector>

#include "dialogs/GroupSwitch.h"
#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TMarkerList;

class TMarkerMathFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TMarkerMathFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  // "Reference Marker" for tags from 15, else "Marker" and the tag + 1.
  static std::string MarkerText(int tag);

  TLbButton* bt1Statistic = nullptr;
  TLbButton* bt1Flatness = nullptr;
  TLbButton* bt1BandwidthSearch = nullptr;
  TLbButton* bt1RFFilterStats = nullptr;
  ui::Panel* pn1 = nullptr;
  ui::Panel* pn2 = nullptr;
  ui::Panel* pn3 = nullptr;
  ui::Panel* pn4 = nullptr;

  ui::Panel* pnStatistics = nullptr;
  ui::Panel* pnStatisticValue = nullptr;
  ui::Panel* pnStatisticRange = nullptr;
  ui::Panel* pnStatisticRangeValue = nullptr;
  ui::Panel* pnStatisticStart = nullptr;
  ui::Panel* pnStatisticStartValue = nullptr;
  ui::Panel* pnStatisticStop = nullptr;
  ui::Panel* pnStatisticStopValue = nullptr;

  ui::Panel* pnFlatness = nullptr;
  ui::Panel* pnFlatnessValue = nullptr;
  ui::Panel* pnFlatnessStart = nullptr;
  ui::Panel* pnFlatnessStartValue = nullptr;
  ui::Panel* pnFlatnessStop = nullptr;
  ui::Panel* pnFlatnessStopValue = nullptr;

  ui::Panel* pnBandwidthSearch = nullptr;
  ui::Panel* pnBandwidthSearchValue = nullptr;
  ui::Panel* pnTypeSearch = nullptr;
  ui::Panel* pnTypeSearchValue = nullptr;
  ui::Panel* pnSearchRefTo = nullptr;
  ui::Panel* pnSearchRefToValue = nullptr;
  ui::Panel* pnBandwidth = nullptr;
  ui::Panel* pnBandwidthValue = nullptr;

  ui::Panel* pnRFFiltesStats = nullptr;
  ui::Panel* pnRFFiltesStatsValue = nullptr;
  ui::Panel* pnPassbandStart = nullptr;
  ui::Panel* pnPassbandStartValue = nullptr;
  ui::Panel* pnPassbandStop = nullptr;
  ui::Panel* pnPassbandStopValue = nullptr;
  ui::Panel* pnStopbandStart = nullptr;
  ui::Panel* pnStopbandStartValue = nullptr;
  ui::Panel* pnStopbandStop = nullptr;
  ui::Panel* pnStopbandStopValue = nullptr;

  TLbButton* btOk = nullptr;
  TGroupSwitch Groups;

 private:
  struct TRowPair {
    ui::Panel* Caption;
    ui::Panel* Value;
  };
  // A switch of the marker list: set(list, !get(list)), then a refresh.
  void BindListSwitch(const TRowPair& row, std::function<bool(const TMarkerList&)> get,
                      std::function<void(TMarkerList&, bool)> set);
  // A marker row: the marker-number list over the visible dialog.
  void BindMarkerRow(const TRowPair& row, int TMarkerList::*field, void (TMarkerList::*set)(int));
  void BandwidthClick();
  std::vector<std::vector<TRowPair>> rows_;
};
