#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace platform {

namespace {
std::string LoaderMessage() {
  const char* text = dlerror();
  return text ? std::string(text) : std::string("unknown loader error");
}
}  // namespace

DynamicLibrary::~DynamicLibrary() { close(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool DynamicLibrary::open(const std::string& nameOrPath) {
  close();
  error_.clear();
  dlerror();
  handle_ = dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) error_ = LoaderMessage();
  return handle_ != nullptr;
}

void* DynamicLibrary::symbol(const char* name) {
  if (!handle_) {
    error_ = "library not open";
    return nullptr;
  }
  dlerror();
  void* address = dlsym(handle_, name);
  if (!address) error_ = LoaderMessage();
  return address;
}

void DynamicLibrary::close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace platform
