// Helper of the peer check peakfit.py: for every case of the golden file, a LIN channel over the
// case's frequencies (planned by the test plan) with the case's magnitudes on the measuring
// receiver; prints FindPeakFrequency, one value per line.
//   peakfit_dump <golden file>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/ChannelFakes.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "platform/AtomicFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: peakfit_dump <golden file>\n";
    return 2;
  }
  std::string text;
  if (!platform::AtomicFile::read(argv[1], text)) return 3;
  fakes::ChannelServices services;
  services.plan.minFrequency = 10;
  services.plan.maxFrequency = 16200;
  TRange range(nullptr);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> parts;
    std::istringstream words(line);
    for (std::string w; words >> w;) parts.push_back(w);
    if (parts.size() < 5 || parts[0] != "case") continue;
    const auto start = TryTextToFloat(parts[1]);
    const auto stop = TryTextToFloat(parts[2]);
    const auto n = TryTextToInt(parts[3]);
    if (!start || !stop || !n || parts.size() != static_cast<size_t>(5 + *n)) return 4;
    range.MinFrequency = *start;
    range.MaxFrequency = *stop;
    range.NPoints = static_cast<int>(*n);
    range.RebuildPoints();
    if (range.GetCount() != *n) return 5;
    for (int i = 0; i < *n; ++i) {
      const auto magnitude = TryTextToFloat(parts[5 + static_cast<size_t>(i)]);
      if (!magnitude) return 4;
      range.GetPoint(i)->RawLevel[0] = {*magnitude, 0.0};
    }
    std::cout << FloatToText(range.FindPeakFrequency()) << "\n";
  }
  return 0;
}
