#pragma once
// The word lists: readable UTF-8 sources in tools/words/, shipped in data/ as
// Windows-1252 with CR LF line ends.

#include "tools/content/bitmap_file.hpp"

#include <array>
#include <string>
#include <string_view>

namespace schlingo::content {

struct WordListFile {
    const char* source;  // in tools/words/
    const char* shipped; // in data/, UTF-8 name
};
extern const std::array<WordListFile, 4> wordLists;

// One entry per source line, in order. Blank lines and lines starting with '#'
// are notes for the reader and are left out. Throws std::runtime_error, naming
// the line, for invalid UTF-8, a carriage return or a character that
// Windows-1252 lacks.
Bytes convertWordList(std::string_view utf8Source);

// UTF-8 text to Windows-1252; throws std::runtime_error where that is impossible.
std::string toWindows1252(std::string_view utf8);
// Windows-1252 text to UTF-8 (for messages and for comparing with UTF-8 lists).
std::string fromWindows1252(std::string_view text);

} // namespace schlingo::content
