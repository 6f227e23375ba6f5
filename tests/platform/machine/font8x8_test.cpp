#include "platform/machine/font8x8.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace schlingo::platform {
namespace {

std::string glyphBytes(int ch) {
    return std::string(reinterpret_cast<const char*>(font8x8[ch]), 8);
}

TEST(Font8x8, PrintableCharactersAndGermanLettersHaveTheirOwnGlyphs) {
    std::set<std::string> seen;
    for (int ch = 0x21; ch <= 0x7E; ++ch)
        EXPECT_TRUE(seen.insert(glyphBytes(ch)).second) << "duplicate glyph at " << ch;
    // Code page 437: ä 0x84, ö 0x94, ü 0x81, Ä 0x8E, Ö 0x99, Ü 0x9A, ß 0xE1, ñ 0xA4, Ñ 0xA5.
    for (int ch : {0x84, 0x94, 0x81, 0x8E, 0x99, 0x9A, 0xE1, 0xA4, 0xA5})
        EXPECT_TRUE(seen.insert(glyphBytes(ch)).second) << "duplicate glyph at " << ch;
    EXPECT_EQ(glyphBytes(' '), std::string(8, '\0'));
    EXPECT_EQ(glyphBytes(0xDB), std::string(8, '\xFF')); // full block
    // Ä is A with two dots above: its lower rows are those of A shifted down one.
    EXPECT_EQ(std::memcmp(font8x8[0x8E] + 2, font8x8[int{'A'}] + 1, 5), 0);
}

} // namespace
} // namespace schlingo::platform
