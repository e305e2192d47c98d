#pragma once
// One segment of a segment sweep, the segment table, and the forms the table takes outside a
// channel: the 40-byte binary record of calibration files and the keys of ini sections.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TCustomIniFile;

struct TSegment {
  static constexpr size_t ByteSize = 40;
  static constexpr int MaxTotalPoints = 16001;
  static constexpr double MaxDelay = 320.0;  // ms

  double Start = 0.0;     // MHz
  double Stop = 0.0;      // MHz
  int32_t Points = 2;
  int32_t IFBW = 10000;   // Hz
  double Delay = 0.0;     // ms
  double Power = -10.0;   // dBm

  // The default segment of a channel: start = stop = the device minimum frequency.
  static TSegment Default(double deviceMinFrequency);

  // Little-endian at offsets 0 start, 8 stop, 16 points, 20 IF bandwidth, 24 delay, 32 power.
  void WriteBytes(uint8_t* out) const;
  static TSegment ReadBytes(const uint8_t* in);

  // The nearest of 100, 300, 1000, 3000, 10000, 30000 Hz; of two equally near the lower.
  static int32_t NearestIFBW(double value);

  friend bool operator==(const TSegment&, const TSegment&) = default;
};

using TSegments = std::vector<TSegment>;

// Sum of the points of all segments, without overflow.
int64_t TotalSegmentPoints(const TSegments& segments);

// Writes "SegmentCount" and per segment i "SegmentStart"i, "SegmentStop"i, "SegmentPoints"i,
// "SegmentIFBW"i, "SegmentDelay"i, "SegmentOutPower"i into the section.
void WriteSegmentKeys(TCustomIniFile& ini, const std::string& section, const TSegments& segments);

// Reads the keys that WriteSegmentKeys writes. Missing or unreadable values take the fields of
// defaultSegment; a count of 0 or less gives one default segment. The table read is limited
// like any loaded table (SanitizeSegmentTable). Returns false, leaving target unchanged, when
// the section asks for more than 16001 segments or points.
bool ReadSegmentKeys(const TCustomIniFile& ini, const std::string& section, TSegments& target,
                     const TSegment& defaultSegment);

// Limits a table that comes from a file to what the editing operations allow, keeping what
// the program writes itself unchanged: an empty table gets one default segment, points are at
// least 1, IF bandwidths snap to the six values, delays lie in 0 ... 320 ms, and non-finite
// numbers take the default segment's. Frequencies and powers are kept (the rebuild copes with
// them). Returns false, leaving the table unchanged, when it holds more than 16001 segments
// or points.
bool SanitizeSegmentTable(TSegments& segments, const TSegment& defaultSegment);
