// The automatic port extension in the running program (demonstration mode), reached from the
// calibration dialog through the port extension dialog: a line of 100 ps presented by the
// emulator gives 100 ps from the Open alone and from Open and Short, a method change forgets the
// measurements, and a cancelled wait box leaves the standard unmeasured and the scanner's
// channels as they were, also when the dialog goes away right after.
#include "calibration/ui/AutoExtensionFrm.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "calibration/ui/PortExtensionFrm.h"
#include "dialogs/ProgramRig.h"
#include "calibration/ui/SweepWait.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "platform/UsbBackend.h"
#include "widgets/WaitFrm.h"

namespace {

class AutoPortExtensionDialog : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterCalibrationDialogs();
  }
  void TearDown() override {
    if (auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get())) {
      emulator->SetTestReflection(nullptr);
    }
    ProgramRig::TearDown();
  }
  static EmulatorBackend& Emulator() { return dynamic_cast<EmulatorBackend&>(platform::UsbBackend::get()); }

  // The active channel: 201 points from 100 to 6000 MHz.
  static TRange& Channel() {
    TRange& ch = *MainFrm->GetActiveChannel();
    ch.SetStartFrequency(100);
    ch.SetStopFrequency(6000);
    ch.SetPointCount(201);
    EXPECT_TRUE(WaitForSweep());
    return ch;
  }
  // A line of delay tau ending in an open (+1) or a short (-1).
  static void PresentLine(double sign) {
    Emulator().SetTestReflection([sign](double MHz) {
      const double a = -4 * std::numbers::pi * MHz * 1e6 * 100e-12;
      return TComplex{sign * std::cos(a), sign * std::sin(a)};
    });
  }
  // A standard's press: its sweep runs in the program's wait box.
  void Measure(const char* button, ui::Form& form) {
    driver.OnNextModal([](ui::Form& box) { EXPECT_STREQ("TWaitFrm", box.metaObject()->className()); });
    Press(button, form);
  }
  // Calibration dialog, port extension dialog, then the automatic one; the port extension
  // dialog is left with Ok and the calibration dialog with Cancel afterwards.
  void WithDialog(const std::function<void(TAutoExtensionFrm&)>& body, std::string* delayShown = nullptr) {
    bool ran = false;
    OnNextDialog("TCalibrationFrm", [&](ui::Form& calibration) {
      OnNextDialog("TPortExtensionFrm", [&](ui::Form& extension) {
        OnNextDialog("TAutoExtensionFrm", [&](ui::Form& form) {
          ran = true;
          body(static_cast<TAutoExtensionFrm&>(form));
          if (form.IsModal() && form.ModalResult() == ui::mrNone) driver.Key(form, ui::vk::Escape);
        });
        Press("btAutoExtension", extension);
        if (delayShown != nullptr) *delayShown = Value(extension, "pnExtensionValue");
        Press("btOk", extension);
      });
      Press("btPortExtension", calibration);
      Press("btCancel", calibration);
    });
    ClickLeft(TLeftPanel::kCalibration);
    EXPECT_TRUE(ran);
  }
};

TEST_F(AutoPortExtensionDialog, LineOfHundredPicosecondsFromOpenAndFromBoth) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    TRange& ch = Channel();
    CalibratorModule->AutoExtMethod = 0;
    for (bool withShort : {false, true}) {
      ch.SetPortExtension(0, 0);
      ch.SetPortExtensionsEnabled(false);
      std::string shown;
      WithDialog(
          [&](TAutoExtensionFrm& d) {
            EXPECT_EQ(TTouchDialogFrm::FrameHeight(7), d.ClientHeight());
            PresentLine(1.0);
            Measure("btOpen", d);
            EXPECT_EQ(TAutoExtensionFrm::kMeasuredColor, d.pnOpen->Color());
            EXPECT_EQ(TAutoExtensionFrm::kNotMeasuredColor, d.pnShort->Color());
            if (withShort) {
              PresentLine(-1.0);
              Measure("btShort", d);
              EXPECT_EQ(TAutoExtensionFrm::kMeasuredColor, d.pnShort->Color());
            }
            Emulator().SetTestReflection(nullptr);
            Press("btApply", d);
            EXPECT_EQ(ui::mrOk, d.ModalResult());
          },
          &shown);
      EXPECT_DOUBLE_EQ(1e-10, ch.GetPortExtension(0)) << withShort;
      EXPECT_TRUE(ch.PortExtensionsEnabled);
      EXPECT_EQ(" 100 ps", shown) << withShort;
    }
  }));
}

TEST_F(AutoPortExtensionDialog, MethodChangeForgetsTheMeasurements) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    TRange& ch = Channel();
    CalibratorModule->AutoExtMethod = 0;
    ch.SetPortExtension(0, 3e-12);
    WithDialog([&](TAutoExtensionFrm& d) {
      PresentLine(1.0);
      Measure("btOpen", d);
      Emulator().SetTestReflection(nullptr);
      ASSERT_NE(nullptr, d.GetOpenMeasurement());
      PickRow(1);  // "User Span"
      Press("pnMethodValue", d);
      EXPECT_EQ(1, CalibratorModule->AutoExtMethod);
      EXPECT_EQ(nullptr, d.GetOpenMeasurement());
      EXPECT_EQ(TTouchDialogFrm::FrameHeight(8), d.ClientHeight()) << "the frequency row appears";
      EXPECT_EQ(" User Span", Value(d, "pnMethodValue"));
      Press("btApply", d);
      EXPECT_EQ(ui::mrCancel, d.ModalResult());
    });
    EXPECT_DOUBLE_EQ(3e-12, ch.GetPortExtension(0));
    CalibratorModule->AutoExtMethod = 0;
  }));
}

TEST_F(AutoPortExtensionDialog, CancelledWaitLeavesTheStandardUnmeasuredAndTheChannelsAsBefore) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(WaitForSweep());
    TScanner& scanner = ScannerModule->GetScanner();
    const auto snapshot = [&] {
      std::vector<std::pair<TFObject*, bool>> s;
      for (int i = 0; i < scanner.GetCount(); ++i) {
        auto* r = dynamic_cast<TRange*>(scanner.GetItem(i));
        s.emplace_back(scanner.GetItem(i), r != nullptr && r->ChangeNotify);
      }
      return s;
    };
    int sweepsDone = 0;
    const auto original = ScannerModule->OnSweepDone;
    ScannerModule->OnSweepDone = [&](TFObject*) { ++sweepsDone; };
    const auto before = snapshot();
    for (bool deleteRightAfter : {false, true}) {
      auto dialog = std::make_unique<TAutoExtensionFrm>(MainFrm);
      driver.OnNextModal([&](ui::Form& box) {
        auto* wait = qobject_cast<TWaitFrm*>(&box);
        ASSERT_NE(nullptr, wait);
        driver.Press(*wait->btCancel);
        if (deleteRightAfter) dialog.reset();
      });
      if (deleteRightAfter) {
        TAutoExtensionFrm* raw = dialog.get();
        raw->MeasureStandard(false);
        EXPECT_EQ(nullptr, dialog);
      } else {
        dialog->MeasureStandard(false);
        EXPECT_EQ(nullptr, dialog->GetOpenMeasurement());
        EXPECT_EQ(TAutoExtensionFrm::kNotMeasuredColor, dialog->pnOpen->Color());
      }
      EXPECT_EQ(before, snapshot()) << deleteRightAfter;
      const int done = sweepsDone;
      ScannerModule->OnSweepDone(nullptr);
      EXPECT_EQ(done + 1, sweepsDone) << "the end-of-sweep closure is back";
    }
    ScannerModule->OnSweepDone = original;
  }));
}

}  // namespace
