// The executable: the dialogs join the main window's factory, then everything happens in the
// program start.
#include "dialogs/RegisterDialogs.h"
#include "shell/ProgramStart.h"

int main(int argc, char** argv) {
  RegisterDialogs();
  return TProgramStart::Run(argc, argv);
}
