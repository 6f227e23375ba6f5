#include "gamefiles/statistics.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

namespace schlingo::test {
namespace {

std::string spaces(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

// The scripted clock stands at 7 December 2026, 05:16:50.
const std::string normalLine = " 25" + spaces(11) + "Anzahl der Spiele:" + spaces(10) + " 3" +
                               spaces(12) + "12-07-2026" + spaces(4) + "05:16:50" + spaces(6) +
                               "Normalmodus" + spaces(3) + "Blindmodus aus" + spaces(14) +
                               "St\xE4"
                               "dte\r\n";

TEST(Statistics, LinesHaveTheirFieldsAtTheZoneColumns) {
    GameFixture game;
    game.program.options.category = 2;
    appendStatistics(game.program, 25, 3);
    EXPECT_EQ(readFile("Statistik.txt"), normalLine);

    // Appended, never rewritten; Selbstmord pushes the last two fields on.
    game.program.options.selbstmordMode = 1;
    appendStatistics(game.program, 25, 3);
    const std::string selbstmordLine = " 25" + spaces(11) + "Anzahl der Spiele:" + spaces(10) +
                                       " 3" + spaces(12) + "12-07-2026" + spaces(4) + "05:16:50" +
                                       spaces(6) + "Selbstmordmodus" + spaces(13) +
                                       "Blindmodus aus" + spaces(14) +
                                       "St\xE4"
                                       "dte\r\n";
    EXPECT_EQ(readFile("Statistik.txt"), normalLine + selbstmordLine);
    EXPECT_EQ(selbstmordLine.find("Blindmodus"), 112u);
    EXPECT_EQ(selbstmordLine.find("St\xE4"), 140u);
}

TEST(Statistics, ScoreWordsModeBlindAndCategoryTexts) {
    struct Case {
        int score, words, kamikaze, selbstmord, blind, category, random;
        std::string expected;
    };
    const std::string stamp = "12-07-2026" + spaces(4) + "05:16:50" + spaces(6);
    const std::string zero =
        " 0" + spaces(12) + "Anzahl der Spiele:" + spaces(10) + " 0" + spaces(12) + stamp;
    const std::string blindOff = "Blindmodus aus" + spaces(14);
    // Played in order by one program: a category other than 1 to 4 keeps the
    // text of the game before, even of one that wrote no line.
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 0,
         zero + "Normalmodus" + spaces(3) + blindOff + "allgemeine W\xF6rter\r\n"},
        {-7, 1, 1, 0, 1, 3, 0,
         "-7" + spaces(12) + "Anzahl der Spiele:" + spaces(10) + " 1" + spaces(12) + stamp +
             "Kamikazemodus" + spaces(1) + "Blindmodus ein" + spaces(14) +
             "L\xE4nder/Staaten der Erde\r\n"},
        {1234, 12, 0, 0, 0, 4, 1,
         " 1234" + spaces(9) + "Anzahl der Spiele:" + spaces(10) + " 12" + spaces(11) + stamp +
             "Normalmodus" + spaces(3) + blindOff + "zuf\xE4llige W\xF6rter\r\n"},
        {0, 0, 0, 1, 0, 4, 0, zero + "Selbstmordmodus" + spaces(13) + blindOff + "Berufe\r\n"},
        {0, 0, 0, 0, 0, 5, 0, zero + "Normalmodus" + spaces(3) + blindOff + "Berufe\r\n"},
        {0, 0, 1, 1, 0, 1, 0, ""}, // both mode flags: no line
        {0, 0, 1, 0, 0, 5, 0,
         zero + "Kamikazemodus" + spaces(1) + blindOff + "allgemeine W\xF6rter\r\n"},
    };
    GameFixture game;
    std::string file;
    for (const Case& c : cases) {
        game.program.options.kamikazeMode = c.kamikaze;
        game.program.options.selbstmordMode = c.selbstmord;
        game.program.options.blindMode = c.blind;
        game.program.options.category = c.category;
        game.program.options.randomCategory = c.random;
        appendStatistics(game.program, c.score, c.words);
        file += c.expected;
        EXPECT_EQ(readFile("Statistik.txt"), file);
    }
}

TEST(Statistics, DateAndTimeComeFromTheClockWithLeadingZeros) {
    GameFixture game;
    game.script().setLocalTime({2031, 1, 2, 23, 4, 5});
    appendStatistics(game.program, 1, 1);
    const std::string line = readFile("Statistik.txt").value_or("");
    ASSERT_GE(line.size(), 84u);
    EXPECT_EQ(line.substr(56, 10), "01-02-2031");
    EXPECT_EQ(line.substr(70, 8), "23:04:05");
}

// An unfinished last line (typed by hand, or torn) stays as it is, and the
// game's line starts on a line of its own.
TEST(Statistics, ExistingLinesStayAndTheNewLineStartsOnItsOwn) {
    GameFixture game;
    writeFile("Statistik.txt", "alt\r\nohne Zeilenende");
    game.program.options.category = 2;
    appendStatistics(game.program, 25, 3);
    EXPECT_EQ(readFile("Statistik.txt"), "alt\r\nohne Zeilenende\r\n" + normalLine);
}

} // namespace
} // namespace schlingo::test
