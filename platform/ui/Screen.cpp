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

Screen::WorkAreaHook& WorkAreaSlot() {
  static Screen::WorkAreaHook hook;
  return hook;
}

}  // namespace

Rect Screen::Bounds() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? Rect::FromQRect(screen->geometry()) : Rect(0, 0, 1024, 768);
}

Rect Screen::WorkArea() {
  if (WorkAreaSlot()) return WorkAreaSlot()();
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

Screen::WorkAreaHook Screen::SetWorkAreaHook(WorkAreaHook hook) {
  WorkAreaHook previous = std::move(WorkAreaSlot());
  WorkAreaSlot() = std::move(hook);
  return previous;
}

}  // namespace ui
