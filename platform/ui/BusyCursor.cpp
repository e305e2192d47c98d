#include "platform/ui/BusyCursor.h"

#include <QApplication>
#include <QCursor>

namespace ui {

void BusyCursor::Show() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void BusyCursor::Restore() { QApplication::restoreOverrideCursor(); }

}  // namespace ui
