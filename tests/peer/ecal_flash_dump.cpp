// Helper of the peer check ecal_flash.py: reads a module image kept as pieces (u32 address,
// u32 length, bytes), decodes every slot with the program's readers, corrects the port-A
// standards for a module temperature, and writes the image again with the program's writer
// from the ranges and codes it read.
//   ecal_flash_dump <pieces file> <temperature> <folder>
// writes <folder>/values.txt and <folder>/image.bin (pieces of the same addresses).
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "model/EcalFlash.h"
#include "model/LittleEndian.h"
#include "model/NumberText.h"

namespace {

struct TPiece {
  uint32_t Address;
  uint32_t Length;
};

std::string Number(double v) { return FloatToText(v); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: ecal_flash_dump <pieces> <temperature> <folder>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> image;
  std::vector<TPiece> pieces;
  for (size_t at = 0; at + 8 <= file.size();) {
    const TPiece piece{le::GetU32(&file[at]), le::GetU32(&file[at + 4])};
    at += 8;
    if (piece.Length > file.size() - at || piece.Address > (1u << 24)) return 3;
    if (image.size() < piece.Address + piece.Length) image.resize(piece.Address + piece.Length, 0xFF);
    std::copy(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + piece.Length),
              image.begin() + piece.Address);
    pieces.push_back(piece);
    at += piece.Length;
  }
  ecal::THeader header;
  ecal::TCharacterizationImage c;
  std::string why;
  if (!ecal::ReadCharacterization(image, 0, header, c, why)) {
    std::cerr << why << "\n";
    return 1;
  }
  ecal::TThermalHeader th;
  std::vector<ecal::TThermalCodes> tables;
  if (!ecal::ReadThermal(image, header.Model, th, tables, why)) {
    std::cerr << why << "\n";
    return 1;
  }
  const double now = std::stod(argv[2]);
  std::string out;
  std::vector<std::vector<TComplex>> raw;
  for (int s = 0; s < ecal::kSlotCount; ++s) {
    raw.push_back(ecal::DecodeBlock(c.Blocks[static_cast<size_t>(s)]));
    for (size_t i = 0; i < raw.back().size(); ++i)
      out += "raw " + std::to_string(s) + " " + std::to_string(i) + " " + Number(raw.back()[i].Re) + " " +
             Number(raw.back()[i].Im) + "\n";
  }
  const int corrected[9][2] = {{0, 0}, {2, 2}, {4, 4}, {8, 6}, {6, 8}, {7, 10}, {9, 12}, {16, 14}, {14, 16}};
  const uint32_t n = c.Descriptor.Points;
  const double f1 = c.Descriptor.FirstFrequency * 1e-6;
  const double f2 = c.Descriptor.LastFrequency * 1e-6;
  for (const auto& [slot, t] : corrected) {
    const std::vector<double> tm = ecal::DecodeThermal(tables[static_cast<size_t>(t)]);
    const std::vector<double> tp = ecal::DecodeThermal(tables[static_cast<size_t>(t + 1)]);
    for (uint32_t i = 0; i < n; ++i) {
      const double f = f1 + (f2 - f1) * i / (n - 1);
      const TComplex v = ecal::ThermalCorrect(raw[static_cast<size_t>(slot)][i], now - c.Descriptor.Temperature, tm, tp,
                                              f, th.FirstFrequency * 1e-6, th.LastFrequency * 1e-6);
      out += "hot " + std::to_string(slot) + " " + std::to_string(i) + " " + Number(v.Re) + " " + Number(v.Im) + "\n";
    }
  }
  std::ofstream(std::string(argv[3]) + "/values.txt", std::ios::binary) << out;

  ecal::TImageSpec spec;
  spec.Serial = header.Serial;
  spec.Model = header.Model;
  spec.Present[0] = true;
  spec.Characterizations[0] = c;
  spec.HasThermal = true;
  spec.Thermal = th;
  spec.ThermalTables = tables;
  const std::vector<uint8_t> written = ecal::WriteImage(spec);
  std::string bytes;
  for (const TPiece& piece : pieces) {
    uint8_t head[8];
    le::PutU32(head, piece.Address);
    le::PutU32(head + 4, piece.Length);
    bytes.append(reinterpret_cast<const char*>(head), 8);
    for (uint32_t i = 0; i < piece.Length; ++i) {
      const size_t a = piece.Address + i;
      bytes.push_back(static_cast<char>(a < written.size() ? written[a] : 0xFF));
    }
  }
  std::ofstream(std::string(argv[3]) + "/image.bin", std::ios::binary) << bytes;
  return 0;
}
