#include "calibration/EepromImage.h"

#include "calibration/CalibrationForm.h"
#include "model/Crc32.h"
#include "model/LittleEndian.h"
#include "model/NumberText.h"
#include "model/TextCodec.h"

namespace {

// Offsets within the header (address - 4096).
constexpr size_t kMarker = 0;
constexpr size_t kRevision = 1;
constexpr size_t kSerial = 5;
constexpr size_t kTemperature = 9;
constexpr size_t kDate = 17;
constexpr size_t kDateSize = 20;
constexpr size_t kA1 = 37;
constexpr size_t kL1 = 41;
constexpr size_t kA2 = 45;
constexpr size_t kL2 = 49;

int64_t Wide(int32_t x) { return static_cast<int64_t>(x); }

}  // namespace

void TEepromImage::WriteHeader(const THeader& header, uint8_t* out) {
  out[kMarker] = header.Marker;
  le::PutI32(out + kRevision, header.Revision);
  le::PutU32(out + kSerial, header.Serial);
  le::PutF64(out + kTemperature, header.Temperature);
  const std::string date = TCalibrationForm::CutText(header.Date, kDateSize - 1);
  for (size_t i = 0; i < kDateSize; ++i) out[kDate + i] = i < date.size() ? static_cast<uint8_t>(date[i]) : 0;
  le::PutI32(out + kA1, header.A1);
  le::PutI32(out + kL1, header.L1);
  le::PutI32(out + kA2, header.A2);
  le::PutI32(out + kL2, header.L2);
}

TEepromImage::THeader TEepromImage::ReadHeader(const uint8_t* in) {
  THeader h;
  h.Marker = in[kMarker];
  h.Revision = le::GetI32(in + kRevision);
  h.Serial = le::GetU32(in + kSerial);
  h.Temperature = le::GetF64(in + kTemperature);
  size_t n = 0;
  while (n < kDateSize && in[kDate + n] != 0) ++n;
  h.Date = Decode8Bit(std::string_view(reinterpret_cast<const char*>(in + kDate), n));
  h.A1 = le::GetI32(in + kA1);
  h.L1 = le::GetI32(in + kL1);
  h.A2 = le::GetI32(in + kA2);
  h.L2 = le::GetI32(in + kL2);
  return h;
}

std::string TEepromImage::CheckHeader(const THeader& h) {
  if (h.Marker != Marker) return "no image marker";
  if (h.A1 != static_cast<int32_t>(FirstFormAddress)) return "the first calibration is not at " + IntToText(FirstFormAddress);
  if (h.L1 < MinFormLength) return "the first calibration's length " + IntToText(h.L1) + " is too small";
  if (h.L2 < MinFormLength) return "the second calibration's length " + IntToText(h.L2) + " is too small";
  if (Wide(h.A2) != Wide(h.A1) + Wide(h.L1)) return "the second calibration does not follow the first";
  if (Wide(h.A2) + Wide(h.L2) + 4 > static_cast<int64_t>(MemoryEnd)) return "the image runs past the end of the memory";
  return std::string();
}

std::vector<uint8_t> TEepromImage::Build(THeader header, const std::vector<uint8_t>& form1,
                                         const std::vector<uint8_t>& form2) {
  header.A1 = static_cast<int32_t>(FirstFormAddress);
  header.L1 = static_cast<int32_t>(form1.size());
  header.A2 = static_cast<int32_t>(FirstFormAddress + form1.size());
  header.L2 = static_cast<int32_t>(form2.size());
  std::vector<uint8_t> image(HeaderSize + form1.size() + form2.size() + 4);
  WriteHeader(header, image.data());
  std::copy(form1.begin(), form1.end(), image.begin() + HeaderSize);
  std::copy(form2.begin(), form2.end(), image.begin() + HeaderSize + static_cast<ptrdiff_t>(form1.size()));
  const size_t crcAt = image.size() - 4;
  le::PutU32(image.data() + crcAt, UpdateCrc32(0, image.data(), crcAt));
  return image;
}

std::string TEepromImage::Parse(const uint8_t* image, size_t size, THeader& header, std::vector<uint8_t>& form1,
                                std::vector<uint8_t>& form2) {
  if (image == nullptr || size < HeaderSize) return "the image is shorter than its header";
  const THeader h = ReadHeader(image);
  const std::string bad = CheckHeader(h);
  if (!bad.empty()) return bad;
  // Valid headers keep every offset well inside 32 bits.
  const uint64_t crcAt = CrcAddress(h) - BaseAddress;
  if (static_cast<uint64_t>(size) < crcAt + 4) return "the image is truncated";
  if (le::GetU32(image + crcAt) != UpdateCrc32(0, image, static_cast<size_t>(crcAt))) return "the image is damaged (checksum)";
  const size_t at1 = static_cast<size_t>(h.A1) - BaseAddress;
  const size_t at2 = static_cast<size_t>(h.A2) - BaseAddress;
  form1.assign(image + at1, image + at1 + static_cast<size_t>(h.L1));
  form2.assign(image + at2, image + at2 + static_cast<size_t>(h.L2));
  header = h;
  return std::string();
}

int TEepromImage::Percent(uint64_t pageAddress, uint64_t end) {
  if (end <= BaseAddress || pageAddress < BaseAddress) return 0;
  return static_cast<int>((pageAddress - BaseAddress) * 100 / (end - BaseAddress));
}
