#pragma once
// A trace's limit line: straight segments over stimulus ranges, each an upper or a lower limit,
// with offsets added to all arguments and values. Its test finds the runs of points that
// violate a segment and the segment ends at which the trace violates it. Arguments are in the
// trace's stimulus display unit, values in its response display unit.
//
// The line reads its trace through an ILineTrace: the owning trace's adapter by default, or
// whatever SetTraceLink installs (tests). After every change of the segments (setters, insert,
// delete, clear, loads) the results are current: the line is tested when its setter says so or
// the trace's LimitTest is on, otherwise the results are cleared, so the chart never reads fail
// bounds of segments that no longer exist.
#include <string>
#include <vector>

#include "traces/SegmentLine.h"

class TCustomIniFile;

struct TLimitSegment {
  double BegArgument = 0.0;
  double EndArgument = 0.0;
  double BegValue = 0.0;
  double EndValue = 0.0;
  int LimitType = 0;  // 0 off, 1 lower limit, 2 upper limit
};

// A run of consecutive points violating one segment.
struct TLimitFailRun {
  int Segment = 0;
  int First = 0;
  int Last = 0;
};

class TLimitLine : public TSegmentLine<TLimitSegment> {
 public:
  static constexpr int kLimitOff = 0;
  static constexpr int kLimitLower = 1;
  static constexpr int kLimitUpper = 2;

  explicit TLimitLine(TFObject* owner);
  ~TLimitLine() override;

  double GetBegValue(int i) const { return Field(i, &TLimitSegment::BegValue); }
  double GetEndValue(int i) const { return Field(i, &TLimitSegment::EndValue); }
  int GetLimitType(int i) const { return Field(i, &TLimitSegment::LimitType); }
  double GetAbsBegArgument(int i) const { return GetBegArgument(i) + RelativeArgument; }
  double GetAbsEndArgument(int i) const { return GetEndArgument(i) + RelativeArgument; }
  double GetAbsBegValue(int i) const { return GetBegValue(i) + RelativeValue; }
  double GetAbsEndValue(int i) const { return GetEndValue(i) + RelativeValue; }
  double GetRelativeArgument() const { return RelativeArgument; }
  double GetRelativeValue() const { return RelativeValue; }
  // The limit of segment i at stimulus x.
  double LimitAt(int i, double x) const;

  // Setters as those of the arguments (SegmentLine.h); values are clamped into the current
  // format's range. Clear and ReplaceSegments also set both offsets to 0.
  void SetBegValue(int i, double x);
  void SetEndValue(int i, double x);
  void SetLimitType(int i, int code) { SetField(i, &TLimitSegment::LimitType, code); }
  void SetRelativeArgument(double x);
  void SetRelativeValue(double x);

  void Test() override;
  bool IsPassed() const { return FailRuns.empty() && FailBounds.empty(); }
  void ClearResults() override;
  const std::vector<TLimitFailRun>& GetFailRuns() const { return FailRuns; }

  // The state keys start with the two offsets; the load reads everything before it changes
  // anything.
  void SaveToIni(TCustomIniFile& ini, const std::string& section) const override;
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section) override;

  // The ".lim" file is section "LimitLineData" with "LimitTest", "ShowLimit", "ShowFailSign".

 private:
  bool TestSwitchOn(const ILineTrace& trace) const override;
  void TakeOwnFields(const TLimitSegment& given, TLimitSegment& s) const override;
  void ResetOffsets() override;
  double ClampValue(double x) const;

  double RelativeArgument = 0.0;
  double RelativeValue = 0.0;
  std::vector<TLimitFailRun> FailRuns;
};
