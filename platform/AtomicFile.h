#pragma once
// Every file the program writes goes through here: the bytes go to a temporary file in the
// target's folder, are flushed to disk and renamed over the target. A failed write leaves the
// old file as it was and no temporary file behind, and says what failed, naming the file.
//
// Where the file system allows it the temporary file has no name until it is complete (an
// O_TMPFILE file, linked into the folder only after its bytes are on disk), so a write cut
// short by a crash or a kill leaves nothing. Elsewhere it is "<name>.tmp-XXXXXX", locked
// (flock) for as long as its writer lives; sweepLeftovers() removes those that a dead writer
// left.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct FileResult {
  bool ok = true;
  std::string message;  // empty when ok
  explicit operator bool() const { return ok; }
};

// The largest file read through a name that another file gives: fixture networks, a kit's
// Touchstone file, a cable list.
inline constexpr uint64_t kMaxNamedFileBytes = 64ull << 20;

class AtomicFile {
 public:
  // Replaces (or creates) path with exactly these bytes.
  static FileResult write(const std::string& path, std::string_view bytes);
  // The same for bytes that produce hands to the sink piece by piece, so that a large file
  // needs no copy of itself in memory. The sink answers false once a write has failed (produce
  // may stop then); the target is then left as it was. An exception from produce leaves the
  // target as it was too, and goes on.
  using Sink = std::function<bool(std::string_view)>;
  static FileResult writeStream(const std::string& path, const std::function<void(const Sink&)>& produce);
  // Deletes path; a file that does not exist counts as deleted.
  static FileResult remove(const std::string& path);
  // Reads the whole file. A missing or unreadable file, anything but a regular file (a folder,
  // a FIFO, a device; never waited on) and a file above maxBytes fail with a message.
  static FileResult read(const std::string& path, std::string& bytes, uint64_t maxBytes = UINT64_MAX);
  // Reads the file in pieces of up to a megabyte through one buffer, handing each to take in
  // order; a file of tens of megabytes is then never held whole. The same refusals as read()
  // (also for a file that grows past maxBytes while it is read). take answers false to stop
  // early, which is no failure. total, when given, gets the number of bytes handed over.
  using Taker = std::function<bool(std::string_view)>;
  static FileResult readPieces(const std::string& path, const Taker& take, uint64_t maxBytes = UINT64_MAX,
                               uint64_t* total = nullptr);
  // Opens a file for reading without waiting on it: the same refusals as read(), the message
  // in result. The descriptor (close-on-exec, blocking reads) is the caller's to close; -1 on
  // refusal.
  static int openForReading(const std::string& path, uint64_t maxBytes, FileResult& result);
  // True when path names an existing regular file.
  static bool exists(const std::string& path);

  // Removes the temporary files that writes of earlier runs left in folder and, down to
  // `depth` levels, in its subfolders: regular files whose names end in ".tmp-" and six
  // characters, that no live writer holds locked and that are older than this process. Returns
  // how many were removed. Links are not followed.
  static int sweepLeftovers(const std::string& folder, int depth = 2);

  // For tests: called inside write() once the temporary file holds the bytes and before it gets
  // the target's name; and a switch that makes write() use a named temporary file even where
  // an unnamed one would do.
  static void (*testHookAfterTemporary)();
  static bool testForceNamedTemporary;
};

}  // namespace platform
