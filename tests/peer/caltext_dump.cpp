// Helper of the peer check caltext.py: builds a calibration from sample values and exports it
// as calibration text with the program's own writer.
//   caltext_dump <values file> <output file>
// Each line of the values file holds seven numbers: the frequency in MHz, then Er, Ed, Es of
// port 0 (real and imaginary parts), in Python's shortest round-trip text.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "model/Utils.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: caltext_dump <values file> <output file>\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  std::vector<std::vector<double>> rows;
  std::string line;
  std::vector<double> numbers;
  while (std::getline(in, line)) {
    ParseNumberList(line, numbers);
    if (numbers.size() != 7) {
      std::cerr << "bad values line: " << line << "\n";
      return 1;
    }
    rows.push_back(numbers);
  }
  TCalibr cal;
  cal.Method[0] = cmF1;
  cal.DataTime = "2026-12-10 16:30:00";
  cal.KitLabel = "Peer kit";
  cal.Settings.CommonIFBW = 300;
  std::vector<double> f;
  for (const auto& r : rows) f.push_back(r[0]);
  cal.Terms = new TCalRange(cmF1, 0, f);
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    const int k = static_cast<int>(i);
    cal.Terms->SetErrorTermA(0, k, TComplex{r[1], r[2]});
    cal.Terms->SetErrorTermB(0, k, TComplex{r[3], r[4]});
    cal.Terms->SetErrorTermC(0, k, TComplex{r[5], r[6]});
    cal.Terms->SetErrorTermD(0, k, TComplex{9, 9});  // not exported
  }
  try {
    cal.ExportToIni(argv[2], "Channel0\\Correction\\11", "High");
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
