#include "instrument/EmulatedEcal.h"

#include <algorithm>
#include <cmath>

#include "model/EcalFlash.h"
#include "model/ResourceRegistry.h"

namespace {

constexpr uint16_t kSwitchCodes[9] = {0x0009, 0x0012, 0x0024, 0x0040, 0x000C, 0x0021, 0x0080, 0x0900, 0x1200};

double DescriptorTemperature(const std::vector<uint8_t>& image) {
  ecal::THeader header;
  ecal::TCharacterizationImage c;
  std::string why;
  if (!ecal::ReadCharacterization(image, 0, header, c, why)) return 0.0;
  const double t = c.Descriptor.Temperature;
  return std::isfinite(t) ? t : 0.0;
}

}  // namespace

TEmulatedEcal::TEmulatedEcal(std::vector<uint8_t> image) : Image(std::move(image)) {
  SetTemperature(DescriptorTemperature(Image));
}

std::unique_ptr<TEmulatedEcal> TEmulatedEcal::FromResource(const std::string& name) {
  std::optional<std::string_view> bytes = FindResource(name);
  if (!bytes) return nullptr;
  return std::make_unique<TEmulatedEcal>(std::vector<uint8_t>(bytes->begin(), bytes->end()));
}

platform::UsbResult TEmulatedEcal::Request(const platform::UsbVendorRequest& request, uint8_t* data) {
  bool unplugNow = false;
  platform::UsbResult result;
  {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Plugged) return platform::UsbResult::Fail("The module is unplugged");
    const int number = Requests++;
    const int ofKind = RequestsOf[request.request]++;
    TFaultKind fault = TFaultKind::None;
    if (FaultRequest == 0 ? number == FaultAt : (FaultRequest == request.request && ofKind == FaultAt)) fault = Fault;
    if (fault == TFaultKind::Unplug) {
      Plugged = false;
      unplugNow = true;
      result = platform::UsbResult::Fail("The module is unplugged");
    } else if (fault == TFaultKind::Fail) {
      result = platform::UsbResult::Fail("The module did not answer");
    } else {
      size_t moved = request.length;
      switch (request.request) {
        case 1:
          if (!request.deviceToHost) return platform::UsbResult::Fail("Unknown request");
          moved = std::min<size_t>(2, request.length);
          if (data && moved > 0) data[0] = static_cast<uint8_t>(static_cast<uint16_t>(RawTemperature));
          if (data && moved > 1) data[1] = static_cast<uint8_t>(static_cast<uint16_t>(RawTemperature) >> 8);
          break;
        case 2: {
          if (!request.deviceToHost) return platform::UsbResult::Fail("Unknown request");
          const uint32_t address = (static_cast<uint32_t>(request.value) << 16) | request.index;
          Reads.emplace_back(address, request.length);
          for (size_t i = 0; i < request.length && data; ++i) {
            const uint64_t a = static_cast<uint64_t>(address) + i;
            data[i] = a < Image.size() ? Image[static_cast<size_t>(a)] : 0xFF;
          }
          break;
        }
        case 5: {
          SwitchCodes.push_back(request.value);
          const uint16_t* at = std::find(std::begin(kSwitchCodes), std::end(kSwitchCodes), request.value);
          SwitchState = at == std::end(kSwitchCodes) ? -1 : static_cast<int>(at - std::begin(kSwitchCodes));
          moved = 0;
          break;
        }
        case 7:
          moved = 0;
          break;
        default:
          return platform::UsbResult::Fail("Unknown request");
      }
      const int delta = std::max(FaultDelta, 1);
      if (fault == TFaultKind::Short) moved = moved > static_cast<size_t>(delta) ? moved - static_cast<size_t>(delta) : 0;
      if (fault == TFaultKind::Long) moved += static_cast<size_t>(delta);  // reported only: nothing is written past
      result = platform::UsbResult::Ok(moved);
    }
  }
  if (unplugNow && OnPlugChange) OnPlugChange();
  return result;
}

void TEmulatedEcal::SetTemperature(double degrees) {
  std::lock_guard<std::mutex> lock(Mutex);
  RawTemperature = static_cast<int16_t>(std::clamp(std::round(degrees * 256), -32768.0, 32767.0));
}

double TEmulatedEcal::GetTemperature() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return RawTemperature / 256.0;
}

int TEmulatedEcal::GetSwitchState() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return SwitchState;
}

std::vector<uint16_t> TEmulatedEcal::GetSwitchCodes() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return SwitchCodes;
}

int TEmulatedEcal::GetRequestCount() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Requests;
}

int TEmulatedEcal::GetRequestCount(uint8_t request) const {
  std::lock_guard<std::mutex> lock(Mutex);
  return RequestsOf[request];
}

std::vector<std::pair<uint32_t, uint16_t>> TEmulatedEcal::GetReads() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Reads;
}

void TEmulatedEcal::SetFault(int at, TFaultKind kind, int delta) {
  std::lock_guard<std::mutex> lock(Mutex);
  FaultAt = at;
  Fault = kind;
  FaultDelta = delta;
}

void TEmulatedEcal::SetFaultRequest(uint8_t request) {
  std::lock_guard<std::mutex> lock(Mutex);
  FaultRequest = request;
}

void TEmulatedEcal::Unplug() {
  {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Plugged) return;
    Plugged = false;
  }
  if (OnPlugChange) OnPlugChange();
}

void TEmulatedEcal::Replug() {
  {
    std::lock_guard<std::mutex> lock(Mutex);
    if (Plugged) return;
    Plugged = true;
    ++Generation;
  }
  if (OnPlugChange) OnPlugChange();
}

bool TEmulatedEcal::IsPlugged() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Plugged;
}

int TEmulatedEcal::GetGeneration() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Generation;
}
