// The executable: everything happens in the program start.
#include "shell/ProgramStart.h"

int main(int argc, char** argv) { return TProgramStart::Run(argc, argv); }
