#include "platform/UsbBackend.h"

#include <atomic>
#include <utility>

#include "platform/LibusbBackend.h"
#include "platform/UiDispatcher.h"

namespace platform {

namespace {

std::atomic<UsbBackend*> g_installed{nullptr};

UsbBackend& DefaultBackend() {
  static LibusbBackend backend;
  return backend;
}

}  // namespace

UsbBackend::UsbBackend() : subscribers_(std::make_shared<Subscribers>()) {}

UsbBackend::~UsbBackend() = default;

UsbBackend& UsbBackend::get() {
  UsbBackend* b = g_installed.load(std::memory_order_acquire);
  return b ? *b : DefaultBackend();
}

UsbBackend* UsbBackend::install(UsbBackend* backend) {
  return g_installed.exchange(backend, std::memory_order_acq_rel);
}

int UsbBackend::subscribe(std::function<void()> callback) {
  std::lock_guard<std::mutex> lock(subscribers_->mutex);
  int id = subscribers_->nextId++;
  subscribers_->callbacks[id] = std::make_shared<std::function<void()>>(std::move(callback));
  return id;
}

void UsbBackend::unsubscribe(int id) {
  std::lock_guard<std::mutex> lock(subscribers_->mutex);
  subscribers_->callbacks.erase(id);
}

void UsbBackend::Deliver(Subscribers& subscribers) {
  std::vector<int> ids;
  {
    std::lock_guard<std::mutex> lock(subscribers.mutex);
    for (const auto& entry : subscribers.callbacks) ids.push_back(entry.first);
  }
  for (int id : ids) {
    // Looked up one at a time: a subscriber may unsubscribe another (or itself) meanwhile.
    std::shared_ptr<std::function<void()>> callback;
    {
      std::lock_guard<std::mutex> lock(subscribers.mutex);
      auto it = subscribers.callbacks.find(id);
      if (it == subscribers.callbacks.end()) continue;
      callback = it->second;
    }
    if (*callback) (*callback)();
  }
}

void UsbBackend::postDeviceChange() {
  std::weak_ptr<Subscribers> weak = subscribers_;
  UiDispatcher::get().post([weak] {
    if (auto subscribers = weak.lock()) Deliver(*subscribers);  // else the back end is gone
  });
}

void UsbBackend::deliverDeviceChange() { Deliver(*subscribers_); }

}  // namespace platform
