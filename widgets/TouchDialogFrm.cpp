#include "widgets/TouchDialogFrm.h"

#include <QPointer>
#include <cmath>
#include <filesystem>
#include <memory>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBox.h"
#include "widgets/DialogSkin.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/DriveListFrm.h"

namespace {

TViewProperties& TheLook() {
  if (ViewProperties == nullptr) throw EAbort("no display look");
  return *ViewProperties;
}

// Shows, raises and repaints the dialog again whichever way the further window's run ends.
class TComeBack {
 public:
  TComeBack(TTouchDialogFrm& dialog, bool hide) : dialog_(&dialog), hidden_(hide) {
    if (hide) dialog.SetVisible(false);
  }
  ~TComeBack() { Restore(); }
  TComeBack(const TComeBack&) = delete;
  TComeBack& operator=(const TComeBack&) = delete;
  void Restore() {
    if (!dialog_ || restored_) return;
    restored_ = true;
    ui::Application::Guard([this] {
      if (hidden_) dialog_->SetVisible(true);
      dialog_->BringToFront();
      dialog_->Repaint();
    });
  }

 private:
  QPointer<TTouchDialogFrm> dialog_;
  bool hidden_;
  bool restored_ = false;
};

}  // namespace

TTouchDialogFrm::TTouchDialogFrm(QWidget* owner, const std::string& title) : TTouchForm(owner, title) {}

int TTouchDialogFrm::Margin() { return TheLook().Margin; }
int TTouchDialogFrm::FieldHeight() { return TheLook().FieldHeight; }

int TTouchDialogFrm::FrameWidth() { return 2 * Margin() + ButtonTextWidth(std::string(30, 'H')); }

int TTouchDialogFrm::FrameHeight(int rows) { return (rows + 1) * Margin() + rows * FieldHeight(); }

ui::Rect TTouchDialogFrm::RowRect(int row, int formWidth) {
  const int m = Margin();
  const int h = FieldHeight();
  return ui::Rect(m, row * m + (row - 1) * h, formWidth - m, row * (m + h));
}

ui::Rect TTouchDialogFrm::CellRect(int row, int formWidth, int column, int columns) {
  return GetButtonGridRect(row, formWidth, column, columns, 0);
}

void TTouchDialogFrm::ArrangeFrame(int rows) {
  ApplyButtonFont();
  const int w = FrameWidth();
  SetClientSize(w, FrameHeight(rows));
  TopPanel->SetBoundsRect(RowRect(1, w));
}

void TTouchDialogFrm::BindRow(ui::Control& caption, ui::Control& value, std::function<void()> handler) {
  auto shared = std::make_shared<std::function<void()>>(std::move(handler));
  auto down = [shared](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { (*shared)(); };
  caption.OnMouseDown = down;
  value.OnMouseDown = down;
}

void TTouchDialogFrm::BindSwitchRow(ui::Control& caption, ui::Control& value, std::function<bool()> get,
                                    std::function<void(bool)> set) {
  BindRow(caption, value, [this, get = std::move(get), set = std::move(set)] {
    set(!get());
    RefreshValues();
  });
}

void TTouchDialogFrm::BindButton(ui::Control& button, std::function<void()> handler) {
  button.OnMouseDown = [handler = std::move(handler)](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    handler();
  };
}

TTouchDialogFrm::TSetter TTouchDialogFrm::IntSetter(std::function<void(int)> set) {
  QPointer<TTouchDialogFrm> self(this);
  return [self, set = std::move(set)](double x) {
    if (!std::isfinite(x)) return;
    set(TruncSat(x));
    if (self) self->RefreshValues();
  };
}

QWidget* TTouchDialogFrm::MainOwner() {
  ui::Form* main = ui::Form::MainForm();
  return main != nullptr && main != this ? static_cast<QWidget*>(main) : static_cast<QWidget*>(this);
}

int TTouchDialogFrm::RunSubDialog(const std::function<ui::Form*(QWidget* owner)>& create, QWidget* owner) {
  return RunSubDialog([&create, owner]() -> int {
    std::unique_ptr<ui::Form> form(create(owner));
    if (!form) return ui::mrCancel;
    return form->ShowModal();
  });
}

int TTouchDialogFrm::RunSubDialog(const std::function<int()>& run) {
  int result = ui::mrNone;
  {
    TComeBack back(*this, true);
    try {
      result = run();
    } catch (...) {
      // Back in view and up to date before the exception goes on to the handler's edge; a
      // refresh that fails as well adds nothing to the first message.
      back.Restore();
      try {
        RefreshValues();
      } catch (...) {
      }
      throw;
    }
  }
  // A run that ended without a result (the application quit in it): nothing counts.
  if (result == ui::mrNone) return ui::mrCancel;
  RefreshValues();
  return result;
}

void TTouchDialogFrm::OpenKeypad(const std::string& title, int unitIndex, int unitKind, TSetter setter,
                                 TGetter getter, char32_t firstChar) {
  if (!TheLook().UseDigitalPanel) return;
  TComeBack back(*this, false);
  TDigitalKeyboardFrm keypad(MainOwner(), title, unitIndex, unitKind, std::move(setter), std::move(getter),
                             firstChar);
  keypad.ShowModal();
}

bool TTouchDialogFrm::RunSaveFile(const std::string& title, int kind, const std::string& defaultExtension,
                                  bool upperCaseName, const std::function<void(const std::string& path)>& write,
                                  const TNameChecker& check) {
  std::string name;
  const int result = RunSubDialog([&]() -> int {
    TDriveListFrm browser(MainOwner(), TranslateText(title), name, kind);
    return browser.ShowModal();
  });
  if (result != ui::mrOk || name.empty()) return false;
  namespace fs = std::filesystem;
  // The question names the file as typed, before the extension is added; capitals only there.
  std::string part = fs::path(name).filename().string();
  if (upperCaseName) {
    for (char& c : part) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  if (fs::path(name).extension().empty()) name += defaultExtension;
  const TNameCheck verdict = check ? check(part) : TNameCheck::AskAsUsual;
  if (verdict == TNameCheck::WriteNothing) return false;
  std::error_code ec;
  if (verdict == TNameCheck::AskAsUsual && fs::exists(fs::path(name), ec)) {
    const int answer = ui::MessageBox::Get().Ask(part + " already exist.\n\r" + "Do you want to replace it?", "",
                                                 ui::MessageBox::Buttons::YesNo);
    if (answer != ui::mrYes) return false;
  }
  write(name);
  return true;
}

bool TTouchDialogFrm::RunOpenFile(const std::string& title, int kind,
                                  const std::function<void(const std::string& path)>& read) {
  std::string name;
  const int result = RunSubDialog([&]() -> int {
    TDriveListFrm browser(MainOwner(), TranslateText(title), name, kind);
    return browser.ShowModal();
  });
  std::error_code ec;
  if (result != ui::mrOk || name.empty() || !std::filesystem::is_regular_file(std::filesystem::path(name), ec)) {
    return false;
  }
  read(name);
  return true;
}

TAutoRepeat::TAutoRepeat(ui::Control& button, std::function<void()> step)
    : QObject(&button), step_(std::move(step)), timer_(&button) {
  timer_.OnTimer = [this](ui::Timer&) {
    if (timer_.Interval() != 100) timer_.SetInterval(100);
    step_();
  };
  button.OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { Start(); };
  button.OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { Stop(); };
  button.OnMouseLeave = [this](ui::Control&) { Stop(); };
}

void TAutoRepeat::Start() {
  timer_.SetInterval(1000);
  timer_.SetEnabled(true);
  step_();
}

void TAutoRepeat::Stop() { timer_.SetEnabled(false); }
