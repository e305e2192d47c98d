#pragma once
// A two-port network over frequency: the frequencies (MHz) and the four S-parameters, five
// vectors of one length. Filled from vectors handed over by the calibration code, or from a
// Touchstone file.
#include <string>
#include <vector>

#include "model/Complex.h"

class TFixtParam {
 public:
  int GetCount() const { return static_cast<int>(Frequencies.size()); }
  // True when the network can be used: two or more frequencies. Interpolation needs two, so a
  // network of one point counts as empty everywhere.
  bool HoldsData() const { return Frequencies.size() >= 2; }

  double GetFrequency(int i) const { return Frequencies[static_cast<size_t>(i)]; }
  TComplex GetS11(int i) const { return S11[static_cast<size_t>(i)]; }
  TComplex GetS21(int i) const { return S21[static_cast<size_t>(i)]; }
  TComplex GetS12(int i) const { return S12[static_cast<size_t>(i)]; }
  TComplex GetS22(int i) const { return S22[static_cast<size_t>(i)]; }
  // Overwrite the value at an existing point; the frequency is not touched.
  void SetS11(int i, const TComplex& v) { S11[static_cast<size_t>(i)] = v; }
  void SetS21(int i, const TComplex& v) { S21[static_cast<size_t>(i)] = v; }
  void SetS12(int i, const TComplex& v) { S12[static_cast<size_t>(i)] = v; }
  void SetS22(int i, const TComplex& v) { S22[static_cast<size_t>(i)] = v; }

  void Clear();

  // The values of s11 on an evenly spaced grid from firstFrequency to lastFrequency (MHz);
  // S21, S12 and S22 are (0, 0). Fewer than two values leave the network empty.
  void SetOnePortData(const std::vector<TComplex>& s11, double lastFrequency, double firstFrequency);
  // The same with four vectors, given in the order S11, S21, S22, S12. Vectors of different
  // lengths, or shorter than two, leave the network empty.
  void SetTwoPortData(const std::vector<TComplex>& s11, const std::vector<TComplex>& s21,
                      const std::vector<TComplex>& s22, const std::vector<TComplex>& s12,
                      double lastFrequency, double firstFrequency);

  // Replaces the contents with a two-port Touchstone file. Reading Touchstone files is not
  // available yet: the network is left empty.
  void LoadTwoPort(const std::string& fileName);

  std::vector<double> Frequencies;
  std::vector<TComplex> S11;
  std::vector<TComplex> S21;
  std::vector<TComplex> S12;
  std::vector<TComplex> S22;

 private:
  void SetGrid(size_t n, double lastFrequency, double firstFrequency);
};
