#pragma once
// The program's reference impedance (ohm, 5 ... 250, default 50), kept by the calibration-kit
// module. Program start installs the module in the service registry (model/Services.h).

class IReferenceImpedance {
 public:
  static constexpr double Default = 50.0;
  static constexpr double Minimum = 5.0;
  static constexpr double Maximum = 250.0;

  virtual ~IReferenceImpedance() = default;
  virtual double GetReferenceImpedance() const = 0;
};
