#pragma once
// Text files from any editor, read as the game's Windows-1252. A list saved
// with a UTF-8 byte-order mark, or valid UTF-8 holding at least one character
// beyond ASCII, is UTF-8; one with a UTF-16 byte-order mark is UTF-16; any
// other file is Windows-1252 and stays byte for byte as it is.
//
// A Windows-1252 file is valid UTF-8 only when each of its bytes from 0x80
// up belongs to a lead byte from 0xC2 on followed by the right number of
// bytes from 0x80 to 0xBF, as in "Ã¤" or "â€œ": ö and ü never lead, ä, ß and
// ñ only before symbols such as € or §, so one ordinary German word breaks
// it. A list that still passes had its words with such pairs unwinnable as
// Windows-1252 (Ã is a capital, € is never shown), short of oddities like
// "ß§"; reading it as UTF-8 takes no playable word away, and the list check
// names the encoding it found.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace schlingo::platform {

enum class TextEncoding { Windows1252, Utf8, Utf8WithBom, Utf16LE, Utf16BE };

// What a character without a Windows-1252 form becomes: an unassigned byte
// of the code page, which the word row never shows and no letter matches.
inline constexpr unsigned char foreignMarker = 0x81;

// True for the five bytes Windows-1252 leaves unassigned (0x81 among them).
bool isUnassignedCp1252(unsigned char byte);

struct DecodedText {
    TextEncoding encoding = TextEncoding::Windows1252;
    // Windows-1252 for the item reader; a Windows-1252 file is here unchanged.
    std::string text;
    // What each foreignMarker of a converted text stood for, in order;
    // U+FFFD for bytes that were no character of the file's encoding.
    std::vector<char32_t> foreign;
    // A file read as Windows-1252: its valid UTF-8 multi-byte sequences, and
    // the bytes that are not UTF-8 (a cut sequence counts once), the first at
    // byte firstUtf8Error. Many of the first and few of the second tell of a
    // UTF-8 file with stray bytes, or one cut short.
    std::size_t utf8Sequences = 0;
    std::size_t utf8Errors = 0;
    std::size_t firstUtf8Error = 0;
};

// Finds the encoding of a file's bytes and converts them. The line ends,
// commas, quotes and blanks come through as the same bytes, so the item
// reader splits the text as it would the Windows-1252 file. A byte 26 ends a
// Windows-1252 or UTF-8 file for the reader; only what comes before it
// decides between the two. A byte-order mark anywhere else is dropped, and a
// letter followed by a combining accent becomes the accented letter.
DecodedText decodeText(std::string bytes);

} // namespace schlingo::platform
