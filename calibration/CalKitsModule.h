#pragma once
// The calibration-kit module: owns the kit list, keeps the program's reference impedance and
// the user's changes to the built-in kits in one file per kit position, "CalKit01.dat" to
// "CalKit16.dat" in the data root's "CalKit" folder.
//
// Every change of a standard, a kit, the list or the module reaches the one OnChange closure,
// with the changed object as sender.
#include <functional>
#include <memory>
#include <string>

#include "calibration/CalKits.h"
#include "model/FObject.h"
#include "model/IReferenceImpedance.h"

class TCalKitsModule : public TFObject, public IReferenceImpedance {
 public:
  // Kits that have a file of their own: the built-in ones.
  static constexpr int BuiltInKitCount = 16;

  // Builds the 16 built-in kits, selects kit 0 (reference impedance 50 ohm), then reads the kit
  // files. kitFolder empty: the data root's "CalKit" folder (created when missing); tests give a
  // folder of their own. A kit file that cannot be read is logged and its kit stays as built.
  explicit TCalKitsModule(std::string kitFolder = std::string());
  // Writes the file of every changed built-in kit and deletes that of every unchanged one. A
  // failure is logged and keeps the old file; the other kits are still saved.
  ~TCalKitsModule() override;

  double GetReferenceImpedance() const override { return ReferenceImpedance; }
  // Nothing when z equals the current value (relative 1e-12, compared before the limit) or is
  // not finite. Else stores z limited to 5..250 and fires the change event.
  void SetReferenceImpedance(double z);

  TCalKits& GetKits() const { return *Kits; }
  // The selected kit's name, values and standard names back to the built-in ones (Touchstone
  // files off), then one change event with the module as sender.
  void ResetSelectedKit();

  // The file of the kit at position index (0-based): "<folder>/CalKit<index + 1, two digits>.dat".
  std::string KitFilePath(int index) const;
  // Reads the file of every built-in kit that has one; no event. A file that cannot be read
  // is logged and leaves its kit as it was.
  void LoadKitFiles();
  // Writes or deletes the file of every built-in kit (see the destructor); returns false when
  // one of them failed (each failure is logged).
  bool SaveKitFiles();

  // Fires OnChange when a handler is installed.
  void NotifyChange(TFObject* sender) const;

  // The change closure; the main window installs it.
  std::function<void(TFObject* sender)> OnChange;
  // Where failures of the module's own file work go (standard error by default).
  std::function<void(const std::string& message)> Log;

 private:
  void BuildDefaultKits();

  std::string Folder;
  double ReferenceImpedance = IReferenceImpedance::Default;
  std::unique_ptr<TCalKits> Kits;
};

// The program's kit module; program start creates it after the main window.
extern TCalKitsModule* CalKitsModule;
