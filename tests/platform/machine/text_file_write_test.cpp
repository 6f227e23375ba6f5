#include "platform/machine/text_file.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace schlingo::platform {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

TEST(TextFileWrite, NumbersTakeTheNumberFormAndLineEndsAreCrLf) {
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.openOutput("out.txt"));
    file.writeNumber(0, FileEnding::LineEnd);
    file.writeNumber(-3, FileEnding::Nothing);
    file.writeNumber(2147483647, FileEnding::LineEnd);
    file.writeNumber(-2147483647 - 1, FileEnding::LineEnd);
    file.writeText("\xe4\n", FileEnding::Nothing);
    EXPECT_TRUE(file.closeFile());
    EXPECT_EQ(readBytes("out.txt"), " 0\r\n-3 2147483647\r\n-2147483648\r\n\xe4\n");
}

TEST(TextFileWrite, ZonesEndAtTheNextMultipleOf14) {
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.openOutput("out.txt"));
    file.writeText("abc", FileEnding::Zone);
    EXPECT_EQ(file.column(), 14);
    file.writeText(std::string(14, 'x'), FileEnding::Zone);
    EXPECT_EQ(file.column(), 42);
    file.writeNumber(5, FileEnding::Zone);
    EXPECT_EQ(file.column(), 56);
    file.writeText("a\r\nbc", FileEnding::Zone); // column counts from the line break
    EXPECT_EQ(file.column(), 14);
    file.writeText("", FileEnding::LineEnd);
    EXPECT_EQ(file.column(), 0);
    file.closeFile();
    EXPECT_EQ(readBytes("out.txt"), "abc" + std::string(11, ' ') + std::string(14, 'x') +
                                        std::string(14, ' ') + " 5" + std::string(12, ' ') +
                                        "a\r\nbc" + std::string(12, ' ') + "\r\n");
}

TEST(TextFileWrite, OutputEmptiesAndAppendExtends) {
    TempDir dir;
    writeBytes("log.txt", "old line\r\nno end");
    TextFile file;
    ASSERT_TRUE(file.openAppend("log.txt"));
    // The column starts at 0, and the line on a line of its own, after an
    // unfinished last line.
    file.writeText("ab", FileEnding::Zone);
    EXPECT_EQ(file.column(), 14);
    file.writeNumber(1, FileEnding::LineEnd);
    file.closeFile();
    EXPECT_EQ(readBytes("log.txt"), "old line\r\nno end\r\nab" + std::string(12, ' ') + " 1\r\n");

    ASSERT_TRUE(file.openOutput("log.txt"));
    file.writeText("new", FileEnding::Nothing);
    file.closeFile();
    EXPECT_EQ(readBytes("log.txt"), "new");

    ASSERT_TRUE(file.openAppend("fresh.txt"));
    file.writeText("x", FileEnding::LineEnd);
    file.closeFile();
    EXPECT_EQ(readBytes("fresh.txt"), "x\r\n");
}

TEST(TextFileWrite, AppendWritesWholeLinesOnly) {
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.openAppend("log.txt"));
    file.writeText("12-07-2026", FileEnding::Zone);
    file.writeNumber(17, FileEnding::Nothing);
    EXPECT_EQ(readBytes("log.txt"), ""); // nothing of an unfinished line yet
    file.writeText("", FileEnding::LineEnd);
    EXPECT_EQ(readBytes("log.txt"), "12-07-2026     17\r\n");
    file.writeText("tail", FileEnding::Nothing);
    EXPECT_TRUE(file.closeFile()); // an unfinished line goes out at the close
    EXPECT_EQ(readBytes("log.txt"), "12-07-2026     17\r\ntail");
}

TEST(TextFileWrite, ReplacementKeepsTheOldFileUntilClosed) {
    TempDir dir;
    writeBytes("Highscore.dat", " 1\r\n");
    TextFile file;
    ASSERT_TRUE(file.openReplacement("Highscore.dat"));
    EXPECT_TRUE(file.isOpen());
    file.writeNumber(2, FileEnding::LineEnd);
    EXPECT_EQ(readBytes("Highscore.dat"), " 1\r\n");
    EXPECT_TRUE(file.closeFile());
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(readBytes("Highscore.dat"), " 2\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."),
                            std::filesystem::directory_iterator()),
              1); // no temporary file left behind
}

TEST(TextFileWrite, FailedReplacementLeavesEverythingAsItWas) {
    TempDir dir;
    std::filesystem::create_directory("target");
    writeBytes("target/keep.txt", "k");
    TextFile file;
    ASSERT_TRUE(file.openReplacement("target"));
    file.writeText("data", FileEnding::LineEnd);
    EXPECT_TRUE(file.isOpen());
    EXPECT_FALSE(file.closeFile());
    EXPECT_TRUE(std::filesystem::is_directory("target"));
    EXPECT_EQ(readBytes("target/keep.txt"), "k");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(TextFileWrite, UnwritableFilesSwallowTheWrites) {
    TempDir dir;
    std::filesystem::create_directory("folder");
    TextFile file;
    EXPECT_FALSE(file.openOutput("no such folder/out.txt"));
    EXPECT_FALSE(file.isOpen());
    file.writeNumber(1, FileEnding::LineEnd);
    EXPECT_EQ(file.column(), 0);
    file.closeFile();
    EXPECT_FALSE(file.openAppend("folder"));
    file.writeText("x", FileEnding::LineEnd);
    file.closeFile();
    EXPECT_TRUE(std::filesystem::is_directory("folder"));
    file.openReplacement("no such folder/out.txt");
    file.writeText("x", FileEnding::LineEnd);
    EXPECT_FALSE(file.closeFile());
    // Writing to an input file does nothing either.
    writeBytes("in.txt", "abc");
    ASSERT_TRUE(file.openInput("in.txt"));
    file.writeText("x", FileEnding::LineEnd);
    file.closeFile();
    EXPECT_EQ(readBytes("in.txt"), "abc");
}

TEST(TextFileWrite, WrittenItemsReadBack) {
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.openOutput("St\xe4"
                                "dte.txt"));
    for (const std::int32_t value : {0, -1, 42, -2147483647 - 1, 2147483647}) {
        file.writeNumber(value, FileEnding::LineEnd);
    }
    file.closeFile();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(u8"Städte.txt")));
    ASSERT_TRUE(file.openInput("St\xe4"
                               "dte.txt"));
    for (const std::int32_t value : {0, -1, 42, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(file.readIntegerItem(), value);
    }
    EXPECT_TRUE(file.atEnd());
}

} // namespace
} // namespace schlingo::platform
