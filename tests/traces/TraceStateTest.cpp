// The trace list's and the traces' sections of a state file: round trip, defaults of missing
// keys, and hostile or damaged sections loaded into the setters' ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "model/MemIniFile.h"
#include "traces/FakeTraceHost.h"
#include "traces/Format.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"

namespace {

using tracetest::FakeTraceHost;

const std::string kSection = "RangeView0";

// Every key of a section text, as "key=value" lines.
std::string SectionText(const TMemIniFile& ini) { return ini.GetText(); }

}  // namespace

TEST(TraceState, RoundTripKeepsEverySetting) {
  FakeTraceHost host;
  TMeasureList& list = host.list;
  list.AddMeasurement(2, 7);
  list.AddMeasurement(0, 3);
  TMeasurement& t = *list.GetMeasurement(2);
  t.SetPhaseOffset(12.5);
  t.SetElectricalDelay(3.25e-9);
  t.SetSmoothingAperture(7.5);
  t.SetSmoothing(true);
  t.SetMaxHold(true);
  t.SetConversionOn(true);
  t.SetConversionType(2);
  t.Offset = 0.125;
  t.SetScaleDiv(2.5);
  t.SetRefValue(3);
  t.SetRefPosition(2);
  ASSERT_TRUE(t.Memories->StoreData());
  t.SetDataMath(1);
  t.SetLimitTest(true);
  t.SetShowRippleFailSign(true);
  list.SetActive(1);
  list.SetMarkerCouple(true);

  TMemIniFile ini;
  list.SaveToIni(ini, kSection);

  FakeTraceHost other;
  other.list.LoadFromIni(ini, kSection);
  ASSERT_EQ(3, other.list.GetCount());
  EXPECT_EQ(1, other.list.ActiveMeasurement);
  EXPECT_TRUE(other.list.MarkerCouple);
  const TMeasurement& u = *other.list.GetMeasurement(2);
  EXPECT_EQ(2, u.TraceIndex);
  EXPECT_EQ(t.TraceFormat, u.TraceFormat);
  EXPECT_EQ(1, u.DataMath);
  EXPECT_DOUBLE_EQ(12.5, u.PhaseOffset);
  EXPECT_DOUBLE_EQ(3.25e-9, u.ElectricalDelay);
  EXPECT_DOUBLE_EQ(7.5, u.SmoAperture);
  EXPECT_TRUE(u.Smoothing);
  EXPECT_TRUE(u.EnableMaxHold);
  EXPECT_TRUE(u.ConversionOn);
  EXPECT_EQ(2, u.ConversionType);
  EXPECT_DOUBLE_EQ(0.125, u.Offset);
  EXPECT_DOUBLE_EQ(2.5, u.GetScaleDiv());
  EXPECT_DOUBLE_EQ(3, u.GetRefValue());
  EXPECT_EQ(2, u.GetRefPosition());
  EXPECT_TRUE(u.LimitTest);
  EXPECT_TRUE(u.ShowRippleFailSign);
  EXPECT_EQ(1, u.Memories->GetCount());
  EXPECT_EQ(2, other.list.GetMeasurement(1)->MeasMode);
  EXPECT_EQ(7, other.list.GetMeasurement(1)->TraceFormat);

  // Writing the loaded list again gives the same text.
  TMemIniFile again;
  other.list.SaveToIni(again, kSection);
  EXPECT_EQ(SectionText(ini), SectionText(again));
}

TEST(TraceState, MissingKeysGiveOneDefaultTrace) {
  FakeTraceHost host;
  host.list.AddMeasurement(2, 0);
  TMemIniFile ini;
  host.ResetCounts();
  host.list.LoadFromIni(ini, kSection);
  EXPECT_EQ(0, host.Changes());
  ASSERT_EQ(1, host.list.GetCount());
  const TMeasurement& t = host.Trace();
  EXPECT_EQ(0, t.MeasMode);
  EXPECT_EQ(16, t.TraceFormat);
  EXPECT_DOUBLE_EQ(1.0, t.SmoAperture);
  EXPECT_EQ(4, t.DataMath);
  for (int code = 0; code < TMeasurement::FormatCount; ++code) {
    const TFormat* f = t.GetFormat(code);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(5, f->RefPosition) << code;
    EXPECT_DOUBLE_EQ(10.0, f->ScaleDiv) << code;
    // 0, brought into the scale of the formats whose scale starts above it (SWR).
    EXPECT_DOUBLE_EQ(std::max(0.0, f->MinValue), f->RefValue) << code;
  }
}

TEST(TraceState, CountIsLimitedToFour) {
  FakeTraceHost host;
  TMemIniFile ini;
  ini.WriteInteger(kSection, "CountMeasurement", 7);
  ini.WriteInteger(kSection, "ActiveMeasurement", 9);
  host.list.LoadFromIni(ini, kSection);
  EXPECT_EQ(4, host.list.GetCount());
  EXPECT_EQ(3, host.list.ActiveMeasurement);
  ini.WriteInteger(kSection, "CountMeasurement", -3);
  ini.WriteInteger(kSection, "ActiveMeasurement", -2);
  host.list.LoadFromIni(ini, kSection);
  EXPECT_EQ(1, host.list.GetCount());
  EXPECT_EQ(0, host.list.ActiveMeasurement);
}

TEST(TraceState, HostileSectionLoadsClamped) {
  struct Case {
    const char* key;
    const char* value;
    // What the loaded trace must show.
    std::function<bool(const TMeasurement&)> check;
  };
  const std::string t0 = kSection + "Measurement0";
  const Case cases[] = {
      {"MeasMode", "5", [](const TMeasurement& t) { return t.MeasMode == 0; }},
      {"MeasMode", "-1", [](const TMeasurement& t) { return t.MeasMode == 0; }},
      {"TraceFormat", "0", [](const TMeasurement& t) { return t.TraceFormat == 16; }},
      {"TraceFormat", "57", [](const TMeasurement& t) { return t.TraceFormat == 16; }},
      {"TraceFormat", "-4", [](const TMeasurement& t) { return t.TraceFormat == 16; }},
      {"ConversionType", "12", [](const TMeasurement& t) { return t.ConversionType == 3; }},
      {"ConversionType", "-12", [](const TMeasurement& t) { return t.ConversionType == 0; }},
      {"DataMath", "9", [](const TMeasurement& t) { return t.DataMath == 4; }},
      {"DataMath", "-1", [](const TMeasurement& t) { return t.DataMath == 4; }},
      {"SmoAperture", "1e300", [](const TMeasurement& t) { return t.SmoAperture == 20; }},
      {"SmoAperture", "0", [](const TMeasurement& t) { return t.SmoAperture == 0.01; }},
      {"SmoAperture", "nan", [](const TMeasurement& t) { return t.SmoAperture == 1.0; }},
      {"PhaseOffset", "-1e9", [](const TMeasurement& t) { return t.PhaseOffset == -360; }},
      {"PhaseOffset", "inf", [](const TMeasurement& t) { return t.PhaseOffset == 0; }},
      {"ElectricalDelay", "55", [](const TMeasurement& t) { return t.ElectricalDelay == 10; }},
      {"ElectricalDelay", "1e999", [](const TMeasurement& t) { return t.ElectricalDelay == 0; }},
      {"Offset", "nan", [](const TMeasurement& t) { return t.Offset == 0; }},
      {"Port", "77", [](const TMeasurement& t) { return t.Port == 0; }},
      {"ScaleDiv16", "-5", [](const TMeasurement& t) { return t.GetScaleDiv() == 0.001; }},
      {"RefPosition16", "99", [](const TMeasurement& t) { return t.GetRefPosition() >= 0 && t.GetRefPosition() <= 20; }},
      {"RefValue16", "1e12", [](const TMeasurement& t) { return t.GetRefValue() == 1000; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    FakeTraceHost host;
    TMemIniFile ini;
    host.list.SaveToIni(ini, kSection);
    ini.WriteString(t0, c.key, c.value);
    host.list.LoadFromIni(ini, kSection);
    ASSERT_EQ(1, host.list.GetCount());
    EXPECT_TRUE(c.check(host.Trace()));
    // The loaded trace computes without trouble.
    host.Trace().Recalculate();
    host.Trace().FinishSweep();
  }
}

TEST(TraceState, StoredFormatNotAllowedFallsBack) {
  struct Case {
    int mode;
    bool conversion;
    int format;
    int want;
  };
  const Case cases[] = {{0, false, 0, 16}, {0, true, 11, 7}, {2, false, 16, 0}, {4, false, 3, 0}, {6, false, 7, 7}};
  for (const Case& c : cases) {
    FakeTraceHost host;
    TMemIniFile ini;
    const std::string t0 = kSection + "Measurement0";
    ini.WriteInteger(t0, "MeasMode", c.mode);
    ini.WriteBool(t0, "ConversionOn", c.conversion);
    ini.WriteInteger(t0, "TraceFormat", c.format);
    host.list.LoadFromIni(ini, kSection);
    EXPECT_EQ(c.want, host.Trace().TraceFormat) << c.mode << " " << c.format;
  }
}

// Truncated, oversized and random sections: the load never fails and always gives one to four
// usable traces.
TEST(TraceState, FuzzedSectionsLoad) {
  FakeTraceHost host(51, 100.0, 600.0);
  host.list.AddMeasurement(2, 7);
  host.Trace().SetSmoothing(true);
  ASSERT_TRUE(host.Trace().Memories->StoreData());
  TMemIniFile good;
  host.list.SaveToIni(good, kSection);
  const std::string text = good.GetText();

  std::mt19937 rng(4);
  for (int n = 0; n < 60; ++n) {
    std::string damaged = text;
    switch (n % 4) {
      case 0: damaged.resize(rng() % (text.size() + 1)); break;  // truncated
      case 1:
        for (int k = 0; k < 40; ++k) damaged[rng() % damaged.size()] = static_cast<char>(rng() % 256);
        break;
      case 2: damaged += "\n[" + kSection + "Measurement0]\nRawData=" + std::string(200000 + rng() % 7, 'F') + "\n"; break;
      default: {
        damaged.clear();
        for (int k = 0, len = static_cast<int>(rng() % 3000); k < len; ++k) damaged += static_cast<char>(rng() % 256);
        damaged = "[" + kSection + "]\n" + damaged;
      }
    }
    TMemIniFile ini;
    ini.LoadFromBytes(damaged);
    host.list.LoadFromIni(ini, kSection);
    ASSERT_GE(host.list.GetCount(), 1);
    ASSERT_LE(host.list.GetCount(), 4);
    ASSERT_GE(host.list.ActiveMeasurement, 0);
    ASSERT_LT(host.list.ActiveMeasurement, host.list.GetCount());
    for (int i = 0; i < host.list.GetCount(); ++i) {
      TMeasurement& t = *host.list.GetMeasurement(i);
      EXPECT_TRUE(t.IsFormatAllowed(t.TraceFormat));
      EXPECT_LE(t.Memories->GetCount(), 1);
      t.Recalculate();
      for (int k = 0; k < t.GetPointCount(); ++k) t.ProcessSweepPoint(k);
      t.FinishSweep();
    }
  }
}
