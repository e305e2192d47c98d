#include "instrument/BeepHook.h"

#include <utility>

namespace {

TBeepHook::THook& Hook() {
  static TBeepHook::THook hook;
  return hook;
}

}  // namespace

void TBeepHook::Sound(int frequencyHz, int durationMs) {
  const TBeepHook::THook hook = Hook();  // a hook may replace itself
  if (hook) hook(frequencyHz, durationMs);
}

TBeepHook::THook TBeepHook::Install(THook hook) {
  THook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
