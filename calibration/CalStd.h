#pragma once
// One standard of a calibration kit: the model coefficients of a Short, Open, Load or Thru
// (StandardModels.h), or a table of measured values that stands in for the model (a Touchstone
// file the user chose, or the data of the electronic calibration module).
//
// Every value has a current copy and a built-in (default) copy; only the current one changes
// after construction. Changes fire the kit module's OnChange with the standard as sender.
#include <string>

#include "model/FObject.h"
#include "model/FixtParam.h"

class TCalKit;
class TCustomIniFile;

// The model coefficients of a standard, in SI units.
struct TCalStdValues {
  double C[4] = {0.0, 0.0, 0.0, 0.0};  // capacitance polynomial of an Open: F, F/Hz, F/Hz^2, F/Hz^3
  double L[4] = {0.0, 0.0, 0.0, 0.0};  // inductance polynomial of a Short: H, H/Hz, H/Hz^2, H/Hz^3
  double OffsetDelay = 0.0;            // s, one way
  double OffsetZ0 = 50.0;              // ohm
  double OffsetLoss = 0.0;             // ohm/s at 1 GHz
};

class TCalStd : public TFObject {
 public:
  // A standard of kit (which may be null for a standard on its own); current and default
  // copies equal, both flags off, no Touchstone file, two empty tables.
  TCalStd(TCalKit* kit, const std::string& name, const TCalStdValues& values);

  TCalKit* GetKit() const { return Kit; }

  // The name; written directly by the automation layer, without an event.
  std::string Name;
  const std::string& GetDefaultName() const { return DefaultName; }

  const TCalStdValues& GetValues() const { return Values; }
  const TCalStdValues& GetDefaults() const { return Defaults; }
  double GetC(int k) const { return k >= 0 && k < 4 ? Values.C[k] : 0.0; }
  double GetL(int k) const { return k >= 0 && k < 4 ? Values.L[k] : 0.0; }
  double GetOffsetDelay() const { return Values.OffsetDelay; }
  double GetOffsetZ0() const { return Values.OffsetZ0; }
  double GetOffsetLoss() const { return Values.OffsetLoss; }

  // C0..C3 (k 0..3), L0..L3 (k 0..3), and 0 OffsetDelay, 1 OffsetZ0, 2 OffsetLoss. The value is
  // stored as given (the models cope with any finite value) and the change event fires, also
  // when the value was already stored. Another index, or a value that is not finite, changes
  // nothing and fires nothing.
  void SetC(int k, double value);
  void SetL(int k, double value);
  void SetOffset(int k, double value);

  bool GetUseDatabaseStd() const { return UseDatabaseStd; }
  bool GetUseModuleData() const { return UseModuleData; }
  const std::string& GetTouchstoneFile() const { return TouchstoneFile; }

  // The flag becomes on only with Touchstone data at hand (a file name and at least one
  // frequency); fires the change event when the flag changes.
  void SetUseDatabaseStd(bool on);
  // The flag becomes on only when ModuleData holds at least one frequency; no event.
  void SetUseModuleData(bool on);
  // Nothing when path is the current file. Else stores path and reads it into TouchstoneData:
  // a ".s1p" file (any case) as a one-port into S21 for the standard named "Thru", else into
  // S11; any other file as a two-port. Fires the change event. The flag is left as it is; a file
  // that cannot be read leaves the table empty. A name that leads to a folder, a FIFO or a file
  // above 64 MB raises EAbort and changes nothing.
  void SetTouchstoneFile(const std::string& path);

  // Current values and name back to the defaults, UseDatabaseStd off, no Touchstone file
  // (TouchstoneData and UseModuleData stay); no event.
  void Restore();
  // Whether the standard is as built in: the name exactly, the values within a thousandth of
  // the kit editor's display unit (OffsetLoss relatively), no Touchstone file and the flag off.
  bool IsUnchanged() const;

  // The standard's keys in section of a kit file, in the file's order.
  void WriteIni(TCustomIniFile& file, const std::string& section) const;
  // Reads the keys that are present and readable; every other value stays. No event. A file
  // that sets "UseDatabaseStd" has its Touchstone file read again; when that gives no data the
  // flag goes off and the name stays.
  void ReadIni(const TCustomIniFile& file, const std::string& section);

  // The measured tables. ModuleData is filled only by the electronic calibration module.
  TFixtParam TouchstoneData;
  TFixtParam ModuleData;

 private:
  void Changed();
  void ReadTouchstoneData();

  TCalKit* const Kit;
  std::string DefaultName;
  TCalStdValues Values;
  TCalStdValues Defaults;
  bool UseDatabaseStd = false;
  bool UseModuleData = false;
  std::string TouchstoneFile;
};
