#include "platform/ui/Keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace ui {

namespace {

struct Pair {
  int qt;
  int vk;
};

constexpr Pair kKeys[] = {
    {Qt::Key_Cancel, vk::Cancel},   {Qt::Key_Backspace, vk::Back}, {Qt::Key_Tab, vk::Tab},
    {Qt::Key_Backtab, vk::Tab},     {Qt::Key_Return, vk::Return},  {Qt::Key_Enter, vk::Return},
    {Qt::Key_Shift, vk::Shift},     {Qt::Key_Control, vk::Control}, {Qt::Key_Alt, vk::Menu},
    {Qt::Key_Pause, vk::Pause},     {Qt::Key_Escape, vk::Escape},  {Qt::Key_Space, vk::Space},
    {Qt::Key_PageUp, vk::Prior},    {Qt::Key_PageDown, vk::Next},  {Qt::Key_End, vk::End},
    {Qt::Key_Home, vk::Home},       {Qt::Key_Left, vk::Left},      {Qt::Key_Up, vk::Up},
    {Qt::Key_Right, vk::Right},     {Qt::Key_Down, vk::Down},      {Qt::Key_Insert, vk::Insert},
    {Qt::Key_Delete, vk::Delete},   {Qt::Key_Plus, vk::OemPlus},   {Qt::Key_Equal, vk::OemPlus},
    {Qt::Key_Comma, vk::OemComma},  {Qt::Key_Minus, vk::OemMinus}, {Qt::Key_Period, vk::OemPeriod},
};

}  // namespace

int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (keypad) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return vk::Numpad0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
      case Qt::Key_Asterisk: return vk::Multiply;
      case Qt::Key_Plus: return vk::Add;
      case Qt::Key_Minus: return vk::Subtract;
      case Qt::Key_Period:
      case Qt::Key_Comma: return vk::Decimal;
      case Qt::Key_Slash: return vk::Divide;
      default: break;
    }
  }
  if (qtKey == Qt::Key_Pause && modifiers.testFlag(Qt::ControlModifier)) return vk::Cancel;
  if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vk::F1 + (qtKey - Qt::Key_F1);
  for (const Pair& p : kKeys) {
    if (p.qt == qtKey) return p.vk;
  }
  return 0;
}

int QtKeyFromVirtualKey(int virtualKey, bool* keypad) {
  if (keypad) *keypad = false;
  if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) return virtualKey;
  if (virtualKey >= vk::Numpad0 && virtualKey <= vk::Divide) {
    if (keypad) *keypad = true;
    if (virtualKey <= vk::Numpad0 + 9) return Qt::Key_0 + (virtualKey - vk::Numpad0);
    switch (virtualKey) {
      case vk::Multiply: return Qt::Key_Asterisk;
      case vk::Add: return Qt::Key_Plus;
      case vk::Subtract: return Qt::Key_Minus;
      case vk::Decimal: return Qt::Key_Period;
      case vk::Divide: return Qt::Key_Slash;
      default: if (keypad) *keypad = false; return Qt::Key_unknown;
    }
  }
  if (virtualKey >= vk::F1 && virtualKey < vk::F1 + 24) return Qt::Key_F1 + (virtualKey - vk::F1);
  for (const Pair& p : kKeys) {
    if (p.vk == virtualKey) return p.qt;
  }
  return Qt::Key_unknown;
}

ShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  ShiftState s = 0;
  if (modifiers.testFlag(Qt::ShiftModifier)) s |= ssShift;
  if (modifiers.testFlag(Qt::AltModifier)) s |= ssAlt;
  if (modifiers.testFlag(Qt::ControlModifier)) s |= ssCtrl;
  if (buttons.testFlag(Qt::LeftButton)) s |= ssLeft;
  if (buttons.testFlag(Qt::RightButton)) s |= ssRight;
  if (buttons.testFlag(Qt::MiddleButton)) s |= ssMiddle;
  return s;
}

Qt::KeyboardModifiers QtModifiersFromShift(ShiftState shift) {
  Qt::KeyboardModifiers m;
  if (shift & ssShift) m |= Qt::ShiftModifier;
  if (shift & ssAlt) m |= Qt::AltModifier;
  if (shift & ssCtrl) m |= Qt::ControlModifier;
  return m;
}

char32_t CharFromKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
  const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
  if (ctrl && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<char32_t>(qtKey - Qt::Key_A + 1);
  if (ctrl && (qtKey == Qt::Key_Pause || qtKey == Qt::Key_Cancel)) return 3;
  if (!text.isEmpty()) {
    const QList<uint> ucs = text.toUcs4();
    if (!ucs.isEmpty() && ucs.front() != 0 && ucs.front() != 0x7F) return static_cast<char32_t>(ucs.front());
  }
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Cancel: return 3;
    default: return 0;
  }
}

QString TextOfVirtualKey(int virtualKey, ShiftState shift) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    const char c = static_cast<char>((shift & ssShift) ? virtualKey : virtualKey - 'A' + 'a');
    return QString(QChar(c));
  }
  if (virtualKey >= '0' && virtualKey <= '9') return QString(QChar(virtualKey));
  if (virtualKey >= vk::Numpad0 && virtualKey <= vk::Numpad0 + 9) return QString(QChar('0' + virtualKey - vk::Numpad0));
  switch (virtualKey) {
    case vk::Return: return QStringLiteral("\r");
    case vk::Escape: return QString(QChar(27));
    case vk::Back: return QString(QChar(8));
    case vk::Tab: return QStringLiteral("\t");
    case vk::Space: return QStringLiteral(" ");
    case vk::Cancel: return QString(QChar(3));
    case vk::Subtract:
    case vk::OemMinus: return QStringLiteral("-");
    case vk::Decimal:
    case vk::OemPeriod: return QStringLiteral(".");
    case vk::OemComma: return QStringLiteral(",");
    case vk::Add:
    case vk::OemPlus: return QStringLiteral("+");
    case vk::Multiply: return QStringLiteral("*");
    case vk::Divide: return QStringLiteral("/");
    default: return QString();
  }
}

void PostKey(int virtualKey, ShiftState shift) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [virtualKey, shift] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window) window = QApplication::activeWindow();
        QWidget* receiver = window ? window->focusWidget() : QApplication::focusWidget();
        if (!receiver) receiver = window;
        if (!receiver) return;
        bool keypad = false;
        const int qtKey = QtKeyFromVirtualKey(virtualKey, &keypad);
        Qt::KeyboardModifiers mods = QtModifiersFromShift(shift);
        if (keypad) mods |= Qt::KeypadModifier;
        const QString text = TextOfVirtualKey(virtualKey, shift);
        QPointer<QWidget> guard(receiver);
        QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
        QApplication::sendEvent(receiver, &press);
        if (!guard) return;
        QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
        QApplication::sendEvent(receiver, &release);
      },
      Qt::QueuedConnection);
}

}  // namespace ui
