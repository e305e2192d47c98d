#pragma once
// A trace seen by its marker list: the trace's own lookups and setters, its list's coupling and
// its channel window.
#include "traces/MarkerTrace.h"

class TMeasurement;

class TMeasurementMarkerTrace : public IMarkerTrace {
 public:
  explicit TMeasurementMarkerTrace(TMeasurement* trace) : trace_(trace) {}

  int PointCount() const override;
  double PointStimulus(int i) const override;
  double DisplayValue(int i) const override;
  TComplex DisplayPoint(int i) const override;
  int FindPointIndex(double x) const override;
  double ValueAtStimulus(double x) const override;
  TComplex PointAtStimulus(double x) const override;
  double StimulusAtPosition(double p) const override;
  double PositionAtStimulus(double x) const override;
  const TComplex* DisplayData() const override;
  unsigned long long DataVersion() const override;

  int TraceFormat() const override;
  double MinValue() const override;
  double MaxValue() const override;
  std::string ResponseUnitText() const override;
  std::string StimulusUnitText() const override;
  bool IsTransformActive() const override;
  double ReferenceImpedance() const override;

  void SetRefValue(double value) override;
  void SetStartFrequency(double mhz) override;
  void SetStopFrequency(double mhz) override;
  void SetCenterFrequency(double mhz) override;
  void SetTransformStartInUnit(double value) override;
  void SetTransformStopInUnit(double value) override;
  void SetTransformCenterInUnit(double value) override;
  TScreenRect GetMarkerTableArea() const override;

  void RedrawAndNotify(TFObject* sender) override;
  void Notify(TFObject* sender) override;

  bool MarkerCouple() const override;
  void SetMarkerCouple(bool on) override;
  void CoupleMarkers() override;
  void DeleteCoupledMarker(int tag) override;

 private:
  TMeasurement* trace_;
};
