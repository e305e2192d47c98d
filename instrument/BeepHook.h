#pragma once
// The end-of-sweep beep the instrument can ask for. The engine only calls the hook; the shell
// installs one that makes the sound. Without one nothing happens.
#include <functional>

class TBeepHook {
 public:
  using THook = std::function<void(int frequencyHz, int durationMs)>;

  // Calls the installed hook, if any.
  static void Sound(int frequencyHz, int durationMs);
  // Installs a hook (empty = none); returns the one it replaces.
  static THook Install(THook hook);
};
