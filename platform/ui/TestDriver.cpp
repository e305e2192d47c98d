#include "platform/ui/TestDriver.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "platform/ui/EventLoop.h"
#include "platform/ui/ModalWatchdog.h"

namespace ui {

namespace {

// A modal run still going this long after its action has run is stuck.

Qt::MouseButton QtButton(MouseButton b) {
  switch (b) {
    case MouseButton::Right: return Qt::RightButton;
    case MouseButton::Middle: return Qt::MiddleButton;
    case MouseButton::Left: break;
  }
  return Qt::LeftButton;
}

Qt::MouseButtons HeldButtons(ShiftState shift) {
  Qt::MouseButtons b;
  if (shift & ssLeft) b |= Qt::LeftButton;
  if (shift & ssRight) b |= Qt::RightButton;
  if (shift & ssMiddle) b |= Qt::MiddleButton;
  return b;
}

int QtKeyOfChar(char32_t c, bool& shifted) {
  shifted = false;
  if (c >= U'0' && c <= U'9') return Qt::Key_0 + static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'z') return Qt::Key_A + static_cast<int>(c - U'a');
  if (c >= U'A' && c <= U'Z') {
    shifted = true;
    return Qt::Key_A + static_cast<int>(c - U'A');
  }
  switch (c) {
    case U'.': return Qt::Key_Period;
    case U',': return Qt::Key_Comma;
    case U'-': return Qt::Key_Minus;
    case U'+': return Qt::Key_Plus;
    case U' ': return Qt::Key_Space;
    case U'\r':
    case U'\n': return Qt::Key_Return;
    case 8: return Qt::Key_Backspace;
    case 27: return Qt::Key_Escape;
    case U'\t': return Qt::Key_Tab;
    default: return Qt::Key_unknown;
  }
}

}  // namespace

namespace {
int WatchdogMs = 10000;
}

void SetModalWatchdogMs(int ms) { WatchdogMs = ms; }
int ModalWatchdogMs() { return WatchdogMs; }

TestDriver::TestDriver(FailureHandler onFailure)
    : onFailure_(std::move(onFailure)), box_([this](const std::string& m) { Fail(m); }) {
  previousHook_ = Form::SetModalHook([this](Form& form) {
    if (modalActions_.empty()) {
      Fail("unscripted modal run of the form '" + form.Name() + "'");
      form.SetModalResult(mrCancel);
      return;
    }
    auto action = std::move(modalActions_.front());
    modalActions_.pop_front();
    QPointer<Form> guard(&form);
    const QString name = form.objectName();
    QTimer::singleShot(ModalWatchdogMs(), &form, [this, guard, name] {
      if (guard && guard->IsModal()) {
        Fail("the modal run of the form '" + name.toStdString() + "' did not end");
        guard->SetModalResult(mrCancel);
      }
    });
    action(form);
  });
}

TestDriver::~TestDriver() { Form::SetModalHook(std::move(previousHook_)); }

void TestDriver::Fail(const std::string& message) const {
  if (onFailure_) {
    onFailure_(message);
    return;
  }
  std::cerr << message << std::endl;
  std::abort();
}

QWidget* TestDriver::FindWidget(const std::string& name, QWidget* root) const {
  const QString n = QString::fromStdString(name);
  if (root) {
    if (root->objectName() == n) return root;
    return root->findChild<QWidget*>(n);
  }
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == n) return top;
    if (QWidget* w = top->findChild<QWidget*>(n)) return w;
  }
  return nullptr;
}

void TestDriver::SendMouse(Control& c, int type, int x, int y, MouseButton button, ShiftState shift) {
  const auto t = static_cast<QEvent::Type>(type);
  Qt::MouseButton qb = Qt::NoButton;
  Qt::MouseButtons held = HeldButtons(shift);
  if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) {
    qb = QtButton(button);
    held |= qb;
  } else if (t == QEvent::MouseButtonRelease) {
    qb = QtButton(button);
    held &= ~Qt::MouseButtons(qb);
  }
  QWidget* receiver = c.KeyTarget();
  const QPoint local = receiver->mapFrom(&c, QPoint(x, y));
  QMouseEvent event(t, QPointF(local), QPointF(receiver->mapToGlobal(local)), qb, held, QtModifiersFromShift(shift));
  QApplication::sendEvent(receiver, &event);
}

void TestDriver::Press(Control& c, MouseButton button, ShiftState shift) {
  Press(c, c.Width() / 2, c.Height() / 2, button, shift);
}

void TestDriver::Press(Control& c, int x, int y, MouseButton button, ShiftState shift) {
  SendMouse(c, QEvent::MouseButtonPress, x, y, button, shift);
}

void TestDriver::Release(Control& c, MouseButton button, ShiftState shift) {
  Release(c, c.Width() / 2, c.Height() / 2, button, shift);
}

void TestDriver::Release(Control& c, int x, int y, MouseButton button, ShiftState shift) {
  SendMouse(c, QEvent::MouseButtonRelease, x, y, button, shift);
}

void TestDriver::Click(Control& c, MouseButton button) { Click(c, c.Width() / 2, c.Height() / 2, button); }

void TestDriver::Click(Control& c, int x, int y, MouseButton button) {
  QPointer<Control> guard(&c);
  Press(c, x, y, button);
  if (guard) Release(c, x, y, button);
}

void TestDriver::DoubleClick(Control& c) { DoubleClick(c, c.Width() / 2, c.Height() / 2); }

void TestDriver::DoubleClick(Control& c, int x, int y) {
  QPointer<Control> guard(&c);
  Click(c, x, y);
  if (guard) SendMouse(c, QEvent::MouseButtonDblClick, x, y, MouseButton::Left, 0);
  if (guard) Release(c, x, y);
}

void TestDriver::Move(Control& c, int x, int y, ShiftState shift) {
  SendMouse(c, QEvent::MouseMove, x, y, MouseButton::Left, shift);
}

void TestDriver::Enter(Control& c) {
  const QPointF local(c.Width() / 2.0, c.Height() / 2.0);
  QEnterEvent event(local, local, QPointF(c.mapToGlobal(local.toPoint())));
  QApplication::sendEvent(&c, &event);
}

void TestDriver::Leave(Control& c) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(&c, &event);
}

void TestDriver::Drag(Control& c, int x, int y, int dx, int dy, int steps) {
  QPointer<Control> guard(&c);
  Press(c, x, y);
  if (steps < 1) steps = 1;
  for (int i = 1; i <= steps && guard; ++i) {
    Move(c, x + dx * i / steps, y + dy * i / steps, ssLeft);
  }
  if (guard) Release(c, x + dx, y + dy);
}

QWidget* TestDriver::KeyReceiver(Control& target) {
  if (target.isWindow()) {
    QWidget* focus = target.focusWidget();
    return focus ? focus : &target;
  }
  return target.KeyTarget();
}

void TestDriver::SendKey(QWidget* receiver, int qtKey, Qt::KeyboardModifiers mods, bool keypad, const QString& text) {
  if (keypad) mods |= Qt::KeypadModifier;
  QPointer<QWidget> guard(receiver);
  QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
  QApplication::sendEvent(receiver, &press);
  if (!guard) return;
  QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
  QApplication::sendEvent(receiver, &release);
}

void TestDriver::Key(Control& target, int virtualKey, ShiftState shift) {
  bool keypad = false;
  const int qtKey = QtKeyFromVirtualKey(virtualKey, &keypad);
  SendKey(KeyReceiver(target), qtKey, QtModifiersFromShift(shift), keypad, TextOfVirtualKey(virtualKey, shift));
}

void TestDriver::Type(Control& target, const std::string& utf8) {
  const QList<uint> chars = QString::fromStdString(utf8).toUcs4();
  for (uint c : chars) {
    bool shifted = false;
    const int qtKey = QtKeyOfChar(static_cast<char32_t>(c), shifted);
    const QString text = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    SendKey(KeyReceiver(target), qtKey, shifted ? Qt::ShiftModifier : Qt::NoModifier, false, text);
  }
}

void TestDriver::OnNextModal(std::function<void(Form& form)> action) { modalActions_.push_back(std::move(action)); }

void TestDriver::ProcessEvents() { EventLoop::ProcessPending(); }

}  // namespace ui
