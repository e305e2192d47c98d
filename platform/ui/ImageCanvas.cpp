#include "platform/ui/ImageCanvas.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ui {

namespace {

QPen PenFor(const Pen& pen) {
  if (pen.Style == PenStyle::Clear) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.Color));
  const bool thin = pen.Width <= 1;
  p.setWidth(thin ? 1 : pen.Width);
  p.setCapStyle(thin ? Qt::FlatCap : Qt::RoundCap);
  p.setJoinStyle(thin ? Qt::MiterJoin : Qt::RoundJoin);
  switch (pen.Style) {
    case PenStyle::Dash: p.setStyle(Qt::DashLine); break;
    case PenStyle::Dot: p.setStyle(Qt::DotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
  }
  return p;
}

QImage Opaque(const QImage& image) {
  if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied) {
    return image;
  }
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

ImageCanvas::ImageCanvas(int width, int height)
    : own_(std::make_unique<QImage>(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32)),
      image_(own_.get()) {
  image_->fill(Qt::white);
}

ImageCanvas::ImageCanvas(QImage* target) : image_(target) {}

ImageCanvas::~ImageCanvas() { Flush(); }

void ImageCanvas::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == image_->width() && height == image_->height()) return;
  Flush();
  *image_ = QImage(width, height, alpha_ ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  Clear();
}

void ImageCanvas::SetAlpha(bool alpha) {
  if (alpha == alpha_) return;
  alpha_ = alpha;
  Flush();
  *image_ = image_->convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

void ImageCanvas::Clear() {
  Flush();
  image_->fill(alpha_ ? QColor(Qt::transparent) : QColor(Qt::white));
}

void ImageCanvas::Flush() {
  if (painter_.isActive()) painter_.end();
}

void ImageCanvas::Begin() {
  // A copy of the picture taken by someone else shares its data; the painter must not keep
  // drawing into the shared block.
  if (painter_.isActive() && !image_->isDetached()) painter_.end();
  if (!painter_.isActive()) {
    painter_.begin(image_);
    dirty_ = true;
    clipDirty_ = true;
  }
}

QPainter& ImageCanvas::P() {
  Begin();
  if (dirty_) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setPen(PenFor(GetPen()));
    if (GetBrush().Style == BrushStyle::Clear) {
      painter_.setBrush(Qt::NoBrush);
    } else {
      painter_.setBrush(ToQColor(GetBrush().Color));
    }
    if (!qfontValid_ || !(qfontFor_ == GetFont())) {
      qfont_ = GetFont().ToQFont();
      qfontFor_ = GetFont();
      qfontValid_ = true;
    }
    painter_.setFont(qfont_);
    dirty_ = false;
  }
  if (clipDirty_) {
    if (ClipRect()) {
      painter_.setClipRect(ClipRect()->ToQRect());
    } else {
      painter_.setClipping(false);
    }
    clipDirty_ = false;
  }
  return painter_;
}

QPainter& ImageCanvas::ShapePainter() {
  QPainter& p = P();
  if (GetPen().Style == PenStyle::Clear) {
    QPen pen(ToQColor(GetBrush().Color));
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    dirty_ = true;  // the real pen goes back at the next call
  }
  return p;
}

Rect ImageCanvas::DrawableArea() const {
  Rect area(0, 0, image_->width(), image_->height());
  if (ClipRect()) {
    const Rect& c = *ClipRect();
    area = Rect(std::max(area.Left, c.Left), std::max(area.Top, c.Top), std::min(area.Right, c.Right),
                std::min(area.Bottom, c.Bottom));
  }
  return area;
}

void ImageCanvas::RasterLine(int x1, int y1, int x2, int y2, QRgb rgb, const Rect& area, uchar* bits,
                             qsizetype stride) {
  const int64_t dx = static_cast<int64_t>(x2) - x1;
  const int64_t dy = static_cast<int64_t>(y2) - y1;
  const int64_t adx = dx < 0 ? -dx : dx;
  const int64_t ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  const int sx = dx < 0 ? -1 : 1;
  const int sy = dy < 0 ? -1 : 1;
  // Step i = 0 .. n-1 along the major axis (the end point, step n, is left out); the minor
  // coordinate is round(i * minor / major), halves away from the start.
  const bool xMajor = adx >= ady;
  const int64_t major = xMajor ? adx : ady;
  const int64_t minor = xMajor ? ady : adx;
  const int64_t m0 = xMajor ? x1 : y1;
  const int64_t n0 = xMajor ? y1 : x1;
  const int ms = xMajor ? sx : sy;
  const int ns = xMajor ? sy : sx;
  const int64_t mLo = xMajor ? area.Left : area.Top;
  const int64_t mHi = xMajor ? area.Right : area.Bottom;
  const int64_t nLo = xMajor ? area.Top : area.Left;
  const int64_t nHi = xMajor ? area.Bottom : area.Right;
  int64_t iLo = 0;
  int64_t iHi = major;
  if (ms > 0) {
    iLo = std::max<int64_t>(iLo, mLo - m0);
    iHi = std::min<int64_t>(iHi, mHi - m0);
  } else {
    iLo = std::max<int64_t>(iLo, m0 - mHi + 1);
    iHi = std::min<int64_t>(iHi, m0 - mLo + 1);
  }
  if (iLo >= iHi) return;
  const int64_t twoMajor = 2 * major;
  const int64_t twoMinor = 2 * minor;
  const int64_t num = 2 * iLo * minor + major;
  int64_t q = num / twoMajor;
  int64_t rem = num % twoMajor;
  int64_t m = m0 + ms * iLo;
  for (int64_t i = iLo; i < iHi; ++i) {
    const int64_t n = n0 + ns * q;
    if (n >= nLo && n < nHi) {
      const int64_t x = xMajor ? m : n;
      const int64_t y = xMajor ? n : m;
      reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
    } else if ((ns > 0 && n >= nHi) || (ns < 0 && n < nLo)) {
      break;  // the line only moves further away
    }
    m += ms;
    rem += twoMinor;
    if (rem >= twoMajor) {
      ++q;
      rem -= twoMajor;
    }
  }
}

void ImageCanvas::DoPolyline(const Point* points, size_t count) {
  const Pen& pen = GetPen();
  if (pen.Style == PenStyle::Clear) return;
  if (pen.Width > 1 || pen.Style != PenStyle::Solid) {
    P().drawPolyline(points, static_cast<int>(count));
    return;
  }
  const Point none(0, 0);
  RasterPolylines(points, count, &none, 1);
}

void ImageCanvas::DoShiftedPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount) {
  const Pen& pen = GetPen();
  if (pen.Style == PenStyle::Clear) return;
  if (pen.Width > 1 || pen.Style != PenStyle::Solid) {
    Canvas::DoShiftedPolylines(points, count, shifts, shiftCount);
    return;
  }
  RasterPolylines(points, count, shifts, shiftCount);
}

void ImageCanvas::RasterPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount) {
  const Rect area = DrawableArea();
  if (area.IsEmpty()) return;
  Begin();  // the picture is unshared before it is written into
  uchar* bits = image_->bits();
  const qsizetype stride = image_->bytesPerLine();
  const QRgb rgb = ToQRgb(GetPen().Color);
  // One walk over the points: every copy of a segment is drawn while its ends are at hand. All
  // copies write the same colour, so the order of the writes leaves the same picture.
  for (size_t k = 0; k + 1 < count; ++k) {
    const Point a = points[k];
    const Point b = points[k + 1];
    for (size_t s = 0; s < shiftCount; ++s) {
      const int dx = shifts[s].x();
      const int dy = shifts[s].y();
      RasterLine(a.x() + dx, a.y() + dy, b.x() + dx, b.y() + dy, rgb, area, bits, stride);
    }
  }
}

void ImageCanvas::DoPolygon(const Point* points, size_t count) {
  ShapePainter().drawPolygon(points, static_cast<int>(count), Qt::OddEvenFill);
}

void ImageCanvas::DoShape(Shape shape, const Rect& r, int cornerW, int cornerH) {
  if (GetPen().Style == PenStyle::Clear && GetBrush().Style == BrushStyle::Clear) return;
  if (r.Width() == 1 || r.Height() == 1) {
    // A one-pixel-wide shape is its outline: a run of pixels in the pen colour.
    const TColor c = GetPen().Style == PenStyle::Clear ? GetBrush().Color : GetPen().Color;
    P().fillRect(r.ToQRect(), ToQColor(c));
    return;
  }
  const QRect q(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
  QPainter& p = ShapePainter();
  switch (shape) {
    case Shape::Rectangle: p.drawRect(q); break;
    case Shape::Ellipse: p.drawEllipse(q); break;
    case Shape::RoundRect: p.drawRoundedRect(q, cornerW / 2.0, cornerH / 2.0, Qt::AbsoluteSize); break;
  }
}

void ImageCanvas::DoFillRect(const Rect& r) { P().fillRect(r.ToQRect(), ToQColor(GetBrush().Color)); }

void ImageCanvas::DoArc(ArcKind kind, const Rect& r, double startDeg, double spanDeg) {
  // Pixel centres: the curve then lies on the outline Ellipse draws for the same rectangle.
  const QRectF q(r.Left + 0.5, r.Top + 0.5, std::max(r.Width() - 1, 1), std::max(r.Height() - 1, 1));
  const int a = static_cast<int>(std::lround(startDeg * 16));
  const int s = static_cast<int>(std::lround(spanDeg * 16));
  if (kind == ArcKind::Arc) {
    if (GetPen().Style == PenStyle::Clear) return;
    // An open curve: square caps keep the pixels at both of its ends.
    QPainter& p = P();
    QPen pen = p.pen();
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.drawArc(q, a, s);
    dirty_ = true;
  } else {
    if (GetPen().Style == PenStyle::Clear && GetBrush().Style == BrushStyle::Clear) return;
    ShapePainter().drawPie(q, a, s);
  }
}

void ImageCanvas::DoText(int x, int y, std::string_view text, int underline) {
  if (text.empty()) return;
  QPainter& p = P();
  FontMetrics& fm = Metrics();
  const Font& font = GetFont();
  const int w = fm.TextWidth(font, text);
  const int h = fm.LineHeight(font);
  if (GetBrush().Style == BrushStyle::Solid) p.fillRect(QRect(x, y, w, h), ToQColor(GetBrush().Color));
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const int baseline = y + fm.Ascent(font);
  p.setPen(ToQColor(font.Color));
  p.drawText(x, baseline, s);
  if (underline >= 0) {
    const QList<uint> ucs = s.toUcs4();
    if (underline < ucs.size()) {
      const QByteArray pre = QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs.constData()), underline).toUtf8();
      const QByteArray ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs.constData()) + underline, 1).toUtf8();
      const int ux = x + fm.TextWidth(font, std::string_view(pre.constData(), static_cast<size_t>(pre.size())));
      const int uw = fm.TextWidth(font, std::string_view(ch.constData(), static_cast<size_t>(ch.size())));
      if (uw > 0) p.fillRect(QRect(ux, baseline + 1, uw, 1), ToQColor(font.Color));
    }
  }
  dirty_ = true;  // the pen was changed to the font colour
}

void ImageCanvas::Draw(int x, int y, const QImage& image, std::optional<TColor> transparent) {
  if (image.isNull()) return;
  QPainter& p = P();
  if (!transparent) {
    p.drawImage(x, y, image);
    return;
  }
  QImage masked = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ToQRgb(*transparent) & 0xFFFFFFu;
  for (int row = 0; row < masked.height(); ++row) {
    QRgb* line = reinterpret_cast<QRgb*>(masked.scanLine(row));
    for (int col = 0; col < masked.width(); ++col) {
      if ((line[col] & 0xFFFFFFu) == key) line[col] = 0;
    }
  }
  p.drawImage(x, y, masked);
}

void ImageCanvas::StretchDraw(const Rect& dest, const QImage& image) {
  if (image.isNull() || dest.IsEmpty()) return;
  P().drawImage(dest.ToQRect(), image);
}

void ImageCanvas::CopyRect(const Rect& dest, const QImage& source, const Rect& src, RasterOp op) {
  if (dest.IsEmpty() || src.IsEmpty() || source.isNull()) return;
  QPainter& p = P();
  QImage part = &source == image_ ? source.copy(src.ToQRect()) : Opaque(source);
  const QRect from = &source == image_ ? QRect(0, 0, src.Width(), src.Height()) : src.ToQRect();
  switch (op) {
    case RasterOp::SrcCopy: p.setCompositionMode(QPainter::CompositionMode_Source); break;
    case RasterOp::SrcAnd: p.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case RasterOp::MergePaint: p.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination); break;
  }
  p.drawImage(dest.ToQRect(), part, from);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

TColor ImageCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return clInvalid;
  return FromQRgb(image_->pixel(x, y));
}

void ImageCanvas::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
  if (ClipRect() && !ClipRect()->Contains(x, y)) return;
  Begin();
  image_->setPixel(x, y, ToQRgb(color));
}

void ImageCanvas::DrawTo(QPainter& painter, const QRect& target) const { painter.drawImage(target, *image_); }

}  // namespace ui
