#pragma once
// The ini document of the calibration text form: names are case-sensitive, a write appends a
// key=value line without looking for the key (so a section of tens of thousands of rows is
// built in linear time), WriteRawString appends any line (a table row), and a read finds the
// last line of a key. Saved as UTF-8 without BOM, CR LF line ends; an empty document deletes
// its file.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/CustomIniFile.h"

class TFastIni : public TCustomIniFile {
 public:
  // Loads fileName when it names an existing file; a file that exists but cannot be read
  // raises EAbort naming it. An empty name keeps the document in memory only.
  explicit TFastIni(std::string fileName = "");
  ~TFastIni() override;

  bool SectionExists(const std::string& section) const override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override;
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
  void WriteRawString(const std::string& section, const std::string& line) override;
  void ReadSection(const std::string& section, std::vector<std::string>& names) const override;
  void ReadSections(std::vector<std::string>& names) const override;
  void ReadSectionValues(const std::string& section, std::vector<std::string>& lines) const override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& key) override;
  // Writes the document, or deletes the file when there is no section; raises EAbort naming
  // the file when that fails (the old file is then unchanged). No file name: nothing happens.
  void UpdateFile() override;
  bool ValueExists(const std::string& section, const std::string& key) const override;

  // Appends a new empty section, even when one of that name exists (as a file may hold).
  void AddSection(const std::string& name);
  void Clear();
  // Each section as "[name]", its lines, then an empty line.
  void GetStrings(std::vector<std::string>& lines) const;
  // Replaces the contents with the document in lines (trimmed; ';' lines and lines before the
  // first section header dropped; key and value trimmed at the first '=').
  void SetStrings(const std::vector<std::string>& lines);
  // Reads FileName (a missing file or no name gives an empty document).
  void LoadValues();
  void Rename(const std::string& fileName, bool reload);

  // Replaces the contents with the document in bytes (a BOM selects UTF-8, UTF-16 LE or BE;
  // else UTF-8 when valid, otherwise Windows-1251).
  void LoadFromBytes(std::string_view bytes);
  // The text UpdateFile writes: UTF-8, CR LF line ends; CR, LF and NUL inside a line written
  // as blanks.
  std::string GetText() const;

 protected:
  bool PeekValue(const std::string& section, const std::string& key, std::string_view& value) const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
