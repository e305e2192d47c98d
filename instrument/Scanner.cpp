#include "instrument/Scanner.h"

#include <algorithm>

#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/IDeviceModel.h"
#include "model/Range.h"
#include "model/Services.h"

namespace {

// Indices in a ten-word register array of the seven words a synthesizer record carries.
constexpr int kRecordWords[TCmdRequest::SynthWordCount] = {
    TSynthesizerTV::wCAL_TIME, TSynthesizerTV::wVCO_CTRL, TSynthesizerTV::wCT_CAL1, TSynthesizerTV::wPLL_CAL1,
    TSynthesizerTV::wVCO_AUTO, TSynthesizerTV::wMIX_COUNT, TSynthesizerTV::wN_CTRL};

// The band byte of a low-power point below the doubler band.
constexpr uint8_t kLowPowerBand = 0x2D;

template <class Words>
TCmdRequest::TSynthWords RecordWords(const Words& words) {
  TCmdRequest::TSynthWords out{};
  for (size_t k = 0; k < TCmdRequest::SynthWordCount; ++k) {
    out[k] = static_cast<uint32_t>(words[static_cast<size_t>(kRecordWords[k])]);
  }
  return out;
}

int ModelRow() {
  const IDeviceModel* device = Services().Device;
  return device ? device->GetModelIndex() : 0;
}

TSynthesizerTV* SynthTV() { return dynamic_cast<TSynthesizerTV*>(Services().SynthesizerTV); }
TSynthesizerTV30* SynthTV30() { return dynamic_cast<TSynthesizerTV30*>(Services().SynthesizerTV30); }

}  // namespace

struct TScanner::TSynthState {
  TSynthesizerTV::TWords Signal{};
  TSynthesizerTV::TWords Heterodyne{};
  int32_t MeasureDelay = 0;   // us
  int32_t BackScanDelay = 0;  // us
  TSynthesizerTV30* Model14GHz = nullptr;  // the 14 GHz settings, for its band byte
};

TScanner::TScanner(TFObject* owner) : TFContainer(owner) {}

TScanner::~TScanner() {
  // The entries point at channels that the container is about to delete.
  ScanList.clear();
}

void TScanner::Remove(TFObject* child) {
  for (TScanItem& item : ScanList) {
    if (item.Range && static_cast<TFObject*>(item.Range) == child) {
      item.Range = nullptr;
      item.Commands.clear();
    }
  }
  TFContainer::Remove(child);
}

// ---- Scan lists -------------------------------------------------------------------------------

void TScanner::RebuildScanList() {
  if (!Connected) return;
  for (TScanItem& item : ScanList) item.Commands.clear();
  ScanList.clear();
  for (TFObject* child : Items) {
    auto* range = dynamic_cast<TRange*>(child);
    // A channel without points would get a list that reads a missing point 0 and never ends.
    if (!range || !range->ChangeNotify || range->GetCount() == 0) continue;
    ScanList.push_back(TScanItem{range, {}});
    BuildScanItem(ScanList.back());
  }
}

void TScanner::BuildScanItem(TScanItem& item) {
  if (!Connected) return;
  item.Commands.clear();
  ResetCaches();
  TRange* range = item.Range;
  if (!range) return;
  const int count = range->GetCount();
  if (count == 0) return;
  if (range->PowerMeterMode) {
    // After a rebuild to fewer points the mode's point may lie past the list; the channel window
    // puts it back to 0 right after, so measure point 0.
    const int point = range->PowerMeterPoint >= 0 && range->PowerMeterPoint < count ? range->PowerMeterPoint : 0;
    item.Commands.reserve(3);
    AddPointCommands(item, point, false);
    return;
  }
  item.Commands.reserve(static_cast<size_t>(count) + 5);
  for (int i = 0; i < count; ++i) AddPointCommands(item, i, false);
  AddPointCommands(item, 0, true);
}

int TScanner::FindScanItem(const TRange* range) const {
  for (size_t k = 0; k < ScanList.size(); ++k) {
    if (ScanList[k].Range == range) return static_cast<int>(k);
  }
  return -1;
}

void TScanner::AddPointCommands(TScanItem& item, int i, bool isEnd) {
  switch (ModelRow()) {
    case 3: AddPointCommandsTV(item, i, isEnd); break;
    case 4: AddPointCommandsTV30(item, i, isEnd); break;
    default: break;
  }
}

TScanner::TSynthState TScanner::StateOf(TSynthesizerTV& synth) {
  TSynthState s;
  synth.GetSignalWords(s.Signal);
  synth.GetHeterodyneWords(s.Heterodyne);
  s.MeasureDelay = synth.GetMeasureDelay();
  s.BackScanDelay = synth.GetBackScanDelay();
  return s;
}

TScanner::TSynthState TScanner::StateOf(TSynthesizerTV30& synth) {
  TSynthState s;
  synth.GetSignalWords(s.Signal);
  synth.GetHeterodyneWords(s.Heterodyne);
  s.MeasureDelay = synth.GetMeasureDelay();
  s.BackScanDelay = synth.GetBackScanDelay();
  s.Model14GHz = &synth;
  return s;
}

void TScanner::AddPointCommandsTV(TScanItem& item, int i, bool isEnd) {
  TSynthesizerTV* synth = SynthTV();
  if (!synth || !item.Range) return;
  const int index = isEnd ? 0 : i;
  if (index < 0 || index >= item.Range->GetCount()) return;
  const TSynthState state = StateOf(*synth);
  TCmdRequest point = TCmdRequest::Point(isEnd ? TCmdRequest::EndCode : static_cast<uint16_t>(index));
  PackSynthBytes(point, item.Range->GetPoint(index)->SynthSettings, state);
  AppendPoint(item, index, isEnd, state, point);
}

void TScanner::AddPointCommandsTV30(TScanItem& item, int i, bool isEnd) {
  TSynthesizerTV30* synth = SynthTV30();
  if (!synth || !item.Range) return;
  const int index = isEnd ? 0 : i;
  if (index < 0 || index >= item.Range->GetCount()) return;
  const TSynthState state = StateOf(*synth);
  TCmdRequest point = TCmdRequest::Point(isEnd ? TCmdRequest::EndCode : static_cast<uint16_t>(index));
  PackSynthBytes(point, item.Range->GetPoint(index)->SynthSettings, state);
  AppendPoint(item, index, isEnd, state, point);
}

void TScanner::AppendPoint(TScanItem& item, int i, bool isEnd, const TSynthState& synth, const TCmdRequest& point) {
  const uint16_t code = point.GetCode();
  // The first records of a list set the whole state: a list may follow any other list.
  const bool first = item.Commands.empty();

  // Synthesizer record.
  const TCmdRequest::TSynthWords signal = RecordWords(synth.Signal);
  const TCmdRequest::TSynthWords heterodyne = RecordWords(synth.Heterodyne);
  const bool signalOn = !SignalOff;
  const bool heterodyneOn = !HeterodyneOff;
  if (first || code == 0 || signal != SignalWordCache || heterodyne != HeterodyneWordCache ||
      signalOn != SignalOnCache || heterodyneOn != HeterodyneOnCache) {
    SignalWordCache = signal;
    HeterodyneWordCache = heterodyne;
    SignalOnCache = signalOn;
    HeterodyneOnCache = heterodyneOn;
    item.Commands.push_back(
        TCmdRequest::Synth(SignalWordCache, HeterodyneWordCache, SignalOnCache, HeterodyneOnCache));
  }

  // Timing record.
  const double pointDelay = item.Range->GetPointDelay(i);
  const uint16_t ticks = isEnd ? BackScanDelayTicks(synth.MeasureDelay, synth.BackScanDelay, pointDelay)
                               : DelayTicks(synth.MeasureDelay, pointDelay);
  const uint16_t ifCode = IFBandwidthCode(item.Range->GetPointIFBW(i));
  if (first || code == 0 || ifCode != IFCodeCache || ticks != TicksCache) {
    IFCodeCache = ifCode;
    TicksCache = ticks;
    item.Commands.push_back(TCmdRequest::Timing(TicksCache, IFCodeCache, LowPower));
  }

  item.Commands.push_back(point);
}

void TScanner::PackSynthBytesTV(TCmdRequest& record, const TPointSynthSettings& plan) {
  TSynthesizerTV* synth = SynthTV();
  if (!synth) return;
  PackSynthBytes(record, plan, StateOf(*synth));
}

void TScanner::PackSynthBytesTV30(TCmdRequest& record, const TPointSynthSettings& plan) {
  TSynthesizerTV30* synth = SynthTV30();
  if (!synth) return;
  PackSynthBytes(record, plan, StateOf(*synth));
}

void TScanner::PackSynthBytes(TCmdRequest& record, const TPointSynthSettings& plan, const TSynthState& synth) {
  record.SetSynthFields(TCmdRequest::Signal, static_cast<uint32_t>(synth.Signal[TSynthesizerTV::wLF]),
                        static_cast<uint32_t>(synth.Signal[TSynthesizerTV::wPLL_CTRL]), plan.Signal);
  record.SetSynthFields(TCmdRequest::Heterodyne, static_cast<uint32_t>(synth.Heterodyne[TSynthesizerTV::wLF]),
                        static_cast<uint32_t>(synth.Heterodyne[TSynthesizerTV::wPLL_CTRL]), plan.Heterodyne);
  if (const TSynthesizerTV30* model = synth.Model14GHz) {
    uint8_t band = static_cast<uint8_t>(plan.Signal.Band);
    if (LowPower && model->CalcFrequency(plan.Signal) < model->Freq2x) band = kLowPowerBand;
    record.SetBand(band);
  } else {
    record.SetBand(0);
  }
}

void TScanner::RebuildAll() {
  if (!Connected) return;
  // A copy: a rebuild must not see the child list change under it.
  const std::vector<TFObject*> children = Items;
  for (TFObject* child : children) {
    if (auto* range = dynamic_cast<TRange*>(child)) range->RebuildPoints();
  }
  RebuildScanList();
}

// ---- Output switches and caches --------------------------------------------------------------

void TScanner::SetSignalOff(bool off) {
  if (off == SignalOff) return;
  const bool previous = SignalOff;
  SignalOff = off;
  FireChange(previous ? 1 : 0);
}

void TScanner::SetHeterodyneOff(bool off) {
  if (off == HeterodyneOff) return;
  const bool previous = HeterodyneOff;
  HeterodyneOff = off;
  FireChange(previous ? 1 : 0);
}

void TScanner::ResetCaches() {
  SignalWordCache.fill(0);
  HeterodyneWordCache.fill(0);
  SignalOnCache = true;
  HeterodyneOnCache = true;
  IFCodeCache = 0;
  TicksCache = 0;
}

void TScanner::FireChange(int previous) {
  if (!OnChange) return;
  const TChangeEvent handler = OnChange;  // a handler may replace itself
  handler(this, previous);
}
