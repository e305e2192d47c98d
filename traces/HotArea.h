#pragma once
// A screen box that the chart writes while drawing and the mouse code tests, with the hover
// flag of the pointer resting on it.
#include "traces/ScreenRect.h"

struct THotArea {
  TScreenRect Rect;
  bool Hover = false;

  // Hover = whether (x, y) lies in Rect; true when it changed.
  bool UpdateHover(int x, int y) {
    const bool hover = Rect.Contains(TScreenPoint{x, y});
    if (hover == Hover) return false;
    Hover = hover;
    return true;
  }
  // True when the flag was set.
  bool ClearHover() {
    const bool was = Hover;
    Hover = false;
    return was;
  }
};
