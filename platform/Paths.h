#pragma once
// Where the program keeps its files.
//
// The data root ("the folder of the program file") is $TERVAN_HOME when set, else
// $XDG_DATA_HOME/tervan, else ~/.local/share/tervan. Its subfolders keep the names the program
// uses ("State", "CalKit", "Cable", "Image", "Font", "FixtureSim", "Touchstone", ...) and are
// created when first needed.
//
// Every call looks at the environment afresh (tests change it). XDG variables holding a relative
// path are ignored, as the XDG rules demand; a relative $TERVAN_HOME is taken from the current
// folder. A folder that cannot be created is not reported here: the first file operation in
// it fails and names the file.
#include <string>
#include <string_view>
#include <vector>

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
  // $XDG_RUNTIME_DIR/tervan (fallback /tmp/tervan-<uid> when the variable is unset or that
  // folder cannot be made), mode 0700, created when missing. An existing folder must be a real
  // folder owned by this user (it is closed to others again); when neither qualifies, the
  // result is empty.
  static std::string runtimeFolder();
  // Where the read-only files the program ships are found: $TERVAN_SHARE_DIR when set, else
  // the installed share/tervan folder beside the executable's folder (<prefix>/bin/../share/
  // tervan) when it exists, else the source tree's resources/share folder.
  static std::string shippedFolder();
  // A shipped read-only file (relative path below shippedFolder(), '/'-separated, no "." or
  // ".." parts), copied into the data root under the same relative path on first use; a copy
  // already in the data root is never overwritten. Returns the data-root path; the shipped
  // path itself when the copy cannot be written (the file is still readable there); an empty
  // text when the file is not shipped and not in the data root either, or the path is unsafe.
  static std::string shippedFile(std::string_view relative);
  // Where a file name that one of the program's files gives (a state's cable list, say) is
  // written: only its file-name part (after the last '/' or '\'), in the data root's kindFolder
  // (created when missing), so that no file can make the program write outside the data root.
  // Empty when that part is no usable file name: empty, "." or "..", holding NUL, or longer
  // than a file name may be.
  static std::string storedName(std::string_view name, std::string_view kindFolder);
  // Where a file name that a client of the automation interface gives is read or written. This
  // is the one rule for names from outside the program (names read from our own files follow
  // storedName() above):
  // - '\' counts as '/'. Refused: an empty name (or one of "." parts only), NUL or any other
  //   control character, a leading '/' or '\', a drive prefix ("C:"), any ".." part, more than
  //   4,096 bytes, or a part over 255 bytes.
  // - A name of one part lies in the data root's kindFolder (created when missing; an empty
  //   kindFolder means the data root itself); a name with folders lies below the data root,
  //   never below the process's working folder.
  // - The result, with symbolic links resolved as far as it exists, must lie strictly inside
  //   the canonical data root, so no link on the way leads out. Call it right before the
  //   operation it serves.
  // Returns the absolute path (below dataRoot() as written, links not resolved), or an empty
  // text when refused, with the reason in *reason when given. Nothing is created but the kind
  // folder.
  static std::string clientPath(std::string_view name, std::string_view kindFolder,
                                std::string* reason = nullptr);
  // The names of the regular files shipped in a folder below shippedFolder() (empty text = the
  // shipped folder itself), sorted; for copying a whole shipped set through shippedFile().
  static std::vector<std::string> shippedNames(std::string_view relativeFolder);
};

}  // namespace platform
