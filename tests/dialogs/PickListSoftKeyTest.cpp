// The Measurement list as a user reaches it: the whole program in-process, a click on the left
// soft key "Measurement" shows the list without a modal loop, with the active trace's format
// selected; a choice changes the format, a click elsewhere closes it and changes nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/PickListFrm.h"
#include "dialogs/RegisterDialogs.h"
#include "display/RangeView.h"
#include "model/RunMode.h"
#include "platform/Paths.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"

namespace {

TPickListFrm* ShownList() {
  TPickListFrm* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* list = qobject_cast<TPickListFrm*>(w);
    if (list != nullptr && list->isVisible() && !list->ReleasePending()) found = list;
  }
  return found;
}

class PickListSoftKey : public ::testing::Test {
 protected:
  void TearDown() override {
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(platform::Paths::dataRoot()) / "State", ec);
  }

  // A press on a soft key of the left column where it was painted.
  void ClickLeftKey(int index) {
    TLeftPanel& panel = *MainFrm->LeftPanel;
    panel.GetPaintBox().PaintNow();
    const ui::Rect r = panel.Button(index).Rect;
    ASSERT_FALSE(r.IsEmpty()) << "soft key " << index << " is not shown";
    driver.Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(PickListSoftKey, TheMeasurementKeyOpensTheFormatListWithoutAModalLoop) {
  RegisterDialogs();
  // Whatever other dialogs join the factory, the calibration key stands for one that is not
  // there.
  TMainFrm::RegisterDialog("TCalibrationFrm", {});
  bool ran = false;
  QObject context;
  const auto started = std::chrono::steady_clock::now();
  TProgramStart::OnRunning = [&] {
    auto* poll = new QTimer(&context);
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      const bool timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(30);
      if (!timedOut && (MainFrm == nullptr || MainFrm->GetActiveView() == nullptr)) return;
      poll->stop();
      if (!timedOut) {
        ran = true;
        TMeasurement& trace = *MainFrm->GetActiveView()->Measurements->GetActive();
        trace.SetFormat(16);  // Return Loss, row 1

        ClickLeftKey(TLeftPanel::kMeasurement);
        QPointer<TPickListFrm> list = ShownList();
        if (list.isNull()) {
          ADD_FAILURE() << "no list after the soft key";
        } else {
          EXPECT_EQ(list->Name(), "MeasureListFrm");
          EXPECT_FALSE(list->IsModal());
          EXPECT_EQ(list->GetSelectedIndex(), 1);
          // "Smith Chart", then Ok.
          const ui::Rect row = list->sgList->CellRect(0, 3);
          driver.Click(*list->sgList, row.Left + 3, (row.Top + row.Bottom) / 2);
          driver.Press(*list->btApply);
          driver.ProcessEvents();
          EXPECT_TRUE(list.isNull()) << "the list did not release itself";
          EXPECT_EQ(trace.TraceFormat, 11);
        }

        ClickLeftKey(TLeftPanel::kMeasurement);
        list = ShownList();
        if (list.isNull()) {
          ADD_FAILURE() << "no list after the second click";
        } else {
          EXPECT_EQ(list->GetSelectedIndex(), 3);
          const ui::Rect row = list->sgList->CellRect(0, 0);
          driver.Click(*list->sgList, row.Left + 3, (row.Top + row.Bottom) / 2);
          driver.Deactivate(*list);
          driver.ProcessEvents();
          EXPECT_TRUE(list.isNull()) << "the list stayed after losing the activation";
          EXPECT_EQ(trace.TraceFormat, 11);
        }

        ClickLeftKey(TLeftPanel::kCalibration);
        EXPECT_EQ(driver.Box().Shown(), std::vector<std::string>{"Not available yet"});
      }
      QCoreApplication::quit();
    });
    poll->start(20);
  };
  const char* argv[] = {"tervan", "DemoMode", nullptr};
  EXPECT_EQ(TProgramStart::Run(2, const_cast<char**>(argv)), 0);
  EXPECT_TRUE(ran) << "the program did not make its channel windows within 30 s";
}

}  // namespace
