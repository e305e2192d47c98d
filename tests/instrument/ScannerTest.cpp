// The sweep engine: decoding of reply records into channel points, overload and temperature,
// sweep states and resynchronisation, standby, memory requests and the connect sequence.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "instrument/BeepHook.h"
#include "instrument/CmdReply.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerThreads.h"
#include "model/Range.h"
#include "ScannerSupport.h"

namespace {

using scannertest::Sweep;
using scannertest::TEngineServices;
using scannertest::TFakeUi;
using scannertest::TLoggingEmulator;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double Db(const TComplex& z) { return 20.0 * std::log10(Abs(z)); }

// A scanner with one 11-point channel (1000 ... 2000 MHz) as its only scan entry, decoding
// replies directly; no link.
class Scanner : public ::testing::Test {
 protected:
  Scanner() {
    range = new TRange(&scanner);
    range->SetChangeNotify(true);
    Sweep(*range, 1000, 2000, 11);
    scanner.Connected = true;  // lets the scan list be built; nothing is queued without a link
    scanner.RebuildScanList();
    scanner.OnChange = [this](TFObject*, int) { ++changes; };
  }

  TEngineServices services{4, false};
  TScanner scanner;
  TRange* range = nullptr;
  int changes = 0;
};

TEST_F(Scanner, ZeroReceiverIsStoredAtThePlaceholderLevel) {
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(3, {0, 0}, {1, 0})), 1);
  // 20 log10 |(1e-9, 1e-9)|
  EXPECT_NEAR(Db(range->GetPointRawLevel(0, 3)), -176.9897, 1e-4);
  EXPECT_DOUBLE_EQ(scanner.GetSweepMaxA(), TScanner::NoLevel) << "a level below the start leaves the maximum";
  EXPECT_NEAR(scanner.GetSweepMaxB(), 0.0, 1e-6);
  const TComplex x = range->GetPointData(0, 3);
  EXPECT_TRUE(std::isfinite(x.Re) && std::isfinite(x.Im));
  EXPECT_NEAR(Abs(x), std::sqrt(2.0) * 1e-9, 1e-15);

  // A zero reference: the ratio is divided by the placeholder, never by zero.
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(4, {0.5, 0.5}, {0, 0})), 1);
  EXPECT_NEAR(Abs(range->GetPointRefLevel(4)), std::sqrt(2.0) * 1e-9, 1e-15);
  EXPECT_NEAR(range->GetPointData(0, 4).Re, 5e8, 1e-3);
  EXPECT_NEAR(range->GetPointData(0, 4).Im, 0.0, 1e-3);
  // The transmission slot of this one-port model is the placeholder over the reference.
  EXPECT_NEAR(range->GetPointData(1, 4).Re, 1.0, 1e-12);
}

TEST_F(Scanner, NonFiniteReceiverPartsBecomeThePlaceholder) {
  range->SetAverageEnabled(true);
  range->SetAverageFactor(4);
  const struct {
    TComplex measured, reference;
  } cases[] = {
      {{kNaN, 0.5}, {1, 0}}, {{0.5, kNaN}, {1, 0}}, {{kInf, 0}, {1, 0}}, {{0.5, -kInf}, {1, 0}},
      {{0.5, 0.5}, {kNaN, 0}}, {{0.5, 0.5}, {1, kInf}}, {{kNaN, kNaN}, {-kInf, kInf}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.measured.Re << "," << c.measured.Im << " / " << c.reference.Re << ","
                                    << c.reference.Im);
    // Twice into the same averaged point: a non-finite value would stay in the average.
    for (int pass = 0; pass < 2; ++pass) ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(2, c.measured, c.reference)), 1);
    const bool measuredBad = !std::isfinite(c.measured.Re) || !std::isfinite(c.measured.Im);
    const TComplex raw = range->GetPointRawLevel(0, 2);
    const TComplex ref = range->GetPointRefLevel(2);
    const TComplex data = range->GetPointData(0, 2);
    for (double v : {raw.Re, raw.Im, ref.Re, ref.Im, data.Re, data.Im}) EXPECT_TRUE(std::isfinite(v));
    if (measuredBad) {
      EXPECT_NEAR(Abs(raw), std::sqrt(2.0) * 1e-9, 1e-15);
    }
    if (!std::isfinite(c.reference.Re) || !std::isfinite(c.reference.Im)) {
      EXPECT_NEAR(Abs(ref), std::sqrt(2.0) * 1e-9, 1e-15);
    }
    EXPECT_TRUE(std::isfinite(scanner.GetSweepMaxA()));
    EXPECT_TRUE(std::isfinite(scanner.GetSweepMaxB()));
  }
  EXPECT_FALSE(scanner.GetOverload());
}

TEST_F(Scanner, RatioIsSystemCorrectedAtThePointFrequencyUnlessInOffsetMode) {
  services.calibration.Factor = 2.0;
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(5, {0.25, 0.5}, {0.5, 0.5})), 1);
  EXPECT_EQ(services.calibration.Corrections, 1);
  EXPECT_EQ(services.calibration.LastA, 0);
  EXPECT_EQ(services.calibration.LastB, 1);
  EXPECT_DOUBLE_EQ(services.calibration.LastFrequency, range->GetPointFrequency(5));
  // (0.25 + 0.5j) / (0.5 + 0.5j) = 0.75 + 0.25j, doubled by the stand-in.
  EXPECT_NEAR(range->GetPointData(0, 5).Re, 1.5, 1e-6);
  EXPECT_NEAR(range->GetPointData(0, 5).Im, 0.5, 1e-6);

  // Frequency offset mode: unnormalised magnitudes, no correction.
  range->FOMState = true;
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(6, {0.3, 0.4}, {0.5, 0.5})), 1);
  EXPECT_EQ(services.calibration.Corrections, 1);
  EXPECT_NEAR(range->GetPointData(0, 6).Re, 0.5, 1e-6);
  EXPECT_DOUBLE_EQ(range->GetPointData(0, 6).Im, 0.0);
  EXPECT_NEAR(range->GetPointData(1, 6).Re, std::sqrt(2.0) * 1e-9, 1e-15);
}

TEST_F(Scanner, OverloadSetAboveTheLimitAndClearedAfterAQuietSweep) {
  const double loud = std::pow(10.0, 0.2 / 20);  // 0.2 dB
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(0, {0.5, 0}, {1, 0})), 1);
  EXPECT_FALSE(scanner.GetOverload());
  EXPECT_EQ(changes, 0);
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(1, {0, loud}, {1, 0})), 1);
  EXPECT_TRUE(scanner.GetOverload());
  EXPECT_EQ(changes, 1);
  EXPECT_NEAR(scanner.GetSweepMaxA(), 0.2, 1e-6);
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::End(false)), -1);
  EXPECT_NEAR(scanner.GetLastMaxA(), 0.2, 1e-6);
  EXPECT_DOUBLE_EQ(scanner.GetSweepMaxA(), TScanner::NoLevel);
  EXPECT_TRUE(scanner.GetOverload()) << "the loud sweep itself keeps it";
  EXPECT_EQ(changes, 1);

  // A quiet sweep (both maxima below 0.1 dB) clears it at its end.
  const double quiet = std::pow(10.0, 0.09 / 20);
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(0, {quiet, 0}, {quiet, 0})), 1);
  EXPECT_TRUE(scanner.GetOverload());
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::End(false)), -1);
  EXPECT_FALSE(scanner.GetOverload());
  EXPECT_EQ(changes, 2);

  // The reference receiver overloads too.
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(0, {0.5, 0}, {loud, 0})), 1);
  EXPECT_TRUE(scanner.GetOverload());
}

TEST_F(Scanner, TemperatureIsTakenWithoutAnEntryAndEverythingElseDropped) {
  // No channel takes part: the scan list is empty.
  range->SetChangeNotify(false);
  scanner.RebuildScanList();
  ASSERT_TRUE(scanner.ScanList.empty());
  EXPECT_EQ(scanner.CurrentRange(), nullptr);
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), TCmdReply::UnsetTemperature);

  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Temperature(160)), 0);  // 40 degrees
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 40.0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Temperature(180)), 0);  // 45: (4 x 40 + 45) x 0.2
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 41.0);
  EXPECT_EQ(changes, 2);

  const TComplex before = range->GetPointData(0, 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(0, {0.5, 0.5}, {1, 0})), 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::End(true)), 0);
  EXPECT_EQ(range->GetPointData(0, 0), before);
  EXPECT_EQ(scanner.GetLastPointCode(), 0u);
  EXPECT_DOUBLE_EQ(scanner.GetSweepMaxA(), TScanner::NoLevel);

  // Not connected: the temperature reads 0.
  scanner.Connected = false;
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 0.0);
}

TEST_F(Scanner, EntryThatLostItsChannelDropsItsReplies) {
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  delete range;  // unregisters; the entry keeps its place without a channel
  range = nullptr;
  EXPECT_EQ(scanner.CurrentRange(), nullptr);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(0, {0.5, 0.5}, {1, 0})), 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::End(false)), 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Temperature(4)), 0);
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 1.0);
}

TEST_F(Scanner, CodesPastThePointsAreIgnoredAndAChangingChannelStoresNothing) {
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(11, {0.5, 0.5}, {1, 0})), 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(0xFFF0, {0.5, 0.5}, {1, 0})), 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::SyncEcho(3)), 0);
  EXPECT_EQ(scanner.GetLastPointCode(), 0u);
  ASSERT_EQ(scanner.DecodeReply(TCmdReply::Point(10, {0.5, 0.5}, {1, 0})), 1);
  EXPECT_EQ(scanner.GetLastPointCode(), 10u);

  int pointEvents = 0;
  range->OnPointData = [&](TFObject*) { ++pointEvents; };
  range->Changing = true;
  const TComplex before = range->GetPointData(0, 7);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(7, {0.1, 0.2}, {1, 0})), 1);
  EXPECT_EQ(range->GetPointData(0, 7), before);
  EXPECT_EQ(scanner.GetLastPointCode(), 7u);
  EXPECT_EQ(pointEvents, 0);
  range->Changing = false;
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(7, {0.1, 0.2}, {1, 0})), 1);
  EXPECT_EQ(pointEvents, 1);
}

TEST_F(Scanner, EndReplyBeepsOnlyWhenAskedAndNotInDemonstration) {
  int beeps = 0, hz = 0, ms = 0;
  TBeepHook::THook previous = TBeepHook::Install([&](int f, int d) {
    ++beeps;
    hz = f;
    ms = d;
  });
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::End(false)), -1);
  EXPECT_EQ(beeps, 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::End(true)), -1);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(hz, 880);
  EXPECT_EQ(ms, 100);
  services.device.Demo = true;
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::End(true)), -1);
  EXPECT_EQ(beeps, 1);
  TBeepHook::Install(previous);
}

TEST_F(Scanner, AnyReplyBytesDecodeSafely) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int n = 0; n < 20000; ++n) {
    TCmdReply reply;
    for (size_t k = 0; k < TCmdReply::Size; ++k) reply.SetByte(k, static_cast<uint8_t>(byte(random)));
    // Mostly codes of this channel's points, some of every other kind.
    if (n % 4 != 0) reply.SetCode(static_cast<uint16_t>(n % 13));
    if (n % 97 == 0) reply.SetCode(TCmdReply::EndCode);
    if (n % 89 == 0) reply.SetCode(TCmdReply::TemperatureCode);
    const int result = scanner.DecodeReply(reply);
    ASSERT_TRUE(result >= -1 && result <= 1);
  }
  for (int i = 0; i < range->GetCount(); ++i) {
    const TComplex d = range->GetPointData(0, i);
    ASSERT_TRUE(std::isfinite(d.Re) && std::isfinite(d.Im)) << i;
    const TComplex r = range->GetPointRawLevel(0, i);
    ASSERT_TRUE(std::isfinite(r.Re)) << i;
  }
  EXPECT_TRUE(std::isfinite(scanner.GetTemperature()));
}

TEST_F(Scanner, StateTextsAndStateChanges) {
  int previous = -1;
  scanner.OnChange = [&](TFObject*, int p) {
    ++changes;
    previous = p;
  };
  EXPECT_EQ(scanner.GetStateText(), "STOP");
  scanner.SetState(TScanner::WAIT);
  EXPECT_EQ(scanner.GetStateText(), "WAIT");
  EXPECT_EQ(previous, TScanner::STOP);
  scanner.SetState(TScanner::MEAS);
  EXPECT_EQ(scanner.GetStateText(), "MEAS");
  EXPECT_EQ(previous, TScanner::WAIT);
  EXPECT_EQ(changes, 2);
  scanner.SetState(TScanner::MEAS);
  EXPECT_EQ(changes, 2);
  scanner.SetState(7);
  EXPECT_EQ(scanner.GetStateText(), "");
}

TEST_F(Scanner, RestartAveragingClearsEveryChannelsCount) {
  auto* second = new TRange(&scanner);
  for (TRange* r : {range, second}) {
    r->SetAverageEnabled(true);
    r->SetAverageFactor(3);
    r->AverageCount = 2;
  }
  scanner.RestartAveraging();
  EXPECT_EQ(range->AverageCount, 0);
  EXPECT_EQ(second->AverageCount, 0);
}

TEST(ScannerMemory, RequestsWhileDisconnectedReportZero) {
  TEngineServices services(4, false);
  TScanner scanner;
  uint8_t buffer[8] = {};
  EXPECT_EQ(scanner.ReadDeviceMemory(0x12345, 8, buffer), 0);
  EXPECT_EQ(scanner.WriteDeviceMemory(0x12345, 8, buffer), 0);
  scanner.Connected = true;  // no link yet: still nothing
  EXPECT_EQ(scanner.ReadDeviceMemory(0x12345, 8, buffer), 0);
  EXPECT_EQ(scanner.WriteDeviceMemory(0x12345, 8, buffer), 0);
}

// A scanner connected to the emulator through the whole connect sequence, on a fake clock.
class ScannerLink : public ::testing::Test {
 protected:
  explicit ScannerLink(bool demo = false, int standbyAnswer = -1) : services(4, demo) {
    emulator.StandbyAnswer = standbyAnswer;
    scanner.OnConnect = [this](TFObject*) { ++connects; };
    scanner.OnDisconnect = [this](TFObject*) { ++disconnects; };
    scanner.OnChange = [this](TFObject*, int) { ++changes; };
  }
  ~ScannerLink() override { scanner.Disconnect(); }

  void Connect() {
    scanner.Connect();                                   // firmware upload
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);  // the device comes back running
    fake.ui.runPending();                                // discovery again: the connect sequence
  }

  TEngineServices services;
  TFakeUi fake;
  TLoggingEmulator emulator{4};
  platform::ScopedUsbBackend scopedBackend{emulator};
  TScanner scanner;
  int connects = 0, disconnects = 0, changes = 0;
};

TEST_F(ScannerLink, ConnectSequenceSettlesLeavesStandbyAndSendsInit) {
  emulator.StandbyAnswer = 1;
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 0.0);
  Connect();
  ASSERT_TRUE(scanner.Connected);
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(services.calibration.EepromReads, 1);
  // Settle, the standby change, the init record.
  EXPECT_EQ(fake.waiter.GetRequests(), (std::vector<int64_t>{3000, 500, 500}));
  std::vector<int> standbyValues;
  for (const platform::UsbVendorRequest& r : emulator.Log()) {
    if (r.request == TScanner::kStandbyRequest) standbyValues.push_back(r.value);
  }
  // Asked (0), then told to leave (2); the stand-in answers 1 to both, so it still reports
  // standby, as a real instrument that refused would.
  EXPECT_EQ(standbyValues, (std::vector<int>{0, 2}));
  EXPECT_GE(emulator.Count(TScannerThreads::kSyncRequest), 1);
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), TCmdReply::UnsetTemperature);
}

TEST_F(ScannerLink, StartScanItemOutsideTheListDoesNothing) {
  Connect();
  ASSERT_TRUE(scanner.Connected);
  ASSERT_TRUE(scanner.ScanList.empty());
  scanner.StartScanItem(0);
  scanner.StartScanItem(-1);
  EXPECT_EQ(scanner.GetState(), TScanner::STOP);
  EXPECT_EQ(scanner.GetCurrentItem(), 0);
}

TEST_F(ScannerLink, RepliesAfterARebuildToFewerEntriesAreDropped) {
  TRange* first = new TRange(&scanner);
  TRange* second = new TRange(&scanner);
  for (TRange* r : {first, second}) {
    r->SetChangeNotify(true);
    Sweep(*r, 1000, 2000, 5);
  }
  Connect();
  ASSERT_EQ(scanner.ScanList.size(), 2u);
  scanner.StartScanItem(2);
  EXPECT_EQ(scanner.GetState(), TScanner::STOP);
  scanner.StartScanItem(1);
  EXPECT_EQ(scanner.GetState(), TScanner::MEAS);
  EXPECT_EQ(scanner.CurrentRange(), second);
  scanner.StopSweep();

  second->SetChangeNotify(false);
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  EXPECT_EQ(scanner.GetCurrentItem(), 1);
  EXPECT_EQ(scanner.CurrentRange(), nullptr);
  const TComplex before = first->GetPointData(0, 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Point(0, {0.5, 0.5}, {1, 0})), 0);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::End(false)), 0);
  EXPECT_EQ(first->GetPointData(0, 0), before);
  EXPECT_EQ(scanner.DecodeReply(TCmdReply::Temperature(100)), 0);
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 25.0);
}

TEST_F(ScannerLink, StopInBusWaitKeepsTheLinkAbortAndArmedListResynchronise) {
  Connect();
  ASSERT_TRUE(scanner.Connected);
  const int syncs = emulator.Count(TScannerThreads::kSyncRequest);

  // Bus trigger: WAIT with nothing queued.
  scanner.SetState(TScanner::WAIT);
  scanner.StopSweep();
  EXPECT_EQ(scanner.GetState(), TScanner::STOP);
  EXPECT_EQ(emulator.Count(TScannerThreads::kSyncRequest), syncs);

  // Abort resynchronises in any state.
  scanner.AbortSweep();
  EXPECT_EQ(emulator.Count(TScannerThreads::kSyncRequest), syncs + 1);
  EXPECT_EQ(scanner.GetState(), TScanner::STOP);

  // An armed list is held by the instrument in WAIT: stopping takes it back.
  scanner.ArmExternalTrigger();
  EXPECT_EQ(scanner.GetState(), TScanner::WAIT);
  EXPECT_TRUE(scanner.IsExternalArmed());
  scanner.StopSweep();
  EXPECT_EQ(scanner.GetState(), TScanner::STOP);
  EXPECT_FALSE(scanner.IsExternalArmed());
  EXPECT_EQ(emulator.Count(TScannerThreads::kSyncRequest), syncs + 2);

  // MEAS stops with a resynchronisation.
  scanner.SetState(TScanner::MEAS);
  scanner.StopSweep();
  EXPECT_EQ(emulator.Count(TScannerThreads::kSyncRequest), syncs + 3);
}

TEST_F(ScannerLink, MemoryRequestsSplitTheAddressAndStopWithTheLink) {
  Connect();
  ASSERT_TRUE(scanner.Connected);
  uint8_t buffer[4] = {};
  EXPECT_EQ(scanner.ReadDeviceMemory(0x00123456, 4, buffer), 4);
  EXPECT_EQ(buffer[3], 0x56);
  const uint8_t out[3] = {1, 2, 3};
  EXPECT_EQ(scanner.WriteDeviceMemory(0x00AB0010, 3, out), 3);
  std::vector<platform::UsbVendorRequest> memory;
  for (const platform::UsbVendorRequest& r : emulator.Log()) {
    if (r.request == TScanner::kReadMemoryRequest || r.request == TScanner::kWriteMemoryRequest) memory.push_back(r);
  }
  ASSERT_EQ(memory.size(), 2u);
  EXPECT_TRUE(memory[0].deviceToHost);
  EXPECT_EQ(memory[0].value, 0x3456);
  EXPECT_EQ(memory[0].index, 0x0012);
  EXPECT_EQ(memory[0].length, 4);
  EXPECT_FALSE(memory[1].deviceToHost);
  EXPECT_EQ(memory[1].value, 0x0010);
  EXPECT_EQ(memory[1].index, 0x00AB);

  // A link that ended: nothing is asked, 0 bytes.
  scanner.GetLink()->LinkError("unplugged");
  EXPECT_FALSE(scanner.Connected);
  EXPECT_EQ(disconnects, 1);
  EXPECT_NE(scanner.GetLink(), nullptr) << "the link stays for the next notice";
  EXPECT_EQ(scanner.ReadDeviceMemory(0x10, 4, buffer), 0);
  EXPECT_EQ(scanner.WriteDeviceMemory(0x10, 3, out), 0);
  size_t after = 0;
  for (const platform::UsbVendorRequest& r : emulator.Log()) {
    after += (r.request == TScanner::kReadMemoryRequest || r.request == TScanner::kWriteMemoryRequest) ? 1 : 0;
  }
  EXPECT_EQ(after, 2u);
  EXPECT_DOUBLE_EQ(scanner.GetTemperature(), 0.0);
}

TEST_F(ScannerLink, LinkLostDuringTheSettleWaitEndsTheSequence) {
  bool cut = false;
  fake.waiter.OnStep = [&] {
    if (!cut && fake.waiter.GetWaitedMs() >= 1000 && scanner.GetLink()) {
      cut = true;
      scanner.GetLink()->LinkError("gone");
    }
  };
  Connect();
  EXPECT_TRUE(cut);
  EXPECT_FALSE(scanner.Connected);
  EXPECT_EQ(connects, 0);
  EXPECT_EQ(disconnects, 1);
  EXPECT_EQ(fake.waiter.GetRequests(), (std::vector<int64_t>{3000})) << "no standby or init wait after the loss";
  EXPECT_LT(fake.waiter.GetWaitedMs(), 3000);
  EXPECT_EQ(emulator.Count(TScanner::kStandbyRequest), 0);
}

TEST_F(ScannerLink, LinkStaysAfterAnErrorAndConnectsAgain) {
  Connect();
  ASSERT_TRUE(scanner.Connected);
  TScannerThreads* link = scanner.GetLink();
  link->LinkError("unplugged");
  EXPECT_FALSE(scanner.Connected);
  EXPECT_EQ(scanner.GetLink(), link);
  scanner.Connect();  // as the next device-change notice does
  EXPECT_TRUE(scanner.Connected);
  EXPECT_EQ(scanner.GetLink(), link);
  EXPECT_EQ(connects, 2);
  EXPECT_EQ(disconnects, 1);
}

TEST_F(ScannerLink, DisconnectFromAnEventHandlerKeepsTheLinkUntilCalledOutside) {
  scanner.OnConnect = [this](TFObject*) {
    ++connects;
    scanner.Disconnect();
  };
  Connect();
  EXPECT_EQ(connects, 1);
  EXPECT_FALSE(scanner.Connected);
  EXPECT_EQ(disconnects, 1);
  ASSERT_NE(scanner.GetLink(), nullptr) << "not destroyed under its own handler";
  EXPECT_FALSE(scanner.GetLink()->IsConnected());
  scanner.Disconnect();
  EXPECT_EQ(scanner.GetLink(), nullptr);
  EXPECT_EQ(disconnects, 1);
}

TEST_F(ScannerLink, PowerMeterModeStepsOnePointPerPassThenEndsTheSweep) {
  auto* range = new TRange(&scanner);
  range->SetChangeNotify(true);
  Sweep(*range, 1000, 3000, 3);
  range->SetPowerMeterMode(true);
  ASSERT_TRUE(range->PowerMeterMode);
  // The channel window's reaction to a resweep: rebuild the entry (now the next point) and
  // measure it.
  int resweeps = 0, channelSweeps = 0, sweepsDone = 0;
  range->OnResweep = [&](TFObject*) {
    ++resweeps;
    scanner.BuildScanItem(scanner.ScanList[0]);
    scanner.StartScanItem(0);
  };
  range->OnSweepDone = [&](TFObject*) { ++channelSweeps; };
  scanner.OnSweepDone = [&](TFObject*) { ++sweepsDone; };
  Connect();
  ASSERT_TRUE(scanner.Connected);
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  scanner.StartScanItem(0);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (sweepsDone == 0 && std::chrono::steady_clock::now() < end) {
    fake.ui.runPending();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ASSERT_EQ(sweepsDone, 1);
  EXPECT_EQ(channelSweeps, 1);
  EXPECT_EQ(resweeps, 2);
  EXPECT_EQ(services.meter.Asked, (std::vector<double>{range->GetPointFrequency(0), range->GetPointFrequency(1),
                                                       range->GetPointFrequency(2)}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(range->GetPointPowerReading(i), -10.0 - range->GetPointFrequency(i) / 1000.0) << i;
  }
  EXPECT_EQ(range->PowerMeterPoint, 0) << "back to the first point for the next sweep";
  EXPECT_EQ(scanner.GetState(), TScanner::STOP);
}

class ScannerDemo : public ScannerLink {
 protected:
  ScannerDemo() : ScannerLink(true) {}
};

TEST_F(ScannerDemo, StandbyIsTheEnginesOwnFieldAndTakes500Ms) {
  EXPECT_TRUE(scanner.GetStandby()) << "standby until the instrument is told otherwise";
  EXPECT_FALSE(scanner.QueryStandby()) << "not connected";
  Connect();
  ASSERT_TRUE(scanner.Connected);
  EXPECT_EQ(connects, 1);
  EXPECT_FALSE(scanner.GetStandby());
  // No init wait in demonstration mode, no factory data either.
  EXPECT_EQ(fake.waiter.GetRequests(), (std::vector<int64_t>{3000, 500}));
  EXPECT_EQ(services.calibration.EepromReads, 1) << "the module itself skips demonstration mode";

  scanner.SetState(TScanner::MEAS);
  const int before = changes;
  const int64_t waited = fake.waiter.GetWaitedMs();
  scanner.SetStandby(true);
  EXPECT_TRUE(scanner.GetStandby());
  EXPECT_TRUE(scanner.QueryStandby());
  EXPECT_EQ(scanner.GetState(), TScanner::STOP) << "entering standby stops the sweep";
  EXPECT_EQ(fake.waiter.GetWaitedMs() - waited, 500);
  EXPECT_EQ(changes - before, 2);  // the state, then the standby change
  EXPECT_EQ(emulator.Count(TScanner::kStandbyRequest), 0);
}

TEST_F(ScannerDemo, StandbyCalledInsideAWaitReturnsAtOnce) {
  int calls = 0;
  fake.waiter.OnStep = [&] {
    if (fake.waiter.GetWaitCount() == 1 && calls == 0) {
      ++calls;
      scanner.SetStandby(false);  // e.g. the standby key pressed while the instrument settles
    }
  };
  Connect();
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(scanner.Connected);
  // The nested call neither waited nor changed anything; the sequence itself then left standby.
  EXPECT_EQ(fake.waiter.GetRequests(), (std::vector<int64_t>{3000, 500}));
  EXPECT_FALSE(scanner.GetStandby());
}

}  // namespace
