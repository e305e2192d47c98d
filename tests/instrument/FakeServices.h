#pragma once
// Small stand-ins for the services the instrument layer reads from the registry.
#include <cstdint>
#include <string>

#include "model/ICalibrationFacade.h"
#include "model/ITranslation.h"

namespace instrumenttest {

class TFakeCalibration : public ICalibrationFacade {
 public:
  TFakeCalibration(uint32_t serial, int revision) : Serial(serial), Revision(revision) {}
  bool IsUserCorrectionDisabled() const override { return false; }
  bool IsOffsetAdjustRunning() const override { return false; }
  void AdjustFrequencyOffset() override {}
  uint32_t GetSerialNumber() const override { return Serial; }
  int GetHardwareRevision() const override { return Revision; }

  uint32_t Serial;
  int Revision;
};

class TFakeTranslation : public ITranslation {
 public:
  explicit TFakeTranslation(bool english) : English(english) {}
  std::string Translate(const std::string& text) const override { return text; }
  std::string TranslateAnsi(const std::string& text) const override { return text; }
  bool IsEnglish() const override { return English; }

  bool English;
};

}  // namespace instrumenttest
