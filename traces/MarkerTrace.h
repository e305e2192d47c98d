#pragma once
// Everything a marker list needs from its trace, its trace list and its channel window, in one
// interface: the trace hands itself over through an adapter, tests through a small fake.
#include <string>

#include "traces/ScreenRect.h"
#include "traces/TraceSamples.h"

class TFObject;

class IMarkerTrace : public ITraceSamples {
 public:
  // Current display format code 0..19 and its value bounds.
  virtual int TraceFormat() const = 0;
  virtual double MinValue() const = 0;
  virtual double MaxValue() const = 0;
  virtual std::string ResponseUnitText() const = 0;
  virtual std::string StimulusUnitText() const = 0;
  // The stimulus axis is the transform's time or distance axis.
  virtual bool IsTransformActive() const = 0;
  // Reference impedance of the calibration kit, ohm.
  virtual double ReferenceImpedance() const = 0;

  // Trace and channel setters of the marker functions.
  virtual void SetRefValue(double value) = 0;
  virtual void SetStartFrequency(double mhz) = 0;
  virtual void SetStopFrequency(double mhz) = 0;
  virtual void SetCenterFrequency(double mhz) = 0;
  virtual void SetTransformStartInUnit(double value) = 0;
  virtual void SetTransformStopInUnit(double value) = 0;
  virtual void SetTransformCenterInUnit(double value) = 0;
  // The chart's free extent for the marker table.
  virtual TScreenRect GetMarkerTableArea() const = 0;

  // Redraw request and change event (sender given), or the change event alone.
  virtual void RedrawAndNotify(TFObject* sender) = 0;
  virtual void Notify(TFObject* sender) = 0;

  // The trace list's marker coupling.
  virtual bool MarkerCouple() const = 0;
  virtual void SetMarkerCouple(bool on) = 0;
  virtual void CoupleMarkers() = 0;
  virtual void DeleteCoupledMarker(int tag) = 0;

  // A number that changes with every change of the displayed values (0 for a view that never
  // changes them behind its list's back); cached readouts compare it.
  virtual unsigned long long DataVersion() const { return 0; }

  bool IsDistanceToFault() const { return TraceFormat() == 18 || TraceFormat() == 19; }
};
