#include "dialogs/ChannelListFrm.h"

#include <QByteArray>
#include <QImage>
#include <optional>
#include <string>
#include <string_view>

#include "dialogs/ShellDialogs.h"
#include "display/RangeView.h"
#include "model/ChannelStore.h"
#include "model/ResourceRegistry.h"
#include "model/Services.h"
#include "platform/ui/Canvas.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

const char* const kSaveTypeWords[] = {"State", "State and Cal", "State and Trace", "All"};

QImage LayoutPicture(const char* name) {
  const std::optional<std::string_view> bytes = FindResource(name);
  if (!bytes) return {};
  QImage image;
  if (!image.loadFromData(QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size())), "XPM")) {
    return {};
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

// A square indicator with a lowered bevel.
class TIndicator : public ui::Panel {
 public:
  explicit TIndicator(QWidget* parent) : ui::Panel(parent) {}

 protected:
  void Paint(ui::Canvas& canvas) override {
    ui::Panel::Paint(canvas);
    const int w = Width();
    const int h = Height();
    if (w < 2 || h < 2) return;
    canvas.SetPenWidth(1);
    canvas.SetPenColor(ui::clGray);
    canvas.Line(0, h - 1, 0, 0);
    canvas.Line(0, 0, w - 1, 0);
    canvas.SetPenColor(ui::clWhite);
    canvas.Line(w - 1, 0, w - 1, h - 1);
    canvas.Line(w - 1, h - 1, 0, h - 1);
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Channels

TChannelListFrm::TChannelListFrm(QWidget* owner) : TTouchDialogFrm(owner, "Channels") {
  SetName("ChannelListFrm");
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetRefocusOwner(true);
  SetPlacement(Placement::MainForm);

  pnActiveChannel = MakeCaptionPanel("pnActiveChannel", "Active Channel");
  pnActiveChannelValue = MakeValuePanel("pnActiveChannelValue");
  pnMaximizeChannel = MakeCaptionPanel("pnMaximizeChannel", "Maximize Channel");
  pnMaximizeChannelValue = MakeValuePanel("pnMaximizeChannelValue");
  btOneChannel = MakeButton(this, "btOneChannel");
  btTwoChannel = MakeButton(this, "btTwoChannel");
  btThreeChannel = MakeButton(this, "btThreeChannel");
  btOneChannel->SetGlyph(LayoutPicture("channels_x1.xpm"));
  btTwoChannel->SetGlyph(LayoutPicture("channels_x2.xpm"));
  btThreeChannel->SetGlyph(LayoutPicture("channels_x4.xpm"));
  // Each picture is one glyph, not a strip.
  for (TLbButton* b : {btOneChannel, btTwoChannel, btThreeChannel}) b->SetNumGlyphs(1);
  pnSaveType = MakeCaptionPanel("pnSaveType", "Save Type");
  pnSaveTypeValue = MakeValuePanel("pnSaveTypeValue");
  btSaveChannel = MakeButton(this, "btSaveChannel", TranslateText("Save Channel"));
  btRecallChannel = MakeButton(this, "btRecallChannel", TranslateText("Recall Channel"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnActiveChannel, *pnActiveChannelValue, [this] {
    if (MainFrm != nullptr) {
      // The next shown channel, and after the last one channel 1 again.
      const int next = MainFrm->ActiveViewIndex < MainFrm->ChannelCount - 1 ? MainFrm->ActiveViewIndex + 1 : 0;
      MainFrm->SetActiveView(next);
    }
    RefreshValues();
  });
  BindRow(*pnMaximizeChannel, *pnMaximizeChannelValue, [this] {
    if (MainFrm != nullptr) MainFrm->SetViewMaximized(!MainFrm->ViewMaximized);
    RefreshValues();
  });
  BindButton(*btOneChannel, [this] { ChooseLayout(0, 1); });
  BindButton(*btTwoChannel, [this] { ChooseLayout(1, 2); });
  BindButton(*btThreeChannel, [this] { ChooseLayout(5, 4); });
  BindRow(*pnSaveType, *pnSaveTypeValue, [this] {
    RunFactoryDialog(*this, *this, "TSaveTypeListFrm");
    RefreshValues();
  });
  BindButton(*btSaveChannel, [this] {
    RunSubDialog([](QWidget* owner) -> ui::Form* { return new TSaveChannelFrm(owner); }, this);
  });
  BindButton(*btRecallChannel, [this] {
    RunSubDialog([](QWidget* owner) -> ui::Form* { return new TRecallChannelFrm(owner); }, this);
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

void TChannelListFrm::ChooseLayout(int layout, int count) {
  if (MainFrm != nullptr) {
    MainFrm->SetChannelLayout(layout);
    MainFrm->SetChannelCount(count);
  }
  RefreshValues();
}

void TChannelListFrm::RefreshValues() {
  if (MainFrm == nullptr) return;
  if (const char* word = WordOf(kSaveTypeWords, MainFrm->SaveType); *word != '\0') {
    SetValueText(*pnSaveTypeValue, TranslateText(word));
  }
  SetValueText(*pnActiveChannelValue, std::to_string(MainFrm->ActiveViewIndex + 1));
  SetValueText(*pnMaximizeChannelValue, TranslateText(MainFrm->ViewMaximized ? "ON" : "OFF"));
}

void TChannelListFrm::ArrangeControls() {
  ArrangeFrame(8);
  const int w = Width();
  PlaceCaptionPanels(*pnActiveChannel, *pnActiveChannelValue, RowRect(2, w));
  PlaceCaptionPanels(*pnMaximizeChannel, *pnMaximizeChannelValue, RowRect(3, w));
  int column = 1;
  for (TLbButton* b : {btOneChannel, btTwoChannel, btThreeChannel}) {
    ui::Rect r = CellRect(4, w, column, 3);
    r.Bottom = CellRect(5, w, column, 3).Bottom;
    b->SetBoundsRect(r);
    ++column;
  }
  PlaceCaptionPanels(*pnSaveType, *pnSaveTypeValue, RowRect(6, w));
  btSaveChannel->SetBoundsRect(CellRect(7, w, 1, 2));
  btRecallChannel->SetBoundsRect(CellRect(7, w, 2, 2));
  btOk->SetBoundsRect(RowRect(8, w));
}

// ---------------------------------------------------------------------------------------------
// The state dialogs

TChannelStateFrm::TChannelStateFrm(QWidget* owner, const std::string& title) : TTouchDialogFrm(owner, title) {
  static const char* const kLetters = "ABCD";
  for (int i = 0; i < 4; ++i) {
    const std::string letter(1, kLetters[i]);
    btState[static_cast<size_t>(i)] = MakeButton(this, "btState" + letter, TranslateText("State " + letter));
    btState[static_cast<size_t>(i)]->SetTag(i);
    auto* indicator = new TIndicator(this);
    indicator->SetName("pnState" + letter);
    pnState[static_cast<size_t>(i)] = indicator;
    btState[static_cast<size_t>(i)]->OnMouseDown = [this](ui::Control& sender, ui::MouseButton, ui::ShiftState, int,
                                                          int) {
      auto* button = qobject_cast<TLbButton*>(&sender);
      if (button == nullptr || !button->Enabled()) return;
      StateMouseDown(button->Tag());
    };
  }
}

void TChannelStateFrm::PaintIndicators() {
  for (int i = 0; i < 4; ++i) {
    const bool used = ChannelStore != nullptr && ChannelStore->IsSlotUsed(i);
    pnState[static_cast<size_t>(i)]->SetColor(used ? kUsedColor : kFreeColor);
  }
}

void TChannelStateFrm::ArrangeStates(int rows) {
  ArrangeFrame(rows);
  const int w = Width();
  const int s = ButtonTextHeight("H");
  for (int i = 0; i < 4; ++i) {
    btState[static_cast<size_t>(i)]->SetBoundsRect(RowRect(i + 2, w));
    pnState[static_cast<size_t>(i)]->SetBoundsRect(GetButtonGridRect(i + 2, w, 1, 1, s));
    pnState[static_cast<size_t>(i)]->BringToFront();
  }
  btOk->SetBoundsRect(RowRect(rows, w));
}

TSaveChannelFrm::TSaveChannelFrm(QWidget* owner) : TChannelStateFrm(owner, "Save Channel") {
  SetName("SaveChannelFrm");
  SetPlacement(Placement::MainForm);
  btClearStates = MakeButton(this, "btClearStates", TranslateText("Clear States"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));
  BindButton(*btClearStates, [this] {
    if (ChannelStore != nullptr) ChannelStore->Clear();
    RefreshValues();
  });
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });
  RefreshValues();
  ArrangeStates(7);
  btClearStates->SetBoundsRect(RowRect(6, Width()));
}

void TSaveChannelFrm::StateMouseDown(int slot) {
  TRangeView* view = MainFrm != nullptr ? MainFrm->GetActiveView() : nullptr;
  if (ChannelStore != nullptr && view != nullptr) ChannelStore->Store(slot, *view, MainFrm->SaveType);
  RefreshValues();
}

void TSaveChannelFrm::RefreshValues() {
  PaintIndicators();
  bool any = false;
  for (int i = 0; i < 4; ++i) any = any || (ChannelStore != nullptr && ChannelStore->IsSlotUsed(i));
  btClearStates->SetEnabled(any);
}

TRecallChannelFrm::TRecallChannelFrm(QWidget* owner) : TChannelStateFrm(owner, "Recall Channel") {
  SetName("RecallChannelFrm");
  SetPlacement(Placement::Fixed, ui::Point(kLeft, kTop));
  btOk = MakeButton(this, "btOk", TranslateText("Cancel"));
  BindButton(*btOk, [this] { CloseWith(ui::mrOk); });
  RefreshValues();
  ArrangeStates(6);
}

void TRecallChannelFrm::StateMouseDown(int slot) {
  TRangeView* view = MainFrm != nullptr ? MainFrm->GetActiveView() : nullptr;
  if (ChannelStore != nullptr && view != nullptr && ChannelStore->IsSlotUsed(slot)) ChannelStore->Recall(slot, *view);
  RefreshValues();
}

void TRecallChannelFrm::RefreshValues() {
  PaintIndicators();
  for (int i = 0; i < 4; ++i) {
    btState[static_cast<size_t>(i)]->SetEnabled(ChannelStore != nullptr && ChannelStore->IsSlotUsed(i));
  }
}
