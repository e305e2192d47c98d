#include "instrument/PowerMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/instrument/ScannerSupport.h"
#include "tests/instrument/FakePowerDrivers.h"

namespace {

// The meter over the fake drivers, with a fake clock and the manual waiter.
struct PowerMeterFake : ::testing::Test {
  scannertest::TFakeUi fakeUi;
  FakePowerDrivers drivers;
  TPowerMeter::TDriverSource savedSource = TPowerMeter::DriverSource;
  TPowerMeter meter;
  std::vector<std::string> events;  // status text at every OnChange

  PowerMeterFake() {
    TPowerMeter::DriverSource = [this](int, TPowerMeter::TDrivers& d, std::string&) {
      d.Sensor = &drivers;
      d.Gpib = &drivers;
      return true;
    };
    meter.OnChange = [this](TPowerMeter* sender) {
      EXPECT_EQ(sender, &meter);
      events.push_back(sender->StatusText);
    };
  }
  ~PowerMeterFake() override { TPowerMeter::DriverSource = savedSource; }

  void UseGpib() {
    meter.SetModel(1);
    events.clear();
  }
};

TEST_F(PowerMeterFake, SettersClampAndAreIgnoredWhileConnected) {
  meter.SetGpibAddress(40);
  EXPECT_EQ(meter.GpibAddress, 31);
  meter.SetGpibAddress(-1);
  EXPECT_EQ(meter.GpibAddress, 0);
  meter.SetGpibBoard(9);
  EXPECT_EQ(meter.GpibBoard, 7);
  meter.SetModel(5);
  EXPECT_EQ(meter.Model, 1);
  EXPECT_EQ(meter.GetModelText(), "R&S NRVS");
  EXPECT_EQ(events.size(), 4u);
  meter.SetGpibAddress(0);  // unchanged: no event
  EXPECT_EQ(events.size(), 4u);

  ASSERT_TRUE(meter.Connect());
  events.clear();
  meter.SetGpibAddress(12);
  meter.SetModel(0);
  meter.SetGpibBoard(1);
  EXPECT_EQ(meter.GpibAddress, 0);
  EXPECT_EQ(meter.Model, 1);
  EXPECT_EQ(meter.GpibBoard, 7);
  EXPECT_TRUE(events.empty());
}

TEST_F(PowerMeterFake, StateTable) {
  EXPECT_EQ(meter.StatusText, "Not Ready");
  ASSERT_TRUE(meter.Connect());
  EXPECT_EQ(meter.GetState(), IPowerMeter::Ready);
  EXPECT_EQ((std::vector<std::string>{"Connecting", "Ready"}), events);
  events.clear();
  EXPECT_TRUE(meter.Connect());  // already ready: nothing fires
  EXPECT_TRUE(events.empty());
  meter.Disconnect();
  EXPECT_EQ(meter.GetState(), IPowerMeter::NotReady);
  EXPECT_EQ((std::vector<std::string>{"Not Ready"}), events);
  events.clear();
  meter.Disconnect();  // not ready: nothing
  EXPECT_TRUE(events.empty());

  drivers.Status["Init"] = -1;
  EXPECT_FALSE(meter.Connect());
  EXPECT_EQ((std::vector<std::string>{"Connecting", "Not Ready"}), events);
  EXPECT_TRUE(drivers.OpenHandles.empty());

  drivers.Status["Init"] = 5;  // a warning still connects
  EXPECT_TRUE(meter.Connect());
  meter.Disconnect();

  drivers.Status["MeassFetchMeasurement"] = -3;
  ASSERT_TRUE(meter.Connect());
  events.clear();
  double w = 0;
  EXPECT_FALSE(meter.Measure(w, 1000));
  EXPECT_EQ(meter.GetState(), IPowerMeter::NotReady);
  EXPECT_EQ((std::vector<std::string>{"Not Ready"}), events);
  EXPECT_TRUE(drivers.OpenHandles.empty());
}

TEST_F(PowerMeterFake, SensorConnectFailuresCloseWhatOpened) {
  for (const char* call : {"ChanInfo", "AvgConfigureAvgAuto"}) {
    FakePowerDrivers fresh;
    drivers.Status.clear();
    drivers.Status[call] = -7;
    EXPECT_FALSE(meter.Connect()) << call;
    EXPECT_TRUE(drivers.OpenHandles.empty()) << call;
  }
  EXPECT_EQ(drivers.Resource, "USB::0x0aad::*::*");
  EXPECT_EQ(drivers.ClosedUnopened, 0);
}

TEST_F(PowerMeterFake, SensorFrequencyIsClampedToItsRange) {
  const struct { double mhz, hz; } cases[] = {{5, 1e7}, {20000, 1.8e10}, {1000, 1e9}};
  for (const auto& c : cases) {
    double w = 0;
    ASSERT_TRUE(meter.Measure(w, c.mhz));
    EXPECT_DOUBLE_EQ(drivers.CorrectionHz, c.hz) << c.mhz;
    EXPECT_DOUBLE_EQ(w, 1e-6);
  }
}

TEST_F(PowerMeterFake, SensorReadingTimesOutAfterSevenSeconds) {
  const struct { int64_t completeAt; bool ok; } cases[] = {{6980, true}, {6995, false}};
  for (const auto& c : cases) {
    fakeUi.clock.setMs(0);
    drivers.CompleteAtMs = c.completeAt;
    double w = 0;
    EXPECT_EQ(meter.Measure(w, 1000), c.ok) << c.completeAt;
  }
  EXPECT_TRUE(drivers.OpenHandles.size() <= 1u);
}

TEST_F(PowerMeterFake, GpibConnectReadingAndDisconnectBytes) {
  UseGpib();
  ASSERT_TRUE(meter.Connect());
  EXPECT_EQ(drivers.Resource, "GPIB0::7::INSTR");
  EXPECT_EQ((std::vector<std::string>{"SP\n", "C1\n", "W4\n", "N1\n", "A0\n", "U1\n", "KF1\n"}), drivers.Written);
  EXPECT_EQ(drivers.Attributes[0x3FFF001A], 5000u);
  drivers.Written.clear();
  double dbm = 0;
  ASSERT_TRUE(meter.MeasureDbm(dbm, 1000));
  EXPECT_NEAR(dbm, -30.0, 1e-12);
  EXPECT_EQ((std::vector<std::string>{"DF 1.000000e+09\n", "X1\n"}), drivers.Written);
  double w = 0;
  ASSERT_TRUE(meter.Measure(w, 1000));
  EXPECT_NEAR(w, 1e-6, 1e-18);
  meter.Disconnect();
  EXPECT_EQ((std::vector<uint16_t>{6}), drivers.RenModes);
  EXPECT_TRUE(drivers.OpenHandles.empty());
  EXPECT_EQ(drivers.ClosedUnopened, 0);
}

TEST_F(PowerMeterFake, GpibEveryNonZeroStatusFails) {
  UseGpib();
  for (const char* call : {"OpenDefaultRM", "Open", "Write:SP\n", "Read", "Write:KF1\n", "SetAttribute"}) {
    for (int32_t status : {-1, 1}) {
      drivers.Status.clear();
      drivers.Status[call] = status;
      EXPECT_FALSE(meter.Connect()) << call << status;
      EXPECT_TRUE(drivers.OpenHandles.empty()) << call << status;
    }
  }
  EXPECT_EQ(drivers.ClosedUnopened, 0);
}

TEST_F(PowerMeterFake, GpibGarbledRepliesFailTheReading) {
  UseGpib();
  const struct { std::string reply; bool ok; double dbm; } cases[] = {
      {"", false, 0},          {"   ", false, 0}, {"garbage", false, 0}, {"-30.00E+00\r\n", true, -30},
      {"1e999", false, 0},     {"nan", false, 0},  {"inf", false, 0},     {std::string(256, '7'), false, 0},
      {" +12.5 dBm", true, 12.5},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(meter.Connect());  // its own reply read first
    drivers.Replies = {c.reply};
    double dbm = 99;
    EXPECT_EQ(meter.MeasureDbm(dbm, 1000), c.ok) << c.reply;
    if (c.ok) {
      EXPECT_NEAR(dbm, c.dbm, 1e-9) << c.reply;
    }
  }
  drivers.ClaimExtra = 1000;  // a driver claiming more than it was asked for
  ASSERT_TRUE(meter.Connect());
  drivers.Replies = {std::string(256, '1')};
  double dbm = 0;
  EXPECT_FALSE(meter.MeasureDbm(dbm, 1000));
  EXPECT_LE(drivers.OpenHandles.size(), 2u);
}

TEST_F(PowerMeterFake, GpibReplyParserSurvivesRandomInput) {
  std::mt19937 rng(7);
  std::vector<unsigned char> bytes(300);
  for (int i = 0; i < 5000; ++i) {
    const uint32_t n = rng() % 257;
    for (uint32_t k = 0; k < n; ++k) bytes[k] = static_cast<unsigned char>("0123456789.eE+- \r\nx"[rng() % 19]);
    std::vector<unsigned char> exact(bytes.begin(), bytes.begin() + n);  // no slack past the count
    double dbm = 0;
    if (TPowerMeter::ParseGpibReply(exact.data(), n, dbm)) {
      EXPECT_TRUE(std::isfinite(dbm));
    }
  }
}

TEST_F(PowerMeterFake, GpibZeroingRefusesASignalAndSucceedsWithout) {
  UseGpib();
  drivers.Replies = {"-10.0\r\n"};  // the connect's SP reply is read first
  drivers.Replies.push_front("ok");
  EXPECT_FALSE(meter.Zero());
  EXPECT_EQ(meter.StatusText, "Error");
  EXPECT_EQ(meter.GetState(), IPowerMeter::NotReady);
  EXPECT_EQ(std::count(drivers.Written.begin(), drivers.Written.end(), "O1\n"), 0);
  EXPECT_TRUE(drivers.OpenHandles.empty());

  drivers.Written.clear();
  events.clear();
  const int waitsBefore = fakeUi.waiter.GetWaitCount();
  EXPECT_TRUE(meter.Zero());
  EXPECT_EQ(meter.StatusText, "Not Ready");
  EXPECT_EQ((std::vector<std::string>{"SP\n", "C1\n", "W4\n", "N1\n", "A0\n", "U1\n", "KF1\n", "AV3\n",
                                      "DF 1.000000e+09\n", "X1\n", "A0\n", "O1\n"}),
            drivers.Written);
  const auto& requests = fakeUi.waiter.GetRequests();
  EXPECT_EQ(fakeUi.waiter.GetWaitCount() - waitsBefore, 2);
  EXPECT_EQ(requests.back(), 7000);
  EXPECT_EQ((std::vector<std::string>{"Connecting", "Ready", "Zeroing", "Not Ready"}), events);
}

TEST_F(PowerMeterFake, SensorZeroingPollsAndTimesOut) {
  drivers.CompleteAtMs = 500;
  EXPECT_TRUE(meter.Zero());
  EXPECT_EQ(meter.StatusText, "Not Ready");
  fakeUi.clock.setMs(0);
  drivers.CompleteAtMs = 10005;
  EXPECT_FALSE(meter.Zero());
  EXPECT_EQ(meter.StatusText, "Error");
  EXPECT_TRUE(drivers.OpenHandles.empty());
}

TEST_F(PowerMeterFake, FailedMeasureThenAnotherLeavesAtMostOneHandle) {
  drivers.Status["ChansInitiate"] = -1;
  double w = 0;
  EXPECT_FALSE(meter.Measure(w, 100));
  EXPECT_FALSE(meter.Measure(w, 100));
  EXPECT_LE(drivers.OpenHandles.size(), 1u);
  EXPECT_EQ(drivers.ClosedUnopened, 0);
}

// A disconnect from a handler inside each wait ends the operation with no further driver call.
TEST_F(PowerMeterFake, DisconnectInsideAWaitFailsWithNoFurtherCall) {
  struct Case { int model; bool zero; };
  for (const Case c : {Case{0, false}, Case{1, false}, Case{0, true}, Case{1, true}}) {
    meter.SetModel(c.model);
    fakeUi.clock.setMs(0);
    drivers.CompleteAtMs = 1000000;
    size_t callsAtDisconnect = 0;
    bool nestedMeasure = true;
    fakeUi.waiter.OnStep = [&] {
      double w = 0;
      nestedMeasure = meter.Measure(w, 100);
      if (c.model == 1 && c.zero && drivers.Written.back() != "O1\n") return;  // the settle wait
      if (meter.GetState() == IPowerMeter::NotReady) return;
      meter.Disconnect();
      callsAtDisconnect = drivers.Calls.size();
    };
    double w = 0;
    const bool ok = c.zero ? meter.Zero() : meter.Measure(w, 100);
    fakeUi.waiter.OnStep = nullptr;
    EXPECT_FALSE(ok) << c.model << c.zero;
    EXPECT_FALSE(nestedMeasure) << c.model << c.zero;
    EXPECT_NE(callsAtDisconnect, 0u);
    EXPECT_EQ(drivers.Calls.size(), callsAtDisconnect) << c.model << c.zero;
    EXPECT_TRUE(drivers.OpenHandles.empty());
    EXPECT_EQ(drivers.CallsOnClosed, 0);
    EXPECT_EQ(drivers.ClosedUnopened, 0);
  }
}

}  // namespace
