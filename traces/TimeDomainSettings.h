#pragma once
// The time-domain settings of a channel window, shared by every trace of the channel: the
// transform range and type, its Kaiser window and the gate. Times are round-trip seconds.
//
// The fields are read freely; change them through the setters, which keep every time inside the
// channel's alias-free range, ignore non-finite numbers, and do what a change needs through the
// window (TTimeDomainOwner): recalculate the traces, refresh their time domain, request a
// repaint, fire the change event. A setter whose value is unchanged does nothing more.
#include <cstdint>
#include <string>
#include <string_view>

class TCustomIniFile;
class TRange;
class TTimeDomainOwner;

struct TTimeDomainSettings {
  double TransformStart = -1e-8;
  double TransformStop = 1e-8;
  // The range is shown and edited as centre and span.
  bool TimeCenterPriority = false;
  // 0 band-pass, 1 low-pass impulse, 2 low-pass step.
  int32_t ResponseType = 0;
  // Kaiser window parameter of the transform, 0..13.
  double Beta = 6.0;
  bool EnableGating = false;
  double GatingStart = -1e-8;
  double GatingStop = 1e-8;
  // 0 band-pass gate, 1 notch gate.
  int32_t GatingType = 0;
  // 0 minimum, 1 normal, 2 wide, 3 maximum.
  int32_t GatingShape = 1;
  bool GatingCenterPriority = false;

  // ---- Constants ----------------------------------------------------------------------------
  // The narrowest transform range, seconds.
  static constexpr double kMinTransformSpan = 1e-9;
  // The time limits of a channel without span (or without a channel), seconds.
  static constexpr double kNoSpanTimeLimit = 1e5;
  static constexpr double kMaxBeta = 13.0;
  static constexpr double kBetaStep = 0.001;
  // Speed of light, m/s; one foot in metres.
  static constexpr double kLightSpeed = 299792458.0;
  static constexpr double kFoot = 0.3048;
  // Response types and gate types.
  enum : int32_t { BandPass = 0, LowPassImpulse = 1, LowPassStep = 2 };
  enum : int32_t { GateBandPass = 0, GateNotch = 1 };

  // ---- Limits and derived values -------------------------------------------------------------
  // The alias-free time range of a channel of N points and span s MHz: +-(N - 1) / (s 1e6);
  // +-1e5 at zero span or without a channel.
  static double TimeMin(const TRange* range);
  static double TimeMax(const TRange* range);
  double GetTransformCenter() const { return (TransformStart + TransformStop) / 2; }
  double GetTransformSpan() const { return TransformStop - TransformStart; }
  double GetGatingCenter() const { return (GatingStart + GatingStop) / 2; }
  double GetGatingSpan() const { return GatingStop - GatingStart; }

  // ---- Transform range: every trace recalculated ----------------------------------------------
  void SetTransformStart(TTimeDomainOwner& owner, double t);
  void SetTransformStop(TTimeDomainOwner& owner, double t);
  void SetTransformCenter(TTimeDomainOwner& owner, double t);
  void SetTransformSpan(TTimeDomainOwner& owner, double w);
  // Stores and requests a repaint; no change event.
  void SetTimeCenterPriority(TTimeDomainOwner& owner, bool on);

  // ---- Gate range: the traces with an active time domain recalculated, every memory updated ---
  // A gate may have zero width.
  void SetGatingStart(TTimeDomainOwner& owner, double t);
  void SetGatingStop(TTimeDomainOwner& owner, double t);
  void SetGatingCenter(TTimeDomainOwner& owner, double t);
  void SetGatingSpan(TTimeDomainOwner& owner, double w);

  // ---- Switches and types: the time domain refreshed -----------------------------------------
  // Switching the gate on or off makes the channel's sweep linear, and a channel without span
  // then covers the instrument's whole band.
  void SetGatingEnabled(TTimeDomainOwner& owner, bool on);
  // No range check: callers pass 0..1 and 0..3 (and 0..2 for the response type).
  void SetGatingType(TTimeDomainOwner& owner, int32_t type);
  void SetGatingShape(TTimeDomainOwner& owner, int32_t shape);
  void SetResponseType(TTimeDomainOwner& owner, int32_t type);

  // ---- Kaiser window: every trace recalculated -----------------------------------------------
  // Limited to 0..13, then rounded to the nearest multiple of 0.001.
  void SetTransformBeta(TTimeDomainOwner& owner, double beta);
  // 0, 1, 2: beta 0, 6, 13; other values do nothing.
  void SetTransformWindow(TTimeDomainOwner& owner, int choice);
  // 0, 1, 2 for beta within 0.001 of 0, 6, 13; else 3.
  int GetTransformWindow() const;
  // The width of the transform's main lobe, seconds, for the present beta, response type and the
  // channel's span (0 at zero span or without a channel).
  double GetImpulseWidth(const TRange* range) const;
  // The beta whose main lobe has that width (interpolated in the same tables), through
  // SetTransformBeta.
  void SetImpulseWidth(TTimeDomainOwner& owner, double width);

  // ---- Text forms (automation) -------------------------------------------------------------
  // A text selects a keyword when it begins with it, ASCII letters in any case.
  // "BPAS": band-pass; then "LPAS": low-pass impulse, only from band-pass (a step stays a
  // step). Other text does nothing.
  void SetTransformTypeText(TTimeDomainOwner& owner, std::string_view text);
  std::string GetTransformTypeText() const;
  // "STEP": low-pass step; then "IMP": low-pass impulse, only from a step. Other text does
  // nothing.
  void SetResponseTypeText(TTimeDomainOwner& owner, std::string_view text);
  std::string GetResponseTypeText() const;
  // "BPAS", "NOTC"; anything else raises EAbort "Invalid gating type specifier" (219).
  void SetGatingTypeText(TTimeDomainOwner& owner, std::string_view text);
  std::string GetGatingTypeText() const;
  // "MAX", "WIDE", "NORM", "MIN" tried in that order; anything else raises EAbort "Invalid
  // gating shape specifier" (218).
  void SetGatingShapeText(TTimeDomainOwner& owner, std::string_view text);
  std::string GetGatingShapeText() const;
  // "MIN", "NORM", "MAX" tried in that order; other text does nothing.
  void SetWindowText(TTimeDomainOwner& owner, std::string_view text);
  std::string GetWindowText() const;

  // ---- Distance forms ----------------------------------------------------------------------
  // A round-trip time in the scanner module's distance unit: ns, or the one-way length t 0.5 c v
  // in metres or feet (v the velocity factor). Without a scanner module: metres at the default
  // velocity factor.
  static double TimeToUnit(double t);
  static double UnitToTime(double d);
  double GetTransformStartInUnit() const { return TimeToUnit(TransformStart); }
  double GetTransformStopInUnit() const { return TimeToUnit(TransformStop); }
  double GetTransformCenterInUnit() const { return TimeToUnit(GetTransformCenter()); }
  double GetTransformSpanInUnit() const { return TimeToUnit(GetTransformSpan()); }
  void SetTransformStartInUnit(TTimeDomainOwner& owner, double d);
  void SetTransformStopInUnit(TTimeDomainOwner& owner, double d);
  void SetTransformCenterInUnit(TTimeDomainOwner& owner, double d);
  void SetTransformSpanInUnit(TTimeDomainOwner& owner, double d);

  // ---- State section -------------------------------------------------------------------------
  // The window's time-domain keys, in the order of its section: "EnableGating", "GatingStart",
  // "GatingStop", "GatingType", "GatingShape", "TransformStart", "TransformStop",
  // "ResponseType", "Beta", "TimeCenterPriority", "GatingCenterPriority".
  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // Reads those keys straight into the fields, the defaults for missing or unreadable ones. The
  // window then loads its channel and calls ClampLoaded with it.
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

  // ---- Loaded values -------------------------------------------------------------------------
  // Brings values read from a file into what the setters allow, for the channel: times into the
  // alias-free range with the transform start at least 1 ns below its stop and the gate start
  // at most its stop, beta onto the 0.001 grid in 0..13, a type, shape or response type outside
  // its codes to its default, non-finite values to their defaults. No event.
  void ClampLoaded(const TRange* range);
};

// The cable loss in dB over the one-way length of a round-trip time t: t 0.5 c v times the
// scanner module's loss per metre (0 without a scanner module).
double CableLossForTime(double t);
