#pragma once
// The automatic port extension: the user measures an open and/or a short at the end of the
// line to remove (one sweep each on a temporary channel with the active channel's settings and
// user calibration), chooses how the span is taken, and applies the fitted delay and losses to
// the active channel's port extension. Its settings live in the calibration module so that
// they survive between openings.
//
// Each measurement is kept as a copy owned by the dialog, never as a channel of the scanner:
// the temporary channel lives only as long as its run.
#include <memory>

#include "calibration/ui/StandardPresses.h"
#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TRange;
namespace ui {
class Panel;
}

class TAutoExtensionFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  static constexpr ui::TColor kMeasuredColor = kStandardMeasuredColor;
  static constexpr ui::TColor kNotMeasuredColor = kStandardNotMeasuredColor;

  explicit TAutoExtensionFrm(QWidget* owner);
  ~TAutoExtensionFrm() override;

  void ArrangeControls();
  void RefreshValues() override;

  // One sweep of the standard (Open: false, Short: true) into its copy; a run that does not end
  // normally leaves the standard unmeasured.
  void MeasureStandard(bool isShort);
  void MethodMouseDown();
  void btCancelMouseDown();
  void btApplyMouseDown();

  const TRange* GetOpenMeasurement() const { return OpenRange.get(); }
  const TRange* GetShortMeasurement() const { return ShortRange.get(); }

  ui::Panel* pnMethod = nullptr;
  ui::Panel* pnMethodValue = nullptr;
  ui::Panel* pnFreq1 = nullptr;
  ui::Panel* pnFreq1Value = nullptr;
  ui::Panel* pnFreq2 = nullptr;
  ui::Panel* pnFreq2Value = nullptr;
  ui::Panel* pnIncludeLoss = nullptr;
  ui::Panel* pnIncludeLossValue = nullptr;
  ui::Panel* pnAdjustMismatch = nullptr;
  ui::Panel* pnAdjustMismatchValue = nullptr;
  TLbButton* btOpen = nullptr;
  TLbButton* btShort = nullptr;
  ui::Panel* pnOpen = nullptr;
  ui::Panel* pnShort = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btApply = nullptr;

 private:
  bool MeasureEnabled() const;
  void DeleteMeasurements();

  std::unique_ptr<TRange> OpenRange;
  std::unique_ptr<TRange> ShortRange;
};
