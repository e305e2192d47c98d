#pragma once
// One soft key of a soft-key column: a plain record that remembers where it was last painted
// and whether the pointer is over it, and paints itself as a rounded, vertically graded key
// with its caption and its black-on-white icon.
//
// Metrics, colours and the button font come from the global ViewProperties, which must exist
// while a key paints.
#include <QImage>
#include <string>
#include <string_view>

#include "platform/ui/Canvas.h"
#include "platform/ui/Geometry.h"

class TPaintButton {
 public:
  // iconLeft: the icon sits at the left end of the key (else at the right end).
  TPaintButton(std::string caption, bool iconLeft);

  // Hover = (x, y) lies in Rect (left and top inclusive); true when Hover changed.
  bool UpdateHover(int x, int y);
  // Hover = false; true when it was set.
  bool ClearHover();

  // Remembers rect and showCaption, then draws the key onto canvas. An empty icon draws none
  // and leaves the caption only the margin at the icon's end.
  void Paint(ui::Canvas& canvas, const QImage& icon, bool showCaption, const ui::Rect& rect);

  // Where the key was last painted; all zero while it is not laid out (no point lies in it).
  ui::Rect Rect;
  bool Hover = false;
  // The translated caption.
  std::string Caption;
  // Copied from the column's Expanded at every paint.
  bool ShowCaption = false;
  const bool IconLeft;
};

// Line 1 or line 2 of text broken by characters (not at words) to fit width pixels in the
// canvas's font: line 1 is the longest start that fits, line 2 the longest part of the rest,
// from its start, that fits; whatever follows it is cut off. Any other line number: "".
std::string SplitTextToWidth(ui::Canvas& canvas, int line, int width, std::string_view text);
