#include "widgets/SoftKeyPanel.h"

#include <QByteArray>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <optional>
#include <string_view>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/ResourceRegistry.h"
#include "model/Services.h"

namespace {

constexpr ui::TColor kBaseColor = 0x0F0F0F;
// The gap between the keys and the column's edges.
constexpr int kBorder = 4;
constexpr int kRowGap = 2;

const TViewProperties& Look() {
  if (!ViewProperties) throw EAbort("The display look does not exist");
  return *ViewProperties;
}

// A built-in picture as an opaque RGB image; empty when the resource is missing or unreadable.
QImage LoadIcon(const char* name) {
  const std::optional<std::string_view> bytes = FindResource(name);
  if (!bytes) return {};
  QImage image;
  if (!image.loadFromData(QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size())), "XPM")) {
    return {};
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TSoftKeyPanel::TSoftKeyPanel(QWidget* parent, const std::vector<TKeyDef>& keys, bool iconLeft, bool expandRight)
    : ui::Control(parent),
      basePanel_(new ui::Panel(this)),
      paintBox_(new ui::PaintBox(basePanel_)),
      expandRight_(expandRight) {
  SetColor(kBaseColor);
  basePanel_->SetName("BasePanel");
  basePanel_->SetColor(kBaseColor);
  paintBox_->SetName("PaintBox");
  for (const TKeyDef& key : keys) {
    buttons_.push_back(std::make_unique<TPaintButton>(TranslateText(key.Caption), iconLeft));
    icons_.push_back(LoadIcon(key.IconName));
  }
  paintBox_->OnPaint = [this](ui::Control&) { PaintBoxPaint(); };
  paintBox_->OnMouseDown = [this](ui::Control&, ui::MouseButton button, ui::ShiftState, int x, int y) {
    PaintBoxMouseDown(button, x, y);
  };
  paintBox_->OnMouseMove = [this](ui::Control&, ui::ShiftState shift, int x, int y) { PaintBoxMouseMove(shift, x, y); };
  paintBox_->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { PaintBoxMouseUp(); };
  paintBox_->OnMouseLeave = [this](ui::Control&) { PaintBoxMouseLeave(); };
  if (parent) {
    parent->installEventFilter(this);
    FillParent();
  }
}

TSoftKeyPanel::~TSoftKeyPanel() {
  if (QWidget* parent = parentWidget()) parent->removeEventFilter(this);
  paintBox_->OnPaint = nullptr;
  paintBox_->OnMouseDown = nullptr;
  paintBox_->OnMouseMove = nullptr;
  paintBox_->OnMouseUp = nullptr;
  paintBox_->OnMouseLeave = nullptr;
}

void TSoftKeyPanel::SetTextMetrics(ui::FontMetrics* metrics) { paintBox_->KeptCanvas().SetMetrics(metrics); }

// --- size --------------------------------------------------------------------------------------

void TSoftKeyPanel::FillParent() {
  if (QWidget* parent = parentWidget()) SetBounds(0, 0, parent->width(), parent->height());
  // A hidden widget gets its resize event only when it is shown; the children follow now.
  LayoutChildren();
}

void TSoftKeyPanel::LayoutChildren() {
  basePanel_->SetBounds(0, 0, Width(), Height());
  paintBox_->SetBounds(0, 0, Width(), Height());
  FrameResize();
}

bool TSoftKeyPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) FillParent();
  return ui::Control::eventFilter(watched, event);
}

void TSoftKeyPanel::resizeEvent(QResizeEvent* event) {
  ui::Control::resizeEvent(event);
  LayoutChildren();
}

void TSoftKeyPanel::FrameResize() { paintBox_->Invalidate(); }

int TSoftKeyPanel::GetWidth() {
  const TViewProperties& look = Look();
  if (!expanded_) return look.ButtonHeight + 2 * kBorder;
  ui::Canvas& canvas = paintBox_->KeptCanvas();
  canvas.SetFont(ui::Font(look.GetButtonFontName(), look.GetButtonFontSize()));
  return look.ButtonHeight + canvas.TextWidth("HHHHHHHHHHHH") + look.Margin + 2 * kBorder;
}

int TSoftKeyPanel::ShownKeyCount(int height) const {
  const int step = Look().ButtonHeight + kRowGap;
  const int available = step > 0 ? std::max(height, 0) / step : 0;
  return std::min(available, KeyLimit());
}

// --- state -------------------------------------------------------------------------------------

void TSoftKeyPanel::SetExpanded(bool expanded) {
  if (expanded == expanded_) return;
  expanded_ = expanded;
  hotIndex_ = -1;
  QPointer<TSoftKeyPanel> self(this);
  if (OnItemClick) OnItemClick(*this, -1);
  if (self) paintBox_->Invalidate();
}

void TSoftKeyPanel::Redraw() { paintBox_->Invalidate(); }

// --- painting ----------------------------------------------------------------------------------

void TSoftKeyPanel::PaintBoxPaint() {
  ui::Canvas& canvas = paintBox_->GetCanvas();
  panelRect_ = paintBox_->ClientRect();
  if (!ViewProperties) {
    // Before program start has made the look (or after it is gone): an empty column.
    canvas.SetPen(ui::Pen{kBaseColor, 1, ui::PenStyle::Solid});
    canvas.SetBrush(ui::Brush{kBaseColor, ui::BrushStyle::Solid});
    canvas.Rectangle(panelRect_);
    for (auto& button : buttons_) button->Rect = ui::Rect();
    return;
  }
  const TViewProperties& look = *ViewProperties;
  const ui::TColor background = look.GetUndegroundColor();
  canvas.SetPen(ui::Pen{background, 1, ui::PenStyle::Solid});
  canvas.SetBrush(ui::Brush{background, ui::BrushStyle::Solid});
  canvas.Rectangle(panelRect_);

  UpdateCaptions();

  const int step = look.ButtonHeight + kRowGap;
  const int count = ShownKeyCount(panelRect_.Height());
  const int size = std::max(look.IconSize, 0);
  for (int i = 0; i < count; ++i) {
    // The picture on a white square of the icon size, as the key expects it.
    QImage work(size, size, QImage::Format_RGB32);
    work.fill(Qt::white);
    const QImage& icon = icons_[static_cast<size_t>(i)];
    if (icon.isNull()) {
      work = QImage();
    } else {
      for (int y = 0; y < std::min(size, icon.height()); ++y) {
        for (int x = 0; x < std::min(size, icon.width()); ++x) work.setPixel(x, y, icon.pixel(x, y));
      }
    }
    const int top = panelRect_.Top + i * step + kBorder;
    const ui::Rect rect(panelRect_.Left + kBorder, top, panelRect_.Right - kBorder, top + look.ButtonHeight);
    buttons_[static_cast<size_t>(i)]->Paint(canvas, work, expanded_, rect);
  }
  for (size_t i = static_cast<size_t>(count); i < buttons_.size(); ++i) buttons_[i]->Rect = ui::Rect();
}

// --- pointer -----------------------------------------------------------------------------------

void TSoftKeyPanel::TrackHover(int x, int y) {
  bool changed = false;
  for (auto& button : buttons_) changed = button->UpdateHover(x, y) || changed;
  if (changed) paintBox_->Invalidate();
  int hot = -1;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i]->Rect.Contains(x, y)) {
      hot = static_cast<int>(i);
      break;
    }
  }
  SetHotIndex(hot);
}

void TSoftKeyPanel::SetHotIndex(int index) {
  if (index == hotIndex_) return;
  hotIndex_ = index;
  paintBox_->SetCursor(index >= 0 ? ui::Cursor::HandPoint : ui::Cursor::Default);
  paintBox_->Invalidate();
}

void TSoftKeyPanel::PaintBoxMouseDown(ui::MouseButton button, int x, int y) {
  TrackHover(x, y);
  if (button != ui::MouseButton::Left) return;
  downPoint_ = ui::Point(x, y);
  pressed_ = true;
}

void TSoftKeyPanel::PaintBoxMouseMove(ui::ShiftState shift, int x, int y) {
  if (!pressed_) {
    TrackHover(x, y);
    return;
  }
  if ((shift & ui::ssLeft) == 0) return;
  const int dx = x - downPoint_.x();
  if (dx > kDragThreshold || dx < -kDragThreshold) {
    pressed_ = false;
    SetExpanded((dx > 0) == expandRight_);
  }
}

void TSoftKeyPanel::PaintBoxMouseUp() {
  if (pressed_) {
    pressed_ = false;
    if (hotIndex_ != -1 && OnItemClick) {
      QPointer<TSoftKeyPanel> self(this);
      OnItemClick(*this, hotIndex_);
      if (!self) return;
    }
    hotIndex_ = -1;
  }
  paintBox_->Invalidate();
}

void TSoftKeyPanel::PaintBoxMouseLeave() {
  for (auto& button : buttons_) button->ClearHover();
  paintBox_->Invalidate();
}
