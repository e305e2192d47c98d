// The shell's dialogs: each one from construction to its first paint (a grab renders every
// child), beside a plain Qt dialog with as many labels and push buttons built and grabbed in the
// same iterations; and a 16,001-point channel with its calibration, traces and memories stored
// into a channel state and recalled from it with save type 3 through the Save Channel and
// Recall Channel dialogs' handlers, beside the same number of bytes written to a file with
// fsync and read back. "ratio" is ours over the peer; "target_ms" the figure each must stay
// under.
#include <benchmark/benchmark.h>

#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "DialogBenchRig.h"
#include "dialogs/ChannelListFrm.h"
#include "dialogs/FreqOffsetFrm.h"
#include "dialogs/SaveRecallFrm.h"
#include "dialogs/ServiceFrm.h"
#include "dialogs/System30Frm.h"
#include "model/MemIniFile.h"
#include "widgets/LbButton.h"

namespace {

using namespace benchrig;

constexpr int kPoints = 16001;
constexpr double kPaintTargetMs = 30;
constexpr double kChannelTargetMs = 50;

// The main window with the modules the dialogs reach, in demonstration mode with the sweep on
// hold, on a private data root; channel 1 has 16,001 points, four traces with memories and a
// calibration.
struct TShellProgram : TProgram {
  TShellProgram() : TProgram({"tervan-dialogbench", "DemoMode EnableService VorlaMode", true, true}) {
    TRangeView& view = *frm->GetView(0);
    SetPoints(*view.Range, kPoints);
    FillView(view, 4);
    CalibrateOnOwnPoints(view, kPoints);
  }
};

TShellProgram& Program() { return KeptToTheEnd<TShellProgram>(); }

// The peer of a dialog: a plain Qt dialog of the same size with as many labels and push
// buttons, built and grabbed.
void PlainDialog(int labels, int buttons, const QSize& size) {
  QDialog dialog;
  dialog.resize(size);
  int y = 0;
  for (int i = 0; i < labels; ++i) {
    auto* l = new QLabel(QStringLiteral(" Caption %1").arg(i), &dialog);
    l->setGeometry(6, y, size.width() - 12, 16);
    y += 18;
  }
  for (int i = 0; i < buttons; ++i) {
    auto* b = new QPushButton(QStringLiteral("Button %1").arg(i), &dialog);
    b->setGeometry(6, y, size.width() - 12, 28);
    y += 30;
  }
  const QPixmap picture = dialog.grab();
  benchmark::DoNotOptimize(picture.cacheKey());
}

using TMaker = std::function<ui::Form*()>;

void FirstPaint(benchmark::State& bench, const TMaker& make) {
  Program();
  double ours = 0;
  double peer = 0;
  for (auto _ : bench) {
    auto started = std::chrono::steady_clock::now();
    QSize size;
    int labels = 0;
    int buttons = 0;
    {
      std::unique_ptr<ui::Form> dialog(make());
      const QPixmap picture = dialog->grab();
      benchmark::DoNotOptimize(picture.cacheKey());
      size = dialog->size();
      const double seconds = Seconds(started);
      bench.SetIterationTime(seconds);
      ours += seconds;
      labels = static_cast<int>(dialog->findChildren<ui::Panel*>().size());
      buttons = static_cast<int>(dialog->findChildren<TLbButton*>().size());
    }
    started = std::chrono::steady_clock::now();
    PlainDialog(labels, buttons, size);
    peer += Seconds(started);
  }
  const double n = static_cast<double>(bench.iterations());
  if (n > 0 && peer > 0) {
    bench.counters["peer_ms"] = 1e3 * peer / n;
    bench.counters["ratio"] = ours / peer;
    bench.counters["target_ms"] = kPaintTargetMs;
    bench.counters["within"] = 1e3 * ours / n < kPaintTargetMs ? 1 : 0;
  }
}

QWidget* Main() { return Program().frm.get(); }

void BM_FirstPaint_System(benchmark::State& s) { FirstPaint(s, [] { return new TSystem30Frm(Main()); }); }
void BM_FirstPaint_Files(benchmark::State& s) { FirstPaint(s, [] { return new TSaveRecallFrm(Main()); }); }
void BM_FirstPaint_Channels(benchmark::State& s) { FirstPaint(s, [] { return new TChannelListFrm(Main()); }); }
void BM_FirstPaint_SaveChannel(benchmark::State& s) { FirstPaint(s, [] { return new TSaveChannelFrm(Main()); }); }
void BM_FirstPaint_RecallChannel(benchmark::State& s) {
  FirstPaint(s, [] { return new TRecallChannelFrm(Main()); });
}
void BM_FirstPaint_Service(benchmark::State& s) { FirstPaint(s, [] { return new TServiceFrm(Main()); }); }
void BM_FirstPaint_Factory(benchmark::State& s) { FirstPaint(s, [] { return new TFactoryFrm(Main()); }); }
void BM_FirstPaint_FreqOffset(benchmark::State& s) { FirstPaint(s, [] { return new TFreqOffsetFrm(Main()); }); }
BENCHMARK(BM_FirstPaint_System)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Files)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Channels)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_SaveChannel)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_RecallChannel)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Service)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Factory)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_FreqOffset)->UseManualTime()->Unit(benchmark::kMillisecond);

void Press(TLbButton& button) { button.OnMouseDown(button, ui::MouseButton::Left, 0, 0, 0); }

void BM_ChannelStoreRecall(benchmark::State& bench) {
  TShellProgram& p = Program();
  p.frm->SetSaveType(3);
  TSaveChannelFrm save(p.frm.get());
  TRecallChannelFrm recall(p.frm.get());
  const std::string rawPath = (p.Root / "raw.bin").string();
  double ours = 0;
  double store = 0;
  double raw = 0;
  size_t bytes = 0;
  std::string back;
  for (auto _ : bench) {
    auto started = std::chrono::steady_clock::now();
    Press(*save.btState[0]);
    store += Seconds(started);
    Press(*recall.btState[0]);
    const double seconds = Seconds(started);
    bench.SetIterationTime(seconds);
    ours += seconds;
    if (bytes == 0) {
      // What a slot holds: the channel window's section as a state file writes it.
      TMemIniFile ini;
      p.frm->GetActiveView()->SaveToIni(ini, "Channel", 3);
      bytes = ini.GetText().size();
    }
    const std::string same(bytes, 'x');
    started = std::chrono::steady_clock::now();
    RawWriteAndRead(rawPath, same, back);
    benchmark::DoNotOptimize(back.data());
    raw += Seconds(started);
  }
  const double n = static_cast<double>(bench.iterations());
  if (n > 0 && raw > 0) {
    bench.counters["MB"] = static_cast<double>(bytes) / 1e6;
    bench.counters["raw_ms"] = 1e3 * raw / n;
    bench.counters["store_ms"] = 1e3 * store / n;
    bench.counters["recall_ms"] = 1e3 * (ours - store) / n;
    bench.counters["ratio"] = ours / raw;
    bench.counters["target_ms"] = kChannelTargetMs;
    bench.counters["within"] = 1e3 * ours / n < kChannelTargetMs ? 1 : 0;
  }
}
BENCHMARK(BM_ChannelStoreRecall)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);

}  // namespace
