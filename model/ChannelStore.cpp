#include "model/ChannelStore.h"

#include <algorithm>

#include "model/IChannelView.h"

namespace {
const std::string kSection = "Channel";
}  // namespace

TChannelStore* ChannelStore = nullptr;

TChannelStore::TChannelStore() = default;
TChannelStore::~TChannelStore() = default;

int TChannelStore::ClampSlot(int slot) { return std::max(0, std::min(slot, SlotCount - 1)); }

void TChannelStore::Store(int slot, IChannelView& view, int saveType) {
  // A memory-only document (no file name): never saved.
  auto document = std::make_unique<TMemIniFile>();
  document->WriteInteger(kSection, "SaveType", saveType);
  view.SaveToIni(*document, kSection, saveType);
  slots_[ClampSlot(slot)] = std::move(document);
  if (OnChange) OnChange(this);
}

void TChannelStore::Recall(int slot, IChannelView& view) {
  TMemIniFile* document = slots_[ClampSlot(slot)].get();
  if (!document) return;
  const int saveType = document->ReadInteger(kSection, "SaveType", 0);
  view.LoadFromIni(*document, kSection, saveType);
  view.RequestRedraw();
}

void TChannelStore::Clear() {
  for (auto& document : slots_) document.reset();
  if (OnChange) OnChange(this);
}

bool TChannelStore::IsSlotUsed(int slot) const { return slot >= 0 && slot < SlotCount && slots_[slot] != nullptr; }
