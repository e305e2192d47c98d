// Saving and loading instrument states through the main window. The state-file writer and
// reader plug in through StateSaver and StateLoader; without them saving does nothing and
// loading changes nothing.
#include "shell/MainFrm.h"

TMainFrm::TStateFileHook TMainFrm::StateSaver;
TMainFrm::TStateFileHook TMainFrm::StateLoader;

void TMainFrm::SaveState(const std::string& name) {
  if (StateSaver) StateSaver(*this, name);
}

void TMainFrm::LoadState(const std::string& name) {
  if (StateLoader) StateLoader(*this, name);
}
