#pragma once
// A two-port network over frequency: the frequencies (MHz) and the four S-parameters, five
// vectors of one length. Filled from vectors handed over by the calibration code, or from a
// Touchstone file (version 1 syntax, ".s1p" or ".s2p"), and interpolated at any frequency.
//
// Three orders of the four parameters meet here. Storage and files: S11, S21, S12, S22.
// SetTwoPortData and the out-argument Interpolate: S11, S21, S22, S12 (S22 before S12).
// Everything else uses TSParams, whose members are named.
#include <cstddef>
#include <string>
#include <vector>

#include "model/Complex.h"

// The four S-parameters of a two-port at one frequency.
struct TSParams {
  TComplex S11;
  TComplex S21;
  TComplex S12;
  TComplex S22;
};

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

  // Replace the contents with a Touchstone file. The name goes through GetFixtureFilePath: no
  // extension gets ".s2p" (for both loaders), no folder means the "FixtureSim" folder. A
  // missing file, one without a valid option line, or one without usable data lines leaves
  // the network empty; unusable data lines are skipped one by one. Nothing is reported: users
  // look at GetCount or HoldsData. The exception is a name that cannot be a network: a folder,
  // a FIFO or a device in the file's place, a file above 64 MB, a name holding NUL. Those are
  // refused without being read (or waited on) and LoadError says why.
  //
  // Reader rules: lines end at LF (a CR before it is dropped; a UTF-8 byte-order mark at the
  // start is skipped); a line whose first character is '!' is a comment, and so is an empty
  // line; the first other line is the option line, which splits at runs of blanks and tabs
  // into exactly six items "#", unit (Hz, kHz, MHz, GHz in any case), "S", format (RI, MA, DB
  // in any case), "R" and the impedance (the last two not examined). Each data line gives its
  // numbers through ParseNumberList (',' or '.' as decimal point, a comment's numbers count);
  // exactly 3 (one-port) or 9 (two-port) numbers make a point, any other count skips the line,
  // as do a frequency or value that is not finite and a frequency equal (NearlyEqual) to the
  // one stored just before. Frequencies are kept in file order, never sorted.
  //
  // LoadOnePort puts the file's one parameter into target (11, 12, 21 or 22; any other value
  // means 11) and (0, 0) into the other three.
  void LoadOnePort(const std::string& fileName, int target);
  void LoadTwoPort(const std::string& fileName);
  // A file of measured data as the memory, channel and file dialog read it: a name ending in
  // ".s1p" (any case) one-port into S11, any other name two-port.
  void LoadByExtension(const std::string& fileName);

  // The four parameters at frequency (MHz): within the segment [k, k + 1] that is the first
  // whose upper end lies above the frequency, or the last segment; the end segments are
  // extended, not clamped. Each parameter is interpolated in polar form (InterpolatePolar).
  // A segment of zero width gives the value at its lower end. Fewer than two points give
  // (0, 0) everywhere.
  TSParams InterpolateAt(double frequency) const;
  // InterpolateAt(f).S11 at each frequency, exactly, with the polar form of a segment worked
  // out once for the frequencies that share it (a calibration grid walks a table so).
  void InterpolateS11(const std::vector<double>& frequencies, std::vector<TComplex>& out) const;
  // The same into out-arguments in the order S11, S21, S22, S12.
  void Interpolate(TComplex& s11, TComplex& s21, TComplex& s22, TComplex& s12, double frequency) const;

  // Index k of the segment [k, k + 1] used for the frequency; 0 for fewer than two points.
  int FindSegment(double frequency) const;
  // Whether the frequencies rise strictly is worked out once per list; the list is known by
  // its storage, size and end values. Code that changes an inner frequency in place calls this.
  void FrequenciesChanged() { search_ = TSearchCache{}; }

  // Why the last Touchstone load refused its file; empty when it did not.
  std::string LoadError;

  std::vector<double> Frequencies;
  std::vector<TComplex> S11;
  std::vector<TComplex> S21;
  std::vector<TComplex> S12;
  std::vector<TComplex> S22;

 private:
  enum class TFileKind { OnePort, TwoPort };

  void SetGrid(size_t n, double lastFrequency, double firstFrequency);
  void ReadTouchstone(const std::string& fileName, TFileKind kind, int target);

  // Whether the frequencies rise strictly, so the segment can be found by bisection, for the
  // list it was worked out on. A copy starts without it: the list it names is another's.
  struct TSearchCache {
    TSearchCache() = default;
    TSearchCache(const TSearchCache&) noexcept {}
    TSearchCache& operator=(const TSearchCache&) noexcept {
      data = nullptr;
      size = 0;
      return *this;
    }
    const double* data = nullptr;
    size_t size = 0;
    double first = 0.0;
    double last = 0.0;
    bool rising = false;
  };
  bool RisesStrictly() const;
  mutable TSearchCache search_;
};
