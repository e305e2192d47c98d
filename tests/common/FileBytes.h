#pragma once
// Plain file access for tests that set up files and check what the program left of them.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace testenv {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Every entry below a folder: a small file by its size and bytes, a large one by its size only,
// anything else (folder, FIFO) as "<not a file>". Nothing is opened that could block.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    const bool file = e.is_regular_file() && !e.is_fifo();
    files[e.path().string()] = file ? std::to_string(e.file_size()) + ":" + (e.file_size() < 4096 ? ReadBytes(e.path()) : "")
                                    : std::string("<not a file>");
  }
  return files;
}

}  // namespace testenv
