#pragma once
// The ordered table of cable types that the distance-to-fault settings pick from, and its file
// form, the cable list (".cbl"): a UTF-16 ini document with one section "CableList" holding
// "Version", "CableCount" and, for every entry n from 0, "CableName<n>", "Velocity<n>",
// "CableLoss<n>" and "Frequency<n>". Entry 0 holds the user's own values.
#include <string>
#include <vector>

#include "instrument/CableStd.h"

class TCustomIniFile;

class TCableStds {
 public:
  // The most entries a table holds; a file that claims more gives only these.
  static constexpr int MaxCount = 1000;
  static constexpr int FileVersion = 1;
  static constexpr const char* Section = "CableList";
  static constexpr const char* Folder = "Cable";
  static constexpr const char* Extension = ".cbl";
  // The name the file browser offers in the cable folder.
  static constexpr const char* DefaultName = "noname";

  TCableStds() = default;

  // The fourteen built-in entries; entry 0 carries userDefinedName (the translated "User
  // Defined"), velocity 1 and loss 0.
  static TCableStds BuiltIn(const std::string& userDefinedName);

  int Count() const { return static_cast<int>(Items.size()); }
  bool Empty() const { return Items.empty(); }
  // Entry i; no range check, callers keep 0 <= i < Count().
  const TCableStd& operator[](int i) const { return Items[static_cast<size_t>(i)]; }
  TCableStd& operator[](int i) { return Items[static_cast<size_t>(i)]; }
  std::vector<TCableStd>::const_iterator begin() const { return Items.begin(); }
  std::vector<TCableStd>::const_iterator end() const { return Items.end(); }

  // Appends an entry; false (and nothing added) when the table is full.
  bool Add(const TCableStd& cable);
  // Inserts before index (clamped to 0..Count()); false when the table is full.
  bool Insert(int index, const TCableStd& cable);
  // Removes entry index; an index outside the table changes nothing.
  void Delete(int index);
  void Clear() { Items.clear(); }

  bool operator==(const TCableStds&) const = default;

  // Writes the section "CableList" (replacing its keys) into the document: "Version" 1,
  // "CableCount" and every entry's four keys, numbers in the shortest text that reads back
  // exactly.
  void SaveToIni(TCustomIniFile& ini) const;
  // The table held by the document's "CableList" section. At most MaxCount entries are read, a
  // negative or unreadable count reads none; missing keys take their defaults ("" name,
  // velocity 1, loss 0, frequency 1000), as do numbers that are not finite; velocity and loss
  // are limited to the settings' ranges and names cut to fit. Raises EAbort naming the
  // document's file when the section is missing. The result may be empty.
  static TCableStds LoadFromIni(const TCustomIniFile& ini);

  // The path of a cable list: a name without a folder part goes into the "Cable" folder of the
  // data root (created when createFolder is set), a name without an extension gets ".cbl".
  static std::string CompleteFileName(const std::string& name, bool createFolder);

 private:
  std::vector<TCableStd> Items;
};
