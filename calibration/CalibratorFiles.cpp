// TCalibratorModule's calibration files: the user calibration of the active channel and the
// factory files of the 5.4 GHz model.
#include "calibration/CalibratorModule.h"
#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"
#include "model/Utils.h"

void TCalibratorModule::SaveUserCalibration(const std::string& fileName) {
  TCalibr* cal = GetUserCalibr();
  if (cal == nullptr) throw EAbort("Execution error: no channel window is open", 200);
  if (cal->Terms == nullptr) {
    throw EAbort("Execution error: the calibration has no error terms, so there is nothing to save", 200);
  }
  cal->SaveToFile(fileName);
}

TCalibrationForm::TResult TCalibratorModule::LoadUserCalibration(const std::string& fileName) {
  TCalibr* cal = GetUserCalibr();
  if (cal == nullptr) throw EAbort("Execution error: no channel window is open", 200);
  TCalibrationForm::TResult result = cal->LoadFromFile(fileName);
  if (!result) throw EAbort(result.Reason, 200);
  return result;
}

int TCalibratorModule::LoadFactoryFiles() {
  const IDeviceModel* device = Services().Device;
  if (device == nullptr || device->GetModelIndex() != 3) return 0;
  const std::string folder = GetAppDirectory();
  int loaded = 0;
  loaded += SystemCal->LoadFromFile(folder + FactoryFileName) ? 1 : 0;
  loaded += SystemCalLowPower->LoadFromFile(folder + FactoryLowPowerFileName) ? 1 : 0;
  return loaded;
}
