// The display formats and the per-point conversions against numpy and scikit-rf: the golden
// file written by tests/peer/formats.py holds the input trace and the peer's values; the
// program's formulas must match them to 1e-12 relative.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/IReferenceImpedance.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "traces/FakeTraceHost.h"
#include "traces/FormatMath.h"
#include "traces/Measurement.h"

namespace {

struct TGolden {
  std::vector<double> Frequencies;
  std::vector<TComplex> Input;
  // kind -> parameter text ("" when none) -> index -> the peer's values (one or two)
  std::map<std::string, std::map<std::string, std::map<int, std::vector<double>>>> Values;
};

double ToDouble(const std::string& text) {
  const auto v = TryTextToFloat(text);
  EXPECT_TRUE(v.has_value()) << text;
  return v.value_or(0.0);
}

const TGolden& Golden() {
  static const TGolden golden = [] {
    TGolden g;
    std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/formats.txt");
    EXPECT_TRUE(in.good()) << "tests/peer/golden/formats.txt is missing";
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::vector<std::string> w;
      for (std::string word; words >> word;) w.push_back(word);
      if (w.size() < 3) continue;
      if (w[0] == "in") {
        g.Frequencies.push_back(ToDouble(w[2]));
        g.Input.push_back({ToDouble(w[3]), ToDouble(w[4])});
        continue;
      }
      // Kinds with a parameter carry it before the index.
      const bool parameter = w[0] == "imp" || w[0] == "adm" || w[0] == "offset" || w[0] == "delay";
      const size_t at = parameter ? 2 : 1;
      std::vector<double> values;
      for (size_t k = at + 1; k < w.size(); ++k) values.push_back(ToDouble(w[k]));
      const auto index = TryTextToInt(w[at]);
      g.Values[w[0]][parameter ? w[1] : ""][static_cast<int>(index.value_or(-1))] = values;
    }
    return g;
  }();
  return golden;
}

void ExpectClose(double got, double expected, const std::string& what) {
  EXPECT_NEAR(got, expected, 1e-12 * std::max(std::fabs(expected), 1.0)) << what;
}

// Formats the whole input with code, as the chain does, point by point in order.
std::vector<TComplex> FormatAll(int code, int measMode = 0) {
  const TGolden& g = Golden();
  const int n = static_cast<int>(g.Input.size());
  std::vector<TComplex> out(g.Input.size());
  TFormatStep step;
  step.Code = code;
  step.MeasMode = measMode;
  step.MinValue = GetFormatInfo(code)->MinValue;
  step.MaxValue = GetFormatInfo(code)->MaxValue;
  for (int i = 0; i < n; ++i) {
    out[size_t(i)] = FormatPointValue(step, g.Input.data(), n, i, out.data(),
                                      [&g](int k) { return g.Frequencies[size_t(k)]; });
  }
  return out;
}

class Kit : public IReferenceImpedance {
 public:
  explicit Kit(double z0) : z0_(z0) {}
  double GetReferenceImpedance() const override { return z0_; }

 private:
  double z0_;
};

}  // namespace

TEST(TraceFormatPeer, ScalarFormats) {
  const TGolden& g = Golden();
  ASSERT_EQ(g.Input.size(), 101u);
  struct Kind {
    const char* name;
    int code;
    int measMode;
  };
  for (const Kind& k : std::vector<Kind>{{"db", fmtLogMag, 2},
                                         {"db", fmtReturnLoss, 0},
                                         {"db10", fmtLogMag, 4},
                                         {"phase", fmtPhase, 0},
                                         {"uphase", fmtExpandPhase, 0},
                                         {"gdelay", fmtGroupDelay, 0},
                                         {"swr", fmtSwr, 0},
                                         {"real", fmtReal, 0},
                                         {"imag", fmtImag, 0},
                                         {"mag", fmtLinMag, 0}}) {
    const auto& expected = g.Values.at(k.name).at("");
    ASSERT_EQ(expected.size(), g.Input.size()) << k.name;
    const std::vector<TComplex> got = FormatAll(k.code, k.measMode);
    for (const auto& [i, v] : expected) {
      ExpectClose(got[size_t(i)].Re, v[0], std::string(k.name) + " " + std::to_string(i));
      EXPECT_EQ(got[size_t(i)].Im, 0.0);
    }
  }
  // Half the dB value for cable loss.
  const std::vector<TComplex> cable = FormatAll(fmtCableLoss);
  for (const auto& [i, v] : g.Values.at("db").at("")) ExpectClose(cable[size_t(i)].Re, v[0] / 2, "cable loss");
  // The Smith and polar formats keep the point.
  for (int code = fmtSmithLin; code <= fmtPolarReIm; ++code) {
    const std::vector<TComplex> got = FormatAll(code);
    for (const auto& [i, v] : g.Values.at("point").at("")) {
      EXPECT_EQ(got[size_t(i)].Re, v[0]);
      EXPECT_EQ(got[size_t(i)].Im, v[1]);
    }
  }
}

TEST(TraceFormatPeer, Conversions) {
  const TGolden& g = Golden();
  tracetest::FakeTraceHost host;
  TMeasurement& t = host.Trace();
  auto check = [&](const std::string& kind, const std::string& parameter) {
    const auto& expected = g.Values.at(kind).at(parameter);
    ASSERT_EQ(expected.size(), g.Input.size()) << kind << " " << parameter;
    for (const auto& [i, v] : expected) {
      const TComplex z = ApplyTraceCorrections(t, g.Input[size_t(i)], g.Frequencies[size_t(i)], 0);
      const std::string what = kind + " " + parameter + " " + std::to_string(i);
      ExpectClose(z.Re, v[0], what);
      ExpectClose(z.Im, v[1], what);
    }
  };
  t.ConversionOn = true;
  for (const char* z0 : {"50.0", "75.0"}) {
    Kit kit(ToDouble(z0));
    TScopedServices scope;
    scope->CalKitsModule = &kit;
    t.ConversionType = 0;
    check("imp", z0);
    t.ConversionType = 1;
    check("adm", z0);
  }
  t.ConversionType = 2;
  check("inv", "");
  t.ConversionType = 3;
  check("conj", "");
  t.ConversionOn = false;
  for (const auto& [degrees, values] : g.Values.at("offset")) {
    t.PhaseOffset = ToDouble(degrees);
    check("offset", degrees);
  }
  t.PhaseOffset = 0;
  for (const auto& [seconds, values] : g.Values.at("delay")) {
    t.ElectricalDelay = ToDouble(seconds);
    check("delay", seconds);
  }
}
