#pragma once
// Scrolling a list grid by dragging inside it, as a finger would: a press stores the pointer as
// the anchor; while the press lasts, every move is tested four times in a fixed order (up, down,
// left, right), each test against the anchor that the previous one left. A test that finds the
// pointer strictly more than Threshold pixels beyond the anchor scrolls the grid by one line in
// that direction and makes the pointer the new anchor. So one move scrolls at most one line
// however far it went, and moving the pointer up brings earlier rows into view, as a scroll
// bar's arrow would. A move without a press scrolls nothing.
//
// The owner forwards the grid's mouse events (client coordinates of the grid) to Press, Move
// and Release; the pick lists and the table editors share it.
class TEmiStringGrid;

class TGridDragScroller {
 public:
  static constexpr int Threshold = 10;

  explicit TGridDragScroller(TEmiStringGrid& grid) : grid_(grid) {}

  void Press(int x, int y);
  // Lines scrolled by this move (0 or 1).
  int Move(int x, int y);
  void Release() { dragging_ = false; }

  bool Dragging() const { return dragging_; }
  int AnchorX() const { return anchorX_; }
  int AnchorY() const { return anchorY_; }

 private:
  TEmiStringGrid& grid_;
  bool dragging_ = false;
  int anchorX_ = 0;
  int anchorY_ = 0;
};
