#include "model/ResourceFile.h"

#include <climits>
#include <optional>

#include "model/ResourceRegistry.h"
#include "platform/AtomicFile.h"

namespace {

int LengthAsInt(size_t n) { return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n); }

}  // namespace

TResourceFile::TResourceFile(const std::string& name) {
  if (auto found = FindResource(name)) {
    bytes_ = *found;
    size_ = bytes_.size();
  }
  Rewind();
}

void TResourceFile::Rewind() {
  pos8_ = 0;
  pos16_ = 0;
}

int TResourceFile::ReadLine(std::string& line) {
  if (pos8_ >= size_) return 0;
  const char* p = bytes_.data();
  size_t end = pos8_;
  while (end < size_ && p[end] != '\r' && p[end] != '\n') ++end;
  const size_t start = pos8_;
  pos8_ = end;
  while (pos8_ < size_ && (p[pos8_] == '\r' || p[pos8_] == '\n')) ++pos8_;
  line.assign(p + start, end - start);
  return LengthAsInt(end - start);
}

int TResourceFile::ReadLineUtf16(std::u16string& line) {
  const size_t units = size_ / 2;
  if (pos16_ >= units) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
  auto unitAt = [p](size_t u) { return static_cast<char16_t>((p[2 * u] << 8) | p[2 * u + 1]); };
  if (unitAt(pos16_) == 0xFEFF) ++pos16_;
  size_t end = pos16_;
  while (end < units && unitAt(end) != 13 && unitAt(end) != 10) ++end;
  const size_t start = pos16_;
  pos16_ = end;
  while (pos16_ < units && (unitAt(pos16_) == 13 || unitAt(pos16_) == 10)) ++pos16_;
  line.resize(end - start);
  for (size_t u = start; u < end; ++u) line[u - start] = unitAt(u);
  return LengthAsInt(end - start);
}

bool TResourceFile::SaveToFile(const std::string& path) const {
  const platform::FileResult r = size_ ? platform::AtomicFile::write(path, bytes_) : platform::AtomicFile::remove(path);
  return r.ok;
}
