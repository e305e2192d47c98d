#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>

namespace platform {

void (*AtomicFile::testHookAfterTemporary)() = nullptr;
bool AtomicFile::testForceNamedTemporary = false;

namespace {

FileResult Fail(const std::string& what, const std::string& path, int err) {
  return FileResult{false, what + " \"" + path + "\": " + std::strerror(err)};
}

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

constexpr std::string_view kTempMark = ".tmp-";
constexpr size_t kTempRandom = 6;
constexpr size_t kTempSuffix = 5 + kTempRandom;  // ".tmp-XXXXXX"

// The temporary name's stem: the target's path, its file name cut short where the whole would
// pass the file-name limit.
std::string TemporaryStem(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = path;
  if (stem.size() - nameStart + kTempSuffix > NAME_MAX) stem.resize(nameStart + NAME_MAX - kTempSuffix);
  return stem + std::string(kTempMark);
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() <= kTempSuffix) return false;
  if (name.substr(name.size() - kTempSuffix, kTempMark.size()) != kTempMark) return false;
  for (char c : name.substr(name.size() - kTempRandom)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

std::string DecimalText(unsigned long long v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string RandomLetters() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 gen(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string s(kTempRandom, 'A');
  for (char& c : s) c = kLetters[pick(gen)];
  return s;
}

// The mode the target gets: an existing file's permissions, else 0666 & ~umask.
mode_t TargetMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
}

void SyncFolder(const std::string& path) {
  int dfd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void CallTestHook() {
  if (AtomicFile::testHookAfterTemporary) AtomicFile::testHookAfterTemporary();
}

// The bytes in an unnamed file of the target's folder, linked under a temporary name and
// renamed over the target only once they are on disk. False (nothing left behind, result
// untouched) when the folder or the system cannot give an unnamed file; the caller then writes
// through a named one.
// What fills the new file: 0, or the errno of the failed write. It may throw; the temporary file
// is then closed and removed, and the exception goes on.
using Body = std::function<int(int fd)>;

int RunBody(const Body& body, int fd, const std::function<void()>& abandon) {
  try {
    return body(fd);
  } catch (...) {
    abandon();
    throw;
  }
}

bool WriteUnnamed(const std::string& path, const Body& body, mode_t mode, FileResult& result) {
  // Close-on-exec: a program started meanwhile must not keep it open.
  int fd = ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // The lock keeps the start-time sweep of another copy away from the short moment in which the
  // file has its temporary name.
  (void)::flock(fd, LOCK_EX | LOCK_NB);
  int err = 0;
  if (::fchmod(fd, mode) != 0) err = errno;
  if (err == 0) err = RunBody(body, fd, [fd] { ::close(fd); });
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (err != 0) {
    ::close(fd);
    result = Fail("Cannot write file", path, err);
    return true;
  }
  CallTestHook();

  // linkat through /proc needs no privilege; AT_EMPTY_PATH serves where /proc is missing and
  // the process may use it.
  const std::string stem = TemporaryStem(path);
  const std::string self = "/proc/self/fd/" + DecimalText(static_cast<unsigned long long>(fd));
  std::string linked;
  for (int attempt = 0; attempt < 100 && linked.empty(); ++attempt) {
    std::string name = stem + RandomLetters();
    int rc = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    if (rc != 0 && errno != EEXIST) rc = ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    if (rc == 0) {
      linked = name;
    } else if (errno != EEXIST) {
      break;
    }
  }
  if (linked.empty()) {
    ::close(fd);
    return false;
  }
  if (::rename(linked.c_str(), path.c_str()) != 0) {
    err = errno;
    ::unlink(linked.c_str());
    ::close(fd);
    result = Fail("Cannot write file", path, err);
    return true;
  }
  ::close(fd);
  SyncFolder(path);
  result = {};
  return true;
}

FileResult WriteNamed(const std::string& path, const Body& body, mode_t mode) {
  std::string tmpl = TemporaryStem(path) + "XXXXXX";
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return Fail("Cannot create file", path, errno);
  // Held until the file has the target's name: a start-time sweep leaves a locked file alone.
  (void)::flock(fd, LOCK_EX | LOCK_NB);

  auto abandon = [&](int err) {
    ::unlink(tmpl.c_str());
    ::close(fd);
    return Fail("Cannot write file", path, err);
  };
  if (::fchmod(fd, mode) != 0) return abandon(errno);
  const int written = RunBody(body, fd, [&] {
    ::unlink(tmpl.c_str());
    ::close(fd);
  });
  if (written != 0) return abandon(written);
  if (::fsync(fd) != 0) return abandon(errno);
  CallTestHook();
  if (::rename(tmpl.c_str(), path.c_str()) != 0) return abandon(errno);
  if (::close(fd) != 0) return Fail("Cannot write file", path, errno);
  SyncFolder(path);
  return {};
}

// When this process started, taken while the program's static objects are made, before any
// write of its own: a leftover from earlier than this is no file of ours in the making.
struct timespec Now() {
  struct timespec t {};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return t;
}
const struct timespec kProcessStart = Now();

struct timespec ProcessStart() { return kProcessStart; }

bool Before(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Removes one leftover when no writer holds it and it is older than this process.
bool RemoveLeftover(int dirFd, const char* name) {
  int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  bool removed = false;
  struct stat held {};
  struct stat now {};
  if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && Before(held.st_mtim, ProcessStart()) &&
      ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dirFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
      now.st_dev == held.st_dev && now.st_ino == held.st_ino) {
    removed = ::unlinkat(dirFd, name, 0) == 0;
  }
  ::close(fd);
  return removed;
}

int SweepFolder(int dirFd, int depth) {
  DIR* dir = ::fdopendir(dirFd);
  if (dir == nullptr) {
    ::close(dirFd);
    return 0;
  }
  int removed = 0;
  while (struct dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (depth <= 0) continue;
      int sub = ::openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
      if (sub >= 0) removed += SweepFolder(sub, depth - 1);
    } else if (S_ISREG(st.st_mode) && IsTemporaryName(name) && RemoveLeftover(::dirfd(dir), e->d_name)) {
      ++removed;
    }
  }
  ::closedir(dir);
  return removed;
}

}  // namespace

namespace {

FileResult WriteWith(const std::string& path, const Body& body) {
  if (path.empty()) return FileResult{false, "Cannot create file \"\": no file name"};
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail("Cannot create file", path, EISDIR);
  const mode_t mode = TargetMode(path);
  FileResult result;
  if (!AtomicFile::testForceNamedTemporary && WriteUnnamed(path, body, mode, result)) return result;
  return WriteNamed(path, body, mode);
}

}  // namespace

FileResult AtomicFile::write(const std::string& path, std::string_view bytes) {
  return WriteWith(path, [bytes](int fd) { return WriteAll(fd, bytes); });
}

FileResult AtomicFile::writeStream(const std::string& path, const std::function<void(const Sink&)>& produce) {
  return WriteWith(path, [&produce](int fd) {
    int err = 0;
    const Sink sink = [&err, fd](std::string_view piece) {
      if (err == 0) err = WriteAll(fd, piece);
      return err == 0;
    };
    produce(sink);
    return err;
  });
}

FileResult AtomicFile::remove(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return {};
  return Fail("Cannot delete file", path, errno);
}

int AtomicFile::openForReading(const std::string& path, uint64_t maxBytes, FileResult& result) {
  // O_NONBLOCK: opening a FIFO put in a file's place must not wait for a writer.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    result = Fail("Cannot open file", path, errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    result = Fail("Cannot open file", path, errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    result = FileResult{false, "Cannot open file \"" + path + "\": " +
                                   (S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file")};
    ::close(fd);
    return -1;
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    const uint64_t mb = maxBytes >> 20;
    result = FileResult{false, "Cannot open file \"" + path + "\": it is larger than " +
                                   (mb > 0 ? DecimalText(mb) + " MB" : DecimalText(maxBytes) + " bytes")};
    ::close(fd);
    return -1;
  }
  // A regular file never blocks; reads go on in the usual way.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  result = {};
  return fd;
}

FileResult AtomicFile::read(const std::string& path, std::string& bytes, uint64_t maxBytes) {
  std::string out;
  const FileResult r = readPieces(path, [&out](std::string_view piece) {
    out.append(piece);
    return true;
  }, maxBytes);
  if (r) bytes = std::move(out);
  return r;
}

FileResult AtomicFile::readPieces(const std::string& path, const Taker& take, uint64_t maxBytes, uint64_t* total) {
  if (total) *total = 0;
  FileResult opened;
  const int fd = openForReading(path, maxBytes, opened);
  if (fd < 0) return opened;
  // take may throw: the descriptor is closed on every way out.
  struct TCloser {
    int fd;
    ~TCloser() { ::close(fd); }
  } closer{fd};
  constexpr size_t kPiece = 1 << 20;
  const std::unique_ptr<char[]> buffer(new char[kPiece]);
  uint64_t done = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), kPiece);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail("Cannot read file", path, errno);
    }
    if (n == 0) break;
    done += static_cast<uint64_t>(n);
    if (done > maxBytes) return FileResult{false, "Cannot read file \"" + path + "\": it grew past the size allowed"};
    if (total) *total = done;
    if (!take(std::string_view(buffer.get(), static_cast<size_t>(n)))) break;
  }
  return {};
}

bool AtomicFile::exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int AtomicFile::sweepLeftovers(const std::string& folder, int depth) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  return SweepFolder(fd, depth);
}

}  // namespace platform
