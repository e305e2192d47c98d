#pragma once
// The program's built-in data files (firmware images, the emulator's table, the translation
// table, fonts), found by their exact names. Files under resources/ are compiled into the
// executable by the CMake function tervan_resources, whose generated objects register them
// here before main runs; tests register their own.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Registers bytes that live as long as the program (compiled-in data); they are not copied.
// A name registered again is replaced.
void RegisterResource(std::string_view name, std::string_view bytes);
// Registers a copy of bytes, kept until the program ends (tests, generated data).
void RegisterResourceCopy(std::string_view name, std::string bytes);
// The bytes of the resource with exactly this name, or no value.
std::optional<std::string_view> FindResource(std::string_view name);
// Names of all registered resources, sorted.
std::vector<std::string> ResourceNames();
