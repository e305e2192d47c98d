// The chart's hot path: 16 traces of 16001 points drawn as one-pixel polylines into a
// 1280 x 800 picture, through the UI layer's Canvas and through plain QPainter::drawPolyline
// on the same QImage. "Ratio" reports the Canvas time over the QPainter time of the same
// frames, and the allocations the Canvas made per polyline.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/ui/ImageCanvas.h"

namespace {

std::atomic<long long> g_allocations{0};

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kTraces = 16;
constexpr int kPoints = 16001;

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "bench_canvas";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  return *app;
}

// Traces that look like measurements: a ripple plus noise, within the picture with a margin.
const std::vector<std::vector<ui::Point>>& Traces() {
  static const std::vector<std::vector<ui::Point>> traces = [] {
    std::vector<std::vector<ui::Point>> t(kTraces);
    uint32_t seed = 12345;
    for (int k = 0; k < kTraces; ++k) {
      t[k].reserve(kPoints);
      for (int i = 0; i < kPoints; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = ((seed >> 8) & 0xFFFF) / 65535.0 - 0.5;
        const double y = kHeight / 2 + 250 * std::sin(i * 0.002 + k) + 40 * noise + (k - kTraces / 2) * 10;
        t[k].emplace_back(static_cast<int>(10 + i * (kWidth - 20.0) / (kPoints - 1)), static_cast<int>(y));
      }
    }
    return t;
  }();
  return traces;
}

ui::TColor ColorOf(int k) { return 0x7F7F7Fu + static_cast<ui::TColor>(k) * 0x050301u; }

void DrawCanvas(ui::ImageCanvas& canvas) {
  const auto& traces = Traces();
  for (int k = 0; k < kTraces; ++k) {
    canvas.SetPenColor(ColorOf(k));
    canvas.Polyline(traces[k]);
  }
}

void DrawPainter(QPainter& painter) {
  const auto& traces = Traces();
  for (int k = 0; k < kTraces; ++k) {
    QPen pen(ui::ToQColor(ColorOf(k)));
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawPolyline(traces[k].data(), static_cast<int>(traces[k].size()));
  }
}

void BM_CanvasPolyline(benchmark::State& state) {
  App();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::black);
  ui::ImageCanvas canvas(&image);
  for (auto _ : state) {
    DrawCanvas(canvas);
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_QPainterPolyline(benchmark::State& state) {
  App();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (auto _ : state) {
    DrawPainter(painter);
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_Ratio(benchmark::State& state) {
  App();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::black);
  ui::ImageCanvas canvas(&image);
  using Clock = std::chrono::steady_clock;
  Clock::duration canvasTime{};
  Clock::duration painterTime{};
  long long allocations = 0;
  long long frames = 0;
  for (auto _ : state) {
    // Each side draws one frame to open its painter, then the timed one.
    DrawCanvas(canvas);
    const long long before = g_allocations.load();
    const auto t0 = Clock::now();
    DrawCanvas(canvas);
    const auto t1 = Clock::now();
    allocations += g_allocations.load() - before;
    canvas.Flush();
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing, false);
      DrawPainter(painter);
      const auto t2 = Clock::now();
      DrawPainter(painter);
      painterTime += Clock::now() - t2;
    }
    canvasTime += t1 - t0;
    ++frames;
    benchmark::DoNotOptimize(image.constBits());
  }
  const double c = std::chrono::duration<double, std::milli>(canvasTime).count() / static_cast<double>(frames);
  const double p = std::chrono::duration<double, std::milli>(painterTime).count() / static_cast<double>(frames);
  state.counters["canvas_ms"] = c;
  state.counters["qpainter_ms"] = p;
  state.counters["ratio"] = p > 0 ? c / p : 0.0;
  state.counters["allocs_per_polyline"] = static_cast<double>(allocations) / static_cast<double>(frames * kTraces);
}

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

BENCHMARK(BM_CanvasPolyline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterPolyline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratio)->Unit(benchmark::kMillisecond)->Iterations(20);
