// The highscore table survives a program killed while rewriting it, and
// files that cannot be written leave the game running with nothing lost.

#include "gamefiles/highscores.hpp"
#include "gamefiles/statistics.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#if defined(__linux__)
#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace schlingo::test {
namespace {

std::string tableOf(std::int32_t first) {
    std::string text;
    for (int i = 0; i < 10; ++i) {
        if (first + i >= 0) {
            text += ' ';
        }
        text += std::to_string(first + i);
        text += "\r\n";
    }
    return text;
}

// Plays a word lost at the first miss to the end of the game: 0 when the game
// ended normally with the loss message as its only message.
int loseAGame(GameFixture& game) {
    try {
        if (game.play().has_value()) {
            return 11;
        }
        if (game.script().messageTexts() !=
            std::vector<std::string>{"Sie haben leider verloren!\r\ngesuchtes Wort: ab"}) {
            return 12;
        }
    } catch (...) {
        return 13;
    }
    return 0;
}

void scriptALostGame(GameFixture& game) {
    game.program.options.maxTries = 1;
    game.useWord("ab");
    game.startGame();
    game.guess("c");
    game.dismissList();
}

const std::string oldStatistics = "eine alte Zeile\r\n";

#if defined(__linux__)

// Linux: the child processes are killed, and root drops to "nobody", since
// root may write anywhere.

TEST(HighscoreFile, AKilledRewriteLeavesTheOldOrTheNewTable) {
    GameFixture game;
    const std::string tableA = tableOf(100), tableB = tableOf(-5);
    // Kills land anywhere within a few rewrites, however long this disk
    // takes for one.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        writeHighscores(game.program);
    }
    const auto oneWrite = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count() /
                          10;
    writeFile("Highscore.dat", tableA);
    std::mt19937 random(20261207);
    std::uniform_int_distribution<long long> delay(0, std::max<long long>(300, 2 * oneWrite));
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
    EXPECT_EQ(seen.size(), 2u) << "one rewrite takes " << oneWrite << " us"; // it did replace
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

// Runs the lost game in a child process that cannot write where the files are.
int loseAGameWithoutWriteAccess(GameFixture& game) {
    scriptALostGame(game);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(10);
        }
        _exit(loseAGame(game));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

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

#endif

#if defined(_WIN32)

TEST(ReadOnlyFiles, ReadOnlyHighscoreAndStatisticsFilesStayAsTheyWere) {
    namespace fs = std::filesystem;
    GameFixture game;
    writeFile("Highscore.dat", tableOf(-20));
    writeFile("Statistik.txt", oldStatistics);
    for (const char* name : {"Highscore.dat", "Statistik.txt"}) {
        fs::permissions(name,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    auto writable = [] {
        for (const char* name : {"Highscore.dat", "Statistik.txt"}) {
            fs::permissions(name, fs::perms::owner_write, fs::perm_options::add);
        }
    };
    if (std::FILE* probe = platform::host::openFile("Statistik.txt", "ab")) {
        std::fclose(probe);
        writable();
        GTEST_SKIP() << "this user writes read-only files (Wine run by root)";
    }
    scriptALostGame(game);
    EXPECT_EQ(loseAGame(game), 0);
    writable();
    EXPECT_EQ(readFile("Highscore.dat"), tableOf(-20));
    EXPECT_EQ(readFile("Statistik.txt"), oldStatistics);
}

#endif

} // namespace
} // namespace schlingo::test
