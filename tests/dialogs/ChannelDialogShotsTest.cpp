// The channel dialogs over the running program on a real display, reached as a user reaches
// them: the soft keys "Stimulus", "Scale" and "Average", the segment table from inside Stimulus
// after choosing "Segment" in its sweep-type list, and the Display dialog by its class name.
// Every picture is the whole screen, composed from each window's own grab at its place, saved
// into the build folder; the title bar of each dialog must show the look's PanelColor. CTest
// runs it under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is
// skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScreenShotRig.h"
#include "dialogs/AverageDialog.h"
#include "dialogs/DisplayDialog.h"
#include "dialogs/PickListFrm.h"
#include "dialogs/ScaleDialog.h"
#include "dialogs/SegmentListFrm.h"
#include "dialogs/StimulusDialog.h"
#include "model/Range.h"
#include "model/Services.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"
#include "widgets/PaintButton.h"
#include "widgets/RightPanel.h"

namespace {

using shots::ClickSoftKey;

TEST(ChannelDialogShots, EachDialogOverTheRunningProgram) {
  START_ON_REAL_DISPLAY_OR_SKIP();
  shots::TDialogShots pictures("ChannelDialogShots");
  shots::TRunningProgram program;
  auto& driver = program.driver;
  int sweepType = -1;
  const auto shoot = [&](const std::string& name, TTouchDialogFrm& dialog) { pictures.Shoot(name, dialog); };
  const auto close = [&](TTouchDialogFrm& dialog) { driver->Press(driver->Get("btOk", &dialog)); };

  const bool swept = program.Run({"DemoMode"}, 2, [&] {
    // Stimulus, and from it the segment table of a segment sweep.
    driver->OnNextModal([&](ui::Form& form) {
      auto& stimulus = static_cast<TStimulusFrm&>(form);
      shoot("stimulus", stimulus);
      driver->OnNextModal([&](ui::Form& form) {
        auto& list = static_cast<TPickListFrm&>(form);
        TEmiStringGrid& grid = *list.sgList;
        for (int r = 0; r < grid.RowCount(); ++r) {
          if (grid.Cell(0, r) != TranslateText("Segment")) continue;
          const ui::Rect cell = grid.CellRect(0, r);
          driver->Click(grid, cell.Left + 3, (cell.Top + cell.Bottom) / 2);
        }
        driver->Press(*list.btApply);
      });
      driver->Press(*stimulus.pnSweepType);
      sweepType = MainFrm->GetActiveChannel()->SweepMode;
      driver->OnNextModal([&](ui::Form& editor) {
        shoot("segments", static_cast<TTouchDialogFrm&>(editor));
        close(static_cast<TTouchDialogFrm&>(editor));
      });
      driver->Press(*stimulus.btSegmentTable);
      close(stimulus);
    });
    ClickSoftKey(*driver, *MainFrm->RightPanel, TRightPanel::kStimulus);

    driver->OnNextModal([&](ui::Form& form) {
      shoot("scale", static_cast<TTouchDialogFrm&>(form));
      close(static_cast<TTouchDialogFrm&>(form));
    });
    ClickSoftKey(*driver, *MainFrm->RightPanel, TRightPanel::kScale);

    driver->OnNextModal([&](ui::Form& form) {
      shoot("average", static_cast<TTouchDialogFrm&>(form));
      close(static_cast<TTouchDialogFrm&>(form));
    });
    ClickSoftKey(*driver, *MainFrm->LeftPanel, TLeftPanel::kAverage);

    driver->OnNextModal([&](ui::Form& form) {
      shoot("display", static_cast<TTouchDialogFrm&>(form));
      close(static_cast<TTouchDialogFrm&>(form));
    });
    MainFrm->OpenDialog("TDisplayFrm", true);
  });

  EXPECT_TRUE(swept) << "no two sweeps within 30 s";
  EXPECT_EQ(TRange::Segm, sweepType) << "the sweep-type list chose Segment";
  EXPECT_EQ((std::vector<std::string>{"stimulus", "segments", "scale", "average", "display"}),
            pictures.CheckedNames());
}

}  // namespace
