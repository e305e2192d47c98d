// Hostile bytes for the binary calibration reader (files, factory files, "CalData", the memory
// image all come through it): every prefix, every single bit flipped (with and without the
// checksums recomputed), point and segment counts at and past their limits, random bytes and a
// text file. Wherever nothing loads, the calibration stays exactly as it was and no event fires.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calibration/CalibrationFormSupport.h"

namespace {

using Status = TCalibrationForm::TStatus;

// The reader's verdict on bytes, checked against the untouched calibration when it rejects.
class FormProbe {
 public:
  FormProbe() {
    calform::FillSample(Cal);
    Cal.Terms->SetErrorTermB(1, 2, TComplex{-3, 4});
    Cal.Segments.resize(1);
    Before = calform::Take(Cal);
    Cal.OnChange = [this](TFObject*) { ++Changes; };
  }
  TCalibrationForm::TResult Read(const std::vector<uint8_t>& bytes) {
    const int changesBefore = Changes;
    TCalibrationForm::TResult r = Cal.ReadFromStream(bytes);
    if (r.Status == Status::Rejected) {
      EXPECT_FALSE(r.Reason.empty());
      EXPECT_EQ(changesBefore, Changes);
      EXPECT_TRUE(Before == calform::Take(Cal)) << "changed by a rejected form of " << bytes.size() << " bytes";
    } else {
      EXPECT_EQ(changesBefore + 1, Changes);
      EXPECT_NE(nullptr, Cal.Terms);
      Restore();
    }
    return r;
  }
  void Restore() {
    calform::FillSample(Cal);
    Cal.Terms->SetErrorTermB(1, 2, TComplex{-3, 4});
    Cal.Segments.resize(1);
    Cal.WriteToStream(Scratch);
  }

  TCalibr Cal;
  calform::Snapshot Before;
  std::vector<uint8_t> Scratch;
  int Changes = 0;
};

const char* const kGoldens[] = {"calform_v2.bin", "calform_v1.bin", "calform_grid.bin"};

TEST(CalibrationFormFuzz, EveryPrefixOfEveryForm) {
  for (const char* name : kGoldens) {
    const std::vector<uint8_t> whole = calform::ReadGolden(name);
    ASSERT_FALSE(whole.empty()) << name;
    const size_t terms = TCalibrationForm::SizeWithoutExtension(3);
    FormProbe probe;
    for (size_t n = 0; n <= whole.size(); ++n) {
      const std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
      const TCalibrationForm::TResult r = probe.Read(prefix);
      const bool grid = std::string(name) == "calform_grid.bin";
      const Status expected = n < terms ? Status::Rejected
                              : (n == whole.size() || grid) ? Status::Loaded
                                                            : Status::LoadedWithoutExtension;
      ASSERT_EQ(expected, r.Status) << name << " prefix " << n;
    }
  }
}

// Every bit of the header, the records and the first checksum is covered by that checksum;
// every bit after it by the extension's.
TEST(CalibrationFormFuzz, EverySingleBitFlip) {
  for (const char* name : kGoldens) {
    const std::vector<uint8_t> whole = calform::ReadGolden(name);
    const size_t terms = TCalibrationForm::SizeWithoutExtension(3);
    const bool grid = std::string(name) == "calform_grid.bin";
    FormProbe probe;
    for (size_t byte = 0; byte < whole.size(); ++byte) {
      for (int bit = 0; bit < 8; ++bit) {
        std::vector<uint8_t> form = whole;
        form[byte] ^= static_cast<uint8_t>(1u << bit);
        const Status expected = byte < terms ? Status::Rejected : grid ? Status::Loaded : Status::LoadedWithoutExtension;
        ASSERT_EQ(expected, probe.Read(form).Status) << name << " byte " << byte << " bit " << bit;
      }
    }
  }
}

// With the checksums recomputed a flip reaches the parser's own checks: counts, lengths,
// non-finite numbers. Whatever the verdict, nothing breaks and a rejection changes nothing.
TEST(CalibrationFormFuzz, BitFlipsWithTheChecksumsRecomputed) {
  for (const char* name : kGoldens) {
    const std::vector<uint8_t> whole = calform::ReadGolden(name);
    const size_t crc1 = TCalibrationForm::SizeWithoutExtension(3) - 4;
    FormProbe probe;
    for (size_t byte = 0; byte < whole.size(); ++byte) {
      if (byte >= crc1 && byte < crc1 + 4) continue;
      if (byte + 4 >= whole.size()) continue;
      for (int bit = 0; bit < 8; ++bit) {
        std::vector<uint8_t> form = whole;
        form[byte] ^= static_cast<uint8_t>(1u << bit);
        calform::Reseal(form, crc1);
        calform::Reseal(form, form.size() - 4);
        probe.Read(form);
      }
    }
  }
}

TEST(CalibrationFormFuzz, PointCountsOutOfRange) {
  const std::vector<uint8_t> whole = calform::ReadGolden("calform_v2.bin");
  FormProbe probe;
  for (int32_t n : {0, -1, 16002, 2147483647, static_cast<int32_t>(0x80000000u), 4}) {
    std::vector<uint8_t> form = whole;
    le::PutI32(form.data() + 78, n);
    const TCalibrationForm::TResult r = probe.Read(form);
    EXPECT_EQ(Status::Rejected, r.Status) << n;
    EXPECT_EQ(n == 0, r.NoTerms) << n;
  }
  // 16001 records are allowed, but these bytes are far too short for them.
  std::vector<uint8_t> form = whole;
  le::PutI32(form.data() + 78, 16001);
  EXPECT_NE(std::string::npos, probe.Read(form).Reason.find("truncated"));
}

TEST(CalibrationFormFuzz, SegmentCountsOutOfRangeDropOnlyTheExtension) {
  const std::vector<uint8_t> v2 = calform::ReadGolden("calform_v2.bin");
  const std::vector<uint8_t> v1 = calform::ReadGolden("calform_v1.bin");
  const size_t e = TCalibrationForm::SizeWithoutExtension(3);
  FormProbe probe;
  for (int32_t s : {-1, 16002, 2147483647, static_cast<int32_t>(0x80000000u), 3, 1000}) {
    std::vector<uint8_t> a = v2;
    le::PutI32(a.data() + e + 4 + 148, s);
    calform::Reseal(a, a.size() - 4);
    EXPECT_EQ(Status::LoadedWithoutExtension, probe.Read(a).Status) << s;
    std::vector<uint8_t> b = v1;
    le::PutI32(b.data() + e + 212, s);
    calform::Reseal(b, b.size() - 4);
    EXPECT_EQ(Status::LoadedWithoutExtension, probe.Read(b).Status) << s;
  }
}

TEST(CalibrationFormFuzz, NonFiniteValues) {
  const std::vector<uint8_t> whole = calform::ReadGolden("calform_v2.bin");
  const size_t crc1 = TCalibrationForm::SizeWithoutExtension(3) - 4;
  const size_t e = crc1 + 4;
  FormProbe probe;
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    // A frequency or a term: the form is rejected.
    for (size_t at : {size_t{82}, size_t{82 + 136 + 8}, size_t{82 + 2 * 136 + 128}}) {
      std::vector<uint8_t> form = whole;
      le::PutF64(form.data() + at, bad);
      calform::Reseal(form, crc1);
      calform::Reseal(form, form.size() - 4);
      EXPECT_EQ(Status::Rejected, probe.Read(form).Status) << at;
    }
    // A stimulus or segment value: the extension is dropped.
    for (size_t at : {e + 4 + 8, e + 4 + 136, e + TCalibrationForm::V2HeaderSize + 40 + 32}) {
      std::vector<uint8_t> form = whole;
      le::PutF64(form.data() + at, bad);
      calform::Reseal(form, form.size() - 4);
      EXPECT_EQ(Status::LoadedWithoutExtension, probe.Read(form).Status) << at;
    }
  }
}

TEST(CalibrationFormFuzz, RandomBytesAndRandomTails) {
  std::mt19937 random(20261210);
  FormProbe probe;
  const std::vector<uint8_t> whole = calform::ReadGolden("calform_v2.bin");
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes(random() % 2000);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    if (round % 2 == 1 && bytes.size() > 82) {
      // A believable header with a small count, so the reader gets as far as the checksum.
      le::PutI32(bytes.data() + 78, static_cast<int32_t>(random() % 5));
    }
    if (round % 3 == 2) {
      // The good terms, then random extension bytes, with the extension's checksum made right.
      bytes.insert(bytes.begin(), whole.begin(), whole.begin() + static_cast<ptrdiff_t>(TCalibrationForm::SizeWithoutExtension(3)));
      if (bytes.size() >= TCalibrationForm::SizeWithoutExtension(3) + 4) {
        le::PutI32(bytes.data() + TCalibrationForm::SizeWithoutExtension(3), 1 + static_cast<int32_t>(random() % 2));
      }
      calform::Reseal(bytes, bytes.size() - 4);
      EXPECT_NE(Status::Rejected, probe.Read(bytes).Status);
      continue;
    }
    probe.Read(bytes);
  }
}

TEST(CalibrationFormFuzz, ATextFileIsNamedAsSuch) {
  FormProbe probe;
  for (const std::string& text :
       {std::string("[Channel0\\Correction\\11]\r\nCorName=F1\r\n") + std::string(200, ' '),
        std::string("\xEF\xBB\xBF[System\\Correction\\11]\r\n"), std::string("\xFF\xFE[\0S\0", 6)}) {
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    const TCalibrationForm::TResult r = probe.Read(bytes);
    EXPECT_EQ(Status::Rejected, r.Status);
    EXPECT_NE(std::string::npos, r.Reason.find("text file")) << r.Reason;
  }
}

}  // namespace
