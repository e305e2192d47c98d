#include "platform/LibusbBackend.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>

#include "platform/UiDispatcher.h"

namespace platform {

namespace {

std::string Hex4(uint16_t v) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
  return s;
}

std::string Decimal(long long v) {
  if (v == 0) return "0";
  bool negative = v < 0;
  unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  std::string s;
  while (u) {
    s.insert(s.begin(), static_cast<char>('0' + u % 10));
    u /= 10;
  }
  return negative ? "-" + s : s;
}

// bmRequestType values: direction, type and recipient bits.
constexpr uint8_t kStandardIn = 0x80;  // device to host, standard, device
constexpr uint8_t kVendorOut = 0x40;   // host to device, vendor, device
constexpr uint8_t kVendorIn = 0xC0;    // device to host, vendor, device

void LIBUSB_CALL OnTransferDone(libusb_transfer* transfer) {
  // The waiting thread reads the flag inside libusb_handle_events_completed(), under libusb's
  // event lock; the result stays in the transfer until it frees it.
  *static_cast<int*>(transfer->user_data) = 1;
}

int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event, void* user) {
  static_cast<UsbBackend*>(user)->postDeviceChange();
  return 0;  // stay registered
}

}  // namespace

struct LibusbBackend::OpenDevice {
  struct Pipe {
    std::mutex mutex;
    libusb_transfer* active = nullptr;  // the transfer in progress, for abortPipe()
  };

  ~OpenDevice() {
    if (handle) {
      libusb_release_interface(handle, 0);
      libusb_close(handle);
    }
  }

  libusb_device_handle* handle = nullptr;
  std::string lockName;
  std::string name;
  libusb_device_descriptor descriptor{};
  std::vector<uint8_t> endpoints;  // of interface 0, in descriptor order: pipe n = endpoints[n]
  uint8_t inEndpoint = 0;          // pipe 0 when it is bulk in, else the first bulk in
  uint8_t outEndpoint = 0;         // pipe 1 when it is bulk out, else the first bulk out
  Pipe pipes[2];                   // 0 read, 1 write
};

const std::vector<uint16_t>& LibusbBackend::DefaultVendorIds() {
  static const std::vector<uint16_t> ids = {0x2226, 0x0547};
  return ids;
}

LibusbBackend::LibusbBackend(std::vector<uint16_t> vendorIds) : vendorIds_(std::move(vendorIds)) {}

LibusbBackend::~LibusbBackend() {
  if (events_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(eventsMutex_);
      stopEvents_ = true;
    }
    eventsWake_.notify_all();
    for (int h : hotplugHandles_) libusb_hotplug_deregister_callback(context_, h);
    libusb_interrupt_event_handler(context_);
    events_.join();
  }
  handles_.clear();
  releaseListLocked();
  if (context_) libusb_exit(context_);
}

void LibusbBackend::OrderCandidates(std::vector<Candidate>& candidates) {
  std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    if (a.bus != b.bus) return a.bus < b.bus;
    return a.ports < b.ports;
  });
  if (candidates.size() > static_cast<size_t>(kMaxDevices)) candidates.resize(kMaxDevices);
}

std::string LibusbBackend::LockNameFor(int bus, const std::vector<int>& ports) {
  std::string name = "tervan-usb-" + Decimal(bus) + "-";
  for (size_t i = 0; i < ports.size(); ++i) {
    if (i) name += '.';
    name += Decimal(ports[i]);
  }
  if (ports.empty()) name += '0';
  return name;
}

std::string LibusbBackend::OpenProblem(int libusbError, bool whileClaiming, const std::string& device) {
  switch (libusbError) {
    case LIBUSB_ERROR_ACCESS:
      return "No permission to open " + device +
             ": install the udev rule 70-tervan.rules (packaging/udev) and plug the instrument in again";
    case LIBUSB_ERROR_BUSY:
      return device + " is held by another program (its interface is busy)";
    case LIBUSB_ERROR_NO_DEVICE:
      return device + " has left the bus";
    default:
      return std::string(whileClaiming ? "Cannot claim " : "Cannot open ") + device + ": " +
             libusb_strerror(static_cast<libusb_error>(libusbError));
  }
}

void LibusbBackend::setReason(std::string why) { reason_ = std::move(why); }

std::string LibusbBackend::reason() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reason_;
}

bool LibusbBackend::ensureContext() {
  if (context_) return true;
  if (!contextProblem_.empty()) return false;
  int rc = libusb_init(&context_);
  if (rc != 0) {
    context_ = nullptr;
    contextProblem_ = std::string("USB is not available to this program (") +
                      libusb_strerror(static_cast<libusb_error>(rc)) + ")";
    return false;
  }
  startEvents();
  return true;
}

void LibusbBackend::startEvents() {
  hotplug_ = libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0;
  for (size_t i = 0; hotplug_ && i < vendorIds_.size(); ++i) {
    int handle = 0;
    int rc = libusb_hotplug_register_callback(
        context_, static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        static_cast<libusb_hotplug_flag>(0), vendorIds_[i], LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
        OnHotplug, this, &handle);
    if (rc == LIBUSB_SUCCESS) {
      hotplugHandles_.push_back(handle);
    } else {
      for (int h : hotplugHandles_) libusb_hotplug_deregister_callback(context_, h);
      hotplugHandles_.clear();
      hotplug_ = false;
    }
  }
  events_ = std::thread([this] { eventLoop(); });
}

std::string LibusbBackend::busSignature() {
  std::string signature;
  libusb_device** list = nullptr;
  ssize_t n = libusb_get_device_list(context_, &list);
  for (ssize_t i = 0; i < n; ++i) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
    if (std::find(vendorIds_.begin(), vendorIds_.end(), d.idVendor) == vendorIds_.end()) continue;
    uint8_t ports[8];
    int count = libusb_get_port_numbers(list[i], ports, 8);
    signature += Decimal(libusb_get_bus_number(list[i])) + ":";
    for (int p = 0; p < count; ++p) signature += Decimal(ports[p]) + ".";
    signature += Hex4(d.idProduct) + Hex4(d.bcdDevice) + ";";
  }
  if (list) libusb_free_device_list(list, 1);
  return signature;
}

void LibusbBackend::eventLoop() {
  if (hotplug_) {
    while (!stopEvents_) {
      timeval tv{1, 0};
      libusb_handle_events_timeout_completed(context_, &tv, nullptr);
    }
    return;
  }
  // No hot-plug support: compare the list of our devices once a second.
  std::string last = busSignature();
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(eventsMutex_);
      if (eventsWake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopEvents_.load(); })) return;
    }
    std::string now = busSignature();
    if (now != last) {
      last = now;
      postDeviceChange();
    }
  }
}

void LibusbBackend::releaseListLocked() {
  for (auto& entry : listed_) libusb_unref_device(entry.device);
  listed_.clear();
}

std::vector<UsbDeviceInfo> LibusbBackend::enumerate() {
  std::lock_guard<std::mutex> lock(mutex_);
  releaseListLocked();
  if (!ensureContext()) {
    setReason(contextProblem_);
    return {};
  }
  libusb_device** list = nullptr;
  ssize_t n = libusb_get_device_list(context_, &list);
  if (n < 0) {
    setReason(std::string("Cannot list the USB devices: ") + libusb_strerror(static_cast<libusb_error>(n)));
    return {};
  }
  std::vector<Candidate> candidates;
  for (ssize_t i = 0; i < n; ++i) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
    if (std::find(vendorIds_.begin(), vendorIds_.end(), d.idVendor) == vendorIds_.end()) continue;
    Candidate c;
    c.bus = libusb_get_bus_number(list[i]);
    uint8_t ports[8];
    int count = libusb_get_port_numbers(list[i], ports, 8);
    for (int p = 0; p < count; ++p) c.ports.push_back(ports[p]);
    c.ids = {d.idVendor, d.idProduct, d.bcdDevice};
    c.tag = static_cast<int>(i);
    candidates.push_back(c);
  }
  OrderCandidates(candidates);
  std::vector<UsbDeviceInfo> out;
  for (const Candidate& c : candidates) {
    listed_.push_back({libusb_ref_device(list[c.tag]), c});
    out.push_back({"Ezusb-" + Decimal(static_cast<long long>(out.size())), LockNameFor(c.bus, c.ports), c.ids});
  }
  libusb_free_device_list(list, 1);
  if (out.empty()) {
    std::string ids;
    for (size_t i = 0; i < vendorIds_.size(); ++i) ids += (i ? " or " : "") + Hex4(vendorIds_[i]);
    setReason("No USB device with vendor id " + ids + " is attached");
  } else {
    setReason({});
  }
  return out;
}

std::string LibusbBackend::lockName(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || static_cast<size_t>(index) >= listed_.size()) return {};
  return LockNameFor(listed_[static_cast<size_t>(index)].where.bus, listed_[static_cast<size_t>(index)].where.ports);
}

UsbBackend::Handle LibusbBackend::open(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || static_cast<size_t>(index) >= listed_.size()) {
    setReason("There is no device Ezusb-" + Decimal(index));
    return kInvalidHandle;
  }
  const Listed& entry = listed_[static_cast<size_t>(index)];
  std::string key = LockNameFor(entry.where.bus, entry.where.ports);
  std::shared_ptr<OpenDevice> device;
  openDevices_.erase(std::remove_if(openDevices_.begin(), openDevices_.end(),
                                    [](const std::weak_ptr<OpenDevice>& w) { return w.expired(); }),
                     openDevices_.end());
  for (auto& weak : openDevices_) {
    auto d = weak.lock();
    if (d && d->lockName == key) device = d;
  }
  if (!device) {
    std::string name = "the USB device " + Hex4(entry.where.ids.vendor) + ":" + Hex4(entry.where.ids.product) +
                       " on bus " + Decimal(entry.where.bus);
    auto fresh = std::make_shared<OpenDevice>();
    fresh->lockName = key;
    fresh->name = name;
    int rc = libusb_open(entry.device, &fresh->handle);
    if (rc != 0) {
      fresh->handle = nullptr;
      setReason(OpenProblem(rc, false, name));
      return kInvalidHandle;
    }
    libusb_set_auto_detach_kernel_driver(fresh->handle, 1);
    rc = libusb_claim_interface(fresh->handle, 0);
    if (rc != 0) {
      setReason(OpenProblem(rc, true, name));
      libusb_close(fresh->handle);
      fresh->handle = nullptr;
      return kInvalidHandle;
    }
    libusb_get_device_descriptor(entry.device, &fresh->descriptor);
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(entry.device, &config) == 0 && config) {
      if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
        for (int e = 0; e < alt.bNumEndpoints; ++e) fresh->endpoints.push_back(alt.endpoint[e].bEndpointAddress);
        auto isBulk = [&](int e) {
          return (alt.endpoint[e].bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
        };
        auto isIn = [&](int e) { return (alt.endpoint[e].bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0; };
        if (alt.bNumEndpoints > 0 && isBulk(0) && isIn(0)) fresh->inEndpoint = alt.endpoint[0].bEndpointAddress;
        if (alt.bNumEndpoints > 1 && isBulk(1) && !isIn(1)) fresh->outEndpoint = alt.endpoint[1].bEndpointAddress;
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
          if (!isBulk(e)) continue;
          if (isIn(e) && !fresh->inEndpoint) fresh->inEndpoint = alt.endpoint[e].bEndpointAddress;
          if (!isIn(e) && !fresh->outEndpoint) fresh->outEndpoint = alt.endpoint[e].bEndpointAddress;
        }
      }
      libusb_free_config_descriptor(config);
    }
    device = fresh;
    openDevices_.push_back(device);
  }
  Handle h = nextHandle_++;
  handles_.emplace_back(h, device);
  setReason({});
  return h;
}

void LibusbBackend::close(Handle handle) {
  std::shared_ptr<OpenDevice> last;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(handles_.begin(), handles_.end(), [&](const auto& e) { return e.first == handle; });
    if (it == handles_.end()) return;
    last = std::move(it->second);
    handles_.erase(it);
  }
  // `last` may be the final reference: the device is released here, outside the lock.
}

std::shared_ptr<LibusbBackend::OpenDevice> LibusbBackend::find(Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& e : handles_) {
    if (e.first == handle) return e.second;
  }
  return nullptr;
}

bool LibusbBackend::readIds(Handle handle, UsbDeviceIds& ids) {
  auto d = find(handle);
  if (!d) return false;
  ids = {d->descriptor.idVendor, d->descriptor.idProduct, d->descriptor.bcdDevice};
  return true;
}

bool LibusbBackend::readDescriptor(Handle handle, uint8_t* buffer, size_t size, size_t& count) {
  count = 0;
  auto d = find(handle);
  if (!d || !buffer) return false;
  const libusb_device_descriptor& s = d->descriptor;
  uint8_t b[18] = {s.bLength,
                   s.bDescriptorType,
                   static_cast<uint8_t>(s.bcdUSB),
                   static_cast<uint8_t>(s.bcdUSB >> 8),
                   s.bDeviceClass,
                   s.bDeviceSubClass,
                   s.bDeviceProtocol,
                   s.bMaxPacketSize0,
                   static_cast<uint8_t>(s.idVendor),
                   static_cast<uint8_t>(s.idVendor >> 8),
                   static_cast<uint8_t>(s.idProduct),
                   static_cast<uint8_t>(s.idProduct >> 8),
                   static_cast<uint8_t>(s.bcdDevice),
                   static_cast<uint8_t>(s.bcdDevice >> 8),
                   s.iManufacturer,
                   s.iProduct,
                   s.iSerialNumber,
                   s.bNumConfigurations};
  count = std::min<size_t>(size, sizeof b);
  std::copy(b, b + count, buffer);
  return true;
}

UsbResult LibusbBackend::control(OpenDevice& device, uint8_t requestType, uint8_t request, uint16_t value,
                                 uint16_t index, uint8_t* data, uint16_t length) {
  if (length > kMaxControlData) return UsbResult::Fail("A control transfer carries at most 4096 bytes");
  if (length && !data) return UsbResult::Fail("No buffer for the data stage");
  int rc = libusb_control_transfer(device.handle, requestType, request, value, index, data, length,
                                   static_cast<unsigned>(kControlTimeoutMs));
  if (rc >= 0) return UsbResult::Ok(static_cast<size_t>(rc));
  if (rc == LIBUSB_ERROR_TIMEOUT) return {UsbStatus::TimedOut, 0, device.name + " did not answer within 2 s"};
  if (rc == LIBUSB_ERROR_NO_DEVICE) return UsbResult::Fail(device.name + " has left the bus");
  return UsbResult::Fail(device.name + ": " + libusb_strerror(static_cast<libusb_error>(rc)));
}

bool LibusbBackend::check(Handle handle) {
  auto d = find(handle);
  if (!d) return false;
  uint8_t status[2] = {0, 0};
  UsbResult r = control(*d, kStandardIn, LIBUSB_REQUEST_GET_STATUS, 0, 0, status, 2);
  return r.ok() && r.count == 2;
}

UsbResult LibusbBackend::vendorRequest(Handle handle, const UsbVendorRequest& request, uint8_t* data) {
  auto d = find(handle);
  if (!d) return UsbResult::Fail("The device is not open");
  return control(*d, request.deviceToHost ? kVendorIn : kVendorOut, request.request, request.value, request.index, data, request.length);
}

UsbResult LibusbBackend::anchorDownload(Handle handle, uint16_t address, const uint8_t* data, size_t length) {
  auto d = find(handle);
  if (!d) return UsbResult::Fail("The device is not open");
  if (length && !data) return UsbResult::Fail("No data to download");
  if (length > 0x10000u - address) return UsbResult::Fail("The download runs past the 8051's 64 KiB");
  size_t done = 0;
  while (done < length) {
    size_t chunk = std::min(length - done, kMaxControlData);
    // The loader's request 0xA0 writes the data stage at the address given as value.
    UsbResult r = control(*d, kVendorOut, 0xA0,
                          static_cast<uint16_t>(address + done), 0, const_cast<uint8_t*>(data + done),
                          static_cast<uint16_t>(chunk));
    if (!r.ok()) return r;
    done += chunk;
  }
  return UsbResult::Ok(done);
}

UsbResult LibusbBackend::bulk(Handle handle, int pipe, uint8_t* buffer, size_t size, int sliceMs, bool in) {
  auto d = find(handle);
  if (!d) return UsbResult::Fail("The device is not open");
  if (size == 0) return UsbResult::Ok(0);
  if (!buffer) return UsbResult::Fail("No buffer for the transfer");
  uint8_t endpoint = in ? d->inEndpoint : d->outEndpoint;
  if (!endpoint) return UsbResult::Fail(d->name + std::string(" has no bulk ") + (in ? "in" : "out") + " pipe");
  int length = static_cast<int>(std::min<size_t>(size, INT_MAX));
  unsigned timeout = static_cast<unsigned>(std::clamp(sliceMs, 1, kMaxSliceMs));
  libusb_transfer* t = libusb_alloc_transfer(0);
  if (!t) return UsbResult::Fail("Out of memory for a USB transfer");
  int completed = 0;
  libusb_fill_bulk_transfer(t, d->handle, endpoint, buffer, length, OnTransferDone, &completed, timeout);
  OpenDevice::Pipe& p = d->pipes[pipe];
  int rc;
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    rc = libusb_submit_transfer(t);
    if (rc == 0) p.active = t;
  }
  if (rc != 0) {
    libusb_free_transfer(t);
    if (rc == LIBUSB_ERROR_NO_DEVICE) return UsbResult::Fail(d->name + " has left the bus");
    return UsbResult::Fail(d->name + ": " + libusb_strerror(static_cast<libusb_error>(rc)));
  }
  while (!completed) {
    rc = libusb_handle_events_completed(context_, &completed);
    if (rc < 0 && rc != LIBUSB_ERROR_INTERRUPTED) {
      std::lock_guard<std::mutex> lock(p.mutex);
      libusb_cancel_transfer(t);
    }
  }
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    p.active = nullptr;
  }
  size_t count = static_cast<size_t>(std::max(t->actual_length, 0));
  libusb_transfer_status status = t->status;
  libusb_free_transfer(t);
  switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
      return UsbResult::Ok(count);
    case LIBUSB_TRANSFER_TIMED_OUT:
      return {UsbStatus::TimedOut, count, {}};
    case LIBUSB_TRANSFER_CANCELLED:
      return {UsbStatus::Aborted, count, {}};
    case LIBUSB_TRANSFER_NO_DEVICE:
      return {UsbStatus::Error, count, d->name + " has left the bus"};
    case LIBUSB_TRANSFER_STALL:
      return {UsbStatus::Error, count, d->name + ": the pipe stalled"};
    case LIBUSB_TRANSFER_OVERFLOW:
      return {UsbStatus::Error, count, d->name + ": the device sent more than asked for"};
    default:
      return {UsbStatus::Error, count, d->name + ": the transfer failed"};
  }
}

UsbResult LibusbBackend::bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) {
  return bulk(handle, kReadPipe, buffer, size, sliceMs, true);
}

UsbResult LibusbBackend::bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) {
  // libusb takes a non-const buffer for both directions; an out transfer only reads it.
  return bulk(handle, kWritePipe, const_cast<uint8_t*>(data), size, sliceMs, false);
}

void LibusbBackend::abortPipe(Handle handle, int pipe) {
  if (pipe != kReadPipe && pipe != kWritePipe) return;
  auto d = find(handle);
  if (!d) return;
  OpenDevice::Pipe& p = d->pipes[pipe];
  std::lock_guard<std::mutex> lock(p.mutex);
  if (p.active) libusb_cancel_transfer(p.active);
}

}  // namespace platform
