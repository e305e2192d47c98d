#pragma once
// The standard CRC-32 (zlib, PNG, Ethernet: reflected polynomial 0xEDB88320, inverted in and
// out) that protects every binary calibration image the program writes.
#include <array>
#include <cstddef>
#include <cstdint>

// Continues a CRC-32 over length bytes of buffer from the previous result crc; start with 0.
// Feeding a block in pieces gives the value of the whole block. A null buffer returns 0
// whatever crc is; a length of 0 returns crc unchanged.
uint32_t UpdateCrc32(uint32_t crc, const void* buffer, size_t length);

// The 256-entry table of the byte-wise algorithm, built from the polynomial's exponents. The
// update itself runs in zlib; the table documents and checks the polynomial.
std::array<uint32_t, 256> BuildCrc32Table();
