// The channel window: construction and teardown, the view setters, the redraw coalescing on a
// fake clock, the calibration status, the channel's events and the preset.
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "display/DrawingPlane.h"
#include "display/RangeViewSupport.h"
#include "instrument/Scanner.h"
#include "platform/Clock.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Timer.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MeasurementMarkerTrace.h"

namespace {

using rangeview::SetCalibration;
using rangeview::SetStimulus;

class RangeView : public ::testing::Test {
 protected:
  // A window on the test's parent (placed: it repaints and takes the parent-only setters).
  std::unique_ptr<TRangeView> Placed() { return std::make_unique<TRangeView>(services.parent.get()); }
  std::unique_ptr<TRangeView> Unplaced() { return std::make_unique<TRangeView>(nullptr); }

  // Records the senders of a window's change event.
  static void Record(TRangeView& view, std::vector<TFObject*>& senders) {
    view.OnChange = [&senders](TFObject* sender) { senders.push_back(sender); };
  }

  rangeview::Services services;
};

TEST_F(RangeView, IsBuiltWithOneReturnLossTraceAndTheDefaultsAndTakesItsChannelAlong) {
  TScanner& scanner = services.scanner.GetScanner();
  const int before = scanner.GetCount();
  {
    auto view = Placed();
    EXPECT_EQ(before + 1, scanner.GetCount());
    EXPECT_EQ(view->Range, scanner.GetItem(before));
    ASSERT_EQ(1, view->Measurements->GetCount());
    TMeasurement& trace = *view->Measurements->GetMeasurement(0);
    EXPECT_EQ(0, trace.MeasMode);
    EXPECT_EQ(16, trace.TraceFormat);
    EXPECT_EQ(view.get(), trace.View);
    EXPECT_EQ(view->Range, trace.Range);
    EXPECT_FALSE(view->Visible());
    EXPECT_EQ(10, view->Divisions);
    EXPECT_EQ(2, view->MarkerAlign);
    EXPECT_TRUE(view->SlowSweep);
    EXPECT_TRUE(view->OneMeasurementMarkers);
    EXPECT_FALSE(view->ShowCaption);
    EXPECT_EQ(0, view->CalibrationStatus);
    EXPECT_DOUBLE_EQ(-1e-8, view->TimeDomain.TransformStart);
    EXPECT_DOUBLE_EQ(1e-8, view->TimeDomain.GatingStop);
    EXPECT_DOUBLE_EQ(6.0, view->TimeDomain.Beta);
    EXPECT_EQ(1, view->TimeDomain.GatingShape);
    ASSERT_NE(nullptr, view->DrawingPlane);
    EXPECT_EQ(view->DrawingPlane, view->findChild<TDrawingPlane*>("DrawingPlane"));
    EXPECT_FALSE(view->UpdateWatchDog->Enabled());
  }
  // The channel left the scanner with its window.
  EXPECT_EQ(before, scanner.GetCount());
  // A window without a parent asked for no repaint, not even for its first trace.
  auto loose = Unplaced();
  EXPECT_EQ(0u, loose->LastRepaintTime);
  EXPECT_EQ(0, loose->InvalidationCount);
}

TEST_F(RangeView, SetDivisionsMakesTheCountEvenAndLimitsIt) {
  struct Case {
    int given;
    int stored;
  };
  const Case cases[] = {{7, 6}, {3, 4}, {25, 20}, {-5, 4}, {0, 4}, {8, 8}, {21, 20}, {20, 20}, {4, 4}, {-2147483647 - 1, 4}};
  for (const Case& c : cases) {
    auto view = Placed();
    std::vector<TFObject*> senders;
    Record(*view, senders);
    view->SetDivisions(c.given);
    EXPECT_EQ(c.stored, view->Divisions) << c.given;
    // An event only when the value moved off the default 10.
    EXPECT_EQ(c.stored == 10 ? 0u : 1u, senders.size()) << c.given;
    if (!senders.empty()) {
      EXPECT_EQ(static_cast<TFObject*>(view.get()), senders[0]);
    }
    view->SetDivisions(c.given);
    EXPECT_EQ(c.stored == 10 ? 0u : 1u, senders.size()) << "the same value again fires nothing";
  }
}

TEST_F(RangeView, HorizontalMarkerAlignmentNeedsCoupledMarkers) {
  auto view = Placed();
  std::vector<TFObject*> senders;
  Record(*view, senders);
  view->SetMarkerAlign(1);
  EXPECT_EQ(2, view->MarkerAlign);
  view->SetMarkerAlignText("hor");
  EXPECT_EQ(2, view->MarkerAlign);
  EXPECT_TRUE(senders.empty());

  view->Measurements->SetMarkerCouple(true);
  senders.clear();
  view->SetMarkerAlignText("hor");
  EXPECT_EQ(1, view->MarkerAlign);
  EXPECT_EQ("HOR", view->GetMarkerAlignText());
  ASSERT_EQ(1u, senders.size());
  EXPECT_EQ(static_cast<TFObject*>(view.get()), senders[0]);

  struct Case {
    const char* text;
    int align;
  };
  const Case cases[] = {{"Vertical", 0}, {"horizontal", 1}, {"none", 2}, {"ve", 2}, {"ho", 2}, {"", 2}, {"xVERT", 2}, {"VERT", 0}};
  for (const Case& c : cases) {
    view->SetMarkerAlign(2);
    view->SetMarkerAlignText(c.text);
    EXPECT_EQ(c.align, view->MarkerAlign) << c.text;
  }
  view->SetMarkerAlign(0);
  for (int code : {-1, 3, 99}) {
    view->SetMarkerAlign(code);
    EXPECT_EQ(0, view->MarkerAlign) << code;
  }
  // Uncoupling the markers takes a horizontal readout back to none.
  view->SetMarkerAlign(1);
  view->Measurements->SetMarkerCouple(false);
  EXPECT_EQ(2, view->MarkerAlign);
  view->MarkerAlign = 7;
  EXPECT_EQ("NONE", view->GetMarkerAlignText());
}

TEST_F(RangeView, ParentOnlySettersWaitForAParentAndTheCaptionFiresNoChange) {
  auto loose = Unplaced();
  std::vector<TFObject*> senders;
  Record(*loose, senders);
  loose->SetOneMeasurementMarkers(false);
  loose->SetShowCaption(true);
  EXPECT_TRUE(loose->OneMeasurementMarkers);
  EXPECT_FALSE(loose->ShowCaption);
  EXPECT_TRUE(senders.empty());

  auto view = Placed();
  Record(*view, senders);
  view->SetOneMeasurementMarkers(false);
  view->SetShowCaption(true);
  view->SetShowCaption(true);
  EXPECT_FALSE(view->OneMeasurementMarkers);
  EXPECT_TRUE(view->ShowCaption);
  EXPECT_EQ(2u, senders.size());
  view->SetMeasCaption("Кабель 1");
  EXPECT_EQ("Кабель 1", view->MeasCaption);
  EXPECT_EQ(2u, senders.size());
}

// A fake clock and fake timers. Windows are made at 500 ms (adding their first trace asks for a
// repaint then); the requests of a test start at 1000 ms.
class RangeViewRedraw : public RangeView {
 protected:
  RangeViewRedraw() : scope_(clock_) { clock_.setMs(500); }
  void At(int64_t ms) { clock_.setMs(ms); }
  platform::ManualClock clock_;
  platform::ScopedClock scope_;
  ui::Timer::Fake fake_;
};

TEST_F(RangeViewRedraw, ABurstGivesOneInvalidationAtOnceAndOneFromTheTimer) {
  auto view = Placed();
  ASSERT_EQ(1, view->InvalidationCount);
  view->InvalidationCount = 0;
  At(1000);
  view->RequestRedraw();
  EXPECT_EQ(1, view->InvalidationCount);
  EXPECT_EQ(1000u, view->LastRepaintTime);
  EXPECT_FALSE(view->UpdateWatchDog->Enabled());

  At(1010);
  view->RequestRedraw();
  EXPECT_EQ(1, view->InvalidationCount);
  EXPECT_TRUE(view->UpdateWatchDog->Enabled());
  EXPECT_EQ(40, view->UpdateWatchDog->Interval());

  // A request while the timer runs does not move it.
  At(1030);
  view->RequestRedraw();
  At(1049);
  EXPECT_EQ(0, ui::Timer::Fake::RunDue());
  EXPECT_EQ(1, view->InvalidationCount);
  At(1050);
  EXPECT_EQ(1, ui::Timer::Fake::RunDue());
  EXPECT_EQ(2, view->InvalidationCount);
  EXPECT_EQ(1050u, view->LastRepaintTime);
  EXPECT_FALSE(view->UpdateWatchDog->Enabled());
  At(2000);
  EXPECT_EQ(0, ui::Timer::Fake::RunDue());
  EXPECT_EQ(2, view->InvalidationCount);
}

TEST_F(RangeViewRedraw, AStreamOfRequestsInvalidatesAtMostOncePer40Ms) {
  auto view = Placed();
  view->InvalidationCount = 0;
  for (int64_t t = 1000; t <= 3000; ++t) {
    At(t);
    ui::Timer::Fake::RunDue();
    view->RequestRedraw();
  }
  // 2000 ms of requests every millisecond: one invalidation per 40 ms or so, never more.
  EXPECT_LE(view->InvalidationCount, 2000 / 40 + 1);
  EXPECT_GE(view->InvalidationCount, 2000 / 50);
  At(3100);
  ui::Timer::Fake::RunDue();
  const int64_t settled = view->InvalidationCount;
  At(4000);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(settled, view->InvalidationCount) << "nothing more once the requests stop";
}

TEST_F(RangeViewRedraw, AWindowWithoutParentNeverInvalidates) {
  auto view = Unplaced();
  At(1000);
  view->RequestRedraw();
  At(1010);
  view->RequestRedraw();
  view->UpdateWatchDogTimer();
  At(1100);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(0, view->InvalidationCount);
  EXPECT_FALSE(view->UpdateWatchDog->Enabled());
  EXPECT_EQ(0u, view->LastRepaintTime);
}

TEST_F(RangeViewRedraw, AChartWaitingForItsPaintDefersTheNextRequestToTheTimer) {
  auto view = Placed();
  view->resize(451, 304);
  services.parent->show();
  view->show();
  QApplication::processEvents();
  ASSERT_FALSE(view->DrawingPlane->IsPaintPending());
  view->InvalidationCount = 0;
  At(1000);
  view->RequestRedraw();
  ASSERT_EQ(1, view->InvalidationCount);
  ASSERT_TRUE(view->DrawingPlane->IsPaintPending());

  // Long after the last invalidation, but the chart has not painted it yet.
  At(1500);
  view->RequestRedraw();
  EXPECT_EQ(1, view->InvalidationCount);
  EXPECT_TRUE(view->UpdateWatchDog->Enabled());

  // Once the event loop has painted it, the next request goes through at once.
  QApplication::processEvents();
  EXPECT_FALSE(view->DrawingPlane->IsPaintPending());
  view->UpdateWatchDog->SetEnabled(false);
  At(1600);
  view->RequestRedraw();
  EXPECT_EQ(2, view->InvalidationCount);
  services.parent->hide();
}

// ---- Calibration status ---------------------------------------------------------------------------

TEST_F(RangeView, CalibrationStatusFollowsTheChannelAgainstTheCalibration) {
  struct Case {
    const char* what;
    int points;
    double start;
    double stop;
    bool correctionOff;
    int status;
    const char* shortText;
    const char* longText;
  };
  const Case cases[] = {
      {"same frequencies", 201, 100.0, 200.0, false, 2, "Cor", "Correction"},
      {"101 points over the band", 101, 100.0, 200.0, false, 3, "C?", "Interpolation"},
      {"inside the band", 201, 110.0, 190.0, false, 3, "C?", "Interpolation"},
      {"shifted inside the band", 201, 100.5, 200.0, false, 3, "C?", "Interpolation"},
      {"from 90 MHz", 201, 90.0, 200.0, false, 4, "C!", "Extrapolation"},
      {"up to 210 MHz", 201, 100.0, 210.0, false, 4, "C!", "Extrapolation"},
      {"correction off", 201, 100.0, 200.0, true, 1, "Off", "Correction Off"},
  };
  for (const Case& c : cases) {
    auto view = Placed();
    services.calibration.CorrectionOff = c.correctionOff;
    SetStimulus(*view->Range, c.points, c.start, c.stop);
    SetCalibration(*view, 201, 100.0, 200.0);
    EXPECT_EQ(c.status, view->CalibrationStatus) << c.what;
    EXPECT_EQ(c.shortText, view->GetCalibrationStatusShort()) << c.what;
    EXPECT_EQ(c.longText, view->GetCalibrationStatusText()) << c.what;
    // The channel carries the calibration at its own points unless correction is off.
    if (!c.correctionOff) {
      ASSERT_NE(nullptr, view->Range->GetCalTable()) << c.what;
      EXPECT_EQ(c.points, view->Range->GetCalTable()->GetCount()) << c.what;
    }
  }
  services.calibration.CorrectionOff = false;
  auto view = Placed();
  EXPECT_EQ("--", view->GetCalibrationStatusShort());
  EXPECT_EQ("No Calibration", view->GetCalibrationStatusText());
}

TEST_F(RangeView, ACalibrationChangeRecomputesTheStatusAndIsPassedOn) {
  auto view = Placed();
  SetStimulus(*view->Range, 201, 100.0, 200.0);
  std::vector<TFObject*> senders;
  view->OnCalibrationChange = [&senders](TFObject* sender) { senders.push_back(sender); };
  SetCalibration(*view, 201, 100.0, 200.0);
  EXPECT_EQ(2, view->CalibrationStatus);
  ASSERT_EQ(1u, senders.size());
  EXPECT_EQ(static_cast<TFObject*>(view.get()), senders[0]);
  // Clearing the calibration goes through its change event as well.
  view->ClearCalibration();
  EXPECT_EQ(0, view->CalibrationStatus);
  EXPECT_EQ(nullptr, view->Range->GetCalTable());
  EXPECT_EQ(2u, senders.size());
}

TEST_F(RangeView, StatusTextsAreRussianUnlessEnglishIsShown) {
  rangeview::FakeLanguage russian;
  TScopedServices scope;
  scope->LangModule = &russian;
  auto view = Placed();
  SetStimulus(*view->Range, 201, 100.0, 200.0);
  SetCalibration(*view, 201, 100.0, 200.0);
  EXPECT_EQ("Кор", view->GetCalibrationStatusShort());
  EXPECT_EQ("Коррекция", view->GetCalibrationStatusText());
  russian.English = true;
  EXPECT_EQ("Cor", view->GetCalibrationStatusShort());

  const char* shortRu[] = {"--", "Отк", "Кор", "К?", "К!"};
  const char* longRu[] = {"Калибровки нет", "Коррекция откл", "Коррекция", "Интерполяция", "Экстраполяция"};
  for (int code = 0; code < 5; ++code) {
    EXPECT_EQ(shortRu[code], TRangeView::CalibrationStatusShort(code, false));
    EXPECT_EQ(longRu[code], TRangeView::CalibrationStatusText(code, false));
  }
  for (int code : {-1, 5, 1000}) {
    EXPECT_EQ("", TRangeView::CalibrationStatusShort(code, true));
    EXPECT_EQ("", TRangeView::CalibrationStatusText(code, false));
  }
}

// ---- Channel events -------------------------------------------------------------------------------

TEST_F(RangeView, AChannelChangeClampsTheTimeRangeOrTurnsGatingOffWithoutAnEventOfItsOwn) {
  auto view = Placed();
  SetStimulus(*view->Range, 201, 100.0, 1100.0);
  view->Range->SetChangeNotify(true);
  TTimeDomainSettings& td = view->TimeDomain;
  td.TransformStart = -1e-6;
  td.TransformStop = 1e-6;
  td.GatingStart = -1e-6;
  td.GatingStop = 1e-6;
  td.EnableGating = true;
  view->SlowSweep = false;
  std::vector<TFObject*> senders;
  Record(*view, senders);

  view->Range->SetSpan(2000.0);  // 200 intervals over 2 GHz: +-100 ns
  EXPECT_DOUBLE_EQ(-1e-7, td.TransformStart);
  EXPECT_DOUBLE_EQ(1e-7, td.TransformStop);
  EXPECT_DOUBLE_EQ(-1e-7, td.GatingStart);
  EXPECT_DOUBLE_EQ(1e-7, td.GatingStop);
  EXPECT_TRUE(td.EnableGating);
  EXPECT_TRUE(view->SlowSweep);
  ASSERT_FALSE(senders.empty());
  for (TFObject* s : senders) EXPECT_EQ(static_cast<TFObject*>(view.get()), s);
  // The traces follow the channel's points.
  EXPECT_EQ(view->Range->GetCount(), view->Measurements->GetMeasurement(0)->GetPointCount());

  // Times already inside the range stay as they are.
  td.TransformStart = -2e-8;
  view->Range->SetSpan(1000.0);
  EXPECT_DOUBLE_EQ(-2e-8, td.TransformStart);

  // A range wholly beyond one limit is put back in order, not turned inside out.
  td.TransformStart = 3e-7;
  td.TransformStop = 4e-7;
  td.GatingStart = -5e-7;
  td.GatingStop = -4e-7;
  view->Range->SetSpan(900.0);
  const double tmax = TTimeDomainSettings::TimeMax(view->Range);
  EXPECT_LT(td.TransformStart, td.TransformStop);
  EXPECT_LE(td.TransformStop, tmax);
  EXPECT_LE(td.GatingStart, td.GatingStop);
  EXPECT_GE(td.GatingStart, -tmax);

  senders.clear();
  view->Range->SetSweepType(TRange::Log);
  EXPECT_FALSE(td.EnableGating);
  for (TFObject* s : senders) EXPECT_EQ(static_cast<TFObject*>(view.get()), s);
}

TEST_F(RangeView, ChannelEventsRebuildTheSweepAndPointTheScannerAtTheChannel) {
  // A scanner that counts as connected builds its lists (without a link nothing is sent).
  TScanner& scanner = services.scanner.GetScanner();
  auto first = Placed();
  auto second = Placed();
  scanner.Connected = true;
  first->Range->SetChangeNotify(true);
  second->Range->SetChangeNotify(true);
  SetStimulus(*second->Range, 101, 200.0, 300.0);
  ASSERT_EQ(2u, scanner.ScanList.size());
  EXPECT_EQ(second->Range, scanner.ScanList[1].Range);
  EXPECT_EQ(1, services.scanner.CurrentScanIndex);
  EXPECT_FALSE(scanner.ScanList[1].Commands.empty());

  // A channel taken out of sweeping leaves the index where it was.
  services.scanner.CurrentScanIndex = 0;
  second->Range->SetChangeNotify(false);
  second->RangeChanged(second->Range);
  EXPECT_EQ(0, services.scanner.CurrentScanIndex);
  second->Range->SetChangeNotify(true);
  SetStimulus(*first->Range, 51, 200.0, 300.0);
  ASSERT_EQ(2u, scanner.ScanList.size());
  EXPECT_EQ(0, services.scanner.CurrentScanIndex);

  // A restart request rebuilds only the channel's own list and starts from it.
  scanner.ScanList[1].Commands.clear();
  const size_t firstList = scanner.ScanList[0].Commands.size();
  second->Range->OnResweep(second->Range);
  EXPECT_FALSE(scanner.ScanList[1].Commands.empty());
  EXPECT_EQ(firstList, scanner.ScanList[0].Commands.size());
  EXPECT_EQ(1, services.scanner.CurrentScanIndex);
  // A channel change resets the power-meter step.
  second->Range->PowerMeterPoint = 7;
  second->RangeChanged(second->Range);
  EXPECT_EQ(0, second->Range->PowerMeterPoint);
  scanner.Connected = false;
}

TEST_F(RangeView, PointAndEndOfSweepEventsReachEveryTrace) {
  auto view = Placed();
  view->Range->SetChangeNotify(true);
  SetStimulus(*view->Range, 51, 100.0, 600.0);
  view->Measurements->AddMeasurement(0, 2);
  ASSERT_EQ(2, view->Measurements->GetCount());
  TRange& range = *view->Range;
  for (int i = 0; i < range.GetCount(); ++i) {
    range.SetPointData(0, i, TComplex{0.5 * std::cos(0.1 * i), -0.5 * std::sin(0.1 * i)});
  }
  std::vector<uint8_t> stream;
  range.SavePointData(stream);
  for (int i = 0; i < range.GetCount(); ++i) range.SetPointData(0, i, TComplex{});
  view->RecalculateTraces();

  // Every point stored fires the point event; the end of the sweep finishes each trace.
  ASSERT_TRUE(range.LoadPointData(stream));
  range.EndSweep();
  std::vector<std::vector<TComplex>> swept;
  for (int t = 0; t < 2; ++t) {
    const TMeasurement& trace = *view->Measurements->GetMeasurement(t);
    swept.push_back(trace.GetDisplayData());
    ASSERT_EQ(51u, swept.back().size());
    EXPECT_NE(0.0, swept.back()[10].Re) << "trace " << t;
  }
  // The sweep path leaves each trace as a full recalculation does.
  view->RecalculateTraces();
  for (int t = 0; t < 2; ++t) {
    const std::vector<TComplex>& again = view->Measurements->GetMeasurement(t)->GetDisplayData();
    for (size_t i = 0; i < again.size(); ++i) {
      EXPECT_DOUBLE_EQ(again[i].Re, swept[static_cast<size_t>(t)][i].Re) << t << " " << i;
      EXPECT_DOUBLE_EQ(again[i].Im, swept[static_cast<size_t>(t)][i].Im) << t << " " << i;
    }
  }
}

TEST_F(RangeView, PresetLeavesOneReturnLossTraceNoCalibrationAndTheDefaultChannel) {
  auto view = Placed();
  TRange fresh(nullptr);
  view->Measurements->AddMeasurement(0, 3);
  SetStimulus(*view->Range, 51, 500.0, 600.0, TRange::Log);
  SetCalibration(*view, 51, 500.0, 600.0);
  view->SetDivisions(6);
  view->SetShowCaption(true);
  view->SetMeasCaption("x");
  view->Measurements->SetMarkerCouple(true);
  view->SetMarkerAlign(1);
  view->TimeDomain.Beta = 13.0;
  view->TimeDomain.EnableGating = true;
  view->TimeDomain.GatingShape = 3;

  view->Preset();
  EXPECT_EQ(10, view->Divisions);
  EXPECT_FALSE(view->ShowCaption);
  EXPECT_EQ("", view->MeasCaption);
  EXPECT_EQ(2, view->MarkerAlign);
  EXPECT_DOUBLE_EQ(6.0, view->TimeDomain.Beta);
  EXPECT_FALSE(view->TimeDomain.EnableGating);
  EXPECT_EQ(1, view->TimeDomain.GatingShape);
  ASSERT_EQ(1, view->Measurements->GetCount());
  EXPECT_EQ(16, view->Measurements->GetMeasurement(0)->TraceFormat);
  EXPECT_EQ(0, view->Measurements->GetMeasurement(0)->MeasMode);
  EXPECT_EQ(nullptr, view->UserCalibration->Terms);
  EXPECT_EQ(0, view->CalibrationStatus);
  EXPECT_EQ(fresh.SweepMode, view->Range->SweepMode);
  EXPECT_EQ(fresh.NPoints, view->Range->NPoints);
  EXPECT_DOUBLE_EQ(fresh.MinFrequency, view->Range->MinFrequency);
  EXPECT_DOUBLE_EQ(fresh.MaxFrequency, view->Range->MaxFrequency);
}

// ---- The chart --------------------------------------------------------------------------------------

TEST_F(RangeView, TheMarkerTableAreaIsThePlotRightOfTheScaleLabels) {
  auto view = Placed();
  ui::ImageCanvas canvas(451, 304);
  view->DrawingPlane->Paint(canvas);
  const ui::Rect& plot = view->DrawingPlane->PlotRect;
  const int labels = view->DrawingPlane->ScaleLabelWidth;
  EXPECT_GT(labels, 0);
  const TScreenRect area = view->GetMarkerTableArea();
  EXPECT_EQ((TScreenRect{plot.Left + labels, plot.Top, plot.Right, plot.Bottom}), area);
  // The traces' marker lists see the same room.
  TMeasurementMarkerTrace adapter(view->Measurements->GetMeasurement(0));
  EXPECT_EQ(area, adapter.GetMarkerTableArea());
  canvas.Image().save(QString::fromUtf8(TERVAN_BINARY_DIR "/RangeView_DefaultChart.png"));
}

TEST_F(RangeView, MarkerFunctionsOnATransformAxisSetTheWindowsTransformRange) {
  auto view = Placed();
  view->Range->SetChangeNotify(true);
  SetStimulus(*view->Range, 201, 100.0, 1100.0);  // +-200 ns: +-30 m at velocity 1
  services.scanner.SetVelocityFactor(1.0);
  services.scanner.SetDistanceUnits(TScannerModule::UnitMetres);
  std::vector<TFObject*> senders;
  Record(*view, senders);
  TMeasurementMarkerTrace adapter(view->Measurements->GetMeasurement(0));
  adapter.SetTransformStartInUnit(-5.0);
  EXPECT_NEAR(-5.0, view->GetTransformStartInUnit(), 1e-9);
  EXPECT_NEAR(-5.0 / (0.5 * 299792458.0), view->TimeDomain.TransformStart, 1e-18);
  adapter.SetTransformStopInUnit(12.0);
  EXPECT_NEAR(12.0, view->GetTransformStopInUnit(), 1e-9);
  adapter.SetTransformCenterInUnit(0.0);
  EXPECT_NEAR(0.0, view->GetTransformCenterInUnit(), 1e-9);
  EXPECT_NEAR(17.0, view->GetTransformSpanInUnit(), 1e-9);
  EXPECT_FALSE(senders.empty());
}

TEST_F(RangeView, TheChartsMouseDownAndDoubleClickAreTheWindows) {
  auto view = Placed();
  int downs = 0;
  int doubles = 0;
  view->OnMouseDown = [&](ui::Control& sender, ui::MouseButton button, ui::ShiftState, int x, int y) {
    ++downs;
    EXPECT_EQ(view.get(), &sender);
    EXPECT_EQ(ui::MouseButton::Right, button);
    EXPECT_EQ(12, x);
    EXPECT_EQ(34, y);
  };
  view->OnDblClick = [&](ui::Control& sender) {
    ++doubles;
    EXPECT_EQ(view.get(), &sender);
  };
  ASSERT_TRUE(view->DrawingPlane->OnMouseDown);
  view->DrawingPlane->OnMouseDown(*view->DrawingPlane, ui::MouseButton::Right, 0, 12, 34);
  view->DrawingPlane->OnDblClick(*view->DrawingPlane);
  EXPECT_EQ(1, downs);
  EXPECT_EQ(1, doubles);
  // Without the window's own handlers nothing happens.
  view->OnMouseDown = nullptr;
  view->OnDblClick = nullptr;
  view->TranslateMouseDown(ui::MouseButton::Left, 0, 1, 1);
  view->TranslateDblClick();
}

TEST_F(RangeView, TheFrameKeepsItsChartFillingIt) {
  auto view = Placed();
  services.parent->show();
  view->show();
  view->SetBounds(5, 6, 320, 210);
  EXPECT_EQ(320, view->DrawingPlane->Width());
  EXPECT_EQ(210, view->DrawingPlane->Height());
  EXPECT_EQ(320, view->BasePanel->Width());
  services.parent->hide();
}

}  // namespace
