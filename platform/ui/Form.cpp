#include "platform/ui/Form.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <stdexcept>

#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ui {

namespace {

QPointer<Form>& MainFormSlot() {
  static QPointer<Form> slot;
  return slot;
}

Form::ModalHook& ModalHookSlot() {
  static Form::ModalHook hook;
  return hook;
}

}  // namespace

Form::HandlerScope::HandlerScope(Form* form) : form_(form) {
  if (form) ++form->busy_;
}

Form::HandlerScope::~HandlerScope() {
  if (!form_) return;
  if (--form_->busy_ == 0 && form_->releasePending_) form_->ScheduleRelease();
}

Form::Form(QWidget* owner) : Control(owner ? owner->window() : nullptr) {
  SetColor(clBtnFace);
  setFocusPolicy(Qt::StrongFocus);
  ApplyFlags();
}

Form::~Form() {
  if (focusOwnerOnDestroy_ && !modalLoop_) {
    Form* owner = OwnerForm();
    if (owner && owner->CanFocus()) owner->SetFocus();
  }
}

Form* Form::OwnerForm() const { return qobject_cast<Form*>(parentWidget()); }

void Form::ApplyFlags() {
  Qt::WindowFlags flags = Qt::Window;
  switch (border_) {
    case FormBorder::None: flags |= Qt::FramelessWindowHint; break;
    case FormBorder::Dialog:
      flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
      break;
    case FormBorder::Sizeable: break;
  }
  if (stayOnTop_) flags |= Qt::WindowStaysOnTopHint;
  const bool shown = isVisible();
  setWindowFlags(flags);
  if (shown) show();
}

void Form::SetBorder(FormBorder border) {
  if (border == border_) return;
  border_ = border;
  ApplyFlags();
}

void Form::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

std::string Form::Caption() const { return windowTitle().toStdString(); }

void Form::SetTransparentColor(bool on, TColor key) {
  transparent_ = on;
  key_ = key & 0xFFFFFFu;
  if (!on) {
    maskRegion_ = QRegion();
    clearMask();
  }
  update();
}

bool Form::InMask(int x, int y) const {
  if (!rect().contains(x, y)) return false;
  if (!transparent_ || maskRegion_.isEmpty()) return true;
  return maskRegion_.contains(QPoint(x, y));
}

void Form::SetStayOnTop(bool on) {
  if (on == stayOnTop_) return;
  stayOnTop_ = on;
  ApplyFlags();
}

void Form::FillWorkArea() { setGeometry(Screen::WorkArea().ToQRect()); }

void Form::CenterOn(const Rect& area) {
  move(area.Left + (area.Width() - width()) / 2, area.Top + (area.Height() - height()) / 2);
}

void Form::ApplyPosition() {
  Rect area;
  switch (position_) {
    case FormPosition::Designed: return;
    case FormPosition::OwnerFormCenter:
      if (Form* owner = OwnerForm()) {
        area = Rect::FromQRect(owner->geometry());
        break;
      }
      [[fallthrough]];
    case FormPosition::MainFormCenter:
      if (Form* main = MainForm(); main && main != this) {
        area = Rect::FromQRect(main->geometry());
        break;
      }
      [[fallthrough]];
    case FormPosition::ScreenCenter: area = Screen::Bounds(); break;
  }
  CenterOn(area);
}

void Form::Show() {
  if (!positioned_) {
    ApplyPosition();
    positioned_ = true;
  }
  if (isHidden()) {
    {
      HandlerScope scope(this);
      if (OnShow) OnShow(*this);
    }
    show();  // a window that appears comes to the front by itself
  } else {
    raise();
  }
  activateWindow();
}

void Form::Hide() {
  if (isHidden()) return;
  hide();
  HandlerScope scope(this);
  if (OnHide) OnHide(*this);
}

void Form::SetVisible(bool visible) {
  if (visible) {
    Show();
  } else {
    Hide();
  }
}

int Form::ShowModal() {
  if (modalLoop_) throw std::logic_error("the form is already running modally");
  HandlerScope keep(this);
  QEventLoop loop;
  struct LoopSlot {
    Form* form;
    ~LoopSlot() { form->modalLoop_ = nullptr; }
  } slot{this};
  modalResult_ = mrNone;
  modalLoop_ = &loop;
  if (!isHidden()) hide();  // the modality of a shown window cannot change
  setWindowModality(Qt::ApplicationModal);
  Show();
  if (ModalHookSlot()) {
    QTimer::singleShot(0, this, [this] {
      ModalHook hook = ModalHookSlot();
      if (modalLoop_ && hook) Application::Guard([&] { hook(*this); });
    });
  }
  if (modalResult_ == mrNone) loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
  Hide();
  setWindowModality(Qt::NonModal);
  return modalResult_;
}

void Form::SetModalResult(int result) {
  modalResult_ = result;
  if (modalLoop_ && result != mrNone) modalLoop_->exit(result);
}

void Form::Close() {
  if (modalLoop_) {
    SetModalResult(mrCancel);
    return;
  }
  CloseAction action = CloseAction::Hide;
  {
    HandlerScope scope(this);
    if (OnClose) OnClose(*this, action);
  }
  if (action == CloseAction::Hide) {
    Hide();
  } else if (action == CloseAction::Free) {
    Release();
  }
}

void Form::Release() {
  releasePending_ = true;
  ScheduleRelease();
}

void Form::ScheduleRelease() {
  // Posted to the application, not to the form: a call delivered to the form would itself
  // count as a handler of the form.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [form = QPointer<Form>(this)] {
        if (form && form->releasePending_ && form->busy_ == 0 && !form->modalLoop_) delete form.data();
      },
      Qt::QueuedConnection);
}

void Form::Deactivate() {
  HandlerScope scope(this);
  if (OnDeactivate) OnDeactivate(*this);
}

Form* Form::MainForm() { return MainFormSlot().data(); }

void Form::SetMainForm(Form* form) { MainFormSlot() = form; }

Form::ModalHook Form::SetModalHook(ModalHook hook) {
  ModalHook previous = std::move(ModalHookSlot());
  ModalHookSlot() = std::move(hook);
  return previous;
}

bool Form::BroadcastDialogKey(int key, ShiftState shift) {
  const QList<Control*> controls = findChildren<Control*>();
  for (Control* c : controls) {
    if (c->ParentForm() != this || !c->isVisibleTo(this) || !c->isEnabled()) continue;
    if (c->DialogKey(key, shift)) return true;
  }
  return false;
}

bool Form::BroadcastDialogChar(char32_t ch) {
  const QList<Control*> controls = findChildren<Control*>();
  for (Control* c : controls) {
    if (c->ParentForm() != this || !c->isVisibleTo(this) || !c->isEnabled()) continue;
    if (c->DialogChar(ch)) return true;
  }
  return false;
}

void Form::Paint(Canvas& canvas) {
  Control::Paint(canvas);
  if (OnPaint) OnPaint(*this);
}

void Form::AfterPaint() {
  if (!transparent_) return;
  const QImage mask = KeptCanvas().Image().createMaskFromColor(ToQRgb(key_), Qt::MaskInColor);
  const QRegion region(QBitmap::fromImage(mask));
  if (region == maskRegion_) return;
  maskRegion_ = region;
  setMask(region);
}

bool Form::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    HandlerScope scope(this);
    if (OnActivate) OnActivate(*this);
  } else if (event->type() == QEvent::WindowDeactivate) {
    Deactivate();
  }
  return Control::event(event);
}

void Form::closeEvent(QCloseEvent* event) {
  event->ignore();
  Close();
}

void Form::resizeEvent(QResizeEvent*) {
  if (OnResize) OnResize(*this);
}

}  // namespace ui
