#pragma once
// The dialogs of a channel's sweep and look: Stimulus, the segment table editor, Scale, Average
// and Display, joined to the main window's factory under their class names, and what they share
// to reach the engine and to write values.
#include <string>

class TMainFrm;

// Registers "TStimulusFrm", "TSegmentListFrm", "TMeasViewFrm", "TAveragingFrm" and "TDisplayFrm".
void RegisterChannelDialogs();

// The main window while it is up: null before it exists and after its shut-down, so that
// handlers, closures and repeat ticks do nothing then.
TMainFrm* LiveMainFrm();

// A value in the base unit of a unit kind (Hz, s, m, ft), written with its most readable unit
// from the main window's tables (English tables without a main window).
std::string FormatKindValue(double value, int unitKind);
// Translate("ON") or Translate("OFF").
std::string OnOffWord(bool on);
