#pragma once
// Writes pictures as PNG files without Qt: 8-bit RGB, no interlace, the per-row filter with the
// smallest sum of absolute signed bytes, one zlib stream at the highest level.
#include <cstddef>
#include <cstdint>
#include <vector>

// Encodes width x height pixels given as rows of 0xFFRRGGBB words (the layout of a 32-bit RGB
// QImage); row y starts strideBytes * y bytes after pixels. Throws std::invalid_argument on a
// zero or negative size or a stride shorter than a row, std::runtime_error when zlib fails.
std::vector<uint8_t> EncodePng(int width, int height, const uint32_t* pixels, size_t strideBytes);

// The PNG row filter with the smallest sum of |signed filtered bytes| for row (3 bytes per
// pixel) above prior (all zeros for the first row); ties go to the lower filter number. out
// receives the filtered bytes, its size is row's. Exposed so the choice can be checked.
int ChoosePngFilter(const std::vector<uint8_t>& row, const std::vector<uint8_t>& prior,
                    std::vector<uint8_t>& out);
