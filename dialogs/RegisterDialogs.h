#pragma once
// Every dialog of this library joins the main window's factory (TMainFrm::RegisterDialog) under
// its class name, so the soft keys, the chart and the other dialogs open it by that name. Call
// once before the program starts; calling again replaces the same entries.
void RegisterDialogs();
