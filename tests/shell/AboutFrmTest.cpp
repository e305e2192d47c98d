// The About box: its rows, the model on the title bar, the values shown only while the
// instrument is connected (the serial number as a blank and eight digits), and Ok and the keys
// that close it with result 2.
#include "shell/AboutFrm.h"

#include <gtest/gtest.h>

#include <memory>

#include "calibration/CalibratorModule.h"
#include "common/TestEnv.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Services.h"
#include "platform/ui/Application.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/TestDriver.h"
#include "shell/ProgramStart.h"
#include "widgets/LbButton.h"

namespace {

class AboutFrm : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::ForTests();
    look = std::make_unique<TViewProperties>(&metrics);
    ViewProperties = look.get();
    device = std::make_unique<TDevice>(4);
    Device = device.get();
    services->Device = device.get();
    scanner = std::make_unique<TScannerModule>();
    ScannerModule = scanner.get();
    calibrator = std::make_unique<TCalibratorModule>((testenv::Root() / "about.ini").string());
    CalibratorModule = calibrator.get();
    CalibratorModule->SerialNumber = 1234;
  }
  void TearDown() override {
    scanner->GetScanner().Connected = false;
    CalibratorModule = nullptr;
    ScannerModule = nullptr;
    Device = nullptr;
    ViewProperties = nullptr;
  }

  ui::FakeFontMetrics metrics{12, 7};
  std::unique_ptr<TViewProperties> look;
  TScopedServices services;
  std::unique_ptr<TDevice> device;
  std::unique_ptr<TScannerModule> scanner;
  std::unique_ptr<TCalibratorModule> calibrator;
  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(AboutFrm, ShowsTheModelAndTheVersionsInFiveRows) {
  scanner->GetScanner().Connected = true;
  TAboutFrm about(nullptr);
  EXPECT_EQ(222, about.Width());
  EXPECT_EQ(166, about.Height());
  EXPECT_EQ(ui::Rect(6, 6, 216, 32), about.TopPanel->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 38, 216, 51), about.pnSoftware->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 51, 216, 64), about.pnSoftwareValue->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 134, 216, 160), about.btOk->BoundsRect());
  EXPECT_EQ(device->GetDescription(), about.TopPanel->Caption());
  EXPECT_FALSE(about.TopPanel->Caption().empty());
  EXPECT_EQ(" Software Version", about.pnSoftware->Caption());
  EXPECT_EQ(" Hardware Revision", about.pnHardware->Caption());
  EXPECT_EQ(" Serial Number", about.pnSerial->Caption());
  EXPECT_EQ(" " + device->GetSoftwareVersion(), about.pnSoftwareValue->Caption());
  EXPECT_EQ(" " + device->GetFirmwareVersion(), about.pnHardwareValue->Caption());
  EXPECT_EQ(" 00001234", about.pnSerialValue->Caption());
}

TEST_F(AboutFrm, DisconnectedShowsOnlyTheSoftwareVersion) {
  CalibratorModule->SerialNumber = 99999999;
  TAboutFrm about(nullptr);
  EXPECT_EQ(" " + device->GetSoftwareVersion(), about.pnSoftwareValue->Caption());
  EXPECT_EQ("", about.pnHardwareValue->Caption());
  EXPECT_EQ("", about.pnSerialValue->Caption());
}

TEST_F(AboutFrm, OkAndItsKeysCloseWithResultTwo) {
  for (int key : {0, int(ui::vk::Return), int(ui::vk::Escape), int(ui::vk::Cancel)}) {
    TAboutFrm about(nullptr);
    driver.OnNextModal([&](ui::Form& form) {
      if (key == 0) {
        driver.Press(*about.btOk);
      } else {
        driver.Key(form, key);
      }
      if (form.ModalResult() == ui::mrNone) form.SetModalResult(99);
    });
    EXPECT_EQ(ui::mrCancel, about.ShowModal()) << key;
  }
}

}  // namespace
