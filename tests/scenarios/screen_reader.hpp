#pragma once
// Reads what the game shows off its pixels, the same way for every back end:
// the tries counter and the list screen's prompt through the game's own 8 x 8
// font, the word row by the shipped glyph pictures, the used letters by their
// blacked-out board fields. A picture may be the game's pixels at a whole
// factor (a desktop at scale 2 shows every pixel as a 2 x 2 block).

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace schlingo::test {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb; // 0xRRGGBB, width per row
};

// A binary PPM (P6, 8 or 16 bits a sample). False when the stream holds none.
bool readPpm(std::istream& in, Picture& picture);

struct ScreenReading {
    std::string screen; // "game", "list" or "WxH" of anything else
    std::string tries;  // the counter's text, without its trailing spaces
    std::string word;   // UTF-8: letters, "-" for a placeholder, "?" unknown
    std::string used;   // letters a-z whose fields are black, "-" for none
    // "screen=game tries=11 word=H--- used=h"
    std::string line() const;
};

class ScreenReader {
public:
    // Loads the glyph pictures from the folder of the shipped data files.
    explicit ScreenReader(const std::string& dataDirectory);
    // wordLength: how many fields the word row has.
    ScreenReading read(const Picture& picture, int wordLength) const;

private:
    struct Glyph {
        std::string text;
        std::vector<std::uint32_t> rgb; // 16 x 16
    };
    std::vector<Glyph> glyphs_;
};

} // namespace schlingo::test
