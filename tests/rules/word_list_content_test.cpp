// The shipped word lists: converted from their sources, read by the game as
// one entry per line, and made only of words a player can complete.

#include "platform/machine/text_file.hpp"
#include "support/temp_dir.hpp"
#include "tools/content/content_files.hpp"
#include "tools/content/word_lists.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

namespace schlingo::content {
namespace {

const std::filesystem::path repo = SCHLINGO_SOURCE_DIR;

struct ShippedList {
    const WordListFile* file;
    std::size_t minimumWords;
};
const ShippedList shippedLists[] = {
    {&wordLists[0], 2000}, // general words
    {&wordLists[1], 300},  // cities
    {&wordLists[2], 195},  // the 193 UN members and a few more states
    {&wordLists[3], 300},  // professions
};

std::string shippedBytes(const WordListFile& list) {
    const auto bytes = readWholeFile(repo / "data" / utf8Path(list.shipped));
    if (!bytes) {
        ADD_FAILURE() << list.shipped << " is missing";
        return {};
    }
    return std::string(bytes->begin(), bytes->end());
}

// The lines of a CR LF file; a line end that is not CR LF is a failure.
std::vector<std::string> crlfLines(const std::string& bytes, const char* name) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos || bytes.compare(end, 2, "\r\n") != 0) {
            ADD_FAILURE() << name << ": line " << lines.size() + 1 << " does not end in CR LF";
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Characters the player can guess (a-z and ä ö ü ß ñ) and the characters the
// word row shows from the start with a glyph of their own.
bool winnable(unsigned char c) {
    return (c >= 'a' && c <= 'z') || c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xDF ||
           c == 0xF1 || (c >= '0' && c <= '9') ||
           std::string_view(" -&?'.()/").find(static_cast<char>(c)) != std::string_view::npos;
}

TEST(WordListContent, ShippedListsAreTheirConvertedSources) {
    const auto converted = wordListFiles(repo);
    ASSERT_EQ(converted.size(), 4u);
    for (const ContentFile& file : converted) {
        const auto shipped = readWholeFile(repo / utf8Path(file.path));
        ASSERT_TRUE(shipped.has_value()) << file.path << " is missing";
        EXPECT_TRUE(*shipped == file.bytes)
            << file.path << " is stale: rebuild it with the 'content' target";
    }
}

TEST(WordListContent, EveryEntryCanBeWonAndAppearsOnce) {
    for (const ShippedList& list : shippedLists) {
        const char* name = list.file->shipped;
        const std::string bytes = shippedBytes(*list.file);
        EXPECT_EQ(bytes.find('\x1A'), std::string::npos) << name << ": byte 26 ends the file early";
        const auto lines = crlfLines(bytes, name);
        ASSERT_GE(lines.size(), 2u) << name;

        const std::string& heading = lines.front();
        EXPECT_FALSE(heading.empty()) << name;
        EXPECT_EQ(heading.find(','), std::string::npos) << name << ": a comma splits the heading";
        EXPECT_NE(heading.front(), '"') << name;

        std::set<std::string> seen;
        std::size_t words = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string& entry = lines[i];
            const std::string shown =
                "line " + std::to_string(i + 1) + " \"" + fromWindows1252(entry) + "\"";
            if (entry.empty()) {
                ADD_FAILURE() << name << ": empty " << shown;
                continue;
            }
            ++words;
            EXPECT_TRUE(entry.front() != ' ' && entry.back() != ' ')
                << name << ": blanks around " << shown;
            for (char c : entry) {
                EXPECT_TRUE(winnable(static_cast<unsigned char>(c)))
                    << name << ": " << shown << " holds '" << fromWindows1252(std::string(1, c))
                    << "', which the player cannot reveal";
            }
            EXPECT_TRUE(seen.insert(entry).second) << name << ": " << shown << " appears twice";
        }
        EXPECT_GE(words, list.minimumWords) << name;
    }
}

// The game reads a list with its item reader, entry after entry until the end
// of the file; it must see exactly the lines of the file.
TEST(WordListContent, TheGamesReaderSeesOneEntryPerLine) {
    for (const ShippedList& list : shippedLists) {
        const std::string bytes = shippedBytes(*list.file);
        const auto lines = crlfLines(bytes, list.file->shipped);
        test::TempDir dir;
        std::ofstream(dir.path() / utf8Path(list.file->shipped), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

        platform::TextFile file;
        ASSERT_TRUE(file.openInput(toWindows1252(list.file->shipped))) << list.file->shipped;
        std::vector<std::string> entries;
        do {
            entries.push_back(file.readTextItem());
        } while (!file.atEnd() && entries.size() <= lines.size());
        file.closeFile();
        EXPECT_EQ(entries, lines) << list.file->shipped;
    }
}

std::string lowerWindows1252(std::string text) {
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
            c = static_cast<char>(b + 0x20);
        }
    }
    return text;
}

TEST(WordListContent, GeneralWordsAreRealWordsOfTheUsualLength) {
    const std::filesystem::path dictionary = "/usr/share/dict/ngerman";
    const std::string bytes = shippedBytes(wordLists[0]);
    const auto lines = crlfLines(bytes, wordLists[0].shipped);
    ASSERT_GE(lines.size(), 2u);

    std::size_t usualLength = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        usualLength += lines[i].size() >= 4 && lines[i].size() <= 14 ? 1 : 0;
    }
    EXPECT_GE(usualLength * 10, (lines.size() - 1) * 9) << "most words have 4 to 14 letters";

    std::ifstream in(dictionary);
    if (!in) {
        GTEST_SKIP() << dictionary << " is not installed (Debian package wngerman)";
    }
    std::unordered_set<std::string> known;
    for (std::string word; std::getline(in, word);) {
        try {
            known.insert(lowerWindows1252(toWindows1252(word)));
        } catch (const std::runtime_error&) {
            // A dictionary word outside Windows-1252 cannot be in the list anyway.
        }
    }
    ASSERT_GT(known.size(), 100000u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(known.count(lines[i]) == 1)
            << "\"" << fromWindows1252(lines[i]) << "\" is not in " << dictionary;
    }
}

TEST(WordListContent, ConverterKeepsEntriesAndDropsNotes) {
    const Bytes out = convertWordList("Überschrift\n# a note\n\nstraße\nsao paulo\n€uro");
    const std::string expected = "\xDC"
                                 "berschrift\r\nstra\xDF"
                                 "e\r\nsao paulo\r\n\x80uro\r\n";
    EXPECT_EQ(std::string(out.begin(), out.end()), expected);
    EXPECT_EQ(fromWindows1252(expected), "Überschrift\r\nstraße\r\nsao paulo\r\n€uro\r\n");
}

TEST(WordListContent, ConverterRefusesWhatWindows1252CannotHold) {
    const auto failure = [](std::string_view source) {
        try {
            convertWordList(source);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(failure("ok\nłódź\n").find("line 2"), std::string::npos); // Polish letters
    EXPECT_NE(failure("ok\r\n").find("line 1"), std::string::npos);     // a CR LF source
    EXPECT_NE(failure("stra\xC3").find("line 1"), std::string::npos);   // cut-off sequence
    EXPECT_NE(failure("\xC0\xA0").find("line 1"), std::string::npos);   // overlong space
    EXPECT_NE(failure("\xFF").find("line 1"), std::string::npos);
}

} // namespace
} // namespace schlingo::content
