#pragma once
// The opening functions of the pick lists: one per list. Run...: shown modally on the owner
// (a dialog or the main window), giving the modal result (ui::mrOk when a row was applied).
// Show...: shown without a modal loop on the main window, releasing itself when it closes;
// they give the list, or nullptr when the program has no main window.
//
// Lists that apply their value themselves do so on Ok; lists that take an `int&` write the
// chosen row's value there on Ok only, and the caller applies it.
#include <functional>

namespace ui {
class Form;
}
class TPickListFrm;

// Channel, instrument and file lists.
int RunPointsList(ui::Form& owner);
TPickListFrm* ShowPointsList();
int RunIFBWList(ui::Form& owner);
TPickListFrm* ShowIFBWList();
int RunSweepTypeList(ui::Form& owner);
int RunPowerModeList(ui::Form& owner);
int RunTriggerList(ui::Form& owner);
int RunTriggerSourceList(ui::Form& owner);
int RunClockSourceList(ui::Form& owner);
int RunMeasModeList(ui::Form& owner);
TPickListFrm* ShowMeasModeList();
int RunPowerMeterList(ui::Form& owner, int& model);
int RunSaveTypeList(ui::Form& owner);
int RunPrintColorList(ui::Form& owner);
int RunTouchStoneList(ui::Form& owner);
int RunLoadTouchstoneTo(ui::Form& owner);
int RunCalKitList(ui::Form& owner);
int RunStateList(ui::Form& owner, int& state);
int RunCharTypeList(ui::Form& owner, int& characterization);
int RunOrientList(ui::Form& owner, int& orientation);

// Trace, marker and analysis lists.
int RunMeasureList(ui::Form& owner);
TPickListFrm* ShowMeasureList();
int RunDataMathList(ui::Form& owner);
int RunConversionList(ui::Form& owner);
int RunMarkerNumList(ui::Form& owner, std::function<void(double)> setter, std::function<double()> getter);
int RunPeakPolarityList(ui::Form& owner);
int RunTargetTransitionList(ui::Form& owner);
int RunAllignList(ui::Form& owner);
int RunLimitList(ui::Form& owner, int& limitType);
int RunRippleList(ui::Form& owner, int& rippleType);
int RunMethodList(ui::Form& owner, int& method);
int RunGatingTypeList(ui::Form& owner, int& gatingType);
int RunGatingShapeList(ui::Form& owner, int& gatingShape);
int RunDTFWindowList(ui::Form& owner);
int RunMetricList(ui::Form& owner);

// Registers every self-applying list in the main window's factory under its class name.
void RegisterPickLists();
