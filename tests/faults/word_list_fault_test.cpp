// Word lists that are not lists of words: the choice and the word's screen
// neither hang nor crash and follow the item rules. Empty lists, a heading
// alone and lists past a million entries are covered with the word choice.

#include "support/file_bytes.hpp"
#include "support/game_fixture.hpp"

#include "rules/word_choice.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/resource.h>
#endif

namespace schlingo::test {
namespace {

// Sets the word up on the screen and leaves it at once with Esc.
std::optional<int> showAndLeave(GameFixture& game) {
    game.program.screen().openScreen(940, 320, 32, 1, 0);
    game.script().press(escScanCode);
    return game.play();
}

TEST(DamagedWordList, BinaryGarbageGivesWordsOfAtMostAnItemsLength) {
    GameFixture game;
    std::mt19937 random(26);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    for (char& c : garbage) // a byte 26 would end the list early
        if (c == '\x1A')
            c = '\x1B';
    writeFile(generalList, garbage);

    std::set<std::string> drawn;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(game.chooseWordNow(), std::nullopt);
        const std::string& word = game.program.word.currentWord;
        ASSERT_FALSE(word.empty());
        EXPECT_LE(word.size(), 4096u);
        EXPECT_EQ(word.find_first_of("\r\n"), std::string::npos);
        drawn.insert(word);
    }
    EXPECT_GT(game.program.words.wordCount, 1000); // random bytes hold many line ends
    EXPECT_GT(drawn.size(), 150u);
    EXPECT_EQ(showAndLeave(game), 0);
}

TEST(DamagedWordList, OneFiftyMegabyteLineIsCutIntoItemsOfMaximumLength) {
    GameFixture game;
    const std::size_t size = 50u << 20;
    writeFile(generalList, std::string(size, 'x'));
    ASSERT_EQ(game.chooseWordNow(), std::nullopt);
    EXPECT_EQ(game.program.words.wordCount, static_cast<int>(size / 4096));
    EXPECT_EQ(game.program.word.currentWord, std::string(4096, 'x'));
    EXPECT_EQ(game.program.word.wordLeft, 472 - 8 * 4096);
    // A row 65536 pixels wide, almost all of it off the screen.
    EXPECT_EQ(showAndLeave(game), 0);
}

TEST(DamagedWordList, AListLargerThanTheGameCanHoldEndsWithAMessageUnread) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the page's files live in its memory, which holds no file of gigabytes";
#endif
    GameFixture game;
    writeFile(generalList, "kopf\r\nhund\r\n");
    // Sparse: the disk holds a few bytes, the length claims more than memory.
    lengthenSparsely(std::filesystem::path(u8"allgemeine Wörter.txt"), maxListBytes + 1);
    EXPECT_EQ(game.chooseWordNow(), 0);
    EXPECT_EQ(game.script().messageTexts(),
              (std::vector<std::string>{
                  "Die Datei ''allgemeine W\xF6rter.txt'' ist zu gro\xDF f\xFCr das Spiel!"}));
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// A list the game could hold, in a process with less memory than it needs.
TEST(DamagedWordListDeathTest, AListLargerThanMemoryIsUnreadableNotAnAbort) {
    GameFixture game;
    writeFile(generalList, "kopf\r\nhund\r\n");
    lengthenSparsely(std::filesystem::path(u8"allgemeine Wörter.txt"), 1LL << 30);
    auto chooseInLittleMemory = [&game] {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t room = static_cast<rlim_t>(pages) * 4096 + (256u << 20);
        const rlimit limit{room, room};
        setrlimit(RLIMIT_AS, &limit);
        const std::optional<int> code = game.chooseWordNow();
        const std::vector<std::string> said = game.script().messageTexts();
        const bool told = said == std::vector<std::string>{"Die Datei ''allgemeine W\xF6rter.txt'' "
                                                           "l\xE4sst sich nicht lesen!"};
        std::exit(code == 0 && told ? 0 : 1);
    };
    EXPECT_EXIT(chooseInLittleMemory(), ::testing::ExitedWithCode(0), "");
}
#endif

TEST(DamagedWordList, LoneCarriageReturnsEndLinesAndAByte26EndsTheList) {
    GameFixture game;
    writeFile(generalList, "kopf\rapfel\rbirne\r\rkirsche\x1Apflaume\r\nzwetschge\r");
    std::set<std::string> drawn;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(game.chooseWordNow(), std::nullopt);
        drawn.insert(game.program.word.currentWord);
    }
    EXPECT_EQ(drawn, (std::set<std::string>{"apfel", "birne", "kirsche"}));
    EXPECT_EQ(game.program.words.wordCount, 5); // the empty line is an entry, never drawn

    // Nothing but lone CRs and a byte 26 before the first word.
    GameFixture other;
    writeFile(generalList, "kopf\r\r\r\x1Awort\r");
    EXPECT_EQ(other.chooseWordNow(), 0);
    EXPECT_EQ(other.script().messageTexts().size(), 1u);
}

} // namespace
} // namespace schlingo::test
