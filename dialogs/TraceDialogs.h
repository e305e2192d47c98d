#pragma once
// The dialogs of a channel's traces and their analysis: Trace List, DTF Settings and the cable list
// editor, joined to
// the main window's factory under their class names.

// Registers "TTraceListFrm", "TDTFSettingsFrm" and the cable list editor "TCableEditFrm".
void RegisterTraceDialogs();
