#pragma once
// What the 940 x 320 game screen shows while a word is played: the word row of
// glyphs, the counters in colour bands and the tries left.

#include "platform/machine/screen.hpp"

#include <string>

namespace schlingo {
struct Program;

void setUpWordScreen(Program& program);
void drawWordRow(Program& program);
void drawHit(Program& program, int position); // 0-based position, glyph of guessLetter
void drawCounters(Program& program);
void drawTriesLeft(Program& program);
// What field `position` of the word row shows now: the word's character
// there, or 0 for the dash (not found yet, or a character without a glyph).
char shownCharacter(const Program& program, int position);
void drawBandedText(Program& program, const std::string& text, int row, int column,
                    platform::Pixel topColour, platform::Pixel middleColour,
                    platform::Pixel bottomColour);

} // namespace schlingo
