// The Marker List behind the soft key "Marker", driven by clicks and keys: its rows, adding,
// deleting and the reference, choosing the active marker, the stimulus keypad, and the way to
// its three sub-dialogs.
#include "dialogs/MarkerListFrm.h"

#include <functional>
#include <string>
#include <vector>

#include "MarkerDialogRig.h"
#include "dialogs/MarkerMathFrm.h"
#include "dialogs/MarkerPropertiesFrm.h"
#include "dialogs/MarkerSearchFrm.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Shape.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LeftPanel.h"

namespace {

class MarkerListDialog : public MarkerDialogRig {
 protected:
  // The soft key "Marker" opens the list; the script runs inside its modal run, which Ok ends
  // unless the script did. Gives the list's modal result.
  int RunMarkerList(const std::function<void(TMarkerListFrm&)>& script) {
    int result = ui::mrNone;
    bool ran = false;
    driver.OnNextModal([&](ui::Form& form) {
      ran = true;
      auto* list = qobject_cast<TMarkerListFrm*>(&form);
      if (list == nullptr) {
        ADD_FAILURE() << "the soft key opened " << form.Name();
        form.SetModalResult(ui::mrCancel);
        return;
      }
      script(*list);
      if (form.ModalResult() == ui::mrNone) driver.Press(*list->btOk);
      result = form.ModalResult();
    });
    frm->LeftPanel->OnItemClick(*frm->LeftPanel, TLeftPanel::kMarker);
    EXPECT_TRUE(ran) << "the soft key opened no modal window";
    return result;
  }
  std::vector<std::string> Column(const TMarkerListFrm& list, int column) {
    std::vector<std::string> texts;
    for (int r = 0; r < list.sgList->RowCount(); ++r) texts.push_back(list.sgList->Cell(column, r));
    return texts;
  }
  void ClickRow(TMarkerListFrm& list, int row) {
    const ui::Rect r = list.sgList->CellRect(0, row);
    driver.Click(*list.sgList, r.Left + 2, (r.Top + r.Bottom) / 2);
  }
  void DoubleClickRow(TMarkerListFrm& list, int row) {
    const ui::Rect r = list.sgList->CellRect(0, row);
    driver.DoubleClick(*list.sgList, r.Left + 2, (r.Top + r.Bottom) / 2);
  }
};

TEST_F(MarkerListDialog, TheLayoutFollowsTheFieldHeightAndTheMargin) {
  RunMarkerList([&](TMarkerListFrm& list) {
    EXPECT_EQ(222, list.Width());
    EXPECT_EQ(280, list.Height());
    EXPECT_EQ(ui::Rect(6, 6, 216, 32), list.TopPanel->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 38, 108, 64), list.btAddMarker->BoundsRect());
    EXPECT_EQ(ui::Rect(114, 38, 216, 64), list.btDeleteMarker->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 70, 204, 178), list.sgList->BoundsRect());
    EXPECT_EQ(28, list.sgList->ColWidth(0));
    EXPECT_EQ(198 - 28 - 2, list.sgList->ColWidth(1));
    EXPECT_EQ(26, list.sgList->RowHeight(0));
    EXPECT_EQ(ui::Rect(6, 184, 216, 197), list.pnReference->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 197, 216, 210), list.pnReferenceValue->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 216, 108, 242), list.btSearch->BoundsRect());
    EXPECT_EQ(ui::Rect(114, 216, 216, 242), list.btProperties->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 248, 108, 274), list.btMath->BoundsRect());
    EXPECT_EQ(ui::Rect(114, 248, 216, 274), list.btOk->BoundsRect());
    EXPECT_EQ(210, list.VScrollShape->Left());
    EXPECT_EQ(" Reference Marker", list.pnReference->Caption());
    EXPECT_EQ("Marker List", list.TopPanel->Caption());
  });
}

TEST_F(MarkerListDialog, AnEmptyListShowsOneBlankRowOffAndADisabledSearch) {
  LoadPeaks();
  RunMarkerList([&](TMarkerListFrm& list) {
    EXPECT_EQ(1, list.sgList->RowCount());
    EXPECT_EQ(std::vector<std::string>{""}, Column(list, 0));
    EXPECT_EQ(std::vector<std::string>{""}, Column(list, 1));
    EXPECT_EQ(" OFF", list.pnReferenceValue->Caption());
    EXPECT_FALSE(list.btSearch->Enabled());
    // Clicks and double clicks on the blank row and on Delete and Search do nothing.
    ClickRow(list, 0);
    DoubleClickRow(list, 0);  // no keypad is scripted: one would be a failure
    driver.Press(*list.btDeleteMarker);
    driver.Press(*list.btSearch);
    EXPECT_EQ(0, Markers().GetCount());
    EXPECT_EQ(1, list.sgList->RowCount());
  });
}

TEST_F(MarkerListDialog, ThreeMarkersAndTheReferenceAreListedAndChosenByClicks) {
  LoadPeaks();
  RunMarkerList([&](TMarkerListFrm& list) {
    for (int i = 0; i < 3; ++i) driver.Press(*list.btAddMarker);
    EXPECT_EQ(2, Markers().ActiveMarker);
    driver.Press(*list.pnReferenceValue);
    EXPECT_EQ(" ON", list.pnReferenceValue->Caption());
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "R"}), Column(list, 0));
    EXPECT_EQ(Markers().FindMarker(1)->GetArgumentText(), list.sgList->Cell(1, 1));
    EXPECT_EQ(Markers().GetReferenceMarker()->GetArgumentText(), list.sgList->Cell(1, 3));
    EXPECT_EQ(TMarker::ReferenceTag, Markers().ActiveMarker);
    EXPECT_EQ(3, list.sgList->Row()) << "the active marker's row is selected";
    EXPECT_TRUE(list.btSearch->Enabled());

    ClickRow(list, 1);
    EXPECT_EQ(1, Markers().ActiveMarker);
    ClickRow(list, 3);
    EXPECT_EQ(TMarker::ReferenceTag, Markers().ActiveMarker);
    ClickRow(list, 0);
    EXPECT_EQ(0, Markers().ActiveMarker);
  });
}

TEST_F(MarkerListDialog, ASixteenthMarkerIsRefused) {
  LoadPeaks();
  RunMarkerList([&](TMarkerListFrm& list) {
    for (int i = 0; i < TMarkerList::MaxMarkers; ++i) driver.Press(*list.btAddMarker);
    ASSERT_EQ(15, list.sgList->RowCount());
    const std::vector<std::string> before = Column(list, 1);
    driver.Press(*list.btAddMarker);
    EXPECT_EQ(15, Markers().GetMarkerCount());
    EXPECT_EQ(14, Markers().ActiveMarker);
    EXPECT_EQ(before, Column(list, 1));
    // Fifteen rows in a grid of four, the last one in view: each move of the pointer by more
    // than 10 px up scrolls one line up, however far it went.
    const int top = list.sgList->TopRow();
    ASSERT_GE(top, 2);
    driver.Drag(*list.sgList, 20, 90, 0, -36, 2);
    EXPECT_EQ(top - 2, list.sgList->TopRow());
    driver.Drag(*list.sgList, 20, 50, 0, 35, 1);
    EXPECT_EQ(top - 1, list.sgList->TopRow());
    driver.Drag(*list.sgList, 20, 50, 0, 10, 1);
    EXPECT_EQ(top - 1, list.sgList->TopRow());
  });
}

TEST_F(MarkerListDialog, DeletingTheReferenceAndANumberedMarker) {
  LoadPeaks();
  RunMarkerList([&](TMarkerListFrm& list) {
    for (int i = 0; i < 3; ++i) driver.Press(*list.btAddMarker);
    driver.Press(*list.pnReference);
    ASSERT_EQ(TMarker::ReferenceTag, Markers().ActiveMarker);
    driver.Press(*list.btDeleteMarker);
    EXPECT_FALSE(Markers().EnableReference);
    EXPECT_EQ(2, Markers().ActiveMarker) << "the last numbered marker";
    EXPECT_EQ(" OFF", list.pnReferenceValue->Caption());
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3"}), Column(list, 0));

    Markers().FindMarker(0)->SetArgument(110);
    Markers().FindMarker(1)->SetArgument(120);
    Markers().FindMarker(2)->SetArgument(130);
    ClickRow(list, 1);
    driver.Press(*list.btDeleteMarker);
    EXPECT_EQ(2, Markers().GetMarkerCount());
    EXPECT_EQ(0, Markers().ActiveMarker);
    EXPECT_DOUBLE_EQ(130, Markers().FindMarker(1)->Argument) << "the former marker 3 is tag 1";
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), Column(list, 0));
    EXPECT_EQ(Markers().FindMarker(1)->GetArgumentText(), list.sgList->Cell(1, 1));
    EXPECT_EQ(0, list.sgList->Row());
  });
}

TEST_F(MarkerListDialog, ADoubleClickTypesTheMarkersStimulus) {
  LoadPeaks();
  Markers().AddMarker();
  Markers().AddMarker();
  RunMarkerList([&](TMarkerListFrm& list) {
    TDigitalKeyboardFrm* keypad = nullptr;
    bool listShown = false;
    driver.OnNextModal([&](ui::Form& form) {
      keypad = qobject_cast<TDigitalKeyboardFrm*>(&form);
      ASSERT_NE(keypad, nullptr);
      EXPECT_EQ("Frequency", keypad->Title);
      EXPECT_EQ(ukFrequency, keypad->UnitKind);
      EXPECT_EQ(1, keypad->UnitIndex);
      listShown = list.Visible();
      TypeIntoKeypad(form, "150");
    });
    DoubleClickRow(list, 0);
    EXPECT_NE(keypad, nullptr);
    EXPECT_TRUE(listShown) << "the keypad opens over the list";
    EXPECT_EQ(0, Markers().ActiveMarker);
    EXPECT_DOUBLE_EQ(150, Markers().FindMarker(0)->Argument);
    EXPECT_EQ(Markers().FindMarker(0)->GetArgumentText(), list.sgList->Cell(1, 0));

    // Out of range: clamped to the sweep.
    driver.OnNextModal([&](ui::Form& form) { TypeIntoKeypad(form, "99999"); });
    DoubleClickRow(list, 1);
    EXPECT_DOUBLE_EQ(300, Markers().FindMarker(1)->Argument);
    driver.OnNextModal([&](ui::Form& form) { TypeIntoKeypad(form, "5"); });
    DoubleClickRow(list, 1);
    EXPECT_DOUBLE_EQ(100, Markers().FindMarker(1)->Argument);
    EXPECT_EQ(1, Markers().ActiveMarker);

    // Without the digital panel a double click only selects.
    ViewProperties->UseDigitalPanel = false;
    DoubleClickRow(list, 0);
    EXPECT_EQ(0, Markers().ActiveMarker);
    EXPECT_DOUBLE_EQ(150, Markers().FindMarker(0)->Argument);
  });
}

TEST_F(MarkerListDialog, ADistanceIsTypedOnlyWhileTheTraceShowsDistance) {
  LoadPeaks(fmtDtfSwr);
  ScannerModule->MetricSystem = TScannerModule::UnitMetres;
  Markers().AddMarker();
  ASSERT_TRUE(Trace().IsTransformActive());
  struct Case {
    bool logSweep;
    std::string caption;
    int kind, index;
  };
  const Case cases[] = {{false, "Distance", ukMetricLength, 0}, {true, "Frequency", ukFrequency, 1}};
  for (const Case& c : cases) {
    if (c.logSweep) View().Range->SetSweepType(TRange::Log);
    RunMarkerList([&](TMarkerListFrm& list) {
      driver.OnNextModal([&](ui::Form& form) {
        auto* keypad = qobject_cast<TDigitalKeyboardFrm*>(&form);
        ASSERT_NE(keypad, nullptr);
        EXPECT_EQ(c.caption, keypad->Title);
        EXPECT_EQ(c.kind, keypad->UnitKind);
        EXPECT_EQ(c.index, keypad->UnitIndex);
        keypad->btCancelMouseDown();
      });
      DoubleClickRow(list, 0);
    });
  }
}

TEST_F(MarkerListDialog, EnterEscapeAndCancelGiveOk) {
  for (int key : {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) {
    EXPECT_EQ(ui::mrOk, RunMarkerList([&](TMarkerListFrm& list) { driver.Key(list, key); })) << key;
  }
}

TEST_F(MarkerListDialog, TheSubDialogsOpenFromTheirButtonsWhileTheListHides) {
  LoadPeaks();
  struct Case {
    std::string button;
    std::string form;
  };
  const Case cases[] = {{"btSearch", "MarkerSearchFrm"},
                        {"btProperties", "MarkerPropertiesFrm"},
                        {"btMath", "MarkerMathFrm"}};
  Markers().AddMarker();
  RunMarkerList([&](TMarkerListFrm& list) {
    for (const Case& c : cases) {
      std::string opened;
      bool hidden = false;
      driver.OnNextModal([&](ui::Form& form) {
        opened = form.Name();
        hidden = !list.Visible();
        // A search from the sub-dialog moves the marker; the list shows it on return.
        if (c.form == "MarkerSearchFrm") Press(form, "btSearchMax");
        Press(form, "btOk");
      });
      Press(list, c.button);
      EXPECT_EQ(c.form, opened);
      EXPECT_TRUE(hidden) << c.button;
      EXPECT_TRUE(list.Visible()) << c.button;
    }
    EXPECT_DOUBLE_EQ(100 + kPeak2, Markers().FindMarker(0)->Argument);
    EXPECT_EQ(Markers().FindMarker(0)->GetArgumentText(), list.sgList->Cell(1, 0));
  });
}

}  // namespace
