// The synthesizer service forms of both model rows in the running program: the edits as the
// settings take them, the bits of the register words, the third-harmonic boxes, Defaults and
// Cancel, a text that is no number, and the MIX_COUNT edit on a hardware revision past 2.
#include "instrument/ui/SynthesizerFrm.h"

#include <cmath>
#include <filesystem>

#include "calibration/CalibratorModule.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "instrument/ui/InstrumentRig.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "platform/ui/Button.h"
#include "platform/ui/CheckBox.h"

namespace {

class SynthServiceForm : public InstrumentRig {
 protected:
  static TSynthesizerBase& SettingsOf(int row) {
    return row == 3 ? static_cast<TSynthesizerBase&>(*SynthesizerTV) : *SynthesizerTV30;
  }

  // Runs the row's form by its class name, as the service menu does; action runs in it, then
  // Cancel closes it when it is still open. Gives the sweep stops seen meanwhile.
  int InForm(int row, const std::function<void(TSynthesizerFrm&)>& action) {
    int stops = 0;
    TScanner& scanner = ScannerModule->GetScanner();
    auto previous = scanner.OnChange;
    scanner.OnChange = [&](TFObject* sender, int before) {
      if (before != 0 && scanner.GetState() == 0) ++stops;
      if (previous) previous(sender, before);
    };
    // Sweeping, so that a restart shows as a stop.
    WaitFor([&] { return scanner.GetState() != 0; });
    OnNextDialog("TSynthesizerFrm", [&](ui::Form& form) {
      action(static_cast<TSynthesizerFrm&>(form));
      if (form.ModalResult() == ui::mrNone) driver.Click(Get("btCancel", form));
    });
    MainFrm->OpenDialog(*MainFrm, "TSynthesizerFrm", true, row);
    scanner.OnChange = previous;
    return stops;
  }

  // Replaces an edit's text by typing.
  void TypeInto(TSynthesizerFrm& form, const char* edit, const std::string& text) {
    auto& e = Get<ui::Edit>(edit, form);
    e.SetFocus();
    e.SelectAll();
    driver.Key(e, ui::vk::Delete);
    if (!text.empty()) driver.Type(e, text);
  }

  // The keypad opened on a bit cell by a double click gets the value and Enter.
  void SetBit(TEmiStringGrid& grid, int column, int row, const std::string& value) {
    OnNextDialog("TDigitalKeyboardFrm", [this, value](ui::Form& pad) {
      auto& keypad = static_cast<TDigitalKeyboardFrm&>(pad);
      keypad.CommonEdit->SetText(value);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
    const ui::Rect r = grid.CellRect(column, row);
    driver.DoubleClick(grid, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void ClickCell(TEmiStringGrid& grid, int column, int row) {
    const ui::Rect r = grid.CellRect(column, row);
    driver.Click(grid, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void Apply(TSynthesizerFrm& form) { driver.Click(*form.btApply); }
};

TEST_F(SynthServiceForm, EditsBitsAndBoxesAsTheSettingsTakeThem) {
  struct Case {
    const char* name;
    std::function<void(TSynthesizerFrm&)> act;
    int stops;  // 1: applied and the sweep restarted once
    std::function<void(TSynthesizerBase&, std::string&)> check;  // sets a failure text
  };
  const auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-12; };
  const Case cases[] = {
      {"IF accuracy 5,0 Hz", [this](TSynthesizerFrm& f) { TypeInto(f, "edIFAccuracy", "5,0"); Apply(f); }, 1,
       [&](TSynthesizerBase& s, std::string& e) { if (!near(s.IFAccuracy, 0.000005)) e = FloatToText(s.IFAccuracy); }},
      {"IF accuracy 0.5 Hz clamped up", [this](TSynthesizerFrm& f) { TypeInto(f, "edIFAccuracy", "0.5"); Apply(f); }, 1,
       [&](TSynthesizerBase& s, std::string& e) { if (!near(s.IFAccuracy, 0.000001)) e = FloatToText(s.IFAccuracy); }},
      {"IF accuracy 200 Hz clamped down", [this](TSynthesizerFrm& f) { TypeInto(f, "edIFAccuracy", "200"); Apply(f); }, 1,
       [&](TSynthesizerBase& s, std::string& e) { if (!near(s.IFAccuracy, 0.0001)) e = FloatToText(s.IFAccuracy); }},
      {"delay 130.9 truncated", [this](TSynthesizerFrm& f) { TypeInto(f, "edMeasureDelay", "130.9"); TypeInto(f, "edBackScanDelay", "-5"); Apply(f); }, 1,
       [](TSynthesizerBase& s, std::string& e) { if (s.MeasureDelay != 130 || s.BackScanDelay != 0) e = IntToText(s.MeasureDelay) + " " + IntToText(s.BackScanDelay); }},
      {"Defaults then Cancel",
       [this](TSynthesizerFrm& f) {
         TypeInto(f, "edMeasureDelay", "777");
         driver.Click(*f.btDefaults);
         if (f.edMeasureDelay->Text() != "130") ADD_FAILURE() << "shown " << f.edMeasureDelay->Text();
       },
       0, [](TSynthesizerBase& s, std::string& e) { if (s.MeasureDelay != 130 || s.SignalWords[0] != 0xFF83) e = IntToText(s.MeasureDelay); }},
      {"bit 2 of LF set: 0xFF87, kept by Cancel",
       [this](TSynthesizerFrm& f) {
         SetBit(*f.sgSignalRegMap, 14, 1, "1");
         if (f.sgSignalRegMap->Cell(17, 1) != "0xFF87") ADD_FAILURE() << f.sgSignalRegMap->Cell(17, 1);
       },
       0, [](TSynthesizerBase& s, std::string& e) { if (s.SignalWords[0] != 0xFF87) e = TSynthesizerFrm::HexText(s.SignalWords[0]); }},
      {"bit 0 of LF cleared: 0xFF82",
       [this](TSynthesizerFrm& f) {
         SetBit(*f.sgSignalRegMap, 16, 1, "0");
         if (f.sgSignalRegMap->Cell(17, 1) != "0xFF82") ADD_FAILURE() << f.sgSignalRegMap->Cell(17, 1);
         Apply(f);
       },
       1, [](TSynthesizerBase& s, std::string& e) { if (s.SignalWords[0] != 0xFF82) e = TSynthesizerFrm::HexText(s.SignalWords[0]); }},
      {"keypad 2 clears the bit",
       [this](TSynthesizerFrm& f) { SetBit(*f.sgHeterRegMap, 16, 1, "2"); },
       0, [](TSynthesizerBase& s, std::string& e) { if (s.HeterodyneWords[0] != 0xFF82) e = TSynthesizerFrm::HexText(s.HeterodyneWords[0]); }},
      {"a digit typed in the grid is the keypad's first input",
       [this](TSynthesizerFrm& f) {
         ClickCell(*f.sgSignalRegMap, 13, 1);
         OnNextDialog("TDigitalKeyboardFrm", [this](ui::Form& pad) {
           auto& keypad = static_cast<TDigitalKeyboardFrm&>(pad);
           if (keypad.CommonEdit->Text() != "1") ADD_FAILURE() << "keypad shows " << keypad.CommonEdit->Text();
           driver.Key(*keypad.CommonEdit, ui::vk::Return);
         });
         driver.Type(*f.sgSignalRegMap, "1");
       },
       0, [](TSynthesizerBase& s, std::string& e) { if (s.SignalWords[0] != 0xFF8B) e = TSynthesizerFrm::HexText(s.SignalWords[0]); }},
      {"a second single click on the same cell opens the keypad",
       [this](TSynthesizerFrm& f) {
         ClickCell(*f.sgHeterRegMap, 1, 2);
         OnNextDialog("TDigitalKeyboardFrm", [this](ui::Form& pad) {
           auto& keypad = static_cast<TDigitalKeyboardFrm&>(pad);
           keypad.CommonEdit->SetText("0");
           driver.Key(*keypad.CommonEdit, ui::vk::Return);
         });
         ClickCell(*f.sgHeterRegMap, 1, 2);
       },
       0, [](TSynthesizerBase& s, std::string& e) { if (s.HeterodyneWords[1] != 0x1000) e = TSynthesizerFrm::HexText(s.HeterodyneWords[1]); }},
      {"the hex column opens nothing",
       [this](TSynthesizerFrm& f) {
         for (TEmiStringGrid* g : {f.sgSignalRegMap, f.sgHeterRegMap}) {
           const ui::Rect r = g->CellRect(17, 1);
           driver.DoubleClick(*g, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
           ClickCell(*g, 17, 1);
           ClickCell(*g, 17, 1);
         }
       },
       0, [](TSynthesizerBase& s, std::string& e) { if (s.SignalWords[0] != 0xFF83 || s.HeterodyneWords[0] != 0xFF83) e = "changed"; }},
  };
  std::vector<std::string> failures;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    for (int row : {3, 4}) {
      for (const Case& c : cases) {
        SynthesizerTV->LoadDefaults();
        SynthesizerTV30->LoadDefaults();
        const int stops = InForm(row, [&](TSynthesizerFrm& form) { c.act(form); });
        std::string problem;
        c.check(SettingsOf(row), problem);
        if (stops != c.stops) problem += " sweep stops " + IntToText(stops);
        if (!problem.empty()) failures.push_back("row " + IntToText(row) + ", " + c.name + ": " + problem);
      }
    }
  }));
  EXPECT_EQ(std::vector<std::string>{}, failures);
}

TEST_F(SynthServiceForm, TheThirdHarmonicBoxesExcludeEachOther) {
  std::vector<std::pair<bool, bool>> ticks;
  bool heter3x = true, signal3x = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InForm(3, [&](TSynthesizerFrm& form) {
      for (ui::CheckBox* box : {form.cbHeter3x, form.cbSignal3x, form.cbSignal3x, form.cbHeter3x}) {
        driver.Click(*box);
        ticks.emplace_back(form.cbHeter3x->Checked(), form.cbSignal3x->Checked());
      }
      driver.Click(*form.cbSignal3x);
      Apply(form);
    });
    heter3x = SynthesizerTV->Heter3x;
    signal3x = SynthesizerTV->Signal3x;
  }));
  EXPECT_EQ((std::vector<std::pair<bool, bool>>{{true, false}, {false, true}, {false, false}, {true, false}}), ticks);
  EXPECT_FALSE(heter3x);
  EXPECT_TRUE(signal3x);
}

TEST_F(SynthServiceForm, EnterMovesTheFocusOnExceptInAGrid) {
  std::vector<std::string> focus;
  bool keypadOpened = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InForm(4, [&](TSynthesizerFrm& form) {
      const auto focused = [&form] {
        QWidget* w = form.focusWidget();
        while (w != nullptr && w->objectName().isEmpty()) w = w->parentWidget();
        return w != nullptr ? w->objectName().toStdString() : std::string("<none>");
      };
      focus.push_back(focused());  // the IF accuracy edit has it on showing
      for (int i = 0; i < 2; ++i) {
        driver.Key(Get<ui::Edit>(focused(), form), ui::vk::Return);
        focus.push_back(focused());
      }
      ClickCell(*form.sgSignalRegMap, 5, 3);
      // In the grid Enter opens the keypad, and the form's focus stays on the grid.
      OnNextDialog("TDigitalKeyboardFrm", [&](ui::Form& pad) {
        keypadOpened = true;
        focus.push_back(focused());
        pad.SetModalResult(ui::mrCancel);
      });
      driver.Key(*form.sgSignalRegMap, ui::vk::Return);
    });
  }));
  // The disabled reference and intermediate frequency edits are passed over.
  EXPECT_EQ((std::vector<std::string>{"edIFAccuracy", "edMinFrequency", "edMaxFrequency", "sgSignalRegMap"}), focus);
  EXPECT_TRUE(keypadOpened);
}

TEST_F(SynthServiceForm, AnEditThatIsNoNumberAppliesNothing) {
  struct Case {
    const char* edit;
    const char* text;
  };
  const Case cases[] = {{"edMinFrequency", "abc"}, {"edIFAccuracy", ""},   {"edMaxFrequency", "1e400"},
                        {"edBackScanDelay", "nan"}, {"edMeasureDelay", "12 kHz"}};
  std::vector<std::string> failures;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    for (int row : {3, 4}) {
      for (const Case& c : cases) {
        SynthesizerTV->LoadDefaults();
        SynthesizerTV30->LoadDefaults();
        ScannerModule->GetScanner().SetSignalOff(false);
        driver.Box().ClearLog();
        bool open = false;
        const int stops = InForm(row, [&](TSynthesizerFrm& form) {
          // Valid changes before and after the bad one: none of them may land.
          TypeInto(form, "edIFAccuracy", "50");
          TypeInto(form, "edMeasureDelay", "200");
          driver.Click(*form.cbSignalOff);
          TypeInto(form, c.edit, c.text);
          Apply(form);
          open = form.ModalResult() == ui::mrNone && form.Visible();
        });
        const TSynthesizerBase& s = SettingsOf(row);
        std::string problem;
        if (!open) problem += " closed;";
        if (stops != 0) problem += " sweep stopped;";
        if (s.IFAccuracy != (row == 3 ? TSynthesizerTV::kDefaultIFAccuracy : TSynthesizerTV30::kDefaultIFAccuracy) ||
            s.MeasureDelay != 130 || ScannerModule->GetScanner().GetSignalOff()) {
          problem += " applied;";
        }
        const std::vector<std::string> shown = driver.Box().Shown();
        if (shown != std::vector<std::string>{std::string("'") + c.text + "' is not a valid floating point value"}) {
          problem += " message " + ::testing::PrintToString(shown);
        }
        if (!problem.empty()) failures.push_back("row " + IntToText(row) + " " + c.edit + "='" + c.text + "':" + problem);
      }
    }
  }));
  EXPECT_EQ(std::vector<std::string>{}, failures);
}

TEST_F(SynthServiceForm, MixCountEditOnRevision3ReachesTheInstrumentAndTheStateFile) {
  int32_t sent = 0, rev1 = 0, rev2 = 0, reloaded = 0;
  std::string hex;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    // A 5.4 GHz instrument of hardware revision 3; its form is the service menu's.
    TDevice k12(3);
    IDeviceModel* const real = Services().Device;
    Services().Device = &k12;
    CalibratorModule->SetHardwareRevision(3);
    SynthesizerTV->LoadDefaults();
    OnNextDialog("TServiceFrm", [&](ui::Form& menu) {
      OnNextDialog("TSynthesizerFrm", [&](ui::Form& form) {
        auto& synth = static_cast<TSynthesizerFrm&>(form);
        SetBit(*synth.sgHeterRegMap, 16, 8, "1");
        hex = synth.sgHeterRegMap->Cell(17, 8);
        driver.Click(*synth.btCancel);
      });
      Press("btSynthesizer", menu);
      Press("btOk", menu);
    });
    ClickRight(TRightPanel::kService);
    TSynthesizerBase::TWords words{};
    SynthesizerTV->GetHeterodyneWords(words);
    sent = words[TSynthesizerBase::wMIX_COUNT];
    rev1 = SynthesizerTV->LoMixCountRev1;
    rev2 = SynthesizerTV->LoMixCountRev2;
    const std::string path = platform::Paths::folder("State") + "/mixcount.cfg";
    MainFrm->SaveState(path);
    SynthesizerTV->LoadDefaults();
    MainFrm->LoadState(path);
    SynthesizerTV->GetHeterodyneWords(words);
    reloaded = words[TSynthesizerBase::wMIX_COUNT];
    CalibratorModule->SetHardwareRevision(1);
    Services().Device = real;
  }));
  EXPECT_EQ("0x9201", hex);
  EXPECT_EQ(0x9201, sent);
  EXPECT_EQ(0x9201, rev1);
  EXPECT_EQ(TSynthesizerTV::kDefaultLoMixCountRev2, rev2);
  EXPECT_EQ(0x9201, reloaded);
}

}  // namespace
