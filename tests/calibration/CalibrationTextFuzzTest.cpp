// Hostile files for the calibration text import: oversized tables and counts, every prefix of
// an export, random text and random bytes. A failed import changes nothing; a successful one
// never holds more than 16001 points, and its frequencies are finite, positive and rising.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "calibration/CalibrationFormSupport.h"
#include "calibration/KitTestSupport.h"

namespace {

using kittest::TestFolder;
using Status = TCalibrationForm::TStatus;

using calform::ReadText;
using calform::WriteText;

// Imports the file into a known calibration; checks the outcome's invariants.
TCalibrationForm::TResult Probe(const std::string& path) {
  TCalibr cal;
  calform::FillSample(cal);
  const calform::Snapshot before = calform::Take(cal);
  int changes = 0;
  cal.OnChange = [&](TFObject*) { ++changes; };
  const TCalibrationForm::TResult r = cal.ImportFromIni(path);
  if (r.Status == Status::Rejected) {
    EXPECT_FALSE(r.Reason.empty());
    EXPECT_EQ(0, changes);
    EXPECT_TRUE(before == calform::Take(cal));
  } else if (cal.Terms != nullptr) {
    const int n = cal.Terms->GetCount();
    EXPECT_GE(n, 1);
    EXPECT_LE(n, TCalibr::MaxImportPoints);
    for (int i = 0; i < n; ++i) {
      const double f = cal.Terms->GetFrequency(i);
      EXPECT_TRUE(std::isfinite(f) && f > 0);
      if (i > 0) {
        EXPECT_GE(f, cal.Terms->GetFrequency(i - 1));
      }
    }
  }
  return r;
}

TEST(CalibrationTextFuzz, TwentyThousandLinesAndAHugePointCount) {
  const std::string path = TestFolder("textfuzz") + "/big.cal";
  std::string text = "[Channel0\\Correction\\11]\nCorName=RO\nCalPoints=1000000000\n[Channel0\\Correction\\11\\Data]\n";
  for (int i = 0; i < 20000; ++i) text += std::to_string(1000000 + i * 1000) + " 0.5 0.25 0 0 0 0\n";
  WriteText(path, text);
  TCalibr cal;
  ASSERT_EQ(Status::Loaded, cal.ImportFromIni(path).Status);
  ASSERT_NE(nullptr, cal.Terms);
  EXPECT_EQ(16001, cal.Terms->GetCount());
  EXPECT_EQ(16001, cal.Settings.NPoints);
  EXPECT_DOUBLE_EQ(1.0 + 16000 * 0.001, cal.Settings.MaxFrequency);
}

TEST(CalibrationTextFuzz, EveryPrefixOfAnExport) {
  const std::string folder = TestFolder("textfuzz");
  TCalibr source;
  calform::FillSample(source);
  source.ExportToIni(folder + "/whole.cal", "Channel1\\Correction\\11", "High");
  const std::string whole = ReadText(folder + "/whole.cal");
  ASSERT_GT(whole.size(), 100u);
  int loaded = 0;
  for (size_t n = 0; n <= whole.size(); ++n) {
    WriteText(folder + "/prefix.cal", whole.substr(0, n));
    loaded += Probe(folder + "/prefix.cal").Status == Status::Loaded ? 1 : 0;
  }
  EXPECT_GT(loaded, 0);
}

TEST(CalibrationTextFuzz, RandomTextLinesAndRandomBytes) {
  const std::string folder = TestFolder("textfuzz");
  std::mt19937 random(7);
  const char* const tokens[] = {"1e999", "nan", "-inf", "1,5", "0", "-1", "1e6", "2e6", "0.5", "x", "\"1", "'",
                                ";", "|", "=", "[", "]", "1e-320", "+", "", "  ", "\t"};
  for (int round = 0; round < 400; ++round) {
    std::string text = "[Channel" + std::to_string(random() % 5) + "\\Correction\\11]\r\nCorName=F1\r\nCalIFBW=" +
                       tokens[random() % std::size(tokens)] + "\r\n[Channel0\\Correction\\11\\Data]\r\n";
    const int lines = static_cast<int>(random() % 30);
    for (int l = 0; l < lines; ++l) {
      const int count = static_cast<int>(random() % 10);
      for (int k = 0; k < count; ++k) text += std::string(tokens[random() % std::size(tokens)]) + " ";
      text += "\r\n";
    }
    WriteText(folder + "/random.cal", text);
    Probe(folder + "/random.cal");
  }
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 3000, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    // Without a zero byte it is read as text; with one it is taken for a binary file.
    if (round % 2 == 0) {
      for (char& b : bytes) b = b == '\0' ? '\n' : b;
      bytes = "[Channel0\\Correction\\11\\Data]\n" + bytes;
    }
    WriteText(folder + "/bytes.cal", bytes);
    Probe(folder + "/bytes.cal");
  }
}

TEST(CalibrationTextFuzz, ABinaryCalibrationIsNamedAsSuch) {
  const std::string folder = TestFolder("textfuzz");
  for (const char* name : {"calform_v2.bin", "calform_v1.bin", "calform_grid.bin"}) {
    const std::vector<uint8_t> form = calform::ReadGolden(name);
    WriteText(folder + "/b.cal", std::string(form.begin(), form.end()));
    const TCalibrationForm::TResult r = Probe(folder + "/b.cal");
    EXPECT_EQ(Status::Rejected, r.Status);
    EXPECT_NE(std::string::npos, r.Reason.find("binary")) << r.Reason;
  }
}

}  // namespace
