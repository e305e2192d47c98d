#pragma once
// The stored copy of one trace's measured values: its own copy of the channel's stimulus and one
// TMemoPoint per point, the points made in one block (a point added later with new joins the
// list as in any container). The memory trace owns it, shows it, saves it and reads it back.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/FContainer.h"
#include "model/MemoPoint.h"
#include "model/PointBlock.h"
#include "model/Segment.h"

class TCustomIniFile;
class TRange;

class TMemoRange : public TFContainer {
 public:
  // Bytes of one record of the point stream: float32 frequency (MHz), float32 level (dB, 20 log10
  // of the modulus), float32 phase (radians), little-endian, records back to back.
  static constexpr size_t RecordSize = 12;
  static constexpr int MaxPoints = 16001;

  // Measured-parameter codes that make points; any other code leaves the memory empty.
  enum Code { S11 = 0, ReceiverA = 2, ReceiverB = 3, PowerMeter = 4, Reference = 6 };
  // Receiver slots of the channel's points that the codes read.
  static constexpr int kReceiverA = 0;
  static constexpr int kReceiverB = 1;

  // Copies the channel's stimulus and segment table, then one point per channel point with the
  // value the code chooses: 0 the data of receiver A, 2 and 3 the raw levels of receivers A and
  // B, 4 (power reading in dBm, 0), 6 the reference level.
  TMemoRange(TFObject* owner, const TRange& channel, int code);
  ~TMemoRange() override;

  // "NPoints", "SweepMode", "MinFrequency", "MaxFrequency", "OutputPower", "MinPower",
  // "MaxPower", "FixedFreq", then the segment keys.
  void SaveState(TCustomIniFile& ini, const std::string& section) const;
  // Reads the same keys with this table's own defaults (201 points, LIN, 0.3 ... 1300 MHz,
  // FixedFreq 650.15, one segment at 0.3 MHz). Values are taken as they stand; the points are
  // not touched.
  void LoadState(const TCustomIniFile& ini, const std::string& section);

  // Replaces the points by one per whole 12-byte record (a shorter tail is ignored). A record
  // whose frequency or value comes out non-finite gets 0 there. A stream of more than 16001
  // records is refused: false, and the old points stay.
  bool LoadPoints(std::span<const uint8_t> stream);
  // Appends one record per point, in list order.
  void SavePoints(std::vector<uint8_t>& stream) const;

  // Deletes every point, those of the block included.
  void Clear() override;

  // Indices are not validated.
  TMemoPoint* GetPoint(int i) const { return static_cast<TMemoPoint*>(Items[static_cast<size_t>(i)]); }
  float GetPointFrequency(int i) const { return GetPoint(i)->Frequency; }
  float PointFrequency(int i) const { return GetPoint(i)->Frequency; }
  // Stored in single precision.
  void SetPointFrequency(int i, double f) { GetPoint(i)->Frequency = static_cast<float>(f); }
  TComplex GetPointValue(int i) const { return GetPoint(i)->Value; }
  void SetPointValue(int i, const TComplex& value) { GetPoint(i)->Value = value; }

  int32_t NPoints = 201;
  int32_t SweepMode = 0;
  double MinFrequency = 0.3;
  double MaxFrequency = 1300.0;
  double OutputPower = -10.0;
  double MinPower = -55.0;
  double MaxPower = 3.0;
  double FixedFreq = 650.15;
  TSegments Segments;

 private:
  TPointBlock<TMemoPoint> Points;
};
