// The pick-list frame on its own, measured with fixed metrics ("H" 12 high and 7 wide, so
// FieldHeight 26, margin 6 and ten "H" 70 wide): the rectangles of the three layout forms, the
// scroll thumbs, the drag scrolling of the list, and lists that grow with the button font.
#include <gtest/gtest.h>

#include <QPointer>
#include <climits>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "dialogs/PickListMembers.h"
#include "display/ViewProperties.h"
#include "platform/ui/Application.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Shape.h"
#include "platform/ui/TestDriver.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

// Metrics that grow with the font size: "H" is size * 4 / 3 high and size * 7 / 9 wide, so
// the default button font (9) measures 12 by 7.
class ScaledMetrics : public ui::FontMetrics {
 public:
  int TextWidth(const ui::Font& font, std::string_view utf8) override {
    return static_cast<int>(utf8.size()) * font.Size * 7 / 9;
  }
  int LineHeight(const ui::Font& font) override { return font.Size * 4 / 3; }
  int Ascent(const ui::Font& font) override { return font.Size; }
};

// Every member with no target: the lists that need one fall back to their default rows.
struct TMaker {
  const char* name;
  int visible;
  std::function<TPickListFrm*()> make;
};

class PickListFrame : public ::testing::Test {
 protected:
  PickListFrame() { ui::Application::ForTests(); }
  void SetUp() override {
    look = std::make_unique<TViewProperties>(&metrics);
    ViewProperties = look.get();
    kitFolder = std::filesystem::temp_directory_path() / ("picklist_frame_kits_" + std::to_string(::getpid()));
    kits = std::make_unique<TCalKitsModule>(kitFolder.string());
    // The calibration module's kit makes the seventeenth.
    kits->GetKits().AddTemporaryKit("ECal");
    CalKitsModule = kits.get();
  }
  void TearDown() override {
    driver.ProcessEvents();
    CalKitsModule = nullptr;
    kits.reset();
    std::error_code ec;
    std::filesystem::remove_all(kitFolder, ec);
    ViewProperties = nullptr;
    look.reset();
  }

  std::vector<TMaker> Makers() {
    int* v = &value;
    return {
        {"Points", 7, [] { return new TPointsListFrm(nullptr); }},
        {"IFBW", 6, [] { return new TIFBWListFrm(nullptr); }},
        {"SweepType", 3, [] { return new TSweepTypeListFrm(nullptr); }},
        {"PowerMode", 3, [] { return new TPowerModeListFrm(nullptr); }},
        {"Trigger", 3, [] { return new TTriggerListFrm(nullptr); }},
        {"TriggerSource", 3, [] { return new TTriggerSourceListFrm(nullptr); }},
        {"ClockSource", 2, [] { return new TClockSourceListFrm(nullptr); }},
        {"MeasMode", 5, [] { return new TMeasModeListFrm(nullptr); }},
        {"PowerMeter", 2, [v] { return new TPowerMeterListFrm(nullptr, v); }},
        {"SaveType", 4, [] { return new TSaveTypeListFrm(nullptr); }},
        {"PrintColor", 3, [] { return new TPrintColorListFrm(nullptr); }},
        {"TouchStone", 3, [] { return new TTouchStoneListFrm(nullptr); }},
        {"LoadTouchstoneTo", 3, [] { return new TLoadTouchstoneToFrm(nullptr); }},
        {"CalKit", 5, [] { return new TCalKitListFrm(nullptr); }},
        {"State", 7, [v] { return new TStateListFrm(nullptr, v); }},
        {"CharType", 4, [v] { return new TCharTypeFrm(nullptr, v); }},
        {"Orient", 3, [v] { return new TOrientListFrm(nullptr, v); }},
        {"Measure", 7, [] { return new TMeasureListFrm(nullptr); }},
        {"DataMath", 5, [] { return new TDataMathListFrm(nullptr); }},
        {"Conversion", 4, [] { return new TConversionListFrm(nullptr); }},
        {"MarkerNum", 4, [] { return new TMarkerNumListFrm(nullptr, {}, {}); }},
        {"PeakPolarity", 3, [] { return new TPeakPolarityListFrm(nullptr); }},
        {"TargetTransition", 3, [] { return new TTargetTransitionFrm(nullptr); }},
        {"Allign", 3, [] { return new TAllignListFrm(nullptr); }},
        {"Limit", 3, [v] { return new TLimitListFrm(nullptr, v); }},
        {"Ripple", 2, [v] { return new TRippleListFrm(nullptr, v); }},
        {"Method", 3, [v] { return new TMethodListFrm(nullptr, v); }},
        {"GatingType", 2, [v] { return new TGatingTypeFrm(nullptr, v); }},
        {"GatingShape", 4, [v] { return new TGatingShapeFrm(nullptr, v); }},
        {"DTFWindow", 3, [] { return new TDTFWindowListFrm(nullptr); }},
        {"Metric", 3, [] { return new TMetricListFrm(nullptr); }},
    };
  }

  ScaledMetrics metrics;
  std::unique_ptr<TViewProperties> look;
  std::filesystem::path kitFolder;
  std::unique_ptr<TCalKitsModule> kits;
  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
  int value = 0;
};

class PickListLayout : public PickListFrame {};
class PickListDrag : public PickListFrame {};

TEST_F(PickListLayout, ThreeVisibleRows) {
  ASSERT_EQ(look->FieldHeight, 26);
  ASSERT_EQ(look->Margin, 6);
  TTriggerListFrm list(nullptr);
  EXPECT_EQ(list.ClientWidth(), 158);
  EXPECT_EQ(list.ClientHeight(), 157);
  EXPECT_EQ(list.TopPanel->BoundsRect(), ui::Rect(6, 6, 152, 32));
  EXPECT_EQ(list.sgList->BoundsRect(), ui::Rect(6, 38, 152, 119));
  EXPECT_EQ(list.sgList->ColWidth(0), 145);
  EXPECT_EQ(list.btCancel->BoundsRect(), ui::Rect(6, 125, 76, 151));
  EXPECT_EQ(list.btApply->BoundsRect(), ui::Rect(82, 125, 152, 151));
  EXPECT_EQ(list.sgList->VisibleRowCount(), 3);
}

TEST_F(PickListLayout, PointsListWithItsMoreButton) {
  TPointsListFrm list(nullptr);
  EXPECT_EQ(list.ClientHeight(), 297);
  ASSERT_NE(list.btCommand, nullptr);
  EXPECT_EQ(list.btCommand->Name(), "btMore");
  EXPECT_EQ(list.btCommand->BoundsRect(), ui::Rect(6, 233, 152, 259));
  EXPECT_EQ(list.btCancel->BoundsRect(), ui::Rect(6, 265, 76, 291));
  EXPECT_EQ(list.btApply->BoundsRect(), ui::Rect(82, 265, 152, 291));
  EXPECT_EQ(list.sgList->VisibleRowCount(), 7);
}

TEST_F(PickListLayout, SaveTypeListInTheSecondForm) {
  TSaveTypeListFrm list(nullptr);
  EXPECT_EQ(list.ClientHeight(), 180);
  const ui::Rect grid = list.sgList->BoundsRect();
  EXPECT_EQ(grid, ui::Rect(6, 38, 152, 142));
  int rows = 0;
  for (int r = 0; r < list.sgList->RowCount(); ++r) rows += list.sgList->RowHeight(r) + list.sgList->GridLineWidth();
  EXPECT_EQ(rows, 104);
  EXPECT_EQ(list.btCancel->BoundsRect(), ui::Rect(6, 148, 76, 174));
  EXPECT_EQ(list.btApply->BoundsRect(), ui::Rect(82, 148, 152, 174));
  EXPECT_EQ(list.sgList->VisibleRowCount(), 4);
}

TEST_F(PickListLayout, CalibrationKitListWithItsThumb) {
  TCalKitListFrm list(nullptr);
  ASSERT_EQ(list.sgList->RowCount(), 17);
  EXPECT_EQ(list.ClientWidth(), 222);
  EXPECT_EQ(list.ClientHeight(), 243);
  EXPECT_EQ(list.sgList->BoundsRect(), ui::Rect(6, 38, 204, 173));
  EXPECT_EQ(list.sgList->ColWidth(0), 28);
  EXPECT_EQ(list.sgList->ColWidth(1), 198 - 28 - 2);
  ASSERT_NE(list.btCommand, nullptr);
  EXPECT_EQ(list.btCommand->BoundsRect(), ui::Rect(6, 179, 216, 205));
  EXPECT_EQ(list.btCancel->BoundsRect(), ui::Rect(6, 211, 108, 237));
  EXPECT_EQ(list.btApply->BoundsRect(), ui::Rect(114, 211, 216, 237));
  ASSERT_NE(list.VScrollShape, nullptr);
  EXPECT_EQ(list.VScrollShape->BoundsRect(), ui::Rect(210, 38, 216, 38 + 39));
}

TEST_F(PickListLayout, MeasurementListEndsThreeMarginsBeforeTheEdge) {
  TMeasureListFrm list(nullptr);
  EXPECT_EQ(list.sgList->BoundsRect(), ui::Rect(6, 38, 140, 38 + 7 * 27));
  ASSERT_NE(list.VScrollShape, nullptr);
  // Seven of ten rows: the thumb is seven tenths of the list.
  EXPECT_EQ(list.VScrollShape->BoundsRect(), ui::Rect(146, 38, 152, 38 + 132));
  EXPECT_EQ(list.ClientHeight(), 9 * 26 + 24 + 7);
}

TEST_F(PickListLayout, ALargerButtonFontWidensAndHeightensEveryList) {
  for (const TMaker& m : Makers()) {
    SCOPED_TRACE(m.name);
    look->SetButtonFontSize(9);
    std::unique_ptr<TPickListFrm> small(m.make());
    look->SetButtonFontSize(18);
    std::unique_ptr<TPickListFrm> large(m.make());
    EXPECT_GT(large->ClientWidth(), small->ClientWidth());
    EXPECT_GT(large->ClientHeight(), small->ClientHeight());
    for (TPickListFrm* list : {small.get(), large.get()}) {
      EXPECT_EQ(list->sgList->VisibleRowCount(), m.visible);
      // Nothing reaches past the form.
      for (ui::Control* c : list->findChildren<ui::Control*>()) {
        if (c->parentWidget() != list || !c->Visible()) continue;
        EXPECT_LE(c->BoundsRect().Right, list->ClientWidth()) << c->Name();
        EXPECT_LE(c->BoundsRect().Bottom, list->ClientHeight()) << c->Name();
      }
    }
  }
}

// ---- drag scrolling ----------------------------------------------------------------------------

TEST_F(PickListDrag, MovesBelowThePressScrollOnceBeyondTenPixelsFromTheAnchor) {
  TStateListFrm list(nullptr, &value);
  TEmiStringGrid& grid = *list.sgList;
  ASSERT_EQ(grid.RowCount(), 9);
  ASSERT_EQ(grid.VisibleRowCount(), 7);
  ASSERT_EQ(grid.TopRow(), 0);
  driver.Press(grid, 20, 10);
  const struct {
    int y;
    int top;
  } steps[] = {{19, 0}, {28, 1}, {37, 1}, {45, 2}};
  for (const auto& s : steps) {
    driver.Move(grid, 20, s.y, ui::ssLeft);
    EXPECT_EQ(grid.TopRow(), s.top) << "at " << s.y - 10 << " px";
  }
  driver.Release(grid, 20, 45);
}

TEST_F(PickListDrag, OneLongMoveScrollsOneLineAndTenPixelsNone) {
  TStateListFrm list(nullptr, &value);
  TEmiStringGrid& grid = *list.sgList;
  driver.Press(grid, 20, 10);
  driver.Move(grid, 20, 20, ui::ssLeft);
  EXPECT_EQ(grid.TopRow(), 0) << "exactly 10 px";
  driver.Move(grid, 20, 45, ui::ssLeft);
  EXPECT_EQ(grid.TopRow(), 1);
  // Moving up brings earlier rows back.
  driver.Move(grid, 20, 20, ui::ssLeft);
  EXPECT_EQ(grid.TopRow(), 0);
  driver.Release(grid, 20, 20);
}

TEST_F(PickListDrag, FarOffPointersScrollOneLinePerMoveAndMovesWithoutAPressNone) {
  TStateListFrm list(nullptr, &value);
  TEmiStringGrid& grid = *list.sgList;
  driver.Move(grid, 20, 30000);
  EXPECT_EQ(grid.TopRow(), 0);
  TGridDragScroller& scroller = list.DragScroller();
  EXPECT_EQ(scroller.Move(0, 30000), 0);
  scroller.Press(0, 0);
  EXPECT_EQ(scroller.Move(30000, 30000), 1);
  EXPECT_EQ(grid.TopRow(), 1);
  EXPECT_EQ(scroller.Move(-30000, -30000), 1);
  EXPECT_EQ(grid.TopRow(), 0);
  EXPECT_EQ(scroller.Move(INT_MAX, INT_MIN), 1);
  EXPECT_EQ(scroller.Move(INT_MIN, INT_MAX), 1);
  EXPECT_EQ(grid.TopRow(), 1);
  scroller.Release();
  EXPECT_EQ(scroller.Move(0, 0), 0);
  EXPECT_EQ(grid.TopRow(), 1);
}

TEST_F(PickListDrag, TheKitThumbIsFiveSeventeenthsAndFollowsEveryLine) {
  TCalKitListFrm list(nullptr);
  TEmiStringGrid& grid = *list.sgList;
  ASSERT_EQ(grid.RowCount(), 17);
  EXPECT_EQ(list.VScrollShape->Height(), 39);
  driver.Press(grid, 20, 10);
  for (int line = 1; line <= 3; ++line) {
    driver.Move(grid, 20, 10 + 11 * line, ui::ssLeft);
    grid.PaintNow();  // the thumb follows at every cell paint
    EXPECT_EQ(grid.TopRow(), line);
    EXPECT_EQ(list.VScrollShape->Top(), 38 + 135 * line / 17) << "line " << line;
    EXPECT_EQ(list.VScrollShape->Height(), 39);
  }
  driver.Release(grid, 20, 43);
}

TEST_F(PickListDrag, ListsWithoutDragScrollingIgnoreDrags) {
  TMetricListFrm list(nullptr);
  driver.Press(*list.sgList, 20, 5);
  driver.Move(*list.sgList, 20, 60, ui::ssLeft);
  EXPECT_FALSE(list.DragScroller().Dragging());
}

}  // namespace
