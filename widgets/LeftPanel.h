#pragma once
// The soft-key column at the main window's left edge: seven keys, icons at their right end
// (towards the charts). Dragging to the right expands it, to the left collapses it.
#include "widgets/SoftKeyPanel.h"

class TLeftPanel : public TSoftKeyPanel {
  Q_OBJECT

 public:
  // The keys in display order; OnItemClick reports these indices.
  enum TKey : int {
    kMeasurement = 0,
    kCalibration = 1,
    kAverage = 2,
    kMarker = 3,
    kAnalysis = 4,
    kFiles = 5,
    kPrint = 6,
  };
  static constexpr int kKeyCount = 7;

  // parent: the bar the column fills (nullptr: sized by the caller).
  explicit TLeftPanel(QWidget* parent = nullptr);
};
