// The power meter dialog in the running program, opened from the service menu, on the scripted
// drivers: its layout, the rows of each model, the keypad numbers as the meter stores them, the
// connection, the zeroing with the source off, and the meter's change handler given back on
// every way out.
#include "instrument/ui/PowerMeterFrm.h"

#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/ui/InstrumentRig.h"
#include "widgets/LbButton.h"

namespace {

class PowerMeterDialog : public InstrumentRig {};

TEST_F(PowerMeterDialog, LayoutFollowsTheMarginAndFieldHeight) {
  ui::Rect frame;
  std::vector<ui::Rect> captions, values, buttons;
  int m = 0, h = 0, textWidth = 0;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InPowerMeter([&](ui::Form& form) {
      m = TTouchDialogFrm::Margin();
      h = TTouchDialogFrm::FieldHeight();
      textWidth = TTouchDialogFrm::ButtonTextWidth(std::string(30, 'H'));
      frame = ui::Rect(0, 0, form.ClientWidth(), form.ClientHeight());
      for (const char* row : {"pnModel", "pnGPIBAddress", "pnGPIBBoard", "pnStatus"}) {
        captions.push_back(Get(row, form).BoundsRect());
        values.push_back(Get(std::string(row) + "Value", form).BoundsRect());
      }
      for (const char* b : {"btZeroing", "btOk"}) buttons.push_back(Get(b, form).BoundsRect());
    });
  }));
  ASSERT_GT(m, 0);
  const int w = 2 * m + textWidth;
  EXPECT_EQ(w, frame.Width());
  EXPECT_EQ(7 * m + 6 * h, frame.Height());
  for (int i = 0; i < 4; ++i) {
    // The caption over the value, together spanning the row.
    EXPECT_EQ(ui::Rect(m, (i + 1) * h + (i + 2) * m, w - m, captions[i].Bottom), captions[i]) << i;
    EXPECT_EQ(ui::Rect(m, captions[i].Bottom, w - m, (i + 2) * (h + m)), values[i]) << i;
  }
  const int bw = (w - 3 * m) / 2;
  EXPECT_EQ(ui::Rect(m, 5 * h + 6 * m, m + bw, 6 * h + 6 * m), buttons[0]);
  EXPECT_EQ(ui::Rect(2 * m + bw, 5 * h + 6 * m, 2 * m + 2 * bw, 6 * h + 6 * m), buttons[1]);
}

TEST_F(PowerMeterDialog, GpibRowsFollowTheModelAndTheKeypadStoresWhatTheMeterTakes) {
  struct Step {
    const char* panel;  // nullptr: choose the model row of the list instead
    std::string typed;  // or the list row
    const char* address;
    const char* board;
  };
  const Step steps[] = {
      {"pnGPIBAddressValue", "", " 0", " 0"},  // the USB sensor: presses there open nothing
      {"pnGPIBBoardValue", "", " 0", " 0"},
      {nullptr, "0", " 7", " 0"},              // list row 0: the GPIB meter, its stored numbers
      {"pnGPIBAddressValue", "40", " 31", " 0"},
      {"pnGPIBAddressValue", "7.9", " 7", " 0"},
      {"pnGPIBAddressValue", "-1", " 0", " 0"},
      {"pnGPIBBoardValue", "9", " 0", " 7"},
      {nullptr, "1", " 0", " 0"},              // back to the sensor
  };
  std::vector<std::pair<std::string, std::string>> shown;
  std::vector<std::string> models;
  int address = -1;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InPowerMeter([&](ui::Form& form) {
      for (const Step& s : steps) {
        if (s.panel == nullptr) {
          PickRow(std::stoi(s.typed));
          Press("pnModelValue", form);
        } else if (s.typed.empty()) {
          Press(s.panel, form);
        } else {
          Keypad(form, s.panel, s.typed);
        }
        shown.emplace_back(Value(form, "pnGPIBAddressValue"), Value(form, "pnGPIBBoardValue"));
        models.push_back(Value(form, "pnModelValue"));
      }
    });
    address = PowerMeter->GpibAddress;
  }));
  ASSERT_EQ(std::size(steps), shown.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(steps[i].address, shown[i].first) << i;
    EXPECT_EQ(steps[i].board, shown[i].second) << i;
  }
  // "&&" is how a panel shows one '&'.
  EXPECT_EQ(" R&&S NRP-Z", models.front());
  EXPECT_EQ(" R&&S NRVS", models[2]);
  EXPECT_EQ(0, address) << "kept while the sensor model shows 0";
}

TEST_F(PowerMeterDialog, StatusRowTogglesAndTheModelStaysWhileReady) {
  std::vector<std::string> status;
  bool modelEnabledWhileReady = true;
  std::string modelWhileReady;
  std::vector<std::string> boxes;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InPowerMeter([&](ui::Form& form) {
      status.push_back(Value(form, "pnStatusValue"));
      Press("pnStatusValue", form);
      status.push_back(Value(form, "pnStatusValue"));
      modelEnabledWhileReady = Get("pnModelValue", form).Enabled();
      // The caption still opens the list; the choice is refused while connected.
      PickRow(0);
      Press("pnModel", form);
      modelWhileReady = Value(form, "pnModelValue");
      Press("pnStatus", form);
      status.push_back(Value(form, "pnStatusValue"));
      Press("pnStatusValue", form);
      status.push_back(Value(form, "pnStatusValue"));
      Press("pnStatusValue", form);
      // The GPIB meter's driver cannot be had: the reason shows once, the row stays "Not Ready".
      PickRow(0);
      Press("pnModelValue", form);
      driverError = "libvisa.so: cannot open shared object file";
      Press("pnStatusValue", form);
      status.push_back(Value(form, "pnStatusValue"));
    });
    boxes = driver.Box().Shown();
  }));
  EXPECT_EQ((std::vector<std::string>{" Not Ready", " Ready", " Not Ready", " Ready", " Not Ready"}), status);
  EXPECT_FALSE(modelEnabledWhileReady);
  EXPECT_EQ(" R&&S NRP-Z", modelWhileReady);
  EXPECT_EQ((std::vector<std::string>{"libvisa.so: cannot open shared object file"}), boxes);
}

// Records whether the source was off when the sensor was told to zero.
class ZeroWatchingDrivers : public FakePowerDrivers {
 public:
  int32_t ChansZero(uint32_t handle) override {
    signalOffAtZero.push_back(ScannerModule->GetScanner().GetSignalOff());
    return FakePowerDrivers::ChansZero(handle);
  }
  std::vector<bool> signalOffAtZero;
};

TEST_F(PowerMeterDialog, ZeroingRunsWithTheSourceOffAndAFailureShowsTheBox) {
  ZeroWatchingDrivers watching;
  drivers = &watching;
  struct Case {
    bool signalOffBefore;
    int32_t zeroStatus;
    const char* status;
    bool box;
  };
  const Case cases[] = {{false, 0, " Not Ready", false}, {false, -1, " Error", true}, {true, -1, " Error", true}};
  std::vector<std::string> status;
  std::vector<bool> signalOffAfter;
  std::vector<bool> sweepingAfter;
  std::vector<size_t> boxCounts;
  std::vector<ui::ScriptedMessageBox::Entry> log;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InPowerMeter([&](ui::Form& form) {
      for (const Case& c : cases) {
        ScannerModule->GetScanner().SetSignalOff(c.signalOffBefore);
        watching.Status["ChansZero"] = c.zeroStatus;
        if (c.box) driver.Box().Answer(ui::mrOk);
        Press("btZeroing", form);
        status.push_back(Value(form, "pnStatusValue"));
        signalOffAfter.push_back(ScannerModule->GetScanner().GetSignalOff());
        sweepingAfter.push_back(WaitFor([] { return ScannerModule->GetScanner().GetState() != 0; }));
        boxCounts.push_back(driver.Box().Log().size());
      }
      ScannerModule->GetScanner().SetSignalOff(false);
    });
    log = driver.Box().Log();
  }));
  ASSERT_EQ(std::size(cases), status.size());
  size_t boxes = 0;
  for (size_t i = 0; i < status.size(); ++i) {
    EXPECT_EQ(cases[i].status, status[i]) << i;
    EXPECT_EQ(cases[i].signalOffBefore, signalOffAfter[i]) << i;
    EXPECT_TRUE(sweepingAfter[i]) << i;
    if (cases[i].box) ++boxes;
    EXPECT_EQ(boxes, boxCounts[i]) << i;
  }
  EXPECT_EQ((std::vector<bool>{true, true, true}), watching.signalOffAtZero);
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("Error in Power Sensor Zeroing", log[0].text);
  EXPECT_EQ("Error!", log[0].caption);
  EXPECT_EQ(ui::MessageBox::Buttons::Ok, log[0].buttons);
  EXPECT_TRUE(watching.OpenHandles.empty());
}

TEST_F(PowerMeterDialog, TheMeterGetsItsChangeHandlerBackOnEveryWayOut) {
  std::vector<int> before;
  std::vector<int> after;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    int calls = 0;
    PowerMeter->OnChange = [&calls](TPowerMeter*) { ++calls; };
    const auto change = [&] {
      PowerMeter->SetModel(1 - PowerMeter->Model);
      return calls;
    };
    // Ok, Enter, Escape and Cancel close it; destruction without a close gives it back too.
    for (int key : {0, ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) {
      InPowerMeter([&](ui::Form& form) {
        before.push_back(change());
        if (key != 0) driver.Key(form, key);
      });
      after.push_back(change());
    }
    {
      TPowerMeterFrm dialog(MainFrm);
      before.push_back(change());
    }
    after.push_back(change());
    PowerMeter->OnChange = nullptr;
  }));
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), before) << "the open dialog takes the changes";
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), after);
}

// Random presses on the dialog and on whatever it opens, with the state changed under it now
// and then: it stays open and visible, nothing escapes, and no driver handle is left open.
TEST_F(PowerMeterDialog, SixHundredRandomPresses) {
  TFuzzReport report;
  bool closedClean = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    const std::string state = PrepareFuzzFiles();
    // The GPIB meter refuses the connection: its zeroing would wait 7 s of real time per press.
    fake.Status["Open"] = -1;
    for (unsigned round = 0; round < 6; ++round) {
      fake.Status["ChansZero"] = round % 2 == 0 ? 0 : -1;
      InPowerMeter([&](ui::Form& form) { PressAtRandom(form, 100, 350 + round, state, report); });
    }
    PowerMeter->Disconnect();
    closedClean = fake.OpenHandles.empty() && PowerMeter->OnChange == nullptr;
  }));
  EXPECT_EQ(600, report.presses) << ::testing::PrintToString(report.messages);
  EXPECT_EQ(std::vector<std::string>{}, report.problems);
  EXPECT_TRUE(closedClean);
}

}  // namespace
