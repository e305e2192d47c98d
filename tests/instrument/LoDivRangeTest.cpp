// The bottom of the frequency range: the point record keeps three bits of the output-divider
// exponent, so a frequency that needs a larger divider is out of range for the model. The plan
// refuses it, the device range starts where plans fit, and every point that reaches the
// instrument tunes the frequency the channel shows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "instrument/CmdRequest.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/SynthChannel.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "ScannerSupport.h"

namespace {

using scannertest::TEngineServices;

struct TServiceMode {
  TServiceMode() { SetRunModeFromText("EnableService"); }
  ~TServiceMode() { ResetRunMode(); }
};

TSynthesizerBase& SynthOf(TEngineServices& services, int row) {
  if (row == 3) return services.k12;
  return services.k30;
}

const char* SectionOf(int row) { return row == 3 ? "SynthTV" : "SynthTV30"; }

class LoDivRange : public ::testing::TestWithParam<int> {};

TEST_P(LoDivRange, TenMegahertzIsRefusedByThePlan) {
  const int row = GetParam();
  TEngineServices services(row, false);
  TSynthesizerBase& synth = SynthOf(services, row);
  TPllSettings pll;
  pll.LoDiv = 5;
  EXPECT_FALSE(synth.CalcSignalPll(pll, 10.0));
  EXPECT_EQ(pll, TPllSettings{}) << "a refused plan leaves nothing to send";
  EXPECT_FALSE(synth.CalcHeterodynePll(pll, 10.0 + synth.IntermediateFreq));
  // The whole band below the last divider that fits is refused, the band above it is planned
  // with a divider the record carries.
  for (double f : {1.0, 15.0, 21.0, 21.09375}) {
    EXPECT_FALSE(synth.CalcSignalPll(pll, f)) << f;
  }
  for (double f : {TSynthChannel::kLowestFrequency, 21.5, 30.0, 42.2, 84.0, 85.0}) {
    ASSERT_TRUE(synth.CalcSignalPll(pll, f)) << f;
    EXPECT_LE(pll.LoDiv, TSynthChannel::kMaxLoDiv) << f;
  }
}

TEST_P(LoDivRange, DeviceRangeStartsWhereThePlansFit) {
  const int row = GetParam();
  TServiceMode service;
  TEngineServices services(row, false);
  auto limits = [row](auto& synth) {
    TMemIniFile ini;
    ini.WriteString(SectionOf(row), "MinFrequency", "10");
    ASSERT_TRUE(synth.LoadSettings(ini));
    EXPECT_EQ(synth.MinFrequency, TSynthChannel::kLowestFrequency);
    synth.MinFrequency = 10;  // typed into the service form
    synth.ClampSettings();
    EXPECT_EQ(synth.MinFrequency, TSynthChannel::kLowestFrequency);
  };
  if (row == 3) {
    limits(services.k12);
  } else {
    limits(services.k30);
  }

  // A channel asked to start at 10 MHz starts at the device's lowest frequency, and every
  // point record of its list makes the instrument tune the point's own frequency.
  TScanner scanner;
  auto* range = new TRange(&scanner);
  range->SetChangeNotify(true);
  range->SetPointCount(41);
  range->SetStopFrequency(100.0);
  range->SetStartFrequency(10.0);
  EXPECT_EQ(range->MinFrequency, TSynthChannel::kLowestFrequency);
  scanner.Connected = true;  // lets the scan list be built; nothing is queued without a link
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  const int count = range->GetCount();
  ASSERT_EQ(count, 41);
  int points = 0;
  for (const TCmdRequest& record : scanner.ScanList[0].Commands) {
    const int code = record.GetCode();
    if (code >= count) continue;
    ++points;
    const double wanted = range->GetPointFrequency(code);
    EXPECT_NEAR(EmulatorBackend::PointFrequency(record, row), wanted, 1e-4) << "point " << code;
  }
  EXPECT_EQ(points, count);
}

INSTANTIATE_TEST_SUITE_P(BothModels, LoDivRange, ::testing::Values(3, 4),
                         [](const ::testing::TestParamInfo<int>& info) { return info.param == 3 ? "K12" : "K30"; });

}  // namespace
