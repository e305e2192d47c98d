#pragma once
// The in-memory ini document of state files, kits, segment tables, limit and ripple tables and
// cable lists: section and key names compared ASCII case-insensitively, kept in first-written
// order; a write replaces an existing key in place. Saved as UTF-16LE with BOM and CR LF.
// Lines of several megabytes (hex point data) are normal.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/CustomIniFile.h"

class TMemIniFile : public TCustomIniFile {
 public:
  // Loads fileName when it names an existing file; an empty name keeps the document in memory
  // only. A file that exists but cannot be read raises EAbort naming it.
  explicit TMemIniFile(std::string fileName = "");
  ~TMemIniFile() override;

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
  void UpdateFile() override;
  bool ValueExists(const std::string& section, const std::string& key) const override;

  void Clear();
  // Replaces the contents with the document in bytes (UTF-16 LE/BE with BOM, UTF-8, else
  // Windows-1251).
  void LoadFromBytes(std::string_view bytes);
  // Replaces the contents with the document in the file. UTF-16LE, the form the program
  // writes, is decoded as it is read, so that a state of tens of megabytes is never held
  // whole. A file that cannot be read, is not a regular file or is above maxBytes raises
  // EAbort naming it, and the contents stay as they were.
  struct TFileRead {
    uint64_t Bytes = 0;  // how many bytes the file held
    bool Utf16 = false;  // the file began with a UTF-16 mark (either order)
  };
  TFileRead LoadFromFile(const std::string& path, uint64_t maxBytes = UINT64_MAX);
  // The document as UTF-16LE bytes with BOM and CR LF line ends, as UpdateFile writes it.
  std::string SaveToBytes() const;
  // The same bytes handed to put piece by piece (the mark first, then pieces of up to a
  // megabyte); stops at put's first false and answers it.
  bool SaveTo(const std::function<bool(std::string_view)>& put) const;
  // The document as UTF-8 lines (no BOM), CR LF line ends.
  std::string GetText() const;
  // Replaces the file name; with reload the file is read (as in the constructor).
  void Rename(const std::string& fileName, bool reload);

 protected:
  bool PeekValue(const std::string& section, const std::string& key, std::string_view& value) const override;
  void TakeString(const std::string& section, const std::string& key, std::string&& value) override;

 private:
  // Reads FileName; a missing file gives an empty document, an unreadable one raises EAbort
  // naming it and leaves the contents as they were.
  void LoadFile();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};
