#pragma once
// The pick lists, one class each: the frame with the member's descriptor (title, rows, visible
// rows, current value, the way its choice is applied, how it closes). The form's object name is
// the class name without its leading "T" ("MeasureListFrm").
//
// Members that write a caller's integer take its address; it selects the row when the list is
// made and receives the chosen row's value on Ok only. The marker-number list takes a setter and
// a getter instead: the getter is read once when the list is made, the setter called once on Ok.
#include <functional>

#include "dialogs/PickListFrm.h"

class TPointsListFrm : public TPickListFrm {
 public:
  explicit TPointsListFrm(QWidget* owner);
};

class TIFBWListFrm : public TPickListFrm {
 public:
  explicit TIFBWListFrm(QWidget* owner);
};

class TSweepTypeListFrm : public TPickListFrm {
 public:
  explicit TSweepTypeListFrm(QWidget* owner);
};

class TPowerModeListFrm : public TPickListFrm {
 public:
  explicit TPowerModeListFrm(QWidget* owner);
};

class TTriggerListFrm : public TPickListFrm {
 public:
  explicit TTriggerListFrm(QWidget* owner);
};

class TTriggerSourceListFrm : public TPickListFrm {
 public:
  explicit TTriggerSourceListFrm(QWidget* owner);
};

class TClockSourceListFrm : public TPickListFrm {
 public:
  explicit TClockSourceListFrm(QWidget* owner);
};

class TMeasModeListFrm : public TPickListFrm {
 public:
  explicit TMeasModeListFrm(QWidget* owner);
};

class TPowerMeterListFrm : public TPickListFrm {
 public:
  TPowerMeterListFrm(QWidget* owner, int* model);
};

class TSaveTypeListFrm : public TPickListFrm {
 public:
  explicit TSaveTypeListFrm(QWidget* owner);
};

class TPrintColorListFrm : public TPickListFrm {
 public:
  explicit TPrintColorListFrm(QWidget* owner);
};

class TTouchStoneListFrm : public TPickListFrm {
 public:
  explicit TTouchStoneListFrm(QWidget* owner);
};

class TLoadTouchstoneToFrm : public TPickListFrm {
 public:
  explicit TLoadTouchstoneToFrm(QWidget* owner);
};

class TCalKitListFrm : public TPickListFrm {
 public:
  explicit TCalKitListFrm(QWidget* owner);
};

class TStateListFrm : public TPickListFrm {
 public:
  TStateListFrm(QWidget* owner, int* state);
};

class TCharTypeFrm : public TPickListFrm {
 public:
  TCharTypeFrm(QWidget* owner, int* characterization);
};

class TOrientListFrm : public TPickListFrm {
 public:
  TOrientListFrm(QWidget* owner, int* orientation);
};

class TMeasureListFrm : public TPickListFrm {
 public:
  explicit TMeasureListFrm(QWidget* owner);
};

class TDataMathListFrm : public TPickListFrm {
 public:
  explicit TDataMathListFrm(QWidget* owner);
};

class TConversionListFrm : public TPickListFrm {
 public:
  explicit TConversionListFrm(QWidget* owner);
};

class TMarkerNumListFrm : public TPickListFrm {
 public:
  TMarkerNumListFrm(QWidget* owner, std::function<void(double)> setter, std::function<double()> getter);
};

class TPeakPolarityListFrm : public TPickListFrm {
 public:
  explicit TPeakPolarityListFrm(QWidget* owner);
};

class TTargetTransitionFrm : public TPickListFrm {
 public:
  explicit TTargetTransitionFrm(QWidget* owner);
};

class TAllignListFrm : public TPickListFrm {
 public:
  explicit TAllignListFrm(QWidget* owner);
};

class TLimitListFrm : public TPickListFrm {
 public:
  TLimitListFrm(QWidget* owner, int* limitType);
};

class TRippleListFrm : public TPickListFrm {
 public:
  TRippleListFrm(QWidget* owner, int* rippleType);
};

class TMethodListFrm : public TPickListFrm {
 public:
  TMethodListFrm(QWidget* owner, int* method);
};

class TGatingTypeFrm : public TPickListFrm {
 public:
  TGatingTypeFrm(QWidget* owner, int* gatingType);
};

class TGatingShapeFrm : public TPickListFrm {
 public:
  TGatingShapeFrm(QWidget* owner, int* gatingShape);
};

class TDTFWindowListFrm : public TPickListFrm {
 public:
  explicit TDTFWindowListFrm(QWidget* owner);
};

class TMetricListFrm : public TPickListFrm {
 public:
  explicit TMetricListFrm(QWidget* owner);
};

// The scanner module's distance unit, with every marker of every channel window (reference
// markers included) kept at its chart position, its argument in the new unit; the shown
// windows are redrawn.
void SetDistanceUnitsKeepingMarkers(int unit);
