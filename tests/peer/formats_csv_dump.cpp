// Writes the CSV export of a 201-point trace for tests/peer/formats_csv.py, once for a scalar
// format (Return Loss, values of both signs and a missing one left out) and once for a complex
// one (Smith chart), each with a file of the values the trace shows, in shortest text.
//   formats_csv_dump <folder>   writes scalar.csv, scalar.txt, smith.csv, smith.txt there
#include <cmath>
#include <numbers>
#include <string>

#include "model/NumberText.h"
#include "platform/AtomicFile.h"
#include "traces/FakeTraceHost.h"
#include "traces/Measurement.h"

namespace {

bool Dump(TMeasurement& t, const std::string& folder, const std::string& name) {
  t.SaveCsvFile(folder + "/" + name + ".csv");
  std::string text;
  for (int i = 0; i < t.GetPointCount(); ++i) {
    const TComplex p = t.GetDisplayPoint(i);
    text += FloatToText(t.StimulusToHz(t.GetPointStimulus(i))) + " " + FloatToText(t.ResponseToSI(p.Re)) + " " +
            FloatToText(p.Im) + "\n";
  }
  return static_cast<bool>(platform::AtomicFile::write(folder + "/" + name + ".txt", text));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  tracetest::FakeTraceHost host(201, 0.3, 1300);
  TMeasurement& t = host.Trace();
  for (int i = 0; i < t.GetPointCount(); ++i) {
    t.SmoothedData[size_t(i)] = {25.0 * std::sin(i * 0.05) - 12.345678912 * std::cos(i * 0.21), 0.0};
  }
  if (!Dump(t, folder, "scalar")) return 1;
  t.SetFormat(11);
  for (int i = 0; i < t.GetPointCount(); ++i) {
    t.SmoothedData[size_t(i)] = Polar(0.9 * std::exp(-i / 150.0), -i * 0.37 + 0.1);
  }
  return Dump(t, folder, "smith") ? 0 : 1;
}
