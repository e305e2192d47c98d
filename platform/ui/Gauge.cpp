#include "platform/ui/Gauge.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace ui {

Gauge::Gauge(QWidget* parent) : Control(parent) {}

void Gauge::SetKind(Kind kind) {
  kind_ = kind;
  update();
}

void Gauge::SetMinValue(int value) {
  min_ = value;
  if (max_ < min_) max_ = min_;
  progress_ = std::clamp(progress_, min_, max_);
  update();
}

void Gauge::SetMaxValue(int value) {
  max_ = value;
  if (min_ > max_) min_ = max_;
  progress_ = std::clamp(progress_, min_, max_);
  update();
}

void Gauge::SetProgress(int value) {
  value = std::clamp(value, min_, max_);
  if (value == progress_) return;
  progress_ = value;
  update();
}

int Gauge::PercentDone() const {
  if (max_ == min_) return 0;
  return static_cast<int>(static_cast<long long>(progress_ - min_) * 100 / (max_ - min_));
}

void Gauge::SetForeColor(TColor color) {
  fore_ = color;
  update();
}

void Gauge::SetBackColor(TColor color) {
  back_ = color;
  update();
}

void Gauge::SetShowText(bool on) {
  showText_ = on;
  update();
}

void Gauge::Paint(Canvas& canvas) {
  Control::Paint(canvas);
  const int w = Width();
  const int h = Height();
  const double done = max_ == min_ ? 0.0 : static_cast<double>(progress_ - min_) / (max_ - min_);
  canvas.SetPen(Pen{clBlack, 1, PenStyle::Solid});
  canvas.SetBrush(Brush{back_, BrushStyle::Solid});
  Rect filled;
  if (kind_ == Kind::Pie) {
    canvas.Ellipse(0, 0, w, h);
    if (done > 0) {
      canvas.SetBrushColor(fore_);
      if (done >= 1.0) {
        canvas.Ellipse(0, 0, w, h);
      } else {
        // Clockwise from 12 o'clock: the pie runs counter-clockwise from the end point to 12.
        const double a = std::numbers::pi / 2 - done * 2 * std::numbers::pi;
        const int cx = w / 2;
        const int cy = h / 2;
        const int ex = cx + static_cast<int>(std::lround(std::cos(a) * w));
        const int ey = cy - static_cast<int>(std::lround(std::sin(a) * h));
        canvas.Pie(0, 0, w, h, ex, ey, cx, 0);
      }
    }
  } else {
    canvas.Rectangle(0, 0, w, h);
    if (kind_ == Kind::HorizontalBar) {
      filled = Rect(1, 1, 1 + static_cast<int>((w - 2) * done), h - 1);
    } else {
      filled = Rect(1, h - 1 - static_cast<int>((h - 2) * done), w - 1, h - 1);
    }
    canvas.SetBrushColor(fore_);
    canvas.FillRect(filled);
  }
  if (!showText_) return;
  const std::string text = std::to_string(PercentDone()) + "%";
  ui::Font f = GetFont();
  canvas.SetBrushStyle(BrushStyle::Clear);
  Rect r = ClientRect();
  const unsigned format = TextFormat::SingleLine | TextFormat::VCenter | TextFormat::Center;
  if (kind_ == Kind::Pie) {
    canvas.SetFont(f);
    canvas.DrawText(text, r, format);
    return;
  }
  // The text reads in the back colour over the filled part and in the fore colour elsewhere.
  f.Color = fore_;
  canvas.SetFont(f);
  canvas.DrawText(text, r, format);
  if (!filled.IsEmpty()) {
    f.Color = back_;
    canvas.SetFont(f);
    canvas.SetClipRect(filled);
    Rect r2 = ClientRect();
    canvas.DrawText(text, r2, format | TextFormat::NoClip);
    canvas.ClearClip();
  }
}

}  // namespace ui
