#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/Paths.h"

namespace platform {

LockFile::LockFile(std::string_view name) : name_(name) {}

LockFile::~LockFile() { release(); }

LockFile::LockFile(LockFile&& other) noexcept
    : name_(std::move(other.name_)), error_(std::move(other.error_)), fd_(std::exchange(other.fd_, -1)) {}

LockFile& LockFile::operator=(LockFile&& other) noexcept {
  if (this != &other) {
    release();
    name_ = std::move(other.name_);
    error_ = std::move(other.error_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool LockFile::isValidName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

std::string LockFile::path() const {
  if (!isValidName(name_)) return {};
  std::string folder = Paths::runtimeFolder();
  if (folder.empty()) return {};
  return folder + "/" + name_ + ".lock";
}

bool LockFile::tryLock() {
  if (fd_ >= 0) return true;
  error_.clear();
  if (!isValidName(name_)) {
    error_ = "Invalid lock name \"" + name_ + "\"";
    return false;
  }
  std::string file = path();
  if (file.empty()) {
    error_ = "Cannot lock \"" + name_ + "\": no private runtime folder";
    return false;
  }
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = "Cannot open lock file \"" + file + "\": " + std::strerror(errno);
    return false;
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    int err = errno;
    ::close(fd);
    if (err != EWOULDBLOCK) error_ = "Cannot lock \"" + file + "\": " + std::strerror(err);
    return false;
  }
  fd_ = fd;
  return true;
}

void LockFile::release() {
  if (fd_ < 0) return;
  // Unlock explicitly: a forked child may still share this file description, and closing
  // only our descriptor would leave the lock held through its copy.
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace platform
