#include "shell/BmpEncoder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <random>

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) | (uint32_t{b[at + 3]} << 24);
}

}  // namespace

TEST(BmpEncoder, QImageReadsBitmapsPixelExact) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<uint32_t> any;
  // Widths 1..5 cover every row padding.
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {3, 2}, {4, 1}, {5, 7}, {301, 200}};
  for (auto [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        image.setPixel(x, y, 0xFF000000u | (any(rng) & 0xFFFFFFu));
    const std::vector<uint8_t> bmp = EncodeBmp(w, h, reinterpret_cast<const uint32_t*>(image.constBits()),
                                               static_cast<size_t>(image.bytesPerLine()));
    const size_t rowBytes = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 54 + rowBytes * h);
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(Le32(bmp, 10), 54u);
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(Le32(bmp, 38), 3780u);
    EXPECT_EQ(Le32(bmp, 42), 3780u);
    QImage back;
    ASSERT_TRUE(back.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);
  }
}

TEST(BmpEncoder, RefusesAnEmptyPicture) {
  uint32_t pixel = 0;
  EXPECT_THROW(EncodeBmp(0, 1, &pixel, 4), std::invalid_argument);
  EXPECT_THROW(EncodeBmp(1, 0, &pixel, 4), std::invalid_argument);
}
