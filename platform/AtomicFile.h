#pragma once
// Every file the program writes goes through here: the bytes go to a temporary file in the
// target's folder, are flushed to disk and renamed over the target. A failed write leaves the
// old file as it was and no temporary file behind, and says what failed, naming the file.
#include <string>
#include <string_view>

namespace platform {

struct FileResult {
  bool ok = true;
  std::string message;  // empty when ok
  explicit operator bool() const { return ok; }
};

class AtomicFile {
 public:
  // Replaces (or creates) path with exactly these bytes.
  static FileResult write(const std::string& path, std::string_view bytes);
  // Deletes path; a file that does not exist counts as deleted.
  static FileResult remove(const std::string& path);
  // Reads the whole file. A missing or unreadable file (or a folder) fails with a message.
  static FileResult read(const std::string& path, std::string& bytes);
  // True when path names an existing regular file.
  static bool exists(const std::string& path);
};

}  // namespace platform
