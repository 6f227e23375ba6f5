#include "gamefiles/highscores.hpp"

#include "platform/machine/random.hpp"
#include "platform/machine/text_file.hpp"
#include "state/program.hpp"

namespace schlingo {

namespace {

const char* const highscoreFile = "Highscore.dat";

// The list screen's text colours 1..15 (0x00RRGGBB); 12 repeats 14.
constexpr platform::Pixel listColours[16] = {
    0,        0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFFFF55, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

// The list screen in words, for players who cannot see it.
void announceHighscoreList(Program& program) {
    const HighscoreTable& table = program.highscores;
    std::string text = "Bestenliste:";
    for (int place = 1; place <= 10; ++place) {
        const int i = 11 - place;
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on
        // "literal" + a temporary string.
        text.append("\n").append(platform::numberText(place)).append(". Platz: ");
        text.append(platform::numberText(table.newHighscores[i]));
        if (i == table.scorePlace) {
            text += " (Ihr Platz)";
        }
    }
    if (table.scorePlace > 0) {
        text.append("\nIhre Punktezahl: ")
            .append(platform::numberText(table.newHighscores[table.scorePlace]));
    }
    program.backend.announce({text + "\nWeiter mit beliebiger Taste!", {}});
}

} // namespace

void readHighscores(Program& program) {
    platform::TextFile file;
    file.openInput(highscoreFile);
    auto& highscores = program.highscores.highscores;
    for (int index = 1; index <= 10 && !file.atEnd(); ++index) {
        highscores[index] = file.readIntegerItem();
    }
    file.closeFile();
}

std::int32_t record(const Program& program) {
    return program.highscores.highscores[10];
}

void rankScore(Program& program, std::int32_t score) {
    HighscoreTable& table = program.highscores;
    int place = 1;
    while (place <= 10 && score >= table.highscores[place]) {
        ++place;
    }
    --place;
    for (int j = 1; j <= 10; ++j) {
        if (j > place) {
            table.newHighscores[j] = table.highscores[j];
        } else {
            table.newHighscores[j - 1] = table.highscores[j];
        }
    }
    table.newHighscores[place] = score;
    table.scorePlace = place;
}

void writeHighscores(Program& program) {
    // The old table stays on disk until the new one is complete.
    platform::TextFile file;
    file.openReplacement(highscoreFile);
    for (int j = 1; j <= 10; ++j) {
        file.writeNumber(program.highscores.newHighscores[j], platform::FileEnding::LineEnd);
    }
    file.closeFile();
}

bool showHighscoreList(Program& program) {
    platform::Screen& screen = program.screen();
    const HighscoreTable& table = program.highscores;
    using platform::Ending;

    screen.openScreen(400, 400, 32, 1, 0);
    screen.setForeground(listColours[platform::randomColourIndex(program.random)]);
    for (int place = 1; place <= 10; ++place) {
        const int i = 11 - place;
        const int row = place + 15;
        // Right-aligned place numbers: ". Platz: " always starts in column 20.
        screen.setTextCursor(row, place < 10 ? 18 : 17);
        screen.printNumber(place, Ending::None);
        screen.printText(". Platz: ", Ending::Newline);
        screen.setTextCursor(row, 28);
        screen.printNumber(table.newHighscores[i], Ending::Newline);
        if (i == table.scorePlace) {
            screen.setTextCursor(row, 14);
            screen.printText(">>>", Ending::Newline);
            screen.setTextCursor(row, 35);
            screen.printText("<<<", Ending::Newline);
            screen.setTextCursor(35, 1);
            screen.printText("Ihre Punktezahl: ", Ending::None);
            screen.printNumber(table.newHighscores[i], Ending::Newline);
        }
    }
    screen.setTextCursor(46, 12);
    screen.printText("Weiter mit beliebiger Taste!", Ending::Newline);
    announceHighscoreList(program);

    platform::Input& input = program.input();
    input.sleepFor(-1);
    // The key that closed the list is used up here; an Esc left waiting would
    // end the next game on its first pass.
    bool closed = false;
    for (std::string key = input.readKey(); !key.empty(); key = input.readKey()) {
        closed = closed || key == "\xffk";
    }
    if (closed) {
        return false;
    }
    screen.openScreen(940, 320, 32, 1, 0);
    return true;
}

} // namespace schlingo
