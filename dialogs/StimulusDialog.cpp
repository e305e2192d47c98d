#include "dialogs/StimulusDialog.h"

#include <QPointer>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/SegmentListFrm.h"
#include "display/RangeView.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

TStimulusFrm::TStimulusFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Stimulus")) {
  SetName("StimulusFrm");
  SetKeyHandler(true);
  SetPlacement(Placement::Owner);
  if (TMainFrm* main = LiveMainFrm()) {
    view_ = main->GetActiveView();
    channel_ = view_ != nullptr ? view_->GetRange() : nullptr;
  }
  pnStartFreq = MakeCaptionPanel("pnStartFreq", TranslationKey("Start Frequency"));
  pnStartFreqValue = MakeValuePanel("pnStartFreqValue");
  pnStopFreq = MakeCaptionPanel("pnStopFreq", TranslationKey("Stop Frequency"));
  pnStopFreqValue = MakeValuePanel("pnStopFreqValue");
  pnMinDist = MakeCaptionPanel("pnMinDist", TranslationKey("Time-Domain Start"));
  pnMinDistValue = MakeValuePanel("pnMinDistValue");
  pnMaxDist = MakeCaptionPanel("pnMaxDist", TranslationKey("Time-Domain Stop"));
  pnMaxDistValue = MakeValuePanel("pnMaxDistValue");
  pnPoints = MakeCaptionPanel("pnPoints", TranslationKey("Points"));
  pnPointsValue = MakeValuePanel("pnPointsValue");
  pnPower = MakeCaptionPanel("pnPower", TranslationKey("Power"));
  pnPowerValue = MakeValuePanel("pnPowerValue");
  pnSweepType = MakeCaptionPanel("pnSweepType", TranslationKey("Sweep Type"));
  pnSweepTypeValue = MakeValuePanel("pnSweepTypeValue");
  btSegmentTable = MakeButton(this, "btSegmentTable", TranslateText("Segment Table"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnStartFreq, *pnStartFreqValue, [this] { pnMouseDown(*pnStartFreq); });
  BindRow(*pnStopFreq, *pnStopFreqValue, [this] { pnMouseDown(*pnStopFreq); });
  BindRow(*pnMinDist, *pnMinDistValue, [this] { pnMouseDown(*pnMinDist); });
  BindRow(*pnMaxDist, *pnMaxDistValue, [this] { pnMouseDown(*pnMaxDist); });
  BindRow(*pnPoints, *pnPointsValue, [this] { pnExtMouseDown(*pnPoints); });
  BindRow(*pnPower, *pnPowerValue, [this] { pnExtMouseDown(*pnPower); });
  BindRow(*pnSweepType, *pnSweepTypeValue, [this] { pnExtMouseDown(*pnSweepType); });
  BindButton(*btSegmentTable, [this] { btSegmentTableMouseDown(); });
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });

  RefreshValues();
  ArrangeControls();
}

TRangeView* TStimulusFrm::View() const { return LiveMainFrm() != nullptr ? view_ : nullptr; }
TRange* TStimulusFrm::Channel() const { return LiveMainFrm() != nullptr ? channel_ : nullptr; }

void TStimulusFrm::DistanceUnit(int& kind, int& index) {
  const int unit = ScannerModule != nullptr ? ScannerModule->MetricSystem : TScannerModule::UnitSeconds;
  switch (unit) {
    case TScannerModule::UnitMetres:
      kind = ukMetricLength;
      index = 0;
      break;
    case TScannerModule::UnitFeet:
      kind = ukImperialLength;
      index = 1;
      break;
    default:
      kind = ukTime;
      index = 3;
      break;
  }
}

void TStimulusFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnStartFreq, *pnStartFreqValue, RowRect(2, w));
  PlaceCaptionPanels(*pnStopFreq, *pnStopFreqValue, RowRect(3, w));
  PlaceCaptionPanels(*pnMinDist, *pnMinDistValue, RowRect(4, w));
  PlaceCaptionPanels(*pnMaxDist, *pnMaxDistValue, RowRect(5, w));
  PlaceCaptionPanels(*pnPoints, *pnPointsValue, RowRect(6, w));
  PlaceCaptionPanels(*pnPower, *pnPowerValue, RowRect(7, w));
  PlaceCaptionPanels(*pnSweepType, *pnSweepTypeValue, RowRect(8, w));
  btSegmentTable->SetBoundsRect(CellRect(9, w, 1, 2));
  btOk->SetBoundsRect(CellRect(9, w, 2, 2));
}

void TStimulusFrm::RefreshValues() {
  TRange* ch = Channel();
  TRangeView* view = View();
  if (ch == nullptr || view == nullptr) return;
  const bool centre = ch->FreqCenterPriority;
  pnStartFreq->SetCaption(kBlankText + (centre ? TranslateText("Center Frequency") : TranslateText("Start Frequency")));
  pnStopFreq->SetCaption(kBlankText + (centre ? TranslateText("Span Frequency") : TranslateText("Stop Frequency")));
  SetValueText(*pnStartFreqValue,
               FormatKindValue((centre ? ch->GetCenterFrequency() : ch->MinFrequency) * 1e6, ukFrequency));
  SetValueText(*pnStopFreqValue, FormatKindValue((centre ? ch->GetSpan() : ch->MaxFrequency) * 1e6, ukFrequency));

  int kind = ukTime;
  int index = 3;
  DistanceUnit(kind, index);
  const double scale = kind == ukTime ? 1e-9 : 1.0;
  SetValueText(*pnMinDistValue, FormatKindValue(view->GetTransformStartInUnit() * scale, kind));
  SetValueText(*pnMaxDistValue, FormatKindValue(view->GetTransformStopInUnit() * scale, kind));

  SetValueText(*pnPointsValue, IntToText(ch->NPoints));
  const bool low = ScannerModule != nullptr && ScannerModule->Attenuator20dB;
  std::string power = low ? TranslateText("Low") : TranslateText("High");
  if (IsVorlaMode() && ScannerModule != nullptr && ScannerModule->GetScanner().GetSignalOff()) {
    power = TranslateText("RF Off");
  }
  SetValueText(*pnPowerValue, power);

  // The sweep type of the channel that is active now.
  if (const TRange* active = LiveMainFrm()->GetActiveChannel()) {
    switch (active->SweepMode) {
      case TRange::Lin:
        SetValueText(*pnSweepTypeValue, TranslateText("Lin"));
        btSegmentTable->SetEnabled(false);
        break;
      case TRange::Log:
        SetValueText(*pnSweepTypeValue, TranslateText("Log"));
        btSegmentTable->SetEnabled(false);
        break;
      case TRange::Segm:
        SetValueText(*pnSweepTypeValue, TranslateText("Segment"));
        btSegmentTable->SetEnabled(true);
        break;
      default: break;
    }
  }
}

void TStimulusFrm::pnMouseDown(ui::Control& sender) {
  if (Channel() == nullptr) return;
  QPointer<TStimulusFrm> self(this);
  // The closures act on the kept channel and window, and on nothing after the shut-down.
  const auto onChannel = [self](void (TRange::*set)(double)) -> TSetter {
    return [self, set](double v) {
      if (!self) return;
      if (TRange* ch = self->Channel()) (ch->*set)(v);
      self->RefreshValues();
    };
  };
  const auto channelValue = [self](double (*get)(const TRange&)) -> TGetter {
    return [self, get]() -> double {
      const TRange* ch = self ? self->Channel() : nullptr;
      return ch != nullptr ? get(*ch) : 0.0;
    };
  };
  const bool centre = Channel()->FreqCenterPriority;
  if (&sender == pnStartFreq) {
    if (centre) {
      OpenKeypad(TranslateText("Center Frequency"), 1, ukFrequency, onChannel(&TRange::SetCenterFrequency),
                 channelValue([](const TRange& c) { return c.GetCenterFrequency(); }));
    } else {
      OpenKeypad(TranslateText("Start Frequency"), 1, ukFrequency, onChannel(&TRange::SetStartFrequency),
                 channelValue([](const TRange& c) { return c.MinFrequency; }));
    }
  } else if (&sender == pnStopFreq) {
    if (centre) {
      OpenKeypad(TranslateText("Span Frequency"), 1, ukFrequency, onChannel(&TRange::SetSpan),
                 channelValue([](const TRange& c) { return c.GetSpan(); }));
    } else {
      OpenKeypad(TranslateText("Stop Frequency"), 1, ukFrequency, onChannel(&TRange::SetStopFrequency),
                 channelValue([](const TRange& c) { return c.MaxFrequency; }));
    }
  } else if (&sender == pnMinDist || &sender == pnMaxDist) {
    const bool start = &sender == pnMinDist;
    int kind = ukTime;
    int index = 3;
    DistanceUnit(kind, index);
    OpenKeypad(
        start ? TranslateText("Time-Domain Start") : TranslateText("Time-Domain Stop"), index, kind,
        [self, start](double v) {
          if (!self) return;
          if (TRangeView* view = self->View()) {
            if (start) {
              view->SetTransformStartInUnit(v);
            } else {
              view->SetTransformStopInUnit(v);
            }
          }
          self->RefreshValues();
        },
        [self, start]() -> double {
          const TRangeView* view = self ? self->View() : nullptr;
          if (view == nullptr) return 0.0;
          return start ? view->GetTransformStartInUnit() : view->GetTransformStopInUnit();
        });
  }
}

void TStimulusFrm::pnExtMouseDown(ui::Control& sender) {
  if (LiveMainFrm() == nullptr) return;
  ui::Form& owner = *LiveMainFrm();
  if (&sender == pnPoints) {
    RunSubDialog([&owner] { return RunPointsList(owner); });
  } else if (&sender == pnPower) {
    if (IsVorlaMode()) {
      RunSubDialog([&owner] { return RunPowerModeList(owner); });
    } else if (ScannerModule != nullptr) {
      ScannerModule->SetLowPower(!ScannerModule->Attenuator20dB);
    }
  } else if (&sender == pnSweepType) {
    RunSubDialog([&owner] { return RunSweepTypeList(owner); });
  }
  RefreshValues();
}

void TStimulusFrm::btSegmentTableMouseDown() {
  if (!btSegmentTable->Enabled() || LiveMainFrm() == nullptr) return;
  RunSubDialog([](QWidget* owner) -> ui::Form* { return new TSegmentListFrm(owner); }, MainOwner());
  RefreshValues();
}
