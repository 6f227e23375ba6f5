// The highscore table survives a program killed while rewriting it, and
// files that cannot be written leave the game running with nothing lost.
// Linux only: these tests fork, kill and drop privileges.

#if defined(__linux__)

#include "gamefiles/highscores.hpp"
#include "gamefiles/statistics.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace schlingo::test {
namespace {

std::string tableOf(std::int32_t first) {
    std::string text;
    for (int i = 0; i < 10; ++i) {
        text += (first + i < 0 ? "" : " ") + std::to_string(first + i) + "\r\n";
    }
    return text;
}

TEST(HighscoreFile, AKilledRewriteLeavesTheOldOrTheNewTable) {
    GameFixture game;
    const std::string tableA = tableOf(100), tableB = tableOf(-5);
    writeFile("Highscore.dat", tableA);
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delay(0, 3000); // microseconds
    std::set<std::string> seen;
    for (int round = 0; round < 300; ++round) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            // Rewrites the table in a loop, alternating between two tables.
            for (long n = 0;; ++n) {
                const std::int32_t first = n % 2 == 0 ? -5 : 100;
                for (int j = 1; j <= 10; ++j) {
                    game.program.highscores.newHighscores[j] = first + j - 1;
                }
                writeHighscores(game.program);
            }
        }
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string now = readFile("Highscore.dat").value_or("<missing>");
        ASSERT_TRUE(now == tableA || now == tableB) << "round " << round << ":\n" << now;
        seen.insert(now);
    }
    EXPECT_EQ(seen.size(), 2u); // the child did get to replace the file
    // Killed writes leave no pile of temporary files behind.
    int others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name != "Highscore.dat" && name != "pictures") {
            ++others;
        }
    }
    EXPECT_LE(others, 1);
}

// Runs a lost game in a child process that cannot write where the files
// are: root drops to "nobody" first, since root may write anywhere. Returns
// the child's verdict: 0 when the game ended normally with the loss message
// as its only message.
int loseAGameWithoutWriteAccess(GameFixture& game) {
    game.program.options.maxTries = 1;
    game.useWord("ab");
    game.startGame();
    game.guess("c");
    game.dismissList();
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(10);
        }
        int verdict = 0;
        try {
            if (game.play().has_value()) {
                verdict = 11;
            } else if (game.script().messageTexts() !=
                       std::vector<std::string>{
                           "Sie haben leider verloren!\r\ngesuchtes Wort: ab"}) {
                verdict = 12;
            }
        } catch (...) {
            verdict = 13;
        }
        _exit(verdict);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

const std::string oldStatistics = "eine alte Zeile\r\n";

TEST(ReadOnlyFiles, ReadOnlyHighscoreAndStatisticsFilesStayAsTheyWere) {
    GameFixture game;
    writeFile("Highscore.dat", tableOf(-20)); // every entry is below 0: the 0 would place
    writeFile("Statistik.txt", oldStatistics);
    chmod("Highscore.dat", 0444);
    chmod("Statistik.txt", 0444);
    chmod(".", 0777);
    EXPECT_EQ(loseAGameWithoutWriteAccess(game), 0);
    chmod(".", 0755);
    EXPECT_EQ(readFile("Highscore.dat"), tableOf(-20));
    EXPECT_EQ(readFile("Statistik.txt"), oldStatistics);
}

TEST(ReadOnlyFiles, ReadOnlyDirectoryChangesNothing) {
    GameFixture game;
    writeFile("Highscore.dat", tableOf(-20));
    writeFile("Statistik.txt", oldStatistics);
    chmod(".", 0555);
    EXPECT_EQ(loseAGameWithoutWriteAccess(game), 0);
    chmod(".", 0755);
    EXPECT_EQ(readFile("Highscore.dat"), tableOf(-20));
    EXPECT_EQ(readFile("Statistik.txt"), oldStatistics);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"Highscore.dat", "Statistik.txt", "pictures",
                                            "allgemeine W\xC3\xB6rter.txt"}));
}

} // namespace
} // namespace schlingo::test

#endif
