#pragma once
// The limit and ripple table editors of the active trace: the segments of its limit line
// (begin and end stimulus and response, type) or of its ripple line (begin and end stimulus,
// ripple limit, type), edited cell by cell, with Add, Delete, Clear, and saving and restoring
// the table as a ".lim" or ".rlm" file. The line checks and clamps every value and re-tests.
//
// The trace is the active one of the active window, looked up at every refresh, button and
// closure call; a segment index outside the line (the line or the trace changed meanwhile
// through automation) changes nothing.
#include "dialogs/TableEditorFrm.h"

class TLbButton;
class TMeasurement;

class TLineEditFrm : public TTableEditorFrm {
  Q_OBJECT

 public:
  void RefreshGrid() override;
  void ArrangeControls();

  void btAddMouseDown();
  void btDelMouseDown();
  void btClearMouseDown();
  void btSaveMouseDown();
  void btRecallMouseDown();

  TLbButton* btAdd = nullptr;
  TLbButton* btDel = nullptr;
  TLbButton* btClear = nullptr;
  TLbButton* btSave = nullptr;
  TLbButton* btRecall = nullptr;
  TLbButton* btOk = nullptr;

 protected:
  // ripple: the ripple line (five columns) instead of the limit line (six).
  TLineEditFrm(QWidget* owner, bool ripple);
  bool CellEditor(int column, int record, TCellEditor& editor) override;

 private:
  static TMeasurement* Trace();
  int SegmentCount(const TMeasurement& trace) const;
  void InsertSegment(TMeasurement& trace, int index) const;
  void EditType();

  bool ripple_ = false;
  int columns_ = 6;
};

class TLimitEditFrm : public TLineEditFrm {
  Q_OBJECT

 public:
  explicit TLimitEditFrm(QWidget* owner);
};

class TRippleEditFrm : public TLineEditFrm {
  Q_OBJECT

 public:
  explicit TRippleEditFrm(QWidget* owner);
};
