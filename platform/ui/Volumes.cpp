#include "platform/ui/Volumes.h"

#include <QStorageInfo>

namespace ui {

std::vector<std::string> MountedVolumeRoots() {
  std::vector<std::string> roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady()) roots.push_back(volume.rootPath().toStdString());
  }
  return roots;
}

}  // namespace ui
