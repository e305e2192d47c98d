#pragma once
// The instrument's service windows join the main window's factory: "TPowerMeterFrm" (the
// external power meter) and "TSynthesizerFrm" (the synthesizer settings of the model row given
// as the argument: 3 or 4; other rows open nothing). Call once before the program starts, after
// RegisterDialogs; calling again replaces the same entries.
void RegisterInstrumentDialogs();
