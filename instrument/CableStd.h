#pragma once
// One coaxial cable type of the distance-to-fault settings: its name, its velocity factor and
// its loss per metre at a given frequency.
#include <string>
#include <string_view>

class TCableStd {
 public:
  // The name fits a fixed field of 40 UTF-16 characters with its terminator.
  static constexpr int MaxNameLength = 39;
  static constexpr double MinVelocity = 0.001;
  static constexpr double MaxVelocity = 1.0;
  static constexpr double MinLoss = 0.0;
  static constexpr double MaxLoss = 1000.0;
  static constexpr double DefaultVelocity = 1.0;
  static constexpr double DefaultLoss = 0.0;
  static constexpr double DefaultFrequency = 1000.0;

  TCableStd() = default;
  TCableStd(std::string_view name, double velocity, double loss, double frequency = DefaultFrequency);

  const std::string& GetName() const { return Name; }
  // Stores the name cut to MaxNameLength UTF-16 code units.
  void SetName(std::string_view name) { Name = FitName(name); }

  // The name cut to MaxNameLength UTF-16 code units, never inside a character: a character
  // outside the basic plane (two code units) that would not fit whole is left out. Invalid
  // UTF-8 becomes U+FFFD.
  static std::string FitName(std::string_view name);
  // The value limited to the range that the velocity-factor and cable-loss settings allow.
  static double ClampVelocity(double v);
  static double ClampLoss(double loss);

  bool operator==(const TCableStd&) const = default;

  double Velocity = DefaultVelocity;
  // dB per metre.
  double Loss = DefaultLoss;
  // MHz: where the loss is given; kept with the entry, not used in calculations.
  double Frequency = DefaultFrequency;

 private:
  std::string Name;
};
