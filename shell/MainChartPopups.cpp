#include "shell/MainChartPopups.h"

#include "platform/ui/Form.h"
#include "shell/MainFrm.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/VirtualKeyboardFrm.h"

void TMainChartPopups::OpenKeypad(const std::string& title, int unitIndex, int unitKind, TSetter setter,
                                  TGetter getter) {
  if (main_.IsShutDown()) return;
  // Modeless: Ok, Cancel or a loss of the activation release it.
  auto* keypad = new TDigitalKeyboardFrm(&main_, title, unitIndex, unitKind, std::move(setter), std::move(getter));
  keypad->Show();
}

bool TMainChartPopups::EditText(std::string& text) {
  if (main_.IsShutDown()) return false;
  TVirtualKeyboardFrm keyboard(&main_, text);
  return keyboard.ShowModal() == ui::mrOk;
}

const char* TMainChartPopups::PickListClass(TPickList list) {
  switch (list) {
    case TPickList::Points: return "TPointsListFrm";
    case TPickList::IFBW: return "TIFBWListFrm";
    case TPickList::MeasMode: return "TMeasModeListFrm";
    case TPickList::Format: return "TMeasureListFrm";
  }
  return "TMeasureListFrm";
}

void TMainChartPopups::OpenPickList(TPickList list) {
  if (main_.IsShutDown()) return;
  main_.OpenDialog(PickListClass(list), false);
}

void TMainChartPopups::RunSegmentEditor() {
  if (main_.IsShutDown()) return;
  main_.OpenDialog("TSegmentListFrm", true);
}
