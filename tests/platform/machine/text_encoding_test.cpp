#include "platform/machine/text_encoding.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace schlingo::platform {
namespace {

using E = TextEncoding;
const std::string marker(1, static_cast<char>(foreignMarker));

struct Row {
    const char* what;
    std::string bytes;
    TextEncoding encoding;
    std::string text; // "" with Windows-1252: the bytes themselves
    std::vector<char32_t> foreign = {};
    std::size_t utf8Errors = 0, firstUtf8Error = 0; // read as Windows-1252
};

// clang-format off
const Row rows[] = {
    {"Windows-1252 with umlauts", "kopf\r\nb\xE4r\r\n", E::Windows1252, "", {}, 1, 7},
    {"ASCII alone", "kopf\r\nhund\r\n", E::Windows1252, ""},
    {"UTF-8", "K\xC3\xB6pfe\r\nb\xC3\xA4r,\"a,\xC3\x9F\"\n", E::Utf8, "K\xF6pfe\r\nb\xE4r,\"a,\xDF\"\n"},
    {"UTF-8 with BOM", "\xEF\xBB\xBFkopf\r\nb\xC3\xA4r", E::Utf8WithBom, "kopf\r\nb\xE4r"},
    {"UTF-8 with BOM, ASCII alone", "\xEF\xBB\xBFhund", E::Utf8WithBom, "hund"},
    {"UTF-16 LE, the euro", std::string("\xFF\xFE" "b\0\xE4\0\xAC\x20\r\0\n\0", 12), E::Utf16LE, "b\xE4\x80\r\n"},
    {"UTF-16 BE", std::string("\xFE\xFF\0b\0\xE4\0r", 8), E::Utf16BE, "b\xE4r"},
    {"UTF-16: a byte 26 inside a character ends nothing", std::string("\xFF\xFE\x1A\x01x\0", 6),
     E::Utf16LE, marker + "x", {0x11A}},
    {"UTF-16: a pair, a lone surrogate, half a unit", std::string("\xFF\xFE\x3D\xD8\0\xDE\0\xD8" "a", 9),
     E::Utf16LE, marker + marker + marker, {0x1F600, 0xFFFD, 0xFFFD}},
    {"UTF-8 without a Windows-1252 form", "\xC5\x82\xE2\x82\xAC", E::Utf8, marker + "\x80", {0x142}},
    {"UTF-8 of unassigned Windows-1252 bytes", "\xC2\x81\xC2\x8D\xC3\xA4", E::Utf8,
     marker + marker + "\xE4", {0x81, 0x8D}},
    {"UTF-8 cut in the middle of a character", "b\xC3\xA4r\r\nt\xC3", E::Windows1252, "", {}, 1, 7},
    {"UTF-8 with a stray Windows-1252 byte", "b\xC3\xA4r\r\nt\xFCr\r\n", E::Windows1252, "", {}, 1, 7},
    {"with BOM, cut and stray bytes become markers", "\xEF\xBB\xBF\xFCr\r\nt\xE2\x82", E::Utf8WithBom,
     marker + "r\r\nt" + marker, {0xFFFD, 0xFFFD}},
    {"overlong forms, encoded surrogates", "\xC3\xA4\xC0\xAF\xED\xA0\x80", E::Windows1252, "", {}, 5, 2},
    {"Windows-1252 \"\xC3\xA4\" alone is valid UTF-8", "\xC3\xA4", E::Utf8, "\xE4"},
    {"what follows a byte 26 decides nothing", "b\xC3\xA4r\r\n\x1A\xFF", E::Utf8, "b\xE4r\r\n\x1A"},
    {"combining accents join their letter", "a\xCC\x88N\xCC\x83s\xCC\x8CZ\xCC\x8C\xC3\xA4\xCC\x88", E::Utf8,
     "\xE4\xD1\x9A\x8E\xE4" + marker, {0x308}},
    {"byte-order marks where files were joined", "\xEF\xBB\xBFkopf\r\n\xEF\xBB\xBF\xC3\xA4",
     E::Utf8WithBom, "kopf\r\n\xE4"},
};
// clang-format on

TEST(TextEncoding, DetectsAndConvertsEveryRow) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const DecodedText decoded = decodeText(row.bytes);
        EXPECT_EQ(decoded.encoding, row.encoding);
        EXPECT_EQ(decoded.text, row.encoding == E::Windows1252 ? row.bytes : row.text);
        EXPECT_EQ(decoded.foreign, row.foreign);
        EXPECT_EQ(decoded.utf8Errors, row.utf8Errors);
        if (row.utf8Errors > 0) {
            EXPECT_EQ(decoded.firstUtf8Error, row.firstUtf8Error);
        }
    }
}

} // namespace
} // namespace schlingo::platform
