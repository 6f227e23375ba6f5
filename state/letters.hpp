#pragma once
// The letter table: index 1..31, the letter's text (Windows-1252) and the scan
// code of the key that selects it (German key positions; 0 = mouse only).

namespace schlingo {

struct Letter {
    const char* text;
    int scanCode;
};
extern const Letter letters[32]; // entry 0 unused

// ä ö ü ß ñ: shown from the start while "Sonderzeichen" is off, guessed by
// mouse while it is on.
bool isSpecialLetter(unsigned char c);
// The 34 characters every word row shows from the start, glyph or not.
bool isAlwaysShown(unsigned char c);

inline constexpr int escScanCode = 1;
inline constexpr int ctrlScanCode = 29;
inline constexpr int digitScanCode[4] = {0, 2, 3, 4}; // "1", "2", "3" of the main row

} // namespace schlingo
