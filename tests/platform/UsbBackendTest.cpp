#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Ezusb.h"
#include "platform/LibusbBackend.h"
#include "platform/LockFile.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbTestBackend.h"

using platform::LibusbBackend;
using platform::UsbBackend;

namespace {

std::string ReadText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the test's closures on a private manual dispatcher.
struct ManualUi {
  platform::ManualUiDispatcher ui;
  platform::UiDispatcher* previous = platform::UiDispatcher::install(&ui);
  ~ManualUi() { platform::UiDispatcher::install(previous); }
};

}  // namespace

// Whatever the machine, a back end that finds nothing says why; in the build containers there
// is no USB at all, so this is the path the program takes there.
TEST(UsbBackend, LibusbFindingNothingGivesAReason) {
  LibusbBackend backend;
  std::vector<platform::UsbDeviceInfo> devices = backend.enumerate();
  if (!devices.empty()) GTEST_SKIP() << "a device of ours is attached";
  EXPECT_FALSE(backend.reason().empty());
  EXPECT_EQ(backend.open(0), UsbBackend::kInvalidHandle);
  EXPECT_FALSE(backend.reason().empty());
  EXPECT_EQ(backend.lockName(0), "");
  // Calls on a handle that was never opened fail cleanly.
  platform::UsbDeviceIds ids;
  EXPECT_FALSE(backend.readIds(7, ids));
  EXPECT_FALSE(backend.check(7));
  uint8_t buffer[64];
  EXPECT_EQ(backend.bulkRead(7, buffer, sizeof buffer, 10).status, platform::UsbStatus::Error);
  EXPECT_EQ(backend.bulkWrite(7, buffer, sizeof buffer, 10).status, platform::UsbStatus::Error);
  EXPECT_FALSE(backend.vendorRequest(7, {}, nullptr).ok());
  backend.abortPipe(7, 0);
  backend.close(7);
}

TEST(UsbBackend, LibusbOrdersDevicesByBusAndPortPathAndKeepsEight) {
  std::vector<LibusbBackend::Candidate> c;
  auto add = [&](int bus, std::vector<int> ports, int tag) {
    LibusbBackend::Candidate x;
    x.bus = bus;
    x.ports = std::move(ports);
    x.tag = tag;
    c.push_back(x);
  };
  add(2, {1}, 0);
  add(1, {3, 2}, 1);
  add(1, {3}, 2);
  add(1, {10}, 3);
  add(1, {2, 7}, 4);
  for (int i = 0; i < 6; ++i) add(3, {i + 1}, 10 + i);
  LibusbBackend::OrderCandidates(c);
  ASSERT_EQ(c.size(), 8u);
  std::vector<int> tags;
  for (auto& x : c) tags.push_back(x.tag);
  // Port paths compare part by part (3 before 3.2 before 10), not as text.
  EXPECT_EQ(tags, (std::vector<int>{4, 2, 1, 3, 0, 10, 11, 12}));
}

TEST(UsbBackend, LibusbLockNamesFollowBusAndPortPath) {
  EXPECT_EQ(LibusbBackend::LockNameFor(1, {3, 2}), "tervan-usb-1-3.2");
  EXPECT_EQ(LibusbBackend::LockNameFor(12, {}), "tervan-usb-12-0");
  EXPECT_TRUE(platform::LockFile::isValidName(LibusbBackend::LockNameFor(255, {7, 7, 7, 7, 7, 7, 7})));
}

TEST(UsbBackend, LibusbOpenProblemsTellTheUserWhatToDo) {
  const int kAccess = -3, kBusy = -6, kNoDevice = -4, kIo = -1;  // libusb error codes
  EXPECT_NE(LibusbBackend::OpenProblem(kAccess, false, "the device").find("install the udev rule"),
            std::string::npos);
  EXPECT_NE(LibusbBackend::OpenProblem(kBusy, true, "the device").find("held by another program"),
            std::string::npos);
  EXPECT_NE(LibusbBackend::OpenProblem(kNoDevice, false, "the device").find("left the bus"), std::string::npos);
  EXPECT_NE(LibusbBackend::OpenProblem(kIo, true, "the device").find("Cannot claim the device"), std::string::npos);
}

TEST(UsbBackend, DeviceChangeReachesSubscribersOnTheUiThreadOnly) {
  ManualUi m;
  usbtest::FakeUsbBackend backend;
  int a = 0, b = 0;
  int ida = backend.subscribe([&] { ++a; });
  int idb = backend.subscribe([&] { ++b; });
  EXPECT_NE(ida, 0);
  EXPECT_NE(ida, idb);
  backend.postDeviceChange();
  EXPECT_EQ(a + b, 0) << "nothing runs before the UI queue does";
  m.ui.runPending();
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 1);
  // A notice posted before unsubscribe() no longer reaches that subscriber.
  backend.postDeviceChange();
  backend.unsubscribe(idb);
  m.ui.runPending();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

TEST(UsbBackend, SubscriberMayUnsubscribeAnotherWhileANoticeIsDelivered) {
  ManualUi m;
  usbtest::FakeUsbBackend backend;
  int second = 0;
  int idSecond = 0;
  backend.subscribe([&] { backend.unsubscribe(idSecond); });
  idSecond = backend.subscribe([&] { ++second; });
  backend.deliverDeviceChange();
  EXPECT_EQ(second, 0);
}

TEST(UsbBackend, NoticePostedByADestroyedBackendDoesNothing) {
  ManualUi m;
  int calls = 0;
  {
    usbtest::FakeUsbBackend backend;
    backend.subscribe([&] { ++calls; });
    backend.postDeviceChange();
  }
  EXPECT_EQ(m.ui.runPending(), 1u);
  EXPECT_EQ(calls, 0);
}

TEST(UsbBackend, InstalledBackendServesTheFreeFunctions) {
  usbtest::FakeUsbBackend fake;
  fake.devices.push_back({{0x2226, 0x0018, 0x0101}, "dev0"});
  platform::ScopedUsbBackend scoped(fake);
  EXPECT_EQ(&UsbBackend::get(), &fake);

  platform::EzusbHandle h = UsbBackend::kInvalidHandle;
  EXPECT_FALSE(platform::OpenEzusbDevice(h, "Ezusb-1"));
  EXPECT_FALSE(platform::OpenEzusbDevice(h, "ezusb-0"));
  EXPECT_FALSE(platform::OpenEzusbDevice(h, "Ezusb-"));
  EXPECT_FALSE(platform::OpenEzusbDevice(h, "Ezusb-0x"));
  ASSERT_TRUE(platform::OpenEzusbDevice(h, "Ezusb-0"));
  EXPECT_TRUE(platform::CheckEzusbDriver(h));

  uint16_t vid = 0, pid = 0, rel = 0;
  ASSERT_TRUE(platform::ReadEzusbDeviceIds(h, vid, pid, rel));
  EXPECT_EQ(vid, 0x2226);
  EXPECT_EQ(pid, 0x0018);
  EXPECT_EQ(rel, 0x0101);

  // A request without data goes out with length 0 and no buffer.
  size_t count = 99;
  EXPECT_TRUE(platform::EzusbVendorRequest(h, 6, 0x1234, &count, 0, nullptr, platform::kEzusbHostToDevice, 0));
  ASSERT_EQ(fake.vendorCalls.size(), 1u);
  EXPECT_EQ(fake.vendorCalls[0].request, 6);
  EXPECT_EQ(fake.vendorCalls[0].value, 0x1234);
  EXPECT_EQ(fake.vendorCalls[0].length, 0);
  EXPECT_FALSE(fake.vendorCalls[0].hadBuffer);
  EXPECT_FALSE(fake.vendorCalls[0].deviceToHost);
  EXPECT_EQ(count, 0u);

  // Value and index travel unchanged; a failed request reports 0 bytes.
  fake.vendorInData = {1, 2, 3};
  uint8_t in[8] = {};
  EXPECT_TRUE(platform::EzusbVendorRequest(h, 3, 0x2345, &count, 8, in, platform::kEzusbDeviceToHost, 0x0001));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(fake.vendorCalls[1].index, 0x0001);
  EXPECT_TRUE(fake.vendorCalls[1].deviceToHost);
  fake.failVendor = 1;
  EXPECT_FALSE(platform::EzusbVendorRequest(h, 3, 0, &count, 8, in, platform::kEzusbDeviceToHost, 0));
  EXPECT_EQ(count, 0u);

  // The 8051's reset register is one byte at 0xE600.
  EXPECT_TRUE(platform::EzusbWriteCpucs(h, 1));
  ASSERT_EQ(fake.anchorCalls.size(), 1u);
  EXPECT_EQ(fake.anchorCalls[0].address, 0xE600);
  EXPECT_EQ(fake.anchorCalls[0].data, std::vector<uint8_t>{1});

  uint8_t descriptor[18];
  size_t got = 0;
  EXPECT_TRUE(platform::EzusbGetDeviceDescriptor(h, descriptor, sizeof descriptor, got));
  EXPECT_EQ(got, 18u);

  platform::CloseEzusbDevice(h);
  EXPECT_EQ(h, UsbBackend::kInvalidHandle);
  EXPECT_FALSE(platform::CheckEzusbDriver(h));
  platform::CloseEzusbDevice(h);  // closing an invalid handle does nothing
}

TEST(UsbBackend, UdevRuleIsShippedAndInstalled) {
  std::filesystem::path rule = std::filesystem::path(TERVAN_SOURCE_DIR) / "packaging/udev/70-tervan.rules";
  std::string text = ReadText(rule);
  EXPECT_NE(text.find("SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"2226\", MODE=\"0660\", TAG+=\"uaccess\""),
            std::string::npos);
  // uaccess tags are turned into access lists by 73-seat-late.rules: the rule must sort before it.
  EXPECT_LT(rule.filename().string(), std::string("73"));
  std::string install = ReadText(std::filesystem::path(TERVAN_BINARY_DIR) / "cmake_install.cmake");
  EXPECT_NE(install.find("70-tervan.rules"), std::string::npos);
}
