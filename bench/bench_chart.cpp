// The chart's full repaint of a busy channel window (1280 x 800, four traces of 16001 points,
// each with a memory, four markers, statistics and bandwidth readouts and the marker table),
// with the default look and with the thickest data line, and one channel point handed to the
// four traces the way the window's point event does (no paint inside). The repaint must stay
// well under the 40 ms between two repaints: the target is 10 ms.
//
// The peer, timed in the same iterations: plain QPainter::drawPolyline (1 px pen, aliased) of
// the very polylines the chart draws, taken from a recording of the same paint, on an image of
// the same size. "ratio" is the chart's whole repaint over the peer's time for its lines alone.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <chrono>
#include <ctime>
#include <vector>

#include "ChartBenchRig.h"
#include "platform/ui/QtFontMetrics.h"
#include "platform/ui/RecordingCanvas.h"

namespace {

using benchrig::TBusyWindow;

TBusyWindow& Window() {
  static TBusyWindow* window = new TBusyWindow();
  return *window;
}

// The polylines one paint of the window draws, with their pens, measured with the real fonts
// so that the layout is the painted one.
struct TRecordedLine {
  QPen Pen;
  std::vector<QPoint> Points;
};

std::vector<TRecordedLine> RecordLines(TBusyWindow& w) {
  ui::RecordingCanvas recording(w.canvas->Width(), w.canvas->Height());
  ui::QtFontMetrics metrics;
  recording.SetMetrics(&metrics);
  w.view->DrawingPlane->Paint(recording);
  std::vector<TRecordedLine> lines;
  for (const ui::RecordingCanvas::Call& call : recording.Calls()) {
    if (call.op != ui::RecordingCanvas::Op::Polyline || call.pen.Style == ui::PenStyle::Clear) continue;
    QPen pen(ui::ToQColor(call.pen.Color));
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
    lines.push_back(TRecordedLine{pen, std::vector<QPoint>(call.points.begin(), call.points.end())});
  }
  return lines;
}

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// CPU seconds of the calling thread: on a shared, busy machine the steadier figure.
double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void PaintWithWidth(benchmark::State& state, double dataWidth) {
  TBusyWindow& w = Window();
  w.look->DataWidth = dataWidth;
  const std::vector<TRecordedLine> lines = RecordLines(w);
  size_t points = 0;
  for (const TRecordedLine& line : lines) points += line.Points.size();
  QImage peerImage(w.canvas->Width(), w.canvas->Height(), QImage::Format_RGB32);
  peerImage.fill(Qt::white);
  double chart = 0;
  double peer = 0;
  double chartCpu = 0;
  double peerCpu = 0;
  for (auto _ : state) {
    double cpuStarted = ThreadCpuSeconds();
    auto started = std::chrono::steady_clock::now();
    w.view->DrawingPlane->Paint(*w.canvas);
    w.canvas->Flush();
    benchmark::ClobberMemory();
    const double chartSeconds = Seconds(started);
    chartCpu += ThreadCpuSeconds() - cpuStarted;
    state.SetIterationTime(chartSeconds);
    chart += chartSeconds;

    cpuStarted = ThreadCpuSeconds();
    started = std::chrono::steady_clock::now();
    {
      QPainter painter(&peerImage);
      painter.setRenderHint(QPainter::Antialiasing, false);
      for (const TRecordedLine& line : lines) {
        painter.setPen(line.Pen);
        painter.drawPolyline(line.Points.data(), static_cast<int>(line.Points.size()));
      }
    }
    benchmark::ClobberMemory();
    peer += Seconds(started);
    peerCpu += ThreadCpuSeconds() - cpuStarted;
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0 && peer > 0) {
    state.counters["peer_ms"] = 1e3 * peer / n;
    state.counters["ratio"] = chart / peer;
    state.counters["chart_cpu_ms"] = 1e3 * chartCpu / n;
    state.counters["peer_cpu_ms"] = 1e3 * peerCpu / n;
    if (peerCpu > 0) state.counters["ratio_cpu"] = chartCpu / peerCpu;
    state.counters["peer_lines"] = static_cast<double>(lines.size());
    state.counters["peer_points"] = static_cast<double>(points);
  }
  w.look->DataWidth = 1.0;
}

void BM_ChartRepaint(benchmark::State& state) { PaintWithWidth(state, 1.0); }
BENCHMARK(BM_ChartRepaint)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ChartRepaintThickness4(benchmark::State& state) { PaintWithWidth(state, 4.0); }
BENCHMARK(BM_ChartRepaintThickness4)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ChartPointToFourTraces(benchmark::State& state) {
  TBusyWindow& w = Window();
  TRange& range = *w.view->Range;
  int k = 0;
  for (auto _ : state) {
    range.LastPointIndex = k;
    w.view->RangeDataUpdated(&range);
    k = (k + 1) % range.GetCount();
  }
}
BENCHMARK(BM_ChartPointToFourTraces)->Unit(benchmark::kMicrosecond);

}  // namespace
