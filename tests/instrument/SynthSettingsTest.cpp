// Synthesizer settings of both models: defaults, limits, register words by hardware revision,
// and the state-file sections with good, missing and hostile values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "FakeServices.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/MemIniFile.h"
#include "model/RunMode.h"
#include "model/Services.h"

namespace {

using instrumenttest::TFakeCalibration;

// Turns service mode on (or off) for one test and puts the start state back.
class ServiceMode {
 public:
  explicit ServiceMode(bool on = true) { SetRunModeFromText(on ? "EnableService" : ""); }
  ~ServiceMode() { ResetRunMode(); }
};

// Installs a calibration module that reports the given hardware revision.
class Revision {
 public:
  explicit Revision(int revision) : cal_(0, revision) { services_->CalibratorModule = &cal_; }

 private:
  TFakeCalibration cal_;
  TScopedServices services_;
};

const char* const kRegisters[] = {"LF",       "CAL_TIME", "VCO_CTRL",  "CT_CAL1", "PLL_CAL1",
                                  "VCO_AUTO", "PLL_CTRL", "MIX_COUNT", "N_CTRL",  "PLL_BIAS"};

TEST(SynthSettings, DefaultsOfBothModels) {
  TSynthesizerTV tv;
  EXPECT_EQ(tv.IFAccuracy, 0.00001);
  EXPECT_EQ(tv.ReferenceFreq, 32);
  EXPECT_EQ(tv.IntermediateFreq, 0.18);
  EXPECT_EQ(tv.MeasureDelay, 130);
  EXPECT_EQ(tv.BackScanDelay, 1000);
  EXPECT_FALSE(tv.Heter3x);
  EXPECT_FALSE(tv.Signal3x);
  EXPECT_EQ(tv.MinFrequency, 85);
  EXPECT_EQ(tv.MaxFrequency, 5400);
  EXPECT_EQ(tv.LoMixCountRev1, 0x9200);
  EXPECT_EQ(tv.LoMixCountRev2, 0xB200);
  EXPECT_EQ(tv.SignalChannel.Tolerance, 0.00001);
  EXPECT_EQ(tv.HeterodyneChannel.Tolerance, 0.00001);
  EXPECT_FALSE(tv.SignalChannel.Heterodyne);
  EXPECT_TRUE(tv.HeterodyneChannel.Heterodyne);

  TSynthesizerTV30 tv30;
  EXPECT_EQ(tv30.IFAccuracy, 0.000025);
  EXPECT_EQ(tv30.ReferenceFreq, 32);
  EXPECT_EQ(tv30.IntermediateFreq, 0.24);
  EXPECT_EQ(tv30.MeasureDelay, 130);
  EXPECT_EQ(tv30.BackScanDelay, 1000);
  EXPECT_EQ(tv30.SwitchDelay, 1000);
  EXPECT_EQ(tv30.MinFrequency, 85);
  EXPECT_EQ(tv30.MaxFrequency, 14000);
  EXPECT_EQ(tv30.Freq2x, 4800);
  EXPECT_EQ(tv30.Freq3x, 9600);
  EXPECT_EQ(tv30.SignalChannel.Tolerance, 0.000025);
  EXPECT_EQ(tv30.HeterodyneChannel.Tolerance, 0.000025);

  // The seam reports the same values.
  const ISynthPlan& plan = tv30;
  EXPECT_EQ(plan.GetMinFrequency(), 85);
  EXPECT_EQ(plan.GetMaxFrequency(), 14000);
  EXPECT_EQ(plan.GetIFAccuracy(), 0.000025);
  EXPECT_EQ(plan.GetIntermediateFreq(), 0.24);
  EXPECT_EQ(plan.GetBackScanDelay(), 1000);
}

TEST(SynthSettings, DefaultRegisterWords) {
  const TSynthesizerTV::TWords signal = {0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028,
                                         0xFF06, 0x80A8, 0x7000, 0x2A80, 0x0202};
  TSynthesizerTV::TWords words;
  TSynthesizerTV tv;
  tv.GetSignalWords(words);
  EXPECT_EQ(words, signal);
  tv.GetHeterodyneWords(words);
  EXPECT_EQ(words, (TSynthesizerTV::TWords{0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x80A8, 0x9200, 0x2A80,
                                           0x6202}));
  TSynthesizerTV30 tv30;
  tv30.GetSignalWords(words);
  EXPECT_EQ(words, signal);
  tv30.GetHeterodyneWords(words);
  EXPECT_EQ(words, (TSynthesizerTV30::TWords{0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x80A8, 0xB400,
                                             0x2A80, 0x6202}));
}

// Revision 2 sends LoMixCountRev2, every other revision LoMixCountRev1; the 14 GHz model always
// sends 0xB400.
TEST(SynthSettings, HeterodyneMixCountFollowsTheHardwareRevision) {
  const struct {
    int revision;
    int32_t k12;
  } rows[] = {{1, 0x9200}, {2, 0xB200}, {3, 0x9200}, {9, 0x9200}, {0, 0x9200}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.revision);
    Revision revision(r.revision);
    TSynthesizerTV tv;
    TSynthesizerTV::TWords words;
    tv.GetHeterodyneWords(words);
    EXPECT_EQ(words[TSynthesizerTV::wMIX_COUNT], r.k12);
    EXPECT_EQ(tv.HeterodyneWords[TSynthesizerTV::wMIX_COUNT], r.k12);
    TSynthesizerTV30 tv30;
    tv30.GetHeterodyneWords(words);
    EXPECT_EQ(words[TSynthesizerTV::wMIX_COUNT], 0xB400);
  }
  // The revision is read at every call, not kept from construction.
  TSynthesizerTV tv;
  TSynthesizerTV::TWords words;
  {
    Revision revision(2);
    tv.GetHeterodyneWords(words);
    EXPECT_EQ(words[TSynthesizerTV::wMIX_COUNT], 0xB200);
  }
  tv.GetHeterodyneWords(words);
  EXPECT_EQ(words[TSynthesizerTV::wMIX_COUNT], 0x9200);
}

TEST(SynthSettings, ClampKeepsEveryValueInItsRange) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  TSynthesizerTV tv;
  tv.IFAccuracy = 0.0000005;
  tv.ReferenceFreq = 60;
  tv.IntermediateFreq = 0.25;
  tv.MeasureDelay = 400000;
  tv.BackScanDelay = -5;
  tv.MinFrequency = 9000;  // above the maximum: each is limited on its own
  tv.MaxFrequency = 5;
  tv.ClampSettings();
  EXPECT_EQ(tv.IFAccuracy, 0.000001);
  EXPECT_EQ(tv.ReferenceFreq, 52);
  EXPECT_EQ(tv.IntermediateFreq, 0.2);
  EXPECT_EQ(tv.MeasureDelay, 327600);
  EXPECT_EQ(tv.BackScanDelay, 0);
  EXPECT_EQ(tv.MinFrequency, 6000);
  EXPECT_EQ(tv.MaxFrequency, 21.1);

  tv.IFAccuracy = 1;
  tv.ReferenceFreq = kNaN;
  tv.IntermediateFreq = -1;
  tv.ClampSettings();
  EXPECT_EQ(tv.IFAccuracy, 0.0001);
  EXPECT_EQ(tv.ReferenceFreq, 10);
  EXPECT_EQ(tv.IntermediateFreq, 0.1);

  TSynthesizerTV30 tv30;
  tv30.IntermediateFreq = 0.25;
  tv30.SwitchDelay = 1 << 30;
  tv30.MinFrequency = 20000;
  tv30.MaxFrequency = -1e308;
  tv30.Freq2x = 12000;  // inverted doubler and tripler limits stay as they are
  tv30.Freq3x = 5000;
  tv30.ClampSettings();
  EXPECT_EQ(tv30.IntermediateFreq, 0.25);
  EXPECT_EQ(tv30.SwitchDelay, 327600);
  EXPECT_EQ(tv30.MinFrequency, 16200);
  EXPECT_EQ(tv30.MaxFrequency, 21.1);
  EXPECT_EQ(tv30.Freq2x, 12000);
  EXPECT_EQ(tv30.Freq3x, 5000);
  tv30.IntermediateFreq = 0.35;
  tv30.ClampSettings();
  EXPECT_EQ(tv30.IntermediateFreq, 0.3);
}

TEST(SynthSettings, SetDefaultsRefreshesTheFormButDoesNotRestart) {
  TSynthesizerTV30 tv30;
  int shown = 0, restarted = 0;
  tv30.OnSettingsShown = [&] { ++shown; };
  tv30.OnRestartSweep = [&] { ++restarted; };
  tv30.MeasureDelay = 5;
  tv30.HeterodyneWords[0] = 1;
  tv30.SetSignalTolerance(1);
  tv30.SetDefaults();
  EXPECT_EQ(tv30.MeasureDelay, 130);
  EXPECT_EQ(tv30.HeterodyneWords[0], 0xFF83);
  EXPECT_EQ(tv30.SignalChannel.Tolerance, 1);  // the tolerances are not defaults
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(restarted, 0);
}

std::vector<std::string> KeysOf(const TMemIniFile& ini, const std::string& section) {
  std::vector<std::string> keys;
  ini.ReadSection(section, keys);
  return keys;
}

std::vector<std::string> ExpectedKeys(bool model14GHz) {
  std::vector<std::string> keys = {"IFAccuracy", "ReferenceFreq", "IntermediateFreq", "MeasureDelay",
                                   "BackScanDelay"};
  if (model14GHz) {
    keys.push_back("SwitchDelay");
  } else {
    keys.push_back("Heter3x");
    keys.push_back("Signal3x");
  }
  keys.push_back("MinFrequency");
  keys.push_back("MaxFrequency");
  if (model14GHz) {
    keys.push_back("Freq2x");
    keys.push_back("Freq3x");
  }
  for (const char* r : kRegisters) keys.push_back(std::string("RF_5072Preset") + r);
  for (const char* r : kRegisters) keys.push_back(std::string("LO_5071Preset") + r);
  return keys;
}

TEST(SynthSettings, SavedSectionsHoldTheKeysInOrder) {
  ServiceMode service;
  TMemIniFile ini;
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  ASSERT_TRUE(tv.SaveSettings(ini));
  ASSERT_TRUE(tv30.SaveSettings(ini));
  EXPECT_EQ(KeysOf(ini, "SynthTV"), ExpectedKeys(false));
  EXPECT_EQ(KeysOf(ini, "SynthTV30"), ExpectedKeys(true));
  EXPECT_EQ(ini.ReadString("SynthTV", "IFAccuracy", ""), "1e-05");
  EXPECT_EQ(ini.ReadString("SynthTV30", "IntermediateFreq", ""), "0.24");
  EXPECT_EQ(ini.ReadString("SynthTV", "MeasureDelay", ""), "130");
  EXPECT_EQ(ini.ReadString("SynthTV", "RF_5072PresetLF", ""), "65411");
  EXPECT_EQ(ini.ReadString("SynthTV30", "LO_5071PresetMIX_COUNT", ""), "46080");
}

TEST(SynthSettings, SavedMixCountIsTheOneOfTheRevision) {
  ServiceMode service;
  for (const auto& [revision, expected] : {std::pair{1, "37376"}, {2, "45568"}, {3, "37376"}}) {
    SCOPED_TRACE(revision);
    Revision rev(revision);
    TSynthesizerTV tv;
    TMemIniFile ini;
    tv.SaveSettings(ini);
    EXPECT_EQ(ini.ReadString("SynthTV", "LO_5071PresetMIX_COUNT", ""), expected);
  }
}

TEST(SynthSettings, SaveAndLoadRoundTripEveryValue) {
  ServiceMode service;
  TSynthesizerTV30 a;
  a.IFAccuracy = 0.0000123;
  a.ReferenceFreq = 40.000000001;
  a.IntermediateFreq = 0.2999999;
  a.MeasureDelay = 327600;
  a.BackScanDelay = 0;
  a.SwitchDelay = 7;
  a.MinFrequency = TSynthChannel::kLowestFrequency;  // the bottom of the range
  a.MaxFrequency = 16199.999999;
  a.Freq2x = 1 / 3.0 * 10000;
  a.Freq3x = 9601;
  for (int i = 0; i < 10; ++i) {
    a.SignalWords[i] = 0x1111 * i;
    a.HeterodyneWords[i] = 0xFFFF - i;
  }
  TMemIniFile ini;
  a.SaveSettings(ini);
  TMemIniFile reread;
  reread.LoadFromBytes(ini.SaveToBytes());
  TSynthesizerTV30 b;
  ASSERT_TRUE(b.LoadSettings(reread));
  EXPECT_EQ(b.IFAccuracy, a.IFAccuracy);
  EXPECT_EQ(b.ReferenceFreq, a.ReferenceFreq);
  EXPECT_EQ(b.IntermediateFreq, a.IntermediateFreq);
  EXPECT_EQ(b.MeasureDelay, a.MeasureDelay);
  EXPECT_EQ(b.BackScanDelay, a.BackScanDelay);
  EXPECT_EQ(b.SwitchDelay, a.SwitchDelay);
  EXPECT_EQ(b.MinFrequency, a.MinFrequency);
  EXPECT_EQ(b.MaxFrequency, a.MaxFrequency);
  EXPECT_EQ(b.Freq2x, a.Freq2x);
  EXPECT_EQ(b.Freq3x, a.Freq3x);
  EXPECT_EQ(b.SignalWords, a.SignalWords);
  EXPECT_EQ(b.HeterodyneWords, a.HeterodyneWords);

  TSynthesizerTV c;
  c.Heter3x = true;
  c.Signal3x = true;
  c.IntermediateFreq = 0.1234567;
  c.SignalWords[9] = 0xABCD;
  c.LoMixCountRev1 = 0x1234;
  TMemIniFile ini2;
  c.SaveSettings(ini2);
  TSynthesizerTV d;
  d.LoadSettings(ini2);
  EXPECT_TRUE(d.Heter3x);
  EXPECT_TRUE(d.Signal3x);
  EXPECT_EQ(d.IntermediateFreq, c.IntermediateFreq);
  EXPECT_EQ(d.SignalWords, c.SignalWords);
  EXPECT_EQ(d.LoMixCountRev1, 0x1234);
  EXPECT_EQ(d.HeterodyneWords[TSynthesizerTV::wMIX_COUNT], 0x1234);
}

TEST(SynthSettings, MissingSectionKeepsNumbersAndRestoresFactoryWords) {
  ServiceMode service;
  TSynthesizerTV tv;
  tv.MeasureDelay = 222;
  tv.MaxFrequency = 5000;
  tv.Heter3x = true;
  tv.Signal3x = true;
  tv.SignalWords[3] = 0;
  tv.HeterodyneWords[9] = 0;
  tv.LoMixCountRev1 = 0x1111;
  tv.SetSignalTolerance(0.5);
  int restarted = 0;
  tv.OnRestartSweep = [&] { ++restarted; };
  TMemIniFile empty;
  ASSERT_TRUE(tv.LoadSettings(empty));
  EXPECT_EQ(tv.MeasureDelay, 222);
  EXPECT_EQ(tv.MaxFrequency, 5000);
  EXPECT_FALSE(tv.Heter3x);
  EXPECT_FALSE(tv.Signal3x);
  EXPECT_EQ(tv.SignalWords, TSynthesizerTV::kDefaultSignalWords);
  EXPECT_EQ(tv.HeterodyneWords, TSynthesizerTV::kDefaultHeterodyneWords);
  EXPECT_EQ(tv.LoMixCountRev1, 0x9200);
  EXPECT_EQ(tv.SignalChannel.Tolerance, tv.IFAccuracy);
  EXPECT_EQ(tv.HeterodyneChannel.Tolerance, tv.IFAccuracy);
  EXPECT_EQ(restarted, 1);
}

// A MIX_COUNT loaded from the file is the one the instrument then gets, for every revision.
TEST(SynthSettings, LoadedMixCountIsTheOneSent) {
  ServiceMode service;
  for (int revision : {1, 2, 3, 5}) {
    SCOPED_TRACE(revision);
    Revision rev(revision);
    TMemIniFile ini;
    ini.WriteString("SynthTV", "LO_5071PresetMIX_COUNT", "0xA5A5");
    TSynthesizerTV tv;
    tv.LoadSettings(ini);
    TSynthesizerTV::TWords words;
    tv.GetHeterodyneWords(words);
    EXPECT_EQ(words[TSynthesizerTV::wMIX_COUNT], 0xA5A5);
    EXPECT_EQ(revision == 2 ? tv.LoMixCountRev2 : tv.LoMixCountRev1, 0xA5A5);
    EXPECT_EQ(revision == 2 ? tv.LoMixCountRev1 : tv.LoMixCountRev2, revision == 2 ? 0x9200 : 0xB200);
  }
  // Without the key the factory value of the revision is restored.
  Revision rev(2);
  TSynthesizerTV tv;
  tv.LoMixCountRev2 = 1;
  TMemIniFile empty;
  tv.LoadSettings(empty);
  EXPECT_EQ(tv.LoMixCountRev2, 0xB200);
}

struct LoadCase {
  const char* key;
  const char* text;
  double k30;  // the value the 14 GHz model loads
  double k12;  // the value the 5.4 GHz model loads (NaN: the key is not the model's)
};

double ValueOf(const TSynthesizerTV30& s, const std::string& key) {
  if (key == "IFAccuracy") return s.IFAccuracy;
  if (key == "ReferenceFreq") return s.ReferenceFreq;
  if (key == "IntermediateFreq") return s.IntermediateFreq;
  if (key == "MeasureDelay") return s.MeasureDelay;
  if (key == "BackScanDelay") return s.BackScanDelay;
  if (key == "SwitchDelay") return s.SwitchDelay;
  if (key == "MinFrequency") return s.MinFrequency;
  if (key == "MaxFrequency") return s.MaxFrequency;
  if (key == "Freq2x") return s.Freq2x;
  if (key == "Freq3x") return s.Freq3x;
  if (key == "RF_5072PresetLF") return s.SignalWords[0];
  if (key == "LO_5071PresetPLL_BIAS") return s.HeterodyneWords[9];
  ADD_FAILURE() << key;
  return 0;
}

double ValueOf(const TSynthesizerTV& s, const std::string& key) {
  if (key == "IFAccuracy") return s.IFAccuracy;
  if (key == "ReferenceFreq") return s.ReferenceFreq;
  if (key == "IntermediateFreq") return s.IntermediateFreq;
  if (key == "MeasureDelay") return s.MeasureDelay;
  if (key == "BackScanDelay") return s.BackScanDelay;
  if (key == "MinFrequency") return s.MinFrequency;
  if (key == "MaxFrequency") return s.MaxFrequency;
  if (key == "RF_5072PresetLF") return s.SignalWords[0];
  if (key == "LO_5071PresetPLL_BIAS") return s.HeterodyneWords[9];
  ADD_FAILURE() << key;
  return 0;
}

constexpr double kNotHere = std::numeric_limits<double>::quiet_NaN();

// Each value alone in its section; the others keep their defaults. Out-of-range values are
// limited, text that is not a number keeps the value held before loading.
const LoadCase kLoadCases[] = {
    {"MeasureDelay", "400000", 327600, 327600},
    {"MeasureDelay", "-5", 0, 0},
    {"MeasureDelay", "99999999999999", 327600, 327600},
    {"MeasureDelay", "-99999999999999999999999", 130, 130},  // beyond any integer: not a number
    {"MeasureDelay", "abc", 130, 130},
    {"MeasureDelay", "", 130, 130},
    {"MeasureDelay", "12.5", 130, 130},
    {"BackScanDelay", "2000", 2000, 2000},
    {"SwitchDelay", "500", 500, kNotHere},
    {"SwitchDelay", "-1", 0, kNotHere},
    {"IntermediateFreq", "0.25", 0.25, 0.2},
    {"IntermediateFreq", "0,15", 0.15, 0.15},
    {"IntermediateFreq", "nan", 0.24, 0.18},
    {"IntermediateFreq", "inf", 0.24, 0.18},
    {"IntermediateFreq", "1e400", 0.24, 0.18},
    {"IntermediateFreq", "-1e400", 0.24, 0.18},
    {"IFAccuracy", "1e-9", 0.000001, 0.000001},
    {"IFAccuracy", "5", 0.0001, 0.0001},
    {"IFAccuracy", "0.00002", 0.00002, 0.00002},
    {"ReferenceFreq", "1e308", 52, 52},
    {"ReferenceFreq", "-3", 10, 10},
    {"ReferenceFreq", "32 MHz", 32, 32},
    {"MinFrequency", "20000", 16200, 6000},
    {"MinFrequency", "1", 21.1, 21.1},
    {"MinFrequency", "10", 21.1, 21.1},
    {"MaxFrequency", "5", 21.1, 21.1},
    {"MaxFrequency", "15000", 15000, 6000},
    {"Freq2x", "1e9", 16200, kNotHere},
    {"Freq3x", "0", 10, kNotHere},
    {"RF_5072PresetLF", "0xFF87", 0xFF87, 0xFF87},
    {"RF_5072PresetLF", "70000", 70000 & 0xFFFF, 70000 & 0xFFFF},
    {"RF_5072PresetLF", "-1", 0xFFFF, 0xFFFF},
    {"RF_5072PresetLF", "junk", 0xFF83, 0xFF83},
    {"LO_5071PresetPLL_BIAS", "0x", 0x6202, 0x6202},
};

TEST(SynthSettings, HostileValuesLoadLimited) {
  ServiceMode service;
  for (const LoadCase& c : kLoadCases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.text);
    TMemIniFile ini;
    ini.WriteString("SynthTV30", c.key, c.text);
    ini.WriteString("SynthTV", c.key, c.text);
    TSynthesizerTV30 tv30;
    ASSERT_TRUE(tv30.LoadSettings(ini));
    EXPECT_EQ(ValueOf(tv30, c.key), c.k30);
    if (!std::isnan(c.k12)) {
      TSynthesizerTV tv;
      ASSERT_TRUE(tv.LoadSettings(ini));
      EXPECT_EQ(ValueOf(tv, c.key), c.k12);
    }
  }
}

// An inverted band and inverted doubler and tripler limits load as each is limited on its own,
// and the plan still answers for the whole range without failing in undefined ways.
TEST(SynthSettings, InvertedValuesLoadLimitedAndStillPlan) {
  ServiceMode service;
  TMemIniFile ini;
  ini.WriteString("SynthTV30", "MinFrequency", "99999");
  ini.WriteString("SynthTV30", "MaxFrequency", "-4");
  ini.WriteString("SynthTV30", "Freq2x", "12000");
  ini.WriteString("SynthTV30", "Freq3x", "3000");
  ini.WriteString("SynthTV30", "BackScanDelay", "2000");
  ini.WriteString("SynthTV30", "SwitchDelay", "500");
  TSynthesizerTV30 tv30;
  tv30.LoadSettings(ini);
  EXPECT_EQ(tv30.MinFrequency, 16200);
  EXPECT_EQ(tv30.MaxFrequency, 21.1);
  EXPECT_EQ(tv30.Freq2x, 12000);
  EXPECT_EQ(tv30.Freq3x, 3000);
  EXPECT_EQ(tv30.BackScanDelay, 2000);
  EXPECT_EQ(tv30.SwitchDelay, 500);
  // Above Freq3x the tripler wins even though it lies below Freq2x.
  TPllSettings pll;
  EXPECT_TRUE(tv30.CalcSignalPll(pll, 4000));
  EXPECT_EQ(pll.Band, 28);
  EXPECT_TRUE(tv30.CalcSignalPll(pll, 2000));
  EXPECT_EQ(pll.Band, 46);
}

TEST(SynthSettings, LoadResetsBothTolerancesToTheLoadedAccuracy) {
  ServiceMode service;
  TMemIniFile ini;
  ini.WriteString("SynthTV30", "IFAccuracy", "0.00005");
  TSynthesizerTV30 tv30;
  tv30.SetSignalTolerance(1e-9);
  tv30.HeterodyneChannel.Tolerance = 3;
  tv30.LoadSettings(ini);
  EXPECT_EQ(tv30.SignalChannel.Tolerance, 0.00005);
  EXPECT_EQ(tv30.HeterodyneChannel.Tolerance, 0.00005);
}

TEST(SynthSettings, OutsideServiceModeNothingIsSavedOrLoaded) {
  ServiceMode off(false);
  TMemIniFile ini;
  ini.WriteString("SynthTV30", "MeasureDelay", "7");
  ini.WriteString("SynthTV", "MeasureDelay", "7");
  TSynthesizerTV30 tv30;
  TSynthesizerTV tv;
  int restarted = 0;
  tv30.OnRestartSweep = [&] { ++restarted; };
  tv.OnRestartSweep = [&] { ++restarted; };
  EXPECT_FALSE(tv30.LoadSettings(ini));
  EXPECT_FALSE(tv.LoadSettings(ini));
  EXPECT_EQ(tv30.MeasureDelay, 130);
  EXPECT_EQ(tv.MeasureDelay, 130);
  EXPECT_EQ(restarted, 0);
  TMemIniFile out;
  EXPECT_FALSE(tv30.SaveSettings(out));
  EXPECT_FALSE(tv.SaveSettings(out));
  EXPECT_FALSE(out.SectionExists("SynthTV30"));
  EXPECT_FALSE(out.SectionExists("SynthTV"));
}

}  // namespace
