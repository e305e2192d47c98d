// The Stimulus dialog opened by the right soft key "Stimulus" of the running main window and
// driven by clicks: the frequency rows following the channel's centre priority, the keypad
// behind the look's switch, the power row, the segment table button, and the time-domain rows
// in the three distance units.
#include "dialogs/StimulusDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ChannelDialogRig.h"
#include "dialogs/SegmentListFrm.h"
#include "display/DrawingPlane.h"
#include "model/MeasureUnitTables.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LbButton.h"
#include "widgets/RightPanel.h"

namespace {

class StimulusDialog : public ChannelDialogRig {
 protected:
  // Opens the dialog by its soft key and runs the checks inside its modal run.
  void WithDialog(const std::function<void(TStimulusFrm&)>& checks) {
    WithModalDialog<TStimulusFrm>([this] { frm->RightPanelClick(TRightPanel::kStimulus); }, checks);
  }
  // The keypad's next run: what it shows, then the typed text and Ok.
  void Keypad(const std::string& text, TDigitalKeyboardFrm* seen = nullptr) {
    driver.OnNextModal([this, text, seen](ui::Form& form) {
      auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
      if (seen) {
        seen->Title = keypad.Title;
        seen->UnitKind = keypad.UnitKind;
        seen->UnitIndex = keypad.UnitIndex;
      }
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
  }
  static std::string Text(ui::Panel* p) { return p->Caption(); }
};

TEST_F(StimulusDialog, LayoutAndTheStartEntryReachTheChannel) {
  Start();
  WithDialog([&](TStimulusFrm& d) {
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(294, d.Height());
    EXPECT_EQ(ui::Rect(6, 262, 108, 288), d.btSegmentTable->BoundsRect());
    EXPECT_EQ(ui::Rect(114, 262, 216, 288), d.btOk->BoundsRect());
    EXPECT_EQ(" Start Frequency", Text(d.pnStartFreq));
    TDigitalKeyboardFrm seen(nullptr, "", 0, 0, nullptr, nullptr);
    Keypad("100", &seen);
    driver.Press(*d.pnStartFreqValue);
    EXPECT_EQ("Start Frequency", seen.Title);
    EXPECT_EQ(ukFrequency, seen.UnitKind);
    EXPECT_EQ(1, seen.UnitIndex);
    EXPECT_EQ(100, Channel().MinFrequency);
    EXPECT_EQ(" 100 MHz", Text(d.pnStartFreqValue));
    // The chart's "Start" label follows.
    View().DrawingPlane->PrepareLabels();
    EXPECT_EQ("Start", View().DrawingPlane->StimFirstName);
    EXPECT_EQ("100 MHz", View().DrawingPlane->StimFirstValue);
    // Far beyond the band: the row shows what the channel kept.
    Keypad("1e300");
    driver.Press(*d.pnStopFreq);
    EXPECT_EQ(" " + FormatKindValue(Channel().GetDeviceMaxFrequency() * 1e6, ukFrequency), Text(d.pnStopFreqValue));
  });
}

TEST_F(StimulusDialog, ACentreEntrySwitchesTheRowsAndAStartEntrySwitchesThemBack) {
  Start();
  WithDialog([&](TStimulusFrm& d) {
    // Automation sets a centre meanwhile: row 1 now edits the centre.
    Channel().SetCenterFrequency(400);
    TDigitalKeyboardFrm seen(nullptr, "", 0, 0, nullptr, nullptr);
    Keypad("500", &seen);
    driver.Press(*d.pnStartFreq);
    EXPECT_EQ("Center Frequency", seen.Title);
    EXPECT_EQ(" Center Frequency", Text(d.pnStartFreq));
    EXPECT_EQ(" Span Frequency", Text(d.pnStopFreq));
    EXPECT_EQ(" 500 MHz", Text(d.pnStartFreqValue));
    Keypad("20");
    driver.Press(*d.pnStopFreqValue);
    EXPECT_EQ(" 20 MHz", Text(d.pnStopFreqValue));
    // A start set remotely clears the priority; the next entry is a start again.
    Channel().SetStartFrequency(450);
    Keypad("300", &seen);
    driver.Press(*d.pnStartFreqValue);
    EXPECT_EQ("Start Frequency", seen.Title);
    EXPECT_EQ(" Start Frequency", Text(d.pnStartFreq));
    EXPECT_EQ(" Stop Frequency", Text(d.pnStopFreq));
    EXPECT_EQ(" 300 MHz", Text(d.pnStartFreqValue));
  });
}

TEST_F(StimulusDialog, WithoutTheDigitalPanelTheNumberRowsOpenNothing) {
  Start();
  const double start = Channel().MinFrequency;
  Look().UseDigitalPanel = false;
  WithDialog([&](TStimulusFrm& d) {
    // No modal run is scripted: a keypad would fail the test.
    for (ui::Panel* p : {d.pnStartFreq, d.pnStopFreqValue, d.pnMinDist, d.pnMaxDistValue}) driver.Press(*p);
    EXPECT_EQ(0u, driver.PendingModalActions());
    // The power row still works.
    const std::string before = Text(d.pnPowerValue);
    driver.Press(*d.pnPowerValue);
    EXPECT_NE(before, Text(d.pnPowerValue));
  });
  EXPECT_EQ(start, Channel().MinFrequency);
}

TEST_F(StimulusDialog, OutsideVorlaModeThePowerRowFlipsHighAndLow) {
  Start();
  WithDialog([&](TStimulusFrm& d) {
    EXPECT_EQ(" High", Text(d.pnPowerValue));
    driver.Press(*d.pnPower);
    EXPECT_TRUE(ScannerModule->Attenuator20dB);
    EXPECT_EQ(" Low", Text(d.pnPowerValue));
    driver.Press(*d.pnPowerValue);
    EXPECT_FALSE(ScannerModule->Attenuator20dB);
    EXPECT_EQ(" High", Text(d.pnPowerValue));
  });
}

TEST_F(StimulusDialog, InVorlaModeAnOutputSwitchedOffReadsRfOff) {
  Start("DemoMode VorlaMode");
  scanner().SetSignalOff(true);
  WithDialog([&](TStimulusFrm& d) { EXPECT_EQ(" RF Off", Text(d.pnPowerValue)); });
  scanner().SetSignalOff(false);
  WithDialog([&](TStimulusFrm& d) { EXPECT_EQ(" High", Text(d.pnPowerValue)); });
}

TEST_F(StimulusDialog, TheSegmentTableButtonWorksOnlyInSegmentSweep) {
  Start();
  for (int type : {TRange::Lin, TRange::Log}) {
    Channel().SetSweepType(type);
    WithDialog([&](TStimulusFrm& d) {
      EXPECT_FALSE(d.btSegmentTable->Enabled());
      d.btSegmentTableMouseDown();  // inert: nothing opens
      EXPECT_EQ(0u, driver.PendingModalActions());
      EXPECT_EQ(type == TRange::Lin ? " Lin" : " Log", Text(d.pnSweepTypeValue));
    });
  }
  Channel().SetSweepType(TRange::Segm);
  WithDialog([&](TStimulusFrm& d) {
    EXPECT_TRUE(d.btSegmentTable->Enabled());
    EXPECT_EQ(" Segment", Text(d.pnSweepTypeValue));
    bool hidden = false;
    bool editor = false;
    driver.OnNextModal([&](ui::Form& form) {
      hidden = !d.Visible();
      editor = dynamic_cast<TSegmentListFrm*>(&form) != nullptr;
      driver.Key(form, ui::vk::Return);
    });
    driver.Press(*d.btSegmentTable);
    EXPECT_TRUE(editor);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(d.Visible());
  });
}

TEST_F(StimulusDialog, TimeDomainRowsFollowTheDistanceUnit) {
  Start();
  ScannerModule->SetVelocityFactor(1);
  struct Case {
    int unit;
    const char* start;
    int kind, index;
  };
  const Case cases[] = {
      {TScannerModule::UnitSeconds, " -10 ns", ukTime, 3},
      {TScannerModule::UnitMetres, " -1.498962 m", ukMetricLength, 0},
      {TScannerModule::UnitFeet, " -4.917855 ft", ukImperialLength, 1},
  };
  for (const Case& c : cases) {
    ScannerModule->SetDistanceUnits(c.unit);
    WithDialog([&](TStimulusFrm& d) {
      EXPECT_EQ(c.start, Text(d.pnMinDistValue)) << c.unit;
      TDigitalKeyboardFrm seen(nullptr, "", 0, 0, nullptr, nullptr);
      driver.OnNextModal([&](ui::Form& form) {
        auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
        seen.Title = keypad.Title;
        seen.UnitKind = keypad.UnitKind;
        seen.UnitIndex = keypad.UnitIndex;
        driver.Press(*keypad.btCancel);
      });
      driver.Press(*d.pnMinDistValue);
      EXPECT_EQ("Time-Domain Start", seen.Title);
      EXPECT_EQ(c.kind, seen.UnitKind) << c.unit;
      EXPECT_EQ(c.index, seen.UnitIndex) << c.unit;
    });
  }
  // An entry in nanoseconds reaches the window's transform.
  ScannerModule->SetDistanceUnits(TScannerModule::UnitSeconds);
  WithDialog([&](TStimulusFrm& d) {
    Keypad("-5");
    driver.Press(*d.pnMinDist);
    EXPECT_EQ(" -5 ns", Text(d.pnMinDistValue));
  });
}

TEST_F(StimulusDialog, EveryNumberRowShowsWhatTheEngineKept) {
  Start();
  ScannerModule->SetDistanceUnits(TScannerModule::UnitSeconds);
  WithDialog([&](TStimulusFrm& d) {
    const auto freq = [](double mhz) { return " " + FormatKindValue(mhz * 1e6, ukFrequency); };
    const auto ns = [](double v) { return " " + FormatKindValue(v * 1e-9, ukTime); };
    struct Row {
      ui::Panel* caption;
      ui::Panel* value;
      std::function<std::string()> kept;
    };
    const Row rows[] = {
        {d.pnStartFreq, d.pnStartFreqValue, [&] { return freq(Channel().MinFrequency); }},
        {d.pnStopFreq, d.pnStopFreqValue, [&] { return freq(Channel().MaxFrequency); }},
        {d.pnMinDist, d.pnMinDistValue, [&] { return ns(View().GetTransformStartInUnit()); }},
        {d.pnMaxDist, d.pnMaxDistValue, [&] { return ns(View().GetTransformStopInUnit()); }},
    };
    for (const Row& row : rows) {
      for (const char* typed : {"0", "-5", "1e300", "-1e300", "123.456"}) {
        Keypad(typed);
        driver.Press(*row.caption);
        EXPECT_EQ(row.kept(), row.value->Caption()) << row.caption->Name() << " " << typed;
      }
    }
    EXPECT_LE(Channel().MinFrequency, Channel().MaxFrequency);
    EXPECT_GE(Channel().MinFrequency, Channel().GetDeviceMinFrequency());
  });
}

TEST_F(StimulusDialog, ThePickListsWriteTheChannelAndTheRowsFollow) {
  Start();
  Channel().SetSweepType(TRange::Lin);
  WithDialog([&](TStimulusFrm& d) {
    std::string list;
    ChooseInList("401", &list);
    driver.Press(*d.pnPointsValue);
    EXPECT_EQ("PointsListFrm", list);
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(401, Channel().NPoints);
    EXPECT_EQ(" 401", Text(d.pnPointsValue));

    EXPECT_FALSE(d.btSegmentTable->Enabled());
    ChooseInList("Segment", &list);
    driver.Press(*d.pnSweepType);
    EXPECT_EQ("SweepTypeListFrm", list);
    EXPECT_EQ(TRange::Segm, Channel().SweepMode);
    EXPECT_EQ(" Segment", Text(d.pnSweepTypeValue));
    EXPECT_TRUE(d.btSegmentTable->Enabled()) << "enabled right after the list";
    ChooseInList("Log");
    driver.Press(*d.pnSweepTypeValue);
    EXPECT_EQ(" Log", Text(d.pnSweepTypeValue));
    EXPECT_FALSE(d.btSegmentTable->Enabled());
  });
}

TEST_F(StimulusDialog, InVorlaModeThePowerListCanSwitchTheOutputOff) {
  Start("DemoMode VorlaMode");
  WithDialog([&](TStimulusFrm& d) {
    std::string list;
    ChooseInList("RF Off", &list);
    driver.Press(*d.pnPowerValue);
    EXPECT_EQ("PowerModeListFrm", list);
    EXPECT_TRUE(scanner().GetSignalOff());
    EXPECT_EQ(" RF Off", Text(d.pnPowerValue));
    ChooseInList("Low");
    driver.Press(*d.pnPower);
    EXPECT_FALSE(scanner().GetSignalOff());
    EXPECT_EQ(" Low", Text(d.pnPowerValue));
  });
}

TEST_F(StimulusDialog, AnotherSweepCodeKeepsTheSweepTypeRowAsItWas) {
  Start();
  Channel().SetSweepType(TRange::Segm);
  WithDialog([&](TStimulusFrm& d) {
    Channel().SetSweepType(TRange::Grid);  // set remotely meanwhile
    d.RefreshValues();
    EXPECT_EQ(" Segment", Text(d.pnSweepTypeValue));
    EXPECT_TRUE(d.btSegmentTable->Enabled());
  });
}

TEST_F(StimulusDialog, AfterTheMainWindowsShutDownNothingActs) {
  Start();
  const bool low = ScannerModule->Attenuator20dB;
  WithDialog([&](TStimulusFrm& d) {
    frm->Shutdown();
    // No keypad, no list, no editor: no modal run is scripted.
    for (ui::Control* c : std::initializer_list<ui::Control*>{d.pnStartFreq, d.pnMaxDistValue, d.pnPoints, d.pnPower,
                                                              d.pnSweepTypeValue, d.btSegmentTable}) {
      driver.Press(*c);
    }
    d.RefreshValues();
    EXPECT_EQ(0u, driver.PendingModalActions());
  });
  EXPECT_EQ(low, ScannerModule->Attenuator20dB);
}

}  // namespace
