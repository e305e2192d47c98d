// The Analysis dialog opened by the left soft key "Analysis" of the running main window: its
// layout and group buttons, the switches and what the channel keeps of them, the fixture
// files through the scripted browser, the keypads (the gate in the distance unit), the values
// a refresh cannot name, and the table editors whose changes show with the next click.
#include "dialogs/AnalysisDialog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <charconv>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "ChannelDialogRig.h"
#include "common/FileBytes.h"
#include "dialogs/LimitEditor.h"
#include "dialogs/TraceDialogs.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "platform/Paths.h"
#include "traces/FormatMath.h"
#include "traces/LimitLine.h"
#include "traces/TimeDomainSettings.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LeftPanel.h"

namespace {

namespace fs = std::filesystem;

class AnalysisDialog : public ChannelDialogRig {
 protected:
  void StartAnalysis() {
    Start();
    RegisterTraceDialogs();
  }
  void WithDialog(const std::function<void(TAnalysisFrm&)>& checks) {
    WithModalDialog<TAnalysisFrm>([this] { frm->LeftPanelClick(TLeftPanel::kAnalysis); }, checks);
  }
  // The keypad's next run: meanwhile acts first, then the text is typed and confirmed.
  void Keypad(const std::string& text, const std::function<void(TDigitalKeyboardFrm&)>& meanwhile = {}) {
    driver.OnNextModal([this, text, meanwhile](ui::Form& form) {
      auto& keypad = dynamic_cast<TDigitalKeyboardFrm&>(form);
      if (meanwhile) meanwhile(keypad);
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
  }
  // The browser's next run: the name typed on its keyboard, then Ok.
  void AnswerBrowser(const std::string& name, std::string* proposed = nullptr) {
    driver.OnNextModal([this, name, proposed](ui::Form& browser) {
      if (proposed) *proposed = driver.Get<ui::Panel>("pnFileValue", &browser).Caption();
      driver.OnNextModal([this, name](ui::Form& keyboard) {
        auto& edit = driver.Get<ui::Edit>("CommonEdit", &keyboard);
        edit.SetText(name);
        driver.Key(edit, ui::vk::Return);
      });
      driver.Press(driver.Get("pnFileValue", &browser));
      driver.Press(driver.Get("btOk", &browser));
    });
  }
  static fs::path TouchstoneFolder() { return platform::Paths::folder("Touchstone"); }
  // Which group panel shows at the middle of the group place.
  static std::string GroupInFront(TAnalysisFrm& d) {
    const QPoint centre = d.pn1->geometry().center();
    for (QWidget* w = d.childAt(centre); w != nullptr && w != &d; w = w->parentWidget()) {
      if (w->objectName().startsWith("pn") && w->objectName().size() == 3) return w->objectName().toStdString();
    }
    return "<none>";
  }
};

TEST_F(AnalysisDialog, LayoutAndGroupButtonsLightTheChosenGroup) {
  StartAnalysis();
  WithDialog([&](TAnalysisFrm& d) {
    // Thirty "H" and two margins wide; eleven rows high.
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(11 * 26 + 12 * 6, d.Height());
    EXPECT_EQ(ui::Rect(6, 38, 108, 64), d.bt1Fixture->BoundsRect());
    EXPECT_EQ(ui::Rect(114, 38, 216, 64), d.bt3LimitTest->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 70, 108, 96), d.bt2Conversion->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 102, 216, 128), d.btGating->BoundsRect());
    EXPECT_EQ(ui::Rect(1, 128, 221, 326), d.pn3->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 326, 216, 352), d.btOk->BoundsRect());
    // Inside a group the rows keep the dialog's pitch: the sixth row of the limit group is
    // its editor button, level with the form's ninth row.
    EXPECT_EQ(ui::Rect(5, 166, 215, 192), d.btEditLimitLine->BoundsRect());
    EXPECT_EQ(128 + 166, d.RowRect(10, d.Width()).Top);

    TLbButton* const buttons[] = {d.bt1Fixture, d.bt2Conversion, d.bt3LimitTest, d.bt4RippleTest, d.btGating};
    const char* const groups[] = {"pn1", "pn2", "pn3", "pn4", "pn5"};
    const auto colours = [&](int chosen) {
      for (int i = 0; i < 5; ++i) {
        const ui::TColor c = i == chosen ? 0xC0FFFF : 0xC0C0C0;
        EXPECT_EQ(c, buttons[i]->Color()) << i << " of " << chosen;
        EXPECT_EQ(c, buttons[i]->LightColor()) << i << " of " << chosen;
      }
      EXPECT_EQ(groups[chosen], GroupInFront(d));
    };
    // The fixture simulator first at every opening.
    colours(0);
    for (int i : {4, 2, 1, 3, 0, 4}) {
      driver.Press(*buttons[i]);
      colours(i);
    }
  });
  // A fresh opening starts on the fixtures again.
  WithDialog([&](TAnalysisFrm& d) {
    EXPECT_EQ(0, d.Groups.Selected());
    EXPECT_EQ("pn1", GroupInFront(d));
  });
}

TEST_F(AnalysisDialog, WithoutTheDigitalPanelTheNumberRowsOpenNothing) {
  StartAnalysis();
  Look().SetUseDigitalPanel(false);
  WithDialog([&](TAnalysisFrm& d) {
    bool opened = false;
    driver.OnNextModal([&](ui::Form& form) {
      opened = true;
      form.SetModalResult(ui::mrCancel);
    });
    const double z0 = Channel().GetZConversionValue(0);
    const double start = View().TimeDomain.GatingStart;
    const double stop = View().TimeDomain.GatingStop;
    for (ui::Panel* row : {d.pnPortZ0, d.pnStimulusOffsetValue, d.pnResponseOffset, d.pnStartValue, d.pnStop}) {
      driver.Press(*row);
      EXPECT_TRUE(d.Visible()) << row->Name();
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(z0, Channel().GetZConversionValue(0));
    EXPECT_EQ(start, View().TimeDomain.GatingStart);
    EXPECT_EQ(stop, View().TimeDomain.GatingStop);
    EXPECT_EQ(0.0, Trace().LimitLine->GetRelativeArgument());
    EXPECT_EQ(0.0, Trace().LimitLine->GetRelativeValue());
    Look().SetUseDigitalPanel(true);
    driver.Press(*d.pnPortZ0);
    EXPECT_TRUE(opened);
  });
}

TEST_F(AnalysisDialog, SwitchesAndTheValuesTheChannelKeeps) {
  StartAnalysis();
  WithDialog([&](TAnalysisFrm& d) {
    EXPECT_EQ(" 50 Ohm", d.pnPortZ0Value->Caption());
    EXPECT_EQ(" -", d.pnDESparamValue->Caption());
    EXPECT_EQ(" -", d.pnESparamValue->Caption());
    // Without a fixture file neither fixture switch stays on.
    for (ui::Panel* row : {d.pnDeEmbedding, d.pnDeEmbeddingValue, d.pnEmbedding}) {
      driver.Press(*row);
      EXPECT_FALSE(Channel().GetDeembeddingEnabled(0));
      EXPECT_FALSE(Channel().GetEmbeddingEnabled(0));
      EXPECT_EQ(" OFF", d.pnDeEmbeddingValue->Caption());
      EXPECT_EQ(" OFF", d.pnEmbeddingValue->Caption());
    }
    driver.Press(*d.pnPortZConversionValue);
    EXPECT_TRUE(Channel().ZConvEnabled);
    EXPECT_EQ(" ON", d.pnPortZConversionValue->Caption());

    // Port impedance through the keypad, limited by the channel.
    const std::pair<const char*, const char*> z0[] = {
        {"75.123456", " 75.1235 Ohm"}, {"0", " 0.001 Ohm"}, {"1e9", " 10000 Ohm"}, {"50", " 50 Ohm"}};
    for (const auto& [typed, shown] : z0) {
      Keypad(typed);
      driver.Press(*d.pnPortZ0Value);
      EXPECT_EQ(shown, d.pnPortZ0Value->Caption()) << typed;
    }

    // Trace switches, each written to the active trace and shown back.
    driver.Press(*d.bt3LimitTest);
    struct Switch {
      ui::Panel* row;
      ui::Panel* value;
      bool TMeasurement::*field;
    };
    const Switch switches[] = {
        {d.pnConversionState, d.pnConversionValue, &TMeasurement::ConversionOn},
        {d.pnLimitTestState, d.pnLimitTestValue, &TMeasurement::LimitTest},
        {d.pnLimitLine, d.pnLimitLineValue, &TMeasurement::ShowLimit},
        {d.pnFailSignValue, d.pnFailSignValue, &TMeasurement::ShowFailSign},
        {d.pnRippleTestState, d.pnRippleTestValue, &TMeasurement::RippleTest},
        {d.pnRippleLine, d.pnRippleLineValue, &TMeasurement::ShowRippleLimit},
        {d.pnRippleFailSign, d.pnRippleFailSignValue, &TMeasurement::ShowRippleFailSign},
    };
    for (const Switch& s : switches) {
      const bool before = Trace().*s.field;
      driver.Press(*s.row);
      EXPECT_EQ(!before, Trace().*s.field) << s.row->Name();
      EXPECT_EQ(!before ? " ON" : " OFF", s.value->Caption()) << s.row->Name();
    }
    driver.Press(*d.pnGating);
    EXPECT_TRUE(View().TimeDomain.EnableGating);
    EXPECT_EQ(" ON", d.pnGatingValue->Caption());

    // Offsets are stored as typed, huge ones included.
    for (const char* typed : {"1e300", "-1e300", "2.5"}) {
      Keypad(typed);
      driver.Press(*d.pnResponseOffsetValue);
      EXPECT_EQ(std::stod(typed), Trace().LimitLine->GetRelativeValue());
      Keypad(typed);
      driver.Press(*d.pnStimulusOffset);
      EXPECT_EQ(std::stod(typed), Trace().LimitLine->GetRelativeArgument());
    }
    EXPECT_NE(std::string::npos, d.pnResponseOffsetValue->Caption().find("2.5")) << d.pnResponseOffsetValue->Caption();
  });
}

TEST_F(AnalysisDialog, ListsAndTheValuesARefreshCannotName) {
  StartAnalysis();
  WithDialog([&](TAnalysisFrm& d) {
    driver.Press(*d.bt2Conversion);
    ChooseInList("Admittance Y");
    driver.Press(*d.pnFunctionValue);
    EXPECT_EQ(1, Trace().ConversionType);
    EXPECT_EQ(" Admittance Y", d.pnFunctionValue->Caption());
    EXPECT_TRUE(d.Visible());
    // A conversion type without a name shows an empty value.
    Trace().ConversionType = 5;
    driver.Press(*d.pnConversionState);
    EXPECT_EQ(" ", d.pnFunctionValue->Caption());

    driver.Press(*d.btGating);
    ChooseInList("Notch");
    driver.Press(*d.pnType);
    EXPECT_EQ(1, View().TimeDomain.GatingType);
    EXPECT_EQ(" Notch", d.pnTypeValue->Caption());
    ChooseInList("Wide");
    driver.Press(*d.pnShapeValue);
    EXPECT_EQ(2, View().TimeDomain.GatingShape);
    EXPECT_EQ(" Wide", d.pnShapeValue->Caption());
    // Cancel in a list keeps the gate's type.
    driver.OnNextModal([this](ui::Form& list) { driver.Press(driver.Get("btCancel", &list)); });
    driver.Press(*d.pnTypeValue);
    EXPECT_EQ(1, View().TimeDomain.GatingType);
    // Codes without a name keep the previous texts.
    View().SetGatingType(5);
    View().SetGatingShape(7);
    driver.Press(*d.pnGating);
    EXPECT_EQ(" Notch", d.pnTypeValue->Caption());
    EXPECT_EQ(" Wide", d.pnShapeValue->Caption());
  });
}

TEST_F(AnalysisDialog, GateLimitsInTheDistanceUnitRoundTrip) {
  StartAnalysis();
  ScannerModule->MetricSystem = TScannerModule::UnitFeet;
  ScannerModule->SetVelocityFactor(0.66);
  View().SetGatingStart(-10e-9);
  ASSERT_EQ(-10e-9, View().TimeDomain.GatingStart);
  WithDialog([&](TAnalysisFrm& d) {
    driver.Press(*d.btGating);
    // The one-way distance of -10 ns in feet at velocity 0.66.
    const double feet = -10e-9 * 0.5 * 299792458.0 * 0.66 / 0.3048;
    double shown = 0;
    int kind = -1;
    int index = -1;
    std::string title;
    driver.OnNextModal([&](ui::Form& form) {
      auto& keypad = dynamic_cast<TDigitalKeyboardFrm&>(form);
      shown = keypad.Getter();
      kind = keypad.UnitKind;
      index = keypad.UnitIndex;
      title = keypad.Title;
      char text[40];
      const auto end = std::to_chars(text, text + sizeof text, shown).ptr;
      keypad.CommonEdit->SetText(std::string(text, end));
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
    driver.Press(*d.pnStartValue);
    EXPECT_NEAR(feet, shown, 1e-12);
    EXPECT_EQ(ukImperialLength, kind);
    EXPECT_EQ(1, index);
    EXPECT_EQ("Start", title);
    EXPECT_NEAR(-10e-9, View().TimeDomain.GatingStart, 1e-18);
    EXPECT_NE(std::string::npos, d.pnStartValue->Caption().find("-3.24")) << d.pnStartValue->Caption();
    EXPECT_NE(std::string::npos, d.pnStartValue->Caption().find("ft")) << d.pnStartValue->Caption();

    // Metres and nanoseconds offer their units; a value in metres reaches the gate as time.
    ScannerModule->MetricSystem = TScannerModule::UnitMetres;
    Keypad("0.5", [&](TDigitalKeyboardFrm& k) {
      EXPECT_EQ(ukMetricLength, k.UnitKind);
      EXPECT_EQ(0, k.UnitIndex);
    });
    driver.Press(*d.pnStop);
    ASSERT_LT(0.5 / (0.5 * 299792458.0 * 0.66), TTimeDomainSettings::TimeMax(&Channel()));
    EXPECT_NEAR(0.5 / (0.5 * 299792458.0 * 0.66), View().TimeDomain.GatingStop, 1e-18);
    ScannerModule->MetricSystem = TScannerModule::UnitSeconds;
    Keypad("-4", [&](TDigitalKeyboardFrm& k) {
      EXPECT_EQ(ukTime, k.UnitKind);
      EXPECT_EQ(3, k.UnitIndex);
      EXPECT_NEAR(-10, k.Getter(), 1e-9);
    });
    driver.Press(*d.pnStart);
    EXPECT_NEAR(-4e-9, View().TimeDomain.GatingStart, 1e-18);
    EXPECT_NE(std::string::npos, d.pnStartValue->Caption().find("-4")) << d.pnStartValue->Caption();

    // A distance unit outside the three: the value passes unchanged and the texts stay.
    const std::string startText = d.pnStartValue->Caption();
    ScannerModule->MetricSystem = 7;
    Keypad("-5e-9", [&](TDigitalKeyboardFrm& k) { EXPECT_EQ(ukNone, k.UnitKind); });
    driver.Press(*d.pnStart);
    EXPECT_NEAR(-5e-9, View().TimeDomain.GatingStart, 1e-20);
    EXPECT_EQ(startText, d.pnStartValue->Caption());

    // Huge limits are kept inside the channel's alias-free range.
    ScannerModule->MetricSystem = TScannerModule::UnitSeconds;
    const double limit = TTimeDomainSettings::TimeMax(&Channel());
    for (const char* typed : {"1e300", "-1e300"}) {
      Keypad(typed);
      driver.Press(*d.pnStop);
      Keypad(typed);
      driver.Press(*d.pnStart);
      EXPECT_LE(std::fabs(View().TimeDomain.GatingStart), limit) << typed;
      EXPECT_LE(std::fabs(View().TimeDomain.GatingStop), limit) << typed;
      EXPECT_LE(View().TimeDomain.GatingStart, View().TimeDomain.GatingStop) << typed;
      EXPECT_TRUE(d.Visible());
    }
  });
}

TEST_F(AnalysisDialog, FixtureFilesLoadTheCheckedNameOnly) {
  StartAnalysis();
  // A two-port file as the program's own Touchstone export writes it.
  const fs::path exported = TouchstoneFolder() / "fix.s2p";
  Channel().SaveTouchstone(exported.string(), 1, 0, 0);
  ASSERT_TRUE(fs::is_regular_file(exported));
  const std::string whole = testenv::ReadBytes(exported);
  std::mt19937 random(5);
  std::string noise(700, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xFF);
  testenv::WriteBytes(TouchstoneFolder() / "noise.s2p", noise);
  testenv::WriteBytes(TouchstoneFolder() / "cut.s2p", whole.substr(0, whole.size() / 3));

  WithDialog([&](TAnalysisFrm& d) {
    std::string proposed;
    AnswerBrowser("fix", &proposed);
    driver.Press(*d.pnDESparamValue);
    EXPECT_EQ((TouchstoneFolder() / "fix.s2p").string(), Channel().GetDeembeddingFile(0));
    EXPECT_EQ(" fix.s2p", d.pnDESparamValue->Caption());
    EXPECT_TRUE(d.Visible());
    driver.Press(*d.pnDeEmbedding);
    ASSERT_TRUE(Channel().GetDeembeddingEnabled(0));
    EXPECT_EQ(" ON", d.pnDeEmbeddingValue->Caption());

    // Now "fix" exists and "fix.s2p" does not: the name that would be loaded is missing, so
    // the fixture loaded before stays, switched on, and nothing is reported.
    fs::rename(TouchstoneFolder() / "fix.s2p", TouchstoneFolder() / "fix");
    driver.Box().ClearLog();
    AnswerBrowser("fix", &proposed);
    driver.Press(*d.pnDESparam);
    EXPECT_TRUE(driver.Box().Shown().empty());
    EXPECT_NE(std::string::npos, proposed.find(" fix.s2p")) << proposed;
    EXPECT_EQ((TouchstoneFolder() / "fix.s2p").string(), Channel().GetDeembeddingFile(0));
    EXPECT_TRUE(Channel().GetDeembeddingEnabled(0));
    EXPECT_EQ(" fix.s2p", d.pnDESparamValue->Caption());
    EXPECT_EQ(" ON", d.pnDeEmbeddingValue->Caption());

    // Cancel in the browser changes nothing either.
    driver.OnNextModal([this](ui::Form& browser) { driver.Press(driver.Get("btCancel", &browser)); });
    driver.Press(*d.pnDESparamValue);
    EXPECT_TRUE(Channel().GetDeembeddingEnabled(0));

    // A file that gives no network takes the fixture away: OFF and no name.
    AnswerBrowser("noise.s2p");
    driver.Press(*d.pnDESparamValue);
    EXPECT_FALSE(Channel().GetDeembeddingEnabled(0));
    EXPECT_EQ(" OFF", d.pnDeEmbeddingValue->Caption());
    EXPECT_EQ(" -", d.pnDESparamValue->Caption());
    EXPECT_TRUE(d.Visible());

    // The embedding row loads into the embedding network only; a truncated file shows what
    // the channel made of it.
    fs::rename(TouchstoneFolder() / "fix", TouchstoneFolder() / "fix.s2p");
    AnswerBrowser("fix");
    driver.Press(*d.pnESparamValue);
    EXPECT_EQ(" fix.s2p", d.pnESparamValue->Caption());
    EXPECT_EQ(" -", d.pnDESparamValue->Caption());
    driver.Press(*d.pnEmbeddingValue);
    EXPECT_TRUE(Channel().GetEmbeddingEnabled(0));
    AnswerBrowser("cut");
    driver.Press(*d.pnESparam);
    const std::string file = Channel().GetEmbeddingFile(0);
    EXPECT_EQ(file.empty() ? " -" : " " + fs::path(file).filename().string(), d.pnESparamValue->Caption());
    EXPECT_EQ(Channel().GetEmbeddingEnabled(0) ? " ON" : " OFF", d.pnEmbeddingValue->Caption());
    EXPECT_TRUE(d.Visible());
  });
}

TEST_F(AnalysisDialog, EditorChangesShowWithTheNextClick) {
  StartAnalysis();
  TLimitLine& line = *Trace().LimitLine;
  line.InsertSegment(0);
  line.SetLimitType(0, TLimitLine::kLimitUpper);
  Trace().SetLimitTest(true);
  const fs::path mask = fs::path(platform::Paths::folder("Limit")) / "mask.lim";
  Trace().SaveLimitFile(mask.string());
  Trace().SetLimitTest(false);
  line.Clear();

  WithDialog([&](TAnalysisFrm& d) {
    driver.Press(*d.bt3LimitTest);
    EXPECT_EQ(" OFF", d.pnLimitTestValue->Caption());
    bool edited = false;
    driver.OnNextModal([&](ui::Form& form) {
      auto* editor = dynamic_cast<TLimitEditFrm*>(&form);
      ASSERT_NE(nullptr, editor) << form.metaObject()->className();
      EXPECT_FALSE(d.Visible());
      AnswerBrowser("mask.lim");
      driver.Press(*editor->btRecall);
      edited = true;
      driver.Press(*editor->btOk);
    });
    driver.Press(*d.btEditLimitLine);
    ASSERT_TRUE(edited);
    EXPECT_TRUE(Trace().LimitTest);
    EXPECT_EQ(1, Trace().LimitLine->GetSegmentCount());
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(" OFF", d.pnLimitTestValue->Caption());
    driver.Press(*d.pnFailSign);
    EXPECT_EQ(" ON", d.pnLimitTestValue->Caption());

    // The ripple editor opens the same way, with the dialog hidden meanwhile.
    bool ripple = false;
    driver.OnNextModal([&](ui::Form& form) {
      ripple = std::string(form.metaObject()->className()) == "TRippleEditFrm";
      EXPECT_FALSE(d.Visible());
      driver.Press(driver.Get("btOk", &form));
    });
    driver.Press(*d.bt4RippleTest);
    driver.Press(*d.btEditRippleLimit);
    EXPECT_TRUE(ripple);
    EXPECT_TRUE(d.Visible());
  });
}

TEST_F(AnalysisDialog, TargetsDeletedUnderTheKeypadOrAListGetNothing) {
  StartAnalysis();
  TMeasureList& traces = *View().GetTraces();
  traces.AddMeasurement(0, fmtReturnLoss);
  ASSERT_EQ(2, traces.GetCount());
  TMeasurement* first = traces.GetMeasurement(0);
  WithDialog([&](TAnalysisFrm& d) {
    driver.Press(*d.bt3LimitTest);
    // The active trace deleted while the keypad is up: the trace that becomes active keeps
    // its offsets.
    Keypad("12", [&](TDigitalKeyboardFrm&) { traces.DeleteActiveMeasurement(); });
    driver.Press(*d.pnResponseOffset);
    ASSERT_EQ(1, traces.GetCount());
    EXPECT_EQ(first, traces.GetActive());
    EXPECT_EQ(0.0, first->LimitLine->GetRelativeValue());
    EXPECT_TRUE(d.Visible());
    Keypad("3", [&](TDigitalKeyboardFrm&) { traces.AddMeasurement(0, fmtReturnLoss); });
    driver.Press(*d.pnStimulusOffsetValue);
    EXPECT_EQ(0.0, first->LimitLine->GetRelativeArgument());
    EXPECT_EQ(0.0, traces.GetActive()->LimitLine->GetRelativeArgument());
    // Within a pick list: the trace deleted, then Ok: nothing breaks, the dialog is back.
    driver.Press(*d.bt2Conversion);
    driver.OnNextModal([&](ui::Form& list) {
      traces.DeleteActiveMeasurement();
      driver.Press(driver.Get("btApply", &list));
    });
    driver.Press(*d.pnFunction);
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(1, traces.GetCount());
  });
}

TEST(AnalysisDialogText, ImpedanceKeepsSixSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {50, "50"},          {75.123456, "75.1235"}, {0.001, "0.001"},         {10000, "10000"},
      {999.9999, "1000"},  {0.1234567, "0.123457"}, {1234567, "1.23457E+06"}, {2e-6, "2E-06"},
      {-12.5, "-12.5"},    {100.5, "100.5"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(text, TAnalysisFrm::ImpedanceText(value)) << value;
}

}  // namespace
