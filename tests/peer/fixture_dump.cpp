// Helper of the peer check fixture.py: for every case of the golden file, a channel point with
// the case's S11 and S21 goes through the channel's impedance conversion ("conv"), fixture
// embedding ("emb") or de-embedding ("deemb") with the case's networks on ports 0 and 1; prints
// the resulting S11 and S21 (real, imaginary, real, imaginary), one case per line.
//   fixture_dump <golden file>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/ChannelFakes.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "platform/AtomicFile.h"

namespace {

struct Reader {
  std::vector<std::string> items;
  size_t next = 1;
  bool ok = true;
  double Number() {
    if (next >= items.size()) {
      ok = false;
      return 0;
    }
    const std::optional<double> v = TryTextToFloat(items[next++]);
    if (!v) ok = false;
    return v.value_or(0);
  }
  TComplex Complex() {
    const double re = Number();
    return {re, Number()};
  }
  // A network in the order S11, S21, S12, S22, or none ("- -" four times).
  bool Network(TSParams& s) {
    if (next < items.size() && items[next] == "-") {
      next += 8;
      return false;
    }
    s.S11 = Complex();
    s.S21 = Complex();
    s.S12 = Complex();
    s.S22 = Complex();
    return true;
  }
};

// The same two-port over the channel's band (interpolation between equal values).
void SetNetwork(TFixtParam& n, const TSParams& s) {
  n.SetTwoPortData({s.S11, s.S11}, {s.S21, s.S21}, {s.S22, s.S22}, {s.S12, s.S12}, 3000, 500);
}

std::string Text(const TComplex& z) { return FloatToText(z.Re) + " " + FloatToText(z.Im); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fixture_dump <golden file>\n";
    return 2;
  }
  std::string text;
  if (!platform::AtomicFile::read(argv[1], text)) return 3;
  fakes::ChannelServices services;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    Reader r;
    std::istringstream words(line);
    for (std::string w; words >> w;) r.items.push_back(w);
    const std::string kind = r.items.empty() ? "" : r.items[0];
    TRange range(nullptr);
    range.SetStopFrequency(2000);
    range.SetStartFrequency(1000);
    range.SetPointCount(2);
    if (kind == "conv") {
      services.kits.z0 = r.Number();
      range.ZConvValue[0] = r.Number();
      range.ZConvValue[1] = r.Number();
      const TComplex s11 = r.Complex();
      const TComplex s21 = r.Complex();
      range.SetPointData(0, 0, s11);
      range.SetPointData(1, 0, s21);
      range.ApplyZConversion(0);
    } else if (kind == "emb" || kind == "deemb") {
      const bool emb = kind == "emb";
      TFixtParam* networks = emb ? range.EmbNetwork : range.DeembNetwork;
      bool* enabled = emb ? range.EmbEnabled : range.DeembEnabled;
      for (int p = 0; p < 2; ++p) {
        TSParams s;
        if (r.Network(s)) {
          SetNetwork(networks[p], s);
          enabled[p] = true;
        }
      }
      range.RebuildPoints();
      const TComplex s11 = r.Complex();
      const TComplex s21 = r.Complex();
      range.SetPointData(0, 0, s11);
      range.SetPointData(1, 0, s21);
      if (emb) {
        range.ApplyEmbedding(0);
      } else {
        range.ApplyDeembedding(0);
      }
    } else {
      return 4;
    }
    if (!r.ok || r.next >= r.items.size() || r.items[r.next] != "=") return 5;
    std::cout << Text(range.GetPointData(0, 0)) << " " << Text(range.GetPointData(1, 0)) << "\n";
  }
  return 0;
}
