// The device model: model table, receivers, identification texts and the demonstration flag.
#include <gtest/gtest.h>

#include <string>

#include "FakeServices.h"
#include "Version.h"
#include "instrument/Device.h"
#include "model/RunMode.h"
#include "model/Services.h"

namespace {

using instrumenttest::TFakeCalibration;
using instrumenttest::TFakeTranslation;

TEST(Device, TheProgramDrivesTheK30Row) {
  TDevice device;
  EXPECT_EQ(device.GetModelIndex(), 4);
  EXPECT_EQ(device.GetLoaderVid(), 0x2226);
  EXPECT_EQ(device.GetLoaderPid(), 0x0018);
  EXPECT_EQ(device.GetLoaderRelease(), 0x0100);
  EXPECT_EQ(device.GetRunningVid(), 0x2226);
  EXPECT_EQ(device.GetRunningPid(), 0x0018);
  EXPECT_EQ(device.GetRunningRelease(), 0x0101);
  EXPECT_EQ(device.GetEZFirmwareName(), "");
  EXPECT_EQ(device.GetDSPFirmwareName(), "DSPFirmwareTV30");
  EXPECT_EQ(device.GetCmdRecordSize(), 32);
  EXPECT_EQ(device.GetReplyRecordSize(), 32);
  EXPECT_EQ(device.GetReflectionIndex(), 0);
  EXPECT_EQ(device.GetTransmissionIndex(), 1);
  EXPECT_EQ(device.GetReferenceIndex(), 2);

  TDevice k12(3);
  EXPECT_EQ(k12.GetModelIndex(), 3);
  EXPECT_EQ(k12.GetLoaderPid(), 0x0014);
  EXPECT_EQ(k12.GetRunningPid(), 0x0014);
  EXPECT_EQ(k12.GetRunningRelease(), 0x0101);
  EXPECT_EQ(k12.GetDSPFirmwareName(), "DSPFirmwareTV");
  EXPECT_EQ(k12.GetReferenceIndex(), 2);

  TDevice older(0);
  EXPECT_EQ(older.GetEZFirmwareName(), "EZFirmwareK03");
  EXPECT_EQ(older.GetLoaderVid(), 0x0547);
  TDevice outside(7);
  EXPECT_EQ(outside.GetLoaderVid(), 0);
  EXPECT_EQ(outside.GetDSPFirmwareName(), "");
}

TEST(Device, ReceiversOfBothModels) {
  const struct {
    int row;
    int index;
    bool has;
  } rows[] = {{3, 0, true},  {3, 1, false}, {3, 2, true},  {3, 3, false}, {3, -1, false},
              {4, 0, true},  {4, 1, false}, {4, 2, true},  {4, 3, false}, {4, -1, false},
              {2, 0, false}, {2, 2, false}, {0, 0, false}, {9, 0, false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.row) + "/" + std::to_string(r.index));
    EXPECT_EQ(TDevice(r.row).HasReceiver(r.index), r.has);
  }
}

TEST(Device, IdentificationText) {
  TFakeCalibration cal(1234, 3);
  TScopedServices services;
  services->CalibratorModule = &cal;
  TDevice device;
  device.VersionText = [] { return std::string("2.0.1.7"); };
  EXPECT_EQ(device.GetIdentification(), "Ostrak,  TERVAN K30, 1234, 2.0.1/ 1.2");
  device.VersionText = [] { return std::string(); };
  EXPECT_EQ(device.GetIdentification(), "Ostrak,  TERVAN K30, 1234, / 1.2");

  cal.Serial = 4294967295u;
  cal.Revision = 2;
  TDevice k12(3);
  k12.VersionText = [] { return std::string("1.0.0.0"); };
  EXPECT_EQ(k12.GetIdentification(), "Ostrak,  TERVAN K12, 4294967295, 1.0.0/ 1.1");

  TDevice other(1);
  EXPECT_EQ(other.GetIdentification(), "");
}

TEST(Device, SoftwareVersionIsCutBeforeTheLastDot) {
  const struct {
    const char* version;
    const char* expected;
  } rows[] = {{"2.0.1.7", "2.0.1"}, {"1.2", "1"}, {"2", ""}, {"", ""}, {".5", ""}, {"3.1.", "3.1"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.version);
    for (int row : {4, 3, 1}) {
      TDevice device(row);
      device.VersionText = [&] { return std::string(r.version); };
      EXPECT_EQ(device.GetSoftwareVersion(), r.expected);
    }
  }
  TDevice device;
  device.VersionText = nullptr;
  EXPECT_EQ(device.GetSoftwareVersion(), "");
}

TEST(Device, SoftwareVersionOfTheBuiltProgram) {
  const std::string compiled = TERVAN_VERSION_TEXT;
  EXPECT_EQ(TDevice().GetSoftwareVersion(), compiled.substr(0, compiled.rfind('.')));
}

TEST(Device, FirmwareVersionFollowsTheHardwareRevision) {
  TFakeCalibration cal(0, 1);
  TScopedServices services;
  services->CalibratorModule = &cal;
  const struct {
    int revision;
    const char* text;
  } rows[] = {{1, "1.0"}, {3, "1.2"}, {12, "1.11"}};
  for (const auto& r : rows) {
    cal.Revision = r.revision;
    EXPECT_EQ(TDevice().GetFirmwareVersion(), r.text);
    EXPECT_EQ(TDevice(3).GetFirmwareVersion(), r.text);
    EXPECT_EQ(TDevice(2).GetFirmwareVersion(), "");
  }
}

TEST(Device, DescriptionsInBothLanguages) {
  TFakeTranslation lang(true);
  TScopedServices services;
  services->LangModule = &lang;
  TDevice k30, k12(3), other(2);
  EXPECT_EQ(k30.GetMakerName(), "OSTRAK");
  EXPECT_EQ(other.GetMakerName(), "OSTRAK");
  EXPECT_EQ(k30.GetModelName(), " TERVAN K30");
  EXPECT_EQ(k12.GetModelName(), " TERVAN K12");
  EXPECT_EQ(other.GetModelName(), "");
  EXPECT_EQ(k30.GetLongDescription(), " Ostrak TERVAN K30 Vector Reflectometer 85-14000 MHz");
  EXPECT_EQ(k12.GetLongDescription(), " Ostrak TERVAN K12 Vector Reflectometer 85-5400 MHz");
  EXPECT_EQ(k30.GetDescription(), " TERVAN K30 Vector Reflectometer");
  EXPECT_EQ(k12.GetDescription(), " TERVAN K12 Vector Reflectometer");
  EXPECT_EQ(other.GetLongDescription(), "");
  EXPECT_EQ(other.GetDescription(), "");

  lang.English = false;
  EXPECT_EQ(k30.GetLongDescription(), " Острак TERVAN K30 Векторный рефлектометр 85-14000 МГц");
  EXPECT_EQ(k12.GetLongDescription(), " Острак TERVAN K12 Векторный рефлектометр 85-5400 МГц");
  EXPECT_EQ(k30.GetDescription(), " TERVAN K30 Векторный рефлектометр");
  EXPECT_EQ(k12.GetDescription(), " TERVAN K12 Векторный рефлектометр");
  EXPECT_EQ(k30.GetModelName(), " TERVAN K30");
  EXPECT_EQ(other.GetDescription(), "");
}

TEST(Device, DemonstrationFlagIsTakenOnceAtCreation) {
  SetRunModeFromText("DemoMode");
  TDevice demo;
  ResetRunMode();
  TDevice real;
  EXPECT_TRUE(demo.GetDemoMode());
  EXPECT_FALSE(real.GetDemoMode());
  SetRunModeFromText("x DemoModeX");
  EXPECT_FALSE(real.GetDemoMode());
  EXPECT_TRUE(TDevice(3).GetDemoMode());
  ResetRunMode();
  EXPECT_TRUE(demo.GetDemoMode());
}

}  // namespace
