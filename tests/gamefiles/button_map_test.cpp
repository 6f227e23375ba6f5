#include "gamefiles/button_map.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace schlingo::test {
namespace {

struct Rect {
    int left, top, right, bottom;
    bool operator==(const Rect&) const = default;
};

Rect rectAt(const Program& program, int i) {
    const ButtonMap& m = program.buttons;
    return {m.buttonLeft[i], m.buttonTop[i], m.buttonRight[i], m.buttonBottom[i]};
}

// Calls clickedLetter for `passes` passes at one point and returns what it gave.
std::vector<int> clicks(Program& program, int x, int y, int buttons, int passes) {
    std::vector<int> letters;
    for (int i = 0; i < passes; ++i) {
        letters.push_back(clickedLetter(program, x, y, buttons));
    }
    return letters;
}

TEST(ButtonMap, RecordsOfFourItemsHoweverCommasAndLineEndsFall) {
    GameFixture game;
    writeFile("Button2.galgen", "1,2,3,4\r\n5\r\n6,7\r\n8\r\n  9 , 10,11,12\n13,14\r15,abc\r\n");
    readButtonMap(game.program);
    EXPECT_EQ(rectAt(game.program, 0), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(rectAt(game.program, 1), (Rect{5, 6, 7, 8}));
    EXPECT_EQ(rectAt(game.program, 2), (Rect{9, 10, 11, 12}));
    EXPECT_EQ(rectAt(game.program, 3), (Rect{13, 14, 15, 0})); // text reads as 0
    EXPECT_EQ(rectAt(game.program, 4), (Rect{0, 0, 0, 0}));

    // Forty records: the last eight are read past.
    std::string forty;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        forty += n + "," + n + "," + n + "," + n + "\r\n";
    }
    writeFile("Button2.galgen", forty);
    readButtonMap(game.program);
    EXPECT_EQ(rectAt(game.program, 0), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(rectAt(game.program, 31), (Rect{31, 31, 31, 31}));
}

TEST(ButtonMap, ShortLastRecordAndBlankLineGiveZerosAndEarlierValuesStay) {
    GameFixture game;
    writeFile("Button2.galgen", "1,1,1,1\r\n2,2,2,2\r\n3,3,3,3\r\n");
    readButtonMap(game.program);
    writeFile("Button2.galgen", "7,7\r\n");
    readButtonMap(game.program);
    EXPECT_EQ(rectAt(game.program, 0), (Rect{7, 7, 0, 0}));
    EXPECT_EQ(rectAt(game.program, 1), (Rect{2, 2, 2, 2}));
    EXPECT_EQ(rectAt(game.program, 2), (Rect{3, 3, 3, 3}));

    writeFile("Button2.galgen", "4,4,4,4\r\n\r\n");
    readButtonMap(game.program);
    EXPECT_EQ(rectAt(game.program, 0), (Rect{4, 4, 4, 4}));
    EXPECT_EQ(rectAt(game.program, 1), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(rectAt(game.program, 2), (Rect{3, 3, 3, 3}));

    std::filesystem::remove("Button2.galgen");
    readButtonMap(game.program); // no file: nothing changes
    EXPECT_EQ(rectAt(game.program, 0), (Rect{4, 4, 4, 4}));
}

TEST(ButtonMap, OneRectangleIsTestedPerPassWithInclusiveBounds) {
    GameFixture game;
    writeFile("Button2.galgen", boardButtonMap());
    readButtonMap(game.program);
    const BoardField& e = boardFields[5];
    // Held on the bottom-right corner of e: once in 32 passes.
    const std::vector<int> got = clicks(game.program, e.x2, e.y2, 1, 64);
    EXPECT_EQ(std::count(got.begin(), got.end(), 5), 2);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0), 62);
    EXPECT_EQ(got[4 - 1], 5); // cursor 0 -> 1, 2, 3, 4
    EXPECT_EQ(clicks(game.program, e.x2 + 1, e.y2, 1, 32), std::vector<int>(32, 0));
    EXPECT_EQ(clicks(game.program, e.x1, e.y1 - 1, 1, 32), std::vector<int>(32, 0));
}

TEST(ButtonMap, OnlyTheLeftButtonAloneClicksAndOtherStatesKeepTheCursor) {
    GameFixture game;
    writeFile("Button2.galgen", boardButtonMap());
    readButtonMap(game.program);
    const BoardField& b = boardFields[2];
    for (int buttons : {0, 2, 3, 4, 5, -1}) {
        EXPECT_EQ(clicks(game.program, b.x1, b.y1, buttons, 5), std::vector<int>(5, 0));
    }
    // The cursor did not move: the next left click tests rectangle 1, b's.
    EXPECT_EQ(clickedLetter(game.program, b.x1, b.y1, 1), 2);
}

TEST(ButtonMap, SpecialLetterRectanglesNeedTheOptionAndTheLastNeverCounts) {
    GameFixture game;
    std::string text;
    for (int i = 0; i < 32; ++i) {
        text += "0,0,10,10\r\n"; // every rectangle holds the point
    }
    writeFile("Button2.galgen", text);
    readButtonMap(game.program);
    std::vector<int> off = clicks(game.program, 5, 5, 1, 32);
    game.program.options.specialLetters = 1;
    std::vector<int> on = clicks(game.program, 5, 5, 1, 32);
    std::vector<int> expectedOff, expectedOn;
    for (int k = 1; k <= 32; ++k) {
        const int index = k % 32;
        expectedOff.push_back(index < 26 ? index + 1 : 0);
        expectedOn.push_back(index < 31 ? index + 1 : 0);
    }
    EXPECT_EQ(off, expectedOff);
    EXPECT_EQ(on, expectedOn);
}

TEST(ButtonMap, TheFileIsLookedForOnEveryPass) {
    GameFixture game;
    writeFile("Button2.galgen", boardButtonMap());
    readButtonMap(game.program);
    std::filesystem::remove("Button2.galgen");
    const BoardField& a = boardFields[1];
    EXPECT_EQ(clicks(game.program, a.x1, a.y1, 1, 32), std::vector<int>(32, 0));
    writeFile("Button2.galgen", "kein Inhalt, der zaehlt\r\n");
    const std::vector<int> back = clicks(game.program, a.x1, a.y1, 1, 32);
    EXPECT_EQ(std::count(back.begin(), back.end(), 1), 1); // the rectangles of the last reading
}

TEST(ButtonMap, WithoutEverAFileNothingIsChosenButTheCornerPixel) {
    GameFixture game;
    readButtonMap(game.program);
    EXPECT_EQ(clicks(game.program, 0, 0, 1, 32), std::vector<int>(32, 0)); // no file
    writeFile("Button2.galgen", "");
    readButtonMap(game.program);
    // All rectangles are (0, 0)-(0, 0): the corner pixel chooses their letters.
    const std::vector<int> corner = clicks(game.program, 0, 0, 1, 32);
    EXPECT_EQ(std::count_if(corner.begin(), corner.end(), [](int l) { return l != 0; }), 26);
    EXPECT_EQ(clicks(game.program, 1, 0, 1, 32), std::vector<int>(32, 0));
}

} // namespace
} // namespace schlingo::test
