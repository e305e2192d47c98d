#include "shell/PngEncoder.h"

#include "model/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr size_t kBytesPerPixel = 3;
constexpr size_t kMaxIdatChunk = 1u << 20;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size) {
  PutU32(out, static_cast<uint32_t>(size));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  if (size > 0)
    out.insert(out.end(), data, data + size);
  PutU32(out, UpdateCrc32(0, out.data() + start, size + 4));
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc)
    return static_cast<uint8_t>(a);
  if (pb <= pc)
    return static_cast<uint8_t>(b);
  return static_cast<uint8_t>(c);
}

// Sum of the filtered bytes read as signed values, the usual heuristic for compressibility.
uint64_t SignedSum(const std::vector<uint8_t>& bytes) {
  uint64_t sum = 0;
  for (uint8_t b : bytes)
    sum += static_cast<uint64_t>(std::abs(static_cast<int>(static_cast<int8_t>(b))));
  return sum;
}

void Filter(int type, const std::vector<uint8_t>& row, const std::vector<uint8_t>& prior,
            std::vector<uint8_t>& out) {
  const size_t n = row.size();
  out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const int a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
    const int b = prior[i];
    const int c = i >= kBytesPerPixel ? prior[i - kBytesPerPixel] : 0;
    int predicted = 0;
    switch (type) {
      case 1: predicted = a; break;
      case 2: predicted = b; break;
      case 3: predicted = (a + b) / 2; break;
      case 4: predicted = Paeth(a, b, c); break;
      default: break;
    }
    out[i] = static_cast<uint8_t>(row[i] - predicted);
  }
}

class Deflater {
 public:
  Deflater() {
    if (deflateInit2(&stream_, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::runtime_error("PNG: the compressor could not start");
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void Feed(const uint8_t* data, size_t size, bool last, std::vector<uint8_t>& out) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    std::array<uint8_t, 65536> buffer;
    int rc = Z_OK;
    do {
      stream_.next_out = buffer.data();
      stream_.avail_out = static_cast<uInt>(buffer.size());
      rc = deflate(&stream_, last ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR)
        throw std::runtime_error("PNG: the compressor failed");
      out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - stream_.avail_out));
    } while (stream_.avail_out == 0 || (last && rc != Z_STREAM_END));
  }

 private:
  z_stream stream_{};
};

}  // namespace

int ChoosePngFilter(const std::vector<uint8_t>& row, const std::vector<uint8_t>& prior,
                    std::vector<uint8_t>& out) {
  std::vector<uint8_t> candidate;
  int best = 0;
  uint64_t bestSum = 0;
  for (int type = 0; type <= 4; ++type) {
    Filter(type, row, prior, candidate);
    const uint64_t sum = SignedSum(candidate);
    if (type == 0 || sum < bestSum) {
      best = type;
      bestSum = sum;
      out = candidate;
    }
  }
  return best;
}

std::vector<uint8_t> EncodePng(int width, int height, const uint32_t* pixels, size_t strideBytes) {
  if (width <= 0 || height <= 0)
    throw std::invalid_argument("PNG: a picture needs a width and a height");
  if (pixels == nullptr || strideBytes < static_cast<size_t>(width) * 4)
    throw std::invalid_argument("PNG: the rows are shorter than the width");

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutU32(header, static_cast<uint32_t>(width));
  PutU32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, adaptive, no interlace
  PutChunk(out, "IHDR", header.data(), header.size());

  const size_t rowBytes = static_cast<size_t>(width) * kBytesPerPixel;
  std::vector<uint8_t> prior(rowBytes, 0), row(rowBytes), filtered, line;
  std::vector<uint8_t> compressed;
  Deflater deflater;
  const auto* base = reinterpret_cast<const uint8_t*>(pixels);
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(base + strideBytes * static_cast<size_t>(y));
    for (int x = 0; x < width; ++x) {
      const uint32_t p = src[x];
      row[3 * x] = static_cast<uint8_t>(p >> 16);
      row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(p);
    }
    const int type = ChoosePngFilter(row, prior, filtered);
    line.clear();
    line.push_back(static_cast<uint8_t>(type));
    line.insert(line.end(), filtered.begin(), filtered.end());
    deflater.Feed(line.data(), line.size(), y + 1 == height, compressed);
    std::swap(prior, row);
  }
  for (size_t at = 0; at < compressed.size(); at += kMaxIdatChunk)
    PutChunk(out, "IDAT", compressed.data() + at, std::min(kMaxIdatChunk, compressed.size() - at));
  PutChunk(out, "IEND", nullptr, 0);
  return out;
}
