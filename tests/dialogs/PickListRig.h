#pragma once
// The main window offscreen (MainFrmRig) as the program's main window, with its channel windows
// made, so that the pick lists find their targets as they do in the program; helpers that drive
// an open list by clicks and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/PickListFrm.h"
#include "display/RangeView.h"
#include "shell/MainFrmRig.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

class PickListRig : public MainFrmRig {
 protected:
  void Start(const std::string& switches = "DemoMode") {
    Build(switches);
    RunDelayedStart();
    MainFrm = frm.get();
    ui::Form::SetMainForm(frm.get());
  }

  void TearDown() override {
    driver.ProcessEvents();
    if (ui::Form::MainForm() == frm.get()) ui::Form::SetMainForm(nullptr);
    if (MainFrm == frm.get()) MainFrm = nullptr;
    MainFrmRig::TearDown();
  }

  TRangeView& View() { return *frm->GetActiveView(); }
  TRange& Channel() { return *View().Range; }
  TMeasurement& Trace() { return *View().Measurements->GetActive(); }

  // The one pick list that is open (shown), or null.
  static TPickListFrm* OpenList() {
    TPickListFrm* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* list = qobject_cast<TPickListFrm*>(w);
      if (list != nullptr && list->isVisible() && !list->ReleasePending()) found = list;
    }
    return found;
  }

  std::vector<std::string> RowTexts(TPickListFrm& list) {
    std::vector<std::string> rows;
    for (int r = 0; r < list.sgList->RowCount(); ++r) {
      std::string text = list.sgList->Cell(0, r);
      if (list.sgList->ColCount() > 1) text += "|" + list.sgList->Cell(1, r);
      rows.push_back(text);
    }
    return rows;
  }

  // A press on the row, scrolled into view first as a user would drag it there.
  void PressRow(TPickListFrm& list, int row) {
    TEmiStringGrid& grid = *list.sgList;
    if (grid.CellRect(0, row).IsEmpty() || grid.CellRect(0, row).Bottom > grid.Height()) grid.SetTopRow(row);
    const ui::Rect r = grid.CellRect(0, row);
    driver.Click(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
  }
  void DoubleClickRow(TPickListFrm& list, int row) {
    TEmiStringGrid& grid = *list.sgList;
    if (grid.CellRect(0, row).IsEmpty() || grid.CellRect(0, row).Bottom > grid.Height()) grid.SetTopRow(row);
    const ui::Rect r = grid.CellRect(0, row);
    driver.Click(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
    driver.DoubleClick(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
  }
  void PressOk(TPickListFrm& list) { driver.Press(*list.btApply); }
  void PressCancel(TPickListFrm& list) { driver.Press(*list.btCancel); }

 public:
  // For tables of actions outside the fixture.
  void PressCancelOf(TPickListFrm& list) { PressCancel(list); }
  void KeyOf(TPickListFrm& list, int key) { driver.Key(list, key); }

 protected:

  // Runs `open` (a modal opener) with `act` scripted into the list's modal run.
  int RunScripted(const std::function<int()>& open, const std::function<void(TPickListFrm&)>& act) {
    driver.OnNextModal([this, act](ui::Form& form) {
      auto* list = qobject_cast<TPickListFrm*>(&form);
      if (list == nullptr) {
        ADD_FAILURE() << "the modal run is not a pick list";
        form.SetModalResult(ui::mrCancel);
        return;
      }
      act(*list);
      // A list the actions left open is ended here so that no test blocks.
      if (list->IsModal() && list->ModalResult() == ui::mrNone) list->SetModalResult(ui::mrAbort);
    });
    return open();
  }
};
