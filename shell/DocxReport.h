#pragma once
// The report: a word-processing document (.docx) made from the user's template, with the model
// name, the serial number and the print picture put in place of "<Model>", "<SerialNum>" and
// "<Image>". Built in memory; no Qt here, so the report can be made and checked anywhere.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The template cannot be used: not a package we can read, over the limits, or without a
// readable main document. The message says what was wrong, for the log; the user sees the
// template's name only.
class EDocxTemplate : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TDocxReport {
 public:
  // What the template may hold, counted while reading (never taken from the zip's headers).
  static constexpr size_t kMaxEntries = 2000;
  static constexpr uint64_t kMaxUncompressed = 64ull << 20;

  // 9525 EMU per pixel: a picture at 96 dots per inch.
  static constexpr int64_t kEmuPerPixel = 9525;
  static constexpr int64_t kEmuPerTwip = 635;

  std::string Model;         // replaces every "<Model>"
  std::string SerialNumber;  // replaces every "<SerialNum>"
  std::vector<uint8_t> Png;  // the picture, a PNG file
  int ImageWidth = 0;        // its size in pixels
  int ImageHeight = 0;

  // The package made from the template's bytes; without a template (nullptr) a minimal
  // document holding only the picture. Throws EDocxTemplate for a template it cannot use.
  std::vector<uint8_t> Build(const std::string* templateBytes) const;
};
