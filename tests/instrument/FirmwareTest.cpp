#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "instrument/Firmware.h"
#include "model/ResourceRegistry.h"
#include "platform/Paths.h"
#include "platform/UsbTestBackend.h"

namespace {

std::string ImageText(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    s += "0x";
    s += digits[b >> 4];
    s += digits[b & 15];
    s += "\r\n";
  }
  return s;
}

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

// A fake instrument in loader state, installed for one test, with its control handle open.
struct Loader {
  usbtest::FakeUsbBackend fake;
  platform::ScopedUsbBackend scoped{fake};
  platform::EzusbHandle handle = platform::UsbBackend::kInvalidHandle;
  std::string ldr = platform::Paths::dataRoot() + "/blackfin.ldr";

  Loader() {
    fake.devices.push_back({{0x2226, 0x0018, 0x0100}, "loader"});
    platform::OpenEzusbDevice(handle, "Ezusb-0");
  }
  ~Loader() { std::filesystem::remove(ldr); }
  void writeLdr(const std::string& text) {
    std::ofstream out(ldr, std::ios::binary);
    out << text;
  }
};

}  // namespace

TEST(Firmware, LineParserTakesOneByteInHexAndNothingElse) {
  struct Case {
    const char* line;
    int expected;  // -1: rejected
  } cases[] = {
      {"0x01", 0x01}, {"0xAD", 0xAD}, {"0XaD", 0xAD}, {"0x5", 5}, {"  0xff\t", 0xFF}, {"0x00", 0},
      {"", -1},       {"0x", -1},     {"0x123", -1},  {"01", -1}, {"0xG1", -1},       {"x01", -1},
      {"0x 1", -1},   {"+0x1", -1},   {"0x1 2", -1},  {"0b01", -1}, {"0x-1", -1},     {"0x1\r", -1},
  };
  for (const Case& c : cases) {
    std::optional<uint8_t> got = ParseFirmwareLine(c.line);
    if (c.expected < 0) {
      EXPECT_FALSE(got.has_value()) << '"' << c.line << '"';
    } else {
      ASSERT_TRUE(got.has_value()) << '"' << c.line << '"';
      EXPECT_EQ(*got, c.expected) << '"' << c.line << '"';
    }
  }
}

TEST(Firmware, ImageTextSkipsBlankLinesAndNamesTheBadOne) {
  TFirmwareImage ok = ParseFirmwareText("0x01\r\n0x02\n\r\n  \n0x03\r0x04", "test");
  EXPECT_EQ(ok.Error, "");
  EXPECT_EQ(ok.Bytes, (std::vector<uint8_t>{1, 2, 3, 4}));

  TFirmwareImage bad = ParseFirmwareText("0x01\r\n0x02\r\n0xZZ\r\n0x04\r\n", "\"img\"");
  EXPECT_TRUE(bad.Bytes.empty());
  EXPECT_NE(bad.Error.find("line 3"), std::string::npos) << bad.Error;
  EXPECT_NE(bad.Error.find("\"img\""), std::string::npos) << bad.Error;
  EXPECT_NE(bad.Error.find("0xZZ"), std::string::npos) << bad.Error;

  EXPECT_NE(ParseFirmwareText("", "x").Error.find("empty"), std::string::npos);
  EXPECT_NE(ParseFirmwareText("\r\n \r\n", "x").Error.find("empty"), std::string::npos);
}

TEST(Firmware, ImageSizeIsLimitedBySixteenBitOffsets) {
  std::string exact;
  for (size_t i = 0; i < kFirmwareMaxImageSize; ++i) exact += "0x01\n";
  EXPECT_EQ(ParseFirmwareText(exact, "x").Bytes.size(), kFirmwareMaxImageSize);
  TFirmwareImage over = ParseFirmwareText(exact + "0x02\n", "x");
  EXPECT_TRUE(over.Bytes.empty());
  EXPECT_NE(over.Error.find("65535"), std::string::npos);
}

TEST(Firmware, ImageParserFuzz) {
  std::mt19937 rng(11);
  const std::string alphabet = "0xX0123456789abcdefABCDEFG \t\r\n";
  std::string good = ImageText(Pattern(300));
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    switch (round % 3) {
      case 0:  // truncated at any point
        text = good.substr(0, rng() % good.size());
        break;
      case 1: {  // random characters from the format's own alphabet
        size_t n = rng() % 200;
        for (size_t i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];
        break;
      }
      default: {  // random bytes
        size_t n = rng() % 200;
        for (size_t i = 0; i < n; ++i) text += static_cast<char>(rng());
      }
    }
    TFirmwareImage image = ParseFirmwareText(text, "fuzz");
    EXPECT_NE(image.Error.empty(), image.Bytes.empty()) << "either bytes or a reason";
    EXPECT_LE(image.Bytes.size(), kFirmwareMaxImageSize);
  }
}

TEST(Firmware, HexRecordParserChecksEveryField) {
  std::string error;
  std::optional<THexRecord> r = ParseHexRecord(":0300300002337A1E", &error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->Address, 0x0030);
  EXPECT_EQ(r->Type, 0);
  EXPECT_EQ(r->Data, (std::vector<uint8_t>{0x02, 0x33, 0x7A}));

  std::optional<THexRecord> eof = ParseHexRecord(":00000001FF");
  ASSERT_TRUE(eof);
  EXPECT_TRUE(eof->Data.empty());
  EXPECT_EQ(eof->Type, 1);

  std::string full = ":20000000";
  for (int i = 0; i < 32; ++i) full += "AB";
  EXPECT_TRUE(ParseHexRecord(full));  // 32 bytes: the most a record may carry

  const char* bad[] = {
      "0300300002337A1E",   // no ':'
      ":03003000",          // too short
      ":030030000233",      // shorter than its count (3 bytes need 6 digits)
      ":0G00300002337A1E",  // bad count digit
      ":03003Z0002337A1E",  // bad address digit
      ":030030000233ZA1E",  // bad data digit
      ":21000000",          // 33 data bytes
      ":FF000000",          // 255 data bytes
  };
  for (const char* line : bad) {
    EXPECT_FALSE(ParseHexRecord(line, &error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST(Firmware, HexRecordParserFuzz) {
  std::mt19937 rng(5);
  const std::string alphabet = ":0123456789ABCDEFabcdefXZ \t";
  std::string good = ":10010000214601360121470136007EFE09D2190140";
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    if (round % 2 == 0) {
      line = good.substr(0, rng() % (good.size() + 1));
    } else {
      size_t n = rng() % 90;
      for (size_t i = 0; i < n; ++i) line += alphabet[rng() % alphabet.size()];
    }
    std::optional<THexRecord> r = ParseHexRecord(line);
    if (r) {
      EXPECT_LE(r->Data.size(), kHexRecordMaxData);
      EXPECT_GE(line.size(), 9 + 2 * r->Data.size());
    }
  }
}

TEST(Firmware, ResourceImageGoesOutInChunksThenStarts) {
  Loader l;
  std::vector<uint8_t> image = Pattern(2500);
  RegisterResourceCopy("FwTestChunks", ImageText(image));
  TFirmwareResult r = LoadDspFirmware(l.handle, "FwTestChunks");
  ASSERT_TRUE(r.Ok) << r.Error;
  ASSERT_EQ(l.fake.vendorCalls.size(), 4u);
  const uint16_t values[] = {0, 1024, 2048};
  const uint16_t lengths[] = {1024, 1024, 452};
  std::vector<uint8_t> sent;
  for (int i = 0; i < 3; ++i) {
    const auto& c = l.fake.vendorCalls[static_cast<size_t>(i)];
    EXPECT_EQ(c.request, 8);
    EXPECT_FALSE(c.deviceToHost);
    EXPECT_EQ(c.value, values[i]);
    EXPECT_EQ(c.index, lengths[i]);
    EXPECT_EQ(c.length, lengths[i]);
    sent.insert(sent.end(), c.data.begin(), c.data.end());
  }
  EXPECT_EQ(sent, image);
  EXPECT_EQ(l.fake.vendorCalls[3].request, 10);
  EXPECT_EQ(l.fake.vendorCalls[3].length, 0);
  EXPECT_FALSE(l.fake.vendorCalls[3].hadBuffer);
}

TEST(Firmware, FileInTheDataRootReplacesTheResourceAndIsNotStarted) {
  Loader l;
  l.writeLdr(ImageText(Pattern(1500)));
  TFirmwareResult r = LoadDspFirmware(l.handle, "NoSuchFirmwareResource");
  ASSERT_TRUE(r.Ok) << r.Error;
  ASSERT_EQ(l.fake.vendorCalls.size(), 2u);
  EXPECT_EQ(l.fake.vendorCalls[0].request, 8);
  EXPECT_EQ(l.fake.vendorCalls[1].request, 8);
  EXPECT_EQ(l.fake.vendorCalls[1].value, 1024);
  EXPECT_EQ(l.fake.vendorCalls[1].index, 476);
}

// Only a regular file of at most 1 MB under that name is read; anything else in its place is
// refused with a message (never waited on), and neither it nor the built-in image is sent.
TEST(Firmware, AFileThatCannotBeAnImageIsRefusedUnread) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> make;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"300 MB", [](const std::string& path) { std::filesystem::resize_file(path, 300ull << 20); },
       "larger than 1 MB"},
      {"one byte over 1 MB", [](const std::string& path) { std::filesystem::resize_file(path, (1u << 20) + 1); },
       "larger than 1 MB"},
      {"FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "not a regular file"},
      {"folder", [](const std::string& path) { std::filesystem::create_directory(path); }, "folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loader l;
    RegisterResourceCopy("FwTestRefusedFile", ImageText(Pattern(10)));
    std::filesystem::remove_all(l.ldr);
    if (std::string(c.what).find("MB") != std::string::npos) l.writeLdr("");  // sparse once resized
    c.make(l.ldr);
    TFirmwareResult r = LoadDspFirmware(l.handle, "FwTestRefusedFile");
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Error.find(l.ldr), std::string::npos) << r.Error;
    EXPECT_NE(r.Error.find(c.reason), std::string::npos) << r.Error;
    EXPECT_TRUE(l.fake.vendorCalls.empty());
    std::filesystem::remove_all(l.ldr);
  }
}

TEST(Firmware, InvalidImageSendsNoRequest) {
  struct Case {
    const char* what;
    std::string text;
    bool asFile;
    const char* reason;
  } cases[] = {
      {"bad resource line", "0x01\r\n0x1G\r\n", false, "line 2"},
      {"bad file line", "0x01\r\n\r\n0x02\r\n0x\r\n", true, "line 4"},
      {"missing resource", "", false, "empty"},
      {"empty file", "", true, "empty"},
  };
  for (const Case& c : cases) {
    Loader l;
    std::string name = std::string("FwTestBad") + (c.asFile ? "" : c.what);
    if (c.asFile) {
      l.writeLdr(c.text);
    } else if (!c.text.empty()) {
      RegisterResourceCopy(name, c.text);
    }
    TFirmwareResult r = LoadDspFirmware(l.handle, name);
    EXPECT_FALSE(r.Ok) << c.what;
    EXPECT_NE(r.Error.find(c.reason), std::string::npos) << c.what << ": " << r.Error;
    EXPECT_TRUE(l.fake.vendorCalls.empty()) << c.what;
  }
}

TEST(Firmware, StandInIsRefusedOffTheEmulator) {
  std::string text = ImageText({'S', 'T', 'A', 'N', 'D', '-', 'I', 'N', 1, 2, 3});
  RegisterResourceCopy("FwTestStandIn", text);
  {
    Loader l;
    TFirmwareResult r = LoadDspFirmware(l.handle, "FwTestStandIn");
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Error.find("\"blackfin.ldr\""), std::string::npos) << r.Error;
    EXPECT_NE(r.Error.find(platform::Paths::dataRoot()), std::string::npos) << r.Error;
    EXPECT_TRUE(l.fake.vendorCalls.empty());
  }
  {
    Loader l;
    l.fake.emulator = true;
    EXPECT_TRUE(LoadDspFirmware(l.handle, "FwTestStandIn").Ok);
    EXPECT_EQ(l.fake.vendorCalls.size(), 2u);
  }
}

TEST(Firmware, RefusedChunkOrStartFailsTheUpload) {
  RegisterResourceCopy("FwTestRefused", ImageText(Pattern(3000)));
  {
    Loader l;
    l.fake.failVendor = 1;
    TFirmwareResult r = LoadDspFirmware(l.handle, "FwTestRefused");
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Error.find("byte 0"), std::string::npos) << r.Error;
    EXPECT_EQ(l.fake.vendorCalls.size(), 1u) << "nothing after the first refusal";
  }
  {
    Loader l;
    l.fake.vendorTimesOut = true;
    EXPECT_FALSE(LoadDspFirmware(l.handle, "FwTestRefused").Ok);
    EXPECT_EQ(l.fake.vendorCalls.size(), 1u);
  }
}

TEST(Firmware, EzImageIsDownloadedWhileThe8051IsHeld) {
  Loader l;
  RegisterResourceCopy("FwTestHex", ":0300300002337A1E\r\n:02010000AABB98\r\n:00000001FF\r\n");
  TFirmwareResult r = LoadEzFirmware(l.handle, "FwTestHex");
  ASSERT_TRUE(r.Ok) << r.Error;
  auto& calls = l.fake.anchorCalls;
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].address, 0xE600);
  EXPECT_EQ(calls[0].data, std::vector<uint8_t>{1});
  EXPECT_EQ(calls[1].address, 0x0030);
  EXPECT_EQ(calls[1].data, (std::vector<uint8_t>{0x02, 0x33, 0x7A}));
  EXPECT_EQ(calls[2].address, 0x0100);
  EXPECT_EQ(calls[3].address, 0x0000);  // the end-of-file record: an empty write at 0
  EXPECT_TRUE(calls[3].data.empty());
  EXPECT_EQ(calls[4].address, 0xE600);
  EXPECT_EQ(calls[4].data, std::vector<uint8_t>{0});
}

TEST(Firmware, EzImageEndsAtAShortLineAndRefusesBadOrEmptyImages) {
  {
    Loader l;
    RegisterResourceCopy("FwTestHexShort", ":0300300002337A1E\r\n:00\r\n:zzzz garbage after the end\r\n");
    EXPECT_TRUE(LoadEzFirmware(l.handle, "FwTestHexShort").Ok);
    EXPECT_EQ(l.fake.anchorCalls.size(), 3u);
  }
  struct Case {
    const char* name;
    const char* text;
    const char* reason;
  } cases[] = {
      {"FwTestHexBad", ":0300300002337A1E\r\n:0300300002Z37A1E\r\n", "line 2"},
      {"FwTestHexLong", ":21000000AABBCCDD\r\n", "line 1"},
      {"FwTestHexNoData", ":00000001FF\r\n", "no data"},
      {"FwTestHexMissing", nullptr, "no data"},
  };
  for (const Case& c : cases) {
    Loader l;
    if (c.text) RegisterResourceCopy(c.name, c.text);
    TFirmwareResult r = LoadEzFirmware(l.handle, c.name);
    EXPECT_FALSE(r.Ok) << c.name;
    EXPECT_NE(r.Error.find(c.reason), std::string::npos) << c.name << ": " << r.Error;
    EXPECT_TRUE(l.fake.anchorCalls.empty()) << c.name;
  }
}
