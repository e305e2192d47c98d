#pragma once
// The error-term table of one calibration: one TCalPoint per calibration frequency, normally
// ascending, and the calibration method of each of the two ports. A calibration owns one; a
// channel keeps a copy interpolated at its own points. A table has no owner: whoever creates it
// deletes it. The points a table is made with live in one block allocated with the table (a
// table of 16001 points is made on every calculation and every attach) and have no owner of
// their own; a point added later with new joins the list as in any container.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/CalPoint.h"
#include "model/Complex.h"
#include "model/FContainer.h"
#include "model/PointBlock.h"
#include "model/Utils.h"

class TRange;

class TCalRange : public TFContainer {
 public:
  // Method codes: 0 none, 1 "RT", 2 "RO", 3 "RS", 4 "F1", 5 "OP"; any other code has no name here.
  static std::string MethodName(int code);

  // One zeroed TCalPoint per point of the channel, at that point's frequency.
  TCalRange(int methodCode0, int methodCode1, const TRange& channel);
  // One zeroed TCalPoint per entry of the vector (MHz), in vector order.
  TCalRange(int methodCode0, int methodCode1, const std::vector<double>& frequencies);
  ~TCalRange() override;
  static TCalRange* CreateFromFrequencies(int methodCode0, int methodCode1, const std::vector<double>& frequencies) {
    return new TCalRange(methodCode0, methodCode1, frequencies);
  }

  // Indices are not validated: p is 0 or 1, i within the table.
  TCalPoint* GetPoint(int i) const { return static_cast<TCalPoint*>(Items[static_cast<size_t>(i)]); }
  double GetFrequency(int i) const { return GetPoint(i)->Frequency; }
  TComplex GetErrorTermA(int p, int i) const { return GetPoint(i)->A[p]; }
  TComplex GetErrorTermB(int p, int i) const { return GetPoint(i)->B[p]; }
  TComplex GetErrorTermC(int p, int i) const { return GetPoint(i)->C[p]; }
  TComplex GetErrorTermD(int p, int i) const { return GetPoint(i)->D[p]; }
  void SetErrorTermA(int p, int i, const TComplex& v) {
    GetPoint(i)->A[p] = v;
    ++Revision;
  }
  void SetErrorTermB(int p, int i, const TComplex& v) {
    GetPoint(i)->B[p] = v;
    ++Revision;
  }
  void SetErrorTermC(int p, int i, const TComplex& v) {
    GetPoint(i)->C[p] = v;
    ++Revision;
  }
  void SetErrorTermD(int p, int i, const TComplex& v) {
    GetPoint(i)->D[p] = v;
    ++Revision;
  }

  int GetMethodCode(int p) const { return MethodCode[p]; }
  std::string GetMethodName(int p) const { return MethodName(MethodCode[p]); }

  // Index i of the interval [point i, point i + 1] used for f: bisection, then a walk past
  // equal frequencies. Below the first point 0, above the last n - 2; 0 for tables of fewer
  // than two points. A table with a step back in frequency (the 14 GHz system-calibration grid)
  // still gives an interval that rises through f.
  int FindInterval(double f) const;

  // FindInterval for a run of frequencies, by a walk along the table instead of a search per
  // frequency: each Find gives exactly what FindInterval gives. The walk moves forward while the
  // frequencies rise and searches again when one falls back; on a table with a step back,
  // frequencies within the disordered band take FindInterval itself. The table must not change
  // while a cursor is in use.
  class TIntervalCursor {
   public:
    explicit TIntervalCursor(const TCalRange& table);
    int Find(double f);

   private:
    const TCalRange& Table;
    int Count;
    int Next = 0;  // points at or below the last walked frequency
    double Last = 0.0;
    bool Started = false;
    bool Ordered = true;
    double BandLow = 0.0;  // frequencies of the points that are out of order, lowest ...
    double BandHigh = 0.0;  // ... and highest
  };

  // InterpolateTerms for a run of frequencies (port a's A, B, C and port b's D): the intervals
  // come from a TIntervalCursor, and the magnitudes and angles of an interval's ends are worked
  // out once for every frequency on it. Each At gives exactly what InterpolateTerms gives. The
  // table must not change while an interpolator is in use.
  class TTermInterpolator {
   public:
    TTermInterpolator(const TCalRange& table, int a, int b);
    void At(double f, TComplex& A, TComplex& B, TComplex& C, TComplex& D);

   private:
    const TCalRange& Table;
    int PortA;
    int PortB;
    TIntervalCursor Cursor;
    int Interval = -1;
    bool Flat = false;  // the interval's ends lie at (nearly) one frequency
    double Start = 0.0;
    double Width = 0.0;
    TPolarStep::TEnd Ends[2][4];  // the four terms at the interval's lower and upper point
    TPolarStep Steps[4];
  };

  // The terms on interval i (from FindInterval) at f: InterpolateTerms without the search.
  void InterpolateTermsOn(int i, int a, int b, double f, TComplex& A, TComplex& B, TComplex& C, TComplex& D) const;

  // The error terms at f, magnitude and phase interpolated on the interval of FindInterval and
  // extrapolated outside the table. When a >= 0, A, B and C are port a's terms; when b >= 0, D
  // is port b's transmission tracking; a negative port leaves its outputs (0, 0). A table of one
  // point gives its terms at every frequency, an empty one (0, 0).
  void InterpolateTerms(int a, int b, double f, TComplex& A, TComplex& B, TComplex& C, TComplex& D) const;

  int MethodCode[2] = {0, 0};

  // Tells tables and their states apart for the copies of terms made from them: Serial is
  // given once per table and never to another one (the address of a deleted table may come
  // back), Revision counts the changes made through the SetErrorTerm setters and Clear. A
  // table filled by writing its points directly is filled before anyone copies from it.
  uint64_t GetSerial() const { return Serial; }
  uint64_t GetRevision() const { return Revision; }

  // Deletes every point, those of the block included.
  void Clear() override;

 private:
  // Makes n points in one block, in order, with the frequencies frequency(i).
  template <typename F>
  void MakePoints(size_t n, F frequency);

  TPointBlock<TCalPoint> Points;
  uint64_t Serial;
  uint64_t Revision = 0;
};
