#pragma once
// The wait cursor over every window of the program while shown; nests. The program installs
// one as the engine's busy-cursor hook.
#include "model/BusyCursor.h"

namespace ui {

class BusyCursor : public IBusyCursorHook {
 public:
  void Show() override;
  void Restore() override;
};

}  // namespace ui
