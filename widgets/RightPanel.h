#pragma once
// The soft-key column at the main window's right edge: eight keys, icons at their left end
// (towards the charts). Dragging to the left expands it, to the right collapses it.
//
// Key kRunStandby reads "Run" while the instrument is in standby and "Standby" otherwise,
// checked at every paint. Key kService shows (and can be hit) only when the program runs with
// the service or the factory switch.
#include <functional>

#include "widgets/SoftKeyPanel.h"

class TRightPanel : public TSoftKeyPanel {
  Q_OBJECT

 public:
  // The keys in display order; OnItemClick reports these indices.
  enum TKey : int {
    kStimulus = 0,
    kScale = 1,
    kChannels = 2,
    kTrace = 3,
    kDtfSettings = 4,
    kSystem = 5,
    kRunStandby = 6,
    kService = 7,
  };
  static constexpr int kKeyCount = 8;

  // parent: the bar the column fills (nullptr: sized by the caller).
  explicit TRightPanel(QWidget* parent = nullptr);

  // 8 with the service or factory switch, else 7.
  int KeyLimit() const override;

  // Whether the instrument is in standby; when not set, the scanner of the global
  // ScannerModule is asked, and without one the instrument counts as in standby.
  std::function<bool()> StandbyQuery;

 protected:
  void UpdateCaptions() override;
};
