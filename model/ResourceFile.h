#pragma once
// Reads a built-in data file (see ResourceRegistry.h) as lines of 8-bit text or of UTF-16
// big-endian text, or writes it out whole. The bytes are never copied: two independent cursors
// walk them, one for each kind of text. A resource that does not exist reads as empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TResourceFile {
 public:
  explicit TResourceFile(const std::string& name);

  // First byte of the resource; nullptr when it is missing or empty.
  const uint8_t* Data() const { return size_ ? reinterpret_cast<const uint8_t*>(bytes_.data()) : nullptr; }
  size_t Size() const { return size_; }
  std::string_view Bytes() const { return bytes_; }

  // Both cursors back to the first byte.
  void Rewind();
  // The next line of 8-bit text (up to CR or LF; the run of CR and LF after it is skipped) and
  // its length in bytes. At the end: 0, line unchanged. A resource that begins with a line
  // break gives an empty first line, which callers take as the end.
  int ReadLine(std::string& line);
  // The same over UTF-16 big-endian units, skipping a byte-order mark at the cursor; the line
  // comes in the machine's byte order, its length in code units. An odd last byte is ignored.
  int ReadLineUtf16(std::u16string& line);
  // Writes the bytes to path (replacing it); an empty resource deletes path instead.
  // False when that fails; the old file is then left as it was.
  bool SaveToFile(const std::string& path) const;

 private:
  std::string_view bytes_;
  size_t size_ = 0;
  size_t pos8_ = 0;    // byte position of the 8-bit cursor
  size_t pos16_ = 0;   // unit position of the 16-bit cursor
};
