#pragma once
// Device discovery shared by the instrument link and the calibration-module link: walks the
// devices of the installed USB back end in order and keeps the first one that a caller accepts,
// with its lock file held and a control handle open.
//
// A device whose listed ids the caller does not want is passed over before anything else: it
// is neither locked nor opened. Otherwise a device is skipped when its lock file is held (the
// other link, or another copy of the program, has it), when it cannot be opened, when it does
// not answer, or when the ids it answers with after opening are not wanted (it is then let go
// without a word). The reasons for the others are handed back readable.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Ezusb.h"
#include "platform/LockFile.h"

struct TFoundUsbDevice {
  std::string Name;  // "Ezusb-<index>"
  platform::LockFile Lock;
  platform::EzusbHandle Handle = platform::UsbBackend::kInvalidHandle;
  platform::UsbDeviceIds Ids;
};

class TUsbDeviceFinder {
 public:
  using TAccept = std::function<bool(const platform::UsbDeviceIds&)>;

  // The first accepted device, or none; problems receives one line per device skipped for a
  // reason the user may act on (or why no device was seen at all).
  static std::optional<TFoundUsbDevice> Find(const TAccept& accept, std::vector<std::string>& problems);
  // The driver check and the ids of an open device.
  static bool Check(platform::EzusbHandle handle, platform::UsbDeviceIds& ids);
};
