#include "model/Services.h"

#include "model/IReferenceImpedance.h"
#include "model/ITranslation.h"

TServices& Services() {
  static TServices services;
  return services;
}

ISynthPlan* SynthPlanForRow(int row) {
  switch (row) {
    case 3: return Services().SynthesizerTV;
    case 4: return Services().SynthesizerTV30;
    default: return nullptr;
  }
}

double ReferenceImpedanceOhm() {
  const IReferenceImpedance* kits = Services().CalKitsModule;
  return kits ? kits->GetReferenceImpedance() : IReferenceImpedance::Default;
}

std::string TranslateText(const std::string& english) {
  const ITranslation* lang = Services().LangModule;
  return lang ? lang->Translate(english) : english;
}
