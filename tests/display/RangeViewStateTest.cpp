// The channel window's state section: what each save type writes, a byte-identical round trip,
// defaults and clamps of hand-edited values, the older calibration key, the trigger hold before
// point data, and the pre-load check of the binary values.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/RangeViewSupport.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

using rangeview::SetCalibration;
using rangeview::SetStimulus;

constexpr const char* kSection = "RangeView0";

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

class RangeViewState : public ::testing::Test {
 protected:
  std::unique_ptr<TRangeView> Placed() { return std::make_unique<TRangeView>(services.parent.get()); }

  // A window with every view setting off its default, two traces, a 201-point channel over
  // 100..1100 MHz with measured points, and a calibration at the channel's frequencies.
  std::unique_ptr<TRangeView> Configured() {
    auto view = Placed();
    view->Range->SetChangeNotify(true);
    SetStimulus(*view->Range, 201, 100.0, 1100.0);
    view->Measurements->AddMeasurement(0, 2);
    view->Measurements->SetMarkerCouple(true);
    view->SetDivisions(12);
    view->SetMeasCaption("Кабель №1 = \"A\"");
    view->SetShowCaption(true);
    view->SetOneMeasurementMarkers(false);
    view->SetMarkerAlign(1);
    TTimeDomainSettings& td = view->TimeDomain;
    td.TransformStart = -5e-8;
    td.TransformStop = 6.5e-8;
    td.TimeCenterPriority = true;
    td.ResponseType = 2;
    td.Beta = 6.5;
    td.EnableGating = true;
    td.GatingStart = 1.25e-8;
    td.GatingStop = 3e-8;
    td.GatingType = 1;
    td.GatingShape = 3;
    td.GatingCenterPriority = true;
    SetCalibration(*view, 201, 100.0, 1100.0);
    for (int i = 0; i < view->Range->GetCount(); ++i) {
      view->Range->SetPointData(0, i, TComplex{0.25 + 0.001 * i, -0.125});
    }
    return view;
  }

  static std::string Text(const TMemIniFile& ini) { return ini.GetText(); }

  rangeview::Services services;
};

TEST_F(RangeViewState, SaveLoadSaveIsByteIdenticalForEverySaveType) {
  auto source = Configured();
  for (int saveType = 0; saveType <= 3; ++saveType) {
    TMemIniFile first;
    source->SaveToIni(first, kSection, saveType);
    EXPECT_EQ(saveType == 1 || saveType == 3, first.ValueExists(kSection, "CalData")) << saveType;
    EXPECT_EQ(saveType == 2 || saveType == 3, first.ValueExists(kSection, "RangeData")) << saveType;
    EXPECT_TRUE(first.SectionExists(std::string(kSection) + "Range")) << saveType;

    auto copy = Placed();
    copy->LoadFromIni(first, kSection, saveType);
    TMemIniFile second;
    copy->SaveToIni(second, kSection, saveType);
    EXPECT_EQ(Text(first), Text(second)) << "save type " << saveType;

    EXPECT_EQ(12, copy->Divisions);
    EXPECT_EQ(source->MeasCaption, copy->MeasCaption);
    EXPECT_TRUE(copy->ShowCaption);
    EXPECT_FALSE(copy->OneMeasurementMarkers);
    EXPECT_EQ(1, copy->MarkerAlign);
    EXPECT_EQ(2, copy->Measurements->GetCount());
    EXPECT_DOUBLE_EQ(-5e-8, copy->TimeDomain.TransformStart);
    EXPECT_DOUBLE_EQ(1.25e-8, copy->TimeDomain.GatingStart);
    EXPECT_EQ(3, copy->TimeDomain.GatingShape);
    EXPECT_TRUE(copy->TimeDomain.TimeCenterPriority);
    // The calibration comes along with save types 1 and 3 only.
    EXPECT_EQ(saveType == 1 || saveType == 3 ? 2 : 0, copy->CalibrationStatus) << saveType;
  }
}

TEST_F(RangeViewState, AnEmptyCalibrationIsWrittenAllTheSame) {
  auto view = Placed();
  TMemIniFile ini;
  view->SaveToIni(ini, kSection, 1);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(TRangeView::ReadHexValue(ini, kSection, "CalData", bytes));
  EXPECT_FALSE(bytes.empty());
  auto copy = Placed();
  copy->LoadFromIni(ini, kSection, 1);
  EXPECT_EQ(nullptr, copy->UserCalibration->Terms);
  EXPECT_EQ(0, copy->CalibrationStatus);
}

TEST_F(RangeViewState, AMissingKeyTakesItsDefault) {
  auto source = Configured();
  TMemIniFile ini;
  source->SaveToIni(ini, kSection, 0);
  ini.EraseSection(kSection);
  ini.WriteInteger(kSection, "Divisions", 8);

  auto view = Configured();
  view->LoadFromIni(ini, kSection, 0);
  EXPECT_EQ(8, view->Divisions);
  EXPECT_EQ("", view->MeasCaption);
  EXPECT_FALSE(view->ShowCaption);
  EXPECT_TRUE(view->OneMeasurementMarkers);
  EXPECT_EQ(2, view->MarkerAlign);
  const TTimeDomainSettings defaults;
  const TTimeDomainSettings& td = view->TimeDomain;
  EXPECT_DOUBLE_EQ(defaults.TransformStart, td.TransformStart);
  EXPECT_DOUBLE_EQ(defaults.TransformStop, td.TransformStop);
  EXPECT_DOUBLE_EQ(defaults.GatingStart, td.GatingStart);
  EXPECT_DOUBLE_EQ(defaults.GatingStop, td.GatingStop);
  EXPECT_DOUBLE_EQ(defaults.Beta, td.Beta);
  EXPECT_EQ(defaults.ResponseType, td.ResponseType);
  EXPECT_EQ(defaults.GatingType, td.GatingType);
  EXPECT_EQ(defaults.GatingShape, td.GatingShape);
  EXPECT_FALSE(td.EnableGating);
  EXPECT_FALSE(td.TimeCenterPriority);
  EXPECT_FALSE(td.GatingCenterPriority);
}

TEST_F(RangeViewState, HandEditedValuesAreBroughtIntoRange) {
  struct Case {
    const char* key;
    const char* value;
  };
  // Divisions as the setter makes them; an alignment outside its codes the default.
  struct Divisions {
    const char* text;
    int stored;
  };
  const Divisions divisions[] = {{"0", 4}, {"7", 6}, {"99", 20}, {"-3", 4}, {"x", 10}, {"16", 16}};
  for (const Divisions& d : divisions) {
    TMemIniFile ini;
    ini.WriteString(kSection, "Divisions", d.text);
    auto view = Placed();
    view->LoadFromIni(ini, kSection, 0);
    EXPECT_EQ(d.stored, view->Divisions) << d.text;
  }
  struct Align {
    const char* text;
    int stored;
  };
  const Align aligns[] = {{"5", 2}, {"-1", 2}, {"0", 0}, {"1", 1}, {"2", 2}, {"2147483647", 2}};
  for (const Align& a : aligns) {
    TMemIniFile ini;
    ini.WriteString(kSection, "MarkerAlign", a.text);
    auto view = Placed();
    view->LoadFromIni(ini, kSection, 0);
    EXPECT_EQ(a.stored, view->MarkerAlign) << a.text;
  }

  // Time-domain values go through the settings' clamp once the channel is read: the stored
  // channel of 201 points over 1000 MHz allows +-200 ns.
  auto source = Configured();
  TMemIniFile ini;
  source->SaveToIni(ini, kSection, 0);
  const Case hostile[] = {{"TransformStart", "-1"}, {"TransformStop", "1e300"}, {"GatingStart", "-5"},
                          {"GatingStop", "7"},       {"Beta", "99"},             {"ResponseType", "7"},
                          {"GatingType", "-4"},      {"GatingShape", "9"}};
  for (const Case& c : hostile) ini.WriteString(kSection, c.key, c.value);
  auto view = Placed();
  view->LoadFromIni(ini, kSection, 0);
  const TTimeDomainSettings& td = view->TimeDomain;
  const double tmax = TTimeDomainSettings::TimeMax(view->Range);
  EXPECT_DOUBLE_EQ(2e-7, tmax);
  EXPECT_GE(td.TransformStart, -tmax);
  EXPECT_LE(td.TransformStop, tmax);
  EXPECT_LT(td.TransformStart, td.TransformStop);
  EXPECT_GE(td.GatingStart, -tmax);
  EXPECT_LE(td.GatingStop, tmax);
  EXPECT_LE(td.GatingStart, td.GatingStop);
  EXPECT_DOUBLE_EQ(13.0, td.Beta);
  EXPECT_EQ(0, td.ResponseType);
  EXPECT_EQ(0, td.GatingType);
  EXPECT_EQ(1, td.GatingShape);
}

TEST_F(RangeViewState, SaveTypeDecidesCalibrationClearingAndTheTriggerHold) {
  auto source = Configured();
  TMemIniFile ini;
  source->SaveToIni(ini, kSection, 3);

  struct Case {
    int saveType;
    bool calibrated;
    bool held;
  };
  const Case cases[] = {{0, false, false}, {1, true, false}, {2, false, true}, {3, true, true}};
  for (const Case& c : cases) {
    services.scanner.TriggerMode = TScannerModule::Continuous;
    auto view = Placed();
    SetStimulus(*view->Range, 201, 100.0, 1100.0);
    SetCalibration(*view, 201, 100.0, 1100.0);
    view->LoadFromIni(ini, kSection, c.saveType);
    EXPECT_EQ(c.calibrated, view->UserCalibration->Terms != nullptr) << c.saveType;
    EXPECT_EQ(c.calibrated ? 2 : 0, view->CalibrationStatus) << c.saveType;
    EXPECT_EQ(c.held ? TScannerModule::Hold : TScannerModule::Continuous, services.scanner.TriggerMode) << c.saveType;
    // Point data arrives only with save types 2 and 3, and reaches the traces.
    const double s11 = view->Range->GetPointData(0, 100).Re;
    EXPECT_EQ(c.held, s11 > 0.3) << c.saveType << " " << s11;
  }
}

TEST_F(RangeViewState, TheOlderCalibrationKeyIsReadAndTheWindowsOwnWins) {
  auto narrow = Placed();
  SetStimulus(*narrow->Range, 201, 100.0, 1100.0);
  SetCalibration(*narrow, 101, 100.0, 1100.0);
  std::vector<uint8_t> older;
  narrow->UserCalibration->WriteToStream(older);

  auto source = Configured();
  TMemIniFile ini;
  source->SaveToIni(ini, kSection, 1);
  ini.WriteBinaryStream("Network analyzer", "CalibrationData", older);

  auto view = Placed();
  view->LoadFromIni(ini, kSection, 1);
  ASSERT_NE(nullptr, view->UserCalibration->Terms);
  EXPECT_EQ(201, view->UserCalibration->Terms->GetCount());

  ini.DeleteKey(kSection, "CalData");
  view->LoadFromIni(ini, kSection, 1);
  ASSERT_NE(nullptr, view->UserCalibration->Terms);
  EXPECT_EQ(101, view->UserCalibration->Terms->GetCount());
  EXPECT_EQ(3, view->CalibrationStatus);
}

TEST_F(RangeViewState, ValuesKeptFromTheCheckLoadLikeTheDocumentAndNeverForAnother) {
  auto source = Configured();
  TMemIniFile wide;
  source->SaveToIni(wide, kSection, 3);
  auto other = Placed();
  SetStimulus(*other->Range, 201, 100.0, 1100.0);
  SetCalibration(*other, 101, 100.0, 1100.0);
  TMemIniFile narrow;
  other->SaveToIni(narrow, kSection, 3);

  // Loaded with the check's values: the same save as a load that reads the document itself.
  auto plain = Placed();
  plain->LoadFromIni(wide, kSection, 3);
  TMemIniFile expected;
  plain->SaveToIni(expected, kSection, 3);
  auto kept = Placed();
  TRangeView::TCheckedValues values;
  TRangeView::CheckIni(wide, kSection, 3, values);
  EXPECT_TRUE(values.HasCalibration);
  EXPECT_TRUE(values.HasPointData);
  kept->KeepCheckedValues(std::move(values));
  kept->LoadFromIni(wide, kSection, 3);
  TMemIniFile got;
  kept->SaveToIni(got, kSection, 3);
  EXPECT_TRUE(Text(got) == Text(expected));
  ASSERT_NE(nullptr, kept->UserCalibration->Terms);
  EXPECT_EQ(201, kept->UserCalibration->Terms->GetCount());

  // Values checked on one document are not taken for another, another section or save type.
  struct Case {
    const char* what;
    const TMemIniFile* checked;
    const char* section;
    int saveType;
  };
  const Case cases[] = {
      {"another document", &wide, kSection, 3},
      {"another section", &narrow, "RangeView1", 3},
      {"another save type", &narrow, kSection, 1},
  };
  for (const Case& c : cases) {
    auto view = Placed();
    TRangeView::TCheckedValues stale;
    TMemIniFile copy;
    if (std::string(c.section) != kSection) {
      other->SaveToIni(copy, c.section, c.saveType);
      TRangeView::CheckIni(copy, c.section, c.saveType, stale);
    } else {
      TRangeView::CheckIni(*c.checked, c.section, c.saveType, stale);
    }
    view->KeepCheckedValues(std::move(stale));
    view->LoadFromIni(narrow, kSection, 3);
    ASSERT_NE(nullptr, view->UserCalibration->Terms) << c.what;
    EXPECT_EQ(101, view->UserCalibration->Terms->GetCount()) << c.what;
  }
  // Dropped values are gone: the load reads the document.
  auto dropped = Placed();
  TRangeView::TCheckedValues values2;
  TRangeView::CheckIni(wide, kSection, 3, values2);
  dropped->KeepCheckedValues(std::move(values2));
  dropped->DropCheckedValues();
  dropped->LoadFromIni(narrow, kSection, 3);
  ASSERT_NE(nullptr, dropped->UserCalibration->Terms);
  EXPECT_EQ(101, dropped->UserCalibration->Terms->GetCount());
}

TEST_F(RangeViewState, CheckIniRefusesBadBinaryValuesNamingTheSection) {
  auto source = Configured();
  TMemIniFile good;
  source->SaveToIni(good, kSection, 3);
  for (int saveType = 0; saveType <= 3; ++saveType) {
    EXPECT_NO_THROW(TRangeView::CheckIni(good, kSection, saveType)) << saveType;
  }
  std::vector<uint8_t> cal;
  ASSERT_TRUE(TRangeView::ReadHexValue(good, kSection, "CalData", cal));
  std::vector<uint8_t> badSum = cal;
  badSum[TCalibrationForm::HeaderSize + 10] ^= 0x40;
  const std::string calText = good.ReadString(kSection, "CalData", "");
  const std::string pointText = good.ReadString(kSection, "RangeData", "");

  struct Case {
    const char* what;
    const char* key;
    std::string value;
    bool refusedForCalibration;  // save types 1 and 3
    bool refusedForPoints;       // save types 2 and 3
  };
  TMemIniFile scratch;
  scratch.WriteBinaryStream("x", "y", badSum);
  const Case cases[] = {
      {"odd calibration", "CalData", calText.substr(0, calText.size() - 1), true, false},
      {"non-hex calibration", "CalData", "ZZ" + calText.substr(2), true, false},
      {"lower-case hex is hex", "CalData", Lower(calText), false, false},
      {"bad check sum", "CalData", scratch.ReadString("x", "y", ""), true, false},
      {"truncated calibration", "CalData", calText.substr(0, calText.size() / 2), true, false},
      {"odd points", "RangeData", pointText + "0", false, true},
      {"non-hex points", "RangeData", pointText.substr(0, 6) + "G0" + pointText.substr(8), false, true},
      {"empty points", "RangeData", "", false, false},
  };
  for (const Case& c : cases) {
    TMemIniFile ini;
    source->SaveToIni(ini, kSection, 3);
    ini.WriteString(kSection, c.key, c.value);
    for (int saveType = 0; saveType <= 3; ++saveType) {
      const bool refused = ((saveType == 1 || saveType == 3) && c.refusedForCalibration) ||
                           ((saveType == 2 || saveType == 3) && c.refusedForPoints);
      try {
        TRangeView::CheckIni(ini, kSection, saveType);
        EXPECT_FALSE(refused) << c.what << " save type " << saveType;
      } catch (const EAbort& e) {
        EXPECT_TRUE(refused) << c.what << " save type " << saveType << ": " << e.what();
        EXPECT_NE(std::string::npos, std::string(e.what()).find(kSection)) << e.what();
      }
    }
    // Loading alone treats a bad value as missing: no calibration, the points as they were.
    auto view = Placed();
    view->LoadFromIni(ini, kSection, 3);
    if (c.refusedForCalibration) {
      EXPECT_EQ(nullptr, view->UserCalibration->Terms) << c.what;
      EXPECT_EQ(0, view->CalibrationStatus) << c.what;
    }
    if (c.refusedForPoints) {
      EXPECT_LT(view->Range->GetPointData(0, 100).Re, 0.3) << c.what;
    }
  }
}

}  // namespace
