#pragma once
// What the tests of the print picture and the report share: the main window of the demo mode
// with two channels side by side, the sweep on hold, a graph area of a chosen size and no time
// stamp in the header; and the look written out, to see that printing puts it back.
#include <string>
#include <vector>

#include "display/ViewProperties.h"
#include "model/MemIniFile.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrmRig.h"

// The program's look as the text of its ini sections.
inline std::string LookText() {
  TMemIniFile ini("");
  ViewProperties->SaveToIni(ini);
  std::vector<std::string> sections, lines;
  std::string text;
  ini.ReadSections(sections);
  for (const auto& s : sections) {
    ini.ReadSectionValues(s, lines);
    text += "[" + s + "]\n";
    for (const auto& l : lines) text += l + "\n";
  }
  return text;
}

class PrintRig : public MainFrmRig {
 protected:
  void BuildTwoChannels(int graphWidth, int graphHeight) {
    Build("DemoMode");
    RunDelayedStart();
    ScannerModule->TriggerMode = TScannerModule::Hold;
    frm->SetChannelLayout(1);
    frm->SetChannelCount(2);
    frm->plGraphArea->SetBounds(frm->plGraphArea->Left(), frm->plGraphArea->Top(), graphWidth, graphHeight);
    frm->ArrangeViews();
    frm->PrintTime = false;
  }
};
