#pragma once
// The binary form of one calibration, the same bytes in ".cal" files, the factory files, the
// state file's "CalData" and the instrument's memory image:
//
//   header (82 bytes)  texts, stimulus, methods, port-match flags, N
//   N records          136 bytes each: frequency, then Er, Ed, Es, Et, ports 0 and 1 alternating
//   CRC-32             of everything before it
//   extension          version 2 (written): the 152-byte stimulus record, S segments, CRC-32;
//                      version 1 (read only): an older 216-byte stimulus header, S segments, CRC.
//                      A form of sweep type 3 (the system grid) has none.
//
// This unit only encodes and parses; applying a parsed form to a calibration is TCalibr's. The
// parser checks every length before it reads, in 64-bit arithmetic, so any byte string is safe
// to hand it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"

class TCalibrationForm {
 public:
  static constexpr size_t HeaderSize = 82;
  static constexpr size_t RecordSize = 136;
  static constexpr size_t TextSize = 20;
  static constexpr size_t CrcSize = 4;
  static constexpr size_t V1HeaderSize = 216;
  static constexpr size_t V2HeaderSize = 4 + TRangeSettings::ByteSize;
  static constexpr int MaxPoints = 16001;
  static constexpr int MaxSegments = 16001;
  static constexpr int SystemGridSweep = 3;
  // The largest form any writer makes (a version-1 extension is the longer one).
  static constexpr uint64_t MaxSize =
      HeaderSize + RecordSize * MaxPoints + CrcSize + V1HeaderSize + TSegment::ByteSize * MaxSegments + CrcSize;

  // The size of a form of n records, without and with a version-2 extension of s segments.
  static constexpr uint64_t SizeWithoutExtension(uint64_t n) { return HeaderSize + RecordSize * n + CrcSize; }
  static constexpr uint64_t SizeWithExtension(uint64_t n, uint64_t s) {
    return SizeWithoutExtension(n) + V2HeaderSize + TSegment::ByteSize * s + CrcSize;
  }

  struct TRecord {
    double Frequency = 0.0;  // MHz
    TComplex Er[2];
    TComplex Ed[2];
    TComplex Es[2];
    TComplex Et[2];
  };

  enum class TStatus {
    Loaded,                  // terms and, where the form has one, its extension
    LoadedWithoutExtension,  // terms and the header's stimulus; no usable extension
    Rejected,                // nothing usable; Reason says why
  };
  struct TResult {
    TStatus Status = TStatus::Rejected;
    std::string Reason;  // empty for a form loaded whole
    // True for an empty form or one without error terms (N = 0): a stored calibration without
    // terms, which a caller may pass over silently.
    bool NoTerms = false;
    explicit operator bool() const { return Status != TStatus::Rejected; }
  };

  // ---- Contents ------------------------------------------------------------------------------
  std::string DataTime;  // UTF-8
  std::string KitLabel;  // UTF-8
  double MinFrequency = 0.0;
  double MaxFrequency = 0.0;
  int32_t CommonIFBW = 0;
  int32_t NPoints = 0;
  int32_t SweepMode = 0;
  int32_t Method[2] = {0, 0};
  bool PortMatch[2] = {false, false};
  std::vector<TRecord> Records;
  // Written: a version-2 extension unless SweepMode is 3. Parsed: 0 none, 1 or 2.
  int ExtensionVersion = 0;
  TRangeSettings Settings;  // the extension's stimulus; SegmentCount = S
  TSegments Segments;
  // A version-1 extension without segments keeps the calibration's table.
  bool ReplaceSegments = false;

  // Replaces out by the form. Texts longer than 19 bytes are cut on a whole UTF-8 character.
  // The extension's segment count is written as Segments.size().
  void Write(std::vector<uint8_t>& out) const;

  // Parses size bytes into form (which is only complete when the result is not Rejected).
  // Segments of an extension pass the channel's load limits with defaultSegment; a record or
  // segment value that is not finite, or a table that breaks those limits, drops the extension.
  static TResult Parse(const uint8_t* data, size_t size, TCalibrationForm& form, const TSegment& defaultSegment);

  // The text cut to at most maxBytes bytes without splitting a UTF-8 character.
  static std::string CutText(const std::string& text, size_t maxBytes);
};
