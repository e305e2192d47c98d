#pragma once
// The screen the program runs on, and the beeper.
#include <functional>

#include "platform/ui/Geometry.h"

namespace ui {

class Screen {
 public:
  // The whole primary screen.
  static Rect Bounds();
  // The part of it not taken by panels and task bars.
  static Rect WorkArea();
  // Tests place windows on a work area of their own size; an empty hook gives the screen's
  // again. Returns the old hook.
  using WorkAreaHook = std::function<Rect()>;
  static WorkAreaHook SetWorkAreaHook(WorkAreaHook hook);

  // A beep of hz for ms. The desktop gives no control over pitch and length: it sounds its
  // bell. Tests hear it through the hook.
  static void Beep(int hz, int ms);
  using BeepHook = std::function<void(int hz, int ms)>;
  // Replaces the sound with the hook (an empty hook puts the bell back); returns the old one.
  static BeepHook SetBeepHook(BeepHook hook);
};

}  // namespace ui
