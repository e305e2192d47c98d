#pragma once
// The named mutex: an exclusive flock() on <runtime folder>/<name>.lock (see
// Paths::runtimeFolder()). tryLock() never waits. The lock is freed by release(), by the
// destructor, or by the death of the process, however it dies.
//
// Every LockFile opens its own file description, so a second LockFile on a held name fails
// also inside the same process: a device index taken by one link is refused to the other.
// The descriptor is close-on-exec, so programs started later do not inherit the lock.
#include <string>
#include <string_view>

namespace platform {

class LockFile {
 public:
  // A name is one file-name part: not empty, no '/', no NUL, not "." or "..".
  explicit LockFile(std::string_view name);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  LockFile(LockFile&& other) noexcept;
  LockFile& operator=(LockFile&& other) noexcept;

  // Takes the lock without waiting. True when it is held by this object afterwards (also when
  // it already was); false when someone else holds it or the lock file cannot be opened (see
  // error()).
  bool tryLock();
  // Frees the lock; nothing happens when it is not held. The lock file itself stays: removing
  // it would let two processes lock two different files of the same name.
  void release();
  bool isLocked() const { return fd_ >= 0; }

  const std::string& name() const { return name_; }
  // The lock file's full path; empty when the name is not valid or no runtime folder exists.
  std::string path() const;
  // Why the last tryLock() failed: empty after success or when the name is simply held.
  const std::string& error() const { return error_; }

  static bool isValidName(std::string_view name);

 private:
  std::string name_;
  std::string error_;
  int fd_ = -1;
};

}  // namespace platform
