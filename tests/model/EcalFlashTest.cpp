// The module's flash layout: codes, texts, addresses, and whole images of both models written
// and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "model/Crc32.h"
#include "model/EcalFlash.h"
#include "model/EcalFlashSample.h"
#include "model/LittleEndian.h"

namespace {

using namespace ecal;

TEST(EcalFlash, SignedTwentyFourBitCodes) {
  struct Case {
    uint8_t b0, b1, b2;
    int32_t value;
  };
  const Case cases[] = {{0xFF, 0xFF, 0x7F, 8388607},  {0x00, 0x00, 0x80, -8388608}, {0xFF, 0xFF, 0xFF, -1},
                        {0x00, 0x00, 0x00, 0},        {0x01, 0x00, 0x00, 1},        {0x56, 0x34, 0x12, 0x123456}};
  for (const Case& c : cases) {
    const uint8_t bytes[3] = {c.b0, c.b1, c.b2};
    EXPECT_EQ(GetI24(bytes), c.value);
    uint8_t back[3] = {};
    PutI24(back, c.value);
    EXPECT_EQ(back[0], c.b0);
    EXPECT_EQ(back[1], c.b1);
    EXPECT_EQ(back[2], c.b2);
  }
  uint8_t clamped[3];
  PutI24(clamped, 9000000);
  EXPECT_EQ(GetI24(clamped), 8388607);
  PutI24(clamped, -9000000);
  EXPECT_EQ(GetI24(clamped), -8388608);
}

TEST(EcalFlash, AreaAddresses) {
  uint32_t a = 0;
  uint64_t limit = 0;
  const uint32_t expected[4] = {128, 1048576, 1223338, 1398100};
  for (int n = 0; n < 4; ++n) {
    ASSERT_TRUE(CharacterizationAddress(n, a));
    EXPECT_EQ(a, expected[n]);
    ASSERT_TRUE(CharacterizationLimit(n, limit));
    EXPECT_EQ(limit, n == 0 ? 400000u : expected[n] + 174762u);
  }
  EXPECT_FALSE(CharacterizationAddress(4, a));
  EXPECT_FALSE(CharacterizationAddress(-1, a));
}

TEST(EcalFlash, SerialTakenOnlyWhenAllLettersOrDigits) {
  struct Case {
    const char* bytes;  // 8 bytes
    const char* serial;
  };
  const Case cases[] = {{"DEMO0001", "DEMO0001"}, {"abcXYZ09", "abcXYZ09"}, {"DEMO 001", "00000000"},
                        {"DEMO\0" "001", "00000000"}, {"DEMO-001", "00000000"}, {"DEMO\xC3\xA9" "01", "00000000"}};
  for (const Case& c : cases) {
    uint8_t header[kHeaderSize] = {};
    std::memcpy(header + 64, c.bytes, 8);
    header[72] = 1;
    const THeader h = ParseHeader(header);
    EXPECT_EQ(h.Serial, c.serial);
    EXPECT_EQ(h.Model, 1) << "the model code is taken whatever the serial";
  }
}

TEST(EcalFlash, DescriptorTextsStopAtTheirFieldOrNul) {
  uint8_t p[kDescriptorSize];
  TDescriptor d = ClearedDescriptor();
  d.Date = "2026-12-11";
  d.Location = "Bench 7";
  d.AdapterA = std::string(40, 'x');  // cut to the field, with room for its NUL
  WriteDescriptor(p, d);
  TDescriptor back = ParseDescriptor(p);
  EXPECT_EQ(back.Date, "2026-12-11");
  EXPECT_EQ(back.Location, "Bench 7");
  EXPECT_EQ(back.AdapterA, std::string(19, 'x'));
  EXPECT_EQ(back.ConnectorA, -1);
  EXPECT_EQ(back.Reserved2, -1);

  // Fields full to their end without a NUL: each is read to its end and not into the next.
  std::memset(p, 'A', 12);
  std::memset(p + 12, 'B', 10);
  std::memcpy(p + 118, "\xCF\xF0\xE8\xE2\xE5\xF2", 6);  // Windows-1251, not valid UTF-8
  std::memset(p + 124, 0, 14);
  std::memset(p + 138, 'C', 20);
  back = ParseDescriptor(p);
  EXPECT_EQ(back.Date, std::string(12, 'A'));
  EXPECT_EQ(back.Time, std::string(10, 'B'));
  EXPECT_EQ(back.AdapterA, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
  EXPECT_EQ(back.AdapterB, std::string(20, 'C'));
}

TEST(EcalFlash, ClearedDescriptorBytes) {
  uint8_t p[kDescriptorSize];
  WriteDescriptor(p, ClearedDescriptor());
  for (size_t i = 0; i < kDescriptorSize; ++i) {
    const bool minusOne = i >= 110 && i < 118;
    EXPECT_EQ(p[i], minusOne ? 0xFF : 0x00) << i;
  }
}

// Each model's image written from values and read back: every slot in its place within one
// code step, the thermal tables too.
TEST(EcalFlash, ImagesOfBothModelsReadBackWithinOneCodeStep) {
  for (int model : {0, 1}) {
    const TImageSpec spec = SampleSpec(model, 37, 1);
    const std::vector<uint8_t> image = WriteImage(spec);
    THeader header;
    TCharacterizationImage read;
    std::string why;
    ASSERT_TRUE(ReadCharacterization(image, 0, header, read, why)) << why;
    EXPECT_EQ(header.Serial, "TEST0042");
    EXPECT_EQ(header.Model, model);
    EXPECT_EQ(read.Descriptor.Points, 37u);
    EXPECT_EQ(read.Descriptor.Temperature, 25.0);
    const std::array<std::vector<TComplex>, kSlotCount> values = SampleValues(37, 1);
    for (int b = 0; b < BlockCount(model); ++b) {
      const size_t slot = static_cast<size_t>(kBlockOrder[static_cast<size_t>(b)]);
      const std::vector<TComplex> decoded = DecodeBlock(read.Blocks[slot]);
      ASSERT_EQ(decoded.size(), 37u);
      const double levelStep = LevelStep(read.Blocks[slot]);
      for (size_t i = 0; i < decoded.size(); ++i) {
        const TComplex& want = values[slot][i];
        EXPECT_NEAR(20 * std::log10(Abs(decoded[i])), 20 * std::log10(Abs(want)), levelStep) << slot << " " << i;
        EXPECT_NEAR(std::remainder(Arg(decoded[i]) - Arg(want), 2 * std::numbers::pi), 0.0, PhaseStep());
      }
    }
    // Slots a model does not store stay empty.
    if (model == 0) {
      EXPECT_TRUE(read.Blocks[14].Magnitude.empty());
    }

    TThermalHeader th;
    std::vector<TThermalCodes> tables;
    ASSERT_TRUE(ReadThermal(image, model, th, tables, why)) << why;
    ASSERT_EQ(tables.size(), static_cast<size_t>(ThermalTableCount(model)));
    for (size_t t = 0; t < tables.size(); ++t) {
      const std::vector<double> want = SampleThermal(th.Points, static_cast<int>(t));
      const std::vector<double> got = DecodeThermal(tables[t]);
      const double step = std::abs((tables[t].Max - tables[t].Min) * 0.01) / 65535.0;
      for (size_t j = 0; j < want.size(); ++j) EXPECT_NEAR(got[j], want[j], step) << t << " " << j;
    }
    // The user areas are erased.
    EXPECT_FALSE(ReadCharacterization(image, 1, header, read, why));
  }
}

TEST(EcalFlash, EncodedCodesWriteTheSameBytesBack) {
  const TImageSpec spec = SampleSpec(1, 5, 2);
  const std::vector<uint8_t> image = WriteImage(spec);
  THeader header;
  TCharacterizationImage read;
  std::string why;
  ASSERT_TRUE(ReadCharacterization(image, 0, header, read, why));
  TImageSpec again = spec;
  again.Characterizations[0] = read;
  EXPECT_EQ(WriteImage(again), image);
}

TEST(EcalFlash, ThermalCorrectionMovesLevelAndPhase) {
  const std::vector<double> tm = {0.01, 0.03};  // dB per degree, 100 to 300 MHz
  const std::vector<double> tp = {-0.2, 0.2};   // degrees per degree
  const TComplex g = Polar(0.5, 0.3);
  const TComplex c = ThermalCorrect(g, 10.5, tm, tp, 200.0, 100.0, 300.0);
  EXPECT_NEAR(20 * std::log10(Abs(c)), 20 * std::log10(0.5) + 10.5 * 0.02, 1e-12);
  EXPECT_NEAR(Arg(c), 0.3, 1e-12);
  const TComplex low = ThermalCorrect(g, -2, tm, tp, 50.0, 100.0, 300.0);
  EXPECT_NEAR(20 * std::log10(Abs(low)), 20 * std::log10(0.5) - 0.02, 1e-12);
  EXPECT_NEAR(Arg(low), 0.3 + 0.4 * std::numbers::pi / 180, 1e-12);
}

}  // namespace
