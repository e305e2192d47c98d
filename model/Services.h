#pragma once
// The one registry of the program's application-wide services that the engine reaches from
// below their own layer. Program start installs the real objects in its creation order and
// clears them at shut-down; a test installs the ones it needs, real or fake, through
// TScopedServices, which puts the previous values back.
#include <string>

class IDeviceModel;
class ISynthPlan;
class ICalibrationFacade;
class IReferenceImpedance;
class IPowerMeter;
class ITranslation;
class IBusyCursorHook;

struct TServices {
  IDeviceModel* Device = nullptr;           // the attached model (instrument layer)
  ISynthPlan* SynthesizerTV = nullptr;      // synthesizer plan of model row 3 (K12)
  ISynthPlan* SynthesizerTV30 = nullptr;    // synthesizer plan of model row 4 (K30)
  ICalibrationFacade* CalibratorModule = nullptr;
  IReferenceImpedance* CalKitsModule = nullptr;
  IPowerMeter* PowerMeter = nullptr;
  ITranslation* LangModule = nullptr;
  IBusyCursorHook* BusyCursor = nullptr;
};

// The registry itself.
TServices& Services();

// The synthesizer plan of a model row: row 3 SynthesizerTV, row 4 SynthesizerTV30, else none.
ISynthPlan* SynthPlanForRow(int row);
// The reference impedance of the installed kit module, or 50 ohm without one.
double ReferenceImpedanceOhm();
// The translation of an English text, or the text itself without a language module.
std::string TranslateText(const std::string& english);

// Remembers the whole registry and restores it on destruction; in between the holder sets
// whatever it needs: `TScopedServices s; s->Device = &fake;`.
class TScopedServices {
 public:
  TScopedServices() : saved_(Services()) {}
  explicit TScopedServices(const TServices& replacement) : saved_(Services()) { Services() = replacement; }
  ~TScopedServices() { Services() = saved_; }
  TScopedServices(const TScopedServices&) = delete;
  TScopedServices& operator=(const TScopedServices&) = delete;

  TServices* operator->() { return &Services(); }
  TServices& operator*() { return Services(); }

 private:
  TServices saved_;
};
