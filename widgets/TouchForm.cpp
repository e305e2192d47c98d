#include "widgets/TouchForm.h"

#include <algorithm>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/Services.h"
#include "platform/ui/Screen.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

TViewProperties& TheLook() {
  if (ViewProperties == nullptr) throw EAbort("no display look");
  return *ViewProperties;
}

}  // namespace

TTouchForm::TTouchForm(QWidget* owner, const std::string& title) : ui::Form(owner) {
  SetBorder(ui::FormBorder::None);
  SetColor(kFormColor);
  SetKeyPreview(true);
  SetPosition(ui::FormPosition::OwnerFormCenter);
  TopPanel = new ui::Panel(this);
  TopPanel->SetName("TopPanel");
  TopPanel->SetAlignment(ui::Alignment::Center);
  if (ViewProperties != nullptr) TopPanel->SetColor(ViewProperties->PanelColor);
  TopPanel->OnMouseDown = [this](ui::Control&, ui::MouseButton b, ui::ShiftState s, int x, int y) {
    TopPanelMouseDown(b, s, x, y);
  };
  TopPanel->OnMouseMove = [this](ui::Control&, ui::ShiftState s, int x, int y) { TopPanelMouseMove(s, x, y); };
  TopPanel->OnMouseUp = [this](ui::Control&, ui::MouseButton b, ui::ShiftState s, int x, int y) {
    TopPanelMouseUp(b, s, x, y);
  };
  SetTitle(title);
  // The background handlers act only while the option is on.
  OnMouseDown = [this](ui::Control&, ui::MouseButton b, ui::ShiftState s, int x, int y) {
    if (backgroundDrags_) TopPanelMouseDown(b, s, x, y);
  };
  OnMouseMove = [this](ui::Control&, ui::ShiftState s, int x, int y) {
    if (backgroundDrags_) TopPanelMouseMove(s, x, y);
  };
  OnMouseUp = [this](ui::Control&, ui::MouseButton b, ui::ShiftState s, int x, int y) {
    if (backgroundDrags_) TopPanelMouseUp(b, s, x, y);
  };
  OnPaint = [this](ui::Control&) { FormPaint(); };
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState shift) { FormKeyDown(key, shift); };
  OnDeactivate = [this](ui::Control&) {
    // A form its caller ran modally (and deletes) ignores a deactivation that arrives after
    // the run.
    if (releaseOnDeactivate_ && !IsModal() && shownModeless_) Release();
  };
}

TTouchForm::~TTouchForm() = default;

void TTouchForm::SetTitle(const std::string& english) {
  TopPanel->SetCaption(english.empty() ? std::string() : TranslateText(english));
  TopPanel->SetVisible(!english.empty());
}

void TTouchForm::TopPanelMouseDown(ui::MouseButton, ui::ShiftState, int x, int y) {
  Dragging = true;
  DragX = x;
  DragY = y;
}

void TTouchForm::TopPanelMouseMove(ui::ShiftState, int x, int y) {
  if (!Dragging) return;
  // The panel moves with the form, so the grabbed point stays under the pointer.
  move(pos().x() + x - DragX, pos().y() + y - DragY);
}

void TTouchForm::TopPanelMouseUp(ui::MouseButton, ui::ShiftState, int, int) { Dragging = false; }

void TTouchForm::SetPlacement(Placement placement, ui::Point fixed) {
  placement_ = placement;
  fixed_ = fixed;
  switch (placement) {
    case Placement::Owner: SetPosition(ui::FormPosition::OwnerFormCenter); break;
    case Placement::MainForm: SetPosition(ui::FormPosition::MainFormCenter); break;
    case Placement::Fixed: SetPosition(ui::FormPosition::Designed); break;
  }
}

void TTouchForm::showEvent(QShowEvent* event) {
  shownModeless_ = !IsModal();
  if (placement_ == Placement::Fixed) {
    const ui::Rect area = ui::Screen::WorkArea();
    int x = fixed_.x();
    int y = fixed_.y();
    x = std::max(area.Left, std::min(x, area.Right - width()));
    y = std::max(area.Top, std::min(y, area.Bottom - height()));
    move(x, y);
  }
  ui::Form::showEvent(event);
}

void TTouchForm::CloseWith(int result) {
  if (IsModal()) {
    SetModalResult(result);
  } else {
    Release();
  }
}

void TTouchForm::FormKeyDown(int& key, ui::ShiftState) {
  const bool closing = key == ui::vk::Return || key == ui::vk::Escape || key == ui::vk::Cancel;
  if (keyHandler_ && closing) {
    key = 0;
    OkAction();
  } else if (escapeCloses_ && key == ui::vk::Escape) {
    key = 0;
    CloseWith(ui::mrCancel);
  }
}

void TTouchForm::FormPaint() { PaintFormSkin(*this); }

int TTouchForm::ButtonTextWidth(const std::string& text) {
  TViewProperties& look = TheLook();
  look.MeasureBitmap.SetFont(look.ButtonFont());
  return look.MeasureBitmap.TextWidth(text);
}

int TTouchForm::ButtonTextHeight(const std::string& text) {
  TViewProperties& look = TheLook();
  look.MeasureBitmap.SetFont(look.ButtonFont());
  return look.MeasureBitmap.TextHeight(text);
}

void TTouchForm::ApplyButtonFont() {
  const ui::Font font = TheLook().ButtonFont();
  SetFont(font);
  KeptCanvas().SetFont(font);
  for (ui::Control* c : findChildren<ui::Control*>()) {
    ui::Font own = font;
    own.Color = c->GetFont().Color;  // value panels keep their blue
    c->SetFont(own);
  }
}

TLbButton* TTouchForm::MakeButton(QWidget* parent, const std::string& name, const std::string& caption) {
  auto* b = new TLbButton(parent);
  b->SetName(name);
  b->SetStyle(TLbButtonStyle::bsModern);
  b->SetColor(ui::clGray);
  b->SetLightColor(ui::clSilver);
  b->SetShadowColor(ui::clWhite);
  b->SetTabStop(false);
  b->SetWordWrap(true);
  if (!caption.empty()) b->SetCaption(caption);
  return b;
}

ui::Panel* TTouchForm::MakeCaptionPanel(const std::string& name, const std::string& english) {
  auto* p = new ui::Panel(this);
  p->SetName(name);
  p->SetColor(ui::clWhite);
  p->SetAlignment(ui::Alignment::Left);
  p->SetCaption(std::string(kBlankText) + TranslateText(english));
  return p;
}

ui::Panel* TTouchForm::MakeValuePanel(const std::string& name) {
  auto* p = new ui::Panel(this);
  p->SetName(name);
  p->SetColor(ui::clWhite);
  p->SetAlignment(ui::Alignment::Left);
  ui::Font f = p->GetFont();
  f.Color = ui::clBlue;
  p->SetFont(f);
  return p;
}

void TTouchForm::SetValueText(ui::Panel& panel, const std::string& value) {
  panel.SetCaption(std::string(kBlankText) + value);
}
