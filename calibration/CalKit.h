#pragma once
// One calibration kit: its standards in order 0 Short, 1 Open, 2 Load, 3 Thru (the temporary
// kit of the electronic calibration module adds 4 Open2 and 5 Load2), the models that give
// their ideal values at any frequency, and the kit file.
//
// Kit file: an ini document with the sections "CalKit" (key "Name") and "Short", "Open", "Load",
// "Thru" for standards 0 to 3 whatever their names, each with the keys "Name", "C0".."C3",
// "L0".."L3", "OffsetDelay", "OffsetZ0", "OffsetLoss", "UseDatabaseStd", "TouchstoneFile" in
// this order. Numbers are SI values in the shortest text that reads back the same ("5.0368E-11"
// of older files reads as well); the flag is "1" or "0".
#include <cstddef>
#include <string>
#include <vector>

#include "calibration/CalStd.h"
#include "model/Complex.h"
#include "model/FContainer.h"

class TCalKits;
class TCustomIniFile;
class TMemIniFile;

class TCalKit : public TFContainer {
 public:
  // Kit files larger than this are damage: nothing of them is read.
  static constexpr size_t MaxFileBytes = 1 << 20;
  // Texts (names, file names) longer than this in a kit file are damage too: the key is not
  // taken.
  static constexpr size_t MaxTextBytes = 4096;

  // An empty kit of kits (which may be null for a kit on its own), named name; the name is its
  // default name as well.
  TCalKit(TCalKits* kits, const std::string& name);

  TCalKits* GetKits() const { return Kits; }

  // The name, read and (by the automation layer) written directly.
  std::string Name;
  const std::string& GetDefaultName() const { return DefaultName; }
  // Stores the name and fires the change event.
  void SetName(const std::string& name);

  int GetStandardCount() const { return GetCount(); }
  // Standard i; an index outside the kit raises EAbort 224 "Illegal parameter value".
  TCalStd* GetStandard(int i) const;
  // The automation name of standard i: "SHORt", "OPEN", "LOAD", "THRU", else "NONE".
  static std::string GetStandardScpiName(int i);

  // Name and standards 0 to 3 as built in.
  bool IsUnchanged() const;
  // Name and standards 0 to 3 back to their built-in values; no event.
  void Restore();

  // The ideal values of standards 0 to 3 at f (Hz): the standard's ModuleData when it uses
  // them, else its TouchstoneData when it uses those (S11, the Thru S21; tables are taken as
  // they are, at f in MHz, and a table of fewer than two frequencies gives 0), else the model
  // at the kit module's reference impedance. A kit without that standard gives 0.
  TComplex GetShortGamma(double f) const;
  TComplex GetOpenGamma(double f) const;
  TComplex GetLoadGamma(double f) const;
  TComplex GetThruS21(double f) const;
  // The values of standard 0 Short, 1 Open, 2 Load or 3 Thru (S21) at n frequencies given in
  // MHz, into out: each exactly what the getter above gives at that frequency times 1e6, with
  // the standard's coefficients and source read once for the whole run. Any other standard
  // gives 0.
  void GetStandardValues(int standard, const double* frequenciesMHz, size_t n, TComplex* out) const;
  // GetStandardValues at every frequency of the grid, kept with the kit for the next call on the
  // same grid: each of the four standards keeps the values of the last grid it was asked for,
  // made again when the grid, the standard's coefficients, its source (model or table) or the
  // reference impedance differ from those the values were made with. A standard whose values
  // come from a table is read afresh every time. The reference stays valid until the next call
  // for the same standard or the kit's destruction. A standard other than 0 to 3 raises EAbort
  // 224 "Illegal parameter value".
  const std::vector<TComplex>& CachedStandardValues(int standard, const std::vector<double>& frequenciesMHz) const;

  // The reference impedance the models use: the kit module's, or the program's without one.
  double GetReferenceImpedance() const;

  // The five sections of the kit file.
  void WriteIni(TCustomIniFile& file) const;
  // Reads whatever keys are present and readable; everything else stays. No event.
  void ReadIni(const TCustomIniFile& file);

  // One kit to or from a file of the user's choice. A name without a folder is taken in the
  // data root's "CalKit" folder (a name written on Windows, with '\', by its last part), a name
  // without an extension gets ".dat". Save writes UTF-8
  // with a byte-order mark, atomically; a failure raises EAbort naming the file and leaves an
  // existing file as it was. Load does nothing when the file does not exist; otherwise it reads
  // the kit (ReadFile) and fires the change event; a file that cannot be read raises EAbort and
  // changes nothing.
  void SaveToFile(const std::string& path) const;
  void LoadFromFile(const std::string& path);

  // Reads a kit file at exactly this path, without an event; false when it does not exist.
  // UTF-16 and UTF-8 by their byte-order marks, else UTF-8 when valid, else Windows-1251; a file
  // cut short inside a character loses its last line rather than reading part of a value. A
  // file that cannot be read or is larger than MaxFileBytes raises EAbort and changes nothing.
  bool ReadFile(const std::string& path);
  // Writes the kit to exactly this path through an atomic write, as UTF-16LE (the module's own
  // kit files) or UTF-8, both with a byte-order mark; raises EAbort naming the file on failure.
  void WriteFile(const std::string& path, bool utf16) const;

  // Passes a change of the kit or one of its standards to the kit module's OnChange.
  void NotifyChange(TFObject* sender) const;

  // The path a user's kit file name stands for (see SaveToFile).
  static std::string ResolveUserPath(const std::string& path);

 private:
  // Standard i when the kit has it, else null.
  const TCalStd* Standard(int i) const;
  // The value of standard k (0 to 3) at f (Hz): what the four getters give.
  TComplex StandardValue(int k, double f) const;
  // The table value when the standard uses one; false when the model applies.
  static bool TableValue(const TCalStd& s, double f, bool thru, TComplex& value);

  TCalKits* const Kits;
  std::string DefaultName;

  // What the kept values of one standard were made from, and the values.
  struct TValueCache {
    bool Valid = false;
    const TCalStd* Standard = nullptr;
    TCalStdValues Values;
    double ReferenceImpedance = 0.0;
    std::vector<double> Frequencies;
    std::vector<TComplex> Out;
  };
  mutable TValueCache ValueCache[4];
};
