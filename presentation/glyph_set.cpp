#include "presentation/glyph_set.hpp"

#include "platform/machine/image_loader.hpp"
#include "platform/seam/host.hpp"
#include "state/program.hpp"

namespace schlingo {

namespace {

constexpr int glyphSize = 16;
constexpr int boardWidth = 640, boardHeight = 320;
constexpr int computerWidth = 140, computerHeight = 171;
constexpr int placeholderIndex = 26; // "Strich.galgen"

// Creates an image of this size and fills it from the picture file; a file
// that is missing or unreadable leaves the magenta fill.
platform::Image loadPicture(Program& program, const std::string& fileName, int width, int height) {
    platform::Image image = program.screen().createImage(width, height);
    if (image != nullptr)
        platform::loadImageFile(picturePath(program, fileName), image);
    return image;
}

void drawPictureOnce(Program& program, const std::string& fileName, int width, int height, int x,
                     int y) {
    platform::Image image = loadPicture(program, fileName, width, height);
    program.screen().putImage(x, y, image);
    program.screen().destroyImage(image);
}

void freeGlyph(Program& program, int index) {
    auto& slot = program.glyphs.glyphSet[static_cast<std::size_t>(index)];
    program.screen().destroyImage(slot);
    slot = nullptr;
}

} // namespace

// clang-format off
const char* const glyphFileNames[glyphCount] = {
    "A.galgen", "B.galgen", "C.galgen", "D.galgen", "E.galgen", "F.galgen", "G.galgen",
    "H.galgen", "I.galgen", "J.galgen", "K.galgen", "L.galgen", "M.galgen", "N.galgen",
    "O.galgen", "P.galgen", "Q.galgen", "R.galgen", "S.galgen", "T.galgen", "U.galgen",
    "V.galgen", "W.galgen", "X.galgen", "Y.galgen", "Z.galgen",
    "Strich.galgen",
    "\xC4.galgen", "\xD6.galgen", "\xDC.galgen", "\xDF.galgen", // Ä Ö Ü ß
    "-.galgen", "leer.galgen", "&.galgen", "Fragezeichen.galgen", "'.galgen", "Punkt.galgen",
    "(.galgen", ").galgen", "Schraegstrich.galgen",
    "0.galgen", "1.galgen", "2.galgen", "3.galgen", "4.galgen",
    "5.galgen", "6.galgen", "7.galgen", "8.galgen", "9.galgen",
    "\xD1.galgen", // Ñ
};
// clang-format on

int glyphIndex(const std::string& fileName) {
    for (int i = 0; i < glyphCount; ++i)
        if (fileName == glyphFileNames[i])
            return i;
    return -1;
}

std::string picturePath(const Program& program, const std::string& fileName) {
    const std::string& directory = program.programDirectory;
    if (directory.empty())
        return fileName; // no directory known: the working directory
    const char last = directory.back();
    // A drive root ("C:\") already ends in its separator.
    if (last == '/' || last == '\\')
        return directory + fileName;
    return directory + platform::host::pathSeparator() + fileName;
}

void drawBoardPicture(Program& program) {
    drawPictureOnce(program, program.options.specialLetters ? "Logo.galgen" : "Logo_ohne.galgen",
                    boardWidth, boardHeight, 1, 1);
}

void loadGlyphSet(Program& program) {
    for (int i = 0; i < glyphCount; ++i) {
        freeGlyph(program, i); // a set left over from an interrupted word is not leaked
        program.glyphs.glyphSet[static_cast<std::size_t>(i)] =
            loadPicture(program, glyphFileNames[i], glyphSize, glyphSize);
    }
}

void freePlaceholderGlyph(Program& program) {
    freeGlyph(program, placeholderIndex);
}

void freeGlyphSet(Program& program) {
    for (int i = 0; i < placeholderIndex; ++i)
        freeGlyph(program, i);
    for (int i = placeholderIndex + 1; i < glyphCount; ++i)
        freeGlyph(program, i);
    // Normally freed after the first word row already; never outlives the word.
    freeGlyph(program, placeholderIndex);
}

void showComputerPicture(Program& program) {
    drawPictureOnce(program, "PC.galgen", computerWidth, computerHeight, 500, 150);
}

platform::Image glyph(const Program& program, const std::string& fileName) {
    const int index = glyphIndex(fileName);
    return index < 0 ? nullptr : program.glyphs.glyphSet[static_cast<std::size_t>(index)];
}

} // namespace schlingo
