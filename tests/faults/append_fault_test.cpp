// Appending to an existing file goes through a copy that replaces it at the
// close, so the file is either as it was or has all of the new lines.

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

TEST(AppendToExistingFile, TheFileChangesOnlyAtTheCloseAndAllAtOnce) {
    TempDir dir;
    const std::string old(100000, 'x'); // more than one page and one read
    writeBytes("log.txt", old + "\r\nohne Ende");
    TextFile file;
    ASSERT_TRUE(file.openAppend("log.txt"));
    file.writeNumber(7, FileEnding::Zone);
    file.writeText("eins", FileEnding::LineEnd);
    file.writeText("zwei", FileEnding::LineEnd);
    EXPECT_EQ(readBytes("log.txt"), old + "\r\nohne Ende");
    EXPECT_TRUE(file.closeFile());
    EXPECT_EQ(readBytes("log.txt"),
              old + "\r\nohne Ende 7" + std::string(12, ' ') + "eins\r\nzwei\r\n");
    EXPECT_EQ(filesIn(dir.path()), 1u); // the copy is gone

    // A file that cannot be replaced (a directory in its place) stays.
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
