#pragma once
// A screen box that the chart writes while drawing and the mouse code tests, with the hover
// flag of the pointer resting on it.
#include "traces/ScreenRect.h"

struct THotArea {
  TScreenRect Rect;
  bool Hover = false;
};
