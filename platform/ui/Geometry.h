#pragma once
// Points and rectangles of the drawing rules used above this layer: a rectangle from
// (Left, Top) to (Right, Bottom) covers columns Left..Right-1 and rows Top..Bottom-1.
// Point is Qt's QPoint (two ints), so point buffers go to the painter without copying.
#include <QPoint>
#include <QRect>

namespace ui {

using Point = QPoint;

struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr Rect() = default;
  constexpr Rect(int left, int top, int right, int bottom)
      : Left(left), Top(top), Right(right), Bottom(bottom) {}

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // Left and top inclusive, right and bottom exclusive.
  constexpr bool Contains(int x, int y) const {
    return x >= Left && x < Right && y >= Top && y < Bottom;
  }
  constexpr bool operator==(const Rect&) const = default;

  // Qt's rectangle of the same pixels (Qt's right() is the last column).
  QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
  static Rect FromQRect(const QRect& r) {
    return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
  }
  static constexpr Rect FromSize(int left, int top, int width, int height) {
    return Rect(left, top, left + width, top + height);
  }
};

}  // namespace ui
