#pragma once
// How long a modal run that the test driver scripted may last before it counts as hung and is
// cancelled: 10 s unless a test whose runs sweep for longer (a module's whole calibration)
// says otherwise for its process.
namespace ui {

void SetModalWatchdogMs(int ms);
int ModalWatchdogMs();

}  // namespace ui
