#pragma once
// What the limit and ripple lines share on top of the tested line: a table of segments over
// stimulus ranges (a segment's begin never lies above its end), the segment ends at which the
// last test found the trace failing, the edits of the table, and its state keys and file. Each
// line names its own keys and file section; the segment type needs the double members
// BegArgument and EndArgument, and a default that is the line's fresh segment.
#include <string>
#include <vector>

#include "traces/LineFileFormat.h"
#include "traces/TestedLine.h"

class TCustomIniFile;

// A segment whose interpolated trace value at its begin and/or end fails it.
struct TLimitFailBound {
  int Segment = 0;
  bool BegFailed = false;
  bool EndFailed = false;
};

// One state key of every segment: the name before the segment's number and the field it holds,
// a float or an integer.
template <class Segment>
struct TSegmentField {
  const char* Name;
  double Segment::*Real = nullptr;
  int Segment::*Whole = nullptr;
};

// The table's keys: the segment count's name and the fields of a segment in the order written.
template <class Segment>
struct TSegmentKeys {
  const char* Count;
  std::vector<TSegmentField<Segment>> Fields;
};

template <class Segment>
class TSegmentLine : public TTestedLine {
 public:
  // Segment counts read from files are limited to this.
  static constexpr int kMaxSegments = 10000;

  int GetSegmentCount() const { return static_cast<int>(Segments.size()); }
  double GetBegArgument(int i) const { return Field(i, &Segment::BegArgument); }
  double GetEndArgument(int i) const { return Field(i, &Segment::EndArgument); }
  const std::vector<Segment>& GetSegments() const { return Segments; }
  const std::vector<TLimitFailBound>& GetFailBounds() const { return FailBounds; }

  // Setters: an index outside the segments, or a non-finite number, does nothing. An end moved
  // past the other end takes that end along.
  void SetBegArgument(int i, double x);
  void SetEndArgument(int i, double x);
  // A fresh segment after segment i (i limited to the table) with i's arguments, or in an empty
  // table one on the trace's first point.
  void InsertSegment(int i);
  void DeleteSegment(int i);
  void Clear();
  // The whole table at once, ending as Clear, then InsertSegment and the setters per segment in
  // table order would leave it (end as given, begin the smaller of the two, the line's own
  // fields as its setters take them), but tested or cleared once and notified once.
  void ReplaceSegments(const std::vector<Segment>& segments);

  // State keys in the trace's section. The load replaces the segments (counts limited to
  // 0..kMaxSegments, non-finite numbers read as 0), then tests or clears the results.
  virtual void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  virtual void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

  // The line's file: its section with the trace's three switches and the line's keys, UTF-16LE
  // with BOM, written atomically (EAbort naming the file on failure, the old file kept).
  // LoadFile raises EAbort for a missing or unreadable file and changes nothing; otherwise it
  // replaces the segments, returns the file's switches and then tests (switch on) or clears the
  // results.
  void SaveFile(const std::string& path, const TLineFileFlags& flags) const;
  TLineFileFlags LoadFile(const std::string& path);

 protected:
  // format and keys outlive the line.
  TSegmentLine(TFObject* owner, const TLineFileFormat& format, const TSegmentKeys<Segment>& keys);

  bool Valid(int i) const { return i >= 0 && i < GetSegmentCount(); }
  // A field of segment i, or 0 for an index outside the segments.
  template <class T>
  T Field(int i, T Segment::*field) const {
    return Valid(i) ? Segments[static_cast<size_t>(i)].*field : T{};
  }
  // Sets a field of segment i, then tests and notifies; an index outside the segments does
  // nothing.
  template <class T>
  void SetField(int i, T Segment::*field, T x) {
    if (!Valid(i)) return;
    Segments[static_cast<size_t>(i)].*field = x;
    TestAndNotify();
  }
  // The segments as the state keys hold them.
  std::vector<Segment> ReadSegments(const TCustomIniFile& ini, const std::string& section) const;
  void WriteSegments(TCustomIniFile& ini, const std::string& section) const;

  // The fields of given beyond its arguments, put into s as the line's own setters take them.
  virtual void TakeOwnFields(const Segment& given, Segment& s) const = 0;
  // Clear and ReplaceSegments start from no offsets.
  virtual void ResetOffsets() {}

  std::vector<Segment> Segments;
  std::vector<TLimitFailBound> FailBounds;

 private:
  const TLineFileFormat& format_;
  const TSegmentKeys<Segment>& keys_;
};
