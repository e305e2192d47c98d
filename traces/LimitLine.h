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
#include <cstdint>
#include <string>
#include <vector>

#include "traces/LineFileFormat.h"
#include "traces/TestedLine.h"

class TCustomIniFile;
class ILineTrace;

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

// A segment whose interpolated trace value at its begin and/or end violates it.
struct TLimitFailBound {
  int Segment = 0;
  bool BegFailed = false;
  bool EndFailed = false;
};

class TLimitLine : public TTestedLine {
 public:
  static constexpr int kLimitOff = 0;
  static constexpr int kLimitLower = 1;
  static constexpr int kLimitUpper = 2;
  // Segment counts read from files are limited to this.
  static constexpr int kMaxSegments = 10000;

  explicit TLimitLine(TFObject* owner);
  ~TLimitLine() override;

  int GetSegmentCount() const { return static_cast<int>(Segments.size()); }
  double GetBegArgument(int i) const;
  double GetEndArgument(int i) const;
  double GetBegValue(int i) const;
  double GetEndValue(int i) const;
  int GetLimitType(int i) const;
  double GetAbsBegArgument(int i) const;
  double GetAbsEndArgument(int i) const;
  double GetAbsBegValue(int i) const;
  double GetAbsEndValue(int i) const;
  double GetRelativeArgument() const { return RelativeArgument; }
  double GetRelativeValue() const { return RelativeValue; }
  // The limit of segment i at stimulus x.
  double LimitAt(int i, double x) const;

  // Setters: an index outside the segments, or a non-finite number, does nothing.
  void SetBegArgument(int i, double x);
  void SetEndArgument(int i, double x);
  void SetBegValue(int i, double x);
  void SetEndValue(int i, double x);
  void SetLimitType(int i, int code);
  void SetRelativeArgument(double x);
  void SetRelativeValue(double x);
  void InsertSegment(int i);
  void DeleteSegment(int i);
  void Clear();
  // The whole line at once, ending as Clear, then InsertSegment and the five setters per
  // segment in table order would leave it (type as given, end as given, begin the smaller of
  // the two, values clamped, offsets 0), but tested or cleared once and notified once.
  void ReplaceSegments(const std::vector<TLimitSegment>& segments);

  void Test() override;
  bool IsPassed() const { return FailRuns.empty() && FailBounds.empty(); }
  void ClearResults() override;
  const std::vector<TLimitFailRun>& GetFailRuns() const { return FailRuns; }
  const std::vector<TLimitFailBound>& GetFailBounds() const { return FailBounds; }
  const std::vector<TLimitSegment>& GetSegments() const { return Segments; }

  // State keys in the trace's section. The load replaces the segments (counts limited to
  // 0..kMaxSegments, non-finite values read as 0), then tests or clears the results.
  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

  // ".lim" file: section "LimitLineData" with "LimitTest", "ShowLimit", "ShowFailSign" and the
  // line's keys, UTF-16LE with BOM, written atomically (EAbort naming the file on failure, the
  // old file kept). LoadFile raises EAbort for a missing or unreadable file and changes nothing;
  // otherwise it replaces the segments, returns the file's switches and then tests (switch on)
  // or clears the results.
  void SaveFile(const std::string& path, const TLineFileFlags& flags) const;
  TLineFileFlags LoadFile(const std::string& path);

 private:
  bool TestSwitchOn(const ILineTrace& trace) const override;
  bool Valid(int i) const { return i >= 0 && i < GetSegmentCount(); }

  double RelativeArgument = 0.0;
  double RelativeValue = 0.0;
  std::vector<TLimitSegment> Segments;
  std::vector<TLimitFailRun> FailRuns;
  std::vector<TLimitFailBound> FailBounds;
};
