#pragma once
// The windows the charts open, for the main window: the keypad and the keyboard of the touch
// widgets, the pick lists and the segment table editor through the main window's dialog
// factory. The main window installs one in TDrawingPlane::Popups while it runs.
#include "display/ChartPopups.h"

class TMainFrm;

class TMainChartPopups : public TChartPopups {
 public:
  explicit TMainChartPopups(TMainFrm& main) : main_(main) {}

  void OpenKeypad(const std::string& title, int unitIndex, int unitKind, TSetter setter, TGetter getter) override;
  bool EditText(std::string& text) override;
  void OpenPickList(TPickList list) override;
  void RunSegmentEditor() override;

  // The factory class name of a pick list.
  static const char* PickListClass(TPickList list);

 private:
  TMainFrm& main_;
};
