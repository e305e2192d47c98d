#pragma once
// The Files dialog: the autosave switch and the save type of states, states (".cfg"), the
// active channel's user calibration (".cal"), Touchstone files of the active channel or into
// trace memories with their number format, file type and target, and the CSV data of the
// active trace. It only picks the names and hands them to the writers and readers.
#include <string>

#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TSaveRecallFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TSaveRecallFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  // The reserved name of the autosave file, in capitals, as the question compares it.
  static constexpr const char* kReservedName = "AUTOSAVE.CFG";

  void SaveState();
  void RecallState();
  void SaveCalibration();
  void RecallCalibration();
  void SaveTouchstone();
  void RecallTouchstone();
  void SaveTraceData();

  ui::Panel* pnAutosave = nullptr;
  ui::Panel* pnAutosaveValue = nullptr;
  ui::Panel* pnSaveType = nullptr;
  ui::Panel* pnSaveTypeValue = nullptr;
  TLbButton* btSaveState = nullptr;
  TLbButton* btRecallState = nullptr;
  TLbButton* btSaveCalibration = nullptr;
  TLbButton* btRecallCalibration = nullptr;
  ui::Panel* pnFormat = nullptr;
  ui::Panel* pnFormatValue = nullptr;
  ui::Panel* pnType = nullptr;
  ui::Panel* pnTypeValue = nullptr;
  ui::Panel* pnRecallTo = nullptr;
  ui::Panel* pnRecallToValue = nullptr;
  TLbButton* btSaveTouchstone = nullptr;
  TLbButton* btRecallTouchstone = nullptr;
  TLbButton* btSaveData = nullptr;
  TLbButton* btOk = nullptr;

 private:
  // A list of this dialog's, opened with the dialog as owner; then the values.
  void RunList(const char* dialogClass);
};

// Whether a Touchstone file gives a network that can be loaded (two frequencies or more), read
// as the memory and channel loaders read it: ".s1p" in any case one-port, else two-port.
bool TouchstoneHoldsData(const std::string& path);
