#pragma once
// Text codecs. Inside the program text is UTF-8; files may be UTF-16 (LE or BE), UTF-8, or
// the Windows "8-bit code page" (Windows-1251), which is only ever read, never written.
#include <string>
#include <string_view>

// UTF-8 to UTF-16 code units; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Strict validation: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Windows-1251 bytes to UTF-8 (the unassigned byte 0x98 becomes U+FFFD).
std::string Cp1251ToUtf8(std::string_view bytes);

// "8-bit" text as read from a file: UTF-8 when the whole text is valid UTF-8, else Windows-1251.
std::string Decode8Bit(std::string_view bytes);

// Raw UTF-16 bytes (no BOM handling) to UTF-8; an odd last byte is ignored.
std::string DecodeUtf16Bytes(std::string_view bytes, bool bigEndian);

// A whole text file's bytes to UTF-8: a BOM selects UTF-8, UTF-16 LE or UTF-16 BE (and is
// dropped); without one the text is read as "8-bit" text (Decode8Bit).
std::string DecodeTextFile(std::string_view bytes);

// UTF-8 text to UTF-16 LE bytes, with the BOM FF FE in front when bom is true.
std::string EncodeUtf16LE(std::string_view utf8, bool bom);
