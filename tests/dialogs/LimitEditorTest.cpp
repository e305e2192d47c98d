// The limit and ripple table editors over the running main window: their layouts, the first
// segment of an empty table, Add, Delete and Clear, the type lists, the values the lines clamp,
// the keypads' units, files saved and restored, and lines that change under the keypad.
#include "dialogs/LimitEditor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "ChannelDialogRig.h"
#include "common/FileBytes.h"
#include "dialogs/TraceDialogs.h"
#include "model/MeasureUnitTables.h"
#include "platform/Paths.h"
#include "platform/ui/MessageBox.h"
#include "traces/FormatMath.h"
#include "traces/LimitLine.h"
#include "traces/RippleLine.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

class LineEditorRig : public ChannelDialogRig {
 protected:
  void StartEditors() {
    Start();
    RegisterTraceDialogs();
  }
  template <class TEditor>
  void WithEditor(const char* dialogClass, const std::function<void(TEditor&)>& checks) {
    bool ran = false;
    driver.OnNextModal([&](ui::Form& form) {
      auto* editor = dynamic_cast<TEditor*>(&form);
      ASSERT_NE(nullptr, editor);
      checks(*editor);
      ran = true;
      driver.Press(*editor->btOk);
    });
    frm->OpenDialog(*frm, dialogClass, true);
    EXPECT_TRUE(ran);
  }
  struct TKeypadSeen {
    std::string Title;
    int UnitKind = -1;
    int UnitIndex = -1;
  };
  void Keypad(const std::string& text, TKeypadSeen* seen = nullptr, const std::function<void()>& meanwhile = {}) {
    driver.OnNextModal([this, text, seen, meanwhile](ui::Form& form) {
      auto& keypad = dynamic_cast<TDigitalKeyboardFrm&>(form);
      if (seen) *seen = {keypad.Title, keypad.UnitKind, keypad.UnitIndex};
      if (meanwhile) meanwhile();
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
  }
  void EditCell(TLineEditFrm& e, int column, int row) {
    e.sgList->SetCurrent(column, row);
    const ui::Rect cell = e.sgList->CellRect(column, row);
    ASSERT_FALSE(cell.IsEmpty());
    driver.DoubleClick(*e.sgList, cell.Left + 3, cell.Top + 3);
  }
  void AnswerBrowser(const std::string& name) {
    driver.OnNextModal([this, name](ui::Form& browser) {
      driver.OnNextModal([this, name](ui::Form& keyboard) {
        auto& edit = driver.Get<ui::Edit>("CommonEdit", &keyboard);
        edit.SetText(name);
        driver.Key(edit, ui::vk::Return);
      });
      driver.Press(driver.Get("pnFileValue", &browser));
      driver.Press(driver.Get("btOk", &browser));
    });
  }
  TLimitLine& Limit() { return *Trace().LimitLine; }
  TRippleLine& Ripple() { return *Trace().RippleLine; }
};

class LimitEditor : public LineEditorRig {};
class RippleEditor : public LineEditorRig {};

TEST_F(LimitEditor, LayoutAndTheFirstSegmentOfAnEmptyTable) {
  StartEditors();
  ASSERT_EQ(0, Limit().GetSegmentCount());
  WithEditor<TLimitEditFrm>("TLimitEditFrm", [&](TLimitEditFrm& e) {
    EXPECT_EQ(435, e.Width());
    EXPECT_EQ(243, e.Height());
    EXPECT_EQ(ui::Rect(6, 38, 417, 173), e.sgList->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 179, 143, 205), e.btAdd->BoundsRect());
    EXPECT_EQ(ui::Rect(292, 211, 429, 237), e.btOk->BoundsRect());
    ASSERT_EQ(2, e.sgList->RowCount());
    EXPECT_EQ("Begin Stimulus", e.sgList->Cell(1, 0));
    EXPECT_EQ("Type", e.sgList->Cell(5, 0));
    EXPECT_EQ("", e.sgList->Cell(1, 1));
    // A double click on the empty row makes a segment at the first stimulus, then its keypad.
    TKeypadSeen seen;
    Keypad("-3", &seen);
    EditCell(e, 3, 1);
    ASSERT_EQ(1, Limit().GetSegmentCount());
    EXPECT_EQ("Begin Response", seen.Title);
    EXPECT_EQ(ukNone, seen.UnitKind);
    const double first = Limit().GetBegArgument(0);
    EXPECT_EQ(first, Limit().GetEndArgument(0));
    EXPECT_EQ(-3, Limit().GetBegValue(0));
    EXPECT_EQ(0, Limit().GetLimitType(0));
    EXPECT_EQ(1, e.sgList->Row());
    EXPECT_EQ("OFF", e.sgList->Cell(5, 1));
    // Clear of five segments leaves the one empty row; Add into it makes the same first segment.
    for (int i = 0; i < 4; ++i) driver.Press(*e.btAdd);
    EXPECT_EQ(5, Limit().GetSegmentCount());
    EXPECT_EQ(6, e.sgList->RowCount());
    driver.Press(*e.btClear);
    EXPECT_EQ(0, Limit().GetSegmentCount());
    ASSERT_EQ(2, e.sgList->RowCount());
    EXPECT_EQ("", e.sgList->Cell(3, 1));
    EXPECT_EQ("", e.sgList->Cell(0, 1));
    driver.Press(*e.btAdd);
    ASSERT_EQ(1, Limit().GetSegmentCount());
    EXPECT_EQ(first, Limit().GetBegArgument(0));
    EXPECT_EQ(first, Limit().GetEndArgument(0));
  });
}

TEST_F(LimitEditor, TypeListAndResponsesClampedToTheFormat) {
  StartEditors();
  Trace().SetFormat(fmtSwr);
  Limit().InsertSegment(0);
  WithEditor<TLimitEditFrm>("TLimitEditFrm", [&](TLimitEditFrm& e) {
    // Cancel in the type list keeps the type; Max sets it.
    driver.OnNextModal([this](ui::Form& list) { driver.Press(driver.Get("btCancel", &list)); });
    EditCell(e, 5, 1);
    EXPECT_EQ(0, Limit().GetLimitType(0));
    EXPECT_TRUE(e.Visible());
    ChooseInList("Max");
    EditCell(e, 5, 1);
    EXPECT_EQ(2, Limit().GetLimitType(0));
    EXPECT_EQ("Max", e.sgList->Cell(5, 1));
    // SWR is at least 1.
    Keypad("0.2");
    EditCell(e, 3, 1);
    EXPECT_EQ(1, Limit().GetBegValue(0));
    Keypad("1e300");
    EditCell(e, 4, 1);
    EXPECT_EQ(kSwrMaxValue, Limit().GetEndValue(0));
    EXPECT_EQ(1, e.sgList->Row());
  });
}

TEST_F(LimitEditor, StimulusKeypadOffersMegahertzOnADistanceTrace) {
  StartEditors();
  Trace().SetFormat(fmtDtfReturnLoss);
  Limit().InsertSegment(0);
  WithEditor<TLimitEditFrm>("TLimitEditFrm", [&](TLimitEditFrm& e) {
    TKeypadSeen seen;
    Keypad("5", &seen);
    EditCell(e, 2, 1);
    EXPECT_EQ(ukFrequency, seen.UnitKind);
    EXPECT_EQ(1, seen.UnitIndex);
    EXPECT_EQ(5, Limit().GetEndArgument(0));
  });
}

TEST_F(LimitEditor, SegmentsDeletedUnderTheKeypadOrTheListWriteNothingElse) {
  StartEditors();
  for (int i = 0; i < 3; ++i) Limit().InsertSegment(i);
  WithEditor<TLimitEditFrm>("TLimitEditFrm", [&](TLimitEditFrm& e) {
    Keypad("-7", nullptr, [&] { Limit().DeleteSegment(2); });
    EditCell(e, 3, 3);
    EXPECT_EQ(2, Limit().GetSegmentCount());
    for (int i = 0; i < 2; ++i) EXPECT_NE(-7, Limit().GetBegValue(i));
    driver.OnNextModal([this](ui::Form& list) {
      Limit().Clear();
      driver.Press(driver.Get("btApply", &list));
    });
    EditCell(e, 5, 2);
    EXPECT_EQ(0, Limit().GetSegmentCount());
    // The trace itself deleted under the keypad: the next active trace is left alone.
    View().GetTraces()->AddMeasurement(0, fmtReturnLoss);
    Limit().InsertSegment(0);
    e.RefreshGrid();
    Keypad("-9", nullptr, [&] {
      View().GetTraces()->DeleteActiveMeasurement();
      Limit().Clear();
    });
    EditCell(e, 3, 1);
    EXPECT_EQ(0, Limit().GetSegmentCount());
    EXPECT_EQ(2, e.sgList->RowCount());
  });
}

TEST_F(LimitEditor, SavedTablesRestoreAndBadFilesLeaveTheDialogUp) {
  StartEditors();
  for (int i = 0; i < 3; ++i) Limit().InsertSegment(i);
  Limit().SetBegValue(1, -12.5);
  Limit().SetLimitType(2, 1);
  const auto saved = Limit().GetSegments();
  WithEditor<TLimitEditFrm>("TLimitEditFrm", [&](TLimitEditFrm& e) {
    AnswerBrowser("mask");
    driver.Press(*e.btSave);
    driver.Press(*e.btClear);
    ASSERT_EQ(0, Limit().GetSegmentCount());
    AnswerBrowser("mask.lim");
    driver.Press(*e.btRecall);
    EXPECT_EQ(saved.size(), Limit().GetSegments().size());
    EXPECT_EQ(-12.5, Limit().GetBegValue(1));
    EXPECT_EQ(1, Limit().GetLimitType(2));
    EXPECT_EQ(4, e.sgList->RowCount());
    EXPECT_TRUE(e.Visible());

    std::filesystem::path written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(platform::Paths::dataRoot())) {
      if (entry.path().filename() == "mask.lim") written = entry.path();
    }
    ASSERT_FALSE(written.empty());
    std::mt19937 random(11);
    std::string noise(500, '\0');
    for (char& c : noise) c = static_cast<char>(random() & 0xFF);
    const std::string whole = testenv::ReadBytes(written);
    const std::pair<const char*, std::string> cases[] = {{"noise.lim", noise},
                                                         {"cut.lim", whole.substr(0, whole.size() / 2)}};
    for (const auto& [name, bytes] : cases) {
      testenv::WriteBytes(written.parent_path() / name, bytes);
      driver.Box().ClearLog();
      const auto before = Limit().GetSegments().size();
      AnswerBrowser(name);
      driver.Press(*e.btRecall);
      EXPECT_TRUE(e.Visible()) << name;
      if (!driver.Box().Shown().empty()) {
        EXPECT_EQ(before, Limit().GetSegments().size()) << name;
      }
      EXPECT_EQ(std::max(2, Limit().GetSegmentCount() + 1), e.sgList->RowCount()) << name;
    }
  });
}

TEST_F(RippleEditor, TenAddsGiveElevenEqualRowsAndLimitsInTheResponseUnit) {
  StartEditors();
  Trace().SetFormat(fmtLogMag);
  Ripple().InsertSegment(0);
  Ripple().SetEndArgument(0, Ripple().GetBegArgument(0) + 100);
  WithEditor<TRippleEditFrm>("TRippleEditFrm", [&](TRippleEditFrm& e) {
    EXPECT_EQ(351, e.Width());
    EXPECT_EQ(243, e.Height());
    EXPECT_EQ("Ripple Limit", e.sgList->Cell(3, 0));
    EXPECT_EQ("Type", e.sgList->Cell(4, 0));
    TKeypadSeen seen;
    Keypad("0.5", &seen);
    EditCell(e, 3, 1);
    EXPECT_EQ(ukNone, seen.UnitKind);
    EXPECT_EQ(0.5, Ripple().GetRippleLimit(0));
    EXPECT_EQ("0.5 dB", e.sgList->Cell(3, 1));
    Keypad("7", &seen);
    EditCell(e, 1, 1);
    EXPECT_EQ(ukNone, seen.UnitKind);
    EXPECT_EQ(7, Ripple().GetBegArgument(0));
    ChooseInList("ON");
    EditCell(e, 4, 1);
    EXPECT_EQ(1, Ripple().GetRippleType(0));
    e.sgList->SetRow(1);
    for (int i = 0; i < 10; ++i) driver.Press(*e.btAdd);
    ASSERT_EQ(11, Ripple().GetSegmentCount());
    ASSERT_EQ(12, e.sgList->RowCount());
    for (int i = 1; i < 11; ++i) {
      EXPECT_EQ(Ripple().GetBegArgument(0), Ripple().GetBegArgument(i));
      EXPECT_EQ(Ripple().GetEndArgument(0), Ripple().GetEndArgument(i));
      EXPECT_EQ(0, Ripple().GetRippleLimit(i));
      EXPECT_EQ(0, Ripple().GetRippleType(i));
    }
    for (int r = 0; r < 12; ++r) EXPECT_EQ(e.sgList->RowHeight(0), e.sgList->RowHeight(r)) << r;
    AnswerBrowser("flat");
    driver.Press(*e.btSave);
    driver.Press(*e.btClear);
    EXPECT_EQ(0, Ripple().GetSegmentCount());
    AnswerBrowser("flat.rlm");
    driver.Press(*e.btRecall);
    EXPECT_EQ(11, Ripple().GetSegmentCount());
    EXPECT_EQ(0.5, Ripple().GetRippleLimit(0));
    EXPECT_EQ(1, Ripple().GetRippleType(0));
  });
}

}  // namespace
