// The 32-byte command and reply records: their byte layouts, the IF-bandwidth code, the delay
// ticks, the temperature, the band byte of the 14 GHz point record, and the reply decoder fed
// with truncated, oversized and random bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Services.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The record's 32 bytes, for comparison with a hand-laid expectation.
template <class Record>
Bytes Of(const Record& r) {
  return Bytes(r.Bytes().begin(), r.Bytes().end());
}

// 32 bytes: the given ones, then zeros.
Bytes Laid(std::initializer_list<int> head) {
  Bytes b(32, 0);
  size_t k = 0;
  for (int v : head) b[k++] = static_cast<uint8_t>(v);
  return b;
}

// ---- IF bandwidth -----------------------------------------------------------------------------

TEST(Records, IFBandwidthCodeWorkedValues) {
  struct Case {
    int32_t hz;
    uint16_t code;
  };
  const Case cases[] = {
      {0, 0x0000},      {-10, 0x0000},    {std::numeric_limits<int32_t>::min(), 0x0000},
      {1, 0x0001},      {5, 0x0005},      {9, 0x0009},  // exponent 0, mantissa n
      {10, 0x000A},     {15, 0x000F},     {30, 0x001E},    {99, 0x0063},
      {100, 0x010A},    {300, 0x011E},    {1000, 0x020A},  {3000, 0x021E},
      {10000, 0x030A},  {30000, 0x031E},  {100000, 0x040A},
      {994, 0x0163},    {995, 0x0164},    {999, 0x0164},  // halves round away from zero
      {1234, 0x020C},   {1250, 0x020D},   {1249, 0x020C},
      {std::numeric_limits<int32_t>::max(), 0x0815},
  };
  for (const Case& c : cases) EXPECT_EQ(IFBandwidthCode(c.hz), c.code) << c.hz;
}

TEST(Records, IFBandwidthReadsBackAsTheInstrumentSeesIt) {
  // Every bandwidth the channel offers reads back as itself, 1 to 9 Hz included.
  for (int32_t hz : {1, 2, 5, 9, 10, 15, 30, 100, 300, 1000, 3000, 10000, 30000}) {
    EXPECT_EQ(IFBandwidthFromCode(IFBandwidthCode(hz)), hz) << hz;
  }
  // Two significant digits survive: 1234 Hz travels as 1200 Hz.
  EXPECT_EQ(IFBandwidthFromCode(IFBandwidthCode(1234)), 1200);
  EXPECT_EQ(IFBandwidthFromCode(0), 0);
  EXPECT_EQ(IFBandwidthFromCode(0x0500), 0);  // a mantissa of 0 is nothing at any exponent
  // A corrupt code never reads as more than 10^7 Hz (0xFF05 would be 5 x 10^255).
  EXPECT_EQ(IFBandwidthFromCode(0xFF05), 1e7);
  EXPECT_EQ(IFBandwidthFromCode(0x06FF), 1e7);
  EXPECT_EQ(IFBandwidthFromCode(0x0601), 1e6);
}

// ---- Delay ticks ------------------------------------------------------------------------------

TEST(Records, DelayTicksWorkedValues) {
  EXPECT_EQ(DelayTicks(130, 0.0), 26);                  // the default measure delay
  EXPECT_EQ(BackScanDelayTicks(130, 1000, 0.0), 200);   // the default back-scan delay
  EXPECT_EQ(BackScanDelayTicks(2000, 1000, 0.0), 400);  // the larger of the two
  EXPECT_EQ(DelayTicks(130, 1.0), 26 + 200);
  EXPECT_EQ(DelayTicks(130, 0.5), 26 + 100);
  EXPECT_EQ(DelayTicks(130, 0.1), 26 + 20);
  EXPECT_EQ(DelayTicks(130, 0.05), 26 + 10);
  EXPECT_EQ(BackScanDelayTicks(130, 1000, 1.0), 400);
  EXPECT_EQ(DelayTicks(134, 0.0), 26);  // truncated toward zero
  EXPECT_EQ(DelayTicks(0, 0.0), 0);
  EXPECT_EQ(DelayTicks(-5, -1.0), 0);
  EXPECT_EQ(DelayTicks(130, std::nan("")), 26);
}

TEST(Records, DelayTicksSaturateInsteadOfWrapping) {
  // 10000 us (2000 ticks) and 320 ms (64000 ticks) would wrap to 464 in 16 bits.
  EXPECT_EQ(DelayTicks(10000, 320.0), 65535);
  EXPECT_EQ(DelayTicks(327600, 0.0), 65520);
  EXPECT_EQ(DelayTicks(327600, 320.0), 65535);
  EXPECT_EQ(BackScanDelayTicks(130, 327600, 320.0), 65535);
  EXPECT_EQ(DelayTicks(0, 1e300), 65535);
  EXPECT_EQ(DelayTicks(0, std::numeric_limits<double>::infinity()), 65535);
  EXPECT_EQ(DelayTicks(std::numeric_limits<int32_t>::max(), 0.0), 65535);
}

TEST(Records, EveryDelayOfTheFiveMicrosecondGridKeepsItsTick) {
  // The channel rounds its delays to 0.005 ms; products such as 0.145 x 200 = 28.999999999999996
  // must still give their own tick.
  for (int k = 0; k <= 64000; ++k) {
    const double ms = 0.005 * std::floor(k * 0.005 / 0.005 + 0.5);
    ASSERT_EQ(DelayTicks(0, ms), k) << ms;
  }
}

// ---- Command records --------------------------------------------------------------------------

TEST(Records, DividersPackAsTheWorkedValue) {
  EXPECT_EQ(TCmdRequest::PackDividers(300, 2, 4), 0x9628);
  EXPECT_EQ(TCmdRequest::PackDividers(31, 0, 2), 0x0F84);
  EXPECT_EQ(TCmdRequest::PackDividers(0x3FF, 0xF, 3), 0xFFF0);  // fields cut to 9 and 3 bits
  EXPECT_EQ(TCmdRequest::PrescalerCode(2), 1);
  EXPECT_EQ(TCmdRequest::PrescalerCode(4), 2);
  EXPECT_EQ(TCmdRequest::PrescalerCode(8), 0);
  EXPECT_EQ(TCmdRequest::PackPllCtrl(0x80A8, 1), 0x90A8);
  EXPECT_EQ(TCmdRequest::PackPllCtrl(0x1FFFF, 0), 0x8FFF);
  EXPECT_EQ(TCmdRequest::PackPllCtrl(0x0000, 9), 0x1000);  // R AND 7
}

TEST(Records, PointRecordLayout) {
  TCmdRequest r = TCmdRequest::Point(7);
  r.SetSynthFields(TCmdRequest::Signal, 0x1FF83, 0x80A8, TPllSettings{1, 300, 2, 4, 0xABCD, 0xEF, 50});
  r.SetSynthFields(TCmdRequest::Heterodyne, 0xFF83, 0x80A8, TPllSettings{1, 31, 0, 2, 16424, 246, 46});
  r.SetBand(50);
  EXPECT_EQ(Of(r), Laid({0x07, 0x00,                                                   // code
                         0x83, 0xFF, 0xA8, 0x90, 0x28, 0x96, 0xCD, 0xAB, 0x00, 0xEF,  // signal
                         0x83, 0xFF, 0xA8, 0x90, 0x84, 0x0F, 0x28, 0x40, 0x00, 0xF6,  // heterodyne
                         0x32}));                                                     // band
  EXPECT_TRUE(r.IsPoint());

  const TCmdRequest::TSynthFields s = r.GetSynthFields(TCmdRequest::Signal);
  EXPECT_EQ(s.LF, 0xFF83);
  EXPECT_EQ(s.PllCtrl, 0x90A8);
  EXPECT_EQ(s.Plan, (TPllSettings{1, 300, 2, 4, 0xABCD, 0xEF, 50}));
  const TCmdRequest::TSynthFields h = r.GetSynthFields(TCmdRequest::Heterodyne);
  EXPECT_EQ(h.Plan, (TPllSettings{1, 31, 0, 2, 16424, 246, 0}));

  // Read back from the wire.
  uint8_t wire[TCmdRequest::Size];
  r.WriteTo(wire);
  EXPECT_EQ(TCmdRequest::ReadFrom(wire), r);
}

TEST(Records, SynthesizerRecordLayout) {
  const TCmdRequest::TSynthWords signal = {0x11000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x7000, 0x2A80};
  const TCmdRequest::TSynthWords heterodyne = {0x1001, 0x4D03, 0xECC0, 0x0029, 0xFF07, 0xB400, 0x2A81};
  const TCmdRequest r = TCmdRequest::Synth(signal, heterodyne, true, false);
  EXPECT_EQ(Of(r), Laid({0xFD, 0xFF,                                                        //
                         0x00, 0x10, 0x02, 0x4D, 0xBF, 0xEC, 0x28, 0x00, 0x06, 0xFF, 0x00, 0x70,  //
                         0x80, 0x2A,                                                        //
                         0x01, 0x10, 0x03, 0x4D, 0xC0, 0xEC, 0x29, 0x00, 0x07, 0xFF, 0x00, 0xB4,  //
                         0x81, 0x2A,                                                        //
                         0x01, 0x00}));
  EXPECT_EQ(r.GetSynthWords(TCmdRequest::Signal)[0], 0x1000u);  // only the low 16 bits travel
  EXPECT_EQ(r.GetSynthWords(TCmdRequest::Heterodyne), heterodyne);
  EXPECT_TRUE(r.GetOutputOn(TCmdRequest::Signal));
  EXPECT_FALSE(r.GetOutputOn(TCmdRequest::Heterodyne));
}

TEST(Records, TimingAndControlRecordLayouts) {
  const TCmdRequest timing = TCmdRequest::Timing(26, 0x030A, true);
  EXPECT_EQ(Of(timing), Laid({0xFC, 0xFF, 0x1A, 0x00, 0x0A, 0x03, 0x00, 0x00, 0x01, 0x00}));
  EXPECT_EQ(timing.GetTimingTicks(), 26);
  EXPECT_EQ(timing.GetTimingIFCode(), 0x030A);
  EXPECT_TRUE(timing.GetTimingLowPower());
  EXPECT_EQ(Of(TCmdRequest::Timing(65535, 0, false)), Laid({0xFC, 0xFF, 0xFF, 0xFF}));

  EXPECT_EQ(Of(TCmdRequest::Sync(0x1234)), Laid({0xFB, 0xFF, 0x34, 0x12}));
  EXPECT_EQ(TCmdRequest::Sync(0xBEEF).GetSyncCounter(), 0xBEEF);
  EXPECT_EQ(Of(TCmdRequest::Init()), Laid({0xFE, 0xFF}));
  EXPECT_EQ(Of(TCmdRequest::ClockSource(true)), Laid({0xF5, 0xFF, 0x01}));
  EXPECT_EQ(Of(TCmdRequest::ClockSource(false)), Laid({0xF5, 0xFF, 0x00}));
  EXPECT_TRUE(TCmdRequest::ClockSource(true).GetClockExternal());
  EXPECT_EQ(Of(TCmdRequest::ArmTrigger()), Laid({0xF3, 0xFF}));
  EXPECT_FALSE(TCmdRequest::ArmTrigger().IsPoint());
  EXPECT_TRUE(TCmdRequest::Point(0xFFF2).IsPoint());
}

TEST(Records, FieldsOutsideTheRecordAreIgnored) {
  TCmdRequest r(0x0102);
  r.SetU16(31, 0xFFFF);
  r.SetByte(32, 0xFF);
  EXPECT_EQ(Of(r), Laid({0x02, 0x01}));
  EXPECT_EQ(r.GetU16(31), 0);
  EXPECT_EQ(r.GetByte(1000), 0);
  TCmdReply reply(1);
  reply.SetF32(29, 1.0f);
  EXPECT_EQ(reply.GetF32(29), 0.0f);
  EXPECT_EQ(Of(reply), Laid({0x01}));
}

// ---- Replies ------------------------------------------------------------------------------------

TEST(Records, PointReplyLayout) {
  // 1.5 = 0x3FC00000, -2 = 0xC0000000, 0.25 = 0x3E800000, 3 = 0x40400000, little-endian.
  const TCmdReply r = TCmdReply::Point(200, TComplex{1.5, -2.0}, TComplex{0.25, 3.0});
  EXPECT_EQ(Of(r), Laid({0xC8, 0x00, 0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0xC0,  //
                         0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x40, 0x40}));
  const TComplex a = r.GetMeasuredWave();
  const TComplex b = r.GetReferenceWave();
  EXPECT_EQ(a.Re, 1.5);
  EXPECT_EQ(a.Im, -2.0);
  EXPECT_EQ(b.Re, 0.25);
  EXPECT_EQ(b.Im, 3.0);
  EXPECT_TRUE(r.HasFiniteReadings());
  // Widened from single precision.
  EXPECT_EQ(TCmdReply::Point(0, TComplex{0.1, 0}, TComplex{}).GetMeasuredWave().Re, static_cast<double>(0.1f));
}

TEST(Records, ReplyKinds) {
  struct Case {
    uint16_t code;
    uint32_t points;
    TCmdReply::TKind kind;
  };
  using K = TCmdReply::TKind;
  const Case cases[] = {
      {0, 201, K::Point},         {200, 201, K::Point},     {201, 201, K::Other},
      {0, 0, K::Other},           {0xFFFF, 201, K::End},    {0xFFFF, 0, K::End},
      {0xFFF4, 201, K::Temperature}, {0xFFFB, 201, K::SyncEcho}, {0xFFFE, 201, K::Other},
      {0xFFF5, 201, K::Other},    {16000, 16001, K::Point}, {16001, 16001, K::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(TCmdReply(c.code).Classify(c.points), c.kind) << c.code;
}

TEST(Records, EndReplyBeepsOnlyWithAnAllOnesPayload) {
  EXPECT_TRUE(TCmdReply::End(true).IsBeepRequest());
  EXPECT_FALSE(TCmdReply::End(false).IsBeepRequest());
  for (size_t k = 2; k < TCmdReply::Size; ++k) {
    TCmdReply r = TCmdReply::End(true);
    r.SetByte(k, 0xFE);
    EXPECT_FALSE(r.IsBeepRequest()) << k;
  }
  EXPECT_EQ(TCmdReply::End(true).GetCode(), 0xFFFF);
}

TEST(Records, TemperatureWorkedValues) {
  TCmdReply r(TCmdReply::TemperatureCode);
  r.SetByte(2, 0x2D);
  r.SetByte(3, 0x00);
  EXPECT_EQ(r.GetTemperature(), 45.0);
  double stored = TCmdReply::UnsetTemperature;
  stored = SmoothTemperature(stored, r.GetTemperature());
  EXPECT_EQ(stored, 45.0);  // the first reading is taken as it is
  stored = SmoothTemperature(stored, r.GetTemperature());
  EXPECT_EQ(stored, 45.0);
  EXPECT_DOUBLE_EQ(SmoothTemperature(45.0, 50.0), 46.0);  // (4 x 45 + 50) / 5

  r.SetByte(2, 0xFF);
  r.SetByte(3, 0xC0);
  EXPECT_EQ(r.GetTemperatureRaw(), -1);
  EXPECT_EQ(r.GetTemperature(), -0.25);
  r.SetByte(2, 0x80);
  r.SetByte(3, 0x3F);  // the low six bits carry nothing
  EXPECT_EQ(r.GetTemperatureRaw(), -512);
}

TEST(Records, TemperatureRecordsRoundTrip) {
  for (int raw = -512; raw <= 511; ++raw) {
    const TCmdReply r = TCmdReply::Temperature(raw);
    ASSERT_EQ(r.GetTemperatureRaw(), raw);
    ASSERT_EQ(r.GetByte(3) & 0x3F, 0);
  }
  EXPECT_EQ(TCmdReply::Temperature(5000).GetTemperatureRaw(), 511);
  EXPECT_EQ(TCmdReply::Temperature(-5000).GetTemperatureRaw(), -512);
  EXPECT_EQ(TCmdReply::SyncEcho(0x8001).GetSyncCounter(), 0x8001);
}

TEST(Records, ReplyDecoderFuzz) {
  std::mt19937 rng(20261210);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 80);
  for (int round = 0; round < 20000; ++round) {
    // Exactly the bytes given, on the heap: a read past them is caught by the address sanitizer.
    const size_t n = static_cast<size_t>(length(rng));
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[n == 0 ? 1 : n]);
    for (size_t k = 0; k < n; ++k) buffer[k] = static_cast<uint8_t>(byte(rng));
    // Codes near the known ones are made more likely.
    if (n >= 2 && round % 3 == 0) buffer[1] = 0xFF;

    const std::optional<TCmdReply> reply = TCmdReply::FromBytes(buffer.get(), n);
    if (n < TCmdReply::Size) {
      ASSERT_FALSE(reply.has_value()) << n;
      continue;
    }
    ASSERT_TRUE(reply.has_value());
    for (size_t k = 0; k < TCmdReply::Size; ++k) ASSERT_EQ(reply->GetByte(k), buffer[k]);
    const uint16_t code = static_cast<uint16_t>(buffer[0] | (buffer[1] << 8));
    ASSERT_EQ(reply->GetCode(), code);

    const TCmdReply::TKind kind = reply->Classify(201);
    switch (kind) {
      case TCmdReply::TKind::Point: {
        ASSERT_LT(code, 201);
        const TComplex a = reply->GetMeasuredWave();
        const TComplex b = reply->GetReferenceWave();
        const bool finite = std::isfinite(a.Re) && std::isfinite(a.Im) && std::isfinite(b.Re) && std::isfinite(b.Im);
        ASSERT_EQ(reply->HasFiniteReadings(), finite);
        break;
      }
      case TCmdReply::TKind::Temperature: {
        const double t = reply->GetTemperature();
        ASSERT_GE(t, -128.0);
        ASSERT_LE(t, 127.75);
        break;
      }
      case TCmdReply::TKind::End: (void)reply->IsBeepRequest(); break;
      case TCmdReply::TKind::SyncEcho: ASSERT_EQ(reply->GetSyncCounter(), buffer[2] | (buffer[3] << 8)); break;
      case TCmdReply::TKind::Other:
        // Unknown codes pass unchanged for the caller to ignore.
        ASSERT_TRUE(code >= 201 && code != 0xFFFF && code != 0xFFF4 && code != 0xFFFB) << code;
        break;
    }
    // The request decoders take the same bytes (the emulator reads commands with them).
    const TCmdRequest request = TCmdRequest::ReadFrom(buffer.get());
    (void)request.GetSynthFields(TCmdRequest::Signal);
    (void)request.GetSynthFields(TCmdRequest::Heterodyne);
    (void)request.GetSynthWords(TCmdRequest::Heterodyne);
    (void)IFBandwidthFromCode(request.GetTimingIFCode());
  }
  EXPECT_FALSE(TCmdReply::FromBytes(nullptr, 32).has_value());
}

// ---- The band byte of the point records -------------------------------------------------------

struct RealSynth {
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TDevice device;
  TScopedServices scope;
  explicit RealSynth(int row) : device(row) {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
  }
};

TPointSynthSettings PlanK30(TSynthesizerTV30& synth, double f) {
  TPointSynthSettings s;
  EXPECT_TRUE(synth.CalcSignalPll(s.Signal, f));
  EXPECT_TRUE(synth.CalcHeterodynePll(s.Heterodyne, synth.HeterodyneFrequency(f + synth.IntermediateFreq, f)));
  return s;
}

TEST(Records, K30BandByteAndTheLowPowerMarker) {
  RealSynth synth(4);
  TScanner scanner;
  struct Case {
    double mhz;
    bool low;
    uint8_t band;
  };
  const Case cases[] = {
      {3000, false, 46}, {3000, true, 0x2D},  // below the doubler band: the low-power marker
      {4799.5, true, 0x2D},
      {4800, true, 46},  // the edge is not below the doubler limit: no marker
      {6000, false, 50}, {6000, true, 50},    // doubled: the band code stays
      {12000, true, 28},
  };
  for (const Case& c : cases) {
    scanner.LowPower = c.low;
    TCmdRequest r = TCmdRequest::Point(0);
    const TPointSynthSettings plan = PlanK30(synth.k30, c.mhz);
    scanner.PackSynthBytesTV30(r, plan);
    EXPECT_EQ(r.GetBand(), c.band) << c.mhz << " " << c.low;
    EXPECT_EQ(r.GetSynthFields(TCmdRequest::Signal).Plan.N, plan.Signal.N);
  }
  // The limit is the setting, not a constant.
  synth.k30.Freq2x = 2000;
  scanner.LowPower = true;
  TCmdRequest r = TCmdRequest::Point(0);
  scanner.PackSynthBytesTV30(r, PlanK30(synth.k30, 3000));
  EXPECT_EQ(r.GetBand(), 50);
}

TEST(Records, K12PointRecordsLeaveTheBandByteAtZero) {
  RealSynth synth(3);
  TScanner scanner;
  scanner.LowPower = true;
  TPointSynthSettings plan;
  ASSERT_TRUE(synth.k12.CalcSignalPll(plan.Signal, 1000));
  ASSERT_TRUE(synth.k12.CalcHeterodynePll(plan.Heterodyne, 1000.18));
  TCmdRequest r = TCmdRequest::Point(3);
  r.SetBand(0x77);
  scanner.PackSynthBytesTV(r, plan);
  EXPECT_EQ(r.GetBand(), 0);
  // The worked plan of 1000 MHz: N 31, LoDiv 2, prescaler 4, Frac16 16384.
  EXPECT_EQ(r.GetU16(6), TCmdRequest::PackDividers(31, 2, 4));
  EXPECT_EQ(r.GetU16(8), 16384);
  EXPECT_EQ(r.GetU16(2), 0xFF83);
  EXPECT_EQ(r.GetU16(4), 0x90A8);
}

}  // namespace
