// Placeholder bodies until the pick lists exist: every list is cancelled at once.
#include "dialogs/PickLists.h"

#include "platform/ui/Form.h"

int RunPointsList(ui::Form&) { return ui::mrCancel; }
TPickListFrm* ShowPointsList() { return nullptr; }
int RunIFBWList(ui::Form&) { return ui::mrCancel; }
TPickListFrm* ShowIFBWList() { return nullptr; }
int RunSweepTypeList(ui::Form&) { return ui::mrCancel; }
int RunPowerModeList(ui::Form&) { return ui::mrCancel; }
int RunTriggerList(ui::Form&) { return ui::mrCancel; }
int RunTriggerSourceList(ui::Form&) { return ui::mrCancel; }
int RunClockSourceList(ui::Form&) { return ui::mrCancel; }
int RunMeasModeList(ui::Form&) { return ui::mrCancel; }
TPickListFrm* ShowMeasModeList() { return nullptr; }
int RunPowerMeterList(ui::Form&, int&) { return ui::mrCancel; }
int RunSaveTypeList(ui::Form&) { return ui::mrCancel; }
int RunPrintColorList(ui::Form&) { return ui::mrCancel; }
int RunTouchStoneList(ui::Form&) { return ui::mrCancel; }
int RunLoadTouchstoneTo(ui::Form&) { return ui::mrCancel; }
int RunCalKitList(ui::Form&) { return ui::mrCancel; }
int RunStateList(ui::Form&, int&) { return ui::mrCancel; }
int RunCharTypeList(ui::Form&, int&) { return ui::mrCancel; }
int RunOrientList(ui::Form&, int&) { return ui::mrCancel; }
int RunMeasureList(ui::Form&) { return ui::mrCancel; }
TPickListFrm* ShowMeasureList() { return nullptr; }
int RunDataMathList(ui::Form&) { return ui::mrCancel; }
int RunConversionList(ui::Form&) { return ui::mrCancel; }
int RunMarkerNumList(ui::Form&, std::function<void(double)>, std::function<double()>) { return ui::mrCancel; }
int RunPeakPolarityList(ui::Form&) { return ui::mrCancel; }
int RunTargetTransitionList(ui::Form&) { return ui::mrCancel; }
int RunAllignList(ui::Form&) { return ui::mrCancel; }
int RunLimitList(ui::Form&, int&) { return ui::mrCancel; }
int RunRippleList(ui::Form&, int&) { return ui::mrCancel; }
int RunMethodList(ui::Form&, int&) { return ui::mrCancel; }
int RunGatingTypeList(ui::Form&, int&) { return ui::mrCancel; }
int RunGatingShapeList(ui::Form&, int&) { return ui::mrCancel; }
int RunDTFWindowList(ui::Form&) { return ui::mrCancel; }
int RunMetricList(ui::Form&) { return ui::mrCancel; }
void RegisterPickLists() {}
