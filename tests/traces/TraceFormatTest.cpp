// A trace's display formats on a real channel and trace list: choosing a format by code and
// keyword, the scale setters and automatic scale, the stimulus axis with its lookups, the unit
// texts, the stored scales and the CSV export.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/ITranslation.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "model/Services.h"
#include "platform/AtomicFile.h"
#include "traces/FakeTraceHost.h"
#include "traces/Format.h"
#include "traces/FormatList.h"
#include "traces/FormatMath.h"
#include "traces/LimitLine.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"

using tracetest::FakeTraceHost;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TComplex Deg(double magnitude, double degrees) { return Polar(magnitude, degrees * std::numbers::pi / 180.0); }

// Puts values straight into the displayed vector.
void Show(TMeasurement& t, const std::vector<double>& values) {
  t.SmoothedData.assign(t.SmoothedData.size(), TComplex{});
  for (size_t i = 0; i < values.size() && i < t.SmoothedData.size(); ++i) t.SmoothedData[i] = {values[i], 0.0};
}

class Translation : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override { return "<" + english + ">"; }
  std::string TranslateAnsi(const std::string& english) const override { return Translate(english); }
  bool IsEnglish() const override { return false; }
};

}  // namespace

TEST(TraceFormat, FormatCodesAndKeywords) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  ASSERT_EQ(t.TraceFormat, 16);
  // S11 never shows Log Mag: code 0 and "MLOG" are ignored without an error or event.
  host.ResetCounts();
  t.SetFormat(0);
  t.SetFormatText("mlog");
  EXPECT_EQ(t.TraceFormat, 16);
  EXPECT_EQ(host.Changes(), 0);
  t.SetFormatText("phase");
  EXPECT_EQ(t.TraceFormat, 1);
  EXPECT_EQ(t.GetFormatText(), "PHAS");
  EXPECT_EQ(host.Changes(), 1);
  EXPECT_EQ(host.senders.back(), &t);
  for (const char* bad : {"", "xyz", "PH", "REAL"}) {
    try {
      t.SetFormatText(bad);
      ADD_FAILURE() << bad;
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 209) << bad;
      EXPECT_STREQ(e.what(), "Invalid format specifier");
    }
  }
  EXPECT_EQ(t.TraceFormat, 1);
  t.SetFormat(5);
  EXPECT_EQ(t.GetFormatText(), "");  // Real has no keyword
  t.SetFormat(20);
  t.SetFormat(-1);
  EXPECT_EQ(t.TraceFormat, 5);

  // "RLOS" gives Return Loss, whose values are Log Mag's of an absolute trace with the same data.
  t.SetFormatText("RLOS");
  host.list.AddMeasurement(2, 0);
  TMeasurement& abs = host.Trace(1);
  for (TMeasurement* m : {&t, &abs}) {
    for (int i = 0; i < m->GetPointCount(); ++i) m->TimeData[size_t(i)] = Deg(0.01 * (i + 1), i);
    for (int i = 0; i < m->GetPointCount(); ++i) m->FormatPoint(i, m->TimeData);
  }
  ASSERT_EQ(abs.TraceFormat, 0);
  for (int i = 0; i < t.GetPointCount(); ++i) EXPECT_EQ(t.FormattedData[size_t(i)], abs.FormattedData[size_t(i)]) << i;

  // The caption goes through the translation.
  Translation russian;
  TScopedServices scope;
  scope->LangModule = &russian;
  EXPECT_EQ(t.GetFormatCaption(), "<Return Loss>");
  t.TraceFormat = 25;
  EXPECT_EQ(t.GetFormatCaption(), "");
  EXPECT_EQ(t.GetFormatText(), "");
  t.TraceFormat = 16;
}

TEST(TraceFormat, ScaleSettersClampAndAnnounce) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  t.SetFormat(0);  // not allowed: stays Return Loss, scale -1000..1000
  host.ResetCounts();
  t.SetScaleDiv(0);
  EXPECT_EQ(t.GetScaleDiv(), 0.001);
  t.SetScaleDiv(1e6);
  EXPECT_EQ(t.GetScaleDiv(), 200);
  // The event fires even when the clamp leaves the stored value as it was.
  t.SetScaleDiv(2e6);
  EXPECT_EQ(t.GetScaleDiv(), 200);
  EXPECT_EQ(host.Changes(), 3);
  EXPECT_EQ(host.redraws, 3);
  t.SetScaleDiv(200);  // equal: nothing
  t.SetScaleDiv(kNaN);
  t.SetRefValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(host.Changes(), 3);
  t.SetRefPosition(-3);
  EXPECT_EQ(t.GetRefPosition(), 0);
  t.SetRefPosition(12);
  EXPECT_EQ(t.GetRefPosition(), 10);
  host.divisions = 8;
  t.SetRefPosition(12);
  EXPECT_EQ(t.GetRefPosition(), 8);
  t.SetRefValue(5000);
  EXPECT_EQ(t.GetRefValue(), 1000);
  t.SetFullScale(80);
  EXPECT_EQ(t.GetScaleDiv(), 10);
  EXPECT_EQ(t.GetFullScale(), 80);
  EXPECT_EQ(t.GetTopValue(), 1000 + 10 * 8);
  // Each format keeps its own scale.
  t.SetFormat(4);
  EXPECT_EQ(t.GetScaleDiv(), 1);
  EXPECT_EQ(t.GetMaxValue(), 10001);
  EXPECT_EQ(t.GetMinValue(), 1);
  t.SetFormat(16);
  EXPECT_EQ(t.GetScaleDiv(), 10);
  EXPECT_EQ(t.GetRefValue(), 1000);
}

TEST(TraceFormat, AutoScaleAndReference) {
  FakeTraceHost host(11, 100, 200);
  TMeasurement& t = host.Trace();
  Show(t, {-5, -10, -20, -42, -30, -7, -8, -9, -11, -12, -13});
  t.AutoScale();
  EXPECT_DOUBLE_EQ(t.GetScaleDiv(), 5);
  // The middle grid line shows the rounded middle of the values.
  EXPECT_DOUBLE_EQ(t.GetRefValue() - (t.GetRefPosition() - 5) * t.GetScaleDiv(), -25);
  // A flat trace changes nothing.
  Show(t, std::vector<double>(11, -3));
  host.ResetCounts();
  t.AutoScale();
  EXPECT_EQ(host.Changes(), 0);
  EXPECT_DOUBLE_EQ(t.GetScaleDiv(), 5);
  // A missing value does not blow the scale up.
  Show(t, {-5, -10, -20, -42, kNaN, -7, -8, -9, -11, -12, -13});
  t.SetScaleDiv(1);
  t.AutoScale();
  EXPECT_DOUBLE_EQ(t.GetScaleDiv(), 5);
  // Max hold on: the held values are the ones shown.
  t.EnableMaxHold = true;
  t.MaxHoldData.assign(11, TComplex{2, 0});
  t.MaxHoldData[3] = {400, 0};
  t.AutoScale();
  EXPECT_DOUBLE_EQ(t.GetScaleDiv(), 50);
}

TEST(TraceFormat, DistanceToFaultMakesTheSweepLinear) {
  FakeTraceHost host(201, 100, 1100);
  TRange& range = *host.range;
  // A logarithmic sweep becomes linear with the same start and stop.
  range.SetSweepType(TRange::Log);
  host.Trace().SetFormat(18);
  EXPECT_EQ(host.Trace().TraceFormat, 18);
  EXPECT_EQ(range.SweepMode, TRange::Lin);
  EXPECT_DOUBLE_EQ(range.MinFrequency, 100);
  EXPECT_DOUBLE_EQ(range.MaxFrequency, 1100);
  EXPECT_EQ(host.Trace().SmoothedData.size(), size_t(range.GetCount()));
  EXPECT_EQ(host.Trace().MaxHoldData.size(), size_t(range.GetCount()));
  host.Trace().SetFormat(16);
  // A zero span becomes the device's whole band.
  range.SetSpan(0);
  ASSERT_DOUBLE_EQ(range.GetSpan(), 0);
  host.Trace().SetFormat(19);
  EXPECT_EQ(host.Trace().TraceFormat, 19);
  EXPECT_DOUBLE_EQ(range.MinFrequency, range.GetDeviceMinFrequency());
  EXPECT_DOUBLE_EQ(range.MaxFrequency, range.GetDeviceMaxFrequency());
  EXPECT_EQ(range.SweepMode, TRange::Lin);
}

TEST(TraceFormat, EnteringAndLeavingDistanceToFaultDeletesMarkers) {
  FakeTraceHost host(201, 100, 1100);
  host.list.SetMarkerCouple(true);
  TMeasurement& t = host.Trace(0);
  ASSERT_TRUE(t.Markers->AddMarker());
  ASSERT_TRUE(t.Markers->AddMarker());
  ASSERT_EQ(t.Markers->GetMarkerCount(), 2);
  t.SetFormat(11);  // Smith: the axis stays
  EXPECT_EQ(t.Markers->GetMarkerCount(), 2);
  t.SetFormat(18);
  EXPECT_EQ(t.Markers->GetMarkerCount(), 0);
  EXPECT_TRUE(host.list.MarkerCouple);
  ASSERT_TRUE(t.Markers->AddMarker());
  t.SetFormat(16);
  EXPECT_EQ(t.Markers->GetMarkerCount(), 0);
  EXPECT_TRUE(host.list.MarkerCouple);
}

TEST(TraceFormat, PointStimulusAndLookups) {
  FakeTraceHost host(11, 100, 200);  // points at 100, 110, ... 200 MHz
  TMeasurement& t = host.Trace();
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(3), 130);
  EXPECT_EQ(t.GetPointStimulus(11), 0);
  EXPECT_EQ(t.GetPointStimulus(-1), 0);
  EXPECT_EQ(t.FindPointIndex(125), 2);
  EXPECT_EQ(t.FindPointIndex(130), 3);
  EXPECT_EQ(t.FindPointIndex(50), 0);
  EXPECT_EQ(t.FindPointIndex(250), 10);
  EXPECT_DOUBLE_EQ(t.GetStimulusAtPosition(0.25), 125);
  EXPECT_DOUBLE_EQ(t.GetPositionAtStimulus(175), 0.75);

  Show(t, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  EXPECT_DOUBLE_EQ(t.GetValueAtStimulus(125), 25);
  EXPECT_DOUBLE_EQ(t.GetValueAtStimulus(300), 100);
  // Phase between 170 and -170 interpolates through 0 in the shown values, then wraps.
  t.SetFormat(1);
  Show(t, {170, -170, 100, 100, 100, 100, 100, 100, 100, 100, 100});
  EXPECT_NEAR(t.GetValueAtStimulus(105), 0, 1e-12);
  EXPECT_NEAR(t.GetValueAtStimulus(101), 136, 1e-12);
  t.SmoothedData[1] = {230, 0};  // a smoothed phase can leave the range; the lookup brings it back
  EXPECT_NEAR(t.GetValueAtStimulus(110), -130, 1e-12);
  // Complex points interpolate by magnitude and the shorter way round.
  t.SetFormat(11);
  t.SmoothedData[0] = Deg(1, 170);
  t.SmoothedData[1] = Deg(0.5, -170);
  const TComplex mid = t.GetPointAtStimulus(105);
  EXPECT_NEAR(Abs(mid), 0.75, 1e-12);
  EXPECT_NEAR(std::fabs(Arg(mid)), std::numbers::pi, 1e-12);

  // Group delay: the middle of the pair each value comes from; point 0 at its own frequency.
  t.SetFormat(3);
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(0), 100);
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(1), 105);
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(10), 195);
}

TEST(TraceFormat, LookupsCopeWithVectorsThatLagTheChannel) {
  FakeTraceHost host(11, 100, 200);
  TMeasurement& t = host.Trace();
  // A point event may come before the trace follows a new point count.
  t.SmoothedData.clear();
  t.FormattedData.clear();
  EXPECT_EQ(t.FindPointIndex(150), -1);
  EXPECT_EQ(t.GetValueAtStimulus(150), 0);
  EXPECT_EQ(t.GetPointAtStimulus(150), (TComplex{}));
  EXPECT_EQ(t.GetPositionAtStimulus(150), 0.5);
  t.FormatPoint(3, t.TimeData);
  t.AutoScale();
  t.SmoothedData.resize(4);
  EXPECT_EQ(t.FindPointIndex(1000), 3);
  host.SetStimulus(3, 100, 200);  // the channel shrinks under the trace
  EXPECT_EQ(t.FindPointIndex(1000), 2);
  t.FormattedData.resize(4);
  t.TimeData = {Deg(1, 0), Deg(1, -10), Deg(1, -20), Deg(1, -30)};
  t.TraceFormat = 3;
  t.FormatPoint(2, t.TimeData);
  EXPECT_GT(t.FormattedData[2].Re, 0);
  t.FormatPoint(3, t.TimeData);  // beyond the channel: no frequency, no value
  EXPECT_EQ(t.FormattedData[3], (TComplex{}));
  t.TraceFormat = 16;
}

TEST(TraceFormat, SwrClampsToTheFormatsScale) {
  FakeTraceHost host(3, 100, 200);
  TMeasurement& t = host.Trace();
  t.SetFormat(4);
  t.TimeData = {{0.5, 0}, {0, 1}, {1 - 1e-12, 0}};
  for (int i = 0; i < 3; ++i) t.FormatPoint(i, t.TimeData);
  EXPECT_NEAR(t.FormattedData[0].Re, 3, 1e-12);
  EXPECT_EQ(t.FormattedData[1].Re, 10001);
  EXPECT_EQ(t.FormattedData[2].Re, 10001);
}

TEST(TraceFormat, UnitTexts) {
  FakeTraceHost host;
  Translation russian;
  TScopedServices scope;
  scope->LangModule = &russian;
  TMeasurement& t = host.Trace();
  struct Case {
    int measMode;
    bool conversion;
    int conversionType;
    int format;
    const char* unit;
  };
  const std::vector<Case> cases = {
      {0, false, 0, 16, "<dB>"}, {0, false, 0, 17, "<dB>"}, {4, false, 0, 0, "<dBm>"}, {4, false, 0, 7, "<mW>"},
      {2, false, 0, 7, ""},      {0, false, 0, 1, "\xC2\xB0"}, {0, false, 0, 2, "\xC2\xB0"}, {0, false, 0, 3, "<ns>"},
      {0, true, 0, 4, "<Ohm>"},  {0, true, 1, 5, "<S>"},    {0, true, 2, 6, ""},       {0, true, 3, 7, ""},
      {0, false, 0, 4, ""},      {0, false, 0, 11, ""},     {0, false, 0, 18, ""},     {0, false, 0, 19, "<dB>"},
  };
  for (const Case& c : cases) {
    t.MeasMode = c.measMode;
    t.ConversionOn = c.conversion;
    t.ConversionType = c.conversionType;
    t.TraceFormat = c.format;
    EXPECT_EQ(t.GetResponseUnitText(), c.unit) << c.measMode << " " << c.format;
  }
  t.MeasMode = 0;
  t.ConversionOn = false;
  t.TraceFormat = 16;
  EXPECT_EQ(t.GetStimulusUnitText(), "<MHz>");
  t.TraceFormat = 18;  // a linear sweep with a span: the transform's axis
  ASSERT_TRUE(t.IsTransformActive());
  const std::vector<std::pair<int, const char*>> units = {{0, "<ns>"}, {1, "<m>"}, {2, "<ft>"}, {7, "<MHz>"}};
  for (const auto& [system, text] : units) {
    host.scanner.MetricSystem = system;
    EXPECT_EQ(t.GetStimulusUnitText(), text) << system;
  }
  t.TraceFormat = 16;
}

TEST(TraceFormat, StoredScalesRoundTripAndLoadClamped) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  t.SetScaleDiv(2.5);
  t.SetRefValue(-33.25);
  t.SetRefPosition(7);
  TMemIniFile ini;
  t.Formats->SaveToIni(ini, "M");
  EXPECT_EQ(ini.ReadString("M", "ScaleDiv16", ""), "2.5");
  EXPECT_EQ(ini.ReadString("M", "RefValue16", ""), "-33.25");
  EXPECT_EQ(ini.ReadString("M", "RefPosition16", ""), "7");
  TFormatList copy(nullptr);
  copy.LoadFromIni(ini, "M");
  EXPECT_EQ(copy.GetFormat(16)->ScaleDiv, 2.5);
  EXPECT_EQ(copy.GetFormat(16)->RefValue, -33.25);
  EXPECT_EQ(copy.GetFormat(16)->RefPosition, 7);
  // Missing keys load 5, 10 and 0 for every format (clamped to its range: SWR's reference is 1).
  copy.LoadFromIni(TMemIniFile(), "M");
  EXPECT_EQ(copy.GetFormat(3)->RefValue, 0);
  EXPECT_EQ(copy.GetFormat(3)->ScaleDiv, 10);
  EXPECT_EQ(copy.GetFormat(4)->RefValue, 1);
  EXPECT_EQ(copy.GetFormat(0)->RefPosition, 5);
  // Hostile values are brought into the setters' ranges.
  TMemIniFile bad;
  bad.LoadFromBytes(
      "[M]\r\nRefPosition0=-7\r\nScaleDiv0=1e300\r\nRefValue0=-1e9\r\nRefPosition1=99\r\nScaleDiv1=-4\r\n"
      "RefValue1=nan\r\nScaleDiv2=inf\r\nRefValue2=oops\r\n");
  copy.LoadFromIni(bad, "M");
  EXPECT_EQ(copy.GetFormat(0)->RefPosition, 0);
  EXPECT_EQ(copy.GetFormat(0)->ScaleDiv, 500);  // 2000 over the fewest divisions
  EXPECT_EQ(copy.GetFormat(0)->RefValue, -1000);
  EXPECT_EQ(copy.GetFormat(1)->RefPosition, 20);
  EXPECT_EQ(copy.GetFormat(1)->ScaleDiv, 0.001);
  EXPECT_EQ(copy.GetFormat(1)->RefValue, 0);
  EXPECT_EQ(copy.GetFormat(2)->ScaleDiv, 10);
  EXPECT_EQ(copy.GetFormat(2)->RefValue, 0);
  // Min and max are not stored: they keep the table's values.
  EXPECT_EQ(copy.GetFormat(4)->MaxValue, 10001);
}

TEST(TraceFormat, CsvExport) {
  FakeTraceHost host(3, 100, 300);
  TMeasurement& t = host.Trace();
  t.SmoothedData = {{-20.5, 0}, {3, 0}, {kNaN, 0}};
  // A bare name goes to the data root's "CSV" folder and gets ".csv".
  t.SaveCsvFile("trace1");
  const std::string path = testenv::Root().string() + "/home/CSV/trace1.csv";
  std::string text;
  ASSERT_TRUE(platform::AtomicFile::read(path, text)) << path;
  EXPECT_EQ(text,
            "1.00000000E+08, -2.05000000E+01,  0.00000000E+00\r\n"
            "2.00000000E+08,  3.00000000E+00,  0.00000000E+00\r\n"
            "3.00000000E+08, NAN,  0.00000000E+00\r\n");
  // Group delay goes out in seconds; a name with a folder and extension is kept.
  t.SetFormat(3);
  t.SmoothedData = {{2.5, 0}, {2.5, 0}, {-1, 0}};
  const std::string own = testenv::Root().string() + "/gd.txt";
  t.SaveCsvFile(own);
  ASSERT_TRUE(platform::AtomicFile::read(own, text));
  EXPECT_EQ(text,
            "1.00000000E+08,  2.50000000E-09,  0.00000000E+00\r\n"
            "1.50000000E+08,  2.50000000E-09,  0.00000000E+00\r\n"
            "2.50000000E+08, -1.00000000E-09,  0.00000000E+00\r\n");
  // A file that cannot be written raises the error and keeps what was there.
  ASSERT_TRUE(platform::AtomicFile::write(testenv::Root().string() + "/plain", "x"));
  EXPECT_THROW(t.SaveCsvFile(testenv::Root().string() + "/plain/x.csv"), EAbort);
}

TEST(TraceFormat, RandomKeywordText) {
  FakeTraceHost host(21, 100, 200);
  TMeasurement& t = host.Trace();
  uint32_t s = 99;
  for (int n = 0; n < 2000; ++n) {
    std::string text;
    const size_t len = (s >> 9) % 9;
    for (size_t i = 0; i < len; ++i) {
      s = s * 1664525u + 1013904223u;
      // Mostly letters of the keywords, some other bytes.
      const char* alphabet = "MLOGSWRPHAUDEINTCmlogswrphaudeintc \x01\xFF";
      text.push_back(alphabet[(s >> 24) % 37]);
    }
    const int before = t.TraceFormat;
    try {
      t.SetFormatText(text);
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 209) << text;
      EXPECT_EQ(t.TraceFormat, before) << text;
      continue;
    }
    const int code = FormatCodeFromKeyword(text);
    ASSERT_GE(code, 0) << text;
    EXPECT_EQ(t.TraceFormat, t.IsFormatAllowed(code) ? code : before) << text;
  }
}

TEST(TraceFormat, LookupsFollowTheSweepType) {
  FakeTraceHost host(101, 100, 1100);
  TRange& range = *host.range;
  // gapAfter: the last point before a gap between segments, whose midpoint lookup answers the
  // next segment's first point.
  auto checkEveryPoint = [&](const char* what, int gapAfter = -1) {
    TMeasurement& t = host.Trace();
    const int n = t.GetPointCount();
    ASSERT_EQ(n, range.GetCount()) << what;
    for (int k = 0; k + 1 < n; ++k) {
      const double s = t.GetPointStimulus(k);
      const double next = t.GetPointStimulus(k + 1);
      if (next > s) {
        EXPECT_EQ(t.FindPointIndex(s), k) << what << " point " << k;
      }
      const int expected = k == gapAfter ? k + 1 : next > s ? k : t.FindPointIndex(s);
      EXPECT_EQ(t.FindPointIndex((s + next) / 2), expected) << what << " " << k;
    }
    EXPECT_EQ(t.FindPointIndex(t.GetPointStimulus(n - 1)), n - 1) << what;
    const double p = t.GetPositionAtStimulus(t.GetStimulusAtPosition(0.3));
    EXPECT_NEAR(p, 0.3, 1e-9) << what;
  };
  checkEveryPoint("linear");
  range.SetSweepType(TRange::Log);
  ASSERT_EQ(range.SweepMode, TRange::Log);
  checkEveryPoint("logarithmic");
  EXPECT_NEAR(host.Trace().GetStimulusAtPosition(0.5), std::sqrt(100.0 * 1100.0), 1e-3);
  // Two segments with a gap: 200..300 MHz in 11 points and 500..900 MHz in 5.
  TRangeSettings settings;
  TSegments segments;
  range.GetSettings(settings, segments);
  segments.assign(2, TSegment{});
  segments[0].Start = 200;
  segments[0].Stop = 300;
  segments[0].Points = 11;
  segments[1].Start = 500;
  segments[1].Stop = 900;
  segments[1].Points = 5;
  settings.SweepMode = TRange::Segm;
  range.ApplySettings(segments, settings);
  ASSERT_EQ(range.SweepMode, TRange::Segm);
  ASSERT_EQ(range.GetCount(), 16);
  checkEveryPoint("segments", 10);
  // In the gap the lookup answers the first point of the next segment.
  EXPECT_EQ(host.Trace().FindPointIndex(400), 11);
}
