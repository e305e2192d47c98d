#pragma once
// The one form of a line's own file (".lim", ".rlm"): an ini section holding the trace's three
// switches of that line (test, show line, show fail sign) and the line's keys, UTF-16LE with BOM.
// Each line names its section and switch keys; what sits in the section besides the switches is
// the line's business, passed in as its SaveToIni / LoadFromIni.
#include <functional>
#include <string>

class TCustomIniFile;

// The three switches stored with a line in its own file.
struct TLineFileFlags {
  bool Test = false;
  bool Show = false;
  bool ShowFailSign = false;
};

struct TLineFileFormat {
  using Writer = std::function<void(TCustomIniFile& ini, const std::string& section)>;
  using Reader = std::function<void(const TCustomIniFile& ini, const std::string& section)>;

  const char* Section;
  const char* TestKey;
  const char* ShowKey;
  const char* ShowFailSignKey;

  // Writes atomically; EAbort naming the file on failure, the old file kept.
  void Save(const std::string& path, const TLineFileFlags& flags, const Writer& writeLine) const;
  // EAbort for a missing or unreadable file, before readLine is called; otherwise hands the
  // section to readLine and returns the file's switches (missing ones read as off).
  TLineFileFlags Load(const std::string& path, const Reader& readLine) const;
};
