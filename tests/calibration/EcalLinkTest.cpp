// The module's USB link: the search beside the instrument's link, page-bounded flash reads, the
// checked block read, the temperature, and plug notices.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "calibration/ECalBase.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "model/Crc32.h"
#include "model/EcalFlashSample.h"
#include "model/LittleEndian.h"
#include "platform/LockFile.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbTestBackend.h"

namespace {

// Vendor requests of the fake back end's devices answered by an emulated module.
class RoutedBackend : public usbtest::FakeUsbBackend {
 public:
  TEmulatedEcal* Module = nullptr;
  platform::UsbResult vendorRequest(Handle handle, const platform::UsbVendorRequest& r, uint8_t* data) override {
    platform::UsbResult fake = FakeUsbBackend::vendorRequest(handle, r, nullptr);
    if (!fake.ok() || !Module) return fake;
    return Module->Request(r, data);
  }
};

class EcalLink : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDispatcher = platform::UiDispatcher::install(&dispatcher);
    module = std::make_unique<TEmulatedEcal>(ecal::WriteImage(ecal::SampleSpec(1, 5, 0)));
  }
  void TearDown() override { platform::UiDispatcher::install(previousDispatcher); }

  platform::ManualUiDispatcher dispatcher;
  platform::UiDispatcher* previousDispatcher = nullptr;
  std::unique_ptr<TEmulatedEcal> module;
};

TEST_F(EcalLink, SearchSkipsTheInstrumentsLockedIndexAndOpensTheModule) {
  RoutedBackend backend;
  backend.devices = {{{0x2226, 0x000C, 1}, "ecal-link-test-0"}, {{0x2226, 0x000C, 1}, "ecal-link-test-1"}};
  platform::ScopedUsbBackend scoped(backend);
  platform::LockFile instrumentLink("ecal-link-test-0");
  ASSERT_TRUE(instrumentLink.tryLock());
  TECalBase link;
  ASSERT_TRUE(link.Connect());
  EXPECT_EQ(link.DeviceName, "Ezusb-1");
  EXPECT_EQ(backend.openedIndices, std::vector<int>({1}));
  // The lock of index 1 stays held until Close.
  platform::LockFile other("ecal-link-test-1");
  EXPECT_FALSE(other.tryLock());
  link.Close();
  EXPECT_TRUE(other.tryLock());
  EXPECT_EQ(backend.openHandleCount(), 0);
}

TEST_F(EcalLink, AnInstrumentOnAFreeIndexIsLetGo) {
  RoutedBackend backend;
  backend.devices = {{{0x2226, 0x0018, 0x0101}, "ecal-link-test-2"}, {{0x2226, 0x000C, 1}, "ecal-link-test-3"}};
  platform::ScopedUsbBackend scoped(backend);
  TECalBase link;
  ASSERT_TRUE(link.Connect());
  EXPECT_EQ(link.DeviceName, "Ezusb-1");
  EXPECT_EQ(backend.openedIndices, std::vector<int>({1}));
  platform::LockFile first("ecal-link-test-2");
  EXPECT_TRUE(first.tryLock()) << "the instrument's index is not kept";
  EXPECT_EQ(backend.openHandleCount(), 1);
  link.Close();
  // Nothing but instruments: no module, nothing held.
  backend.devices[1].ids = {0x2226, 0x0014, 0x0101};
  first.release();
  EXPECT_FALSE(link.Connect());
  EXPECT_EQ(backend.openHandleCount(), 0);
}

TEST_F(EcalLink, ReadsStayInsideOnePage) {
  RoutedBackend backend;
  backend.Module = module.get();
  backend.devices = {{{0x2226, 0x000C, 1}, "ecal-link-test-4"}};
  platform::ScopedUsbBackend scoped(backend);
  TECalBase link;
  link.CheckConnection();
  ASSERT_TRUE(link.Connected);
  uint8_t buffer[10];
  uint32_t address = 4090;
  ASSERT_TRUE(link.ReadMemory(address, buffer, 10));
  EXPECT_EQ(address, 4100u);
  ASSERT_EQ(backend.vendorCalls.size(), 2u);
  EXPECT_EQ(backend.vendorCalls[0].request, 2);
  EXPECT_EQ(backend.vendorCalls[0].index, 4090);
  EXPECT_EQ(backend.vendorCalls[0].length, 6);
  EXPECT_EQ(backend.vendorCalls[1].index, 4096);
  EXPECT_EQ(backend.vendorCalls[1].length, 4);
  // High half in value, low half in index.
  address = 0x0001FFFE;
  ASSERT_TRUE(link.ReadMemory(address, buffer, 4));
  EXPECT_EQ(backend.vendorCalls[2].value, 0x0001);
  EXPECT_EQ(backend.vendorCalls[2].index, 0xFFFE);
  EXPECT_EQ(backend.vendorCalls[3].value, 0x0002);
  EXPECT_EQ(backend.vendorCalls[3].index, 0x0000);
  // A length of 0 asks nothing.
  ASSERT_TRUE(link.ReadMemory(address, buffer, 0));
  EXPECT_EQ(backend.vendorCalls.size(), 4u);
}

TEST_F(EcalLink, CountsOtherThanTheChunkFail) {
  EmulatorBackend emulator(4);
  platform::ScopedUsbBackend scoped(emulator);
  emulator.AttachEcal(module.get());
  TECalBase link;
  link.CheckConnection();
  ASSERT_TRUE(link.Connected);
  uint8_t buffer[16];
  for (auto kind : {TEmulatedEcal::TFaultKind::Short, TEmulatedEcal::TFaultKind::Long, TEmulatedEcal::TFaultKind::Fail}) {
    module->SetFault(module->GetRequestCount(), kind);
    uint32_t address = 0;
    EXPECT_FALSE(link.ReadMemory(address, buffer, 16));
  }
  uint32_t address = 0;
  EXPECT_TRUE(link.ReadMemory(address, buffer, 16));
  emulator.AttachEcal(nullptr);
}

TEST_F(EcalLink, CheckedBlocks) {
  std::vector<uint8_t> image = ecal::WriteImage(ecal::SampleSpec(1, 5, 0));
  image[124] ^= 1;  // the header's stored CRC
  TEmulatedEcal bad(image);
  EmulatorBackend emulator(4);
  platform::ScopedUsbBackend scoped(emulator);
  emulator.AttachEcal(module.get());
  TECalBase link;
  link.CheckConnection();
  ASSERT_TRUE(link.Connected);
  uint8_t header[124];
  uint32_t address = 0;
  ASSERT_TRUE(link.ReadBlockChecked(address, header, 124));
  EXPECT_EQ(address, 128u);
  emulator.AttachEcal(&bad);
  dispatcher.runPending();
  link.CheckConnection();
  address = 0;
  EXPECT_FALSE(link.ReadBlockChecked(address, header, 124)) << "both reads succeed, the CRC differs";
  emulator.AttachEcal(nullptr);
}

TEST_F(EcalLink, Temperature) {
  EmulatorBackend emulator(4);
  platform::ScopedUsbBackend scoped(emulator);
  emulator.AttachEcal(module.get());
  TECalBase link;
  double t = 99;
  EXPECT_FALSE(link.ReadTemperature(t)) << "not connected";
  link.CheckConnection();
  ASSERT_TRUE(link.ReadTemperature(t));
  EXPECT_EQ(t, 25.0) << "the descriptor's temperature by default";
  module->SetTemperature(-0.5);  // bytes 0x80, 0xFF
  ASSERT_TRUE(link.ReadTemperature(t));
  EXPECT_EQ(t, -0.5);
  module->SetTemperature(35.5);  // bytes 0x80, 0x23
  ASSERT_TRUE(link.ReadTemperature(t));
  EXPECT_EQ(t, 35.5);
  // Replies of 0, 1 and 3 bytes fail.
  for (auto [kind, delta] : {std::pair{TEmulatedEcal::TFaultKind::Short, 2}, std::pair{TEmulatedEcal::TFaultKind::Short, 1},
                             std::pair{TEmulatedEcal::TFaultKind::Long, 1}}) {
    module->SetFault(module->GetRequestCount(), kind, delta);
    t = 99;
    EXPECT_FALSE(link.ReadTemperature(t));
  }
  emulator.AttachEcal(nullptr);
}

TEST_F(EcalLink, SwitchCodesAndRequestSeven) {
  EmulatorBackend emulator(4);
  platform::ScopedUsbBackend scoped(emulator);
  emulator.AttachEcal(module.get());
  TECalBase link;
  EXPECT_FALSE(link.SetSwitchState(1));
  link.CheckConnection();
  for (int s : {-3, 0, 1, 2, 3, 4, 5, 6, 7, 8, 12}) EXPECT_TRUE(link.SetSwitchState(s));
  EXPECT_EQ(module->GetSwitchCodes(), std::vector<uint16_t>({0x0009, 0x0009, 0x0012, 0x0024, 0x0040, 0x000C, 0x0021,
                                                             0x0080, 0x0900, 0x1200, 0x1200}));
  EXPECT_TRUE(link.SendRequest7());
  emulator.AttachEcal(nullptr);
}

TEST_F(EcalLink, NoticesFireOnlyOnChange) {
  EmulatorBackend emulator(4);
  platform::ScopedUsbBackend scoped(emulator);
  TECalBase link;
  int changes = 0;
  link.OnChange = [&] { ++changes; };
  emulator.AttachEcal(module.get());
  dispatcher.runPending();
  EXPECT_TRUE(link.Connected);
  EXPECT_EQ(changes, 1);
  // A notice with the module still there fires nothing.
  emulator.postDeviceChange();
  dispatcher.runPending();
  EXPECT_EQ(changes, 1);
  module->Unplug();
  dispatcher.runPending();
  EXPECT_FALSE(link.Connected);
  EXPECT_EQ(changes, 2);
  double t;
  EXPECT_FALSE(link.ReadTemperature(t));
  module->Replug();
  dispatcher.runPending();
  EXPECT_TRUE(link.Connected);
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(link.ReadTemperature(t));
  // Held, a notice waits for the release and runs once.
  link.Hold();
  module->Unplug();
  dispatcher.runPending();
  EXPECT_TRUE(link.Connected);
  EXPECT_EQ(changes, 3);
  link.Release();
  EXPECT_FALSE(link.Connected);
  EXPECT_EQ(changes, 4);
  emulator.AttachEcal(nullptr);
}

}  // namespace
