#pragma once
// Field-by-field little-endian encoding of the binary records that files and the instrument's
// memory keep (calibration records, point data). Records are never copied as structs: their
// byte layout is fixed whatever the compiler does with padding or byte order.
#include <bit>
#include <cstdint>
#include <cstring>

namespace le {

inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutU64(uint8_t* p, uint64_t v) {
  PutU32(p, static_cast<uint32_t>(v));
  PutU32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline uint64_t GetU64(const uint8_t* p) {
  return static_cast<uint64_t>(GetU32(p)) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
}

inline void PutI32(uint8_t* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
inline int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }

inline void PutF64(uint8_t* p, double v) { PutU64(p, std::bit_cast<uint64_t>(v)); }
inline double GetF64(const uint8_t* p) { return std::bit_cast<double>(GetU64(p)); }

inline void PutF32(uint8_t* p, float v) { PutU32(p, std::bit_cast<uint32_t>(v)); }
inline float GetF32(const uint8_t* p) { return std::bit_cast<float>(GetU32(p)); }

}  // namespace le
