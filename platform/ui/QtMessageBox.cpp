#include "platform/ui/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

namespace {

QString TitleOr(const std::string& caption) {
  if (!caption.empty()) return QString::fromStdString(caption);
  return QApplication::applicationDisplayName();
}

}  // namespace

int QtMessageBox::Ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
  QMessageBox box;
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.setWindowTitle(TitleOr(caption));
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: break;
  }
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case Buttons::Ok: set = QMessageBox::Ok; break;
    case Buttons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case Buttons::AbortRetryIgnore: set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    case Buttons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; break;
  }
  box.setStandardButtons(set);
  switch (box.exec()) {
    case QMessageBox::Ok: return 1;
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    default: break;
  }
  // Closed by the window's close box: what Escape would have answered.
  if (set.testFlag(QMessageBox::Cancel)) return 2;
  if (set.testFlag(QMessageBox::No)) return 7;
  if (set.testFlag(QMessageBox::Abort)) return 3;
  return 1;
}

void QtMessageBox::Show(const std::string& text) { Ask(text, std::string(), Buttons::Ok); }

}  // namespace ui
