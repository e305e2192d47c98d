// The transforms and the Kaiser window against numpy (tests/peer/fft.py wrote the golden file;
// the input of each length comes from the integer sequence both sides generate alike).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "model/Complex.h"
#include "model/NumberText.h"
#include "traces/Fft.h"
#include "traces/KaiserWindow.h"

namespace {

// The input of length n, as tests/peer/fft.py makes it.
std::vector<TComplex> PeerInput(std::size_t n) {
  std::uint64_t s = n;
  auto next = [&s] {
    s = (s * 1103515245u + 12345u) % 2147483648u;
    return static_cast<double>((s >> 8) % 2001) - 1000.0;
  };
  std::vector<TComplex> x(n);
  for (TComplex& v : x) {
    v.Re = next();
    v.Im = next();
  }
  return x;
}

struct TGolden {
  // (kind "fft" or "ifft", length) -> bin -> value
  std::map<std::pair<std::string, std::size_t>, std::map<std::size_t, TComplex>> Transforms;
  // (length, beta text) -> index -> weight
  std::map<std::pair<std::size_t, std::string>, std::map<std::size_t, double>> Windows;
};

std::size_t ToSize(const std::string& text) {
  const auto v = TryTextToInt(text);
  EXPECT_TRUE(v.has_value() && *v >= 0) << text;
  return v ? static_cast<std::size_t>(*v) : 0;
}

double ToDouble(const std::string& text) {
  const auto v = TryTextToFloat(text);
  EXPECT_TRUE(v.has_value()) << text;
  return v.value_or(0.0);
}

const TGolden& Golden() {
  static const TGolden golden = [] {
    TGolden g;
    std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/fft.txt");
    EXPECT_TRUE(in.good()) << "tests/peer/golden/fft.txt is missing";
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') {
        continue;
      }
      std::istringstream words(line);
      std::vector<std::string> w;
      for (std::string word; words >> word;) {
        w.push_back(word);
      }
      if (w.size() == 5 && (w[0] == "fft" || w[0] == "ifft")) {
        g.Transforms[{w[0], ToSize(w[1])}][ToSize(w[2])] = TComplex{ToDouble(w[3]), ToDouble(w[4])};
      } else if (w.size() == 5 && w[0] == "kaiser") {
        g.Windows[{ToSize(w[1]), w[2]}][ToSize(w[3])] = ToDouble(w[4]);
      } else {
        ADD_FAILURE() << "unreadable golden line: " << line;
      }
    }
    return g;
  }();
  return golden;
}

double Norm(const std::vector<TComplex>& x) {
  double s = 0.0;
  for (const TComplex& v : x) {
    s += v.Re * v.Re + v.Im * v.Im;
  }
  return std::sqrt(s);
}

TEST(Fft, MatchesNumpyForwardAndUnscaledInverse) {
  const TGolden& golden = Golden();
  ASSERT_EQ(golden.Transforms.size(), 32u);  // 16 lengths, both directions
  for (const auto& [key, bins] : golden.Transforms) {
    const auto& [kind, n] = key;
    const std::vector<TComplex> x = PeerInput(n);
    std::vector<TComplex> y = x;
    DftBluestein(y.data(), n, kind == "fft");
    const double tolerance = 1e-9 * Norm(x);
    for (const auto& [k, expected] : bins) {
      ASSERT_LT(k, n);
      EXPECT_LE(Abs(y[k] - expected), tolerance) << kind << " length " << n << " bin " << k;
    }
    // The power of two goes through the radix-2 transform as well.
    if ((n & (n - 1)) == 0 && n > 1) {
      int m = 0;
      while ((std::size_t{1} << m) < n) {
        ++m;
      }
      std::vector<TComplex> z = x;
      FftRadix2(z.data(), m, kind == "ifft");
      for (const auto& [k, expected] : bins) {
        EXPECT_LE(Abs(z[k] - expected), tolerance)
            << kind << " radix-2 length " << n << " bin " << k;
      }
    }
  }
}

TEST(KaiserWindow, MatchesNumpyKaiser) {
  const TGolden& golden = Golden();
  ASSERT_EQ(golden.Windows.size(), 25u);  // 5 lengths, 5 betas
  for (const auto& [key, weights] : golden.Windows) {
    const auto& [length, betaText] = key;
    TKaiserWindow window;
    window.Build(length, ToDouble(betaText));
    ASSERT_EQ(window.GetLength(), length);
    for (const auto& [i, expected] : weights) {
      ASSERT_LT(i, length);
      EXPECT_NEAR(window.GetWeight(i), expected, 1e-12)
          << "length " << length << " beta " << betaText << " index " << i;
    }
  }
}

}  // namespace
