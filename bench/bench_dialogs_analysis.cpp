// The trace dialogs on the main window in demonstration mode (sweep on hold):
//   LimitCellEdit: one Begin Response entry through the limit editor's keypad setter on a
//     16,001-point trace whose limit line has 50 segments, all tested (the line's setter, its
//     test, the grid refresh); beside it the line's setter alone. Target under 5 ms.
//   TraceListRefresh: the Trace List's refresh with four traces; beside it the four format
//     captions alone. Target under 1 ms.
//   GateStartEntry/N: one gate start through the Analysis dialog's keypad setter (distance
//     conversion, the window's setter that recalculates the gated traces and updates their
//     memories, the dialog's refresh) with four distance traces of N points, each with a memory
//     and the gate on; beside it the window's setter alone. Target under 20 ms for 1601 points;
//     16001 points printed without a target.
#include <benchmark/benchmark.h>

#include <string>

#include "DialogBenchRig.h"
#include "dialogs/AnalysisDialog.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/LimitEditor.h"
#include "dialogs/TraceListDialog.h"
#include "traces/FormatMath.h"
#include "traces/LimitLine.h"
#include "widgets/EmiStringGrid.h"

namespace {

using namespace benchrig;

constexpr int kSegments = 50;
constexpr int kTracePoints = 16001;

// Its own data root folder name, to tell its leftovers from the other benchmarks'.
constexpr TProgramOptions kOptions{"tervan-analysisbench"};

using TBenchLimitEditor = TCellEditors<TLimitEditFrm>;

void LimitCellEdit(benchmark::State& state) {
  TProgram program(kOptions);
  TMeasurement& trace = program.TraceOn(kTracePoints);
  TLimitLine& line = *trace.LimitLine;
  for (int i = 0; i < kSegments; ++i) {
    line.InsertSegment(i);
    line.SetBegArgument(i, 100 + i * 100);
    line.SetEndArgument(i, 190 + i * 100);
    line.SetLimitType(i, 2);
  }
  trace.SetLimitTest(true);
  TBenchLimitEditor editor(program.frm.get());
  editor.sgList->SetCurrent(3, kSegments / 2);
  const TTableEditorFrm::TCellEditor begValue = editor.Editor(3);
  const int record = kSegments / 2 - 1;
  TimeBeside(state, "setter_ms", [&] { begValue.Setter(-3); }, [&] { line.SetBegValue(record, -4); });
}

void TraceListRefresh(benchmark::State& state) {
  TProgram program(kOptions);
  TMeasureList& traces = *program.frm->GetActiveView()->Measurements;
  for (int i = 0; i < 3; ++i) traces.AddMeasurement(0, 16);
  TTraceListFrm dialog(program.frm.get());
  TimeBeside(
      state, "captions_ms", [&] { dialog.RefreshValues(); },
      [&] {
        size_t n = 0;
        for (int i = 0; i < 4; ++i) n += traces.GetMeasurement(i)->GetFormatCaption().size();
        benchmark::DoNotOptimize(n);
      });
}

void GateStartEntry(benchmark::State& state) {
  TProgram program(kOptions);
  TRangeView& view = *program.frm->GetActiveView();
  TMeasureList& traces = *view.Measurements;
  for (int i = 0; i < 3; ++i) traces.AddMeasurement(0, fmtDtfReturnLoss);
  for (int i = 0; i < 4; ++i) {
    traces.SetActive(i);
    traces.GetActive()->SetFormat(fmtDtfReturnLoss);
  }
  view.SetGatingEnabled(true);
  for (int i = 0; i < 4; ++i) {
    traces.SetActive(i);
    program.TraceOn(static_cast<int>(state.range(0)));
  }
  ScannerModule->MetricSystem = TScannerModule::UnitMetres;
  TAnalysisFrm dialog(program.frm.get());
  const TTouchDialogFrm::TSetter start = dialog.GateSetter(false);
  // Ours and the bare setter take turns with two distances, so every call moves the gate.
  TimeBeside(
      state, "setter_ms", [&] { start(-0.5); },
      [&] { view.SetGatingStart(TTimeDomainSettings::UnitToTime(-0.25)); });
  if (view.TimeDomain.GatingStart == 0) state.SkipWithError("the gate did not move");
  state.counters["points"] = program.Channel().GetCount();
}

}  // namespace

BENCHMARK(GateStartEntry)->Arg(1601)->Arg(16001)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LimitCellEdit)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(TraceListRefresh)->UseManualTime()->Unit(benchmark::kMillisecond);
