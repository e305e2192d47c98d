#pragma once
// Four channel states kept in memory for the length of the run (shown as slots A to D): the
// user stores the active channel window into a slot and later recalls a slot into a window.
// Nothing is written to disk. A slot holds exactly what a state file holds for one channel,
// written and read by the channel window itself under the section "Channel".
#include <functional>
#include <memory>

#include "model/MemIniFile.h"

class IChannelView;

class TChannelStore {
 public:
  static constexpr int SlotCount = 4;

  TChannelStore();
  ~TChannelStore();
  TChannelStore(const TChannelStore&) = delete;
  TChannelStore& operator=(const TChannelStore&) = delete;

  // Slot i (limited to 0 ... 3) receives the window's state with that save type: "SaveType"
  // in section "Channel", then the window's keys. A slot that held a state holds only the new
  // one afterwards; if the window's writer fails, the slot keeps what it held. Fires OnChange.
  void Store(int slot, IChannelView& view, int saveType);
  // Slot i (limited to 0 ... 3) into the window with the slot's save type, then a redraw of
  // the window. An empty slot does nothing. No event.
  void Recall(int slot, IChannelView& view);
  // Empties every slot; fires OnChange.
  void Clear();
  // True when slot i holds a state; false for any i outside 0 ... 3.
  bool IsSlotUsed(int slot) const;

  std::function<void(TChannelStore* sender)> OnChange;

 private:
  static int ClampSlot(int slot);
  std::unique_ptr<TMemIniFile> slots_[SlotCount];
};

// The program's one store, created at start-up; null before and after.
extern TChannelStore* ChannelStore;
