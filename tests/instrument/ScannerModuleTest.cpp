// The sweep-control module: its keyword texts, Preset, how StartSweep starts by trigger source
// (and stops in standby or without a list), the clock record after a load, and the
// "ScannerModule" state section with hostile values.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ScannerSupport.h"
#include "common/TestEnv.h"
#include "instrument/CmdRequest.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/ScannerThreads.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Range.h"

namespace fs = std::filesystem;
using scannertest::TEngineServices;
using scannertest::TFakeUi;
using scannertest::TLoggingEmulator;

namespace {

const char* const kSection = "ScannerModule";

// A module whose settings-change events are counted.
class ScannerModule : public ::testing::Test {
 protected:
  ScannerModule() {
    module.OnSettingsChange = [this](TFObject* sender, int previous) {
      EXPECT_EQ(sender, &module);
      ++changes;
      lastPrevious = previous;
    };
    module.Log = [this](const std::string& m) { logged.push_back(m); };
  }

  TScanner& scanner() { return module.GetScanner(); }

  TScannerModule module;
  int changes = 0;
  int lastPrevious = -1;
  std::vector<std::string> logged;
};

TEST_F(ScannerModule, KeywordTexts) {
  enum Setting { Source, Clock, Units, Power };
  struct Case {
    Setting setting;
    const char* text;
    int code;  // the code selected, or the SCPI error number raised (>= 200)
  };
  const Case cases[] = {
      {Source, "INT", 0},       {Source, "int", 0},      {Source, "INTERNAL", 0}, {Source, "BUS", 2},
      {Source, "bus", 2},       {Source, "EXT", 1},      {Source, "ext", 1},      {Source, "EXTernal", 1},
      {Source, "EXTRA", 1},     {Source, "EX", 205},     {Source, "", 205},       {Source, " INT", 205},
      {Source, "IMM", 205},     {Clock, "INT", 0},       {Clock, "intern", 0},    {Clock, "EXT", 1},
      {Clock, "external", 1},   {Clock, "BUS", 224},     {Clock, "E", 224},       {Clock, "", 224},
      {Units, "SEC", 0},        {Units, "seconds", 0},   {Units, "METR", 1},      {Units, "metre", 1},
      {Units, "MET", 224},      {Units, "FT", 2},        {Units, "feet", 224},    {Units, "", 224},
      {Power, "LOW", 1},        {Power, "low", 1},       {Power, "HIGH", 0},      {Power, "High", 0},
      {Power, "HI", 224},       {Power, "", 224},        {Power, "MEDIUM", 224},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "' for setting " + std::to_string(c.setting));
    int got = -1;
    try {
      switch (c.setting) {
        case Source: got = TScannerModule::TriggerSourceFromText(c.text); break;
        case Clock: got = TScannerModule::ClockSourceFromText(c.text); break;
        case Units: got = TScannerModule::DistanceUnitsFromText(c.text); break;
        case Power: got = TScannerModule::LowPowerFromText(c.text) ? 1 : 0; break;
      }
    } catch (const EAbort& e) {
      got = e.HelpContext;
      EXPECT_STREQ(e.what(), got == 205 ? "Invalid trigger source specifier" : "Illegal parameter value");
    }
    EXPECT_EQ(got, c.code);
  }
}

TEST_F(ScannerModule, GettersNameEveryCode) {
  const char* sources[] = {"INT", "EXT", "BUS", ""};
  const char* units[] = {"SEC", "METR", "FT", ""};
  for (int code = 0; code < 4; ++code) {
    module.TriggerSource = code;
    module.MetricSystem = code;
    EXPECT_EQ(module.GetTriggerSourceText(), sources[code]);
    EXPECT_EQ(module.GetDistanceUnitsText(), units[code]);
  }
  module.MetricSystem = -1;
  EXPECT_EQ(module.GetDistanceUnitsText(), "");
  EXPECT_EQ(module.GetClockSourceText(), "INT");
  module.ClockSource = 1;
  EXPECT_EQ(module.GetClockSourceText(), "EXT");
  EXPECT_EQ(module.GetPowerLevelText(), "HIGH");
}

TEST_F(ScannerModule, TextSettersWithoutAnInstrument) {
  module.SetDistanceUnitsText("ft");
  EXPECT_EQ(module.MetricSystem, 2);
  EXPECT_EQ(lastPrevious, 1);
  module.SetPowerLevelText("low");
  EXPECT_TRUE(module.Attenuator20dB);
  EXPECT_TRUE(scanner().LowPower) << "the scanner's power level follows the module";
  EXPECT_EQ(module.GetPowerLevelText(), "LOW");
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(module.SetPowerLevelText("loud"), EAbort);
  EXPECT_THROW(module.SetDistanceUnitsText("yards"), EAbort);
  EXPECT_TRUE(module.Attenuator20dB);
  EXPECT_EQ(module.MetricSystem, 2);
  EXPECT_EQ(changes, 2);

  // Trigger source and clock are kept only while connected: nothing is stored, nothing fires.
  module.SetTriggerSourceText("BUS");
  module.SetTriggerSource(1);
  module.SetClockSourceText("EXT");
  module.SetClockSource(1);
  EXPECT_EQ(module.TriggerSource, 0);
  EXPECT_EQ(module.ClockSource, 0);
  EXPECT_EQ(changes, 2);
  try {
    module.SetTriggerSourceText("EX");
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_EQ(e.HelpContext, 205);
  }
}

TEST_F(ScannerModule, TriggerModeSetter) {
  module.SetTriggerMode(2);
  EXPECT_EQ(changes, 0);
  module.SetTriggerMode(0);
  EXPECT_EQ(module.TriggerMode, 0);
  EXPECT_EQ(lastPrevious, 2);
  module.SetTriggerMode(7);
  module.SetTriggerMode(-1);
  EXPECT_EQ(module.TriggerMode, 0);
  EXPECT_EQ(changes, 1);
}

TEST_F(ScannerModule, PresetPutsTheDefaultsBackWithoutAnEvent) {
  module.SetTriggerMode(0);
  module.TriggerSource = 2;  // as a connected instrument would have let it
  module.ClockSource = 1;
  module.SelectCableStd(4);
  module.SetCableLoss(3);
  module.SetDistanceUnits(0);
  module.SetCableLossEnabled(true);
  module.SetLowPower(true);
  module.CableListFile = "/somewhere/list.cbl";
  module.CableStds.Add(TCableStd("Mine", 0.5, 0.5));
  const TCableStds table = module.CableStds;
  changes = 0;

  module.Preset();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(module.TriggerMode, 2);
  EXPECT_EQ(module.TriggerSource, 0);
  EXPECT_EQ(module.ClockSource, 0);
  EXPECT_FALSE(module.ClockSent) << "the internal clock must reach the instrument";
  EXPECT_EQ(module.VelocityFactor, 1.0);
  EXPECT_EQ(module.CableLoss, 0.0);
  EXPECT_EQ(module.CableStdIndex, 0);
  EXPECT_EQ(module.CableListFile, "");
  EXPECT_EQ(module.MetricSystem, 1);
  EXPECT_FALSE(module.EnableCableLoss);
  EXPECT_FALSE(module.Attenuator20dB);
  EXPECT_FALSE(scanner().LowPower);
  EXPECT_EQ(module.CableStds, table) << "the entries stay as they are";

  // With the clock internal already, nothing is due.
  module.Preset();
  EXPECT_TRUE(module.ClockSent);
}

TEST_F(ScannerModule, StartSweepStopsInStandbyOrWithoutAList) {
  ASSERT_TRUE(scanner().GetStandby()) << "standby until the instrument says otherwise";
  scanner().SetState(TScanner::MEAS);
  module.StartSweep(0);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP) << "empty list";
  scanner().ScanList.push_back(TScanItem{});
  scanner().SetState(TScanner::WAIT);
  module.ClockSent = false;
  module.StartSweep(0);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP) << "standby";
  EXPECT_FALSE(module.ClockSent) << "nothing was sent";
}

TEST_F(ScannerModule, SectionRoundTrip) {
  module.SetTriggerMode(0);
  module.TriggerSource = 1;
  module.ClockSource = 1;
  module.SetDistanceUnits(2);
  module.SetLowPower(true);
  module.SetCableLossEnabled(true);
  module.SelectCableStd(9);
  module.SaveCableList("state-list");

  TMemIniFile ini;
  ASSERT_TRUE(module.SaveState(ini).ok);
  std::vector<std::string> keys;
  ini.ReadSection(kSection, keys);
  EXPECT_EQ(keys, (std::vector<std::string>{"MetricSystem", "Attenuator20dB", "EnableCableLoss", "TriggerMode",
                                             "TriggerSource", "ClockSource", "VelocityFactor", "CableLoss",
                                             "CableStdIndex", "CableListFile"}));
  EXPECT_EQ(ini.ReadString(kSection, "TriggerMode", ""), "1") << "hold is saved as single";

  TScannerModule other;
  int otherChanges = 0;
  other.OnSettingsChange = [&](TFObject*, int) { ++otherChanges; };
  other.LoadState(ini);
  EXPECT_EQ(otherChanges, 0) << "loading fires nothing";
  EXPECT_EQ(other.TriggerMode, 1);
  EXPECT_EQ(other.TriggerSource, 1);
  EXPECT_EQ(other.ClockSource, 1);
  EXPECT_FALSE(other.ClockSent);
  EXPECT_EQ(other.MetricSystem, 2);
  EXPECT_TRUE(other.Attenuator20dB);
  EXPECT_TRUE(other.GetScanner().LowPower);
  EXPECT_TRUE(other.EnableCableLoss);
  EXPECT_EQ(other.VelocityFactor, 0.659);
  EXPECT_EQ(other.CableLoss, 0.541);
  EXPECT_EQ(other.CableStdIndex, 9);
  EXPECT_EQ(other.CableListFile, module.CableListFile);
  EXPECT_EQ(other.CableStds, module.CableStds);
}

TEST_F(ScannerModule, SavingRewritesTheNamedCableListAndLoadingReadsIt) {
  module.CableStds = TCableStds();
  module.CableStds.Add(TCableStd("Own", 0.3, 0.2));
  module.CableStds.Add(TCableStd("Coax", 0.8, 0.9));
  module.CableStds.Add(TCableStd("Third", 0.7, 0.1));
  module.SaveCableList("three");
  module.CableStds.Delete(2);
  module.SelectCableStd(1);
  TMemIniFile ini;
  ASSERT_TRUE(module.SaveState(ini).ok);
  ini.WriteInteger(kSection, "CableStdIndex", 99);

  TScannerModule other;
  other.LoadState(ini);
  ASSERT_EQ(other.CableStds.Count(), 2) << "the list as the state save left it";
  EXPECT_EQ(other.CableStds[0].GetName(), "Own");
  EXPECT_EQ(other.CableStdIndex, 1) << "the index is limited to the loaded table";

  // A loaded list's entry 0 takes the velocity and loss setters' values whatever its name.
  other.SetVelocityFactor(0.5);
  EXPECT_EQ(other.CableStds[0].GetName(), "Own");
  EXPECT_EQ(other.CableStds[0].Velocity, 0.5);
  EXPECT_EQ(other.CableStds[0].Loss, 0.9);
  EXPECT_EQ(other.CableStdIndex, 0);
}

TEST_F(ScannerModule, HostileSectionsAreLimitedWithoutEvents) {
  struct Case {
    const char* key;
    const char* text;
    std::function<bool(const TScannerModule&)> check;
  };
  const Case cases[] = {
      {"TriggerMode", "7", [](const TScannerModule& m) { return m.TriggerMode == 2; }},
      {"TriggerMode", "-1", [](const TScannerModule& m) { return m.TriggerMode == 2; }},
      {"TriggerMode", "abc", [](const TScannerModule& m) { return m.TriggerMode == 2; }},
      {"TriggerMode", "0", [](const TScannerModule& m) { return m.TriggerMode == 0; }},
      {"TriggerSource", "3", [](const TScannerModule& m) { return m.TriggerSource == 0; }},
      {"TriggerSource", "2", [](const TScannerModule& m) { return m.TriggerSource == 2; }},
      {"ClockSource", "2", [](const TScannerModule& m) { return m.ClockSource == 0; }},
      {"ClockSource", "-7", [](const TScannerModule& m) { return m.ClockSource == 0; }},
      {"MetricSystem", "9", [](const TScannerModule& m) { return m.MetricSystem == 1; }},
      {"MetricSystem", "0", [](const TScannerModule& m) { return m.MetricSystem == 0; }},
      {"VelocityFactor", "0", [](const TScannerModule& m) { return m.VelocityFactor == 0.001; }},
      {"VelocityFactor", "-3", [](const TScannerModule& m) { return m.VelocityFactor == 0.001; }},
      {"VelocityFactor", "7", [](const TScannerModule& m) { return m.VelocityFactor == 1.0; }},
      {"VelocityFactor", "nan", [](const TScannerModule& m) { return m.VelocityFactor == 1.0; }},
      {"VelocityFactor", "0,5", [](const TScannerModule& m) { return m.VelocityFactor == 0.5; }},
      {"CableLoss", "inf", [](const TScannerModule& m) { return m.CableLoss == 0.0; }},
      {"CableLoss", "-2", [](const TScannerModule& m) { return m.CableLoss == 0.0; }},
      {"CableLoss", "1e300", [](const TScannerModule& m) { return m.CableLoss == 1000.0; }},
      {"CableStdIndex", "99", [](const TScannerModule& m) { return m.CableStdIndex == 13; }},
      {"CableStdIndex", "-5", [](const TScannerModule& m) { return m.CableStdIndex == 0; }},
      {"CableStdIndex", "x", [](const TScannerModule& m) { return m.CableStdIndex == 0; }},
      {"Attenuator20dB", "yes", [](const TScannerModule& m) { return !m.Attenuator20dB; }},
      {"CableListFile", "no-such-list",
       [](const TScannerModule& m) {
         // A list that was not loaded is never written under the name the state gave.
         return m.CableStds.Count() == 14 && m.CableListFile == TScannerModule::DefaultCableListPath();
       }},
  };
  for (const Case& c : cases) {
    TMemIniFile ini;
    ini.WriteString(kSection, c.key, c.text);
    TScannerModule m;
    int events = 0;
    m.OnSettingsChange = [&](TFObject*, int) { ++events; };
    m.LoadState(ini);
    EXPECT_TRUE(c.check(m)) << c.key << "=" << c.text;
    EXPECT_EQ(events, 0) << c.key << "=" << c.text;
    // Entry 0 holds the loaded velocity and loss.
    EXPECT_EQ(m.CableStds[0].Velocity, m.VelocityFactor);
    EXPECT_EQ(m.CableStds[0].Loss, m.CableLoss);
  }
}

TEST_F(ScannerModule, ACableListThatCannotBeReadIsLoggedAndTheTableKept) {
  const fs::path foreign = testenv::Root() / "home" / "Cable" / "foreign.cbl";
  fs::create_directories(foreign.parent_path());
  {
    std::ofstream out(foreign, std::ios::binary);
    out << "[Something]\nCableCount=1\n";
  }
  TMemIniFile ini;
  ini.WriteString(kSection, "CableListFile", foreign.string());
  ini.WriteString(kSection, "CableStdIndex", "20");
  ini.WriteString(kSection, "VelocityFactor", "0.25");
  module.LoadState(ini);
  EXPECT_EQ(module.CableStds.Count(), 14);
  EXPECT_EQ(module.CableStds[0].Velocity, 0.25);
  EXPECT_EQ(module.CableStdIndex, 13);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("foreign.cbl"), std::string::npos) << logged[0];
  EXPECT_EQ(changes, 0);
}

// ---- With the demonstration emulator ------------------------------------------------------------

// The emulator, logging the code of every record written to it.
class TRecordingEmulator : public TLoggingEmulator {
 public:
  TRecordingEmulator() : TLoggingEmulator(4) {}
  platform::UsbResult bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) override {
    platform::UsbResult r = TLoggingEmulator::bulkWrite(handle, data, size, sliceMs);
    std::lock_guard<std::mutex> lock(CodesMutex);
    for (size_t k = 0; k + TCmdRequest::Size <= r.count; k += TCmdRequest::Size) {
      Codes.push_back(TCmdRequest::ReadFrom(data + k).GetCode());
    }
    return r;
  }
  int CountCode(uint16_t code) {
    std::lock_guard<std::mutex> lock(CodesMutex);
    int n = 0;
    for (uint16_t c : Codes) n += c == code ? 1 : 0;
    return n;
  }
  std::mutex CodesMutex;
  std::vector<uint16_t> Codes;
};

// A module whose scanner is connected to the emulator in demonstration mode (so out of standby),
// with two channels of 11 points taking part in sweeping.
class ScannerModuleLink : public ::testing::Test {
 protected:
  ScannerModuleLink() : services(4, true) {
    module.OnSweepDone = [this](TFObject* sender) {
      EXPECT_EQ(sender, &module);
      ++sweeps;
    };
    module.OnSettingsChange = [this](TFObject*, int previous) {
      ++changes;
      lastPrevious = previous;
    };
    for (int k = 0; k < 2; ++k) {
      auto* range = new TRange(&module.GetScanner());
      scannertest::Sweep(*range, 1000 + 1000 * k, 2000 + 1000 * k, 11);
      range->SetChangeNotify(true);
      range->OnRedraw = [this](TFObject*) { events.push_back('r'); };
    }
    module.OnNewData = [this](TFObject* sender) {
      EXPECT_EQ(sender, &module);
      events.push_back('n');
    };
    module.GetScanner().Connect();
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    fake.ui.runPending();
  }
  ~ScannerModuleLink() override { module.GetScanner().Disconnect(); }

  TScanner& scanner() { return module.GetScanner(); }
  int Syncs() { return emulator.Count(TScannerThreads::kSyncRequest); }

  // Runs the user-interface queue until pred holds; false after 20 s of real time.
  bool PumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
      fake.ui.runPending();
      if (pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  TEngineServices services;
  TFakeUi fake;
  TRecordingEmulator emulator;
  platform::ScopedUsbBackend scopedBackend{emulator};
  TScannerModule module;
  int sweeps = 0, changes = 0, lastPrevious = -1;
  std::string events;  // 'r' a channel's redraw, 'n' the module's new data
};

TEST_F(ScannerModuleLink, StartSweepByTriggerSource) {
  ASSERT_TRUE(scanner().Connected);
  ASSERT_FALSE(scanner().GetStandby());
  module.RebuildScanList();
  ASSERT_EQ(scanner().ScanList.size(), 2u);

  // INT: the entry asked for; one outside the list (a stale index) starts entry 0.
  module.StartSweep(1);
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  EXPECT_EQ(scanner().GetCurrentItem(), 1);
  module.StopSweep();
  module.StartSweep(5);
  EXPECT_EQ(scanner().GetCurrentItem(), 0);
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 1; })) << "one pass over both entries";
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);

  // BUS: waits with nothing queued until the trigger.
  module.SetTriggerSource(2);
  EXPECT_EQ(module.TriggerSource, 2);
  EXPECT_EQ(scanner().GetState(), TScanner::WAIT);
  EXPECT_FALSE(scanner().IsExternalArmed());
  module.Trigger();
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  EXPECT_EQ(scanner().GetCurrentItem(), 0);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 2; }));
  module.Trigger();
  EXPECT_EQ(scanner().GetState(), TScanner::STOP) << "a trigger outside WAIT does nothing";

  // EXT: entry 0's list armed.
  module.SetTriggerSource(1);
  EXPECT_EQ(scanner().GetState(), TScanner::WAIT);
  EXPECT_TRUE(scanner().IsExternalArmed());
  // Leaving EXT aborts, so the instrument lets go of the armed list.
  const int syncs = Syncs();
  module.SetTriggerSource(0);
  EXPECT_GE(Syncs(), syncs + 1);
  EXPECT_FALSE(scanner().IsExternalArmed());
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  EXPECT_EQ(lastPrevious, 1);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 3; }));

  // The event fires even for an unchanged source; the sweep is not touched then.
  const int before = changes;
  module.SetTriggerSource(0);
  EXPECT_EQ(changes, before + 1);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
}

TEST_F(ScannerModuleLink, NewDataFollowsEveryRedraw) {
  module.RebuildScanList();
  module.StartSweep(0);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 1; }));
  ASSERT_FALSE(events.empty());
  std::string pairs;
  for (size_t k = 0; k < events.size() / 2; ++k) pairs += "rn";
  EXPECT_EQ(events, pairs) << "one new-data event right after each batch's redraw";
}

// With the main window's end-of-sweep reaction: continuous starts again, single goes to hold.
TEST_F(ScannerModuleLink, SingleSweepsOnceThenHolds) {
  module.OnSweepDone = [this](TFObject*) {
    ++sweeps;
    if (module.TriggerMode == TScannerModule::Continuous) {
      module.StartSweep(0);
    } else if (module.TriggerMode == TScannerModule::Single) {
      module.SetTriggerMode(TScannerModule::Hold);
    }
  };
  module.RebuildScanList();
  module.StartSweep(0);
  ASSERT_TRUE(PumpUntil([&] { return sweeps >= 3; })) << "continuous";
  module.SetTriggerMode(TScannerModule::Single);
  const int before = sweeps;
  ASSERT_TRUE(PumpUntil([&] { return module.TriggerMode == TScannerModule::Hold; }));
  EXPECT_EQ(sweeps, before + 1);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
  const int ends = emulator.CountCode(TCmdRequest::EndCode);
  for (int k = 0; k < 20; ++k) {
    fake.ui.runPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(sweeps, before + 1);
  EXPECT_EQ(emulator.CountCode(TCmdRequest::EndCode), ends) << "nothing more is sent in hold";
}

TEST_F(ScannerModuleLink, ChangingTheSourceInHoldStartsOneSweep) {
  module.RebuildScanList();
  module.SetTriggerMode(0);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
  module.SetTriggerSource(2);
  module.SetTriggerSource(0);
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 1; }));
}

TEST_F(ScannerModuleLink, TheClockRecordIsSentOnceAfterALoad) {
  module.RebuildScanList();
  TMemIniFile ini;
  ini.WriteInteger(kSection, "ClockSource", 1);
  module.LoadState(ini);
  EXPECT_FALSE(module.ClockSent);
  EXPECT_EQ(changes, 0);

  module.StartSweep(0);
  EXPECT_TRUE(module.ClockSent);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 1; }));
  module.StartSweep(0);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 2; }));
  // Both passes written in full (two lists each), one clock record before them.
  ASSERT_TRUE(PumpUntil([&] { return emulator.CountCode(TCmdRequest::EndCode) == 4; }));
  EXPECT_EQ(emulator.CountCode(TCmdRequest::ClockCode), 1);
  {
    std::lock_guard<std::mutex> lock(emulator.CodesMutex);
    const auto& codes = emulator.Codes;
    const auto clock = std::find(codes.begin(), codes.end(), TCmdRequest::ClockCode);
    const auto firstList = std::find(codes.begin(), codes.end(), TCmdRequest::SynthCode);
    EXPECT_LT(clock - codes.begin(), firstList - codes.begin()) << "ahead of the first list";
  }

  // A clock change sends its record at once and restarts.
  module.SetClockSource(0);
  EXPECT_EQ(lastPrevious, 1);
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  ASSERT_TRUE(PumpUntil([&] { return emulator.CountCode(TCmdRequest::ClockCode) == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 3; }));
}

TEST_F(ScannerModuleLink, StartSweepInStandbyStops) {
  module.RebuildScanList();
  module.StartSweep(0);
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  scanner().SetStandby(true);
  ASSERT_TRUE(scanner().GetStandby());
  module.StartSweep(0);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
  module.SetTriggerSource(2);
  module.Trigger();
  EXPECT_EQ(scanner().GetState(), TScanner::STOP) << "no trigger in standby";
}

TEST_F(ScannerModuleLink, LowPowerRebuildsTheListsAndRestarts) {
  module.RebuildScanList();
  auto timingLowPower = [&] {
    for (const TCmdRequest& r : scanner().ScanList.at(0).Commands) {
      if (r.GetCode() == TCmdRequest::TimingCode) return r.GetTimingLowPower();
    }
    return false;
  };
  EXPECT_FALSE(timingLowPower());
  module.SetPowerLevelText("LOW");
  EXPECT_TRUE(timingLowPower());
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  EXPECT_EQ(lastPrevious, 0);
  ASSERT_TRUE(PumpUntil([&] { return sweeps == 1; }));
  // Preset switches it off again and rebuilds, without starting.
  module.Preset();
  EXPECT_FALSE(timingLowPower());
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
}

}  // namespace
