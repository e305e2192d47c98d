#pragma once
// The peak searches of the active marker: its peak excursion (keypad) and polarity (list), and
// the buttons "Search Peak", "Max Peak", "Peak Left" and "Peak Right". The marker is looked up
// at every refresh and press; without one the values read one blank and nothing acts.
#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TSearchPeakFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TSearchPeakFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnPeakExcursion = nullptr;
  ui::Panel* pnPeakExcursionValue = nullptr;
  ui::Panel* pnPeakPolarity = nullptr;
  ui::Panel* pnPeakPolarityValue = nullptr;
  TLbButton* btSearchPeak = nullptr;
  TLbButton* btMaxPeak = nullptr;
  TLbButton* btPeakLeft = nullptr;
  TLbButton* btPeakRight = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void ExcursionClick();
  void PolarityClick();
};

// The text of a polarity or transition code: "Positive", "Negative", "Both", else empty.
std::string PolarityWord(int code);
