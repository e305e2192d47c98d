#include "platform/ui/Control.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QString>

#include "platform/ui/Application.h"
#include "platform/ui/Form.h"

namespace ui {

namespace {

bool ButtonOf(Qt::MouseButton qt, MouseButton& button) {
  switch (qt) {
    case Qt::LeftButton: button = MouseButton::Left; return true;
    case Qt::RightButton: button = MouseButton::Right; return true;
    case Qt::MiddleButton: button = MouseButton::Middle; return true;
    default: return false;
  }
}

bool IsDialogKeyCode(int key) {
  switch (key) {
    case vk::Tab:
    case vk::Return:
    case vk::Escape:
    case vk::Cancel:
    case vk::Left:
    case vk::Up:
    case vk::Right:
    case vk::Down: return true;
    default: return false;
  }
}

// Restores the painting target even when a paint handler throws.
class TargetScope {
 public:
  TargetScope(Canvas*& slot, Canvas* target) : slot_(slot), saved_(slot) { slot_ = target; }
  ~TargetScope() { slot_ = saved_; }
  TargetScope(const TargetScope&) = delete;
  TargetScope& operator=(const TargetScope&) = delete;

 private:
  Canvas*& slot_;
  Canvas* saved_;
};

}  // namespace

unsigned TextFormatOf(Alignment alignment) {
  switch (alignment) {
    case Alignment::Center: return TextFormat::Center;
    case Alignment::Right: return TextFormat::Right;
    case Alignment::Left: break;
  }
  return TextFormat::Left;
}

Control::Control(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  setFocusPolicy(Qt::NoFocus);
}

Control::~Control() = default;

std::string Control::Name() const { return objectName().toStdString(); }

void Control::SetName(const std::string& name) { setObjectName(QString::fromStdString(name)); }

void Control::SetBounds(int left, int top, int width, int height) {
  setGeometry(left, top, width < 0 ? 0 : width, height < 0 ? 0 : height);
}

Rect Control::BoundsRect() const { return Rect::FromQRect(geometry()); }

void Control::SetVisible(bool visible) { setVisible(visible); }

void Control::SetColor(TColor color) {
  color = color & 0xFFFFFFu;
  if (color == color_) return;
  color_ = color;
  LookChanged();
  update();
}

void Control::SetFont(const ui::Font& font) {
  if (font == font_) return;
  font_ = font;
  LookChanged();
  update();
}

void Control::SetCursor(ui::Cursor cursor) {
  cursor_ = cursor;
  setCursor(ToQtCursor(cursor));
}

void Control::SetSeeThrough(bool seeThrough) {
  seeThrough_ = seeThrough;
  canvas_.SetAlpha(seeThrough);
  setAttribute(Qt::WA_OpaquePaintEvent, !seeThrough);
}

void Control::PaintKept() {
  canvas_.SetSize(width(), height());
  if (seeThrough_) canvas_.Clear();
  Paint(canvas_);
  canvas_.Flush();
  AfterPaint();
}

void Control::PaintNow() { PaintKept(); }

void Control::Repaint() {
  if (isVisible()) {
    repaint();
  } else {
    PaintKept();
  }
}

void Control::PaintTo(Canvas& target) {
  TargetScope scope(target_, &target);
  Paint(target);
}

void Control::Paint(Canvas& canvas) {
  canvas.SetBrushStyle(BrushStyle::Solid);
  canvas.SetBrushColor(color_);
  canvas.FillRect(ClientRect());
}

bool Control::CanFocus() const {
  if (!isEnabled()) return false;
  for (const QWidget* w = this; w; w = w->parentWidget()) {
    if (w->isHidden()) return false;
    if (w->isWindow()) break;
  }
  return true;
}

void Control::SetFocus() {
  QWidget* target = KeyTarget();
  if (isWindow()) activateWindow();
  target->setFocus(Qt::OtherFocusReason);
}

bool Control::Focused() const {
  QWidget* target = const_cast<Control*>(this)->KeyTarget();
  QWidget* focus = window()->focusWidget();
  return focus == target;
}

Form* Control::ParentForm() const {
  for (QWidget* w = const_cast<Control*>(this); w; w = w->parentWidget()) {
    if (Form* f = qobject_cast<Form*>(w)) return f;
  }
  return nullptr;
}

bool Control::DialogKey(int, ShiftState) { return false; }

bool Control::DialogChar(char32_t) { return false; }

bool Control::WantsKey(int) const { return false; }

void Control::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}

void Control::MouseMove(ShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}

void Control::MouseUp(MouseButton button, ShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}

void Control::Click() {
  if (OnClick) OnClick(*this);
}

void Control::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void Control::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void Control::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

void Control::KeyDown(int& key, ShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void Control::KeyUp(int& key, ShiftState shift) {
  if (OnKeyUp) OnKeyUp(*this, key, shift);
}

void Control::KeyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(*this, key);
}

bool Control::RouteKeyPress(QKeyEvent* event) {
  Form* form = ParentForm();
  Control* preview = form && form != this && form->KeyPreview() ? form : nullptr;
  const ShiftState shift = ShiftFromQt(event->modifiers());
  int key = VirtualKeyFromQt(event->key(), event->modifiers());
  if (key != 0) {
    if (preview) {
      preview->KeyDown(key, shift);
      if (key == 0) return true;
    }
    KeyDown(key, shift);
    if (key == 0) return true;
    if (form && IsDialogKeyCode(key) && !WantsKey(key) && form->BroadcastDialogKey(key, shift)) return true;
  }
  char32_t ch = CharFromKey(event->key(), event->modifiers(), event->text());
  if (ch != 0) {
    if (preview) {
      preview->KeyPress(ch);
      if (ch == 0) return true;
    }
    KeyPress(ch);
    if (ch == 0) return true;
    if (form && (!WantsChars() || (shift & ssAlt)) && form->BroadcastDialogChar(ch)) return true;
  }
  return false;
}

bool Control::RouteKeyRelease(QKeyEvent* event) {
  Form* form = ParentForm();
  Control* preview = form && form != this && form->KeyPreview() ? form : nullptr;
  const ShiftState shift = ShiftFromQt(event->modifiers());
  int key = VirtualKeyFromQt(event->key(), event->modifiers());
  if (key == 0) return false;
  if (preview) {
    preview->KeyUp(key, shift);
    if (key == 0) return true;
  }
  KeyUp(key, shift);
  return key == 0;
}

bool Control::event(QEvent* event) {
  Form::HandlerScope scope(ParentForm());
  bool handled = true;
  Application::Guard([&] { handled = QWidget::event(event); });
  return handled;
}

void Control::paintEvent(QPaintEvent* event) {
  PaintKept();
  QPainter p(this);
  p.drawImage(event->rect(), canvas_.Image(), event->rect());
}

void Control::mousePressEvent(QMouseEvent* event) {
  MouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  if (button == MouseButton::Left) clickPending_ = true;
  const QPoint p = event->position().toPoint();
  MouseDown(button, ShiftFromQt(event->modifiers(), event->buttons()), p.x(), p.y());
  event->accept();
}

void Control::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  MouseMove(ShiftFromQt(event->modifiers(), event->buttons()), p.x(), p.y());
  event->accept();
}

void Control::mouseReleaseEvent(QMouseEvent* event) {
  MouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint();
  if (button == MouseButton::Left && clickPending_) {
    clickPending_ = false;
    if (rect().contains(p)) Click();
  }
  MouseUp(button, ShiftFromQt(event->modifiers(), event->buttons()), p.x(), p.y());
  event->accept();
}

void Control::mouseDoubleClickEvent(QMouseEvent* event) {
  MouseButton button;
  if (!ButtonOf(event->button(), button)) return;
  const QPoint p = event->position().toPoint();
  if (button == MouseButton::Left) DblClick();
  MouseDown(button, ShiftFromQt(event->modifiers(), event->buttons()) | ssDouble, p.x(), p.y());
  event->accept();
}

void Control::enterEvent(QEnterEvent*) { MouseEnter(); }

void Control::leaveEvent(QEvent*) { MouseLeave(); }

void Control::keyPressEvent(QKeyEvent* event) {
  RouteKeyPress(event);
  event->accept();
}

void Control::keyReleaseEvent(QKeyEvent* event) {
  RouteKeyRelease(event);
  event->accept();
}

}  // namespace ui
