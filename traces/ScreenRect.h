#pragma once
// Screen rectangles and points in chart pixels, for the engine objects that remember where the
// chart drew them (marker flags, marker table). Right and Bottom are exclusive.

struct TScreenPoint {
  int X = 0;
  int Y = 0;
};

struct TScreenRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(const TScreenPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  bool operator==(const TScreenRect&) const = default;
};
