#pragma once
// The marker dialogs: the Marker List behind the soft key "Marker" and the dialogs it opens
// (Marker Search with Search Peak and Search Target, Marker Properties, Marker Math).
#include <string>

namespace ui {
class Form;
}

// Registers "TMarkerListFrm" in the main window's factory.
void RegisterMarkerDialogs();

// "ON" or "OFF", translated.
std::string MarkerOnOffText(bool on);
// The owner of the lists a marker dialog opens: the main window, else the dialog itself.
ui::Form& ListOwner(ui::Form& dialog);
