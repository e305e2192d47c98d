#pragma once
// Writes pictures as Windows bitmaps without Qt: 24-bit, bottom-up, 40-byte information header.
#include <cstddef>
#include <cstdint>
#include <vector>

// Encodes width x height pixels given as rows of 0xFFRRGGBB words, row y starting strideBytes
// * y bytes after pixels; rows are padded to 4 bytes, 3780 pixels per metre. Throws
// std::invalid_argument on a zero or negative size or a stride shorter than a row.
std::vector<uint8_t> EncodeBmp(int width, int height, const uint32_t* pixels, size_t strideBytes);
