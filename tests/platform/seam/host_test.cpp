#include "platform/seam/host.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace schlingo::platform {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

TEST(Host, ProgramDirectoryHoldsTheRunningProgram) {
    const std::string directory = host::programDirectory();
    ASSERT_FALSE(directory.empty());
    const char separator = host::pathSeparator();
    if (directory.size() > 3) {
        EXPECT_NE(directory.back(), separator);
    }
#ifdef _WIN32
    const std::string program = directory + separator + "unit_tests.exe";
#else
    const std::string program = directory + separator + "unit_tests";
#endif
    std::FILE* f = host::openFile(program, "rb");
    ASSERT_NE(f, nullptr) << program;
    EXPECT_GT(host::fileSize(f), 0);
    std::fclose(f);
}

#ifndef _WIN32
// A folder name Windows-1252 cannot spell still yields a directory that opens.
TEST(Host, ProgramDirectoryOutsideWindows1252StillOpens) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"日本");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file("/proc/self/exe", folder / "unit_tests");
    std::filesystem::permissions(folder / "unit_tests", std::filesystem::perms::owner_all);
    const std::string command = "\"" + (folder / "unit_tests").string() +
                                "\" --gtest_filter=Host.ProgramDirectoryHoldsTheRunningProgram"
                                " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}
#endif

TEST(Host, FilesOpenByWindows1252NameAndDirectoriesDoNot) {
    TempDir dir;
    std::FILE* f = host::openFile("\xc4rger \x80.txt", "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fwrite("abc", 1, 3, f), 3u);
    EXPECT_TRUE(host::flushToDisk(f));
    EXPECT_EQ(host::fileSize(f), 3);
    std::fclose(f);
    EXPECT_EQ(readBytes(std::filesystem::path(u8"Ärger €.txt")), "abc");

    std::filesystem::create_directory("sub");
    EXPECT_EQ(host::openFile("sub", "rb"), nullptr);
    EXPECT_EQ(host::openFile("sub", "ab"), nullptr);
    EXPECT_EQ(host::openFile("missing", "rb"), nullptr);
}

std::size_t namesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST(Host, WriteWholeFileReplacesTheContentAndKeepsTheFile) {
    namespace fs = std::filesystem;
    TempDir dir;
    EXPECT_TRUE(host::writeWholeFile("Highscore.dat", "new"));
    EXPECT_EQ(readBytes("Highscore.dat"), "new");
    // Mode, owner and attributes stay with the file.
#ifdef _WIN32
    ASSERT_TRUE(::SetFileAttributesW(L"Highscore.dat", FILE_ATTRIBUTE_HIDDEN));
#else
    fs::permissions("Highscore.dat", fs::perms::owner_read | fs::perms::owner_write);
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid(); // root gives it away
    ASSERT_EQ(::chown("Highscore.dat", owner, static_cast<gid_t>(-1)), 0);
#endif
    EXPECT_TRUE(host::writeWholeFile("Highscore.dat", "longer"));
    EXPECT_TRUE(host::writeWholeFile("Highscore.dat", "ab"));
    EXPECT_EQ(readBytes("Highscore.dat"), "ab");
#ifdef _WIN32
    EXPECT_NE(::GetFileAttributesW(L"Highscore.dat") & FILE_ATTRIBUTE_HIDDEN, 0u);
#else
    EXPECT_EQ(fs::status("Highscore.dat").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    struct stat info {};
    ASSERT_EQ(::stat("Highscore.dat", &info), 0);
    EXPECT_EQ(info.st_uid, owner);
#endif
    EXPECT_EQ(namesIn("."), 1u);

    // A directory in its place stays, and no temporary file is left.
    fs::create_directory("folder");
    writeBytes("folder/keep", "k");
    EXPECT_FALSE(host::writeWholeFile("folder", "x"));
    EXPECT_EQ(readBytes("folder/keep"), "k");
    EXPECT_FALSE(host::writeWholeFile("no such folder/x", "x"));
    EXPECT_EQ(namesIn("."), 2u);

#ifndef _WIN32
    // A link stays a link, and its target (in another folder) gets the bytes.
    fs::create_directory("elsewhere");
    writeBytes("elsewhere/table", "old");
    fs::create_symlink("elsewhere/table", "link");
    fs::create_symlink("link", "Highscore.dat.link");
    EXPECT_TRUE(host::writeWholeFile("Highscore.dat.link", "via link"));
    EXPECT_TRUE(fs::is_symlink("Highscore.dat.link"));
    EXPECT_TRUE(fs::is_symlink("link"));
    EXPECT_EQ(readBytes("elsewhere/table"), "via link");
    EXPECT_EQ(namesIn("elsewhere"), 1u);
    fs::create_symlink("loop", "loop");
    EXPECT_FALSE(host::writeWholeFile("loop", "x"));
    EXPECT_TRUE(fs::is_symlink("loop"));
#endif
    // Read-only: nothing written, even by root.
    fs::permissions("Highscore.dat", fs::perms::owner_read);
    EXPECT_FALSE(host::writeWholeFile("Highscore.dat", "x"));
    fs::permissions("Highscore.dat", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(readBytes("Highscore.dat"), "ab");
}

TEST(Host, MonotonicSecondsHaveFractions) {
    const double first = host::monotonicSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double second = host::monotonicSeconds();
    EXPECT_GE(second - first, 0.02);
    EXPECT_LT(second - first, 5.0);
}

TEST(Host, LocalTimeIsAPlausibleDate) {
    const LocalTime now = host::localTimeNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 60);
}

} // namespace
} // namespace schlingo::platform
