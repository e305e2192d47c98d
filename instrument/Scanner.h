#pragma once
// The sweep engine. Its children are the channels (each TRange is made with the scanner as
// owner); it keeps one ready command list per channel that takes part in sweeping and the caches
// that keep synthesizer and timing records out of a list unless something changed.
//
// It owns the USB link (created at the first Connect), runs sweeps entry by entry and turns
// every reply record into a measured point of the channel being swept. Everything here runs on
// the user-interface thread: replies reach it as a closure the reader thread posts.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "instrument/ScanList.h"
#include "model/Complex.h"
#include "model/FContainer.h"
#include "model/SynthRecords.h"

class TRange;
class TScannerThreads;
class TSynthesizerTV;
class TSynthesizerTV30;

class TScanner : public TFContainer {
 public:
  // Reports a change of the scanner; previous is the value before it (the previous state for a
  // state change, the previous switch for an output switch; the unchanged state for a standby,
  // overload or temperature change).
  using TChangeEvent = std::function<void(TFObject* sender, int previous)>;
  // Firmware is loading, and again when the device is found running.
  using TProgressEvent = std::function<void(TFObject* sender)>;
  // The connect sequence has finished; sweeping may start.
  using TConnectEvent = std::function<void(TFObject* sender)>;
  // The link was disconnected.
  using TDisconnectEvent = std::function<void(TFObject* sender)>;
  // The last scan entry finished (or each sweep of a frequency offset adjustment run).
  using TSweepDoneEvent = std::function<void(TFObject* sender)>;
  // A batch of replies was stored and the channel told to redraw (the scanner module passes it
  // on as its own new-data event).
  using TNewDataEvent = std::function<void(TFObject* sender)>;

  // Sweep states.
  enum : int { STOP = 0, WAIT = 1, MEAS = 2 };

  // Levels (dB) before anything was measured, and the level above which the receivers count as
  // overloaded.
  static constexpr double NoLevel = -100.0;
  static constexpr double OverloadLevel = 0.1;
  // What a receiver reading of zero (or a non-finite one) becomes before it is divided or
  // turned into a level.
  static constexpr TComplex Placeholder{1e-9, 1e-9};
  // The waits of the connect sequence, standby and the init record, ms.
  static constexpr int64_t SettleMs = 3000;
  static constexpr int64_t StandbyWaitMs = 500;
  static constexpr int64_t InitWaitMs = 500;
  // The sweep watch: while measuring, a scan item that gets no reply for the larger of
  // MinReplyTimeoutMs and ReplyTimeoutFactor x its expected time is restarted once; a second
  // silence before an item has come through whole ends the link (the status shows NoReplyText)
  // and discovery runs again. Waits for an external or bus trigger are not watched.
  static constexpr int64_t MinReplyTimeoutMs = 2000;
  static constexpr int ReplyTimeoutFactor = 3;
  // Translation key of the status text after a silence ended the link.
  static constexpr const char* NoReplyText = "No reply from the instrument";
  // How often a deferred identity read looks whether the run that holds it off has ended, ms.
  static constexpr int64_t IdentityRetryMs = 250;
  // Vendor requests of the engine.
  static constexpr uint8_t kReadMemoryRequest = 3;
  static constexpr uint8_t kWriteMemoryRequest = 5;
  static constexpr uint8_t kStandbyRequest = 18;

  explicit TScanner(TFObject* owner = nullptr);
  ~TScanner() override;

  // Unlinks a child as every container does; an entry of a channel that leaves keeps its place
  // (entry indices stay valid) but loses its channel and its list.
  void Remove(TFObject* child) override;

  // ---- Link and connect sequence --------------------------------------------------------------
  // Creates the link on first use and starts looking for the instrument.
  void Connect();
  // Destroys the link (firing OnDisconnect when it was connected) and clears the connected
  // flag; at shut-down. Called from inside one of the link's own handlers (an event handler of
  // the engine), the link only disconnects and is destroyed by the next call from outside.
  void Disconnect();
  // The link's connected handler: resynchronise, read the factory data and rebuild the scan
  // list, let the instrument settle (pumping), leave standby, send the init record, then take
  // replies and fire OnConnect. Stops wherever the link was lost meanwhile.
  void LinkConnected();
  // The link's disconnected handler: handlers removed, not connected, OnDisconnect.
  void LinkDisconnected();
  void LinkProgress();
  // The link, or null before the first Connect.
  TScannerThreads* GetLink() const { return Link.get(); }
  // True while the instrument's identity (factory data) is still to be read: it connected while
  // a calibration run, an EEPROM transfer or an offset adjustment held the instrument, and the
  // read follows once that has ended.
  bool IsIdentityReadDeferred() const { return IdentityReadDeferred; }
  // Why the link was lost, as a translation key, until the next reply arrives (NoReplyText
  // after a silence); empty otherwise.
  const std::string& GetLinkProblem() const { return LinkProblem; }

  // ---- Sweep state ------------------------------------------------------------------------------
  // Stores the state when it differs and fires OnChange with the previous one.
  void SetState(int state);
  int GetState() const { return State; }
  // "STOP", "WAIT", "MEAS"; empty for any other value.
  std::string GetStateText() const;
  // When connected and n is an entry of the scan list: n becomes the current entry, its list is
  // queued, state MEAS.
  void StartScanItem(int n);
  // When connected: the arm record and entry 0's list are queued, state WAIT; the instrument
  // holds the list until its trigger input fires. The armed list is remembered until its end
  // reply or a resynchronisation.
  void ArmExternalTrigger();
  // When connected: the clock-source record (external or internal reference).
  void SendClockSource(bool external);
  // Resynchronises the link when connected and measuring or holding an armed list (a bus
  // trigger's WAIT has nothing queued and is not resynchronised); then STOP.
  void StopSweep();
  // Resynchronises the link when connected, whatever the state; then STOP.
  void AbortSweep();
  // Every child channel's averaging count back to 0.
  void RestartAveraging();
  // Whether an armed list is held by the instrument.
  bool IsExternalArmed() const { return ExternalArmed; }

  // ---- Standby, temperature, memory ----------------------------------------------------------
  // False when not connected or the model row is not 3 or 4; in demonstration mode the stored
  // flag; else asks the instrument (vendor request 18, value 0).
  bool QueryStandby();
  // When connected on model row 3 or 4: entering standby stops the sweep first; the instrument
  // is told (demonstration mode: only the stored flag), the engine waits 500 ms (pumping) and
  // stores the answer, then fires OnChange. Called while one of the engine's waits is running,
  // it returns at once.
  void SetStandby(bool on);
  bool GetStandby() const { return Standby; }
  // The smoothed temperature (-100 until the first reading) while connected, else 0.
  double GetTemperature() const;
  // Vendor request 3 in / 5 out with value = address AND 0xFFFF and index = address >> 16.
  // Return the bytes transferred; 0 while not connected (nothing is done).
  int ReadDeviceMemory(uint32_t address, int length, uint8_t* buffer);
  int WriteDeviceMemory(uint32_t address, int length, const uint8_t* buffer);
  // Outside demonstration mode: the init record, then a 500 ms wait.
  void SendInit();
  // True while one of the engine's pumping waits is running.
  bool IsWaiting() const { return WaitDepth > 0; }

  // ---- Replies ---------------------------------------------------------------------------------
  // The link's data handler: takes every waiting reply, decodes them for the current entry and
  // runs the end-of-sweep sequencing (averaging repeats, next entry, OnSweepDone).
  void HandleReplies();
  // One reply: -1 end of the list, 1 point handled, 0 ignored. Without a current entry only the
  // temperature is taken.
  int DecodeReply(const TCmdReply& reply);
  // The channel of the current entry, or null when the entry does not exist or lost its channel.
  TRange* CurrentRange() const;
  int GetCurrentItem() const { return static_cast<int>(CurrentItem); }

  bool GetOverload() const { return Overload; }
  double GetSweepMaxA() const { return SweepMaxA; }
  double GetSweepMaxB() const { return SweepMaxB; }
  double GetLastMaxA() const { return LastMaxA; }
  double GetLastMaxB() const { return LastMaxB; }
  uint32_t GetLastPointCode() const { return LastPointCode; }

  // ---- Scan lists -------------------------------------------------------------------------------
  // When connected: empties every list and the scan list, then appends an entry for every child
  // channel, in child order, whose ChangeNotify is on and that holds at least one point, and
  // builds its list. While not connected the previous lists stay as they were.
  void RebuildScanList();
  // When connected: rebuilds the entry's list from its channel. A channel in power-meter mode
  // gets only the records of its current point (point 0 when that lies past the list) and no
  // end record; any other channel gets every point and the end record. The caches start afresh
  // for every list, so each list sets the instrument's synthesizer and timing state itself
  // whatever another list sent before it. A channel without points gets an empty list.
  void BuildScanItem(TScanItem& item);
  // Index of the first entry of the channel, or -1.
  int FindScanItem(const TRange* range) const;
  // The time the instrument needs for a command list, ms: every record costs 1000 / IF
  // bandwidth plus its delay ticks (5 us each), as the timing records before it set them.
  static double ExpectedListMs(const std::vector<TCmdRequest>& commands);
  // The silence after which the current scan item counts as lost, ms.
  int64_t GetReplyTimeoutMs() const { return ReplyTimeoutMs; }

  // Append the records of point i (isEnd false) or the end record built from point 0 (isEnd
  // true): a synthesizer record when a word or output switch changed (always at point 0 and at
  // the start of a list), a timing record when the delay or the IF bandwidth changed (likewise),
  // then the point record. TV for the 5.4 GHz model, TV30 for the 14 GHz model; nothing when the
  // model's synthesizer settings are not installed or i is not a point of the channel.
  void AddPointCommandsTV(TScanItem& item, int i, bool isEnd);
  void AddPointCommandsTV30(TScanItem& item, int i, bool isEnd);
  // Point-record bytes 2 to 21 from a point's plans and the current LF and PLL_CTRL words; TV30
  // adds the signal band at byte 22 (0x2D with low power below the doubler band).
  void PackSynthBytesTV(TCmdRequest& record, const TPointSynthSettings& plan);
  void PackSynthBytesTV30(TCmdRequest& record, const TPointSynthSettings& plan);

  // When connected: every child channel rebuilds its point list, then the scan list is rebuilt.
  void RebuildAll();

  // The output switches; a change fires OnChange with the previous value and reaches the
  // instrument in the next synthesizer record, once the lists are rebuilt.
  void SetSignalOff(bool off);
  void SetHeterodyneOff(bool off);
  bool GetSignalOff() const { return SignalOff; }
  bool GetHeterodyneOff() const { return HeterodyneOff; }

  // Puts the caches back to their initial values: every word 0, both outputs on, IF code and
  // ticks 0.
  void ResetCaches();

  // ---- Fields -------------------------------------------------------------------------------------
  // The link is connected and running.
  bool Connected = false;
  // Code of the last point or end reply decoded.
  uint32_t LastPointCode = 0;
  // The scanner module's power level: true for LOW (the 20 dB attenuator in). It travels in
  // every timing record and, on the 14 GHz model, in the band byte of the point records.
  bool LowPower = false;

  TScanList ScanList;

  // Last state sent in a synthesizer record and in a timing record.
  TCmdRequest::TSynthWords SignalWordCache{};
  TCmdRequest::TSynthWords HeterodyneWordCache{};
  bool SignalOnCache = true;
  bool HeterodyneOnCache = true;
  uint16_t IFCodeCache = 0;
  uint16_t TicksCache = 0;

  TChangeEvent OnChange;
  TProgressEvent OnProgress;
  TConnectEvent OnConnect;
  TDisconnectEvent OnDisconnect;
  TSweepDoneEvent OnSweepDone;
  TNewDataEvent OnNewData;

 private:
  // What one point's records need of the model's synthesizer settings.
  struct TSynthState;

  void AddPointCommands(TScanItem& item, int i, bool isEnd);
  void AppendPoint(TScanItem& item, int i, bool isEnd, const TSynthState& synth, const TCmdRequest& point);
  static TSynthState StateOf(TSynthesizerTV& synth);
  static TSynthState StateOf(TSynthesizerTV30& synth);
  void PackSynthBytes(TCmdRequest& record, const TPointSynthSettings& plan, const TSynthState& synth);
  void FireChange(int previous);
  void FireSweepDone();
  // A pumping wait of the engine; false when the link was lost meanwhile.
  bool PumpWait(int64_t ms);
  bool IsDemoMode() const;
  bool HasStandbyModel() const;
  // The identity read of the connect sequence: now, or deferred while the calibration module
  // holds the instrument. A read that fails is reported once and not repeated.
  void ReadIdentity();
  void RetryIdentityRead();
  void ScheduleIdentityRetry();
  // The sweep watch.
  void ArmReplyWatch();
  void ScheduleReplyWatch(int64_t dueMs);
  void WatchReplies(uint64_t generation);
  void ReplySilence();
  void NoteReply();

  std::unique_ptr<TScannerThreads> Link;
  double SweepMaxA = NoLevel;
  double SweepMaxB = NoLevel;
  double LastMaxA = NoLevel;
  double LastMaxB = NoLevel;
  bool Overload = false;
  std::deque<TCmdReply> Replies;
  double Temperature = TCmdReply::UnsetTemperature;
  uint32_t CurrentItem = 0;
  int State = STOP;
  bool Standby = true;
  bool ExternalArmed = false;
  int WaitDepth = 0;
  // Depth of calls into the engine from the link's own handlers.
  int LinkHandlerDepth = 0;
  struct TLinkHandlerScope {
    explicit TLinkHandlerScope(int& depth);
    ~TLinkHandlerScope();
    TLinkHandlerScope(const TLinkHandlerScope&) = delete;
    TLinkHandlerScope& operator=(const TLinkHandlerScope&) = delete;
    int& Depth;
  };

  bool SignalOff = false;
  bool HeterodyneOff = false;

  bool IdentityReadDeferred = false;
  bool IdentityRetryPosted = false;
  std::string IdentityReadError;  // the last failure reported, so it is reported once
  int64_t LastReplyMs = 0;
  int64_t ReplyTimeoutMs = MinReplyTimeoutMs;
  int64_t WatchDueMs = 0;
  bool WatchPending = false;
  uint64_t WatchGeneration = 0;
  int Silences = 0;
  std::string LinkProblem;
  // Closures posted for later hold it weakly: they do nothing once the scanner is gone.
  std::shared_ptr<int> Alive = std::make_shared<int>(0);
};
