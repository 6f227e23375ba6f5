#include "gamefiles/button_map.hpp"

#include "platform/machine/text_file.hpp"
#include "state/program.hpp"

namespace schlingo {

namespace {
const char* const buttonMapFile = "Button2.galgen";
}

void readButtonMap(Program& program) {
    if (!platform::fileExists(buttonMapFile)) {
        return;
    }
    ButtonMap& map = program.buttons;
    platform::TextFile file;
    file.openInput(buttonMapFile);
    for (int index = 0; index <= 31 && !file.atEnd(); ++index) {
        // A record cut short by the end of the file reads zeros for the rest.
        map.buttonLeft[index] = file.readIntegerItem();
        map.buttonTop[index] = file.readIntegerItem();
        map.buttonRight[index] = file.readIntegerItem();
        map.buttonBottom[index] = file.readIntegerItem();
    }
    file.closeFile();
}

int clickedLetter(Program& program, int x, int y, int buttons) {
    // The button test comes first so that the file is looked for only while
    // a click could count; the result is the same as the other way round.
    if (buttons != 1) {
        return 0;
    }
    if (!platform::fileExists(buttonMapFile)) {
        return 0;
    }
    ButtonMap& map = program.buttons;
    map.buttonCursor += 1;
    if (map.buttonCursor > 31) {
        map.buttonCursor = 0;
    }
    const int i = map.buttonCursor;
    if (x < map.buttonLeft[i] || x > map.buttonRight[i] || y < map.buttonTop[i] ||
        y > map.buttonBottom[i]) {
        return 0;
    }
    if (i == 31) {
        return 0;
    }
    if (i >= 26 && program.options.specialLetters != 1) {
        return 0;
    }
    return i + 1;
}

} // namespace schlingo
