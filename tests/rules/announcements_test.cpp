// What the game says in words while words are played: at the start of a word,
// after each pass that changed something, at the end of a word and on the
// list screen, and no more than the picture shows.

#include "state/letters.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

namespace schlingo::test {
namespace {

const std::string gap = "L\xFC"
                        "cke";
const std::string freeBoard = std::string(26, '0') + std::string(5, ' ');

TEST(Announcements, AWordIsToldFromItsStartToItsLossAndTheList) {
    GameFixture game;
    game.useWord("h\xE4nd-1:");
    game.startGame();
    game.guess("h");
    game.script().pass().pass(); // passes that change nothing say nothing
    game.guess("bcfgijklmop");   // eleven misses
    game.dismissList();
    ASSERT_EQ(game.play(), std::nullopt);

    const auto& said = game.backend.announcements;
    ASSERT_EQ(said.size(), 1u + 12u + 1u + 1u);
    const std::string row = ", \xC4, " + gap + ", " + gap + ", Bindestrich, 1, " + gap + ".";
    EXPECT_EQ(said[0].text, "Neues Wort mit 7 Zeichen: " + gap + row +
                                "\nNoch 11 Versuche.\nPunkte: 0, Spiele: 0, Rekord: 0.");
    EXPECT_EQ(said[0].board, freeBoard);
    EXPECT_EQ(said[1].text, "H: Treffer.\nWort: H" + row + "\nNoch 11 Versuche.\nGeraten: H.");
    EXPECT_EQ(said[1].board, std::string(7, '0') + "1" + std::string(18, '0') + "     ");
    EXPECT_EQ(said[2].text,
              "B: nicht im Wort.\nWort: H" + row + "\nNoch 10 Versuche.\nGeraten: B, H.");
    EXPECT_EQ(said[11].text.substr(said[11].text.find("Noch")), "Noch 1 Versuch.\nGeraten: B, C, "
                                                                "F, G, H, I, J, K, L, M, O.");
    EXPECT_NE(said[12].text.find("\nKein Versuch mehr.\n"), std::string::npos) << said[12].text;
    EXPECT_EQ(said[13].text, "Kein Versuch mehr: Das Wort ist nicht gel\xF6st. Das Spiel ist aus."
                             "\nDer Rechner h\xE4ngt am Galgen.");
    EXPECT_EQ(said[13].board.substr(0, 16), "0110011111111011");

    // The list as its screen shows it, the place marked, and no board.
    const std::string& list = said[14].text;
    EXPECT_EQ(list.substr(0, list.find("\n3.")),
              "Bestenliste:\n1. Platz: 0 (Ihr Platz)\n2. Platz: 0");
    EXPECT_EQ(list.substr(list.find("\n10.")),
              "\n10. Platz: 0\nIhre Punktezahl: 0\nWeiter mit beliebiger Taste!");
    EXPECT_EQ(said[14].board, "");
}

TEST(Announcements, LongRunsOfOneFieldAreSaidByTheirCount) {
    auto times = [](const std::string& field, int n) {
        std::string text;
        for (int i = 0; i < n; ++i) {
            text += (i == 0 ? "" : ", ") + field;
        }
        return text;
    };
    auto firstLines = [](const std::string& text, int lines) {
        std::size_t end = 0;
        for (int i = 0; i < lines; ++i) {
            end = text.find('\n', end + 1);
        }
        return text.substr(0, end);
    };
    GameFixture game;
    // Twelve in a row are said one by one as in any word; thirteen are not.
    game.useWord("haus-" + std::string(13, 'e') + "-" + std::string(12, 'e'));
    game.startGame();
    game.guess("e");
    game.script().press(escScanCode);
    ASSERT_EQ(game.play(), 0);
    const auto& said = game.backend.announcements;
    ASSERT_GE(said.size(), 2u);
    EXPECT_EQ(firstLines(said[0].text, 1), "Neues Wort mit 31 Zeichen: " + times(gap, 4) +
                                               ", Bindestrich, 13 L\xFC"
                                               "cken, Bindestrich, " +
                                               times(gap, 12) + ".");
    EXPECT_EQ(firstLines(said[1].text, 2), "E: Treffer.\nWort: " + times(gap, 4) +
                                               ", Bindestrich, 13-mal E, Bindestrich, " +
                                               times("E", 12) + ".");

    GameFixture longest;
    longest.useWord(std::string(4096, 'x'));
    longest.startGame();
    longest.script().press(escScanCode);
    ASSERT_EQ(longest.play(), 0);
    EXPECT_EQ(firstLines(longest.backend.announcements.at(0).text, 1),
              "Neues Wort mit 4096 Zeichen: 4096 L\xFC"
              "cken.");
}

TEST(Announcements, BlindModeSaysNeitherHitsNorUsedLetters) {
    GameFixture game;
    game.program.options.blindMode = 1;
    game.program.options.specialLetters = 1;
    writeFile("Button2.galgen", boardButtonMap());
    game.useWord("fu\xDF");
    game.startGame();
    game.script().pressTogether({ctrlScanCode, digitScanCode[2]});
    game.guess("fx");
    game.clickLetter(30); // ß
    game.guess("u");
    game.script().press(escScanCode);
    ASSERT_EQ(game.play(), 0);

    const auto& said = game.backend.announcements;
    ASSERT_EQ(said.size(), 1u + 5u + 1u + 1u); // and the next word
    const std::string blank = "Wort: " + gap + ", " + gap + ", " + gap + ".\n";
    EXPECT_EQ(said[1].text, "Modus: Kamikaze.\n" + blank + "Noch 11 Versuche.");
    EXPECT_EQ(said[2].text, "F geraten.\n" + blank + "Noch 11 Versuche.");
    EXPECT_EQ(said[3].text, "X geraten.\n" + blank + "Noch 10 Versuche.");
    EXPECT_EQ(said[4].text, "\xDF geraten.\n" + blank + "Noch 10 Versuche.");
    EXPECT_EQ(said[5].text, "U geraten.\n" + blank + "Noch 10 Versuche.");
    EXPECT_EQ(said[6].text, "Das Wort ist gel\xF6st.");
    for (const auto& announcement : said) {
        EXPECT_EQ(announcement.board, std::string(31, '0')); // the board shows nothing used
    }
}

} // namespace
} // namespace schlingo::test
