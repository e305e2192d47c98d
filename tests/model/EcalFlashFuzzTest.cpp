// Hostile module images: every prefix, every bit of the header and descriptor flipped, fields
// rewritten with their CRC made good again (point counts, table sizes, frequencies), random
// bytes. Each read ends in a clear failure or in values the checks allow, never past a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "model/Crc32.h"
#include "model/EcalFlash.h"
#include "model/EcalFlashSample.h"
#include "model/LittleEndian.h"

namespace {

using namespace ecal;

bool Read(const std::vector<uint8_t>& image, std::string& why, TCharacterizationImage* out = nullptr) {
  THeader header;
  TCharacterizationImage read;
  const bool ok = ReadCharacterization(image, 0, header, read, why);
  if (out) *out = read;
  if (!ok) {
    EXPECT_FALSE(why.empty());
  } else {
    for (int b = 0; b < BlockCount(header.Model); ++b)
      EXPECT_EQ(read.Blocks[static_cast<size_t>(kBlockOrder[static_cast<size_t>(b)])].Magnitude.size(),
                read.Descriptor.Points);
  }
  return ok;
}

// The descriptor rewritten by change, its CRC made good again.
std::vector<uint8_t> WithDescriptor(std::vector<uint8_t> image, const std::function<void(uint8_t*)>& change) {
  uint8_t* d = image.data() + kFactoryAddress;
  change(d);
  SealBlock(d, kDescriptorSize);
  return image;
}

std::vector<uint8_t> WithThermalHeader(std::vector<uint8_t> image, const std::function<void(uint8_t*)>& change) {
  uint8_t* h = image.data() + kThermalAddress;
  change(h);
  SealBlock(h, kThermalHeaderSize);
  return image;
}

TEST(EcalFlashFuzz, EveryPrefixFails) {
  const std::vector<uint8_t> image = WriteImage(SampleSpec(1, 3, 0));
  std::string why;
  ASSERT_TRUE(Read(image, why));
  // The flash past a short image reads erased: the last CRC no longer matches.
  const size_t end = kFactoryAddress + kDescriptorSize + 4 + 18 * (BlockSize(3) + 4);
  for (size_t cut = 0; cut < end; ++cut) {
    std::vector<uint8_t> prefix(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(Read(prefix, why)) << cut;
  }
}

TEST(EcalFlashFuzz, EveryBitFlipFails) {
  const std::vector<uint8_t> image = WriteImage(SampleSpec(0, 2, 0));
  const size_t end = kFactoryAddress + kDescriptorSize + 4 + 14 * (BlockSize(2) + 4);
  std::string why;
  for (size_t byte = 0; byte < end; ++byte) {
    if (byte >= kHeaderSize + 4 && byte < kFactoryAddress) continue;  // the gap is not read
    for (int bit = 0; bit < 8; ++bit) {
      std::vector<uint8_t> bad = image;
      bad[byte] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_FALSE(Read(bad, why)) << byte << ":" << bit;
    }
  }
}

TEST(EcalFlashFuzz, PointCountsWithGoodCrc) {
  const std::vector<uint8_t> image = WriteImage(SampleSpec(1, 3, 0));
  struct Case {
    uint32_t n;
    bool ok;
  };
  // n = 0 and 1 read (empty or one-point blocks); a count whose blocks leave the area fails
  // before anything is read or allocated.
  const Case cases[] = {{0, true}, {1, true}, {2, true}, {3, true}, {4, false}, {0xFFFFFFFFu, false},
                        {0x80000000u, false}, {0x2AAAAAABu, false}};
  for (const Case& c : cases) {
    std::vector<uint8_t> bad = WithDescriptor(image, [&](uint8_t* d) { le::PutU32(d + 98, c.n); });
    if (c.ok) {
      // Real blocks of that size, so that their CRCs match.
      TImageSpec spec = SampleSpec(1, c.n, 0);
      bad = WriteImage(spec);
    }
    std::string why;
    EXPECT_EQ(Read(bad, why), c.ok) << c.n << " " << why;
  }
  // The largest count whose blocks fit the factory area.
  const uint64_t room = 400000 - kFactoryAddress - kDescriptorSize - 4;
  const uint32_t most = static_cast<uint32_t>((room / 18 - 8) / 6);
  TDescriptor d = ClearedDescriptor();
  d.Points = most;
  d.FirstFrequency = 1e6;
  d.LastFrequency = 2e6;
  EXPECT_EQ(CheckExtent(d, 0, 1), "");
  d.Points = most + 1;
  EXPECT_NE(CheckExtent(d, 0, 1), "");
  d.Points = static_cast<uint32_t>(((174762 - kDescriptorSize - 4) / 14 - 8) / 6);
  EXPECT_EQ(CheckExtent(d, 3, 0), "");
  EXPECT_NE(CheckExtent(d, 3, 1), "");
}

TEST(EcalFlashFuzz, FrequenciesWithGoodCrc) {
  const std::vector<uint8_t> image = WriteImage(SampleSpec(1, 3, 0));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double f1, f2;
    bool ok;
  };
  const Case cases[] = {{1e6, 2e6, true}, {2e6, 1e6, false}, {1e6, 1e6, false}, {nan, 2e6, false},
                        {1e6, nan, false}, {-inf, 2e6, false}, {1e6, inf, false}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> bad = WithDescriptor(image, [&](uint8_t* d) {
      le::PutF64(d + 82, c.f1);
      le::PutF64(d + 90, c.f2);
    });
    std::string why;
    EXPECT_EQ(Read(bad, why), c.ok) << c.f1 << " " << c.f2;
  }
}

TEST(EcalFlashFuzz, ThermalHeadersWithGoodCrc) {
  const std::vector<uint8_t> image = WriteImage(SampleSpec(1, 3, 0));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    int32_t k;
    double f1;
    bool ok;
  };
  const Case cases[] = {{11, 10e6, true}, {-1, 10e6, false}, {0, 10e6, false}, {2147483647, 10e6, false},
                        {-2147483647 - 1, 10e6, false}, {12, 10e6, false}, {11, nan, false}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> bad = WithThermalHeader(image, [&](uint8_t* h) {
      le::PutI32(h + 38, c.k);
      le::PutF64(h + 22, c.f1);
    });
    TThermalHeader th;
    std::vector<TThermalCodes> tables;
    std::string why;
    EXPECT_EQ(ReadThermal(bad, 1, th, tables, why), c.ok) << c.k;
    if (!c.ok) {
      EXPECT_FALSE(why.empty());
    }
  }
  TThermalHeader h{1e6, 2e6, 0};
  h.Points = static_cast<int32_t>((1048576 - 400000 - 80 - 18 * 8) / 36);
  EXPECT_EQ(CheckThermal(h, 1), "");
  h.Points += 1;
  EXPECT_NE(CheckThermal(h, 1), "");
}

TEST(EcalFlashFuzz, RandomBytesAndRandomFieldsWithGoodCrc) {
  std::mt19937 random(7);
  std::string why;
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> noise(1 + random() % 4000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    EXPECT_FALSE(Read(noise, why));
  }
  const std::vector<uint8_t> image = WriteImage(SampleSpec(1, 3, 0));
  for (int round = 0; round < 2000; ++round) {
    // Random bytes anywhere in the header and descriptor, both CRCs made good: whatever the
    // fields say, the read ends cleanly.
    std::vector<uint8_t> bad = image;
    for (int k = 0; k < 4; ++k) {
      const size_t at = random() % 2 ? random() % kHeaderSize : kFactoryAddress + random() % kDescriptorSize;
      bad[at] = static_cast<uint8_t>(random());
    }
    SealBlock(bad.data(), kHeaderSize);
    SealBlock(bad.data() + kFactoryAddress, kDescriptorSize);
    Read(bad, why);
  }
}

}  // namespace
