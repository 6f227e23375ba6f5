// Appending never rewrites what a file holds: each finished line goes to its
// end in one write, and nothing of an unfinished line is there before it ends.

#include "platform/machine/text_file.hpp"
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
    const std::string first = old + "\r\nohne Ende\r\n 7" + std::string(12, ' ') + "eins\r\n";
    EXPECT_EQ(readBytes("log.txt"), first);
    file.writeText("zwei", FileEnding::LineEnd);
    EXPECT_TRUE(file.closeFile());
    EXPECT_EQ(readBytes("log.txt"), first + "zwei\r\n");
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

// An unfinished last line, whatever its length and wherever it ends (a line
// torn by a killed append, or typed by hand), stays as it is: the next line
// starts on a line of its own, and opening alone writes nothing.
TEST(AppendToExistingFile, AnUnfinishedLastLineStaysAndTheNextLineStartsOnItsOwn) {
    TempDir dir;
    const std::string line = std::string(98, 'a') + "\r\n"; // 100 bytes
    std::string whole;
    while (whole.size() + line.size() <= 8192)
        whole += line;
    const std::string torn = whole + line.substr(0, 8192 - whole.size());
    ASSERT_EQ(torn.size(), 8192u);

    for (const std::string& before :
         {torn, torn.substr(1), "kopf\r\n" + std::string(8192 - 6, 'z'), std::string("z")}) {
        SCOPED_TRACE(before.size());
        writeBytes("log.txt", before);
        TextFile file;
        ASSERT_TRUE(file.openAppend("log.txt"));
        EXPECT_TRUE(file.closeFile());
        EXPECT_EQ(readBytes("log.txt"), before);
        ASSERT_TRUE(file.openAppend("log.txt"));
        file.writeText("neu", FileEnding::LineEnd);
        file.writeText("zwei", FileEnding::LineEnd);
        EXPECT_TRUE(file.closeFile());
        EXPECT_EQ(readBytes("log.txt"), before + "\r\nneu\r\nzwei\r\n");
    }
    // A log that ends with a line end (CR LF, LF or a lone CR) goes on directly.
    for (const std::string& before : {whole, std::string("a\n"), std::string("a\r")}) {
        writeBytes("log.txt", before);
        TextFile file;
        ASSERT_TRUE(file.openAppend("log.txt"));
        file.writeText("neu", FileEnding::LineEnd);
        EXPECT_TRUE(file.closeFile());
        EXPECT_EQ(readBytes("log.txt"), before + "neu\r\n");
    }
}

} // namespace
} // namespace schlingo::test
