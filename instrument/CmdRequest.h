#pragma once
// One 32-byte command record of the measurement protocol, as the out pipe carries it: a 16-bit
// code at offset 0 and a payload whose layout depends on the code. Every multi-byte field is
// little-endian and every byte no field names is 0. Records are read and written field by field
// (never as a copied struct), so the bytes are the same whatever the compiler and the host.
//
// Besides the record, this unit holds the pure conversions of the timing fields: the IF-bandwidth
// code and the delay in ticks of 5 us.
#include <array>
#include <cstddef>
#include <cstdint>

#include "model/SynthRecords.h"

class TCmdRequest {
 public:
  static constexpr size_t Size = 32;
  using TBytes = std::array<uint8_t, Size>;

  // Codes below 0xFFF3 are point records: the 0-based index of a point of the channel.
  static constexpr uint16_t EndCode = 0xFFFF;         // closes a channel's list; payload of point 0
  static constexpr uint16_t InitCode = 0xFFFE;        // once after connecting; no payload
  static constexpr uint16_t SynthCode = 0xFFFD;       // register words and output switches
  static constexpr uint16_t TimingCode = 0xFFFC;      // delay, IF bandwidth, power level
  static constexpr uint16_t SyncCode = 0xFFFB;        // resynchronisation marker
  static constexpr uint16_t ClockCode = 0xFFF5;       // reference clock source
  static constexpr uint16_t ArmTriggerCode = 0xFFF3;  // wait for the external trigger

  // The two synthesizers of a point record: the signal fields start at offset 2, the heterodyne
  // fields at offset 12; the 14 GHz model adds the signal band at offset 22.
  enum TSynth { Signal = 0, Heterodyne = 1 };
  static constexpr size_t SignalOffset = 2;
  static constexpr size_t HeterodyneOffset = 12;
  static constexpr size_t BandOffset = 22;

  // The seven register words of one synthesizer that the synthesizer record carries, in record
  // order: CAL_TIME, VCO_CTRL, CT_CAL1, PLL_CAL1, VCO_AUTO, MIX_COUNT, N_CTRL. Only the low 16
  // bits of each travel.
  static constexpr size_t SynthWordCount = 7;
  using TSynthWords = std::array<uint32_t, SynthWordCount>;
  // Where the synthesizer record keeps them: signal words from offset 2, heterodyne words from
  // offset 16, the output switches at offsets 30 and 31.
  static constexpr size_t SignalWordsOffset = 2;
  static constexpr size_t HeterodyneWordsOffset = 16;
  static constexpr size_t SignalOnOffset = 30;
  static constexpr size_t HeterodyneOnOffset = 31;

  // The five fields one synthesizer occupies in a point record, as decoded from it.
  struct TSynthFields {
    uint16_t LF = 0;       // the LF register word
    uint16_t PllCtrl = 0;  // the PLL_CTRL word as sent, R in bits 12 to 14
    // R, N, LoDiv, Prescaler (2, 4, or 0 for a code that names neither), Frac16, Frac8; Band
    // is the byte at offset 22 for the signal synthesizer and 0 for the heterodyne.
    TPllSettings Plan;
  };

  // All zeros.
  TCmdRequest() = default;
  // A record with only its code set.
  explicit TCmdRequest(uint16_t code) { SetCode(code); }

  // ---- Raw fields (offsets are bytes from the start; fields outside the record are ignored
  //      when written and read as 0) -----------------------------------------------------------
  uint16_t GetCode() const { return GetU16(0); }
  void SetCode(uint16_t code) { SetU16(0, code); }
  uint8_t GetByte(size_t offset) const { return offset < Size ? Bytes_[offset] : 0; }
  void SetByte(size_t offset, uint8_t value) {
    if (offset < Size) Bytes_[offset] = value;
  }
  uint16_t GetU16(size_t offset) const;
  void SetU16(size_t offset, uint16_t value);

  const TBytes& Bytes() const { return Bytes_; }
  // Writes the 32 bytes to out.
  void WriteTo(uint8_t* out) const;
  // The record held in the 32 bytes at in.
  static TCmdRequest ReadFrom(const uint8_t* in);

  bool IsPoint() const { return GetCode() < ArmTriggerCode; }

  // ---- Encoders -------------------------------------------------------------------------------
  // A point record (code = point index) or the end record (EndCode) without its synthesizer
  // fields; SetSynthFields and SetBand fill them.
  static TCmdRequest Point(uint16_t code) { return TCmdRequest(code); }
  // The synthesizer record: both word sets and whether each output is on.
  static TCmdRequest Synth(const TSynthWords& signal, const TSynthWords& heterodyne, bool signalOn,
                           bool heterodyneOn);
  // The timing record: delay in ticks of 5 us, IF-bandwidth code, power level (LOW: the 20 dB
  // attenuator in).
  static TCmdRequest Timing(uint16_t ticks, uint16_t ifCode, bool lowPower);
  static TCmdRequest Sync(uint16_t counter);
  static TCmdRequest Init() { return TCmdRequest(InitCode); }
  static TCmdRequest ClockSource(bool external);
  static TCmdRequest ArmTrigger() { return TCmdRequest(ArmTriggerCode); }

  // Writes one synthesizer's five point-record fields: the LF word, the PLL_CTRL word with R in
  // bits 12 to 14, the packed dividers, Frac16, and Frac8 (after a zero byte). The plan's Band
  // is not written here (SetBand).
  void SetSynthFields(TSynth synth, uint32_t lfWord, uint32_t pllCtrlWord, const TPllSettings& plan);
  // The signal band byte of a 14 GHz point record (46, 50, 28, or 0x2D for low power).
  void SetBand(uint8_t band) { SetByte(BandOffset, band); }

  // ---- Decoders (the receiving side: the emulator, tests) ------------------------------------
  TSynthFields GetSynthFields(TSynth synth) const;
  uint8_t GetBand() const { return GetByte(BandOffset); }
  TSynthWords GetSynthWords(TSynth synth) const;
  bool GetOutputOn(TSynth synth) const;
  uint16_t GetTimingTicks() const { return GetU16(2); }
  uint16_t GetTimingIFCode() const { return GetU16(4); }
  bool GetTimingLowPower() const { return GetU16(8) == 1; }
  uint16_t GetSyncCounter() const { return GetU16(2); }
  bool GetClockExternal() const { return GetByte(2) == 1; }

  // ---- Packing of the point-record fields ---------------------------------------------------
  // 1 for a prescaler of 2, 2 for 4, 0 for anything else.
  static uint16_t PrescalerCode(int32_t prescaler);
  // ((N AND 0x1FF) << 7) OR ((LoDiv AND 7) << 4) OR (prescaler code << 2): N 300, LoDiv 2,
  // prescaler 4 give 0x9628.
  static uint16_t PackDividers(int32_t n, int32_t loDiv, int32_t prescaler);
  // (PLL_CTRL AND 0x8FFF) OR ((R AND 7) << 12), low 16 bits.
  static uint16_t PackPllCtrl(uint32_t pllCtrlWord, int32_t r);

  friend bool operator==(const TCmdRequest&, const TCmdRequest&) = default;

 private:
  TBytes Bytes_{};
};

// ---- Timing conversions -------------------------------------------------------------------------

// The IF-bandwidth code of n Hz: 0 below 1 Hz; from 1 to 9 Hz exponent 0 and mantissa n; else
// exponent e - 1 and mantissa n / 10^(e - 1) rounded half away from zero, e = floor(log10 n):
// code = (exponent << 8) | mantissa. 10 -> 0x000A, 15 -> 0x000F, 100 -> 0x010A, 30000 -> 0x031E.
uint16_t IFBandwidthCode(int32_t hz);
// The bandwidth the instrument reads back from a code, Hz: 10^(code >> 8) x (code AND 0xFF),
// limited to 10^7 Hz (no real code reaches it; a corrupt one must not read as 10^255).
double IFBandwidthFromCode(uint16_t code);

// Delay in ticks of 5 us before each measured point: MeasureDelay / 5 plus 200 per ms of the
// point's own delay, saturated at 65535 (the field holds 16 bits; wrapping would turn a long
// delay into a short one). A negative or NaN delay counts as 0.
uint16_t DelayTicks(int32_t measureDelayUs, double pointDelayMs);
// The same for the timing record ahead of the end record: the larger of the measure delay and the
// back-scan delay, plus the point's delay.
uint16_t BackScanDelayTicks(int32_t measureDelayUs, int32_t backScanDelayUs, double pointDelayMs);
