#pragma once
// The external power meter as the channel's power-meter mode uses it. The instrument layer's
// power meter implements it; program start installs it in the service registry.

class IPowerMeter {
 public:
  enum State { NotReady = 0, Ready = 1, Zeroing = 2 };

  virtual ~IPowerMeter() = default;
  // Opens the sensor; true when it is ready.
  virtual bool Connect() = 0;
  virtual void Disconnect() = 0;
  // One reading in dBm at the frequency (MHz); the level is valid only when true comes back.
  virtual bool MeasureDbm(double& level, double frequencyMHz) = 0;
  virtual int GetState() const = 0;
};
