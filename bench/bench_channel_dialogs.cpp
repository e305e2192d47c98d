// The channel dialogs on the main window in demonstration mode (sweep on hold):
//   SegmentGridRefresh: the segment editor rebuilding its grid for 8000 segments with the IF
//     bandwidth and delay columns; beside it, the same 48,000 cell values written as plain
//     numbers (std::to_chars) into strings. "ratio" = ours / that raw formatting.
//   SegmentCellEdit: one points entry through the editor's keypad setter (the channel's setter,
//     the rebuild of its 16,000 points, the grid refresh); beside it the channel's setter alone.
//   DelayStep: one "+" step of the Scale dialog's electrical delay on a 16,001-point Return
//     Loss trace with a memory and 20 % smoothing; beside it the trace's setter alone.
// The targets: refresh under 30 ms, the edit under 60 ms, the step under 20 ms.
#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <vector>

#include "DialogBenchRig.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/ScaleDialog.h"
#include "dialogs/SegmentListFrm.h"
#include "widgets/EmiStringGrid.h"

namespace {

using namespace benchrig;

constexpr int kSegments = 8000;
constexpr int kTracePoints = 16001;

// The main window in demonstration mode, with a table of segments at hand.
struct TProgram : benchrig::TProgram {
  // 8000 segments of two points, both optional columns shown, in segment sweep.
  void SegmentTable() {
    TRange& ch = Channel();
    TRangeSettings settings;
    TSegments segments;
    ch.GetSettings(settings, segments);
    segments.clear();
    for (int i = 0; i < kSegments; ++i) {
      TSegment s;
      s.Start = 100 + 1.0 * i;
      s.Stop = 100.5 + 1.0 * i;
      s.Points = 2;
      s.IFBW = i % 2 == 0 ? 1000 : 30000;
      s.Delay = 0.005 * (i % 100);
      segments.push_back(s);
    }
    ch.ApplySettings(segments, settings);
    ch.SetSegmentListIFBW(true);
    ch.SetSegmentListDelay(true);
    ch.SetSweepType(TRange::Segm);
  }
};

using TBenchSegmentEditor = TCellEditors<TSegmentListFrm>;

// The cell values of the table as plain numbers: the raw cost of writing them.
size_t FormatRaw(const TRange& ch, std::vector<std::string>& cells) {
  char buffer[32];
  size_t k = 0;
  for (int i = 0; i < ch.GetSegmentCount(); ++i) {
    const double values[] = {static_cast<double>(i + 1),    ch.GetSegmentStart(i) * 1e6, ch.GetSegmentStop(i) * 1e6,
                             double(ch.GetSegmentPoints(i)), double(ch.GetSegmentIFBW(i)), ch.GetSegmentDelay(i)};
    for (double v : values) {
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
      cells[k++].assign(buffer, end);
    }
  }
  return k;
}

void SegmentGridRefresh(benchmark::State& state) {
  TProgram program;
  program.SegmentTable();
  TSegmentListFrm editor(program.frm.get());
  std::vector<std::string> cells(static_cast<size_t>(kSegments) * 6);
  TimeBeside(
      state, "raw_ms", [&] { editor.RefreshGrid(); },
      [&] { benchmark::DoNotOptimize(FormatRaw(program.Channel(), cells)); });
}

void SegmentCellEdit(benchmark::State& state) {
  TProgram program;
  program.SegmentTable();
  TBenchSegmentEditor editor(program.frm.get());
  editor.sgList->SetCurrent(3, kSegments / 2);
  const TTableEditorFrm::TCellEditor points = editor.Editor(3);
  const int record = kSegments / 2 - 1;
  // Ours takes the segment to three points, the setter alone back to two.
  TimeBeside(
      state, "setter_ms", [&] { points.Setter(3); }, [&] { program.Channel().SetSegmentPoints(record, 2); });
}

void DelayStep(benchmark::State& state) {
  TProgram program;
  TMeasurement& trace = program.TraceOn(kTracePoints);
  trace.SetSmoothing(true);
  trace.SetSmoothingAperture(20);
  TMeasViewFrm dialog(program.frm.get());
  TimeBeside(
      state, "setter_ms", [&] { dialog.Step(TMeasViewFrm::hbDelayPlus); },
      [&] { trace.SetElectricalDelay(trace.ElectricalDelay * 0.5); });
}

}  // namespace

BENCHMARK(SegmentGridRefresh)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SegmentCellEdit)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DelayStep)->UseManualTime()->Unit(benchmark::kMillisecond);
