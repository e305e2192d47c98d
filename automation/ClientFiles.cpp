#include "automation/ClientFiles.h"

#include <sys/stat.h>

#include "model/EAbort.h"
#include "platform/Paths.h"

namespace automation {

std::string ShownName(const std::string& name) {
  std::string shown = name.substr(0, 200);
  for (char& c : shown) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = '?';
  }
  if (name.size() > 200) shown += "...";
  return shown;
}

namespace {

[[noreturn]] void Refuse(const std::string& name, const std::string& reason) {
  throw EAbort("File name not allowed: " + ShownName(name) + " (" + reason + ")", 200);
}

}  // namespace

std::string ClientFilePath(const std::string& name, const char* kindFolder, const char* extension) {
  std::string reason;
  const std::string path = platform::Paths::clientPath(name, kindFolder, &reason);
  if (path.empty()) Refuse(name, reason);
  if (extension != nullptr && *extension != '\0') {
    // The folders on the way are checked; only the completed name itself may be a link.
    const std::string completed = path + extension;
    struct stat st {};
    if (::lstat(completed.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      const std::string root = platform::Paths::dataRoot();
      const std::string rel = completed.substr(root.size() + 1);
      if (platform::Paths::clientPath(rel, "", &reason).empty()) Refuse(name, reason);
    }
  }
  return path;
}

void RequireFile(const std::string& path, const std::string& name) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    throw EAbort("File not found: " + ShownName(name), 200);
}

}  // namespace automation
