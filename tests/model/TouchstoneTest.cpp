// Touchstone export (TRange::SaveTouchstone, the file naming of its callers) and the reader
// against scikit-rf's own files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/CalRange.h"
#include "model/ChannelFakes.h"
#include "model/EAbort.h"
#include "model/FixtParam.h"
#include "model/ITranslation.h"
#include "model/Range.h"
#include "model/TouchstoneFile.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

namespace {

std::string Folder(const std::string& name) {
  const std::filesystem::path dir = testenv::Root() / name;
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::string ReadText(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::AtomicFile::read(path, bytes).ok) << path;
  return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class Device : public fakes::FakeDevice {
 public:
  std::string GetModelName() const override { return " TERVAN K30"; }
  std::string GetFirmwareVersion() const override { return "1.2"; }
  std::string GetSoftwareVersion() const override { return "2.0.1"; }
};

class Russian : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override { return "?" + english; }
  std::string TranslateAnsi(const std::string& english) const override {
    if (english == "Date") return "Дата";
    if (english == "Frequency") return "Частота";
    return english;
  }
  bool IsEnglish() const override { return false; }
};

// A channel of a few points (100, 200, ... MHz) with distinct data at both ports, a fixed
// instrument and a fixed clock.
struct Channel {
  fakes::ChannelServices services;
  Device device;
  platform::ManualClock clock;
  platform::ScopedClock useClock{clock};
  TRange range{nullptr};

  explicit Channel(int points = 3) {
    services.scope->Device = &device;
    clock.setLocalTime({2023, 11, 2, 9, 5, 7, 250});
    range.NPoints = points;
    range.MinFrequency = 100;
    range.MaxFrequency = 100.0 * points;
    range.RebuildPoints();
    for (int i = 0; i < range.GetCount(); ++i) {
      range.SetPointData(0, i, {0.5 - 0.1 * i, -0.25 + 0.2 * i});
      range.SetPointData(1, i, {0.01 * (i + 1), -0.03 * (i + 1)});
    }
  }
  std::string Save(const std::string& name, int touchType, int format, int parameter) {
    const std::string path = Folder("touchstone") + "/" + name;
    range.SaveTouchstone(path, touchType, format, parameter);
    return path;
  }
};

TEST(Touchstone, NumberText) {
  struct Case {
    double value;
    const char* slotted;
  } cases[] = {
      {1e8, " 1.00000000E+08"},
      {0.5, " 5.00000000E-01"},
      {-0.25, "-2.50000000E-01"},
      {0.0, " 0.00000000E+00"},
      {-0.0, " 0.00000000E+00"},
      {123456789.5, " 1.23456790E+08"},
      {-1e-300, "-1.00000000E-300"},
      {-400, "-4.00000000E+02"},
      {std::nan(""), " 0.00000000E+00"},
      {-INFINITY, " 0.00000000E+00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TouchstoneNumber(c.value, true), c.slotted) << c.value;
    std::string plain = c.slotted;
    if (plain[0] == ' ') plain.erase(0, 1);
    EXPECT_EQ(TouchstoneNumber(c.value, false), plain) << c.value;
  }
  EXPECT_EQ(SParameterName(0), "S11");
  EXPECT_EQ(SParameterName(1), "S21");
  EXPECT_EQ(SParameterName(2), "S12");
  EXPECT_EQ(SParameterName(3), "S22");
  EXPECT_EQ(SParameterName(4), "");
  EXPECT_EQ(TRange::TouchstoneFormatCode(2), "DB");
  EXPECT_EQ(TRange::TouchstoneColumnUnits(1), "Mag/Ang");
  EXPECT_EQ(TRange::TouchstoneFormatCode(3), "");
  EXPECT_EQ(TRange::TouchstoneColumnUnits(-1), "");
}

TEST(Touchstone, TwoPortFileWithCalibrationMethods) {
  Channel c(2);
  const TCalRange calibration(2, 4, std::vector<double>{100, 200});  // "RO" and "F1"
  c.range.AttachCalibration(&calibration);
  c.range.SetPointData(0, 0, {0.5, -0.25});
  c.range.SetPointData(1, 0, {0.01, 0});
  const std::vector<std::string> lines = Lines(ReadText(c.Save("two.s2p", 1, 0, 3)));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "! OSTRAK,  TERVAN K30, 1234, 2.0.1/1.2");
  EXPECT_EQ(lines[1], "! Date: 2023-11-02 09:05:07");
  EXPECT_EQ(lines[2], "! Data: Format [Calibration Info]");
  EXPECT_EQ(lines[3], "! Frequency\t\tS11: Re/Im RO" + std::string(18, ' ') + "\tS21: Re/Im F1" + std::string(18, ' ') +
                          "\tS12: Re/Im" + std::string(21, ' ') + "\tS22: Re/Im" + std::string(21, ' '));
  EXPECT_EQ(lines[4], "# Hz S RI R 50");
  // The line of the format's own example.
  EXPECT_EQ(lines[5],
            "1.00000000E+08\t 5.00000000E-01\t-2.50000000E-01\t 1.00000000E-02\t 0.00000000E+00\t 0.00000000E+00"
            "\t 0.00000000E+00\t 0.00000000E+00\t 0.00000000E+00");
  EXPECT_EQ(lines[6].substr(0, 15), "2.00000000E+08\t");
}

TEST(Touchstone, OnePortHeadingsAndTranslatedWords) {
  Channel c(2);
  Russian russian;
  c.services.scope->LangModule = &russian;
  c.services.kits.z0 = 50.5;
  // S12 of a one-port file: zeros, and no method name (those belong to S11 and S21).
  const TCalRange calibration(1, 1, std::vector<double>{100, 200});
  c.range.AttachCalibration(&calibration);
  std::vector<std::string> lines = Lines(ReadText(c.Save("s12.s1p", 0, 0, 2)));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], "! Дата: 2023-11-02 09:05:07");  // UTF-8, as the translation gives it
  EXPECT_EQ(lines[3], "! Частота\t\tS12: Re/Im" + std::string(21, ' '));
  EXPECT_EQ(lines[4], "# Hz S RI R 50.5");
  EXPECT_EQ(lines[5], "1.00000000E+08\t 0.00000000E+00\t 0.00000000E+00");
  // Method code 0 (none) and no table at all: no name and no blank before the padding.
  const TCalRange none(0, 6, std::vector<double>{100, 200});
  c.range.AttachCalibration(&none);
  c.services.kits.z0 = 75;
  lines = Lines(ReadText(c.Save("none.s1p", 0, 1, 0)));
  EXPECT_EQ(lines[3], "! Частота\t\tS11: Mag/Ang" + std::string(19, ' '));
  EXPECT_EQ(lines[4], "# Hz S MA R 75");
  c.range.AttachCalibration(nullptr);
  lines = Lines(ReadText(c.Save("plain.s1p", 0, 2, 1)));
  EXPECT_EQ(lines[3], "! Частота\t\tS21: dB/Ang" + std::string(20, ' '));
  // A format or parameter outside the lists still makes a readable file: RI, S11.
  lines = Lines(ReadText(c.Save("odd.s1p", 5, 9, 9)));
  EXPECT_EQ(lines[3], "! Частота\t\tS11: Re/Im" + std::string(21, ' '));
  EXPECT_EQ(lines[4], "# Hz S RI R 75");
}

TEST(Touchstone, MagnitudeAngleAndDecibels) {
  Channel c(4);
  c.range.SetPointData(0, 0, {-1, -0.0});  // on the negative real axis from below
  c.range.SetPointData(0, 1, {0, 0});       // zero magnitude
  c.range.SetPointData(0, 2, {0, -2});
  c.range.SetPointData(0, 3, {-0.5, 0.5});
  TFixtParam ma;
  ma.LoadTwoPort(c.Save("ma.s2p", 1, 1, 0));
  ASSERT_EQ(ma.GetCount(), 4);
  const std::vector<std::string> lines = Lines(ReadText(c.Save("ma.s2p", 1, 1, 0)));
  for (size_t k = 5; k < lines.size(); ++k) {
    std::vector<double> v;
    ParseNumberList(lines[k], v);
    ASSERT_EQ(v.size(), 9u);
    for (size_t a : {2u, 4u}) EXPECT_TRUE(v[a] >= -180 && v[a] <= 180) << lines[k];
    for (size_t z : {5u, 6u, 7u, 8u}) EXPECT_EQ(v[z], 0.0) << lines[k];
    EXPECT_NE(lines[k].find("\t 0.00000000E+00\t 0.00000000E+00\t 0.00000000E+00\t 0.00000000E+00"),
              std::string::npos);
  }
  EXPECT_NE(lines[5].find("\t 1.00000000E+00\t-1.80000000E+02\t"), std::string::npos) << lines[5];
  EXPECT_NE(lines[7].find("\t 2.00000000E+00\t-9.00000000E+01\t"), std::string::npos) << lines[7];
  // DB: a zero magnitude is written as the dB of 1e-20; S12 and S22 are zero too.
  const std::vector<std::string> db = Lines(ReadText(c.Save("db.s2p", 1, 2, 0)));
  EXPECT_EQ(db[6].substr(0, 47), "2.00000000E+08\t-4.00000000E+02\t 0.00000000E+00\t");
  EXPECT_NE(db[6].find("\t-4.00000000E+02\t 0.00000000E+00\t-4.00000000E+02\t 0.00000000E+00"), std::string::npos);
  EXPECT_NE(db[7].find("\t 6.02059991E+00\t-9.00000000E+01\t"), std::string::npos) << db[7];
}

TEST(Touchstone, ChannelWithoutPointsWritesTheHeaderOnly) {
  Channel c(3);
  c.services.plan.signalFails = [](double, double) { return true; };
  c.range.RebuildPoints();
  ASSERT_EQ(c.range.GetCount(), 0);
  EXPECT_EQ(Lines(ReadText(c.Save("empty.s2p", 1, 0, 0))).size(), 5u);
}

// What is written reads back through the program's own reader: the frequencies, and S11 and
// S21 to 9 significant digits, in every format and kind.
TEST(Touchstone, WrittenFilesReadBack) {
  Channel c(7);
  c.range.SetPointData(0, 3, {0, 0});
  c.range.SetPointData(1, 5, {-0.7, -0.0});
  for (int format = 0; format < 3; ++format) {
    for (int kind = 0; kind < 3; ++kind) {  // two-port, one-port S11, one-port S21
      SCOPED_TRACE(format * 10 + kind);
      TFixtParam p;
      if (kind == 0) {
        p.LoadTwoPort(c.Save("back.s2p", 1, format, 0));
      } else {
        p.LoadOnePort(c.Save("back.s1p", 0, format, kind - 1), kind == 1 ? 11 : 21);
      }
      ASSERT_EQ(p.GetCount(), c.range.GetCount());
      for (int i = 0; i < p.GetCount(); ++i) {
        EXPECT_EQ(p.GetFrequency(i), c.range.GetPointFrequency(i));
        for (int port = 0; port < 2; ++port) {
          if (kind != 0 && kind - 1 != port) continue;
          const TComplex want = c.range.GetPointData(port, i);
          const TComplex got = port == 0 ? p.GetS11(i) : p.GetS21(i);
          EXPECT_LE(Abs(got - want), 1e-8 * Abs(want) + 1e-15) << i << " " << port;
        }
      }
    }
  }
  // The channel's own recall: one-port S11 only, or S11 and S21 from a two-port file.
  Channel d(7);
  ASSERT_TRUE(d.range.LoadTouchstoneData(c.Save("recall.s2p", 1, 0, 0)));
  for (int i = 0; i < 7; ++i)
    for (int port = 0; port < 2; ++port)
      EXPECT_LE(Abs(d.range.GetPointData(port, i) - c.range.GetPointData(port, i)), 1e-8) << i;
}

// ---------------------------------------------------------------------------------------------
// Failures and file names

TEST(Touchstone, FailedWriteRaisesAndKeepsTheOldFile) {
  Channel c(2);
  const std::string folder = Folder("touchstone-fail");
  // A folder that does not exist: the error names the file, nothing is created.
  const std::string missing = folder + "/no/such/x.s1p";
  try {
    c.range.SaveTouchstone(missing, 0, 0, 0);
    ADD_FAILURE() << "no error";
  } catch (const EAbort& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/no"));
  // A target that cannot be replaced stays as it was.
  const std::string blocked = folder + "/blocked.s1p";
  std::filesystem::create_directories(blocked + "/inside");
  EXPECT_THROW(c.range.SaveTouchstone(blocked, 0, 0, 0), EAbort);
  EXPECT_TRUE(std::filesystem::is_directory(blocked + "/inside"));
  // A write that succeeds leaves nothing of the old file.
  const std::string old = folder + "/old.s1p";
  ASSERT_TRUE(platform::AtomicFile::write(old, std::string(5000, 'x')).ok);
  c.range.SaveTouchstone(old, 0, 0, 0);
  EXPECT_EQ(ReadText(old).find('x'), std::string::npos);
  // No temporary file is left behind either way.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(Touchstone, ExportFileNames) {
  const std::string root = platform::Paths::dataRoot();
  const std::string elsewhere = (testenv::Root() / "elsewhere").string();
  std::filesystem::remove_all(root + "/Touchstone");
  struct Case {
    std::string name;
    int touchType;
    std::string path;
  } cases[] = {
      {"x", 0, root + "/Touchstone/x.s1p"},
      {"x", 1, root + "/Touchstone/x.s2p"},
      {"x", 2, root + "/Touchstone/x.s1p"},
      {"x.dat", 1, root + "/Touchstone/x.dat"},
      {"Мера", 1, root + "/Touchstone/Мера.s2p"},
      {elsewhere + "/y", 1, elsewhere + "/y.s2p"},
      {elsewhere + "/y.S1P", 1, elsewhere + "/y.S1P"},
      {elsewhere + ".dir/z", 0, elsewhere + ".dir/z.s1p"},
  };
  for (const Case& c : cases) EXPECT_EQ(TouchstoneFilePath(c.name, c.touchType), c.path) << c.name;
  // The folder is made when missing; a folder named in the path is not.
  EXPECT_TRUE(std::filesystem::is_directory(root + "/Touchstone"));
  EXPECT_FALSE(std::filesystem::exists(elsewhere));
  // Naming never deletes: an existing file stays until the writer replaces it.
  const std::string existing = root + "/Touchstone/kept.s1p";
  ASSERT_TRUE(platform::AtomicFile::write(existing, "old").ok);
  EXPECT_EQ(TouchstoneFilePath("kept", 0), existing);
  EXPECT_EQ(ReadText(existing), "old");
}

// ---------------------------------------------------------------------------------------------
// scikit-rf's own files (tests/peer/touchstone.py wrote them and what scikit-rf reads from
// them): the reader gives scikit-rf's frequencies and values within 1e-12 relative.

TEST(Touchstone, ReadsScikitRfFiles) {
  const std::string golden = std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/";
  const std::vector<std::string> values = [&] {
    std::vector<std::string> lines;
    const std::string text = ReadText(golden + "touchstone_skrf_values.txt");
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find('\n', start);
      const std::string line = text.substr(start, end - start);
      if (!line.empty() && line[0] != '#') lines.push_back(line);
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return lines;
  }();
  ASSERT_FALSE(values.empty());
  int checked = 0;
  for (const char* form : {"ri", "ma", "db"}) {
    for (const char* ext : {"s1p", "s2p"}) {
      const std::string name = std::string("touchstone_skrf_") + form + "." + ext;
      SCOPED_TRACE(name);
      const bool two = std::string(ext) == "s2p";
      TFixtParam p;
      if (two) {
        p.LoadTwoPort(golden + name);
      } else {
        p.LoadOnePort(golden + name, 11);
      }
      int rows = 0;
      for (const std::string& line : values) {
        if (line.compare(0, name.size() + 1, name + " ") != 0) continue;
        std::vector<double> v;
        ParseNumberList(std::string_view(line).substr(name.size() + 1), v);
        ASSERT_EQ(v.size(), two ? 10u : 4u) << line;
        const int k = static_cast<int>(v[0]);
        ASSERT_LT(k, p.GetCount());
        EXPECT_NEAR(p.GetFrequency(k) * 1e6, v[1], 1e-12 * v[1]);
        const TComplex got[4] = {p.GetS11(k), p.GetS21(k), p.GetS12(k), p.GetS22(k)};
        for (int m = 0; m < (two ? 4 : 1); ++m) {
          const TComplex want{v[2 + 2 * m], v[3 + 2 * m]};
          EXPECT_LE(Abs(got[m] - want), 1e-12 * Abs(want)) << line << " parameter " << m;
        }
        ++rows;
        ++checked;
      }
      EXPECT_EQ(rows, p.GetCount());
      EXPECT_GE(rows, 2);
    }
  }
  EXPECT_EQ(checked, static_cast<int>(values.size()));
}

}  // namespace
