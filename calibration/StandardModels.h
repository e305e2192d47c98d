#pragma once
// The analytic models of the calibration standards: a lumped termination (the inductance of a
// short, the capacitance of an open, a matched load) behind a lossy offset line, all referred to
// the program's reference impedance zref. Frequencies are in hertz.
//
// The offset line of delay tau (s, one way), impedance z0 (ohm) and loss R (ohm/s at 1 GHz):
//   s = sqrt(f / 1 GHz), alpha = s R tau / (2 z0) nepers, beta = w tau + alpha radians,
//   Zc = z0 + (1 - j) (R / (2 w)) s, G1 = (Zc - zref) / (Zc + zref), e = exp(-2 (alpha + j beta)).
// A line of zero delay is no line: the termination (a Thru: 1) comes back as it is. So does
// every case the model cannot describe (f or z0 not a finite positive number, a delay or loss
// that is not finite, values so extreme that the line's result overflows), instead of
// not-a-number.
#include "model/Complex.h"

// The lossy offset line at one frequency.
struct TOffsetLine {
  double Alpha = 0.0;  // loss of the whole line, nepers
  double Beta = 0.0;   // phase of the whole line, radians (the loss term included)
  TComplex Zc;         // characteristic impedance, ohm
};

// The line parameters at f for delay tau, impedance z0 and loss R; all zero for f <= 0.
TOffsetLine OffsetLineAt(double f, double delay, double z0, double loss);

// Reflection of a short whose inductance is L0 + L1 f + L2 f^2 + L3 f^3 (H, H/Hz, ...):
// (jX - zref) / (jX + zref) with X = w L(f); exactly -1 when L(f) is 0.
TComplex ShortTermination(double f, const double (&l)[4], double zref);
// Reflection of an open whose capacitance is C0 + C1 f + C2 f^2 + C3 f^3 (F, F/Hz, ...):
// (1 - j w C zref) / (1 + j w C zref); exactly +1 when C(f) is 0.
TComplex OpenTermination(double f, const double (&c)[4], double zref);

// Reflection at the input of the offset line terminated in gammaL.
TComplex OffsetLineReflection(double f, const TComplex& gammaL, double delay, double z0, double loss,
                              double zref);
// Transmission through the offset line between two ports of zref:
// (1 - G1^2) exp(-gamma) / (1 - G1^2 exp(-2 gamma)).
TComplex OffsetLineTransmission(double f, double delay, double z0, double loss, double zref);
