#include "rules/list_check.hpp"

#include "platform/machine/text_codec.hpp"
#include "platform/seam/command_line.hpp"
#include "rules/word_choice.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string_view>
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
    if (list.state == ListCheck::State::TooLarge) {
        report.text(name + " ist zu gro\xDF (mehr als ")
            .number(static_cast<std::size_t>(maxListBytes))
            .text(" Bytes); das Spiel endet, sobald es die Liste braucht.")
            .end();
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
    if (list.endMarkerLine > 0) {
        report.text("  Ein Strg-Z (Zeichen 26) in ")
            .line(list.endMarkerLine)
            .text(" beendet die Liste; was danach steht, liest das Spiel nicht.")
            .end();
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

struct ListCheckJob::Work {
    explicit Work(platform::DecodedText text)
        : decoded(std::move(text)), lines(decoded.text), original(decoded),
          reader(decoded.text, entries, &starts) {}
    platform::DecodedText decoded;
    LineCounter lines;
    OriginalText original;
    std::vector<std::string> entries;
    std::vector<long long> starts;
    ListEntryReader reader;
    bool read = false;
    int next = 2;       // the entry whose findings come next
    bool found = false; // then the storage goes, a batch at a time
    // Keys into `entries`, which no longer change once read: a second copy
    // of a big list would double what the check needs.
    std::unordered_map<std::string_view, int> firstLines;
};

ListCheckJob::ListCheckJob(const std::string& fileName) {
    list_.fileName = fileName;
}

ListCheckJob::~ListCheckJob() = default;

bool ListCheckJob::step(std::size_t entries) {
    if (!done_) {
        done_ = advance(entries);
    }
    return done_;
}

bool ListCheckJob::advance(std::size_t budget) {
    try {
        if (!reading_ && !bytes_ && !decoded_ && !work_) {
            reading_ = std::make_unique<platform::FileReading>(list_.fileName, maxListBytes);
        }
        if (reading_) {
            // About as many bytes a step as the entries' work would take.
            if (!reading_->readSome(budget * 256)) {
                return false;
            }
            bytes_ = std::make_unique<platform::FileBytes>(reading_->take());
            reading_.reset();
            return false;
        }
        if (bytes_) {
            ListText text = listText(std::move(*bytes_));
            bytes_.reset();
            switch (text.status) {
            case ListText::Status::Unopenable:
                list_.state = platform::host::nameExists(list_.fileName)
                                  ? ListCheck::State::Unreadable
                                  : ListCheck::State::Missing;
                return true;
            case ListText::Status::TooLarge:
                list_.state = ListCheck::State::TooLarge;
                return true;
            case ListText::Status::Unreadable:
                list_.state = ListCheck::State::Unreadable;
                return true;
            case ListText::Status::Read:
                break;
            }
            decoded_ = std::make_unique<platform::DecodedText>(std::move(text.decoded));
            return false;
        }
        if (decoded_) {
            work_ = std::make_unique<Work>(std::move(*decoded_));
            decoded_.reset();
            const platform::DecodedText& decoded = work_->decoded;
            list_.encoding = decoded.encoding;
            if (decoded.utf8Sequences > 0 && decoded.utf8Sequences >= decoded.utf8Errors) {
                list_.brokenUtf8Line = LineCounter(decoded.text)
                                           .lineAt(static_cast<long long>(decoded.firstUtf8Error));
            }
            return false;
        }
        Work& work = *work_;
        if (!work.read) {
            work.read = work.reader.read(budget);
            if (work.read) {
                list_.words = work.reader.count() - 1;
                list_.cut = work.reader.cut();
                list_.heading = work.original.heading(work.entries[1]);
                // Made once: growing in steps would rehash all of it at a time.
                work.firstLines.reserve(static_cast<std::size_t>(list_.words));
            }
            return false;
        }
        if (work.found) {
            // A big list's many small pieces take long to free all at once.
            auto it = work.firstLines.begin();
            for (; budget > 0 && it != work.firstLines.end(); --budget) {
                it = work.firstLines.erase(it);
            }
            const std::size_t drop = std::min(budget, work.entries.size());
            work.entries.resize(work.entries.size() - drop);
            if (!work.firstLines.empty() || !work.entries.empty()) {
                return false;
            }
            work_.reset();
            return true;
        }
        const int count = work.reader.count();
        for (; work.next <= count && budget > 0; ++work.next, --budget) {
            const int i = work.next;
            const std::string& entry = work.entries[static_cast<std::size_t>(i)];
            const std::vector<char32_t> points = work.original.codePoints(entry);
            const int line = work.lines.lineAt(work.starts[static_cast<std::size_t>(i - 1)]);
            if (entry.empty()) {
                list_.emptyLines.push_back(line);
                continue;
            }
            const std::string word = OriginalText::word(points);
            std::vector<ListCheck::Fault> faults =
                faultsOf(entry, points, list_.encoding != TextEncoding::Windows1252);
            if (faults.empty()) {
                ++list_.winnable;
            } else {
                list_.unwinnable.push_back({line, word, std::move(faults)});
            }
            const auto [first, inserted] = work.firstLines.try_emplace(entry, line);
            if (!inserted) {
                list_.duplicates.push_back({line, word, first->second});
            }
            if (entry.size() > static_cast<std::size_t>(wordRowFields)) {
                list_.tooLong.push_back({line, word, static_cast<int>(entry.size())});
            }
        }
        if (work.next <= count) {
            return false;
        }
        // The reader stops at the first byte 26; said only when text follows it.
        const std::string& text = work.decoded.text;
        const auto marker = text.find('\x1A');
        if (!list_.cut && marker != std::string::npos &&
            text.find_first_not_of(" \t\r\n\x1A", marker) != std::string::npos) {
            list_.endMarkerLine = LineCounter(text).lineAt(static_cast<long long>(marker));
        }
        list_.state = ListCheck::State::Checked;
        work.found = true;
        return false;
    } catch (const std::bad_alloc&) {
        reading_.reset();
        bytes_.reset();
        work_.reset();
        decoded_.reset();
        const std::string fileName = list_.fileName;
        list_ = ListCheck{};
        list_.fileName = fileName;
        list_.state = ListCheck::State::Unreadable;
        return true;
    }
}

ListCheck checkWordList(const std::string& fileName) {
    ListCheckJob job(fileName);
    while (!job.step(static_cast<std::size_t>(maxWordSlots))) {
    }
    return job.take();
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
        unreadable +=
            list.state == ListCheck::State::Unreadable || list.state == ListCheck::State::TooLarge
                ? 1
                : 0;
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
