#pragma once
// The instrument model this program drives: its USB identities before and after the firmware
// upload, its firmware resource names, the record sizes of the measurement protocol, which
// receiver is the reference, and the texts that identify it to the user, to files and to
// automation clients. One instance lives for the whole run.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "model/IDeviceModel.h"

class TDevice : public IDeviceModel {
 public:
  // The model row the program drives (the 14 GHz model).
  static constexpr int kProgramModelRow = 4;

  struct TModelRow {
    const char* Model;
    uint16_t LoaderVid, LoaderPid, LoaderRelease;
    uint16_t RunningVid, RunningPid, RunningRelease;
    const char* EZFirmware;   // resource name of the 8051 firmware; empty when none
    const char* DSPFirmware;  // resource name of the signal-processor firmware
  };
  static const std::array<TModelRow, 5> kModelTable;

  // Takes the demonstration flag from the run-mode switches, then loads the row. Tests may
  // choose another row (3: the 5.4 GHz model).
  explicit TDevice(int modelIndex = kProgramModelRow);

  // Copies the current row's firmware names and sets the record sizes and indices.
  void LoadModelRow();

  // The 16-bit identities of the current row (0 for a row outside the table).
  uint16_t GetLoaderVid() const;
  uint16_t GetLoaderPid() const;
  uint16_t GetLoaderRelease() const;
  uint16_t GetRunningVid() const;
  uint16_t GetRunningPid() const;
  uint16_t GetRunningRelease() const;

  const std::string& GetEZFirmwareName() const { return EZFirmwareName; }
  const std::string& GetDSPFirmwareName() const { return DSPFirmwareName; }
  int GetCmdRecordSize() const { return CmdRecordSize; }
  int GetReplyRecordSize() const { return ReplyRecordSize; }

  // IDeviceModel
  int GetModelIndex() const override { return ModelIndex; }
  bool GetDemoMode() const override { return DemoMode; }
  int GetReflectionIndex() const override { return ReflectionIndex; }
  int GetTransmissionIndex() const override { return TransmissionIndex; }
  int GetReferenceIndex() const override { return ReferenceIndex; }
  // Rows 3 and 4 have receivers 0 (measured wave) and 2 (reference wave) only.
  bool HasReceiver(int index) const override;
  std::string GetMakerName() const override;
  std::string GetModelName() const override;
  // In English when the language module shows English (or when there is none), else Russian.
  std::string GetLongDescription() const override;
  std::string GetDescription() const override;
  // "1." and the hardware revision minus 1.
  std::string GetFirmwareVersion() const override;
  // The program's version text without its last "." part.
  std::string GetSoftwareVersion() const override;
  // "Ostrak, <model name>, <serial>, <software version>/ <firmware version>".
  std::string GetIdentification() const override;

  // Where the program's own version text comes from ("2.0.1.7"); empty text when it cannot be
  // read. Set to the compiled version by the constructor.
  std::function<std::string()> VersionText;

 private:
  const TModelRow* Row() const;
  bool IsProgramModel() const { return ModelIndex == 3 || ModelIndex == 4; }
  bool IsEnglish() const;

  int ModelIndex;
  bool DemoMode = false;
  std::string EZFirmwareName;
  std::string DSPFirmwareName;
  int CmdRecordSize = 0;
  int ReplyRecordSize = 0;
  int ReferenceIndex = 0;
  int ReflectionIndex = 0;
  int TransmissionIndex = 0;
};
