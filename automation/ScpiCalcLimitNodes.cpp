// The limit and ripple tests of a channel's active trace: their tables as arrays, the switches,
// the limit offsets and the reports point by point and segment by segment.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "automation/ScpiCalcNodes.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/RippleLine.h"

namespace automation {

namespace {

using namespace calc;

constexpr ValueType B = ValueType::Bool;
constexpr ValueType L = ValueType::Long;
constexpr ValueType D = ValueType::Double;
constexpr ValueType T = ValueType::Text;
constexpr ValueType A = ValueType::Array;
constexpr const char* kFamily = "CalculateLimit";
constexpr int kInvalidLimitData = 214;

TLimitLine& Limit(const TCall& c) {
  TLimitLine* l = Active(c).LimitLine;
  if (l == nullptr) Raise(200);
  return *l;
}

TRippleLine& Ripple(const TCall& c) {
  TRippleLine* l = Active(c).RippleLine;
  if (l == nullptr) Raise(200);
  return *l;
}

// A table array checked whole before anything changes: finite numbers only, a count 0..the
// files' limit, exactly width * N + 1 elements and every type code 0..maxCode once truncated.
// Returns N.
size_t CheckTable(const std::vector<double>& v, size_t width, int maxCode) {
  if (v.empty()) Raise(kInvalidLimitData);
  for (double x : v) {
    if (!std::isfinite(x)) Raise(kInvalidLimitData);
  }
  const double count = std::trunc(v[0]);
  if (count < 0 || count > TLimitLine::kMaxSegments) Raise(kInvalidLimitData);
  const size_t n = static_cast<size_t>(count);
  if (v.size() != width * n + 1) Raise(kInvalidLimitData);
  for (size_t i = 0; i < n; ++i) {
    const double code = std::trunc(v[width * i + 1]);
    if (code < 0 || code > maxCode) Raise(kInvalidLimitData);
  }
  return n;
}

// Array code 1 is an upper limit, 2 a lower one.
int TypeFromCode(int code) {
  return code == 1 ? TLimitLine::kLimitUpper : code == 2 ? TLimitLine::kLimitLower : TLimitLine::kLimitOff;
}
int CodeFromType(int type) { return type == TLimitLine::kLimitUpper ? 1 : type == TLimitLine::kLimitLower ? 2 : 0; }

}  // namespace

// ---- ISCPI_CALCulate_SELected_LIMit ------------------------------------------------------------------
struct TSCPI_CALCulate_SELected_LIMitImpl {
  static Variant FAIL(const TCall& c) { return !Limit(c).IsPassed(); }
  static Variant GetSTATe(const TCall& c) { return Active(c).LimitTest; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetLimitTest(c.Args[0].asBool());
    return Variant();
  }
  // [N, then code, begin, end, begin value, end value per segment], without the offsets.
  static Variant GetDATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    const std::vector<TLimitSegment>& segs = Limit(c).GetSegments();
    std::vector<double> out;
    out.reserve(segs.size() * 5 + 1);
    out.push_back(static_cast<double>(segs.size()));
    for (const TLimitSegment& s : segs) {
      out.push_back(CodeFromType(s.LimitType));
      out.push_back(t.StimulusToHz(s.BegArgument));
      out.push_back(t.StimulusToHz(s.EndArgument));
      out.push_back(t.ResponseToSI(s.BegValue));
      out.push_back(t.ResponseToSI(s.EndValue));
    }
    return out;
  }
  // A bad table changes nothing: the old line and its offsets stay.
  static Variant PutDATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    TLimitLine& line = Limit(c);
    const std::vector<double> v = DoubleVectorFromVariant(c.Args[0]);
    const size_t n = CheckTable(v, 5, 2);
    std::vector<TLimitSegment> segs(n);
    for (size_t i = 0; i < n; ++i) {
      const double* e = &v[5 * i + 1];
      segs[i].LimitType = TypeFromCode(static_cast<int>(std::trunc(e[0])));
      segs[i].BegArgument = t.StimulusFromHz(e[1]);
      segs[i].EndArgument = t.StimulusFromHz(e[2]);
      segs[i].BegValue = t.ResponseFromSI(e[3]);
      segs[i].EndValue = t.ResponseFromSI(e[4]);
    }
    line.ReplaceSegments(segs);
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_LIMit_DISPlayImpl {
  static Variant GetSTATe(const TCall& c) { return Active(c).ShowLimit; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetShowLimit(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_LIMit_REPortImpl {
  // Four values per point: stimulus, verdict (-1 no limit, 1 pass, 0 fail), upper and lower
  // limit. A segment covers exactly the points its test checks (begin <= x <= end, absolute);
  // a point fails when any covering segment fails it, so the verdicts agree with FAIL and DATA.
  // Where segments overlap, the later one's limit fills its column.
  static Variant ALL(const TCall& c) {
    const TMeasurement& t = Active(c);
    const TLimitLine& line = Limit(c);
    const int n = std::max(t.GetPointCount(), 0);
    std::vector<double> x(static_cast<size_t>(n));
    bool rising = true;
    for (int p = 0; p < n; ++p) {
      x[size_t(p)] = t.GetPointStimulus(p);
      if (p > 0 && !(x[size_t(p - 1)] <= x[size_t(p)])) rising = false;
    }
    std::vector<double> out(static_cast<size_t>(n) * 4, 0.0);
    for (int p = 0; p < n; ++p) {
      out[4 * size_t(p)] = t.StimulusToHz(x[size_t(p)]);
      out[4 * size_t(p) + 1] = -1;
    }
    const std::vector<TLimitSegment>& segs = line.GetSegments();
    for (int i = 0; i < static_cast<int>(segs.size()); ++i) {
      const int type = segs[size_t(i)].LimitType;
      if (type != TLimitLine::kLimitLower && type != TLimitLine::kLimitUpper) continue;
      const double beg = line.GetAbsBegArgument(i);
      const double end = line.GetAbsEndArgument(i);
      int p = rising ? static_cast<int>(std::lower_bound(x.begin(), x.end(), beg) - x.begin()) : 0;
      for (; p < n; ++p) {
        const double s = x[size_t(p)];
        if (rising && s > end) break;
        if (s < beg || s > end) continue;
        const double limit = line.LimitAt(i, s);
        const double v = t.GetDisplayValue(p);
        const bool fails = !std::isfinite(v) || (type == TLimitLine::kLimitUpper ? v > limit : v < limit);
        double* e = &out[4 * size_t(p)];
        (type == TLimitLine::kLimitUpper ? e[2] : e[3]) = t.ResponseToSI(limit);
        if (fails) {
          e[1] = 0;
        } else if (e[1] != 0) {
          e[1] = 1;
        }
      }
    }
    return out;
  }
  // The stimuli of the failing points, run by run as the test stored them.
  static Variant DATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    std::vector<double> out;
    for (const TLimitFailRun& r : Limit(c).GetFailRuns()) {
      for (int p = r.First; p <= r.Last; ++p) out.push_back(t.StimulusToHz(t.GetPointStimulus(p)));
    }
    return out;
  }
  static Variant POINts(const TCall& c) {
    int64_t count = 0;
    for (const TLimitFailRun& r : Limit(c).GetFailRuns()) count += r.Last - r.First + 1;
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
  }
};

struct TSCPI_CALCulate_SELected_LIMit_OFFSetImpl {
  static Variant GetAMPLitude(const TCall& c) { return Active(c).ResponseToSI(Limit(c).GetRelativeValue()); }
  static Variant PutAMPLitude(const TCall& c) {
    Limit(c).SetRelativeValue(Active(c).ResponseFromSI(c.Args[0].asDouble()));
    return Variant();
  }
  // Kept for the clients that call it; the offset is set through STIMulus and AMPLitude.
  static Variant MARKer(const TCall&) { return Variant(); }
  static Variant GetSTIMulus(const TCall& c) { return Active(c).StimulusToHz(Limit(c).GetRelativeArgument()); }
  static Variant PutSTIMulus(const TCall& c) {
    Limit(c).SetRelativeArgument(Active(c).StimulusFromHz(c.Args[0].asDouble()));
    return Variant();
  }
};

// ---- ISCPI_CALCulate_SELected_RLIMit ------------------------------------------------------------------
struct TSCPI_CALCulate_SELected_RLIMitImpl {
  // [N, then on flag, begin, end, ripple limit per segment].
  static Variant GetDATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    const std::vector<TRippleSegment>& segs = Ripple(c).GetSegments();
    std::vector<double> out;
    out.reserve(segs.size() * 4 + 1);
    out.push_back(static_cast<double>(segs.size()));
    for (const TRippleSegment& s : segs) {
      out.push_back(s.RippleType == 1 ? 1 : 0);
      out.push_back(t.StimulusToHz(s.BegArgument));
      out.push_back(t.StimulusToHz(s.EndArgument));
      out.push_back(t.ResponseToSI(s.RippleLimit));
    }
    return out;
  }
  static Variant PutDATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    TRippleLine& line = Ripple(c);
    const std::vector<double> v = DoubleVectorFromVariant(c.Args[0]);
    const size_t n = CheckTable(v, 4, 1);
    std::vector<TRippleSegment> segs(n);
    for (size_t i = 0; i < n; ++i) {
      const double* e = &v[4 * i + 1];
      segs[i].RippleType = static_cast<int>(std::trunc(e[0]));
      segs[i].BegArgument = t.StimulusFromHz(e[1]);
      segs[i].EndArgument = t.StimulusFromHz(e[2]);
      segs[i].RippleLimit = t.ResponseFromSI(e[3]);
    }
    line.ReplaceSegments(segs);
    return Variant();
  }
  static Variant FAIL(const TCall& c) { return !Ripple(c).IsPassed(); }
  static Variant GetSTATe(const TCall& c) { return Active(c).RippleTest; }
  static Variant PutSTATe(const TCall& c) {
    Active(c).SetRippleTest(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_SELected_RLIMit_DISPlayImpl {
  static Variant GetLINE(const TCall& c) { return Active(c).ShowRippleLimit; }
  static Variant PutLINE(const TCall& c) {
    Active(c).SetShowRippleLimit(c.Args[0].asBool());
    return Variant();
  }
  // Kept for the clients that call them; they select and show nothing.
  static Variant GetSELect(const TCall&) { return Variant(); }
  static Variant PutSELect(const TCall&) { return Variant(); }
  static Variant GetValue(const TCall&) { return std::string(); }
  static Variant PutValue(const TCall&) { return Variant(); }
};

struct TSCPI_CALCulate_SELected_RLIMit_REPortImpl {
  // [K, then number, measured ripple, over-limit flag per tested segment].
  static Variant DATA(const TCall& c) {
    const TMeasurement& t = Active(c);
    const std::vector<TRippleSegment>& segs = Ripple(c).GetSegments();
    std::vector<double> out{0.0};
    for (size_t i = 0; i < segs.size(); ++i) {
      const TRippleSegment& s = segs[i];
      if (s.RippleType != 1) continue;
      const double ripple = s.Max - s.Min;
      out.push_back(static_cast<double>(i + 1));
      out.push_back(t.ResponseToSI(ripple));
      out.push_back(s.RippleLimit < ripple ? 1 : 0);
      out[0] += 1;
    }
    return out;
  }
};

void AddCalcLimitRows(std::vector<NodeRow>& rows) {
  auto add = [&](const char* interface, const char* parent, const char* getter, std::vector<MemberRow> members) {
    rows::AddNode(rows, kFamily, interface, parent, getter, IndexKind::None, std::move(members));
  };
  using LI = TSCPI_CALCulate_SELected_LIMitImpl;
  // DATA comes last but holds the first id.
  MemberRow data = Property("DATA", A, LI::GetDATA, LI::PutDATA);
  data.Id = 201;
  add("ISCPI_CALCulate_SELected_LIMit", "ISCPI_CALCulate_SELected", "LIMit",
      {Property("FAIL", B, LI::FAIL), Property("STATe", B, LI::GetSTATe, LI::PutSTATe),
       Getter("DISPlay", "ISCPI_CALCulate_SELected_LIMit_DISPlay"),
       Getter("REPort", "ISCPI_CALCulate_SELected_LIMit_REPort"),
       Getter("OFFSet", "ISCPI_CALCulate_SELected_LIMit_OFFSet"), data});
  using LD = TSCPI_CALCulate_SELected_LIMit_DISPlayImpl;
  add("ISCPI_CALCulate_SELected_LIMit_DISPlay", "ISCPI_CALCulate_SELected_LIMit", "DISPlay",
      {Property("STATe", B, LD::GetSTATe, LD::PutSTATe)});
  using LR = TSCPI_CALCulate_SELected_LIMit_REPortImpl;
  add("ISCPI_CALCulate_SELected_LIMit_REPort", "ISCPI_CALCulate_SELected_LIMit", "REPort",
      {Property("ALL", A, LR::ALL), Property("DATA", A, LR::DATA), Property("POINts", L, LR::POINts)});
  using LO = TSCPI_CALCulate_SELected_LIMit_OFFSetImpl;
  add("ISCPI_CALCulate_SELected_LIMit_OFFSet", "ISCPI_CALCulate_SELected_LIMit", "OFFSet",
      {Property("AMPLitude", D, LO::GetAMPLitude, LO::PutAMPLitude), Method("MARKer", LO::MARKer),
       Property("STIMulus", D, LO::GetSTIMulus, LO::PutSTIMulus)});
  using RL = TSCPI_CALCulate_SELected_RLIMitImpl;
  add("ISCPI_CALCulate_SELected_RLIMit", "ISCPI_CALCulate_SELected", "RLIMit",
      {Property("DATA", A, RL::GetDATA, RL::PutDATA), Getter("DISPlay", "ISCPI_CALCulate_SELected_RLIMit_DISPlay"),
       Property("FAIL", B, RL::FAIL), Getter("REPort", "ISCPI_CALCulate_SELected_RLIMit_REPort"),
       Property("STATe", B, RL::GetSTATe, RL::PutSTATe)});
  using RD = TSCPI_CALCulate_SELected_RLIMit_DISPlayImpl;
  add("ISCPI_CALCulate_SELected_RLIMit_DISPlay", "ISCPI_CALCulate_SELected_RLIMit", "DISPlay",
      {Property("LINE", B, RD::GetLINE, RD::PutLINE), Property("SELect", L, RD::GetSELect, RD::PutSELect),
       Property("Value", T, RD::GetValue, RD::PutValue)});
  using RR = TSCPI_CALCulate_SELected_RLIMit_REPortImpl;
  add("ISCPI_CALCulate_SELected_RLIMit_REPort", "ISCPI_CALCulate_SELected_RLIMit", "REPort",
      {Property("DATA", A, RR::DATA)});
}

}  // namespace automation
