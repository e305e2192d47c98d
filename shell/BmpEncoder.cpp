#include "shell/BmpEncoder.h"

#include <stdexcept>

namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeBmp(int width, int height, const uint32_t* pixels, size_t strideBytes) {
  if (width <= 0 || height <= 0)
    throw std::invalid_argument("BMP: a picture needs a width and a height");
  if (pixels == nullptr || strideBytes < static_cast<size_t>(width) * 4)
    throw std::invalid_argument("BMP: the rows are shorter than the width");
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * 3 + 3) / 4 * 4;
  const uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
  constexpr uint32_t kHeaders = 14 + 40;
  if (imageBytes + kHeaders > 0xFFFFFFFFu)
    throw std::invalid_argument("BMP: the picture is too large for a bitmap file");

  std::vector<uint8_t> out;
  out.reserve(kHeaders + imageBytes);
  out.push_back('B');
  out.push_back('M');
  PutLe(out, static_cast<uint32_t>(kHeaders + imageBytes), 4);
  PutLe(out, 0, 4);
  PutLe(out, kHeaders, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<uint32_t>(width), 4);
  PutLe(out, static_cast<uint32_t>(height), 4);  // positive: bottom-up
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);  // no compression
  PutLe(out, static_cast<uint32_t>(imageBytes), 4);
  PutLe(out, 3780, 4);
  PutLe(out, 3780, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);

  const auto* base = reinterpret_cast<const uint8_t*>(pixels);
  const size_t padding = static_cast<size_t>(rowBytes) - static_cast<size_t>(width) * 3;
  for (int y = height - 1; y >= 0; --y) {
    const auto* src = reinterpret_cast<const uint32_t*>(base + strideBytes * static_cast<size_t>(y));
    for (int x = 0; x < width; ++x) {
      const uint32_t p = src[x];
      out.push_back(static_cast<uint8_t>(p));
      out.push_back(static_cast<uint8_t>(p >> 8));
      out.push_back(static_cast<uint8_t>(p >> 16));
    }
    out.insert(out.end(), padding, 0);
  }
  return out;
}
