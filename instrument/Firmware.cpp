#include "instrument/Firmware.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "model/NumberText.h"
#include "model/ResourceFile.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/UsbBackend.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The hex number of the digits at line[pos, pos + n); -1 when one is not a hex digit.
long HexField(std::string_view line, size_t pos, size_t n) {
  long v = 0;
  for (size_t i = 0; i < n; ++i) {
    int d = HexDigit(line[pos + i]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

// A line as the user may see it in a message: at most 24 characters, odd bytes as '?'.
std::string Shown(std::string_view line) {
  std::string s;
  for (char c : line.substr(0, 24)) s += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  if (line.size() > 24) s += "...";
  return "\"" + s + "\"";
}

// Calls fn(line number from 1, line) for every line; CR, LF and CR LF each end one line.
// Returns false as soon as fn does.
bool ForEachLine(std::string_view text, const std::function<bool(size_t, std::string_view)>& fn) {
  size_t number = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    ++number;
    if (!fn(number, text.substr(pos, end - pos))) return false;
    pos = end + ((end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1);
  }
  return true;
}

bool IsBlankLine(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return IsBlank(c); });
}

std::string DataRootFile(const char* name) { return platform::Paths::dataRoot() + "/" + name; }

}  // namespace

std::optional<uint8_t> ParseFirmwareLine(std::string_view line) {
  size_t b = 0, e = line.size();
  while (b < e && IsBlank(line[b])) ++b;
  while (e > b && IsBlank(line[e - 1])) --e;
  std::string_view t = line.substr(b, e - b);
  if (t.size() < 3 || t.size() > 4 || t[0] != '0' || (t[1] != 'x' && t[1] != 'X')) return std::nullopt;
  long v = HexField(t, 2, t.size() - 2);
  if (v < 0) return std::nullopt;
  return static_cast<uint8_t>(v);
}

TFirmwareImage ParseFirmwareText(std::string_view text, std::string_view source) {
  TFirmwareImage image;
  std::string where(source);
  bool ok = ForEachLine(text, [&](size_t number, std::string_view line) {
    if (IsBlankLine(line)) return true;
    if (image.Bytes.size() >= kFirmwareMaxImageSize) {
      image.Error = "The firmware " + where + " holds more than " + IntToText(kFirmwareMaxImageSize) +
                    " bytes, more than the instrument's loader takes";
      return false;
    }
    std::optional<uint8_t> byte = ParseFirmwareLine(line);
    if (!byte) {
      image.Error = "The firmware " + where + " has no byte in line " + IntToText(static_cast<long long>(number)) +
                    ": " + Shown(line) + " (each line must be 0x and two hex digits)";
      return false;
    }
    image.Bytes.push_back(*byte);
    return true;
  });
  if (ok && image.Bytes.empty()) image.Error = "The firmware " + where + " is empty";
  if (!image.Error.empty()) image.Bytes.clear();
  return image;
}

bool IsFirmwareStandIn(const std::vector<uint8_t>& image) {
  return image.size() >= kFirmwareStandInMark.size() &&
         std::equal(kFirmwareStandInMark.begin(), kFirmwareStandInMark.end(), image.begin(),
                    [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

std::optional<THexRecord> ParseHexRecord(std::string_view line, std::string* error) {
  auto fail = [&](std::string why) -> std::optional<THexRecord> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  if (line.empty() || line[0] != ':') return fail("a record must begin with ':'");
  if (line.size() < 9) return fail("the record is too short");
  long count = HexField(line, 1, 2);
  long address = HexField(line, 3, 4);
  long type = HexField(line, 7, 2);
  if (count < 0 || address < 0 || type < 0) return fail("the record holds a character that is not a hex digit");
  if (static_cast<size_t>(count) > kHexRecordMaxData) {
    return fail("the record carries " + IntToText(count) + " data bytes, more than " + IntToText(kHexRecordMaxData));
  }
  if (line.size() < 9 + 2 * static_cast<size_t>(count)) return fail("the record is shorter than its byte count");
  THexRecord r;
  r.Address = static_cast<uint16_t>(address);
  r.Type = static_cast<uint8_t>(type);
  for (long i = 0; i < count; ++i) {
    long b = HexField(line, 9 + 2 * static_cast<size_t>(i), 2);
    if (b < 0) return fail("the record holds a character that is not a hex digit");
    r.Data.push_back(static_cast<uint8_t>(b));
  }
  if (error) error->clear();
  return r;
}

TFirmwareResult LoadDspFirmware(platform::EzusbHandle control, const std::string& resourceName) {
  const std::string filePath = DataRootFile("blackfin.ldr");
  // Whatever sits under that name is meant to replace the built-in image; one that is no
  // regular file or is far larger than any image is refused (and never waited on), not
  // silently swapped for the built-in one.
  struct stat st {};
  const bool fromFile = ::lstat(filePath.c_str(), &st) == 0;
  TFirmwareImage image;
  if (fromFile) {
    std::string text;
    const platform::FileResult read = platform::AtomicFile::read(filePath, text, kFirmwareMaxFileBytes);
    if (!read) return TFirmwareResult::Failure("The firmware file is not used: " + read.message);
    image = ParseFirmwareText(text, "\"" + filePath + "\"");
  } else {
    TResourceFile resource(resourceName);
    image = ParseFirmwareText(resource.Bytes(), "\"" + resourceName + "\"");
  }
  if (!image.Error.empty()) return TFirmwareResult::Failure(image.Error);

  if (IsFirmwareStandIn(image.Bytes) && !platform::UsbBackend::get().isEmulator()) {
    return TFirmwareResult::Failure(
        "The built-in firmware is only a stand-in for the demonstration and is never sent to an instrument: "
        "put the instrument's \"blackfin.ldr\" into " + platform::Paths::dataRoot());
  }

  const size_t total = image.Bytes.size();
  for (size_t offset = 0; offset < total; offset += kFirmwareChunkSize) {
    size_t chunk = std::min(kFirmwareChunkSize, total - offset);
    platform::UsbResult r = platform::EzusbVendorTransfer(
        control, kFirmwareChunkRequest, static_cast<uint16_t>(offset), static_cast<uint16_t>(chunk),
        image.Bytes.data() + offset, platform::kEzusbHostToDevice, static_cast<uint16_t>(chunk));
    if (!r.ok()) {
      return TFirmwareResult::Failure("The instrument refused the firmware at byte " +
                                      IntToText(static_cast<long long>(offset)) +
                                      (r.error.empty() ? std::string() : ": " + r.error));
    }
  }
  if (fromFile) return TFirmwareResult::Success();
  platform::UsbResult start =
      platform::EzusbVendorTransfer(control, kFirmwareStartRequest, 0, 0, nullptr, platform::kEzusbHostToDevice, 0);
  if (!start.ok()) {
    return TFirmwareResult::Failure("The instrument did not start its firmware" +
                                    (start.error.empty() ? std::string() : ": " + start.error));
  }
  return TFirmwareResult::Success();
}

TFirmwareResult LoadEzFirmware(platform::EzusbHandle control, const std::string& resourceName) {
  TResourceFile resource(resourceName);
  std::vector<THexRecord> records;
  std::string error;
  ForEachLine(resource.Bytes(), [&](size_t number, std::string_view line) {
    if (line.empty()) return true;  // the run of line breaks between lines
    if (line.size() < 8) return false;  // a short line is the end of the image
    std::string why;
    std::optional<THexRecord> r = ParseHexRecord(line, &why);
    if (!r) {
      error = "The 8051 firmware \"" + resourceName + "\" is damaged in line " +
              IntToText(static_cast<long long>(number)) + ": " + why;
      return false;
    }
    records.push_back(std::move(*r));
    return true;
  });
  if (!error.empty()) return TFirmwareResult::Failure(error);
  size_t bytes = 0;
  for (const THexRecord& r : records) bytes += r.Data.size();
  if (bytes == 0) return TFirmwareResult::Failure("The 8051 firmware \"" + resourceName + "\" holds no data");

  if (!platform::EzusbWriteCpucs(control, 1)) return TFirmwareResult::Failure("The 8051 could not be held in reset");
  for (const THexRecord& r : records) {
    if (!platform::EzusbAnchorDownload(control, r.Data.data(), r.Data.size(), r.Address)) {
      return TFirmwareResult::Failure("The 8051 refused its firmware at address " + IntToText(r.Address));
    }
  }
  if (!platform::EzusbWriteCpucs(control, 0)) return TFirmwareResult::Failure("The 8051 could not be started");
  return TFirmwareResult::Success();
}
