#pragma once
// The shell's own dialogs behind the soft keys "System", "Files", "Channels" and the service
// key, and the frequency offset dialog of the service menu: they join the main window's
// factory under their class names.
#include <string>

class TTouchDialogFrm;
namespace ui {
class Form;
}

// Registers "TSystem30Frm", "TSaveRecallFrm", "TChannelListFrm", "TServiceFrm", "TFactoryFrm"
// and "TFreqOffsetFrm".
void RegisterShellDialogs();

// Another dialog of the program, opened modally through the main window's factory with that
// owner while `dialog` hides (the sub-dialog sequence). An unregistered class shows "Not
// available yet" and the dialog comes back. The modal result; Cancel without a main window.
int RunFactoryDialog(TTouchDialogFrm& dialog, ui::Form& owner, const std::string& dialogClass, int arg = -1);

// The English word of a value in a table of words; empty for a value outside it (the panel
// then keeps its text).
template <size_t N>
const char* WordOf(const char* const (&words)[N], int value) {
  return value >= 0 && value < static_cast<int>(N) ? words[value] : "";
}
