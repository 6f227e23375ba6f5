// The statistics log and the highscore table when the program is killed while
// appending, when the disk is full, and named pipes in the files' places.
// Linux only: these tests fork, kill and mount a small tmpfs.

#if defined(__linux__)

#include "gamefiles/highscores.hpp"
#include "gamefiles/statistics.hpp"
#include "platform/machine/text_file.hpp"
#include "support/game_fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace schlingo::test {
namespace {

const std::string statistics = "Statistik.txt";

// Splits into lines ended by CR LF; false when the file ends inside a line.
bool wholeLines(const std::string& bytes, std::vector<std::string>& lines) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos)
            return false;
        lines.push_back(bytes.substr(at, end + 2 - at));
        at = end + 2;
    }
    return true;
}

// Lines are appended in place, each in one write. A write the kernel copies
// in page-sized pieces can still be cut between two pages when its writer is
// killed. That piece stays (the log is the player's, nothing of it is ever
// cut), and the next line starts on a line of its own. So every line of the
// log is whole or the start of a line ended at a page boundary, and the line
// after a tear is whole. A line written in several pieces would tear anywhere.
TEST(StatisticsFile, AKilledAppendLeavesItsPieceAndTheNextLineIsWhole) {
    GameFixture game;
    appendStatistics(game.program, 1234, 56);
    const std::string line = readFile(statistics).value_or("");
    ASSERT_GT(line.size(), 100u);
    // Kills land within a few appends of a child, however long this disk (or
    // a sanitizer) takes to start one and let it append.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            appendStatistics(game.program, 1234, 56);
            _exit(0);
        }
        waitpid(child, nullptr, 0);
    }
    const auto oneAppend = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count() /
                           5;
    std::remove(statistics.c_str());

    std::mt19937 random(20261208);
    std::uniform_int_distribution<long long> delay(0, std::max<long long>(2000, 2 * oneAppend));
    constexpr std::size_t page = 4096;
    int roundsWithLines = 0, tornAtAPage = 0;
    std::string before; // the log as the last whole append left it
    for (int round = 0; round < 300; ++round) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            for (;;)
                appendStatistics(game.program, 1234, 56);
        }
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string killed = readFile(statistics).value_or("");
        ASSERT_EQ(killed.compare(0, before.size(), before), 0) << "round " << round;
        const std::size_t added = killed.size() - before.size();
        const std::size_t whole = before.size() + added / line.size() * line.size();
        const bool torn = whole != killed.size();
        if (torn) {
            ASSERT_EQ(killed.size() % page, 0u)
                << "round " << round << ": torn after " << killed.size() - whole << " bytes";
            ++tornAtAPage;
        }
        for (std::size_t at = before.size(); at < killed.size(); at += line.size())
            ASSERT_EQ(killed.substr(at, line.size()), line.substr(0, killed.size() - at))
                << "round " << round;
        roundsWithLines += whole > before.size() ? 1 : 0;

        appendStatistics(game.program, 1234, 56); // the next game
        const std::string log = readFile(statistics).value_or("");
        ASSERT_EQ(log, killed + (torn ? "\r\n" : "") + line) << "round " << round;
        before = log;
        if (log.size() > (1u << 20)) {
            std::remove(statistics.c_str());
            before.clear();
        }
    }
    EXPECT_GT(roundsWithLines, 30)
        << "a child's first append takes " << oneAppend << " us"; // it did write
    RecordProperty("tornAtAPage", tornAtAPage);
    RecordProperty("roundsWithLines", roundsWithLines);
}

// In a child with a mount namespace of its own, so the mount goes with it: a
// tmpfs of `kilobytes` over the working directory. Returns "" when done, a
// reason to skip, or "!" and a failure.
using FullDiskCheck = std::string (*)(GameFixture& game);

// Anyone but root mounts inside a user namespace of their own, as its root.
bool mayMount() {
    if (geteuid() == 0)
        return true;
    const std::string uid = "0 " + std::to_string(geteuid()) + " 1";
    const std::string gid = "0 " + std::to_string(getegid()) + " 1";
    if (unshare(CLONE_NEWUSER) != 0)
        return false;
    auto put = [](const char* file, const std::string& text) {
        const int fd = open(file, O_WRONLY | O_CLOEXEC);
        const bool ok =
            fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (fd >= 0)
            close(fd);
        return ok;
    };
    return put("/proc/self/setgroups", "deny") && put("/proc/self/uid_map", uid) &&
           put("/proc/self/gid_map", gid);
}

std::string onSmallDisk(const std::string& directory, int kilobytes, FullDiskCheck check,
                        GameFixture& game) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "!no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        std::string verdict;
        const std::string size = "size=" + std::to_string(kilobytes) + "k";
        if (!mayMount() || unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
            verdict = std::string("no mount namespace: ") + std::strerror(errno);
        else if (mount("tmpfs", directory.c_str(), "tmpfs", 0, size.c_str()) != 0)
            verdict = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        else if (chdir(directory.c_str()) != 0)
            verdict = "!cannot enter the tmpfs";
        else {
            try {
                verdict = check(game);
            } catch (const std::exception& e) {
                verdict = std::string("!exception: ") + e.what();
            }
        }
        const ssize_t ignored = write(pipeEnds[1], verdict.data(), verdict.size());
        (void)ignored;
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string verdict;
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        verdict.append(buffer, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "!the child died with signal " + std::to_string(WTERMSIG(status));
    return verdict;
}

// Writes a file until the disk refuses another byte.
bool fillDisk() {
    const int fd = open("filler", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    while (write(fd, block.data(), 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    close(fd);
    return full;
}

std::string tableOf(std::int32_t first) {
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += (first + i < 0 ? "" : " ") + std::to_string(first + i) + "\r\n";
    return text;
}

// Word "ab", lost at the first miss, and the game with it: "" when the game
// went on as usual with the loss message as its only message.
std::string loseAGame(GameFixture& game) {
    game.program.options.maxTries = 1;
    game.startGame();
    game.guess("c");
    game.dismissList();
    if (game.play().has_value())
        return "!the program ended";
    if (game.script().messageTexts() !=
        std::vector<std::string>{"Sie haben leider verloren!\r\ngesuchtes Wort: ab"})
        return "!other messages than the loss";
    return "";
}

// A lost game on a full disk: the game ends as usual, and the table and the
// log keep what they held, the log without a piece of the new line.
std::string loseOnAFullDisk(GameFixture& game) {
    // The log ends 60 bytes short of a page, so part of a line would fit.
    std::string old;
    while (old.size() < 4096 - 60 - 17)
        old += "eine alte Zeile\r\n";
    old += std::string(4096 - 60 - old.size() - 2, '.') + "\r\n";
    writeFile(statistics, old);
    writeFile("Highscore.dat", tableOf(-20));
    game.useWord("ab");
    if (!fillDisk())
        return "!the disk did not fill up";
    platform::TextFile file; // half a line, written out only by the close
    file.openAppend(statistics);
    file.writeText(std::string(100, 'x'), platform::FileEnding::Nothing); // more than fits
    if (file.closeFile())
        return "!the close reports a line the disk had no room for as written";
    if (const std::string failed = loseAGame(game); !failed.empty())
        return failed;
    if (readFile("Highscore.dat") != tableOf(-20))
        return "!the table changed: " + readFile("Highscore.dat").value_or("<missing>");
    const std::string log = readFile(statistics).value_or("<missing>");
    if (log != old)
        return "!the log changed: " + std::to_string(log.size()) + " bytes instead of " +
               std::to_string(old.size()) + ", ending in \"" + log.substr(old.size()) + "\"";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
        const std::string name = entry.path().filename().string();
        if (name != "Highscore.dat" && name != statistics && name != "filler" &&
            name != "allgemeine W\xC3\xB6rter.txt")
            return "!left behind: " + name;
    }

    // With room again, the next lost game is written as usual.
    std::filesystem::remove("filler");
    game.program.words.wordListLoaded = 0;
    game.startGame();
    game.guess("c");
    game.dismissList();
    if (game.play().has_value())
        return "!the program ended in the second game";
    std::vector<std::string> lines;
    const std::string after = readFile(statistics).value_or("");
    if (after.compare(0, old.size(), old) != 0 || !wholeLines(after.substr(old.size()), lines) ||
        lines.size() != 1)
        return "!the second game's line is missing or torn";
    if (readFile("Highscore.dat") == tableOf(-20))
        return "!the second game's table was not written";
    return "";
}

// The table bind-mounted over its name from another folder, as a container
// gets a single file: nothing can be renamed over it, but it can be written,
// and the lost game's table gets there.
std::string loseWithAMountedTable(GameFixture& game) {
    std::filesystem::create_directory("elsewhere");
    writeFile("elsewhere/Highscore.dat", tableOf(-20));
    writeFile("Highscore.dat", "");
    if (mount("elsewhere/Highscore.dat", "Highscore.dat", nullptr, MS_BIND, nullptr) != 0)
        return std::string("cannot bind-mount a file: ") + std::strerror(errno);
    readHighscores(game.program);
    game.useWord("ab");
    if (const std::string failed = loseAGame(game); !failed.empty())
        return failed;
    const std::string table = readFile("elsewhere/Highscore.dat").value_or("<missing>");
    // The game's 0 goes to the top, the lowest entry out.
    if (table != tableOf(-19).substr(0, 45) + " 0\r\n")
        return "!the mounted table holds: " + table;
    return "";
}

// Runs `check` in a child that SIGALRM ends after 10 s; its exit status, or
// 100 + the signal that ended it.
template <typename Check> int inChildWithDeadline(Check check) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(10);
        int verdict = 0;
        try {
            verdict = check();
        } catch (...) {
            verdict = 99;
        }
        _exit(verdict);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(NamedPipes, PipesInTheFilesPlacesNeitherHangNorCount) {
    GameFixture game;
    for (const std::string& name :
         {std::string("Highscore.dat"), std::string("Button2.galgen"), statistics, generalList,
          picturePath(game.program, "A.galgen")}) {
        std::filesystem::remove(name);
        ASSERT_EQ(mkfifo(name == generalList ? "allgemeine W\xC3\xB6rter.txt" : name.c_str(), 0644),
                  0)
            << name;
    }
    const int verdict = inChildWithDeadline([&game] {
        Program& program = game.program;
        readHighscores(program);
        readButtonMap(program);
        if (program.highscores.highscores[10] != 0 || program.buttons.buttonRight[0] != 0)
            return 1;
        appendStatistics(program, 5, 1);
        program.highscores.newHighscores[10] = 5;
        writeHighscores(program);
        loadGlyphSet(program);
        freeGlyphSet(program);
        // A list that is a pipe is no list.
        if (game.chooseWordNow() != 0 ||
            game.script().messageTexts() !=
                std::vector<std::string>{"Die Datei ''" + generalList + "'' ist nicht vorhanden!"})
            return 2;
        return 0;
    });
    EXPECT_EQ(verdict, 0) << "100 + 14 means the child hung until its alarm";
}

// A disk of its own, full or with a file mounted on it.
TEST(FullDisk, ALostGameOnASmallDiskLosesNothingAndSaysNothing) {
    struct Case {
        const char* what;
        FullDiskCheck check;
    };
    for (const Case& c : {Case{"a full disk", loseOnAFullDisk},
                          Case{"the table bind-mounted over its name", loseWithAMountedTable}}) {
        SCOPED_TRACE(c.what);
        GameFixture game;
        const std::string verdict =
            onSmallDisk(std::filesystem::current_path().string(), 64, c.check, game);
        if (!verdict.empty() && verdict[0] != '!')
            GTEST_SKIP() << verdict;
        EXPECT_EQ(verdict, "");
    }
}

} // namespace
} // namespace schlingo::test

#endif
