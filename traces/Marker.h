#pragma once
// One marker of a trace: a stimulus on the sweep, the displayed value read there, the readout
// texts, and the settings and operations of its searches.
#include <string>

#include "model/Complex.h"
#include "model/FObject.h"
#include "traces/ScreenRect.h"

class TCustomIniFile;
class TMarkerList;
class IMarkerTrace;

class TMarker : public TFObject {
 public:
  static constexpr int ReferenceTag = 15;

  // Registers with list; sits at the middle of the sweep and searches the whole trace.
  TMarker(TMarkerList* list, int tag);

  int Tag = 0;
  bool FlagBelow = false;
  TScreenRect FlagRect;
  TScreenRect StimulusMarkRect;
  double RelativeX = 0.5;
  TScreenRect ReadoutRect;
  bool ReadoutHover = false;
  double Argument = 0.0;
  double Value = 0.0;
  TComplex PointValue;
  bool SearchRangeOn = false;
  bool Tracking = false;
  double SearchStart = 0.0;
  double SearchStop = 0.0;
  int MarkerSearch = 0;
  int PeakPolarity = 0;
  double PeakExcursion = 1.0;
  double TargetValue = 0.0;
  int TargetTrans = 2;

  TMarkerList* GetList() const;
  IMarkerTrace& Trace() const;
  bool IsReference() const { return Tag == ReferenceTag; }

  double GetArgument() const { return Argument; }
  void SetArgument(double x);
  void SetRelativeX(double p);
  void SetSearchRangeOn(bool on);
  void SetTracking(bool on);
  void SetSearchStart(double x);
  void SetSearchStop(double x);
  void SetSearchFunction(int code);
  void SetPeakPolarity(int code);
  void SetTargetTransition(int code);
  void SetPeakExcursion(double x);
  void SetTargetValue(double x);
  // Takes source's RelativeX through SetRelativeX.
  void CopyPosition(const TMarker& source);

  // Clamps the stimulus into the trace, recomputes position and readings, runs the search when
  // tracking.
  void Update();
  // Re-reads Value and PointValue at Argument (nothing on an empty trace).
  void ReadValues();

  std::string GetArgumentText() const;
  std::string GetValueText() const;

  bool UpdateHover(const TScreenPoint& p);
  bool ClearHover();

  // Searches.
  bool Search();
  bool SearchWith(int code);
  std::string GetSearchText() const;
  void SetSearchText(const std::string& text);
  std::string GetPeakPolarityText() const;
  void SetPeakPolarityText(const std::string& text);
  std::string GetTargetTransitionText() const;
  void SetTargetTransitionText(const std::string& text);
  void SetMarkerToText(const std::string& text);

  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // Reads the section; values are clamped to what the setters allow, non-finite ones take
  // their defaults. The stored tag is ignored: a marker's tag is its place in the list.
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

 private:
  void Changed();
};
