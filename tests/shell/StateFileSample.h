#pragma once
// Small state files for the shell tests: a "Network analyzer" section with the layout and
// channel count asked for, and a stray key that no save writes (so a test sees whether the
// program wrote the file again).
#include <string>

#include "model/MemIniFile.h"
#include "platform/AtomicFile.h"

namespace statefile {

inline constexpr const char* kStrayKey = "LeftOverFromTheTest";

inline std::string Sample(int layout, int count) {
  TMemIniFile ini;
  ini.WriteInteger("Network analyzer", "ChannelLayout", layout);
  ini.WriteInteger("Network analyzer", "ChannelCount", count);
  ini.WriteInteger("Network analyzer", kStrayKey, 1);
  return ini.SaveToBytes();
}

inline void Write(const std::string& path, int layout, int count) {
  platform::AtomicFile::write(path, Sample(layout, count));
}

// True when the file exists, reads as a state, and still holds the stray key.
inline bool HasStrayKey(const std::string& path) {
  std::string bytes;
  if (!platform::AtomicFile::read(path, bytes)) return false;
  TMemIniFile ini;
  ini.LoadFromBytes(bytes);
  return ini.ValueExists("Network analyzer", kStrayKey);
}

inline int ReadInt(const std::string& path, const std::string& key, int missing = -999) {
  std::string bytes;
  if (!platform::AtomicFile::read(path, bytes)) return missing;
  TMemIniFile ini;
  ini.LoadFromBytes(bytes);
  return ini.ReadInteger("Network analyzer", key, missing);
}

}  // namespace statefile
