#pragma once
// Base of the program's two ini documents (TMemIniFile for state, kit, segment and limit files;
// TFastIni for the calibration text form). The typed reads and writes live here once, on top of
// ReadString and WriteString. All text is UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName) : FileName(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  virtual bool SectionExists(const std::string& section) const = 0;
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const = 0;
  virtual void WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
  // Appends a line that is not a key=value pair (a row of a table) to a section.
  virtual void WriteRawString(const std::string& section, const std::string& line) = 0;

  // '0x'/'0X' hex only for texts of three or more characters; anything else that is not an
  // integer in range gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  void WriteInteger(const std::string& section, const std::string& key, long long value);
  // Any non-zero integer is true; other text gives the default.
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Accepts '.' and ','; empty, missing or unconvertible text gives the default.
  double ReadFloat(const std::string& section, const std::string& key, double defaultValue) const;
  // Shortest text that reads back to the same value.
  void WriteFloat(const std::string& section, const std::string& key, double value);
  // Upper-case hex pairs, one per byte. The reader appends the bytes to out, stops at the first
  // bad pair and returns how many bytes it appended.
  size_t ReadBinaryStream(const std::string& section, const std::string& key, std::vector<uint8_t>& out) const;
  // The text of a key without a copy where the document can show it, else a copy kept in
  // scratch; false (value empty) when the key is missing. The view lasts until the next change
  // of the document or of scratch.
  bool ReadValueView(const std::string& section, const std::string& key, std::string& scratch,
                     std::string_view& value) const;
  void WriteBinaryStream(const std::string& section, const std::string& key, const uint8_t* data, size_t size);
  void WriteBinaryStream(const std::string& section, const std::string& key, const std::vector<uint8_t>& data) {
    WriteBinaryStream(section, key, data.data(), data.size());
  }

  // Key names of a section, in file order (empty text for a line without '=').
  virtual void ReadSection(const std::string& section, std::vector<std::string>& names) const = 0;
  virtual void ReadSections(std::vector<std::string>& names) const = 0;
  // Every line of a section as "key=value" (raw lines as they are).
  virtual void ReadSectionValues(const std::string& section, std::vector<std::string>& lines) const = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& key) = 0;
  // Writes the document to FileName through an atomic write; raises EAbort naming the file when
  // the write fails (the old file is then unchanged).
  virtual void UpdateFile() = 0;
  virtual bool ValueExists(const std::string& section, const std::string& key) const = 0;

  std::string FileName;

 protected:
  // Where a document can, it shows the stored value of a key without copying it (the hex
  // readers take megabyte values). The view stays valid until the next change of the document.
  // False when the key is missing or the document cannot show it; callers then use ReadString.
  virtual bool PeekValue(const std::string& section, const std::string& key, std::string_view& value) const {
    (void)section;
    (void)key;
    (void)value;
    return false;
  }
  // Stores value, taking it over where the document can (megabyte hex values are not copied
  // again); otherwise as WriteString.
  virtual void TakeString(const std::string& section, const std::string& key, std::string&& value) {
    WriteString(section, key, value);
  }

  // Calls fn(line) for every line of text; a line ends at CR, LF or CR LF, and the text after
  // the last line break (when not empty) is a line of its own.
  template <typename Fn>
  static void ForEachLine(std::string_view text, Fn&& fn) {
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
      size_t end = start;
      while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
      fn(text.substr(start, end - start));
      if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
      start = end + 1;
    }
  }
  // The load rules both documents share, so that what a file loads to is what a save of it
  // writes back. StripLeadingMarks removes every UTF-8 byte-order mark at the start of the
  // document's first line (a file may carry more than one). HoldsLineBreakOrNul tells a
  // section or key name that the file could not give back: such a section or key is dropped
  // on load. MendLoaded turns CR, LF and NUL inside a value or raw line into blanks, as a
  // save would.
  static std::string_view StripLeadingMarks(std::string_view line);
  static bool HoldsLineBreakOrNul(std::string_view text);
  static std::string MendLoaded(std::string_view text);
  // Appends text to out with every CR, LF and NUL turned into a blank, so that a value that
  // holds them cannot become extra lines (forged keys or sections) when the file is read back.
  static void AppendLineSafe(std::string& out, std::string_view text);
};
