#include "gamefiles/highscores.hpp"
#include "presentation/glyph_set.hpp"
#include "presentation/letter_board.hpp"
#include "presentation/word_screen.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

namespace schlingo::test {
namespace {

// A word set up on the screen as at the start of a word.
struct WordScreen : GameFixture {
    explicit WordScreen(const std::string& word, int specialLetters = 0) {
        program.options.specialLetters = specialLetters;
        useWord(word);
        startGame();
        setUpWordScreen(program);
    }
    ~WordScreen() { freeGlyphSet(program); } // as the end of the word does
    Frame frame() { return backend.snapshot(); }
    platform::Pixel field(int position) {
        return frame().at(program.word.wordLeft + 16 * position + 8, 36 + 8);
    }
};

TEST(WordScreen, RowIsCentredWithOneSixteenPixelFieldPerCharacter) {
    WordScreen screen("abcdefghijkl");
    const Frame f = screen.frame();
    const platform::Pixel dash = glyphColour("Strich.galgen");
    EXPECT_EQ(f.at(376, 36), dash);
    EXPECT_EQ(f.at(552 + 15, 36 + 15), dash);
    EXPECT_EQ(f.at(375, 36), boardColour);
    EXPECT_EQ(f.at(568, 36), boardColour);
    EXPECT_EQ(f.at(376, 35), boardColour);
    EXPECT_EQ(f.at(376, 52), boardColour);
    EXPECT_EQ(screen.program.word.revealedCount, 0);
    EXPECT_EQ(glyph(screen.program, "Strich.galgen"), nullptr) << "the dash is freed once drawn";
    EXPECT_EQ(f.at(0, 0), black); // cleared, the board starts at (1, 1)
    EXPECT_EQ(f.at(640, 100), boardColour);
    EXPECT_EQ(f.at(641, 100), black);
}

TEST(WordScreen, AlwaysShownCharactersAreCountedAndDrawnWhenTheyHaveAGlyph) {
    struct Case {
        char c;
        const char* glyph; // nullptr: the dash stays
    };
    const Case cases[] = {
        {' ', "leer.galgen"},
        {'-', "-.galgen"},
        {'&', "&.galgen"},
        {'?', "Fragezeichen.galgen"},
        {'\'', "'.galgen"},
        {'.', "Punkt.galgen"},
        {'(', "(.galgen"},
        {')', ").galgen"},
        {'/', "Schraegstrich.galgen"},
        {'0', "0.galgen"},
        {'7', "7.galgen"},
        {'9', "9.galgen"},
        {'_', nullptr},
        {':', nullptr},
        {',', nullptr},
        {';', nullptr},
        {'#', nullptr},
        {'<', nullptr},
        {'>', nullptr},
        {'+', nullptr},
        {'*', nullptr},
        {'!', nullptr},
        {'\xA7', nullptr},
        {'$', nullptr},
        {'%', nullptr},
        {'=', nullptr},
        {'@', nullptr},
    };
    for (const Case& c : cases) {
        // Quoted, so that blanks and commas stay part of the word.
        WordScreen screen(std::string("\"xy") + c.c + "z\"");
        ASSERT_EQ(screen.program.word.currentWord, std::string("xy") + c.c + "z");
        EXPECT_EQ(screen.program.word.revealedCount, 1) << c.c;
        EXPECT_EQ(screen.field(2), c.glyph ? glyphColour(c.glyph) : glyphColour("Strich.galgen"))
            << c.c;
        EXPECT_EQ(screen.field(0), glyphColour("Strich.galgen")) << c.c;
    }
}

TEST(WordScreen, OtherBytesKeepTheDashAndAreNotCounted) {
    for (char c : {'A', 'Z', '\xC4', '\xE9', '"', '~'}) {
        WordScreen screen(std::string("ab") + c);
        EXPECT_EQ(screen.program.word.revealedCount, 0) << c;
        EXPECT_EQ(screen.field(2), glyphColour("Strich.galgen")) << c;
    }
}

TEST(WordScreen, DigitInTheFifthPlaceIsShownFromTheStart) {
    WordScreen screen("abcd5fg");
    const Frame f = screen.frame();
    const int x = screen.program.word.wordLeft + 64;
    EXPECT_EQ(f.at(x, 36), glyphColour("5.galgen"));
    EXPECT_EQ(f.at(x + 15, 51), glyphColour("5.galgen"));
    EXPECT_EQ(f.at(x - 1, 36), glyphColour("Strich.galgen"));
}

TEST(WordScreen, SpecialLettersDependOnTheOption) {
    const std::pair<char, const char*> specials[] = {{'\xE4', "\xC4.galgen"},
                                                     {'\xF6', "\xD6.galgen"},
                                                     {'\xFC', "\xDC.galgen"},
                                                     {'\xDF', "\xDF.galgen"},
                                                     {'\xF1', "\xD1.galgen"}};
    for (const auto& [c, glyph] : specials) {
        WordScreen off(std::string("a") + c);
        EXPECT_EQ(off.program.word.revealedCount, 1) << glyph;
        EXPECT_EQ(off.field(1), glyphColour(glyph)) << glyph;
        EXPECT_EQ(off.frame().at(1, 1), boardColour);

        WordScreen on(std::string("a") + c, 1);
        EXPECT_EQ(on.program.word.revealedCount, 0) << glyph;
        EXPECT_EQ(on.field(1), glyphColour("Strich.galgen")) << glyph;
        EXPECT_EQ(on.frame().at(1, 1), specialBoardColour);
        on.program.word.guessLetter = std::string(1, c);
        drawHit(on.program, 1);
        EXPECT_EQ(on.field(1), glyphColour(glyph)) << glyph;
    }
}

TEST(WordScreen, HitDrawsTheCapitalGlyphOfTheGuessedLetter) {
    WordScreen screen("hallo");
    screen.program.word.guessLetter = "l";
    drawHit(screen.program, 2);
    drawHit(screen.program, 3);
    EXPECT_EQ(screen.field(1), glyphColour("Strich.galgen"));
    EXPECT_EQ(screen.field(2), glyphColour("L.galgen"));
    EXPECT_EQ(screen.field(3), glyphColour("L.galgen"));
    EXPECT_EQ(screen.field(4), glyphColour("Strich.galgen"));
}

TEST(WordScreen, CountersAreDrawnInTheirBands) {
    WordScreen screen("ab");
    screen.program.game.points = -12;
    screen.program.game.gamesWon = 3;
    writeFile("Highscore.dat", " 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 35\r\n");
    readHighscores(screen.program);
    drawCounters(screen.program);
    const Frame f = screen.frame();
    EXPECT_TRUE(showsBandedText(f, "Punkte: -12", 38, 2, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF));
    EXPECT_TRUE(showsBandedText(f, "Spiele: 3", 38, 35, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF));
    EXPECT_TRUE(showsBandedText(f, "Rekord: 35", 39, 2, 0xAAFFFF, 0xAAFFFF, 0xAAFFFF));
}

TEST(WordScreen, TriesLeftHasThreeBandsAndLeavesNoStaleDigit) {
    WordScreen screen("ab");
    screen.program.word.triesLeft = 10;
    drawTriesLeft(screen.program);
    EXPECT_TRUE(showsBandedText(screen.frame(), "10  ", 39, 58, 0xFFFFFF, 0x55FF55, 0x00AA00));
    screen.program.word.triesLeft = 9;
    drawTriesLeft(screen.program);
    // The cells of "0" and the space after it are background only.
    EXPECT_TRUE(showsBandedText(screen.frame(), "9   ", 39, 58, 0xFFFFFF, 0x55FF55, 0x00AA00));
    screen.program.word.triesLeft = -1;
    drawTriesLeft(screen.program);
    EXPECT_TRUE(showsBandedText(screen.frame(), "-1  ", 39, 58, 0xFFFFFF, 0x55FF55, 0x00AA00));
}

TEST(WordScreen, BandedTextRecoloursOnlyMarkerPixelsUpToOneColumnPastTheText) {
    WordScreen screen("ab");
    platform::Screen& s = screen.program.screen();
    // Row 10, column 3, two characters: x 16..31, and the column x = 32 too.
    s.plotPixel(32, 72, 7);
    s.plotPixel(33, 73, 7);
    s.plotPixel(15, 74, 7);
    s.plotPixel(20, 80, 7); // the row below the text
    drawBandedText(screen.program, "ab", 10, 3, 0x111111, 0x222222, 0x333333);
    const Frame f = screen.frame();
    EXPECT_EQ(f.at(32, 72), 0x111111u);
    EXPECT_EQ(f.at(33, 73), 7u);
    EXPECT_EQ(f.at(15, 74), 7u);
    EXPECT_EQ(f.at(20, 80), 7u);
    EXPECT_TRUE(showsBandedText(f, "ab", 10, 3, 0x111111, 0x222222, 0x333333));
    // The foreground is 15 afterwards.
    s.setTextCursor(20, 1);
    s.printText("\xDB", platform::Ending::None); // a full block
    EXPECT_EQ(s.readPixel(3, 155), 15u);
}

TEST(LetterBoard, MarkingBlacksOutTheFieldWithBothCorners) {
    WordScreen screen("ab");
    markLetterUsed(screen.program, 17); // q reaches down to 284
    const Frame f = screen.frame();
    EXPECT_EQ(f.at(105, 256), 0u);
    EXPECT_EQ(f.at(132, 284), 0u);
    EXPECT_EQ(f.at(104, 256), boardColour);
    EXPECT_EQ(f.at(133, 284), boardColour);
    EXPECT_EQ(f.at(105, 255), boardColour);
    EXPECT_EQ(f.at(105, 285), boardColour);
}

TEST(LetterBoard, BlindModeMarksNothing) {
    WordScreen screen("ab");
    screen.program.options.blindMode = 1;
    for (int i = 1; i <= letterCount; ++i) {
        markLetterUsed(screen.program, i);
    }
    const Frame f = screen.frame();
    for (int i = 1; i <= letterCount; ++i) {
        EXPECT_EQ(f.at(boardFields[i].x1, boardFields[i].y1), boardColour) << i;
    }
}

} // namespace
} // namespace schlingo::test
