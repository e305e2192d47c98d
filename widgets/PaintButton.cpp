#include "widgets/PaintButton.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/Utils.h"

namespace {

constexpr ui::TColor kCaptionDark = 0x000000;
constexpr ui::TColor kCaptionLight = 0xC0C0C0;

// Byte offsets where the UTF-8 characters of text begin, and the text's length at the end.
std::vector<size_t> CharacterStarts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

// The rounded corners of a key: how far row i of h rows stays in from both sides.
int RowInset(int i, int h) {
  const int fromEdge = std::min(i, h - 1 - i);
  switch (fromEdge) {
    case 0: return 5;
    case 1: return 3;
    case 2: return 2;
    case 3:
    case 4: return 1;
    default: return 0;
  }
}

const TViewProperties& Look() {
  if (!ViewProperties) throw EAbort("The display look does not exist");
  return *ViewProperties;
}

}  // namespace

TPaintButton::TPaintButton(std::string caption, bool iconLeft) : Caption(std::move(caption)), IconLeft(iconLeft) {}

bool TPaintButton::UpdateHover(int x, int y) {
  const bool inside = Rect.Contains(x, y);
  if (inside == Hover) return false;
  Hover = inside;
  return true;
}

bool TPaintButton::ClearHover() {
  if (!Hover) return false;
  Hover = false;
  return true;
}

void TPaintButton::Paint(ui::Canvas& canvas, const QImage& icon, bool showCaption, const ui::Rect& rect) {
  Rect = rect;
  ShowCaption = showCaption;
  const TViewProperties& look = Look();
  const bool inverse = look.InverseColor;
  const int l = rect.Left;
  const int t = rect.Top;
  const int r = rect.Right;
  const int b = rect.Bottom;
  const int h = b - t;

  ui::Font font(look.GetButtonFontName(), look.GetButtonFontSize());
  canvas.SetFont(font);
  const int lineHeight = canvas.TextHeight("H") + 1;

  // A lit key is the grid colour turned inside out, with the caption colours swapped; the
  // inverted look swaps them once more.
  const ui::TColor base = Hover ? InvertColor(look.GetGridColor()) : look.GetGridColor();
  const bool darkCaption = Hover != inverse;
  font.Color = darkCaption ? kCaptionDark : kCaptionLight;

  // The body: one line per row, bright at the top, with rounded corners.
  canvas.SetPenWidth(1);
  canvas.SetPenStyle(ui::PenStyle::Solid);
  const double offset = inverse ? 0.6 : 0.4;
  for (int i = 0; i < h; ++i) {
    const double f = static_cast<double>(h - i) / h * 0.9 + offset;
    canvas.SetPenColor(ScaleColor(base, f));
    const int inset = RowInset(i, h);
    canvas.Line(l + inset, t + i, r - inset, t + i);
  }

  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.SetPenColor(ScaleColor(base, inverse ? 0.7 : 0.6));
  canvas.RoundRect(l, t, r, b, 9, 9);

  const int slot = icon.isNull() ? look.Margin : look.ButtonHeight;
  if (ShowCaption && !Caption.empty()) {
    canvas.SetFont(font);
    canvas.SetBrushStyle(ui::BrushStyle::Clear);
    const int width = r - l + 1 - slot - look.Margin;
    const int x = IconLeft ? l + slot : l + look.Margin;
    if (canvas.TextWidth(Caption) <= width) {
      canvas.TextOut(x, t + (h - lineHeight + 1) / 2, Caption);
    } else {
      const int y1 = t + (h + 1) / 2 - lineHeight;
      canvas.TextOut(x, y1, SplitTextToWidth(canvas, 1, width, Caption));
      canvas.TextOut(x, y1 + lineHeight, SplitTextToWidth(canvas, 2, width, Caption));
    }
  }

  if (!icon.isNull()) {
    // AND shows the black picture dark on a lit key; (NOT picture) OR key shows it light on a
    // dark one.
    const bool useAnd = Hover != inverse;
    const int size = look.IconSize;
    const int d = (look.ButtonHeight - size) / 2;
    const int e = (look.ButtonHeight + size) / 2;
    const ui::Rect target = IconLeft ? ui::Rect(l + d, t + d, l + e, t + e) : ui::Rect(r - e, t + d, r - d, t + e);
    canvas.CopyRect(target, icon, ui::Rect(0, 0, size, size), useAnd ? ui::RasterOp::SrcAnd : ui::RasterOp::MergePaint);
  }
}

std::string SplitTextToWidth(ui::Canvas& canvas, int line, int width, std::string_view text) {
  width = std::max(width, 0);
  const std::vector<size_t> starts = CharacterStarts(text);
  const size_t length = starts.size() - 1;
  size_t n = length;
  while (n > 0 && canvas.TextWidth(text.substr(0, starts[n])) > width) --n;
  if (line == 1) return std::string(text.substr(0, starts[n]));
  if (line != 2) return {};
  size_t m = length - n;
  auto part = [&](size_t count) { return text.substr(starts[n], starts[n + count] - starts[n]); };
  while (m > 0 && canvas.TextWidth(part(m)) > width) --m;
  return std::string(part(m));
}
