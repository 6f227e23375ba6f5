#pragma once
// Conversions between the game's Windows-1252 bytes and the encodings around
// it: UTF-8 (Linux file names, toolkit texts), UTF-16 (the Windows wide API),
// single code points (typed characters) and code page 437 (the screen font).

#include <optional>
#include <string>
#include <string_view>

namespace schlingo::platform {

// The code point of one Windows-1252 byte.
char32_t cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a code point, or nothing when it has none.
std::optional<unsigned char> codePointToCp1252(char32_t codePoint);

std::string cp1252ToUtf8(std::string_view cp1252);
// One code point (up to U+10FFFF) as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);
// The same for a message: its "\r\n" line breaks become "\n", as toolkits
// and pages break lines.
std::string cp1252MessageToUtf8(std::string_view cp1252);
std::u16string cp1252ToUtf16(std::string_view cp1252);

// Nothing when the text is not valid UTF-8 / UTF-16 or holds a character that
// Windows-1252 lacks.
std::optional<std::string> utf8ToCp1252(std::string_view utf8);
std::optional<std::string> utf16ToCp1252(std::u16string_view utf16);

// The byte that stands for a character without a code page 437 form.
inline constexpr unsigned char oemReplacement = '?'; // as the system's own conversion does

// Windows-1252 to code page 437 (the conversion CharToOemA does before the
// screen font draws a text). Bytes below 128 stay as they are.
std::string toOem(std::string_view cp1252Text);

} // namespace schlingo::platform
