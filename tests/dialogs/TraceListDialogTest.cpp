// The Trace List dialog opened by the right soft key "Trace" of the running main window: the
// rows it lists, adding and deleting traces, drag scrolling with its thumb, the memory and max
// hold switches and the Measurement list of a double-clicked row.
#include "dialogs/TraceListDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ChannelDialogRig.h"
#include "dialogs/TraceDialogs.h"
#include "platform/ui/Shape.h"
#include "traces/FormatMath.h"
#include "traces/MemoryList.h"
#include "widgets/RightPanel.h"

namespace {

class TraceListDialog : public ChannelDialogRig {
 protected:
  void StartList() {
    Start();
    RegisterTraceDialogs();
  }
  void WithDialog(const std::function<void(TTraceListFrm&)>& checks) {
    WithModalDialog<TTraceListFrm>([this] { frm->RightPanelClick(TRightPanel::kTrace); }, checks);
  }
  int TraceCount() {
    int n = 0;
    while (View().GetTraces()->GetMeasurement(n) != nullptr) ++n;
    return n;
  }
  void ClickRow(TTraceListFrm& d, int row) {
    const ui::Rect r = d.sgList->CellRect(1, row);
    ASSERT_FALSE(r.IsEmpty()) << "row " << row << " not shown";
    driver.Click(*d.sgList, r.Left + 3, (r.Top + r.Bottom) / 2);
  }
};

TEST_F(TraceListDialog, OneTraceShowsTwoRowsAndCannotBeDeleted) {
  StartList();
  ASSERT_EQ(1, TraceCount());
  WithDialog([&](TTraceListFrm& d) {
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(10 * 26 + 8 * 6, d.Height());
    EXPECT_EQ(25, d.sgList->RowHeight(1));
    ASSERT_EQ(2, d.sgList->RowCount());
    EXPECT_EQ("No", d.sgList->Cell(0, 0));
    EXPECT_EQ("Format", d.sgList->Cell(1, 0));
    EXPECT_EQ("1", d.sgList->Cell(0, 1));
    EXPECT_EQ(Trace().GetFormatCaption(), d.sgList->Cell(1, 1));
    driver.Press(*d.btDeleteTrace);
    EXPECT_EQ(1, TraceCount());
    EXPECT_EQ(2, d.sgList->RowCount());
    EXPECT_EQ("1", d.sgList->Cell(0, 1));
  });
}

TEST_F(TraceListDialog, AddsUpToFourReturnLossTracesAndDeletingTheThirdMakesTheSecondActive) {
  StartList();
  WithDialog([&](TTraceListFrm& d) {
    for (int click = 1; click <= 4; ++click) {
      driver.Press(*d.btAddTrace);
      const int expected = std::min(4, click + 1);
      EXPECT_EQ(expected, TraceCount());
      EXPECT_EQ(expected + 1, d.sgList->RowCount());
      EXPECT_EQ(expected, d.sgList->Row());
      EXPECT_EQ("Return Loss", Trace().GetFormatCaption());
      EXPECT_EQ(0, Trace().MeasMode);
      EXPECT_EQ("Return Loss", d.sgList->Cell(1, expected));
      EXPECT_EQ(25, d.sgList->RowHeight(expected));
    }
    // Trace 3 of 4 active, then deleted.
    d.sgList->SetTopRow(1);
    ClickRow(d, 3);
    EXPECT_EQ(2, View().GetTraces()->ActiveMeasurement);
    driver.Press(*d.btDeleteTrace);
    EXPECT_EQ(3, TraceCount());
    EXPECT_EQ(1, View().GetTraces()->ActiveMeasurement);
    EXPECT_EQ(2, d.sgList->Row());
    ASSERT_EQ(4, d.sgList->RowCount());
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(std::to_string(r), d.sgList->Cell(0, r));
  });
}

TEST_F(TraceListDialog, FourTracesScrollByDraggingAndMoveTheThumb) {
  StartList();
  for (int i = 0; i < 3; ++i) View().GetTraces()->AddMeasurement(0, fmtLogMag);
  View().GetTraces()->SetActive(0);
  WithDialog([&](TTraceListFrm& d) {
    EXPECT_EQ(1, d.sgList->TopRow());
    const ui::Rect thumbAtTop = d.VScrollShape->BoundsRect();
    EXPECT_GT(thumbAtTop.Height(), 0);
    // Downwards brings the later rows into view, as the pick lists do; upwards back again.
    driver.Press(*d.sgList, 20, 30);
    driver.Move(*d.sgList, 20, 45, ui::ssLeft);
    EXPECT_EQ(2, d.sgList->TopRow());
    EXPECT_GT(d.VScrollShape->BoundsRect().Top, thumbAtTop.Top);
    EXPECT_EQ(5, d.sgList->RowCount());
    driver.Move(*d.sgList, 20, 30, ui::ssLeft);
    driver.Release(*d.sgList, 20, 30);
    EXPECT_EQ(1, d.sgList->TopRow());
    EXPECT_EQ(thumbAtTop, d.VScrollShape->BoundsRect());
  });
}

TEST_F(TraceListDialog, MemoryTraceSwitchTurnsDataMathOffWithTheMemory) {
  StartList();
  ASSERT_TRUE(Trace().Memories->StoreData());
  Trace().SetDataMath(0);
  ASSERT_EQ(0, Trace().DataMath);
  WithDialog([&](TTraceListFrm& d) {
    EXPECT_EQ(" ON", d.pnMemoryTraceValue->Caption());
    EXPECT_EQ(" Data / Mem", d.pnDataMathValue->Caption());
    driver.Press(*d.pnMemoryTrace);
    EXPECT_EQ(0, Trace().Memories->GetCount());
    EXPECT_EQ(4, Trace().DataMath);
    EXPECT_EQ(" OFF", d.pnMemoryTraceValue->Caption());
    EXPECT_EQ(" OFF", d.pnDataMathValue->Caption());
    driver.Press(*d.pnMemoryTraceValue);
    EXPECT_EQ(1, Trace().Memories->GetCount());
    EXPECT_EQ(4, Trace().DataMath);
    EXPECT_EQ(" ON", d.pnMemoryTraceValue->Caption());
    EXPECT_EQ(" OFF", d.pnDataMathValue->Caption());
    // Max hold flips at each click.
    driver.Press(*d.pnMaxHold);
    EXPECT_TRUE(Trace().EnableMaxHold);
    EXPECT_EQ(" ON", d.pnMaxHoldValue->Caption());
    driver.Press(*d.pnMaxHoldValue);
    EXPECT_FALSE(Trace().EnableMaxHold);
    EXPECT_EQ(" OFF", d.pnMaxHoldValue->Caption());
    // Data math through its list, over a memory.
    std::string list;
    ChooseInList("Data - Mem", &list);
    driver.Press(*d.pnDataMathValue);
    EXPECT_EQ(2, Trace().DataMath);
    EXPECT_EQ(" Data - Mem", d.pnDataMathValue->Caption());
    EXPECT_TRUE(d.Visible());
  });
}

TEST_F(TraceListDialog, DoubleClickOpensTheMeasurementListOverTheVisibleDialog) {
  StartList();
  View().GetTraces()->AddMeasurement(0, fmtPhase);
  View().GetTraces()->SetActive(0);
  WithDialog([&](TTraceListFrm& d) {
    std::string preselected;
    bool dialogVisible = false;
    driver.OnNextModal([&](ui::Form& form) {
      auto* list = dynamic_cast<TPickListFrm*>(&form);
      ASSERT_NE(nullptr, list);
      preselected = list->sgList->Cell(0, list->GetSelectedIndex());
      dialogVisible = d.Visible();
      TEmiStringGrid& grid = *list->sgList;
      for (int r = 0; r < grid.RowCount(); ++r) {
        if (grid.Cell(0, r) == "SWR") {
          grid.SetTopRow(r);
          const ui::Rect rect = grid.CellRect(0, r);
          driver.Click(grid, rect.Left + 3, (rect.Top + rect.Bottom) / 2);
        }
      }
      driver.Press(*list->btApply);
    });
    const ui::Rect r = d.sgList->CellRect(1, 2);
    driver.DoubleClick(*d.sgList, r.Left + 3, (r.Top + r.Bottom) / 2);
    EXPECT_EQ("Phase", preselected);
    EXPECT_TRUE(dialogVisible);
    EXPECT_EQ(1, View().GetTraces()->ActiveMeasurement);
    EXPECT_EQ("SWR", Trace().GetFormatCaption());
    EXPECT_EQ("Return Loss", d.sgList->Cell(1, 1));
    EXPECT_EQ("SWR", d.sgList->Cell(1, 2));
  });
}

}  // namespace
