#pragma once
// Hands a file to the program the desktop associates with its type.
#include <functional>
#include <string>

namespace ui {

// True when a program took the file. Goes through OpenWithDesktopHook when one is set.
bool OpenWithDesktop(const std::string& path);
// Tests replace the desktop by a recorder.
extern std::function<bool(const std::string& path)> OpenWithDesktopHook;

}  // namespace ui
