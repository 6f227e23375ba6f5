#include "rules/list_check.hpp"

#include "platform/seam/host.hpp"
#include "rules/word_choice.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace schlingo::test {
namespace {

const std::string cities = "St\xE4"
                           "dte.txt";

void writeList(const std::string& name, const std::string& bytes) {
    std::FILE* file = platform::host::openFile(name, "wb");
    ASSERT_NE(file, nullptr) << name;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

struct Row {
    const char* what;
    std::string bytes;
    int status;
    std::vector<std::string> lines; // each a whole line of the list's report
};

const std::string a59(59, 'a');

// ASCII text as UTF-16 LE with its byte-order mark.
std::string utf16(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}
// clang-format off
const Row rows[] = {
    {"why words can never be won", "kopf\r\ncaf\xE9\r\nrock \"n\" roll\r\nhaus\t\r\nx\x81y\r\nhund\r\n", 1,
     {"  5 Wörter, davon nie zu gewinnen: 4",
      "    Zeile 2: „café“ – „é“ ist kein Buchstabe der Tafel",
      "    Zeile 3: „rock \"n\" roll“ – „\"“ wird nie aufgedeckt",
      "    Zeile 4: „haus�“ – U+0009 wird nie aufgedeckt",
      "    Zeile 5: „x�y“ – das Byte 0x81 wird nie aufgedeckt"}},
    {"characters Windows-1252 lacks", "\xEF\xBB\xBFkopf\r\nłódź\r\n", 1,
     {"    Zeile 2: „łódź“ – „ł“ (U+0142) gibt es in Windows-1252 nicht, „ó“ ist kein Buchstabe der "
      "Tafel, „ź“ (U+017A) gibt es in Windows-1252 nicht",
      "  Kein Wort dieser Liste ist zu gewinnen."}},
    {"notes only: an empty entry, a duplicate after a comma, a word wider than the row",
     "kopf\r\nbonn\r\n\r\nulm,bonn\r\n" + a59 + "\r\n" + std::string(58, 'b'), 0,
     {"  6 Wörter.", "    Zeile 3", "    Zeile 4: „bonn“ wie in Zeile 2", "    Zeile 5: „" + a59 + "“ (59 Zeichen)"}},
    {"a UTF-8 list cut in the middle of a character", "kopf\r\nb\xC3\xA4r\r\nt\xC3", 1,
     {"  Kodierung: Windows-1252",
      "  Die Datei ist fast ganz UTF-8, aber ab Zeile 3 stehen Bytes, die kein UTF-8 sind (etwa ein "
      "abgeschnittenes Zeichen). Darum gilt sie als Windows-1252; als UTF-8 neu speichern hilft.",
      "    Zeile 2: „bÃ¤r“ – „Ã“ ist ein Großbuchstabe, „¤“ wird nie aufgedeckt"}},
    {"nothing to win", "kopf\r\n\r\n", 1, {"Ergebnis: 1 Liste hat kein Wort, das zu gewinnen ist."}},
    {"the heading is never played, so never checked", "Haus\r\nhaus\r\n", 0, {"  1 Wort, zu gewinnen."}},
    {"a Ctrl-Z ends the list early", "kopf\r\nhund\r\nkatze\x1A" "maus\r\nelch\r\n", 0,
     {"  2 Wörter, alle zu gewinnen.",
      "  Ein Strg-Z (Zeichen 26) in Zeile 3 beendet die Liste; was danach steht, liest das Spiel nicht."}},
    {"a Ctrl-Z in UTF-16", utf16("kopf\r\nhund\x1A\r\n" "elch\r\n"), 0,
     {"  1 Wort, zu gewinnen.",
      "  Ein Strg-Z (Zeichen 26) in Zeile 2 beendet die Liste; was danach steht, liest das Spiel nicht."}},
};
// clang-format on

TEST(ListCheck, FindsWhatEachListHolds) {
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        writeList(cities, row.bytes);
        const std::vector<ListCheck> lists = {checkWordList(cities)};
        EXPECT_EQ(listCheckStatus(lists), row.status);
        std::string report = "\n";
        report += listCheckReport(lists, 10);
        for (const std::string& line : row.lines) {
            EXPECT_NE(report.find('\n' + line + '\n'), std::string::npos) << line << report;
        }
    }
}

TEST(ListCheck, AMissingOrUnreadableListGivesStatusTwo) {
    TempDir dir;
    const ListCheck missing = checkWordList(cities);
    std::filesystem::create_directory(std::filesystem::path(u8"Städte.txt"));
    const ListCheck unreadable = checkWordList(cities);
    EXPECT_EQ(missing.state, ListCheck::State::Missing);
    EXPECT_EQ(unreadable.state, ListCheck::State::Unreadable);
    EXPECT_EQ(listCheckStatus({missing}), 2);
    EXPECT_EQ(listCheckStatus({unreadable}), 2);

#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the page's files live in its memory, which holds no file of gigabytes";
#endif
    std::filesystem::remove(std::filesystem::path(u8"Städte.txt"));
    writeList(cities, "kopf\r\nulm\r\n");
    // Sparse: refused by its length, nothing read.
    lengthenSparsely(std::filesystem::path(u8"Städte.txt"), maxListBytes + 1);
    const ListCheck huge = checkWordList(cities);
    EXPECT_EQ(huge.state, ListCheck::State::TooLarge);
    EXPECT_EQ(listCheckStatus({huge}), 2);
    EXPECT_EQ(listCheckReport({huge}, 10),
              "Städte.txt ist zu groß (mehr als 4098000000 Bytes); das Spiel endet, sobald es die "
              "Liste braucht.\n\nErgebnis: 1 Liste ist nicht lesbar.\n");
}

TEST(ListCheck, ReportInGerman) {
    TempDir dir;
    writeList(wordListFileName(1), "\xEF\xBB\xBF"
                                   "Allgemeine Wörter\r\nhund\r\nKatze\r\nMaus\r\n\r\nhund\r\n");
    const auto lists = checkWordLists();
    ASSERT_EQ(lists.size(), 4u) << "one check per category's list";
    EXPECT_EQ(listCheckStatus(lists), 2); // missing lists outweigh words never won
    EXPECT_EQ(listCheckReport({lists[0], lists[2]}, 1),
              "allgemeine Wörter.txt\n"
              "  Kodierung: UTF-8 mit BOM\n"
              "  Überschrift (wird nie geraten): „Allgemeine Wörter“\n"
              "  5 Wörter, davon nie zu gewinnen: 2\n"
              "    Zeile 3: „Katze“ – „K“ ist ein Großbuchstabe\n"
              "    … und 1 weitere\n"
              "  Leere Einträge, nie gezogen: 1\n"
              "    Zeile 5\n"
              "  Doppelt: 1\n"
              "    Zeile 6: „hund“ wie in Zeile 2\n"
              "\n"
              "Länder.txt fehlt; das Spiel endet, sobald es die Liste braucht.\n"
              "\n"
              "Ergebnis: 1 Liste fehlt; 2 Wörter sind nie zu gewinnen.\n");
}

} // namespace
} // namespace schlingo::test
