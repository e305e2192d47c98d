#pragma once
// The automatic port extension fit: from a measured open and/or short at the end of the line
// to be removed, the electrical delay of port 0 (from the phase slope over a span) and,
// optionally, the line loss at up to two frequencies and at the lowest frequency.
//
// The measurements are channels that hold the corrected port-0 reflection of one sweep
// (copies the dialog keeps, owned by nobody). A measurement of fewer than two points, or of a
// sweep type without a point search, counts as absent. Frequencies are in MHz, the delay in
// seconds, losses in dB.
#include <optional>

class TRange;

enum TAutoExtMethod { aemCurrentSpan = 0, aemUserSpan = 1, aemActiveMarker = 2 };

struct TAutoExtensionInput {
  const TRange* Open = nullptr;
  const TRange* Short = nullptr;
  int Method = aemCurrentSpan;
  double Freq1 = 0.0;   // user span, MHz
  double Freq2 = 0.0;   // user span, MHz
  double Marker = 0.0;  // argument of the active marker, MHz
  bool IncludeLoss = false;
  bool AdjustMismatch = false;
};

// What to write into the channel. Values are rounded to six significant digits, frequencies
// are kept as the measured points have them. A loss that came out non-finite (a zero
// reading) is left out together with its frequency and switch.
struct TAutoExtensionValues {
  double Delay = 0.0;
  bool SetLoss1 = false;
  double Freq1 = 0.0;
  double Loss1 = 0.0;
  bool SetLoss2 = false;
  double Freq2 = 0.0;
  double Loss2 = 0.0;
  bool Loss2Off = false;  // "Active Marker" fits one loss point only
  bool SetLossAtDC = false;
  double LossAtDC = 0.0;
};

// Nothing when no standard has a usable measurement.
std::optional<TAutoExtensionValues> FitAutoExtension(const TAutoExtensionInput& input);

// Writes the values through the channel's port extension setters and switches the
// extension on.
void ApplyAutoExtension(TRange& channel, const TAutoExtensionValues& values);
