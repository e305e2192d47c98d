#pragma once
// The program's list of calibration kits, with the selected kit. The solvers use the selected
// kit, and selecting a kit sets the program's reference impedance from its Load. The electronic
// calibration module appends a temporary six-standard kit while it is plugged in.
#include <string>

#include "calibration/CalKit.h"
#include "model/FContainer.h"

class TCalKitsModule;

class TCalKits : public TFContainer {
 public:
  // An empty list of module (which may be null for a list on its own); kit 0 selected.
  explicit TCalKits(TCalKitsModule* module);

  TCalKitsModule* GetModule() const { return Module; }

  // Kit i; an index outside the list raises EAbort 224 "Illegal parameter value".
  TCalKit* GetItem(int i) const;
  int GetSelectedIndex() const { return Selected; }
  // The selected kit, or null while the list is empty.
  TCalKit* GetSelected() const;
  bool GetHasTemporaryKit() const { return HasTemporaryKit; }

  // Ignored unless 0 <= i < count. Selects kit i, sets the module's reference impedance to the
  // OffsetZ0 of its Load (standard 2), then fires the change event with the list as sender.
  void SelectKit(int i);
  // Only without a temporary kit: appends a kit of that name with the six standards "Short",
  // "Open", "Load", "Thru", "Open2", "Load2" (OffsetZ0 50, all else 0) and fires the change
  // event. The kit is not selected.
  void AddTemporaryKit(const std::string& name);
  // Only with a temporary kit: deletes the last kit, selects kit 0 without touching the
  // reference impedance, and fires the change event.
  void RemoveTemporaryKit();

  // Passes a change to the module's OnChange.
  void NotifyChange(TFObject* sender) const;

 private:
  TCalKitsModule* const Module;
  int Selected = 0;
  bool HasTemporaryKit = false;
};
