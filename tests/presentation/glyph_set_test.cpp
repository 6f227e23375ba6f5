#include "presentation/glyph_set.hpp"

#include "platform/machine/image_loader.hpp"
#include "platform/seam/host.hpp"
#include "state/program.hpp"
#include "support/file_bytes.hpp"
#include "support/scripted_program.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

namespace schlingo {
namespace {

using platform::Pixel;
constexpr Pixel magenta = 0xFFFF00FF;
constexpr Pixel black = 0xFF000000;

// A 24-bit bitmap of one colour.
std::string solidBitmap(int width, int height, Pixel colour) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::string b;
    auto put = [&b](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(static_cast<char>(v >> (8 * i)));
    };
    b = "BM";
    put(0, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    for (int i = 0; i < 6; ++i)
        put(0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            put(colour & 0xFFFFFF, 3);
        put(0, rowBytes - width * 3);
    }
    return b;
}

class GlyphSetTest : public ::testing::Test {
protected:
    GlyphSetTest() {
        program.programDirectory = temp.path().string();
        screen().openScreen(940, 320, 32, 1, 0);
    }
    ~GlyphSetTest() override { freeGlyphSet(program); }
    platform::Screen& screen() { return program.screen(); }
    // Pixels of the screen rectangle [x1, x2) x [y1, y2) that equal p.
    int count(int x1, int y1, int x2, int y2, Pixel p) {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                n += screen().readPixel(x, y) == p;
        return n;
    }
    void writePicture(const std::filesystem::path& name, int width, int height, Pixel colour) {
        test::writeBytes(temp.path() / name, solidBitmap(width, height, colour));
    }

    test::TempDir temp;
    platform::ScriptedBackend backend;
    Program program{backend};
};

TEST_F(GlyphSetTest, TheGlyphTableHasTheFileNamesInLoadOrder) {
    EXPECT_EQ(glyphIndex("A.galgen"), 0);
    EXPECT_EQ(glyphIndex("Z.galgen"), 25);
    EXPECT_EQ(glyphIndex("Strich.galgen"), 26);
    EXPECT_EQ(glyphIndex("\xC4.galgen"), 27);
    EXPECT_EQ(glyphIndex("\xDF.galgen"), 30);
    EXPECT_EQ(glyphIndex("leer.galgen"), 32);
    EXPECT_EQ(glyphIndex("Schraegstrich.galgen"), 39);
    EXPECT_EQ(glyphIndex("0.galgen"), 40);
    EXPECT_EQ(glyphIndex("9.galgen"), 49);
    EXPECT_EQ(glyphIndex("\xD1.galgen"), 50);
    EXPECT_EQ(glyphIndex("Logo.galgen"), -1);
    EXPECT_EQ(glyphIndex("a.galgen"), -1);
    for (int i = 0; i < glyphCount; ++i)
        EXPECT_EQ(glyphIndex(glyphFileNames[i]), i) << glyphFileNames[i]; // no name twice
}

TEST_F(GlyphSetTest, PicturesAreLookedUpInTheProgramDirectory) {
    program.programDirectory = "/opt/schlingo";
    const char separator = platform::host::pathSeparator();
    EXPECT_EQ(picturePath(program, "A.galgen"),
              std::string("/opt/schlingo") + separator + "A.galgen");
    program.programDirectory = "C:\\";
    EXPECT_EQ(picturePath(program, "PC.galgen"), "C:\\PC.galgen");
    program.programDirectory = "/";
    EXPECT_EQ(picturePath(program, "PC.galgen"), "/PC.galgen");
}

TEST_F(GlyphSetTest, WithEveryPictureMissingTheScreenShowsMagentaAndTheWordGoesOn) {
    drawBoardPicture(program);
    EXPECT_EQ(count(1, 1, 641, 320, magenta), 640 * 319);
    EXPECT_EQ(count(0, 0, 940, 1, magenta), 0); // the board starts at (1, 1)
    EXPECT_EQ(count(0, 0, 1, 320, magenta), 0);
    EXPECT_EQ(screen().readPixel(641, 100), black);

    loadGlyphSet(program);
    for (int i = 0; i < glyphCount; ++i) {
        platform::Image image = program.glyphs.glyphSet[static_cast<std::size_t>(i)];
        ASSERT_NE(image, nullptr) << i;
        screen().putImage(700, 20, image);
        EXPECT_EQ(count(700, 20, 716, 36, magenta), 256) << glyphFileNames[i];
    }
    EXPECT_EQ(glyph(program, "Strich.galgen"), program.glyphs.glyphSet[26]);
    freePlaceholderGlyph(program);
    EXPECT_EQ(glyph(program, "Strich.galgen"), nullptr);
    EXPECT_NE(glyph(program, "A.galgen"), nullptr);
    freeGlyphSet(program);
    for (platform::Image image : program.glyphs.glyphSet)
        EXPECT_EQ(image, nullptr);

    // The computer: 140 x 171 from (500, 150); its last row falls off the screen.
    screen().clearScreen();
    showComputerPicture(program);
    EXPECT_EQ(count(500, 150, 640, 320, magenta), 140 * 170);
    EXPECT_EQ(count(0, 0, 940, 320, magenta), 140 * 170);
}

TEST_F(GlyphSetTest, TheBoardFollowsTheSpecialLettersOption) {
    writePicture("Logo.galgen", 640, 320, 0x00AA00);
    writePicture("Logo_ohne.galgen", 640, 320, 0x0000BB);
    program.options.specialLetters = 0;
    drawBoardPicture(program);
    EXPECT_EQ(count(1, 1, 641, 320, 0xFF0000BB), 640 * 319);
    program.options.specialLetters = 1;
    drawBoardPicture(program);
    EXPECT_EQ(count(1, 1, 641, 320, 0xFF00AA00), 640 * 319);
}

TEST_F(GlyphSetTest, FilesAreReadAgainForEveryWord) {
    writePicture("A.galgen", 16, 16, 0x112233);
    writePicture(u8"\u00C4.galgen", 16, 16, 0x445566);
    writePicture("PC.galgen", 140, 171, 0x778899);
    loadGlyphSet(program);
    screen().putImage(0, 0, glyph(program, "A.galgen"));
    screen().putImage(16, 0, glyph(program, "\xC4.galgen"));
    EXPECT_EQ(count(0, 0, 16, 16, 0xFF112233), 256);
    EXPECT_EQ(count(16, 0, 32, 16, 0xFF445566), 256);
    freePlaceholderGlyph(program);
    freeGlyphSet(program);

    writePicture("A.galgen", 16, 16, 0xCCDDEE);
    loadGlyphSet(program);
    screen().putImage(0, 0, glyph(program, "A.galgen"));
    EXPECT_EQ(count(0, 0, 16, 16, 0xFFCCDDEE), 256);

    showComputerPicture(program);
    EXPECT_EQ(count(500, 150, 640, 320, 0xFF778899), 140 * 170);
    freeGlyphSet(program); // the blank marker too, though no word row freed it
    for (const platform::Image image : program.glyphs.glyphSet)
        EXPECT_EQ(image, nullptr);
}

// Every shipped picture loads whole: no status but 0, no magenta left over.
TEST(ShippedPictures, EveryPictureFillsItsImage) {
    test::ScriptedProgram scripted;
    Program& program = scripted.program;
    program.screen().openScreen(940, 320, 32, 1, 0);
    struct Picture {
        std::string name;
        int width, height;
    };
    std::vector<Picture> pictures = {
        {"Logo.galgen", 640, 320}, {"Logo_ohne.galgen", 640, 320}, {"PC.galgen", 140, 171}};
    for (const char* name : glyphFileNames)
        pictures.push_back({name, 16, 16});
    for (const Picture& picture : pictures) {
        platform::Image image = program.screen().createImage(picture.width, picture.height);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(platform::loadImageFile(picturePath(program, picture.name), image),
                  platform::StatusOk)
            << picture.name;
        platform::ImageLayout layout;
        ASSERT_TRUE(platform::readImageLayout(image->bytes, image->size, layout));
        int leftOver = 0;
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                Pixel p;
                std::memcpy(&p, image->bytes + layout.offset + y * layout.pitch + 4 * x, 4);
                leftOver += p == magenta;
            }
        }
        EXPECT_EQ(leftOver, 0) << picture.name;
        program.screen().destroyImage(image);
    }
}

} // namespace
} // namespace schlingo
