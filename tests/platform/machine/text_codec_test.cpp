#include "platform/machine/text_codec.hpp"

#include <gtest/gtest.h>

namespace schlingo::platform {
namespace {

std::string allBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

TEST(TextCodec, GermanLettersAndTheEuroInUtf8AndUtf16) {
    EXPECT_EQ(cp1252ToUtf8("St\xe4"
                           "dte \xdf\x80"),
              "St\xc3\xa4"
              "dte \xc3\x9f\xe2\x82\xac");
    EXPECT_EQ(cp1252ToUtf16("\xe4\x80\x9f"), (std::u16string{0x00E4, 0x20AC, 0x0178}));
    EXPECT_EQ(utf8ToCp1252("L\xc3\xa4nder"), std::optional<std::string>("L\xe4nder"));
    // A message's line breaks, and a lone "\r" kept.
    EXPECT_EQ(cp1252MessageToUtf8("verloren!\r\nWort: \xe4\r"), "verloren!\nWort: \xc3\xa4\r");
    std::string out; // every length of UTF-8 at its bounds
    for (const char32_t codePoint : {0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x1F600})
        appendUtf8(out, codePoint);
    EXPECT_EQ(out, "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf\xf0\x90\x80\x80\xf0\x9f\x98\x80");
}

TEST(TextCodec, EveryByteSurvivesARoundTrip) {
    const std::string bytes = allBytes();
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(bytes)), bytes);
    EXPECT_EQ(utf16ToCp1252(cp1252ToUtf16(bytes)), bytes);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(codePointToCp1252(cp1252ToCodePoint(static_cast<unsigned char>(b))), b);
    }
}

TEST(TextCodec, ForeignAndBrokenTextHasNoWindows1252Form) {
    EXPECT_FALSE(utf8ToCp1252("\xe6\x97\xa5")); // U+65E5
    EXPECT_FALSE(utf8ToCp1252("\xc3"));         // cut short
    EXPECT_FALSE(utf8ToCp1252("\xc0\xaf"));     // overlong '/'
    EXPECT_FALSE(utf8ToCp1252("\x80"));
    EXPECT_FALSE(utf8ToCp1252("\xf0\x9f\x98\x80"));
    EXPECT_FALSE(utf16ToCp1252(u"\u0100"));
    EXPECT_FALSE(utf16ToCp1252(std::u16string{0xD83D, 0xDE00}));
    EXPECT_FALSE(codePointToCp1252(0x0100));
    EXPECT_FALSE(codePointToCp1252(0x1F600));
    EXPECT_EQ(codePointToCp1252(0x00F1), 0xF1);
    EXPECT_EQ(codePointToCp1252(0x2122), 0x99);
}

TEST(TextCodec, OemConversionForTheScreenFont) {
    // ä ö ü ß Ä Ö Ü ñ Ñ
    EXPECT_EQ(toOem("\xe4\xf6\xfc\xdf\xc4\xd6\xdc\xf1\xd1"),
              "\x84\x94\x81\xe1\x8e\x99\x9a\xa4\xa5");
    EXPECT_EQ(toOem("Punkte: 12"), "Punkte: 12");
    EXPECT_EQ(toOem(std::string("\0\x1f\x7f", 3)), std::string("\0\x1f\x7f", 3));
    EXPECT_EQ(toOem("\xb0\xb1\xb5\xa3\xc7"), "\xf8\xf1\xe6\x9c\x80"); // ° ± µ £ Ç
    // Characters code page 437 lacks become the one replacement byte.
    const std::string replaced(3, static_cast<char>(oemReplacement));
    EXPECT_EQ(toOem("\x80\xc0\xfe"), replaced); // € À þ
}

} // namespace
} // namespace schlingo::platform
