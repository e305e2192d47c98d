#pragma once
// The user's settings that outlive a run ("Language", "CalKitNumber", the automation server's
// address and port), kept in Paths::configFile() ($XDG_CONFIG_HOME/tervan/tervan.ini).
//
// File format: UTF-8 text, one entry per line, lines end in LF (a CR before the LF is ignored,
// a UTF-8 byte-order mark at the start is skipped).
//   key=value
// The key is the text before the first '=', without the blanks (space, tab) around it; keys
// compare ASCII case-insensitively. The value is everything after that '=' up to the line end,
// exactly as written: blanks are kept ("EN " is not "EN"). When a key occurs more than once,
// the last occurrence counts. Lines that start with '#' or ';' (after blanks) are comments.
// Every other line (comments, blank lines, lines without '=' or with an empty key, lines that
// hold a NUL byte) is not an entry but is kept: rewriting the file changes only the lines of
// the keys written and appends new keys at the end, so hand-made notes and the entries of
// later versions survive.
//
// Integers are decimal with an optional sign and blanks around them; anything else reads as the
// default. A missing, unreadable or garbled file reads as defaults and never fails a read.
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"

namespace platform {

class SettingsStore {
 public:
  static constexpr const char* kLanguage = "Language";
  static constexpr const char* kCalKitNumber = "CalKitNumber";
  // The automation server's registration (written by the REGSERVER switch, removed by
  // UNREGSERVER) and the SCPI server's port; its address only by hand (nothing writes it).
  static constexpr const char* kAutomationProgID = "AutomationProgID";
  static constexpr const char* kAutomationDescription = "AutomationDescription";
  static constexpr const char* kAutomationCommand = "AutomationCommand";
  static constexpr const char* kAutomationVersion = "AutomationVersion";
  static constexpr const char* kScpiPort = "ScpiPort";
  static constexpr const char* kScpiAddress = "ScpiAddress";

  // The user's store at Paths::configFile(), loaded at once.
  SettingsStore();
  // A store on another file (a read-only system-wide file, tests), loaded at once.
  explicit SettingsStore(std::string path);

  const std::string& path() const { return path_; }

  // Reads the file again. A missing file gives an empty store and succeeds; an unreadable one
  // gives an empty store and reports why.
  FileResult reload();

  bool contains(std::string_view key) const;
  std::string readString(std::string_view key, std::string_view defaultValue = {}) const;
  int readInteger(std::string_view key, int defaultValue) const;

  // Each write reads the file again (so entries written meanwhile by another copy of the
  // program survive), changes the one key and writes the file through AtomicFile. A value's
  // CR, LF and NUL characters are written as blanks, so no value can forge another line. A
  // key must be valid (see isValidKey()). A file that exists but cannot be read is not
  // overwritten: its contents would be lost. The store in memory changes only on success.
  FileResult writeString(std::string_view key, std::string_view value);
  FileResult writeInteger(std::string_view key, int value);
  // Removes every line of the key; a key that is not there counts as removed.
  FileResult remove(std::string_view key);

  // Not empty, no '=', CR, LF or NUL, no blanks at either end, not starting with '#' or ';'.
  static bool isValidKey(std::string_view key);

 private:
  struct Line {
    std::string text;        // the line as read or written, without its LF
    std::string key;         // empty when the line is not an entry
    size_t valueStart = 0;   // the entry's value is text[valueStart, valueEnd)
    size_t valueEnd = 0;
  };

  static std::vector<Line> parse(std::string_view bytes);
  static std::string serialise(const std::vector<Line>& lines);
  // Index of the line that counts for the key, or -1.
  static long find(const std::vector<Line>& lines, std::string_view key);
  FileResult change(std::string_view key, const std::string* value);

  std::string path_;
  std::vector<Line> lines_;
};

}  // namespace platform
