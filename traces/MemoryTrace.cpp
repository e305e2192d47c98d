#include "traces/MemoryTrace.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "model/CustomIniFile.h"
#include "model/FixtParam.h"
#include "model/LittleEndian.h"
#include "model/MemoRange.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/Format.h"
#include "traces/FormatMath.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/Smoother.h"
#include "traces/TimeDomainSteps.h"
#include "traces/TraceCodes.h"

namespace {

size_t Index(int i) { return static_cast<size_t>(i); }

}  // namespace

TMemoryTrace::TMemoryTrace(TMemoryList* list, TMeasurement* trace) : TFObject(list), Measurement(trace) {
  MeasMode = trace ? trace->MeasMode : 0;
  if (trace && trace->Range) MemoRange = new TMemoRange(this, *trace->Range, MeasMode);
  TakeStoredPoints(true);
  Update();
}

TMemoryTrace::TMemoryTrace(TMemoryList* list, TMeasurement* trace, TForLoading) : TFObject(list), Measurement(trace) {
  MeasMode = trace ? trace->MeasMode : 0;
  if (trace && trace->Range) MemoRange = new TMemoRange(this, *trace->Range, -1);
}

TMemoryTrace::~TMemoryTrace() { delete MemoRange; }

void TMemoryTrace::ResizeVectors() {
  const size_t n = MemoRange ? static_cast<size_t>(MemoRange->GetCount()) : 0;
  Data.assign(n, TComplex{});
  TimeData.assign(n, TComplex{});
  FormattedData.assign(n, TComplex{});
  SmoothedData.assign(n, TComplex{});
}

void TMemoryTrace::TakeStoredPoints(bool channelFrequencies) {
  const int n = MemoRange ? MemoRange->GetCount() : 0;
  raw_.resize(Index(n));
  frequencies_.resize(Index(n));
  const TRange* range = Measurement ? Measurement->Range : nullptr;
  bool useChannel = channelFrequencies && range && range->GetCount() == n;
  if (useChannel) {
    // The channel's frequencies only where they are the ones stored (in single precision).
    for (int i = 0; i < n && useChannel; ++i) {
      useChannel = static_cast<float>(range->GetPointFrequency(i)) == MemoRange->PointFrequency(i);
    }
  }
  for (int i = 0; i < n; ++i) {
    const TComplex v = MemoRange->GetPointValue(i);
    raw_[Index(i)] = MeasMode == tracecodes::Power ? TComplex{std::pow(10.0, v.Re / 10.0), 0.0} : v;
    frequencies_[Index(i)] = useChannel ? range->GetPointFrequency(i) : static_cast<double>(MemoRange->PointFrequency(i));
  }
  ResizeVectors();
}

bool TMemoryTrace::IsCompatible() const {
  if (!Measurement || MeasMode != Measurement->MeasMode) return false;
  if (Measurement->IsTransformActive() || Measurement->IsGatingActive()) {
    return MemoRange && MemoRange->SweepMode == 0 && !NearlyEqual(MemoRange->MaxFrequency - MemoRange->MinFrequency, 0.0);
  }
  return true;
}

void TMemoryTrace::Update() {
  if (!IsCompatible()) return;
  const TMeasurement& trace = *Measurement;
  const int n = static_cast<int>(raw_.size());
  if (Data.size() != raw_.size()) ResizeVectors();
  for (int a = 0; a < n; ++a) {
    Data[Index(a)] = ApplyTraceCorrections(trace, raw_[Index(a)], frequencies_[Index(a)], MeasMode, a);
  }
  ApplyMemoryTimeDomain(*this);
  TFormatStep step;
  step.Code = trace.TraceFormat;
  step.MeasMode = MeasMode;
  if (const TFormat* format = trace.GetFormat()) {
    step.MinValue = format->MinValue;
    step.MaxValue = format->MaxValue;
  }
  const auto frequency = [this](int k) { return frequencies_[Index(k)]; };
  for (int i = 0; i < n; ++i) {
    FormattedData[Index(i)] = FormatPointValue(step, TimeData.data(), n, i, FormattedData.data(), frequency);
    if (step.Code == fmtDtfReturnLoss) FormattedData[Index(i)].Re += DtfCableLossAt(trace.GetTimeDomain(), TimeData.size(), i);
  }
  if (!trace.Smoothing) {
    SmoothedData = FormattedData;
    return;
  }
  std::vector<double> mask(Index(n));
  for (int i = 0; i < n; ++i) mask[Index(i)] = TSmoother::MaskOf(FormattedData[Index(i)]);
  TSmoother smoother;
  smoother.Prepare(TSmoother::HalfWidth(n, trace.SmoAperture));
  smoother.SmoothAll(FormattedData.data(), mask.data(), n, SmoothedData.data());
}

double TMemoryTrace::GetDisplayValue(int i) const { return GetDisplayPoint(i).Re; }

TComplex TMemoryTrace::GetDisplayPoint(int i) const {
  if (i < 0 || Index(i) >= SmoothedData.size()) return {};
  return SmoothedData[Index(i)];
}

TComplex TMemoryTrace::GetDataPoint(int i) const {
  if (i < 0 || Index(i) >= TimeData.size()) return {};
  return TimeData[Index(i)];
}

TComplex TMemoryTrace::GetFormattedPoint(int i) const {
  TComplex z = GetDisplayPoint(i);
  if (Measurement && Measurement->TraceFormat == fmtGroupDelay) z = z / 1e9;
  return z;
}

double TMemoryTrace::GetPointStimulus(int i) const {
  const int n = static_cast<int>(frequencies_.size());
  if (!Measurement || i < 0 || i >= n) return 0.0;
  const int format = Measurement->TraceFormat;
  if (format == fmtGroupDelay) {
    return GroupDelayStimulus(n, i, [this](int k) { return frequencies_[Index(k)]; });
  }
  if (format < 0 || format >= kFormatCount) return 0.0;
  const bool timeAxisFormat = format <= 2 || (format >= 4 && format <= 7) || format == 18 || format == 19;
  if (timeAxisFormat && Measurement->IsTransformActive() && !TimeData.empty()) {
    const double start = Measurement->GetTimeAxisStart();
    const double stop = Measurement->GetTimeAxisStop();
    return TimeAxisStimulus(start, stop, TimeData.size(), i);
  }
  return RoundStimulus(frequencies_[Index(i)]);
}

bool TMemoryTrace::LoadFromFixtureFile(const std::string& path) {
  if (!MemoRange) return false;
  TFixtParam network;
  network.LoadByExtension(path);
  if (!network.HoldsData()) return false;
  for (int i = 0, n = MemoRange->GetCount(); i < n; ++i) {
    const double f = frequencies_[Index(i)];
    const TSParams s = network.InterpolateAt(f);
    MemoRange->SetPointFrequency(i, f);
    MemoRange->SetPointValue(i, MeasMode == tracecodes::S11 ? s.S11 : TComplex{1e-8, 0.0});
  }
  // The frequencies stay the ones of the snapshot (double precision).
  const std::vector<double> kept = frequencies_;
  TakeStoredPoints(false);
  frequencies_ = kept;
  Update();
  return true;
}

void TMemoryTrace::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "Tag", Tag);
  ini.WriteInteger(section, "MeasMode", MeasMode);
  if (MemoRange) MemoRange->SaveState(ini, section);
  std::vector<uint8_t> stream;
  if (MemoRange) MemoRange->SavePoints(stream);
  ini.WriteBinaryStream(section, "RawData", stream);
}

bool TMemoryTrace::LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool update) {
  if (!MemoRange) return false;
  Tag = ini.ReadInteger(section, "Tag", 0);
  MeasMode = ini.ReadInteger(section, "MeasMode", 0);
  MemoRange->LoadState(ini, section);
  // The hex text is megabytes: it is looked at in place, not copied.
  std::string scratch;
  std::string_view text;
  ini.ReadValueView(section, "RawData", scratch, text);
  std::vector<uint8_t> stream;
  bool usable = tracecodes::IsMeasModeCode(MeasMode);
  // The reader stops at the first pair that is not hex: text that is not hex throughout gives
  // no points at all.
  if (usable && text.size() % 2 == 0 && ini.ReadBinaryStream(section, "RawData", stream) != text.size() / 2) {
    stream.clear();
  }
  stream.resize(stream.size() - stream.size() % TMemoRange::RecordSize);
  if (stream.size() / TMemoRange::RecordSize > static_cast<size_t>(TMemoRange::MaxPoints)) usable = false;
  for (size_t r = 0; usable && r < stream.size(); r += TMemoRange::RecordSize) {
    const float f = le::GetF32(stream.data() + r);
    const float level = le::GetF32(stream.data() + r + 4);
    const float phase = le::GetF32(stream.data() + r + 8);
    // A level of minus infinity is a point without data; anything else must be a number.
    if (!std::isfinite(f) || !std::isfinite(phase) || std::isnan(level) || level == INFINITY) usable = false;
  }
  if (usable) usable = MemoRange->LoadPoints(stream);
  if (!usable) {
    MemoRange->LoadPoints(std::span<const uint8_t>());
    TakeStoredPoints(false);
    return false;
  }
  const TRange* range = Measurement ? Measurement->Range : nullptr;
  TakeStoredPoints(range && MemoryMatchesChannel(*range, *MemoRange));
  if (update) Update();
  return true;
}
