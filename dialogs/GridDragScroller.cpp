#include "dialogs/GridDragScroller.h"

#include <cstdint>

#include "widgets/EmiStringGrid.h"

namespace {

// Pointer positions are ints from the window system; the difference of two far-off ones must
// not overflow.
int64_t Diff(int a, int b) { return static_cast<int64_t>(a) - static_cast<int64_t>(b); }

}  // namespace

void TGridDragScroller::Press(int x, int y) {
  dragging_ = true;
  anchorX_ = x;
  anchorY_ = y;
}

int TGridDragScroller::Move(int x, int y) {
  if (!dragging_) return 0;
  int lines = 0;
  auto reanchor = [&]() {
    anchorX_ = x;
    anchorY_ = y;
    ++lines;
  };
  if (Diff(anchorY_, y) > Threshold) {
    grid_.ScrollLineUp();
    reanchor();
  }
  if (Diff(y, anchorY_) > Threshold) {
    grid_.ScrollLineDown();
    reanchor();
  }
  if (Diff(anchorX_, x) > Threshold) {
    grid_.ScrollLineLeft();
    reanchor();
  }
  if (Diff(x, anchorX_) > Threshold) {
    grid_.ScrollLineRight();
    reanchor();
  }
  return lines;
}
