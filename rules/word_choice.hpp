#pragma once
// The word lists of the four categories and the random choice of the next word.

#include "platform/machine/text_encoding.hpp"

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

// A list file's text as the game reads it: its bytes, their encoding found
// and converted to Windows-1252. Nothing when it cannot be opened or read.
std::optional<platform::DecodedText> readListText(const std::string& fileName);

// The entries of a list's text by the item rules, entry 1 into slot 1 and on;
// slot 0 and the slots past the count keep what they held. At most
// maxWordSlots entries: the rest is dropped and *cut set. Returns the count;
// `starts` gets each entry's byte offset in the text.
int readListEntries(std::string text, std::vector<std::string>& slots,
                    std::vector<long long>* starts = nullptr, bool* cut = nullptr);

} // namespace schlingo
