#include "dialogs/PickLists.h"

#include <string>
#include <utility>

#include "dialogs/PickListMembers.h"
#include "shell/MainFrm.h"

namespace {

// Shows the list modally on its owner and deletes it; a run that ended without a result (the
// program quit inside it) counts as Cancel.
template <class TList, class... Args>
int RunList(ui::Form& owner, Args&&... args) {
  TList list(&owner, std::forward<Args>(args)...);
  const int result = list.ShowModal();
  return result == ui::mrNone ? ui::mrCancel : result;
}

// Shows the list on the main window without a modal loop; it releases itself when it closes.
template <class TList>
TPickListFrm* ShowList() {
  if (MainFrm == nullptr || MainFrm->IsShutDown()) return nullptr;
  auto* list = new TList(MainFrm);
  list->Show();
  return list;
}

// The factory's opener of a self-applying list: modal on the given owner, or, where the list
// has a modeless form, shown on the main window.
TMainFrm::TDialogFactoryOpener Opener(int (*run)(ui::Form&), TPickListFrm* (*show)() = nullptr) {
  return [run, show](ui::Form& owner, bool modal, int) -> int {
    if (!modal && show != nullptr) {
      show();
      return ui::mrNone;
    }
    return run(owner);
  };
}

}  // namespace

int RunPointsList(ui::Form& owner) { return RunList<TPointsListFrm>(owner); }
TPickListFrm* ShowPointsList() { return ShowList<TPointsListFrm>(); }
int RunIFBWList(ui::Form& owner) { return RunList<TIFBWListFrm>(owner); }
TPickListFrm* ShowIFBWList() { return ShowList<TIFBWListFrm>(); }
int RunSweepTypeList(ui::Form& owner) { return RunList<TSweepTypeListFrm>(owner); }
int RunPowerModeList(ui::Form& owner) { return RunList<TPowerModeListFrm>(owner); }
int RunTriggerList(ui::Form& owner) { return RunList<TTriggerListFrm>(owner); }
int RunTriggerSourceList(ui::Form& owner) { return RunList<TTriggerSourceListFrm>(owner); }
int RunClockSourceList(ui::Form& owner) { return RunList<TClockSourceListFrm>(owner); }
int RunMeasModeList(ui::Form& owner) { return RunList<TMeasModeListFrm>(owner); }
TPickListFrm* ShowMeasModeList() { return ShowList<TMeasModeListFrm>(); }
int RunPowerMeterList(ui::Form& owner, int& model) { return RunList<TPowerMeterListFrm>(owner, &model); }
int RunSaveTypeList(ui::Form& owner) { return RunList<TSaveTypeListFrm>(owner); }
int RunPrintColorList(ui::Form& owner) { return RunList<TPrintColorListFrm>(owner); }
int RunTouchStoneList(ui::Form& owner) { return RunList<TTouchStoneListFrm>(owner); }
int RunLoadTouchstoneTo(ui::Form& owner) { return RunList<TLoadTouchstoneToFrm>(owner); }
int RunCalKitList(ui::Form& owner) { return RunList<TCalKitListFrm>(owner); }
int RunStateList(ui::Form& owner, int& state) { return RunList<TStateListFrm>(owner, &state); }
int RunCharTypeList(ui::Form& owner, int& characterization) {
  return RunList<TCharTypeFrm>(owner, &characterization);
}
int RunOrientList(ui::Form& owner, int& orientation) { return RunList<TOrientListFrm>(owner, &orientation); }

int RunMeasureList(ui::Form& owner) { return RunList<TMeasureListFrm>(owner); }
TPickListFrm* ShowMeasureList() { return ShowList<TMeasureListFrm>(); }
int RunDataMathList(ui::Form& owner) { return RunList<TDataMathListFrm>(owner); }
int RunConversionList(ui::Form& owner) { return RunList<TConversionListFrm>(owner); }
int RunMarkerNumList(ui::Form& owner, std::function<void(double)> setter, std::function<double()> getter) {
  return RunList<TMarkerNumListFrm>(owner, std::move(setter), std::move(getter));
}
int RunPeakPolarityList(ui::Form& owner) { return RunList<TPeakPolarityListFrm>(owner); }
int RunTargetTransitionList(ui::Form& owner) { return RunList<TTargetTransitionFrm>(owner); }
int RunAllignList(ui::Form& owner) { return RunList<TAllignListFrm>(owner); }
int RunLimitList(ui::Form& owner, int& limitType) { return RunList<TLimitListFrm>(owner, &limitType); }
int RunRippleList(ui::Form& owner, int& rippleType) { return RunList<TRippleListFrm>(owner, &rippleType); }
int RunMethodList(ui::Form& owner, int& method) { return RunList<TMethodListFrm>(owner, &method); }
int RunGatingTypeList(ui::Form& owner, int& gatingType) { return RunList<TGatingTypeFrm>(owner, &gatingType); }
int RunGatingShapeList(ui::Form& owner, int& gatingShape) {
  return RunList<TGatingShapeFrm>(owner, &gatingShape);
}
int RunDTFWindowList(ui::Form& owner) { return RunList<TDTFWindowListFrm>(owner); }
int RunMetricList(ui::Form& owner) { return RunList<TMetricListFrm>(owner); }

void RegisterPickLists() {
  TMainFrm::RegisterDialog("TPointsListFrm", Opener(RunPointsList, ShowPointsList));
  TMainFrm::RegisterDialog("TIFBWListFrm", Opener(RunIFBWList, ShowIFBWList));
  TMainFrm::RegisterDialog("TSweepTypeListFrm", Opener(RunSweepTypeList));
  TMainFrm::RegisterDialog("TPowerModeListFrm", Opener(RunPowerModeList));
  TMainFrm::RegisterDialog("TTriggerListFrm", Opener(RunTriggerList));
  TMainFrm::RegisterDialog("TTriggerSourceListFrm", Opener(RunTriggerSourceList));
  TMainFrm::RegisterDialog("TClockSourceListFrm", Opener(RunClockSourceList));
  TMainFrm::RegisterDialog("TMeasModeListFrm", Opener(RunMeasModeList, ShowMeasModeList));
  TMainFrm::RegisterDialog("TSaveTypeListFrm", Opener(RunSaveTypeList));
  TMainFrm::RegisterDialog("TPrintColorListFrm", Opener(RunPrintColorList));
  TMainFrm::RegisterDialog("TTouchStoneListFrm", Opener(RunTouchStoneList));
  TMainFrm::RegisterDialog("TLoadTouchstoneToFrm", Opener(RunLoadTouchstoneTo));
  TMainFrm::RegisterDialog("TCalKitListFrm", Opener(RunCalKitList));
  TMainFrm::RegisterDialog("TMeasureListFrm", Opener(RunMeasureList, ShowMeasureList));
  TMainFrm::RegisterDialog("TDataMathListFrm", Opener(RunDataMathList));
  TMainFrm::RegisterDialog("TConversionListFrm", Opener(RunConversionList));
  TMainFrm::RegisterDialog("TPeakPolarityListFrm", Opener(RunPeakPolarityList));
  TMainFrm::RegisterDialog("TTargetTransitionFrm", Opener(RunTargetTransitionList));
  TMainFrm::RegisterDialog("TAllignListFrm", Opener(RunAllignList));
  TMainFrm::RegisterDialog("TDTFWindowListFrm", Opener(RunDTFWindowList));
  TMainFrm::RegisterDialog("TMetricListFrm", Opener(RunMetricList));
}
