// Hostile memory images: the pure image parser with truncated images, every single bit flipped,
// address and length fields that are negative, overflow 32 bits or run past the memory, and
// random bytes; the same headers through the emulator's memory into the transfer.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "calibration/EepromImage.h"
#include "calibration/EepromTestSupport.h"
#include "model/Crc32.h"
#include "model/LittleEndian.h"

namespace {

std::vector<uint8_t> SmallForm(int n, double seed) {
  TCalibr cal;
  cal.Settings.SweepMode = 3;
  cal.Terms = new TCalRange(cmRO, 0, std::vector<double>(static_cast<size_t>(n), 100.0));
  cal.Terms->SetErrorTermA(0, 0, TComplex{seed, 0});
  cal.Method[0] = cmRO;
  std::vector<uint8_t> form;
  cal.WriteToStream(form);
  return form;
}

std::vector<uint8_t> GoodImage() {
  TEepromImage::THeader h;
  h.Revision = 3;
  h.Serial = 12345678;
  h.Temperature = 31.25;
  h.Date = "2026-01-02 03:04:05";
  return TEepromImage::Build(h, SmallForm(3, 1.0), SmallForm(2, 2.0));
}

// Parses and, on failure, checks that the outputs were not touched.
std::string ParseKeeping(const std::vector<uint8_t>& image) {
  TEepromImage::THeader header;
  header.Serial = 99;
  std::vector<uint8_t> a{1}, b{2};
  const std::string error = TEepromImage::Parse(image.data(), image.size(), header, a, b);
  if (!error.empty()) {
    EXPECT_EQ(99u, header.Serial);
    EXPECT_EQ(std::vector<uint8_t>{1}, a);
    EXPECT_EQ(std::vector<uint8_t>{2}, b);
  }
  return error;
}

TEST(EepromImageFuzz, AGoodImageParsesAndCarriesItsIdentity) {
  const std::vector<uint8_t> image = GoodImage();
  TEepromImage::THeader h;
  std::vector<uint8_t> a, b;
  ASSERT_EQ("", TEepromImage::Parse(image.data(), image.size(), h, a, b));
  EXPECT_EQ(SmallForm(3, 1.0), a);
  EXPECT_EQ(SmallForm(2, 2.0), b);
  EXPECT_EQ(12345678u, h.Serial);
  EXPECT_EQ(3, h.Revision);
  EXPECT_EQ(31.25, h.Temperature);
  EXPECT_EQ("2026-01-02 03:04:05", h.Date);
}

TEST(EepromImageFuzz, EveryTruncationAndEveryBitFlipIsRejected) {
  const std::vector<uint8_t> image = GoodImage();
  for (size_t n = 0; n < image.size(); ++n) {
    EXPECT_NE("", ParseKeeping(std::vector<uint8_t>(image.begin(), image.begin() + static_cast<ptrdiff_t>(n)))) << n;
  }
  // Every byte, the header's included, is under the checksum.
  for (size_t byte = 0; byte < image.size(); ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      std::vector<uint8_t> flipped = image;
      flipped[byte] ^= static_cast<uint8_t>(1u << bit);
      EXPECT_NE("", ParseKeeping(flipped)) << byte << "/" << bit;
    }
  }
}

TEST(EepromImageFuzz, AddressesAndLengthsThatCannotHold) {
  TEepromImage::THeader good;
  good.L1 = 200;
  good.A2 = 4149 + 200;
  good.L2 = 300;
  ASSERT_EQ("", TEepromImage::CheckHeader(good));
  struct Case {
    const char* what;
    int32_t A1, L1, A2, L2;
  };
  const Case cases[] = {
      {"L1 = 82", 4149, 82, 4149 + 82, 300},
      {"L2 = 82", 4149, 200, 4349, 82},
      {"negative L1", 4149, -200, 3949, 300},
      {"negative L2", 4149, 200, 4349, -1},
      {"A1 elsewhere", 4150, 200, 4350, 300},
      {"negative A1", -4149, 200, 4349, 300},
      {"A2 before A1 + L1", 4149, 200, 4348, 300},
      {"A2 after A1 + L1", 4149, 200, 4350, 300},
      {"A2 + L2 past the memory", 4149, 200, 4349, 0x40000 - 4349},
      {"CRC past the memory", 4149, 200, 4349, 0x40000 - 4349 - 3},
      {"L1 that wraps A2", 4149, INT32_MAX, static_cast<int32_t>(4149u + 0x7FFFFFFFu), 300},
      {"A2 + L2 that wrap", 4149, 200, 4349, INT32_MAX},
      {"the largest lengths", 4149, INT32_MAX, INT32_MAX, INT32_MAX},
      {"the smallest", INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
  };
  for (const Case& c : cases) {
    TEepromImage::THeader h = good;
    h.A1 = c.A1;
    h.L1 = c.L1;
    h.A2 = c.A2;
    h.L2 = c.L2;
    EXPECT_NE("", TEepromImage::CheckHeader(h)) << c.what;
    // As an image: the header and whatever follows; nothing is read past the bytes given.
    std::vector<uint8_t> image(4096, 0);
    TEepromImage::WriteHeader(h, image.data());
    EXPECT_NE("", ParseKeeping(image)) << c.what;
  }
  // The last image that fits ends with its checksum at 0x40000.
  TEepromImage::THeader edge = good;
  edge.L2 = 0x40000 - 4349 - 4;
  EXPECT_EQ("", TEepromImage::CheckHeader(edge));
  good.Marker = 0x54;
  EXPECT_NE("", TEepromImage::CheckHeader(good));
}

TEST(EepromImageFuzz, RandomImages) {
  std::mt19937 random(99);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> image(random() % 6000);
    for (uint8_t& b : image) b = static_cast<uint8_t>(random());
    if (image.size() >= TEepromImage::HeaderSize && round % 2 == 0) {
      // A believable header: the marker and the first address right, lengths small.
      TEepromImage::THeader h;
      h.L1 = 83 + static_cast<int32_t>(random() % 3000);
      h.A2 = 4149 + h.L1;
      h.L2 = 83 + static_cast<int32_t>(random() % 3000);
      TEepromImage::WriteHeader(h, image.data());
    }
    ParseKeeping(image);
  }
}

class EepromImageFuzzTransfer : public eepromtest::EepromFixture {};

// The same headers in the instrument's memory: the read stops after the header, both
// calibrations stay empty and the identity stays cleared.
TEST_F(EepromImageFuzzTransfer, HostileHeadersInTheMemory) {
  std::mt19937 random(3);
  for (int round = 0; round < 60; ++round) {
    TEepromImage::THeader h;
    h.Serial = 424242;
    const int32_t values[] = {-1, 0, 82, 83, 4149, 0x40000, INT32_MAX, INT32_MIN, static_cast<int32_t>(random())};
    h.L1 = values[random() % std::size(values)];
    h.A2 = round % 3 == 0 ? values[random() % std::size(values)] : static_cast<int32_t>(4149u + static_cast<uint32_t>(h.L1));
    h.L2 = values[random() % std::size(values)];
    if (TEepromImage::CheckHeader(h).empty()) continue;
    std::vector<uint8_t> bytes(TEepromImage::HeaderSize);
    TEepromImage::WriteHeader(h, bytes.data());
    emulator.Poke(4096, bytes);
    emulator.ClearLog();
    module->ReadEeprom();
    EXPECT_EQ(1u, emulator.MemoryRequests(TScanner::kReadMemoryRequest).size());
    EXPECT_TRUE(module->IsSystemCalibrationEmpty());
    EXPECT_EQ(0u, module->SerialNumber);
    EXPECT_FALSE(module->EepromBusy);
  }
  // A valid header over memory that holds no image: the checksum fails after the pages.
  TEepromImage::THeader h;
  h.L1 = 5000;
  h.A2 = 4149 + 5000;
  h.L2 = 5000;
  std::vector<uint8_t> bytes(TEepromImage::HeaderSize);
  TEepromImage::WriteHeader(h, bytes.data());
  emulator.Poke(4096, bytes);
  module->ReadEeprom();
  EXPECT_TRUE(module->IsSystemCalibrationEmpty());
  EXPECT_EQ(0u, module->SerialNumber);
}

}  // namespace
