// Appending never rewrites what a file holds: each finished line goes to its
// end in one write, and nothing of an unfinished line is there before it ends.

#include "platform/text_file.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace schlingo::test {
namespace {

using platform::FileEnding;
using platform::TextFile;

std::size_t filesIn(const std::filesystem::path& directory) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++n;
    return n;
}

TEST(AppendToExistingFile, WholeLinesGoToTheEndOfTheSameFileAsTheyAreFinished) {
    TempDir dir;
    const std::string old(100000, 'x'); // more than one page and one read
    writeBytes("log.txt", old + "\r\nohne Ende");
    const auto permissions = std::filesystem::status("log.txt").permissions();
    TextFile file;
    ASSERT_TRUE(file.openAppend("log.txt"));
    file.writeNumber(7, FileEnding::Zone);
    EXPECT_EQ(readBytes("log.txt"), old + "\r\nohne Ende"); // half a line is held back
    file.writeText("eins", FileEnding::LineEnd);
    EXPECT_EQ(readBytes("log.txt"), old + "\r\nohne Ende 7" + std::string(12, ' ') + "eins\r\n");
    file.writeText("zwei", FileEnding::LineEnd);
    EXPECT_TRUE(file.closeFile());
    EXPECT_EQ(readBytes("log.txt"),
              old + "\r\nohne Ende 7" + std::string(12, ' ') + "eins\r\nzwei\r\n");
    EXPECT_EQ(std::filesystem::status("log.txt").permissions(), permissions);
    EXPECT_EQ(filesIn(dir.path()), 1u); // no copy beside it

    // A directory in the file's place cannot be appended to and stays.
    std::filesystem::create_directory("folder");
    writeBytes("folder/inside", "k");
    EXPECT_FALSE(file.openAppend("folder"));
    file.writeText("x", FileEnding::LineEnd);
    file.closeFile();
    EXPECT_EQ(readBytes("folder/inside"), "k");
    EXPECT_EQ(filesIn(dir.path()), 2u);
}

} // namespace
} // namespace schlingo::test
