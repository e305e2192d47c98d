// The frequency offset adjustment run with a scripted wait box: the sweeps it makes for each IF
// bandwidth of the channel, the value it stores from scripted receiver-0 levels, its cancel
// cases, and how it gives up where the search points cannot be planned (the K30).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "calibration/KitTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "calibration/RunTestSupport.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/EAbort.h"
#include "model/FPoint.h"
#include "model/Range.h"
#include "model/Services.h"

namespace {

using kittest::TestFolder;

class Messages : public IUserMessageHook {
 public:
  void ShowMessage(const std::string& text) override { Texts.push_back(text); }
  std::vector<std::string> Texts;
};

// What the temporary channel looked like at one sweep.
struct SweepSeen {
  int IFBW;
  double Start, Stop;
  int Points;
};

// Runs Script(step, channel) for each sweep; Script returns whether the sweep ends normally.
class ScriptedWaitBox : public ISweepWaitBox {
 public:
  bool Run(const std::string& caption) override {
    Captions.push_back(caption);
    TRange* t = Temporary ? Temporary() : nullptr;
    if (t == nullptr) return false;
    Seen.push_back(SweepSeen{t->CommonIFBW, t->GetPointFrequency(0), t->GetPointFrequency(t->GetCount() - 1), t->GetCount()});
    const int step = static_cast<int>(Seen.size()) - 1;
    return Script ? Script(step, *t) : true;
  }
  std::function<TRange*()> Temporary;
  std::function<bool(int, TRange&)> Script;
  std::vector<std::string> Captions;
  std::vector<SweepSeen> Seen;
};

// Receiver-0 levels (dB) over the channel's points from a function of frequency.
void SetLevels(TRange& t, const std::function<double(double)>& levelDb) {
  for (int i = 0; i < t.GetCount(); ++i) {
    TFPoint* p = t.GetPoint(i);
    p->RawLevel[0] = TComplex{std::pow(10.0, levelDb(p->Frequency) / 20), 0};
  }
}

class FrequencyOffsetAdjust : public runtest::ScannerTest {
 protected:
  explicit FrequencyOffsetAdjust(int row = 3) : ScannerTest(row) {}
  void SetUp() override {
    ScannerTest::SetUp();
    active = new TRange(&scanner.GetScanner());
    SetChannel(10000);
    active->SetChangeNotify(true);
    window.Range = active;
    module.ActiveWindow = &window;
    module.WaitBox = &box;
    module.MessageHook = &messages;
    box.Temporary = [this] { return Temporary(); };
    scanner.OnSweepDone = [this](TFObject*) { ++sweepDone; };
  }
  void TearDown() override {
    delete active;
    ScannerTest::TearDown();
  }
  void SetChannel(int ifbw) {
    TRangeSettings s;
    TSegments g;
    active->GetSettings(s, g);
    s.SweepMode = 0;
    s.NPoints = 11;
    s.MinFrequency = c - 10.0;
    s.MaxFrequency = c + 10.0;
    s.CommonIFBW = ifbw;
    s.FOMState = true;
    s.FOMAdjust = true;
    s.FOMAdjPort = 0;
    active->ApplySettings(g, s);
  }
  TRange* Temporary() const { return runtest::TemporaryChannel(scanner, active); }
  void ExpectRestored() {
    EXPECT_TRUE(active->ChangeNotify);
    EXPECT_EQ(nullptr, Temporary());
    EXPECT_FALSE(module.OffsetAdjustRunning);
    EXPECT_FALSE(TMeasurementRun::IsRunning());
    ASSERT_TRUE(static_cast<bool>(scanner.OnSweepDone));
  }
  // The scripted levels of the peer-free example: the coarse peak sample at c + 0.03 MHz, then
  // parabolas (in dB) with vertices at c + 0.004 (30 kHz) and c - 0.001 MHz (10 kHz).
  static bool Script(int step, TRange& t) {
    const double vertex[] = {0.03, 0.004, -0.001};
    const double x0 = c + vertex[std::min(step, 2)];
    if (step == 0) {
      SetLevels(t, [x0](double f) { return -10 - 100 * std::fabs(f - x0); });
    } else {
      SetLevels(t, [x0](double f) { return -5 - 2e4 * (f - x0) * (f - x0); });
    }
    return true;
  }

  static constexpr double c = 1000.0;
  TRange* active = nullptr;
  runtest::FakeChannelWindow window;
  ScriptedWaitBox box;
  Messages messages;
  TCalibratorModule module{TestFolder("settings") + "/tervan.ini"};
  int sweepDone = 0;
};

TEST_F(FrequencyOffsetAdjust, TheChannelsBandwidthDecidesHowManySweeps) {
  struct Case {
    int ifbw;
    std::vector<int> bandwidths;
  };
  for (const Case& k : {Case{10000, {30000, 30000, 10000}},
                        Case{10, {30000, 30000, 10000, 3000, 1000, 300, 100, 30, 10}},
                        Case{50000, {30000, 30000}}}) {
    SetChannel(k.ifbw);
    box.Seen.clear();
    box.Captions.clear();
    box.Script = [this](int, TRange& t) {
      EXPECT_TRUE(module.OffsetAdjustRunning);
      EXPECT_FALSE(active->ChangeNotify);
      EXPECT_TRUE(t.ChangeNotify);
      EXPECT_FALSE(t.PointCorrection);
      EXPECT_FALSE(static_cast<bool>(scanner.OnSweepDone));
      SetLevels(t, [](double f) { return -std::fabs(f - c); });
      return true;
    };
    module.AdjustFrequencyOffset(false);
    ASSERT_EQ(k.bandwidths.size(), box.Seen.size()) << k.ifbw;
    for (size_t i = 0; i < box.Seen.size(); ++i) {
      EXPECT_EQ(k.bandwidths[i], box.Seen[i].IFBW) << k.ifbw << " sweep " << i;
      EXPECT_EQ(33, box.Seen[i].Points);
      // The search points span c +- 16 x 30 kHz, then c +- b.
      const double half = i == 0 ? 0.48 : k.bandwidths[i] * 1e-6;
      EXPECT_NEAR(c - half, box.Seen[i].Start, 1e-9) << i;
      EXPECT_NEAR(c + half, box.Seen[i].Stop, 1e-9) << i;
    }
    EXPECT_EQ(std::vector<std::string>(box.Seen.size(), "Frequency Offset Adjust"), box.Captions);
    ExpectRestored();
  }
  EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(FrequencyOffsetAdjust, ScriptedPeaksStoreTheirSum) {
  box.Script = Script;
  module.AdjustFrequencyOffset(false);
  EXPECT_EQ(3u, box.Seen.size());
  EXPECT_NEAR(0.033, active->FOMAdjValue[0], 1e-12);
  EXPECT_EQ(0.0, active->FOMAdjValue[1]);
  ExpectRestored();

  // The adjustment port decides which value is stored.
  TRangeSettings s;
  TSegments g;
  active->GetSettings(s, g);
  s.FOMAdjPort = 1;
  active->ApplySettings(g, s);
  box.Seen.clear();
  module.AdjustFrequencyOffset(false);
  EXPECT_NEAR(0.033, active->FOMAdjValue[1], 1e-12);
}

TEST_F(FrequencyOffsetAdjust, CancelCases) {
  active->SetOffsetAdjustValue(0, 0.1);
  // The coarse sweep cancelled: nothing stored.
  box.Script = [](int step, TRange& t) { return step == 0 ? false : Script(step, t); };
  module.AdjustFrequencyOffset(false);
  EXPECT_EQ(1u, box.Seen.size());
  EXPECT_NEAR(0.1, active->FOMAdjValue[0], 1e-12);
  ExpectRestored();

  // The second refinement cancelled: the coarse result plus the first refinement.
  SetChannel(10);
  box.Seen.clear();
  box.Script = [](int step, TRange& t) { return step == 2 ? false : Script(step, t); };
  module.AdjustFrequencyOffset(false);
  EXPECT_EQ(3u, box.Seen.size());
  EXPECT_NEAR(0.034, active->FOMAdjValue[0], 1e-12);
  ExpectRestored();
  EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(FrequencyOffsetAdjust, AChannelWithoutTheModeOrTheSwitchIsLeftAlone) {
  for (int which = 0; which < 2; ++which) {
    SetChannel(10000);
    TRangeSettings s;
    TSegments g;
    active->GetSettings(s, g);
    (which == 0 ? s.FOMState : s.FOMAdjust) = false;
    active->ApplySettings(g, s);
    module.AdjustFrequencyOffset(false);
    module.AdjustFrequencyOffset();
    EXPECT_TRUE(box.Seen.empty()) << which;
    EXPECT_EQ(0, sweepDone);
  }
}

TEST_F(FrequencyOffsetAdjust, BusyRefusesARequestAndSkipsTheAutomaticRun) {
  {
    TMeasurementRun run(scanner);
    try {
      module.AdjustFrequencyOffset(false);
      ADD_FAILURE() << "no exception";
    } catch (const EAbort& e) {
      EXPECT_EQ(200, e.HelpContext);
    }
    module.AdjustFrequencyOffset();  // automatic: quietly nothing
  }
  EXPECT_TRUE(box.Seen.empty());
  module.EepromBusy = true;
  EXPECT_THROW(module.AdjustFrequencyOffset(false), EAbort);
  module.EepromBusy = false;
}

TEST_F(FrequencyOffsetAdjust, AnExceptionInTheRunRestoresEverything) {
  active->SetOffsetAdjustValue(0, 0.2);
  box.Script = [](int step, TRange& t) -> bool {
    if (step == 1) throw std::runtime_error("device gone");
    return Script(step, t);
  };
  EXPECT_THROW(module.AdjustFrequencyOffset(false), std::runtime_error);
  EXPECT_NEAR(0.2, active->FOMAdjValue[0], 1e-12);
  ExpectRestored();
}

class FrequencyOffsetAdjustK30 : public FrequencyOffsetAdjust {
 protected:
  FrequencyOffsetAdjustK30() : FrequencyOffsetAdjust(4) {}
};

// No search plan on the K30: the run gives up before any sweep, keeps the value, restores
// everything and tells the user; the automatic repetitions tell only once.
TEST_F(FrequencyOffsetAdjustK30, IsAbandonedWithoutASweepAndOneMessage) {
  active->SetOffsetAdjustValue(0, 0.25);
  module.AdjustFrequencyOffset();
  EXPECT_TRUE(box.Seen.empty());
  EXPECT_NEAR(0.25, active->FOMAdjValue[0], 1e-12);
  ExpectRestored();
  ASSERT_EQ(1u, messages.Texts.size());
  EXPECT_EQ("The frequency offset cannot be adjusted at this frequency", messages.Texts[0]);
  module.AdjustFrequencyOffset();
  module.AdjustFrequencyOffset();
  EXPECT_EQ(1u, messages.Texts.size());
  // Asked for by the user, it always says so.
  module.AdjustFrequencyOffset(false);
  EXPECT_EQ(2u, messages.Texts.size());
  EXPECT_TRUE(box.Seen.empty());
}

}  // namespace
