#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "instrument/Device.h"
#include "instrument/DemoPort.h"
#include "instrument/EmulationTable.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Firmware.h"
#include "instrument/InThread.h"
#include "instrument/OutThread.h"
#include "instrument/ScannerThreads.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "LinkTestSupport.h"
#include "platform/Clock.h"
#include "platform/Ezusb.h"
#include "platform/LockFile.h"
#include "platform/Paths.h"
#include "model/RunMode.h"
#include "model/Services.h"

using linktest::ManualUi;
using linktest::Recorder;

namespace {

// The emulator with every vendor request logged and every sleep it asks for summed instead of
// slept.
class TestEmulator : public EmulatorBackend {
 public:
  explicit TestEmulator(int row = 4) : EmulatorBackend(row) {
    SetSleeper([this](int ms) {
      std::lock_guard<std::mutex> lock(LogMutex);
      SleptMs += ms;
      ++Sleeps;
    });
  }
  platform::UsbResult vendorRequest(Handle handle, const platform::UsbVendorRequest& r, uint8_t* data) override {
    {
      std::lock_guard<std::mutex> lock(LogMutex);
      Requests.push_back(r);
    }
    return EmulatorBackend::vendorRequest(handle, r, data);
  }
  long long slept() {
    std::lock_guard<std::mutex> lock(LogMutex);
    return SleptMs;
  }

  std::mutex LogMutex;
  std::vector<platform::UsbVendorRequest> Requests;
  long long SleptMs = 0;
  int Sleeps = 0;
};

// A signal plan of the 14 GHz model at f MHz, packed as the scan list packs it.
TCmdRequest PointAt(uint16_t code, double fMHz, int row = 4) {
  TPllSettings plan;
  TCmdRequest point = TCmdRequest::Point(code);
  if (row == 4) {
    TSynthesizerTV30 synth;
    synth.CalcSignalPll(plan, fMHz);
    point.SetSynthFields(TCmdRequest::Signal, 0, 0, plan);
    point.SetBand(static_cast<uint8_t>(plan.Band));
  } else {
    TSynthesizerTV synth;
    synth.CalcSignalPll(plan, fMHz);
    point.SetSynthFields(TCmdRequest::Signal, 0, 0, plan);
  }
  return point;
}

// What a 201-point channel's list looks like: synthesizer, timing, 201 points, timing, end.
std::vector<TCmdRequest> SweepList(int points, int ifBandwidth, double startMHz = 1000) {
  std::vector<TCmdRequest> list;
  TCmdRequest::TSynthWords words{};
  list.push_back(TCmdRequest::Synth(words, words, true, true));
  list.push_back(TCmdRequest::Timing(DelayTicks(130, 0), IFBandwidthCode(ifBandwidth), false));
  for (int i = 0; i < points; ++i) list.push_back(PointAt(static_cast<uint16_t>(i), startMHz + i));
  list.push_back(TCmdRequest::Timing(BackScanDelayTicks(130, 1000, 0), IFBandwidthCode(ifBandwidth), false));
  TCmdRequest end = PointAt(0, startMHz);
  end.SetCode(TCmdRequest::EndCode);
  list.push_back(end);
  return list;
}

// A connected link on a loaded emulator, collecting every reply the data handler gets.
struct Connected {
  ManualUi m;
  platform::ManualClock clock;
  platform::ScopedClock scopedClock{clock};
  TestEmulator emulator;
  platform::ScopedUsbBackend scoped{emulator};
  Recorder rec;
  TScannerThreads link;
  std::vector<TCmdReply> replies;

  Connected() {
    rec.attach(link);
    link.SetDataHandler([this] {
      if (!link.LockReplies()) return;
      for (const TCmdReply& r : link.GetReplyQueue()) replies.push_back(r);
      link.ReleaseReplies();
    });
    link.Connect();  // upload
    clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    m.ui.runPending();  // the notice: discovery again, now running
  }
  void waitFor(size_t n) {
    m.pumpUntil([&] { return replies.size() >= n; });
  }
};

}  // namespace

TEST(EmulatorLink, DiscoveryUploadsTheStandInThenConnectsAfterTheNotice) {
  ManualUi m;
  platform::ManualClock clock;
  clock.setMs(50000);
  platform::ScopedClock scopedClock(clock);
  TestEmulator emulator;
  platform::ScopedUsbBackend scoped(emulator);
  Recorder rec;
  TScannerThreads link;
  rec.attach(link);

  link.Connect();
  EXPECT_FALSE(link.IsConnected()) << "a device in its loader state only gets its firmware";
  EXPECT_EQ(rec.progress, 1);
  EXPECT_EQ(rec.connected, 0);
  ASSERT_EQ(emulator.Requests.size(), 9u);
  size_t bytes = 0;
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(emulator.Requests[i].request, kFirmwareChunkRequest);
    EXPECT_EQ(emulator.Requests[i].value, bytes);
    bytes += emulator.Requests[i].length;
  }
  EXPECT_EQ(bytes, 8020u);
  EXPECT_EQ(emulator.Requests[7].length, 852);
  EXPECT_EQ(emulator.Requests[8].request, kFirmwareStartRequest);
  EXPECT_TRUE(emulator.IsFirmwareLoaded());

  // The device "comes back" 1000 ms after its first open, not earlier.
  clock.advanceMs(999);
  m.ui.runPending();
  EXPECT_FALSE(link.IsConnected());
  clock.advanceMs(1);
  m.ui.runPending();
  ASSERT_TRUE(link.IsConnected());
  EXPECT_EQ(link.GetDeviceName(), "Ezusb-0");
  EXPECT_EQ(rec.progress, 2);
  EXPECT_EQ(rec.connected, 1);
  EXPECT_NE(link.GetReader(), nullptr);
  EXPECT_NE(link.GetWriter(), nullptr);
  EXPECT_EQ(emulator.Requests.size(), 9u) << "no second upload";

  // After a disconnect the running ids are found at once.
  link.Disconnect();
  link.Connect();
  EXPECT_TRUE(link.IsConnected());
  EXPECT_EQ(rec.connected, 2);
}

TEST(EmulatorLink, QueuedListReturnsEveryReplyInOrder) {
  Connected c;
  ASSERT_TRUE(c.link.IsConnected());
  std::vector<TCmdRequest> list = SweepList(201, 1000);
  ASSERT_EQ(list.size(), 205u);
  c.link.QueueCommands(list);
  c.waitFor(205);
  ASSERT_EQ(c.replies.size(), 205u);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(c.replies[i].GetCode(), list[i].GetCode()) << i;
  // Synthesizer and timing records come back as their bare code; the end record without the
  // all-0xFF payload, so the demonstration never beeps.
  EXPECT_EQ(c.replies[0], TCmdReply(TCmdRequest::SynthCode));
  EXPECT_EQ(c.replies[1], TCmdReply(TCmdRequest::TimingCode));
  EXPECT_EQ(c.replies[204], TCmdReply(TCmdReply::EndCode));
  EXPECT_FALSE(c.replies[204].IsBeepRequest());
  for (size_t i = 2; i < 203; ++i) EXPECT_EQ(c.replies[i].Classify(201), TCmdReply::TKind::Point);
}

TEST(EmulatorLink, PointAt1000MHzReadsTheTable) {
  Connected c;
  c.link.QueueCommands({TCmdRequest::Timing(26, IFBandwidthCode(1000), false), PointAt(0, 1000.0)});
  c.waitFor(2);
  const TEmulationTable& table = c.emulator.GetTable();
  auto at = table.Lookup(1000.0);
  ASSERT_TRUE(at);
  const double a = std::pow(10.0, at->LevelA / 20);
  TComplex measured = c.replies[1].GetMeasuredWave();
  EXPECT_NEAR(measured.Re, a * std::cos(at->PhaseA), 1e-3);
  EXPECT_NEAR(measured.Im, a * std::sin(at->PhaseA), 1e-3);
  TComplex reference = c.replies[1].GetReferenceWave();
  EXPECT_EQ(reference.Re, 1.0);
  EXPECT_EQ(reference.Im, 0.0);
}

TEST(EmulatorLink, RepliesBetweenSyncAndItsEchoNeverReachTheQueue) {
  Connected c;
  // The emulated measurement holds at its first sleep until the test lets it go.
  std::mutex gateMutex;
  std::condition_variable gateCond;
  bool open = false;
  c.emulator.SetSleeper([&](int) {
    std::unique_lock<std::mutex> lock(gateMutex);
    gateCond.wait(lock, [&] { return open; });
  });
  std::vector<TCmdRequest> list = SweepList(1000, 10);
  c.link.QueueCommands(list);
  c.waitFor(1);  // the synthesizer record; the timing record sleeps
  ASSERT_EQ(c.replies.size(), 1u);
  c.link.Sync();
  c.link.QueueCommands({TCmdRequest::Point(4242)});
  {
    std::lock_guard<std::mutex> lock(gateMutex);
    open = true;
  }
  gateCond.notify_all();
  c.waitFor(2);
  ASSERT_EQ(c.replies.size(), 2u);
  EXPECT_EQ(c.replies[1].GetCode(), 4242) << "nothing of the old list, no echo";
  EXPECT_EQ(c.rec.error, 0);
  // The link goes on as before.
  c.link.QueueCommands({TCmdRequest::Point(5)});
  c.waitFor(3);
  EXPECT_EQ(c.replies[2].GetCode(), 5);
}

TEST(EmulatorLink, OlderEchoDoesNotEndTheDiscard) {
  Connected c;
  uint16_t current = c.link.GetReader()->BeginDiscard();
  c.link.GetReader()->BeginDiscard();  // a second Sync before the first echo came
  ++current;
  c.link.QueueCommands({TCmdRequest::Point(7), TCmdRequest::Sync(static_cast<uint16_t>(current - 1)),
                        TCmdRequest::Point(8), TCmdRequest::Sync(current), TCmdRequest::Point(9)});
  c.waitFor(1);
  c.link.QueueCommands({TCmdRequest::Point(10)});
  c.waitFor(2);
  ASSERT_EQ(c.replies.size(), 2u);
  EXPECT_EQ(c.replies[0].GetCode(), 9);
  EXPECT_EQ(c.replies[1].GetCode(), 10);
}

// ---- The emulator on its own --------------------------------------------------------------------

TEST(EmulatorLink, OneSweepAsksForItsMeasurementTime) {
  // Nominal 201-point sweep: 205 records of 1000 / IFBW + 0.13 ms, the last two with the
  // back-scan ticks. Every sleep is 1 ms short of what gathered, so the sum stays below.
  struct Case {
    int bandwidth;
    long long low, high;
  } cases[] = {{1000, 190, 232}, {10000, 30, 49}, {30000, 20, 35}};
  for (const Case& k : cases) {
    ManualUi m;
    TestEmulator emulator;
    platform::EzusbHandle h = emulator.open(0);
    for (const TCmdRequest& record : SweepList(201, k.bandwidth)) {
      uint8_t bytes[32];
      record.WriteTo(bytes);
      ASSERT_TRUE(emulator.bulkWrite(h, bytes, 32, 100).ok());
      uint8_t reply[32];
      ASSERT_EQ(emulator.bulkRead(h, reply, sizeof reply, 100).count, 32u);
    }
    EXPECT_GE(emulator.slept(), k.low) << k.bandwidth;
    EXPECT_LE(emulator.slept(), k.high) << k.bandwidth;
    EXPECT_EQ(emulator.GetIFBandwidth(), k.bandwidth);
  }
}

TEST(EmulatorLink, EmulatorDecodesThePointFrequencyTheScanListEncodes) {
  for (double f : {100.0, 1000.0, 2345.678, 4799.0, 6000.0, 9000.5, 13999.0}) {
    TPllSettings plan;
    TSynthesizerTV30 synth;
    synth.CalcSignalPll(plan, f);
    EXPECT_NEAR(EmulatorBackend::PointFrequency(PointAt(0, f, 4), 4), synth.CalcFrequency(plan), 1e-6) << f;
  }
  for (double f : {100.0, 1234.5, 5399.0}) {
    TPllSettings plan;
    TSynthesizerTV synth;
    synth.CalcSignalPll(plan, f);
    EXPECT_NEAR(EmulatorBackend::PointFrequency(PointAt(0, f, 3), 3), synth.CalcFrequency(plan), 1e-6) << f;
  }
  // Worked value: R 1, N 31, fraction 1/4, prescaler 2 (p = 1), lodiv 1: 2 x 31.25 x 32 / 2.
  TCmdRequest r = TCmdRequest::Point(0);
  r.SetU16(4, 1 << 12);
  r.SetU16(6, static_cast<uint16_t>((31 << 7) | (1 << 4) | (1 << 2)));
  r.SetU16(8, 0x4000);
  EXPECT_DOUBLE_EQ(EmulatorBackend::PointFrequency(r, 4), 1000.0);
  r.SetBand(50);
  EXPECT_DOUBLE_EQ(EmulatorBackend::PointFrequency(r, 4), 2000.0);
  r.SetBand(28);
  EXPECT_DOUBLE_EQ(EmulatorBackend::PointFrequency(r, 4), 3000.0);
  EXPECT_DOUBLE_EQ(EmulatorBackend::PointFrequency(r, 3), 1000.0) << "no band on the 5.4 GHz model";
  EXPECT_DOUBLE_EQ(EmulatorBackend::PointFrequency(r, 2), 750.0);
  r.SetU16(4, 0);
  EXPECT_DOUBLE_EQ(EmulatorBackend::PointFrequency(r, 4), 750.0) << "R = 0";
}

TEST(EmulatorLink, RepliesOfEveryKind) {
  TEmulationTable table = TEmulationTable::Parse("100 0 -100 0 0\n1500 -20 -100 1.5 0\n");
  TEmulationTable empty;
  auto zero = [] { return 16383; };  // (0.5 - 16383 / 32767) ~ 0: no noise to speak of
  TCmdRequest point = TCmdRequest::Point(3);
  point.SetU16(4, 1 << 12);
  point.SetU16(6, static_cast<uint16_t>(100 << 7));  // 100 x 32 = 3200 MHz: above the table
  TCmdReply above = EmulatorBackend::Reply(point, table, 4, 1000, zero);
  EXPECT_NEAR(above.GetMeasuredWave().Re, 0.1 * std::cos(1.5), 1e-6);
  EXPECT_NEAR(above.GetMeasuredWave().Im, 0.1 * std::sin(1.5), 1e-6);
  point.SetU16(6, static_cast<uint16_t>(1 << 7));  // 32 MHz: below the table
  TCmdReply below = EmulatorBackend::Reply(point, table, 4, 1000, zero);
  EXPECT_NEAR(below.GetMeasuredWave().Re, 1.0, 1e-6);
  // An empty table: the point reply carries only its code.
  EXPECT_EQ(EmulatorBackend::Reply(point, empty, 4, 1000, zero), TCmdReply(3));
  // The older models: B at 10/14, the reference at 18/22.
  TCmdReply older = EmulatorBackend::Reply(point, table, 2, 1000, zero);
  EXPECT_NEAR(older.GetF32(10), 1e-5, 1e-6);
  EXPECT_EQ(older.GetF32(18), 1.0f);
  EXPECT_EQ(EmulatorBackend::Reply(TCmdRequest::Sync(0xBEEF), table, 4, 0, zero), TCmdReply::SyncEcho(0xBEEF));
  EXPECT_EQ(EmulatorBackend::Reply(TCmdRequest(0xFFF4), table, 4, 0, zero).GetTemperature(), 45.0);
  EXPECT_EQ(EmulatorBackend::Reply(TCmdRequest::Init(), table, 4, 0, zero), TCmdReply(TCmdRequest::InitCode));
  // Noise: (0.5 - r / 32767) x 0.005 / k with k by IF bandwidth.
  EXPECT_DOUBLE_EQ(EmulatorBackend::Noise(0, 1000), 0.5 * 0.005 / 186);
  EXPECT_DOUBLE_EQ(EmulatorBackend::Noise(32767, 30000), -0.5 * 0.005 / 24);
  EXPECT_DOUBLE_EQ(EmulatorBackend::Noise(0, 12345), 0.5 * 0.005 / 124);
}

TEST(EmulatorLink, EmulatorIsOnePrivateDeviceAndInventsNoBytes) {
  ManualUi m;
  TestEmulator emulator;
  auto devices = emulator.enumerate();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "Ezusb-0");
  EXPECT_NE(devices[0].lockName.find(std::to_string(::getpid())), std::string::npos);
  EXPECT_TRUE(platform::LockFile::isValidName(devices[0].lockName));
  EXPECT_EQ(devices[0].ids.release, 0x0100);
  EXPECT_EQ(emulator.open(1), platform::UsbBackend::kInvalidHandle);

  platform::ScopedUsbBackend scoped(emulator);
  platform::EzusbHandle h;
  ASSERT_TRUE(platform::OpenEzusbDevice(h, "Ezusb-0"));
  EXPECT_TRUE(platform::CheckEzusbDriver(h));
  // A read request in demonstration mode moves nothing: the count says 0, the buffer is left.
  uint8_t buffer[4] = {7, 7, 7, 7};
  size_t count = 99;
  EXPECT_TRUE(platform::EzusbVendorRequest(h, 18, 0, &count, 1, buffer, platform::kEzusbDeviceToHost, 0));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(buffer[0], 7);
  platform::CloseEzusbDevice(h);
}

TEST(EmulatorLink, FileUploadCountsAsLoadedWhenTheUploaderLetsGo) {
  ManualUi m;
  TestEmulator emulator;
  platform::ScopedUsbBackend scoped(emulator);
  std::string ldr = platform::Paths::dataRoot() + "/blackfin.ldr";
  {
    std::ofstream out(ldr, std::ios::binary);
    out << "0x53\r\n0x01\r\n";
  }
  platform::EzusbHandle h;
  ASSERT_TRUE(platform::OpenEzusbDevice(h, "Ezusb-0"));
  TFirmwareResult r = LoadDspFirmware(h, "DSPFirmwareTV30");
  std::filesystem::remove(ldr);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_FALSE(emulator.IsFirmwareLoaded()) << "no start request for a file";
  uint16_t vid, pid, rel;
  ASSERT_TRUE(platform::ReadEzusbDeviceIds(h, vid, pid, rel));
  EXPECT_EQ(rel, 0x0100);
  platform::CloseEzusbDevice(h);
  EXPECT_TRUE(emulator.IsFirmwareLoaded());
  ASSERT_TRUE(platform::OpenEzusbDevice(h, "Ezusb-0"));
  ASSERT_TRUE(platform::ReadEzusbDeviceIds(h, vid, pid, rel));
  EXPECT_EQ(rel, 0x0101);
  platform::CloseEzusbDevice(h);
}

TEST(EmulatorLink, DecodedBandwidthIsCappedAndCodeZeroStaysZero) {
  ManualUi m;
  TestEmulator emulator;
  platform::EzusbHandle h = emulator.open(0);
  auto exchange = [&](const TCmdRequest& record) {
    uint8_t bytes[32];
    record.WriteTo(bytes);
    ASSERT_TRUE(emulator.bulkWrite(h, bytes, 32, 100).ok());
    ASSERT_TRUE(emulator.bulkRead(h, bytes, 32, 100).ok());
  };
  exchange(TCmdRequest::Timing(0, 0xFFFF, false));  // would read back as 255 x 10^255
  EXPECT_EQ(emulator.GetIFBandwidth(), 10000000);
  exchange(TCmdRequest::Timing(0, 0x0005, false));  // 5 Hz, the mended code of 1..9 Hz
  EXPECT_EQ(emulator.GetIFBandwidth(), 5);
  EXPECT_EQ(emulator.slept(), 199) << "5 Hz: 200 ms per record, slept 1 ms short";
  exchange(TCmdRequest::Timing(0, 0, false));
  EXPECT_EQ(emulator.GetIFBandwidth(), 0);
  for (int i = 0; i < 100; ++i) exchange(TCmdRequest::Point(0));
  EXPECT_EQ(emulator.slept(), 199) << "no time without a bandwidth and ticks";
}

TEST(EmulatorLink, AbortReleasesABlockedSideAndDiscardsUntilTheMarker) {
  ManualUi m;
  TestEmulator emulator;
  platform::EzusbHandle h = emulator.open(0);
  uint8_t bytes[64];
  TCmdRequest::Point(1).WriteTo(bytes);
  TCmdRequest::Point(2).WriteTo(bytes + 32);
  // The second record waits for a read that never comes; the slice ends the call.
  platform::UsbResult w = emulator.bulkWrite(h, bytes, 64, 20);
  EXPECT_EQ(w.status, platform::UsbStatus::TimedOut);
  EXPECT_EQ(w.count, 32u);
  emulator.abortPipe(h, 1);
  // The abort released the reader (it gets the mailbox as it stands) and lets the writer on.
  uint8_t reply[32];
  EXPECT_TRUE(emulator.bulkRead(h, reply, 32, 20).ok());
  // While discarding, no time gathers; the marker ends it.
  for (int i = 0; i < 50; ++i) {
    TCmdRequest::Timing(0, IFBandwidthCode(10), false).WriteTo(bytes);
    ASSERT_EQ(emulator.bulkWrite(h, bytes, 32, 100).status, platform::UsbStatus::Ok);
    ASSERT_TRUE(emulator.bulkRead(h, reply, 32, 100).ok());
  }
  EXPECT_EQ(emulator.slept(), 0);
  TCmdRequest::Sync(1).WriteTo(bytes);
  emulator.bulkWrite(h, bytes, 32, 100);
  emulator.bulkRead(h, reply, 32, 100);
  for (int i = 0; i < 2; ++i) {
    TCmdRequest::Point(0).WriteTo(bytes);
    emulator.bulkWrite(h, bytes, 32, 100);
    emulator.bulkRead(h, reply, 32, 100);
  }
  EXPECT_GT(emulator.slept(), 150) << "at 10 Hz each record takes 100 ms";
  // An abort leaves a reply waiting; once every user let go, the next link does not get it.
  emulator.abortPipe(h, 0);
  emulator.close(h);
  h = emulator.open(0);
  EXPECT_EQ(emulator.bulkRead(h, reply, 32, 10).status, platform::UsbStatus::TimedOut);
}

TEST(EmulatorLink, NoticeOfADestroyedEmulatorDoesNothing) {
  ManualUi m;
  platform::ManualClock clock;
  platform::ScopedClock scopedClock(clock);
  {
    TestEmulator emulator;
    emulator.open(0);
    EXPECT_EQ(m.ui.delayedCount(), 1u);
  }
  clock.advanceMs(1000);
  EXPECT_EQ(m.ui.runPending(), 1u);  // ran, and did nothing
}

TEST(EmulatorLink, InstalledOnlyInDemonstrationMode) {
  EXPECT_EQ(EmulatorBackend::InstallForDemoMode(), nullptr) << "no device model";
  TScopedServices services;
  SetRunModeFromText("");
  TDevice real;
  services->Device = &real;
  EXPECT_EQ(EmulatorBackend::InstallForDemoMode(), nullptr);
  SetRunModeFromText("DemoMode");
  TDevice demo;
  ResetRunMode();
  services->Device = &demo;
  platform::UsbBackend* previous = platform::UsbBackend::install(nullptr);
  std::unique_ptr<EmulatorBackend> emulator = EmulatorBackend::InstallForDemoMode();
  ASSERT_NE(emulator, nullptr);
  EXPECT_EQ(&platform::UsbBackend::get(), emulator.get());
  EXPECT_EQ(emulator->GetModelRow(), 4);
  platform::UsbBackend::install(previous);
}

namespace {

// The demonstration port's test source: receiver A reads the source at the decoded frequency
// whatever is connected and however noisy the bandwidth, the reference stays (1, 0); without
// it the noise is back.
TEST(EmulatorLink, TestSourceReplacesReceiverAWithoutNoise) {
  TEmulationTable table = TEmulationTable::FromResource("Emulation");
  TDemoPort port;
  port.SetRealistic(true);
  double asked = 0.0;
  port.SetTestSource([&asked](double MHz) {
    asked = MHz;
    return TComplex{0.25, -0.5};
  });
  int draws = 0;
  const auto random = [&draws] { return (draws++ * 7919) % 32768; };
  const TCmdRequest point = PointAt(3, 1500.0);
  for (int i = 0; i < 3; ++i) {
    const TCmdReply reply = EmulatorBackend::Reply(point, table, 4, 10, random, &port);
    EXPECT_EQ(0.25f, reply.GetF32(2));
    EXPECT_EQ(-0.5f, reply.GetF32(6));
    // The reference of the program's models follows receiver A.
    EXPECT_EQ(1.0f, reply.GetF32(10));
    EXPECT_EQ(0.0f, reply.GetF32(14));
  }
  EXPECT_NEAR(1500.0, asked, 1e-3);
  port.SetTestSource(nullptr);
  const TCmdReply noisy = EmulatorBackend::Reply(point, table, 4, 10, random, &port);
  EXPECT_NE(0.25f, noisy.GetF32(2));
}

// The exit handler that ends the link's threads before the statics go (a library may call exit()
// from inside the event loop): it stops a running sweep without any handler, leaves the link
// disconnected and its device free, and does nothing a second time or after the program's own
// stop.
TEST(ExitWithoutDisplay, StopAtExitEndsARunningSweepAndCallsNoHandler) {
  Connected c;
  ASSERT_TRUE(c.link.IsConnected());
  c.link.QueueCommands(SweepList(201, 1000));
  c.waitFor(10);
  TScannerThreads::StopAllForExit();
  EXPECT_FALSE(c.link.IsConnected());
  EXPECT_EQ(c.link.GetReader(), nullptr);
  EXPECT_EQ(c.link.GetWriter(), nullptr);
  EXPECT_EQ(c.rec.disconnected, 0);
  EXPECT_EQ(c.rec.error, 0);
  TScannerThreads::StopAllForExit();
  c.link.Disconnect();
  EXPECT_EQ(c.rec.disconnected, 0) << "the program's stop after the exit handler calls no handler";
  // The control handle and the device's lock were let go: the link connects again.
  c.link.Connect();
  ASSERT_TRUE(c.link.IsConnected());
  c.link.Disconnect();
  EXPECT_EQ(c.rec.disconnected, 1);
  TScannerThreads::StopAllForExit();
  EXPECT_EQ(c.rec.disconnected, 1);
  EXPECT_FALSE(c.link.IsConnected());
}

// exit() called inside a data handler that holds the replies: the reader waits for that lock
// with replies in hand, and the handler must not wait for the reader in turn.
TEST(ExitWithoutDisplay, StopAtExitReleasesRepliesHeldByTheExitingThread) {
  Connected c;
  c.link.SetDataHandler({});
  c.link.QueueCommands(SweepList(201, 1000));
  c.m.pumpUntil([&] { return c.link.LockReplies(); });
  // The reader goes on reading and blocks on the lock this thread holds.
  c.link.QueueCommands(SweepList(201, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  TScannerThreads::StopAllForExit();
  EXPECT_FALSE(c.link.IsConnected());
  EXPECT_EQ(c.link.GetReader(), nullptr);
  EXPECT_TRUE(c.link.GetReplyQueue().empty());
}

// A reader stuck inside a transfer that no abort ends: waiting for it would hang the exit, and
// going on would delete the back end under it, so the process ends at once with code 1.
TEST(ExitWithoutDisplay, StopAtExitEndsTheProcessWhenAThreadIsStuck) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  class StuckEmulator : public TestEmulator {
   public:
    platform::UsbResult bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) override {
      if (Stuck.load()) {
        Inside = true;
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
      }
      return TestEmulator::bulkRead(handle, buffer, size, sliceMs);
    }
    std::atomic<bool> Stuck{false};
    std::atomic<bool> Inside{false};
  };
  EXPECT_EXIT(
      {
        ManualUi m;
        platform::ManualClock clock;
        platform::ScopedClock scopedClock(clock);
        StuckEmulator emulator;
        platform::ScopedUsbBackend scoped(emulator);
        Recorder rec;
        TScannerThreads link;
        rec.attach(link);
        link.Connect();
        clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
        m.ui.runPending();
        if (!link.IsConnected()) std::_Exit(2);
        emulator.Stuck = true;
        while (!emulator.Inside.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        TScannerThreads::StopAllForExit();
        std::_Exit(3);
      },
      testing::ExitedWithCode(1), "did not end at exit");
}

}  // namespace
