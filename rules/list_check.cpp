#include "rules/list_check.hpp"

#include "platform/machine/text_codec.hpp"
#include "platform/seam/command_line.hpp"
#include "rules/word_choice.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <utility>

namespace schlingo {
namespace {

using platform::TextEncoding;

// Line numbers of byte offsets taken in rising order. CR LF, a lone CR and a
// lone LF each end a line, as editors count them.
class LineCounter {
public:
    explicit LineCounter(const std::string& text) : text_(text) {}
    int lineAt(long long offset) {
        const auto end = std::min(static_cast<std::size_t>(std::max(offset, 0LL)), text_.size());
        for (; at_ < end; ++at_) {
            const char c = text_[at_];
            if (c == '\n' || (c == '\r' && (at_ + 1 >= text_.size() || text_[at_ + 1] != '\n'))) {
                ++line_;
            }
        }
        return line_;
    }

private:
    const std::string& text_;
    std::size_t at_ = 0;
    int line_ = 1;
};

// Characters a terminal or a box would not show as themselves.
bool invisible(char32_t cp) {
    return cp <= 0x20 || (cp >= 0x7F && cp <= 0xA0) || cp == 0xAD || (cp >= 0x300 && cp <= 0x36F) ||
           (cp >= 0x2000 && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202F) || cp == 0xFEFF ||
           cp == 0xFFFD;
}

std::string codeName(char32_t cp) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
    return text;
}

std::string inQuotes(const std::string& utf8) {
    return "\xE2\x80\x9E" + utf8 + "\xE2\x80\x9C"; // „ “
}

// The entries of one list, turned into UTF-8 for the report: the markers of
// characters without a Windows-1252 form become those characters again, in
// the order the entries are read.
class OriginalText {
public:
    explicit OriginalText(const platform::DecodedText& decoded) : decoded_(decoded) {}

    // The code point behind each byte of an entry.
    std::vector<char32_t> codePoints(const std::string& entry) {
        std::vector<char32_t> points;
        points.reserve(entry.size());
        for (const char c : entry) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte == platform::foreignMarker && nextForeign_ < decoded_.foreign.size()) {
                points.push_back(decoded_.foreign[nextForeign_++]);
            } else {
                points.push_back(platform::cp1252ToCodePoint(byte));
            }
        }
        return points;
    }

    static std::string word(const std::vector<char32_t>& points) {
        std::string out;
        for (const char32_t cp : points) {
            // A control character would move the terminal's cursor.
            platform::appendUtf8(out,
                                 cp < 0x20 || (cp >= 0x7F && cp < 0xA0) ? char32_t{0xFFFD} : cp);
        }
        return out;
    }

    std::string heading(const std::string& entry) { return word(codePoints(entry)); }

private:
    const platform::DecodedText& decoded_;
    std::size_t nextForeign_ = 0;
};

// `converted`: the text came from UTF-8 or UTF-16, so its markers stand for
// characters, not for bytes of the file.
std::vector<ListCheck::Fault> faultsOf(const std::string& entry,
                                       const std::vector<char32_t>& points, bool converted) {
    std::vector<ListCheck::Fault> faults;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        const auto byte = static_cast<unsigned char>(entry[i]);
        CharacterFault kind = characterFault(byte);
        if (kind == CharacterFault::None) {
            continue;
        }
        const char32_t cp = points[i];
        std::string shown;
        if (kind == CharacterFault::NoWindows1252 && !converted) {
            // A byte of a Windows-1252 file that the code page leaves unassigned.
            char text[24];
            std::snprintf(text, sizeof text, "das Byte 0x%02X", byte);
            shown = text;
            kind = CharacterFault::NeverShown;
        } else if (invisible(cp)) {
            shown = codeName(cp);
        } else {
            std::string character;
            platform::appendUtf8(character, cp);
            shown = inQuotes(character);
            if (kind == CharacterFault::NoWindows1252) {
                shown.append(" (").append(codeName(cp)).append(")");
            }
        }
        const bool seen = std::any_of(faults.begin(), faults.end(),
                                      [&](const auto& fault) { return fault.shown == shown; });
        if (!seen) {
            faults.push_back({kind, std::move(shown)});
        }
    }
    return faults;
}

// --- the report ---

// Fixed texts are Windows-1252 as all of the program's texts; words arrive
// in UTF-8 already.
class Report {
public:
    Report& text(std::string_view cp1252) {
        out_ += platform::cp1252ToUtf8(cp1252);
        return *this;
    }
    Report& utf8(const std::string& text) {
        out_ += text;
        return *this;
    }
    Report& number(std::size_t n) {
        out_ += std::to_string(n);
        return *this;
    }
    Report& word(const std::string& utf8Word) { return utf8(inQuotes(utf8Word)); }
    Report& line(int number) { return text("Zeile ").number(static_cast<std::size_t>(number)); }
    Report& end() { return text("\n"); }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

// "1 Wort", "2 W\xF6rter".
std::string count(std::size_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

const char* encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf8WithBom:
        return "UTF-8 mit BOM";
    case TextEncoding::Utf16LE:
        return "UTF-16 LE mit BOM";
    case TextEncoding::Utf16BE:
        return "UTF-16 BE mit BOM";
    case TextEncoding::Windows1252:
        break;
    }
    return "Windows-1252";
}

const char* faultText(CharacterFault kind) {
    switch (kind) {
    case CharacterFault::Capital:
        return " ist ein Gro\xDF"
               "buchstabe";
    case CharacterFault::OtherLetter:
        return " ist kein Buchstabe der Tafel";
    case CharacterFault::NoWindows1252:
        return " gibt es in Windows-1252 nicht";
    case CharacterFault::NeverShown:
    case CharacterFault::None:
        break;
    }
    return " wird nie aufgedeckt";
}

// Up to `shown` findings, one a line, then how many more there are.
template <typename Finding, typename Show>
void findings(Report& report, const std::vector<Finding>& all, std::size_t shown, Show show) {
    for (std::size_t i = 0; i < all.size() && i < shown; ++i) {
        report.text("    ");
        show(all[i]);
        report.end();
    }
    if (all.size() > shown) {
        report.text("    \x85 und ").number(all.size() - shown).text(" weitere").end();
    }
}

void reportList(Report& report, const ListCheck& list, std::size_t shown) {
    const std::string name = list.fileName;
    if (list.state == ListCheck::State::Missing) {
        report.text(name + " fehlt; das Spiel endet, sobald es die Liste braucht.").end();
        return;
    }
    if (list.state == ListCheck::State::Unreadable) {
        report
            .text(name + " l\xE4sst sich nicht lesen; das Spiel endet, sobald es die Liste "
                         "braucht.")
            .end();
        return;
    }
    report.text(name).end();
    report.text("  Kodierung: ").text(encodingName(list.encoding)).end();
    if (list.brokenUtf8Line > 0) {
        report.text("  Die Datei ist fast ganz UTF-8, aber ab ")
            .line(list.brokenUtf8Line)
            .text(" stehen Bytes, die kein UTF-8 sind (etwa ein abgeschnittenes Zeichen). "
                  "Darum gilt sie als Windows-1252; als UTF-8 neu speichern hilft.")
            .end();
    }
    report
        .text("  \xDC"
              "berschrift (wird nie geraten): ")
        .word(list.heading)
        .end();
    report.text("  ").text(count(static_cast<std::size_t>(list.words), "Wort", "W\xF6rter"));
    if (!list.unwinnable.empty()) {
        report.text(", davon nie zu gewinnen: ").number(list.unwinnable.size()).end();
    } else if (list.winnable > 0 && list.emptyLines.empty()) {
        report.text(list.words == 1 ? ", zu gewinnen." : ", alle zu gewinnen.").end();
    } else {
        report.text(".").end();
    }
    findings(report, list.unwinnable, shown, [&](const ListCheck::Unwinnable& w) {
        report.line(w.line).text(": ").word(w.word).text(" \x96 ");
        for (std::size_t i = 0; i < w.faults.size(); ++i) {
            report.text(i == 0 ? "" : ", ")
                .utf8(w.faults[i].shown)
                .text(faultText(w.faults[i].kind));
        }
    });
    if (list.winnable == 0) {
        report.text("  Kein Wort dieser Liste ist zu gewinnen.").end();
    }
    if (!list.emptyLines.empty()) {
        report.text("  Leere Eintr\xE4ge, nie gezogen: ").number(list.emptyLines.size()).end();
        findings(report, list.emptyLines, shown, [&](int line) { report.line(line); });
    }
    if (!list.duplicates.empty()) {
        report.text("  Doppelt: ").number(list.duplicates.size()).end();
        findings(report, list.duplicates, shown, [&](const ListCheck::Duplicate& d) {
            report.line(d.line).text(": ").word(d.word).text(" wie in ").line(d.firstLine);
        });
    }
    if (!list.tooLong.empty()) {
        report.text("  Breiter als die Wortzeile (mehr als ")
            .number(wordRowFields)
            .text(" Zeichen, an beiden R\xE4ndern abgeschnitten): ")
            .number(list.tooLong.size())
            .end();
        findings(report, list.tooLong, shown, [&](const ListCheck::TooLong& t) {
            report.line(t.line).text(": ").word(t.word).text(" (").number(
                static_cast<std::size_t>(t.length));
            report.text(" Zeichen)");
        });
    }
    if (list.cut) {
        report.text("  Das Spiel liest nur die ersten ")
            .number(static_cast<std::size_t>(maxWordSlots))
            .text(" Eintr\xE4ge.")
            .end();
    }
}

} // namespace

CharacterFault characterFault(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || isSpecialLetter(c) || isAlwaysShown(c)) {
        return CharacterFault::None;
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || c == 0x8A || c == 0x8C ||
        c == 0x8E || c == 0x9F) {
        return CharacterFault::Capital; // also À … Þ, Š Œ Ž Ÿ
    }
    if ((c >= 0xDF && c != 0xF7) || c == 0x83 || c == 0x9A || c == 0x9C || c == 0x9E || c == 0xAA ||
        c == 0xB5 || c == 0xBA) {
        return CharacterFault::OtherLetter; // à … ÿ, ƒ š œ ž ª µ º
    }
    if (platform::isUnassignedCp1252(c)) {
        return CharacterFault::NoWindows1252;
    }
    return CharacterFault::NeverShown;
}

ListCheck checkWordList(const std::string& fileName) {
    ListCheck list;
    list.fileName = fileName;
    std::optional<platform::DecodedText> decoded = readListText(fileName);
    if (!decoded) {
        list.state = platform::host::nameExists(fileName) ? ListCheck::State::Unreadable
                                                          : ListCheck::State::Missing;
        return list;
    }
    list.state = ListCheck::State::Checked;
    list.encoding = decoded->encoding;
    if (decoded->utf8Sequences > 0 && decoded->utf8Sequences >= decoded->utf8Errors) {
        list.brokenUtf8Line =
            LineCounter(decoded->text).lineAt(static_cast<long long>(decoded->firstUtf8Error));
    }
    LineCounter lines(decoded->text);

    std::vector<std::string> entries;
    std::vector<long long> starts;
    const int count = readListEntries(decoded->text, entries, &starts, &list.cut);
    list.words = count - 1;
    OriginalText original(*decoded);
    list.heading = original.heading(entries[1]);
    std::unordered_map<std::string, int> firstLines;
    for (int i = 2; i <= count; ++i) {
        const std::string& entry = entries[static_cast<std::size_t>(i)];
        const std::vector<char32_t> points = original.codePoints(entry);
        const int line = lines.lineAt(starts[static_cast<std::size_t>(i - 1)]);
        if (entry.empty()) {
            list.emptyLines.push_back(line);
            continue;
        }
        const std::string word = OriginalText::word(points);
        std::vector<ListCheck::Fault> faults =
            faultsOf(entry, points, list.encoding != TextEncoding::Windows1252);
        if (faults.empty()) {
            ++list.winnable;
        } else {
            list.unwinnable.push_back({line, word, std::move(faults)});
        }
        const auto [first, inserted] = firstLines.try_emplace(entry, line);
        if (!inserted) {
            list.duplicates.push_back({line, word, first->second});
        }
        if (entry.size() > static_cast<std::size_t>(wordRowFields)) {
            list.tooLong.push_back({line, word, static_cast<int>(entry.size())});
        }
    }
    return list;
}

std::vector<ListCheck> checkWordLists() {
    std::vector<ListCheck> lists;
    for (int category = 1; category <= 4; ++category) {
        lists.push_back(checkWordList(wordListFileName(category)));
    }
    return lists;
}

int listCheckStatus(const std::vector<ListCheck>& lists) {
    int status = 0;
    for (const ListCheck& list : lists) {
        if (list.state != ListCheck::State::Checked) {
            return 2;
        }
        if (!list.unwinnable.empty() || list.winnable == 0) {
            status = 1;
        }
    }
    return status;
}

std::string listCheckReport(const std::vector<ListCheck>& lists, std::size_t shown) {
    Report report;
    std::size_t missing = 0, unreadable = 0, unwinnable = 0, hopeless = 0;
    for (const ListCheck& list : lists) {
        reportList(report, list, shown);
        report.end();
        missing += list.state == ListCheck::State::Missing ? 1 : 0;
        unreadable += list.state == ListCheck::State::Unreadable ? 1 : 0;
        unwinnable += list.unwinnable.size();
        hopeless += list.state == ListCheck::State::Checked && list.winnable == 0 ? 1 : 0;
    }
    std::vector<std::string> parts;
    if (missing > 0) {
        parts.push_back(count(missing, "Liste fehlt", "Listen fehlen"));
    }
    if (unreadable > 0) {
        parts.push_back(count(unreadable, "Liste ist nicht lesbar", "Listen sind nicht lesbar"));
    }
    if (unwinnable > 0) {
        parts.push_back(
            count(unwinnable, "Wort ist nie zu gewinnen", "W\xF6rter sind nie zu gewinnen"));
    }
    if (hopeless > 0) {
        parts.push_back(count(hopeless, "Liste hat kein Wort, das zu gewinnen ist",
                              "Listen haben kein Wort, das zu gewinnen ist"));
    }
    report.text("Ergebnis: ");
    if (parts.empty()) {
        report.text(lists.size() == 1 ? "Jedes Wort der Liste ist zu gewinnen."
                                      : "Jedes Wort aller Listen ist zu gewinnen.");
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        report.text(i == 0 ? "" : "; ").text(parts[i]).text(i + 1 == parts.size() ? "." : "");
    }
    report.end();
    return report.take();
}

} // namespace schlingo
