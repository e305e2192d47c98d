// The executable: the dialogs join the main window's factory, then everything happens in the
// program start.
#include "automation/AutomationStart.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "dialogs/RegisterDialogs.h"
#include "instrument/ui/InstrumentDialogs.h"
#include "shell/ProgramStart.h"

int main(int argc, char** argv) {
  RegisterDialogs();
  RegisterInstrumentDialogs();
  RegisterCalibrationDialogs();
  InstallAutomation();
  return TProgramStart::Run(argc, argv);
}
