#include "platform/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// The value of an environment variable, empty when unset.
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// XDG variables count only when they hold an absolute path; a relative one is ignored.
std::string XdgEnv(const char* name) {
  std::string v = Env(name);
  return (!v.empty() && v.front() == '/') ? v : std::string();
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeFolder() {
  std::string home = XdgEnv("HOME");
  if (!home.empty()) return WithoutTrailingSlashes(home);
  // No usable $HOME: ask the user database.
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    return WithoutTrailingSlashes(found->pw_dir);
  }
  return "/tmp";
}

// Creates the folder and its parents when missing. Failures are left for the first file
// operation in there to report, with the file's name.
void MakeFolders(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
}

std::string UidText() {
  std::array<char, 24> buf{};
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), static_cast<unsigned long>(::geteuid()));
  return std::string(buf.data(), res.ptr);
}

// mkdir with mode 0700, then checks that the folder is a real folder (not a link) owned by us
// and closes it to others. False when someone else's folder or a link sits there.
bool MakePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

// A relative path below a root: not empty, not absolute, no "." or ".." parts, no NUL.
bool IsSafeRelative(std::string_view rel) {
  if (rel.empty() || rel.front() == '/' || rel.find('\0') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= rel.size()) {
    size_t end = rel.find('/', start);
    if (end == std::string_view::npos) end = rel.size();
    std::string_view part = rel.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string Join(const std::string& folder, std::string_view name) {
  return (folder == "/" ? std::string() : folder) + "/" + std::string(name);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return exe.parent_path().string();
}

}  // namespace

std::string Paths::dataRoot() {
  std::string root = Env("TERVAN_HOME");
  if (!root.empty()) {
    if (root.front() != '/') {
      std::error_code ec;
      fs::path abs = fs::absolute(root, ec);
      if (!ec) root = abs.lexically_normal().string();
    }
    root = WithoutTrailingSlashes(root);
  } else if (std::string xdg = XdgEnv("XDG_DATA_HOME"); !xdg.empty()) {
    root = Join(WithoutTrailingSlashes(xdg), "tervan");
  } else {
    root = Join(HomeFolder(), ".local/share/tervan");
  }
  MakeFolders(root);
  return root;
}

std::string Paths::folder(std::string_view name) {
  std::string path = WithoutTrailingSlashes(Join(dataRoot(), name));
  MakeFolders(path);
  return path;
}

std::string Paths::configFile() {
  std::string base = XdgEnv("XDG_CONFIG_HOME");
  base = base.empty() ? Join(HomeFolder(), ".config") : WithoutTrailingSlashes(base);
  std::string folder = Join(base, "tervan");
  MakeFolders(folder);
  return folder + "/tervan.ini";
}

std::string Paths::runtimeFolder() {
  std::string xdg = XdgEnv("XDG_RUNTIME_DIR");
  if (!xdg.empty()) {
    std::string path = Join(WithoutTrailingSlashes(xdg), "tervan");
    if (MakePrivateFolder(path)) return path;
  }
  std::string path = "/tmp/tervan-" + UidText();
  if (MakePrivateFolder(path)) return path;
  return {};
}

std::string Paths::shippedFolder() {
  std::string share = Env("TERVAN_SHARE_DIR");
  if (!share.empty()) return WithoutTrailingSlashes(share);
  std::string exeFolder = ExecutableFolder();
  if (!exeFolder.empty()) {
    std::string installed = fs::path(exeFolder + "/../share/tervan").lexically_normal().string();
    installed = WithoutTrailingSlashes(installed);
    if (IsFolder(installed)) return installed;
  }
#ifdef TERVAN_SHIPPED_SOURCE_DIR
  return TERVAN_SHIPPED_SOURCE_DIR;
#else
  return {};
#endif
}

std::string Paths::shippedFile(std::string_view relative) {
  if (!IsSafeRelative(relative)) return {};
  std::string rel(relative);
  std::string target = Join(dataRoot(), rel);
  if (AtomicFile::exists(target)) return target;

  std::string shipped = shippedFolder();
  if (shipped.empty()) return {};
  std::string source = shipped + "/" + rel;
  std::string bytes;
  if (!AtomicFile::read(source, bytes)) return {};
  MakeFolders(fs::path(target).parent_path().string());
  if (!AtomicFile::write(target, bytes)) return source;  // still readable where it was shipped
  return target;
}

std::string Paths::storedName(std::string_view name, std::string_view kindFolder) {
  const size_t cut = name.find_last_of("/\\");
  const std::string_view base = cut == std::string_view::npos ? name : name.substr(cut + 1);
  if (base.empty() || base == "." || base == ".." || base.size() > NAME_MAX ||
      base.find('\0') != std::string_view::npos || name.find('\0') != std::string_view::npos)
    return {};
  return Join(folder(kindFolder), base);
}

std::string Paths::clientPath(std::string_view name, std::string_view kindFolder, std::string* reason) {
  auto refuse = [reason](const char* why) {
    if (reason) *reason = why;
    return std::string();
  };
  if (name.empty()) return refuse("the name is empty");
  if (name.size() > 4096) return refuse("the name is longer than 4096 bytes");
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) return refuse("the name holds a control character");
  }
  std::string text(name);
  std::replace(text.begin(), text.end(), '\\', '/');
  if (text.front() == '/') return refuse("the name is an absolute path");
  if (text.size() >= 2 && text[1] == ':' &&
      ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')))
    return refuse("the name has a drive prefix");

  std::vector<std::string_view> parts;
  const std::string_view view(text);
  size_t start = 0;
  while (start <= view.size()) {
    size_t end = view.find('/', start);
    if (end == std::string_view::npos) end = view.size();
    const std::string_view part = view.substr(start, end - start);
    if (part == "..") return refuse("the name has a \"..\" part");
    if (part.size() > NAME_MAX) return refuse("a part of the name is longer than 255 bytes");
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  if (parts.empty()) return refuse("the name names no file");

  const std::string root = dataRoot();
  std::string base = root;
  if (parts.size() == 1 && !kindFolder.empty()) {
    base = WithoutTrailingSlashes(Join(root, kindFolder));
    MakeFolders(base);
  }
  std::string path = base;
  for (const std::string_view part : parts) path = Join(path, part);

  // Walks from the canonical root along the parts below it, following each link on the way:
  // every link must resolve (a writer would otherwise create its missing target, out of sight)
  // and stay inside the root. Parts past the first missing one are plain names.
  char* resolvedRoot = ::realpath(root.c_str(), nullptr);
  if (resolvedRoot == nullptr) return refuse("the data root cannot be reached");
  const std::string canonicalRoot(resolvedRoot);
  std::free(resolvedRoot);
  const std::string inside = canonicalRoot == "/" ? "/" : canonicalRoot + "/";
  std::string current = canonicalRoot;
  const std::string_view below = std::string_view(path).substr(root == "/" ? 1 : root.size() + 1);
  bool missing = false;
  size_t from = 0;
  while (!missing && from <= below.size()) {
    size_t to = below.find('/', from);
    if (to == std::string_view::npos) to = below.size();
    const std::string next = Join(current, below.substr(from, to - from));
    from = to + 1;
    struct stat st {};
    if (::lstat(next.c_str(), &st) != 0) {
      missing = true;  // the rest cannot be links
      continue;
    }
    if (!S_ISLNK(st.st_mode)) {
      current = next;
      continue;
    }
    char* target = ::realpath(next.c_str(), nullptr);
    if (target == nullptr) return refuse("a link on the way leads nowhere");
    current = target;
    std::free(target);
    if (current != canonicalRoot && current.compare(0, inside.size(), inside) != 0)
      return refuse("the path leads outside the data root");
  }
  // A name that ends on the root itself (through a link) names no file below it.
  if (!missing && current == canonicalRoot) return refuse("the path leads outside the data root");
  return path;
}

std::vector<std::string> Paths::shippedNames(std::string_view relativeFolder) {
  std::vector<std::string> names;
  std::string shipped = shippedFolder();
  if (shipped.empty()) return names;
  std::string folder = shipped;
  if (!relativeFolder.empty()) {
    if (!IsSafeRelative(relativeFolder)) return names;
    folder += "/" + std::string(relativeFolder);
  }
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code sec;
    if (it->is_regular_file(sec)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
