// The chart's pointer work on a busy channel window (1280 x 800, four traces of 16001 points,
// sixteen markers each, every trace's markers shown): one hover test, one colour pick (the
// press on the background) and one marker-drag step. None paints; each must stay far under
// 100 us so the pointer never lags. The marker drag runs with the four traces' markers coupled.
//
// Peers, timed in the same run: a hover over the same rectangles done as a plain scan of a
// vector of QRect, and the colour pick's 5 x 5 block read with QImage::pixel.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QRect>
#include <chrono>
#include <vector>

#include "ChartBenchRig.h"

namespace {

using benchrig::TBusyWindow;

// Sixteen markers on every trace, the chart laid out and painted once so that its hot areas
// and kept picture are there.
TBusyWindow& Window() {
  static TBusyWindow* window = new TBusyWindow(
      {.Markers = 16, .FirstMarker = 0.03, .MarkerStep = 0.06, .Readouts = false, .PaintedOnce = true});
  return *window;
}

void BM_ChartHoverStep(benchmark::State& state) {
  TBusyWindow& w = Window();
  TDrawingPlane& chart = *w.chart;
  const ui::Rect plot = chart.PlotRect;
  // The rectangles the hover test looks at, for the peer.
  std::vector<QRect> rects;
  for (const THotArea& a : chart.LabelHotAreas) rects.emplace_back(a.Rect.Left, a.Rect.Top, a.Rect.Width(), a.Rect.Height());
  TMeasureList& list = *w.view->Measurements;
  for (int i = 0; i < list.GetCount(); ++i) {
    TMeasurement& t = *list.GetMeasurement(i);
    for (const THotArea& a : t.TitleHotAreas) rects.emplace_back(a.Rect.Left, a.Rect.Top, a.Rect.Width(), a.Rect.Height());
    for (int m = 0; m < t.Markers->GetMarkerCount(); ++m) {
      const TMarker& mk = *t.Markers->FindMarker(m);
      for (const TScreenRect& r : {mk.ReadoutRect, mk.FlagRect, mk.StimulusMarkRect})
        rects.emplace_back(r.Left, r.Top, r.Width(), r.Height());
    }
  }
  int k = 0;
  double peer = 0;
  for (auto _ : state) {
    const int x = plot.Left + (k * 37) % plot.Width();
    const int y = plot.Top + (k * 53) % plot.Height();
    chart.HoverAt(x, y);
    state.PauseTiming();
    const auto t0 = std::chrono::steady_clock::now();
    int hits = 0;
    for (const QRect& r : rects) hits += r.contains(x, y) ? 1 : 0;
    benchmark::DoNotOptimize(hits);
    peer += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.ResumeTiming();
    ++k;
  }
  if (state.iterations() > 0) state.counters["peer_us"] = 1e6 * peer / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ChartHoverStep)->Unit(benchmark::kMicrosecond);

void BM_ChartColourPick(benchmark::State& state) {
  TBusyWindow& w = Window();
  TDrawingPlane& chart = *w.chart;
  const ui::Rect plot = chart.PlotRect;
  const QImage image = w.chart->KeptCanvas().Image();
  int k = 0;
  double peer = 0;
  for (auto _ : state) {
    const int x = plot.Left + plot.Width() / 2 + (k % 7);
    const int y = plot.Top + plot.Height() / 2;
    chart.HitKind = 0;
    chart.PaintBoxMouseDown(ui::MouseButton::Left, 0, x, y);
    state.PauseTiming();
    chart.ButtonDown = false;
    chart.Dragging = false;
    chart.HitKind = 0;
    const auto t0 = std::chrono::steady_clock::now();
    int n = 0;
    for (int i = 0; i < 4; ++i)
      for (int yy = y - 2; yy <= y + 2; ++yy)
        for (int xx = x - 2; xx <= x + 2; ++xx) n += image.pixel(xx, yy) == static_cast<QRgb>(i) ? 1 : 0;
    benchmark::DoNotOptimize(n);
    peer += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.ResumeTiming();
    ++k;
  }
  if (state.iterations() > 0) state.counters["peer_us"] = 1e6 * peer / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ChartColourPick)->Unit(benchmark::kMicrosecond);

void BM_ChartMarkerDragStep(benchmark::State& state) {
  TBusyWindow& w = Window();
  TDrawingPlane& chart = *w.chart;
  const ui::Rect plot = chart.PlotRect;
  w.view->Measurements->SetActive(0);
  // The four traces' markers move together.
  w.view->Measurements->SetMarkerCouple(true);
  chart.HitKind = 2;
  chart.Dragging = true;
  int k = 0;
  for (auto _ : state) {
    chart.LastX = -1;
    chart.PaintBoxMouseMove(ui::ssLeft, plot.Left + (k * 31) % plot.Width(), plot.Top + 10);
    ++k;
  }
  chart.Dragging = false;
  chart.HitKind = 0;
  w.view->Measurements->SetMarkerCouple(false);
}
BENCHMARK(BM_ChartMarkerDragStep)->Unit(benchmark::kMicrosecond);

}  // namespace
