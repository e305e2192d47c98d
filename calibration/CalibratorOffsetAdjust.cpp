// TCalibratorModule's frequency offset adjustment run: search points around the active
// channel's centre on a temporary channel, a coarse sweep at 30 kHz, then ever narrower IF
// bandwidths down to the channel's own, each adding the peak's offset from the centre.
#include <cmath>

#include "calibration/CalibratorModule.h"
#include "calibration/MeasurementRun.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"

namespace {

// Clears a flag on every way out of its scope.
class TFlagReset {
 public:
  explicit TFlagReset(bool& flag) : Flag(flag) {}
  ~TFlagReset() { Flag = false; }
  TFlagReset(const TFlagReset&) = delete;
  TFlagReset& operator=(const TFlagReset&) = delete;

 private:
  bool& Flag;
};

// Half the width of a search around the centre, MHz, at IF bandwidth b (Hz).
constexpr double CoarseHalfSpan(double b) { return b * 16 * 1e-6; }
constexpr double FineHalfSpan(double b) { return b * 1e-6; }

}  // namespace

void TCalibratorModule::ReportOffsetAdjustFailure(bool automatic) {
  if (automatic && OffsetAdjustFailureTold) return;
  OffsetAdjustFailureTold = true;
  ShowUserMessage(TranslateText("The frequency offset cannot be adjusted at this frequency"));
}

void TCalibratorModule::AdjustFrequencyOffset(bool automatic) {
  TRange* a = ActiveWindow ? ActiveWindow->GetActiveRange() : nullptr;
  if (a == nullptr || !a->FOMState || !a->FOMAdjust) return;
  if (!IsTransferAllowed() || ScannerModule == nullptr || WaitBox == nullptr) {
    if (automatic) return;
    throw EAbort("Execution error", 200);
  }
  const double c = a->GetCenterFrequency();
  const int port = a->FOMAdjPort == 1 ? 1 : 0;
  const int ownIFBW = a->CommonIFBW;
  TRangeSettings settings;
  TSegments segments;
  a->GetSettings(settings, segments);
  settings.CommonIFBW = static_cast<int32_t>(OffsetAdjustCoarseIFBW);
  settings.SweepMode = 0;
  settings.MinFrequency = c - CoarseHalfSpan(OffsetAdjustCoarseIFBW);
  settings.MaxFrequency = c + CoarseHalfSpan(OffsetAdjustCoarseIFBW);
  settings.FOMAdjValue[port] = 0.0;

  bool abandoned = false;
  OffsetAdjustRunning = true;
  TFlagReset outer(OffsetAdjustRunning);  // when the run cannot even start
  {
    TMeasurementRun run(*ScannerModule);
    // Declared after the run, so the flag is clear before the run restarts the sweep.
    TFlagReset inner(OffsetAdjustRunning);
    TRange& t = run.GetChannel();
    t.ApplySettings(segments, settings);
    t.SetPointCorrection(false);
    const std::string caption = TranslateText("Frequency Offset Adjust");
    // 1: swept, 0: cancelled or failed, -1: the search points cannot be planned.
    auto sweep = [&]() -> int {
      if (!t.BuildOffsetSearchPoints(c)) return -1;
      t.SetChangeNotify(true);
      ScannerModule->RebuildScanList();
      return WaitBox->Run(caption) ? 1 : 0;
    };
    const int coarse = sweep();
    if (coarse < 0) {
      abandoned = true;
    } else if (coarse > 0) {
      double v = t.GetPeakPointFrequency() - c;
      abandoned = !std::isfinite(v);
      for (int b : OffsetAdjustLadder) {
        if (abandoned) break;
        settings.CommonIFBW = b;
        settings.MinFrequency = c - FineHalfSpan(b);
        settings.MaxFrequency = c + FineHalfSpan(b);
        settings.FOMAdjValue[port] = v;
        t.SetChangeNotify(false);
        t.ApplySettings(segments, settings);
        const int fine = sweep();
        if (fine < 0) {
          abandoned = true;
          break;
        }
        if (fine == 0) break;
        const double step = t.FindPeakFrequency() - c;
        if (!std::isfinite(step) || !std::isfinite(v + step)) {
          abandoned = true;
          break;
        }
        v += step;
        if (b <= ownIFBW) break;
      }
      if (!abandoned) {
        a->SetOffsetAdjustValue(port, v);
        OffsetAdjustFailureTold = false;
      }
    }
  }
  if (abandoned) ReportOffsetAdjustFailure(automatic);
}
