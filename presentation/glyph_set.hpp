#pragma once
// The picture files (".galgen" in the program's directory): board picture,
// 51 glyphs and the hanged computer, loaded per word and freed at its end.

#include "platform/machine/screen.hpp"

#include <string>

namespace schlingo {
struct Program;

// The glyph files in load order (Windows-1252 names).
extern const char* const glyphFileNames[51];
// Load-order index of a glyph file name, -1 when there is none.
int glyphIndex(const std::string& fileName);
// The program directory, one separator and the file name.
std::string picturePath(const Program& program, const std::string& fileName);

void drawBoardPicture(Program& program);
void loadGlyphSet(Program& program);
void freePlaceholderGlyph(Program& program);
void freeGlyphSet(Program& program);
void showComputerPicture(Program& program);
// The loaded glyph of this file name, nullptr when it is not loaded.
platform::Image glyph(const Program& program, const std::string& fileName);

} // namespace schlingo
