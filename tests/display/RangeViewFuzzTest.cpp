// Hostile state sections for the channel window: random key values, truncated, odd-length,
// non-hex, random and bad-sum binary values, a 10 MB value. Whatever the section holds, the
// pre-load check refuses bad binary values with the section's name, loading leaves every view
// value in range and bad binary values absent, and the chart paints afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "display/DrawingPlane.h"
#include "display/RangeViewSupport.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "platform/ui/ImageCanvas.h"
#include "traces/MeasureList.h"

namespace {

using rangeview::SetCalibration;
using rangeview::SetStimulus;

constexpr const char* kSection = "RangeView2";

const char* const kKeys[] = {"Divisions",      "MeasCaption",        "ShowCaption", "OneMeasurementMarkers",
                             "MarkerAlign",    "EnableGating",       "GatingStart", "GatingStop",
                             "GatingType",     "GatingShape",        "TransformStart", "TransformStop",
                             "ResponseType",   "Beta",               "TimeCenterPriority", "GatingCenterPriority"};

class RangeViewFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = std::make_unique<TRangeView>(services.parent.get());
    source_->Range->SetChangeNotify(true);
    SetStimulus(*source_->Range, 201, 100.0, 1100.0);
    SetCalibration(*source_, 201, 100.0, 1100.0);
    TMemIniFile ini;
    source_->SaveToIni(ini, kSection, 3);
    calText_ = ini.ReadString(kSection, "CalData", "");
    pointText_ = ini.ReadString(kSection, "RangeData", "");
    ASSERT_GT(calText_.size(), 1000u);
  }

  std::string RandomHex(size_t bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s(bytes * 2, '0');
    for (char& c : s) c = digits[rng_() % 16];
    return s;
  }

  std::string RandomText() {
    switch (rng_() % 9) {
      case 0:
        return std::to_string(static_cast<int64_t>(rng_()) - 2147483648LL);
      case 1:
        return std::to_string(static_cast<int>(rng_() % 41) - 10);
      case 2: {
        const char* odd[] = {"nan", "inf", "-inf", "", "1e308", "-1e308", "1e-320", "0x7FFFFFFF", "--5", " 7 "};
        return odd[rng_() % 10];
      }
      case 3:
        return std::to_string(std::ldexp(static_cast<double>(rng_()) / 4294967296.0 - 0.5, static_cast<int>(rng_() % 80) - 60));
      case 4: {
        std::string s(rng_() % 40, ' ');
        for (char& c : s) c = static_cast<char>(rng_() % 256);
        return s;
      }
      case 5:
        return std::string(rng_() % 3000, '9');
      case 6:
        return "1";
      case 7:
        return "0";
      default:
        return std::to_string(static_cast<double>(rng_()) * 1e-17);
    }
  }

  // A binary value that may be good, cut short, odd, not hex, random or of a bad sum.
  std::string RandomBlob(const std::string& good) {
    switch (rng_() % 7) {
      case 0:
        return good;
      case 1:
        return good.substr(0, 2 * (rng_() % (good.size() / 2)));
      case 2:
        return good.substr(0, good.size() - 1 - 2 * (rng_() % 10));
      case 3: {
        std::string s = good;
        s[rng_() % s.size()] = "GZ-x #"[rng_() % 6];
        return s;
      }
      case 4:
        return RandomHex(rng_() % 4000);
      case 5: {
        std::string s = good;
        const size_t i = 2 * (rng_() % (s.size() / 2));
        s[i] = s[i] == '0' ? '1' : '0';
        return s;
      }
      default:
        return "";
    }
  }

  static void ExpectInRange(const TRangeView& view, int round) {
    EXPECT_EQ(0, view.Divisions % 2) << round;
    EXPECT_GE(view.Divisions, 4) << round;
    EXPECT_LE(view.Divisions, 20) << round;
    EXPECT_GE(view.MarkerAlign, 0) << round;
    EXPECT_LE(view.MarkerAlign, 2) << round;
    const TTimeDomainSettings& td = view.TimeDomain;
    const double tmin = TTimeDomainSettings::TimeMin(view.Range);
    const double tmax = TTimeDomainSettings::TimeMax(view.Range);
    for (double t : {td.TransformStart, td.TransformStop, td.GatingStart, td.GatingStop}) {
      EXPECT_TRUE(std::isfinite(t)) << round;
      EXPECT_GE(t, tmin) << round;
      EXPECT_LE(t, tmax) << round;
    }
    EXPECT_LT(td.TransformStart, td.TransformStop) << round;
    EXPECT_LE(td.GatingStart, td.GatingStop) << round;
    EXPECT_GE(td.Beta, 0.0) << round;
    EXPECT_LE(td.Beta, 13.0) << round;
    EXPECT_GE(td.ResponseType, 0) << round;
    EXPECT_LE(td.ResponseType, 2) << round;
    EXPECT_GE(td.GatingType, 0) << round;
    EXPECT_LE(td.GatingType, 1) << round;
    EXPECT_GE(td.GatingShape, 0) << round;
    EXPECT_LE(td.GatingShape, 3) << round;
  }

  // Checks, loads and paints one section; returns whether the check refused it.
  bool CheckLoadPaint(TMemIniFile& ini, TRangeView& view, ui::Canvas& canvas, int round) {
    bool refused = false;
    try {
      TRangeView::CheckIni(ini, kSection, 3);
    } catch (const EAbort& e) {
      refused = true;
      EXPECT_NE(std::string::npos, std::string(e.what()).find(kSection)) << e.what();
    }
    EXPECT_NO_THROW(view.LoadFromIni(ini, kSection, 3)) << round;
    ExpectInRange(view, round);
    EXPECT_NO_THROW(view.DrawingPlane->Paint(canvas)) << round;
    return refused;
  }

  rangeview::Services services;
  std::unique_ptr<TRangeView> source_;
  std::string calText_;
  std::string pointText_;
  std::mt19937 rng_{20261210};
};

TEST_F(RangeViewFuzz, RandomSectionsLoadInRangeAndPaint) {
  TMemIniFile base;
  source_->SaveToIni(base, kSection, 3);
  const std::string baseText = base.GetText();
  auto view = std::make_unique<TRangeView>(services.parent.get());
  ui::ImageCanvas canvas(451, 304);
  int refusals = 0;
  for (int round = 0; round < 150; ++round) {
    TMemIniFile ini;
    ini.LoadFromBytes(baseText);
    for (const char* key : kKeys) {
      const unsigned pick = rng_() % 4;
      if (pick == 0) ini.DeleteKey(kSection, key);
      if (pick >= 2) ini.WriteString(kSection, key, RandomText());
    }
    const std::string cal = RandomBlob(calText_);
    const std::string points = RandomBlob(pointText_);
    ini.WriteString(kSection, "CalData", cal);
    ini.WriteString(kSection, "RangeData", points);
    if (CheckLoadPaint(ini, *view, canvas, round)) ++refusals;
    // A calibration that the check passes loads whole; else none is there.
    if (cal == calText_) {
      EXPECT_NE(nullptr, view->UserCalibration->Terms) << round;
    }
  }
  EXPECT_GT(refusals, 30);
  canvas.Image().save(QString::fromUtf8(TERVAN_BINARY_DIR "/RangeViewFuzz_Last.png"));
}

TEST_F(RangeViewFuzz, TenMegabyteValuesAreRefusedOrIgnored) {
  TMemIniFile ini;
  source_->SaveToIni(ini, kSection, 3);
  ini.WriteString(kSection, "CalData", RandomHex(5 * 1024 * 1024));
  ini.WriteString(kSection, "RangeData", RandomHex(5 * 1024 * 1024));
  EXPECT_THROW(TRangeView::CheckIni(ini, kSection, 1), EAbort);
  EXPECT_NO_THROW(TRangeView::CheckIni(ini, kSection, 2)) << "point data of the wrong size is the channel's to ignore";

  auto view = std::make_unique<TRangeView>(services.parent.get());
  ui::ImageCanvas canvas(451, 304);
  CheckLoadPaint(ini, *view, canvas, 0);
  EXPECT_EQ(nullptr, view->UserCalibration->Terms);
  EXPECT_EQ(0, view->CalibrationStatus);
  EXPECT_EQ(201, view->Range->GetCount());
}

TEST_F(RangeViewFuzz, TinyChartsAndHostileViewValuesPaint) {
  auto view = std::make_unique<TRangeView>(services.parent.get());
  view->SetShowCaption(true);
  view->SetMeasCaption(std::string(5000, 'W'));
  view->Measurements->AddMeasurement(0, 10);
  view->Measurements->AddMeasurement(0, 14);
  for (int size : {1, 10, 40}) {
    ui::ImageCanvas canvas(size, size);
    EXPECT_NO_THROW(view->DrawingPlane->Paint(canvas)) << size;
    // Whatever the plot came to, the marker table's room is derived from it without surprise.
    const TScreenRect area = view->GetMarkerTableArea();
    EXPECT_EQ(view->DrawingPlane->PlotRect.Right, area.Right) << size;
    EXPECT_EQ(view->DrawingPlane->PlotRect.Bottom, area.Bottom) << size;
  }
}

}  // namespace
