// Peer-check helper: applies a list of writes to an in-memory ini document and saves it with
// UpdateFile, so that an independent reader can check what was written.
//
//   foundation_ini_tool <operations file> <output file>
//
// The operations file is a sequence of records: one type byte, then three fields (section,
// key, value), each a 32-bit little-endian length followed by that many bytes (UTF-8).
//   'S' WriteString    'R' WriteRawString (value = the line)   'B' WriteBinaryStream (value = bytes)
//   'F' WriteFloat (value = number text)   'I' WriteInteger (value = integer text)
//   'D' DeleteKey      'E' EraseSection
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/NumberText.h"

namespace {

bool TakeField(const std::string& in, size_t& pos, std::string& field) {
  if (in.size() - pos < 4) return false;
  uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(in[pos + static_cast<size_t>(i)]);
  pos += 4;
  if (in.size() - pos < n) return false;
  field.assign(in, pos, n);
  pos += n;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: foundation_ini_tool <operations file> <output file>\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  try {
    TMemIniFile ini(argv[2]);
    size_t pos = 0;
    while (pos < in.size()) {
      const char type = in[pos++];
      std::string section, key, value;
      if (!TakeField(in, pos, section) || !TakeField(in, pos, key) || !TakeField(in, pos, value)) {
        std::cerr << "truncated record\n";
        return 1;
      }
      switch (type) {
        case 'S': ini.WriteString(section, key, value); break;
        case 'R': ini.WriteRawString(section, value); break;
        case 'B':
          ini.WriteBinaryStream(section, key, reinterpret_cast<const uint8_t*>(value.data()), value.size());
          break;
        case 'F': ini.WriteFloat(section, key, StrToFloatAnySeparator(value)); break;
        case 'I': {
          const auto v = TryTextToInt(value);
          if (!v) {
            std::cerr << "bad integer '" << value << "'\n";
            return 1;
          }
          ini.WriteInteger(section, key, *v);
          break;
        }
        case 'D': ini.DeleteKey(section, key); break;
        case 'E': ini.EraseSection(section); break;
        default: std::cerr << "unknown record type\n"; return 1;
      }
    }
    ini.UpdateFile();
  } catch (const EAbort& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
