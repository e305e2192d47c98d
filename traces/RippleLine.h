#pragma once
// A trace's ripple line: stimulus ranges, each with an allowed ripple (peak to peak around the
// mean). Its test computes the mean, minimum and maximum of the trace in every tested range and
// finds the points, and range ends, that deviate from the mean by more than half the limit.
// A non-finite displayed value counts as a deviation and stays out of the mean, minimum and
// maximum. The line reads its trace as the limit line does (see LimitLine.h) and keeps its
// results current the same way.
#include <string>
#include <vector>

#include "traces/LimitLine.h"

class TCustomIniFile;
class ILineTrace;

struct TRippleSegment {
  double BegArgument = 0.0;
  double EndArgument = 0.0;
  double Mean = 0.0;  // results of the last test
  double Min = 0.0;
  double Max = 0.0;
  double RippleLimit = 0.0;
  int RippleType = 0;  // 1 tested, anything else not
};

class TRippleLine : public TTestedLine {
 public:
  static constexpr int kMaxSegments = 10000;

  explicit TRippleLine(TFObject* owner);
  ~TRippleLine() override;

  int GetSegmentCount() const { return static_cast<int>(Segments.size()); }
  double GetBegArgument(int i) const;
  double GetEndArgument(int i) const;
  double GetRippleLimit(int i) const;
  int GetRippleType(int i) const;
  double GetMean(int i) const;
  double GetMin(int i) const;
  double GetMax(int i) const;

  // Setters: an index outside the segments, or a non-finite number, does nothing. The ripple
  // limit is clamped to [0, MaxValue - MinValue] of the current format.
  void SetBegArgument(int i, double x);
  void SetEndArgument(int i, double x);
  void SetRippleLimit(int i, double x);
  void SetRippleType(int i, int code);
  void InsertSegment(int i);
  void DeleteSegment(int i);
  void Clear();
  // The whole line at once, ending as Clear, then InsertSegment and the four setters per segment
  // in table order would leave it (end as given, begin the smaller of the two, limit clamped),
  // but tested or cleared once and notified once. Mean, minimum and maximum come from the test.
  void ReplaceSegments(const std::vector<TRippleSegment>& segments);

  void Test() override;
  bool IsPassed() const { return FailedPoints.empty() && FailBounds.empty(); }
  void ClearResults() override;
  const std::vector<int>& GetFailedPoints() const { return FailedPoints; }
  const std::vector<TLimitFailBound>& GetFailBounds() const { return FailBounds; }
  const std::vector<TRippleSegment>& GetSegments() const { return Segments; }

  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

  // ".rlm" file: section "RippleLineData" with "RippleTest", "ShowRippleLimit",
  // "ShowRippleFailSign" and the line's keys; as TLimitLine::SaveFile / LoadFile.
  void SaveFile(const std::string& path, const TLineFileFlags& flags) const;
  TLineFileFlags LoadFile(const std::string& path);

 private:
  bool TestSwitchOn(const ILineTrace& trace) const override;
  bool Valid(int i) const { return i >= 0 && i < GetSegmentCount(); }

  std::vector<TRippleSegment> Segments;
  std::vector<int> FailedPoints;
  std::vector<TLimitFailBound> FailBounds;
};
