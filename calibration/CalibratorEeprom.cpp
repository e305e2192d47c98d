// TCalibratorModule's transfers of the instrument memory image (TEepromImage): the identity and
// both system calibrations, page by page through the sweep engine's memory requests.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "calibration/EepromImage.h"
#include "calibration/MeasurementRun.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"
#include "platform/Clock.h"

namespace {

const char* const kTooLargeMessage = "Данный не поместятся в EEPROM!";
const char* const kAddressMessage = "Ошибка! Адрес: 0x";
const char* const kEmptyDateText = "Calibration Failure";

// P as upper-case hexadecimal, at least four digits.
std::string HexAddress(uint64_t p) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[p & 0xF]);
    p >>= 4;
  } while (p != 0);
  while (text.size() < 4) text.insert(text.begin(), '0');
  return text;
}

bool IsDemo() {
  const IDeviceModel* device = Services().Device;
  return device != nullptr && device->GetDemoMode();
}

int Row() {
  const IDeviceModel* device = Services().Device;
  return device ? device->GetModelIndex() : 0;
}

TScanner* ConnectedScanner() {
  if (ScannerModule == nullptr) return nullptr;
  TScanner& scanner = ScannerModule->GetScanner();
  return scanner.Connected ? &scanner : nullptr;
}

// While a transfer runs: the main window disabled, EepromBusy set. Whatever way the transfer
// ends, the flag clears and the window comes back.
class TEepromTransferScope {
 public:
  TEepromTransferScope(TCalibratorModule& module, IMainWindowHook* hook, int phase) : Module(module), Hook(hook) {
    if (Hook) Hook->SetMainWindowEnabled(false);
    Module.EepromBusy = true;
    Module.EepromPhase = phase;
    Module.EepromPercent = 0;
  }
  ~TEepromTransferScope() {
    Module.EepromBusy = false;
    if (Hook) {
      try {
        Hook->SetMainWindowEnabled(true);
      } catch (...) {
      }
    }
  }
  TEepromTransferScope(const TEepromTransferScope&) = delete;
  TEepromTransferScope& operator=(const TEepromTransferScope&) = delete;

 private:
  TCalibratorModule& Module;
  IMainWindowHook* Hook;
};

}  // namespace

bool TCalibratorModule::IsTransferAllowed() const { return !TMeasurementRun::IsRunning() && !EepromBusy && !OffsetAdjustRunning; }

void TCalibratorModule::ShowUserMessage(const std::string& text) {
  if (MessageHook) MessageHook->ShowMessage(text);
}

void TCalibratorModule::ProcessPendingMessages() {
  if (MainWindowHook) MainWindowHook->ProcessPendingMessages();
}

void TCalibratorModule::WriteEeprom() {
  if (IsDemo()) return;
  TScanner* scanner = ConnectedScanner();
  if (scanner == nullptr) return;
  if (!IsTransferAllowed()) throw EAbort("Execution error", 200);
  TEepromTransferScope scope(*this, MainWindowHook, 1);
  NotifyChange();

  std::vector<uint8_t> form1, form2;
  SystemCal->WriteToStream(form1);
  SystemCalLowPower->WriteToStream(form2);
  TEepromImage::THeader header;
  header.Revision = HardwareRevision;
  header.Serial = SerialNumber;
  if (IsSystemCalibrationEmpty()) {
    header.Temperature = 0.0;
    header.Date = kEmptyDateText;
  } else {
    header.Temperature = scanner->GetTemperature();
    const platform::LocalTime now = platform::Clock::get().localTime();
    header.Date = TCalibr::DateTimeText(now.year, now.month, now.day, now.hour, now.minute, now.second);
  }
  const std::vector<uint8_t> image = TEepromImage::Build(header, form1, form2);
  const uint64_t end = TEepromImage::BaseAddress + static_cast<uint64_t>(image.size());
  if (end > TEepromImage::MemoryEnd) {
    ShowUserMessage(kTooLargeMessage);
    EepromBusy = false;
    NotifyChange();
    if (ScannerModule) ScannerModule->StartSweep(0);
    return;
  }

  std::vector<uint8_t> back;
  for (uint64_t p = TEepromImage::BaseAddress; p < end; p += TEepromImage::PageSize) {
    const int n = static_cast<int>(std::min<uint64_t>(TEepromImage::PageSize, end - p));
    const uint8_t* page = image.data() + (p - TEepromImage::BaseAddress);
    back.assign(static_cast<size_t>(n), 0);
    // The scanner may be gone after the messages of the previous page.
    TScanner* s = ConnectedScanner();
    const int written = s ? s->WriteDeviceMemory(static_cast<uint32_t>(p), n, page) : 0;
    const int read = s && written == n ? s->ReadDeviceMemory(static_cast<uint32_t>(p), n, back.data()) : 0;
    if (written != n || read != n || std::memcmp(back.data(), page, static_cast<size_t>(n)) != 0) {
      ShowUserMessage(kAddressMessage + HexAddress(p));
      break;
    }
    EepromPercent = TEepromImage::Percent(p, end);
    NotifyChange();
    ProcessPendingMessages();
  }
  EepromBusy = false;
  NotifyChange();
  if (OnSystemCalLoaded) OnSystemCalLoaded(this);
}

void TCalibratorModule::ReadEeprom() {
  if (IsDemo() || Row() < 3) return;
  if (ConnectedScanner() == nullptr) return;
  if (!IsTransferAllowed()) throw EAbort("Execution error", 200);
  TEepromTransferScope scope(*this, MainWindowHook, 0);
  NotifyChange();
  SerialNumber = 0;
  CalTemperature = 0.0;
  CalDateText.clear();
  ClearSystemCalibrations();

  auto fail = [this] {
    EepromBusy = false;
    NotifyChange();
    if (OnSystemCalLoaded) OnSystemCalLoaded(this);
  };
  uint8_t head[TEepromImage::HeaderSize] = {};
  TScanner* s = ConnectedScanner();
  if (s == nullptr || s->ReadDeviceMemory(TEepromImage::BaseAddress, TEepromImage::HeaderSize, head) !=
                          static_cast<int>(TEepromImage::HeaderSize)) {
    fail();
    return;
  }
  const TEepromImage::THeader header = TEepromImage::ReadHeader(head);
  if (!TEepromImage::CheckHeader(header).empty()) {
    fail();
    return;
  }
  const uint64_t end = TEepromImage::CrcAddress(header);
  std::vector<uint8_t> image(static_cast<size_t>(end - TEepromImage::BaseAddress + 4));
  for (uint64_t p = TEepromImage::BaseAddress; p < end; p += TEepromImage::PageSize) {
    const int n = static_cast<int>(std::min<uint64_t>(TEepromImage::PageSize, end - p));
    s = ConnectedScanner();
    if (s == nullptr || s->ReadDeviceMemory(static_cast<uint32_t>(p), n, image.data() + (p - TEepromImage::BaseAddress)) != n) {
      fail();
      return;
    }
    EepromPercent = TEepromImage::Percent(p, end);
    NotifyChange();
    ProcessPendingMessages();
  }
  s = ConnectedScanner();
  if (s == nullptr || s->ReadDeviceMemory(static_cast<uint32_t>(end), 4, image.data() + (end - TEepromImage::BaseAddress)) != 4) {
    fail();
    return;
  }
  TEepromImage::THeader parsed;
  std::vector<uint8_t> form1, form2;
  if (!TEepromImage::Parse(image.data(), image.size(), parsed, form1, form2).empty()) {
    fail();
    return;
  }
  // The identity counts only with an image that checked out.
  SerialNumber = parsed.Serial;
  HardwareRevision = parsed.Revision;
  CalTemperature = std::isfinite(parsed.Temperature) ? parsed.Temperature : 0.0;
  CalDateText = parsed.Date;
  EepromBusy = false;
  NotifyChange();
  ProcessPendingMessages();
  SystemCal->ReadFromStream(form1);
  SystemCalLowPower->ReadFromStream(form2);
  NotifyChange();
  ProcessPendingMessages();
  if (OnSystemCalLoaded) OnSystemCalLoaded(this);
}
