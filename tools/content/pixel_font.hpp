#pragma once
// The game's own pixel letters: capitals, digits and the shown punctuation on a
// 5 x 7 grid, doubled with Scale2x into 16-pixel-high shapes; plus the few
// lower-case letters the name "Schlingo" needs.

#include "tools/content/canvas.hpp"

namespace schlingo::content {

// The shape of one character as the word row and the board show it: 16 rows,
// base line under row 14, accents in rows 0 and 1; as wide as its ink (a space
// is 10 columns of nothing). Throws for a character the font lacks.
Mask glyphShape(char32_t character);

// A character of the name in the title, on a 5 x 9 grid (two rows below the
// base line for descenders), not yet enlarged.
Mask titleLetter(char32_t character);

// Left/right/top/bottom of the set bits; an empty mask gives width 0.
struct InkBox {
    int left = 0, top = 0, width = 0, height = 0;
};
InkBox inkBox(const Mask& mask);

} // namespace schlingo::content
