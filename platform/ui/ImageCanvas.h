#pragma once
// A canvas drawing into a QImage (RGB32), the one kept per window and blitted in its paint
// event. One-pixel solid lines are rasterised here, because QPainter leaves out the pixel at
// the larger coordinate instead of the end point; every other shape goes through a QPainter
// that stays open on the image between calls.
#include <QImage>
#include <QPainter>
#include <memory>

#include "platform/ui/Canvas.h"

namespace ui {

class ImageCanvas : public Canvas {
 public:
  // An own picture of the given size, filled white.
  ImageCanvas(int width = 0, int height = 0);
  // Draws into a picture the caller keeps alive (it must stay RGB32 or ARGB32 premultiplied).
  explicit ImageCanvas(QImage* target);
  ~ImageCanvas() override;

  // Resizes the picture (its content is lost, filled white); does nothing when unchanged.
  void SetSize(int width, int height);
  // With alpha the picture keeps an alpha channel and Clear makes it see-through, so what lies
  // under a window shows where nothing was drawn.
  void SetAlpha(bool alpha);
  // Fills the whole picture: transparent with alpha, else white.
  void Clear();
  int Width() const override { return image_->width(); }
  int Height() const override { return image_->height(); }

  const QImage& Image() const { return *image_; }
  // Closes the painter; the next drawing call opens it again. Needed before another painter
  // opens on the same picture.
  void Flush();
  // The picture scaled onto another paint device (printing, screen shots).
  void DrawTo(QPainter& painter, const QRect& target) const;

  void Draw(int x, int y, const QImage& image, std::optional<TColor> transparent = std::nullopt) override;
  void StretchDraw(const Rect& dest, const QImage& image) override;
  void CopyRect(const Rect& dest, const QImage& source, const Rect& src, RasterOp op = RasterOp::SrcCopy) override;
  TColor Pixel(int x, int y) const override;
  void SetPixel(int x, int y, TColor color) override;

 protected:
  void DoPolyline(const Point* points, size_t count) override;
  void DoShiftedPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount) override;
  void DoPolygon(const Point* points, size_t count) override;
  void DoShape(Shape shape, const Rect& r, int cornerW, int cornerH) override;
  void DoFillRect(const Rect& r) override;
  void DoArc(ArcKind kind, const Rect& r, double startDeg, double spanDeg) override;
  void DoText(int x, int y, std::string_view text, int underline) override;
  void StateChanged() override { dirty_ = true; }
  void ClipChanged() override { clipDirty_ = true; }

 private:
  void Begin();   // opens the painter on an unshared picture
  QPainter& P();  // the open painter with the current state
  // The painter with the pen replaced by a one-pixel pen of the brush colour when the pen is
  // clear, so filled shapes cover the same pixels with and without an outline.
  QPainter& ShapePainter();
  Rect DrawableArea() const;
  // 1-px solid polylines, each point list drawn once per shift, straight into the picture.
  void RasterPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount);
  void RasterLine(int x1, int y1, int x2, int y2, QRgb rgb, const Rect& area, uchar* bits, qsizetype stride);

  std::unique_ptr<QImage> own_;
  QImage* image_;
  QPainter painter_;
  bool dirty_ = true;
  bool clipDirty_ = true;
  QFont qfont_;
  Font qfontFor_;
  bool qfontValid_ = false;
  bool alpha_ = false;
};

}  // namespace ui
