// Helper of the peer check records.py: writes the sample segments and stimulus records with the
// program's serialiser, decodes a golden file with the program's reader, and saves a segment file.
//   records_dump <folder> <golden file>
// writes <folder>/records.bin, <folder>/decoded.txt and <folder>/table.seg. The sample values
// repeat those of records.py (the first stimulus record is the model tests' distinct one).
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/RangeSettingsSample.h"
#include "model/Segment.h"
#include "platform/AtomicFile.h"

namespace {

TSegment Seg(double start, double stop, int32_t points, int32_t ifbw, double delay, double power) {
  TSegment s;
  s.Start = start;
  s.Stop = stop;
  s.Points = points;
  s.IFBW = ifbw;
  s.Delay = delay;
  s.Power = power;
  return s;
}

std::vector<TSegment> Segments() {
  return {Seg(100.5, 2000.25, 401, 3000, 0.125, -7.5), Seg(0.3, 1300.0000001, 16001, 100, 320.0, -10.0),
          Seg(-1e-300, 1.7976931348623157e308, INT32_MIN, INT32_MAX, 0.17500000000000002, -0.0)};
}

std::vector<TRangeSettings> Records() {
  const TRangeSettings a = rangesample::Distinct();

  TRangeSettings b;
  b.SweepMode = 0;
  b.NPoints = 201;
  b.MinFrequency = 85.0;
  b.MaxFrequency = 14000.0;
  b.MinPower = 0.0;
  b.MaxPower = 0.0;
  b.FixedFreq = 7042.5;
  b.FOMState = false;
  b.FOMOffset[0] = 0.0;
  b.FOMOffset[1] = 1e-06;
  b.FOMMultiplier[0] = 1;
  b.FOMMultiplier[1] = -1000;
  b.FOMDivider[0] = 1000;
  b.FOMDivider[1] = 1;
  b.FOMAdjust = false;
  b.FOMAdjPort = 0;
  b.FOMAdjValue[0] = -0.5;
  b.FOMAdjValue[1] = 0.5;
  b.CommonIFBW = -1;
  b.CommonDelay = 0.175;
  b.OutputPower = -10.0;
  b.PowerSlope = 0.0;
  b.SegmentListIFBW = false;
  b.SegmentListPower = true;
  b.SegmentListDelay = false;
  b.SegmentCount = -7;
  return {a, b};
}

std::string Line(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : " ") + p;
  return out + "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: records_dump <folder> <golden file>\n";
    return 2;
  }
  const std::string folder = argv[1];
  const std::vector<TSegment> segments = Segments();
  const std::vector<TRangeSettings> records = Records();

  std::string bytes;
  for (const TSegment& s : segments) {
    uint8_t b[TSegment::ByteSize];
    s.WriteBytes(b);
    bytes.append(reinterpret_cast<const char*>(b), sizeof b);
  }
  for (const TRangeSettings& r : records) {
    uint8_t b[TRangeSettings::ByteSize];
    r.WriteBytes(b);
    bytes.append(reinterpret_cast<const char*>(b), sizeof b);
  }
  if (!platform::AtomicFile::write(folder + "/records.bin", bytes)) return 3;

  std::string golden;
  if (!platform::AtomicFile::read(argv[2], golden) ||
      golden.size() != segments.size() * TSegment::ByteSize + records.size() * TRangeSettings::ByteSize) {
    std::cerr << "cannot read the golden file\n";
    return 4;
  }
  const auto* g = reinterpret_cast<const uint8_t*>(golden.data());
  std::string decoded;
  for (size_t k = 0; k < segments.size(); ++k) {
    const TSegment s = TSegment::ReadBytes(g + k * TSegment::ByteSize);
    decoded += Line({"segment", IntToText(static_cast<long long>(k)), FloatToText(s.Start), FloatToText(s.Stop),
                     IntToText(s.Points), IntToText(s.IFBW), FloatToText(s.Delay), FloatToText(s.Power)});
  }
  for (size_t k = 0; k < records.size(); ++k) {
    const TRangeSettings r =
        TRangeSettings::ReadBytes(g + segments.size() * TSegment::ByteSize + k * TRangeSettings::ByteSize);
    const std::string n = IntToText(static_cast<long long>(k));
    auto f = [&](const char* name, double v) { decoded += Line({"range", n, name, FloatToText(v)}); };
    auto i = [&](const char* name, long long v) { decoded += Line({"range", n, name, IntToText(v)}); };
    i("SweepMode", r.SweepMode);
    i("NPoints", r.NPoints);
    f("MinFrequency", r.MinFrequency);
    f("MaxFrequency", r.MaxFrequency);
    f("MinPower", r.MinPower);
    f("MaxPower", r.MaxPower);
    f("FixedFreq", r.FixedFreq);
    i("FOMState", r.FOMState);
    f("FOMOffset0", r.FOMOffset[0]);
    f("FOMOffset1", r.FOMOffset[1]);
    i("FOMMultiplier0", r.FOMMultiplier[0]);
    i("FOMMultiplier1", r.FOMMultiplier[1]);
    i("FOMDivider0", r.FOMDivider[0]);
    i("FOMDivider1", r.FOMDivider[1]);
    i("FOMAdjust", r.FOMAdjust);
    i("FOMAdjPort", r.FOMAdjPort);
    f("FOMAdjValue0", r.FOMAdjValue[0]);
    f("FOMAdjValue1", r.FOMAdjValue[1]);
    i("CommonIFBW", r.CommonIFBW);
    f("CommonDelay", r.CommonDelay);
    f("OutputPower", r.OutputPower);
    f("PowerSlope", r.PowerSlope);
    i("SegmentListIFBW", r.SegmentListIFBW);
    i("SegmentListPower", r.SegmentListPower);
    i("SegmentListDelay", r.SegmentListDelay);
    i("SegmentCount", r.SegmentCount);
  }
  if (!platform::AtomicFile::write(folder + "/decoded.txt", decoded)) return 3;

  // A channel without a device model: no points, but the segment file is the same.
  TRange range(nullptr);
  range.Segments = {segments[0], segments[1]};
  range.SegmentListPower = true;
  range.SegmentListIFBW = false;
  range.SegmentListDelay = true;
  range.SegmentCenterPriority = false;
  try {
    range.SaveSegmentTable(folder + "/table.seg");
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 5;
  }
  return 0;
}
