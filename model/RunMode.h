#pragma once
// The run-mode switches of the command line. Program start sets them once, from the arguments
// after the program path joined with blanks; the program's own path is not searched (a folder
// named "DemoMode" must not change how the program runs). Each switch is a case-sensitive
// substring anywhere in that text: no leading '/' or '-' is needed, and an argument that merely
// contains the word counts.
#include <string_view>

// Sets the switches from main()'s arguments (argv[0], the program path, is left out).
void SetRunModeFromArguments(int argc, const char* const* argv);
// Sets the switches from the arguments already joined with blanks.
void SetRunModeFromText(std::string_view arguments);
// Back to the start state: every switch off. For tests.
void ResetRunMode();

// "EnableService".
bool IsServiceEnabled();
// "FactoryMode", which counts only without "EnableService".
bool IsFactoryMode();
// "VorlaMode".
bool IsVorlaMode();
// Nothing hides the main window in this program: always false.
bool IsMainWindowHidden();
// "DemoMode": the device model starts the built-in emulator instead of looking for hardware.
bool IsDemoMode();
// "English": translation off.
bool IsEnglishMode();
