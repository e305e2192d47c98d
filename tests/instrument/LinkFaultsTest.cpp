#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "instrument/InThread.h"
#include "instrument/OutThread.h"
#include "instrument/ReplyCutter.h"
#include "instrument/ScannerThreads.h"
#include "LinkTestSupport.h"
#include "platform/LockFile.h"
#include "platform/UsbTestBackend.h"

using linktest::ManualUi;
using linktest::Recorder;

namespace {

constexpr platform::UsbDeviceIds kRunningK30{0x2226, 0x0018, 0x0101};
constexpr platform::UsbDeviceIds kLoaderK30{0x2226, 0x0018, 0x0100};

std::vector<uint8_t> Bytes(const std::vector<TCmdReply>& replies) {
  std::vector<uint8_t> out;
  for (const TCmdReply& r : replies) out.insert(out.end(), r.Bytes().begin(), r.Bytes().end());
  return out;
}

std::vector<TCmdRequest> Points(int n) {
  std::vector<TCmdRequest> list;
  for (int i = 0; i < n; ++i) list.push_back(TCmdRequest::Point(static_cast<uint16_t>(i)));
  return list;
}

// A running instrument on a fake back end, with a link and its recorder.
struct Rig {
  ManualUi m;
  usbtest::FakeUsbBackend fake;
  platform::ScopedUsbBackend scoped{fake};
  Recorder rec;
  std::unique_ptr<TScannerThreads> link;

  explicit Rig(int devices = 1, platform::UsbDeviceIds ids = kRunningK30) {
    for (int i = 0; i < devices; ++i) fake.devices.push_back({ids, "fake-usb-" + std::string(1, char('0' + i))});
    link = std::make_unique<TScannerThreads>();
    rec.attach(*link);
  }
  // The link ended by itself: one error, one disconnect, threads joined, device let go.
  void expectEndedOnce() {
    EXPECT_EQ(rec.error, 1);
    EXPECT_EQ(rec.disconnected, 1);
    EXPECT_FALSE(link->IsConnected());
    EXPECT_EQ(link->GetReader(), nullptr);
    EXPECT_EQ(link->GetWriter(), nullptr);
    EXPECT_EQ(fake.openHandleCount(), 0) << "control, reader and writer handles closed";
    platform::LockFile lock(fake.devices[0].lockName);
    EXPECT_TRUE(lock.tryLock()) << "the device's lock is released";
  }
};

}  // namespace

// ---- Reader pieces ------------------------------------------------------------------------------

TEST(ReplyCutter, RecordsComeOutWholeWhateverTheReadSizes) {
  std::vector<TCmdReply> sent;
  for (int i = 0; i < 20; ++i) sent.push_back(TCmdReply::Point(static_cast<uint16_t>(i), {i * 1.0, -i * 1.0}, {1, 0}));
  std::vector<uint8_t> stream = Bytes(sent);
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round) {
    TReplyCutter cutter;
    std::vector<TCmdReply> got;
    size_t pos = 0;
    while (pos < stream.size()) {
      size_t n = std::min<size_t>(stream.size() - pos, rng() % 80);  // 0-byte reads too
      cutter.Feed(stream.data() + pos, n, got);
      pos += n;
    }
    EXPECT_EQ(got, sent);
    EXPECT_EQ(cutter.Pending(), 0u);
  }
}

TEST(ReplyCutter, FuzzWithTheDecoderNeverReadsPastARecord) {
  std::mt19937 rng(9);
  for (int round = 0; round < 500; ++round) {
    std::vector<uint8_t> junk(rng() % 300);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    TReplyCutter cutter;
    std::vector<TCmdReply> got;
    size_t pos = 0;
    while (pos < junk.size()) {
      size_t n = std::min<size_t>(junk.size() - pos, 1 + rng() % 64);
      cutter.Feed(junk.data() + pos, n, got);
      pos += n;
    }
    ASSERT_EQ(got.size(), junk.size() / TCmdReply::Size);
    EXPECT_EQ(cutter.Pending(), junk.size() % TCmdReply::Size);
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_TRUE(std::equal(got[i].Bytes().begin(), got[i].Bytes().end(), junk.begin() + static_cast<long>(i * 32)));
      // Every decoder answers from the record alone, whatever it holds.
      (void)got[i].Classify(201);
      (void)got[i].GetMeasuredWave();
      (void)got[i].GetReferenceWave();
      (void)got[i].HasFiniteReadings();
      (void)got[i].GetTemperature();
      (void)got[i].IsBeepRequest();
    }
  }
  TReplyCutter cutter;
  std::vector<TCmdReply> got;
  cutter.Feed(nullptr, 10, got);
  EXPECT_TRUE(got.empty());
}

TEST(InThread, DiscardDropsEverythingUntilTheEchoOfTheCurrentCounter) {
  TInThread reader("Ezusb-0", [](TLinkMessage, const std::string&) {});
  ASSERT_FALSE(reader.TakeBytes(nullptr, 0));
  EXPECT_TRUE(reader.TakeBytes(Bytes({TCmdReply::Point(0, {1, 0}, {1, 0})}).data(), 32));
  uint16_t first = reader.BeginDiscard();
  EXPECT_EQ(first, 1);
  {
    std::lock_guard<std::mutex> lock(reader.GetLock());
    EXPECT_TRUE(reader.GetReplyQueue().empty()) << "BeginDiscard empties the queue";
  }
  uint16_t counter = reader.BeginDiscard();  // a second Sync before the first echo
  EXPECT_EQ(counter, 2);
  auto stream = Bytes({TCmdReply::Point(5, {1, 0}, {1, 0}), TCmdReply::SyncEcho(first),  // older echo
                       TCmdReply::Point(6, {1, 0}, {1, 0}), TCmdReply::SyncEcho(counter),
                       TCmdReply::Point(0, {2, 0}, {1, 0})});
  // Split mid-record to show the cutter and the discard working together.
  EXPECT_FALSE(reader.TakeBytes(stream.data(), 70));
  EXPECT_TRUE(reader.IsDiscarding());
  EXPECT_TRUE(reader.TakeBytes(stream.data() + 70, stream.size() - 70));
  EXPECT_FALSE(reader.IsDiscarding());
  std::lock_guard<std::mutex> lock(reader.GetLock());
  ASSERT_EQ(reader.GetReplyQueue().size(), 1u);
  EXPECT_EQ(reader.GetReplyQueue().front().GetCode(), 0);
}

TEST(InThread, SyncCountersWrapAsSixteenBitValues) {
  TInThread reader("Ezusb-0", [](TLinkMessage, const std::string&) {});
  uint16_t c = 0;
  for (int i = 0; i < 65536; ++i) c = reader.BeginDiscard();
  EXPECT_EQ(c, 0);  // wrapped
  auto stream = Bytes({TCmdReply::SyncEcho(0), TCmdReply::Point(1, {1, 0}, {1, 0})});
  EXPECT_TRUE(reader.TakeBytes(stream.data(), stream.size()));
  EXPECT_FALSE(reader.IsDiscarding());
}

// ---- The link on a failing back end -------------------------------------------------------------

TEST(LinkFaults, TwoFailedReadsEndTheLinkOnce) {
  Rig r;
  r.fake.failReads = 2;
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  EXPECT_EQ(r.rec.connected, 1);
  r.m.pumpUntil([&] { return r.rec.error > 0; });
  r.expectEndedOnce();
  EXPECT_EQ(r.link->GetLinkError(), "read failed");
  // Whatever the threads posted before they stopped does nothing now.
  r.m.ui.runPending();
  EXPECT_EQ(r.rec.error, 1);
  EXPECT_EQ(r.rec.disconnected, 1);
  EXPECT_EQ(r.rec.data, 0);
}

TEST(LinkFaults, OneFailedReadIsTriedAgain) {
  Rig r;
  r.fake.failReads = 1;
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  r.fake.queueRead(Bytes({TCmdReply::Point(0, {1, 0}, {1, 0})}));
  r.m.pumpUntil([&] { return r.rec.data > 0; });
  EXPECT_EQ(r.rec.error, 0);
  EXPECT_TRUE(r.link->IsConnected());
}

TEST(LinkFaults, TwoFailedWritesEndTheLinkOnce) {
  Rig r;
  r.fake.failWrites = 2;
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  r.link->QueueCommands(Points(3));
  r.m.pumpUntil([&] { return r.rec.error > 0; });
  r.expectEndedOnce();
  r.m.ui.runPending();
  EXPECT_EQ(r.rec.error, 1);
}

TEST(LinkFaults, OneFailedVendorRequestEndsTheLink) {
  for (bool timeout : {false, true}) {
    Rig r;
    r.link->Connect();
    ASSERT_TRUE(r.link->IsConnected());
    if (timeout) {
      r.fake.vendorTimesOut = true;  // the 2 s control time-out ran out
    } else {
      r.fake.failVendor = 1;
    }
    EXPECT_FALSE(r.link->VendorWrite(18, 1, 0, nullptr, 0));
    r.expectEndedOnce();
    EXPECT_FALSE(r.link->VendorWrite(18, 1, 0, nullptr, 0)) << "not connected any more";
    EXPECT_EQ(r.rec.error, 1);
  }
}

TEST(LinkFaults, FailedSyncRequestEndsTheLink) {
  Rig r;
  r.link->Connect();
  r.fake.failVendor = 1;
  r.link->Sync();
  r.expectEndedOnce();
}

TEST(LinkFaults, TransfersThatNeverCompleteStillDisconnect) {
  Rig r;
  r.fake.hang = true;
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  r.link->QueueCommands(Points(1000));
  r.fake.waitUntil([&] { return r.fake.writeCalls > 0 && r.fake.readCalls > 0; });
  r.link->Disconnect();
  EXPECT_EQ(r.rec.disconnected, 1);
  EXPECT_EQ(r.rec.error, 0) << "a slice running out is no failure";
  EXPECT_EQ(r.link->GetReader(), nullptr);
  EXPECT_EQ(r.fake.openHandleCount(), 0);
  // And destruction of a link whose device hangs returns too.
  r.fake.hang = true;
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  r.link->QueueCommands(Points(10));
  r.link.reset();
  EXPECT_EQ(r.fake.openHandleCount(), 0);
}

TEST(LinkFaults, HeldLockMakesDiscoveryTakeTheNextDevice) {
  Rig r(2);
  platform::LockFile held(r.fake.devices[0].lockName);
  ASSERT_TRUE(held.tryLock());
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  EXPECT_EQ(r.link->GetDeviceName(), "Ezusb-1");
  EXPECT_EQ(r.fake.openedIndices.front(), 1) << "index 0 is not even opened";
  EXPECT_NE(r.link->GetDiscoveryProblems().find("Ezusb-0"), std::string::npos) << r.link->GetDiscoveryProblems();
  r.link->Disconnect();
  held.release();
  r.link->Connect();
  EXPECT_EQ(r.link->GetDeviceName(), "Ezusb-0");
}

TEST(LinkFaults, DiscoveryKeepsReadableReasons) {
  {
    Rig r(0);
    r.fake.reasonText = "No permission to open the device: install the udev rule";
    std::vector<std::string> logged;
    r.link->Log = [&](const std::string& why) { logged.push_back(why); };
    r.link->Connect();
    r.link->Connect();
    EXPECT_FALSE(r.link->IsConnected());
    EXPECT_EQ(r.link->GetDiscoveryProblems(), r.fake.reasonText);
    EXPECT_EQ(logged.size(), 1u) << "a reason is logged once";
  }
  {
    Rig r(1);
    r.fake.devices[0].checkFails = true;
    r.link->Connect();
    EXPECT_NE(r.link->GetDiscoveryProblems().find("does not answer"), std::string::npos);
    EXPECT_EQ(r.fake.openHandleCount(), 0);
  }
  {
    // A device of another kind (the calibration module) is let go without a word.
    Rig r(1, {0x2226, 0x000C, 0x0001});
    r.link->Connect();
    EXPECT_FALSE(r.link->IsConnected());
    EXPECT_EQ(r.fake.openHandleCount(), 0);
    platform::LockFile lock(r.fake.devices[0].lockName);
    EXPECT_TRUE(lock.tryLock());
  }
}

TEST(LinkFaults, StandInFirmwareIsNotSentToARealInstrument) {
  Rig r(1, kLoaderK30);
  r.link->Connect();
  EXPECT_FALSE(r.link->IsConnected());
  EXPECT_EQ(r.rec.progress, 1);
  EXPECT_TRUE(r.fake.vendorCalls.empty());
  EXPECT_NE(r.link->GetDiscoveryProblems().find("blackfin.ldr"), std::string::npos) << r.link->GetDiscoveryProblems();
  EXPECT_EQ(r.fake.openHandleCount(), 0) << "the device stays in its loader state, let go";
}

TEST(LinkFaults, CommandsQueuedWhileNotConnectedAreDropped) {
  Rig r;
  r.link->QueueCommands(Points(5));
  r.link->Connect();
  ASSERT_TRUE(r.link->IsConnected());
  r.link->QueueCommands({TCmdRequest::Init()});
  r.fake.waitUntil([&] { return r.fake.written.size() >= 32; });
  r.link->Disconnect();
  EXPECT_EQ(r.fake.written.size(), 32u);
  EXPECT_EQ(TCmdRequest::ReadFrom(r.fake.written.data()).GetCode(), TCmdRequest::InitCode);
  r.link->QueueCommands(Points(5));  // after disconnecting: dropped too
  EXPECT_EQ(r.fake.written.size(), 32u);
}

TEST(LinkFaults, WriterWalksItsBufferWhenSlicesRunOut) {
  Rig r;
  r.fake.writeSliceBytes = 40;  // the device takes a record and a bit per slice
  r.link->Connect();
  std::vector<TCmdRequest> list = Points(205);
  r.link->QueueCommands(list);
  r.fake.waitUntil([&] { return r.fake.written.size() >= 205 * 32; });
  r.link->Disconnect();
  ASSERT_EQ(r.fake.written.size(), 205u * 32);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(TCmdRequest::ReadFrom(r.fake.written.data() + i * 32), list[i]);
  EXPECT_EQ(r.rec.error, 0);
}

TEST(LinkFaults, WriterDropsItsListWithoutRetryWhenSyncAborts) {
  Rig r;
  r.fake.hang = true;
  r.fake.abortedWritesFail = true;  // the abort surfaces as a failed write
  r.link->Connect();
  r.link->QueueCommands(Points(100));
  r.fake.waitUntil([&] { return r.fake.writeCalls > 0; });
  {
    auto lock = r.fake.lock();
    r.fake.hang = false;  // from now on writes go through
  }
  r.link->Sync();
  r.fake.waitUntil([&] { return r.fake.written.size() >= 32; });
  r.link->Disconnect();
  ASSERT_EQ(r.fake.written.size(), 32u) << "no retry of the aborted list";
  TCmdRequest sent = TCmdRequest::ReadFrom(r.fake.written.data());
  EXPECT_EQ(sent.GetCode(), TCmdRequest::SyncCode);
  EXPECT_EQ(sent.GetSyncCounter(), 1);
  EXPECT_EQ(r.rec.error, 0);
  ASSERT_FALSE(r.fake.vendorCalls.empty());
  EXPECT_EQ(r.fake.vendorCalls.back().request, TScannerThreads::kSyncRequest);
  EXPECT_EQ(r.fake.vendorCalls.back().value, 1);
}

TEST(LinkFaults, LatePostAfterDestructionDoesNothing) {
  ManualUi m;
  usbtest::FakeUsbBackend fake;
  platform::ScopedUsbBackend scoped(fake);
  fake.devices.push_back({kRunningK30, "fake-late"});
  int data = 0;
  {
    TScannerThreads link;
    link.Log = [](const std::string&) {};
    link.SetDataHandler([&] { ++data; });
    link.Connect();
    fake.queueRead(Bytes({TCmdReply::Point(0, {1, 0}, {1, 0})}));
    // Wait until the reader has posted its notice, then destroy the link before it runs.
    while (m.ui.pendingCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  m.ui.runPending();
  EXPECT_EQ(data, 0);
}

TEST(LinkFaults, DisconnectWhenNotConnectedCallsNoHandler) {
  Rig r;
  r.link->Disconnect();
  r.link->LinkError("nothing");
  EXPECT_EQ(r.rec.disconnected + r.rec.error, 0);
  EXPECT_FALSE(r.link->LockReplies());
}

TEST(LinkFaults, RepliesWaitingIsPostedOnceUntilTaken) {
  Rig r;
  r.link->Connect();
  std::vector<uint16_t> codes;
  r.link->SetDataHandler([&] {
    ++r.rec.data;
    if (!r.link->LockReplies()) return;
    for (const TCmdReply& reply : r.link->GetReplyQueue()) codes.push_back(reply.GetCode());
    r.link->ReleaseReplies();
  });
  for (uint16_t i = 0; i < 10; ++i) r.fake.queueRead(Bytes({TCmdReply::Point(i, {1, 0}, {1, 0})}));
  r.fake.waitUntil([&] { return r.fake.readCalls >= 11; });
  EXPECT_LE(r.m.ui.pendingCount(), 1u) << "one notice while none is taken";
  r.m.pumpUntil([&] { return codes.size() == 10; });
  for (uint16_t i = 0; i < 10; ++i) EXPECT_EQ(codes[i], i);
  // A handler that ends the link while it holds the replies does not hang the reader.
  r.link->SetDataHandler([&] {
    if (r.link->LockReplies()) r.link->Disconnect();
  });
  r.fake.queueRead(Bytes({TCmdReply::Point(0, {1, 0}, {1, 0})}));
  r.m.pumpUntil([&] { return !r.link->IsConnected(); });
  EXPECT_EQ(r.fake.openHandleCount(), 0);
}

// ---- Discovery looks at the listed ids before it touches a device -------------------------------

TEST(DiscoveryIds, DevicesOfAnotherKindAreNeverOpened) {
  const platform::UsbDeviceIds otherKind{0x2226, 0x000C, 0x0001};  // e.g. the calibration module
  const platform::UsbDeviceIds otherMaker{0x04B4, 0x8613, 0x0001};
  struct Case {
    std::vector<platform::UsbDeviceIds> devices;
    int expectedIndex;  // -1: nothing connects
  };
  const Case cases[] = {
      {{otherKind, kRunningK30}, 1},
      {{otherMaker, otherKind, kRunningK30}, 2},
      {{otherKind, otherMaker}, -1},
      {{kRunningK30, otherKind}, 0},
  };
  for (const Case& c : cases) {
    Rig r(0);
    for (size_t i = 0; i < c.devices.size(); ++i) {
      r.fake.devices.push_back({c.devices[i], "fake-ids-" + std::to_string(i)});
    }
    r.link->Connect();
    EXPECT_EQ(r.link->IsConnected(), c.expectedIndex >= 0);
    for (int opened : r.fake.openedIndices) {
      EXPECT_EQ(opened, c.expectedIndex) << "only the matching device is opened";
    }
    if (c.expectedIndex >= 0) {
      EXPECT_EQ(r.link->GetDeviceName(), "Ezusb-" + std::to_string(c.expectedIndex));
    } else {
      EXPECT_TRUE(r.fake.openedIndices.empty());
    }
    r.link->Disconnect();
  }
}

TEST(DiscoveryIds, LoaderDeviceIsOpenedForItsUploadOnly) {
  Rig r(0);
  r.fake.devices.push_back({{0x2226, 0x000C, 0x0001}, "fake-ids-cal"});
  r.fake.devices.push_back({kLoaderK30, "fake-ids-loader"});
  r.link->Connect();
  EXPECT_FALSE(r.link->IsConnected());
  ASSERT_FALSE(r.fake.openedIndices.empty());
  for (int opened : r.fake.openedIndices) EXPECT_EQ(opened, 1);
  EXPECT_EQ(r.fake.openHandleCount(), 0);
}

// ---- Resynchronisation after a slip of the record boundaries -----------------------------------

// n stray bytes shift the stream; the restart's marker echo then sits at a byte offset that is
// not a record start, and may arrive after more stray bytes. The reader finds it anyway and
// the records behind it come out whole, whatever the read sizes.
TEST(ReplyResyncReader, TheEchoIsFoundAtEveryByteOffset) {
  for (size_t stray = 1; stray < TCmdReply::Size; ++stray) {
    for (size_t readSize : {size_t{1}, size_t{7}, size_t{32}, size_t{4096}}) {
      SCOPED_TRACE(testing::Message() << stray << " stray bytes, reads of " << readSize);
      TInThread reader("Ezusb-0", [](TLinkMessage, const std::string&) {});
      auto feed = [&](const std::vector<uint8_t>& bytes) {
        for (size_t pos = 0; pos < bytes.size(); pos += readSize) {
          reader.TakeBytes(bytes.data() + pos, std::min(readSize, bytes.size() - pos));
        }
      };
      // A sweep hit by the stray bytes: everything after them is misread.
      std::vector<uint8_t> before = Bytes({TCmdReply::Point(0, {1, 0}, {1, 0})});
      before.insert(before.end(), stray, 0xA5);
      std::vector<uint8_t> shifted = Bytes({TCmdReply::Point(1, {1, 0}, {1, 0}), TCmdReply::End(false)});
      before.insert(before.end(), shifted.begin(), shifted.end());
      feed(before);
      const uint16_t counter = reader.BeginDiscard();
      // What the instrument still had in flight, more stray bytes, then the echo and a sweep.
      std::vector<uint8_t> after = Bytes({TCmdReply::Point(2, {1, 0}, {1, 0}), TCmdReply::SyncEcho(counter - 1)});
      after.insert(after.end(), stray, 0xA5);
      const std::vector<TCmdReply> sweep = {TCmdReply::Point(0, {0.5, 0.25}, {1, 0}),
                                            TCmdReply::Point(1, {-0.5, 0.125}, {1, 0}), TCmdReply::End(false)};
      std::vector<uint8_t> tail = Bytes({TCmdReply::SyncEcho(counter)});
      std::vector<uint8_t> sweepBytes = Bytes(sweep);
      tail.insert(tail.end(), sweepBytes.begin(), sweepBytes.end());
      after.insert(after.end(), tail.begin(), tail.end());
      feed(after);
      EXPECT_FALSE(reader.IsDiscarding());
      std::lock_guard<std::mutex> lock(reader.GetLock());
      const std::vector<TCmdReply> got(reader.GetReplyQueue().begin(), reader.GetReplyQueue().end());
      EXPECT_EQ(got, sweep);
    }
  }
}
