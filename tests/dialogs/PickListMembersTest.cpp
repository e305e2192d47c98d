// What single members do beyond the frame: the points list's "More..." keypad (modal and
// modeless), the power list's switching of the output, data math without a memory, the marker
// number list's closures, the Kaiser window from a beta without a row, the distance unit that
// keeps every marker in place, the kit list's editor through the factory, and targets that are
// gone by the time Ok is pressed.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "dialogs/PickListMembers.h"
#include "dialogs/PickLists.h"
#include "dialogs/PickListRig.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "platform/ui/Edit.h"
#include "platform/ui/Keys.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MemoryList.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

class PickListMembers : public PickListRig {
 protected:
  void SetUp() override { Start(); }

  // The keypad behind "More...": the text typed, then Ok; false when the keypad stayed open
  // (it is cancelled then).
  void ScriptKeypad(const std::string& text, bool* accepted = nullptr) {
    driver.OnNextModal([this, text, accepted](ui::Form& form) {
      auto* pad = qobject_cast<TDigitalKeyboardFrm*>(&form);
      ASSERT_NE(pad, nullptr) << "the modal run is not the keypad";
      EXPECT_EQ(pad->Title, "Points");
      // Pasted, as the keys take digits only.
      QGuiApplication::clipboard()->setText(QString::fromStdString(text));
      driver.Key(*pad->CommonEdit, 'V', ui::ssCtrl);
      driver.Press(*pad->btApply);
      const bool closed = pad->ModalResult() != ui::mrNone;
      if (accepted != nullptr) *accepted = closed;
      if (!closed) driver.Press(*pad->btCancel);
    });
  }
};

TEST_F(PickListMembers, PointsWithoutARowSelect201AndOkSets201) {
  Channel().SetPointCount(1001);
  ASSERT_EQ(Channel().NPoints, 1001);
  const int result = RunScripted([&] { return RunPointsList(*frm); },
                                 [&](TPickListFrm& list) {
                                   EXPECT_EQ(list.sgList->Cell(0, list.GetSelectedIndex()), "201");
                                   PressOk(list);
                                 });
  EXPECT_EQ(result, ui::mrOk);
  EXPECT_EQ(Channel().NPoints, 201);
}

TEST_F(PickListMembers, AnIFBandwidthWithoutARowSelects30kHz) {
  Channel().CommonIFBW = 500;  // as a state file may leave it
  RunScripted([&] { return RunIFBWList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.sgList->Cell(0, list.GetSelectedIndex()), "30 kHz");
                PressCancel(list);
              });
  EXPECT_EQ(Channel().CommonIFBW, 500);
}

TEST_F(PickListMembers, PrintColourOneSelectsGrayScale) {
  frm->PrintColor = 1;
  RunScripted([&] { return RunPrintColorList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.sgList->Cell(0, list.GetSelectedIndex()), "Gray Scale");
                PressCancel(list);
              });
}

TEST_F(PickListMembers, MoreOpensTheKeypadAndClosesTheModalListAsCancel) {
  // The keypad opens whatever the look's digital-panel switch says.
  ViewProperties->SetUseDigitalPanel(false);
  const struct {
    const char* text;
    int points;
  } cases[] = {{"2.7", 2}, {"0", 2}, {"-1e300", 2}, {"1e300", 16001}, {"350", 350}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Channel().SetPointCount(201);
    const int result = RunScripted([&] { return RunPointsList(*frm); },
                                   [&](TPickListFrm& list) {
                                     PressRow(list, 0);  // highlighted, never applied
                                     ScriptKeypad(c.text);
                                     driver.Press(*list.btCommand);
                                   });
    EXPECT_EQ(result, ui::mrCancel);
    EXPECT_LE(Channel().NPoints, c.points);
    if (c.points != 16001) {
      EXPECT_EQ(Channel().NPoints, c.points);
    }
    EXPECT_GE(Channel().NPoints, 2);
  }
}

TEST_F(PickListMembers, MoreWithTextThatIsNoNumberAppliesNothing) {
  Channel().SetPointCount(401);
  bool accepted = true;
  const int result = RunScripted([&] { return RunPointsList(*frm); },
                                 [&](TPickListFrm& list) {
                                   ScriptKeypad("many", &accepted);
                                   driver.Press(*list.btCommand);
                                 });
  EXPECT_FALSE(accepted);
  ASSERT_EQ(driver.Box().Shown().size(), 1u);
  EXPECT_NE(driver.Box().Shown()[0].find("is not a valid floating point value"), std::string::npos);
  EXPECT_EQ(result, ui::mrCancel);
  EXPECT_EQ(Channel().NPoints, 401);
}

TEST_F(PickListMembers, MoreOnAModelessListKeepsTheListUntilItsHandlerReturns) {
  Channel().SetPointCount(201);
  QPointer<TPickListFrm> list = ShowPointsList();
  ASSERT_FALSE(list.isNull());
  bool aliveDuringKeypad = false;
  driver.OnNextModal([&](ui::Form& form) {
    auto* pad = qobject_cast<TDigitalKeyboardFrm*>(&form);
    ASSERT_NE(pad, nullptr);
    aliveDuringKeypad = !list.isNull() && list->ReleasePending();
    driver.Type(*pad->CommonEdit, "2.7");
    driver.Press(*pad->btApply);
    // The main loop runs inside the keypad's run: still no deletion under the handler.
    driver.ProcessEvents();
    aliveDuringKeypad = aliveDuringKeypad && !list.isNull();
  });
  driver.Press(*list->btCommand);
  EXPECT_TRUE(aliveDuringKeypad);
  driver.ProcessEvents();
  EXPECT_TRUE(list.isNull()) << "the list stayed after its handler returned";
  EXPECT_EQ(Channel().NPoints, 2);
}

TEST_F(PickListMembers, HighSwitchesTheOutputOnOnlyWhenItWasOff) {
  TScanner& sc = scanner();
  // Output off: the signal comes on, the flag goes off.
  ScannerModule->SetLowPower(true);
  sc.SetSignalOff(true);
  RunScripted([&] { return RunPowerModeList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.GetSelectedIndex(), 2);  // "RF Off"
                PressRow(list, 0);
                PressOk(list);
              });
  EXPECT_FALSE(sc.GetSignalOff());
  EXPECT_FALSE(ScannerModule->Attenuator20dB);
  // Output on: only the flag changes.
  ScannerModule->SetLowPower(true);
  RunScripted([&] { return RunPowerModeList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.GetSelectedIndex(), 1);  // "Low"
                PressRow(list, 0);
                PressOk(list);
              });
  EXPECT_FALSE(sc.GetSignalOff());
  EXPECT_FALSE(ScannerModule->Attenuator20dB);
  // "RF Off" leaves the flag.
  ScannerModule->SetLowPower(true);
  RunScripted([&] { return RunPowerModeList(*frm); },
              [&](TPickListFrm& list) {
                PressRow(list, 2);
                PressOk(list);
              });
  EXPECT_TRUE(sc.GetSignalOff());
  EXPECT_TRUE(ScannerModule->Attenuator20dB);
}

TEST_F(PickListMembers, SwitchStateCancelKeepsTheCallersInteger) {
  int state = 4;
  const int result = RunScripted([&] { return RunStateList(*frm, state); },
                                 [&](TPickListFrm& list) {
                                   EXPECT_EQ(list.GetSelectedIndex(), 4);
                                   PressRow(list, 1);
                                   PressCancel(list);
                                 });
  EXPECT_EQ(result, ui::mrCancel);
  EXPECT_EQ(state, 4);
}

TEST_F(PickListMembers, DataOverMemoryWithoutAMemoryLeavesDataMathOff) {
  Trace().Memories->Clear();
  ASSERT_EQ(Trace().DataMath, 4);
  RunScripted([&] { return RunDataMathList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.GetSelectedIndex(), 0);
                PressRow(list, 1);
                PressOk(list);
              });
  EXPECT_EQ(Trace().DataMath, 4);
}

TEST_F(PickListMembers, MarkerNumbersThroughTheClosures) {
  std::vector<double> set;
  int reads = 0;
  const int result = RunScripted(
      [&] {
        return RunMarkerNumList(
            *frm, [&](double x) { set.push_back(x); },
            [&] {
              ++reads;
              return 15.0;
            });
      },
      [&](TPickListFrm& list) {
        EXPECT_EQ(list.sgList->Cell(0, list.GetSelectedIndex()), "Reference Marker");
        PressRow(list, 3);
        EXPECT_EQ(list.sgList->Cell(0, 3), "Marker 3");
        PressOk(list);
      });
  EXPECT_EQ(result, ui::mrOk);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(set, std::vector<double>{2.0});
  // Row 0 gives the reference marker's tag.
  set.clear();
  RunScripted([&] { return RunMarkerNumList(*frm, [&](double x) { set.push_back(x); }, [] { return 6.9; }); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.GetSelectedIndex(), 7);  // tag 6 is "Marker 7"
                PressRow(list, 0);
                PressOk(list);
              });
  EXPECT_EQ(set, std::vector<double>{15.0});
}

TEST_F(PickListMembers, MarkerGettersWithoutARowSelectRowZero) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double g : {std::nan(""), inf, -inf, 1e300, -1e300, -1.0, 16.0, 99.0, double(INT_MIN), double(INT_MAX)}) {
    SCOPED_TRACE(g);
    RunScripted([&] { return RunMarkerNumList(*frm, [](double) {}, [g] { return g; }); },
                [&](TPickListFrm& list) {
                  EXPECT_EQ(list.GetSelectedIndex(), 0);
                  PressCancel(list);
                });
  }
}

TEST_F(PickListMembers, KaiserBetaFourSelectsMinimumAndOkSetsBetaZero) {
  View().SetTransformBeta(4);
  RunScripted([&] { return RunDTFWindowList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.sgList->Cell(0, list.GetSelectedIndex()), "Minimum");
                PressOk(list);
              });
  EXPECT_EQ(View().TimeDomain.Beta, 0.0);
}

TEST_F(PickListMembers, MetresToFeetKeepsEveryMarkerInPlace) {
  ScannerModule->SetDistanceUnits(TScannerModule::UnitMetres);
  struct TKept {
    TMarker* marker;
    double relativeX;
    double argument;
  };
  std::vector<TKept> kept;
  for (int i = 0; i < TMainFrm::kViewCount; ++i) {
    TRangeView* view = frm->GetView(i);
    ASSERT_NE(view, nullptr);
    TMeasurement& trace = *view->Measurements->GetActive();
    trace.SetFormat(i % 2 == 0 ? 18 : 19);  // distance to fault
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(trace.Markers->AddMarker());
    trace.Markers->SetReferenceEnabled(true);
    for (int k = 0; k < trace.Markers->GetCount(); ++k) {
      TMarker* m = trace.Markers->GetMarker(k);
      m->SetRelativeX(0.1 + 0.2 * k + 0.01 * i);
      kept.push_back({m, m->RelativeX, m->Argument});
    }
  }
  ASSERT_EQ(kept.size(), 16u);
  const int result = RunScripted([&] { return RunMetricList(*frm); },
                                 [&](TPickListFrm& list) {
                                   EXPECT_EQ(list.GetSelectedIndex(), 1);
                                   PressRow(list, 2);
                                   PressOk(list);
                                 });
  EXPECT_EQ(result, ui::mrOk);
  EXPECT_EQ(ScannerModule->MetricSystem, TScannerModule::UnitFeet);
  for (const TKept& k : kept) {
    EXPECT_NEAR(k.marker->RelativeX, k.relativeX, 1e-12) << "tag " << k.marker->Tag;
    EXPECT_NEAR(k.marker->Argument, k.argument / 0.3048, 1e-9 * std::abs(k.argument / 0.3048))
        << "tag " << k.marker->Tag;
  }
}

TEST_F(PickListMembers, EditCalKitReachesTheFactoryWithTheRowsKit) {
  const auto folder = std::filesystem::temp_directory_path() / ("picklist_members_kits_" + std::to_string(::getpid()));
  CalKitsModule = new TCalKitsModule(folder.string());
  CalKitsModule->GetKits().SelectKit(1);
  struct TCall {
    ui::Form* owner;
    bool modal;
    int arg;
  };
  std::vector<TCall> calls;
  bool hiddenMeanwhile = false;
  TMainFrm::RegisterDialog("TCalKitFrm", [&](ui::Form& owner, bool modal, int arg) {
    calls.push_back({&owner, modal, arg});
    hiddenMeanwhile = OpenList() == nullptr;
    CalKitsModule->GetKits().GetItem(arg)->SetName("Renamed");
    return ui::mrOk;
  });
  RunScripted([&] { return RunCalKitList(*frm); },
              [&](TPickListFrm& list) {
                EXPECT_EQ(list.GetSelectedIndex(), 1);
                PressRow(list, 3);
                driver.Press(*list.btCommand);
                EXPECT_TRUE(list.isVisible());
                EXPECT_EQ(list.sgList->Cell(1, 3), "Renamed");
                EXPECT_EQ(list.GetSelectedIndex(), 1) << "back to the module's kit";
                PressCancel(list);
              });
  TMainFrm::RegisterDialog("TCalKitFrm", {});
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].owner, frm.get());
  EXPECT_TRUE(calls[0].modal);
  EXPECT_EQ(calls[0].arg, 3);
  EXPECT_TRUE(hiddenMeanwhile);
  EXPECT_EQ(CalKitsModule->GetKits().GetSelectedIndex(), 1);
  delete CalKitsModule;
  CalKitsModule = nullptr;
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

TEST_F(PickListMembers, TargetsGoneBeforeOkGetNothingAndTheListCloses) {
  Trace().Markers->AddMarker();
  const int result = RunScripted([&] { return RunPeakPolarityList(*frm); },
                                 [&](TPickListFrm& list) {
                                   PressRow(list, 2);
                                   Trace().Markers->DeleteAllMarkers();  // automation, meanwhile
                                   PressOk(list);
                                 });
  EXPECT_EQ(result, ui::mrOk);
  EXPECT_EQ(Trace().Markers->GetCount(), 0);

  // The main window shut down under an open list: nothing to apply to, no crash.
  const int late = RunScripted([&] { return RunMeasureList(*frm); },
                               [&](TPickListFrm& list) {
                                 frm->Shutdown();
                                 PressRow(list, 0);
                                 PressOk(list);
                               });
  EXPECT_EQ(late, ui::mrOk);
  EXPECT_EQ(ShowMeasureList(), nullptr);
}

}  // namespace
