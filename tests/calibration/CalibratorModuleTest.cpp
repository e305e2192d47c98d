// The calibration module's own state: creation values by model row, the standard requests and
// what the device can measure, the switches and identity limits with their events, and the
// "CalKitNumber" setting (a temporary kit never overwrites it).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/KitTestSupport.h"
#include "instrument/Device.h"
#include "model/EAbort.h"
#include "model/Services.h"
#include "platform/SettingsStore.h"

namespace {

using kittest::KitTest;
using kittest::TestFolder;

class CalibratorModule : public KitTest {
 protected:
  std::string SettingsFile() { return TestFolder("settings") + "/tervan.ini"; }
};

TEST_F(CalibratorModule, HardwareRevisionFollowsTheModelRow) {
  for (const auto& [row, revision] : std::vector<std::pair<int, int>>{{3, 2}, {4, 3}, {1, 1}}) {
    TDevice device(row);
    TScopedServices scope;
    scope->Device = &device;
    TCalibratorModule module(SettingsFile());
    EXPECT_EQ(revision, module.GetHardwareRevision()) << "row " << row;
    EXPECT_EQ(0u, module.GetSerialNumber());
    EXPECT_FALSE(module.IsUserCorrectionDisabled());
    EXPECT_FALSE(module.SystemCorrectionOff);
    EXPECT_TRUE(module.IsSystemCalibrationEmpty());
  }
}

TEST_F(CalibratorModule, StandardRequestsFollowWhatTheDeviceMeasures) {
  TDevice device(4);
  TScopedServices scope;
  scope->Device = &device;
  TCalibratorModule module(SettingsFile());
  const int r = device.GetReflectionIndex();
  const int t = device.GetTransmissionIndex();
  EXPECT_TRUE(TCalibratorModule::IsStandardValid(ckThru, t));
  EXPECT_FALSE(TCalibratorModule::IsStandardValid(ckThru, r));
  for (int kind : {ckShort, ckOpen, ckOpen2, ckLoad, ckLoad2}) {
    EXPECT_TRUE(TCalibratorModule::IsStandardValid(kind, r)) << kind;
  }
  EXPECT_FALSE(TCalibratorModule::IsStandardValid(ckLoad, t));
  EXPECT_FALSE(TCalibratorModule::IsStandardValid(6, r));
  EXPECT_FALSE(TCalibratorModule::IsStandardValid(-1, r));

  module.SetStandardRequest(ckLoad, r, true);
  EXPECT_TRUE(module.IsStandardRequested(ckLoad, r));
  try {
    module.SetStandardRequest(ckThru, r, true);
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_STREQ("Invalid argument in method Calibrate", e.what());
  }
  EXPECT_FALSE(module.IsStandardRequested(ckThru, r));
  module.SetStandardRequest(ckThru, r, false);  // clearing is always allowed
  module.SetStandardRequest(7, r, true);         // kinds out of range are ignored
  EXPECT_FALSE(module.IsStandardRequested(7, r));
  EXPECT_FALSE(module.IsStandardRequested(ckLoad, -1));
  module.ClearStandardRequests();
  EXPECT_FALSE(module.IsStandardRequested(ckLoad, r));
}

TEST_F(CalibratorModule, SwitchesAndIdentityFireTheirEvents) {
  TScopedServices scope;
  TCalibratorModule module(SettingsFile());
  std::vector<std::string> events;
  module.OnChange = [&](TFObject* sender) {
    EXPECT_EQ(&module, sender);
    events.push_back("change");
  };
  module.OnCorrectionChange = [&](TFObject* sender) {
    EXPECT_EQ(&module, sender);
    events.push_back("correction");
  };
  module.SetCorrection(true);
  EXPECT_TRUE(module.IsUserCorrectionDisabled());
  EXPECT_EQ((std::vector<std::string>{"correction", "change"}), events);
  events.clear();
  module.SetCorrection(true);
  EXPECT_TRUE(events.empty());

  module.SetSerialNumber(123456789);
  EXPECT_EQ(99999999u, module.GetSerialNumber());
  module.SetSerialNumber(-1);
  EXPECT_EQ(99999999u, module.GetSerialNumber());
  module.SetSerialNumber(4711);
  EXPECT_EQ(4711u, module.GetSerialNumber());
  EXPECT_EQ(3u, events.size());
  events.clear();

  module.SetHardwareRevision(0);  // already 1 without a device
  EXPECT_EQ(1, module.GetHardwareRevision());
  EXPECT_TRUE(events.empty());
  module.SetHardwareRevision(12);
  EXPECT_EQ(9, module.GetHardwareRevision());
  EXPECT_EQ(1u, events.size());
  events.clear();

  module.SetSystemCorrectionOff(true);
  module.SetSystemCorrectionOff(true);
  EXPECT_EQ(1u, events.size());
  events.clear();

  module.OffsetAdjustRunning = true;
  module.AutoExtFreq1 = 5.0;
  module.AutoExtIncludeLoss = true;
  module.Reset();
  EXPECT_FALSE(module.SystemCorrectionOff);
  EXPECT_FALSE(module.IsUserCorrectionDisabled());
  EXPECT_FALSE(module.IsOffsetAdjustRunning());
  EXPECT_EQ(1000.0, module.AutoExtFreq1);
  EXPECT_EQ(1000.0, module.AutoExtFreq2);
  EXPECT_FALSE(module.AutoExtIncludeLoss);
  EXPECT_EQ((std::vector<std::string>{"correction", "change"}), events);
}

TEST_F(CalibratorModule, CalKitNumberPersistsButNotTheTemporaryKit) {
  const std::string settings = SettingsFile();
  TCalKitsModule kits(TestFolder());
  TCalKitsModule* const saved = ::CalKitsModule;
  ::CalKitsModule = &kits;
  {
    TCalibratorModule module(settings);
    EXPECT_EQ(0, kits.GetKits().GetSelectedIndex());
    kits.GetKits().SelectKit(5);
    module.SaveCalKitNumber();
    kits.GetKits().AddTemporaryKit("Temporary");
    kits.GetKits().SelectKit(kits.GetKits().GetCount() - 1);
    module.SaveCalKitNumber();
    EXPECT_EQ(5, platform::SettingsStore(settings).readInteger(platform::SettingsStore::kCalKitNumber, -1));
    kits.GetKits().RemoveTemporaryKit();
  }
  kits.GetKits().SelectKit(0);
  { TCalibratorModule module(settings); }
  EXPECT_EQ(5, kits.GetKits().GetSelectedIndex());

  // Values that name no built-in kit, or no number at all, leave the selection alone.
  for (const char* text : {"16", "-1", "abc", "99999999999"}) {
    platform::SettingsStore store(settings);
    ASSERT_TRUE(store.writeString(platform::SettingsStore::kCalKitNumber, text).ok);
    kits.GetKits().SelectKit(2);
    TCalibratorModule module(settings);
    EXPECT_EQ(2, kits.GetKits().GetSelectedIndex()) << text;
  }
  ::CalKitsModule = saved;
}

}  // namespace
