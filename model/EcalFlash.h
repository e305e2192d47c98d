#pragma once
// The flash layout of the electronic calibration module: pure readers and writers over bytes,
// shared by the module object, the emulated module and the image generator.
//
// Everything is little-endian. Every block is followed by the CRC-32 (UpdateCrc32 from 0) of
// its bytes. The module header sits at 0; characterisation 0 (factory) at 128, the three user
// characterisations in areas of 174762 bytes from 1048576 on; the thermal data at 400000.
// A characterisation is its descriptor, then 14 (model 0) or 18 (model 1) data blocks of
// 6n + 4 bytes. A flash image is hostile input: every size is worked out in 64 bits and checked
// against the end of its area before anything is read or allocated.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Complex.h"

namespace ecal {

constexpr uint32_t kHeaderAddress = 0;
constexpr size_t kHeaderSize = 124;
constexpr size_t kDescriptorSize = 298;
constexpr size_t kThermalHeaderSize = 76;
constexpr size_t kCrcSize = 4;
constexpr uint32_t kFactoryAddress = 128;
constexpr uint32_t kUserBase = 1048576;
constexpr uint32_t kUserAreaSize = 174762;
constexpr uint32_t kThermalAddress = 400000;
// The thermal tables end at or before this address.
constexpr uint64_t kThermalLimit = 1048576;
constexpr int kSlotCount = 18;
constexpr char kBlankSerial[] = "00000000";

// Data slots in the order of the blocks of an area; model 1 reads all 18, any other 14.
constexpr std::array<int, kSlotCount> kBlockOrder = {0, 1, 2, 3, 4, 5, 8, 6, 7, 9, 12, 10, 11, 13, 14, 15, 16, 17};
int BlockCount(int model);
// Thermal tables per model: 14, or 18 for model 1.
int ThermalTableCount(int model);

// The address where characterisation n (0..3) begins, and the first address past its area
// (400000 for the factory characterisation); false for any other n.
bool CharacterizationAddress(int n, uint32_t& address);
bool CharacterizationLimit(int n, uint64_t& limit);

// Signed 24-bit codes, little-endian: 0x7FFFFF is 8388607, 0x800000 is -8388608.
int32_t GetI24(const uint8_t* p);
void PutI24(uint8_t* p, int32_t v);  // v limited to the 24-bit range

// A CRC-checked block: length bytes at p and the CRC behind them.
bool CheckBlock(const uint8_t* p, size_t length);
// Writes the CRC of length bytes at p behind them.
void SealBlock(uint8_t* p, size_t length);

// ---- Module header (124 bytes) -----------------------------------------------------------------
struct THeader {
  std::string Serial = kBlankSerial;  // taken only when all 8 characters are letters or digits
  uint16_t Model = 0;
};
THeader ParseHeader(const uint8_t* p);
// serial: its first 8 bytes (fewer are padded with NUL); the bytes not read are zero.
void WriteHeader(uint8_t* p, const std::string& serial, uint16_t model);

// ---- Characterisation descriptor (298 bytes) ---------------------------------------------------
struct TDescriptor {
  std::string Date, Time, Location, Operator, Analyser;
  double FirstFrequency = 0.0;  // Hz
  double LastFrequency = 0.0;   // Hz
  uint32_t Points = 0;
  double Temperature = 0.0;  // degrees Celsius during the characterisation
  int16_t ConnectorA = -1;
  int16_t ConnectorB = -1;
  int16_t Reserved1 = -1;
  int16_t Reserved2 = -1;
  std::string AdapterA, AdapterB;
};
// The cleared descriptor: zero with the four 16-bit numbers at -1.
TDescriptor ClearedDescriptor();
// Texts are read up to their NUL and never past their field, as UTF-8 when valid, else as
// Windows-1251.
TDescriptor ParseDescriptor(const uint8_t* p);
// Texts are cut to leave room for their NUL.
void WriteDescriptor(uint8_t* p, const TDescriptor& d);

// Why a descriptor cannot be read as a characterisation of area n and model, or empty: the
// blocks (6n + 8 bytes each, in 64 bits) must end inside the area, and from two points on the
// frequencies must be finite with the first below the last.
std::string CheckExtent(const TDescriptor& d, int characterization, int model);

// ---- Data blocks (6n + 4 bytes) --------------------------------------------------------------
uint64_t BlockSize(uint64_t n);

// The raw contents of a block: the range in 0.01 dB and the codes of each point.
struct TBlockCodes {
  int16_t Min = 0;
  int16_t Max = 0;
  std::vector<int32_t> Magnitude;
  std::vector<int32_t> Phase;
};
// size must be BlockSize(n) exactly.
bool ParseBlockCodes(const uint8_t* p, size_t size, uint32_t n, TBlockCodes& codes);
// BlockSize(codes' length) bytes; codes of unequal lengths write the shorter.
void WriteBlockCodes(uint8_t* p, const TBlockCodes& codes);
std::vector<TComplex> DecodeBlock(const TBlockCodes& codes);
TComplex DecodePoint(int32_t m, int32_t p, double minDb, double maxDb);
// The codes of values: the range spans their levels (rounded out to 0.01 dB, limited to the
// 16-bit range), each code the nearest one. Zero values take the range's lowest level.
TBlockCodes EncodeBlock(const std::vector<TComplex>& values);
// One code step of a block in dB and radians, for comparisons.
double LevelStep(const TBlockCodes& codes);
double PhaseStep();

// ---- Thermal data --------------------------------------------------------------------------------
struct TThermalHeader {
  double FirstFrequency = 0.0;  // Hz
  double LastFrequency = 0.0;   // Hz
  int32_t Points = 0;           // k
};
TThermalHeader ParseThermalHeader(const uint8_t* p);
void WriteThermalHeader(uint8_t* p, const TThermalHeader& h);
// Why the tables of that header and model cannot be used (k < 1, frequencies not finite,
// tables ending past kThermalLimit), or empty.
std::string CheckThermal(const TThermalHeader& h, int model);
uint64_t ThermalTableSize(uint64_t k);

struct TThermalCodes {
  int16_t Min = 0;
  int16_t Max = 0;
  std::vector<int16_t> Codes;
};
bool ParseThermalCodes(const uint8_t* p, size_t size, uint32_t k, TThermalCodes& codes);
void WriteThermalCodes(uint8_t* p, const TThermalCodes& codes);
std::vector<double> DecodeThermal(const TThermalCodes& codes);
TThermalCodes EncodeThermal(const std::vector<double>& values);

// A value moved by dT degrees with a magnitude coefficient (dB per degree) and a phase
// coefficient (degrees per degree), each interpolated at f (MHz) in tables spanning f1..f2 MHz.
TComplex ThermalCorrect(const TComplex& g, double dT, const std::vector<double>& magnitude,
                        const std::vector<double>& phase, double f, double f1, double f2);

// ---- Whole images ----------------------------------------------------------------------------------
struct TCharacterizationImage {
  TDescriptor Descriptor;
  std::array<TBlockCodes, kSlotCount> Blocks;  // the slots the model stores
};
struct TImageSpec {
  std::string Serial = kBlankSerial;
  uint16_t Model = 1;
  // Characterisation n of the image when present (Descriptor.Points gives n).
  std::array<bool, 4> Present = {false, false, false, false};
  std::array<TCharacterizationImage, 4> Characterizations;
  bool HasThermal = false;
  TThermalHeader Thermal;
  std::vector<TThermalCodes> ThermalTables;
};
// The bytes of an image: everything not written is erased flash (0xFF); the image ends after
// its last written byte. Characterisations whose blocks would leave their area are left out.
std::vector<uint8_t> WriteImage(const TImageSpec& spec);

// A characterisation read from an image with every check the module object makes: false with
// why when the header, descriptor or a block cannot be read, fails its CRC, or leaves its area.
// Bytes past the image read as 0xFF, as erased flash does.
bool ReadCharacterization(const std::vector<uint8_t>& image, int n, THeader& header, TCharacterizationImage& out,
                          std::string& why);
// The thermal header and tables; false with why when they cannot be used.
bool ReadThermal(const std::vector<uint8_t>& image, int model, TThermalHeader& header,
                 std::vector<TThermalCodes>& tables, std::string& why);

}  // namespace ecal
