#pragma once
// One 32-byte reply record of the measurement protocol, as the in pipe carries it: a 16-bit code
// at offset 0 and a payload. Point results carry the two receiver readings as little-endian
// 32-bit floats; the instrument also sends end-of-list, temperature and sync-echo records on its
// own. Records are read and written field by field; a decoder never looks past the record's 32
// bytes, and a code the program does not know is passed on for the caller to ignore.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "model/Complex.h"

class TCmdReply {
 public:
  static constexpr size_t Size = 32;
  using TBytes = std::array<uint8_t, Size>;

  // Codes below the channel's point count are point results.
  static constexpr uint16_t EndCode = 0xFFFF;          // end of the list reached
  static constexpr uint16_t TemperatureCode = 0xFFF4;  // sent by the instrument on its own
  static constexpr uint16_t SyncEchoCode = 0xFFFB;     // echo of a sync marker

  // The stored temperature before the first reading, degrees C.
  static constexpr double UnsetTemperature = -100.0;

  enum class TKind { Point, End, Temperature, SyncEcho, Other };

  // All zeros.
  TCmdReply() = default;
  explicit TCmdReply(uint16_t code) { SetCode(code); }

  // ---- Raw fields (a field outside the record is ignored when written and reads as 0) --------
  uint16_t GetCode() const { return GetU16(0); }
  void SetCode(uint16_t code) { SetU16(0, code); }
  uint8_t GetByte(size_t offset) const { return offset < Size ? Bytes_[offset] : 0; }
  void SetByte(size_t offset, uint8_t value) {
    if (offset < Size) Bytes_[offset] = value;
  }
  uint16_t GetU16(size_t offset) const;
  void SetU16(size_t offset, uint16_t value);
  float GetF32(size_t offset) const;
  void SetF32(size_t offset, float value);

  const TBytes& Bytes() const { return Bytes_; }
  void WriteTo(uint8_t* out) const;
  // The record held in the 32 bytes at in.
  static TCmdReply ReadFrom(const uint8_t* in);
  // The record at the start of a buffer of size bytes: none when fewer than 32 bytes are given;
  // bytes beyond the first 32 are not read.
  static std::optional<TCmdReply> FromBytes(const uint8_t* data, size_t size);

  // What the record is for a channel of pointCount points: temperature and sync echo first,
  // then the end record, then a point result when the code is below pointCount; anything else
  // (an unknown code, or a point the channel does not have) is Other.
  TKind Classify(uint32_t pointCount) const;

  // ---- Encoders (the emulator, tests) --------------------------------------------------------
  // A point result: receiver 0 (the measured wave) and receiver 2 (the reference wave), each
  // stored as two 32-bit floats.
  static TCmdReply Point(uint16_t index, const TComplex& measured, const TComplex& reference);
  // The end record; with beep the 30 payload bytes are all 0xFF.
  static TCmdReply End(bool beep);
  // A temperature record of raw quarter degrees, limited to the ten bits the record holds
  // (-512 ... 511).
  static TCmdReply Temperature(int raw);
  static TCmdReply SyncEcho(uint16_t counter);

  // ---- Decoders ------------------------------------------------------------------------------
  // Receiver 0 (offsets 2 and 6) and receiver 2 (offsets 10 and 14), widened to double. Bytes
  // from a device may hold any float, NaN and infinities included; HasFiniteReadings tells.
  TComplex GetMeasuredWave() const;
  TComplex GetReferenceWave() const;
  bool HasFiniteReadings() const;
  // An end record whose 30 payload bytes are all 0xFF asks for the end-of-sweep beep.
  bool IsBeepRequest() const;
  // Signed count of 0.25 degrees C: (signed byte at 2) x 4 + (byte at 3 >> 6).
  int GetTemperatureRaw() const;
  double GetTemperature() const { return GetTemperatureRaw() * 0.25; }
  uint16_t GetSyncCounter() const { return GetU16(2); }

  friend bool operator==(const TCmdReply&, const TCmdReply&) = default;

 private:
  TBytes Bytes_{};
};

// The smoothed instrument temperature after a reading t: t itself while the stored value is
// exactly UnsetTemperature, else (4 x stored + t) x 0.2.
double SmoothTemperature(double stored, double reading);
