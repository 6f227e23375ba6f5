#pragma once
// The word lists of the four categories and the random choice of the next word.

#include <string>

namespace schlingo {
struct Program;

// The list file of a category (Windows-1252 name in the working directory).
std::string wordListFileName(int category);
// Makes sure the category's list is loaded, then draws the next currentWord.
// Ends the program with a message when the list is missing or has no word.
void chooseWord(Program& program);

} // namespace schlingo
