// Writes SDAT? and FDAT? of Return Loss, Phase, SWR and Group Delay traces of one sweep, with the
// point frequencies, for tests/peer/scpi_formats.py to recompute the formatted values
// (TERVAN_SCPI_FORMATS_DUMP names the file; without it the case is skipped).
#include <cstdlib>
#include <fstream>
#include <string>

#include "CalcRig.h"
#include "model/NumberText.h"

using automation::ScpiTestClient;
using automation::TScpiServer;

namespace {

class ScpiFormatsDump : public CalcRig {};

TEST_F(ScpiFormatsDump, FourFormatsOfOneSweep) {
  const char* path = std::getenv("TERVAN_SCPI_FORMATS_DUMP");
  if (path == nullptr || *path == 0) GTEST_SKIP() << "TERVAN_SCPI_FORMATS_DUMP is not set";
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    Grid(201, 100, 1100);
    Step(c, "CALC:PAR:COUN 4", "");
    const char* formats[] = {"RLOS", "PHAS", "SWR", "GDEL"};
    for (int t = 1; t <= 4; ++t) {
      Step(c, "CALC:PAR" + std::to_string(t) + ":SEL;:CALC:SEL:FORM " + formats[t - 1], "");
    }
    // One whole sweep, then nothing writes the traces while they are read.
    Step(c, "INIT", "");
    ASSERT_TRUE(ui::EventLoop::WaitUntil(
        [] {
          return ScannerModule->TriggerMode == TScannerModule::Hold &&
                 ScannerModule->GetScanner().GetState() == TScanner::STOP;
        },
        30000));
    std::ofstream out(path);
    const TRange& range = *View().Range;
    out << "points " << range.GetCount() << "\n";
    for (int i = 0; i < range.GetCount(); ++i) out << "freq " << i << " " << FloatToText(range.GetPointFrequency(i) * 1e6) << "\n";
    for (int t = 1; t <= 4; ++t) {
      const std::string node = "CALC:TRAC" + std::to_string(t) + ":DATA:";
      out << "trace " << formats[t - 1] << "\n";
      out << "sdat " << c.Query(node + "SDAT?").value_or("") << "\n";
      out << "fdat " << c.Query(node + "FDAT?").value_or("") << "\n";
    }
    ASSERT_TRUE(out.good());
  });
}

}  // namespace
