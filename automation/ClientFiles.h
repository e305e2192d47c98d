#pragma once
// File names that a client hands to a member: every one goes through here before a writer or
// reader sees it, so that no name reaches outside the data root (platform::Paths::clientPath).
#include <string>

namespace automation {

// The absolute path of a client's name in the data root's kindFolder (empty: the data root).
// When the writer or reader adds an extension of its own (extension not empty), the name with
// that extension is checked too, so a link waiting under the completed name cannot lead out.
// A refused name raises 200 "File name not allowed: <name>" with the reason; nothing touched.
std::string ClientFilePath(const std::string& name, const char* kindFolder, const char* extension = "");
// Raises 200 "File not found: <name>" unless path is an existing regular file (links followed).
void RequireFile(const std::string& path, const std::string& name);
// The name as an error message shows it: control characters as '?', at most 200 bytes.
std::string ShownName(const std::string& name);

}  // namespace automation
