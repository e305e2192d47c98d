#pragma once
// The reflection port of the demonstration emulator: what receiver A reads is
//
//     A = Ed + Er G / (1 - Es G)
//
// where G is whatever is connected: the cable (the emulation table's value, the default), a
// reflection table (interpolated in polar form between its points), or one port of an emulated
// calibration module in its switch state. The module's port shows its factory characterisation
// as the state gives it:
//
//   states 0, 1, 2, 7, 8   that port's Short, Open, Load, Load2, Open2
//   state 3, state 6        the thru's or the attenuator's S11 (port A) or S22 (port B)
//   state 4                 Load at A, Short at B;  state 5 the reverse
//
// drifted by the image's thermal tables when the module's temperature differs from the
// characterisation's (the attenuator has no tables and does not drift).
//
// Error terms. Ideal (Ed 0, Es 0, Er 1) unless switched to the realistic ones, which follow a
// small model of a bridge and its cable, with x = f / 14 GHz limited to 0..1 and f in GHz:
//   Ed: -45 dB + 15 dB x, phase -2 pi f 35 ps + 0.4
//   Es: -30 dB + 12 dB x, phase -2 pi f 60 ps + 1.1
//   Er: -(0.2 dB + 0.6 dB sqrt(f / 1 GHz)), phase -2 pi f 2 x 45 ps
// Not thread-safe on its own: the emulator guards it with its mutex.
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "model/Complex.h"
#include "model/FixtParam.h"

class TEmulatedEcal;

class TDemoPort {
 public:
  struct TTerms {
    TComplex Ed;
    TComplex Es;
    TComplex Er;
  };
  enum class TLoad { Cable, Reflection, Module };

  static TTerms RealisticTerms(double frequencyMHz);
  static TTerms IdealTerms() { return {{0, 0}, {0, 0}, {1, 0}}; }

  TDemoPort();
  ~TDemoPort();
  TDemoPort(const TDemoPort&) = delete;
  TDemoPort& operator=(const TDemoPort&) = delete;

  void SetRealistic(bool on) { Realistic = on; }
  bool IsRealistic() const { return Realistic; }
  TTerms TermsAt(double frequencyMHz) const { return Realistic ? RealisticTerms(frequencyMHz) : IdealTerms(); }

  void ConnectCable();
  // A reflection table over frequency (MHz), S11 of the network.
  void ConnectReflection(const TFixtParam& table);
  // Port 0 (A) or 1 (B) of a module, which must outlive the connection.
  void ConnectModule(const TEmulatedEcal* module, int port);
  TLoad GetLoad() const { return Load; }
  int GetModulePort() const { return ModulePort; }

  // For tests only, never set by the program: what receiver A reads at a frequency (MHz), in
  // place of everything above, whatever is connected (so it also stands in for the standard a
  // calibration run connects). The reference stays (1, 0) and the emulator adds no noise while
  // it is set. Empty: the port as described above.
  using TTestSource = std::function<TComplex(double frequencyMHz)>;
  void SetTestSource(TTestSource source) { TestSource = std::move(source); }
  bool HasTestSource() const { return static_cast<bool>(TestSource); }

  // G of what is connected at f, given the cable's value there.
  TComplex Gamma(double frequencyMHz, const TComplex& cable) const;
  // What receiver A reads.
  TComplex Reading(double frequencyMHz, const TComplex& cable) const;

  // The value a module's port shows in a state at f (MHz) at a temperature.
  struct TModuleData;
  static TComplex ModuleGamma(const TModuleData& data, int state, int port, double frequencyMHz, double temperature);

  // While an emulated port and an emulated module are in force (the installed USB back end is
  // the emulator with a module attached), connects that module's port for the scope's life and
  // the cable again at its end; nested scopes connect once.
  class TModuleScope {
   public:
    explicit TModuleScope(int port);
    ~TModuleScope();
    TModuleScope(const TModuleScope&) = delete;
    TModuleScope& operator=(const TModuleScope&) = delete;

   private:
    bool Engaged = false;
    static int Depth;
  };

 private:
  bool Realistic = false;
  TTestSource TestSource;
  TLoad Load = TLoad::Cable;
  TFixtParam Table;
  const TEmulatedEcal* Module = nullptr;
  int ModulePort = 0;
  std::shared_ptr<const TModuleData> ModuleValues;
};

// The decoded factory characterisation and thermal tables of a module image.
struct TDemoPort::TModuleData {
  bool Valid = false;
  std::array<TFixtParam, 18> Slots;
  double Temperature = 0.0;
  bool HasThermal = false;
  double ThermalF1 = 0.0, ThermalF2 = 0.0;  // MHz
  std::vector<std::vector<double>> Thermal;
  static std::shared_ptr<const TModuleData> FromImage(const std::vector<uint8_t>& image);
};
