#pragma once
// The service form of a model's synthesizer settings: the frequency-plan settings, the delays,
// the output switches and the twenty register words of both RFFC507x synthesizers, bit by bit.
// One form per model row (3: the 5.4 GHz model, 4: the 14 GHz model), made at first use and
// kept hidden between openings; the settings are looked up at every use, so the form outlives
// neither them nor a program restart.
//
// A bit edit reaches the settings at once (Cancel keeps it); the other controls reach them with
// Apply, which reads every edit first and, on a text that is no number, shows the message and
// changes nothing.
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Form.h"

class TEmiStringGrid;
class TSynthesizerBase;
class TSynthesizerTV;
class TSynthesizerTV30;
namespace ui {
class Button;
class CheckBox;
class Edit;
class GroupBox;
class Label;
}  // namespace ui

class TSynthesizerFrm : public ui::Form {
  Q_OBJECT

 public:
  static constexpr int kRowK12 = 3;
  static constexpr int kRowK30 = 4;
  static constexpr int kGridRows = 11;
  static constexpr int kGridCols = 18;
  static constexpr int kHexCol = 17;

  // row: kRowK12 or kRowK30.
  TSynthesizerFrm(QWidget* owner, int row);
  ~TSynthesizerFrm() override;

  int ModelRow() const { return row_; }
  // The settings of the form's row, or null while the program has none.
  TSynthesizerBase* Settings() const;

  // Every control from the settings; nothing while the form is hidden.
  void UpdateControls();
  // Every control into the settings, then the clamps. False, with the message shown and
  // nothing changed, when an edit holds no number.
  bool ApplyControls();

  // The text of a word's hex cell: "0x" and at least four upper-case digits.
  static std::string HexText(int32_t word);

  ui::Label* lbSignal = nullptr;
  ui::Label* lbHeterodyne = nullptr;
  TEmiStringGrid* sgSignalRegMap = nullptr;
  TEmiStringGrid* sgHeterRegMap = nullptr;
  ui::CheckBox* cbSignalOff = nullptr;
  ui::CheckBox* cbHeterodyneOff = nullptr;
  ui::GroupBox* gbSynth = nullptr;
  ui::Edit* edIFAccuracy = nullptr;
  ui::Edit* edReferenceFreq = nullptr;
  ui::Edit* edIntermediateFreq = nullptr;
  ui::Edit* edMinFrequency = nullptr;
  ui::Edit* edMaxFrequency = nullptr;
  ui::Edit* edFreq2x = nullptr;  // 14 GHz only
  ui::Edit* edFreq3x = nullptr;  // 14 GHz only
  ui::GroupBox* gbDelays = nullptr;
  ui::Edit* edMeasureDelay = nullptr;
  ui::Edit* edBackScanDelay = nullptr;
  ui::Edit* edSwitchDelay = nullptr;  // 14 GHz only
  ui::CheckBox* cbHeter3x = nullptr;   // 5.4 GHz only
  ui::CheckBox* cbSignal3x = nullptr;  // 5.4 GHz only
  ui::Button* btDefaults = nullptr;
  ui::Button* btCancel = nullptr;
  ui::Button* btApply = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct TGridState {
    int lastCol = 0;
    int lastRow = 0;
    int pressCol = -1;
    int pressRow = -1;
    bool swallowDoubleClick = false;
  };

  TSynthesizerTV* K12() const;
  TSynthesizerTV30* K30() const;
  bool IsSignal(const TEmiStringGrid& grid) const { return &grid == sgSignalRegMap; }
  TGridState& StateOf(const TEmiStringGrid& grid) { return IsSignal(grid) ? signalGrid_ : heterGrid_; }
  TEmiStringGrid* MakeGrid(const std::string& name);
  void BindGrid(TEmiStringGrid& grid);
  // The words as the grids show them (the heterodyne MIX_COUNT of the hardware revision).
  void GetWords(bool signal, std::vector<int32_t>& words) const;
  void FillGridRow(TEmiStringGrid& grid, int row, int32_t word);
  // The keypad on the grid's current cell (a bit cell only), with a first character.
  void OpenBitKeypad(TEmiStringGrid& grid, char32_t firstChar);
  double CurrentBit(const TEmiStringGrid& grid) const;
  void SetCurrentBit(TEmiStringGrid& grid, double value);
  void Apply();
  void Arrange();
  ui::Edit* MakeEdit(ui::GroupBox& group, const std::string& name, const std::string& label, int& top);

  int row_;
  TGridState signalGrid_;
  TGridState heterGrid_;
};
