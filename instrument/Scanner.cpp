#include "instrument/Scanner.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>
#include <utility>

#include "instrument/BeepHook.h"
#include "instrument/PumpingWaiter.h"
#include "instrument/ScannerThreads.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/ICalibrationFacade.h"
#include "model/IDeviceModel.h"
#include "model/Range.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"

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
  if (Link) {
    // Destruction reports nothing: the handlers go before the link stops its threads.
    Link->SetDataHandler({});
    Link->SetConnectedHandler({});
    Link->SetProgressHandler({});
    Link->SetDisconnectedHandler({});
    Link->SetErrorHandler({});
    Link.reset();
  }
  Connected = false;
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

void TScanner::FireSweepDone() {
  if (!OnSweepDone) return;
  const TSweepDoneEvent handler = OnSweepDone;
  handler(this);
}

bool TScanner::IsDemoMode() const {
  const IDeviceModel* device = Services().Device;
  return device && device->GetDemoMode();
}

bool TScanner::HasStandbyModel() const {
  const int row = ModelRow();
  return row == 3 || row == 4;
}

TScanner::TLinkHandlerScope::TLinkHandlerScope(int& depth) : Depth(depth) { ++Depth; }
TScanner::TLinkHandlerScope::~TLinkHandlerScope() { --Depth; }

bool TScanner::PumpWait(int64_t ms) {
  struct TDepth {
    int& depth;
    explicit TDepth(int& d) : depth(d) { ++depth; }
    ~TDepth() { --depth; }
  } depth(WaitDepth);
  TPumpingWaiter::get().Wait(ms, [this] { return !Connected; });
  return Connected;
}

// ---- Link and connect sequence ------------------------------------------------------------

void TScanner::Connect() {
  if (!Link) {
    Link = std::make_unique<TScannerThreads>();
    Link->SetErrorHandler({});
    Link->SetConnectedHandler([this] {
      TLinkHandlerScope scope(LinkHandlerDepth);
      LinkConnected();
    });
    Link->SetProgressHandler([this] {
      TLinkHandlerScope scope(LinkHandlerDepth);
      LinkProgress();
    });
    // Installed once for the link's lifetime (the link calls it only when it was connected).
    Link->SetDisconnectedHandler([this] {
      TLinkHandlerScope scope(LinkHandlerDepth);
      LinkDisconnected();
    });
  }
  TLinkHandlerScope scope(LinkHandlerDepth);  // discovery may run the handlers above
  Link->Connect();
}

void TScanner::Disconnect() {
  if (Link) {
    Link->Disconnect();  // fires OnDisconnect through LinkDisconnected when it was connected
    // Called from inside one of the link's own handlers the link only disconnects: destroying
    // it there would pull it away under its caller. It goes at the next Disconnect outside.
    if (LinkHandlerDepth == 0) Link.reset();
  }
  Connected = false;
}

void TScanner::LinkConnected() {
  if (!Link) return;
  Connected = true;
  ExternalArmed = false;
  Temperature = TCmdReply::UnsetTemperature;
  SweepMaxA = SweepMaxB = LastMaxA = LastMaxB = NoLevel;
  // A new connection starts with a clean watch: nothing of the old one may count against it.
  ++WatchGeneration;
  WatchPending = false;
  Silences = 0;
  Link->Sync();
  if (!Connected) return;
  if (HasStandbyModel()) {
    ReadIdentity();
    if (!Connected) return;
    RebuildScanList();
  }
  if (!PumpWait(SettleMs)) return;
  if (QueryStandby()) SetStandby(false);
  if (!Connected) return;
  SendInit();
  if (!Connected || !Link) return;
  Link->SetDataHandler([this] {
    TLinkHandlerScope scope(LinkHandlerDepth);
    HandleReplies();
  });
  if (OnConnect) {
    const TConnectEvent handler = OnConnect;
    handler(this);
  }
}

void TScanner::ReadIdentity() {
  IdentityReadDeferred = false;
  ICalibrationFacade* calibrator = Services().CalibratorModule;
  if (!calibrator) return;
  if (calibrator->IsInstrumentHeld()) {
    // The run or transfer in progress owns the instrument; reading now would be refused and
    // would leave the connect sequence half done. The read follows once it has ended.
    IdentityReadDeferred = true;
    ScheduleIdentityRetry();
    return;
  }
  try {
    calibrator->ReadEeprom();
    IdentityReadError.clear();
  } catch (const std::exception& e) {
    // Reported once per kind of failure; the connection itself goes on.
    const std::string why = e.what();
    if (why != IdentityReadError) std::cerr << "tervan: the instrument's factory data cannot be read: " << why << std::endl;
    IdentityReadError = why;
  }
}

void TScanner::ScheduleIdentityRetry() {
  if (IdentityRetryPosted) return;
  IdentityRetryPosted = true;
  std::weak_ptr<int> alive = Alive;
  platform::UiDispatcher::get().postDelayed(
      [this, alive] {
        if (alive.expired()) return;
        IdentityRetryPosted = false;
        RetryIdentityRead();
      },
      IdentityRetryMs);
}

void TScanner::RetryIdentityRead() {
  if (!IdentityReadDeferred) return;
  if (!Connected || !Link) {
    IdentityReadDeferred = false;  // the next connection reads it
    return;
  }
  const ICalibrationFacade* calibrator = Services().CalibratorModule;
  if (calibrator && calibrator->IsInstrumentHeld()) {
    ScheduleIdentityRetry();
    return;
  }
  // Memory requests do not mix with a sweep in progress: stop it, read, and rebuild the lists
  // for what was read (the hardware revision sets register words), then carry on as before.
  const bool measuring = State == MEAS;
  const bool armed = ExternalArmed;
  const int waiting = State;
  StopSweep();
  ReadIdentity();
  if (!Connected || !Link || IdentityReadDeferred) return;
  RebuildScanList();
  if (armed) {
    ArmExternalTrigger();
  } else if (measuring) {
    StartScanItem(0);
  } else if (waiting == WAIT) {
    SetState(WAIT);
  }
}

void TScanner::LinkDisconnected() {
  if (Link) Link->SetDataHandler({});
  Connected = false;
  ExternalArmed = false;
  if (OnDisconnect) {
    const TDisconnectEvent handler = OnDisconnect;
    handler(this);
  }
}

void TScanner::LinkProgress() {
  if (OnProgress) {
    const TProgressEvent handler = OnProgress;
    handler(this);
  }
}

// ---- Sweep state ------------------------------------------------------------------------------

void TScanner::SetState(int state) {
  if (state == State) return;
  const int previous = State;
  State = state;
  FireChange(previous);
}

std::string TScanner::GetStateText() const {
  switch (State) {
    case STOP: return "STOP";
    case WAIT: return "WAIT";
    case MEAS: return "MEAS";
    default: return "";
  }
}

void TScanner::StartScanItem(int n) {
  if (!Connected || !Link) return;
  // After a rebuild to fewer entries a caller's index may be stale.
  if (n < 0 || static_cast<size_t>(n) >= ScanList.size()) return;
  CurrentItem = static_cast<uint32_t>(n);
  Link->QueueCommands(ScanList[static_cast<size_t>(n)].Commands);
  ArmReplyWatch();
  SetState(MEAS);
}

// ---- Sweep watch --------------------------------------------------------------------------------

double TScanner::ExpectedListMs(const std::vector<TCmdRequest>& commands) {
  double bandwidth = 0.0;
  int ticks = 0;
  double total = 0.0;
  for (const TCmdRequest& record : commands) {
    if (record.GetCode() == TCmdRequest::TimingCode) {
      ticks = record.GetTimingTicks();
      bandwidth = IFBandwidthFromCode(record.GetTimingIFCode());
    }
    total += (bandwidth >= 1.0 ? 1000.0 / bandwidth : 0.0) + ticks * 0.005;
  }
  return total;
}

void TScanner::ArmReplyWatch() {
  const double expected = CurrentItem < ScanList.size() ? ExpectedListMs(ScanList[CurrentItem].Commands) : 0.0;
  const double limit = std::ceil(ReplyTimeoutFactor * expected);
  ReplyTimeoutMs = std::max<int64_t>(MinReplyTimeoutMs, limit < 9e15 ? static_cast<int64_t>(limit) : INT64_C(9000000000000000));
  LastReplyMs = platform::Clock::get().steadyMs();
  ScheduleReplyWatch(LastReplyMs + ReplyTimeoutMs);
}

void TScanner::ScheduleReplyWatch(int64_t dueMs) {
  // One check pending at a time: a later one looks again when it runs; only an earlier
  // deadline needs a check of its own.
  if (WatchPending && WatchDueMs <= dueMs) return;
  WatchPending = true;
  WatchDueMs = dueMs;
  const uint64_t generation = ++WatchGeneration;
  std::weak_ptr<int> alive = Alive;
  platform::UiDispatcher::get().postDelayed(
      [this, alive, generation] {
        if (alive.expired()) return;
        WatchReplies(generation);
      },
      dueMs - platform::Clock::get().steadyMs());
}

void TScanner::WatchReplies(uint64_t generation) {
  if (generation != WatchGeneration) return;  // a newer check has taken over
  WatchPending = false;
  if (!Connected || !Link || State != MEAS) return;  // a trigger wait or no sweep: not watched
  const int64_t now = platform::Clock::get().steadyMs();
  if (now - LastReplyMs < ReplyTimeoutMs) {
    ScheduleReplyWatch(LastReplyMs + ReplyTimeoutMs);
    return;
  }
  ReplySilence();
}

void TScanner::ReplySilence() {
  if (Silences == 0) {
    // Once: the list (or its end record) may have been lost on the way; resynchronise and
    // send the scan item again.
    Silences = 1;
    const int item = static_cast<int>(CurrentItem);
    ExternalArmed = false;
    Link->Sync();
    if (!Connected || !Link) return;
    StartScanItem(item);
    return;
  }
  // Twice: the instrument has stopped answering while the bus stays up. End the link so that
  // discovery starts it afresh, as after unplugging.
  Silences = 0;
  LinkProblem = NoReplyText;
  Link->LinkError(NoReplyText);
  platform::UsbBackend::get().postDeviceChange();
}

void TScanner::NoteReply() {
  LastReplyMs = platform::Clock::get().steadyMs();
  if (!LinkProblem.empty()) {
    LinkProblem.clear();
    FireChange(State);
  }
}

void TScanner::ArmExternalTrigger() {
  if (!Connected || !Link) return;
  Link->QueueCommands({TCmdRequest::ArmTrigger()});
  CurrentItem = 0;
  if (!ScanList.empty()) Link->QueueCommands(ScanList.front().Commands);
  // The instrument now holds the list until its trigger fires; only a resynchronisation takes
  // it back.
  ExternalArmed = true;
  SetState(WAIT);
}

void TScanner::SendClockSource(bool external) {
  if (!Connected || !Link) return;
  Link->QueueCommands({TCmdRequest::ClockSource(external)});
}

void TScanner::StopSweep() {
  if (Connected && Link && (State == MEAS || ExternalArmed)) {
    ExternalArmed = false;
    Link->Sync();
  }
  SetState(STOP);
}

void TScanner::AbortSweep() {
  if (Connected && Link) {
    ExternalArmed = false;
    Link->Sync();
  }
  SetState(STOP);
}

void TScanner::RestartAveraging() {
  const std::vector<TFObject*> children = Items;
  for (TFObject* child : children) {
    if (auto* range = dynamic_cast<TRange*>(child)) range->SetAverageCount(0);
  }
}

// ---- Standby, temperature, memory ----------------------------------------------------------

bool TScanner::QueryStandby() {
  if (!Connected || !Link || !HasStandbyModel()) return false;
  if (IsDemoMode()) return Standby;
  uint8_t answer = 0;
  size_t count = 0;
  Link->VendorRead(kStandbyRequest, 0, count, 1, &answer, 0);
  if (count == 1) {
    if (answer == 1) Standby = true;
    if (answer == 0) Standby = false;
  }
  return Standby;
}

void TScanner::SetStandby(bool on) {
  // A standby key pressed while the engine waits (its waits run the event loop) must not start
  // a second exchange with the instrument inside the first.
  if (WaitDepth > 0) return;
  if (!Connected || !Link || !HasStandbyModel()) return;
  if (on) StopSweep();
  if (!Connected || !Link) return;
  if (IsDemoMode()) {
    if (!PumpWait(StandbyWaitMs)) return;
    Standby = on;
  } else {
    uint8_t answer = 0;
    size_t count = 0;
    Link->VendorRead(kStandbyRequest, on ? 1 : 2, count, 1, &answer, 0);
    if (!PumpWait(StandbyWaitMs)) return;
    if (count == 1) {
      if (answer == 1) Standby = true;
      if (answer == 0) Standby = false;
    }
  }
  FireChange(State);
}

double TScanner::GetTemperature() const { return Connected ? Temperature : 0.0; }

int TScanner::ReadDeviceMemory(uint32_t address, int length, uint8_t* buffer) {
  if (!Connected || !Link || length <= 0 || length > 0xFFFF || !buffer) return 0;
  size_t count = 0;
  if (!Link->VendorRead(kReadMemoryRequest, static_cast<uint16_t>(address & 0xFFFF), count,
                        static_cast<uint16_t>(length), buffer, static_cast<uint16_t>(address >> 16))) {
    return 0;
  }
  return static_cast<int>(std::min(count, static_cast<size_t>(length)));
}

int TScanner::WriteDeviceMemory(uint32_t address, int length, const uint8_t* buffer) {
  if (!Connected || !Link || length <= 0 || length > 0xFFFF || !buffer) return 0;
  const bool ok = Link->VendorWrite(kWriteMemoryRequest, static_cast<uint16_t>(address & 0xFFFF),
                                    static_cast<uint16_t>(length), buffer, static_cast<uint16_t>(address >> 16));
  return ok ? length : 0;
}

void TScanner::SendInit() {
  if (IsDemoMode() || !Connected || !Link) return;
  Link->QueueCommands({TCmdRequest::Init()});
  PumpWait(InitWaitMs);
}

// ---- Replies ---------------------------------------------------------------------------------

TRange* TScanner::CurrentRange() const {
  if (CurrentItem >= ScanList.size()) return nullptr;
  return ScanList[CurrentItem].Range;
}

void TScanner::HandleReplies() {
  if (!Connected || !Link) return;
  if (!Link->LockReplies()) return;
  for (const TCmdReply& reply : Link->GetReplyQueue()) Replies.push_back(reply);
  Link->ReleaseReplies();

  // Decoded from a batch of our own: handlers run inside the decoding may pump and come back
  // here.
  std::deque<TCmdReply> batch;
  batch.swap(Replies);
  int last = 0;
  bool end = false;
  bool answered = false;  // a point or end reply: the instrument is working on the list
  for (const TCmdReply& reply : batch) {
    if (!Connected) break;
    last = DecodeReply(reply);
    if (last < 0) end = true;
    if (last != 0) answered = true;
  }
  batch.clear();
  if (answered && Connected) NoteReply();
  if (end) Silences = 0;  // the item came through whole: a later silence is a first one again

  TRange* range = CurrentRange();
  if (!range) return;

  if (range->PowerMeterMode && State == MEAS && range->PowerMeterStepping && last > 0 &&
      static_cast<uint32_t>(range->PowerMeterPoint) == LastPointCode) {
    double reading = 0.0;
    range->DoPowerMeterStep(reading, end);
  }

  if (range->OnRedraw) {
    const TRange::TEvent redraw = range->OnRedraw;
    redraw(this);
  }
  if (OnNewData) {
    const TNewDataEvent newData = OnNewData;
    newData(this);
  }
  range = CurrentRange();  // a handler may have rebuilt the scan list
  if (!range) return;

  if (range->PowerMeterMode && State == MEAS) {
    if (!end && last > 0) {
      range->NotifySweepEvent();
    } else if (end) {
      range->PowerMeterPoint = 0;
      BuildScanItem(ScanList[CurrentItem]);
    }
  }

  if (!end) return;
  const ICalibrationFacade* calibrator = Services().CalibratorModule;
  if (calibrator && calibrator->IsOffsetAdjustRunning()) {
    FireSweepDone();
    return;
  }
  if (!range->EndSweep()) {
    if (CurrentRange()) StartScanItem(static_cast<int>(CurrentItem));
    return;
  }
  range = CurrentRange();
  if (!range) return;
  if (range->CheckOffsetAutoAdjust()) return;
  if (static_cast<size_t>(CurrentItem) + 1 < ScanList.size()) {
    StartScanItem(static_cast<int>(CurrentItem) + 1);
  } else {
    State = STOP;  // without OnChange: the end-of-sweep handler decides what comes next
    FireSweepDone();
  }
}

int TScanner::DecodeReply(const TCmdReply& reply) {
  const uint16_t code = reply.GetCode();
  if (code == TCmdReply::TemperatureCode) {
    Temperature = SmoothTemperature(Temperature, reply.GetTemperature());
    FireChange(State);
    return 0;
  }
  // Replies for no entry (an empty scan list, or one rebuilt to fewer entries) are dropped.
  TRange* range = CurrentRange();
  if (!range) return 0;
  const int count = range->GetCount();
  if (code != TCmdReply::EndCode && static_cast<int>(code) >= count) return 0;
  LastPointCode = code;

  if (code == TCmdReply::EndCode) {
    LastMaxA = SweepMaxA;
    LastMaxB = SweepMaxB;
    SweepMaxA = SweepMaxB = NoLevel;
    ExternalArmed = false;  // the armed list has run
    if (LastMaxA < OverloadLevel && LastMaxB < OverloadLevel && Overload) {
      Overload = false;
      FireChange(State);
    }
    // The emulator never asks for the beep; the check keeps a demonstration silent anyway.
    if (reply.IsBeepRequest() && !IsDemoMode()) TBeepHook::Sound(880, 100);
    return -1;
  }

  if (range->Changing) return 1;

  // A reading of zero, or a non-finite one from a faulty device, becomes the placeholder: it
  // must neither divide by zero nor enter levels and averages, where it would stay.
  constexpr double tolerance = 1e-12;
  auto guard = [](TComplex z) {
    if (!std::isfinite(z.Re) || !std::isfinite(z.Im) || Abs(z) <= tolerance) return Placeholder;
    if (std::fabs(z.Im) <= tolerance) z.Im = 1e-9;
    return z;
  };
  const TComplex a = guard(reply.GetMeasuredWave());
  const TComplex b = guard(reply.GetReferenceWave());

  const double levelA = 20.0 * std::log10(Abs(a));
  const double levelB = 20.0 * std::log10(Abs(b));
  SweepMaxA = std::max(SweepMaxA, levelA);
  SweepMaxB = std::max(SweepMaxB, levelB);
  if ((SweepMaxA > OverloadLevel || SweepMaxB > OverloadLevel) && !Overload) {
    Overload = true;
    FireChange(State);
  }

  const TComplex receivers[3] = {a, Placeholder, b};
  const IDeviceModel* device = Services().Device;
  int reference = device ? device->GetReferenceIndex() : 2;
  if (reference < 0 || reference > 2) reference = 2;
  TComplex x, y;
  const int i = static_cast<int>(code);
  if (!range->FOMState) {
    x = receivers[0] / receivers[reference];
    y = receivers[1] / receivers[reference];
    if (const ICalibrationFacade* calibrator = Services().CalibratorModule) {
      const int reflection = device ? device->GetReflectionIndex() : 0;
      const int transmission = device ? device->GetTransmissionIndex() : 1;
      calibrator->ApplySystemCorrectionAt(*range, i, range->GetPointFrequency(i), reflection, x, transmission, y);
    }
  } else {
    x = TComplex{Abs(receivers[0]), 0.0};
    y = TComplex{Abs(receivers[1]), 0.0};
  }
  range->StoreRawLevels(i, receivers[0], receivers[1], receivers[2]);
  range->StorePointData(i, x, y);
  range->ProcessPoint(i);
  return 1;
}
