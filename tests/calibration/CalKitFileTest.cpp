// Kit files: the module's files per kit position (written or deleted at the end, read at the
// start), the user's kit files, every encoding a reader meets, and what bad files leave behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "calibration/KitTestSupport.h"
#include "model/EAbort.h"
#include "model/TextCodec.h"
#include "platform/AtomicFile.h"

namespace {

using kittest::ChangeRecorder;
using kittest::KitTest;
using kittest::TestFolder;

class CalKitsFile : public KitTest {};

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::AtomicFile::read(path, bytes).ok) << path;
  return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(platform::AtomicFile::write(path, bytes).ok) << path;
}

// The same for the many scratch files of the fuzz tests, without waiting for the disk.
void WriteScratch(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string Utf16BE(const std::string& utf8) {
  std::string le = EncodeUtf16LE(utf8, true);
  for (size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
  return le;
}

// A kit built like the module's position 5 ("QN4.2 Type-N -F-"), on its own.
struct LooseKit {
  LooseKit() : kit(nullptr, "QN4.2 Type-N -F-") {
    TCalStdValues s;
    s.OffsetDelay = 9.3e-14;
    s.OffsetLoss = 7e8;
    TCalStdValues o;
    o.OffsetDelay = -1.368e-11;
    o.OffsetLoss = 7e8;
    o.C[0] = 1.191e-13;
    o.C[1] = -3.7e-26;
    o.C[2] = 2.63e-35;
    o.C[3] = 5.5e-45;
    new TCalStd(&kit, "Short -F-", s);
    new TCalStd(&kit, "Open -F-", o);
    new TCalStd(&kit, "Load", TCalStdValues{});
    new TCalStd(&kit, "Thru", TCalStdValues{});
  }
  TCalKit kit;
};

// Every number of a kit, in file order.
std::vector<double> Numbers(const TCalKit& kit) {
  std::vector<double> out;
  for (int i = 0; i < 4; ++i) {
    const TCalStdValues& v = kit.GetStandard(i)->GetValues();
    out.insert(out.end(), std::begin(v.C), std::end(v.C));
    out.insert(out.end(), std::begin(v.L), std::end(v.L));
    out.push_back(v.OffsetDelay);
    out.push_back(v.OffsetZ0);
    out.push_back(v.OffsetLoss);
  }
  return out;
}

std::vector<std::string> Names(const TCalKit& kit) {
  std::vector<std::string> out{kit.Name};
  for (int i = 0; i < 4; ++i) out.push_back(kit.GetStandard(i)->Name);
  return out;
}

// ---------------------------------------------------------------------------------------------
// The module's files

TEST_F(CalKitsFile, RenamedKitIsWrittenWithFiveSectionsInOrder) {
  const std::string folder = TestFolder();
  {
    TCalKitsModule module(folder);
    module.GetKits().GetItem(3)->SetName("Renamed");
  }
  EXPECT_FALSE(fs::exists(folder + "/CalKit03.dat"));
  EXPECT_FALSE(fs::exists(folder + "/CalKit05.dat"));
  const std::string bytes = ReadBytes(folder + "/CalKit04.dat");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");  // UTF-16LE with its mark
  auto section = [](const char* name, const char* standard, const char* c, const char* delay) {
    return std::string("[") + name + "]\r\nName=" + standard + "\r\n" + c + "L0=0\r\nL1=0\r\nL2=0\r\nL3=0\r\n" +
           "OffsetDelay=" + delay + "\r\nOffsetZ0=50\r\nOffsetLoss=0\r\nUseDatabaseStd=0\r\nTouchstoneFile=\r\n\r\n";
  };
  const std::string zeroC = "C0=0\r\nC1=0\r\nC2=0\r\nC3=0\r\n";
  const std::string expected =
      "[CalKit]\r\nName=Renamed\r\n\r\n" + section("Short", "Short -M-", zeroC.c_str(), "5.0368e-11") +
      section("Open", "Open -M-", "C0=1.9951e-13\r\nC1=1.3274e-25\r\nC2=-2.1797e-34\r\nC3=2.627e-44\r\n",
              "4.1095e-11") +
      section("Load", "Load", zeroC.c_str(), "0") + section("Thru", "Thru", zeroC.c_str(), "0");
  EXPECT_EQ(DecodeTextFile(bytes), expected);

  // Restored and closed again, the kit's file goes.
  {
    TCalKitsModule module(folder);
    TCalKit& kit = *module.GetKits().GetItem(3);
    EXPECT_EQ(kit.Name, "Renamed");
    kit.Restore();
  }
  EXPECT_FALSE(fs::exists(folder + "/CalKit04.dat"));
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(CalKitsFile, EveryValueComesBackExactly) {
  const std::string folder = TestFolder();
  const std::string s1p = folder + "/thru.s1p";
  WriteBytes(s1p, "# GHz S MA R 50\n1 0.9 -10\n2 0.8 -20\n");
  const double awkward[] = {1.0 / 3 * 1e-13, 5e-324, -2.2250738585072014e-308, 1.7976931348623157e308,
                            0.1,           -0.0,    123456789.12345679,        6.02214076e23};
  std::vector<double> written;
  std::vector<std::string> names;
  {
    TCalKitsModule module(folder);
    TCalKit& kit = *module.GetKits().GetItem(10);
    kit.SetName("Набор \"№11\" = [мой]");
    int n = 0;
    for (int i = 0; i < 4; ++i) {
      TCalStd& s = *kit.GetStandard(i);
      s.Name = "Станд " + std::to_string(i);
      for (int k = 0; k < 4; ++k) s.SetC(k, awkward[n++ % 8] * (i + 1));
      for (int k = 0; k < 4; ++k) s.SetL(k, awkward[n++ % 8] / (i + 2));
      for (int k = 0; k < 3; ++k) s.SetOffset(k, awkward[n++ % 8] + i);
    }
    kit.GetStandard(3)->SetTouchstoneFile(s1p);
    kit.GetStandard(3)->SetUseDatabaseStd(true);
    ASSERT_TRUE(kit.GetStandard(3)->GetUseDatabaseStd());
    written = Numbers(kit);
    names = Names(kit);
  }
  TCalKitsModule module(folder);
  const TCalKit& kit = *module.GetKits().GetItem(10);
  const std::vector<double> read = Numbers(kit);
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i], written[i]) << "value " << i;
    EXPECT_EQ(std::signbit(read[i]), std::signbit(written[i])) << "value " << i;
  }
  EXPECT_EQ(Names(kit), names);
  const TCalStd& thru = *kit.GetStandard(3);
  EXPECT_EQ(thru.GetTouchstoneFile(), s1p);
  EXPECT_TRUE(thru.GetUseDatabaseStd());
  EXPECT_EQ(thru.TouchstoneData.GetCount(), 2);  // read again from the named file
  for (int i = 0; i < 16; ++i) {
    if (i != 10) {
      EXPECT_TRUE(module.GetKits().GetItem(i)->IsUnchanged()) << i;
    }
  }
}

TEST_F(CalKitsFile, ToleranceRuleDecidesWhetherAFileIsWritten) {
  const struct {
    double z0;
    bool file;
  } cases[] = {{50.0005, false}, {49.9995, false}, {50.002, true}, {49.998, true}};
  for (const auto& c : cases) {
    const std::string folder = TestFolder();
    {
      TCalKitsModule module(folder);
      module.GetKits().GetItem(6)->GetStandard(2)->SetOffset(1, c.z0);
    }
    EXPECT_EQ(fs::exists(folder + "/CalKit07.dat"), c.file) << c.z0;
  }
}

TEST_F(CalKitsFile, DatabaseFlagFromAFileNeedsItsTouchstoneFile) {
  const std::string folder = TestFolder();
  const std::string s2p = folder + "/open.s2p";
  WriteBytes(s2p, "# MHz S RI R 50\n100 0.9 0 0 0 0 0 0 0\n200 0.8 0 0 0 0 0 0 0\n");
  WriteBytes(folder + "/CalKit01.dat",
             "[Short]\nUseDatabaseStd=1\nTouchstoneFile=" + folder + "/gone.s1p\n"
             "[Open]\nUseDatabaseStd=1\nTouchstoneFile=" + s2p + "\n"
             "[Load]\nUseDatabaseStd=0\nTouchstoneFile=" + s2p + "\n"
             "[Thru]\nUseDatabaseStd=1\nTouchstoneFile=\n");
  TCalKitsModule module(folder);
  const TCalKit& kit = *module.GetKits().GetItem(0);
  const TCalStd& shortStd = *kit.GetStandard(0);
  EXPECT_FALSE(shortStd.GetUseDatabaseStd());  // the file is gone: flag off, name kept
  EXPECT_EQ(shortStd.GetTouchstoneFile(), folder + "/gone.s1p");
  const TCalStd& open = *kit.GetStandard(1);
  EXPECT_TRUE(open.GetUseDatabaseStd());
  EXPECT_EQ(open.TouchstoneData.GetCount(), 2);
  EXPECT_EQ(kit.GetOpenGamma(150e6).Re, open.TouchstoneData.InterpolateAt(150).S11.Re);
  const TCalStd& load = *kit.GetStandard(2);
  EXPECT_FALSE(load.GetUseDatabaseStd());
  EXPECT_EQ(load.GetTouchstoneFile(), s2p);
  EXPECT_FALSE(kit.GetStandard(3)->GetUseDatabaseStd());
  // The standards with a file name count as changed and keep it over the next run.
  EXPECT_FALSE(kit.IsUnchanged());
}

// ---------------------------------------------------------------------------------------------
// Reading: keys, numbers, encodings

TEST_F(CalKitsFile, MissingOrUnreadableKeysKeepTheCurrentValues) {
  const std::string folder = TestFolder();
  WriteBytes(folder + "/CalKit05.dat",
             "[calkit]\n"
             "Nome=not a key\n"
             "[OPEN]\n"
             "Name=Open X\n"
             "C0=nan\nC1=inf\nC2=-inf\nC3=garbage\n"
             "L0=\nL1=1.2.3\nL2=0x10\nL3=1e999\n"
             "OffsetDelay=5.0368E-11\n"  // the old form
             "OffsetZ0=49,5\n"           // a decimal comma
             "UseDatabaseStd=maybe\n");
  TCalKitsModule module(folder);
  const TCalKit& kit = *module.GetKits().GetItem(4);
  EXPECT_EQ(kit.Name, "QN4.2 Type-N -F-");
  const TCalStd& open = *kit.GetStandard(1);
  EXPECT_EQ(open.Name, "Open X");
  const TCalStdValues& v = open.GetValues();
  const TCalStdValues& d = open.GetDefaults();
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(v.C[k], d.C[k]) << "C" << k;
    EXPECT_EQ(v.L[k], d.L[k]) << "L" << k;
  }
  EXPECT_EQ(v.OffsetDelay, 5.0368e-11);
  EXPECT_EQ(v.OffsetZ0, 49.5);
  EXPECT_EQ(v.OffsetLoss, 7e8);  // missing in "Open": the Open's own loss stays
  EXPECT_FALSE(open.GetUseDatabaseStd());
  EXPECT_TRUE(kit.GetStandard(0)->IsUnchanged());  // no section: as built
}

TEST_F(CalKitsFile, EveryEncodingReadsTheSameNames) {
  const std::string text = "[CalKit]\r\nName=Набор\r\n[Short]\r\nName=Кз\r\nOffsetZ0=75\r\n";
  const struct {
    const char* what;
    std::string bytes;
  } files[] = {
      {"UTF-16LE", EncodeUtf16LE(text, true)},
      {"UTF-16BE", Utf16BE(text)},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + text},
      {"UTF-8", text},
      {"Windows-1251", "[CalKit]\r\nName=\xCD\xE0\xE1\xEE\xF0\r\n[Short]\r\nName=\xCA\xE7\r\nOffsetZ0=75\r\n"},
  };
  for (const auto& f : files) {
    const std::string folder = TestFolder();
    WriteBytes(folder + "/kit.dat", f.bytes);
    LooseKit loose;
    EXPECT_TRUE(loose.kit.ReadFile(folder + "/kit.dat")) << f.what;
    EXPECT_EQ(loose.kit.Name, "Набор") << f.what;
    EXPECT_EQ(loose.kit.GetStandard(0)->Name, "Кз") << f.what;
    EXPECT_EQ(loose.kit.GetStandard(0)->GetOffsetZ0(), 75) << f.what;
  }
}

// A file cut short inside a character never passes part of its last value on.
TEST_F(CalKitsFile, CutUtf16FileLosesOnlyItsCutLine) {
  const std::string folder = TestFolder();
  LooseKit source;
  source.kit.SetName("Cut кит");
  for (int i = 0; i < 4; ++i) {
    source.kit.GetStandard(i)->SetOffset(2, 1.2345678901234567e9 + i);
    source.kit.GetStandard(i)->SetOffset(0, -4.4444444444444444e-11 * (i + 1));
    source.kit.GetStandard(i)->SetC(1, 3.3e-26 * (i + 1));
  }
  source.kit.WriteFile(folder + "/full.dat", true);
  const std::string full = ReadBytes(folder + "/full.dat");
  const std::vector<double> written = Numbers(source.kit);
  const std::vector<std::string> writtenNames = Names(source.kit);
  const LooseKit pristine;
  const std::vector<double> built = Numbers(pristine.kit);
  const std::vector<std::string> builtNames = Names(pristine.kit);

  for (size_t cut = 3; cut < full.size(); cut += 2) {  // every odd length
    WriteScratch(folder + "/cut.dat", full.substr(0, cut));
    LooseKit loose;
    ASSERT_TRUE(loose.kit.ReadFile(folder + "/cut.dat"));
    const std::vector<double> read = Numbers(loose.kit);
    for (size_t i = 0; i < read.size(); ++i) {
      ASSERT_TRUE(read[i] == written[i] || read[i] == built[i]) << "cut " << cut << " value " << i << " " << read[i];
    }
    const std::vector<std::string> names = Names(loose.kit);
    for (size_t i = 0; i < names.size(); ++i) {
      ASSERT_TRUE(names[i] == writtenNames[i] || names[i] == builtNames[i]) << "cut " << cut << " name " << names[i];
    }
  }
}

TEST_F(CalKitsFile, CutUtf8FileStaysUtf8) {
  const std::string folder = TestFolder();
  // Cut inside the last "р": without the cut line, the rest is still read as UTF-8.
  const std::string text = "[CalKit]\nName=Набор\n[Short]\nName=Кор\n";
  WriteBytes(folder + "/kit.dat", text.substr(0, text.size() - 2));
  LooseKit loose;
  ASSERT_TRUE(loose.kit.ReadFile(folder + "/kit.dat"));
  EXPECT_EQ(loose.kit.Name, "Набор");
  EXPECT_EQ(loose.kit.GetStandard(0)->Name, "Short -F-");
}

TEST_F(CalKitsFile, OversizedFilesAndValuesChangeNothing) {
  const std::string folder = TestFolder();
  std::string big = "[CalKit]\r\nName=Big\r\n[Short]\r\nOffsetZ0=10\r\n;";
  big.resize(TCalKit::MaxFileBytes + 1, 'x');
  WriteBytes(folder + "/CalKit02.dat", big);
  std::string longName = "[CalKit]\nName=" + std::string(100000, 'n') + "\n[Open]\nName=" + std::string(5000, 'o') +
                         "\nTouchstoneFile=" + std::string(5000, 'p') + "\nOffsetZ0=60\n";
  WriteBytes(folder + "/CalKit03.dat", longName);

  std::vector<std::string> log;
  TCalKitsModule module(folder);
  // The start-up reading is over; read again with a log that can be looked at.
  module.Log = [&](const std::string& m) { log.push_back(m); };
  module.LoadKitFiles();
  const TCalKit& second = *module.GetKits().GetItem(1);
  EXPECT_EQ(second.Name, "Not defined 75 Ohm");
  EXPECT_EQ(second.GetStandard(0)->GetOffsetZ0(), 75);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("CalKit02.dat"), std::string::npos) << log[0];
  EXPECT_NE(log[0].find("too large"), std::string::npos) << log[0];

  const TCalKit& third = *module.GetKits().GetItem(2);
  EXPECT_EQ(third.Name, "07RX22B-310 -F-");
  EXPECT_EQ(third.GetStandard(1)->Name, "Open -F-");
  EXPECT_EQ(third.GetStandard(1)->GetTouchstoneFile(), "");
  EXPECT_EQ(third.GetStandard(1)->GetOffsetZ0(), 60);  // the rest of the file is fine

  TCalKit& kit = *module.GetKits().GetItem(1);
  ChangeRecorder events(module);
  EXPECT_THROW(kit.LoadFromFile(folder + "/CalKit02.dat"), EAbort);
  EXPECT_EQ(kit.Name, "Not defined 75 Ohm");
  EXPECT_TRUE(events.Senders.empty());
  module.Log = nullptr;
}

TEST_F(CalKitsFile, RandomBytesNeverBreakAKit) {
  const std::string folder = TestFolder();
  std::mt19937 rng(20240611);
  const std::vector<std::string> pieces = {
      "[CalKit]", "[Short]", "[Open]", "[Load]", "[Thru]", "Name=", "C0=", "C3=", "L2=", "OffsetDelay=",
      "OffsetZ0=", "OffsetLoss=", "UseDatabaseStd=", "TouchstoneFile=", "1e-11", "-0", "0", "1e308", "-1e308",
      "nan", "inf", "5.0E-11", ",", ".", "=", "[", "]", "\r\n", "\n", "\r", std::string("\0", 1), "\xFF\xFE",
      "\xFE\xFF", "\xEF\xBB\xBF", "\xD0", "\xCA\xE8", "  "};
  for (int round = 0; round < 400; ++round) {
    std::string bytes;
    const int parts = static_cast<int>(rng() % 60);
    for (int p = 0; p < parts; ++p) {
      if (rng() % 3 == 0) {
        const int n = static_cast<int>(rng() % 8);
        for (int b = 0; b < n; ++b) bytes.push_back(static_cast<char>(rng() & 0xFF));
      } else {
        bytes += pieces[rng() % pieces.size()];
      }
    }
    WriteScratch(folder + "/random.dat", bytes);
    LooseKit loose;
    ASSERT_NO_THROW(loose.kit.ReadFile(folder + "/random.dat")) << "round " << round;
    for (double v : Numbers(loose.kit)) ASSERT_TRUE(std::isfinite(v)) << "round " << round;
    for (double f : {85e6, 1e9, 14e9}) {
      const TComplex values[] = {loose.kit.GetShortGamma(f), loose.kit.GetOpenGamma(f), loose.kit.GetLoadGamma(f),
                                 loose.kit.GetThruS21(f)};
      for (const TComplex& z : values) {
        ASSERT_TRUE(std::isfinite(z.Re) && std::isfinite(z.Im)) << "round " << round << " f " << f;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The user's kit files and failed writes

TEST_F(CalKitsFile, UserFilesGoToTheKitFolderAsUtf8) {
  TCalKitsModule module(TestFolder());
  TCalKit& kit = *module.GetKits().GetItem(7);
  kit.SetName("Мой набор");
  kit.GetStandard(1)->SetOffset(2, 9e8);
  kit.SaveToFile("mine");
  const std::string path = (testenv::Root() / "home" / "CalKit" / "mine.dat").string();
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_TRUE(IsValidUtf8(bytes));
  EXPECT_NE(bytes.find("Name=Мой набор\r\n"), std::string::npos);

  TCalKit& other = *module.GetKits().GetItem(15);
  ChangeRecorder events(module);
  other.LoadFromFile("mine.dat");
  EXPECT_EQ(other.Name, "Мой набор");
  EXPECT_EQ(other.GetStandard(1)->GetOffsetLoss(), 9e8);
  EXPECT_EQ(events.Senders, std::vector<TFObject*>{&other});

  events.Senders.clear();
  other.LoadFromFile("no such kit");  // missing: nothing, no event
  EXPECT_TRUE(events.Senders.empty());
  EXPECT_THROW(other.LoadFromFile(TestFolder("dir")), EAbort);  // a folder is no kit file
  fs::remove(path);

  const std::string kitFolder = (testenv::Root() / "home" / "CalKit").string();
  const struct {
    const char* given;
    std::string path;
  } names[] = {
      {"mine", kitFolder + "/mine.dat"},
      {"mine.kit", kitFolder + "/mine.kit"},
      {"C:\\Kits\\mine", kitFolder + "/mine.dat"},
      {"/elsewhere/mine", "/elsewhere/mine.dat"},
      {"/elsewhere.d/mine", "/elsewhere.d/mine.dat"},
      {"rel/mine.dat", "rel/mine.dat"},
  };
  for (const auto& n : names) EXPECT_EQ(TCalKit::ResolveUserPath(n.given), n.path) << n.given;
}

// The write fails when the file may not grow past a few bytes, so the old file must survive.
TEST_F(CalKitsFile, FailedWriteKeepsTheOldFile) {
  const std::string folder = TestFolder();
  const std::string old = "[CalKit]\nName=Old\n";
  WriteBytes(folder + "/CalKit04.dat", old);
  WriteBytes(folder + "/CalKit05.dat", old);
  WriteBytes(folder + "/user.dat", old);
  fs::create_directories(folder + "/CalKit06.dat");  // a folder in a kit file's place

  std::vector<std::string> log;
  TCalKitsModule module(folder);
  TCalKits& kits = module.GetKits();
  kits.GetItem(3)->SetName("New");
  kits.GetItem(4)->Restore();  // unchanged: its file is deleted
  kits.GetItem(5)->SetName("Six");
  kits.GetItem(6)->SetName("Seven");
  module.Log = [&](const std::string& m) { log.push_back(m); };

  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit small = before;
  small.rlim_cur = 64;
  auto* previous = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    kits.GetItem(3)->SaveToFile(folder + "/user.dat");
  } catch (const EAbort& e) {
    message = e.what();
  }
  const bool saved = module.SaveKitFiles();
  setrlimit(RLIMIT_FSIZE, &before);
  signal(SIGXFSZ, previous);

  EXPECT_NE(message.find("user.dat"), std::string::npos) << message;
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadBytes(folder + "/user.dat"), old);
  EXPECT_EQ(ReadBytes(folder + "/CalKit04.dat"), old);
  EXPECT_FALSE(fs::exists(folder + "/CalKit05.dat"));
  EXPECT_TRUE(fs::is_directory(folder + "/CalKit06.dat"));
  EXPECT_FALSE(fs::exists(folder + "/CalKit07.dat"));
  ASSERT_EQ(log.size(), 3u);  // kits 4, 6 and 7, each on its own
  EXPECT_NE(log[0].find("CalKit04.dat"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("CalKit06.dat"), std::string::npos) << log[1];
  EXPECT_NE(log[2].find("CalKit07.dat"), std::string::npos) << log[2];
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  }

  // With room again, the same save goes through.
  log.clear();
  fs::remove(folder + "/CalKit06.dat");
  EXPECT_TRUE(module.SaveKitFiles());
  EXPECT_TRUE(log.empty());
  EXPECT_NE(DecodeTextFile(ReadBytes(folder + "/CalKit04.dat")).find("Name=New"), std::string::npos);
  module.Log = nullptr;
}

}  // namespace
