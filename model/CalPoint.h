#pragma once
// The error terms of a calibration at one frequency, each per port (0, 1): A reflection
// tracking (ER), B directivity (ED), C source match (ES), D transmission tracking (ET).
// Every calibration form and correction keeps that order.
#include "model/BasePoint.h"
#include "model/Complex.h"

class TCalPoint final : public TBasePoint {
 public:
  TCalPoint(TFObject* owner, double frequency) : TBasePoint(owner, frequency, 0.0, 0) {}

  TComplex GetTermA(int port) const { return A[port]; }
  TComplex GetTermB(int port) const { return B[port]; }
  TComplex GetTermC(int port) const { return C[port]; }
  TComplex GetTermD(int port) const { return D[port]; }
  void SetTermA(int port, const TComplex& v) { A[port] = v; }
  void SetTermB(int port, const TComplex& v) { B[port] = v; }
  void SetTermC(int port, const TComplex& v) { C[port] = v; }
  void SetTermD(int port, const TComplex& v) { D[port] = v; }

  TComplex A[2] = {};
  TComplex B[2] = {};
  TComplex C[2] = {};
  TComplex D[2] = {};
};
