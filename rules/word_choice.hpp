#pragma once
// The word lists of the four categories and the random choice of the next word.

#include "platform/machine/text_encoding.hpp"
#include "platform/machine/text_file.hpp"
#include "state/program.hpp"

#include <optional>
#include <string>
#include <vector>

namespace schlingo {
struct Program;

// The list file of a category (Windows-1252 name in the working directory).
std::string wordListFileName(int category);
// Makes sure the category's list is loaded, then draws the next currentWord.
// Ends the program with a message when the list is missing or has no word.
void chooseWord(Program& program);

// A list holds at most a million entries of the longest item with its CR LF.
inline constexpr long long maxListBytes =
    static_cast<long long>(maxWordSlots) * static_cast<long long>(platform::maxTextItem + 2);

struct ListText {
    // Unreadable: a read failed, or the list does not fit in memory.
    enum class Status { Read, Unopenable, TooLarge, Unreadable };
    Status status = Status::Unopenable;
    platform::DecodedText decoded; // only with Read
};
// A list file's text as the game reads it: its bytes, their encoding found
// and converted to Windows-1252. A file of more than maxListBytes bytes is
// too large and is not read.
ListText readListText(const std::string& fileName);
// The same for bytes read already (platform::FileReading with maxListBytes).
ListText listText(platform::FileBytes file);

// The entries of a list's text by the item rules, entry 1 into slot 1 and on;
// slot 0 and the slots past the count keep what they held. At most
// maxWordSlots entries: the rest is dropped and *cut set. Returns the count;
// `starts` gets each entry's byte offset in the text.
int readListEntries(std::string text, std::vector<std::string>& slots,
                    std::vector<long long>* starts = nullptr, bool* cut = nullptr);

// The same a batch of entries at a time, for a caller that must not be held
// up for long.
class ListEntryReader {
public:
    ListEntryReader(std::string text, std::vector<std::string>& slots,
                    std::vector<long long>* starts);
    // Reads up to `entries` more; true once the list is read.
    bool read(std::size_t entries);
    int count() const { return count_; }
    bool cut() const { return cut_; }

private:
    platform::TextFile file_;
    std::vector<std::string>& slots_;
    std::vector<long long>* starts_;
    int count_ = 0;
    bool done_ = false, cut_ = false;
};

} // namespace schlingo
