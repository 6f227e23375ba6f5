// The shipped pictures in data/ and the icon in resources/: made by the
// generator, of the sizes the game creates for them, and fit to be drawn over.

#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/image_loader.hpp"
#include "presentation/glyph_set.hpp"
#include "tools/content/bitmap_file.hpp"
#include "tools/content/content_files.hpp"
#include "tools/content/pictures.hpp"
#include "tools/content/word_lists.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>

namespace schlingo::content {
namespace {

const std::filesystem::path repo = SCHLINGO_SOURCE_DIR;

Canvas shippedPicture(const std::string& name) {
    const auto bytes = readWholeFile(repo / "data" / utf8Path(name));
    if (!bytes) {
        ADD_FAILURE() << name << " is missing";
        return Canvas(1, 1, 0);
    }
    auto picture = decodeBitmap(*bytes);
    if (!picture) {
        ADD_FAILURE() << name << " is not a bitmap the generator writes";
        return Canvas(1, 1, 0);
    }
    return *picture;
}

int luminance(Colour c) {
    return (static_cast<int>((c >> 16) & 0xFF) * 299 + static_cast<int>((c >> 8) & 0xFF) * 587 +
            static_cast<int>(c & 0xFF) * 114) /
           1000;
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(PictureContent, RegeneratingGivesTheCommittedBytes) {
    const auto first = pictureFiles();
    const auto second = pictureFiles();
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << first[i].path << " differs between runs";
        const auto committed = readWholeFile(repo / utf8Path(first[i].path));
        ASSERT_TRUE(committed.has_value()) << first[i].path << " is not committed";
        EXPECT_TRUE(*committed == first[i].bytes)
            << first[i].path << " is stale: rebuild it with the 'content' target";
    }
}

TEST(PictureContent, DataHoldsExactlyTheGamesPicturesInTheirSizes) {
    std::set<std::string> expected = {"Logo.galgen", "Logo_ohne.galgen", "PC.galgen",
                                      "Button2.galgen"};
    for (const GlyphFile& glyph : glyphFiles) {
        expected.insert(std::string(glyph.name) + ".galgen");
    }
    EXPECT_EQ(expected.size(), 55u); // 54 pictures and the click map, no name twice
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(repo / "data")) {
        const std::u8string name = entry.path().filename().u8string();
        if (entry.path().extension() == ".galgen") {
            found.emplace(name.begin(), name.end());
        }
    }
    EXPECT_EQ(found, expected);

    for (const char* board : {"Logo.galgen", "Logo_ohne.galgen"}) {
        const Canvas picture = shippedPicture(board);
        EXPECT_EQ(picture.width(), 640) << board;
        EXPECT_EQ(picture.height(), 320) << board;
    }
    const Canvas computer = shippedPicture("PC.galgen");
    EXPECT_EQ(computer.width(), 140);
    EXPECT_EQ(computer.height(), 171);
    for (const GlyphFile& glyph : glyphFiles) {
        const Canvas picture = shippedPicture(std::string(glyph.name) + ".galgen");
        EXPECT_EQ(picture.width(), 16) << glyph.name;
        EXPECT_EQ(picture.height(), 16) << glyph.name;
    }
}

TEST(PictureContent, GlyphFilesAreTheOnesTheGameLoadsInItsOrder) {
    for (std::size_t i = 0; i < glyphFiles.size(); ++i) {
        EXPECT_EQ(toWindows1252(glyphFiles[i].name) + ".galgen", glyphFileNames[i]) << i;
    }
}

TEST(PictureContent, GlyphsAreBrightShapesOnBlackAndAllDifferent) {
    std::vector<std::vector<Colour>> seen;
    for (const GlyphFile& glyph : glyphFiles) {
        const Canvas picture = shippedPicture(std::string(glyph.name) + ".galgen");
        int bright = 0, lit = 0;
        for (Colour c : picture.pixels()) {
            bright += luminance(c) >= 128 ? 1 : 0;
            lit += (c & 0xFFFFFF) != 0 ? 1 : 0;
        }
        if (std::string(glyph.name) == "leer") {
            EXPECT_EQ(lit, 0) << "the empty field shows nothing";
        } else {
            EXPECT_GE(bright, 6) << glyph.name << " is too faint to read";
            EXPECT_LE(lit, 128) << glyph.name << " is not a shape on black";
        }
        // The corners stay black so neighbouring fields of the word row never touch.
        for (int corner : {0, 15}) {
            EXPECT_EQ(picture.at(corner, 0) & 0xFFFFFF, 0u) << glyph.name;
            EXPECT_EQ(picture.at(corner, 15) & 0xFFFFFF, 0u) << glyph.name;
        }
        for (std::size_t other = 0; other < seen.size(); ++other) {
            EXPECT_NE(seen[other], picture.pixels())
                << glyph.name << " looks like " << glyphFiles[other].name;
        }
        seen.push_back(picture.pixels());
    }
}

TEST(PictureContent, PlaceholderDashSitsLowerThanTheHyphen) {
    const auto lowestInk = [](const Canvas& picture) {
        int lowest = -1;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (luminance(picture.at(x, y)) >= 100) {
                    lowest = y;
                }
            }
        }
        return lowest;
    };
    EXPECT_GE(lowestInk(shippedPicture("Strich.galgen")), 12);
    EXPECT_LE(lowestInk(shippedPicture("-.galgen")), 10);
}

TEST(PictureContent, BoardsLeaveTheAreasTheGameDrawsOnBlack) {
    for (const char* board : {"Logo.galgen", "Logo_ohne.galgen"}) {
        const Canvas picture = shippedPicture(board);
        for (const ScreenArea& area : {wordRowBand, counterBand, computerArea}) {
            int stray = 0;
            for (int y = area.y1; y <= area.y2; ++y) {
                for (int x = area.x1; x <= area.x2; ++x) {
                    const int bx = x - boardScreenX, by = y - boardScreenY;
                    if (bx >= 0 && by >= 0 && bx < picture.width() && by < picture.height()) {
                        stray += (picture.at(bx, by) & 0xFFFFFF) != 0 ? 1 : 0;
                    }
                }
            }
            EXPECT_EQ(stray, 0) << board << ": pixels drawn in the area at (" << area.x1 << ", "
                                << area.y1 << ")";
        }
    }
}

// The game's own loader, given the Windows-1252 path the game builds, fills
// an image of the size the game creates with exactly the generated pixels.
TEST(PictureContent, TheGamesLoaderReadsEveryPictureFully) {
    platform::ScriptedBackend backend;
    platform::Display display{backend};
    backend.attach(display);
    platform::Screen& screen = display.screen;
    screen.openScreen(940, 320, 32, 1, 0);
    std::string directory = SCHLINGO_SOURCE_DIR "/data/";
#ifdef _WIN32
    if (directory[0] == '/') {
        directory = "Z:" + directory; // under Wine the Linux root is drive Z:
    }
#endif
    std::vector<std::string> names = {"Logo.galgen", "Logo_ohne.galgen", "PC.galgen"};
    for (const GlyphFile& glyph : glyphFiles) {
        names.push_back(std::string(glyph.name) + ".galgen");
    }
    for (const std::string& name : names) {
        const Canvas expected = shippedPicture(name);
        platform::Image image = screen.createImage(expected.width(), expected.height());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(platform::loadImageFile(directory + toWindows1252(name), image), 0) << name;
        platform::ImageLayout layout;
        ASSERT_TRUE(platform::readImageLayout(image->bytes, image->size, layout));
        int wrong = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                platform::Pixel p;
                std::memcpy(&p,
                            image->bytes + layout.offset +
                                static_cast<std::size_t>(y) * layout.pitch +
                                static_cast<std::size_t>(x) * 4,
                            4);
                wrong += p != (0xFF000000u | expected.at(x, y)) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << name;
        screen.destroyImage(image);
    }
}

TEST(PictureContent, BitmapsRoundTripInBothDepths) {
    Canvas few(3, 2, rgb(0x102030));
    few.set(2, 1, rgb(0xFFEEDD));
    Canvas many(20, 15, 0);
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 20; ++x) {
            many.set(x, y, rgb(static_cast<Colour>(x * 0x0D0000 + y * 0x000B07)));
        }
    }
    for (const Canvas* original : {&few, &many}) {
        const Bytes bytes = encodeBitmap(*original);
        const auto back = decodeBitmap(bytes);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->pixels(), original->pixels());
        EXPECT_EQ(le32(bytes, 2), bytes.size()) << "file size field";
        EXPECT_EQ(bytes[28], original == &few ? 8 : 24) << "bits per pixel";
        const std::size_t stride = original == &few ? 4 : 60;
        EXPECT_EQ(bytes.size() - le32(bytes, 10),
                  stride * static_cast<std::size_t>(original->height()));
    }
    Bytes cut = encodeBitmap(many);
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(decodeBitmap(cut).has_value());
}

TEST(PictureContent, IconHoldsThreeSizesWithMasksAndTheRawCopy) {
    const auto ico = readWholeFile(repo / "resources" / "schlingo.ico");
    ASSERT_TRUE(ico.has_value());
    const Bytes& b = *ico;
    ASSERT_GE(b.size(), 6u + 3 * 16);
    EXPECT_EQ(le32(b, 0), 0x00010000u); // reserved 0, type 1 (icon)
    EXPECT_EQ(b[4], 3);
    const int sizes[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        const int n = sizes[i];
        EXPECT_EQ(b[entry], n);
        EXPECT_EQ(b[entry + 1], n);
        const std::uint32_t length = le32(b, entry + 8), offset = le32(b, entry + 12);
        ASSERT_LE(std::size_t{offset} + length, b.size());
        const std::size_t maskStride = (static_cast<std::size_t>(n) + 31) / 32 * 4;
        EXPECT_EQ(length, 40 + (4 * static_cast<std::uint32_t>(n) + maskStride) *
                                   static_cast<std::uint32_t>(n));
        EXPECT_EQ(le32(b, offset + 4), static_cast<std::uint32_t>(n));
        EXPECT_EQ(le32(b, offset + 8), static_cast<std::uint32_t>(2 * n)); // colour and mask
        EXPECT_EQ(b[offset + 14], 32);
        // A pixel is transparent in the mask exactly when its alpha is 0.
        const std::size_t colours = offset + 40,
                          mask = colours + 4 * static_cast<std::size_t>(n * n);
        int opaque = 0;
        for (int row = 0; row < n; ++row) {
            for (int x = 0; x < n; ++x) {
                const auto alpha = b[colours + 4 * static_cast<std::size_t>(row * n + x) + 3];
                const bool masked = (b[mask + static_cast<std::size_t>(row) * maskStride +
                                       static_cast<std::size_t>(x / 8)] >>
                                     (7 - x % 8)) &
                                    1;
                EXPECT_EQ(masked, alpha == 0);
                opaque += alpha == 0xFF ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, n * n / 3) << "the " << n << " pixel icon is nearly empty";
    }
    const auto raw = readWholeFile(repo / "resources" / "schlingo-48.bgra");
    ASSERT_TRUE(raw.has_value());
    ASSERT_EQ(raw->size(), 48u * 48u * 4u);
    // The raw copy runs top-down, the icon's 48-pixel image bottom-up.
    const std::size_t big = le32(b, 6 + 32 + 12) + 40;
    for (int row = 0; row < 48; ++row) {
        const auto from = b.begin() + static_cast<std::ptrdiff_t>(
                                          big + static_cast<std::size_t>((47 - row) * 48 * 4));
        EXPECT_TRUE(std::equal(from, from + 48 * 4, raw->begin() + row * 48 * 4)) << "row " << row;
    }
}

std::uint32_t be32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
           static_cast<std::uint32_t>(b[at + 2]) << 8 | static_cast<std::uint32_t>(b[at + 3]);
}

// Inflates stored and fixed-Huffman deflate blocks, what the generator
// writes; `at` ends on the first byte after the last block. Empty on a code
// or a distance that no valid stream holds.
std::optional<Bytes> inflateFixed(const Bytes& z, std::size_t& at) {
    std::size_t bit = at * 8;
    const auto read = [&](int n, bool huffman) -> std::uint32_t {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit) {
            const std::uint32_t b = bit / 8 < z.size() ? (z[bit / 8] >> (bit % 8)) & 1 : 0;
            v = huffman ? v << 1 | b : v | b << i;
        }
        return v;
    };
    static const int lengthBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                     15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                     67, 83, 99, 115, 131, 163, 195, 227, 258};
    Bytes out;
    for (bool last = false; !last && bit / 8 < z.size();) {
        last = read(1, false) != 0;
        const std::uint32_t type = read(2, false);
        if (type == 0) {
            bit = (bit + 7) / 8 * 8;
            const std::uint32_t length = read(16, false);
            if ((length ^ read(16, false)) != 0xFFFF || bit / 8 + length > z.size())
                return std::nullopt;
            out.insert(out.end(), z.begin() + static_cast<std::ptrdiff_t>(bit / 8),
                       z.begin() + static_cast<std::ptrdiff_t>(bit / 8 + length));
            bit += 8 * length;
            continue;
        }
        if (type != 1)
            return std::nullopt;
        for (;;) {
            std::uint32_t code = read(7, true);
            int symbol;
            if (code < 24) {
                symbol = 256 + static_cast<int>(code);
            } else if ((code = code << 1 | read(1, true)) >= 0x30 && code < 0xC0) {
                symbol = static_cast<int>(code) - 0x30;
            } else if (code >= 0xC0 && code < 0xC8) {
                symbol = 280 + static_cast<int>(code) - 0xC0;
            } else {
                symbol = 144 + static_cast<int>((code << 1 | read(1, true)) - 0x190);
            }
            if (symbol < 256) {
                out.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256)
                break;
            const int l = symbol - 257;
            if (l >= 29)
                return std::nullopt;
            const int lengthBits = l < 8 || l == 28 ? 0 : (l - 4) / 4;
            const std::size_t length = lengthBase[l] + read(lengthBits, false);
            const std::uint32_t d = read(5, true);
            if (d >= 30)
                return std::nullopt;
            const int distanceBits = d < 4 ? 0 : static_cast<int>(d) / 2 - 1;
            const std::size_t distance =
                (d < 4 ? d + 1 : ((2u + (d & 1)) << distanceBits) + 1) + read(distanceBits, false);
            if (distance > out.size())
                return std::nullopt;
            for (std::size_t i = 0; i < length; ++i)
                out.push_back(out[out.size() - distance]);
        }
    }
    at = (bit + 7) / 8;
    return out;
}

// The menus' and the web app's PNG icons: the icon picture at 48, 128, 192
// and 512 pixels, row by row in R, G, B, A, unfiltered, deflated, and the
// blocky picture packed to a tenth of its raw size at most.
TEST(PictureContent, MenuIconsArePngsOfTheIconPicture) {
    for (int n : {48, 128, 192, 512}) {
        SCOPED_TRACE(n);
        const auto png =
            readWholeFile(repo / "resources" / ("schlingo-" + std::to_string(n) + ".png"));
        ASSERT_TRUE(png.has_value());
        const Bytes& b = *png;
        const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        ASSERT_TRUE(std::equal(signature.begin(), signature.end(), b.begin()));
        std::vector<std::string> types;
        Bytes zlib;
        for (std::size_t at = 8; at + 12 <= b.size();) {
            const std::size_t length = be32(b, at);
            ASSERT_LE(at + 12 + length, b.size());
            types.emplace_back(b.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               b.begin() + static_cast<std::ptrdiff_t>(at + 8));
            const auto data = b.begin() + static_cast<std::ptrdiff_t>(at + 8);
            if (types.back() == "IHDR") {
                ASSERT_EQ(length, 13u);
                EXPECT_EQ(be32(b, at + 8), static_cast<std::uint32_t>(n));
                EXPECT_EQ(be32(b, at + 12), static_cast<std::uint32_t>(n));
                EXPECT_EQ(Bytes(data + 8, data + 13), (Bytes{8, 6, 0, 0, 0}));
            } else if (types.back() == "IDAT") {
                zlib.insert(zlib.end(), data, data + static_cast<std::ptrdiff_t>(length));
            }
            at += 12 + length;
        }
        EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        ASSERT_GE(zlib.size(), 6u);
        EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0); // the zlib header's check bits
        std::size_t at = 2;
        const auto inflated = inflateFixed(zlib, at);
        ASSERT_TRUE(inflated.has_value()) << "not a deflate stream the generator writes";
        const Bytes& rows = *inflated;
        EXPECT_LE(b.size() * 10, rows.size());
        ASSERT_EQ(at + 4, zlib.size());
        std::uint32_t sum1 = 1, sum2 = 0;
        for (std::uint8_t byte : rows) {
            sum1 = (sum1 + byte) % 65521;
            sum2 = (sum2 + sum1) % 65521;
        }
        EXPECT_EQ(be32(zlib, at), sum2 << 16 | sum1);
        const Canvas icon = iconPicture(n);
        const std::size_t stride = 1 + 4 * static_cast<std::size_t>(n);
        ASSERT_EQ(rows.size(), stride * static_cast<std::size_t>(n));
        for (int y = 0; y < n; ++y) {
            ASSERT_EQ(rows[stride * static_cast<std::size_t>(y)], 0) << "row " << y;
            for (int x = 0; x < n; ++x) {
                const std::uint8_t* p = &rows[stride * static_cast<std::size_t>(y) + 1 +
                                              4 * static_cast<std::size_t>(x)];
                const Colour c = icon.at(x, y);
                ASSERT_EQ((Colour{p[3]} << 24 | Colour{p[0]} << 16 | Colour{p[1]} << 8 | p[2]), c)
                    << "pixel " << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace schlingo::content
