#pragma once
// Where the program keeps its files.
//
// The data root ("the folder of the program file") is $TERVAN_HOME when set, else
// $XDG_DATA_HOME/tervan, else ~/.local/share/tervan. Its subfolders keep the names the program
// uses ("State", "CalKit", "Cable", "Image", "Font", "FixtureSim", "Touchstone", ...) and are
// created when first needed.
#include <string>
#include <string_view>

namespace platform {

class Paths {
 public:
  // The data root, without a trailing '/'; created when missing.
  static std::string dataRoot();
  // dataRoot() + '/' + name, created when missing.
  static std::string folder(std::string_view name);
  // $XDG_CONFIG_HOME/tervan/tervan.ini (default ~/.config/tervan/tervan.ini); the folder is
  // created when missing.
  static std::string configFile();
  // $XDG_RUNTIME_DIR/tervan (fallback /tmp/tervan-<uid>), mode 0700, created when missing.
  static std::string runtimeFolder();
  // Where the read-only files the program ships are found: $TERVAN_SHARE_DIR when set, else
  // the installed share/tervan folder, else the source tree's resources/share folder.
  static std::string shippedFolder();
  // A shipped read-only file (relative path below shippedFolder()), copied into the data root
  // under the same relative path on first use. Returns the data-root path; an empty text when
  // the file is not shipped and not in the data root either.
  static std::string shippedFile(std::string_view relative);
};

}  // namespace platform
