#include "dialogs/ScaleDialog.h"

#include <QPointer>

#include "dialogs/ChannelDialogs.h"
#include "display/RangeView.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "traces/FormatMath.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

constexpr const char* kPattern = "###0.###";
// The smallest steps of the +/- buttons: 0.01 ns and 0.1 degree.
constexpr double kDelayStepNs = 0.01;
constexpr double kPhaseStepDeg = 0.1;

}  // namespace

TMeasViewFrm::TMeasViewFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Scale")) {
  SetName("MeasViewFrm");
  SetKeyHandler(true);
  if (TMainFrm* main = LiveMainFrm()) view_ = main->GetActiveView();
  btAutoScale = MakeButton(this, "btAutoScale", TranslateText("Auto Scale"));
  btAutoRef = MakeButton(this, "btAutoRef", TranslateText("Auto Ref. Value"));
  pnScale = MakeCaptionPanel("pnScale", TranslationKey("Scale"));
  pnScaleValue = MakeValuePanel("pnScaleValue");
  pnReference = MakeCaptionPanel("pnReference", TranslationKey("Reference Value"));
  pnRefValue = MakeValuePanel("pnRefValue");
  pnDivisions = MakeCaptionPanel("pnDivisions", TranslationKey("Divisions"));
  pnDivisionsValue = MakeValuePanel("pnDivisionsValue");
  pnRefPos = MakeCaptionPanel("pnRefPos", TranslationKey("Ref. Position"));
  pnRefPosValue = MakeValuePanel("pnRefPosValue");
  pnEDelay = MakeCaptionPanel("pnEDelay", TranslationKey("Electrical Delay"));
  pnEDelayValue = MakeValuePanel("pnEDelayValue");
  pnPhaseOffset = MakeCaptionPanel("pnPhaseOffset", TranslationKey("Phase Offset"));
  pnPhaseOffsetValue = MakeValuePanel("pnPhaseOffsetValue");
  btDelayMinus = MakeButton(this, "btDelayMinus", "-");
  btDelayPlus = MakeButton(this, "btDelayPlus", "+");
  btPhaseMinus = MakeButton(this, "btPhaseMinus", "-");
  btPhasePlus = MakeButton(this, "btPhasePlus", "+");
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  const std::pair<ui::Panel*, ui::Panel*> rows[] = {{pnScale, pnScaleValue},   {pnReference, pnRefValue},
                                                    {pnDivisions, pnDivisionsValue}, {pnRefPos, pnRefPosValue},
                                                    {pnEDelay, pnEDelayValue}, {pnPhaseOffset, pnPhaseOffsetValue}};
  for (const auto& [caption, value] : rows) {
    ui::Panel* row = caption;
    BindRow(*caption, *value, [this, row] { pnMouseDown(*row); });
  }
  BindButton(*btAutoScale, [this] { btAutoScaleMouseDown(); });
  BindButton(*btAutoRef, [this] { btAutoRefMouseDown(); });
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });
  TLbButton* const buttons[] = {btDelayMinus, btDelayPlus, btPhaseMinus, btPhasePlus};
  QPointer<TMeasViewFrm> self(this);
  for (int i = 0; i < 4; ++i) {
    repeats_[i] = new TAutoRepeat(*buttons[i], [self, i] {
      if (self) self->Step(i + 1);
    });
  }

  RefreshValues();
  ArrangeControls();
}

TMeasViewFrm::~TMeasViewFrm() {
  // No tick may reach a dialog that is going away.
  for (TAutoRepeat* repeat : repeats_) {
    if (repeat) repeat->Stop();
  }
}

TRangeView* TMeasViewFrm::View() const { return LiveMainFrm() != nullptr ? view_ : nullptr; }

TMeasurement* TMeasViewFrm::Trace() const {
  const TRangeView* view = View();
  return view != nullptr && view->GetTraces() != nullptr ? view->GetTraces()->GetActive() : nullptr;
}

bool TMeasViewFrm::IsPolar() const {
  const TMeasurement* trace = Trace();
  return trace != nullptr && IsComplexFormat(trace->TraceFormat);
}

bool TMeasViewFrm::Repeating() const {
  for (const TAutoRepeat* repeat : repeats_) {
    if (repeat && repeat->Running()) return true;
  }
  return false;
}

void TMeasViewFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  const int m = Margin();
  const int f = FieldHeight();
  btAutoScale->SetBoundsRect(CellRect(2, w, 1, 2));
  btAutoRef->SetBoundsRect(CellRect(2, w, 2, 2));
  PlaceCaptionPanels(*pnScale, *pnScaleValue, RowRect(3, w));
  PlaceCaptionPanels(*pnReference, *pnRefValue, RowRect(4, w));
  PlaceCaptionPanels(*pnDivisions, *pnDivisionsValue, RowRect(5, w));
  PlaceCaptionPanels(*pnRefPos, *pnRefPosValue, RowRect(6, w));
  const struct {
    ui::Panel* caption;
    ui::Panel* value;
    TLbButton* minus;
    TLbButton* plus;
    int row;
  } stepped[] = {{pnEDelay, pnEDelayValue, btDelayMinus, btDelayPlus, 7},
                 {pnPhaseOffset, pnPhaseOffsetValue, btPhaseMinus, btPhasePlus, 8}};
  for (const auto& s : stepped) {
    const ui::Rect r = RowRect(s.row, w);
    PlaceCaptionPanels(*s.caption, *s.value, ui::Rect(m, r.Top, w - 3 * m - 2 * f, r.Bottom));
    s.minus->SetBoundsRect(ui::Rect(w - 2 * f - 2 * m, r.Top, w - 2 * m - f, r.Bottom));
    s.plus->SetBoundsRect(ui::Rect(w - f - m, r.Top, w - m, r.Bottom));
  }
  btOk->SetBoundsRect(RowRect(9, w));
}

void TMeasViewFrm::RefreshValues() {
  const TRangeView* view = View();
  const TMeasurement* trace = Trace();
  if (view == nullptr || trace == nullptr) return;
  const std::string unit = trace->GetResponseUnitText();
  if (IsComplexFormat(trace->TraceFormat)) {
    SetValueText(*pnScaleValue, FormatFloat(kPattern, trace->GetFullScale()) + " " + unit);
    SetValueText(*pnRefValue, "");
    SetValueText(*pnDivisionsValue, "");
    SetValueText(*pnRefPosValue, "");
  } else {
    SetValueText(*pnScaleValue, FormatFloat(kPattern, trace->GetScaleDiv()) + " " + unit + TranslateText("/div"));
    SetValueText(*pnRefValue, FormatFloat(kPattern, trace->GetRefValue()) + " " + unit);
    SetValueText(*pnDivisionsValue, IntToText(view->GetDivisions()));
    SetValueText(*pnRefPosValue, IntToText(trace->GetRefPosition()));
  }
  SetValueText(*pnEDelayValue, FormatKindValue(trace->ElectricalDelay, ukTime));
  SetValueText(*pnPhaseOffsetValue, FormatFloat(kPattern, trace->PhaseOffset) + " \u00B0");
}

void TMeasViewFrm::pnMouseDown(ui::Control& sender) {
  if (Trace() == nullptr) return;
  const bool polar = IsPolar();
  if (polar && (&sender == pnReference || &sender == pnDivisions || &sender == pnRefPos)) return;
  QPointer<TMeasViewFrm> self(this);
  // A closure on the trace that is active when it runs.
  const auto traceSetter = [self](std::function<void(TMeasurement&, double)> set) -> TSetter {
    return [self, set = std::move(set)](double v) {
      if (!self) return;
      if (TMeasurement* t = self->Trace()) set(*t, v);
      self->RefreshValues();
    };
  };
  const auto traceGetter = [self](std::function<double(const TMeasurement&)> get) -> TGetter {
    return [self, get = std::move(get)]() -> double {
      const TMeasurement* t = self ? self->Trace() : nullptr;
      return t != nullptr ? get(*t) : 0.0;
    };
  };
  if (&sender == pnScale) {
    if (polar) {
      OpenKeypad(TranslateText("Scale"), 0, ukNone, traceSetter([](TMeasurement& t, double v) { t.SetFullScale(v); }),
                 traceGetter([](const TMeasurement& t) { return t.GetFullScale(); }));
    } else {
      OpenKeypad(TranslateText("Scale"), 0, ukNone, traceSetter([](TMeasurement& t, double v) { t.SetScaleDiv(v); }),
                 traceGetter([](const TMeasurement& t) { return t.GetScaleDiv(); }));
    }
  } else if (&sender == pnReference) {
    OpenKeypad(TranslateText("Reference Value"), 0, ukNone,
               traceSetter([](TMeasurement& t, double v) { t.SetRefValue(v); }),
               traceGetter([](const TMeasurement& t) { return t.GetRefValue(); }));
  } else if (&sender == pnDivisions) {
    OpenKeypad(
        TranslateText("Divisions"), 0, ukNone,
        IntSetter([self](int n) {
          if (TRangeView* v = self ? self->View() : nullptr) v->SetDivisions(n);
        }),
        [self]() -> double {
          const TRangeView* v = self ? self->View() : nullptr;
          return v != nullptr ? v->GetDivisions() : 0.0;
        });
  } else if (&sender == pnRefPos) {
    OpenKeypad(TranslateText("Ref. Position"), 0, ukNone, IntSetter([self](int n) {
                 if (TMeasurement* t = self ? self->Trace() : nullptr) t->SetRefPosition(n);
               }),
               traceGetter([](const TMeasurement& t) { return t.GetRefPosition(); }));
  } else if (&sender == pnEDelay) {
    OpenKeypad(TranslateText("Electrical Delay"), 3, ukTime,
               traceSetter([](TMeasurement& t, double v) { t.SetElectricalDelay(v * 1e-9); }),
               traceGetter([](const TMeasurement& t) { return t.ElectricalDelay * 1e9; }));
  } else if (&sender == pnPhaseOffset) {
    OpenKeypad(TranslateText("Phase Offset"), 0, ukDegree,
               traceSetter([](TMeasurement& t, double v) { t.SetPhaseOffset(v); }),
               traceGetter([](const TMeasurement& t) { return t.PhaseOffset; }));
  }
}

void TMeasViewFrm::btAutoScaleMouseDown() {
  if (TMeasurement* t = Trace()) t->AutoScale();
  RefreshValues();
}

void TMeasViewFrm::btAutoRefMouseDown() {
  if (TMeasurement* t = Trace()) t->AutoReference();
  RefreshValues();
}

void TMeasViewFrm::Step(int button) {
  TMeasurement* t = Trace();
  if (t == nullptr) return;
  const int direction = button == hbDelayPlus || button == hbPhasePlus ? 1 : -1;
  if (button == hbDelayMinus || button == hbDelayPlus) {
    double ns = t->ElectricalDelay * 1e9;
    IncrementBySignificantStep(ns, direction, kDelayStepNs);
    t->SetElectricalDelay(ns * 1e-9);
  } else if (button == hbPhaseMinus || button == hbPhasePlus) {
    double degrees = t->PhaseOffset;
    IncrementBySignificantStep(degrees, direction, kPhaseStepDeg);
    t->SetPhaseOffset(degrees);
  }
  RefreshValues();
}
