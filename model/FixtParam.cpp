#include "model/FixtParam.h"

void TFixtParam::Clear() {
  Frequencies.clear();
  S11.clear();
  S21.clear();
  S12.clear();
  S22.clear();
}

void TFixtParam::SetGrid(size_t n, double lastFrequency, double firstFrequency) {
  Frequencies.resize(n);
  const double step = (lastFrequency - firstFrequency) / static_cast<double>(n - 1);
  for (size_t i = 0; i < n; ++i) Frequencies[i] = firstFrequency + step * static_cast<double>(i);
}

void TFixtParam::SetOnePortData(const std::vector<TComplex>& s11, double lastFrequency, double firstFrequency) {
  Clear();
  if (s11.size() < 2) return;
  SetGrid(s11.size(), lastFrequency, firstFrequency);
  S11 = s11;
  S21.assign(s11.size(), TComplex{});
  S12.assign(s11.size(), TComplex{});
  S22.assign(s11.size(), TComplex{});
}

void TFixtParam::SetTwoPortData(const std::vector<TComplex>& s11, const std::vector<TComplex>& s21,
                                const std::vector<TComplex>& s22, const std::vector<TComplex>& s12,
                                double lastFrequency, double firstFrequency) {
  Clear();
  const size_t n = s11.size();
  if (n < 2 || s21.size() != n || s22.size() != n || s12.size() != n) return;
  SetGrid(n, lastFrequency, firstFrequency);
  S11 = s11;
  S21 = s21;
  S12 = s12;
  S22 = s22;
}

void TFixtParam::LoadTwoPort(const std::string& fileName) {
  (void)fileName;
  Clear();
}
