// The chart's pointer: the hover test that finds the element under the pointer, the press that
// selects or picks a trace, the drags of markers, the marker table, the scale, the reference and
// the stimulus, and the release that applies a stimulus drag and runs the click actions.
//
// Every trace and marker is looked up again at each use: automation may remove them between
// the hover, the press and the release, and a stale index then does nothing.
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "model/Range.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

bool In(const TScreenRect& r, int x, int y) { return r.Contains(TScreenPoint{x, y}); }

// The markers of a list in tag order, then the reference marker when it is on.
template <class F>
void ForEachMarker(TMarkerList& list, F f) {
  const int count = list.GetMarkerCount();
  for (int tag = 0; tag < count; ++tag) {
    if (TMarker* marker = list.FindMarker(tag)) {
      if (f(*marker)) return;
    }
  }
  if (list.EnableReference) {
    if (TMarker* reference = list.GetReferenceMarker()) f(*reference);
  }
}

ui::Cursor CursorOfHitKind(int kind) {
  switch (kind) {
    case 1: case 3: case 4: case 6: case 19: return ui::Cursor::HandPoint;
    case 2: case 11: case 12: return ui::Cursor::SizeWE;
    case 5: case 8: case 10: return ui::Cursor::SizeNS;
    case 9: return ui::Cursor::VSplit;
    case 13: return ui::Cursor::HSplit;
    default: return ui::Cursor::Default;
  }
}

bool IsStimulusDrag(int hitKind, int hintKind) {
  if (hitKind >= 11 && hitKind <= 13) return true;
  return hitKind == 19 && hintKind >= 11 && hintKind <= 13;
}

// A pointer far outside the chart means the same as one just outside it; limiting it keeps
// every difference and rectangle sum below the integer's range.
int LimitPointer(int v) { return std::clamp(v, -(1 << 20), 1 << 20); }

}  // namespace

TChartPopups* TDrawingPlane::Popups = nullptr;

// ---------------------------------------------------------------------------------------------
// Events of the widget

void TDrawingPlane::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
  // The channel window becomes the active channel first; that may repaint or reshape this chart.
  QPointer<TDrawingPlane> self(this);
  ui::Control::MouseDown(button, shift, x, y);
  if (self) PaintBoxMouseDown(button, shift, x, y);
}

void TDrawingPlane::MouseMove(ui::ShiftState shift, int x, int y) {
  QPointer<TDrawingPlane> self(this);
  ui::Control::MouseMove(shift, x, y);
  if (self) PaintBoxMouseMove(shift, x, y);
}

void TDrawingPlane::MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
  QPointer<TDrawingPlane> self(this);
  ui::Control::MouseUp(button, shift, x, y);
  if (self) PaintBoxMouseUp(button, shift, x, y);
}

void TDrawingPlane::DblClick() { PaintBoxDblClick(); }

void TDrawingPlane::MouseLeave() {
  QPointer<TDrawingPlane> self(this);
  ui::Control::MouseLeave();
  if (self) HideHint();
}

void TDrawingPlane::PaintBoxDblClick() { ui::Control::DblClick(); }

// ---------------------------------------------------------------------------------------------
// Hover

void TDrawingPlane::SetHitKind(int kind) {
  if (kind == HitKind) return;
  HitKind = kind;
  SetCursor(CursorOfHitKind(kind));
  Invalidate();
}

void TDrawingPlane::HideHint() {
  for (size_t k = 1; k < LabelHotAreas.size(); ++k) LabelHotAreas[k].ClearHover();
  HintKind = 0;
  if (TMeasureList* list = Traces()) {
    const int count = list->GetCount();
    for (int i = 0; i < count; ++i) {
      TMeasurement* trace = list->GetMeasurement(i);
      if (trace == nullptr) continue;
      for (int a = 0; a <= 4; ++a) trace->TitleHotAreas[a].ClearHover();
      if (trace->Markers != nullptr) {
        ForEachMarker(*trace->Markers, [](TMarker& m) {
          m.ClearHover();
          return false;
        });
        if (TMarker* reference = trace->Markers->GetReferenceMarker()) reference->ClearHover();
      }
    }
  }
  Invalidate();
}

void TDrawingPlane::HoverAt(int X, int Y) {
  TMeasureList* list = Traces();
  TMeasurement* active = ActiveTrace();
  const bool transform = active != nullptr && active->IsTransformActive();
  const bool oneMarkers = View != nullptr && View->GetOneMeasurementMarkers();
  const int count = list != nullptr ? list->GetCount() : 0;
  const TScreenPoint p{X, Y};

  // 1. Hover flags.
  bool changed = false;
  for (size_t k = 1; k <= 9; ++k) changed |= LabelHotAreas[k].UpdateHover(X, Y);
  if (transform) {
    for (size_t k = 10; k <= 14; ++k) changed |= LabelHotAreas[k].UpdateHover(X, Y);
  }
  for (int i = 0; i < count; ++i) {
    TMeasurement* trace = list->GetMeasurement(i);
    if (trace == nullptr) continue;
    for (int a = 1; a <= 4; ++a) changed |= trace->TitleHotAreas[a].UpdateHover(X, Y);
    if (trace->Markers != nullptr && (!oneMarkers || trace == active)) {
      ForEachMarker(*trace->Markers, [&](TMarker& m) {
        changed |= m.UpdateHover(p);
        return false;
      });
    }
  }
  if (changed) Invalidate();

  // 2. Label areas.
  static constexpr int labelHints[][2] = {{0, 2}, {2, 3}, {3, 4}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}, {1, 1}};
  bool hit = false;
  for (const auto& [area, hint] : labelHints) {
    if (In(LabelHotAreas[static_cast<size_t>(area)].Rect, X, Y)) {
      HintKind = hint;
      hit = true;
    }
  }
  if (hit) {
    SetHitKind(6);
    return;
  }
  // 3. Time-domain labels.
  if (transform) {
    for (int area = 10; area <= 14; ++area) {
      if (In(LabelHotAreas[static_cast<size_t>(area)].Rect, X, Y)) {
        HintKind = area + 7;
        hit = true;
      }
    }
    if (hit) {
      SetHitKind(6);
      return;
    }
  }

  // 5. The markers of trace n; true when one of them (or its table) is under the point.
  auto markersOf = [&](int n, TMeasurement& trace) {
    TMarkerList* markers = trace.Markers;
    if (markers == nullptr) return false;
    const bool inTable = In(markers->TableRect, X, Y);
    if (inTable) HintKind = 0;
    bool found = false;
    ForEachMarker(*markers, [&](TMarker& m) {
      if (In(m.ReadoutRect, X, Y)) {
        HitTrace = n;
        HitMarker = m.Tag;
        HintKind = 27;
        SetHitKind(1);
        found = true;
      } else if (In(m.FlagRect, X, Y) || In(m.StimulusMarkRect, X, Y)) {
        HitTrace = n;
        HitMarker = m.Tag;
        HintKind = In(m.StimulusMarkRect, X, Y) ? 29 : 28;
        SetHitKind(2);
        found = true;
      }
      return found;
    });
    if (found) return true;
    if (inTable) {
      int row = LineHeight > 0 ? (Y - markers->TableRect.Top) / LineHeight : 0;
      if (row >= markers->GetMarkerCount()) row = markers->EnableReference ? TMarker::ReferenceTag : 0;
      HitMarker = row;
      HitTrace = n;
      SetHitKind(3);
      return true;
    }
    return false;
  };

  // 4. Title rows, reference marks and markers of every trace.
  for (int i = 0; i < count; ++i) {
    TMeasurement* trace = list->GetMeasurement(i);
    if (trace == nullptr) continue;
    const THotArea* areas = trace->TitleHotAreas;
    // The measured-parameter box keeps the hint of before; the row around the boxes has none.
    if (In(areas[1].Rect, X, Y)) {
      hit = true;
    } else if (In(areas[2].Rect, X, Y)) {
      HintKind = 14, hit = true;
    } else if (In(areas[3].Rect, X, Y)) {
      HintKind = 15, hit = true;
    } else if (In(areas[4].Rect, X, Y)) {
      HintKind = 16, hit = true;
    } else if (In(areas[0].Rect, X, Y)) {
      HintKind = 0, hit = true;
    }
    if (hit) {
      HitTrace = i;
      SetHitKind(4);
      return;
    }
    if (In(areas[5].Rect, X, Y) || In(areas[6].Rect, X, Y)) {
      HintKind = In(areas[5].Rect, X, Y) ? 25 : 26;
      HitTrace = i;
      SetHitKind(5);
      return;
    }
    if (!oneMarkers && markersOf(i, *trace)) return;
  }
  // 6.
  if (oneMarkers && active != nullptr && markersOf(active->TraceIndex, *active)) return;

  // 7. Stimulus row.
  const ui::Rect& row = StimulusRowRect;
  if (row.Contains(X, Y)) {
    const int W = row.Width();
    const int T = W / 10;
    int kind = 0;
    if (X < row.Left + T)
      kind = 11;
    else if (X > row.Right - T)
      kind = 12;
    else if (std::abs(X - (row.Left + W / 2)) < T / 2)
      kind = 13;
    if (kind != 0) {
      HintKind = kind;
      SetHitKind(kind);
      return;
    }
  }
  // 8. Response-axis label column.
  const TScreenRect column{PlotRect.Left, PlotRect.Top, PlotRect.Left + ScaleLabelWidth, PlotRect.Bottom};
  if (In(column, X, Y)) {
    const int H = column.Height();
    const int S = H / 3;
    if (Y < column.Top + S) {
      HintKind = 22;
      SetHitKind(8);
      return;
    }
    if (Y > column.Bottom - S) {
      HintKind = 24;
      SetHitKind(10);
      return;
    }
    if (std::abs(Y - (column.Top + H / 2)) < S / 2) {
      HintKind = 23;
      SetHitKind(9);
      return;
    }
  }
  // 9. The hint box.
  if (In(LabelHotAreas[15].Rect, X, Y)) {
    SetHitKind(19);
    return;
  }
  // 10.
  HintKind = 0;
  SetHitKind(0);
}

// ---------------------------------------------------------------------------------------------
// Press

bool TDrawingPlane::FrequencyAtX(int x, double& frequency) const {
  const TRange* range = View != nullptr ? View->GetRange() : Range;
  if (range == nullptr) return false;
  const int W = PlotRect.Width();
  if (W <= 0) return false;
  const double t = static_cast<double>(x - PlotRect.Left) / W;
  const double fmin = range->GetDeviceMinFrequency();
  const double fmax = range->GetDeviceMaxFrequency();
  const double start = range->MinFrequency;
  const double stop = range->MaxFrequency;
  // No known band (or a band a logarithmic sweep cannot span) maps nothing.
  if (!(fmax > fmin) || !std::isfinite(fmin) || !std::isfinite(fmax) || !std::isfinite(t)) return false;
  double f = 0.0;
  if (range->SweepMode == TRange::Lin) {
    const double a = (start - fmin) / (fmax - fmin);
    const double b = (stop - fmin) / (fmax - fmin);
    const double u = std::clamp(a + (b - a) * t, 0.0, 1.0);
    f = fmin + (fmax - fmin) * u;
  } else if (range->SweepMode == TRange::Log) {
    if (!(fmin > 0) || !(start > 0) || !(stop > 0)) return false;
    const double a = std::log(start / fmin) / std::log(fmax / fmin);
    const double b = std::log(stop / fmin) / std::log(fmax / fmin);
    const double u = std::clamp(a + (b - a) * t, 0.0, 1.0);
    f = fmin * std::pow(fmax / fmin, u);
  } else {
    return false;
  }
  if (!std::isfinite(f)) return false;
  frequency = std::clamp(std::round(f * 10.0) / 10.0, fmin, fmax);
  return true;
}

void TDrawingPlane::PaintBoxMouseDown(ui::MouseButton button, ui::ShiftState, int X, int Y) {
  X = LimitPointer(X);
  Y = LimitPointer(Y);
  // 2.
  ButtonDown = true;
  HoverAt(X, Y);
  // 3.
  if (button != ui::MouseButton::Left) return;
  // 4.
  LastX = X;
  LastY = Y;
  Dragging = true;
  double f = 0.0;
  dragValueValid_ = FrequencyAtX(X, f);
  if (dragValueValid_) DragValue = f;

  // 5.
  TMeasureList* list = Traces();
  if (list == nullptr) return;
  auto selectTrace = [&]() -> TMeasurement* {
    TMeasurement* trace = list->GetMeasurement(HitTrace);
    if (trace == nullptr) return nullptr;
    list->SetActive(HitTrace);
    return list->GetActive() == trace ? trace : nullptr;
  };
  auto selectMarker = [&](TMeasurement* trace, bool whenAny) {
    if (trace == nullptr || trace->Markers == nullptr) return;
    TMarkerList& markers = *trace->Markers;
    if (whenAny && markers.GetMarkerCount() == 0 && !markers.EnableReference) return;
    if (markers.MarkerExists(HitMarker)) markers.SetActiveMarker(HitMarker);
  };
  switch (HitKind) {
    case 0: {
      const int count = list->GetCount();
      if (count <= 0 || ViewProperties == nullptr) return;
      const ui::ImageCanvas& picture = KeptCanvas();
      int best = -1;
      int bestCount = 0;
      for (int i = 0; i < count; ++i) {
        const TColor color = ViewProperties->GetMainColor(i);
        int n = 0;
        for (int y = Y - 2; y <= Y + 2; ++y)
          for (int x = X - 2; x <= X + 2; ++x)
            if (picture.Pixel(x, y) == color) ++n;
        if (n > bestCount) {
          best = i;
          bestCount = n;
        }
      }
      if (best < 0) return;
      HitTrace = best;
      TMeasurement* trace = selectTrace();
      if (trace == nullptr || trace->Markers == nullptr) return;
      TMarkerList& markers = *trace->Markers;
      if (HitMarker >= 0 && HitMarker < markers.GetMarkerCount())
        markers.SetActiveMarker(HitMarker);
      else if (markers.EnableReference && HitMarker == TMarker::ReferenceTag)
        markers.SetActiveMarker(TMarker::ReferenceTag);
      return;
    }
    case 1:
    case 2:
      selectMarker(selectTrace(), false);
      return;
    case 3:
      selectMarker(selectTrace(), true);
      return;
    case 4:
    case 5:
      selectTrace();
      return;
    case 19:
      if (HintKind == 28 || HintKind == 29)
        selectMarker(selectTrace(), true);
      else if ((HintKind >= 14 && HintKind <= 21) || HintKind == 25 || HintKind == 26)
        selectTrace();
      return;
    default:
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Drag

void TDrawingPlane::PaintBoxMouseMove(ui::ShiftState, int X, int Y) {
  X = LimitPointer(X);
  Y = LimitPointer(Y);
  if (!Dragging) {
    HoverAt(X, Y);
    return;
  }
  const int divisions = View != nullptr ? View->GetDivisions() : 0;
  const bool onHint = HitKind == 19;
  auto hintIs = [&](std::initializer_list<int> hints) {
    return onHint && std::find(hints.begin(), hints.end(), HintKind) != hints.end();
  };
  TMeasurement* trace = ActiveTrace();

  // 1. Full scale: one step per move.
  if (HitKind == 8 || HitKind == 10 || hintIs({22, 24})) {
    if (Y == LastY) return;
    const bool down = Y > LastY;
    LastY = Y;
    if (trace == nullptr || divisions <= 0) return;
    const double F = trace->GetFullScale();
    if (!(F > 0) || !std::isfinite(F)) return;
    const double d = std::pow(10.0, std::floor(std::log10(F)));
    const double m = F / d;
    const double n = m > 5 ? 10 : m > 2 ? 5 : m > 1 ? 2 : 1;
    const double step = n * d * 0.1;
    const bool top = HitKind == 8 || hintIs({22});
    double value = (top != down) ? F + step : F - step;
    value = std::floor(value / step + 0.5) * step;
    const double perDivision = value / divisions;
    if (std::isfinite(perDivision)) trace->SetScaleDiv(perDivision);
    Invalidate();
    return;
  }
  // 2. Reference value, 3. reference position: one step per division height moved.
  const bool refValue = HitKind == 9 || hintIs({23});
  const bool refPosition = HitKind == 5 || hintIs({25, 26});
  if (refValue || refPosition) {
    if (divisions <= 0) return;
    if (std::abs(static_cast<long long>(Y) - LastY) <= PlotRect.Height() / divisions) return;
    const bool down = Y > LastY;
    LastY = Y;
    if (trace != nullptr) {
      if (refValue) {
        const double value = trace->GetRefValue() + (down ? 1 : -1) * trace->GetScaleDiv();
        if (std::isfinite(value)) trace->SetRefValue(value);
      } else {
        trace->SetRefPosition(trace->GetRefPosition() + (down ? 1 : -1));
      }
    }
    Invalidate();
    return;
  }
  // 4. Stimulus: the readout follows the pointer.
  if (IsStimulusDrag(HitKind, HintKind)) {
    if (X == LastX) return;
    LastX = X;
    double f = 0.0;
    dragValueValid_ = FrequencyAtX(X, f);
    if (dragValueValid_) DragValue = f;
    Invalidate();
    return;
  }
  // 5. The active marker follows the pointer's x.
  if (HitKind == 2 || hintIs({28, 29})) {
    if (X == LastX) return;
    LastX = X;
    const int W = PlotRect.Right - PlotRect.Left;
    if (trace != nullptr && trace->Markers != nullptr && W > 0) {
      TMarkerList& markers = *trace->Markers;
      if (markers.MarkerExists(markers.ActiveMarker)) {
        if (TMarker* marker = markers.GetActiveMarker())
          marker->SetRelativeX(static_cast<double>(X - PlotRect.Left) / W);
      }
    }
    Invalidate();
    return;
  }
  // 6. The marker table (the aligned tables follow trace 0's).
  if (HitKind == 3) {
    if (X == LastX && Y == LastY) return;
    const int dx = X - LastX;
    const int dy = Y - LastY;
    LastX = X;
    LastY = Y;
    TMeasureList* list = Traces();
    const bool own = View == nullptr || View->GetMarkerAlign() == IChartView::AlignNone ||
                     View->GetOneMeasurementMarkers();
    TMeasurement* moved = own ? trace : (list != nullptr ? list->GetMeasurement(0) : nullptr);
    if (moved != nullptr && moved->Markers != nullptr) {
      TScreenRect& r = moved->Markers->TableRect;
      r.Left += dx;
      r.Right += dx;
      r.Top += dy;
      r.Bottom += dy;
      // The new place becomes the list's position, kept by the next layout.
      TMarkerList& markers = *moved->Markers;
      const int left = markers.GetBoundsLeftFromTable();
      const int top = markers.GetBoundsTopFromTable();
      markers.CheckTableMoved();
      markers.SetBoundsLeft(left);
      markers.SetBoundsTop(top);
    }
    Invalidate();
    return;
  }
}

// ---------------------------------------------------------------------------------------------
// Release

void TDrawingPlane::PaintBoxMouseUp(ui::MouseButton, ui::ShiftState, int, int) {
  // 1.
  if (!ButtonDown) return;
  ButtonDown = false;
  // 2. A stimulus drag sets its frequency, in linear and logarithmic sweeps only.
  const bool dragged = Dragging;
  Dragging = false;
  QPointer<TDrawingPlane> self(this);
  if (dragged && dragValueValid_ && IsStimulusDrag(HitKind, HintKind) && std::isfinite(DragValue)) {
    TRange* range = View != nullptr ? View->GetRange() : nullptr;
    if (range != nullptr && (range->SweepMode == TRange::Lin || range->SweepMode == TRange::Log)) {
      const int which = HitKind == 19 ? HintKind : HitKind;
      if (which == 11)
        range->SetStartFrequency(DragValue);
      else if (which == 12)
        range->SetStopFrequency(DragValue);
      else
        range->SetCenterFrequency(DragValue);
    }
  }
  dragValueValid_ = false;
  // 3. The click actions (a modal one may end with this chart gone).
  if (!self) return;
  RunClickActions();
  // 4.
  if (self) Invalidate();
}
