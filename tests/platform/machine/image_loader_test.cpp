#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/image_loader.hpp"
#include "platform/machine/screen.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace schlingo::platform {
namespace {

constexpr Pixel magenta = 0xFFFF00FF;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A bitmap file: file header, info header of `infoSize` bytes (12, 40, 56, ...),
// then `extra` (palette or masks) and the pixel rows as given.
struct BitmapSpec {
    std::uint32_t infoSize = 40;
    std::int32_t width = 2, height = 2;
    std::uint16_t planes = 1, bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // header masks of sizes 56 and more
    Bytes extra;
    Bytes rows;
    std::int64_t dataOffset = -1; // -1: right after the extra bytes
    char signature[2] = {'B', 'M'};
};

Bytes bitmap(const BitmapSpec& s) {
    Bytes b;
    b.push_back(static_cast<std::uint8_t>(s.signature[0]));
    b.push_back(static_cast<std::uint8_t>(s.signature[1]));
    const std::uint32_t offset = s.dataOffset >= 0
                                     ? static_cast<std::uint32_t>(s.dataOffset)
                                     : 14 + s.infoSize + static_cast<std::uint32_t>(s.extra.size());
    put32(b, 0); // file size, not read
    put32(b, 0);
    put32(b, offset);
    put32(b, s.infoSize);
    if (s.infoSize == 12) {
        put16(b, static_cast<std::uint32_t>(s.width));
        put16(b, static_cast<std::uint32_t>(s.height));
        put16(b, s.planes);
        put16(b, s.bitsPerPixel);
    } else {
        put32(b, static_cast<std::uint32_t>(s.width));
        put32(b, static_cast<std::uint32_t>(s.height));
        put16(b, s.planes);
        put16(b, s.bitsPerPixel);
        put32(b, s.compression);
        for (std::uint32_t i = 20; i < std::min<std::uint32_t>(s.infoSize, 40); i += 4)
            put32(b, 0);
        if (s.infoSize >= 56)
            for (std::uint32_t m : s.masks)
                put32(b, m);
        while (b.size() < 14 + s.infoSize)
            b.push_back(0);
    }
    b.insert(b.end(), s.extra.begin(), s.extra.end());
    b.insert(b.end(), s.rows.begin(), s.rows.end());
    return b;
}

void writeFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string fixture(const std::string& name) {
    std::string dir = SCHLINGO_SOURCE_DIR "/tests/platform/machine/fixtures/";
#ifdef _WIN32
    if (dir[0] == '/')
        dir = "Z:" + dir; // under Wine the Linux root is drive Z:
#endif
    return dir + name;
}

class ImageLoaderTest : public ::testing::Test {
protected:
    ImageLoaderTest() {
        backend.attach(display);
        screen.openScreen(940, 320, 32, 1, 0);
    }
    ~ImageLoaderTest() override {
        for (Image image : images)
            screen.destroyImage(image);
    }
    Image create(int width, int height) {
        Image image = screen.createImage(width, height);
        images.push_back(image);
        return image;
    }
    static Pixel pixel(Image image, int x, int y) {
        ImageLayout layout;
        EXPECT_TRUE(readImageLayout(image->bytes, image->size, layout));
        Pixel p;
        std::memcpy(&p, image->bytes + layout.offset + y * layout.pitch + x * 4, 4);
        return p;
    }
    static Bytes contents(Image image) { return Bytes(image->bytes, image->bytes + image->size); }
    // Loads `file` and expects this status with the image left exactly as it was.
    void expectRefused(const Bytes& file, int status) {
        writeFile("refused.galgen", file);
        Image image = create(16, 16);
        const Bytes before = contents(image);
        EXPECT_EQ(loadImageFile("refused.galgen", image), status);
        EXPECT_EQ(contents(image), before);
    }

    test::TempDir temp;
    ScriptedBackend backend;
    Display display{backend};
    Screen& screen = display.screen;
    std::vector<Image> images;
};

// Every variant ImageMagick writes, compared with ImageMagick's own reading:
// the 13 x 7 picture in a 16 x 16 image with a magenta margin, and cropped
// into a 8 x 4 image.
TEST_F(ImageLoaderTest, BitmapsWrittenByImageMagickLoadAsImageMagickReadsThem) {
    const char* names[] = {"bmp2_1",          "bmp2_4",      "bmp2_8",          "bmp2_24",
                           "bmp3_1",          "bmp3_4",      "bmp3_8",          "bmp3_8_topdown",
                           "bmp3_16",         "bmp3_24",     "bmp3_24_topdown", "bmp3_32",
                           "bmp4_4",          "bmp4_16_565", "bmp4_24",         "bmp4_32",
                           "bmp4_32_topdown", "bmp5_8",      "bmp5_24",         "bmp5_32"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const Bytes reference = readFile(fixture(std::string(name) + ".rgba"));
        ASSERT_EQ(reference.size(), 13u * 7 * 4);
        auto expected = [&](int x, int y) {
            const std::uint8_t* p = reference.data() + (y * 13 + x) * 4;
            return Pixel{p[3]} << 24 | Pixel{p[0]} << 16 | Pixel{p[1]} << 8 | p[2];
        };
        Image wide = create(16, 16);
        ASSERT_EQ(loadImageFile(fixture(std::string(name) + ".bmp"), wide), StatusOk);
        int wrong = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                wrong += pixel(wide, x, y) != (x < 13 && y < 7 ? expected(x, y) : magenta);
        EXPECT_EQ(wrong, 0);
        Image narrow = create(8, 4);
        ASSERT_EQ(loadImageFile(fixture(std::string(name) + ".bmp"), narrow), StatusOk);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                wrong += pixel(narrow, x, y) != expected(x, y);
        EXPECT_EQ(wrong, 0);
    }
    // The top-down files are the bottom-up ones with their rows reversed.
    EXPECT_EQ(readFile(fixture("bmp3_24_topdown.rgba")), readFile(fixture("bmp3_24.rgba")));
    EXPECT_EQ(readFile(fixture("bmp4_32_topdown.rgba")), readFile(fixture("bmp4_32.rgba")));
}

TEST_F(ImageLoaderTest, MasksGiveChannelsWidenedToEightBits) {
    // 40-byte header with compression 3: the masks follow the header (5-6-5).
    BitmapSpec s;
    s.width = 3;
    s.height = 1;
    s.bitsPerPixel = 16;
    s.compression = 3;
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
        put32(s.extra, m);
    for (std::uint32_t v : {0xFFFFu, 0x0821u, 0xF800u})
        put16(s.rows, v);
    put16(s.rows, 0); // row filler
    writeFile("565.galgen", bitmap(s));
    Image image = create(16, 16);
    ASSERT_EQ(loadImageFile("565.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(image, 1, 0), 0xFF080408u); // 5 bits 1 -> 8, 6 bits 1 -> 4
    EXPECT_EQ(pixel(image, 2, 0), 0xFFFF0000u);

    // Without compression 16 bits are 5-5-5 whatever the header says; 31 -> 255.
    s.compression = 0;
    s.extra.clear();
    s.rows.clear();
    for (std::uint32_t v : {0x7FFFu, 0x0421u, 0x4210u})
        put16(s.rows, v);
    put16(s.rows, 0);
    writeFile("555.galgen", bitmap(s));
    ASSERT_EQ(loadImageFile("555.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(image, 1, 0), 0xFF080808u);
    EXPECT_EQ(pixel(image, 2, 0), 0xFF848484u); // 16 -> 16 * 8 + 16 / 4

    // 56-byte header: masks of 10 bits (shifted down) and of 2 bits (bits repeated).
    BitmapSpec wide;
    wide.infoSize = 56;
    wide.width = 2;
    wide.height = 1;
    wide.bitsPerPixel = 32;
    wide.compression = 3;
    wide.masks[0] = 0x3FF00000; // red, 10 bits
    wide.masks[1] = 0x000FFC00; // green, 10 bits
    wide.masks[2] = 0x000003FF; // blue, 10 bits
    wide.masks[3] = 0xC0000000; // alpha, 2 bits
    put32(wide.rows, 0xFFFFFFFF);
    put32(wide.rows, 0x40000000u | (0x200u << 20) | (0x004u << 10) | 0x3FCu);
    writeFile("1010102.galgen", bitmap(wide));
    ASSERT_EQ(loadImageFile("1010102.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(image, 1, 0), 0x558001FFu); // alpha 01 -> 0x55

    // A 32-bit bitmap without compression keeps the fourth byte as alpha; at
    // 24 bits alpha is opaque.
    BitmapSpec plain;
    plain.width = 1;
    plain.height = 1;
    plain.bitsPerPixel = 32;
    put32(plain.rows, 0x12345678);
    writeFile("32.galgen", bitmap(plain));
    ASSERT_EQ(loadImageFile("32.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0x12345678u);
    plain.bitsPerPixel = 24;
    plain.rows = {0x78, 0x56, 0x34, 0};
    writeFile("24.galgen", bitmap(plain));
    ASSERT_EQ(loadImageFile("24.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFF345678u);
}

TEST_F(ImageLoaderTest, PalettesRowsAndOffsetsFollowTheHeader) {
    // 2 bits per pixel, 12-byte header: 3-byte palette entries, packed from the
    // top bits, bottom row first.
    BitmapSpec s;
    s.infoSize = 12;
    s.width = 5;
    s.height = 2;
    s.bitsPerPixel = 2;
    s.extra = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    s.rows = {0b00011011, 0b00000000, 0, 0,  // bottom row: 0 1 2 3 0
              0b11100100, 0b11000000, 0, 0}; // top row: 3 2 1 0 3
    writeFile("2bit.galgen", bitmap(s));
    Image image = create(16, 16);
    ASSERT_EQ(loadImageFile("2bit.galgen", image), StatusOk);
    const Pixel colour[] = {0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A};
    const int top[] = {3, 2, 1, 0, 3}, bottom[] = {0, 1, 2, 3, 0};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(pixel(image, x, 0), colour[top[x]]) << x;
        EXPECT_EQ(pixel(image, x, 1), colour[bottom[x]]) << x;
    }
    EXPECT_EQ(pixel(image, 5, 0), magenta);

    // 8 bits, 40-byte header, data offset 0: the rows follow the 256-entry
    // palette. Compression 1 passes and is read as plain rows. Top-down needs
    // compression 0 or 3.
    BitmapSpec p;
    p.width = 1;
    p.height = -2;
    p.bitsPerPixel = 8;
    p.dataOffset = 0;
    p.extra.assign(256 * 4, 0);
    p.extra[4 * 7 + 2] = 0x77;
    p.extra[4 * 9 + 1] = 0x99;
    p.rows = {7, 0, 0, 0, 9, 0, 0, 0};
    writeFile("offset0.galgen", bitmap(p));
    ASSERT_EQ(loadImageFile("offset0.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFF770000u);
    EXPECT_EQ(pixel(image, 0, 1), 0xFF009900u);
    p.compression = 1;
    expectRefused(bitmap(p), StatusReadError);
    p.height = 2;
    writeFile("rle.galgen", bitmap(p));
    ASSERT_EQ(loadImageFile("rle.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFF009900u);

    // An explicit offset that skips bytes.
    BitmapSpec o;
    o.width = 1;
    o.height = 1;
    o.extra = {0xEE, 0xEE, 0xEE, 0xEE};
    o.rows = {1, 2, 3, 0};
    o.dataOffset = 14 + 40 + 4;
    writeFile("skip.galgen", bitmap(o));
    ASSERT_EQ(loadImageFile("skip.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFF030201u);
}

TEST_F(ImageLoaderTest, HeadersThatFailTheChecksLeaveTheImageAlone) {
    BitmapSpec good;
    good.rows.assign(16, 0x40);
    auto with = [&](auto change) {
        BitmapSpec s = good;
        change(s);
        return bitmap(s);
    };
    expectRefused(with([](BitmapSpec& s) { s.signature[1] = 'A'; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.planes = 2; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.width = 0; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.width = -3; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.height = 0; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.compression = 4; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.bitsPerPixel = 33; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.bitsPerPixel = 0; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.infoSize = 64; }), StatusReadError);
    expectRefused(with([](BitmapSpec& s) { s.height = -2, s.compression = 2; }), StatusReadError);
    expectRefused({'X', 'M'}, StatusReadError);
    expectRefused({}, StatusReadError);
    expectRefused({'B'}, StatusReadError);
    // Planes 0 passes.
    writeFile("planes0.galgen", with([](BitmapSpec& s) { s.planes = 0; }));
    EXPECT_EQ(loadImageFile("planes0.galgen", create(16, 16)), StatusOk);

    Image image = create(16, 16);
    const Bytes before = contents(image);
    EXPECT_EQ(loadImageFile("missing.galgen", image), StatusCannotOpen);
    EXPECT_EQ(contents(image), before);
    EXPECT_EQ(loadImageFile("planes0.galgen", nullptr), StatusIllegal);
}

TEST_F(ImageLoaderTest, DataOutsideTheFileIsAReadErrorNeverARead) {
    // A palette that runs past the end of the file.
    BitmapSpec pal;
    pal.bitsPerPixel = 8;
    pal.extra.assign(100, 0);
    expectRefused(bitmap(pal), StatusReadError);
    // Masks after a 40-byte header missing.
    BitmapSpec masks;
    masks.bitsPerPixel = 16;
    masks.compression = 3;
    expectRefused(bitmap(masks), StatusReadError);
    // Pixel data offset beyond the end.
    BitmapSpec far;
    far.rows.assign(16, 1);
    far.dataOffset = 0x7FFFFFF0;
    expectRefused(bitmap(far), StatusReadError);
    // Absurd sizes with hardly any data: nothing is allocated or walked for
    // them, and the rows the file lacks are a read error.
    for (auto [w, h] : {std::pair{0x7FFFFFFF, 1}, {1, 0x7FFFFFFF}, {0x7FFFFFFF, -0x7FFFFFFF}}) {
        BitmapSpec huge;
        huge.width = w;
        huge.height = h;
        huge.bitsPerPixel = 32;
        huge.rows.assign(64, 0x11);
        writeFile("huge.galgen", bitmap(huge));
        Image image = create(16, 16);
        EXPECT_EQ(loadImageFile("huge.galgen", image), StatusReadError) << w << "x" << h;
    }
    // A file that ends inside the pixel data keeps the rows read before:
    // bottom-up, so the bottom rows.
    BitmapSpec cut;
    cut.width = 1;
    cut.height = 4;
    cut.rows = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3}; // rows 3 and 2 complete, row 1 cut
    writeFile("cut.galgen", bitmap(cut));
    Image image = create(16, 16);
    EXPECT_EQ(loadImageFile("cut.galgen", image), StatusReadError);
    EXPECT_EQ(pixel(image, 0, 3), 0xFF010101u);
    EXPECT_EQ(pixel(image, 0, 2), 0xFF020202u);
    EXPECT_EQ(pixel(image, 0, 1), magenta);
    EXPECT_EQ(pixel(image, 0, 0), magenta);
}

TEST_F(ImageLoaderTest, DeepBitmapsCannotGoIntoOneBytePerPixelImages) {
    // A hand-made image of 1 byte per pixel, 4 x 2.
    alignas(16) std::uint8_t bytes[32 + 2 * 16] = {};
    const std::uint32_t headerWords[] = {7, 1, 4, 2, 16};
    std::memcpy(bytes, headerWords, sizeof headerWords);
    ImageBuffer small{bytes, sizeof bytes};
    BitmapSpec deep;
    deep.rows.assign(16, 0x40);
    writeFile("deep.galgen", bitmap(deep));
    EXPECT_EQ(loadImageFile("deep.galgen", &small), StatusIllegal);
    // A palette bitmap gives its indexes.
    BitmapSpec indexed;
    indexed.width = 2;
    indexed.height = 1;
    indexed.bitsPerPixel = 4;
    indexed.extra.assign(64, 0);
    indexed.rows = {0x5A, 0, 0, 0};
    writeFile("indexed.galgen", bitmap(indexed));
    EXPECT_EQ(loadImageFile("indexed.galgen", &small), StatusOk);
    EXPECT_EQ(bytes[32], 5);
    EXPECT_EQ(bytes[33], 10);
}

Bytes blockFile(bool longForm, const Bytes& block, std::uint32_t length) {
    Bytes file;
    if (longForm) {
        file.push_back(0xFE);
        put32(file, length);
    } else {
        file = {0xFD, 0x12, 0x34, 0x56, 0x78};
        put16(file, length);
    }
    file.insert(file.end(), block.begin(), block.end());
    return file;
}

TEST_F(ImageLoaderTest, BlockFilesBringTheirOwnHeader) {
    // A 16 x 16 image saved as a long block file is 1061 bytes and loads back.
    Image source = create(16, 16);
    for (int i = 0; i < 16; ++i)
        std::memset(source->bytes + 32 + i * 64, 0x10 + i, 64);
    const Bytes whole = blockFile(true, contents(source), 1056);
    EXPECT_EQ(whole.size(), 1061u);
    writeFile("whole.galgen", whole);
    Image image = create(16, 16);
    ASSERT_EQ(loadImageFile("whole.galgen", image), StatusOk);
    EXPECT_EQ(contents(image), contents(source));

    // A 10 x 12 image in a buffer made for 16 x 16: putImage draws 10 x 12.
    Bytes small;
    for (std::uint32_t v : {7u, 4u, 10u, 12u, 48u, 0u, 0u, 0u})
        put32(small, v);
    for (int i = 0; i < 12 * 12; ++i)
        put32(small, 0x00ABCDEF);
    writeFile("small.galgen", blockFile(true, small, static_cast<std::uint32_t>(small.size())));
    ASSERT_EQ(loadImageFile("small.galgen", image), StatusOk);
    screen.clearScreen();
    ASSERT_EQ(screen.putImage(0, 0, image), StatusOk);
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            drawn += screen.readPixel(x, y) == 0x00ABCDEFu;
    EXPECT_EQ(drawn, 10 * 12);
    EXPECT_EQ(screen.readPixel(9, 11), 0x00ABCDEFu);

    // Short form with the 4-byte header: 3 x 2, bytes per pixel 0 (the screen's).
    Bytes packed;
    put32(packed, (3u << 3) | (2u << 16));
    for (int i = 0; i < 6; ++i)
        put32(packed, 0x00000100u + i);
    writeFile("short.galgen", blockFile(false, packed, static_cast<std::uint32_t>(packed.size())));
    ASSERT_EQ(loadImageFile("short.galgen", image), StatusOk);
    screen.clearScreen();
    ASSERT_EQ(screen.putImage(0, 0, image), StatusOk);
    EXPECT_EQ(screen.readPixel(2, 1), 0x00000105u);
    EXPECT_EQ(screen.readPixel(3, 1), 0xFF000000u);

    // A file shorter than its length: the bytes there are in place.
    Bytes part(whole.begin(), whole.begin() + 5 + 32 + 64 * 2);
    writeFile("part.galgen", part);
    Image partly = create(16, 16);
    ASSERT_EQ(loadImageFile("part.galgen", partly), StatusOk);
    EXPECT_EQ(pixel(partly, 0, 1), 0x11111111u);
    EXPECT_EQ(pixel(partly, 0, 2), magenta);
}

TEST_F(ImageLoaderTest, BlocksThatDoNotFitTheBufferAreRefused) {
    Image source = create(16, 16);
    const Bytes block = contents(source);
    // Longer than the buffer, by length or by content.
    expectRefused(blockFile(true, block, 1057), StatusReadError);
    Bytes longer = block;
    longer.resize(2000, 0);
    expectRefused(blockFile(true, longer, 2000), StatusReadError);
    // A header describing more rows, a wider row or a larger pitch than fit.
    for (auto [offset, value] :
         {std::pair{12, 17u}, {8, 17u}, {16, 80u}, {4, 5u}, {12, 0x80000000u}}) {
        Bytes crafted = block;
        std::memcpy(crafted.data() + offset, &value, 4);
        expectRefused(blockFile(true, crafted, 1056), StatusReadError);
    }
    // A short header whose rows reach past the buffer (127 x 16 pixels).
    Bytes shortForm;
    put32(shortForm, (127u << 3) | (16u << 16));
    shortForm.resize(100, 0);
    expectRefused(blockFile(false, shortForm, 100), StatusReadError);
    // A file that ends inside its header leaves a mixed header; refused when
    // that no longer fits.
    Bytes cut = {0xFE, 0x20, 0x04, 0, 0, 7, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF};
    expectRefused(cut, StatusReadError);
    // A file that ends inside the length.
    expectRefused({0xFE, 0x20}, StatusReadError);
    expectRefused({0xFD, 0, 0, 0, 0, 0x20}, StatusReadError);
}

TEST_F(ImageLoaderTest, PathsUseEitherSeparatorAndAtMost259Bytes) {
    std::filesystem::create_directory("sub");
    BitmapSpec s;
    s.width = 1;
    s.height = 1;
    s.rows = {1, 2, 3, 0};
    writeFile("sub/xxxxxxxx.galgen", bitmap(s));
    Image image = create(16, 16);
    EXPECT_EQ(loadImageFile("sub\\xxxxxxxx.galgen", image), StatusOk);
    EXPECT_EQ(pixel(image, 0, 0), 0xFF030201u);
    EXPECT_EQ(loadImageFile("sub/xxxxxxxx.galgen", create(16, 16)), StatusOk);

    std::string path;
    for (int i = 0; i < 120; ++i)
        path += "./";
    path += "sub/xxxxxxxx.galgen";
    ASSERT_EQ(path.size(), 259u);
    EXPECT_EQ(loadImageFile(path + "garbage", image), StatusOk);
    EXPECT_EQ(loadImageFile(path.substr(0, 258), image), StatusCannotOpen);
}

} // namespace
} // namespace schlingo::platform
