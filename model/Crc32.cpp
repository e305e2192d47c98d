#include "model/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

uint32_t UpdateCrc32(uint32_t crc, const void* buffer, size_t length) {
  if (buffer == nullptr) return 0;
  const auto* bytes = static_cast<const Bytef*>(buffer);
  uLong c = crc;
  // zlib's length type may be narrower than size_t; fold very large blocks in pieces.
  constexpr size_t kChunk = std::numeric_limits<uInt>::max();
  while (length > 0) {
    const size_t n = std::min(length, kChunk);
    c = crc32(c, bytes, static_cast<uInt>(n));
    bytes += n;
    length -= n;
  }
  return static_cast<uint32_t>(c);
}

std::array<uint32_t, 256> BuildCrc32Table() {
  // Terms of the generator polynomial below x^32.
  constexpr int kExponents[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
  uint32_t pattern = 0;
  for (int e : kExponents) pattern |= 1u << (31 - e);
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ pattern : c >> 1;
    table[n] = c;
  }
  return table;
}
