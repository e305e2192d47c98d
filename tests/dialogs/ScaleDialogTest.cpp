// The Scale dialog opened by the right soft key "Scale" of the running main window: its layout,
// the keypad rows with what the trace and the window kept, the polar formats, the press-and-hold
// steps of delay and phase on the fake clock, and the automatic scale.
#include "dialogs/ScaleDialog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "ChannelDialogRig.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "traces/FormatMath.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LbButton.h"
#include "widgets/RightPanel.h"

namespace {

class ScaleDialog : public ChannelDialogRig {
 protected:
  void WithDialog(const std::function<void(TMeasViewFrm&)>& checks) {
    WithModalDialog<TMeasViewFrm>([this] { frm->RightPanelClick(TRightPanel::kScale); }, checks);
  }
  // Advances the fake clock in 10 ms ticks.
  void Hold(int ms) {
    for (int t = 0; t < ms; t += 10) {
      clock.advanceMs(10);
      ui::Timer::Fake::RunDue();
    }
  }
  double DelayNs() { return Trace().ElectricalDelay * 1e9; }
};

TEST_F(ScaleDialog, LayoutOfTheSteppedRows) {
  Start();
  WithDialog([&](TMeasViewFrm& d) {
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(294, d.Height());
    EXPECT_EQ(152, d.pnEDelay->BoundsRect().Right);
    EXPECT_EQ(152, d.pnPhaseOffsetValue->BoundsRect().Right);
    EXPECT_EQ(158, d.btDelayMinus->BoundsRect().Left);
    EXPECT_EQ(184, d.btDelayMinus->BoundsRect().Right);
    EXPECT_EQ(190, d.btPhasePlus->BoundsRect().Left);
    EXPECT_EQ(216, d.btPhasePlus->BoundsRect().Right);
    EXPECT_EQ(d.pnPhaseOffset->Top(), d.btPhasePlus->Top());
    EXPECT_EQ(ui::Rect(6, 38, 108, 64), d.btAutoScale->BoundsRect());
  });
}

TEST_F(ScaleDialog, KeypadRowsShowWhatTheTraceAndTheWindowKept) {
  Start();
  WithDialog([&](TMeasViewFrm& d) {
    struct Case {
      ui::Panel* row;
      const char* typed;
      std::function<std::string()> shown;
      std::string expected;
    };
    const Case cases[] = {
        {d.pnDivisions, "3", [&] { return d.pnDivisionsValue->Caption(); }, " 4"},
        {d.pnDivisions, "7", [&] { return d.pnDivisionsValue->Caption(); }, " 6"},
        {d.pnDivisionsValue, "25", [&] { return d.pnDivisionsValue->Caption(); }, " 20"},
        {d.pnDivisions, "1e300", [&] { return d.pnDivisionsValue->Caption(); }, " 20"},
        {d.pnDivisions, "-1e300", [&] { return d.pnDivisionsValue->Caption(); }, " 4"},
        {d.pnRefPos, "2.9", [&] { return d.pnRefPosValue->Caption(); }, " 2"},
        {d.pnRefPos, "-5", [&] { return d.pnRefPosValue->Caption(); }, " 0"},
        {d.pnPhaseOffset, "1000", [&] { return d.pnPhaseOffsetValue->Caption(); }, " 360 \u00B0"},
        {d.pnPhaseOffset, "-1000", [&] { return d.pnPhaseOffsetValue->Caption(); }, " -360 \u00B0"},
        {d.pnPhaseOffset, "12.5", [&] { return d.pnPhaseOffsetValue->Caption(); }, " 12.5 \u00B0"},
        {d.pnEDelay, "2", [&] { return d.pnEDelayValue->Caption(); }, " 2 ns"},
        {d.pnEDelay, "1e300", [&] { return d.pnEDelayValue->Caption(); }, " 10 s"},
        {d.pnEDelay, "0", [&] { return d.pnEDelayValue->Caption(); }, " 0 ps"},
    };
    for (const Case& c : cases) {
      Keypad(c.typed);
      driver.Press(*c.row);
      EXPECT_EQ(c.expected, c.shown()) << c.row->Name() << " " << c.typed;
    }
    EXPECT_EQ(4, View().GetDivisions());
    // Scale and reference in the trace's unit.
    std::string title;
    Keypad("5", &title);
    driver.Press(*d.pnScaleValue);
    EXPECT_EQ("Scale", title);
    EXPECT_EQ(" 5 " + Trace().GetResponseUnitText() + "/div", d.pnScaleValue->Caption());
    Keypad("-12.25");
    driver.Press(*d.pnReference);
    EXPECT_EQ(" -12.25 " + Trace().GetResponseUnitText(), d.pnRefValue->Caption());
  });
}

TEST_F(ScaleDialog, PolarFormatsShowTheFullScaleAndNoReferenceRows) {
  Start();
  Trace().SetFormat(fmtSmithLin);
  WithDialog([&](TMeasViewFrm& d) {
    EXPECT_EQ(" ", d.pnRefValue->Caption());
    EXPECT_EQ(" ", d.pnDivisionsValue->Caption());
    EXPECT_EQ(" ", d.pnRefPosValue->Caption());
    EXPECT_EQ(std::string::npos, d.pnScaleValue->Caption().find("/div"));
    // No modal run is scripted: these rows must open nothing.
    for (ui::Panel* p : {d.pnReference, d.pnRefValue, d.pnDivisions, d.pnRefPosValue}) driver.Press(*p);
    EXPECT_EQ(0u, driver.PendingModalActions());
    Keypad("2");
    driver.Press(*d.pnScale);
    EXPECT_DOUBLE_EQ(2, Trace().GetFullScale());
  });
}

TEST_F(ScaleDialog, HoldingPlusStepsAtThePressThenAfterASecondThenEveryTenth) {
  Start();
  WithDialog([&](TMeasViewFrm& d) {
    int steps = 0;
    double last = DelayNs();
    const auto count = [&] {
      if (std::abs(DelayNs() - last) > 1e-9) {
        ++steps;
        last = DelayNs();
      }
    };
    driver.Press(*d.btDelayPlus);
    count();
    for (int t = 0; t < 1250; t += 10) {
      Hold(10);
      count();
    }
    EXPECT_EQ(4, steps);  // at 0, 1.0, 1.1 and 1.2 s
    driver.Release(*d.btDelayPlus);
    Hold(2000);
    count();
    EXPECT_EQ(4, steps);
    // Leaving the button stops it too.
    driver.Press(*d.btDelayPlus);
    count();
    driver.Leave(*d.btDelayPlus);
    Hold(2000);
    count();
    EXPECT_EQ(5, steps);
    driver.Release(*d.btDelayPlus);
    // Closing while held: the dialog goes, no tick follows.
    driver.Press(*d.btPhasePlus);
    EXPECT_TRUE(d.Repeating());
  });
  const double phase = Trace().PhaseOffset;
  Hold(3000);
  EXPECT_EQ(phase, Trace().PhaseOffset);
}

TEST_F(ScaleDialog, OneStepMovesBySignificantSteps) {
  Start();
  WithDialog([&](TMeasViewFrm& d) {
    struct Case {
      TLbButton* button;
      double before, after;
      bool delay;
    };
    const Case cases[] = {
        {d.btDelayPlus, 0, 0.01, true},    {d.btDelayPlus, 5, 5.1, true},
        {d.btDelayMinus, 10, 9, true},     {d.btPhasePlus, 45, 46, false},
        {d.btPhaseMinus, 0, -0.1, false},  {d.btPhasePlus, 360, 360, false},
    };
    for (const Case& c : cases) {
      if (c.delay) {
        Trace().SetElectricalDelay(c.before * 1e-9);
      } else {
        Trace().SetPhaseOffset(c.before);
      }
      driver.Press(*c.button);
      driver.Release(*c.button);
      const double now = c.delay ? DelayNs() : Trace().PhaseOffset;
      EXPECT_NEAR(c.after, now, 1e-9) << c.button->Name() << " from " << c.before;
    }
    EXPECT_EQ(" 360 \u00B0", d.pnPhaseOffsetValue->Caption());
  });
}

TEST_F(ScaleDialog, TheTraceIsTheActiveOneAtEachAction) {
  Start();
  WithDialog([&](TMeasViewFrm& d) {
    // The automatic scale runs on the trace and the rows show its result.
    driver.Press(*d.btAutoScale);
    EXPECT_EQ(" " + IntToText(Trace().GetRefPosition()), d.pnRefPosValue->Caption());
    driver.Press(*d.btAutoRef);
    EXPECT_NE(" ", d.pnRefValue->Caption());
  });
}

TEST_F(ScaleDialog, AfterTheMainWindowsShutDownNothingActs) {
  Start();
  // The channel windows and their traces may be gone after the shut-down: the dialog must not
  // reach them (the sanitizer job sees any use), and nothing opens.
  WithDialog([&](TMeasViewFrm& d) {
    driver.Press(*d.btDelayPlus);  // held while the window shuts down
    frm->Shutdown();
    Hold(2000);
    driver.Release(*d.btDelayPlus);
    for (ui::Control* c : std::initializer_list<ui::Control*>{d.pnScale, d.pnEDelay, d.pnPhaseOffsetValue, d.btPhasePlus,
                                                              d.btAutoScale, d.btAutoRef}) {
      driver.Press(*c);
      driver.Release(*c);
    }
    d.RefreshValues();
    EXPECT_EQ(0u, driver.PendingModalActions());
  });
}

}  // namespace
