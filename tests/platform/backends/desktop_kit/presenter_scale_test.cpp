#include "platform/backends/desktop_kit/presenter_scale.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace schlingo::platform {
namespace {

TEST(PresenterScale, FactorFromTheSettings) {
    struct Row {
        std::string_view requested, desktopScale, desktopDpi;
        int factor;
    };
    const Row rows[] = {
        {"", "", "", 1},        // nothing set
        {"2", "", "", 2},       // the player's factor
        {"4", "1", "96", 4},    // the player's factor wins over the desktop's
        {"1", "2", "192", 1},   //
        {" 3\n", "", "", 3},    // blanks around it
        {"0", "", "", 1},       // out of range: the desktop decides
        {"5", "2", "", 2},      //
        {"1.5", "", "", 1},     // not a whole number
        {"zwei", "", "192", 2}, //
        {"", "2", "", 2},       // GDK_SCALE
        {"", "3", "96", 3},     // GDK_SCALE before Xft.dpi
        {"", "1", "192", 1},    //
        {"", "0", "192", 2},    // no factor: Xft.dpi
        {"", "x", "192", 2},    //
        {"", "", "96", 1},      // Xft.dpi / 96
        {"", "", "144", 1},     // rounded down
        {"", "", "191.9", 1},   //
        {"", "", "192", 2},     //
        {"", "", "288.0", 3},   //
        {"", "", "48", 1},      // at least 1
        {"", "", "-192", 1},    //
    };
    for (const Row& row : rows)
        EXPECT_EQ(chooseScale(row.requested, row.desktopScale, row.desktopDpi), row.factor)
            << "SCHLINGO_SCALE \"" << row.requested << "\" GDK_SCALE \"" << row.desktopScale
            << "\" Xft.dpi \"" << row.desktopDpi << "\"";
    EXPECT_TRUE(scaleRequested("1"));
    EXPECT_FALSE(scaleRequested(""));
    EXPECT_FALSE(scaleRequested("5"));
    EXPECT_TRUE(desktopScaleGiven("1"));
    EXPECT_TRUE(desktopScaleGiven("6"));
    EXPECT_FALSE(desktopScaleGiven("0"));
    EXPECT_FALSE(desktopScaleGiven(""));
}

TEST(PresenterScale, WindowNeverLargerThanTheWorkArea) {
    struct Row {
        int wanted, frameWidth, frameHeight, areaWidth, areaHeight;
        int factor;
    };
    const Row rows[] = {
        {1, 940, 320, 1280, 1000, 1},  // fits as asked
        {2, 940, 320, 1880, 640, 2},   // exactly
        {2, 940, 320, 1879, 640, 1},   // one pixel short in width
        {2, 940, 320, 1880, 639, 1},   // and in height
        {4, 940, 320, 1918, 1050, 2},  // SCHLINGO_SCALE=4 on 1920 x 1080: 2, not 3760 wide
        {3, 940, 320, 2818, 1550, 2},  // not 3: the frame takes the rest
        {4, 940, 320, 3836, 2100, 4},  // room for all of it
        {3, 940, 320, 3836, 2100, 3},  // never above the factor asked for
        {3, 400, 400, 1918, 1050, 2},  // the list screen: the height decides
        {2, 940, 320, 800, 600, 1},    // not even factor 1 fits: still 1
        {1, 940, 320, 0, 0, 1},        // no area known
        {0, 940, 320, 3836, 2100, 1},  // nothing asked: 1
        {-2, 940, 320, 3836, 2100, 1}, //
    };
    for (const Row& row : rows)
        EXPECT_EQ(fittingScale(row.wanted, row.frameWidth, row.frameHeight, row.areaWidth,
                               row.areaHeight),
                  row.factor)
            << "factor " << row.wanted << ", " << row.frameWidth << "x" << row.frameHeight << " in "
            << row.areaWidth << "x" << row.areaHeight;

    // A Wayland output's scale from its device and logical widths.
    EXPECT_EQ(outputScale(1920, 1920), 1);
    EXPECT_EQ(outputScale(1920, 960), 2);
    EXPECT_EQ(outputScale(1920, 1280), 2); // 1.5 draws at 2
    EXPECT_EQ(outputScale(3840, 1280), 3);
    EXPECT_EQ(outputScale(1920, 2880), 1); // never below 1
    EXPECT_EQ(outputScale(0, 0), 1);
}

TEST(PresenterScale, XftDpiFromTheResourceDatabase) {
    EXPECT_EQ(xftDpiResource("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), "192");
    EXPECT_EQ(xftDpiResource("Xft.dpi:\t120.5"), "120.5");
    EXPECT_EQ(xftDpiResource("Xcursor.size:\t24\n"), "");
    EXPECT_EQ(xftDpiResource("*Xft.dpi.x:\t192\n"), "");
    EXPECT_EQ(xftDpiResource(""), "");
}

TEST(PresenterScale, PictureAtTheLargestWholeFactorCentred) {
    struct Row {
        int frameWidth, frameHeight, clientWidth, clientHeight;
        int factor, left, top;
    };
    const Row rows[] = {
        {940, 320, 940, 320, 1, 0, 0},
        {940, 320, 1880, 640, 2, 0, 0},
        {400, 400, 800, 800, 2, 0, 0},
        {940, 320, 1280, 1000, 1, 170, 340}, // maximised on 1280 x 1024
        {940, 320, 2000, 1176, 2, 60, 268},  // maximised on 2000 x 1200
        {400, 400, 2000, 1176, 2, 600, 188}, // the list screen: height decides
        {940, 320, 1879, 640, 1, 469, 160},  // one pixel short of 2
        {940, 320, 3760, 1279, 3, 470, 159}, // the height decides
        {940, 320, 600, 200, 1, 0, 0},       // smaller than the frame
    };
    for (const Row& row : rows) {
        const Placement p =
            placePicture(row.frameWidth, row.frameHeight, row.clientWidth, row.clientHeight);
        EXPECT_EQ(p.factor, row.factor) << row.clientWidth << "x" << row.clientHeight;
        EXPECT_EQ(p.left, row.left) << row.clientWidth << "x" << row.clientHeight;
        EXPECT_EQ(p.top, row.top) << row.clientWidth << "x" << row.clientHeight;
    }
}

TEST(PresenterScale, PointerMapsBackToGamePixels) {
    // 940 x 320 at factor 2 in a 2000 x 1176 client: the picture spans
    // x 60..1939 and y 268..907.
    const Placement big = placePicture(940, 320, 2000, 1176);
    // Factor 3 without a border.
    const Placement three = placePicture(940, 320, 2820, 960);
    struct Row {
        const Placement& placement;
        int x, y;
        GamePoint game, nearest;
    };
    const Row rows[] = {
        {big, 60, 268, {0, 0}, {0, 0}}, // first pixel of the first block
        {big, 61, 269, {0, 0}, {0, 0}}, // last pixel of the first block
        {big, 62, 268, {1, 0}, {1, 0}}, // next block
        {big, 60, 270, {0, 1}, {0, 1}},
        {big, 1939, 907, {939, 319}, {939, 319}}, // last pixel of the last block
        {big, 1938, 906, {939, 319}, {939, 319}},
        {big, 1937, 905, {938, 318}, {938, 318}},
        {big, 59, 268, {}, {0, 0}}, // the black border, each side
        {big, 60, 267, {}, {0, 0}},
        {big, 1940, 907, {}, {939, 319}},
        {big, 1939, 908, {}, {939, 319}},
        {big, 0, 0, {}, {0, 0}},
        {big, 1999, 1175, {}, {939, 319}},
        {big, -5, 500, {}, {0, 116}}, // left of the window, button held
        {big, 1000, 2000, {}, {470, 319}},
        {three, 0, 0, {0, 0}, {0, 0}},
        {three, 2, 2, {0, 0}, {0, 0}},
        {three, 3, 2, {1, 0}, {1, 0}},
        {three, 2819, 959, {939, 319}, {939, 319}},
        {three, 2820, 959, {}, {939, 319}},
        {three, -1, 0, {}, {0, 0}}, // -1 / 3 rounds down, not to 0 by chance
        {three, -4, -4, {}, {0, 0}},
    };
    for (const Row& row : rows) {
        const GamePoint game = row.placement.toGame(row.x, row.y);
        EXPECT_EQ(game, row.game) << "factor " << row.placement.factor << " at " << row.x << ","
                                  << row.y << " gave " << game.x << "," << game.y;
        EXPECT_EQ(game.inside(), row.game.x >= 0);
        const GamePoint nearest = row.placement.nearestGame(row.x, row.y);
        EXPECT_EQ(nearest, row.nearest)
            << "nearest at " << row.x << "," << row.y << " gave " << nearest.x << "," << nearest.y;
    }
    // Every client pixel of a block reads as the block's game pixel.
    for (int x = 60; x < 60 + 2 * 940; ++x)
        ASSERT_EQ(big.toGame(x, 300).x, (x - 60) / 2) << x;
}

} // namespace
} // namespace schlingo::platform
