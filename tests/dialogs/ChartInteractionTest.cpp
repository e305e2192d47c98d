// The chart as a control in the running program (in-process, demonstration mode): the hint of
// the start value opens the real keypad, the caption the real keyboard, the format box the real
// Measurement list; a keypad whose trace is deleted while it is open changes nothing on Ok.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <string>

#include "dialogs/PickListFrm.h"
#include "dialogs/RegisterDialogs.h"
#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "platform/Paths.h"
#include "platform/ui/Edit.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace {

template <class T>
T* Shown() {
  T* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* form = qobject_cast<T*>(w);
    if (form != nullptr && form->isVisible() && !form->ReleasePending()) found = form;
  }
  return found;
}

TScreenPoint Mid(const TScreenRect& r) { return TScreenPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

class ChartInteraction : public ::testing::Test {
 protected:
  void TearDown() override {
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(platform::Paths::dataRoot()) / "State", ec);
  }

  // Runs the program and body once its first channel window stands.
  void RunProgram(const std::function<void(TRangeView&, TDrawingPlane&)>& body) {
    RegisterDialogs();
    bool ran = false;
    QObject context;
    const auto started = std::chrono::steady_clock::now();
    TProgramStart::OnRunning = [&] {
      auto* poll = new QTimer(&context);
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        const bool timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(30);
        if (!timedOut && (MainFrm == nullptr || MainFrm->GetView(0) == nullptr)) return;
        poll->stop();
        if (!timedOut) {
          ran = true;
          TRangeView& view = *MainFrm->GetView(0);
          body(view, *view.DrawingPlane);
        }
        QCoreApplication::quit();
      });
      poll->start(20);
    };
    const char* argv[] = {"tervan", "DemoMode", "English", nullptr};
    EXPECT_EQ(TProgramStart::Run(3, const_cast<char**>(argv)), 0);
    EXPECT_TRUE(ran) << "the program did not make its channel windows within 30 s";
  }

  void Click(TDrawingPlane& chart, TScreenPoint p) {
    driver.Move(chart, p.X, p.Y);
    driver.Click(chart, p.X, p.Y);
    driver.ProcessEvents();
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(ChartInteraction, StartHintKeypadSetsTheStartInGigahertz) {
  RunProgram([&](TRangeView& view, TDrawingPlane& chart) {
    chart.PaintNow();
    const TScreenPoint start = Mid(chart.LabelHotAreas[3].Rect);
    driver.Move(chart, start.X, start.Y);
    EXPECT_EQ(chart.HintKind, 4);
    chart.PaintNow();
    const TScreenRect box = chart.LabelHotAreas[15].Rect;
    ASSERT_FALSE(box.IsEmpty());
    Click(chart, Mid(box));
    TDigitalKeyboardFrm* keypad = Shown<TDigitalKeyboardFrm>();
    ASSERT_NE(keypad, nullptr);
    EXPECT_EQ(keypad->Title, "Start Frequency");
    // Typed on the keypad's own keys, as a user does: 1, point, 5, then the unit and Ok.
    for (const char* key : {"bt1", "btPoint", "bt5"}) driver.Click(driver.Get<TLbButton>(key, keypad));
    EXPECT_EQ(keypad->CommonEdit->Text(), "1.5");
    bool gigahertz = false;
    for (int i = 0; i < 5; ++i) {
      auto* unit = driver.Find<TLbButton>("btM" + std::to_string(i), keypad);
      if (unit != nullptr && unit->Caption() == "GHz") {
        driver.Click(*unit);
        gigahertz = true;
      }
    }
    EXPECT_TRUE(gigahertz) << "the keypad offers no GHz key";
    driver.Click(*keypad->btApply);
    driver.ProcessEvents();
    EXPECT_DOUBLE_EQ(view.Range->MinFrequency, 1500.0);
  });
}

TEST_F(ChartInteraction, CaptionKeyboardAndFormatList) {
  RunProgram([&](TRangeView& view, TDrawingPlane& chart) {
    view.SetShowCaption(true);
    chart.PaintNow();
    driver.OnNextModal([&](ui::Form& form) {
      auto* keyboard = qobject_cast<TVirtualKeyboardFrm*>(&form);
      ASSERT_NE(keyboard, nullptr);
      keyboard->CommonEdit->SetText("Bench 7");
      driver.Press(*keyboard->btApply);
    });
    Click(chart, Mid(chart.LabelHotAreas[1].Rect));
    EXPECT_EQ(view.GetMeasCaption(), "Bench 7");
    chart.PaintNow();
    EXPECT_EQ(chart.CaptionText, "Bench 7");

    TMeasurement& trace = *view.Measurements->GetActive();
    Click(chart, Mid(trace.TitleHotAreas[2].Rect));
    QPointer<TPickListFrm> list = Shown<TPickListFrm>();
    ASSERT_FALSE(list.isNull());
    EXPECT_EQ(list->Name(), "MeasureListFrm");
    int swr = -1;
    for (int r = 0; r < list->sgList->RowCount(); ++r)
      if (list->sgList->Cell(0, r) == "SWR") swr = r;
    ASSERT_GE(swr, 0);
    list->sgList->SetTopRow(swr);
    const ui::Rect row = list->sgList->CellRect(0, swr);
    driver.Click(*list->sgList, row.Left + 3, (row.Top + row.Bottom) / 2);
    driver.Press(*list->btApply);
    driver.ProcessEvents();
    EXPECT_EQ(trace.GetFormatCaption(), "SWR");
  });
}

TEST_F(ChartInteraction, DeletedTraceUnderAnOpenKeypadIsLeftAlone) {
  RunProgram([&](TRangeView& view, TDrawingPlane& chart) {
    TMeasureList& list = *view.Measurements;
    while (list.GetCount() > 1) list.DeleteActiveMeasurement();
    list.AddMeasurement(0, 0);
    ASSERT_EQ(list.GetCount(), 2);
    chart.PaintNow();
    TMeasurement& second = *list.GetMeasurement(1);
    Click(chart, Mid(second.TitleHotAreas[3].Rect));
    QPointer<TDigitalKeyboardFrm> keypad = Shown<TDigitalKeyboardFrm>();
    ASSERT_FALSE(keypad.isNull());
    EXPECT_EQ(keypad->Title, "Scale");
    const double first = list.GetMeasurement(0)->GetScaleDiv();
    list.SetActive(1);
    list.DeleteActiveMeasurement();
    const int count = list.GetCount();
    keypad->CommonEdit->SetText("3");
    driver.Press(*keypad->btApply);
    driver.ProcessEvents();
    EXPECT_EQ(list.GetCount(), count);
    EXPECT_DOUBLE_EQ(list.GetMeasurement(0)->GetScaleDiv(), first);
  });
}

}  // namespace
