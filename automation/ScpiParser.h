#pragma once
// The SCPI text of one line, taken apart: commands separated by ';', each a header (mnemonics
// separated by ':', '*' for a common command, '?' for a query) and parameters separated by ','.
// Nothing here knows the node table; the session binds what the parser gives.
#include <string>
#include <string_view>
#include <vector>

namespace automation::scpi {

// SCPI's own error numbers, used by the transport and the binder.
enum : int {
  kInvalidCharacter = -101,
  kSyntaxError = -102,
  kDataTypeError = -104,
  kParameterNotAllowed = -108,
  kMissingParameter = -109,
  kUndefinedHeader = -113,
  kTooMuchData = -223,
  kQueueOverflow = -350,
};
const char* TransportErrorText(int number);

struct Parameter {
  enum class Kind { Data, String };  // Data: a number or character data, raw; String: quoted
  Kind Type = Kind::Data;
  std::string Text;  // a string's content, quotes removed and doubled quotes made single
};

struct Command {
  bool Common = false;    // "*IDN?"
  bool Absolute = false;  // a leading ':'
  bool Query = false;
  std::vector<std::string> Mnemonics;  // as written, suffixes still attached
  std::vector<Parameter> Params;
  int Error = 0;  // a syntax error of this command (then nothing else holds)
};

// Valid UTF-8 without NUL.
bool IsCleanText(std::string_view line);
// Splits a line (without its LF) into commands; an empty command between ';' is left out.
std::vector<Command> ParseLine(std::string_view line);

}  // namespace automation::scpi
