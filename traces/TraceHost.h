#pragma once
// What a trace list and its traces need of the channel window that owns them: the channel, the
// repaint request, the change event, the grid and marker-table settings and the time-domain
// settings. The channel window implements it; tests use a fake.
#include "traces/ScreenRect.h"

class TFObject;
class TRange;
struct TTimeDomainSettings;

class TTraceHost {
 public:
  virtual ~TTraceHost() = default;

  // The channel whose points the traces process.
  virtual TRange* GetRange() const = 0;
  // Asks for a (coalesced) repaint of the chart.
  virtual void RequestRedraw() = 0;
  // The window's change event, with the changed object as sender.
  virtual void Changed(TFObject* sender) = 0;
  // Vertical grid divisions, even, 4..20.
  virtual int GetDivisions() const = 0;
  // Marker readout alignment: 0 vertical, 1 horizontal, 2 none.
  virtual int GetMarkerAlign() const = 0;
  virtual void SetMarkerAlign(int align) = 0;
  virtual const TTimeDomainSettings& GetTimeDomain() const = 0;
  // The chart's free extent for the marker table (empty while there is no chart).
  virtual TScreenRect GetMarkerTableArea() const { return {}; }
  // The transform range set from a marker, in the scanner module's distance unit, through the
  // window's time-domain setters (nothing where no window takes it).
  virtual void SetTransformStartInUnit(double value) { (void)value; }
  virtual void SetTransformStopInUnit(double value) { (void)value; }
  virtual void SetTransformCenterInUnit(double value) { (void)value; }
};
