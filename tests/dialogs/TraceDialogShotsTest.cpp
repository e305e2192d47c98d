// The trace dialogs over the running program on a real display, reached as a user reaches
// them: the soft keys "Trace", "DTF Settings" and "Analysis", the cable list editor from the
// DTF dialog's Cable row, and the limit and ripple table editors from the Analysis dialog's
// buttons.
// Every picture is the whole screen, composed from each window's own grab at its place, saved
// into the build folder; the title bar of each dialog must show the look's PanelColor. CTest
// runs it under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is
// skipped.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <functional>
#include <string>
#include <vector>

#include "ScreenShotRig.h"
#include "dialogs/AnalysisDialog.h"
#include "dialogs/DtfSettingsDialog.h"
#include "dialogs/LimitEditor.h"
#include "dialogs/PickListFrm.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "model/Services.h"
#include "platform/ui/Edit.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"
#include "widgets/PaintButton.h"
#include "widgets/RightPanel.h"

namespace {

using shots::ClickSoftKey;

TEST(TraceDialogShots, EachDialogOverTheRunningProgram) {
  START_ON_REAL_DISPLAY_OR_SKIP();
  shots::TDialogShots pictures("TraceDialogShots");
  shots::TRunningProgram program;
  auto& driver = program.driver;
  bool chosenFace = false;
  bool limitShown = false;
  bool chartSaved = false;
  const auto shoot = [&](const std::string& name, TTouchDialogFrm& dialog) { return pictures.Shoot(name, dialog); };
  const auto close = [&](TTouchDialogFrm& dialog, const char* button = "btOk") {
    driver->Press(driver->Get(button, &dialog));
  };

  const bool swept = program.Run({"DemoMode"}, 2, [&] {
    driver->OnNextModal([&](ui::Form& form) {
      shoot("trace-list", static_cast<TTouchDialogFrm&>(form));
      close(static_cast<TTouchDialogFrm&>(form));
    });
    ClickSoftKey(*driver, *MainFrm->RightPanel, TRightPanel::kTrace);

    // DTF Settings, and from its Cable row the cable list editor.
    driver->OnNextModal([&](ui::Form& form) {
      auto& dtf = static_cast<TDTFSettingsFrm&>(form);
      shoot("dtf-settings", dtf);
      driver->OnNextModal([&](ui::Form& editor) {
        shoot("cable-list", static_cast<TTouchDialogFrm&>(editor));
        close(static_cast<TTouchDialogFrm&>(editor), "btApply");
      });
      driver->Press(*dtf.pnCableValue);
      close(dtf);
    });
    ClickSoftKey(*driver, *MainFrm->RightPanel, TRightPanel::kDtfSettings);

    // Analysis from its left soft key, and from its limit and ripple groups the two table
    // editors.
    driver->OnNextModal([&](ui::Form& form) {
      auto& analysis = static_cast<TAnalysisFrm&>(form);
      const QImage screen = shoot("analysis", analysis);
      // The face of the chosen group button, a few pixels under its top edge, in the picture.
      const QPoint face = analysis.bt1Fixture->mapToGlobal(QPoint(analysis.bt1Fixture->width() / 2, 4)) -
                          QGuiApplication::primaryScreen()->geometry().topLeft();
      chosenFace = screen.valid(face) && (screen.pixel(face) & 0xFFFFFF) ==
                                             (ui::ToQRgb(TGroupSwitch::kChosenColor) & 0xFFFFFF);
      driver->Press(*analysis.bt3LimitTest);
      // One upper limit from the first stimulus to 10 GHz at -15 dB, typed in as a user does.
      driver->OnNextModal([&](ui::Form& form) {
        auto& editor = static_cast<TLimitEditFrm&>(form);
        driver->Press(*editor.btAdd);
        const auto edit = [&](int column, const std::function<void(ui::Form&)>& answer) {
          driver->OnNextModal(answer);
          editor.sgList->SetCurrent(column, 1);
          const ui::Rect cell = editor.sgList->CellRect(column, 1);
          driver->DoubleClick(*editor.sgList, cell.Left + 3, cell.Top + 3);
        };
        const auto type = [&](const std::string& text) {
          return [&, text](ui::Form& keypad) {
            auto& value = driver->Get<ui::Edit>("CommonEdit", &keypad);
            value.SetText(text);
            driver->Key(value, ui::vk::Return);
          };
        };
        edit(2, type("10000"));
        edit(3, type("-15"));
        edit(4, type("-15"));
        edit(5, [&](ui::Form& form) {
          auto& list = static_cast<TPickListFrm&>(form);
          const ui::Rect row = list.sgList->CellRect(0, 2);
          driver->Click(*list.sgList, row.Left + 3, (row.Top + row.Bottom) / 2);
          driver->Press(*list.btApply);
        });
        shoot("limit-table", editor);
        close(editor);
      });
      driver->Press(*analysis.btEditLimitLine);
      driver->Press(*analysis.pnLimitLine);
      driver->Press(*analysis.pnLimitTestState);
      driver->Press(*analysis.bt4RippleTest);
      driver->OnNextModal([&](ui::Form& editor) {
        shoot("ripple-table", static_cast<TTouchDialogFrm&>(editor));
        close(static_cast<TTouchDialogFrm&>(editor));
      });
      driver->Press(*analysis.btEditRippleLimit);
      close(analysis);
    });
    ClickSoftKey(*driver, *MainFrm->LeftPanel, TLeftPanel::kAnalysis);
    // The edited limit line on the chart, once the sweep has drawn it.
    if (TMeasurement* trace = MainFrm->GetActiveView()->GetTraces()->GetActive()) {
      limitShown = trace->ShowLimit && trace->LimitTest && trace->LimitLine->GetSegmentCount() == 1 &&
                   trace->LimitLine->GetLimitType(0) == TLimitLine::kLimitUpper &&
                   trace->LimitLine->GetBegValue(0) == -15 && trace->LimitLine->GetEndArgument(0) == 10000;
    }
    MainFrm->Repaint();
    QCoreApplication::processEvents();
    chartSaved = shots::SavePicture(shots::ComposeScreen({MainFrm}), "TraceDialogShots-limit-line");
  });

  EXPECT_TRUE(swept) << "no two sweeps within 30 s";
  EXPECT_EQ((std::vector<std::string>{"trace-list", "dtf-settings", "cable-list", "analysis", "limit-table",
                                      "ripple-table"}),
            pictures.CheckedNames());
  EXPECT_TRUE(chosenFace) << "the chosen group button is not light yellow";
  EXPECT_TRUE(limitShown) << "the limit line typed in is not the trace's, shown and tested";
  EXPECT_TRUE(chartSaved);
}

}  // namespace
