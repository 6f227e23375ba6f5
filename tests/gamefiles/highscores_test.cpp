#include "gamefiles/highscores.hpp"
#include "platform/machine/random.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <set>

namespace schlingo::test {
namespace {

std::string tableFile(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += std::string(line) + "\r\n";
    }
    return text;
}

const std::string tensTable =
    tableFile({" 10", " 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", " 100"});

// Ranks a score into the table on disk and writes the result back.
struct Ranked : GameFixture {
    Ranked(const std::optional<std::string>& before, std::int32_t score) {
        if (before) {
            writeFile("Highscore.dat", *before);
        }
        readHighscores(program);
        rankScore(program, score);
        writeHighscores(program);
    }
    std::string file() { return readFile("Highscore.dat").value_or("<missing>"); }
};

TEST(Highscores, WrittenFilesMatchTheBytesOfTheFormat) {
    Ranked first(std::nullopt, 7);
    EXPECT_EQ(first.file(),
              tableFile({" 0", " 0", " 0", " 0", " 0", " 0", " 0", " 0", " 0", " 7"}));
    EXPECT_EQ(first.program.highscores.scorePlace, 10);

    Ranked zero(std::nullopt, 0);
    EXPECT_EQ(zero.program.highscores.scorePlace, 10);

    Ranked low(tensTable, 5);
    EXPECT_EQ(low.file(), tensTable);
    EXPECT_EQ(low.program.highscores.scorePlace, 0);

    Ranked tie(tensTable, 20);
    EXPECT_EQ(tie.file(),
              tableFile({" 20", " 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", " 100"}));
    EXPECT_EQ(tie.program.highscores.scorePlace, 2); // above the old 20

    Ranked top(tensTable, 100);
    EXPECT_EQ(top.file(),
              tableFile({" 20", " 30", " 40", " 50", " 60", " 70", " 80", " 90", " 100", " 100"}));
    EXPECT_EQ(top.program.highscores.scorePlace, 10);

    Ranked negative(std::nullopt, -3);
    EXPECT_EQ(negative.program.highscores.scorePlace, 0); // below the zeros
    Ranked negatives(tableFile({"-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1", " 0"}), -3);
    EXPECT_EQ(negatives.file(),
              tableFile({"-8", "-7", "-6", "-5", "-4", "-3", "-3", "-2", "-1", " 0"}));
    readHighscores(negatives.program);
    EXPECT_EQ(negatives.program.highscores.highscores[6], -3);
    EXPECT_EQ(negatives.program.highscores.highscores[1], -8);
}

TEST(Highscores, ReadingToleratesShortLongAndBrokenFiles) {
    GameFixture game;
    auto& table = game.program.highscores.highscores;
    readHighscores(game.program); // no file: all zeros
    EXPECT_EQ(record(game.program), 0);

    writeFile("Highscore.dat", tensTable);
    readHighscores(game.program);
    EXPECT_EQ(record(game.program), 100);

    // Fewer values: the rest keep what they held.
    writeFile("Highscore.dat", " 1\r\n 2\r\n");
    readHighscores(game.program);
    EXPECT_EQ(table[1], 1);
    EXPECT_EQ(table[2], 2);
    EXPECT_EQ(table[3], 30);
    EXPECT_EQ(table[10], 100);

    // Text reads as 0, a blank line as 0, values after the tenth are ignored.
    writeFile("Highscore.dat",
              "abc\r\n\r\n 3\r\n 4\r\n 5\r\n 6\r\n 7\r\n 8\r\n 9\r\n 10\r\n 11\r\n");
    readHighscores(game.program);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[2], 0);
    EXPECT_EQ(table[3], 3);
    EXPECT_EQ(table[10], 10);
    EXPECT_EQ(game.program.highscores.newHighscores[0], 0) << "the eleventh value goes nowhere";

    // Not sorted after reading.
    writeFile("Highscore.dat", " 5\r\n 1\r\n");
    readHighscores(game.program);
    EXPECT_EQ(table[1], 5);
    EXPECT_EQ(table[2], 1);
}

// Which 8 x 8 cells of a 400 x 400 frame hold any pixel other than the
// background, and which colours those pixels have.
std::vector<std::string> occupiedCells(const Frame& frame, std::set<platform::Pixel>& inks) {
    std::vector<std::string> rows(50, std::string(50, ' '));
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            if (frame.at(x, y) != black) {
                rows[y / 8][x / 8] = '#';
                inks.insert(frame.at(x, y));
            }
        }
    }
    return rows;
}

// A number as printNumber shows it (built without operator+, which trips a
// false -Wrestrict of GCC 12).
std::string numberForm(int value) {
    std::string text(1, ' ');
    text += std::to_string(value);
    return text;
}

// The expected cells: text placed at (row, column), blanks left empty.
void place(std::vector<std::string>& rows, int row, int column, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        rows[row - 1][column - 1 + i] = text[i] == ' ' ? ' ' : '#';
    }
}

TEST(HighscoreList, ShowsTheTableWithMarkersOnThePlayersRow) {
    GameFixture game;
    writeFile("Highscore.dat", tensTable);
    readHighscores(game.program);
    rankScore(game.program, 20);
    game.program.screen().openScreen(940, 320, 32, 1, 0);
    game.program.random.randomize(4711);
    platform::Random colours = game.program.random; // the draw the list will make
    const int k = platform::randomColourIndex(colours);
    game.dismissList();
    showHighscoreList(game.program);

    const Frame& list = game.backend.lastOtherScreen;
    ASSERT_EQ(list.width, 400);
    ASSERT_EQ(list.height, 400);
    std::vector<std::string> expected(50, std::string(50, ' '));
    const int values[] = {100, 90, 80, 70, 60, 50, 40, 30, 20, 20};
    for (int p = 1; p <= 10; ++p) {
        place(expected, p + 15, p < 10 ? 18 : 17, numberForm(p).append(". Platz: "));
        place(expected, p + 15, 28, numberForm(values[p - 1]));
    }
    place(expected, 24, 14, ">>>");
    place(expected, 24, 35, "<<<");
    place(expected, 35, 1, "Ihre Punktezahl:  20");
    place(expected, 46, 12, "Weiter mit beliebiger Taste!");
    std::set<platform::Pixel> inks;
    EXPECT_EQ(occupiedCells(list, inks), expected);

    const platform::Pixel table[16] = {0,        0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                                       0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                                       0xFFFF55, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    EXPECT_EQ(inks, (std::set<platform::Pixel>{table[k]}));

    // Back on the game screen afterwards.
    EXPECT_EQ(game.program.screen().width(), 940);
    EXPECT_EQ(game.program.screen().height(), 320);
    const auto& windows = game.script().windowsOpened();
    ASSERT_GE(windows.size(), 3u);
    EXPECT_EQ(windows[windows.size() - 2].width, 400);
    EXPECT_EQ(windows.back().width, 940);
}

TEST(HighscoreList, WithoutAPlaceThereAreNoMarkersAndNoScoreLine) {
    GameFixture game;
    writeFile("Highscore.dat", tensTable);
    readHighscores(game.program);
    rankScore(game.program, 5);
    game.program.screen().openScreen(940, 320, 32, 1, 0);
    game.dismissList();
    showHighscoreList(game.program);

    std::vector<std::string> expected(50, std::string(50, ' '));
    for (int p = 1; p <= 10; ++p) {
        place(expected, p + 15, p < 10 ? 18 : 17, numberForm(p).append(". Platz: "));
        place(expected, p + 15, 28, numberForm(110 - 10 * p));
    }
    place(expected, 46, 12, "Weiter mit beliebiger Taste!");
    std::set<platform::Pixel> inks;
    EXPECT_EQ(occupiedCells(game.backend.lastOtherScreen, inks), expected);
}

TEST(HighscoreList, AnyKeyOrATouchLeavesItUsedUpTheCloseRequestEndsTheProgram) {
    enum class Way { Esc, Touch, Close };
    for (const Way way : {Way::Esc, Way::Touch, Way::Close}) {
        GameFixture game;
        rankScore(game.program, 1);
        game.program.screen().openScreen(940, 320, 32, 1, 0);
        if (way == Way::Esc) {
            game.script().typeKey(27); // Esc must not end the next game
        } else if (way == Way::Touch) {
            game.script().touch(20, 30); // a touch screen has no key to press
        } else {
            game.script().close();
        }
        EXPECT_EQ(showHighscoreList(game.program), way != Way::Close);
        EXPECT_EQ(game.program.input().readKey(), "");
        EXPECT_EQ(game.program.screen().width(), way == Way::Close ? 400 : 940);
    }
}

} // namespace
} // namespace schlingo::test
