#pragma once
// The channel window as its time-domain settings see it: the window's trace list, whose host
// gives the channel, the repaint request and the change event, and the sender that event names
// (the window itself; null lets the host stand for itself). The window makes one and hands it to
// every setter of its TTimeDomainSettings.
class TFObject;
class TMeasureList;
class TRange;

class TTimeDomainOwner {
 public:
  explicit TTimeDomainOwner(TMeasureList* traces, TFObject* sender = nullptr) : traces_(traces), sender_(sender) {}
  virtual ~TTimeDomainOwner() = default;

  TMeasureList* GetTraces() const { return traces_; }
  // The channel (null without a list or host).
  virtual TRange* GetRange() const;
  // Every trace's Recalculate, then every memory's Update.
  virtual void RecalculateAllTraces();
  // Recalculate for the traces whose transform or gating runs, then every memory's Update.
  virtual void RecalculateTimeDomainTraces();
  // Every trace's FinishTimeDomain, max-hold restart and readouts, then every memory's Update.
  virtual void RefreshTimeDomain();
  virtual void RequestRedraw();
  // The host's change event with the sender.
  virtual void Changed();

 private:
  TMeasureList* traces_;
  TFObject* sender_;
};
