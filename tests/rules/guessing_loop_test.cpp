// Whole words played on the scripted back end. The pointer stays outside the
// window unless a test clicks, so every pass of the guessing loop takes exactly
// one presenter pass of the script; the first pass after a window opens is its
// activation.

#include "gamefiles/highscores.hpp"
#include "rules/guessing_loop.hpp"
#include "rules/word_reset.hpp"
#include "state/letters.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace schlingo::test {
namespace {

using platform::InputEvent;

const std::string won = "Gratuliere, das war das richtige Wort!";
const std::string refused = "Sie haben bereits ein neues Spiel angefangen!";
std::string lost(const std::string& word) {
    return "Sie haben leider verloren!\r\ngesuchtes Wort: " + word;
}

int fieldX(const Program& program, int position) {
    return program.word.wordLeft + 16 * position;
}

// The colour in the middle of a word row field.
platform::Pixel fieldColour(const Program& program, const Frame& frame, int position) {
    return frame.at(fieldX(program, position) + 8, 36 + 8);
}

// Takes the screen's lock from another thread every few microseconds, as the
// presenter does, and counts pixels of the tries counter in the text's marker
// colour: a frame caught between the printed text and its colour bands. Each
// look moves the pointer, so the game keeps drawing passes; after enough looks,
// however slowly they came, it holds Esc down.
struct CounterWatch {
    explicit CounterWatch(platform::Display& display)
        : thread([this, &display] {
              for (int looks = 0; !stop; ++looks) {
                  std::this_thread::sleep_for(std::chrono::microseconds(50));
                  {
                      std::lock_guard<std::mutex> held(display.lock);
                      const platform::Screen& screen = display.screen;
                      for (int y = 304; screen.presentWidth() == 940 && y < 312; ++y) {
                          for (int x = 456; x < 504; ++x) {
                              torn += screen.pixels()[y * 940 + x] == 7 ? 1 : 0;
                          }
                      }
                  }
                  const platform::InputEvent look[] = {
                      platform::InputEvent::pointer(700 + looks % 2, 100, true),
                      platform::InputEvent::key(escScanCode, looks >= 1000)};
                  display.deliver(look);
              }
          }) {}
    ~CounterWatch() {
        stop = true;
        thread.join();
    }
    std::atomic<bool> stop{false};
    std::atomic<long> torn{0};
    std::thread thread;
};

TEST(GuessingLoop, TheTriesCounterIsDrawnUnderTheScreenLockOnEveryPass) {
    GameFixture game;
    game.useWord("ab");
    game.startGame();
    // However slowly the looks come, the game waits for the watch's Esc.
    game.script().idleUntilTheEnd();
    CounterWatch watch(game.program.display);

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(watch.torn, 0);
}

TEST(GuessingLoop, WonWordsScoreTriesLeftPlusWordsWonBefore) {
    GameFixture game;
    game.useWord("ab");
    game.startGame();
    game.guess("cde"); // three misses: 8 tries left
    game.guess("ab");
    game.guess("cdefgh"); // six misses: 5 tries left
    game.guess("ab");
    game.script().press(escScanCode);

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.program.game.points, 14); // 8, then 8 + 5 + 1
    EXPECT_EQ(game.program.game.gamesWon, 2);
    EXPECT_EQ(game.messageCount(won), 2);
    ASSERT_EQ(game.backend.framesAtMessages.size(), 2u);
    // The counters show the values from the start of the second word.
    const Frame& second = game.backend.framesAtMessages[1];
    EXPECT_TRUE(showsBandedText(second, "Punkte: 8", 38, 2, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF));
    EXPECT_TRUE(showsBandedText(second, "Spiele: 1", 38, 35, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF));
    EXPECT_TRUE(showsBandedText(second, "5  ", 39, 58, 0xFFFFFF, 0x55FF55, 0x00AA00));
    // Esc records nothing.
    EXPECT_FALSE(readFile("Highscore.dat").has_value());
    EXPECT_FALSE(readFile("Statistik.txt").has_value());
}

struct CarryCase {
    const char* name;
    int kamikaze, selbstmord, winCycleBefore;
    int expectedTries; // at the first pass of the next word
};

class CarriedMisses : public ::testing::TestWithParam<CarryCase> {};

TEST_P(CarriedMisses, MissesOfAWonWordAreChargedAgainInTheNext) {
    const CarryCase& c = GetParam();
    GameFixture game;
    game.program.options.kamikazeMode = c.kamikaze;
    game.program.options.selbstmordMode = c.selbstmord;
    game.program.game.winCycle = c.winCycleBefore;
    game.useWord("ab");
    game.startGame();
    game.guess("xyz"); // three misses
    game.guess("a");
    // b completes the word; Esc is down on the first pass of the next one.
    game.script().pass({InputEvent::key(GameFixture::scanCodeOf('b'), true)});
    game.script().pass(
        {InputEvent::key(GameFixture::scanCodeOf('b'), false), InputEvent::key(escScanCode, true)});

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.program.game.carriedMisses, 3);
    EXPECT_EQ(game.program.word.triesLeft, c.expectedTries);
    EXPECT_TRUE(showsBandedText(game.backend.snapshot(), std::to_string(c.expectedTries) + "  ", 39,
                                58, 0xFFFFFF, 0x55FF55, 0x00AA00));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CarriedMisses,
    ::testing::Values(CarryCase{"Normal", 0, 0, 0, 11}, CarryCase{"Kamikaze", 1, 0, 0, 8},
                      CarryCase{"Selbstmord", 0, 1, 0, 8},
                      // The win is the tenth of the run: one bonus try, Kamikaze only.
                      CarryCase{"KamikazeTenthWin", 1, 0, 9, 9},
                      CarryCase{"SelbstmordTenthWin", 0, 1, 9, 8}),
    [](const ::testing::TestParamInfo<CarryCase>& param) { return std::string(param.param.name); });

TEST(GuessingLoop, EveryTenthWinOfTheRunAddsABonusTryAcrossGameOvers) {
    GameFixture game;
    game.program.options.kamikazeMode = 1;
    game.program.options.maxTries = 6;
    game.useWord("ab");
    game.startGame();
    for (int i = 0; i < 9; ++i) {
        game.guess("ab");
    }
    game.guess("cdefgh"); // six misses lose the tenth word
    game.dismissList();

    ASSERT_EQ(game.play(), std::nullopt); // game over
    EXPECT_EQ(game.program.game.winCycle, 9);
    EXPECT_EQ(game.program.game.bonusTries, 0);
    EXPECT_EQ(game.program.game.points, 0);
    // Nine wins with six tries left each: 6 + 7 + ... + 14.
    EXPECT_EQ(record(game.program), 90);

    // The next games, as the flow starts them.
    const auto nextGame = [&game] {
        game.program.game.gamesWon = 0;
        beginWord(game.program);
        game.startGame();
    };
    // Wins 10 and 20 of the run add a try each; win 21 carries one miss.
    nextGame();
    for (int i = 0; i < 11; ++i) {
        game.guess("ab");
    }
    game.guess("cab");
    game.guess("cdefghi"); // 2 + 6 - 1 tries
    game.dismissList();
    ASSERT_EQ(game.play(), std::nullopt);
    EXPECT_EQ(game.program.game.winCycle, 1);
    // 6, then 7 + 1 ... 7 + 10, then 2 + 6 - 1 + 11.
    EXPECT_EQ(record(game.program), 149);

    // The game over took the bonus and the carried miss away.
    nextGame();
    game.script().press(escScanCode);
    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.program.word.triesLeft, 6);
}

TEST(GuessingLoop, RandomCategoryIsDrawnAgainForEveryWordWithEightTries) {
    GameFixture game;
    game.program.options.randomCategory = 1;
    game.program.options.category = 2;
    game.program.options.maxTries = 8;
    const std::string lists[] = {generalList, "St\xE4\x64te.txt", "L\xE4nder.txt", "Berufe.txt"};
    for (int i = 0; i < 4; ++i) {
        game.useWord(std::string(1, static_cast<char>('a' + i)), lists[i]);
    }
    game.startGame();
    for (int i = 0; i < 8; ++i) {
        game.script().pressTogether({30, 48, 46, 32}); // a b c d: the word and three misses
    }
    game.script().press(escScanCode);

    EXPECT_EQ(game.play(), 0);
    std::set<platform::Pixel> words;
    for (const Frame& atWin : game.backend.framesAtMessages) {
        words.insert(fieldColour(game.program, atWin, 0));
    }
    EXPECT_GT(words.size(), 1u);
    EXPECT_EQ(game.program.game.points, 68); // 5 + 6 + ... + 12: always 8 - 3 tries left
    // The counter is drawn again with the misses of the pass that won.
    EXPECT_TRUE(showsBandedText(game.backend.framesAtMessages.at(0), "5  ", 39, 58, 0xFFFFFF,
                                0x55FF55, 0x00AA00));
}

TEST(GuessingLoop, ThePassAfterTheLastTryStillTakesGuesses) {
    GameFixture game;
    game.program.options.maxTries = 2;
    game.useWord("ab");
    game.startGame();
    game.guess("c");
    game.script().pass({InputEvent::key(GameFixture::scanCodeOf('d'), true)});
    // The last try is gone, yet this pass completes the word.
    game.script().pass({InputEvent::key(GameFixture::scanCodeOf('d'), false),
                        InputEvent::key(GameFixture::scanCodeOf('a'), true),
                        InputEvent::key(GameFixture::scanCodeOf('b'), true)});
    game.dismissList();

    ASSERT_EQ(game.play(), std::nullopt); // won and over at once
    EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{won, lost("ab")}));
    const std::string line = readFile("Statistik.txt").value_or("");
    ASSERT_GE(line.size(), 44u);
    EXPECT_EQ(line.substr(0, 3), " 0 "); // score 0 + 0
    EXPECT_EQ(line.substr(42, 2), " 1"); // one word won
    EXPECT_EQ(game.program.game.gamesWon, 0);
    const Frame& atLoss = game.backend.framesAtMessages[1];
    EXPECT_EQ(fieldColour(game.program, atLoss, 0), glyphColour("A.galgen"));
    EXPECT_EQ(fieldColour(game.program, atLoss, 1), glyphColour("B.galgen"));
}

// On a desktop the loop blocks until the input changes. The player holds the
// letter that used the last try and presses the word's letter while still
// holding it: the pass after the miss must come at once and lose the word,
// not wait for the next key and take it.
TEST(GuessingLoop, WithBlockingInputThePassAfterTheLastMissFollowsAtOnce) {
    using namespace std::chrono_literals;
    using platform::InputEvent;
    GameFixture game;
    game.program.options.maxTries = 1;
    game.useWord("qq");
    game.startGame();
    game.script().pass({InputEvent::key(GameFixture::scanCodeOf('a'), true)});
    game.script().idleUntilTheEnd();
    std::atomic<bool> over{false};
    std::thread player([&] {
        const auto start = std::chrono::steady_clock::now();
        auto at = [&](auto when) {
            while (!over && std::chrono::steady_clock::now() - start < when) {
                std::this_thread::sleep_for(5ms);
            }
            return !over;
        };
        if (at(500ms)) {
            const InputEvent q[] = {InputEvent::key(GameFixture::scanCodeOf('q'), true),
                                    InputEvent::typed(' ')}; // leaves the list screen
            game.program.display.deliver(q);
        }
        if (at(10s)) { // a game that went on: Esc wherever it waits
            const InputEvent esc[] = {InputEvent::key(escScanCode, true), InputEvent::typed(27)};
            game.program.display.deliver(esc);
        }
    });

    const std::optional<int> end = game.play();
    over = true;
    player.join();
    EXPECT_EQ(end, std::nullopt);
    EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{lost("qq")}));
    ASSERT_EQ(game.backend.framesAtMessages.size(), 1u);
    EXPECT_TRUE(showsBandedText(game.backend.framesAtMessages[0], "0  ", 39, 58, 0xFFFFFF, 0x55FF55,
                                0x00AA00))
        << "the counter shows no try left";
}

TEST(GuessingLoop, WithoutAGuessInThatPassTheWordIsLost) {
    GameFixture game;
    game.program.options.maxTries = 2;
    game.useWord("ab");
    game.startGame();
    game.guess("cd");
    game.dismissList();

    ASSERT_EQ(game.play(), std::nullopt);
    EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{lost("ab")}));
    EXPECT_EQ(game.program.highscores.highscores[10], 0);
}

TEST(GuessingLoop, ACloseRequestAtTheListScreenEndsTheProgramWithTheGameRecorded) {
    GameFixture game;
    game.program.options.maxTries = 1;
    game.useWord("ab");
    game.startGame();
    game.guess("c");
    game.script().close();

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{lost("ab")}));
    EXPECT_TRUE(readFile("Highscore.dat").has_value());
    EXPECT_TRUE(readFile("Statistik.txt").has_value());
    for (platform::Image image : game.program.glyphs.glyphSet) {
        EXPECT_EQ(image, nullptr);
    }
}

TEST(GuessingLoop, UsedLettersAreIgnoredByKeyboardAndMouse) {
    GameFixture game;
    writeFile("Button2.galgen", boardButtonMap());
    game.useWord("abc");
    game.startGame();
    game.guess("d");     // miss by key
    game.clickLetter(5); // e: miss by mouse
    game.guess("d");     // used
    game.clickLetter(4); // d: used
    game.clickLetter(5); // e: used
    game.script().press(escScanCode);

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.program.word.missCount, 2);
    EXPECT_EQ(game.program.word.guessLetter, "e"); // nothing evaluated after the click on e
    EXPECT_EQ(game.program.word.letterUsed[4], 1);
    EXPECT_EQ(game.program.word.letterUsed[5], 1);
    EXPECT_EQ(game.program.word.revealedCount, 0);
}

TEST(GuessingLoop, RepeatedWrongLetterCostsOneTryAndAHitCountsEveryPosition) {
    GameFixture game;
    game.useWord("anna");
    game.startGame();
    game.script().pass({InputEvent::key(GameFixture::scanCodeOf('x'), true)});
    game.script().idle(5); // x held for six passes
    game.script().pass({InputEvent::key(GameFixture::scanCodeOf('x'), false)});
    game.guess("a");
    game.script().press(escScanCode);

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.program.word.missCount, 1);
    EXPECT_EQ(game.program.word.revealedCount, 2);
    EXPECT_EQ(game.program.word.letterMissed[1], 0);  // a occurs
    EXPECT_EQ(game.program.word.letterMissed[24], 1); // x does not
}

TEST(GuessingLoop, HangedComputerAfterMoreThanTenMissesPlusBonusTries) {
    for (int bonus : {0, 1}) {
        GameFixture game;
        game.program.options.kamikazeMode = bonus;
        game.program.game.bonusTries = bonus;
        game.useWord("ab");
        game.startGame();
        // Ten misses, or eleven with a bonus try, and the word is still won.
        game.guess(std::string("cdefghijklm").substr(0, 10 + bonus));
        game.guess("ab");
        game.script().press(escScanCode);
        EXPECT_EQ(game.play(), 0);
        ASSERT_EQ(game.backend.framesAtMessages.size(), 1u);
        EXPECT_EQ(game.backend.framesAtMessages[0].at(500, 150), boardColour);
    }
    {
        GameFixture game;
        game.useWord("ab");
        game.startGame();
        game.guess("cdefghijklm"); // eleven misses lose the word
        game.dismissList();
        EXPECT_EQ(game.play(), std::nullopt);
        ASSERT_EQ(game.backend.framesAtMessages.size(), 1u);
        const Frame& atLoss = game.backend.framesAtMessages[0];
        EXPECT_EQ(atLoss.at(500, 150), computerColour);
        EXPECT_EQ(atLoss.at(639, 319), computerColour);
        EXPECT_EQ(atLoss.at(499, 150), boardColour);
        EXPECT_EQ(atLoss.at(500, 149), boardColour);
        EXPECT_TRUE(showsBandedText(atLoss, "0  ", 39, 58, 0xFFFFFF, 0x55FF55, 0x00AA00));
    }
}

TEST(GuessingLoop, BlindModeCountsHitsWithoutDrawingThem) {
    GameFixture game;
    game.program.options.blindMode = 1;
    game.useWord("ab");
    game.startGame();
    game.guess("cab");
    game.script().press(escScanCode);

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.messageCount(won), 1);
    EXPECT_EQ(game.program.game.points, 10);
    const Frame& atWin = game.backend.framesAtMessages.at(0);
    EXPECT_EQ(fieldColour(game.program, atWin, 0), glyphColour("Strich.galgen"));
    EXPECT_EQ(fieldColour(game.program, atWin, 1), glyphColour("Strich.galgen"));
    EXPECT_EQ(atWin.at(17, 208), boardColour); // field of a not marked
    EXPECT_EQ(atWin.at(79, 208), boardColour); // field of c not marked
    EXPECT_TRUE(showsBandedText(atWin, "10  ", 39, 58, 0xFFFFFF, 0x55FF55, 0x00AA00));
}

TEST(GuessingLoop, HyphenatedWordShowsItsHyphenAndIsWonByItsLetters) {
    GameFixture game;
    game.useWord("e-mail");
    game.startGame();
    game.guess("email");
    game.script().press(escScanCode);

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.program.game.points, 11);
    const Frame& atWin = game.backend.framesAtMessages.at(0);
    const char* glyphs[] = {"E.galgen", "-.galgen", "M.galgen", "A.galgen", "I.galgen", "L.galgen"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(fieldColour(game.program, atWin, i), glyphColour(glyphs[i])) << i;
    }
    // Hits and misses are marked alike on the board: e and m are black.
    EXPECT_EQ(atWin.at(140, 208), 0u);
    EXPECT_EQ(atWin.at(393, 233), 0u);
}

TEST(GuessingLoop, WordWithACapitalCanOnlyBeLost) {
    GameFixture game;
    game.program.options.maxTries = 2;
    game.useWord("Ab");
    game.startGame();
    game.guess("abc"); // a does not match A
    game.dismissList();

    ASSERT_EQ(game.play(), std::nullopt);
    EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{lost("Ab")}));
    const Frame& atLoss = game.backend.framesAtMessages.at(0);
    EXPECT_EQ(fieldColour(game.program, atLoss, 0), glyphColour("Strich.galgen"));
    EXPECT_EQ(fieldColour(game.program, atLoss, 1), glyphColour("B.galgen"));
}

TEST(GuessingLoop, LossMessageDropsLeadingSpacesOfTheWord) {
    GameFixture game;
    game.program.options.maxTries = 1;
    game.useWord("\"  ab \""); // quoted, so the leading blanks stay
    game.startGame();
    game.guess("c");
    game.dismissList();

    ASSERT_EQ(game.play(), std::nullopt);
    EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{lost("ab ")}));
}

TEST(GuessingLoop, CtrlDigitSwitchesTheModeOnlyBeforeTheFirstGuess) {
    struct Case {
        int digit, kamikazeBefore, selbstmordBefore;
        const char* title;
        int kamikaze, selbstmord, tries; // with 2 bonus tries, 1 carried miss and 1 miss
    };
    const Case cases[] = {{1, 1, 0, "Schlingo - Modus: Normal", 0, 0, 10},
                          {2, 0, 1, "Schlingo - Modus: Kamikaze", 1, 0, 11},
                          {3, 1, 0, "Schlingo - Modus: Selbstmord", 0, 1, 9}};
    for (const Case& c : cases) {
        GameFixture game;
        game.program.game.bonusTries = 2;
        game.program.game.carriedMisses = 1;
        game.program.options.kamikazeMode = c.kamikazeBefore;
        game.program.options.selbstmordMode = c.selbstmordBefore;
        game.useWord("ab");
        game.startGame();
        game.program.screen().setWindowTitle("vorher");
        // Ctrl is 29; the digits 1 to 3 of the main row are 2 to 4.
        game.script().pressTogether({29, c.digit + 1});
        game.guess("c");
        game.script().pressTogether({29, c.digit % 3 + 2});
        game.script().press(escScanCode);

        EXPECT_EQ(game.play(), 0);
        EXPECT_EQ(game.script().currentTitle(), c.title);
        EXPECT_EQ(game.program.options.kamikazeMode, c.kamikaze) << c.digit;
        EXPECT_EQ(game.program.options.selbstmordMode, c.selbstmord) << c.digit;
        EXPECT_EQ(game.script().messageTexts(), (std::vector<std::string>{refused}));
        EXPECT_EQ(game.program.word.triesLeft, c.tries) << c.digit;
    }
}

enum class Leave { EscKey, EscCharacter, CloseButton };

class LeavingAWord : public ::testing::TestWithParam<Leave> {};

TEST_P(LeavingAWord, EndsTheProgramWithCodeZeroAndRecordsNothing) {
    GameFixture game;
    writeFile("Highscore.dat", " 1\r\n 2\r\n 3\r\n 4\r\n 5\r\n 6\r\n 7\r\n 8\r\n 9\r\n 10\r\n");
    game.useWord("ab");
    game.startGame();
    game.guess("a");
    switch (GetParam()) {
    case Leave::EscKey:
        game.script().press(escScanCode);
        break;
    case Leave::EscCharacter:
        game.script().typeKey(27);
        break;
    case Leave::CloseButton:
        game.script().close();
        break;
    }

    EXPECT_EQ(game.play(), 0);
    EXPECT_EQ(game.script().exitCode(), 0);
    EXPECT_TRUE(game.script().messageTexts().empty());
    EXPECT_EQ(readFile("Highscore.dat"),
              " 1\r\n 2\r\n 3\r\n 4\r\n 5\r\n 6\r\n 7\r\n 8\r\n 9\r\n 10\r\n");
    EXPECT_FALSE(readFile("Statistik.txt").has_value());
    for (platform::Image image : game.program.glyphs.glyphSet) {
        EXPECT_EQ(image, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingAWord,
                         ::testing::Values(Leave::EscKey, Leave::EscCharacter, Leave::CloseButton));

TEST(GuessingLoop, SpecialLettersAreShownFromTheStartUnlessTheOptionIsOn) {
    {
        GameFixture game;
        game.useWord("b\xE4r");
        game.startGame();
        game.guess("br");
        game.script().press(escScanCode);
        EXPECT_EQ(game.play(), 0);
        EXPECT_EQ(game.messageCount(won), 1);
        EXPECT_EQ(fieldColour(game.program, game.backend.framesAtMessages.at(0), 1),
                  glyphColour("\xC4.galgen"));
    }
    {
        GameFixture game;
        game.program.options.specialLetters = 1;
        writeFile("Button2.galgen", boardButtonMap());
        game.useWord("b\xE4r");
        game.startGame();
        game.guess("br");
        game.clickLetter(27); // ä can only be clicked
        game.script().press(escScanCode);
        EXPECT_EQ(game.play(), 0);
        ASSERT_EQ(game.backend.framesAtMessages.size(), 1u);
        const Frame& atWin = game.backend.framesAtMessages[0];
        EXPECT_EQ(fieldColour(game.program, atWin, 1), glyphColour("\xC4.galgen"));
        EXPECT_EQ(atWin.at(139, 156), 0u); // its board field is marked
        EXPECT_EQ(atWin.at(1, 1), specialBoardColour);
    }
}

} // namespace
} // namespace schlingo::test
