#pragma once
// The frame of the table editors (segments, limit and ripple lines, cables): a touch dialog
// with a grid of one header row and one row per record, editing of a cell through the keypad
// (or a pick list or the keyboard), typing into the grid, drag scrolling, and saving and
// restoring the table through the file browser. The records live in the engine object; the
// grid is only a view of it and is rebuilt after every change.
//
// Row 0 holds the column titles, row k record k - 1, column 0 the record number. Every row is
// one field height high.
#include <functional>
#include <memory>
#include <string>

#include "widgets/TouchDialogFrm.h"

class TEmiStringGrid;
class TGridDragScroller;
class TLbButton;
namespace ui {
class Shape;
}

class TTableEditorFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  // How a cell is edited: the keypad with a caption, a unit and the closures, or, when Open is
  // set, that alone (a pick list, the keyboard).
  struct TCellEditor {
    std::string Caption;  // translated
    int UnitIndex = 0;
    int UnitKind = 5;
    TSetter Setter;
    TGetter Getter;
    std::function<void()> Open;
  };

  TTableEditorFrm(QWidget* owner, const std::string& title, bool horizontalThumb);
  ~TTableEditorFrm() override;

  // Rebuilds row count, titles and cells from the engine object and lays the form out.
  virtual void RefreshGrid() = 0;
  void RefreshValues() override { RefreshGrid(); }

  // The record of the current row (row - 1).
  int RecordIndex() const;

  // --- handlers ---------------------------------------------------------------------------
  void sgListDblClick();
  // '0'..'9', '-', '.' and ',' open the cell editor with that character as the keypad's first
  // key; every other character does nothing.
  void sgListKeyPress(char32_t& key);
  void sgListMouseDown(ui::MouseButton button, int x, int y);
  void sgListMouseMove(ui::ShiftState shift, int x, int y);
  void sgListMouseUp();
  // Places the thumbs from the grid's first row and column in view.
  void UpdateScrollThumbs();

  // The save and restore flows: the browser (the dialog hides meanwhile), the replace
  // question, then the grid rebuilt in every case. True when the file was written (read).
  bool SaveTable(const std::string& title, int kind, const std::string& extension,
                 const std::function<void(const std::string& path)>& write);
  bool RecallTable(const std::string& title, int kind, const std::function<void(const std::string& path)>& read);

  TEmiStringGrid* sgList = nullptr;
  ui::Shape* VScrollShape = nullptr;
  ui::Shape* HScrollShape = nullptr;  // only in editors whose grid scrolls sideways
  bool GridDragging() const;

 protected:
  // The editor of a cell of a record (record may lie past the last one in an empty table);
  // false: the cell is not editable.
  virtual bool CellEditor(int column, int record, TCellEditor& editor) = 0;
  // After the keypad (or the pick list) of a cell closed, before the grid is rebuilt.
  virtual void AfterCellEdit() {}
  // Opens the cell editor of the current cell; firstChar goes to the keypad.
  void EditCell(char32_t firstChar);
  // The grid's pixel size for a width and height of the layout (the rows all f high).
  void PlaceGrid(const ui::Rect& rect, int firstColumnWidth, int columnWidth);

 private:
  std::unique_ptr<TGridDragScroller> scroller_;
};
