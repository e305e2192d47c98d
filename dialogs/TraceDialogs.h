#pragma once
// The dialogs of a channel's traces and their analysis: Trace List and DTF Settings, joined to
// the main window's factory under their class names.

// Registers "TTraceListFrm" and "TDTFSettingsFrm".
void RegisterTraceDialogs();
