// The x pixels of the channel points are shared by the traces and memories of a paint and kept
// between paints; whatever changed since (the window's size, the channel's points, a memory taken
// on other points), a paint must draw exactly what a chart that never kept anything draws.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "tests/display/ChartPlaneSupport.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"

namespace {

using chartplane::ApplySweep;
using chartplane::ChartRig;
using chartplane::Op;
using ui::RecordingCanvas;

// The drawing calls of a paint by a chart built just for it.
std::vector<RecordingCanvas::Call> FreshPaint(ChartRig& rig, int width, int height) {
  TDrawingPlane fresh(&rig.view);
  RecordingCanvas canvas(width, height, 12, 7);
  fresh.Paint(canvas);
  return canvas.Calls();
}

void ExpectSamePolylines(const std::vector<RecordingCanvas::Call>& kept,
                         const std::vector<RecordingCanvas::Call>& fresh, const std::string& what) {
  ASSERT_EQ(kept.size(), fresh.size()) << what;
  int polylines = 0;
  for (size_t i = 0; i < kept.size(); ++i) {
    ASSERT_EQ(kept[i].op, fresh[i].op) << what << ", call " << i;
    if (kept[i].op != Op::Polyline) continue;
    ++polylines;
    EXPECT_EQ(kept[i].points, fresh[i].points) << what << ", call " << i;
    EXPECT_EQ(kept[i].pen.Color, fresh[i].pen.Color) << what << ", call " << i;
  }
  EXPECT_GT(polylines, 0) << what;
}

// Two traces with a memory each, the second in another format, on the channel's points.
void Populate(ChartRig& rig) {
  rig.view.list.AddMeasurement(0, 1);
  rig.LoadData([](double f) { return Polar(0.2 + 0.1 * std::sin(f / 40), -f / 30); });
  ASSERT_TRUE(rig.Trace(0).Memories->StoreData());
  ASSERT_TRUE(rig.Trace(1).Memories->StoreData());
}

TEST(ChartXPixels, PaintAfterEveryChangeEqualsAFreshChart) {
  ChartRig rig;
  Populate(rig);
  struct Step {
    const char* what;
    void (*change)(ChartRig&);
    int width;
    int height;
  };
  const Step steps[] = {
      {"first paint", [](ChartRig&) {}, 451, 304},
      {"same again", [](ChartRig&) {}, 451, 304},
      {"window wider", [](ChartRig&) {}, 700, 304},
      {"window taller only", [](ChartRig&) {}, 700, 500},
      {"window back", [](ChartRig&) {}, 451, 304},
      // The channel's points move; the memories keep the points they were taken on.
      {"grid rebuilt, same count", [](ChartRig& r) { ApplySweep(r, 0, 201, 300.0, 900.0); }, 451, 304},
      {"grid rebuilt, logarithmic", [](ChartRig& r) { ApplySweep(r, 1, 201, 300.0, 900.0); }, 451, 304},
      {"grid rebuilt, other count", [](ChartRig& r) { ApplySweep(r, 0, 333, 100.0, 1100.0); }, 451, 304},
      {"memory taken on the new grid",
       [](ChartRig& r) {
         r.LoadData([](double f) { return Polar(0.5, f / 70); });
         r.Trace(0).Memories->Clear();
         ASSERT_TRUE(r.Trace(0).Memories->StoreData());
       },
       451, 304},
      {"resized after the rebuild", [](ChartRig&) {}, 520, 330},
      // Traces of one paint over other stimuli than the trace before them.
      {"second trace in group delay", [](ChartRig& r) { r.Trace(1).SetFormat(3); }, 520, 330},
      {"a third trace in the time domain",
       [](ChartRig& r) {
         r.view.list.AddMeasurement(0, 18);
         r.Trace(2).ResizeToChannel();
         r.Trace(2).Recalculate();
       },
       520, 330},
      {"first trace in group delay too", [](ChartRig& r) { r.Trace(0).SetFormat(3); }, 520, 330},
  };
  for (const Step& step : steps) {
    step.change(rig);
    RecordingCanvas& kept = rig.Paint(step.width, step.height);
    ExpectSamePolylines(kept.Calls(), FreshPaint(rig, step.width, step.height), step.what);
  }
}

TEST(ChartXPixels, MemoryOnOtherPointsGetsItsOwnPixels) {
  ChartRig rig;
  Populate(rig);
  ApplySweep(rig, 0, 201, 600.0, 1600.0);
  rig.Paint();
  rig.chart->BeginLayers(*rig.canvas);
  const TMeasurement& trace = rig.Trace(0);
  const TMemoryTrace& memory = *trace.Memories->GetMemory(0);
  // Taken with the trace's list at hand, the memory's list must still be its own.
  const std::vector<int> traceX = rig.chart->XPixels(trace);
  const std::vector<int> memoryX = rig.chart->XPixels(trace, memory);
  ASSERT_EQ(traceX.size(), 201u);
  ASSERT_EQ(memoryX.size(), 201u);
  for (int j = 0; j < 201; ++j) {
    EXPECT_EQ(traceX[static_cast<size_t>(j)], rig.chart->StimulusToX(trace, trace.GetPointStimulus(j))) << j;
    EXPECT_EQ(memoryX[static_cast<size_t>(j)], rig.chart->StimulusToX(trace, memory.GetPointStimulus(j))) << j;
  }
  EXPECT_NE(traceX, memoryX);
  rig.chart->EndLayers();
}

}  // namespace
