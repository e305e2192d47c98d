#include "platform/ui/Canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/ui/QtFontMetrics.h"

namespace ui {

namespace {

int CodePoints(std::string_view s) {
  int n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

// Takes the '&' prefixes out: "&&" stays one '&', "&x" marks x (its byte offset in the result).
std::string StripPrefix(std::string_view text, size_t& underlineByte) {
  std::string out;
  out.reserve(text.size());
  underlineByte = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lone '&' at the end shows nothing
    if (text[i + 1] == '&') {
      out += '&';
      ++i;
      continue;
    }
    if (underlineByte == std::string::npos) underlineByte = out.size();
  }
  return out;
}

struct LineRange {
  size_t begin;
  size_t end;
};

}  // namespace

Canvas::Canvas() : metrics_(nullptr), ownMetrics_(new QtFontMetrics) { metrics_ = ownMetrics_; }

Canvas::~Canvas() { delete ownMetrics_; }

void Canvas::SetPen(const Pen& pen) {
  if (pen == pen_) return;
  pen_ = pen;
  StateChanged();
}

void Canvas::SetPenColor(TColor color) {
  Pen p = pen_;
  p.Color = color & 0xFFFFFFu;
  SetPen(p);
}

void Canvas::SetPenWidth(int width) {
  Pen p = pen_;
  p.Width = std::max(width, 1);
  SetPen(p);
}

void Canvas::SetPenStyle(PenStyle style) {
  Pen p = pen_;
  p.Style = style;
  SetPen(p);
}

void Canvas::SetBrush(const Brush& brush) {
  if (brush == brush_) return;
  brush_ = brush;
  StateChanged();
}

void Canvas::SetBrushColor(TColor color) {
  Brush b = brush_;
  b.Color = color & 0xFFFFFFu;
  SetBrush(b);
}

void Canvas::SetBrushStyle(BrushStyle style) {
  Brush b = brush_;
  b.Style = style;
  SetBrush(b);
}

void Canvas::SetFont(const ui::Font& font) {
  if (font == font_) return;
  font_ = font;
  StateChanged();
}

void Canvas::SetClipRect(const Rect& rect) {
  clip_ = rect;
  ClipChanged();
}

void Canvas::ClearClip() {
  clip_.reset();
  ClipChanged();
}

void Canvas::SetMetrics(FontMetrics* metrics) { metrics_ = metrics ? metrics : ownMetrics_; }

int Canvas::TextWidth(std::string_view text) { return metrics_->TextWidth(font_, text); }

int Canvas::TextHeight(std::string_view) { return metrics_->LineHeight(font_); }

void Canvas::LineTo(int x, int y) {
  const Point pts[2] = {penPos_, Point(x, y)};
  DoPolyline(pts, 2);
  penPos_ = Point(x, y);
}

void Canvas::Line(int x1, int y1, int x2, int y2) {
  const Point pts[2] = {Point(x1, y1), Point(x2, y2)};
  DoPolyline(pts, 2);
  penPos_ = Point(x2, y2);
}

void Canvas::Polyline(const Point* points, size_t count) {
  if (count < 2) return;
  DoPolyline(points, count);
}

void Canvas::ShiftedPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount) {
  if (count < 2 || shiftCount == 0) return;
  DoShiftedPolylines(points, count, shifts, shiftCount);
}

void Canvas::DoShiftedPolylines(const Point* points, size_t count, const Point* shifts, size_t shiftCount) {
  std::vector<Point> copy(count);
  for (size_t s = 0; s < shiftCount; ++s) {
    for (size_t j = 0; j < count; ++j) copy[j] = points[j] + shifts[s];
    DoPolyline(copy.data(), count);
  }
}

void Canvas::Polygon(const Point* points, size_t count) {
  if (count < 2) return;
  DoPolygon(points, count);
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  const Rect r(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
  if (r.IsEmpty()) return;
  DoShape(Shape::Rectangle, r, 0, 0);
}

void Canvas::FillRect(const Rect& r) {
  if (r.IsEmpty() || brush_.Style == BrushStyle::Clear) return;
  DoFillRect(r);
}

void Canvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  const Rect r(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
  if (r.IsEmpty()) return;
  DoShape(Shape::RoundRect, r, std::clamp(w, 0, r.Width()), std::clamp(h, 0, r.Height()));
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  const Rect r(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
  if (r.IsEmpty()) return;
  DoShape(Shape::Ellipse, r, 0, 0);
}

void Canvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  ArcShape(ArcKind::Arc, x1, y1, x2, y2, x3, y3, x4, y4);
}

void Canvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  ArcShape(ArcKind::Pie, x1, y1, x2, y2, x3, y3, x4, y4);
}

void Canvas::ArcShape(ArcKind kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const Rect r(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
  if (r.IsEmpty()) return;
  const double cx = (r.Left + r.Right) / 2.0;
  const double cy = (r.Top + r.Bottom) / 2.0;
  const double a = r.Width() / 2.0;
  const double b = r.Height() / 2.0;
  // The ellipse point on the radial line through (x, y) has the parameter atan2(dy/b, dx/a),
  // with y pointing up.
  auto param = [&](int x, int y) {
    return std::atan2(-(y - cy) / b, (x - cx) / a) * 180.0 / std::numbers::pi;
  };
  const double start = param(x3, y3);
  double span = 360.0;
  if (x3 != x4 || y3 != y4) {
    span = param(x4, y4) - start;
    while (span <= 0) span += 360.0;
    while (span > 360.0) span -= 360.0;
  }
  DoArc(kind, r, start, span);
}

void Canvas::TextOut(int x, int y, std::string_view text) {
  DoText(x, y, text, -1);
  penPos_ = Point(x + TextWidth(text), y);
}

int Canvas::DrawText(std::string_view text, Rect& rect, unsigned format) {
  size_t underlineByte = std::string::npos;
  std::string shown;
  if (format & TextFormat::NoPrefix) {
    shown.assign(text);
  } else {
    shown = StripPrefix(text, underlineByte);
  }
  const bool single = (format & TextFormat::SingleLine) != 0;
  if (single) {
    std::string flat;
    flat.reserve(shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      if (shown[i] == '\r') continue;
      if (underlineByte != std::string::npos && i == underlineByte) underlineByte = flat.size();
      flat += shown[i] == '\n' ? ' ' : shown[i];
    }
    shown.swap(flat);
  }

  const int width = rect.Width();
  std::vector<LineRange> lines;
  auto widthOf = [&](size_t b, size_t e) {
    return TextWidth(std::string_view(shown).substr(b, e - b));
  };
  size_t paraBegin = 0;
  while (true) {
    size_t paraEnd = single ? shown.size() : shown.find('\n', paraBegin);
    if (paraEnd == std::string::npos) paraEnd = shown.size();
    size_t contentEnd = paraEnd;
    if (contentEnd > paraBegin && shown[contentEnd - 1] == '\r') --contentEnd;
    if (!single && (format & TextFormat::WordBreak)) {
      size_t lineBegin = paraBegin;
      size_t fitEnd = std::string::npos;
      size_t pos = paraBegin;
      while (true) {
        size_t wordEnd = shown.find(' ', pos);
        if (wordEnd == std::string::npos || wordEnd > contentEnd) wordEnd = contentEnd;
        if (fitEnd == std::string::npos || widthOf(lineBegin, wordEnd) <= width) {
          fitEnd = wordEnd;
        } else {
          lines.push_back({lineBegin, fitEnd});
          lineBegin = fitEnd + 1;
          fitEnd = wordEnd;
        }
        if (wordEnd >= contentEnd) break;
        pos = wordEnd + 1;
      }
      lines.push_back({lineBegin, fitEnd});
    } else {
      lines.push_back({paraBegin, contentEnd});
    }
    if (paraEnd >= shown.size()) break;
    paraBegin = paraEnd + 1;
  }

  const int lineHeight = metrics_->LineHeight(font_);
  const int total = lineHeight * static_cast<int>(lines.size());
  if (format & TextFormat::CalcRect) {
    int widest = 0;
    for (const LineRange& l : lines) widest = std::max(widest, widthOf(l.begin, l.end));
    rect.Right = rect.Left + widest;
    rect.Bottom = rect.Top + total;
    return total;
  }

  const std::optional<Rect> savedClip = clip_;
  const bool clipped = (format & TextFormat::NoClip) == 0;
  if (clipped) {
    Rect c = rect;
    if (clip_) {
      c = Rect(std::max(c.Left, clip_->Left), std::max(c.Top, clip_->Top),
               std::min(c.Right, clip_->Right), std::min(c.Bottom, clip_->Bottom));
    }
    SetClipRect(c);
  }
  int y = rect.Top;
  if (single) {
    if (format & TextFormat::VCenter) {
      y = rect.Top + (rect.Height() - lineHeight) / 2;
    } else if (format & TextFormat::Bottom) {
      y = rect.Bottom - lineHeight;
    }
  }
  for (const LineRange& l : lines) {
    const std::string_view s = std::string_view(shown).substr(l.begin, l.end - l.begin);
    const int w = TextWidth(s);
    int x = rect.Left;
    if (format & TextFormat::Center) {
      x = rect.Left + (width - w) / 2;
    } else if (format & TextFormat::Right) {
      x = rect.Right - w;
    }
    int underline = -1;
    if (underlineByte != std::string::npos && underlineByte >= l.begin && underlineByte < l.end) {
      underline = CodePoints(std::string_view(shown).substr(l.begin, underlineByte - l.begin));
    }
    DoText(x, y, s, underline);
    y += lineHeight;
  }
  if (clipped) {
    if (savedClip) {
      SetClipRect(*savedClip);
    } else {
      ClearClip();
    }
  }
  return total;
}

}  // namespace ui
