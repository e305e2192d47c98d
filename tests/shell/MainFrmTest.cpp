// The main window on its own, offscreen: status texts and colours, the clock and its gauge, the
// delayed start (with a state that cannot be loaded), the disabling reasons and the shut-down.
// The modules it reaches are real; the clock, the timers and the user-interface queue are fakes.
#include "shell/MainFrm.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "common/TestEnv.h"
#include "shell/StateFileSample.h"
#include "display/ViewProperties.h"
#include "instrument/CmdReply.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/ManualWaiter.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/LockFile.h"
#include "platform/Paths.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/Gauge.h"
#include "platform/ui/Label.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Timer.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

namespace fs = std::filesystem;

#include "display/RangeView.h"
#include "shell/MainFrmRig.h"

namespace {

constexpr TColor kAlert = 0x686FB0;
constexpr TColor kInfo = 0x808080;

TEST_F(MainFrmRig, SweepTimeLabelSwitchesToSecondsAtOneSecond) {
  Build("");
  struct Case {
    double ms;
    const char* text;
  };
  const Case cases[] = {{1000, " 1.0000 s"}, {999.9, " 999.9 ms"}, {2500, " 2.5000 s"}, {0.5, " 0.5000 ms"}};
  for (const Case& c : cases) {
    frm->ShowSweepTime(c.ms);
    EXPECT_EQ(frm->lbSweepTime->Caption(), c.text) << c.ms;
  }
}

TEST_F(MainFrmRig, DemoModeCaptionAndNoCalibrationFailurePanel) {
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_TRUE(CalibratorModule->IsSystemCalibrationEmpty());
  PretendConnected();
  const std::string caption = frm->Caption();
  const std::string suffix = " (Demo Mode)";
  ASSERT_GE(caption.size(), suffix.size());
  EXPECT_EQ(caption.substr(caption.size() - suffix.size()), suffix);
  EXPECT_EQ(caption.substr(0, caption.size() - suffix.size()), device->GetLongDescription());
  frm->UpdateSystemCalStatus();
  EXPECT_FALSE(frm->pnSystemCalFail->Visible());
}

TEST_F(MainFrmRig, WithoutDemoModeAnEmptySystemCalibrationShowsTheFailurePanel) {
  Build("");
  frm->UpdateSystemCalStatus();
  EXPECT_TRUE(frm->pnSystemCalFail->Visible());
}

TEST_F(MainFrmRig, WithoutServiceSwitchesOnlyGaugeDateTriggerAndReadyShow) {
  Build("DemoMode");
  RunDelayedStart();
  PretendConnected();
  scanner().SetStandby(false);
  std::vector<std::string> shown;
  for (ui::Panel* p : frm->StatusPanels()) {
    if (p->Visible()) shown.push_back(p->Name());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"pnProgressBar", "pnDataTime", "pnTrigger", "pnReady"}));
}

TEST_F(MainFrmRig, ServiceModeKeepsSweepTimeSerialAndTemperature) {
  Build("EnableService FactoryMode");
  EXPECT_TRUE(frm->pnSweepTime->Visible());
  EXPECT_TRUE(frm->pnSerial->Visible());
  EXPECT_TRUE(frm->pnTemperature->Visible());
}

TEST_F(MainFrmRig, FactoryModeHidesOnlyTheSweepTime) {
  Build("FactoryMode");
  EXPECT_FALSE(frm->pnSweepTime->Visible());
  EXPECT_TRUE(frm->pnSerial->Visible());
  EXPECT_TRUE(frm->pnTemperature->Visible());
}

TEST_F(MainFrmRig, ReadyStateTextsAndColours) {
  Build("DemoMode");
  RunDelayedStart();
  frm->UpdateReadyStatus();
  EXPECT_EQ(frm->lbReady->Caption(), "Not Ready");
  EXPECT_EQ(frm->lbReady->GetFont().Color, kAlert);
  EXPECT_FALSE(frm->pnTrigger->Visible());

  scanner().Connected = true;
  ASSERT_TRUE(scanner().GetStandby());
  frm->UpdateReadyStatus();
  EXPECT_EQ(frm->lbReady->Caption(), "Standby");
  EXPECT_EQ(frm->lbReady->GetFont().Color, kAlert);
  EXPECT_FALSE(frm->pnTrigger->Visible());

  scanner().SetStandby(false);  // fires the scanner's change: the window follows by itself
  EXPECT_EQ(frm->lbReady->Caption(), "Ready");
  EXPECT_EQ(frm->lbReady->GetFont().Color, kInfo);
  EXPECT_TRUE(frm->pnTrigger->Visible());

  scanner().SetSignalOff(true);
  EXPECT_TRUE(frm->pnRFOff->Visible());
  scanner().SetSignalOff(false);
  EXPECT_FALSE(frm->pnRFOff->Visible());
}

TEST_F(MainFrmRig, TriggerTextsAndUnknownModeKeepsTheLabel) {
  Build("");
  struct Case {
    int source, mode;
    const char* text;
  };
  const Case cases[] = {
      {TScannerModule::SourceInternal, TScannerModule::Hold, "Hold"},
      {TScannerModule::SourceInternal, TScannerModule::Single, "Measure"},
      {TScannerModule::SourceExternal, TScannerModule::Hold, "External"},
      {TScannerModule::SourceInternal, TScannerModule::Continuous, "Measure"},
      {TScannerModule::SourceBus, TScannerModule::Continuous, "Bus"},
      {TScannerModule::SourceInternal, 7, "Bus"},  // unknown mode: as before
      {9, TScannerModule::Hold, "Bus"},           // unknown source: as before
  };
  int statusEvents = 0;
  frm->OnStatusChanged = [&](TFObject*) { ++statusEvents; };
  for (const Case& c : cases) {
    ScannerModule->TriggerSource = c.source;
    ScannerModule->TriggerMode = c.mode;
    frm->UpdateTriggerStatus();
    EXPECT_EQ(frm->lbTrigger->Caption(), c.text) << c.source << "/" << c.mode;
  }
  EXPECT_EQ(statusEvents, static_cast<int>(std::size(cases)));
}

TEST_F(MainFrmRig, EndOfSweepRestartsContinuousAndPutsSingleOnHold) {
  Build("");
  ScannerModule->TriggerMode = TScannerModule::Single;
  frm->SweepDone(nullptr);
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Hold);
  ScannerModule->TriggerMode = TScannerModule::Continuous;
  frm->SweepDone(nullptr);
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Continuous);
  frm->SweepDone(nullptr);
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Continuous);
}

TEST_F(MainFrmRig, EndOfSweepShowsTheActiveChannelsTimeAndMarksSlowChannels) {
  Build("EnableService DemoMode");
  RunDelayedStart();
  ScannerModule->TriggerMode = TScannerModule::Hold;
  frm->SetChannelLayout(5);
  frm->SetChannelCount(4);
  frm->SetActiveView(1);
  const double times[] = {500, 1000, 1000.5, 2500};
  for (int i = 0; i < 4; ++i) frm->GetChannel(i)->SweepTime = times[i];
  frm->SweepDone(nullptr);
  EXPECT_EQ(frm->lbSweepTime->Caption(), " 1.0000 s");
  const bool slow[] = {false, false, true, true};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(frm->GetView(i)->SlowSweep, slow[i]) << i;
}

TEST_F(MainFrmRig, GaugeCyclesWhileMeasuringAndHoldsItsStepWhileIdle) {
  Build("DemoMode");
  RunDelayedStart();
  PretendConnected();
  ASSERT_NE(frm->SecondTimer, nullptr);
  auto tick = [&] {
    clock.advanceMs(TMainFrm::kSecondMs);
    ASSERT_GE(ui::Timer::Fake::RunDue(), 1);  // the firmware-loading timer may fall due as well
  };
  scanner().SetState(TScanner::MEAS);
  std::vector<int> shown;
  for (int i = 0; i < 23; ++i) {
    tick();
    shown.push_back(frm->ProgressBar->Progress());
  }
  std::vector<int> expected;
  for (int i = 1; i <= 20; ++i) expected.push_back(i);
  expected.insert(expected.end(), {0, 1, 2});
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(frm->ProgressBar->MaxValue(), 20);

  // Idle: the gauge shows 0 and the step waits; measuring again goes on from it.
  scanner().SetState(TScanner::STOP);
  tick();
  EXPECT_EQ(frm->ProgressBar->Progress(), 0);
  EXPECT_EQ(frm->GaugeStep, 2);
  scanner().SetState(TScanner::MEAS);
  tick();
  EXPECT_EQ(frm->ProgressBar->Progress(), 3);
}

TEST_F(MainFrmRig, ClockShowsTheLocalesShortDateAndTwentyFourHourTime) {
  platform::LocalTime t;
  t.year = 2026;
  t.month = 3;
  t.day = 5;
  t.hour = 19;
  t.minute = 7;
  clock.setLocalTime(t);
  Build("DemoMode");
  const std::string date = QLocale().toString(QDate(2026, 3, 5), QLocale::ShortFormat).toStdString();
  EXPECT_EQ(frm->lbDataTime->Caption(), date + " 19:07");
  t.hour = 8;
  clock.setLocalTime(t);
  frm->ClockTimer();
  EXPECT_EQ(frm->lbDataTime->Caption(), date + " 08:07");
  EXPECT_EQ(frm->DateText, date + " 08:07");
}

TEST_F(MainFrmRig, DelayedStartWithoutAutosave) {
  Build("DemoMode");
  EXPECT_TRUE(frm->Visible());
  EXPECT_EQ(frm->ChannelCount, 0);
  EXPECT_EQ(scanner().GetLink(), nullptr);
  RunDelayedStart();
  EXPECT_EQ(frm->ChannelLayout, 0);
  EXPECT_EQ(frm->ChannelCount, 1);
  EXPECT_EQ(frm->ActiveViewIndex, 0);
  EXPECT_FALSE(frm->AutosaveEnabled);
  EXPECT_EQ(frm->DisabledReasons(), 0u);
  EXPECT_TRUE(frm->Enabled());
  EXPECT_NE(scanner().GetLink(), nullptr) << "the scanner looks for the instrument";
  // Only the channel in use takes part in sweeping.
  ASSERT_NE(frm->GetChannel(0), nullptr);
  EXPECT_TRUE(frm->GetChannel(0)->ChangeNotify);
  EXPECT_FALSE(frm->GetChannel(1)->ChangeNotify);
  // The delayed start runs once.
  TRangeView* first = frm->GetView(0);
  EXPECT_FALSE(frm->DelayCreateView->Enabled());
  clock.advanceMs(1000);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(frm->GetView(0), first);
}

TEST_F(MainFrmRig, AutosaveIsLoadedAndSwitchesAutosaveOn) {
  statefile::Write(TMainFrm::AutosavePath(), 2, 2);
  Build("DemoMode");
  RunDelayedStart();
  EXPECT_EQ(frm->ChannelLayout, 2);
  EXPECT_EQ(frm->ChannelCount, 2);
  EXPECT_TRUE(frm->AutosaveEnabled);
  EXPECT_TRUE(frm->Enabled());
  EXPECT_TRUE(driver.Box().Shown().empty());
}

TEST_F(MainFrmRig, UnreadableAutosaveIsReportedSetAsideAndTheStartGoesOn) {
  const std::string path = TMainFrm::AutosavePath();
  std::ofstream(path) << "garbage";
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_EQ(driver.Box().Shown().size(), 1u);
  EXPECT_NE(driver.Box().Shown()[0].find("Autosave.cfg"), std::string::npos) << driver.Box().Shown()[0];
  EXPECT_FALSE(fs::exists(path));
  ASSERT_TRUE(fs::exists(path + ".bad"));
  std::ifstream in(path + ".bad");
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "garbage");
  EXPECT_TRUE(frm->AutosaveEnabled);
  EXPECT_TRUE(frm->Enabled());
  EXPECT_NE(scanner().GetLink(), nullptr);
  EXPECT_EQ(frm->ChannelCount, 1);
}

TEST_F(MainFrmRig, CloseAndDestroyRunOneShutdownAndOneAutosave) {
  Build("DemoMode");
  RunDelayedStart();
  frm->AutosaveEnabled = true;
  const std::string autosave = TMainFrm::AutosavePath();
  int closed = 0;
  frm->OnClosed = [&] { ++closed; };
  ASSERT_NE(frm->GetChannel(0), nullptr);
  frm->Close();
  EXPECT_TRUE(fs::exists(autosave));
  fs::remove(autosave);
  EXPECT_TRUE(frm->IsShutDown());
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(frm->GetView(0), nullptr);
  EXPECT_EQ(frm->GetActiveView(), nullptr);
  EXPECT_EQ(frm->GetChannel(0), nullptr);
  EXPECT_EQ(frm->ChannelCount, 0);
  EXPECT_EQ(frm->SecondTimer, nullptr);
  EXPECT_EQ(scanner().GetLink(), nullptr) << "the link is closed";
  EXPECT_FALSE(static_cast<bool>(scanner().OnConnect));
  EXPECT_FALSE(static_cast<bool>(ScannerModule->OnSweepDone));
  EXPECT_FALSE(static_cast<bool>(CalibratorModule->OnChange));
  EXPECT_FALSE(static_cast<bool>(ViewProperties->OnChange));
  // Handlers after the shut-down do nothing.
  frm->UpdateReadyStatus();
  frm->ClockTimer();
  frm->Shutdown();
  frm.reset();
  EXPECT_FALSE(fs::exists(autosave)) << "the destruction saved a second time";
}

TEST_F(MainFrmRig, AFailedAutosaveIsReportedAndTheShutdownGoesOn) {
  Build("DemoMode");
  RunDelayedStart();
  frm->AutosaveEnabled = true;
  // A folder in the file's place: the write cannot go through.
  fs::create_directories(TMainFrm::AutosavePath());
  frm->Shutdown();
  ASSERT_EQ(driver.Box().Shown().size(), 1u);
  EXPECT_NE(driver.Box().Shown()[0].find("Autosave.cfg"), std::string::npos) << driver.Box().Shown()[0];
  EXPECT_EQ(scanner().GetLink(), nullptr);
  EXPECT_EQ(frm->GetChannel(0), nullptr);
}

TEST_F(MainFrmRig, InputIsEnabledOnlyWithoutAnyReason) {
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_TRUE(frm->Enabled());
  frm->SetRemoteState(2);
  EXPECT_FALSE(frm->Enabled());
  // An EEPROM transfer that starts and ends under the remote lock does not unlock input.
  CalibratorModule->EepromBusy = true;
  frm->UpdateEepromStatus();
  EXPECT_FALSE(frm->Enabled());
  CalibratorModule->EepromBusy = false;
  frm->UpdateEepromStatus();
  EXPECT_FALSE(frm->Enabled());
  frm->SetRemoteState(1);
  EXPECT_FALSE(frm->Enabled());
  frm->SetRemoteState(0);
  EXPECT_TRUE(frm->Enabled());
  // Nor does local state during a transfer.
  CalibratorModule->EepromBusy = true;
  frm->UpdateEepromStatus();
  frm->SetRemoteState(1);
  frm->SetRemoteState(0);
  EXPECT_FALSE(frm->Enabled());
  CalibratorModule->EepromBusy = false;
  frm->UpdateEepromStatus();
  EXPECT_TRUE(frm->Enabled());
  // A value outside 0..2 is only stored.
  frm->SetRemoteState(5);
  EXPECT_EQ(frm->GetRemoteState(), 5);
  EXPECT_TRUE(frm->Enabled());
}

TEST_F(MainFrmRig, EepromProgressAndSerialInServiceMode) {
  Build("EnableService");
  int activeViewEvents = 0;
  frm->OnActiveViewChanged = [&](TFObject*) { ++activeViewEvents; };
  CalibratorModule->SerialNumber = 1234;
  CalibratorModule->EepromBusy = true;
  struct Case {
    int phase;
    const char* text;
  };
  const Case cases[] = {{0, "Load EEPROM 42%"}, {1, "Write EEPROM 42%"}, {2, "Check EEPROM 42%"}, {3, ""}};
  CalibratorModule->EepromPercent = 42;
  for (const Case& c : cases) {
    CalibratorModule->EepromPhase = c.phase;
    frm->UpdateEepromStatus();
    EXPECT_TRUE(frm->pnEEPROM->Visible());
    EXPECT_EQ(frm->lbEEPROM->Caption(), c.text);
  }
  EXPECT_EQ(frm->lbSerial->Caption(), "No 00001234");
  CalibratorModule->EepromBusy = false;
  CalibratorModule->UserCorrectionOff = true;
  frm->UpdateEepromStatus();
  EXPECT_FALSE(frm->pnEEPROM->Visible());
  EXPECT_TRUE(frm->pnCorrectionOff->Visible());
  EXPECT_FALSE(frm->pnFactoryOff->Visible());
  EXPECT_EQ(activeViewEvents, 5);
}

TEST_F(MainFrmRig, EepromPanelStaysHiddenInTheNormalMode) {
  Build("");
  CalibratorModule->EepromBusy = true;
  frm->UpdateEepromStatus();
  EXPECT_FALSE(frm->pnEEPROM->Visible());
  EXPECT_FALSE(frm->Enabled());
}

TEST_F(MainFrmRig, StatusBarKeepsItsOrderAndASquareGauge) {
  Build("EnableService DemoMode");
  RunDelayedStart();
  PretendConnected();
  CalibratorModule->UserCorrectionOff = true;
  frm->UpdateEepromStatus();
  scanner().SetStandby(false);
  std::vector<ui::Panel*> visible;
  for (ui::Panel* p : frm->StatusPanels()) {
    if (p->Visible()) visible.push_back(p);
  }
  ASSERT_GE(visible.size(), 8u);
  for (size_t i = 1; i < visible.size(); ++i) {
    EXPECT_GE(visible[i]->Left(), visible[i - 1]->Left() + visible[i - 1]->Width())
        << visible[i - 1]->Name() << " before " << visible[i]->Name();
  }
  EXPECT_EQ(frm->pnTemperature->Left() + frm->pnTemperature->Width(), frm->pnBottomBar->Width());
  EXPECT_EQ(frm->pnProgressBar->Width(), frm->pnBottomBar->Height());
  EXPECT_EQ(frm->pnBottomBar->Top() + frm->pnBottomBar->Height(), frm->ClientHeight());
  EXPECT_GE(frm->plGraphArea->Width(), TMainFrm::kGraphAreaMinimum);
  EXPECT_GE(frm->plGraphArea->Height(), TMainFrm::kGraphAreaMinimum);
  // Every label fits its panel.
  for (ui::Panel* p : visible) {
    if (p == frm->pnProgressBar) continue;
    auto* label = p->findChild<ui::Label*>();
    ASSERT_NE(label, nullptr);
    ui::ImageCanvas canvas(1, 1);
    canvas.SetFont(label->GetFont());
    EXPECT_GT(p->Width(), canvas.TextWidth(label->Caption())) << p->Name();
  }
}

TEST_F(MainFrmRig, SoftKeyBarsTakeTheWidthOfTheirColumns) {
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_NE(frm->LeftPanel, nullptr);
  ASSERT_NE(frm->RightPanel, nullptr);
  EXPECT_EQ(frm->KeyBarLeft->Width(), frm->LeftPanel->GetWidth());
  EXPECT_EQ(frm->KeyBarRight->Width(), frm->RightPanel->GetWidth());
  EXPECT_EQ(frm->plGraphArea->Left(), frm->KeyBarLeft->Width());
  const int graphWidth = frm->plGraphArea->Width();
  // Collapsing a column narrows its bar at once and gives the graph area the difference.
  const int expanded = frm->KeyBarLeft->Width();
  frm->LeftPanel->SetExpanded(false);
  EXPECT_EQ(frm->KeyBarLeft->Width(), frm->LeftPanel->GetWidth());
  EXPECT_LT(frm->KeyBarLeft->Width(), expanded);
  EXPECT_EQ(frm->plGraphArea->Left(), frm->KeyBarLeft->Width());
  EXPECT_EQ(frm->plGraphArea->Width(), graphWidth + expanded - frm->KeyBarLeft->Width());
  EXPECT_EQ(frm->KeyBarRight->Left() + frm->KeyBarRight->Width(), frm->ClientWidth());
}

TEST_F(MainFrmRig, HideAndShowTheMainWindow) {
  Build("DemoMode");
  frm->HideMainWindow();
  EXPECT_FALSE(frm->Visible());
  EXPECT_FALSE(frm->IsMainWindowShown());
  frm->ShowMainWindow();
  EXPECT_TRUE(frm->Visible());
  EXPECT_TRUE(frm->IsMainWindowShown());
}

TEST_F(MainFrmRig, WindowedSizeStaysWithinTheWorkArea) {
  Build("");
  const ui::Rect area = ui::Screen::WorkArea();
  frm->SetClientSize(area.Width() + 500, area.Height() + 500);
  frm->SetFullScreen(false);
  EXPECT_LE(frm->ClientHeight(), area.Height());
  EXPECT_LE(frm->ClientWidth(), area.Width());
  frm->SetFullScreen(true);
  const ui::Rect screen = ui::Screen::Bounds();
  EXPECT_EQ(frm->Width(), screen.Width());
  EXPECT_EQ(frm->Height(), screen.Height());
}

}  // namespace

namespace {

// ---- The clock -----------------------------------------------------------------------------

class ClockWithoutInstrument : public MainFrmRig {};

TEST_F(ClockWithoutInstrument, TicksFromTheDelayedStartOnConnectedOrNot) {
  platform::LocalTime t;
  t.year = 2026;
  t.month = 3;
  t.day = 5;
  t.hour = 19;
  t.minute = 7;
  clock.setLocalTime(t);
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_FALSE(scanner().Connected) << "no instrument has answered";
  const std::string date = QLocale().toString(QDate(2026, 3, 5), QLocale::ShortFormat).toStdString();
  EXPECT_EQ(frm->lbDataTime->Caption(), date + " 19:07");
  // A minute later the next tick shows the new time.
  t.minute = 8;
  clock.setLocalTime(t);
  clock.advanceMs(TMainFrm::kSecondMs);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(frm->lbDataTime->Caption(), date + " 19:08");
  EXPECT_EQ(frm->ProgressBar->Progress(), 0) << "nothing measures";

  // Connecting later keeps one clock going; losing the instrument does not stop it.
  PretendConnected();
  scanner().Connected = false;
  frm->DeviceStateChanged(nullptr);
  t.minute = 9;
  clock.setLocalTime(t);
  clock.advanceMs(TMainFrm::kSecondMs);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(frm->lbDataTime->Caption(), date + " 19:09");
}

// ---- The temperature panel ---------------------------------------------------------------------

class TemperatureBlank : public MainFrmRig {
 protected:
  void Check(const char* mode) {
    Build(mode);
    ASSERT_TRUE(frm->pnTemperature->Visible()) << mode;
    EXPECT_EQ(frm->lbTemperature->Caption(), "") << mode << ": at creation";
    RunDelayedStart();
    PretendConnected();
    ASSERT_EQ(scanner().GetTemperature(), TCmdReply::UnsetTemperature) << mode;
    frm->UpdateReadyStatus();
    frm->SweepDone(nullptr);
    EXPECT_EQ(frm->lbTemperature->Caption(), "") << mode << ": connected, no reading yet";

    // The first reading (raw quarter degrees) shows at once.
    scanner().DecodeReply(TCmdReply::Temperature(4 * 37 + 2));
    EXPECT_EQ(frm->lbTemperature->Caption(), FormatNumberWithUnit(4, "\u00B0\u0421", 37.5)) << mode;

    // Without the instrument there is no reading to show.
    scanner().Connected = false;
    frm->DeviceStateChanged(nullptr);
    EXPECT_EQ(frm->lbTemperature->Caption(), "") << mode << ": disconnected";
  }
};

TEST_F(TemperatureBlank, UntilTheInstrumentReportsOneInServiceMode) { Check("EnableService DemoMode"); }

TEST_F(TemperatureBlank, UntilTheInstrumentReportsOneInFactoryMode) { Check("FactoryMode DemoMode"); }

// ---- A second copy on the same data folder ---------------------------------------------------------

class SecondCopyLock : public MainFrmRig {
 protected:
  // The messages that name the lock, of all the boxes shown.
  size_t LockMessages() {
    size_t n = 0;
    for (const std::string& text : driver.Box().Shown())
      if (text.find(TranslateText("Another copy uses this folder")) != std::string::npos) ++n;
    return n;
  }
};

TEST_F(SecondCopyLock, TheFirstCopyHoldsTheFolderUntilItsShutDown) {
  const std::string autosave = TMainFrm::AutosavePath();
  statefile::Write(autosave, 2, 2);
  Build("DemoMode");
  RunDelayedStart();
  EXPECT_FALSE(frm->IsSecondCopy());
  EXPECT_TRUE(frm->AutosaveEnabled);
  EXPECT_TRUE(driver.Box().Shown().empty());
  platform::LockFile probe(TMainFrm::DataFolderLockName());
  EXPECT_FALSE(probe.tryLock()) << "the folder is held";
  frm->Shutdown();
  EXPECT_FALSE(statefile::HasStrayKey(autosave)) << "the first copy wrote its autosave";
  EXPECT_TRUE(probe.tryLock()) << "the shut-down frees the folder";
}

TEST_F(SecondCopyLock, ASecondCopySaysSoOnceAndNeverWritesTheAutosave) {
  const std::string autosave = TMainFrm::AutosavePath();
  statefile::Write(autosave, 2, 2);
  // The first copy.
  Build("DemoMode");
  RunDelayedStart();
  ASSERT_FALSE(frm->IsSecondCopy());

  // The second copy, in the same process on the same data root.
  auto second = std::make_unique<TMainFrm>();
  clock.advanceMs(TMainFrm::kDelayCreateMs);
  ui::Timer::Fake::RunDue();
  ASSERT_NE(second->GetView(0), nullptr) << "its delayed start ran";
  EXPECT_TRUE(second->IsSecondCopy());
  EXPECT_EQ(LockMessages(), 1u);
  ASSERT_EQ(driver.Box().Shown().size(), 1u);
  EXPECT_NE(driver.Box().Shown()[0].find(platform::Paths::dataRoot()), std::string::npos) << driver.Box().Shown()[0];
  EXPECT_EQ(second->ChannelCount, 2) << "it reads the state it finds";
  EXPECT_FALSE(second->AutosaveEnabled);
  // Autosave stays off for its life: switching it on is refused, switching it off deletes
  // nothing.
  EXPECT_THROW(second->SetAutosave(true), EAbort);
  EXPECT_FALSE(second->AutosaveEnabled);
  second->SetAutosave(false);
  EXPECT_TRUE(fs::exists(autosave));
  // Not even a switch set behind its back makes it write.
  second->AutosaveEnabled = true;
  second->Shutdown();
  second.reset();
  EXPECT_TRUE(statefile::HasStrayKey(autosave)) << "the second copy left the autosave alone";
  EXPECT_EQ(LockMessages(), 1u) << "said once";

  // The first copy still holds the folder and writes its autosave at its own end.
  platform::LockFile probe(TMainFrm::DataFolderLockName());
  EXPECT_FALSE(probe.tryLock());
  frm->Shutdown();
  EXPECT_FALSE(statefile::HasStrayKey(autosave));
}

TEST_F(SecondCopyLock, ASecondCopyLeavesADamagedAutosaveWhereItIs) {
  const std::string autosave = TMainFrm::AutosavePath();
  std::ofstream(autosave) << "garbage";
  platform::LockFile first(TMainFrm::DataFolderLockName());
  ASSERT_TRUE(first.tryLock());
  Build("DemoMode");
  RunDelayedStart();
  EXPECT_TRUE(frm->IsSecondCopy());
  EXPECT_EQ(LockMessages(), 1u);
  EXPECT_EQ(driver.Box().Shown().size(), 2u) << "the lock, then the state that cannot be read";
  EXPECT_TRUE(fs::exists(autosave));
  EXPECT_FALSE(fs::exists(autosave + ".bad"));
  frm->Shutdown();
  std::ifstream in(autosave);
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "garbage");
}

}  // namespace
