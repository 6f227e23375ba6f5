#include "flow/startup.hpp"

#include "flow/start_window.hpp"
#include "support/scripted_program.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace schlingo {
namespace {

using platform::MessageAnswer;
using platform::ScriptedExit;
using platform::StartWindowScript;

// Start window control indexes in creation order.
constexpr int generalWords = 1, cities = 2, specialLettersBox = 6, blindModeBox = 7, normalMode = 9,
              kamikaze = 10, selbstmord = 11, playButton = 12, infoButton = 13, quitButton = 14;

// Scan codes of the German keyboard.
constexpr int keyA = 30, keyE = 18, keyK = 37, keyT = 20, keyZ = 21, keyEsc = 1;
const std::vector<int> elevenWrongKeys = {48, 46, 32, 33, 34, 35,
                                          23, 36, 38, 50, 49}; // b c d f g h i j l m n

const std::string general = "allgemeine W\xF6rter.txt";
std::string wordCountGreeting(const char* count) {
    return std::string("Es sind insgesamt ").append(count).append(" W\xF6rter!");
}
const std::string announcement =
    "Bei diesem Spiel handelt es sich um ein klassisches Galgenm\xE4nnchen, nur das nicht das "
    "Galgenm\xE4nnchen aufgeh\xE4ngt wird, sondern der Rechner!";

// Files are named in Windows-1252 by the program; on disk the host's form.
std::filesystem::path onDisk(const std::string& cp1252Name) {
    std::u8string utf8;
    for (unsigned char c : cp1252Name) {
        if (c < 0x80) {
            utf8 += static_cast<char8_t>(c);
        } else { // the Latin-1 letters used here
            utf8 += static_cast<char8_t>(0xC0 | (c >> 6));
            utf8 += static_cast<char8_t>(0x80 | (c & 0x3F));
        }
    }
    return std::filesystem::path(utf8);
}

void writeFile(const std::string& cp1252Name, const std::string& bytes) {
    std::ofstream out(onDisk(cp1252Name), std::ios::binary);
    out << bytes;
}

std::string readFile(const std::string& cp1252Name) {
    std::ifstream in(onDisk(cp1252Name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool exists(const std::string& cp1252Name) {
    return std::filesystem::exists(onDisk(cp1252Name));
}

// Lets the program poll a while with nothing happening.
void pause(platform::ScriptedBackend& b, int passes = 5) {
    b.idle(passes);
}

void pressAll(platform::ScriptedBackend& b, const std::vector<int>& keys) {
    for (int key : keys) {
        b.press(key);
        pause(b, 2);
    }
}

// The only choosable word of the list below is "katze".
void winKatze(platform::ScriptedBackend& b) {
    pressAll(b, {keyK, keyA, keyT, keyZ, keyE});
    pause(b, 10);
}

void loseWord(platform::ScriptedBackend& b) {
    pressAll(b, elevenWrongKeys);
    pause(b, 10);
    b.typeKey('x'); // leaves the highscore list
    pause(b, 5);
}

int runUntilExit(test::ScriptedProgram& s) {
    try {
        runProgram(s.program);
    } catch (const ScriptedExit& exit) {
        return exit.code;
    }
    return -1;
}

std::string highscoreFile(const std::vector<int>& entries) {
    std::string text;
    for (int value : entries)
        text.append(value >= 0 ? " " : "").append(std::to_string(value)).append("\r\n");
    return text;
}

TEST(ProgramFlow, AWholeRunWithOneWonAndOneLostWordThenBeenden) {
    test::TempDir dir;
    writeFile(general, "Allgemeine W\xF6rter\r\nkatze\r\n");
    test::ScriptedProgram s;
    auto& b = s.backend;

    // First start window: options chosen, then the close box starts the game.
    b.startWindow({{kamikaze, blindModeBox, cities, generalWords}});
    winKatze(b);
    loseWord(b);
    // Second start window: "Info", then "Beenden" declined once, then confirmed.
    b.startWindow({{infoButton, quitButton, quitButton}});
    // Answers go to the message boxes in turn: five game messages, then Info.
    for (int i = 0; i < 6; ++i)
        b.answer(MessageAnswer::Ok);
    b.answer(MessageAnswer::No).answer(MessageAnswer::Yes);

    EXPECT_EQ(runUntilExit(s), 0);

    const auto texts = b.messageTexts();
    const std::vector<std::string> expected = {
        wordCountGreeting("1"),
        "Der Rekord liegt momentan bei 0 Punkten!",
        announcement,
        "Gratuliere, das war das richtige Wort!",
        "Sie haben leider verloren!\r\ngesuchtes Wort: katze",
        infoText,
        "Wirklich beenden?",
        "Wirklich beenden?",
    };
    EXPECT_EQ(texts, expected);

    // The game screen, the list screen, the game screen again.
    ASSERT_EQ(b.windowsOpened().size(), 3u);
    EXPECT_EQ(b.windowsOpened()[0].width, 940);
    EXPECT_EQ(b.windowsOpened()[0].height, 320);
    EXPECT_EQ(b.windowsOpened()[1].width, 400);
    EXPECT_EQ(b.windowsOpened()[2].width, 940);
    EXPECT_EQ(b.iconSetOn(), 0x100u); // the first game window got the icon
    EXPECT_EQ(b.currentTitle(), "Schlingo - Modus: Kamikaze");

    // Won with 11 tries left and 0 words before: 11 points; lost with them.
    EXPECT_EQ(readFile("Highscore.dat"), highscoreFile({0, 0, 0, 0, 0, 0, 0, 0, 0, 11}));
    const std::string line = readFile("Statistik.txt");
    EXPECT_EQ(line.rfind(" 11", 0), 0u) << line;
    EXPECT_NE(line.find(" 1 "), std::string::npos) << line; // one word won
    EXPECT_NE(line.find("Kamikazemodus"), std::string::npos) << line;
    EXPECT_NE(line.find("Blindmodus ein"), std::string::npos) << line;
    EXPECT_NE(line.find("allgemeine W\xF6rter\r\n"), std::string::npos) << line;

    // The second start window shows the options as they were left.
    ASSERT_EQ(b.startWindows().size(), 2u);
    EXPECT_EQ(b.startWindows()[1].initiallyChecked, b.startWindows()[0].finallyChecked);
    EXPECT_TRUE(b.startWindows()[1].initiallyChecked[kamikaze]);
    EXPECT_TRUE(b.startWindows()[1].initiallyChecked[blindModeBox]);
    EXPECT_TRUE(b.startWindows()[1].initiallyChecked[generalWords]);
    EXPECT_FALSE(b.startWindows()[1].initiallyChecked[specialLettersBox]);
}

TEST(ProgramFlow, FirstStartUsesTheDefaultsAndTheNormalTitle) {
    test::TempDir dir;
    writeFile(general, "Liste\r\nkatze\r\nhund\r\nmaus\r\n");
    test::ScriptedProgram s;
    auto& b = s.backend;
    b.startWindow({{playButton}});
    b.press(keyEsc);

    EXPECT_EQ(runUntilExit(s), 0);
    ASSERT_EQ(b.startWindows().size(), 1u);
    const auto& checked = b.startWindows()[0].initiallyChecked;
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(checked[i], i == generalWords || i == normalMode) << i;
    EXPECT_EQ(s.program.options.maxTries, 11);
    EXPECT_EQ(b.currentTitle(), "Schlingo - Modus: Normal");
    ASSERT_GE(b.messageTexts().size(), 1u);
    EXPECT_EQ(b.messageTexts()[0], wordCountGreeting("3"));
}

TEST(ProgramFlow, TheGameWindowIsTitledByTheModeChosen) {
    const std::pair<std::vector<int>, const char*> cases[] = {
        {{kamikaze, normalMode}, "Schlingo - Modus: Normal"},
        {{selbstmord, kamikaze}, "Schlingo - Modus: Kamikaze"},
        {{kamikaze, selbstmord}, "Schlingo - Modus: Selbstmord"}};
    for (const auto& [clicks, title] : cases) {
        test::TempDir dir;
        writeFile(general, "Liste\r\nkatze\r\n");
        test::ScriptedProgram s;
        s.backend.startWindow({clicks});
        s.backend.press(keyEsc);
        EXPECT_EQ(runUntilExit(s), 0);
        EXPECT_EQ(s.backend.currentTitle(), title);
    }
}

TEST(ProgramFlow, EscAndTheCloseButtonEndTheRunAndRecordNothing) {
    for (bool useClose : {false, true}) {
        test::TempDir dir;
        writeFile(general, "Liste\r\nkatze\r\n");
        const std::string table = highscoreFile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        writeFile("Highscore.dat", table);
        test::ScriptedProgram s;
        auto& b = s.backend;
        b.startWindow({{playButton}});
        pressAll(b, {keyK, keyA}); // points would be at stake
        if (useClose)
            b.close();
        else
            b.press(keyEsc);

        EXPECT_EQ(runUntilExit(s), 0) << useClose;
        EXPECT_EQ(readFile("Highscore.dat"), table) << useClose;
        EXPECT_FALSE(exists("Statistik.txt")) << useClose;
        // The record greeting came from the file read after the start window.
        ASSERT_GE(b.messageTexts().size(), 2u);
        EXPECT_EQ(b.messageTexts()[1], "Der Rekord liegt momentan bei 10 Punkten!");
        EXPECT_EQ(b.messageTexts().size(), 3u) << useClose; // only the greetings
    }
}

TEST(ProgramFlow, MissingWordListEndsWithItsMessageBeforeTheGreetings) {
    test::TempDir dir;
    writeFile("St\xE4"
              "dte.txt",
              "St\xE4"
              "dte\r\nbonn\r\n"); // another category's list
    test::ScriptedProgram s;
    auto& b = s.backend;
    b.startWindow({{generalWords, playButton}});

    EXPECT_EQ(runUntilExit(s), 0);
    EXPECT_EQ(b.messageTexts(),
              std::vector<std::string>{
                  std::string("Die Datei ''").append(general).append("'' ist nicht vorhanden!")});
    EXPECT_TRUE(b.windowsOpened().empty());
    EXPECT_FALSE(exists("Highscore.dat"));
}

TEST(ProgramFlow, NextGameStartsFromZeroButKeepsWinCycleAndOptions) {
    test::TempDir dir;
    writeFile(general, "Liste\r\nkatze\r\n");
    test::ScriptedProgram s;
    auto& b = s.backend;
    s.program.game.gamesWon = 7; // left over: each game starts with 0 words won

    b.startWindow({{kamikaze, specialLettersBox}});
    winKatze(b);
    loseWord(b);
    playGame(s.program);
    EXPECT_EQ(s.program.game.winCycle, 1);
    EXPECT_EQ(s.program.game.points, 0);
    EXPECT_EQ(s.program.game.gamesWon, 0);
    EXPECT_EQ(readFile("Highscore.dat"), highscoreFile({0, 0, 0, 0, 0, 0, 0, 0, 0, 11}));

    // Second game: one more win; winCycle goes on counting, the score is 11 again.
    // Before its first guess the mode may be switched again.
    b.startWindow({{}});
    b.pressTogether({29, 3}); // Ctrl+2
    winKatze(b);
    loseWord(b);
    playGame(s.program);
    EXPECT_EQ(s.program.game.winCycle, 2);
    EXPECT_EQ(readFile("Highscore.dat"), highscoreFile({0, 0, 0, 0, 0, 0, 0, 0, 11, 11}));
    EXPECT_EQ(s.program.options.kamikazeMode, 1);
    EXPECT_EQ(s.program.options.specialLetters, 1);
    ASSERT_EQ(b.startWindows().size(), 2u);
    EXPECT_TRUE(b.startWindows()[1].initiallyChecked[kamikaze]);
    EXPECT_TRUE(b.startWindows()[1].initiallyChecked[specialLettersBox]);
    // The second game's greeting shows the record of the first.
    const auto texts = b.messageTexts();
    const std::string secondRecord = "Der Rekord liegt momentan bei 11 Punkten!";
    EXPECT_NE(std::find(texts.begin(), texts.end(), secondRecord), texts.end());
    EXPECT_EQ(
        std::count(texts.begin(), texts.end(), "Sie haben bereits ein neues Spiel angefangen!"), 0);
}

TEST(ProgramFlow, TheGameReadsTheButtonMapOfTheWorkingDirectory) {
    test::TempDir dir;
    writeFile(general, "Liste\r\nkatze\r\n");
    test::ScriptedProgram s;
    auto& b = s.backend;
    b.startWindow({{playButton}});
    b.press(keyEsc);
    ASSERT_TRUE(std::filesystem::copy_file(
        std::filesystem::path(test::dataDirectory()) / "Button2.galgen", "Button2.galgen"));
    EXPECT_EQ(runUntilExit(s), 0);
    EXPECT_NE(s.program.buttons.buttonRight[0], 0); // letter a has its rectangle
}

} // namespace
} // namespace schlingo
