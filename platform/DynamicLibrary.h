#pragma once
// A shared library loaded at run time (dlopen with RTLD_NOW | RTLD_LOCAL), closed on
// destruction. Used for optional vendor drivers the program runs without.
#include <string>

namespace platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads a library by name or path; false with the loader's message in error().
  bool open(const std::string& nameOrPath);
  bool isOpen() const { return handle_ != nullptr; }
  // The address of a symbol, or nullptr with the loader's message in error().
  void* symbol(const char* name);
  const std::string& error() const { return error_; }
  void close();

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace platform
