#include "dialogs/SaveRecallFrm.h"

#include "calibration/CalibratorModule.h"
#include "dialogs/ShellDialogs.h"
#include "display/RangeView.h"
#include "instrument/ScannerModule.h"
#include "model/FixtParam.h"
#include "model/Range.h"
#include "model/Services.h"
#include "platform/ui/MessageBox.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

const char* const kFormatWords[] = {"Real-Imaginary", "Magnitude-Angle", "dB-Angle"};
const char* const kSaveTypeWords[] = {"State", "State and Cal", "State and Trace", "All"};
const char* const kRecallToWords[] = {"Active Memory", "All Traces Memory", "S-Parameters"};

void ShowWord(ui::Panel& panel, const char* english) {
  if (*english != '\0') TTouchForm::SetValueText(panel, TranslateText(english));
}

TMeasureList* ActiveTraces() {
  TRangeView* view = MainFrm != nullptr ? MainFrm->GetActiveView() : nullptr;
  return view != nullptr ? view->GetTraces() : nullptr;
}

void ShowNoData(const std::string& path) { ui::MessageBox::Get().Show("No usable data in " + path); }

}  // namespace

bool TouchstoneHoldsData(const std::string& path) {
  TFixtParam network;
  network.LoadByExtension(path);
  return network.HoldsData();
}

TSaveRecallFrm::TSaveRecallFrm(QWidget* owner) : TTouchDialogFrm(owner, "Files") {
  SetName("SaveRecallFrm");
  SetKeyHandler(true);
  SetEscapeCloses(true);
  SetRefocusOwner(true);

  pnAutosave = MakeCaptionPanel("pnAutosave", "Autosave");
  pnAutosaveValue = MakeValuePanel("pnAutosaveValue");
  pnSaveType = MakeCaptionPanel("pnSaveType", "Save Type");
  pnSaveTypeValue = MakeValuePanel("pnSaveTypeValue");
  btSaveState = MakeButton(this, "btSaveState", TranslateText("Save State"));
  btRecallState = MakeButton(this, "btRecallState", TranslateText("Recall State"));
  btSaveCalibration = MakeButton(this, "btSaveCalibration", TranslateText("Save Calibration"));
  btRecallCalibration = MakeButton(this, "btRecallCalibration", TranslateText("Recall Calibration"));
  pnFormat = MakeCaptionPanel("pnFormat", "Touchstone Format");
  pnFormatValue = MakeValuePanel("pnFormatValue");
  pnType = MakeCaptionPanel("pnType", "Type");
  pnTypeValue = MakeValuePanel("pnTypeValue");
  pnRecallTo = MakeCaptionPanel("pnRecallTo", "Recall To");
  pnRecallToValue = MakeValuePanel("pnRecallToValue");
  btSaveTouchstone = MakeButton(this, "btSaveTouchstone", TranslateText("Save Touchstone"));
  btRecallTouchstone = MakeButton(this, "btRecallTouchstone", TranslateText("Recall Touchstone"));
  btSaveData = MakeButton(this, "btSaveData", TranslateText("Save Trace Data"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnAutosave, *pnAutosaveValue, [this] {
    if (MainFrm != nullptr) MainFrm->SetAutosave(!MainFrm->AutosaveEnabled);
    RefreshValues();
  });
  BindRow(*pnSaveType, *pnSaveTypeValue, [this] { RunList("TSaveTypeListFrm"); });
  BindRow(*pnFormat, *pnFormatValue, [this] { RunList("TTouchStoneListFrm"); });
  BindRow(*pnType, *pnTypeValue, [this] {
    if (MainFrm != nullptr) MainFrm->SetTouchType(MainFrm->TouchType == 0 ? 1 : 0);
    RefreshValues();
  });
  BindRow(*pnRecallTo, *pnRecallToValue, [this] { RunList("TLoadTouchstoneToFrm"); });
  BindButton(*btSaveState, [this] { SaveState(); });
  BindButton(*btRecallState, [this] { RecallState(); });
  BindButton(*btSaveCalibration, [this] { SaveCalibration(); });
  BindButton(*btRecallCalibration, [this] { RecallCalibration(); });
  BindButton(*btSaveTouchstone, [this] { SaveTouchstone(); });
  BindButton(*btRecallTouchstone, [this] { RecallTouchstone(); });
  BindButton(*btSaveData, [this] { SaveTraceData(); });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TSaveRecallFrm::RefreshValues() {
  if (MainFrm == nullptr) return;
  ShowWord(*pnFormatValue, WordOf(kFormatWords, MainFrm->TouchFormat));
  ShowWord(*pnSaveTypeValue, WordOf(kSaveTypeWords, MainFrm->SaveType));
  SetValueText(*pnAutosaveValue, TranslateText(MainFrm->AutosaveEnabled ? "ON" : "OFF"));
  SetValueText(*pnTypeValue, MainFrm->TouchType != 0 ? "S2P" : "S1P");
  ShowWord(*pnRecallToValue, WordOf(kRecallToWords, MainFrm->TouchstoneRecallTo));
}

void TSaveRecallFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnAutosave, *pnAutosaveValue, RowRect(2, w));
  PlaceCaptionPanels(*pnSaveType, *pnSaveTypeValue, RowRect(3, w));
  btSaveState->SetBoundsRect(CellRect(4, w, 1, 2));
  btRecallState->SetBoundsRect(CellRect(4, w, 2, 2));
  btSaveCalibration->SetBoundsRect(CellRect(5, w, 1, 2));
  btRecallCalibration->SetBoundsRect(CellRect(5, w, 2, 2));
  PlaceCaptionPanels(*pnFormat, *pnFormatValue, RowRect(6, w));
  PlaceCaptionPanels(*pnType, *pnTypeValue, CellRect(7, w, 1, 2));
  PlaceCaptionPanels(*pnRecallTo, *pnRecallToValue, CellRect(7, w, 2, 2));
  btSaveTouchstone->SetBoundsRect(CellRect(8, w, 1, 2));
  btRecallTouchstone->SetBoundsRect(CellRect(8, w, 2, 2));
  btSaveData->SetBoundsRect(CellRect(9, w, 1, 2));
  btOk->SetBoundsRect(CellRect(9, w, 2, 2));
}

void TSaveRecallFrm::RunList(const char* dialogClass) {
  RunFactoryDialog(*this, *this, dialogClass);
  RefreshValues();
}

void TSaveRecallFrm::SaveState() {
  const auto reserved = [](const std::string& part) {
    if (part != kReservedName) return TNameCheck::AskAsUsual;
    const int answer = ui::MessageBox::Get().Ask(
        "Name \"Autosave.cfg\" is reserved. It is needed for \"AutoSave\" programm feature.\n\rSave anyway?", "",
        ui::MessageBox::Buttons::YesNo);
    return answer == ui::mrYes ? TNameCheck::WriteNow : TNameCheck::WriteNothing;
  };
  RunSaveFile(
      "Save State", 2, ".cfg", true,
      [](const std::string& path) {
        if (MainFrm != nullptr) MainFrm->SaveState(path);
      },
      reserved);
}

void TSaveRecallFrm::RecallState() {
  try {
    RunOpenFile("Recall State", 2, [](const std::string& path) {
      if (MainFrm != nullptr) MainFrm->LoadState(path);
    });
  } catch (...) {
    // A state that did not load changed nothing, but the values are shown afresh either way.
    RefreshValues();
    throw;
  }
  RefreshValues();
}

void TSaveRecallFrm::SaveCalibration() {
  RunSaveFile("Save Calibration", 10, ".cal", false, [](const std::string& path) {
    if (CalibratorModule != nullptr) CalibratorModule->SaveUserCalibration(path);
  });
}

void TSaveRecallFrm::RecallCalibration() {
  try {
    RunOpenFile("Recall Calibration", 10, [](const std::string& path) {
      if (CalibratorModule == nullptr) return;
      const TCalibrationForm::TResult result = CalibratorModule->LoadUserCalibration(path);
      if (result.Status == TCalibrationForm::TStatus::LoadedWithoutExtension) {
        ui::MessageBox::Get().Show(result.Reason);
      }
    });
  } catch (...) {
    RefreshValues();
    throw;
  }
  RefreshValues();
}

void TSaveRecallFrm::SaveTouchstone() {
  if (MainFrm == nullptr) return;
  const bool twoPort = MainFrm->TouchType == 1;
  RunSaveFile("Save Touchstone", twoPort ? 4 : 0, twoPort ? ".s2p" : ".s1p", false, [](const std::string& path) {
    TRange* channel = MainFrm != nullptr ? MainFrm->GetActiveChannel() : nullptr;
    if (channel != nullptr) channel->SaveTouchstone(path, MainFrm->TouchType, MainFrm->TouchFormat, MainFrm->SPort);
  });
}

void TSaveRecallFrm::RecallTouchstone() {
  if (MainFrm == nullptr) return;
  RunOpenFile("Recall Touchstone", MainFrm->TouchType == 1 ? 4 : 0, [](const std::string& path) {
    if (MainFrm == nullptr) return;
    const int target = MainFrm->TouchstoneRecallTo;
    if (target < 0 || target > 2) return;
    // A file without a usable network would leave every memory cleared, or a sweep stopped,
    // for nothing: it is looked at before anything changes.
    if (!TouchstoneHoldsData(path)) {
      ShowNoData(path);
      return;
    }
    TRangeView* view = MainFrm->GetActiveView();
    if (view == nullptr) return;
    if (target == 2) {
      if (ScannerModule != nullptr) ScannerModule->SetTriggerMode(TScannerModule::Hold);
      TRange* channel = view->GetRange();
      if (channel == nullptr || !channel->LoadTouchstoneData(path)) ShowNoData(path);
      view->RequestRedraw();
      return;
    }
    TMeasureList* traces = view->GetTraces();
    if (traces == nullptr) return;
    std::vector<TMeasurement*> targets;
    if (target == 0) {
      if (TMeasurement* active = traces->GetActive()) targets.push_back(active);
    } else {
      for (int i = 0; i < traces->GetCount(); ++i) {
        if (TMeasurement* trace = traces->GetMeasurement(i)) targets.push_back(trace);
      }
    }
    bool failed = false;
    for (TMeasurement* trace : targets) {
      trace->Memories->Clear();
      if (!trace->Memories->LoadFromTouchstone(path)) failed = true;
    }
    if (failed) ShowNoData(path);
    view->RequestRedraw();
  });
}

void TSaveRecallFrm::SaveTraceData() {
  RunSaveFile("Save Data", 1, ".csv", false, [](const std::string& path) {
    TMeasureList* traces = ActiveTraces();
    TMeasurement* trace = traces != nullptr ? traces->GetActive() : nullptr;
    if (trace != nullptr) trace->SaveCsvFile(path);
  });
}
