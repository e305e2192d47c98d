// The binary calibration form: byte-exact against the forms the peer script packs with
// Python's struct and zlib, the sizes of the layout, round trips through files and the state
// file's hex value, which damage rejects the form and which only drops the extension, and the
// user-calibration and factory-file operations of the module.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calibration/CalibrationFormSupport.h"
#include "calibration/CalibratorModule.h"
#include "calibration/KitTestSupport.h"
#include "calibration/RunTestSupport.h"
#include "common/TestEnv.h"
#include "instrument/Device.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"

namespace {

using calform::FillSample;
using calform::ReadGolden;
using calform::Term;
using kittest::TestFolder;
using Status = TCalibrationForm::TStatus;

struct ChangeCounter {
  explicit ChangeCounter(TCalibr& cal) { cal.OnChange = [this](TFObject*) { ++Count; }; }
  int Count = 0;
};

void ExpectSampleTerms(const TCalibr& cal) {
  ASSERT_NE(nullptr, cal.Terms);
  ASSERT_EQ(3, cal.Terms->GetCount());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(calform::SampleFrequency(i), cal.Terms->GetFrequency(i));
    for (int port = 0; port < 2; ++port) {
      EXPECT_EQ(Term(i, 0 + port), cal.Terms->GetErrorTermA(port, i)) << i << "/" << port;
      EXPECT_EQ(Term(i, 2 + port), cal.Terms->GetErrorTermB(port, i)) << i << "/" << port;
      EXPECT_EQ(Term(i, 4 + port), cal.Terms->GetErrorTermC(port, i)) << i << "/" << port;
      EXPECT_EQ(Term(i, 6 + port), cal.Terms->GetErrorTermD(port, i)) << i << "/" << port;
    }
  }
  EXPECT_EQ(4, cal.Method[0]);
  EXPECT_EQ(1, cal.Method[1]);
  EXPECT_TRUE(cal.PortMatch[0]);
  EXPECT_FALSE(cal.PortMatch[1]);
  EXPECT_EQ("2026-03-14 15:09:26", cal.DataTime);
  // 31 bytes of Cyrillic and a blank, cut to the 19 bytes of whole characters that fit.
  EXPECT_EQ("Набор кали", cal.KitLabel);
}

TEST(CalibrationForm, WritesThePeerGoldenForms) {
  for (bool grid : {false, true}) {
    TCalibr cal;
    FillSample(cal, grid);
    std::vector<uint8_t> form;
    cal.WriteToStream(form);
    const std::vector<uint8_t> golden = ReadGolden(grid ? "calform_grid.bin" : "calform_v2.bin");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(golden, form) << (grid ? "grid" : "version 2");
  }
}

TEST(CalibrationForm, ReadsThePeerGoldenVersion2Form) {
  TCalibr cal;
  ChangeCounter changes(cal);
  const auto result = cal.ReadFromStream(ReadGolden("calform_v2.bin"));
  EXPECT_EQ(Status::Loaded, result.Status) << result.Reason;
  ExpectSampleTerms(cal);
  EXPECT_EQ(calform::SampleSettings(), cal.Settings);
  EXPECT_EQ(calform::SampleSegments(), cal.Segments);
  EXPECT_EQ(1, changes.Count);
}

TEST(CalibrationForm, ReadsThePeerGoldenGridFormAndKeepsTheSegments) {
  TCalibr cal;
  cal.Segments = {TSegment{}};
  cal.Settings.FixedFreq = 77.0;
  const auto result = cal.ReadFromStream(ReadGolden("calform_grid.bin"));
  EXPECT_EQ(Status::Loaded, result.Status) << result.Reason;
  ExpectSampleTerms(cal);
  EXPECT_EQ(3, cal.Settings.SweepMode);
  EXPECT_EQ(893, cal.Settings.NPoints);
  EXPECT_EQ(85.0, cal.Settings.MinFrequency);
  EXPECT_EQ(5400.0, cal.Settings.MaxFrequency);
  EXPECT_EQ(300, cal.Settings.CommonIFBW);
  EXPECT_EQ(77.0, cal.Settings.FixedFreq);
  EXPECT_EQ(TSegments{TSegment{}}, cal.Segments);
}

// The older stimulus record has its own field order; every field carries a value of its own.
TEST(CalibrationForm, ReadsThePeerGoldenVersion1Form) {
  TCalibr cal;
  const auto result = cal.ReadFromStream(ReadGolden("calform_v1.bin"));
  EXPECT_EQ(Status::Loaded, result.Status) << result.Reason;
  ExpectSampleTerms(cal);
  const TRangeSettings& s = cal.Settings;
  EXPECT_EQ(51, s.NPoints);
  EXPECT_EQ(1, s.SweepMode);
  EXPECT_EQ(1000, s.CommonIFBW);
  EXPECT_EQ(120.0, s.MinFrequency);
  EXPECT_EQ(180.0, s.MaxFrequency);
  EXPECT_EQ(1.5, s.CommonDelay);
  EXPECT_EQ(-7.5, s.OutputPower);
  EXPECT_EQ(0.25, s.PowerSlope);
  EXPECT_EQ(-20.0, s.MinPower);
  EXPECT_EQ(2.0, s.MaxPower);
  EXPECT_EQ(160.0, s.FixedFreq);
  EXPECT_TRUE(s.FOMState);
  EXPECT_EQ(3.5, s.FOMOffset[0]);
  EXPECT_EQ(-4.25, s.FOMOffset[1]);
  EXPECT_EQ(-1, s.FOMMultiplier[0]);
  EXPECT_EQ(2, s.FOMMultiplier[1]);
  EXPECT_EQ(3, s.FOMDivider[0]);
  EXPECT_EQ(7, s.FOMDivider[1]);
  EXPECT_TRUE(s.FOMAdjust);
  EXPECT_EQ(1, s.FOMAdjPort);
  EXPECT_EQ(-0.25, s.FOMAdjValue[0]);
  EXPECT_EQ(0.375, s.FOMAdjValue[1]);
  EXPECT_FALSE(s.SegmentListIFBW);
  EXPECT_TRUE(s.SegmentListPower);
  EXPECT_TRUE(s.SegmentListDelay);
  EXPECT_EQ(1, s.SegmentCount);
  EXPECT_EQ(TSegments{calform::SampleSegments()[1]}, cal.Segments);
}

TEST(CalibrationForm, SizesOfALinearUserCalibrationAndASystemGrid) {
  TCalibr user;
  user.Settings.SweepMode = 0;
  user.Settings.NPoints = 201;
  user.Segments = {TSegment{}};
  std::vector<double> f(201);
  for (int i = 0; i < 201; ++i) f[static_cast<size_t>(i)] = 100.0 + i * 5.0;
  user.Terms = new TCalRange(4, 0, f);
  user.Method[0] = 4;
  std::vector<uint8_t> form;
  user.WriteToStream(form);
  EXPECT_EQ(27622u, form.size());
  EXPECT_EQ(1, user.Settings.SegmentCount);

  TCalibr grid;
  grid.Settings.SweepMode = 3;
  grid.Segments = {TSegment{}, TSegment{}};
  grid.Terms = new TCalRange(0, 0, std::vector<double>(848, 100.0));
  grid.WriteToStream(form);
  EXPECT_EQ(115414u, form.size());
}

TEST(CalibrationForm, RoundTripKeepsTermsMethodsFlagsStimulusAndSegments) {
  TCalibr a;
  FillSample(a);
  a.Terms->SetErrorTermA(0, 1, TComplex{std::nextafter(0.3, 1.0), -1e-300});
  a.KitLabel = "0123456789012345678901234";  // 25 characters: 19 are stored
  std::vector<uint8_t> form;
  a.WriteToStream(form);
  TCalibr b;
  ASSERT_EQ(Status::Loaded, b.ReadFromStream(form).Status);
  EXPECT_EQ("0123456789012345678", b.KitLabel);
  b.KitLabel = a.KitLabel;
  std::vector<uint8_t> again;
  b.WriteToStream(again);
  // Byte-equal forms: same terms, methods, flags, texts, stimulus record and segments.
  EXPECT_EQ(form, again);
  EXPECT_EQ(a.Settings, b.Settings);
  EXPECT_EQ(a.Segments, b.Segments);
}

TEST(CalibrationForm, AFlippedRecordBitRejectsTheWholeForm) {
  std::vector<uint8_t> form = ReadGolden("calform_v2.bin");
  form[TCalibrationForm::HeaderSize + 136 + 17] ^= 0x08;
  TCalibr cal;
  FillSample(cal);
  cal.Terms->SetErrorTermA(0, 0, TComplex{9, 9});
  cal.Segments.pop_back();
  const calform::Snapshot before = calform::Take(cal);
  ChangeCounter changes(cal);
  const auto result = cal.ReadFromStream(form);
  EXPECT_EQ(Status::Rejected, result.Status);
  EXPECT_NE(std::string::npos, result.Reason.find("checksum")) << result.Reason;
  EXPECT_EQ(0, changes.Count);
  EXPECT_EQ(before, calform::Take(cal));
}

// The mended rule: a damaged extension is not half applied. The terms and the header's five
// stimulus fields load, the stimulus record and the segments stay, and the change is announced.
TEST(CalibrationForm, AFlippedSegmentBitLoadsTheTermsOnlyAndFiresTheChange) {
  std::vector<uint8_t> form = ReadGolden("calform_v2.bin");
  const size_t e = TCalibrationForm::SizeWithoutExtension(3);
  form[e + TCalibrationForm::V2HeaderSize + 40 + 3] ^= 0x40;
  TCalibr cal;
  TSegment old;
  old.Start = old.Stop = 1234.0;
  cal.Segments = {old};
  cal.Settings.FixedFreq = 999.0;
  cal.Settings.SweepMode = 1;
  ChangeCounter changes(cal);
  const auto result = cal.ReadFromStream(form);
  EXPECT_EQ(Status::LoadedWithoutExtension, result.Status);
  EXPECT_FALSE(result.Reason.empty());
  ExpectSampleTerms(cal);
  EXPECT_EQ(1, changes.Count);
  EXPECT_EQ(TSegments{old}, cal.Segments);
  EXPECT_EQ(999.0, cal.Settings.FixedFreq);
  // The header's five fields.
  EXPECT_EQ(4, cal.Settings.SweepMode);
  EXPECT_EQ(3, cal.Settings.NPoints);
  EXPECT_EQ(100.0, cal.Settings.MinFrequency);
  EXPECT_EQ(201.0, cal.Settings.MaxFrequency);
  EXPECT_EQ(3000, cal.Settings.CommonIFBW);
}

TEST(CalibrationForm, OnePointLoadsAndGivesItsTermsEverywhere) {
  TCalibr a;
  a.Settings.SweepMode = 3;
  a.Terms = new TCalRange(2, 0, std::vector<double>{500.0});
  a.Terms->SetErrorTermA(0, 0, TComplex{0.5, 0.25});
  std::vector<uint8_t> form;
  a.WriteToStream(form);
  TCalibr b;
  ASSERT_EQ(Status::Loaded, b.ReadFromStream(form).Status);
  TComplex A, B, C, D;
  b.Terms->InterpolateTerms(0, -1, 3000.0, A, B, C, D);
  EXPECT_EQ((TComplex{0.5, 0.25}), A);
}

TEST(CalibrationForm, UnknownMethodCodesReadAsNoneAndAnyPortMatchByteAsTrue) {
  std::vector<uint8_t> form = ReadGolden("calform_grid.bin");
  le::PutI32(form.data() + 68, 7);
  le::PutI32(form.data() + 72, -1);
  form[77] = 0x80;
  calform::Reseal(form, TCalibrationForm::HeaderSize + 3 * TCalibrationForm::RecordSize);
  TCalibr cal;
  ASSERT_EQ(Status::Loaded, cal.ReadFromStream(form).Status);
  EXPECT_EQ(0, cal.Method[0]);
  EXPECT_EQ(0, cal.Method[1]);
  EXPECT_TRUE(cal.PortMatch[1]);
}

TEST(CalibrationForm, StateFileHexValueCarriesTheForm) {
  TCalibr a;
  FillSample(a);
  std::vector<uint8_t> form;
  a.WriteToStream(form);
  const std::string path = TestFolder("state") + "/state.cfg";
  {
    TMemIniFile ini(path);
    ini.WriteBinaryStream("Channel1", "CalData", form);
    ini.UpdateFile();
  }
  TMemIniFile ini(path);
  std::vector<uint8_t> read;
  ASSERT_EQ(form.size(), ini.ReadBinaryStream("Channel1", "CalData", read));
  TCalibr b;
  ASSERT_EQ(Status::Loaded, b.ReadFromStream(read).Status);
  ExpectSampleTerms(b);
  EXPECT_EQ(a.Segments, b.Segments);
}

// A calibration without terms still writes its stored form (the state file keeps it), and a
// form without terms loads nothing, quietly.
TEST(CalibrationForm, FormWithoutTermsIsWrittenButNeverLoads) {
  TCalibr empty;
  empty.Settings.SweepMode = 0;
  std::vector<uint8_t> form;
  empty.WriteToStream(form);
  EXPECT_EQ(246u, form.size());
  TCalibr cal;
  FillSample(cal);
  const calform::Snapshot before = calform::Take(cal);
  const auto result = cal.ReadFromStream(form);
  EXPECT_EQ(Status::Rejected, result.Status);
  EXPECT_TRUE(result.NoTerms);
  EXPECT_EQ(before, calform::Take(cal));
  EXPECT_TRUE(cal.ReadFromStream(std::vector<uint8_t>{}).NoTerms);

  const std::string folder = TestFolder("cal");
  empty.SaveToFile(folder + "/ext.cal");
  EXPECT_TRUE(platform::AtomicFile::exists(folder + "/ext.cal"));
  empty.Settings.SweepMode = 3;
  empty.SaveToFile(folder + "/bare.cal");
  EXPECT_FALSE(platform::AtomicFile::exists(folder + "/bare.cal"));
}

TEST(CalibrationForm, FileRoundTripAndFileErrors) {
  const std::string folder = TestFolder("cal");
  TCalibr a;
  FillSample(a);
  a.SaveToFile(folder + "/user.cal");
  TCalibr b;
  EXPECT_EQ(Status::Loaded, b.LoadFromFile(folder + "/user.cal").Status);
  ExpectSampleTerms(b);

  // A failed write raises and names the file.
  try {
    a.SaveToFile(folder + "/no such folder/user.cal");
    ADD_FAILURE() << "no exception";
  } catch (const EAbort& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("user.cal")) << e.what();
  }

  const calform::Snapshot before = calform::Take(b);
  auto result = b.LoadFromFile(folder + "/missing.cal");
  EXPECT_EQ(Status::Rejected, result.Status);
  EXPECT_NE(std::string::npos, result.Reason.find("does not exist"));
  // Larger than any form: refused before it is read (a sparse file costs nothing).
  const std::string huge = folder + "/huge.cal";
  { std::ofstream(huge, std::ios::binary) << 'x'; }
  std::filesystem::resize_file(huge, TCalibrationForm::MaxSize + 1);
  result = b.LoadFromFile(huge);
  EXPECT_EQ(Status::Rejected, result.Status);
  EXPECT_NE(std::string::npos, result.Reason.find("too large")) << result.Reason;
  // The text form is named as such.
  a.ExportToIni(folder + "/text.cal", "Channel0\\Correction\\11", "High");
  result = b.LoadFromFile(folder + "/text.cal");
  EXPECT_EQ(Status::Rejected, result.Status);
  EXPECT_NE(std::string::npos, result.Reason.find("text")) << result.Reason;
  EXPECT_EQ(before, calform::Take(b));
}

TEST(CalibrationForm, UserCalibrationSaveRefusesACalibrationWithoutTerms) {
  const std::string folder = TestFolder("cal");
  TCalibratorModule module(folder + "/tervan.ini");
  TCalibr user;
  runtest::FakeChannelWindow window;
  window.Calibr = &user;
  module.ActiveWindow = &window;
  try {
    module.SaveUserCalibration(folder + "/none.cal");
    ADD_FAILURE() << "no exception";
  } catch (const EAbort& e) {
    EXPECT_EQ(200, e.HelpContext);
    EXPECT_NE(std::string::npos, std::string(e.what()).find("no error terms")) << e.what();
  }
  EXPECT_FALSE(platform::AtomicFile::exists(folder + "/none.cal"));

  FillSample(user);
  module.SaveUserCalibration(folder + "/user.cal");
  TCalibr other;
  window.Calibr = &other;
  EXPECT_EQ(Status::Loaded, module.LoadUserCalibration(folder + "/user.cal").Status);
  ExpectSampleTerms(other);
  // A user-requested load says why it failed.
  EXPECT_THROW(module.LoadUserCalibration(folder + "/missing.cal"), EAbort);
  std::vector<uint8_t> damaged = ReadGolden("calform_v2.bin");
  damaged[100] ^= 1;
  {
    std::ofstream out(folder + "/damaged.cal", std::ios::binary);
    out.write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
  }
  try {
    module.LoadUserCalibration(folder + "/damaged.cal");
    ADD_FAILURE() << "no exception";
  } catch (const EAbort& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("checksum")) << e.what();
  }
}

TEST(CalibrationForm, FactoryFilesLoadOnTheK12Only) {
  for (int row : {3, 4}) {
    TDevice device(row);
    TSynthesizerTV k12;
    TSynthesizerTV30 k30;
    TScopedServices scope;
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    const std::string root = GetAppDirectory();
    TCalibr source;
    FillSample(source, true);
    source.SaveToFile(root + TCalibratorModule::FactoryFileName);
    source.Terms->SetErrorTermA(0, 0, TComplex{7, 7});
    source.SaveToFile(root + TCalibratorModule::FactoryLowPowerFileName);
    TCalibratorModule module(TestFolder("settings") + "/tervan.ini");
    if (row == 3) {
      ExpectSampleTerms(module.GetSystemCal());
      ASSERT_NE(nullptr, module.GetSystemCalLowPower().Terms);
      EXPECT_EQ((TComplex{7, 7}), module.GetSystemCalLowPower().Terms->GetErrorTermA(0, 0));
    } else {
      EXPECT_EQ(nullptr, module.GetSystemCal().Terms);
      EXPECT_EQ(nullptr, module.GetSystemCalLowPower().Terms);
      EXPECT_EQ(0, module.LoadFactoryFiles());
    }
    std::filesystem::remove(root + TCalibratorModule::FactoryFileName);
    std::filesystem::remove(root + TCalibratorModule::FactoryLowPowerFileName);
  }
}

}  // namespace
