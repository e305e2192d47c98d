// Helper of the peer check touchstone.py: fills a channel with the points of the points file and
// writes them with the program's Touchstone writer, one-port (S11) and two-port, in RI, MA and
// DB, with a fixed date, a fixed instrument and Russian header words.
//   touchstone_dump <points file> <folder>
// The points file holds lines "<frequency MHz> <S11 re> <S11 im> <S21 re> <S21 im>" (lines
// beginning with '#' are comments); the frequencies must be those of a LIN sweep from the first
// to the last. Writes <folder>/touchstone_ours_{ri,ma,db}.{s1p,s2p}.
#include <iostream>
#include <string>
#include <vector>

#include "model/CalRange.h"
#include "model/ChannelFakes.h"
#include "model/ITranslation.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"

namespace {

class Device : public fakes::FakeDevice {
 public:
  std::string GetModelName() const override { return " TERVAN K30"; }
  std::string GetFirmwareVersion() const override { return "1.2"; }
  std::string GetSoftwareVersion() const override { return "0.1.0"; }
};

class Russian : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override { return TranslateAnsi(english); }
  std::string TranslateAnsi(const std::string& english) const override {
    if (english == "Date") return "Дата";
    if (english == "Data: Format [Calibration Info]") return "Данные: формат [калибровка]";
    if (english == "Frequency") return "Частота";
    return english;
  }
  bool IsEnglish() const override { return false; }
};

struct Point {
  double f;
  TComplex s11, s21;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: touchstone_dump <points file> <folder>\n";
    return 2;
  }
  std::string text;
  if (!platform::AtomicFile::read(argv[1], text)) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  std::vector<Point> points;
  std::vector<double> numbers;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    ParseNumberList(line, numbers);
    if (numbers.size() != 5) {
      std::cerr << "bad line: " << line << "\n";
      return 1;
    }
    points.push_back({numbers[0], {numbers[1], numbers[2]}, {numbers[3], numbers[4]}});
  }
  if (points.size() < 2) return 1;

  fakes::ChannelServices services;
  Device device;
  Russian russian;
  services.scope->Device = &device;
  services.scope->LangModule = &russian;
  platform::ManualClock clock;
  clock.setLocalTime({2024, 3, 5, 7, 8, 9, 0});
  platform::ScopedClock useClock(clock);

  TRange range(nullptr);
  range.NPoints = static_cast<int32_t>(points.size());
  range.MinFrequency = points.front().f;
  range.MaxFrequency = points.back().f;
  range.RebuildPoints();
  if (range.GetCount() != static_cast<int>(points.size())) return 1;
  // Reflection calibrated with a one-port method, transmission with the enhanced response.
  const TCalRange calibration(1, 4, std::vector<double>{points.front().f, points.back().f});
  range.AttachCalibration(&calibration);
  for (size_t i = 0; i < points.size(); ++i) {
    const int k = static_cast<int>(i);
    if (range.GetPointFrequency(k) != points[i].f) {
      std::cerr << "point " << i << " lies at " << range.GetPointFrequency(k) << "\n";
      return 1;
    }
    range.SetPointData(0, k, points[i].s11);
    range.SetPointData(1, k, points[i].s21);
  }
  const std::string folder = argv[2];
  const char* forms[] = {"ri", "ma", "db"};
  for (int format = 0; format < 3; ++format) {
    const std::string base = folder + "/touchstone_ours_" + forms[format];
    range.SaveTouchstone(base + ".s1p", 0, format, 0);
    range.SaveTouchstone(base + ".s2p", 1, format, 0);
  }
  return 0;
}
