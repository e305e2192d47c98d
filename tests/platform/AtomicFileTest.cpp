#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"

using platform::AtomicFile;
using namespace platformtest;

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(byte(gen));
  return s;
}

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0);
  return st.st_mode & 07777;
}

// Makes every write past `limit` bytes of a file fail with EFBIG, also for root, and undoes
// that on destruction.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = limit;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &lim) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldHandler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  sighandler_t oldHandler_{};
  bool ok_ = false;
};

}  // namespace

TEST(AtomicFile, WritesExactBytesAndReplacesTheOldFile) {
  fs::path dir = FreshFolder();
  std::string target = (dir / "state.cfg").string();
  const std::vector<std::string> contents = {
      "",
      "abc",
      std::string("\0\xFF\r\n\0x", 6),
      RandomBytes(3 * 1024 * 1024 + 17, 7),  // more than one write() chunk of the reader
  };
  for (const std::string& bytes : contents) {
    SCOPED_TRACE(bytes.size());
    platform::FileResult r = AtomicFile::write(target, bytes);
    ASSERT_TRUE(r) << r.message;
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(ReadRaw(target), bytes);
    std::string back = "left over";
    ASSERT_TRUE(AtomicFile::read(target, back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(Entries(dir), std::set<std::string>{"state.cfg"});
  }
}

TEST(AtomicFile, KeepsTheModeOfAnExistingFile) {
  fs::path dir = FreshFolder();
  fs::path target = dir / "kit.dat";
  WriteRaw(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_TRUE(AtomicFile::write(target.string(), "new"));
  EXPECT_EQ(ModeOf(target), 0640u);

  mode_t mask = ::umask(0);
  ::umask(mask);
  fs::path fresh = dir / "fresh.dat";
  ASSERT_TRUE(AtomicFile::write(fresh.string(), "x"));
  EXPECT_EQ(ModeOf(fresh), 0666u & ~mask);
}

TEST(AtomicFile, NameAtTheLengthLimitStillWrites) {
  fs::path dir = FreshFolder();
  std::string name(NAME_MAX - 4, 'n');
  name += ".ini";
  ASSERT_TRUE(AtomicFile::write((dir / name).string(), "long"));
  EXPECT_EQ(ReadRaw(dir / name), "long");
  EXPECT_EQ(Entries(dir), std::set<std::string>{name});
}

// A write that cannot even start: nothing is created, nothing is left behind, and the message
// names the file.
TEST(AtomicFile, FailedWriteLeavesNothingAndNamesTheFile) {
  fs::path dir = FreshFolder();
  fs::create_directories(dir / "Folder");
  WriteRaw(dir / "Folder" / "inside.txt", "keep me");
  WriteRaw(dir / "plain", "plain file");
  struct Case {
    const char* what;
    fs::path target;
  };
  const std::vector<Case> cases = {
      {"folder missing", dir / "Missing" / "state.cfg"},
      {"target is a folder", dir / "Folder"},
      {"target is a folder, trailing slash", fs::path((dir / "Folder").string() + "/")},
      {"a file where a folder should be", dir / "plain" / "state.cfg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::set<std::string> before = Entries(dir);
    platform::FileResult r = AtomicFile::write(c.target.string(), "new bytes");
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(c.target.string()), std::string::npos) << r.message;
    EXPECT_EQ(Entries(dir), before);
    EXPECT_EQ(Entries(dir / "Folder"), std::set<std::string>{"inside.txt"});
    EXPECT_EQ(ReadRaw(dir / "Folder" / "inside.txt"), "keep me");
    EXPECT_EQ(ReadRaw(dir / "plain"), "plain file");
  }
  EXPECT_FALSE(AtomicFile::write("", "x"));
}

// A write that fails half-way (the file-size limit stops it after some bytes went out): the old
// file keeps every byte and the temporary file is gone.
TEST(AtomicFile, WriteFailingHalfWayKeepsTheOldFileByteForByte) {
  fs::path dir = FreshFolder();
  fs::path target = dir / "Autosave.cfg";
  const std::string old = RandomBytes(1000, 3);
  WriteRaw(target, old);
  platform::FileResult r;
  {
    FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.ok());
    r = AtomicFile::write(target.string(), RandomBytes(256 * 1024, 4));
  }
  EXPECT_FALSE(r);
  EXPECT_NE(r.message.find(target.string()), std::string::npos) << r.message;
  EXPECT_EQ(ReadRaw(target), old);
  EXPECT_EQ(Entries(dir), std::set<std::string>{"Autosave.cfg"});
}

// A streamed write gives the file exactly the pieces, in order; when a write fails or the producer
// throws, the old file keeps every byte and no temporary file is left, through an unnamed and a
// named temporary file alike.
TEST(AtomicFile, StreamedWriteIsAllOrNothing) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named temporary" : "unnamed temporary");
    AtomicFile::testForceNamedTemporary = named;
    fs::path dir = FreshFolder();
    fs::path target = dir / "state.cfg";
    const std::string old = RandomBytes(1000, 5);
    WriteRaw(target, old);
    const std::string all = RandomBytes(300 * 1024, 6);
    const std::vector<size_t> cuts = {0, 0, 1, 4096, 65536, 200000, all.size()};

    auto pieces = [&](const AtomicFile::Sink& sink) {
      for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        if (!sink(std::string_view(all).substr(cuts[k], cuts[k + 1] - cuts[k]))) return;
      }
    };
    platform::FileResult r;
    bool refused = false;
    {
      FileSizeLimit limit(64 * 1024);
      ASSERT_TRUE(limit.ok());
      r = AtomicFile::writeStream(target.string(), [&](const AtomicFile::Sink& sink) {
        pieces([&](std::string_view piece) {
          const bool ok = sink(piece);
          refused = refused || !ok;
          return ok;
        });
      });
    }
    EXPECT_FALSE(r);
    EXPECT_TRUE(refused) << "the sink never reported the failed write";
    EXPECT_EQ(ReadRaw(target), old);
    EXPECT_EQ(Entries(dir), std::set<std::string>{"state.cfg"});

    EXPECT_THROW(AtomicFile::writeStream(target.string(),
                                         [&](const AtomicFile::Sink& sink) {
                                           sink("partial");
                                           throw std::runtime_error("producer failed");
                                         }),
                 std::runtime_error);
    EXPECT_EQ(ReadRaw(target), old);
    EXPECT_EQ(Entries(dir), std::set<std::string>{"state.cfg"});

    EXPECT_TRUE(AtomicFile::writeStream(target.string(), pieces));
    EXPECT_EQ(ReadRaw(target), all);
    EXPECT_EQ(Entries(dir), std::set<std::string>{"state.cfg"});
  }
  AtomicFile::testForceNamedTemporary = false;
}

TEST(AtomicFile, RemoveDeletesAndReportsFailureLikeAWrite) {
  fs::path dir = FreshFolder();
  WriteRaw(dir / "gone.txt", "x");
  EXPECT_TRUE(AtomicFile::remove((dir / "gone.txt").string()));
  EXPECT_FALSE(fs::exists(dir / "gone.txt"));
  // Already gone counts as deleted.
  EXPECT_TRUE(AtomicFile::remove((dir / "gone.txt").string()));
  EXPECT_TRUE(AtomicFile::remove((dir / "Missing" / "x.txt").string()));

  fs::create_directories(dir / "Folder");
  WriteRaw(dir / "Folder" / "inside.txt", "keep me");
  std::string folder = (dir / "Folder").string();
  platform::FileResult r = AtomicFile::remove(folder);
  EXPECT_FALSE(r);
  EXPECT_NE(r.message.find("Cannot delete file \"" + folder + "\""), std::string::npos) << r.message;
  EXPECT_EQ(ReadRaw(dir / "Folder" / "inside.txt"), "keep me");
}

// A file read in pieces hands over exactly its bytes, in order, and stops when asked to; what
// read() refuses is refused before anything is handed over.
TEST(AtomicFile, ReadPiecesHandsOverTheWholeFileInOrder) {
  fs::path dir = FreshFolder();
  std::string bytes;
  std::mt19937 random(7);
  for (size_t i = 0; i < (3u << 20) + 7; ++i) bytes.push_back(static_cast<char>(random()));
  WriteRaw(dir / "big.bin", bytes);
  const std::string path = (dir / "big.bin").string();

  std::string back;
  uint64_t total = 0;
  int pieces = 0;
  ASSERT_TRUE(AtomicFile::readPieces(path, [&](std::string_view piece) {
    ++pieces;
    back.append(piece);
    return true;
  }, UINT64_MAX, &total));
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(total, bytes.size());
  EXPECT_GE(pieces, 4);

  back.clear();
  ASSERT_TRUE(AtomicFile::readPieces(path, [&](std::string_view piece) {
    back.append(piece);
    return false;
  }));
  EXPECT_EQ(back, bytes.substr(0, back.size()));
  EXPECT_LT(back.size(), bytes.size());

  fs::create_directories(dir / "Folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  for (const auto& [name, limit] : std::vector<std::pair<std::string, uint64_t>>{
           {"missing.bin", UINT64_MAX}, {"Folder", UINT64_MAX}, {"pipe", UINT64_MAX}, {"big.bin", bytes.size() - 1}}) {
    SCOPED_TRACE(name);
    bool called = false;
    const platform::FileResult r = AtomicFile::readPieces((dir / name).string(), [&](std::string_view) {
      called = true;
      return true;
    }, limit);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(name), std::string::npos) << r.message;
    EXPECT_FALSE(called);
  }
}

TEST(AtomicFile, ReadFailsOnAnythingButARegularFile) {
  fs::path dir = FreshFolder();
  fs::create_directories(dir / "Folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);  // must fail at once, not wait
  const std::vector<fs::path> bad = {dir / "missing.txt", dir / "Folder", dir / "pipe"};
  for (const fs::path& p : bad) {
    SCOPED_TRACE(p.string());
    std::string bytes = "unchanged";
    platform::FileResult r = AtomicFile::read(p.string(), bytes);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(p.string()), std::string::npos) << r.message;
    EXPECT_EQ(bytes, "unchanged");
    EXPECT_FALSE(AtomicFile::exists(p.string()));
  }
  WriteRaw(dir / "file", "x");
  EXPECT_TRUE(AtomicFile::exists((dir / "file").string()));
}
