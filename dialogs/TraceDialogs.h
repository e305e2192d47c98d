#pragma once
// The dialogs of a channel's traces and their analysis: Trace List, DTF Settings, and the
// cable, limit and ripple table editors, joined to the main window's factory under their class
// names.

// Registers "TTraceListFrm", "TDTFSettingsFrm" and the table editors "TCableEditFrm",
// "TLimitEditFrm" and "TRippleEditFrm".
void RegisterTraceDialogs();
