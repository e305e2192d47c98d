#pragma once
// What the tests of the binary calibration form share: the sample calibration of the peer
// script tests/peer/calfiles.py (its values repeated here), the committed golden forms, and a
// snapshot of everything a form carries, and plain file text for the text-form tests.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "model/Crc32.h"
#include "model/LittleEndian.h"

namespace calform {

inline std::vector<uint8_t> ReadGolden(const std::string& name) {
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Record i, term t (0..7: Er0 Er1 Ed0 Ed1 Es0 Es1 Et0 Et1), as calfiles.py.
inline TComplex Term(int i, int t) { return TComplex{(i + 1) * 0.125 + t * 0.0078125, -(t + 1) * 0.25 + i * 0.5}; }
inline double SampleFrequency(int i) {
  const double f[3] = {100.0, 150.5, 201.0};
  return f[i];
}

inline TSegments SampleSegments() {
  TSegment a;
  a.Start = 100.0;
  a.Stop = 150.5;
  a.Points = 2;
  a.IFBW = 3000;
  a.Delay = 0.5;
  a.Power = -10.0;
  TSegment b;
  b.Start = 150.5;
  b.Stop = 201.0;
  b.Points = 1;
  b.IFBW = 10000;
  b.Delay = 0.0;
  b.Power = -12.5;
  return {a, b};
}

inline TRangeSettings SampleSettings() {
  TRangeSettings s;
  s.SweepMode = 4;
  s.NPoints = 3;
  s.MinFrequency = 100.0;
  s.MaxFrequency = 201.0;
  s.MinPower = -30.5;
  s.MaxPower = -1.25;
  s.FixedFreq = 150.75;
  s.FOMState = true;
  s.FOMOffset[0] = -12.5;
  s.FOMOffset[1] = 0.75;
  s.FOMMultiplier[0] = 2;
  s.FOMMultiplier[1] = -3;
  s.FOMDivider[0] = 4;
  s.FOMDivider[1] = 5;
  s.FOMAdjust = true;
  s.FOMAdjPort = 1;
  s.FOMAdjValue[0] = 0.125;
  s.FOMAdjValue[1] = -0.0625;
  s.CommonIFBW = 3000;
  s.CommonDelay = 2.5;
  s.OutputPower = -10.0;
  s.PowerSlope = 0.5;
  s.SegmentListIFBW = true;
  s.SegmentListPower = false;
  s.SegmentListDelay = true;
  s.SegmentCount = 2;
  return s;
}

// The peer script's calibration: F1 on port 0 with port match, RT on port 1, three records.
// grid: the system-grid variant (sweep type 3 over 85 ... 5400 MHz, 893 points, 300 Hz).
inline void FillSample(TCalibr& cal, bool grid = false) {
  cal.DataTime = "2026-03-14 15:09:26";
  cal.KitLabel = "Набор калибровки";
  cal.Method[0] = 4;
  cal.Method[1] = 1;
  cal.PortMatch[0] = true;
  cal.PortMatch[1] = false;
  cal.Settings = SampleSettings();
  cal.Segments = SampleSegments();
  if (grid) {
    cal.Settings.SweepMode = 3;
    cal.Settings.MinFrequency = 85.0;
    cal.Settings.MaxFrequency = 5400.0;
    cal.Settings.CommonIFBW = 300;
    cal.Settings.NPoints = 893;
  }
  delete cal.Terms;
  cal.Terms = new TCalRange(4, 1, std::vector<double>{SampleFrequency(0), SampleFrequency(1), SampleFrequency(2)});
  for (int i = 0; i < 3; ++i) {
    TCalPoint* p = cal.Terms->GetPoint(i);
    for (int port = 0; port < 2; ++port) {
      p->A[port] = Term(i, 0 + port);
      p->B[port] = Term(i, 2 + port);
      p->C[port] = Term(i, 4 + port);
      p->D[port] = Term(i, 6 + port);
    }
  }
}

// Everything a form carries, as the writer sees it, plus the segment table itself.
struct Snapshot {
  std::vector<uint8_t> Form;
  TSegments Segments;
  TRangeSettings Settings;
  bool HasTerms = false;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

inline Snapshot Take(TCalibr& cal) {
  Snapshot s;
  cal.WriteToStream(s.Form);  // sets the segment count, as every write does
  s.Settings = cal.Settings;
  s.Segments = cal.Segments;
  s.HasTerms = cal.Terms != nullptr;
  return s;
}

// A file's bytes as they are (empty when it cannot be read), and a file written byte for byte.
inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Recomputes the checksum over bytes [0, at) and stores it at at.
inline void Reseal(std::vector<uint8_t>& form, size_t at) {
  if (at + 4 <= form.size()) le::PutU32(form.data() + at, UpdateCrc32(0, form.data(), at));
}

}  // namespace calform
