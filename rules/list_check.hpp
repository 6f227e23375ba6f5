#pragma once
// The check of the four word lists that a player can run: for each list the
// encoding found, its words as the game counts them, every word that can
// never be completed and why, and what else a player would want to fix
// (duplicates, empty entries, words wider than the screen's word row).
//
// A word can be completed when each of its characters is a letter of the
// board (a to z, ä ö ü ß ñ) or one the word row shows from the start. That
// holds in every mode: ä ö ü ß ñ are shown from the start while
// "Sonderzeichen" is off and can be clicked while it is on, and a won word
// never needs more tries than the letters it lacks. Entry 1 of a list is
// never played and is checked for nothing.

#include "platform/machine/text_encoding.hpp"
#include "platform/machine/text_file.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace schlingo {

// Why a character keeps every word that holds it from being completed.
enum class CharacterFault {
    None,          // guessed, or shown from the start
    Capital,       // guessing takes small letters only
    OtherLetter,   // a letter the board lacks: é, ç, ø, œ …
    NoWindows1252, // no character of the game's code page
    NeverShown,    // any other character: a tab, a quote, a bracket …
};
CharacterFault characterFault(unsigned char c);

// Word row fields that fit on the game screen; longer words are cut off at
// both edges.
inline constexpr int wordRowFields = 58;

struct ListCheck {
    enum class State { Checked, Missing, Unreadable, TooLarge };
    struct Fault {
        CharacterFault kind;
        std::string shown; // UTF-8: „H“, „ł“ (U+0142), U+0009, das Byte 0x81
    };
    struct Unwinnable {
        int line;
        std::string word; // UTF-8, as are all words here
        std::vector<Fault> faults;
    };
    struct Duplicate {
        int line;
        std::string word;
        int firstLine;
    };
    struct TooLong {
        int line;
        std::string word;
        int length;
    };

    std::string fileName; // Windows-1252
    State state = State::Missing;
    platform::TextEncoding encoding = platform::TextEncoding::Windows1252;
    // Read as Windows-1252, though mostly UTF-8: the line of its first byte
    // that is no UTF-8 (a stray byte, a cut character); 0 otherwise.
    int brokenUtf8Line = 0;
    std::string heading;
    int words = 0;    // the entries after the first, as the greeting counts them
    int winnable = 0; // the words among them that can be completed
    bool cut = false; // more entries than the game keeps
    // The line of a Ctrl-Z (byte 26, U+001A) that ends the list before more
    // text; 0 without one.
    int endMarkerLine = 0;
    std::vector<Unwinnable> unwinnable;
    std::vector<Duplicate> duplicates;
    std::vector<int> emptyLines;
    std::vector<TooLong> tooLong;
};

// Checks one list file of the working directory (Windows-1252 name).
ListCheck checkWordList(const std::string& fileName);

// The same check in steps, for a caller that must stay responsive while a
// big list is checked (the page). Its first step reads the file.
class ListCheckJob {
public:
    explicit ListCheckJob(const std::string& fileName);
    ~ListCheckJob();
    ListCheckJob(const ListCheckJob&) = delete;
    ListCheckJob& operator=(const ListCheckJob&) = delete;
    // Goes through up to `entries` more entries; true once the check is done.
    bool step(std::size_t entries);
    bool done() const { return done_; }
    const ListCheck& result() const { return list_; }
    ListCheck take() { return std::move(list_); }

private:
    struct Work;
    bool advance(std::size_t entries);
    bool done_ = false;
    ListCheck list_;
    std::unique_ptr<platform::FileReading> reading_; // the file, a part a step
    std::unique_ptr<platform::FileBytes> bytes_;     // read, not yet decoded
    std::unique_ptr<platform::DecodedText> decoded_; // decoded, not yet taken apart
    std::unique_ptr<Work> work_;                     // while the check runs
};
// The four lists of the game, in the order of the start window.
std::vector<ListCheck> checkWordLists();

// 0: every word can be won. 1: a word never can, or a list has none that
// can. 2: a list is missing or unreadable.
int listCheckStatus(const std::vector<ListCheck>& lists);

// The report in German, UTF-8, with "\n" line ends. Of each kind of finding
// a list shows at most `shown` lines and counts the rest.
std::string listCheckReport(const std::vector<ListCheck>& lists, std::size_t shown);

} // namespace schlingo
