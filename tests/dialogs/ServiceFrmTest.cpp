// The service and factory menus in the running program, opened by the service key of each
// start-up mode: which menu opens, which keys close it, and the synthesizer form of the
// connected model through the factory.
#include "dialogs/ServiceFrm.h"

#include "dialogs/ProgramRig.h"
#include "instrument/Device.h"
#include "model/Services.h"

namespace {

class ServiceMenu : public ProgramRig {};

TEST_F(ServiceMenu, EachSwitchOpensItsMenu) {
  struct Case {
    std::vector<std::string> switches;
    const char* menu;
  };
  const Case cases[] = {{{"DemoMode", "English", "EnableService"}, "TServiceFrm"},
                        {{"DemoMode", "English", "FactoryMode"}, "TFactoryFrm"},
                        {{"DemoMode", "English", "EnableService", "FactoryMode"}, "TServiceFrm"}};
  for (const Case& c : cases) {
    std::string opened;
    std::string title;
    ASSERT_TRUE(RunProgram(c.switches, [&] {
      driver.OnNextModal([&](ui::Form& form) {
        opened = form.metaObject()->className();
        title = Value(form, "TopPanel");
        form.SetModalResult(ui::mrOk);
      });
      ClickRight(TRightPanel::kService);
    }));
    EXPECT_EQ(c.menu, opened);
    EXPECT_EQ("Service", title);
  }
}

TEST_F(ServiceMenu, OnlyEscapeClosesTheFactoryMenu) {
  std::vector<int> results;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "FactoryMode"}, [&] {
    OnNextDialog("TFactoryFrm", [&](ui::Form& form) {
      for (int key : {ui::vk::Return, ui::vk::Cancel}) {
        driver.Key(form, key);
        results.push_back(form.ModalResult());
      }
      driver.Key(form, ui::vk::Escape);
      results.push_back(form.ModalResult());
    });
    ClickRight(TRightPanel::kService);
  }));
  EXPECT_EQ((std::vector<int>{ui::mrNone, ui::mrNone, ui::mrCancel}), results);
}

TEST_F(ServiceMenu, EnterAndEscapeCloseTheServiceMenu) {
  std::vector<int> results;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    for (int key : {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) {
      OnNextDialog("TServiceFrm", [&](ui::Form& form) {
        driver.Key(form, key);
        results.push_back(form.ModalResult());
      });
      ClickRight(TRightPanel::kService);
    }
  }));
  EXPECT_EQ((std::vector<int>{ui::mrOk, ui::mrOk, ui::mrOk}), results);
}

TEST_F(ServiceMenu, SynthesizerOpensTheFormOfTheConnectedModel) {
  std::vector<int> rows;
  std::vector<bool> hiddenMeanwhile;
  std::vector<bool> shownAfter;
  std::vector<std::string> boxes;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    TMainFrm::RegisterDialog("TSynthesizerFrm", [&](ui::Form& owner, bool modal, int row) {
      EXPECT_EQ(&owner, MainFrm);
      EXPECT_TRUE(modal);
      rows.push_back(row);
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (std::string(w->metaObject()->className()) == "TServiceFrm") hiddenMeanwhile.push_back(w->isHidden());
      }
      return static_cast<int>(ui::mrOk);
    });
    IDeviceModel* const real = Services().Device;
    OnNextDialog("TServiceFrm", [&](ui::Form& form) {
      for (int row : {1, 3, 4, 2}) {
        TDevice model(row);
        Services().Device = &model;
        Press("btSynthesizer", form);
        Services().Device = real;
        shownAfter.push_back(form.Visible());
      }
      Press("btCreateReport", form);
      Press("btOpenReport", form);
      EXPECT_EQ(ui::mrNone, form.ModalResult());
      Press("btOk", form);
    });
    ClickRight(TRightPanel::kService);
    boxes = driver.Box().Shown();
  }));
  TMainFrm::RegisterDialog("TSynthesizerFrm", {});
  EXPECT_EQ((std::vector<int>{3, 4}), rows);
  EXPECT_EQ((std::vector<bool>{true, true}), hiddenMeanwhile);
  EXPECT_EQ((std::vector<bool>(4, true)), shownAfter);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
