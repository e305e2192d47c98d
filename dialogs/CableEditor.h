#pragma once
// The cable list editor: the scanner module's whole cable table (name, velocity factor, loss
// and the frequency the loss holds at), edited in place. The row that is current when Ok is
// pressed becomes the cable in use; Cancel closes and keeps the edits already made.
//
// Entry 0 "User Defined" is where the DTF dialog stores every velocity or loss typed there, so
// it stays first: Delete on its row does nothing and Add there inserts after it. The table is
// looked up at every refresh, button and closure call; an index that automation pushed past
// the table's end only refreshes.
#include "dialogs/TableEditorFrm.h"

class TLbButton;

class TCableEditFrm : public TTableEditorFrm {
  Q_OBJECT

 public:
  explicit TCableEditFrm(QWidget* owner);

  void RefreshGrid() override;
  void ArrangeControls();

  void btAddMouseDown();
  void btDelMouseDown();
  void btApplyMouseDown();
  void btCancelMouseDown();
  void btSaveMouseDown();
  void btRecallMouseDown();

  TLbButton* btAdd = nullptr;
  TLbButton* btDel = nullptr;
  TLbButton* btApply = nullptr;
  TLbButton* btSave = nullptr;
  TLbButton* btRecall = nullptr;
  TLbButton* btCancel = nullptr;

 protected:
  bool CellEditor(int column, int record, TCellEditor& editor) override;

 private:
  void EditName();
};
