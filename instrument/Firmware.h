#pragma once
// Firmware upload to an instrument that shows its loader identity.
//
// The signal-processor image is text, one byte per line written as "0x" and one or two hex
// digits ("0x01", "0xAD"); the built-in resources "DSPFirmwareTV" / "DSPFirmwareTV30" hold it,
// and a file "blackfin.ldr" in the data root replaces them. It travels in chunks of at most
// 1024 bytes (vendor request 8: value = offset, index = chunk length); only an image from the
// resources is then started with request 10 (the file is a complete boot stream that starts
// itself). The 8051 image (older model only) is Intel-HEX text, downloaded record by record into
// the 8051's memory while the CPU is held in reset.
//
// Every image is checked whole before the first byte goes out: a line that is not a byte, an
// empty image, one beyond the 16-bit offset range, a malformed HEX record, or a stand-in image
// bound for a real instrument is refused with a reason and nothing is sent.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Ezusb.h"

struct TFirmwareResult {
  bool Ok = false;
  std::string Error;  // why the upload failed; empty on success

  static TFirmwareResult Success() { return {true, {}}; }
  static TFirmwareResult Failure(std::string why) { return {false, std::move(why)}; }
};

struct TFirmwareImage {
  std::vector<uint8_t> Bytes;
  std::string Error;  // empty when the text was a valid image
};

// One Intel-HEX record as the 8051 download takes it.
struct THexRecord {
  uint16_t Address = 0;
  uint8_t Type = 0;  // not interpreted
  std::vector<uint8_t> Data;
};

// ---- Parsers ------------------------------------------------------------------------------------

// Vendor requests of the upload.
constexpr uint8_t kFirmwareChunkRequest = 8;
constexpr uint8_t kFirmwareStartRequest = 10;
constexpr size_t kFirmwareChunkSize = 1024;
// The offset of a chunk travels as a 16-bit value.
constexpr size_t kFirmwareMaxImageSize = 65535;
// The largest "blackfin.ldr" read: several times what the largest image takes as text.
constexpr size_t kFirmwareMaxFileBytes = 1u << 20;
// An Intel-HEX record of the 8051 image carries at most this many data bytes.
constexpr size_t kHexRecordMaxData = 32;
// What our generated stand-in images start with; they are never sent to a real instrument.
constexpr std::string_view kFirmwareStandInMark = "STAND-IN";

// One byte line: optional blanks, "0x" or "0X", one or two hex digits, optional blanks.
std::optional<uint8_t> ParseFirmwareLine(std::string_view line);
// A whole image: every non-blank line is one byte (lines end in CR, LF or CR LF). A bad line
// fails naming the line and the source; so do an image without bytes and one above
// kFirmwareMaxImageSize bytes.
TFirmwareImage ParseFirmwareText(std::string_view text, std::string_view source);
// True when the image begins with the stand-in mark.
bool IsFirmwareStandIn(const std::vector<uint8_t>& image);

// ':' then the count (2 hex digits), the address (4), the type (2) and count data bytes (2
// each); whatever follows (the checksum) is not read. Fails for a missing ':', a non-hex digit,
// a line too short for its count, or a count above kHexRecordMaxData.
std::optional<THexRecord> ParseHexRecord(std::string_view line, std::string* error = nullptr);

// ---- Uploads ------------------------------------------------------------------------------------

// Uploads the signal-processor image (the file "blackfin.ldr" in the data root when present,
// else the resource of that name) on the control handle.
TFirmwareResult LoadDspFirmware(platform::EzusbHandle control, const std::string& resourceName);
// Uploads the 8051 image of that resource. A line shorter than 8 characters ends the image.
TFirmwareResult LoadEzFirmware(platform::EzusbHandle control, const std::string& resourceName);
