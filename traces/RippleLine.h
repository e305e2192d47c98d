#pragma once
// A trace's ripple line: stimulus ranges, each with an allowed ripple (peak to peak around the
// mean). Its test computes the mean, minimum and maximum of the trace in every tested range and
// finds the points, and range ends, that deviate from the mean by more than half the limit.
// A non-finite displayed value counts as a deviation and stays out of the mean, minimum and
// maximum. The line reads its trace as the limit line does (see LimitLine.h) and keeps its
// results current the same way; its table, keys and file work as SegmentLine.h tells.
#include <string>
#include <vector>

#include "traces/SegmentLine.h"

struct TRippleSegment {
  double BegArgument = 0.0;
  double EndArgument = 0.0;
  double Mean = 0.0;  // results of the last test
  double Min = 0.0;
  double Max = 0.0;
  double RippleLimit = 0.0;
  int RippleType = 0;  // 1 tested, anything else not
};

class TRippleLine : public TSegmentLine<TRippleSegment> {
 public:
  explicit TRippleLine(TFObject* owner);
  ~TRippleLine() override;

  double GetRippleLimit(int i) const { return Field(i, &TRippleSegment::RippleLimit); }
  int GetRippleType(int i) const { return Field(i, &TRippleSegment::RippleType); }
  double GetMean(int i) const { return Field(i, &TRippleSegment::Mean); }
  double GetMin(int i) const { return Field(i, &TRippleSegment::Min); }
  double GetMax(int i) const { return Field(i, &TRippleSegment::Max); }

  // Setters as those of the arguments (SegmentLine.h). The ripple limit is clamped to
  // [0, MaxValue - MinValue] of the current format; mean, minimum and maximum come from the test.
  void SetRippleLimit(int i, double x);
  void SetRippleType(int i, int code) { SetField(i, &TRippleSegment::RippleType, code); }

  void Test() override;
  bool IsPassed() const { return FailedPoints.empty() && FailBounds.empty(); }
  void ClearResults() override;
  const std::vector<int>& GetFailedPoints() const { return FailedPoints; }

  // The ".rlm" file is section "RippleLineData" with "RippleTest", "ShowRippleLimit",
  // "ShowRippleFailSign".

 private:
  bool TestSwitchOn(const ILineTrace& trace) const override;
  void TakeOwnFields(const TRippleSegment& given, TRippleSegment& s) const override;
  double ClampLimit(double x) const;

  std::vector<int> FailedPoints;
};
