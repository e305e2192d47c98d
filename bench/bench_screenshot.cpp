// The pictures of a busy 1280 x 800 channel area: four charts of 16,001 points with four
// traces, memories and markers each. Times the print picture, our PNG encoder beside Qt's PNG
// writer on the same picture (with the size ratio of the two files) and a whole screen shot.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include <string>

#include "DialogBenchRig.h"
#include "platform/ui/Panel.h"
#include "shell/PngEncoder.h"

namespace {

using namespace benchrig;

constexpr int kPoints = 16001;

// The main window, in demonstration mode with the sweep on hold, on a private data root: a
// 1280 x 800 channel area of four channels, each with four traces, memories and markers.
struct TBusyState : TProgram {
  TBusyState() : TProgram({"tervan-shotbench", "DemoMode", false}) {
    frm->plGraphArea->SetBounds(frm->plGraphArea->Left(), frm->plGraphArea->Top(), 1280, 800);
    frm->SetChannelLayout(5);
    frm->SetChannelCount(4);
    for (int v = 0; v < 4; ++v) {
      TRangeView& view = *frm->GetView(v);
      SetPoints(*view.Range, kPoints, 100.0 + v, 1100.0 + 10 * v);
      FillView(view, 4, true, 0.01 * v);
    }
    frm->ArrangeViews();
  }
};

TBusyState& State() { return KeptToTheEnd<TBusyState>(); }

void BM_CreatePrintImage(benchmark::State& st) {
  TMainFrm& frm = *State().frm;
  for (auto _ : st) benchmark::DoNotOptimize(frm.CreatePrintImage());
}
BENCHMARK(BM_CreatePrintImage)->Unit(benchmark::kMillisecond);

// Our encoder beside Qt's PNG writer (quality 0) on the same picture; "size_ratio" is our
// file's size over Qt's.
void BM_EncodePng(benchmark::State& st) {
  const QImage image = State().frm->CreatePrintImage().convertToFormat(QImage::Format_RGB32);
  size_t ours = 0;
  for (auto _ : st) {
    ours = EncodePng(image.width(), image.height(), reinterpret_cast<const uint32_t*>(image.constBits()),
                     static_cast<size_t>(image.bytesPerLine())).size();
  }
  QByteArray qt;
  QBuffer buffer(&qt);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG", 0);
  st.counters["bytes"] = static_cast<double>(ours);
  st.counters["size_ratio"] = static_cast<double>(ours) / static_cast<double>(qt.size());
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

void BM_QtPngWriter(benchmark::State& st) {
  const QImage image = State().frm->CreatePrintImage().convertToFormat(QImage::Format_RGB32);
  for (auto _ : st) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    benchmark::DoNotOptimize(bytes.size());
  }
}
BENCHMARK(BM_QtPngWriter)->Unit(benchmark::kMillisecond);

void BM_SaveScreenShot(benchmark::State& st) {
  TMainFrm& frm = *State().frm;
  for (auto _ : st) {
    const std::string path = frm.SaveScreenShot();
    st.PauseTiming();
    std::error_code ec;
    fs::remove(path, ec);
    st.ResumeTiming();
  }
}
BENCHMARK(BM_SaveScreenShot)->Unit(benchmark::kMillisecond);

}  // namespace
