#pragma once
// The segment table editor: the segments of the active channel's segment sweep in a grid
// (start and stop, or centre and span; points; the IF bandwidth and the delay when the channel
// lists them per segment), edited cell by cell through the keypad, with Add, Delete, the two
// list switches, and saving and restoring the table as a ".seg" file.
//
// The channel is the active one, looked up at every refresh, button and closure call; a record
// index outside the table (the table shrank meanwhile through automation) changes nothing.
#include "dialogs/TableEditorFrm.h"

class TRange;
class TLbButton;
namespace ui {
class Panel;
}

class TSegmentListFrm : public TTableEditorFrm {
  Q_OBJECT

 public:
  // What a grid column shows.
  enum TColumn { colNumber, colStart, colStop, colPoints, colIFBW, colDelay, colNone };

  explicit TSegmentListFrm(QWidget* owner);

  void RefreshGrid() override;
  void ArrangeControls();
  // The meaning of a grid column under the active channel's flags.
  TColumn ColumnOf(int column) const;

  void btAddMouseDown();
  void btDeleteMouseDown();
  void btSaveMouseDown();
  void btRecallMouseDown();

  TLbButton* btAdd = nullptr;
  TLbButton* btDelete = nullptr;
  TLbButton* btSave = nullptr;
  TLbButton* btRecall = nullptr;
  TLbButton* btOk = nullptr;
  ui::Panel* pnListIFBW = nullptr;
  ui::Panel* pnListIFBWValue = nullptr;
  ui::Panel* pnListDelay = nullptr;
  ui::Panel* pnListDelayValue = nullptr;

 protected:
  bool CellEditor(int column, int record, TCellEditor& editor) override;
  void AfterCellEdit() override;

 private:
  // The active channel, or null (no main window, shut down).
  static TRange* Channel();
  // The channel when the record exists in it, else null.
  static TRange* ChannelWith(int record);
  // The segment of the current row, looked up when a closure runs.
  int CurrentRecord() const { return RecordIndex(); }
  std::string CellText(const TRange& channel, TColumn column, int record) const;
  int columns_ = 4;
};
