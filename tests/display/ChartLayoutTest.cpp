// The plot layout of a paint: the plot and stimulus-row rectangles for the test metrics and
// their variants (more traces, the caption, the time-domain and frequency-offset rows, a font
// without width), and what a paint leaves out when it has no traces or no room.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/display/ChartPlaneSupport.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

using chartplane::ApplySweep;
using chartplane::ChartRig;
using chartplane::Op;

TEST(ChartLayout, DocumentedClientGivesDocumentedRectangles) {
  ChartRig rig;
  rig.Paint();
  EXPECT_EQ(rig.chart->LineHeight, 13);
  EXPECT_EQ(rig.chart->CharWidth, 7);
  EXPECT_EQ(rig.chart->PlotRect, ui::Rect(13, 18, 431, 273));
  EXPECT_EQ(rig.chart->StimulusRowRect, ui::Rect(13, 274, 431, 286));
  // The bottom row's first box (the stimulus start name) starts one row above the bottom.
  EXPECT_EQ(rig.chart->LabelHotAreas[2].Rect.Top, 291);
}

struct LayoutCase {
  const char* name;
  std::function<void(ChartRig&)> setup;
  int top;
  int bottom;
};

TEST(ChartLayout, RowsAboveAndBelowThePlotMoveItsEdges) {
  const LayoutCase cases[] = {
      {"one trace", [](ChartRig&) {}, 18, 273},
      {"second trace", [](ChartRig& r) { r.view.list.AddMeasurement(0, 16); }, 31, 273},
      {"caption", [](ChartRig& r) { r.view.showCaption = true; }, 31, 273},
      {"two traces and caption",
       [](ChartRig& r) {
         r.view.list.AddMeasurement(0, 16);
         r.view.showCaption = true;
       },
       44, 273},
      {"transform", [](ChartRig& r) { r.Trace().SetFormat(18); }, 18, 260},
      {"frequency offset", [](ChartRig& r) { r.view.range->FOMState = true; }, 18, 247},
      {"transform and frequency offset",
       [](ChartRig& r) {
         r.Trace().SetFormat(18);
         r.view.range->FOMState = true;
       },
       18, 234},
  };
  for (const LayoutCase& c : cases) {
    ChartRig rig;
    c.setup(rig);
    rig.Paint();
    EXPECT_EQ(rig.chart->PlotRect.Top, c.top) << c.name;
    EXPECT_EQ(rig.chart->PlotRect.Bottom, c.bottom) << c.name;
    EXPECT_EQ(rig.chart->PlotRect.Left, 13) << c.name;
    EXPECT_EQ(rig.chart->PlotRect.Right, 431) << c.name;
    EXPECT_EQ(rig.chart->StimulusRowRect, ui::Rect(13, c.bottom + 1, 431, c.bottom + 13)) << c.name;
  }
}

TEST(ChartLayout, FontWithoutWidthLaysOutWithEightPixels) {
  ChartRig rig;
  ui::RecordingCanvas canvas(451, 304, 12, 0);
  rig.chart->Paint(canvas);
  EXPECT_EQ(rig.chart->CharWidth, 8);
  // Left: 4 + 8 + 1 + 1; right: 447 - 16 - 1 - 1.
  EXPECT_EQ(rig.chart->PlotRect, ui::Rect(14, 18, 429, 273));
}

TEST(ChartLayout, WidthsFollowTheLookTruncated) {
  ChartRig rig;
  rig.look.DataWidth = 3.9;
  rig.look.MemoryWidth = 2.5;
  rig.look.GridWidth = 1.2;
  rig.Paint();
  EXPECT_EQ(rig.chart->DataWidth, 3);
  EXPECT_EQ(rig.chart->MemoryWidth, 2);
  EXPECT_EQ(rig.chart->GridWidth, 1);
}

TEST(ChartLayout, PaintFillsTheWholeClientWithTheBackground) {
  ChartRig rig;
  ui::RecordingCanvas& canvas = rig.Paint();
  const auto fills = canvas.CallsOf(Op::FillRect);
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills.front().rect, ui::Rect(0, 0, 451, 304));
  EXPECT_EQ(fills.front().brush.Color, rig.look.GetUndegroundColor());
}

TEST(ChartLayout, EmptyTraceListPaintsBackgroundAndFramesOnly) {
  ChartRig rig;
  rig.view.list.Clear();
  ui::RecordingCanvas& canvas = rig.Paint();
  EXPECT_TRUE(canvas.CallsOf(Op::Text).empty());
  EXPECT_TRUE(canvas.CallsOf(Op::Polyline).empty());
  const auto frames = canvas.CallsOf(Op::Rectangle);
  ASSERT_EQ(frames.size(), 2u);
  // No title rows: the plot starts right under the inset.
  EXPECT_EQ(frames[1].rect, ui::Rect(12, 4, 432, 274));
  EXPECT_EQ(frames[1].pen.Color, rig.look.GetGridColor());
}

TEST(ChartLayout, PlotWithoutRoomGetsNoPlotLayers) {
  ChartRig rig;
  ui::RecordingCanvas canvas(10, 10, 12, 7);
  rig.chart->Paint(canvas);
  EXPECT_LE(rig.chart->PlotRect.Width(), 0);
  for (const auto& c : canvas.CallsOf(Op::Polyline)) {
    EXPECT_NE(c.pen.Color, rig.look.GetMainColor(0)) << "no trace line";
    EXPECT_NE(c.pen.Color, rig.look.GetGridColor()) << "no grid line";
  }
}

TEST(ChartLayout, ActiveChannelFrameOnlyWithSeveralChannels) {
  struct Case {
    int count;
    int active;
    bool framed;
  };
  const Case cases[] = {{1, 0, false}, {2, 0, true}, {2, 1, false}, {4, 0, true}};
  for (const Case& c : cases) {
    ChartRig rig;
    TDrawingPlane::ChannelInfoHook = [c] { return TDrawingPlane::TChannelInfo{c.count, c.active}; };
    ui::RecordingCanvas& canvas = rig.Paint();
    TDrawingPlane::ChannelInfoHook = nullptr;
    const auto frames = canvas.CallsOf(Op::RoundRect);
    ASSERT_EQ(frames.size(), c.framed ? 1u : 0u) << c.count << " " << c.active;
    if (c.framed) {
      EXPECT_EQ(frames[0].rect, ui::Rect(0, 0, 451, 304));
      EXPECT_EQ(frames[0].cornerW, 9);
      EXPECT_EQ(frames[0].pen.Color, rig.look.GetFontColor());
      EXPECT_EQ(frames[0].brush.Style, ui::BrushStyle::Clear);
    }
  }
}

TEST(ChartLayout, MarkersOfOtherTracesOnlyWhenAllTracesShowThem) {
  for (bool one : {true, false}) {
    ChartRig rig;
    rig.view.list.AddMeasurement(0, 16);
    rig.view.list.SetActive(1);
    rig.LoadData([](double f) { return Polar(0.3, f / 70); });
    for (int i = 0; i < 2; ++i) {
      rig.Trace(i).Markers->AddMarker();
      rig.Trace(i).Markers->FindMarker(0)->FlagRect = TScreenRect{};
    }
    rig.view.oneMeasurementMarkers = one;
    rig.Paint();
    EXPECT_FALSE(rig.Trace(1).Markers->FindMarker(0)->FlagRect.IsEmpty()) << "the active trace always";
    EXPECT_EQ(rig.Trace(0).Markers->FindMarker(0)->FlagRect.IsEmpty(), one) << one;
  }
}

TEST(ChartLayout, LayersRunInTheirOrder) {
  ChartRig rig;
  rig.view.list.AddMeasurement(0, 16);
  rig.view.list.SetActive(0);
  rig.LoadData([](double f) { return Polar(0.3, f / 70); });
  ui::RecordingCanvas& canvas = rig.Paint();
  const auto& calls = canvas.Calls();
  auto first = [&](auto pred) {
    for (size_t i = 0; i < calls.size(); ++i)
      if (pred(calls[i])) return static_cast<int>(i);
    return -1;
  };
  auto traceLine = [&](int index) {
    return [&, index](const chartplane::Call& c) {
      return c.op == Op::Polyline && c.points.size() == 201 && c.pen.Color == rig.look.GetMainColor(index);
    };
  };
  const int background = first([](const chartplane::Call& c) { return c.op == Op::FillRect; });
  const int grid = first([&](const chartplane::Call& c) { return c.op == Op::Polyline && c.pen.Color == rig.look.GetGridColor(); });
  const int other = first(traceLine(1));
  const int active = first(traceLine(0));
  const ui::Rect& p = rig.chart->PlotRect;
  const int plotFrame = first([&](const chartplane::Call& c) {
    return c.op == Op::Rectangle && c.rect == ui::Rect(p.Left - 1, p.Top - 1, p.Right + 1, p.Bottom + 1);
  });
  const int bottomRow = first([&](const chartplane::Call& c) { return c.op == Op::Text && c.points[0].y() > 291 - 2; });
  EXPECT_EQ(background, 0);
  EXPECT_LT(background, grid);
  EXPECT_LT(grid, other);
  EXPECT_LT(other, active) << "the active trace comes last";
  EXPECT_LT(active, plotFrame);
  EXPECT_LT(plotFrame, bottomRow);
}

TEST(ChartLayout, InvalidationIsPendingUntilThePaint) {
  ChartRig rig;
  EXPECT_FALSE(rig.chart->IsPaintPending());
  rig.chart->Invalidate();
  EXPECT_TRUE(rig.chart->IsPaintPending());
  rig.Paint();
  EXPECT_FALSE(rig.chart->IsPaintPending());
}

TEST(ChartLayout, ConstructionReservesThePointBuffers) {
  ChartRig rig;
  EXPECT_GE(rig.chart->Points.capacity(), 16002u);
  for (const auto& buffer : rig.chart->OffsetPoints) EXPECT_GE(buffer.capacity(), 16002u);
  // A paint of a full channel keeps them where they are.
  ApplySweep(rig, 0, 16001, 100, 1100);
  const ui::Point* before = rig.chart->Points.data();
  rig.look.DataWidth = 4;
  rig.Paint();
  EXPECT_EQ(rig.chart->Points.data(), before);
}

TEST(ChartLayout, LabelWordsStartInEnglish) {
  ChartRig rig;
  EXPECT_EQ(ChartLabelWords[cwTr], "Tr");
  EXPECT_EQ(ChartLabelWords[cwMaxHold], "Max");
  EXPECT_EQ(ChartLabelWords[cwMax], "Max");
  EXPECT_EQ(ChartLabelWords[cwRefPosition], "Ref. Position");
  EXPECT_EQ(ChartLabelWords[cwRej], "rej");
  EXPECT_EQ(ChartWordCount, 49);
}

}  // namespace
