#include "presentation/word_screen.hpp"

#include "gamefiles/highscores.hpp"
#include "platform/machine/text_file.hpp"
#include "presentation/glyph_set.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"

namespace schlingo {

namespace {

constexpr int wordRowY = 36;
constexpr int fieldWidth = 16;

// The glyph file of a letter: its capital.
std::string letterGlyphName(unsigned char c) {
    switch (c) {
    case 0xE4:
        return "\xC4.galgen";
    case 0xF6:
        return "\xD6.galgen";
    case 0xFC:
        return "\xDC.galgen";
    case 0xDF:
        return "\xDF.galgen";
    case 0xF1:
        return "\xD1.galgen";
    default:
        break;
    }
    if (c >= 'a' && c <= 'z') {
        return std::string(1, static_cast<char>(c - 'a' + 'A')) + ".galgen";
    }
    return {};
}

// The glyph file of an always-shown character; "" for those that keep the dash.
std::string shownGlyphName(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return std::string(1, static_cast<char>(c)) + ".galgen";
    }
    switch (c) {
    case ' ':
        return "leer.galgen";
    case '-':
        return "-.galgen";
    case '&':
        return "&.galgen";
    case '?':
        return "Fragezeichen.galgen";
    case '\'':
        return "'.galgen";
    case '.':
        return "Punkt.galgen";
    case '(':
        return "(.galgen";
    case ')':
        return ").galgen";
    case '/':
        return "Schraegstrich.galgen";
    default:
        return {};
    }
}

void putGlyph(Program& program, const std::string& fileName, int position) {
    const platform::Image image = glyph(program, fileName);
    if (image != nullptr) {
        program.screen().putImage(program.word.wordLeft + fieldWidth * position, wordRowY, image);
    }
}

} // namespace

void setUpWordScreen(Program& program) {
    program.screen().clearScreen();
    drawBoardPicture(program);
    loadGlyphSet(program);
    drawWordRow(program);
    freePlaceholderGlyph(program);
    drawCounters(program);
}

void drawWordRow(Program& program) {
    WordState& word = program.word;
    const bool specialLetters = program.options.specialLetters == 1;
    for (int i = 0; i < word.wordLength; ++i) {
        putGlyph(program, "Strich.galgen", i);
    }
    for (int i = 0; i < word.wordLength; ++i) {
        const auto c = static_cast<unsigned char>(word.currentWord[i]);
        if (isAlwaysShown(c)) {
            word.revealedCount += 1;
            const std::string name = shownGlyphName(c);
            if (!name.empty()) {
                putGlyph(program, name, i);
            }
        } else if (!specialLetters && isSpecialLetter(c)) {
            word.revealedCount += 1;
            putGlyph(program, letterGlyphName(c), i);
        }
    }
}

void drawHit(Program& program, int position) {
    const WordState& word = program.word;
    if (word.guessLetter.empty()) {
        return;
    }
    const auto c = static_cast<unsigned char>(word.guessLetter[0]);
    if (isSpecialLetter(c) && program.options.specialLetters != 1) {
        return;
    }
    const std::string name = letterGlyphName(c);
    if (!name.empty()) {
        putGlyph(program, name, position);
    }
}

char shownCharacter(const Program& program, int position) {
    const WordState& word = program.word;
    const char c = word.currentWord[static_cast<std::size_t>(position)];
    const auto u = static_cast<unsigned char>(c);
    if (isAlwaysShown(u)) {
        return shownGlyphName(u).empty() ? 0 : c;
    }
    const bool specialLetters = program.options.specialLetters == 1;
    if (isSpecialLetter(u) && !specialLetters) {
        return c;
    }
    if (program.options.blindMode == 1 || letterGlyphName(u).empty()) {
        return 0;
    }
    // A hit drew the letter's glyph: its letter is used.
    const int last = specialLetters ? letterCount : 26;
    for (int i = 1; i <= last; ++i) {
        if (letters[i].text[0] == c) {
            return word.letterUsed[i] == 1 ? c : 0;
        }
    }
    return 0;
}

void drawCounters(Program& program) {
    constexpr platform::Pixel white = 0xFFFFFF;
    constexpr platform::Pixel recordColour = 0xAAFFFF;
    drawBandedText(program, "Punkte: " + platform::numberText(program.game.points), 38, 2, white,
                   white, white);
    drawBandedText(program, "Spiele: " + platform::numberText(program.game.gamesWon), 38, 35, white,
                   white, white);
    drawBandedText(program, "Rekord: " + platform::numberText(record(program)), 39, 2, recordColour,
                   recordColour, recordColour);
}

void drawTriesLeft(Program& program) {
    platform::Screen& screen = program.screen();
    screen.lockScreen();
    // The two spaces wipe the cells of a longer number drawn before.
    drawBandedText(program, platform::numberText(program.word.triesLeft) + "  ", 39, 58, 0xFFFFFF,
                   0x55FF55, 0x00AA00);
    screen.unlockScreen();
}

void drawBandedText(Program& program, const std::string& text, int row, int column,
                    platform::Pixel topColour, platform::Pixel middleColour,
                    platform::Pixel bottomColour) {
    constexpr platform::Pixel marker = 7;
    platform::Screen& screen = program.screen();
    screen.setForeground(marker);
    const std::string oemText = platform::toOem(text);
    const int n = static_cast<int>(oemText.size());
    screen.setTextCursor(row, column);
    screen.printText(oemText, platform::Ending::None);

    const int x0 = (column - 1) * 8;
    const int y0 = (row - 1) * 8;
    for (int x = x0; x <= x0 + 8 * n; ++x) {
        for (int k = 0; k < 8; ++k) {
            if (screen.readPixel(x, y0 + k) != marker) {
                continue;
            }
            const platform::Pixel colour =
                k < 2 ? topColour : (k < 5 ? middleColour : bottomColour);
            screen.plotPixel(x, y0 + k, colour);
        }
    }
    screen.resetPalette();
    screen.setForeground(15);
}

} // namespace schlingo
