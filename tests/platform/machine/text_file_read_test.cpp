#include "platform/machine/text_file.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace schlingo::platform {
namespace {

using test::lengthenSparsely;
using test::TempDir;
using test::writeBytes;

std::vector<std::int32_t> numbersUntilEnd(TextFile& file, int limit = 100) {
    std::vector<std::int32_t> items;
    do {
        items.push_back(file.readIntegerItem());
    } while (!file.atEnd() && --limit > 0);
    return items;
}

std::vector<std::string> textsUntilEnd(TextFile& file, int limit = 100000) {
    std::vector<std::string> items;
    do {
        items.push_back(file.readTextItem());
    } while (!file.atEnd() && --limit > 0);
    return items;
}

std::vector<std::int32_t> numbersOf(const std::string& bytes) {
    TempDir dir;
    writeBytes("in.txt", bytes);
    TextFile file;
    EXPECT_TRUE(file.openInput("in.txt"));
    return numbersUntilEnd(file);
}

std::vector<std::string> textsOf(const std::string& bytes) {
    TempDir dir;
    writeBytes("in.txt", bytes);
    TextFile file;
    EXPECT_TRUE(file.openInput("in.txt"));
    return textsUntilEnd(file);
}

using Numbers = std::vector<std::int32_t>;
using Texts = std::vector<std::string>;

TEST(TextFileRead, EndOfFileFollowsTheLastLineEnd) {
    EXPECT_EQ(numbersOf(" 12\r\n-3\r\n"), (Numbers{12, -3}));
    EXPECT_EQ(numbersOf(" 12\r\n-3\r\n\r\n"), (Numbers{12, -3, 0}));
    EXPECT_EQ(numbersOf(" 12\r\n-3"), (Numbers{12, -3}));
    EXPECT_EQ(numbersOf(" 12\r-3\r"), (Numbers{12, -3}));
    EXPECT_EQ(numbersOf(" 12\n-3\n"), (Numbers{12, -3}));
    EXPECT_EQ(textsOf("Haus\r\nBaum\r\n"), (Texts{"Haus", "Baum"}));
    EXPECT_EQ(textsOf("Haus\r\nBaum\r\n\r\n"), (Texts{"Haus", "Baum", ""}));
    // An empty file still yields the one empty item its reader asks for.
    EXPECT_EQ(textsOf(""), (Texts{""}));
}

TEST(TextFileRead, AtEndIsTestedBeforeEachItem) {
    TempDir dir;
    writeBytes("in.txt", "7\r\n");
    TextFile file;
    ASSERT_TRUE(file.openInput("in.txt"));
    EXPECT_FALSE(file.atEnd());
    EXPECT_EQ(file.readIntegerItem(), 7);
    EXPECT_TRUE(file.atEnd());
    // Reading on at the end yields empty items, never an error.
    EXPECT_EQ(file.readIntegerItem(), 0);
    EXPECT_EQ(file.readTextItem(), "");
    EXPECT_TRUE(file.atEnd());
}

TEST(TextFileRead, CommasAndBlanksSeparateItems) {
    EXPECT_EQ(numbersOf("7,8"), (Numbers{7, 8}));
    EXPECT_EQ(textsOf("7,8"), (Texts{"7", "8"}));
    EXPECT_EQ(numbersOf("12 34"), (Numbers{12, 34}));
    EXPECT_EQ(textsOf("12 34"), (Texts{"12 34"}));
    // Blanks after a number item are skipped up to one separator.
    EXPECT_EQ(numbersOf("1 \t ,2\r\n3"), (Numbers{1, 2, 3}));
    EXPECT_EQ(numbersOf("1  \r\n2"), (Numbers{1, 2}));
    // A comma right after a comma is an empty item.
    EXPECT_EQ(textsOf("a,,b"), (Texts{"a", "", "b"}));
    EXPECT_EQ(numbersOf("\t 5,6"), (Numbers{5, 6}));
}

TEST(TextFileRead, LeadingBlanksAreDroppedTrailingBlanksStay) {
    EXPECT_EQ(textsOf("Haus  \r\n  Haus\r\n\tBaum"), (Texts{"Haus  ", "Haus", "Baum"}));
}

TEST(TextFileRead, QuotesProtectCommasAndBlanks) {
    EXPECT_EQ(textsOf("\"Baden, Baden\",Ulm"), (Texts{"Baden, Baden", "Ulm"}));
    // After the closing quote, blanks and one separator are skipped; anything
    // else starts the next item.
    EXPECT_EQ(textsOf("\"a\"  ,b"), (Texts{"a", "b"}));
    EXPECT_EQ(textsOf("\"a\"b"), (Texts{"a", "b"}));
    EXPECT_EQ(textsOf("\"a\"\r\nb"), (Texts{"a", "b"}));
    // A quote inside an unquoted item is an ordinary character.
    EXPECT_EQ(textsOf("ab\"c,d"), (Texts{"ab\"c", "d"}));
    // A quote that never closes runs to the line end.
    EXPECT_EQ(textsOf("\"a,b c\r\nd"), (Texts{"a,b c", "d"}));
    // A number item drops the closing quote and reads on.
    EXPECT_EQ(numbersOf("\"1 2\"3,4"), (Numbers{1, 4}));
    EXPECT_EQ(numbersOf("\"12\"34"), (Numbers{1234}));
}

TEST(TextFileRead, ItemsStopAtTheirMaximumLength) {
    const std::string longWord(5000, 'a');
    const Texts texts = textsOf(longWord + "\r\nb");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], std::string(maxTextItem, 'a'));
    EXPECT_EQ(texts[1], std::string(5000 - maxTextItem, 'a'));
    EXPECT_EQ(texts[2], "b");
    // The separator after a full item belongs to it.
    EXPECT_EQ(textsOf(std::string(maxTextItem, 'x') + "  ,y"),
              (Texts{std::string(maxTextItem, 'x'), "y"}));

    // 67 characters of a number item, the rest begins the next one.
    EXPECT_EQ(numbersOf(std::string(66, '0') + "7"), (Numbers{7}));
    EXPECT_EQ(numbersOf(std::string(67, '0') + "7"), (Numbers{0, 7}));
}

TEST(TextFileRead, CtrlZEndsTheFile) {
    EXPECT_EQ(numbersOf("12,34\x1a"
                        "56\r\n"),
              (Numbers{12, 34}));
    EXPECT_EQ(textsOf("ab\x1a"
                      "cd"),
              (Texts{"ab"}));
}

TEST(TextFileRead, ControlBytesAndNulAreOrdinaryCharacters) {
    const std::string bytes("a\0b\x01\x7f\xe4\r\nc", 9);
    EXPECT_EQ(textsOf(bytes), (Texts{std::string("a\0b\x01\x7f\xe4", 6), "c"}));
    // CR CR LF: the first CR ends the line and takes the LF with it.
    EXPECT_EQ(textsOf("a\r\r\nb"), (Texts{"a", "b"}));
    EXPECT_EQ(textsOf("a\n\rb"), (Texts{"a", "", "b"}));
}

TEST(TextFileRead, AFileWithoutLineEndsIsReadInBoundedItems) {
    TempDir dir;
    const std::size_t size = 3 * 1024 * 1024 + 5;
    writeBytes("big.txt", std::string(size, 'x'));
    TextFile file;
    ASSERT_TRUE(file.openInput("big.txt"));
    std::size_t total = 0, items = 0;
    while (!file.atEnd()) {
        const std::string item = file.readTextItem();
        ASSERT_LE(item.size(), maxTextItem);
        total += item.size();
        ++items;
    }
    EXPECT_EQ(total, size);
    EXPECT_EQ(items, (size + maxTextItem - 1) / maxTextItem);
}

TEST(TextFileRead, UnopenableInputReadsAsEmpty) {
    TempDir dir;
    std::filesystem::create_directory("folder.txt");
    TextFile file;
    EXPECT_FALSE(file.openInput("missing.txt"));
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.atEnd());
    EXPECT_EQ(file.readIntegerItem(), 0);
    EXPECT_EQ(file.readTextItem(), "");
    EXPECT_FALSE(file.openInput("folder.txt"));
    EXPECT_TRUE(file.atEnd());
    EXPECT_FALSE(fileExists("missing.txt"));
    EXPECT_FALSE(fileExists("folder.txt"));
    writeBytes("there.txt", "");
    EXPECT_TRUE(fileExists("there.txt"));
}

TEST(TextFileRead, UnreadableFileReadsAsEmpty) {
    TempDir dir;
    writeBytes("secret.txt", "42\r\n");
    std::filesystem::permissions("secret.txt", std::filesystem::perms::none);
    if (std::ifstream("secret.txt").is_open()) {
        GTEST_SKIP() << "this user reads files without read permission";
    }
    TextFile file;
    EXPECT_FALSE(file.openInput("secret.txt"));
    EXPECT_EQ(file.readIntegerItem(), 0);
    EXPECT_FALSE(fileExists("secret.txt"));
}

TEST(TextFileRead, NamesAreWindows1252) {
    TempDir dir;
    writeBytes(std::filesystem::path(u8"Städte.txt"), "ulm\r\n");
    EXPECT_TRUE(fileExists("St\xe4"
                           "dte.txt"));
    TextFile file;
    ASSERT_TRUE(file.openInput("St\xe4"
                               "dte.txt"));
    EXPECT_EQ(file.readTextItem(), "ulm");
}

TEST(TextFileRead, AFileIsReadWholeOnlyUpToItsLimit) {
    TempDir dir;
    writeBytes("ten.txt", "0123456789");
    const FileBytes exact = readFileUpTo("ten.txt", 10);
    EXPECT_EQ(exact.status, FileBytes::Status::Read);
    EXPECT_EQ(exact.bytes, "0123456789");
    EXPECT_EQ(readFileUpTo("ten.txt", 9).status, FileBytes::Status::TooLarge);
    EXPECT_EQ(readFileUpTo("missing.txt", 9).status, FileBytes::Status::Unopenable);
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the page's files live in its memory, which holds no file of gigabytes";
#endif
    // Far larger than memory, yet nothing is read: the length alone refuses it.
    lengthenSparsely("ten.txt", 1LL << 36);
    const FileBytes huge = readFileUpTo("ten.txt", 1LL << 32);
    EXPECT_EQ(huge.status, FileBytes::Status::TooLarge);
    EXPECT_TRUE(huge.bytes.empty());
}

TEST(TextFileRead, ItemsFromMemoryReadAsFromAFile) {
    TempDir dir;
    writeBytes("in.txt", "alt\r\n");
    TextFile file;
    ASSERT_TRUE(file.openInput("in.txt"));
    file.openInputBytes("a,\"b,c\"\r\n 5\r\n");
    EXPECT_EQ(file.readTextItem(), "a");
    EXPECT_EQ(file.readTextItem(), "b,c");
    EXPECT_EQ(file.readIntegerItem(), 5);
    EXPECT_TRUE(file.atEnd());
    EXPECT_EQ(file.readTextItem(), "") << "the file opened before is closed";
}

} // namespace
} // namespace schlingo::platform
