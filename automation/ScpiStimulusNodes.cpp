// The stimulus of one channel: frequencies, points, sweep type, segment table, delay, IF
// bandwidth, averaging, and the instrument-wide reference clock. Frequencies cross the interface
// in Hz and delays in seconds; the channel keeps MHz and milliseconds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "automation/ScpiSenseRows.h"
#include "automation/ScpiStimulusNodes.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"

namespace automation {

using namespace sense;

namespace {

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType K = ValueType::Keyword;
constexpr ValueType A = ValueType::Array;

constexpr double kHzPerMHz = 1e6;
constexpr double kMHzPerHz = 1e-6;
constexpr int kMaxSegments = 201;
constexpr int64_t kMaxTotalPoints = 16001;

double Value(const TCall& c) { return c.Args.back().asDouble(); }

}  // namespace

// ---- ISCPI_SENSe_FREQuency ------------------------------------------------------------------------
struct TSCPI_SENSe_FREQuencyImpl {
  static Variant GetSTARt(const TCall& c) { return Channel(c).MinFrequency * kHzPerMHz; }
  static Variant PutSTARt(const TCall& c) {
    Channel(c).SetStartFrequency(Value(c) * kMHzPerHz);
    return Variant();
  }
  static Variant GetSTOP(const TCall& c) { return Channel(c).MaxFrequency * kHzPerMHz; }
  static Variant PutSTOP(const TCall& c) {
    Channel(c).SetStopFrequency(Value(c) * kMHzPerHz);
    return Variant();
  }
  static Variant GetCENTer(const TCall& c) { return Channel(c).GetCenterFrequency() * kHzPerMHz; }
  static Variant PutCENTer(const TCall& c) {
    Channel(c).SetCenterFrequency(Value(c) * kMHzPerHz);
    return Variant();
  }
  static Variant GetSPAN(const TCall& c) { return Channel(c).GetSpan() * kHzPerMHz; }
  static Variant PutSPAN(const TCall& c) {
    Channel(c).SetSpan(Value(c) * kMHzPerHz);
    return Variant();
  }
  static Variant GetCW(const TCall& c) { return Channel(c).FixedFreq * kHzPerMHz; }
  static Variant PutCW(const TCall& c) {
    Channel(c).SetFixedFrequency(Value(c) * kMHzPerHz);
    return Variant();
  }
  static Variant DATA(const TCall& c) { return FrequencyList(Channel(c)); }
};

// ---- ISCPI_SENSe_SWEep, ISCPI_SENSe_SWEep_POINt --------------------------------------------------
struct TSCPI_SENSe_SWEepImpl {
  static Variant GetPOINts(const TCall& c) {
    const TRange& r = Channel(c);
    return static_cast<int32_t>(r.SweepMode == TRange::Segm ? r.GetTotalSegmentPoints() : r.NPoints);
  }
  static Variant PutPOINts(const TCall& c) {
    Channel(c).SetPointCount(c.Args.back().asInt());
    return Variant();
  }
  static Variant GetTYPE(const TCall& c) { return Channel(c).GetSweepTypeText(); }
  static Variant PutTYPE(const TCall& c) {
    Channel(c).SetSweepTypeText(c.Args.back().asText());
    return Variant();
  }
};

struct TSCPI_SENSe_SWEep_POINtImpl {
  static Variant GetTIME(const TCall& c) { return Channel(c).CommonDelay * 0.001; }
  static Variant PutTIME(const TCall& c) {
    Channel(c).SetDelay(Value(c) * 1000);
    return Variant();
  }
};

// ---- ISCPI_SENSe_BANDwidth -----------------------------------------------------------------------
struct TSCPI_SENSe_BANDwidthImpl {
  static Variant GetRESolution(const TCall& c) { return static_cast<double>(Channel(c).CommonIFBW); }
  // Any width from 1 Hz up is kept as given, unsnapped; below that every time estimate of the
  // sweep (1000 / IF bandwidth) would be meaningless.
  static Variant PutRESolution(const TCall& c) {
    const int32_t width = CheckedInt32(Value(c));
    if (width < 1) Raise(222);
    Channel(c).SetIFBW(width);
    return Variant();
  }
};

// ---- ISCPI_SENSe_AVERage -------------------------------------------------------------------------
struct TSCPI_SENSe_AVERageImpl {
  // Every channel's running count restarts, not only this node's.
  static Variant CLEar(const TCall& c) {
    c.T().Scanner.RestartAveraging();
    return Variant();
  }
  static Variant GetCOUNt(const TCall& c) { return Channel(c).AverageFactor; }
  static Variant PutCOUNt(const TCall& c) {
    Channel(c).SetAverageFactor(c.Args.back().asInt());
    return Variant();
  }
  static Variant GetSTATe(const TCall& c) { return Channel(c).AverageEnabled; }
  static Variant PutSTATe(const TCall& c) {
    Channel(c).SetAverageEnabled(c.Args.back().asBool());
    return Variant();
  }
};

// ---- ISCPI_SENSe_ROSCillator ---------------------------------------------------------------------
struct TSCPI_SENSe_ROSCillatorImpl {
  static Variant GetSOURce(const TCall& c) { return c.T().Scanner.GetClockSourceText(); }
  static Variant PutSOURce(const TCall& c) {
    c.T().Scanner.SetClockSourceText(c.Args.back().asText());
    return Variant();
  }
};

// ---- ISCPI_SENSe_SEGMent -------------------------------------------------------------------------
struct TSCPI_SENSe_SEGMentImpl {
  static Variant GetDATA(const TCall& c) { return SegmentTable(Channel(c)); }
  static Variant PutDATA(const TCall& c) {
    PutSegmentTable(Channel(c), DoubleVectorFromVariant(c.Args.back()));
    return Variant();
  }
};

std::vector<double> FrequencyList(const TRange& r) {
  int n = r.SweepMode == TRange::Segm ? r.GetTotalSegmentPoints() : r.NPoints;
  // The point list is what exists; a count that ran ahead of it reads no further.
  n = std::max(0, std::min(n, r.GetCount()));
  std::vector<double> out(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = r.GetPointFrequency(i) * kHzPerMHz;
  return out;
}

std::vector<double> SegmentTable(const TRange& r) {
  const int n = r.GetSegmentCount();
  const int width = 3 + (r.SegmentListIFBW ? 1 : 0) + (r.SegmentListPower ? 1 : 0) + (r.SegmentListDelay ? 1 : 0);
  std::vector<double> out;
  out.reserve(7 + static_cast<size_t>(n) * static_cast<size_t>(width));
  out.insert(out.end(), {5.0, 0.0, r.SegmentListIFBW ? 1.0 : 0.0, r.SegmentListPower ? 1.0 : 0.0,
                         r.SegmentListDelay ? 1.0 : 0.0, 0.0, static_cast<double>(n)});
  for (int i = 0; i < n; ++i) {
    out.push_back(r.GetSegmentStart(i) * kHzPerMHz);
    out.push_back(r.GetSegmentStop(i) * kHzPerMHz);
    out.push_back(r.GetSegmentPoints(i));
    if (r.SegmentListIFBW) out.push_back(r.GetSegmentIFBW(i));
    if (r.SegmentListPower) out.push_back(r.GetSegmentPower(i));
    if (r.SegmentListDelay) out.push_back(r.GetSegmentDelay(i) * 0.001);
  }
  return out;
}

void PutSegmentTable(TRange& r, const std::vector<double>& v, bool batched) {
  if (v.size() < 8) Raise(215);
  // One rebuild and one report for the whole put, however it ends: the three flags below stay
  // applied when a later check refuses the records.
  std::optional<TRange::TSegmentEditBatch> batch;
  if (batched) batch.emplace(r);
  const bool centreSpan = v[1] != 0;
  r.SetSegmentListIFBW(v[2] != 0);
  r.SetSegmentListPower(v[3] != 0);
  r.SetSegmentListDelay(v[4] != 0);
  const bool extra = v[5] != 0;
  const size_t width = 3 + (r.SegmentListIFBW ? 1u : 0u) + (r.SegmentListPower ? 1u : 0u) +
                       (r.SegmentListDelay ? 1u : 0u) + (extra ? 1u : 0u);
  if (!(v[6] >= 1 && v[6] < kMaxSegments + 1)) Raise(215);
  const int n = static_cast<int>(std::trunc(v[6]));
  if (v.size() != 7 + static_cast<size_t>(n) * width) Raise(215);

  // The whole array is checked before the table is touched, so a refused put leaves it whole.
  for (double x : v) {
    if (!std::isfinite(x)) Raise(215);
  }
  std::vector<int32_t> counts(static_cast<size_t>(n));
  int64_t total = 0;
  for (int i = 0; i < n; ++i) {
    const double* rec = &v[7 + static_cast<size_t>(i) * width];
    const double points = std::trunc(rec[2]);
    if (points < std::numeric_limits<int32_t>::min() || points > std::numeric_limits<int32_t>::max()) Raise(215);
    counts[static_cast<size_t>(i)] = static_cast<int32_t>(points);
    const bool single = centreSpan ? rec[1] == 0 : rec[0] == rec[1];
    const int minimum = single && n != 1 ? 1 : 2;
    total += std::max<int64_t>(counts[static_cast<size_t>(i)], minimum);
    if (total > kMaxTotalPoints) Raise(215);
  }

  while (r.GetSegmentCount() > 1) r.DeleteSegment(r.GetSegmentCount() - 1);
  auto stimulus = [&](int i, const double* rec) {
    if (centreSpan) {
      r.SetSegmentCenter(i, rec[0] * kMHzPerHz);
      r.SetSegmentSpan(i, rec[1] * kMHzPerHz);
    } else {
      r.SetSegmentStart(i, rec[0] * kMHzPerHz);
      r.SetSegmentStop(i, rec[1] * kMHzPerHz);
    }
  };
  for (int i = 0; i < n; ++i) {
    // The check above leaves room for every segment (each count at least its minimum, in
    // all at most the limit), so the insert always succeeds.
    if (i >= r.GetSegmentCount()) {
      if (!r.InsertSegment(i - 1)) Raise(215);
      // A first segment of one point had to keep two while it was alone; with a second one
      // beside it, it takes its count now, before the later records need the room.
      if (i == 1 && r.GetSegmentPoints(0) != counts[0]) r.SetSegmentPoints(0, counts[0]);
    }
    const double* rec = &v[7 + static_cast<size_t>(i) * width];
    const int32_t points = counts[static_cast<size_t>(i)];
    // A segment of one point holds its start and stop together: a count above one goes first
    // so that the start and stop both land; a count of one goes after them.
    if (points > 1) {
      r.SetSegmentPoints(i, points);
      stimulus(i, rec);
    } else {
      stimulus(i, rec);
      r.SetSegmentPoints(i, points);
    }
    size_t k = 3;
    // The setter takes the nearest of its widths; a width beyond 32 bits is simply the widest.
    if (r.SegmentListIFBW) {
      r.SetSegmentIFBW(i, static_cast<int32_t>(std::clamp(std::trunc(rec[k++]), -2147483648.0, 2147483647.0)));
    }
    if (r.SegmentListPower) r.SetSegmentPower(i, rec[k++]);
    if (r.SegmentListDelay) r.SetSegmentDelay(i, rec[k++] * 1000);
  }
  // A one-point first segment cannot have one point while it is the only one; it gets its
  // count once the others exist.
  for (int i = 0; i < n; ++i) {
    if (r.GetSegmentPoints(i) != counts[static_cast<size_t>(i)]) r.SetSegmentPoints(i, counts[static_cast<size_t>(i)]);
  }
}

void AddSenseStimulusRows(std::vector<NodeRow>& rows) {
  const char* f = kStimulusFamily;
  AddNode(rows, f, "ISCPI_SENSe", "ISCPI", "SENSe", IndexKind::Channel,
          {Getter("AVERage", "ISCPI_SENSe_AVERage"), Getter("BANDwidth", "ISCPI_SENSe_BANDwidth"),
           Getter("CORRection", "ISCPI_SENSe_CORRection"), Getter("FREQuency", "ISCPI_SENSe_FREQuency"),
           Getter("SEGMent", "ISCPI_SENSe_SEGMent"), Getter("SWEep", "ISCPI_SENSe_SWEep"),
           Getter("ROSCillator", "ISCPI_SENSe_ROSCillator")});
  using F = TSCPI_SENSe_FREQuencyImpl;
  AddNode(rows, f, "ISCPI_SENSe_FREQuency", "ISCPI_SENSe", "FREQuency", IndexKind::None,
          {Property("STARt", D, F::GetSTARt, F::PutSTARt), Property("STOP", D, F::GetSTOP, F::PutSTOP),
           Property("CENTer", D, F::GetCENTer, F::PutCENTer), Property("SPAN", D, F::GetSPAN, F::PutSPAN),
           Property("CW", D, F::GetCW, F::PutCW), Property("DATA", A, F::DATA)});
  using S = TSCPI_SENSe_SWEepImpl;
  AddNode(rows, f, "ISCPI_SENSe_SWEep", "ISCPI_SENSe", "SWEep", IndexKind::None,
          {Property("POINts", L, S::GetPOINts, S::PutPOINts), Property("TYPE", K, S::GetTYPE, S::PutTYPE),
           Getter("TIME", "ISCPI_SENSe_SWEep_TIME"), Getter("POINt", "ISCPI_SENSe_SWEep_POINt")});
  AddNode(rows, f, "ISCPI_SENSe_SWEep_TIME", "ISCPI_SENSe_SWEep", "TIME", IndexKind::None, {});
  AddNode(rows, f, "ISCPI_SENSe_SWEep_POINt", "ISCPI_SENSe_SWEep", "POINt", IndexKind::None,
          {Property("TIME", D, TSCPI_SENSe_SWEep_POINtImpl::GetTIME, TSCPI_SENSe_SWEep_POINtImpl::PutTIME)});
  AddNode(rows, f, "ISCPI_SENSe_BANDwidth", "ISCPI_SENSe", "BANDwidth", IndexKind::None,
          {Property("RESolution", D, TSCPI_SENSe_BANDwidthImpl::GetRESolution,
                    TSCPI_SENSe_BANDwidthImpl::PutRESolution)});
  using V = TSCPI_SENSe_AVERageImpl;
  AddNode(rows, f, "ISCPI_SENSe_AVERage", "ISCPI_SENSe", "AVERage", IndexKind::None,
          {Method("CLEar", V::CLEar), Property("COUNt", L, V::GetCOUNt, V::PutCOUNt),
           Property("STATe", B, V::GetSTATe, V::PutSTATe)});
  AddNode(rows, f, "ISCPI_SENSe_ROSCillator", "ISCPI_SENSe", "ROSCillator", IndexKind::None,
          {Property("SOURce", K, TSCPI_SENSe_ROSCillatorImpl::GetSOURce, TSCPI_SENSe_ROSCillatorImpl::PutSOURce)});
  AddNode(rows, f, "ISCPI_SENSe_SEGMent", "ISCPI_SENSe", "SEGMent", IndexKind::None,
          {Property("DATA", A, TSCPI_SENSe_SEGMentImpl::GetDATA, TSCPI_SENSe_SEGMentImpl::PutDATA)});
}

}  // namespace automation
