// The main window's destruction without a close before it, and the windowed size that leaves
// room for seven soft-key rows above the status bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "instrument/CmdReply.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/Label.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Screen.h"
#include "shell/MainFrmRig.h"
#include "shell/StateFileSample.h"

namespace fs = std::filesystem;

namespace {

class MainFrmAudit : public MainFrmRig {};

TEST_F(MainFrmAudit, DestructionAloneRunsTheShutdownAndWritesTheAutosave) {
  const std::string autosave = TMainFrm::AutosavePath();
  statefile::Write(autosave, 2, 2);
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_TRUE(frm->AutosaveEnabled);
  frm->SetChannelLayout(5);
  frm->SetChannelCount(3);
  frm.reset();
  ASSERT_TRUE(fs::exists(autosave));
  EXPECT_FALSE(statefile::HasStrayKey(autosave)) << "the autosave was written anew";
  EXPECT_EQ(statefile::ReadInt(autosave, "ChannelLayout"), 5);
  EXPECT_EQ(statefile::ReadInt(autosave, "ChannelCount"), 3);
  EXPECT_TRUE(driver.Box().Shown().empty());
}

TEST_F(MainFrmAudit, WindowedModeKeepsRoomForSevenRowsAndTheStatusBar) {
  Build("");
  ui::ImageCanvas canvas(1, 1);
  canvas.SetFont(frm->lbDataTime->GetFont());
  const int row = std::max(2 * canvas.TextHeight("H"), 40) + 4;
  const ui::Rect area = ui::Screen::WorkArea();
  const int wanted = 7 * row + frm->pnBottomBar->Height();
  ASSERT_LT(wanted, area.Height()) << "the screen is too small for this case";
  // A small client grows to the seven rows (or to the channel area's own minimum, if larger).
  frm->SetClientSize(300, 100);
  frm->SetFullScreen(false);
  const int least = frm->ClientHeight();
  EXPECT_GE(least, wanted);
  EXPECT_GE(frm->plGraphArea->Height(), TMainFrm::kGraphAreaMinimum);
  // A taller client within the work area stays as it is.
  const int taller = std::min(least + 17, area.Height());
  const int width = std::min(frm->ClientWidth() + 11, area.Width());
  frm->SetClientSize(width, taller);
  frm->SetFullScreen(false);
  EXPECT_EQ(frm->ClientHeight(), taller);
  EXPECT_EQ(frm->ClientWidth(), width);
}

// The temperature unit is a degree sign and the Cyrillic capital Es, as the status bar always had.
TEST_F(MainFrmAudit, TemperatureLabelKeepsItsUnit) {
  Build("EnableService");
  const std::string unit = "\u00B0\u0421";
  // The panel is blank until the instrument reports a temperature.
  scanner().Connected = true;
  scanner().DecodeReply(TCmdReply::Temperature(4 * 25));
  const std::string text = frm->lbTemperature->Caption();
  ASSERT_GE(text.size(), unit.size());
  EXPECT_EQ(text.substr(text.size() - unit.size()), unit) << text;
}

}  // namespace
