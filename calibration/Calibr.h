#pragma once
// One calibration of the instrument: the stimulus its standards were measured with, the raw data
// of every standard measured so far (per kind and port slot), the method in force on each of the
// two slots and the error-term table solved from them. Slot 0 is the reflection port, slot 1 the
// transmission port; a negative slot takes no part.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calibration/CalibrationForm.h"
#include "model/CalRange.h"
#include "model/Complex.h"
#include "model/FObject.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"

class TRange;

// First index of every per-standard array.
enum TCalStandardKind : int {
  ckThru = 0,
  ckShort = 1,
  ckOpen = 2,
  ckLoad = 3,
  ckOpen2 = 4,  // second open, electronic calibration module only
  ckLoad2 = 5,  // second load, electronic calibration module only
};

// Method codes; 1 passed to Calculate asks for the automatic choice.
enum TCalMethod : int {
  cmNone = 0,
  cmRT = 1,
  cmRO = 2,
  cmRS = 3,
  cmF1 = 4,
  cmOP = 5,
  cmROS = 6,
};

// One raw point of one measured standard, copied from the channel point when it was stored.
struct SxData {
  TComplex RawLevel0;
  TComplex RawLevel1;
  TComplex RefLevel;
  TComplex Data0;  // data value of port 0
  TComplex Data1;  // data value of port 1
};

class TCalibr : public TFObject {
 public:
  static constexpr int KindCount = 6;
  static constexpr int SlotCount = 2;

  TCalibr();
  ~TCalibr() override;

  // Drops the table, every stored standard, every flag and both methods; fires OnChange.
  // Stimulus, frequencies, date, kit label and requested methods stay.
  void Clear();
  // Clears every Selected flag and fires OnChange, changed or not.
  void ClearSelection();
  // False for a kind or slot out of range, negative ones included.
  bool IsStandardSelected(int kind, int slot) const;
  // Fires OnChange only when the value changes. Out-of-range indices are ignored.
  void SetStandardSelected(int kind, int slot, bool value);
  // Measured and at least one point stored; false out of range.
  bool HasStandard(int kind, int slot) const;
  // True when an automation request for this standard is pending; false out of range.
  bool IsStandardRequested(int kind, int slot) const;
  void SetStandardRequested(int kind, int slot, bool value);

  // Stores the channel's current points as standard `kind` on `slot`. A change of stimulus, or
  // of point count, since the last store discards every standard measured so far. No event.
  void StoreStandard(int kind, int slot, const TRange& channel);

  static std::string MethodName(int code);
  // Slots arrive from automation clients as plain numbers. A query on a slot outside 0 and 1
  // answers "none" (code cmNone, its empty name, no port match); the setter refuses such a slot
  // with EAbort 200 and changes nothing.
  static bool IsSlot(int slot) { return slot >= 0 && slot < SlotCount; }
  std::string GetMethodName(int slot) const { return MethodName(GetPortMethod(slot)); }
  int GetPortMethod(int slot) const { return IsSlot(slot) ? Method[slot] : cmNone; }
  void SetPortMethod(int code, int slot);
  int GetSelectedMethod(int slot) const { return IsSlot(slot) ? RequestedMethod[slot] : cmNone; }
  bool HasPortMatch(int slot) const { return IsSlot(slot) && PortMatch[slot]; }

  // Chooses the methods the stored standards allow (or the one asked for), discards standards
  // the choice does not use and solves the error terms at every frequency with the selected kit.
  // Everything is committed only when every term is finite; otherwise nothing changes, no event
  // fires and EAbort 200 "Execution error" names the first bad frequency.
  void Calculate(int r, int t, int method);

  // Calculate sets Method, PortMatch, Terms, CalDate, DataTime and KitLabel together.
  TCalRange* Terms = nullptr;  // owned; null while no method is in force
  double CalDate = 0.0;        // days since 1899-12-30, the time as fraction
  std::string DataTime;        // "YYYY-MM-DD hh:mm:ss", local time
  TRangeSettings Settings;
  TSegments Segments;
  std::vector<double> Frequencies;  // MHz, one per stored point
  std::vector<SxData> Standards[KindCount][SlotCount];
  bool ModuleStandards = false;  // electronic module: F1 and OP use the weighted five-standard fit
  std::string KitLabel;
  int Method[SlotCount] = {0, 0};
  int RequestedMethod[SlotCount] = {0, 0};
  int RequestedSlot = 0;
  bool PortMatch[SlotCount] = {false, false};
  bool Selected[KindCount][SlotCount] = {};
  bool Measured[KindCount][SlotCount] = {};
  bool Requested[KindCount][SlotCount] = {};

  std::function<void(TFObject* sender)> OnChange;

  // The date and its text for the local time of the clock in force.
  static double DateFromLocalTime(int year, int month, int day, int hour, int minute, int second, int millisecond);
  static std::string DateTimeText(int year, int month, int day, int hour, int minute, int second);

  // True when the stored standard has one point per calibration frequency.
  bool IsUsable(int kind, int slot) const;

  // ---- Binary form (TCalibrationForm) --------------------------------------------------------
  // Replaces stream by the form of this calibration. Outside the system grid (sweep type 3) the
  // stimulus extension goes with it, and Settings.SegmentCount becomes the table's size.
  void WriteToStream(std::vector<uint8_t>& stream);
  // Parses a form and applies it. Rejected: nothing changes, no event. Otherwise the error terms,
  // texts, methods, port-match flags and the header's five stimulus fields are replaced (CalDate
  // becomes now), the extension's stimulus record and segments only when the extension is wholly
  // good, and OnChange fires. Raw standards, selections and Frequencies stay.
  TCalibrationForm::TResult ReadFromStream(const std::vector<uint8_t>& stream);
  TCalibrationForm::TResult ReadFromStream(const uint8_t* data, size_t size);
  // The parse of ReadFromStream on its own, changing nothing: a form read once (to check it)
  // can then be applied with AdoptForm without reading the bytes again.
  static TCalibrationForm::TResult ParseStream(const uint8_t* data, size_t size, TCalibrationForm& form);
  // The apply step of ReadFromStream for a form ParseStream gave with that result; the form is
  // taken apart. A rejected result changes nothing.
  TCalibrationForm::TResult AdoptForm(TCalibrationForm& form, const TCalibrationForm::TResult& result);
  // Writes the form to the file (atomically) only when it is longer than a bare header and
  // checksum; a failed write raises EAbort naming the file, and the old file stays.
  void SaveToFile(const std::string& fileName);
  // Loads a file through ReadFromStream. A missing or unreadable file, or one larger than any
  // form, changes nothing and is rejected with a reason (the file is then not read).
  TCalibrationForm::TResult LoadFromFile(const std::string& fileName);

  // ---- Text form ---------------------------------------------------------------------------------
  // Writes the calibration into a new ini file (atomically): keys "CorName", "DataTime",
  // "KitLabel", "CalIFBW", "Power" in section, and with a table "CalPoints" and one line per
  // point in section + "\Data": f in Hz (12 significant digits), then Er, Ed, Es of port 0 (9).
  // A failed write raises EAbort naming the file, and the old file stays.
  void ExportToIni(const std::string& fileName, const std::string& section, const std::string& powerText);
  // Reads the first of the sections "Channel0\Correction\11" ... "Channel3\Correction\11".
  // The data end at the first line without exactly seven numbers, at a frequency that is not
  // finite, not above 0 or below the one before, or after 16001 points. A missing file, no
  // such section, a binary file or a data section without a good line: rejected, nothing
  // changes. A section without data imports a calibration without terms.
  TCalibrationForm::TResult ImportFromIni(const std::string& fileName);
  static constexpr int MaxImportPoints = 16001;

 private:
  void NotifyChange();
  void DiscardStandard(int kind, int slot);
};
