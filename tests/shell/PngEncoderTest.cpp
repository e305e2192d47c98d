#include "shell/PngEncoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <random>

namespace {

QImage RandomImage(int w, int h, std::mt19937& rng) {
  QImage image(w, h, QImage::Format_RGB32);
  std::uniform_int_distribution<uint32_t> any;
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < w; ++x)
      row[x] = 0xFF000000u | (any(rng) & 0xFFFFFFu);
  }
  return image;
}

std::vector<uint8_t> Encode(const QImage& image) {
  return EncodePng(image.width(), image.height(), reinterpret_cast<const uint32_t*>(image.constBits()),
                   static_cast<size_t>(image.bytesPerLine()));
}

uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// The concatenated IDAT payload of a PNG file.
std::vector<uint8_t> IdatStream(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> data;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = ReadU32(png, at);
    if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0)
      data.insert(data.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    at += 12 + length;
  }
  return data;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& in, size_t expected) {
  std::vector<uint8_t> out(expected);
  uLongf size = expected;
  EXPECT_EQ(uncompress(out.data(), &size, in.data(), in.size()), Z_OK);
  out.resize(size);
  return out;
}

void ExpectDecodesExactly(const QImage& image) {
  const std::vector<uint8_t> png = Encode(image);
  QImage back;
  ASSERT_TRUE(back.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);
}

void ExpectPngcheckAccepts(const std::vector<uint8_t>& png, const QString& name) {
  const QString tool = QStringLiteral(TERVAN_PNGCHECK);
  ASSERT_FALSE(tool.isEmpty()) << "pngcheck is missing: install it with scripts/deps";
  QTemporaryDir dir;
  const QString path = dir.filePath(name);
  FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  QProcess check;
  check.start(tool, {"-q", path});
  ASSERT_TRUE(check.waitForFinished(30000));
  EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
}

}  // namespace

TEST(PngEncoder, SmallAndLargePicturesDecodeExactlyAndPassPngcheck) {
  std::mt19937 rng(29);
  struct Case { int w, h; } cases[] = {{1, 1}, {3, 2}, {1280, 800}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const QImage image = RandomImage(c.w, c.h, rng);
    ExpectDecodesExactly(image);
    ExpectPngcheckAccepts(Encode(image), "random.png");
  }
}

TEST(PngEncoder, ChartLikePictureDecodesExactlyAndPassesPngcheck) {
  QImage image(640, 480, QImage::Format_RGB32);
  image.fill(0xFF000000u);
  for (int x = 0; x < 640; ++x) {
    image.setPixel(x, 240 + static_cast<int>(100 * std::sin(x / 30.0)), 0xFFFFFF00u);
    if (x % 64 == 0)
      for (int y = 0; y < 480; ++y)
        image.setPixel(x, y, 0xFF808080u);
  }
  ExpectDecodesExactly(image);
  ExpectPngcheckAccepts(Encode(image), "chart.png");
}

TEST(PngEncoder, RandomSizesDecodeExactly) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> size(1, 300);
  for (int i = 0; i < 40; ++i) {
    const int w = size(rng), h = size(rng);
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    ExpectDecodesExactly(RandomImage(w, h, rng));
  }
}

TEST(PngEncoder, HeaderIsEightBitRgbAndZlibAtHighestLevel) {
  std::mt19937 rng(7);
  const std::vector<uint8_t> png = Encode(RandomImage(5, 4, rng));
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
  EXPECT_EQ(ReadU32(png, 16), 5u);
  EXPECT_EQ(ReadU32(png, 20), 4u);
  EXPECT_EQ(png[24], 8);   // bit depth
  EXPECT_EQ(png[25], 2);   // RGB
  EXPECT_EQ(png[28], 0);   // no interlace
  const std::vector<uint8_t> z = IdatStream(png);
  ASSERT_GE(z.size(), 2u);
  EXPECT_EQ(z[0] & 0x0F, 8);      // deflate
  EXPECT_EQ(z[0] >> 4, 7);        // 32 KiB window
  EXPECT_EQ(z[1] >> 6, 3);        // highest level
}

TEST(PngEncoder, EachFilterWinsOnItsRow) {
  // Rows made so that one filter predicts them exactly: 0 none (zeros after zeros), 1 sub
  // (a flat colour), 2 up (a copy of a noisy row), 3 average and 4 the predictor filter (built
  // from their own predictions over a noisy row).
  constexpr int kWidth = 48;
  constexpr size_t kRow = kWidth * 3;
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> byte(0, 255);
  auto noise = [&] { std::vector<uint8_t> r(kRow); for (auto& b : r) b = static_cast<uint8_t>(byte(rng)); return r; };
  auto paeth = [](int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
  };
  std::vector<std::vector<uint8_t>> rows;
  rows.push_back(std::vector<uint8_t>(kRow, 0));
  rows.push_back(std::vector<uint8_t>(kRow, 0x40));
  rows.push_back(noise());
  rows.push_back(rows.back());
  rows.push_back(noise());
  {
    const auto& prior = rows.back();
    std::vector<uint8_t> r(kRow);
    for (size_t i = 0; i < kRow; ++i)
      r[i] = static_cast<uint8_t>(((i >= 3 ? r[i - 3] : 0) + prior[i]) / 2);
    rows.push_back(r);
  }
  rows.push_back(noise());
  {
    const auto& prior = rows.back();
    std::vector<uint8_t> r(kRow);
    // The first pixel departs from the row above, or the prediction would copy it throughout.
    for (size_t i = 0; i < 3; ++i)
      r[i] = static_cast<uint8_t>(prior[i] + 128);
    for (size_t i = 3; i < kRow; ++i)
      r[i] = static_cast<uint8_t>(paeth(r[i - 3], prior[i], prior[i - 3]));
    rows.push_back(r);
  }
  QImage image(kWidth, static_cast<int>(rows.size()), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < kWidth; ++x)
      image.setPixel(x, y, qRgb(rows[y][3 * x], rows[y][3 * x + 1], rows[y][3 * x + 2]));

  const std::vector<uint8_t> png = Encode(image);
  const std::vector<uint8_t> raw = Inflate(IdatStream(png), rows.size() * (kRow + 1));
  ASSERT_EQ(raw.size(), rows.size() * (kRow + 1));
  const std::pair<int, int> expected[] = {{0, 0}, {1, 1}, {3, 2}, {5, 3}, {7, 4}};
  for (auto [row, filter] : expected)
    EXPECT_EQ(raw[row * (kRow + 1)], filter) << "row " << row;
  ExpectDecodesExactly(image);
}

TEST(PngEncoder, RefusesAnEmptyPicture) {
  uint32_t pixel = 0;
  EXPECT_THROW(EncodePng(0, 1, &pixel, 4), std::invalid_argument);
  EXPECT_THROW(EncodePng(1, 0, &pixel, 4), std::invalid_argument);
  EXPECT_THROW(EncodePng(2, 1, &pixel, 4), std::invalid_argument);
}
