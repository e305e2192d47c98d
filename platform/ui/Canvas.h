#pragma once
// Drawing with the pixel rules the chart and the dialogs were laid out for:
//  - a line leaves out its end pixel; a polyline leaves out only its final point;
//  - rectangles, ellipses, round rectangles and pies cover x1..x2-1 and y1..y2-1;
//  - an arc runs counter-clockwise on the screen from the radial line through its start point
//    to the one through its end point; equal points give the whole ellipse;
//  - no antialiasing anywhere, so a pixel has exactly the colour that was drawn;
//  - text is placed by the top-left corner of its cell; with a solid brush its cell is filled
//    with the brush colour first, with a clear brush the background shows through.
// Colours are 0x00BBGGRR. The canvas keeps a pen, a brush, a font and a pen position.
// ImageCanvas draws into a QImage; RecordingCanvas only records the calls for geometry tests.
#include <QImage>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/FontMetrics.h"
#include "platform/ui/Geometry.h"

namespace ui {

enum class PenStyle { Solid, Dash, Dot, Clear };
enum class BrushStyle { Solid, Clear };

// Raster operations of CopyRect: copy, source AND destination, (NOT source) OR destination.
enum class RasterOp { SrcCopy, SrcAnd, MergePaint };

struct Pen {
  TColor Color = clBlack;
  int Width = 1;
  PenStyle Style = PenStyle::Solid;
  bool operator==(const Pen&) const = default;
};

struct Brush {
  TColor Color = clWhite;
  BrushStyle Style = BrushStyle::Solid;
  bool operator==(const Brush&) const = default;
};

// Formats of DrawText; the values are those of the platform the layouts were written for.
struct TextFormat {
  static constexpr unsigned Left = 0x0;
  static constexpr unsigned Top = 0x0;
  static constexpr unsigned Center = 0x1;
  static constexpr unsigned Right = 0x2;
  static constexpr unsigned VCenter = 0x4;  // single line only
  static constexpr unsigned Bottom = 0x8;   // single line only
  static constexpr unsigned WordBreak = 0x10;
  static constexpr unsigned SingleLine = 0x20;
  static constexpr unsigned NoClip = 0x100;
  static constexpr unsigned CalcRect = 0x400;  // measure only: sets Right and Bottom, draws nothing
  static constexpr unsigned NoPrefix = 0x800;  // '&' is shown as it is
};

class Canvas {
 public:
  Canvas();
  virtual ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // --- state -------------------------------------------------------------------------------
  const Pen& GetPen() const { return pen_; }
  void SetPen(const Pen& pen);
  void SetPenColor(TColor color);
  void SetPenWidth(int width);
  void SetPenStyle(PenStyle style);

  const Brush& GetBrush() const { return brush_; }
  void SetBrush(const Brush& brush);
  void SetBrushColor(TColor color);
  void SetBrushStyle(BrushStyle style);

  const ui::Font& GetFont() const { return font_; }
  void SetFont(const ui::Font& font);

  // Drawing is limited to this rectangle (and the canvas) until ClearClip.
  void SetClipRect(const Rect& rect);
  void ClearClip();
  const std::optional<Rect>& ClipRect() const { return clip_; }

  // The metrics that measure text; Qt's by default. Not owned; nullptr puts Qt's back.
  void SetMetrics(FontMetrics* metrics);
  FontMetrics& Metrics() { return *metrics_; }

  // --- measuring ---------------------------------------------------------------------------
  int TextWidth(std::string_view text);
  int TextHeight(std::string_view text);  // the line height of the font, whatever the text

  // --- drawing -----------------------------------------------------------------------------
  void MoveTo(int x, int y) { penPos_ = Point(x, y); }
  // Draws from the pen position to (x, y), leaving out (x, y), which becomes the pen position.
  void LineTo(int x, int y);
  Point PenPos() const { return penPos_; }

  void Line(int x1, int y1, int x2, int y2);
  void Polyline(const Point* points, size_t count);
  void Polyline(const std::vector<Point>& points) { Polyline(points.data(), points.size()); }
  // The polyline once for every shift, each copy moved by that shift: a thick line built of
  // one-pixel copies. The picture is that of the copies drawn one after the other.
  void ShiftedPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount);
  // Closed and filled with the brush by the odd-even rule, outlined with the pen.
  void Polygon(const Point* points, size_t count);
  void Polygon(const std::vector<Point>& points) { Polygon(points.data(), points.size()); }
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const Rect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  // The brush only; nothing with a clear brush.
  void FillRect(const Rect& r);
  // Corner ellipses of w by h pixels.
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

  void TextOut(int x, int y, std::string_view text);
  // Text in a rectangle (TextFormat flags); returns the height of the text. With CalcRect the
  // rectangle's Right and Bottom are set to the text's extent and nothing is drawn. Unless
  // NoPrefix, "&x" underlines x and "&&" shows one '&'.
  int DrawText(std::string_view text, Rect& rect, unsigned format);

  // The picture at (x, y); pixels of the transparent colour are left out.
  virtual void Draw(int x, int y, const QImage& image, std::optional<TColor> transparent = std::nullopt) = 0;
  // The picture scaled into the rectangle.
  virtual void StretchDraw(const Rect& dest, const QImage& image) = 0;
  // The part src of the picture into dest (scaled when the sizes differ) with a raster op.
  virtual void CopyRect(const Rect& dest, const QImage& source, const Rect& src,
                        RasterOp op = RasterOp::SrcCopy) = 0;

  // clInvalid outside the canvas.
  virtual TColor Pixel(int x, int y) const = 0;
  virtual void SetPixel(int x, int y, TColor color) = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

 protected:
  enum class Shape { Rectangle, Ellipse, RoundRect };
  enum class ArcKind { Arc, Pie };

  // Primitives; the state is read through the getters. Lines and polylines get their points
  // as given; the rules above are the implementation's.
  virtual void DoPolyline(const Point* points, size_t count) = 0;
  // Unless overridden: a shifted copy of the points per shift, each drawn with DoPolyline.
  virtual void DoShiftedPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount);
  virtual void DoPolygon(const Point* points, size_t count) = 0;
  // A normalised, non-empty rectangle; cornerW/cornerH only for RoundRect.
  virtual void DoShape(Shape shape, const Rect& r, int cornerW, int cornerH) = 0;
  virtual void DoFillRect(const Rect& r) = 0;
  // startDeg/spanDeg: counter-clockwise degrees from 3 o'clock of the ellipse's own
  // parameter (not the screen angle), span in (0, 360].
  virtual void DoArc(ArcKind kind, const Rect& r, double startDeg, double spanDeg) = 0;
  // One line of text with its cell's top-left at (x, y); underline: index (in code points)
  // of the character to underline, or -1.
  virtual void DoText(int x, int y, std::string_view text, int underline) = 0;
  virtual void StateChanged() {}
  virtual void ClipChanged() {}

 private:
  void ArcShape(ArcKind kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

  Pen pen_;
  Brush brush_;
  ui::Font font_;
  Point penPos_;
  std::optional<Rect> clip_;
  FontMetrics* metrics_;
  FontMetrics* ownMetrics_;
};

}  // namespace ui
