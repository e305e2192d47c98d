#pragma once
// The program in-process with the instrument's service windows registered and the power meter
// on the scripted drivers: the service menu opens the power meter dialog and the synthesizer
// forms as a user opens them.
#include <functional>
#include <string>

#include "dialogs/ProgramRig.h"
#include "instrument/FakePowerDrivers.h"
#include "instrument/PowerMeter.h"
#include "instrument/ui/InstrumentDialogs.h"

class InstrumentRig : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterInstrumentDialogs();
    // Each model's driver on its own, as the libraries load.
    TPowerMeter::DriverSource = [this](int model, TPowerMeter::TDrivers& d, std::string& error) {
      if (!driverError.empty()) {
        error = driverError;
        return false;
      }
      if (model == 0) d.Sensor = drivers;
      else d.Gpib = drivers;
      return true;
    };
  }
  void TearDown() override {
    TPowerMeter::DriverSource = nullptr;
    ProgramRig::TearDown();
  }

  // Opens the service menu and from it the power meter dialog; action runs in the dialog,
  // which Ok closes afterwards when it is still open.
  void InPowerMeter(const std::function<void(ui::Form&)>& action) {
    OnNextDialog("TServiceFrm", [this, action](ui::Form& menu) {
      OnNextDialog("TPowerMeterFrm", [this, action](ui::Form& form) {
        action(form);
        if (form.ModalResult() == ui::mrNone) Press("btOk", form);
      });
      Press("btPowerMeter", menu);
      Press("btOk", menu);
    });
    ClickRight(TRightPanel::kService);
  }

  // The keypad that the press on a panel opens gets the text and Enter.
  void Keypad(ui::Form& form, const char* panel, const std::string& text) {
    OnNextDialog("TDigitalKeyboardFrm", [this, text](ui::Form& pad) {
      auto& keypad = static_cast<TDigitalKeyboardFrm&>(pad);
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
    Press(panel, form);
  }

  FakePowerDrivers fake;
  FakePowerDrivers* drivers = &fake;
  // Set: the drivers cannot be had, with this message.
  std::string driverError;
};
