#pragma once
// The main window offscreen with real modules, as MainFrmRig builds it, but with a display look
// measured with fixed metrics ("H" 12 high and 7 wide: FieldHeight 26, Margin 6, thirty "H"
// 210 wide), the window installed as the program's main window and the channel dialogs in the
// factory. The channel windows exist once Start has run.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickListFrm.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "platform/ui/Edit.h"
#include "platform/ui/FakeFontMetrics.h"
#include "shell/MainFrmRig.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

class ChannelDialogRig : public MainFrmRig {
 protected:
  void Start(const std::string& switches = "DemoMode") {
    ui::Application::ForTests();
    SetRunModeFromText(switches);
    previousDispatcher = platform::UiDispatcher::install(&queue);
    device = std::make_unique<TDevice>();
    services->Device = device.get();
    services->SynthesizerTV30 = &synth30;
    emulator = EmulatorBackend::InstallForDemoMode();
    ScannerModule = new TScannerModule();
    ViewProperties = new TViewProperties(lookMetrics);
    CalibratorModule = new TCalibratorModule((testenv::Root() / "calkit.ini").string());
    services->CalibratorModule = CalibratorModule;
    frm = std::make_unique<TMainFrm>();
    MainFrm = frm.get();
    ui::Form::SetMainForm(frm.get());
    RegisterChannelDialogs();
    RunDelayedStart();
    ASSERT_NE(nullptr, frm->GetActiveView());
  }

  void TearDown() override {
    driver.ProcessEvents();
    if (ui::Form::MainForm() == frm.get()) ui::Form::SetMainForm(nullptr);
    MainFrmRig::TearDown();
    MainFrm = nullptr;
  }

  TRange& Channel() { return *frm->GetActiveChannel(); }
  TRangeView& View() { return *frm->GetActiveView(); }
  TMeasurement& Trace() { return *View().GetTraces()->GetActive(); }
  TViewProperties& Look() { return *ViewProperties; }

  // Opens a dialog by `open` (a soft key, the factory), runs the checks inside its modal run and
  // closes it with Ok; fails when the modal run was not a TDialog or did not come.
  template <class TDialog>
  void WithModalDialog(const std::function<void()>& open, const std::function<void(TDialog&)>& checks) {
    bool ran = false;
    driver.OnNextModal([&](ui::Form& form) {
      auto* dialog = dynamic_cast<TDialog*>(&form);
      ASSERT_NE(nullptr, dialog) << form.metaObject()->className();
      checks(*dialog);
      ran = true;
      driver.Press(*dialog->btOk);
    });
    open();
    EXPECT_TRUE(ran);
  }

  // The keypad's next modal run: its title into `title`, the text typed over the shown value,
  // then Return.
  void Keypad(const std::string& text, std::string* title = nullptr) {
    driver.OnNextModal([this, text, title](ui::Form& form) {
      auto& keypad = dynamic_cast<TDigitalKeyboardFrm&>(form);
      if (title) *title = keypad.Title;
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
  }

  // The keypad's next modal run: the text typed over the shown value, then Ok.
  void AnswerKeypad(const std::string& text, std::string* shownTitle = nullptr) {
    driver.OnNextModal([this, text, shownTitle](ui::Form& keypad) {
      if (shownTitle) *shownTitle = keypad.Caption();
      auto& edit = driver.Get<ui::Edit>("CommonEdit", &keypad);
      edit.SetText(text);
      driver.Key(edit, ui::vk::Return);
    });
  }

  // The next modal run is a pick list: the row with that text is clicked, then Ok. listName
  // gets the list's object name.
  void ChooseInList(const std::string& rowText, std::string* listName = nullptr) {
    driver.OnNextModal([this, rowText, listName](ui::Form& form) {
      auto* list = dynamic_cast<TPickListFrm*>(&form);
      ASSERT_NE(nullptr, list) << form.Name() << " is not a pick list";
      if (listName) *listName = list->Name();
      TEmiStringGrid& grid = *list->sgList;
      int row = -1;
      for (int r = 0; r < grid.RowCount(); ++r) {
        if (grid.Cell(0, r) == rowText) row = r;
      }
      ASSERT_GE(row, 0) << "no row " << rowText;
      if (grid.CellRect(0, row).IsEmpty() || grid.CellRect(0, row).Bottom > grid.Height()) grid.SetTopRow(row);
      const ui::Rect r = grid.CellRect(0, row);
      driver.Click(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
      driver.Press(*list->btApply);
    });
  }

  ui::FakeFontMetrics metrics{12, 7};
  // What the look measures with; a test may point it elsewhere before Start.
  ui::FontMetrics* lookMetrics = &metrics;
};
