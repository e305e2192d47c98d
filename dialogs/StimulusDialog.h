#pragma once
// The Stimulus dialog: start and stop (or centre and span) frequency of the channel, the
// time-domain start and stop of its window, the points, the power level and the sweep type,
// and the button that opens the segment table editor.
//
// It keeps the channel window and the channel that were active when it was made: rows 1 to 4
// act on them, rows 5 and 6 show the kept channel, row 7 reads the active one at every
// refresh; the pick lists write the active channel when they apply.
#include "widgets/TouchDialogFrm.h"

class TRange;
class TRangeView;
class TLbButton;
namespace ui {
class Panel;
}

class TStimulusFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TStimulusFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  void pnMouseDown(ui::Control& sender);
  void pnExtMouseDown(ui::Control& sender);
  void btSegmentTableMouseDown();

  ui::Panel* pnStartFreq = nullptr;
  ui::Panel* pnStartFreqValue = nullptr;
  ui::Panel* pnStopFreq = nullptr;
  ui::Panel* pnStopFreqValue = nullptr;
  ui::Panel* pnMinDist = nullptr;
  ui::Panel* pnMinDistValue = nullptr;
  ui::Panel* pnMaxDist = nullptr;
  ui::Panel* pnMaxDistValue = nullptr;
  ui::Panel* pnPoints = nullptr;
  ui::Panel* pnPointsValue = nullptr;
  ui::Panel* pnPower = nullptr;
  ui::Panel* pnPowerValue = nullptr;
  ui::Panel* pnSweepType = nullptr;
  ui::Panel* pnSweepTypeValue = nullptr;
  TLbButton* btSegmentTable = nullptr;
  TLbButton* btOk = nullptr;

 private:
  // The kept window and channel while the main window is up, else null.
  TRangeView* View() const;
  TRange* Channel() const;
  // The distance unit's keypad unit kind and index.
  static void DistanceUnit(int& kind, int& index);

  TRangeView* view_ = nullptr;
  TRange* channel_ = nullptr;
};
