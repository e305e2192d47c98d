#pragma once
// The dialogs of a channel's traces and their analysis: Trace List, DTF Settings, Analysis,
// and the cable, limit and ripple table editors, joined to the main window's factory under
// their class names.

// Registers "TTraceListFrm", "TDTFSettingsFrm", "TAnalysisFrm" and the table editors
// "TCableEditFrm", "TLimitEditFrm" and "TRippleEditFrm".
void RegisterTraceDialogs();
