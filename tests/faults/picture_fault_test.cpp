// Damaged picture files in the program's directory: whatever a file holds, the
// word's pictures are made, drawn and freed, and what could not be read shows
// as magenta.

#include "platform/machine/image_loader.hpp"
#include "presentation/glyph_set.hpp"
#include "state/program.hpp"
#include "support/file_bytes.hpp"
#include "support/scripted_program.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace schlingo {
namespace {

namespace fs = std::filesystem;
using platform::Pixel;
constexpr Pixel magenta = 0xFFFF00FF;

// The names below are UTF-8; u8path is deprecated in C++20.
fs::path utf8Path(const char* name) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(name)));
}

// The shipped 16 x 16 glyphs are 8-bit bitmaps: 14 + 40 header bytes, a
// palette of 1024 bytes, then 16 rows of 16 bytes from the bottom up.
constexpr std::size_t glyphPixelStart = 14 + 40 + 1024;

void put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

class PictureFaultTest : public ::testing::Test {
protected:
    PictureFaultTest() {
        // A program directory with every shipped picture, to be damaged.
        for (const auto& entry : fs::directory_iterator(test::dataDirectory()))
            if (entry.path().extension() == ".galgen")
                fs::copy_file(entry.path(), temp.path() / entry.path().filename());
        program.programDirectory = temp.path().string();
        program.screen().openScreen(940, 320, 32, 1, 0);
    }
    ~PictureFaultTest() override { freeGlyphSet(program); }

    fs::path file(const char* name) const { return temp.path() / utf8Path(name); }
    std::string shipped(const char* name) const {
        return test::readBytes(fs::path(test::dataDirectory()) / utf8Path(name));
    }
    // Magenta pixels of the screen rectangle [x1, x2) x [y1, y2).
    int magentaIn(int x1, int y1, int x2, int y2) {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                n += program.screen().readPixel(x, y) == magenta;
        return n;
    }
    // Draws the loaded glyph of `name` at (0, 0) on a cleared screen.
    void drawGlyph(const char* name) {
        program.screen().clearScreen();
        ASSERT_NE(glyph(program, name), nullptr) << name;
        program.screen().putImage(0, 0, glyph(program, name));
    }

    test::TempDir temp;
    platform::ScriptedBackend backend;
    Program program{backend};
};

TEST_F(PictureFaultTest, EmptyMissingAndDirectoryPicturesShowMagenta) {
    test::writeBytes(file("A.galgen"), "");
    fs::remove(file("B.galgen"));
    for (const char* name : {"C.galgen", "Logo_ohne.galgen"}) {
        fs::remove(file(name));
        fs::create_directory(file(name));
    }
    test::writeBytes(file("PC.galgen"), "");

    loadGlyphSet(program);
    for (const char* name : {"A.galgen", "B.galgen", "C.galgen"}) {
        drawGlyph(name);
        EXPECT_EQ(magentaIn(0, 0, 16, 16), 256) << name;
    }
    drawGlyph("D.galgen"); // undamaged neighbours load as shipped
    EXPECT_EQ(magentaIn(0, 0, 16, 16), 0);

    program.screen().clearScreen();
    drawBoardPicture(program);
    EXPECT_EQ(magentaIn(1, 1, 641, 320), 640 * 319);
    program.screen().clearScreen();
    showComputerPicture(program);
    EXPECT_EQ(magentaIn(500, 150, 640, 320), 140 * 170);
}

TEST_F(PictureFaultTest, TruncatedPicturesKeepTheRowsTheyHold) {
    const std::string a = shipped("A.galgen");
    ASSERT_EQ(a.size(), glyphPixelStart + 16 * 16);
    // Cut inside the file header, the info header and the palette: nothing is drawn.
    test::writeBytes(file("A.galgen"), a.substr(0, 9));
    test::writeBytes(file("B.galgen"), a.substr(0, 30));
    test::writeBytes(file("E.galgen"), a.substr(0, 600));
    // Cut after 5 whole rows and a half: the picture's bottom 5 rows are there.
    test::writeBytes(file("F.galgen"), a.substr(0, glyphPixelStart + 5 * 16 + 8));
    // The board cut in the middle of its pixels, the computer one byte short.
    const std::string board = shipped("Logo_ohne.galgen");
    test::writeBytes(file("Logo_ohne.galgen"), board.substr(0, board.size() / 2));
    const std::string computer = shipped("PC.galgen");
    test::writeBytes(file("PC.galgen"), computer.substr(0, computer.size() - 1));

    loadGlyphSet(program);
    for (const char* name : {"A.galgen", "B.galgen", "E.galgen"}) {
        drawGlyph(name);
        EXPECT_EQ(magentaIn(0, 0, 16, 16), 256) << name;
    }
    drawGlyph("F.galgen");
    EXPECT_EQ(magentaIn(0, 0, 16, 11), 16 * 11);
    EXPECT_EQ(magentaIn(0, 11, 16, 16), 0);

    program.screen().clearScreen();
    drawBoardPicture(program);
    const int boardMagenta = magentaIn(1, 1, 641, 320);
    EXPECT_GT(boardMagenta, 640 * 150); // the top half is missing
    EXPECT_LT(boardMagenta, 640 * 170);
    EXPECT_EQ(magentaIn(1, 200, 641, 320), 0);

    // Its top row lacks a byte; the row below and everything under it is there.
    program.screen().clearScreen();
    showComputerPicture(program);
    EXPECT_EQ(magentaIn(500, 150, 640, 151), 140);
    EXPECT_EQ(magentaIn(500, 151, 640, 320), 0);
}

TEST_F(PictureFaultTest, HugeDeclaredSizesAreNeitherAllocatedNorWalked) {
    const std::string a = shipped("A.galgen");
    auto withSize = [&](std::uint32_t width, std::uint32_t height) {
        std::string bytes = a;
        put32(bytes, 18, width);
        put32(bytes, 22, height);
        return bytes;
    };
    test::writeBytes(file("A.galgen"), withSize(0x7FFFFFFF, 0x7FFFFFFF));
    test::writeBytes(file("B.galgen"), withSize(16, 0x7FFFFFFF));
    test::writeBytes(file("C.galgen"), withSize(0xFFFFFFFF, 16)); // width -1
    std::string farData = a;                                      // pixels 4 GB into a 1 kB file
    put32(farData, 10, 0xFFFFFFF0);
    test::writeBytes(file("E.galgen"), farData);
    // Block files: a length of 4 GB, and an image header of 65535 x 65535.
    test::writeBytes(file("F.galgen"), std::string("\xFE\xFF\xFF\xFF\xFF", 5) + a);
    std::string block("\xFE\x20\x04\x00\x00", 5);
    for (std::uint32_t word : {7u, 4u, 65535u, 65535u, 65535u * 4, 0u, 0u, 0u})
        for (int i = 0; i < 4; ++i)
            block.push_back(static_cast<char>(word >> (8 * i)));
    block.resize(5 + 1056, '\x33');
    test::writeBytes(file("G.galgen"), block);
    test::writeBytes(file("PC.galgen"), withSize(0x7FFFFFFF, 0x80000001)); // top-down, huge

    const auto started = std::chrono::steady_clock::now();
    loadGlyphSet(program);
    showComputerPicture(program);
    const auto took = std::chrono::steady_clock::now() - started;
    for (const char* name :
         {"A.galgen", "B.galgen", "C.galgen", "E.galgen", "F.galgen", "G.galgen"}) {
        drawGlyph(name);
        EXPECT_EQ(magentaIn(0, 0, 16, 16), 256) << name;
        // The header still describes the 16 x 16 image it was made as.
        platform::ImageLayout layout;
        platform::Image image = glyph(program, name);
        ASSERT_TRUE(platform::readImageLayout(image->bytes, image->size, layout));
        EXPECT_EQ(layout.width, 16) << name;
        EXPECT_EQ(layout.height, 16) << name;
    }
    // Loading 52 pictures of absurd sizes is still a matter of milliseconds.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(took).count(), 5);
}

} // namespace
} // namespace schlingo
