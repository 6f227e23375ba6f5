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
#include <grp.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if defined(_WIN32)
#include <windows.h>
#endif

namespace schlingo::test {
namespace {

// Every test here needs the operating system's processes or permissions.
#if defined(__linux__) || defined(_WIN32)

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
// tableOf(-20) after a game of 0 points: the lowest entry out, the 0 on top.
const std::string tableAfterALoss = tableOf(-19).substr(0, 45) + " 0\r\n";

std::set<std::string> namesHere() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

#endif

#if defined(__linux__)

// Linux: the child processes are killed.

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
    // On a busy machine a child may get no rewrite done before its kill for
    // many rounds: then later rounds wait longer, until both tables were seen.
    for (int round = 0; round < 300 || (seen.size() < 2 && round < 600); ++round) {
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
        usleep(static_cast<useconds_t>(delay(random) * (round < 300 ? 1 : 10)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string now = readFile("Highscore.dat").value_or("<missing>");
        ASSERT_TRUE(now == tableA || now == tableB) << "round " << round << ":\n" << now;
        seen.insert(now);
    }
    EXPECT_EQ(seen.size(), 2u) << "one rewrite takes " << oneWrite << " us"; // it did replace
    // A table is written to a file without a name and named just before the
    // rename, so killed writes leave hardly any temporary files behind, and
    // only under hidden names of their own.
    int others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name != "Highscore.dat" && name != "pictures") {
            EXPECT_EQ(name.rfind(".Highscore.dat.", 0), 0u) << name;
            ++others;
        }
    }
    // A kill lands between the link and the rename more often on a loaded
    // machine (14 of 300 seen under ASan beside other builds): a loose bound.
    EXPECT_LE(others, 40);
    RecordProperty("leftOver", others);
}

// Root may write anywhere, so run as root the game runs as "nobody", whose
// own the files and the folder then are: only their permission bits decide,
// as they do for a player. Anyone else runs it as themselves.
struct Player {
    uid_t uid;
    gid_t gid;
};

Player player() {
    if (geteuid() != 0) {
        return {geteuid(), getegid()};
    }
    const passwd* nobody = getpwnam("nobody");
    return nobody != nullptr ? Player{nobody->pw_uid, nobody->pw_gid} : Player{65534, 65534};
}

int loseAGameAs(const Player& who, GameFixture& game) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(who.gid) != 0 || setuid(who.uid) != 0)) {
            _exit(10);
        }
        _exit(geteuid() == 0 ? 14 : loseAGame(game));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// A file the player may write gets the game, wherever it lies; one he may not
// write stays as it was. Nothing new appears in the folder either way, and the
// table stays the file it was: its owner, group, mode and other names.
TEST(ReadOnlyFiles, TheGameWritesTheFilesThePlayerMayWriteAndNoOthers) {
    struct Case {
        const char* what;
        mode_t files, folder;
        bool written;
        bool othersFiles = false; // another player's, in the player's group
        bool hardLinked = false;  // the table has a second name
    };
    for (const Case& c : {Case{"read-only files, writable folder", 0444, 0755, false},
                          Case{"writable files, read-only folder", 0640, 0555, true},
                          Case{"read-only files, read-only folder", 0444, 0555, false},
                          Case{"another player's group-writable files", 0664, 0755, true, true},
                          Case{"a hard-linked table", 0640, 0755, true, false, true}}) {
        SCOPED_TRACE(c.what);
        const Player who = player();
        // Only root hands files to another player; the tests run as root too.
        if (c.othersFiles && geteuid() != 0) {
            continue;
        }
        const uid_t owner = c.othersFiles ? geteuid() : who.uid;
        GameFixture game;
        writeFile("Highscore.dat", tableOf(-20));
        writeFile("Statistik.txt", oldStatistics);
        if (c.hardLinked) {
            ASSERT_EQ(link("Highscore.dat", "Bestenliste.dat"), 0);
        }
        readHighscores(game.program);
        scriptALostGame(game);
        const std::set<std::string> names = namesHere();
        for (const char* name : {"Highscore.dat", "Statistik.txt"}) {
            ASSERT_EQ(chown(name, owner, who.gid), 0);
            ASSERT_EQ(chmod(name, c.files), 0);
        }
        ASSERT_EQ(chown(".", who.uid, who.gid), 0);
        ASSERT_EQ(chmod(".", c.folder), 0);
        EXPECT_EQ(loseAGameAs(who, game), 0);
        chmod(".", 0755);
        EXPECT_EQ(namesHere(), names);
        struct stat info {};
        ASSERT_EQ(stat("Highscore.dat", &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.files);
        EXPECT_EQ(info.st_uid, owner);
        EXPECT_EQ(info.st_gid, who.gid);
        EXPECT_EQ(info.st_nlink, c.hardLinked ? 2u : 1u);
        const std::string table = readFile("Highscore.dat").value_or("");
        const std::string log = readFile("Statistik.txt").value_or("");
        if (c.written) {
            EXPECT_EQ(table, tableAfterALoss);
            // One whole line more, the game's score first.
            EXPECT_EQ(log.rfind(oldStatistics + " 0 ", 0), 0u) << log;
            EXPECT_EQ(log.find('\n', oldStatistics.size()), log.size() - 1) << log;
        } else {
            EXPECT_EQ(table, tableOf(-20));
            EXPECT_EQ(log, oldStatistics);
        }
        if (c.hardLinked) {
            EXPECT_EQ(readFile("Bestenliste.dat"), table);
        }
    }
}

#endif

#if defined(_WIN32)

// A read-only table and log stay as they were; a table with a second name or
// one held open by another program is written where it is.
TEST(ReadOnlyFiles, ReadOnlyFilesStayAndOtherTablesAreWrittenWhereTheyAre) {
    namespace fs = std::filesystem;
    enum class Kind { ReadOnly, HardLinked, HeldOpen };
    struct Case {
        const char* what;
        Kind kind;
    };
    std::string notApplicable;
    for (const Case& c :
         {Case{"read-only files", Kind::ReadOnly}, Case{"a hard-linked table", Kind::HardLinked},
          Case{"a table held open without delete sharing", Kind::HeldOpen}}) {
        SCOPED_TRACE(c.what);
        GameFixture game;
        writeFile("Highscore.dat", tableOf(-20));
        writeFile("Statistik.txt", oldStatistics);
        readHighscores(game.program);
        auto writable = [] {
            for (const char* name : {"Highscore.dat", "Statistik.txt"}) {
                fs::permissions(name, fs::perms::owner_write, fs::perm_options::add);
            }
        };
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.kind == Kind::ReadOnly) {
            for (const char* name : {"Highscore.dat", "Statistik.txt"}) {
                fs::permissions(
                    name, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
            }
            if (std::FILE* probe = platform::host::openFile("Statistik.txt", "ab")) {
                // scripts/test-all runs these tests under Wine as an ordinary user.
                std::fclose(probe);
                writable();
                notApplicable = "this user writes read-only files (Wine run by root)";
                continue;
            }
        } else if (c.kind == Kind::HardLinked) {
            ASSERT_TRUE(::CreateHardLinkW(L"Bestenliste.dat", L"Highscore.dat", nullptr));
        } else {
            // As a viewer or a backup program may hold it.
            held = ::CreateFileW(L"Highscore.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        scriptALostGame(game);
        const std::set<std::string> before = namesHere();
        EXPECT_EQ(loseAGame(game), 0);
        if (held != INVALID_HANDLE_VALUE) {
            ::CloseHandle(held);
        }
        writable();
        EXPECT_EQ(namesHere(), before);
        const std::string table = readFile("Highscore.dat").value_or("");
        EXPECT_EQ(table, c.kind == Kind::ReadOnly ? tableOf(-20) : tableAfterALoss);
        if (c.kind == Kind::ReadOnly) {
            EXPECT_EQ(readFile("Statistik.txt"), oldStatistics);
        }
        if (c.kind == Kind::HardLinked) {
            EXPECT_EQ(readFile("Bestenliste.dat"), table);
        }
    }
    if (!notApplicable.empty()) {
        GTEST_SKIP() << notApplicable;
    }
}

#endif

} // namespace
} // namespace schlingo::test
