#pragma once
// The sweep engine. Its children are the channels (each TRange is made with the scanner as
// owner); it keeps one ready command list per channel that takes part in sweeping and the caches
// that keep synthesizer and timing records out of a list unless something changed.
//
// This unit holds the scan lists; the link, the sweep state and the reply decoding build on it.
// Everything here runs on the user-interface thread.
#include <cstdint>
#include <functional>

#include "instrument/CmdRequest.h"
#include "instrument/ScanList.h"
#include "model/FContainer.h"
#include "model/SynthRecords.h"

class TRange;
class TSynthesizerTV;
class TSynthesizerTV30;

class TScanner : public TFContainer {
 public:
  // Reports a change of the scanner; previous is the value before it (the previous state for a
  // state change, the previous switch for an output switch).
  using TChangeEvent = std::function<void(TFObject* sender, int previous)>;

  explicit TScanner(TFObject* owner = nullptr);
  ~TScanner() override;

  // Unlinks a child as every container does; an entry of a channel that leaves keeps its place
  // (entry indices stay valid) but loses its channel and its list.
  void Remove(TFObject* child) override;

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

 private:
  // What one point's records need of the model's synthesizer settings.
  struct TSynthState;

  void AddPointCommands(TScanItem& item, int i, bool isEnd);
  void AppendPoint(TScanItem& item, int i, bool isEnd, const TSynthState& synth, const TCmdRequest& point);
  static TSynthState StateOf(TSynthesizerTV& synth);
  static TSynthState StateOf(TSynthesizerTV30& synth);
  void PackSynthBytes(TCmdRequest& record, const TPointSynthSettings& plan, const TSynthState& synth);
  void FireChange(int previous);

  bool SignalOff = false;
  bool HeterodyneOff = false;
};
