#include "calibration/CalKits.h"

#include "calibration/CalKitsModule.h"
#include "model/EAbort.h"

TCalKits::TCalKits(TCalKitsModule* module) : TFContainer(module), Module(module) {}

void TCalKits::NotifyChange(TFObject* sender) const {
  if (Module) Module->NotifyChange(sender);
}

TCalKit* TCalKits::GetItem(int i) const {
  if (i < 0 || i >= GetCount()) throw EAbort("Illegal parameter value", 224);
  return static_cast<TCalKit*>(TFContainer::GetItem(i));
}

TCalKit* TCalKits::GetSelected() const {
  return Selected >= 0 && Selected < GetCount() ? static_cast<TCalKit*>(TFContainer::GetItem(Selected)) : nullptr;
}

void TCalKits::SelectKit(int i) {
  if (i < 0 || i >= GetCount()) return;
  Selected = i;
  const TCalKit* kit = GetItem(i);
  if (Module && kit->GetStandardCount() > 2) Module->SetReferenceImpedance(kit->GetStandard(2)->GetOffsetZ0());
  NotifyChange(this);
}

void TCalKits::AddTemporaryKit(const std::string& name) {
  if (HasTemporaryKit) return;
  auto* kit = new TCalKit(this, name);
  for (const char* standard : {"Short", "Open", "Load", "Thru", "Open2", "Load2"}) {
    new TCalStd(kit, standard, TCalStdValues{});
  }
  HasTemporaryKit = true;
  NotifyChange(this);
}

void TCalKits::RemoveTemporaryKit() {
  if (!HasTemporaryKit || GetCount() == 0) return;
  delete TFContainer::GetItem(GetCount() - 1);
  HasTemporaryKit = false;
  Selected = 0;
  NotifyChange(this);
}
