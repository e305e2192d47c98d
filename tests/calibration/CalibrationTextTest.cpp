// The calibration text form: what the export writes (keys, digits, sections), what the import
// takes (first user section, exact method names, end-of-data rules) and how it fails (nothing
// changes, and the caller learns why).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calibration/CalibrationFormSupport.h"
#include "calibration/KitTestSupport.h"
#include "model/EAbort.h"
#include "model/FastIni.h"
#include "platform/AtomicFile.h"

namespace {

using kittest::TestFolder;
using Status = TCalibrationForm::TStatus;

const std::string kUser0 = "Channel0\\Correction\\11";

using calform::ReadText;
using calform::WriteText;

// A user section with the given data lines.
std::string UserFile(const std::vector<std::string>& lines, const std::string& section = kUser0,
                     const std::string& corName = "F1") {
  std::string text = "[" + section + "]\r\nCorName=" + corName + "\r\nDataTime=2026-01-01 00:00:00\r\n"
                     "KitLabel=Kit\r\nCalIFBW=3000\r\nPower=High\r\nCalPoints=" +
                     std::to_string(lines.size()) + "\r\n\r\n[" + section + "\\Data]\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// A calibration whose table the tests recognise.
void FillKnown(TCalibr& cal) {
  calform::FillSample(cal);
  cal.Settings.MinFrequency = 11.0;
  cal.Settings.MaxFrequency = 22.0;
  cal.Settings.NPoints = 3;
}

TEST(CalibrationText, ExportWritesTheKeysAndOneLinePerPointWithFixedDigits) {
  const std::string path = TestFolder("text") + "/export.cal";
  WriteText(path, "old contents");
  TCalibr cal;
  calform::FillSample(cal);
  cal.Terms->GetPoint(1)->Frequency = 1234.56789012345;
  cal.Terms->SetErrorTermA(0, 1, TComplex{0.123456789123, -1.5e-7});
  cal.ExportToIni(path, "System\\Correction\\11", "Low");
  const std::string text = ReadText(path);
  EXPECT_EQ(std::string::npos, text.find("old contents"));
  EXPECT_EQ(0u, text.find("[System\\Correction\\11]\r\nCorName=F1\r\nDataTime=2026-03-14 15:09:26\r\n"
                          "KitLabel=Набор калибровки\r\nCalIFBW=3000\r\nPower=Low\r\nCalPoints=3\r\n"))
      << text;
  EXPECT_NE(std::string::npos, text.find("[System\\Correction\\11\\Data]\r\n100000000 0.125 -0.25 "));
  // 12 significant digits for the frequency in hertz, 9 for each term part.
  EXPECT_NE(std::string::npos, text.find("\r\n1234567890.12 0.123456789 -1.5e-07 0.265625 "));
}

TEST(CalibrationText, ExportWithoutTermsWritesTheFiveKeysOnly) {
  const std::string path = TestFolder("text") + "/empty.cal";
  TCalibr cal;
  cal.ExportToIni(path, kUser0, "High");
  TFastIni ini(path);
  std::vector<std::string> keys;
  ini.ReadSection(kUser0, keys);
  EXPECT_EQ((std::vector<std::string>{"CorName", "DataTime", "KitLabel", "CalIFBW", "Power"}), keys);
  EXPECT_FALSE(ini.SectionExists(kUser0 + "\\Data"));

  // It imports as a calibration without terms.
  TCalibr back;
  FillKnown(back);
  const auto result = back.ImportFromIni(path);
  EXPECT_EQ(Status::Loaded, result.Status) << result.Reason;
  EXPECT_TRUE(result.NoTerms);
  EXPECT_EQ(nullptr, back.Terms);
  EXPECT_EQ(0, back.Method[0]);
  EXPECT_EQ(0, back.Method[1]);
  EXPECT_EQ(10000, back.Settings.CommonIFBW);
  // No table: the previous start and stop stay.
  EXPECT_EQ(11.0, back.Settings.MinFrequency);
  EXPECT_EQ(22.0, back.Settings.MaxFrequency);
}

TEST(CalibrationText, RoundTripKeepsThePort0ReflectionTermsToTheWrittenDigits) {
  const std::string path = TestFolder("text") + "/f1.cal";
  TCalibr a;
  a.Method[0] = cmF1;
  a.Settings.CommonIFBW = 1000;
  a.DataTime = "2026-02-03 04:05:06";
  a.KitLabel = "Kit A";
  std::vector<double> f;
  for (int i = 0; i < 101; ++i) f.push_back(85.0 + i * 53.1234567891);
  a.Terms = new TCalRange(cmF1, 0, f);
  for (int i = 0; i < 101; ++i) {
    a.Terms->SetErrorTermA(0, i, TComplex{std::cos(i * 0.1) / 3, std::sin(i * 0.37) * 1e-3});
    a.Terms->SetErrorTermB(0, i, TComplex{1.0 / (i + 7), -2.0 / (i + 3)});
    a.Terms->SetErrorTermC(0, i, TComplex{-0.1 * i, 12345.678901234});
    a.Terms->SetErrorTermD(1, i, TComplex{0.9, 0.1});
  }
  a.ExportToIni(path, kUser0, "High");
  TCalibr b;
  int changes = 0;
  b.OnChange = [&](TFObject*) { ++changes; };
  ASSERT_EQ(Status::Loaded, b.ImportFromIni(path).Status);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(cmF1, b.Method[0]);
  EXPECT_EQ(0, b.Method[1]);
  EXPECT_EQ(1000, b.Settings.CommonIFBW);
  EXPECT_EQ("2026-02-03 04:05:06", b.DataTime);
  EXPECT_EQ("Kit A", b.KitLabel);
  ASSERT_NE(nullptr, b.Terms);
  ASSERT_EQ(101, b.Terms->GetCount());
  EXPECT_EQ(101, b.Settings.NPoints);
  EXPECT_NEAR(f.front(), b.Settings.MinFrequency, 1e-12 * f.front());
  EXPECT_NEAR(f.back(), b.Settings.MaxFrequency, 1e-12 * f.back());
  auto near = [](double x, double y, double digits) { return std::fabs(x - y) <= std::fabs(x) * 0.5 * std::pow(10.0, 1 - digits); };
  for (int i = 0; i < 101; ++i) {
    EXPECT_TRUE(near(f[static_cast<size_t>(i)], b.Terms->GetFrequency(i), 12)) << i;
    for (auto [x, y] : {std::pair{a.Terms->GetErrorTermA(0, i), b.Terms->GetErrorTermA(0, i)},
                        std::pair{a.Terms->GetErrorTermB(0, i), b.Terms->GetErrorTermB(0, i)},
                        std::pair{a.Terms->GetErrorTermC(0, i), b.Terms->GetErrorTermC(0, i)}}) {
      EXPECT_TRUE(near(x.Re, y.Re, 9)) << i << ": " << x.Re << " vs " << y.Re;
      EXPECT_TRUE(near(x.Im, y.Im, 9)) << i << ": " << x.Im << " vs " << y.Im;
    }
    EXPECT_EQ((TComplex{0, 0}), b.Terms->GetErrorTermD(1, i));  // transmission is not carried
  }
}

TEST(CalibrationText, ImportTakesTheFirstUserSectionAndExactMethodNames) {
  const std::string folder = TestFolder("text");
  // Only channel 2's section: it is read.
  WriteText(folder + "/c2.cal", UserFile({"1000000 1 0 0 0 0 0"}, "Channel2\\Correction\\11", "RO"));
  TCalibr cal;
  ASSERT_EQ(Status::Loaded, cal.ImportFromIni(folder + "/c2.cal").Status);
  EXPECT_EQ(cmRO, cal.Method[0]);
  ASSERT_EQ(1, cal.Terms->GetCount());
  EXPECT_EQ(1.0, cal.Terms->GetFrequency(0));
  EXPECT_EQ((TComplex{1, 0}), cal.Terms->GetErrorTermA(0, 0));
  EXPECT_EQ((TComplex{0, 0}), cal.Terms->GetErrorTermB(0, 0));
  EXPECT_EQ((TComplex{0, 0}), cal.Terms->GetErrorTermC(0, 0));
  EXPECT_EQ(3000, cal.Settings.CommonIFBW);

  struct Case {
    const char* name;
    int method;
  };
  for (const Case& c : {Case{"RT", cmRT}, Case{"RO", cmRO}, Case{"RS", cmRS}, Case{"F1", cmF1}, Case{"OP", cmOP},
                        Case{"RO+S", cmROS}, Case{"f1", 0}, Case{"ro+s", 0}, Case{"", 0}, Case{"F1+", 0}}) {
    WriteText(folder + "/m.cal", UserFile({"1000000 1 0 0 0 0 0"}, kUser0, c.name));
    ASSERT_EQ(Status::Loaded, cal.ImportFromIni(folder + "/m.cal").Status) << c.name;
    EXPECT_EQ(c.method, cal.Method[0]) << "\"" << c.name << "\"";
  }
}

TEST(CalibrationText, TheDataEndAtTheFirstBadLine) {
  const std::string folder = TestFolder("text");
  const std::string good1 = "1000000 0.5 0 0 0 0 0";
  const std::string good2 = "2000000 0.5 0 0 0 0 0";
  struct Case {
    std::string bad;
    int points;  // points taken from good1, good2, bad, good2 ...
  };
  const Case cases[] = {
      {"3000000 1 2 3 4 5", 2},           // six numbers
      {"3000000 1 2 3 4 5 6 7", 2},       // eight numbers
      {"1e999 1 2 3 4 5 6", 2},           // overflow is no number
      {"3000000 1e999 2 3 4 5 6", 2},
      {"nan 1 2 3 4 5 6", 2},
      {"3000000 nan 2 3 4 5 6", 2},
      {"3000000,1,2,3,4,5,6", 2},         // commas are decimal points, not separators
      {"1500000 1 2 3 4 5 6", 2},         // falling
      {"-3000000 1 2 3 4 5 6", 2},        // negative
      {"0 1 2 3 4 5 6", 2},               // zero
      {"garbage", 2},
      {"2000000 1 2 3 4 5 6", 4},         // equal frequencies stay (segments may touch)
      {"3000000 1,5 2 3 4 5 6", 4},       // a decimal comma inside a number is a number
  };
  for (const Case& c : cases) {
    WriteText(folder + "/d.cal", UserFile({good1, good2, c.bad, "9000000 1 2 3 4 5 6"}));
    TCalibr cal;
    ASSERT_EQ(Status::Loaded, cal.ImportFromIni(folder + "/d.cal").Status) << c.bad;
    EXPECT_EQ(c.points, cal.Terms->GetCount()) << c.bad;
    EXPECT_EQ(c.points, cal.Settings.NPoints) << c.bad;
    EXPECT_EQ(1.0, cal.Settings.MinFrequency);
  }
}

TEST(CalibrationText, FailedImportsChangeNothingAndSayWhy) {
  const std::string folder = TestFolder("text");
  struct Case {
    std::string file;
    std::string text;  // empty: no file
    std::string reason;
  };
  TCalibr binary;
  calform::FillSample(binary);
  binary.SaveToFile(folder + "/binary.cal");
  const Case cases[] = {
      {"missing.cal", "", "does not exist"},
      {"system.cal", UserFile({"1000000 1 0 0 0 0 0"}, "System\\Correction\\11"), "no user calibration"},
      {"nodata.cal", UserFile({"x", "1000000 1 0 0 0 0 0"}), "no calibration data line"},
      {"emptydata.cal", UserFile({}), "no calibration data line"},
      {"binary.cal", "", "binary calibration file"},
  };
  for (const Case& c : cases) {
    if (!c.text.empty()) WriteText(folder + "/" + c.file, c.text);
    TCalibr cal;
    FillKnown(cal);
    const calform::Snapshot before = calform::Take(cal);
    int changes = 0;
    cal.OnChange = [&](TFObject*) { ++changes; };
    const auto result = cal.ImportFromIni(folder + "/" + c.file);
    EXPECT_EQ(Status::Rejected, result.Status) << c.file;
    EXPECT_NE(std::string::npos, result.Reason.find(c.reason)) << c.file << ": " << result.Reason;
    EXPECT_EQ(0, changes) << c.file;
    EXPECT_TRUE(before == calform::Take(cal)) << c.file;
  }
}

TEST(CalibrationText, ExportFailureKeepsTheOldFileAndSaysSo) {
  const std::string folder = TestFolder("text");
  TCalibr cal;
  calform::FillSample(cal);
  EXPECT_THROW(cal.ExportToIni(folder + "/missing folder/x.cal", kUser0, "High"), EAbort);
  // A folder in the file's place cannot be replaced; it stays.
  std::filesystem::create_directory(folder + "/taken.cal");
  EXPECT_THROW(cal.ExportToIni(folder + "/taken.cal", kUser0, "High"), EAbort);
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/taken.cal"));
}

}  // namespace
