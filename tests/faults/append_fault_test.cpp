// Appending never rewrites what a file holds: each finished line goes to its
// end in one write, and nothing of an unfinished line is there before it ends.
// The one exception is the piece of a line that a killed append left.

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

// A killed append leaves at most the start of its line, cut where a page ends.
// The next opening cuts that off; an unfinished line that cannot be such a
// piece (not at a page boundary, or longer than a page) is continued as before.
TEST(AppendToExistingFile, TheStartOfALineKilledAtAPageBoundaryIsCutOffAtTheNextOpening) {
    TempDir dir;
    const std::string line = std::string(98, 'a') + "\r\n"; // 100 bytes
    std::string whole;
    while (whole.size() + line.size() <= 8192)
        whole += line;
    const std::string torn = whole + line.substr(0, 8192 - whole.size());
    ASSERT_EQ(torn.size(), 8192u);

    writeBytes("log.txt", torn);
    TextFile file;
    ASSERT_TRUE(file.openAppend("log.txt"));
    EXPECT_EQ(readBytes("log.txt"), whole); // even before anything is written
    file.writeText("neu", FileEnding::LineEnd);
    EXPECT_TRUE(file.closeFile());
    EXPECT_EQ(readBytes("log.txt"), whole + "neu\r\n");

    // One byte short of the boundary: nobody's tear, so it is continued.
    writeBytes("log.txt", torn.substr(1));
    ASSERT_TRUE(file.openAppend("log.txt"));
    file.writeText("neu", FileEnding::LineEnd);
    file.closeFile();
    EXPECT_EQ(readBytes("log.txt"), torn.substr(1) + "neu\r\n");

    // At the boundary but a page long without a line end: an edited file.
    const std::string edited = "kopf\r\n" + std::string(8192 - 6, 'z');
    writeBytes("log.txt", edited);
    ASSERT_TRUE(file.openAppend("log.txt"));
    file.writeText("neu", FileEnding::LineEnd);
    file.closeFile();
    EXPECT_EQ(readBytes("log.txt"), edited + "neu\r\n");

    // Finished lines up to the boundary stay as they are.
    writeBytes("log.txt", whole + std::string(8192 - whole.size() - 2, 'b') + "\r\n");
    ASSERT_TRUE(file.openAppend("log.txt"));
    EXPECT_TRUE(file.closeFile());
    EXPECT_EQ(readBytes("log.txt").size(), 8192u);
}

} // namespace
} // namespace schlingo::test
