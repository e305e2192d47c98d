#include "platform/ui/DesktopOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace ui {

std::function<bool(const std::string& path)> OpenWithDesktopHook;

bool OpenWithDesktop(const std::string& path) {
  if (OpenWithDesktopHook)
    return OpenWithDesktopHook(path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace ui
