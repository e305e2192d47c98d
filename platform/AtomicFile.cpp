#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

namespace platform {

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

}  // namespace

FileResult AtomicFile::write(const std::string& path, std::string_view bytes) {
  if (path.empty()) return FileResult{false, "Cannot create file \"\": no file name"};
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail("Cannot create file", path, EISDIR);

  // The temporary name is the target's name plus ".tmp-XXXXXX", the name cut short where the
  // whole would pass the file-name limit. Close-on-exec: a program started meanwhile must not
  // keep it open.
  size_t nameStart = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
  std::string tmpl = path;
  constexpr size_t kSuffix = 11;  // ".tmp-XXXXXX"
  if (tmpl.size() - nameStart + kSuffix > NAME_MAX) tmpl.resize(nameStart + NAME_MAX - kSuffix);
  tmpl += ".tmp-XXXXXX";
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return Fail("Cannot create file", path, errno);

  auto abandon = [&](int err) {
    ::close(fd);
    ::unlink(tmpl.c_str());
    return Fail("Cannot write file", path, err);
  };

  // Keep the permissions an existing file had; a new file gets the usual 0666 & ~umask.
  mode_t mode = 0;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) return abandon(errno);

  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(errno);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return abandon(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmpl.c_str());
    return Fail("Cannot write file", path, err);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmpl.c_str());
    return Fail("Cannot write file", path, err);
  }
  // Make the rename itself durable.
  int dfd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

FileResult AtomicFile::remove(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return {};
  return Fail("Cannot delete file", path, errno);
}

FileResult AtomicFile::read(const std::string& path, std::string& bytes) {
  // O_NONBLOCK: opening a FIFO put in a file's place must not wait for a writer.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Fail("Cannot open file", path, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return Fail("Cannot open file", path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail("Cannot open file", path, EISDIR);
  }
  std::string out;
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return Fail("Cannot read file", path, err);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  bytes = std::move(out);
  return {};
}

bool AtomicFile::exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
