#pragma once
// The image of the instrument's non-volatile memory that holds its identity and its two system
// calibrations, from address 4096:
//
//   4096  53-byte header: marker 0x55, revision, serial, temperature, date text (20 bytes),
//         A1 = 4149, L1, A2 = A1 + L1, L2
//   A1    L1 bytes: binary form of the normal-power system calibration
//   A2    L2 bytes: binary form of the low-power system calibration
//   A2+L2 CRC-32 of every byte from 4096 up to A2 + L2 - 1
//
// Everything, the CRC included, ends at or below 0x40000. This unit only encodes and checks;
// the transfers are the calibration module's. Every check runs in 64-bit arithmetic, so any
// header and any image are safe to hand it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TEepromImage {
 public:
  static constexpr uint32_t BaseAddress = 4096;
  static constexpr uint32_t HeaderSize = 53;
  static constexpr uint32_t FirstFormAddress = BaseAddress + HeaderSize;  // 4149
  static constexpr uint32_t MemoryEnd = 0x40000;
  static constexpr uint32_t PageSize = 4096;
  static constexpr uint8_t Marker = 0x55;
  // A form is longer than its bare header.
  static constexpr int32_t MinFormLength = 83;

  struct THeader {
    uint8_t Marker = TEepromImage::Marker;
    int32_t Revision = 0;
    uint32_t Serial = 0;
    double Temperature = 0.0;
    std::string Date;  // UTF-8, at most 19 bytes stored
    int32_t A1 = FirstFormAddress;
    int32_t L1 = 0;
    int32_t A2 = 0;
    int32_t L2 = 0;
  };

  // The 53 header bytes.
  static void WriteHeader(const THeader& header, uint8_t* out);
  static THeader ReadHeader(const uint8_t* in);
  // Empty when the header describes a valid image; else why not.
  static std::string CheckHeader(const THeader& header);

  // The whole image from address 4096: header (A1, L1, A2, L2 set from the forms), both forms and
  // the CRC. Its end address is BaseAddress + size, which may lie past MemoryEnd (the caller
  // refuses to write such an image).
  static std::vector<uint8_t> Build(THeader header, const std::vector<uint8_t>& form1, const std::vector<uint8_t>& form2);

  // The address of the CRC of a valid header (A2 + L2).
  static uint64_t CrcAddress(const THeader& header) {
    return static_cast<uint64_t>(static_cast<int64_t>(header.A2)) + static_cast<uint64_t>(static_cast<int64_t>(header.L2));
  }

  // Checks an image read from address 4096 (up to its CRC included) and cuts out both forms.
  // Empty when it is good; else why not, and the outputs are not touched.
  static std::string Parse(const uint8_t* image, size_t size, THeader& header, std::vector<uint8_t>& form1,
                           std::vector<uint8_t>& form2);

  // Page n of an image that ends (exclusive) at end: its address and length. PageCount pages.
  static uint64_t PageCount(uint64_t end) { return end <= BaseAddress ? 0 : (end - BaseAddress + PageSize - 1) / PageSize; }
  // (P - 4096) x 100 / (end - 4096) in integers.
  static int Percent(uint64_t pageAddress, uint64_t end);
};
