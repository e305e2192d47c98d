#include "widgets/WaitFrm.h"

#include <QCoreApplication>
#include <QPointer>
#include <vector>

#include "display/ViewProperties.h"
#include "instrument/Scanner.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "model/Services.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

TScannerModule& Module() {
  if (ScannerModule == nullptr) throw EAbort("no sweep control");
  return *ScannerModule;
}

// The channels measured: those of the scanner that notify changes.
std::vector<TRange*> MeasuredChannels() {
  std::vector<TRange*> channels;
  if (ScannerModule == nullptr) return channels;
  TScanner& scanner = ScannerModule->GetScanner();
  for (int i = 0; i < scanner.GetCount(); ++i) {
    auto* range = dynamic_cast<TRange*>(scanner.GetItem(i));
    if (range != nullptr && range->ChangeNotify) channels.push_back(range);
  }
  return channels;
}

}  // namespace

TWaitFrm::TWaitFrm(QWidget* owner, bool silent, const std::string& title)
    : TTouchForm(owner, title), Title(title), Silent(silent) {
  SetName("WaitFrm");
  SetPosition(ui::FormPosition::ScreenCenter);
  TopPanel->SetCaption(title);
  ProgressBar = new ui::Gauge(this);
  ProgressBar->SetName("ProgressBar");
  ProgressBar->SetKind(ui::Gauge::Kind::HorizontalBar);
  ProgressBar->SetForeColor(ui::clNavy);
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btCancel->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    SetModalResult(ui::mrCancel);
  };
  IndicationTimer = new ui::Timer(this);
  IndicationTimer->SetInterval(20);
  IndicationTimer->OnTimer = [this](ui::Timer&) { IndicationTimerTimer(); };
  // Every key is the box's; Escape and Cancel cancel.
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Escape || key == ui::vk::Cancel) SetModalResult(ui::mrCancel);
    key = 0;
  };
  OnKeyPress = [](ui::Control&, char32_t& key) { key = 0; };
  OnShow = [this](ui::Control&) { FormShow(); };
  OnHide = [this](ui::Control&) { FormHide(); };
  Layout();
}

TWaitFrm::~TWaitFrm() {
  IndicationTimer->SetEnabled(false);
  // A box deleted without its hide leaves no closure of its own behind.
  if (closureSaved_ && ScannerModule != nullptr) {
    ScannerModule->OnSweepDone = std::move(savedClosure_);
    closureSaved_ = false;
  }
}

void TWaitFrm::Layout() {
  if (Silent) {
    SetBounds(0, 0, 0, 0);
    return;
  }
  ApplyButtonFont();
  const int f = ViewProperties->FieldHeight;
  const int m = ViewProperties->Margin;
  const int w10 = ButtonTextWidth(std::string(10, 'H'));
  const int width = 2 * w10 + 3 * m;
  SetClientSize(width, 3 * f + 4 * m);
  TopPanel->SetBoundsRect(ui::Rect(m, m, width - m, f + m));
  ProgressBar->SetBoundsRect(ui::Rect(m, f + 2 * m, width - m, 2 * f + 2 * m));
  btCancel->SetBoundsRect(ui::Rect(m, 2 * f + 3 * m, width - m, 3 * f + 3 * m));
}

void TWaitFrm::FormPaint() {
  if (!Silent) TTouchForm::FormPaint();
}

void TWaitFrm::FormShow() {
  TScannerModule& module = Module();
  if (!Silent) {
    int points = 0;
    for (TRange* r : MeasuredChannels()) points += r->GetCount();
    ProgressBar->SetMinValue(0);
    ProgressBar->SetMaxValue(points);
    ProgressBar->SetProgress(0);
  }
  IndicationTimer->SetEnabled(true);
  module.StopSweep();
  savedClosure_ = module.OnSweepDone;
  closureSaved_ = true;
  QPointer<TWaitFrm> self(this);
  module.OnSweepDone = [self](TFObject*) {
    if (self) self->SweepDone();
  };
  module.StartSweep(0);
  // A bus-triggered start only waits for the trigger.
  if (module.TriggerSource == TScannerModule::SourceBus) module.Trigger();
  startedStopped_ = module.GetScanner().GetState() == TScanner::STOP;
}

void TWaitFrm::SweepDone() { SetModalResult(ui::mrOk); }

void TWaitFrm::IndicationTimerTimer() {
  if (ScannerModule == nullptr || !ScannerModule->GetScanner().Connected || startedStopped_) {
    SetModalResult(ui::mrAbort);
    return;
  }
  if (Silent) return;
  int done = 0;
  for (TRange* r : MeasuredChannels()) done += r->LastPointIndex;
  ProgressBar->SetProgress(done);
}

void TWaitFrm::FormHide() {
  IndicationTimer->SetEnabled(false);
  if (closureSaved_ && ScannerModule != nullptr) {
    ScannerModule->OnSweepDone = std::move(savedClosure_);
    closureSaved_ = false;
  }
  for (TRange* r : MeasuredChannels()) {
    if (r->GetCount() != r->LastPointIndex + 1) {
      SetModalResult(ui::mrAbort);
      break;
    }
  }
}

bool TSweepWaitBox::Run(const std::string& caption) {
  TWaitFrm box(ui::Form::MainForm(), false, caption);
  return box.ShowModal() == ui::mrOk;
}
