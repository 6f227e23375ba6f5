#pragma once
// The drawings of the game: the letter board (with and without the special
// letters), the 51 glyphs of the word row, the hanged computer and the icon.

#include "tools/content/canvas.hpp"

#include <array>
#include <string>

namespace schlingo::content {

// A field of the letter board in screen pixels, both corners inside.
struct BoardField {
    int x1, y1, x2, y2;
};
// Letters 1..31 (a..z, ä, ö, ü, ß, ñ) at indexes 0..30.
extern const std::array<BoardField, 31> boardFields;
extern const std::array<char32_t, 31> boardCapitals; // what each field shows
constexpr int specialFieldsFrom = 26;                // ä ö ü ß ñ: only with "Sonderzeichen"

// The board picture is drawn with its top-left pixel at screen (1, 1).
constexpr int boardScreenX = 1, boardScreenY = 1;
constexpr int boardWidth = 640, boardHeight = 320;

// Screen areas the game draws over; the board leaves them plain black.
struct ScreenArea {
    int x1, y1, x2, y2; // inclusive
};
constexpr ScreenArea wordRowBand{0, 36, 939, 51};
constexpr ScreenArea counterBand{0, 296, 939, 311};
constexpr ScreenArea computerArea{500, 150, 639, 319};

Canvas boardPicture(bool specialLetters);

struct GlyphFile {
    const char* name; // UTF-8 file name without ".galgen"
    char32_t shows;   // the character drawn; 0 for the placeholder dash
};
// In the game's load order.
extern const std::array<GlyphFile, 51> glyphFiles;
constexpr int glyphSize = 16;
Canvas glyphPicture(const GlyphFile& glyph);

constexpr int computerWidth = 140, computerHeight = 171;
Canvas computerPicture();

// The program icon at 16, 32 or 48 pixels, transparent around the drawing.
Canvas iconPicture(int size);

// "Button2.galgen": one line "left,top,right,bottom" per board field.
std::string buttonMapText();

} // namespace schlingo::content
