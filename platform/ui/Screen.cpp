#include "platform/ui/Screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace ui {

namespace {

Screen::BeepHook& HookSlot() {
  static Screen::BeepHook hook;
  return hook;
}

}  // namespace

Rect Screen::Bounds() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? Rect::FromQRect(screen->geometry()) : Rect(0, 0, 1024, 768);
}

Rect Screen::WorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? Rect::FromQRect(screen->availableGeometry()) : Rect(0, 0, 1024, 768);
}

void Screen::Beep(int hz, int ms) {
  if (HookSlot()) {
    HookSlot()(hz, ms);
    return;
  }
  QApplication::beep();
}

Screen::BeepHook Screen::SetBeepHook(BeepHook hook) {
  BeepHook previous = std::move(HookSlot());
  HookSlot() = std::move(hook);
  return previous;
}

}  // namespace ui
