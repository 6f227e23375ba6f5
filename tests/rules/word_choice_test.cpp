#include "rules/word_choice.hpp"
#include "rules/word_reset.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <set>

namespace schlingo::test {
namespace {

TEST(WordChoice, CategoryPicksTheListFile) {
    EXPECT_EQ(wordListFileName(0), generalList);
    EXPECT_EQ(wordListFileName(1), generalList);
    EXPECT_EQ(wordListFileName(2), "St\xE4"
                                   "dte.txt");
    EXPECT_EQ(wordListFileName(3), "L\xE4nder.txt");
    EXPECT_EQ(wordListFileName(4), "Berufe.txt");
    EXPECT_EQ(wordListFileName(5), generalList);
}

TEST(WordChoice, ReadsEntriesByTheItemRules) {
    GameFixture game;
    // Entry 1, a comma splitting a line, trailing blanks kept, leading blanks
    // dropped, a quoted comma, a line end at the end giving no extra entry.
    writeFile(generalList, "kopf\r\neins,zwei\r\ndrei  \r\n   vier\r\n\"f,nf\"\r\n");
    ASSERT_EQ(game.chooseWordNow(), std::nullopt);
    const WordList& words = game.program.words;
    ASSERT_EQ(words.wordCount, 6);
    EXPECT_EQ(words.wordList[1], "kopf");
    EXPECT_EQ(words.wordList[2], "eins");
    EXPECT_EQ(words.wordList[3], "zwei");
    EXPECT_EQ(words.wordList[4], "drei  ");
    EXPECT_EQ(words.wordList[5], "vier");
    EXPECT_EQ(words.wordList[6], "f,nf");
    EXPECT_EQ(words.wordListLoaded, 1);
}

TEST(WordChoice, EveryEntryButTheFirstIsDrawnAndEmptyOnesNever) {
    GameFixture game;
    writeFile(generalList, "kopf\r\neins\r\n\r\nzwei\r\ndrei\r\n\r\n");
    std::set<std::string> seen;
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(game.chooseWordNow(), std::nullopt);
        seen.insert(game.program.word.currentWord);
        EXPECT_EQ(game.program.word.wordLength,
                  static_cast<int>(game.program.word.currentWord.size()));
    }
    EXPECT_EQ(seen, (std::set<std::string>{"eins", "zwei", "drei"}));
    EXPECT_EQ(game.program.words.wordCount, 6); // the blank line at the end is an entry
}

TEST(WordChoice, WordLeftCentresTheRow) {
    GameFixture game;
    game.useWord("abcdefghijkl");
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.wordLeft, 376);
    game.program.words.wordListLoaded = 0;
    game.useWord(std::string(59, 'a'));
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.wordLeft, 0);
    game.program.words.wordListLoaded = 0;
    game.useWord(std::string(70, 'a'));
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.wordLeft, 472 - 560);
}

TEST(WordChoice, ListIsReadAgainOnlyWhenUnloaded) {
    GameFixture game;
    game.useWord("alt");
    game.chooseWordNow();
    game.useWord("neu");
    beginWord(game.program); // random category off: the list stays
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.currentWord, "alt");

    game.program.options.randomCategory = 1;
    beginWord(game.program);
    EXPECT_EQ(game.program.words.wordListLoaded, 0);
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.currentWord, "neu");
}

TEST(WordChoice, RandomCategoryFiveReadsTheGeneralList) {
    GameFixture game;
    game.program.options.category = 5;
    game.useWord("allgemein");
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.currentWord, "allgemein");
    game.program.options.category = 2;
    game.program.words.wordListLoaded = 0;
    game.useWord("berlin", "St\xE4"
                           "dte.txt");
    game.chooseWordNow();
    EXPECT_EQ(game.program.word.currentWord, "berlin");
}

TEST(WordChoice, MissingListEndsTheProgramWithItsMessage) {
    GameFixture game;
    game.program.options.category = 3;
    EXPECT_EQ(game.chooseWordNow(), 0);
    EXPECT_EQ(game.script().messageTexts(),
              (std::vector<std::string>{"Die Datei ''L\xE4nder.txt'' ist nicht vorhanden!"}));
    const platform::MessageBox& box = game.script().messages().at(0).box;
    EXPECT_EQ(box.title, "Schlingo");
    EXPECT_EQ(box.owner, platform::MessageBox::Owner::None);
    EXPECT_EQ(box.icon, platform::MessageBox::Icon::Information);
    EXPECT_TRUE(box.systemModal);
}

TEST(WordChoice, ListWithoutAChoosableWordEndsTheProgramInsteadOfDrawingForever) {
    const char* lists[] = {"", "nur der kopf\r\n", "kopf\r\n\r\n\r\n", "kopf,,,\r\n"};
    for (const char* content : lists) {
        GameFixture game;
        game.program.options.category = 4;
        writeFile("Berufe.txt", content);
        EXPECT_EQ(game.chooseWordNow(), 0) << content;
        EXPECT_EQ(game.script().messageTexts(),
                  (std::vector<std::string>{
                      "Die Datei ''Berufe.txt'' enth\xE4lt keine spielbaren W\xF6rter!"}))
            << content;
    }
}

TEST(WordChoice, ShorterListAfterALongerOneIsDrawnFromItsOwnEntriesOnly) {
    GameFixture game;
    writeFile(generalList, "kopf\r\na\r\nb\r\nc\r\nd\r\ne\r\n");
    game.chooseWordNow();
    game.program.words.wordListLoaded = 0;
    game.useWord("neu");
    for (int i = 0; i < 50; ++i) {
        game.chooseWordNow();
        EXPECT_EQ(game.program.word.currentWord, "neu");
    }
    EXPECT_EQ(game.program.words.wordCount, 2);
}

TEST(WordChoice, StorageStopsAtAMillionEntriesAndReadsPastTheRest) {
    GameFixture game;
    std::string content;
    content.reserve(9'000'000);
    for (int i = 0; i <= 1'000'002; ++i) {
        content += 'w';
        content += std::to_string(i);
        content += "\r\n";
    }
    writeFile(generalList, content);
    ASSERT_EQ(game.chooseWordNow(), std::nullopt);
    const WordList& words = game.program.words;
    EXPECT_EQ(words.wordCount, maxWordSlots);
    EXPECT_EQ(words.wordList[maxWordSlots], "w999999");
    EXPECT_LE(words.wordList.size(), static_cast<std::size_t>(maxWordSlots) + 1);
    EXPECT_TRUE(game.script().messageTexts().empty());
}

TEST(WordChoice, StorageGrowsWithTheFile) {
    GameFixture game;
    game.useWord("klein");
    game.chooseWordNow();
    EXPECT_LT(game.program.words.wordList.size(), 100u);
}

} // namespace
} // namespace schlingo::test
