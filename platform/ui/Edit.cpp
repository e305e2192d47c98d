#include "platform/ui/Edit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

#include "platform/ui/Application.h"
#include "platform/ui/Form.h"

namespace ui {

Edit::Edit(QWidget* parent) : Control(parent), edit_(new QLineEdit(this)) {
  SetColor(clWhite);
  edit_->installEventFilter(this);
  edit_->setGeometry(rect());
  connect(edit_, &QLineEdit::textChanged, this, [this] {
    Form::HandlerScope scope(ParentForm());
    Application::Guard([this] {
      if (OnChange) OnChange(*this);
    });
  });
  LookChanged();
}

std::string Edit::Text() const { return edit_->text().toStdString(); }

void Edit::SetText(const std::string& text) { edit_->setText(QString::fromStdString(text)); }

int Edit::SelStart() const { return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition(); }

void Edit::SetSelStart(int position) {
  edit_->deselect();
  edit_->setCursorPosition(position);
}

int Edit::SelLength() const { return edit_->hasSelectedText() ? edit_->selectionLength() : 0; }

void Edit::SetSelLength(int length) {
  const int start = SelStart();
  if (length <= 0) {
    SetSelStart(start);
    return;
  }
  edit_->setSelection(start, length);
}

std::string Edit::SelText() const { return edit_->selectedText().toStdString(); }

void Edit::SetSelText(const std::string& text) { edit_->insert(QString::fromStdString(text)); }

void Edit::SelectAll() { edit_->selectAll(); }

void Edit::PasteFromClipboard() { edit_->paste(); }

bool Edit::ReadOnly() const { return edit_->isReadOnly(); }

void Edit::SetReadOnly(bool on) { edit_->setReadOnly(on); }

void Edit::SetBorder(bool on) { edit_->setFrame(on); }

void Edit::SetTextMargin(int pixels) { edit_->setTextMargins(pixels, pixels, pixels, pixels); }

void Edit::SetAlignment(Alignment alignment) {
  Qt::Alignment a = Qt::AlignVCenter;
  a |= alignment == Alignment::Center ? Qt::AlignHCenter : alignment == Alignment::Right ? Qt::AlignRight : Qt::AlignLeft;
  edit_->setAlignment(a);
}

void Edit::LookChanged() {
  QPalette p = edit_->palette();
  p.setColor(QPalette::Base, ToQColor(Color()));
  p.setColor(QPalette::Text, ToQColor(GetFont().Color));
  edit_->setPalette(p);
  edit_->setFont(GetFont().ToQFont());
}

bool Edit::WantsKey(int key) const { return key == vk::Left || key == vk::Right || key == vk::Up || key == vk::Down; }

bool Edit::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edit_) return false;
  Form::HandlerScope scope(ParentForm());
  bool consumed = true;
  Application::Guard([&] { consumed = Filter(event); });
  return consumed;
}

bool Edit::Filter(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: return RouteKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: return RouteKeyRelease(static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      // The edit's own mouse events, then the line editor's caret and selection handling.
      auto* me = static_cast<QMouseEvent*>(event);
      QMouseEvent copy(me->type(), me->position(), me->globalPosition(), me->button(), me->buttons(), me->modifiers());
      switch (event->type()) {
        case QEvent::MouseButtonPress: mousePressEvent(&copy); break;
        case QEvent::MouseButtonRelease: mouseReleaseEvent(&copy); break;
        default: mouseDoubleClickEvent(&copy); break;
      }
      return false;
    }
    case QEvent::FocusIn:
      if (OnEnter) OnEnter(*this);
      return false;
    case QEvent::FocusOut:
      if (OnExit) OnExit(*this);
      return false;
    default: return false;
  }
}

void Edit::resizeEvent(QResizeEvent*) { edit_->setGeometry(rect()); }

// Keys the line editor left unhandled bubble up here; they were routed already.
void Edit::keyPressEvent(QKeyEvent* event) { event->accept(); }

void Edit::keyReleaseEvent(QKeyEvent* event) { event->accept(); }

}  // namespace ui
