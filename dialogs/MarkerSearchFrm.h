#pragma once
// The search settings of the active marker (search type, tracking, search range with its start
// and stop) with the maximum and minimum searches, and the way to the peak and target
// searches. The marker is looked up at every refresh and press; without one the values read
// one blank and nothing acts.
#include <string>

#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TMarkerSearchFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TMarkerSearchFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  // The name of a search code 0..8; empty for any other.
  static std::string SearchTypeText(int code);

  ui::Panel* pnSearchType = nullptr;
  ui::Panel* pnSearchTypeValue = nullptr;
  ui::Panel* pnTracking = nullptr;
  ui::Panel* pnTrackingValue = nullptr;
  ui::Panel* pnSearchRange = nullptr;
  ui::Panel* pnSearchRangeValue = nullptr;
  ui::Panel* pnSearchStart = nullptr;
  ui::Panel* pnSearchStartValue = nullptr;
  ui::Panel* pnSearchStop = nullptr;
  ui::Panel* pnSearchStopValue = nullptr;
  TLbButton* btSearchMax = nullptr;
  TLbButton* btSearchMin = nullptr;
  TLbButton* btSearchReak = nullptr;
  TLbButton* btSearchTarget = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void RangeEndClick(bool start);
  void SearchClick(int code);
};
