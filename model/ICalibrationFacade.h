#pragma once
// What the engine below calibration/ needs of the calibration module. The calibration module
// implements it; program start installs it in the service registry (model/Services.h).
#include <cstdint>

#include "model/Complex.h"

class TRange;

class ICalibrationFacade {
 public:
  virtual ~ICalibrationFacade() = default;

  // True while the user calibration is switched off for every channel.
  virtual bool IsUserCorrectionDisabled() const = 0;
  // True while a frequency offset adjustment run is in progress.
  virtual bool IsOffsetAdjustRunning() const = 0;
  // True while a calibration run, an EEPROM transfer or an offset adjustment holds the
  // instrument: its factory data cannot be read meanwhile.
  virtual bool IsInstrumentHeld() const { return false; }
  // Runs the frequency offset adjustment of the active channel; returns when the run has ended.
  virtual void AdjustFrequencyOffset() = 0;
  // The instrument's serial number and hardware revision, from its factory data.
  virtual uint32_t GetSerialNumber() const = 0;
  virtual int GetHardwareRevision() const = 0;

  // The system correction of one decoded point: the reflection ratio x of port a and the
  // transmission ratio y of port b, corrected in place at the point's frequency (MHz); a
  // negative port leaves its value alone. Until the calibration module provides it, nothing is
  // corrected.
  virtual void ApplySystemCorrection(int a, TComplex& x, int b, TComplex& y, double frequencyMHz) const {
    (void)a, (void)x, (void)b, (void)y, (void)frequencyMHz;
  }
  // The same correction for point i of a channel, at that point's frequency (MHz): the terms may
  // come from the channel's SystemTerms, interpolated once for its whole point list.
  virtual void ApplySystemCorrectionAt(TRange& channel, int i, double frequencyMHz, int a, TComplex& x, int b,
                                       TComplex& y) const {
    (void)channel, (void)i;
    ApplySystemCorrection(a, x, b, y, frequencyMHz);
  }
  // Reads the instrument's factory data (EEPROM image and system calibrations) into the module;
  // called when the instrument connects. Until the calibration module provides it, nothing is
  // read.
  virtual void ReadEeprom() {}
};
