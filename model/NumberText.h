#pragma once
// Locale-proof number text. Everything the program writes to a file or reads from one goes
// through these helpers, so no locale setting can turn '.' into ','.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Shortest text that reads back to the same double ("0.1", "1e-05", "-2.5").
// Non-finite values are written as "nan", "inf", "-inf" (the reader refuses them).
std::string FloatToText(double value);
// The general form with at most 15 significant digits, trailing zeros dropped, '.' as the
// separator ("130", "0.18", "1e-05"); what an engineer reads back without the noise of the last
// binary digits (0.1 + 0.2 shows "0.3"). Non-finite values as FloatToText.
std::string FloatToGeneralText(double value);
// Decimal text of an integer.
std::string IntToText(long long value);

// Reads a double: trims blanks and control characters, one leading '+' or '-', ',' or '.' as
// decimal point, an optional exponent. Rejects empty text, inf, nan, hex, trailing garbage and
// overflow; underflow reads as 0. Returns no value when the text is not a number.
std::optional<double> TryTextToFloat(std::string_view text);
// Reads a decimal integer (trimmed, optional sign); no value for anything else or overflow.
std::optional<long long> TryTextToInt(std::string_view text);

// TryTextToFloat that raises EAbort "'<text>' is not a valid floating point value".
double StrToFloatAnySeparator(std::string_view text);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string_view TrimText(std::string_view text);
