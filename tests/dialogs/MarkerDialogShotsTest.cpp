// The marker dialogs over the running program on a real display, reached as a user reaches
// them: the soft key "Marker", then "Add Marker", "Properties", "Search" (with "Search Max"),
// "Search Peak", "Search Target" and "Math".
// Every picture is the whole screen, composed from each window's own grab at its place, saved
// into the build folder; the title bar of each dialog must show the look's PanelColor. CTest
// runs it under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is
// skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScreenShotRig.h"
#include "dialogs/MarkerListFrm.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "model/Services.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"
#include "widgets/PaintButton.h"

namespace {

using shots::ClickSoftKey;

TEST(MarkerDialogShots, EachDialogOverTheRunningProgram) {
  START_ON_REAL_DISPLAY_OR_SKIP();
  shots::TDialogShots pictures("MarkerDialogShots");
  shots::TRunningProgram program;
  auto& driver = program.driver;
  double markerAt = -1;
  const auto shoot = [&](const std::string& name, TTouchDialogFrm& dialog) { pictures.Shoot(name, dialog); };
  const auto close = [&](TTouchDialogFrm& dialog) { driver->Press(driver->Get("btOk", &dialog)); };

  const bool swept = program.Run({"DemoMode"}, 2, [&] {
    driver->OnNextModal([&](ui::Form& form) {
      auto& list = static_cast<TMarkerListFrm&>(form);
      driver->Press(*list.btAddMarker);
      shoot("list", list);
      driver->OnNextModal([&](ui::Form& sub) {
        shoot("properties", static_cast<TTouchDialogFrm&>(sub));
        close(static_cast<TTouchDialogFrm&>(sub));
      });
      driver->Press(*list.btProperties);
      driver->OnNextModal([&](ui::Form& search) {
        auto& dialog = static_cast<TTouchDialogFrm&>(search);
        driver->Press(driver->Get("btSearchMax", &dialog));
        shoot("search", dialog);
        driver->OnNextModal([&](ui::Form& sub) {
          shoot("peak", static_cast<TTouchDialogFrm&>(sub));
          close(static_cast<TTouchDialogFrm&>(sub));
        });
        driver->Press(driver->Get("btSearchReak", &dialog));
        driver->OnNextModal([&](ui::Form& sub) {
          shoot("target", static_cast<TTouchDialogFrm&>(sub));
          close(static_cast<TTouchDialogFrm&>(sub));
        });
        driver->Press(driver->Get("btSearchTarget", &dialog));
        close(dialog);
      });
      driver->Press(*list.btSearch);
      driver->OnNextModal([&](ui::Form& sub) {
        shoot("math", static_cast<TTouchDialogFrm&>(sub));
        close(static_cast<TTouchDialogFrm&>(sub));
      });
      driver->Press(*list.btMath);
      // "Search Max" placed the first marker and stored its search.
      TMeasurement& trace = *MainFrm->GetActiveView()->GetTraces()->GetActive();
      const TMarker* marker = trace.Markers->FindMarker(0);
      if (marker != nullptr && marker->MarkerSearch == 0) markerAt = marker->Argument;
      close(list);
    });
    ClickSoftKey(*driver, *MainFrm->LeftPanel, TLeftPanel::kMarker);
  });

  EXPECT_TRUE(swept) << "no two sweeps within 30 s";
  EXPECT_GE(markerAt, 0) << "Search Max placed the marker";
  EXPECT_EQ((std::vector<std::string>{"list", "properties", "search", "peak", "target", "math"}),
            pictures.CheckedNames());
}

}  // namespace
