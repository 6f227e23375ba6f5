#include "rules/list_check.hpp"

#include "platform/seam/host.hpp"
#include "rules/word_choice.hpp"
#include "support/file_bytes.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

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

// One line for what the check found: encoding, words/winnable, then each
// finding. Faults: C capital, O other letter, F no Windows-1252 form, N never shown.
std::string summary(const ListCheck& list) {
    static const char* encodings[] = {"Windows-1252", "UTF-8", "UTF-8+BOM", "UTF-16LE", "UTF-16BE"};
    std::ostringstream s;
    s << encodings[static_cast<int>(list.encoding)];
    if (list.brokenUtf8Line > 0) {
        s << " broken@" << list.brokenUtf8Line;
    }
    s << " " << list.words << "/" << list.winnable;
    for (const auto& w : list.unwinnable) {
        s << " | " << w.line << " " << w.word << ":";
        for (const auto& f : w.faults) {
            s << " "
              << "-COFN"[static_cast<int>(f.kind)] << f.shown;
        }
    }
    for (const int line : list.emptyLines) {
        s << " | empty " << line;
    }
    for (const auto& d : list.duplicates) {
        s << " | " << d.line << " " << d.word << " twice, " << d.firstLine;
    }
    for (const auto& t : list.tooLong) {
        s << " | " << t.line << " long " << t.length;
    }
    return s.str();
}

struct Row {
    const char* what;
    std::string bytes;
    const char* found;
};

const Row rows[] = {
    {"Windows-1252",
     "St\xE4"
     "dte\r\nberlin\r\nm\xFC"
     "nchen\r\n",
     "Windows-1252 2/2"},
    {"UTF-8", "Städte\r\nberlin\r\nmünchen\r\n", "UTF-8 2/2"},
    {"UTF-8 with BOM", "\xEF\xBB\xBFStädte\nberlin\nmünchen", "UTF-8+BOM 2/2"},
    {"UTF-16 LE", utf16leFile(u"Städte\r\nberlin\r\nmünchen\r\n"), "UTF-16LE 2/2"},
    {"why words can never be won", "kopf\r\nHaus\r\ncaf\xE9\r\nrock \"n\" roll\r\nhaus\t\r\n",
     "Windows-1252 4/0 | 2 Haus: C„H“ | 3 café: O„é“ | 4 rock \"n\" roll: N„\"“ | 5 haus�: "
     "NU+0009"},
    {"characters without a Windows-1252 form", "kopf\r\nłódź\r\nhund\r\n",
     "UTF-8 2/1 | 2 łódź: F„ł“ (U+0142) O„ó“ F„ź“ (U+017A)"},
    {"a byte Windows-1252 leaves unassigned", "kopf\r\nx\x81y\r\n",
     "Windows-1252 1/0 | 2 x�y: Fdas Byte 0x81"},
    {"empty entries, duplicates, commas, a word wider than the row",
     "kopf\r\nbonn\r\n\r\nulm,bonn\r\n" + std::string(59, 'a') + "\r\n" + std::string(58, 'b'),
     ("Windows-1252 6/5 | empty 3 | 4 bonn twice, 2 | 5 long 59")},
    {"a UTF-8 file cut in the middle of a character", "kopf\r\nb\xC3\xA4r\r\nt\xC3",
     "Windows-1252 broken@3 2/0 | 2 bÃ¤r: C„Ã“ N„¤“ | 3 tÃ: C„Ã“"},
    {"a stray Windows-1252 byte in UTF-8", "kopf\r\nb\xC3\xA4r\r\nt\xFCr\r\n",
     "Windows-1252 broken@3 2/1 | 2 bÃ¤r: C„Ã“ N„¤“"},
    {"the heading alone", "kopf\r\n", "Windows-1252 0/0"},
    {"the heading is never played, so never checked", "Haus\r\nhaus\r\n", "Windows-1252 1/1"},
};

TEST(ListCheck, FindsWhatEachListHolds) {
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        writeList(cities, row.bytes);
        const ListCheck list = checkWordList(cities);
        EXPECT_EQ(list.state, ListCheck::State::Checked);
        EXPECT_EQ(summary(list), row.found);
        // Words counted as the game's greeting counts them.
        std::vector<std::string> slots;
        EXPECT_EQ(list.words, readListEntries(readListText(cities)->text, slots) - 1);
    }
}

TEST(ListCheck, StatusOfTheFourLists) {
    TempDir dir;
    const auto fine = [](const char* heading) { return std::string(heading) + "\r\nhund\r\n"; };
    const auto write = [&](const std::string& citiesList) {
        writeList(wordListFileName(1), fine("Allgemeine W\xF6rter"));
        writeList(wordListFileName(2), citiesList);
        writeList(wordListFileName(3), fine("L\xE4nder"));
        writeList(wordListFileName(4), fine("Berufe"));
    };
    write(fine("St\xE4"
               "dte"));
    EXPECT_EQ(listCheckStatus(checkWordLists()), 0);
    write("kopf\r\nbonn\r\nbonn\r\n\r\n" + std::string(70, 'x')); // only notes
    EXPECT_EQ(listCheckStatus(checkWordLists()), 0);
    write("kopf\r\nbonn\r\nBonn\r\n");
    EXPECT_EQ(listCheckStatus(checkWordLists()), 1);
    write("kopf\r\n\r\n"); // nothing to win
    EXPECT_EQ(listCheckStatus(checkWordLists()), 1);
    std::filesystem::remove(std::filesystem::u8path("Städte.txt"));
    auto lists = checkWordLists();
    EXPECT_EQ(lists[1].state, ListCheck::State::Missing);
    EXPECT_EQ(listCheckStatus(lists), 2);
    std::filesystem::create_directory(std::filesystem::u8path("Städte.txt"));
    lists = checkWordLists();
    EXPECT_EQ(lists[1].state, ListCheck::State::Unreadable);
    EXPECT_EQ(listCheckStatus(lists), 2);
}

TEST(ListCheck, ReportInGerman) {
    TempDir dir;
    writeList(wordListFileName(1), "\xEF\xBB\xBF"
                                   "Allgemeine Wörter\r\nhund\r\nKatze\r\nMaus\r\n\r\nhund\r\n");
    writeList(wordListFileName(2), "kopf\r\nb\xC3\xA4r\r\nt\xFCr\r\n");
    writeList(wordListFileName(4), "Berufe\r\nB\xE4"
                                   "cker\r\n");
    const std::string report = listCheckReport(checkWordLists(), 1);
    EXPECT_EQ(report, "allgemeine Wörter.txt\n"
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
                      "Städte.txt\n"
                      "  Kodierung: Windows-1252\n"
                      "  Die Datei ist fast ganz UTF-8, aber ab Zeile 3 stehen Bytes, die kein "
                      "UTF-8 sind (etwa ein abgeschnittenes Zeichen). Darum gilt sie als "
                      "Windows-1252; als UTF-8 neu speichern hilft.\n"
                      "  Überschrift (wird nie geraten): „kopf“\n"
                      "  2 Wörter, davon nie zu gewinnen: 1\n"
                      "    Zeile 2: „bÃ¤r“ – „Ã“ ist ein Großbuchstabe, „¤“ wird nie aufgedeckt\n"
                      "\n"
                      "Länder.txt fehlt; das Spiel endet, sobald es die Liste braucht.\n"
                      "\n"
                      "Berufe.txt\n"
                      "  Kodierung: Windows-1252\n"
                      "  Überschrift (wird nie geraten): „Berufe“\n"
                      "  1 Wort, davon nie zu gewinnen: 1\n"
                      "    Zeile 2: „Bäcker“ – „B“ ist ein Großbuchstabe\n"
                      "  Kein Wort dieser Liste ist zu gewinnen.\n"
                      "\n"
                      "Ergebnis: 1 Liste fehlt; 4 Wörter sind nie zu gewinnen; 1 Liste hat kein "
                      "Wort, das zu gewinnen ist.\n");
}

// The game's own lists pass; a planted "Haus" does not.
TEST(ListCheck, ShippedListsAreAllWinnableUntilAHausIsPlanted) {
    const std::filesystem::path data = std::filesystem::path(SCHLINGO_SOURCE_DIR) / "data";
    TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        if (entry.path().extension() == ".txt") {
            std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
        }
    }
    auto lists = checkWordLists();
    EXPECT_EQ(listCheckStatus(lists), 0);
    std::string report = listCheckReport(lists, 5);
    EXPECT_NE(report.find("\nErgebnis: Jedes Wort aller Listen ist zu gewinnen.\n"),
              std::string::npos)
        << report;

    writeList(wordListFileName(4), readBytes(data / "Berufe.txt") + "Haus\r\n");
    lists = checkWordLists();
    EXPECT_EQ(listCheckStatus(lists), 1);
    report = listCheckReport(lists, 5);
    EXPECT_NE(report.find(": „Haus“ – „H“ ist ein Großbuchstabe\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\nErgebnis: 1 Wort ist nie zu gewinnen.\n"), std::string::npos);
}

} // namespace
} // namespace schlingo::test
